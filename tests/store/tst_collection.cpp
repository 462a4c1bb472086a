// The five collection tables: schemas, display widths, indices, the data folder, opening
// from files and saving only what changed.
#include "engine/collation.h"
#include "store/collection.h"
#include "store/collectionlock.h"

#include "engine/error.h"

#include <QtTest>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

using engine::FieldType;
using engine::Table;
namespace fs = std::filesystem;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeAll(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

QStringList entriesOf(const std::string& dir) {
    QStringList names;
    for (const auto& e : fs::directory_iterator(dir))
        names << QString::fromStdString(e.path().filename().string());
    names.sort();
    return names;
}

template <typename F> QString errorOf(F&& f) {
    try {
        f();
    } catch (const engine::Error& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

const store::CollectionTable& definitionOf(const QString& table) {
    return store::collectionTable(table.toStdString());
}

std::string pathIn(const QTemporaryDir& dir, const QString& table) {
    return dir.filePath(QString::fromUtf8(definitionOf(table).fileName)).toStdString();
}

void prepare(Table& t, const store::CollectionTable& s) {
    s.create(t);
    s.setDisplayWidths(t);
    s.createIndices(t);
}

QString schemaOf(const Table& t) {
    QStringList parts;
    for (const engine::FieldDef& f : t.fields()) {
        const QString name = QString::fromStdString(f.name);
        switch (f.type) {
        case FieldType::String:
            parts << QStringLiteral("%1 string(%2)").arg(name).arg(f.size);
            break;
        case FieldType::Memo:
            parts << QStringLiteral("%1 memo(%2)").arg(name).arg(f.size);
            break;
        case FieldType::Integer:
            parts << name + QStringLiteral(" integer");
            break;
        case FieldType::AutoInc:
            parts << name + QStringLiteral(" autoinc");
            break;
        case FieldType::Currency:
            parts << name + QStringLiteral(" currency");
            break;
        }
    }
    return parts.join(QStringLiteral(", "));
}

QString indicesOf(const Table& t) {
    QStringList parts;
    for (const engine::IndexDef& d : t.indexDefs())
        parts << QString::fromStdString(d.name + "=" + d.fields);
    return parts.join(QStringLiteral(", "));
}

// Everything that opening a table sets up, apart from its rows.
QString preparedState(const Table& t) {
    QStringList widths;
    for (int f = 0; f < t.fieldCount(); ++f)
        widths << QString::number(t.displayWidth(f));
    return schemaOf(t) + QStringLiteral(" | widths ") + widths.join(QLatin1Char(' ')) +
           QStringLiteral(" | ") + indicesOf(t) + QStringLiteral(" | active ") +
           QString::fromStdString(t.activeIndex());
}

using Rows = std::vector<std::vector<std::string>>;

Rows rowsOf(const Table& t) {
    Rows rows;
    for (int r = 0; r < t.recordCount(); ++r) {
        rows.emplace_back();
        for (int f = 0; f < t.fieldCount(); ++f)
            rows.back().push_back(t.textAt(r, f));
    }
    return rows;
}

// Rows in the order they were added, whatever index is active.
Rows rowsInFileOrder(Table& t) {
    const std::string active = t.activeIndex();
    t.setActiveIndex("");
    Rows rows = rowsOf(t);
    t.setActiveIndex(active);
    return rows;
}

QString firstDifference(const Rows& a, const Rows& b) {
    if (a.size() != b.size())
        return QStringLiteral("%1 rows against %2").arg(a.size()).arg(b.size());
    for (std::size_t r = 0; r < a.size(); ++r)
        for (std::size_t f = 0; f < a[r].size() && f < b[r].size(); ++f)
            if (a[r][f] != b[r][f])
                return QStringLiteral("row %1 field %2: '%3' against '%4'")
                    .arg(r)
                    .arg(f)
                    .arg(QString::fromStdString(a[r][f]), QString::fromStdString(b[r][f]));
    return {};
}

#define COMPARE_ROWS(actual, expected)                                                             \
    do {                                                                                           \
        const QString diff_ = firstDifference(actual, expected);                                   \
        QVERIFY2(diff_.isEmpty(), qPrintable(diff_));                                              \
    } while (false)

// A value that exercises the field's type: national letters, emoji, limits, empty values.
std::optional<std::string> sampleValue(const engine::FieldDef& f, int row, std::mt19937& rng) {
    static const char* const texts[] = {"",          "ABBA",       "abba",      "Ääliöt",
                                        "äöå ÆØ æø", "Don't Stop", "€ 😀 🎸",     "Kari Tapio",
                                        "Åse Öberg", "øystein",    "Rivi\nrivi"};
    static const char* const numbers[] = {"", "0", "-1", "2147483647", "-2147483648", "42"};
    static const char* const amounts[] = {"", "0", "0.1", "-12.5", "1e9", "199.95"};
    const auto pick = [&](const auto& pool) { return std::string(pool[rng() % std::size(pool)]); };
    switch (f.type) {
    case FieldType::String:
        if (rng() % 8 == 0) { // longer than any string field: stored cut
            std::string s;
            for (int i = 0; i < 45; ++i)
                s += i % 2 ? "ä" : "B";
            return s;
        }
        return pick(texts);
    case FieldType::Memo:
        if (rng() % 10 == 0) {
            std::string long_;
            for (int i = 0; i < 500; ++i)
                long_ += "Pitkä muistio € ";
            return long_;
        }
        return pick(texts);
    case FieldType::Integer:
        return pick(numbers);
    case FieldType::AutoInc:
        if (row % 3 == 0)
            return std::nullopt; // numbered on post
        return std::to_string(1000 + row);
    case FieldType::Currency:
        return pick(amounts);
    }
    return std::nullopt;
}

void fillRows(Table& t, int count, unsigned seed) {
    std::mt19937 rng(seed);
    for (int r = 0; r < count; ++r) {
        t.append();
        for (int f = 0; f < t.fieldCount(); ++f)
            if (const auto v = sampleValue(t.fields()[static_cast<std::size_t>(f)], r, rng))
                t.setText(f, *v);
        t.post();
    }
}

QStringList allTables() {
    return {QStringLiteral("Lydsam"), QStringLiteral("Arkiv"), QStringLiteral("Numre"),
            QStringLiteral("Genre"), QStringLiteral("Musiker")};
}

void addTableRows() {
    QTest::addColumn<QString>("table");
    for (const QString& t : allTables())
        QTest::newRow(qPrintable(t)) << t;
}

// A Lydsam row written "Kunstner|Titel|Media|Forlag|RegNr|id"; the id goes into Anskaffet.
void appendRelease(Table& t, const QString& row) {
    static const char* const fields[] = {"Kunstner", "Titel", "Media",
                                         "Forlag",   "RegNr", "Anskaffet"};
    const QStringList parts = row.split(QLatin1Char('|'));
    t.append();
    for (int i = 0; i < parts.size(); ++i)
        t.setText(fields[i], parts[i].toStdString());
    t.post();
}

QStringList idsInViewOrder(const Table& t) {
    QStringList ids;
    const int id = t.fieldIndex("Anskaffet");
    for (int r = 0; r < t.recordCount(); ++r)
        ids << QString::fromStdString(t.textAt(r, id));
    return ids;
}

} // namespace

class TestCollection : public QObject {
    Q_OBJECT

private slots:
    // National letters in the order a Finnish user sees them, whatever the machine's locale.
    void initTestCase() { engine::collation::setLocale("fi_FI"); }
    void tablesInOpeningOrder();
    void schemas_data();
    void schemas();
    void displayWidths_data();
    void displayWidths();
    void indices_data();
    void indices();
    void dataFolder_data();
    void dataFolder();

    void openMissingFileCreatesEmptyTable_data();
    void openMissingFileCreatesEmptyTable();
    void openExistingFileLoadsAndPrepares_data();
    void openExistingFileLoadsAndPrepares();
    void openDamagedFileLeavesTableClosed_data();
    void openDamagedFileLeavesTableClosed();

    void saveWithoutChangesWritesNothing_data();
    void saveWithoutChangesWritesNothing();
    void saveAfterChangesWritesAndClears();
    void unfinishedEditIsSaved_data();
    void unfinishedEditIsSaved();
    void failedSaveKeepsChangesForRetry();

    void sortOrder_data();
    void sortOrder();
    void collectionRoundTrip();
};

void TestCollection::tablesInOpeningOrder() {
    QStringList names;
    QStringList files;
    for (const store::CollectionTable& s : store::collectionTables()) {
        names << QString::fromUtf8(s.name);
        files << QString::fromUtf8(s.fileName);
    }
    QCOMPARE(names, allTables());
    QCOMPARE(files, (QStringList{QStringLiteral("Lydsam.dat"), QStringLiteral("Arkiv.dat"),
                                 QStringLiteral("Numre.dat"), QStringLiteral("Genre.dat"),
                                 QStringLiteral("Musiker.dat")}));
    // The window calls these by name; the table list must use the same ones.
    QVERIFY(definitionOf(QStringLiteral("Lydsam")).create == &store::CreateLydsamTable);
    QVERIFY(definitionOf(QStringLiteral("Numre")).setDisplayWidths ==
            &store::SetDisplayWidthsNumre);
    QVERIFY(definitionOf(QStringLiteral("Musiker")).createIndices == &store::CreateMusikerIndices);
    QVERIFY(!errorOf([] { store::collectionTable("Levyt"); }).isNull());
}

void TestCollection::schemas_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("fields");
    QTest::newRow("Lydsam") << QStringLiteral("Lydsam")
                            << QStringLiteral(
                                   "Kunstner string(30), Titel string(30), Genre string(20), "
                                   "Media string(2), Forlag string(30), RegNr string(15), "
                                   "Indspillet string(10), Anskaffet string(10), Pris currency, "
                                   "Num autoinc, Notater memo(35)");
    QTest::newRow("Arkiv") << QStringLiteral("Arkiv") << QStringLiteral("ArkivNr integer");
    QTest::newRow("Numre") << QStringLiteral("Numre")
                           << QStringLiteral(
                                  "Num integer, Titel string(30), Nummer integer, "
                                  "NrTitel string(40), Kunstner string(30), Komponist string(30), "
                                  "Musiker string(30), KunstnerNotat memo(35), "
                                  "KomponistNotat memo(35), Notat memo(35), RegNr string(15)");
    QTest::newRow("Genre") << QStringLiteral("Genre")
                           << QStringLiteral("Genre string(20), Nr autoinc");
    QTest::newRow("Musiker") << QStringLiteral("Musiker")
                             << QStringLiteral(
                                    "NrTitel string(30), Musiker string(30), "
                                    "Instrument string(30), Titel string(30), Num integer, "
                                    "Nummer integer, Notat memo(35)");
}

void TestCollection::schemas() {
    QFETCH(QString, table);
    QFETCH(QString, fields);
    Table t;
    definitionOf(table).create(t);
    QVERIFY(t.isOpen());
    QCOMPARE(t.recordCount(), 0);
    QCOMPARE(schemaOf(t), fields);
}

void TestCollection::displayWidths_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("width");
    const struct {
        const char* table;
        const char* field;
        int width;
    } rows[] = {
        {"Lydsam", "Kunstner", 30},    {"Lydsam", "Titel", 30},     {"Lydsam", "Genre", 20},
        {"Lydsam", "Media", 2},        {"Lydsam", "Forlag", 30},    {"Lydsam", "RegNr", 15},
        {"Lydsam", "Indspillet", 10},  {"Lydsam", "Anskaffet", 10}, {"Arkiv", "ArkivNr", 4},
        {"Numre", "Titel", 30},        {"Numre", "NrTitel", 40},    {"Numre", "Kunstner", 30},
        {"Numre", "Komponist", 30},    {"Numre", "Musiker", 30},    {"Numre", "RegNr", 15},
        {"Genre", "Genre", 20},        {"Musiker", "NrTitel", 30},  {"Musiker", "Musiker", 30},
        {"Musiker", "Instrument", 40}, {"Musiker", "Titel", 30},
    };
    for (const auto& r : rows)
        QTest::newRow(qPrintable(QStringLiteral("%1.%2 is %3")
                                     .arg(QString::fromUtf8(r.table), QString::fromUtf8(r.field))
                                     .arg(r.width)))
            << QString::fromUtf8(r.table) << QString::fromUtf8(r.field) << r.width;
}

void TestCollection::displayWidths() {
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(int, width);
    Table t;
    definitionOf(table).create(t);
    definitionOf(table).setDisplayWidths(t);
    QCOMPARE(t.displayWidth(t.fieldIndex(field.toStdString())), width);
}

void TestCollection::indices_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("indices");
    QTest::addColumn<QString>("active");
    QTest::newRow("Lydsam") << QStringLiteral("Lydsam")
                            << QStringLiteral("Kunstner=Kunstner;Titel, Titel=Titel;Kunstner, "
                                              "Media=Media;Kunstner;Titel, "
                                              "Forlag=Forlag;Kunstner;Titel, "
                                              "RegNr=RegNr;Kunstner;Titel")
                            << QStringLiteral("Kunstner");
    QTest::newRow("Arkiv has none") << QStringLiteral("Arkiv") << QString() << QString();
    QTest::newRow("Numre") << QStringLiteral("Numre") << QStringLiteral("Num=Num, Nummer=Nummer")
                           << QStringLiteral("Nummer");
    QTest::newRow("Genre") << QStringLiteral("Genre") << QStringLiteral("Genre=Genre")
                           << QStringLiteral("Genre");
    QTest::newRow("Musiker") << QStringLiteral("Musiker")
                             << QStringLiteral("Musiker=Musiker, Instrument=Instrument")
                             << QStringLiteral("Musiker");
}

void TestCollection::indices() {
    QFETCH(QString, table);
    QFETCH(QString, indices);
    QFETCH(QString, active);
    Table t;
    prepare(t, definitionOf(table));
    QCOMPARE(indicesOf(t), indices);
    QCOMPARE(QString::fromStdString(t.activeIndex()), active);
}

void TestCollection::dataFolder_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("exe");
    QTest::addColumn<QString>("expected");
    const QString exe = QStringLiteral("/opt/levyholvi");
    QTest::newRow("argument without a slash gets one")
        << QStringList{QStringLiteral("/data")} << exe << QStringLiteral("/data/");
    QTest::newRow("argument with a slash is not doubled")
        << QStringList{QStringLiteral("/data/")} << exe << QStringLiteral("/data/");
    QTest::newRow("further arguments are ignored")
        << QStringList{QStringLiteral("/data"), QStringLiteral("/muu")} << exe
        << QStringLiteral("/data/");
    QTest::newRow("relative argument")
        << QStringList{QStringLiteral("levyt")} << exe << QStringLiteral("levyt/");
    QTest::newRow("national letters and spaces")
        << QStringList{QStringLiteral("/home/Äijä/Omat levyt")} << exe
        << QStringLiteral("/home/Äijä/Omat levyt/");
    QTest::newRow("no argument: the executable's folder with a slash")
        << QStringList{} << exe << QStringLiteral("/opt/levyholvi/");
    QTest::newRow("no argument: the executable's folder, slash not doubled")
        << QStringList{} << QStringLiteral("/opt/levyholvi/") << QStringLiteral("/opt/levyholvi/");
}

void TestCollection::dataFolder() {
    QFETCH(QStringList, args);
    QFETCH(QString, exe);
    QFETCH(QString, expected);
    std::vector<std::string> list;
    for (const QString& a : args)
        list.push_back(a.toStdString());
    QCOMPARE(QString::fromStdString(store::dataFolder(list, exe.toStdString())), expected);
}

// ------------------------------------------------------------------------------ opening

void TestCollection::openMissingFileCreatesEmptyTable_data() {
    addTableRows();
}

void TestCollection::openMissingFileCreatesEmptyTable() {
    QFETCH(QString, table);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string folder = dir.path().toStdString();
    Table t;
    store::openTable(t, definitionOf(table), folder + "/" + definitionOf(table).fileName);
    Table reference;
    prepare(reference, definitionOf(table));
    QVERIFY(t.isOpen());
    QCOMPARE(t.recordCount(), 0);
    QCOMPARE(t.changeCount(), 0);
    QCOMPARE(preparedState(t), preparedState(reference));
    QVERIFY2(entriesOf(folder).isEmpty(), "opening wrote to disk");
    // Without its folder the file may be on a medium that is not there: not a new table.
    Table elsewhere;
    QVERIFY(!errorOf([&] {
                 store::openTable(elsewhere, definitionOf(table), folder + "/puuttuu/t.dat");
             }).isNull());
    QVERIFY(!elsewhere.isOpen());
}

void TestCollection::openExistingFileLoadsAndPrepares_data() {
    addTableRows();
}

void TestCollection::openExistingFileLoadsAndPrepares() {
    QFETCH(QString, table);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = pathIn(dir, table);
    Table saved;
    definitionOf(table).create(saved);
    fillRows(saved, 30, 1);
    saved.save(path);

    Table t;
    store::openTable(t, definitionOf(table), path);
    Table reference;
    prepare(reference, definitionOf(table));
    // Widths and indices are not in the file: they must be applied after the load.
    QCOMPARE(preparedState(t), preparedState(reference));
    QCOMPARE(t.changeCount(), 0);
    COMPARE_ROWS(rowsInFileOrder(t), rowsOf(saved));
}

void TestCollection::openDamagedFileLeavesTableClosed_data() {
    QTest::addColumn<QString>("damage");
    QTest::newRow("truncated") << QStringLiteral("truncated");
    QTest::newRow("checksum wrong") << QStringLiteral("checksum");
    QTest::newRow("a text file") << QStringLiteral("text");
    QTest::newRow("a folder in place of the file") << QStringLiteral("folder");
    QTest::newRow("the file of another table") << QStringLiteral("other");
}

void TestCollection::openDamagedFileLeavesTableClosed() {
    QFETCH(QString, damage);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = pathIn(dir, QStringLiteral("Lydsam"));
    Table good;
    definitionOf(damage == QStringLiteral("other") ? QStringLiteral("Genre")
                                                   : QStringLiteral("Lydsam"))
        .create(good);
    fillRows(good, 5, 2);
    good.save(path);
    std::string bytes = readAll(path);
    if (damage == QStringLiteral("truncated"))
        bytes.resize(bytes.size() / 2);
    else if (damage == QStringLiteral("checksum"))
        bytes.back() = static_cast<char>(bytes.back() ^ 1);
    else if (damage == QStringLiteral("text"))
        bytes = "Kunstner;Titel\nABBA;Gold\n";
    if (damage == QStringLiteral("folder")) {
        fs::remove(path);
        fs::create_directory(path);
    } else {
        writeAll(path, bytes);
    }

    Table t;
    const QString error =
        errorOf([&] { store::openTable(t, definitionOf(QStringLiteral("Lydsam")), path); });
    QVERIFY2(!error.isNull(), "opened");
    QVERIFY2(error.contains(QString::fromStdString(path)), qPrintable(error));
    QVERIFY(!t.isOpen());
    // A table that failed to open is never saved over its file.
    QCOMPARE(store::saveChanges(t, path), false);
    if (damage == QStringLiteral("folder"))
        QVERIFY(fs::is_directory(path));
    else
        QVERIFY(readAll(path) == bytes);
}

// ------------------------------------------------------------------------------ saving

void TestCollection::saveWithoutChangesWritesNothing_data() {
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QString>("action");
    QTest::newRow("created table, nothing done: no file") << false << QStringLiteral("none");
    QTest::newRow("created table, insert started, nothing typed")
        << false << QStringLiteral("insert");
    QTest::newRow("loaded file, nothing done: untouched") << true << QStringLiteral("none");
    QTest::newRow("loaded file, edit started, nothing typed") << true << QStringLiteral("edit");
    QTest::newRow("loaded file, browsed and sorted") << true << QStringLiteral("browse");
}

void TestCollection::saveWithoutChangesWritesNothing() {
    QFETCH(bool, fileExists);
    QFETCH(QString, action);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = pathIn(dir, QStringLiteral("Lydsam"));
    std::string bytes;
    fs::file_time_type stamp;
    if (fileExists) {
        Table saved;
        definitionOf(QStringLiteral("Lydsam")).create(saved);
        fillRows(saved, 10, 3);
        saved.save(path);
        bytes = readAll(path);
        stamp = fs::last_write_time(path) - std::chrono::hours(24); // a rewrite cannot match it
        fs::last_write_time(path, stamp);
    }
    const QStringList before = entriesOf(dir.path().toStdString());

    Table t;
    store::openTable(t, definitionOf(QStringLiteral("Lydsam")), path);
    if (action == QStringLiteral("insert")) {
        t.insert();
    } else if (action == QStringLiteral("edit")) {
        t.first();
        t.edit();
    } else if (action == QStringLiteral("browse")) {
        t.last();
        t.prior();
        t.setActiveIndex("Titel");
        t.first();
    }
    QCOMPARE(store::saveChanges(t, path), false);
    QCOMPARE(entriesOf(dir.path().toStdString()), before);
    if (fileExists) {
        QVERIFY(readAll(path) == bytes);
        QVERIFY(fs::last_write_time(path) == stamp);
    }
}

void TestCollection::saveAfterChangesWritesAndClears() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = pathIn(dir, QStringLiteral("Lydsam"));
    const auto& lydsam = definitionOf(QStringLiteral("Lydsam"));
    Table saved;
    lydsam.create(saved);
    fillRows(saved, 3, 4);
    saved.save(path);
    const std::string old = readAll(path);

    Table t;
    store::openTable(t, lydsam, path);
    t.first();
    t.edit();
    t.setText("Titel", "Uusi nimi");
    t.post();
    t.last();
    t.deleteRecord();
    QVERIFY(t.changeCount() > 0);
    QCOMPARE(store::saveChanges(t, path), true);
    QCOMPARE(t.changeCount(), 0);
    QVERIFY(readAll(path + ".bak") == old);

    Table reloaded;
    store::openTable(reloaded, lydsam, path);
    COMPARE_ROWS(rowsInFileOrder(reloaded), rowsInFileOrder(t));
    QCOMPARE(reloaded.recordCount(), 2);
    QVERIFY(reloaded.locate("Titel", "Uusi nimi"));

    // Saved once: nothing more to write.
    const std::string written = readAll(path);
    QCOMPARE(store::saveChanges(t, path), false);
    QVERIFY(readAll(path) == written);
}

void TestCollection::unfinishedEditIsSaved_data() {
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QString>("action");
    QTest::newRow("typed into a loaded row, not posted") << true << QStringLiteral("edit");
    QTest::newRow("typed into a new row, not posted") << true << QStringLiteral("insert");
    QTest::newRow("typed into the first row of a created table")
        << false << QStringLiteral("append");
}

void TestCollection::unfinishedEditIsSaved() {
    QFETCH(bool, fileExists);
    QFETCH(QString, action);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = pathIn(dir, QStringLiteral("Lydsam"));
    const auto& lydsam = definitionOf(QStringLiteral("Lydsam"));
    if (fileExists) {
        Table saved;
        lydsam.create(saved);
        fillRows(saved, 4, 5);
        saved.save(path);
    }

    Table t;
    store::openTable(t, lydsam, path);
    if (action == QStringLiteral("edit")) {
        t.first();
        t.edit();
    } else if (action == QStringLiteral("insert")) {
        t.insert();
    } else {
        t.append();
    }
    t.setText("Kunstner", "Keskeneräinen");
    QCOMPARE(store::saveChanges(t, path), true);
    QCOMPARE(t.state(), engine::TableState::Browse);
    QCOMPARE(t.changeCount(), 0);

    Table reloaded;
    store::openTable(reloaded, lydsam, path);
    QVERIFY(reloaded.locate("Kunstner", "Keskeneräinen"));
    QCOMPARE(reloaded.recordCount(), t.recordCount());
}

void TestCollection::failedSaveKeepsChangesForRetry() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string blocker = dir.filePath(QStringLiteral("levyt")).toStdString();
    fs::create_directory(blocker);
    const std::string path = blocker + "/Lydsam.dat";
    const auto& lydsam = definitionOf(QStringLiteral("Lydsam"));

    Table t;
    store::openTable(t, lydsam, path);
    fs::remove(blocker);
    writeAll(blocker, "a file where the data folder should be");
    appendRelease(t, QStringLiteral("ABBA|Gold|CD|Polar|P1|1"));
    t.append();
    t.setText("Kunstner", "Kesken");
    const QString error = errorOf([&] { store::saveChanges(t, path); });
    QVERIFY2(!error.isNull(), "the save reported success");
    QVERIFY2(error.contains(QString::fromStdString(path)), qPrintable(error));
    QCOMPARE(t.changeCount(), 2); // the unfinished row was posted and is pending too
    QCOMPARE(t.recordCount(), 2);

    // A second failure changes nothing either.
    QVERIFY(!errorOf([&] { store::saveChanges(t, path); }).isNull());
    QCOMPARE(t.changeCount(), 2);

    fs::remove(blocker);
    QCOMPARE(store::saveChanges(t, path), true);
    QCOMPARE(t.changeCount(), 0);
    Table reloaded;
    store::openTable(reloaded, lydsam, path);
    QCOMPARE(reloaded.recordCount(), 2);
    QVERIFY(reloaded.locate("Kunstner", "Kesken"));
}

// ------------------------------------------------------------------------------ sorting

void TestCollection::sortOrder_data() {
    QTest::addColumn<QString>("index");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("expected");
    const auto list = [](std::initializer_list<const char*> items) {
        QStringList l;
        for (const char* s : items)
            l << QString::fromUtf8(s);
        return l;
    };
    QTest::newRow("Kunstner: artists differing only in case sort together, by title")
        << QStringLiteral("Kunstner")
        << list({"abba|Waterloo|CD|Polar|P1|1", "Zappa|Apostrophe|LP|DiscReet|D1|2",
                 "ABBA|Arrival|LP|Polar|P2|3", "beatles|Help|LP|Parlophone|X1|4",
                 "Abba|Gold|CD|Polar|P3|5", "BEATLES|Abbey Road|LP|Apple|A1|6"})
        << list({"3", "5", "1", "6", "4", "2"});
    QTest::newRow("Kunstner: ä folds with Ä, after a to z")
        << QStringLiteral("Kunstner")
        << list({"Ääliöt|Yö|||X|1", "ääliöt|Aamu|||X|2", "Aalto|Z|||X|3", "ÄÄLIÖT|Kesä|||X|4",
                 "zz top|Eliminator|||X|5"})
        << list({"3", "5", "2", "4", "1"});
    QTest::newRow("Kunstner: å folds with Å, ö with Ö")
        << QStringLiteral("Kunstner")
        << list({"Öljy|B|||X|1", "öljy|A|||X|2", "Åse|B|||X|3", "åse|A|||X|4"})
        << list({"4", "3", "2", "1"});
    QTest::newRow("Kunstner: æ folds with Æ, ø with Ø")
        << QStringLiteral("Kunstner")
        << list({"Øystein|B|||X|1", "øystein|A|||X|2", "Æble|B|||X|3", "æble|A|||X|4"})
        << list({"4", "3", "2", "1"});
    QTest::newRow("Kunstner: releases without an artist come first")
        << QStringLiteral("Kunstner") << list({"|Nimetön|||X|1", "A|x|||X|2", "|Aamu|||X|3"})
        << list({"3", "1", "2"});
    QTest::newRow("Titel: title, then artist, ignoring case")
        << QStringLiteral("Titel")
        << list({"X|gold|||X|1", "a|Gold|||X|2", "B|GOLD|||X|3", "c|Arrival|||X|4"})
        << list({"4", "2", "3", "1"});
    QTest::newRow("Forlag: publisher, then artist, then title")
        << QStringLiteral("Forlag")
        << list({"Z|t|CD|polar|X|1", "A|t2|CD|Polar|X|2", "A|t1|CD|POLAR|X|3", "B|x|CD|Apple|X|4"})
        << list({"4", "3", "2", "1"});
    QTest::newRow("RegNr: catalogue number, then artist")
        << QStringLiteral("RegNr")
        << list({"B|t|CD|P|cd-1|1", "A|t|CD|P|CD-1|2", "A|t|CD|P|AB-9|3"}) << list({"3", "2", "1"});
    QTest::newRow("Media: medium, then artist, then title")
        << QStringLiteral("Media")
        << list({"B|t|LP|P|X|1", "Z|t|CD|P|X|2", "M|t|78|P|X|3", "A|t|CD|P|X|4"})
        << list({"3", "4", "2", "1"});
}

void TestCollection::sortOrder() {
    QFETCH(QString, index);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = pathIn(dir, QStringLiteral("Lydsam"));
    const auto& lydsam = definitionOf(QStringLiteral("Lydsam"));

    Table t;
    store::openTable(t, lydsam, path);
    for (const QString& row : rows)
        appendRelease(t, row);
    t.setActiveIndex(index.toStdString());
    QCOMPARE(idsInViewOrder(t), expected);

    // Indices are rebuilt from the loaded rows.
    QVERIFY(store::saveChanges(t, path));
    Table reopened;
    store::openTable(reopened, lydsam, path);
    reopened.setActiveIndex(index.toStdString());
    QCOMPARE(idsInViewOrder(reopened), expected);
}

void TestCollection::collectionRoundTrip() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string folder =
        store::dataFolder({dir.filePath(QStringLiteral("Levyt")).toStdString()}, "/");
    const store::CollectionLock lock(folder); // as a program starts: it makes the new folder
    const int sizes[] = {60, 60, 300, 12, 150};

    std::vector<std::unique_ptr<Table>> tables;
    std::vector<Rows> inFileOrder;
    std::vector<Rows> inIndexOrder;
    for (std::size_t i = 0; i < store::collectionTables().size(); ++i) {
        const store::CollectionTable& s = store::collectionTables()[i];
        auto t = std::make_unique<Table>();
        store::openTable(*t, s, folder + s.fileName);
        fillRows(*t, sizes[i], static_cast<unsigned>(10 + i));
        // Some edits and deletes, so the file is not simply the rows as first posted.
        for (int k = 0; k < sizes[i] / 10; ++k) {
            t->moveTo(k * 7 % t->recordCount());
            t->deleteRecord();
            t->moveTo(k * 5 % t->recordCount());
            t->edit();
            const bool text = t->fields()[0].type == FieldType::String;
            t->setText(0, text ? "Muutettu " + std::to_string(k) : std::to_string(k));
            t->post();
        }
        inFileOrder.push_back(rowsInFileOrder(*t));
        inIndexOrder.push_back(rowsOf(*t));
        QVERIFY(store::saveChanges(*t, folder + s.fileName));
        tables.push_back(std::move(t));
    }
    QCOMPARE(entriesOf(folder),
             (QStringList{QStringLiteral("Arkiv.dat"), QStringLiteral("Genre.dat"),
                          QString::fromLatin1(store::kLockFileName), QStringLiteral("Lydsam.dat"),
                          QStringLiteral("Musiker.dat"), QStringLiteral("Numre.dat")}));

    for (std::size_t i = 0; i < store::collectionTables().size(); ++i) {
        const store::CollectionTable& s = store::collectionTables()[i];
        Table t;
        store::openTable(t, s, folder + s.fileName);
        QCOMPARE(preparedState(t), preparedState(*tables[i]));
        COMPARE_ROWS(rowsInFileOrder(t), inFileOrder[i]);
        COMPARE_ROWS(rowsOf(t), inIndexOrder[i]);
        QCOMPARE(t.changeCount(), 0);
    }
}

QTEST_APPLESS_MAIN(TestCollection)
#include "tst_collection.moc"
