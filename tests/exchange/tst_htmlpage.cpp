#include "engine/collation.h"
#include "engine/error.h"
#include "exchange/htmlpage.h"
#include "store/collection.h"
#include "store/coverimage.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <numeric>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

struct Collection {
    engine::Table lydsam, numre, musiker;
    Collection() {
        store::CreateLydsamTable(lydsam);
        store::CreateLydsamIndices(lydsam);
        store::CreateNumreTable(numre);
        store::CreateNumreIndices(numre);
        store::CreateMusikerTable(musiker);
        store::CreateMusikerIndices(musiker);
    }
    void release(const QString& artist, const QString& title, const QString& media, int num,
                 const QString& notes = {}) {
        lydsam.append();
        lydsam.setText("Kunstner", artist.toStdString());
        lydsam.setText("Titel", title.toStdString());
        lydsam.setText("Media", media.toStdString());
        lydsam.setInteger("Num", num);
        lydsam.setText("Notater", notes.toStdString());
        lydsam.setFloat(lydsam.fieldIndex("Pris"), 987.25);
        lydsam.post();
    }
    void track(std::optional<int> num, int number, const QString& title,
               const QString& notes = {}) {
        numre.append();
        numre.setText("Notat", notes.toStdString());
        if (num)
            numre.setInteger("Num", *num);
        numre.setInteger("Nummer", number);
        numre.setText("NrTitel", title.toStdString());
        numre.post();
    }
    void musician(const QString& trackTitle, const QString& name, const QString& instrument,
                  const QString& releaseTitle = {}) {
        musiker.append();
        musiker.setText("NrTitel", trackTitle.toStdString());
        musiker.setText("Titel", releaseTitle.toStdString());
        musiker.setText("Musiker", name.toStdString());
        musiker.setText("Instrument", instrument.toStdString());
        musiker.post();
    }
};

QString pagePath(const QTemporaryDir& dir) {
    return dir.filePath("kokoelma.html");
}

QString readPage(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

// The text between <script ... id="name"> and the next </script>.
QString block(const QString& page, const QString& id) {
    const QString open = QStringLiteral("<script type=\"application/json\" id=\"%1\">").arg(id);
    const qsizetype from = page.indexOf(open);
    if (from < 0)
        return {};
    const qsizetype start = from + open.size();
    return page.mid(start, page.indexOf("</script>", start) - start);
}

QJsonArray rows(const QString& page, const QString& id) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(block(page, id).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        qWarning() << id << error.errorString();
    return doc.array();
}

// What sits between the last occurrence of open and the close after it.
QString lastElement(const QString& page, const QString& open, const QString& close) {
    const qsizetype start = page.lastIndexOf(open) + open.size();
    return page.mid(start, page.indexOf(close, start) - start);
}

// A cover of one colour per release, so that a picture in the wrong place shows.
QColor colourOf(int num) {
    return QColor::fromHsv(num * 47 % 360, 220, 230);
}
std::string coverOf(int num, QSize size = {160, 160}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colourOf(num));
    return store::encodeCover(image);
}

// The page's pictures by release number.
QMap<int, QImage> pageCovers(const QString& page) {
    QMap<int, QImage> covers;
    for (const auto& entry : rows(page, "lh-covers")) {
        const QJsonArray pair = entry.toArray();
        covers.insert(
            pair.at(0).toInt(),
            QImage::fromData(QByteArray::fromBase64(pair.at(1).toString().toLatin1()), "JPEG"));
    }
    return covers;
}

QString hashSource(const QString& text) {
    return "'sha256-" +
           QString::fromLatin1(
               QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toBase64()) +
           "'";
}

} // namespace

class TestHtmlPage : public QObject {
    Q_OBJECT

private slots:
    // The expected orders are a Finnish user's.
    void initTestCase() { engine::collation::setLocale("fi_FI"); }

    void escaped_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "Sibelius"
                               << "Sibelius";
        QTest::newRow("ampersand first, no double escape") << "&lt;"
                                                           << "&amp;lt;";
        QTest::newRow("all five")
            << "<a href=\"x\" title='y'>&</a>"
            << "&lt;a href=&quot;x&quot; title=&#39;y&#39;&gt;&amp;&lt;/a&gt;";
        QTest::newRow("national letters kept") << "Åsa Ørsted Väyrynen"
                                               << "Åsa Ørsted Väyrynen";
    }
    void escaped() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(exchange::htmlEscaped(text), expected);
    }

    void textsSurviveExactly_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("markup") << "</script><script>alert('x')</script>";
        QTest::newRow("comment opener") << "<!-- <script>";
        QTest::newRow("quotes and backslash") << "Don't \"stop\" \\ now";
        QTest::newRow("ampersand entity look-alike") << "Tom &amp; Jerry &#39;";
        QTest::newRow("line breaks and tab") << "eka\nrivi\r\ntoka\tsarake";
        QTest::newRow("control character") << QString("a") + QChar(1) + "b";
        QTest::newRow("national letters") << "Ærø Åbo Ähtäri Öljy ĸ";
        QTest::newRow("outside the BMP") << "Levy \U0001F3B5";
        QTest::newRow("line separator") << QString("a") + QChar(0x2028) + "b";
    }
    void textsSurviveExactly() {
        QFETCH(QString, text);
        QTemporaryDir dir;
        Collection c;
        c.release(text, text, "CD", 1, text);
        c.track(1, 1, text);
        c.musician(text, text, text);
        exchange::HtmlPageOptions options;
        options.cover = [](std::int32_t num) { return coverOf(num); };
        exchange::writeHtmlPage(c.lydsam, c.numre, c.musiker, pagePath(dir), options);
        const QString page = readPage(pagePath(dir));
        QCOMPARE(pageCovers(page).keys(), QList<int>{1});
        const QJsonArray release = rows(page, "lh-releases").at(0).toArray();
        QCOMPARE(release.at(0).toString(), text.left(30)); // the artist field's size
        QCOMPARE(release.at(9).toString(), text);
        QCOMPARE(rows(page, "lh-tracks").at(0).toArray().at(2).toString(), text);
        const QJsonArray musician = rows(page, "lh-musicians").at(0).toArray();
        QCOMPARE(musician.at(0).toString(), text.left(30));
        QCOMPARE(musician.at(2).toString(), text.left(30));
        // Nothing of the markup-like texts reaches the page as markup.
        for (const QString& piece :
             QStringList{"<script>alert", "<!--", "'x'", "\"stop\"", "Tom &amp; Jerry"})
            if (text.contains(piece))
                QVERIFY2(!page.contains(piece), qPrintable(piece));
        QCOMPARE(page.count("<script"), 5);
    }

    void policyAllowsExactlyTheInlineScriptAndStyle() {
        QTemporaryDir dir;
        Collection c;
        c.release("A", "B", "LP", 1);
        exchange::HtmlPageOptions options;
        options.cover = [](std::int32_t num) { return coverOf(num); };
        exchange::writeHtmlPage(c.lydsam, c.numre, c.musiker, pagePath(dir), options);
        const QString page = readPage(pagePath(dir));
        const QRegularExpression csp(
            "<meta http-equiv=\"Content-Security-Policy\" content=\"([^\"]*)\">");
        // Pictures only from inside the page, nothing else loosened.
        QCOMPARE(
            csp.match(page).captured(1).split("; "),
            QStringList({"default-src 'none'",
                         "script-src " + hashSource(lastElement(page, "<script>", "</script>")),
                         "style-src " + hashSource(lastElement(page, "<style>", "</style>")),
                         "img-src data:", "base-uri 'none'", "form-action 'none'"}));
        QCOMPARE(pageCovers(page).size(), 1);
        // Nothing is fetched from elsewhere.
        QVERIFY(!page.contains(" src="));
        QVERIFY(!page.contains("<link"));
        QVERIFY(!page.contains("http:"));
        QVERIFY(!page.contains("https:"));
    }

    void releasesFollowTheViewOrderAndSelection_data() {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("by artist") << "Kunstner"
                                   << "" << QStringList{"Ä", "Ö", "Å"};
        QTest::newRow("by title, Finnish letters last") << "Titel"
                                                        << "" << QStringList{"Å", "Ä", "Ö"};
        QTest::newRow("selection of one medium") << "Kunstner"
                                                 << "Media = 'LP'" << QStringList{"Ö"};
    }
    void releasesFollowTheViewOrderAndSelection() {
        QFETCH(QString, index);
        QFETCH(QString, filter);
        QFETCH(QStringList, titles);
        QTemporaryDir dir;
        Collection c;
        c.release("Beta", "Ä", "CD", 1);
        c.release("Cesar", "Å", "MC", 2);
        c.release("Beta", "Ö", "LP", 3);
        c.release("Aaltonen", "Ö", "CD", 4);
        c.lydsam.setActiveIndex(index.toStdString());
        if (!filter.isEmpty()) {
            c.lydsam.setFilter(filter.toStdString());
            c.lydsam.setFiltered(true);
        }
        exchange::writeHtmlPage(c.lydsam, c.numre, c.musiker, pagePath(dir));
        const QJsonArray releases = rows(readPage(pagePath(dir)), "lh-releases");
        QStringList got;
        for (const auto& r : releases)
            if (r.toArray().at(0).toString() != "Aaltonen")
                got << r.toArray().at(1).toString();
        QCOMPARE(got, titles);
    }

    void numbersAreNumbersAndPricesStayPrivate() {
        QTemporaryDir dir;
        Collection c;
        c.release("A", "B", "CD", 42);
        c.track(42, 1, "Eka");
        c.track(std::nullopt, 2, "Orpo");
        exchange::writeHtmlPage(c.lydsam, c.numre, c.musiker, pagePath(dir));
        const QString page = readPage(pagePath(dir));
        QCOMPARE(rows(page, "lh-releases").at(0).toArray().at(8).toInt(), 42);
        const QJsonArray tracks = rows(page, "lh-tracks");
        QCOMPARE(tracks.size(), 2);
        QCOMPARE(tracks.at(0).toArray().at(0).toInt(), 42);
        QCOMPARE(tracks.at(0).toArray().at(1).toInt(), 1);
        QVERIFY(tracks.at(1).toArray().at(0).isNull()); // a track of no release
        QVERIFY(!page.contains("987"));
        QVERIFY(page.contains("<p>1 äänite</p>"));
    }

    // A page of the releases the user narrowed the window to holds nothing of the others,
    // not even through a track title they share.
    void onlyTheShownReleasesTracksAndMusicians() {
        QTemporaryDir dir;
        Collection c;
        c.release("A", "Julkinen", "CD", 1);
        c.release("B", "Salainen levy", "LP", 2);
        c.track(1, 1, "Intro", "näkyy");
        c.track(2, 1, "Intro", "ei näy");
        c.track(2, 2, "Piilossa");
        c.musician("Intro", "Näkyvä", "piano", "Julkinen");
        c.musician("Intro", "Nimetön", "basso");
        c.musician("Intro", "Kätketty", "rummut", "Salainen levy");
        c.musician("Piilossa", "Kätketty", "laulu", "Salainen levy");
        c.lydsam.setFilter("Media = 'CD'");
        c.lydsam.setFiltered(true);
        exchange::writeHtmlPage(c.lydsam, c.numre, c.musiker, pagePath(dir));
        const QString page = readPage(pagePath(dir));
        const QJsonArray tracks = rows(page, "lh-tracks");
        QCOMPARE(tracks.size(), 1);
        QCOMPARE(tracks.at(0).toArray().at(8).toString(), "näkyy");
        QStringList musicians;
        for (const auto& m : rows(page, "lh-musicians"))
            musicians << m.toArray().at(1).toString();
        QCOMPARE(musicians, QStringList({"Näkyvä", "Nimetön"}));
        QVERIFY(!page.contains("Salainen") && !page.contains("Piilossa") &&
                !page.contains("Kätketty"));
    }

    void coversOnThePage_data() {
        QTest::addColumn<int>("releases"); // numbered from 1; the odd ones CDs
        QTest::addColumn<QList<int>>("withCover");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("only releases with a cover carry one")
            << 4 << QList<int>{2, 3} << "" << QSize(160, 160) << QList<int>{2, 3};
        QTest::newRow("no release with a cover")
            << 3 << QList<int>{} << "" << QSize(160, 160) << QList<int>{};
        QTest::newRow("narrowed: only its releases' covers, the others never asked for")
            << 4 << QList<int>{1, 2, 3, 4} << "Media = 'CD'" << QSize(160, 160) << QList<int>{1, 3};
        QTest::newRow("a large picture made small in its shape")
            << 1 << QList<int>{1} << "" << QSize(400, 300) << QList<int>{1};
        QTest::newRow("a small picture keeps its size")
            << 1 << QList<int>{1} << "" << QSize(40, 50) << QList<int>{1};
        QList<int> all(300);
        std::iota(all.begin(), all.end(), 1);
        QTest::newRow("many made on several threads, each by its release")
            << 300 << all << "" << QSize(160, 160) << all;
    }
    void coversOnThePage() {
        QFETCH(int, releases);
        QFETCH(QList<int>, withCover);
        QFETCH(QString, filter);
        QFETCH(QSize, size);
        QFETCH(QList<int>, expected);
        QTemporaryDir dir;
        Collection c;
        for (int num = 1; num <= releases; ++num)
            c.release("A", "B", num % 2 ? "CD" : "LP", num);
        if (!filter.isEmpty()) {
            c.lydsam.setFilter(filter.toStdString());
            c.lydsam.setFiltered(true);
        }
        std::mutex mutex;
        std::set<int> asked;
        exchange::HtmlPageOptions options;
        options.cover = [&](std::int32_t num) {
            const std::lock_guard lock(mutex);
            asked.insert(num);
            return withCover.contains(num) ? coverOf(num, size) : std::string();
        };
        exchange::writeHtmlPage(c.lydsam, c.numre, c.musiker, pagePath(dir), options);
        const QMap<int, QImage> covers = pageCovers(readPage(pagePath(dir)));
        QCOMPARE(covers.keys(), expected);
        if (!filter.isEmpty())
            QVERIFY(std::all_of(asked.begin(), asked.end(), [](int n) { return n % 2; }));
        const int side = exchange::kPageCoverSide;
        const QSize made = size.boundedTo({side, side}) == size
                               ? size
                               : size.scaled(side, side, Qt::KeepAspectRatio);
        for (auto it = covers.begin(); it != covers.end(); ++it) {
            QCOMPARE(it->size(), made);
            const QColor got = it->pixelColor(made.width() / 2, made.height() / 2);
            const QColor want = colourOf(it.key());
            QVERIFY2(std::abs(got.red() - want.red()) + std::abs(got.green() - want.green()) +
                             std::abs(got.blue() - want.blue()) <
                         30,
                     qPrintable(QString::number(it.key())));
        }
    }

    // The figures of the releases on the page, drawn without a script; no prices among them.
    void statisticsAreDrawnInThePage() {
        QTemporaryDir dir;
        Collection c;
        c.release("Anna", "Eka", "LP", 1);
        c.release("Anna", "Toka", "LP", 2);
        c.release("Bertta", "Kolmas", "CD", 3);
        exchange::writeHtmlPage(c.lydsam, c.numre, c.musiker, pagePath(dir));
        const QString page = readPage(pagePath(dir));
        QCOMPARE(page.count("<svg role=\"img\""), 8);
        QVERIFY(page.contains("<g class=\"bar\" data-name=\"LP\" data-n=\"2\">"));
        QVERIFY(page.contains("<g class=\"bar\" data-name=\"Anna\" data-n=\"2\">"));
        QVERIFY(page.contains("<p>Levyjä 3, kappaleita 0, muusikkomerkintöjä 0, kappaleita "
                              "ilman levyä 0</p>"));
        QVERIFY(!page.contains("Arvo"));
    }

    void emptyCollectionGivesAWorkingPage() {
        QTemporaryDir dir;
        Collection c;
        exchange::writeHtmlPage(c.lydsam, c.numre, c.musiker, pagePath(dir));
        const QString page = readPage(pagePath(dir));
        QCOMPARE(block(page, "lh-releases"), "[]");
        QCOMPARE(block(page, "lh-covers"), "[]");
        QVERIFY(page.contains("<p>0 äänitettä</p>"));
    }

    void failuresRaiseAndKeepTheOldPage() {
        QTemporaryDir dir;
        Collection c;
        // A folder that does not exist.
        QVERIFY_THROWS_EXCEPTION(exchange::HtmlPageError,
                                 exchange::writeHtmlPage(c.lydsam, c.numre, c.musiker,
                                                         dir.filePath("puuttuu/sivu.html")));
        // A table that is not open: the old page stays as it was.
        const QString path = pagePath(dir);
        exchange::writeHtmlPage(c.lydsam, c.numre, c.musiker, path);
        const QString before = readPage(path);
        engine::Table closed;
        QVERIFY_THROWS_EXCEPTION(engine::Error,
                                 exchange::writeHtmlPage(c.lydsam, closed, c.musiker, path));
        QCOMPARE(readPage(path), before);
        // A cover that cannot be had, or is no picture, fails the page and names its release.
        c.release("A", "B", "CD", 7);
        for (const auto& cover : std::vector<std::function<std::string(std::int32_t)>>{
                 [](std::int32_t) -> std::string { throw std::runtime_error("levy rikki"); },
                 [](std::int32_t) { return std::string("ei kuva"); }}) {
            exchange::HtmlPageOptions options;
            options.cover = cover;
            try {
                exchange::writeHtmlPage(c.lydsam, c.numre, c.musiker, path, options);
                QFAIL("a page with a broken cover was written");
            } catch (const exchange::HtmlPageError& e) {
                QVERIFY2(QString::fromUtf8(e.what()).startsWith("Levyn 7 kansikuvaa"), e.what());
            }
            QCOMPARE(readPage(path), before);
        }
    }
};

QTEST_GUILESS_MAIN(TestHtmlPage)
#include "tst_htmlpage.moc"
