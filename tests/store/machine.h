#pragma once

// One program on one data folder, for the tests of saving and merging.
#include "store/collection.h"
#include "store/collectionfiles.h"

#include "engine/table.h"

#include <QtTest>

#include <fstream>
#include <map>
#include <string>

using engine::Table;

namespace {

const char* const kTables[] = {"Lydsam", "Arkiv", "Numre", "Genre", "Musiker"};

store::Covers::Picture picture(const std::string& bytes) {
    return std::make_shared<const std::string>(bytes);
}

[[maybe_unused]] std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// One program on one data folder, opened as the window and the command-line tool open it.
struct Machine {
    std::map<std::string, Table, std::less<>> tables;
    std::string folder;
    store::CollectionFiles files;

    explicit Machine(std::string dir)
        : folder(std::move(dir)), files(folder, [this](std::string_view name) -> Table& {
              return tables.find(name)->second;
          }) {
        for (const char* name : kTables)
            tables[name];
        files.noteVersionsBeforeReading();
        for (const char* name : kTables)
            store::openTable(tables[name], store::collectionTable(name),
                             folder + store::collectionTable(name).fileName);
    }
    Table& operator[](const char* name) { return tables.find(name)->second; }

    // As the record rules number a new release: after the last number issued or in use.
    int newRelease(const std::string& artist, int trackCount) {
        Table& arkiv = (*this)["Arkiv"];
        Table& lydsam = (*this)["Lydsam"];
        arkiv.last();
        const int n = std::max(arkiv.isEmpty() ? 0 : arkiv.asInteger("ArkivNr"),
                               lydsam.maxInteger(lydsam.fieldIndex("Num")).value_or(0)) +
                      1;
        arkiv.append();
        arkiv.setInteger("ArkivNr", n);
        arkiv.post();
        lydsam.append();
        lydsam.setText("Kunstner", artist);
        lydsam.setText("Titel", "Levy");
        lydsam.setInteger("Num", n);
        lydsam.post();
        for (int i = 1; i <= trackCount; ++i) {
            Table& numre = (*this)["Numre"];
            numre.append();
            numre.setInteger("Num", n);
            numre.setInteger("Nummer", i);
            numre.setText("NrTitel", artist + "-" + std::to_string(i));
            numre.post();
        }
        return n;
    }
    void setPublisher(const std::string& artist, const std::string& publisher) {
        Table& lydsam = (*this)["Lydsam"];
        QVERIFY(lydsam.locate("Kunstner", artist));
        lydsam.edit();
        lydsam.setText("Forlag", publisher);
        lydsam.post();
    }
    // One change in each of the five tables; with covers, the new release gets one, release 1's
    // is replaced and release 2 goes with its cover.
    void changeEveryTable(const std::string& mark, bool covers = false) {
        const int n = newRelease(mark, 1);
        if (covers) {
            files.covers().set(n, picture(mark));
            files.covers().set(1, picture(mark + "-1"));
            Table& lydsam = (*this)["Lydsam"];
            QVERIFY(lydsam.locate("Num", "2"));
            lydsam.deleteRecord();
        }
        Table& genre = (*this)["Genre"];
        genre.append();
        genre.setText("Genre", mark);
        genre.post();
        Table& musiker = (*this)["Musiker"];
        musiker.append();
        musiker.setText("NrTitel", mark + "-1");
        musiker.setText("Musiker", "Soittaja");
        musiker.post();
    }
};

} // namespace
