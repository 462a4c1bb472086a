// The sample collection in samples/: the CSV tables as the CSV export writes them, with the
// links the record rules would have made.
#include "store/collection.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QtTest>

namespace {

const QString kSamples = QStringLiteral(LEVYHOLVI_TEST_SOURCE_DIR "/../../samples/");

// A plain RFC 4180 reader, so the files are checked against the format and not against the
// program's own reader.
QList<QStringList> parseCsv(const QString& text, QString* error) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, wasQuoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == u',' || c == u'\n') {
            row << field;
            field.clear();
            wasQuoted = false;
            if (c == u'\n') {
                rows << row;
                row.clear();
            }
        } else if (c == u'"' || c == u'\r' || wasQuoted) {
            *error = QStringLiteral("stray character at offset %1").arg(i);
            return {};
        } else {
            field += c;
        }
    }
    if (quoted || !field.isEmpty() || !row.isEmpty())
        *error = QStringLiteral("the last line has no line end");
    return rows;
}

struct CsvTable {
    QStringList header;
    QList<QStringList> rows;
    QString value(int row, const char* field) const {
        return rows.at(row).at(header.indexOf(QLatin1String(field)));
    }
};

CsvTable load(const char* name) {
    QFile f(kSamples + QLatin1String(name) + ".csv");
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot open %s", qPrintable(f.fileName()));
    const QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        qFatal("%s starts with a byte order mark", name);
    QString error;
    QList<QStringList> rows = parseCsv(QString::fromUtf8(bytes), &error);
    if (!error.isEmpty())
        qFatal("%s: %s", name, qPrintable(error));
    CsvTable t;
    t.header = rows.takeFirst();
    t.rows = rows;
    return t;
}

} // namespace

class TestSamples : public QObject {
    Q_OBJECT

private slots:
    void tablesFollowTheirSchemas_data() {
        QTest::addColumn<QString>("table");
        for (const store::CollectionTable& t : store::collectionTables())
            QTest::newRow(t.name) << QString::fromLatin1(t.name);
    }
    void tablesFollowTheirSchemas() {
        QFETCH(QString, table);
        const store::CollectionTable& def = store::collectionTable(table.toStdString());
        engine::Table schema;
        def.create(schema);
        const CsvTable csv = load(def.name);
        QStringList names;
        for (const engine::FieldDef& f : schema.fields())
            names << QString::fromStdString(f.name);
        QCOMPARE(csv.header, names);
        QVERIFY(!csv.rows.isEmpty());
        for (int r = 0; r < csv.rows.size(); ++r) {
            const QStringList& row = csv.rows.at(r);
            QCOMPARE(row.size(), names.size());
            for (int f = 0; f < names.size(); ++f) {
                const engine::FieldDef& field = schema.fields().at(f);
                const QString& v = row.at(f);
                const QString where =
                    QStringLiteral("%1 row %2 %3: '%4'").arg(table).arg(r + 1).arg(names.at(f), v);
                if (v.isEmpty())
                    continue;
                bool ok = true;
                if (engine::isIntegerType(field.type))
                    QVERIFY2(QString::number(v.toInt(&ok)) == v && ok, qPrintable(where));
                else if (field.type == engine::FieldType::Currency)
                    QVERIFY2(v.toDouble(&ok) >= 0 && ok && !v.contains(u','), qPrintable(where));
                else if (field.type == engine::FieldType::String)
                    QVERIFY2(v.toUcs4().size() <= field.size, qPrintable(where));
            }
        }
    }

    void rowsAreLinkedAsTheRecordRulesLinkThem() {
        const CsvTable lydsam = load("Lydsam"), arkiv = load("Arkiv"), numre = load("Numre"),
                       musiker = load("Musiker"), genre = load("Genre");
        QCOMPARE(lydsam.rows.size(), 40);
        QHash<QString, QString> titleByNum;
        QSet<QString> genres, media;
        for (const QStringList& g : genre.rows)
            genres << g.at(0);
        for (int r = 0; r < lydsam.rows.size(); ++r) {
            QCOMPARE(lydsam.value(r, "Num"), QString::number(r + 1));
            QCOMPARE(arkiv.value(r, "ArkivNr"), QString::number(r + 1));
            titleByNum.insert(lydsam.value(r, "Num"), lydsam.value(r, "Titel"));
            QVERIFY(genres.contains(lydsam.value(r, "Genre")));
            media << lydsam.value(r, "Media");
        }
        QCOMPARE(arkiv.rows.size(), lydsam.rows.size());
        QCOMPARE(media, (QSet<QString>{"CD", "MD", "LP", "MC", "SG", "78"}));
        QSet<QString> trackKeys;
        for (int r = 0; r < numre.rows.size(); ++r) {
            const QString num = numre.value(r, "Num");
            QVERIFY2(titleByNum.contains(num), qPrintable(num));
            QCOMPARE(numre.value(r, "Titel"), titleByNum.value(num));
            trackKeys << numre.value(r, "NrTitel").left(30);
        }
        const QSet<QString> releaseTitles(titleByNum.cbegin(), titleByNum.cend());
        for (int r = 0; r < musiker.rows.size(); ++r) {
            QVERIFY2(trackKeys.contains(musiker.value(r, "NrTitel")),
                     qPrintable(musiker.value(r, "NrTitel")));
            QVERIFY(releaseTitles.contains(musiker.value(r, "Titel")));
        }
    }
};

QTEST_GUILESS_MAIN(TestSamples)
#include "tst_samples.moc"
