// The RFC 4180 reader and field writer.
#include "exchange/csv.h"
#include "exchange/records.h"

#include <QBuffer>
#include <QTest>

using exchange::csv::Reader;

namespace {

// Records as "a|b|c" lines, each with its starting line number.
QStringList readAll(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    Reader reader(buffer, "in.csv");
    QStringList out;
    std::vector<std::string> fields;
    while (reader.next(fields)) {
        QStringList parts;
        for (const std::string& f : fields)
            parts << QString::fromStdString(f);
        out << QString::number(reader.line()) + ":" + parts.join('|');
    }
    return out;
}

} // namespace

class TestCsv : public QObject {
    Q_OBJECT

private slots:
    void reads_data();
    void reads();
    void damageNamesFileAndLine_data();
    void damageNamesFileAndLine();
    void writtenFieldsReadBack_data();
    void writtenFieldsReadBack();
    void formulaGuard_data();
    void formulaGuard();
};

void TestCsv::reads_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("records");
    QTest::newRow("plain fields, LF") << QByteArray("a,b\nc,d\n") << QStringList{"1:a|b", "2:c|d"};
    QTest::newRow("CRLF and no final line end")
        << QByteArray("a,b\r\nc,d") << QStringList{"1:a|b", "2:c|d"};
    QTest::newRow("byte order mark skipped")
        << QByteArray("\xEF\xBB\xBFx,y\n") << QStringList{"1:x|y"};
    QTest::newRow("text that only starts like a byte order mark stays")
        << QByteArray("\xEF\xBB\xBB,y\n") << QStringList{"1:\uFEFB|y"};
    QTest::newRow("quoted comma, doubled quote")
        << QByteArray("\"a,b\",\"say \"\"hi\"\"\"\n") << QStringList{"1:a,b|say \"hi\""};
    QTest::newRow("line break inside quotes; next record's line counts it")
        << QByteArray("\"one\r\ntwo\",x\r\ny,z\r\n") << QStringList{"1:one\r\ntwo|x", "3:y|z"};
    QTest::newRow("empty fields and a quoted empty only field")
        << QByteArray(",,\n\"\"\n") << QStringList{"1:||", "2:"};
    QTest::newRow("blank lines carry no record")
        << QByteArray("a\n\n\r\nb\n") << QStringList{"1:a", "4:b"};
    QTest::newRow("UTF-8 of any script passes unchanged")
        << QByteArray("Ääni,Ἀθῆναι,東京\n") << QStringList{"1:Ääni|Ἀθῆναι|東京"};
    QTest::newRow("a lone carriage return is data")
        << QByteArray("a\rb,c\n") << QStringList{"1:a\rb|c"};
    // A spreadsheet's re-save: the first line past ASCII decides, the lines before it read
    // alike in either encoding.
    QTest::newRow("Windows-1252 converted, from the first line on")
        << QByteArray("a,b\nM\xF6tley Cr\xFC"
                      "e,\x80 5\n\"\xC3\xA4\"\n")
        << QStringList{"1:a|b", "2:Mötley Crüe|€ 5", "3:Ã¤"};
}

void TestCsv::reads() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, records);
    QCOMPARE(readAll(bytes), records);
}

void TestCsv::damageNamesFileAndLine_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("quote never closed")
        << QByteArray("a\nb,\"open\n\n") << "in.csv, line 2: a quoted field is not closed";
    QTest::newRow("text after a closing quote")
        << QByteArray("a\n\n\"x\"y\n")
        << "in.csv, line 3: expected a comma or a line end after a closing quote";
    QTest::newRow("UTF-8, then a line that is not")
        << QByteArray("a\n\xC3\xA4\n\"x\ny\xF6\"\n") << "in.csv, line 3: not UTF-8";
    QTest::newRow("a stray byte beside UTF-8 on the first line past ASCII")
        << QByteArray("a\nK\xC3\xA4y\xF6\n") << "in.csv, line 2: not UTF-8";
    QTest::newRow("a byte order mark promises UTF-8")
        << QByteArray("\xEF\xBB\xBFM\xF6tley\n") << "in.csv, line 1: not UTF-8";
}

void TestCsv::damageNamesFileAndLine() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    try {
        readAll(bytes);
        QFAIL("no error");
    } catch (const exchange::ReadError& e) {
        QCOMPARE(QString::fromUtf8(e.what()), message);
    }
}

void TestCsv::writtenFieldsReadBack_data() {
    QTest::addColumn<QStringList>("fields");
    // Quoting is checked through the byte-identical round trip in tst_csvtables.
    QTest::newRow("one empty field") << QStringList{""};
    QTest::newRow("empty among others") << QStringList{"", "x", ""};
}

void TestCsv::formulaGuard_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("guarded");
    for (const char* t : {"=1+1", "+358 40", "-", "@SUM(1)", "\tx", "\rx", "'=1", "''@a"})
        QTest::newRow(t) << QString::fromUtf8(t) << true;
    for (const char* t : {"", "a=b", "'", "'a", "''", "Lavatanssit '62", " =x"})
        QTest::newRow(t) << QString::fromUtf8(t) << false;
}

// Guarding a value and taking the guard off gives it back, whatever it starts with.
void TestCsv::formulaGuard() {
    QFETCH(QString, text);
    QFETCH(bool, guarded);
    const std::string value = text.toStdString();
    QCOMPARE(exchange::csv::needsFormulaGuard(value), guarded);
    const std::string cell = guarded ? "'" + value : value;
    QCOMPARE(QString::fromStdString(std::string(exchange::csv::withoutFormulaGuard(cell))), text);
}

void TestCsv::writtenFieldsReadBack() {
    QFETCH(QStringList, fields);
    std::string out;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        exchange::csv::appendField(out, fields[i].toStdString(), fields.size() == 1);
    }
    out += exchange::csv::kLineEnd;
    QCOMPARE(readAll(QByteArray::fromStdString(out)), QStringList{"1:" + fields.join('|')});
}

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
