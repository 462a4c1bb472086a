// Five empty collection tables as the window opens them, for the exchange tests.
#pragma once

#include "engine/table.h"
#include "exchange/collectiontables.h"
#include "store/collection.h"

#include <QStringList>

struct TestCollection {
    engine::Table lydsam, arkiv, numre, genre, musiker;
    exchange::CollectionTables tables{lydsam, arkiv, numre, genre, musiker};

    TestCollection() {
        for (const store::CollectionTable& t : store::collectionTables()) {
            engine::Table& table = tables.named(t.name);
            t.create(table);
            t.setDisplayWidths(table);
            t.createIndices(table);
        }
    }
    // Appends one row: "Field=value" pairs.
    static void add(engine::Table& t, const QStringList& values) {
        t.append();
        for (const QString& v : values) {
            const qsizetype eq = v.indexOf(u'=');
            t.setText(v.left(eq).toStdString(), v.mid(eq + 1).toStdString());
        }
        t.post();
    }
    // One field over all rows in the order they were added.
    static QStringList column(const engine::Table& t, const char* field) {
        QStringList out;
        for (int r = 0; r < t.storedRowCount(); ++r)
            out << QString::fromStdString(t.storedText(r, t.fieldIndex(field)));
        return out;
    }
    int changes() const {
        return lydsam.changeCount() + arkiv.changeCount() + numre.changeCount() +
               genre.changeCount() + musiker.changeCount();
    }
};
