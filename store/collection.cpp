#include "collection.h"

#include "covers.h"

#include "engine/error.h"
#include "engine/tablefile.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <numeric>
#include <system_error>
#include <thread>

namespace store {

using engine::FieldType;
using engine::Table;

namespace {

constexpr int kMemoSize = 35;

// Taken while the program starts, before any table is saved.
const std::filesystem::file_time_type kProcessStart = std::filesystem::file_time_type::clock::now();

engine::FieldDef str(const char* name, int size) {
    return {name, FieldType::String, size};
}
engine::FieldDef integer(const char* name) {
    return {name, FieldType::Integer, 0};
}
engine::FieldDef autoInc(const char* name) {
    return {name, FieldType::AutoInc, 0};
}
engine::FieldDef currency(const char* name) {
    return {name, FieldType::Currency, 0};
}
engine::FieldDef memo(const char* name) {
    return {name, FieldType::Memo, kMemoSize};
}

void widths(Table& t, std::initializer_list<std::pair<const char*, int>> list) {
    for (const auto& [field, width] : list)
        t.setDisplayWidth(t.fieldIndex(field), width);
}

} // namespace

void CreateLydsamTable(Table& t) {
    t.create({str("Kunstner", 30), str("Titel", 30), str("Genre", 20), str("Media", 2),
              str("Forlag", 30), str("RegNr", 15), str("Indspillet", 10), str("Anskaffet", 10),
              currency("Pris"), autoInc("Num"), memo("Notater")});
}

void CreateArkivTable(Table& t) {
    t.create({integer("ArkivNr")});
}

void CreateNumreTable(Table& t) {
    t.create({integer("Num"), str("Titel", 30), integer("Nummer"), str("NrTitel", 40),
              str("Kunstner", 30), str("Komponist", 30), str("Musiker", 30), memo("KunstnerNotat"),
              memo("KomponistNotat"), memo("Notat"), str("RegNr", 15)});
}

void CreateGenreTable(Table& t) {
    t.create({str("Genre", 20), autoInc("Nr")});
}

void CreateMusikerTable(Table& t) {
    t.create({str("NrTitel", 30), str("Musiker", 30), str("Instrument", 30), str("Titel", 30),
              integer("Num"), integer("Nummer"), memo("Notat")});
}

void SetDisplayWidthsLydsam(Table& t) {
    widths(t, {{"Kunstner", 30},
               {"Titel", 30},
               {"Genre", 20},
               {"Media", 2},
               {"Forlag", 30},
               {"Indspillet", 10},
               {"Anskaffet", 10}});
}

void SetDisplayWidthsArkiv(Table& t) {
    widths(t, {{"ArkivNr", 4}});
}

void SetDisplayWidthsNumre(Table& t) {
    widths(t,
           {{"Titel", 30}, {"NrTitel", 40}, {"Kunstner", 30}, {"Komponist", 30}, {"Musiker", 30}});
}

void SetDisplayWidthsGenre(Table& t) {
    widths(t, {{"Genre", 20}});
}

void SetDisplayWidthsMusiker(Table& t) {
    widths(t, {{"NrTitel", 30}, {"Musiker", 30}, {"Instrument", 40}});
}

void CreateLydsamIndices(Table& t) {
    t.addIndex("Kunstner", "Kunstner;Titel");
    t.addIndex("Titel", "Titel;Kunstner");
    t.addIndex("Media", "Media;Kunstner;Titel");
    t.addIndex("Forlag", "Forlag;Kunstner;Titel");
    t.addIndex("RegNr", "RegNr;Kunstner;Titel");
    t.setActiveIndex("Kunstner");
}

void CreateArkivIndices(Table&) {}

void CreateNumreIndices(Table& t) {
    t.addIndex("Num", "Num");
    t.addIndex("Nummer", "Nummer");
    t.setActiveIndex("Nummer");
}

void CreateGenreIndices(Table& t) {
    t.addIndex("Genre", "Genre");
    t.setActiveIndex("Genre");
}

void CreateMusikerIndices(Table& t) {
    t.addIndex("Musiker", "Musiker");
    t.addIndex("Instrument", "Instrument");
    t.setActiveIndex("Musiker");
}

const std::vector<CollectionTable>& collectionTables() {
    static const std::vector<CollectionTable> kinds = {
        {"Lydsam", "Lydsam.dat", CreateLydsamTable, SetDisplayWidthsLydsam, CreateLydsamIndices},
        {"Arkiv", "Arkiv.dat", CreateArkivTable, SetDisplayWidthsArkiv, CreateArkivIndices},
        {"Numre", "Numre.dat", CreateNumreTable, SetDisplayWidthsNumre, CreateNumreIndices},
        {"Genre", "Genre.dat", CreateGenreTable, SetDisplayWidthsGenre, CreateGenreIndices},
        {"Musiker", "Musiker.dat", CreateMusikerTable, SetDisplayWidthsMusiker,
         CreateMusikerIndices},
    };
    return kinds;
}

const CollectionTable& collectionTable(std::string_view name) {
    for (const CollectionTable& s : collectionTables())
        if (name == s.name)
            return s;
    throw engine::Error("No collection table is called '" + std::string(name) + "'");
}

std::string dataFolder(const std::vector<std::string>& args, const std::string& executableDir) {
    std::string folder = args.empty() || args.front().empty() ? executableDir : args.front();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

void openTable(Table& t, const CollectionTable& table, const std::string& path) {
    if (!engine::tablefile::exists(path)) {
        table.create(t);
    } else {
        t.load(path);
        // A file of some other table at this path must not pass for this one.
        Table expected;
        table.create(expected);
        if (!engine::sameFields(t.fields(), expected.fields())) {
            t.close();
            throw engine::Error("Cannot load table file '" + path + "': it does not hold the " +
                                table.name + " table");
        }
    }
    table.setDisplayWidths(t);
    table.createIndices(t);
}

TableOpening::TableOpening(std::vector<TableToOpen> tables)
    : tables_(std::move(tables)), errors_(tables_.size()), queue_(tables_.size()) {
    for (std::size_t i = 0; i < tables_.size(); ++i)
        loaded_.push_back(std::make_unique<Table>());
    std::iota(queue_.begin(), queue_.end(), std::size_t{0});
    std::vector<std::uintmax_t> sizes;
    for (const TableToOpen& t : tables_) {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(t.path, ec);
        sizes.push_back(ec ? 0 : size);
    }
    std::stable_sort(queue_.begin(), queue_.end(),
                     [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
    const std::size_t cores = std::max(1U, std::thread::hardware_concurrency());
    try {
        for (std::size_t h = 0; h < std::min(cores, tables_.size()); ++h)
            threads_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
        // No more threads to be had: finish() opens what is left itself.
    }
}

void TableOpening::work() {
    for (std::size_t k; (k = next_.fetch_add(1)) < queue_.size();) {
        const std::size_t i = queue_[k];
        try {
            openTable(*loaded_[i], *tables_[i].kind, tables_[i].path);
        } catch (...) {
            errors_[i] = std::current_exception();
        }
    }
}

void TableOpening::finish() {
    threads_.clear();
    work(); // whatever no thread took
    for (std::size_t i = 0; i < tables_.size(); ++i) {
        if (errors_[i])
            std::rethrow_exception(errors_[i]);
        tables_[i].table->takeOver(*loaded_[i]);
        loaded_[i].reset();
    }
}

std::filesystem::file_time_type processStart() {
    return kProcessStart;
}

int removeSaveLeftovers(const std::string& folder, std::filesystem::file_time_type before) {
    int removed = 0;
    for (const CollectionTable& table : collectionTables())
        removed += engine::tablefile::removeLeftovers(folder + table.fileName, before);
    return removed + removeCoverLeftovers(folder, before);
}

bool saveChanges(Table& t, const std::string& path) {
    if (!t.isOpen())
        return false;
    t.checkBrowseMode();
    if (t.changeCount() == 0)
        return false;
    t.save(path);
    t.mergeChangeLog();
    return true;
}

} // namespace store
