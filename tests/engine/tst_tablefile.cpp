// Table files: round trips through save and load, atomic saving with a backup, and damaged
// files, which must raise an error naming the file and never crash.
#include "../iofaults.h"
#include "engine/checksum.h"
#include "engine/error.h"
#include "engine/table.h"
#include "engine/tablefile.h"

#include <QtTest>

#include <algorithm>
#include <atomic>
#include <bit>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using engine::FieldDef;
using engine::FieldType;
using engine::Table;
namespace fs = std::filesystem;
using Fields = std::vector<FieldDef>;

Q_DECLARE_METATYPE(Fields)

namespace {

constexpr auto S = FieldType::String;
constexpr auto I = FieldType::Integer;
constexpr auto A = FieldType::AutoInc;
constexpr auto C = FieldType::Currency;
constexpr auto M = FieldType::Memo;

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

bool hasTempLeftovers(const std::string& dir) {
    return !entriesOf(dir).filter(QStringLiteral(".tmp")).isEmpty();
}

// The message of the engine::Error that f raises; a null string when f returns. Any other
// exception escapes and fails the test.
template <typename F> QString errorOf(F&& f) {
    try {
        f();
    } catch (const engine::Error& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

engine::tablefile::Image decodeCopy(std::string_view bytes, bool verify) {
    // An allocation of exactly the file's size, so the sanitizer sees any read past it.
    std::unique_ptr<char[]> copy(new char[bytes.size()]);
    if (!bytes.empty())
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    return engine::tablefile::decode(std::move(copy), bytes.size(), verify);
}

std::string withChecksum(std::string bytes) {
    const std::uint32_t crc = engine::crc32c(std::string_view(bytes).substr(0, bytes.size() - 4));
    for (int i = 0; i < 4; ++i)
        bytes[bytes.size() - 4 + static_cast<std::size_t>(i)] = static_cast<char>(crc >> (8 * i));
    return bytes;
}

using Rows = std::vector<std::vector<std::string>>;

// Every cell as text in the current view order; an empty field reads as "".
Rows rowsOf(const Table& t) {
    Rows rows;
    for (int r = 0; r < t.displayRowCount(); ++r) {
        rows.emplace_back();
        for (int f = 0; f < t.fieldCount(); ++f)
            rows.back().push_back(t.textAt(r, f));
    }
    return rows;
}

QString firstDifference(const Rows& a, const Rows& b) {
    if (a.size() != b.size())
        return QStringLiteral("%1 rows against %2").arg(a.size()).arg(b.size());
    for (std::size_t r = 0; r < a.size(); ++r) {
        if (a[r].size() != b[r].size())
            return QStringLiteral("row %1 has %2 fields against %3")
                .arg(r)
                .arg(a[r].size())
                .arg(b[r].size());
        for (std::size_t f = 0; f < a[r].size(); ++f)
            if (a[r][f] != b[r][f])
                return QStringLiteral("row %1 field %2: '%3' against '%4'")
                    .arg(r)
                    .arg(f)
                    .arg(QString::fromUtf8(a[r][f].substr(0, 80)),
                         QString::fromUtf8(b[r][f].substr(0, 80)));
    }
    return {};
}

#define COMPARE_ROWS(actual, expected)                                                             \
    do {                                                                                           \
        const QString diff_ = firstDifference(actual, expected);                                   \
        QVERIFY2(diff_.isEmpty(), qPrintable(diff_));                                              \
    } while (false)

QString schemaOf(const Fields& fields) {
    QStringList parts;
    for (const FieldDef& f : fields)
        parts << QStringLiteral("%1:%2:%3")
                     .arg(QString::fromStdString(f.name))
                     .arg(static_cast<int>(f.type))
                     .arg(f.size);
    return parts.join(QLatin1Char(' '));
}

using Values = std::vector<std::optional<std::string>>;

void appendRow(Table& t, const Values& values) {
    t.append();
    for (std::size_t f = 0; f < values.size(); ++f)
        if (values[f])
            t.setText(static_cast<int>(f), *values[f]);
    t.post();
}

// Every field type, national letters, limits and empty values, in three rows.
void fillSample(Table& t) {
    t.create({{"Kunstner", S, 30}, {"Nr", I, 0}, {"Num", A, 0}, {"Pris", C, 0}, {"Notat", M, 35}});
    appendRow(t, {"Ääliö Åse", "1", std::nullopt, "12.5", "muistio\nrivi"});
    appendRow(t, {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt});
    appendRow(t, {"€ 😀 Øresund", "-2147483648", "7", "-0.1", "Don't"});
}

// UTF-8 text of n characters mixing one- to four-byte characters.
std::string mixedText(std::size_t n, unsigned seed) {
    static const char* const pool[] = {"a", "Z", " ", "\n", "ä", "Ö", "å", "ø", "€", "😀", "🎸"};
    std::mt19937 rng(seed);
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += pool[rng() % std::size(pool)];
    return s;
}

// The file layout written out by hand, so that damage can be placed exactly.
QByteArray le(quint64 v, int bytes) {
    QByteArray b;
    for (int i = 0; i < bytes; ++i)
        b += static_cast<char>((v >> (8 * i)) & 0xFF);
    return b;
}

QByteArray varint(quint64 v) {
    QByteArray b;
    while (v >= 0x80) {
        b += static_cast<char>((v & 0x7F) | 0x80);
        v >>= 7;
    }
    return b + static_cast<char>(v);
}

QByteArray fieldDef(int type, quint64 size, const QByteArray& name) {
    return le(static_cast<quint64>(type), 1) + le(size, 4) + varint(name.size()) + name;
}

QByteArray value(const QByteArray& payload) {
    return varint(payload.size() + 1) + payload;
}

const QByteArray kNoValue(1, '\0');

QByteArray entry(const QByteArray& blob) {
    return varint(blob.size()) + blob;
}

QByteArray image(quint64 fieldCount, const QByteArray& defs, quint64 rowCount,
                 const QByteArray& rows, quint64 version = 1) {
    const QByteArray body = QByteArray("LVHTAB\r\n") + le(version, 4) + le(fieldCount, 4) + defs +
                            le(rowCount, 8) + rows;
    return body + le(engine::crc32c(std::string_view(body.constData(), body.size())), 4);
}

// Name string(10), Nr integer, Pris currency.
const QByteArray kDefs = fieldDef(1, 10, "Name") + fieldDef(2, 0, "Nr") + fieldDef(4, 0, "Pris");
const QByteArray kRow = value("abc") + value(le(5, 4)) + kNoValue;

std::string toStd(const QByteArray& b) {
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

// Lowers this process's file size limit, so that write() fails the way it does on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = old_;
        lower.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*handler_)(int) = nullptr;
};

} // namespace

class TestTableFile : public QObject {
    Q_OBJECT

private slots:
    void checksumKnownValues_data();
    void checksumKnownValues();
    void checksumChainsAcrossPieces();

    void valueRoundTrip_data();
    void valueRoundTrip();
    void fieldDefinitionsRoundTrip_data();
    void fieldDefinitionsRoundTrip();
    void rowOrderEditsAndDeletesRoundTrip();
    void savedIndexOrders_data();
    void savedIndexOrders();
    void saveWritesPostedRowsOnly();
    void autoIncrementContinuesAfterLoad();
    void largeMemosRoundTrip();

    void saveTargets_data();
    void saveTargets();
    void saveKeepsReplacedFileAsBackup();
    void failedSaveLeavesFileIntact_data();
    void failedSaveLeavesFileIntact();
    void failedSyncNamesTheFileOnce();
    void saveKeepsTheMode_data();
    void saveKeepsTheMode();
    void leftoversOfInterruptedSaves();

    void truncatedFileRaises();
    void truncatedLargeFileRaises();
    void flippedByteRaises();
    void flippedByteWithValidChecksumNeverCrashes();
    void foreignFile_data();
    void foreignFile();
    void namedPipeIsRefusedWithoutWaiting();
    void decodeAccepts_data();
    void decodeAccepts();
    void decodeRejects_data();
    void decodeRejects();
    void failedLoadKeepsTable_data();
    void failedLoadKeepsTable();

    // Last: undefined behaviour here aborts the whole run in the sanitizer build.
    void autoIncrementAtMaximumLoads();
};

// ------------------------------------------------------------------------------ checksum

void TestTableFile::checksumKnownValues_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint32>("crc");
    QTest::newRow("empty input") << QByteArray() << 0u;
    QTest::newRow("check string 123456789") << QByteArray("123456789") << 0xE3069283u;
    QTest::newRow("32 zero bytes") << QByteArray(32, '\0') << 0x8A9136AAu;
    QTest::newRow("32 bytes 0xFF") << QByteArray(32, '\xFF') << 0x62A8AB43u;
    QByteArray ascending;
    for (int i = 0; i < 32; ++i)
        ascending += static_cast<char>(i);
    QTest::newRow("32 ascending bytes") << ascending << 0x46DD794Eu;
}

void TestTableFile::checksumKnownValues() {
    QFETCH(QByteArray, bytes);
    QFETCH(quint32, crc);
    QCOMPARE(engine::crc32c(std::string_view(bytes.constData(), bytes.size())), crc);
}

void TestTableFile::checksumChainsAcrossPieces() {
    // The writer checksums its buffer piece by piece; the reader checksums the whole file.
    const std::string text = mixedText(100, 3);
    const std::uint32_t whole = engine::crc32c(text);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        const std::string_view v(text);
        QCOMPARE(engine::crc32c(v.substr(cut), engine::crc32c(v.substr(0, cut))), whole);
    }
    // Large inputs are checksummed in stripes side by side; small pieces one after another.
    std::string large;
    for (int i = 0; large.size() < 100'000; ++i)
        large += mixedText(100, static_cast<unsigned>(i));
    std::uint32_t chained = 0;
    for (std::size_t at = 0; at < large.size(); at += 997)
        chained = engine::crc32c(std::string_view(large).substr(at, 997), chained);
    QCOMPARE(engine::crc32c(large), chained);
    const std::size_t cut = 3 * 4096 + 5;
    QCOMPARE(engine::crc32c(std::string_view(large).substr(cut),
                            engine::crc32c(std::string_view(large).substr(0, cut))),
             chained);
}

// ------------------------------------------------------------------------------ round trips

void TestTableFile::valueRoundTrip_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("assign");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QByteArray>("expected");

    auto row = [](const char* name, FieldType type, int size, std::optional<QByteArray> input,
                  bool empty, const QByteArray& expected) {
        QTest::newRow(name) << static_cast<int>(type) << size << input.has_value()
                            << input.value_or(QByteArray()) << empty << expected;
    };
    const QByteArray ae = "ä";
    const QByteArray smile = "😀";

    row("string plain", S, 30, "Kari Tapio", false, "Kari Tapio");
    row("string national letters", S, 30, "äöåæøÄÖÅÆØ", false, "äöåæøÄÖÅÆØ");
    row("string euro signs (3 bytes each)", S, 5, "€€€€€", false, "€€€€€");
    row("string 4-byte emoji", S, 5, "😀🎸", false, "😀🎸");
    row("string left unset is empty", S, 10, std::nullopt, true, "");
    row("string set to empty text is empty", S, 10, "", true, "");
    row("string 35 ä cut to 30 ä (characters, not bytes)", S, 30, ae.repeated(35), false,
        ae.repeated(30));
    row("string 31 emoji cut to 30 (120 bytes, 4 per character)", S, 30, smile.repeated(31), false,
        smile.repeated(30));
    row("string cut after a multi-byte character", S, 3, "aä€😀", false, "aä€");
    row("string of size 1 holds one emoji", S, 1, "😀x", false, "😀");
    row("string invalid UTF-8 bytes count one character each", S, 4, "\xFF\xFE\xFD\xFC\xFB", false,
        "\xFF\xFE\xFD\xFC");
    row("string quotes, semicolon and tab", S, 30, "Don't; \"x\"\t", false, "Don't; \"x\"\t");
    row("memo national letters and line breaks", M, 35, "Ääni\nÖisin\r\nÅ\t€", false,
        "Ääni\nÖisin\r\nÅ\t€");
    row("memo longer than its declared size is kept whole", M, 35, ae.repeated(200), false,
        ae.repeated(200));
    row("memo with a NUL byte", M, 35, QByteArray("a\0b", 3), false, QByteArray("a\0b", 3));
    row("memo set to empty text is empty", M, 35, "", true, "");
    row("integer zero stays zero, not empty", I, 0, "0", false, "0");
    row("integer left unset stays empty", I, 0, std::nullopt, true, "");
    row("integer set to empty text stays empty", I, 0, "", true, "");
    row("integer negative", I, 0, "-42", false, "-42");
    row("integer INT32_MIN", I, 0, "-2147483648", false, "-2147483648");
    row("integer INT32_MAX", I, 0, "2147483647", false, "2147483647");
    row("auto-increment given a value keeps it", A, 0, "-5", false, "-5");
    row("auto-increment zero stays zero", A, 0, "0", false, "0");
    row("auto-increment INT32_MIN", A, 0, "-2147483648", false, "-2147483648");
    row("auto-increment left unset is numbered 1", A, 0, std::nullopt, false, "1");
    row("currency 0.1", C, 0, "0.1", false, "0.1");
    row("currency -12.5", C, 0, "-12.5", false, "-12.5");
    row("currency 1e9", C, 0, "1e9", false, "1000000000");
    row("currency many digits", C, 0, "1234567.8912345678", false, "1234567.8912345678");
    row("currency 1e300", C, 0, "1e300", false, "1e300");
    row("currency zero stays zero, not empty", C, 0, "0", false, "0");
    row("currency left unset stays empty", C, 0, std::nullopt, true, "");
}

void TestTableFile::valueRoundTrip() {
    QFETCH(int, type);
    QFETCH(int, size);
    QFETCH(bool, assign);
    QFETCH(QByteArray, input);
    QFETCH(bool, empty);
    QFETCH(QByteArray, expected);
    const auto fieldType = static_cast<FieldType>(type);

    // Neighbours on both sides show that the value's length was read back right.
    Table t;
    t.create({{"Ennen", S, 5}, {"Arvo", fieldType, size}, {"Jälkeen", I, 0}});
    t.append();
    t.setText(0, "x");
    if (assign)
        t.setText(1, toStd(input));
    t.setInteger(2, 7);
    t.post();

    const auto check = [&](const Table& table) {
        QCOMPARE(table.isNull(1), empty);
        if (fieldType == C) {
            const double want = expected.isEmpty() ? 0.0 : std::stod(toStd(expected));
            QCOMPARE(std::bit_cast<quint64>(table.asFloat(1)), std::bit_cast<quint64>(want));
        } else {
            QCOMPARE(QByteArray::fromStdString(table.asText(1)), expected);
        }
        QCOMPARE(table.asText(0), std::string("x"));
        QCOMPARE(table.asInteger(2), 7);
    };
    check(t);
    if (QTest::currentTestFailed())
        return;

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    t.save(path);
    Table loaded;
    loaded.load(path);
    QCOMPARE(loaded.recordCount(), 1);
    check(loaded);
}

void TestTableFile::fieldDefinitionsRoundTrip_data() {
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<bool>("pastFileLimit");

    QTest::newRow("every type, national names")
        << Fields{{"Kunstner", S, 30}, {"Ääni", S, 1},  {"Määrä", I, 0},
                  {"Juokseva", A, 0},  {"Hinta", C, 0}, {"Muistio", M, 35}}
        << false;
    QTest::newRow("one field") << Fields{{"A", S, 1}} << false;
    QTest::newRow("largest string size 65535") << Fields{{"Pitkä", S, 65535}} << false;
    Fields many;
    for (int i = 0; i < 1024; ++i)
        many.push_back({"F" + std::to_string(i), i % 2 ? I : S, 3});
    QTest::newRow("1024 fields") << many << false;
    QTest::newRow("name of 128 bytes") << Fields{{std::string(128, 'n'), I, 0}} << false;

    // A table the engine lets us create must either be refused or load back from its file.
    many.push_back({"F1024", I, 0});
    QTest::newRow("1025 fields: refused or loads back") << many << true;
    QTest::newRow("name of 129 bytes: refused or loads back")
        << Fields{{std::string(129, 'n'), I, 0}} << true;
    QTest::newRow("memo declared with size 70000: refused or loads back")
        << Fields{{"Muistio", M, 70000}} << true;
    QTest::newRow("integer declared with size -1: refused or loads back")
        << Fields{{"Luku", I, -1}} << true;
}

void TestTableFile::fieldDefinitionsRoundTrip() {
    QFETCH(Fields, fields);
    QFETCH(bool, pastFileLimit);

    Table t;
    const QString refused = errorOf([&] { t.create(fields); });
    if (!refused.isNull()) {
        QVERIFY2(pastFileLimit, qPrintable(refused));
        return;
    }
    t.append();
    t.setText(0, "1");
    t.post();

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    t.save(path);
    Table loaded;
    const QString error = errorOf([&] { loaded.load(path); });
    QVERIFY2(error.isNull(), qPrintable(QStringLiteral("saved, but: ") + error));
    QCOMPARE(schemaOf(loaded.fields()), schemaOf(fields));
    COMPARE_ROWS(rowsOf(loaded), rowsOf(t));
}

void TestTableFile::rowOrderEditsAndDeletesRoundTrip() {
    // An active index orders the view differently; the file keeps the order the rows were added.
    Table t;
    t.create({{"Nr", I, 0}, {"Nimi", S, 20}});
    t.addIndex("Nimi", "Nimi");
    t.setActiveIndex("Nimi");
    Rows expected;
    for (int i = 0; i < 2000; ++i) {
        const std::string name = "n" + std::to_string((i * 7919) % 2000);
        if (i % 3 == 0)
            t.insert(); // before the current row in the view; still added last
        else
            t.append();
        t.setInteger(0, i);
        t.setText(1, name);
        t.post();
        expected.push_back({std::to_string(i), name});
    }
    std::vector<bool> deleted(expected.size());
    for (int i = 0; i < 2000; i += 5) {
        QVERIFY(t.locate("Nr", std::to_string(i)));
        t.deleteRecord();
        deleted[static_cast<std::size_t>(i)] = true;
    }
    for (int i = 3; i < 2000; i += 7) {
        if (deleted[static_cast<std::size_t>(i)])
            continue;
        QVERIFY(t.locate("Nr", std::to_string(i)));
        t.edit();
        t.setText(1, "muutettu " + std::to_string(i));
        t.post();
        expected[static_cast<std::size_t>(i)][1] = "muutettu " + std::to_string(i);
    }
    Rows kept;
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (!deleted[i])
            kept.push_back(expected[i]);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    t.save(path);
    Table loaded;
    loaded.load(path);
    COMPARE_ROWS(rowsOf(loaded), kept);
}

void TestTableFile::savedIndexOrders_data() {
    QTest::addColumn<QString>("change"); // made to the saved order of the index, checksum mended
    QTest::addColumn<bool>("sortedAgain");
    QTest::newRow("as saved") << QString() << true;
    QTest::newRow("two equal keys swapped, still in order") << QStringLiteral("tie") << false;
    QTest::newRow("reversed: every row once, out of order") << QStringLiteral("reversed") << true;
    QTest::newRow("a row twice") << QStringLiteral("twice") << true;
    QTest::newRow("a place past the last row") << QStringLiteral("outside") << true;
    QTest::newRow("ordered under another collation") << QStringLiteral("collation") << true;
}

// A saved index order is taken as it stands, so a load need not sort; one that does not hold
// every row once, is out of order, or was made under other collation rules, is sorted afresh.
// Each change but the tie also reverses the saved order; the tie's two rows differ outside the
// key, which shows whether it was taken.
void TestTableFile::savedIndexOrders() {
    QFETCH(QString, change);
    QFETCH(bool, sortedAgain);
    Table t;
    t.create({{"Nr", I, 0}, {"Nimi", S, 20}, {"Muu", I, 0}});
    t.addIndex("Nimi", "Nimi;Nr");
    t.setActiveIndex("Nimi");
    for (int i = 0; i < 1500; ++i) { // blocks of the order split on the way
        t.insert();
        t.setInteger(0, i % 10);
        t.setText(1, std::string(i % 3 ? "ä" : "A") + std::to_string((i * 7919) % 1500));
        t.post();
    }
    for (int i = 0; i < 200; ++i) {
        t.moveTo(i * 5);
        t.deleteRecord();
    }
    for (int muu : {1, 2}) {
        t.insert();
        t.setText(1, "tasan");
        t.setInteger(2, muu);
        t.post();
    }
    const Rows sorted = rowsOf(t);
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    t.save(path);

    std::string bytes = readAll(path);
    const std::size_t keyAt = bytes.rfind("fields 1 0 collation ");
    QVERIFY(keyAt != std::string::npos);
    const std::size_t keyEnd =
        keyAt + static_cast<std::size_t>(bytes[keyAt - 1]); // one-byte length
    const std::size_t rows = sorted.size();
    QCOMPARE(bytes.size(), keyEnd + 4 * rows + 4);
    auto place = [&](std::size_t i) { return bytes.substr(keyEnd + 4 * i, 4); };
    Rows want = sorted;
    if (change == QLatin1String("tie")) {
        const auto tie = std::find_if(sorted.begin(), sorted.end(),
                                      [](const auto& row) { return row[1] == "tasan"; });
        const std::size_t at = static_cast<std::size_t>(tie - sorted.begin());
        const std::string first = place(at);
        bytes.replace(keyEnd + 4 * at, 4, place(at + 1));
        bytes.replace(keyEnd + 4 * (at + 1), 4, first);
        bytes = withChecksum(bytes);
        std::swap(want[at], want[at + 1]);
    } else if (!change.isEmpty()) {
        std::string reversed;
        for (std::size_t i = rows; i-- > 0;)
            reversed += place(i);
        bytes.replace(keyEnd, 4 * rows, reversed);
        if (change == QLatin1String("twice"))
            bytes.replace(keyEnd, 4, place(1));
        else if (change == QLatin1String("outside"))
            bytes.replace(keyEnd, 4, std::string("\xff\xff\0\0", 4));
        else if (change == QLatin1String("collation"))
            bytes[keyEnd - 1] = '~'; // the rules' version
        bytes = withChecksum(bytes);
    }
    writeAll(path, bytes);
    Table loaded;
    loaded.load(path);
    loaded.addIndex("Nimi", "Nimi;Nr");
    loaded.setActiveIndex("Nimi");
    if (sortedAgain)
        want = sorted;
    COMPARE_ROWS(rowsOf(loaded), want);
}

void TestTableFile::saveWritesPostedRowsOnly() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    Table t;
    fillSample(t);
    const Rows posted = rowsOf(t);

    t.first();
    t.edit();
    t.setText(0, "kesken");
    t.save(path);
    QCOMPARE(t.state(), engine::TableState::Edit); // saving does not end the edit
    QCOMPARE(t.asText(0), std::string("kesken"));
    Table loaded;
    loaded.load(path);
    COMPARE_ROWS(rowsOf(loaded), posted);

    t.cancel();
    t.append();
    t.setText(0, "uusi");
    t.save(path);
    QCOMPARE(t.state(), engine::TableState::Insert);
    loaded.load(path);
    COMPARE_ROWS(rowsOf(loaded), posted);
}

void TestTableFile::autoIncrementContinuesAfterLoad() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    Table t;
    t.create({{"Nr", A, 0}, {"Nimi", S, 10}});
    appendRow(t, {std::nullopt, "a"});
    appendRow(t, {std::nullopt, "b"});
    appendRow(t, {"5", "c"});
    appendRow(t, {"-9", "d"});
    t.save(path);

    Table loaded;
    loaded.load(path);
    appendRow(loaded, {std::nullopt, "e"});
    loaded.last();
    QCOMPARE(loaded.asText(0), std::string("6"));
}

void TestTableFile::largeMemosRoundTrip() {
    // Larger than the writer's 1 MB buffer and the reader's 4 MB step, so the file is written,
    // checksummed and read in pieces.
    Table t;
    t.create({{"Nimi", S, 10}, {"Muistio", M, 35}});
    appendRow(t, {"yksi", mixedText(1 << 20, 1)});
    appendRow(t, {"kolme", mixedText(3 << 20, 2)});
    appendRow(t, {"tyhjä", std::nullopt});
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    t.save(path);
    QVERIFY(fs::file_size(path) > (4u << 20));
    Table loaded;
    loaded.load(path);
    COMPARE_ROWS(rowsOf(loaded), rowsOf(t));
}

// ------------------------------------------------------------------------------ saving

void TestTableFile::saveTargets_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("fromCurrentFolder");
    QTest::newRow("file in an existing folder") << QStringLiteral("t.dat") << false;
    QTest::newRow("missing folder is created") << QStringLiteral("uusi/t.dat") << false;
    QTest::newRow("nested missing folders are created") << QStringLiteral("a/b/c/t.dat") << false;
    QTest::newRow("national letters and spaces in the path")
        << QStringLiteral("Levyt ÄÖ/Lydsam €.dat") << false;
    QTest::newRow("relative path in the current folder") << QStringLiteral("t.dat") << true;
}

void TestTableFile::saveTargets() {
    QFETCH(QString, relative);
    QFETCH(bool, fromCurrentFolder);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString full = dir.filePath(relative);
    Table t;
    fillSample(t);

    if (fromCurrentFolder) {
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const QString error = errorOf([&] { t.save(relative.toStdString()); });
        QDir::setCurrent(before);
        QVERIFY2(error.isNull(), qPrintable(error));
    } else {
        t.save(full.toStdString());
    }
    Table loaded;
    loaded.load(full.toStdString());
    COMPARE_ROWS(rowsOf(loaded), rowsOf(t));
    const std::string folder = QFileInfo(full).absolutePath().toStdString();
    QCOMPARE(entriesOf(folder), QStringList{QFileInfo(full).fileName()});
}

void TestTableFile::saveKeepsReplacedFileAsBackup() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string folder = dir.path().toStdString();
    const std::string path = folder + "/t.dat";
    Table t;
    fillSample(t);
    t.save(path);
    const std::string first = readAll(path);

    // Loaded from the path it is saved back to.
    Table u;
    u.load(path);
    appendRow(u, {"toinen", "2", std::nullopt, "1", std::nullopt});
    u.save(path);
    const std::string second = readAll(path);
    QVERIFY(second != first);
    QVERIFY(readAll(path + ".bak") == first);

    appendRow(u, {"kolmas", "3", std::nullopt, "1", std::nullopt});
    u.save(path);
    QVERIFY(readAll(path + ".bak") == second);
    QCOMPARE(entriesOf(folder),
             (QStringList{QStringLiteral("t.dat"), QStringLiteral("t.dat.bak")}));

    Table fromBackup;
    fromBackup.load(path + ".bak");
    QCOMPARE(fromBackup.recordCount(), 4);
    Table current;
    current.load(path);
    COMPARE_ROWS(rowsOf(current), rowsOf(u));
}

enum class SaveBlock { ParentIsFile, TargetIsFolder, BackupNameIsFolder, WriteFails };

void TestTableFile::failedSaveLeavesFileIntact_data() {
    QTest::addColumn<int>("block");
    QTest::newRow("a folder in the path is a regular file")
        << static_cast<int>(SaveBlock::ParentIsFile);
    QTest::newRow("the target is a folder") << static_cast<int>(SaveBlock::TargetIsFolder);
    QTest::newRow("the backup name is taken by a folder")
        << static_cast<int>(SaveBlock::BackupNameIsFolder);
    QTest::newRow("writing fails part way (file size limit, like a full disk)")
        << static_cast<int>(SaveBlock::WriteFails);
}

void TestTableFile::failedSaveLeavesFileIntact() {
    QFETCH(int, block);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string folder = dir.path().toStdString();
    std::string path = folder + "/t.dat";

    Table old;
    fillSample(old);
    old.save(path);
    const std::string oldBytes = readAll(path);

    Table t;
    fillSample(t);
    appendRow(t, {"iso", std::nullopt, std::nullopt, std::nullopt, mixedText(20000, 4)});
    const Rows rows = rowsOf(t);

    QString error;
    switch (static_cast<SaveBlock>(block)) {
    case SaveBlock::ParentIsFile:
        path += "/sisällä.dat";
        error = errorOf([&] { t.save(path); });
        break;
    case SaveBlock::TargetIsFolder:
        fs::remove(path);
        fs::create_directory(path);
        writeAll(path + "/sisältö", "x");
        error = errorOf([&] { t.save(path); });
        QVERIFY(fs::is_directory(path));
        QCOMPARE(readAll(path + "/sisältö"), std::string("x"));
        break;
    case SaveBlock::BackupNameIsFolder:
        fs::create_directory(path + ".bak");
        writeAll(path + ".bak/sisältö", "x");
        error = errorOf([&] { t.save(path); });
        QVERIFY(readAll(path) == oldBytes);
        break;
    case SaveBlock::WriteFails: {
        FileSizeLimit limit(4096);
        error = errorOf([&] { t.save(path); });
    }
        QVERIFY(readAll(path) == oldBytes);
        break;
    }
    QVERIFY2(!error.isNull(), "the save reported success");
    QVERIFY2(error.contains(QString::fromStdString(path)), qPrintable(error));
    QVERIFY2(!hasTempLeftovers(folder), "a temporary file was left behind");
    QVERIFY(t.isOpen());
    COMPARE_ROWS(rowsOf(t), rows);
}

void TestTableFile::failedSyncNamesTheFileOnce() {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    Table t;
    fillSample(t);
    t.save(path);
    const std::string before = readAll(path);
    appendRow(t, {"uusi", std::nullopt, std::nullopt, std::nullopt, std::nullopt});
    const IoFault fault;
    QCOMPARE(errorOf([&] { t.save(path); }),
             QStringLiteral("Cannot write table file '%1': Input/output error")
                 .arg(QString::fromStdString(path)));
    QVERIFY(readAll(path) == before);
    QVERIFY(!hasTempLeftovers(dir.path().toStdString()));
}

void TestTableFile::saveKeepsTheMode_data() {
    QTest::addColumn<int>("existing"); // -1: no file yet
    QTest::addColumn<int>("mode");
    QTest::newRow("a private file stays private") << 0600 << 0600;
    QTest::newRow("group-readable stays so") << 0640 << 0640;
    QTest::newRow("a new file follows the umask (077)") << -1 << 0600;
}

void TestTableFile::saveKeepsTheMode() {
    QFETCH(int, existing);
    QFETCH(int, mode);
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    Table t;
    fillSample(t);
    if (existing >= 0) {
        t.save(path);
        QCOMPARE(::chmod(path.c_str(), static_cast<mode_t>(existing)), 0);
    }
    const mode_t old = ::umask(077);
    t.save(path);
    ::umask(old);
    QCOMPARE(static_cast<int>(fs::status(path).permissions()), mode);
}

void TestTableFile::leftoversOfInterruptedSaves() {
    QTemporaryDir dir;
    const auto cutOff = fs::file_time_type::clock::now();
    for (const char* name : {"t.dat", "t.dat.tmp-aB3xY9", "t.dat.tmp-new123", "u.dat.tmp-aB3xY9",
                             "t.dat.tmp-aB3xY9z", "t.dat.tmp-kopio!"}) {
        const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
        writeAll(path, "x");
        const bool recent = std::string_view(name).ends_with("new123");
        fs::last_write_time(path, cutOff + std::chrono::minutes(recent ? 1 : -1));
    }
    fs::create_directory(dir.filePath(QStringLiteral("t.dat.tmp-folder")).toStdString());
    QCOMPARE(engine::tablefile::removeLeftovers(dir.filePath(QStringLiteral("t.dat")).toStdString(),
                                                cutOff),
             1);
    // Only the old one of this table's: not one still being written, nor anything else.
    QVERIFY(!entriesOf(dir.path().toStdString()).contains(QStringLiteral("t.dat.tmp-aB3xY9")));
    QCOMPARE(entriesOf(dir.path().toStdString()).size(), 6);
}

// ------------------------------------------------------------------------------ damaged files

void TestTableFile::truncatedFileRaises() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string good = dir.filePath(QStringLiteral("good.dat")).toStdString();
    const std::string cut = dir.filePath(QStringLiteral("cut.dat")).toStdString();
    Table sample;
    fillSample(sample);
    sample.save(good);
    const std::string bytes = readAll(good);
    const Rows rows = rowsOf(sample);

    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const std::string_view part = std::string_view(bytes).substr(0, n);
        writeAll(cut, part);
        const QString error = errorOf([&] { sample.load(cut); });
        QVERIFY2(!error.isNull(), qPrintable(QStringLiteral("%1 bytes loaded").arg(n)));
        QVERIFY2(error.contains(QString::fromStdString(cut)), qPrintable(error));
        QVERIFY2(!errorOf([&] { decodeCopy(part, false); }).isNull(),
                 qPrintable(QStringLiteral("%1 bytes decoded without the checksum").arg(n)));
    }
    COMPARE_ROWS(rowsOf(sample), rows);
}

void TestTableFile::truncatedLargeFileRaises() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    Table t;
    fillSample(t);
    appendRow(t, {"iso", std::nullopt, std::nullopt, std::nullopt, mixedText(1 << 20, 5)});
    for (int i = 0; i < 300; ++i)
        appendRow(t, {"r" + std::to_string(i), std::to_string(i), std::nullopt, "0.5", "m"});
    t.save(path);
    const std::string bytes = readAll(path);

    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n < 64; ++n) {
        lengths.push_back(n);
        lengths.push_back(bytes.size() - 1 - n);
    }
    std::mt19937 rng(11);
    for (int i = 0; i < 100; ++i)
        lengths.push_back(rng() % bytes.size());
    for (std::size_t n : lengths) {
        const std::string_view part = std::string_view(bytes).substr(0, n);
        QVERIFY2(!errorOf([&] { decodeCopy(part, true); }).isNull(),
                 qPrintable(QStringLiteral("%1 bytes decoded").arg(n)));
        QVERIFY2(!errorOf([&] { decodeCopy(part, false); }).isNull(),
                 qPrintable(QStringLiteral("%1 bytes decoded without the checksum").arg(n)));
    }
}

void TestTableFile::flippedByteRaises() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    Table sample;
    fillSample(sample);
    sample.save(path);
    const std::string bytes = readAll(path);

    for (std::size_t at = 0; at < bytes.size(); ++at) {
        for (unsigned char mask : {0x01, 0x80, 0xFF}) {
            std::string damaged = bytes;
            damaged[at] = static_cast<char>(damaged[at] ^ mask);
            writeAll(path, damaged);
            Table t;
            const QString error = errorOf([&] { t.load(path); });
            QVERIFY2(!error.isNull(),
                     qPrintable(QStringLiteral("byte %1 ^ %2 loaded").arg(at).arg(mask)));
            QVERIFY2(error.contains(QString::fromStdString(path)), qPrintable(error));
            QVERIFY(!t.isOpen());
        }
    }
}

void TestTableFile::flippedByteWithValidChecksumNeverCrashes() {
    // Damage the checksum cannot see: whatever the structure checks let through must be
    // usable by the table (the sanitizer build checks every read).
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    Table sample;
    fillSample(sample);
    sample.save(path);
    const std::string bytes = readAll(path);

    int loaded = 0;
    int refused = 0;
    for (std::size_t at = 0; at + 4 < bytes.size(); ++at) {
        for (unsigned char mask : {0x01, 0x80, 0xFF}) {
            std::string damaged = bytes;
            damaged[at] = static_cast<char>(damaged[at] ^ mask);
            damaged = withChecksum(damaged);
            if (!errorOf([&] { decodeCopy(damaged, false); }).isNull()) {
                ++refused;
                continue;
            }
            writeAll(path, damaged);
            Table t;
            t.load(path);
            ++loaded;
            rowsOf(t);
            for (int f = 0; f < t.fieldCount(); ++f) {
                const std::string name = "i" + std::to_string(f);
                if (errorOf([&] { t.addIndex(name, t.fields()[std::size_t(f)].name); }).isNull())
                    t.setActiveIndex(name);
                for (t.first(); !t.eof(); t.next())
                    t.asText(f);
            }
        }
    }
    QVERIFY(loaded > 0);
    QVERIFY(refused > 0);
}

void TestTableFile::foreignFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    const QString file = QStringLiteral("file");
    const QString notOurs = QStringLiteral("not a Levyholvi table file");
    QTest::newRow("empty file") << file << QByteArray() << notOurs;
    QTest::newRow("text file") << file << QByteArray("Kunstner;Titel\nABBA;Gold\n") << notOurs;
    QTest::newRow("PNG image") << file
                               << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10",
                                             24)
                               << notOurs;
    QTest::newRow("magic only") << file << QByteArray("LVHTAB\r\n") << QStringLiteral("too early");
    QTest::newRow("magic and version only")
        << file << QByteArray("LVHTAB\r\n\x01\0\0\0", 12) << QStringLiteral("too early");
    QTest::newRow("a later format version")
        << file << image(3, kDefs, 1, entry(kRow), 3) << QStringLiteral("version 3");
    QByteArray badSum = image(3, kDefs, 1, entry(kRow));
    badSum[badSum.size() - 1] = static_cast<char>(badSum.back() ^ 0x40);
    QTest::newRow("only the checksum is wrong") << file << badSum << QStringLiteral("checksum");
    QTest::newRow("missing file") << QStringLiteral("missing") << QByteArray()
                                  << QStringLiteral("Cannot open");
    QTest::newRow("a folder") << QStringLiteral("folder") << QByteArray()
                              << QStringLiteral("not a regular file");
}

void TestTableFile::foreignFile() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("Lydsam.dat")).toStdString();
    if (kind == QStringLiteral("file"))
        writeAll(path, toStd(bytes));
    else if (kind == QStringLiteral("folder"))
        fs::create_directory(path);

    Table t;
    const QString error = errorOf([&] { t.load(path); });
    QVERIFY2(!error.isNull(), "loaded");
    QVERIFY2(error.contains(QString::fromStdString(path)), qPrintable(error));
    QVERIFY2(error.contains(expected), qPrintable(error));
    QVERIFY(!t.isOpen());
}

void TestTableFile::namedPipeIsRefusedWithoutWaiting() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("Lydsam.dat")).toStdString();
    QCOMPARE(::mkfifo(path.c_str(), 0644), 0);

    // Should the load wait for a writer on the pipe, this one lets it go after two seconds.
    std::atomic<bool> done{false};
    std::thread release([&] {
        for (int i = 0; i < 20 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        while (!done) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    QElapsedTimer timer;
    timer.start();
    Table t;
    const QString error = errorOf([&] { t.load(path); });
    const qint64 waited = timer.elapsed();
    done = true;
    release.join();

    QVERIFY2(!error.isNull(), "loaded");
    QVERIFY2(error.contains(QString::fromStdString(path)), qPrintable(error));
    QVERIFY2(waited < 1500, "the load waited for a writer on the pipe");
}

void TestTableFile::decodeAccepts_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("fields");
    QTest::addColumn<int>("rows");

    QTest::newRow("three fields, two rows")
        << image(3, kDefs, 2, entry(kRow) + entry(kRow)) << 3 << 2;
    QTest::newRow("no rows") << image(3, kDefs, 0, {}) << 3 << 0;
    QTest::newRow("every value empty")
        << image(3, kDefs, 1, entry(kNoValue + kNoValue + kNoValue)) << 3 << 1;
    QTest::newRow("string(1) holding one 4-byte character")
        << image(1, fieldDef(1, 1, "A"), 1, entry(value("😀"))) << 1 << 1;
    QTest::newRow("empty text payload")
        << image(1, fieldDef(5, 35, "M"), 1, entry(value(""))) << 1 << 1;
    QTest::newRow("integer, auto-increment and currency payloads")
        << image(3, fieldDef(2, 0, "I") + fieldDef(3, 0, "A") + fieldDef(4, 0, "C"), 1,
                 entry(value(le(1, 4)) + value(le(2, 4)) + value(le(3, 8))))
        << 3 << 1;
    QTest::newRow("memo of 100 KB")
        << image(1, fieldDef(5, 35, "M"), 1, entry(value(QByteArray(100000, 'm')))) << 1 << 1;
    QTest::newRow("size 65535") << image(1, fieldDef(1, 65535, "S"), 0, {}) << 1 << 0;
    QTest::newRow("name of 128 bytes")
        << image(1, fieldDef(2, 0, QByteArray(128, 'n')), 0, {}) << 1 << 0;
    QByteArray many;
    for (int i = 0; i < 1024; ++i)
        many += fieldDef(2, 0, "F" + QByteArray::number(i));
    QTest::newRow("1024 fields") << image(1024, many, 1, entry(kNoValue.repeated(1024))) << 1024
                                 << 1;
}

void TestTableFile::decodeAccepts() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, fields);
    QFETCH(int, rows);
    for (bool verify : {true, false}) {
        const QString error = errorOf([&] {
            const auto img = decodeCopy(toStd(bytes), verify);
            QCOMPARE(static_cast<int>(img.fields.size()), fields);
            QCOMPARE(static_cast<int>(img.rows.size()), rows);
        });
        QVERIFY2(error.isNull(), qPrintable(error));
    }
}

void TestTableFile::decodeRejects_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    const QByteArray one = entry(kRow);
    auto row = [](const char* name, const QByteArray& bytes, const char* expected) {
        QTest::newRow(name) << bytes << QString::fromUtf8(expected);
    };
    QByteArray badMagic = image(3, kDefs, 1, one);
    badMagic[0] = 'X';
    row("wrong magic", badMagic, "not a Levyholvi table file");
    row("format version 0", image(3, kDefs, 1, one, 0), "version 0");
    row("field count 0", image(0, {}, 0, {}), "field count");
    QByteArray many;
    for (int i = 0; i < 1025; ++i)
        many += fieldDef(2, 0, "F" + QByteArray::number(i));
    row("field count 1025", image(1025, many, 0, {}), "field count");
    row("field count 0xFFFFFFFF", image(0xFFFFFFFF, kDefs, 1, one), "field count");
    row("field count beyond the definitions", image(4, kDefs, 1, one), "");
    row("type byte 0", image(1, fieldDef(0, 0, "A"), 0, {}), "unknown type");
    row("type byte 6", image(1, fieldDef(6, 0, "A"), 0, {}), "unknown type");
    row("type byte 0xFF", image(1, fieldDef(0xFF, 0, "A"), 0, {}), "unknown type");
    row("string size 0", image(1, fieldDef(1, 0, "A"), 0, {}), "invalid size");
    row("size 65536", image(1, fieldDef(1, 65536, "A"), 0, {}), "invalid size");
    row("name length 0", image(1, fieldDef(2, 0, ""), 0, {}), "invalid name");
    row("name length 129", image(1, fieldDef(2, 0, QByteArray(129, 'n')), 0, {}), "invalid name");
    row("name runs past the end", image(1, le(2, 1) + le(0, 4) + varint(100) + "lyhyt", 0, {}),
        "too early");
    row("duplicate field names", image(2, fieldDef(2, 0, "Nr") + fieldDef(1, 5, "Nr"), 0, {}),
        "same name");
    row("names differing only in case",
        image(2, fieldDef(2, 0, "Nr") + fieldDef(1, 5, "NR"), 0, {}), "same name");
    row("row count 2^64-1", image(3, kDefs, ~0ULL, one), "row count");
    row("row count 2^32+1", image(3, kDefs, (1ULL << 32) + 1, one), "row count");
    row("row count one more than the rows", image(3, kDefs, 2, one), "");
    row("row count one less than the rows", image(3, kDefs, 1, one + one), "unexpected bytes");
    row("bytes after the last row", image(3, kDefs, 1, one + kNoValue), "unexpected bytes");
    row("row length past the end", image(3, kDefs, 1, varint(kRow.size() + 1) + kRow), "too early");
    row("row length varint that never ends", image(3, kDefs, 1, QByteArray(11, '\x80') + kRow),
        "length");
    row("row shorter than its fields", image(3, kDefs, 1, entry(value("abc") + value(le(5, 4)))),
        "row 1 is damaged");
    row("row with a byte left over", image(3, kDefs, 1, entry(kRow + kNoValue)),
        "row 1 is damaged");
    row("integer payload of 3 bytes",
        image(3, kDefs, 1, entry(value("abc") + value(le(5, 3)) + kNoValue)), "row 1 is damaged");
    row("integer payload of 5 bytes",
        image(3, kDefs, 1, entry(value("abc") + value(le(5, 5)) + kNoValue)), "row 1 is damaged");
    row("integer payload of 0 bytes",
        image(3, kDefs, 1, entry(value("abc") + value("") + kNoValue)), "row 1 is damaged");
    row("currency payload of 4 bytes",
        image(3, kDefs, 1, entry(value("abc") + kNoValue + value(le(5, 4)))), "row 1 is damaged");
    row("auto-increment payload of 8 bytes",
        image(1, fieldDef(3, 0, "A"), 1, entry(value(le(5, 8)))), "row 1 is damaged");
    row("field length past the row's end",
        image(3, kDefs, 1, entry(varint(50) + "abc" + kNoValue + kNoValue)), "row 1 is damaged");
    row("field length varint that never ends", image(3, kDefs, 1, entry(QByteArray(11, '\x81'))),
        "row 1 is damaged");
    row("string of more than 4 bytes per character",
        image(3, kDefs, 1, entry(value(QByteArray(41, 'x')) + kNoValue + kNoValue)),
        "row 1 is damaged");
    row("string of more characters than its size",
        image(3, kDefs, 1, entry(value(QByteArray(11, 'x')) + kNoValue + kNoValue)),
        "row 1 is damaged");
    row("second row damaged is named", image(3, kDefs, 2, one + entry(kRow.left(kRow.size() - 1))),
        "row 2 is damaged");
}

void TestTableFile::decodeRejects() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    // The checksum is right, so the structure checks alone must find the damage.
    for (bool verify : {false, true}) {
        const QString error = errorOf([&] { decodeCopy(toStd(bytes), verify); });
        QVERIFY2(!error.isNull(), verify ? "decoded" : "decoded without the checksum");
        QVERIFY2(error.contains(expected), qPrintable(error));
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    writeAll(path, toStd(bytes));
    Table t;
    const QString error = errorOf([&] { t.load(path); });
    QVERIFY2(error.contains(QString::fromStdString(path)), qPrintable(error));
}

void TestTableFile::failedLoadKeepsTable_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("cut");
    QTest::addColumn<int>("flip");
    const QString file = QStringLiteral("file");
    QTest::newRow("truncated by one byte") << file << 1 << 0;
    QTest::newRow("header byte flipped") << file << 0 << 9;
    QTest::newRow("last row byte flipped") << file << 0 << -6;
    QTest::newRow("empty file") << file << -1 << 0;
    QTest::newRow("missing file") << QStringLiteral("missing") << 0 << 0;
    QTest::newRow("a folder") << QStringLiteral("folder") << 0 << 0;
}

void TestTableFile::failedLoadKeepsTable() {
    QFETCH(QString, kind);
    QFETCH(int, cut);
    QFETCH(int, flip);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    if (kind == QStringLiteral("file")) {
        Table other;
        other.create({{"Muu", I, 0}});
        appendRow(other, {"1"});
        other.save(path);
        std::string bytes = readAll(path);
        bytes.resize(cut < 0 ? 0 : bytes.size() - static_cast<std::size_t>(cut));
        if (flip != 0) {
            const std::size_t at = flip > 0 ? static_cast<std::size_t>(flip)
                                            : bytes.size() - static_cast<std::size_t>(-flip);
            bytes[at] = static_cast<char>(bytes[at] ^ 0x10);
        }
        writeAll(path, bytes);
    } else if (kind == QStringLiteral("folder")) {
        fs::create_directory(path);
    }

    Table t;
    fillSample(t);
    t.addIndex("Kunstner", "Kunstner");
    t.setActiveIndex("Kunstner");
    t.moveTo(1);
    const Rows rows = rowsOf(t);
    const int changes = t.changeCount();

    QVERIFY(!errorOf([&] { t.load(path); }).isNull());
    QVERIFY(t.isOpen());
    QCOMPARE(t.state(), engine::TableState::Browse);
    QCOMPARE(t.fieldCount(), 5);
    QCOMPARE(t.fields()[0].name, std::string("Kunstner"));
    QCOMPARE(t.activeIndex(), std::string("Kunstner"));
    QCOMPARE(t.currentDisplayRow(), 1);
    QCOMPARE(t.changeCount(), changes);
    COMPARE_ROWS(rowsOf(t), rows);
}

void TestTableFile::autoIncrementAtMaximumLoads() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    Table t;
    t.create({{"Nr", A, 0}});
    appendRow(t, {"2147483647"});
    t.save(path);

    Table loaded;
    loaded.load(path);
    QCOMPARE(loaded.asInteger(0), INT32_MAX);
    appendRow(loaded, {std::nullopt});
    loaded.last();
    QVERIFY(loaded.asInteger(0) != INT32_MAX);
}

QTEST_APPLESS_MAIN(TestTableFile)
#include "tst_tablefile.moc"
