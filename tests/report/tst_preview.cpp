// The preview window: zoom arithmetic, status text, page buttons and keys, progress bar,
// closing while generating, a second preview, saving and loading, and a rendered page.
#include "reporttestutil.h"

#include "report/messages.h"
#include "report/pagestore.h"
#include "report/pageview.h"
#include "report/reppreview.h"
#include "report/repprinter.h"
#include "report/storesink.h"
#include "report/zoommath.h"

#include "dbaware/errorbox.h"

#include <QFileDialog>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace reporttest;

namespace {

bool finished(TRepPreview* w) {
    return w->findChild<QToolButton*>("Save")->isEnabled();
}

// Runs Preview(); `body` gets the window once `ready` holds, then the window is closed.
void withPreview(TReport& r, const std::function<bool(TRepPreview*)>& ready,
                 const std::function<void(TRepPreview*)>& body) {
    QPointer<TRepPreview> window;
    bool done = false;
    const auto c =
        QObject::connect(&r, &TReport::previewOpened, &r, [&](TRepPreview* w) { window = w; });
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (!window || done || !ready(window))
            return;
        done = true;
        poll.stop();
        body(window);
        if (window)
            window->close();
    });
    poll.start();
    r.Preview();
    QObject::disconnect(c);
    QVERIFY(done);
}

QToolButton* button(TRepPreview* w, const char* name) {
    return w->findChild<QToolButton*>(QString::fromLatin1(name));
}

// Clicks a preview button whose handler runs a file dialog; `answer` fills in the dialog,
// which is then accepted.
void throughFileDialog(TRepPreview* w, const char* name,
                       const std::function<void(QFileDialog*)>& answer) {
    bool met = false;
    QTimer::singleShot(0, w, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) {
            if (modal)
                modal->close();
            return;
        }
        met = true;
        answer(dialog);
        static_cast<QDialog*>(dialog)->accept(); // as the dialog's own button does
    });
    button(w, name)->click();
    QVERIFY(met);
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void zoomArithmetic_data();
    void zoomArithmetic();
    void statusText();
    void windowAtOpen();
    void pageButtonsAndKeys_data();
    void pageButtonsAndKeys();
    void zoomButtonsAndResize();
    void progressBarOnlyWhileGenerating();
    void closingWhileGeneratingCancels();
    void secondPreviewWhileFirstIsOpen();
    void saveReportFileAndLoadItBack();
    void saveButtonTypeGivesActionAndSuffix_data();
    void saveButtonTypeGivesActionAndSuffix();
    void loadButtonFindsLowerCaseReportFiles();
    void loadMissingOrDamagedFile();
    void textExportPlacesBandTextsInLines();
    void renderPageOne();

private:
    QTemporaryDir dir_;
    QStringList messages_;
    QStringList errors_;
};

void TestPreview::initTestCase() {
    report::setMessageHandler([this](const QString& m) { messages_ << m; });
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
}

void TestPreview::cleanup() {
    messages_.clear();
    errors_.clear();
}

void TestPreview::zoomArithmetic_data() {
    QTest::addColumn<QSize>("view");
    QTest::addColumn<QSize>("page");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("fit");
    QTest::newRow("1000-pixel view, A4 at 96 dpi: 1000 / 794 * 90 = 113.35")
        << QSize(1000, 800) << QSize(794, 1123) << 113 << 68;
    QTest::newRow("fit limited by the width") << QSize(400, 2000) << QSize(794, 1123) << 45 << 48;
    QTest::newRow("rounds half up") << QSize(794, 1123) << QSize(794, 1123) << 90 << 95;
    QTest::newRow("landscape page") << QSize(1200, 700) << QSize(1123, 794) << 96 << 84;
}

void TestPreview::zoomArithmetic() {
    QFETCH(QSize, view);
    QFETCH(QSize, page);
    QFETCH(int, width);
    QFETCH(int, fit);
    QCOMPARE(report::zoomToWidth(view.width(), page.width()), width);
    QCOMPARE(report::zoomToFit(view, page), fit);
}

void TestPreview::statusText() {
    QCOMPARE(report::pageStatusText(2, 3), QStringLiteral("Page 2 of 3"));
    QCOMPARE(report::pageStatusText(1, 1), QStringLiteral("Page 1 of 1"));
}

void TestPreview::windowAtOpen() {
    engine::Table t;
    fillReleases(t, 100);
    TReport r;
    releasesLayout(r, &t);
    QString statusAtOpen;
    connect(&r, &TReport::previewOpened, this,
            [&](TRepPreview* w) { statusAtOpen = w->statusText(); });
    withPreview(r, finished, [&](TRepPreview* w) {
        QCOMPARE(w->windowTitle(), QStringLiteral("Levyholvi"));
        QVERIFY(w->isMaximized());
        const std::pair<const char*, const char*> hints[] = {{"ZoomToFit", "Zoom to fit"},
                                                             {"ZoomTo100", "Zoom to 100%"},
                                                             {"ZoomToWidth", "Zoom to page width"},
                                                             {"FirstPage", "First Page"},
                                                             {"PrevPage", "Previous page"},
                                                             {"NextPage", "Next page"},
                                                             {"LastPage", "Last page"},
                                                             {"PrintSetup", "Printer setup"},
                                                             {"Print", "Print"},
                                                             {"Save", "Save"},
                                                             {"Load", "Load"}};
        for (const auto& [name, hint] : hints) {
            QToolButton* b = button(w, name);
            QVERIFY2(b, name);
            QCOMPARE(b->toolTip(), QString::fromLatin1(hint));
            QVERIFY(!b->icon().isNull());
            QCOMPARE(b->size(), QSize(25, 25));
        }
        QCOMPARE(button(w, "Exit")->text(), QStringLiteral("&Close"));
        QVERIFY(button(w, "ZoomToWidth")->isChecked());
        QVERIFY(!button(w, "ZoomToFit")->isChecked());
        QCOMPARE(w->view()->zoomMode(), TRepPageView::zmWidth);
        QCOMPARE(w->view()->zoom(), report::zoomToWidth(w->view()->viewSize().width(), 794));
        QCOMPARE(w->view()->pageSizeAt100(), QSize(794, 1123));
        QCOMPARE(w->statusText(), QStringLiteral("Page 1 of 3"));
        QTest::keyClick(w->view(), Qt::Key_Escape);
        QVERIFY(!w->isVisible());
    });
    QCOMPARE(statusAtOpen, QStringLiteral("Working..."));
    // Restored from maximised, the window is in the middle of the screen, wherever the window
    // manager would put it.
    TRepPrinter recorder(std::make_unique<report::StoreSink>());
    const TRepPreview unshown(&recorder);
    const QPoint off = unshown.geometry().center() - unshown.screen()->availableGeometry().center();
    QVERIFY(off.manhattanLength() <= 1);
}

void TestPreview::pageButtonsAndKeys_data() {
    QTest::addColumn<QString>("steps"); // b:<button> or k:<key>[+ctrl]
    QTest::addColumn<QList<int>>("pages");
    QTest::newRow("next and previous buttons")
        << "b:NextPage b:NextPage b:PrevPage" << QList<int>{2, 3, 2};
    QTest::newRow("next on the last page changes nothing")
        << "b:LastPage b:NextPage" << QList<int>{3, 3};
    QTest::newRow("previous on the first page changes nothing")
        << "b:PrevPage b:FirstPage" << QList<int>{1, 1};
    QTest::newRow("Page Down, Page Up") << "k:PgDn k:PgDn k:PgUp" << QList<int>{2, 3, 2};
    QTest::newRow("Ctrl+Page Down to the last, Ctrl+Page Up to the first")
        << "k:PgDn+ctrl k:PgUp+ctrl" << QList<int>{3, 1};
    QTest::newRow("End and Home") << "k:End k:Home" << QList<int>{3, 1};
}

void TestPreview::pageButtonsAndKeys() {
    QFETCH(QString, steps);
    QFETCH(QList<int>, pages);
    engine::Table t;
    fillReleases(t, 100);
    TReport r;
    releasesLayout(r, &t);
    withPreview(r, finished, [&](TRepPreview* w) {
        int i = 0;
        for (const QString& step : steps.split(' ')) {
            const QString what = step.mid(2);
            if (step.startsWith("b:")) {
                button(w, what.toLatin1().constData())->click();
            } else {
                const bool ctrl = what.endsWith("+ctrl");
                const QString key = what.section('+', 0, 0);
                const Qt::Key k = key == "PgDn"   ? Qt::Key_PageDown
                                  : key == "PgUp" ? Qt::Key_PageUp
                                  : key == "End"  ? Qt::Key_End
                                                  : Qt::Key_Home;
                QTest::keyClick(w->view(), k, ctrl ? Qt::ControlModifier : Qt::NoModifier);
            }
            const int expected = pages[i++];
            QCOMPARE(w->currentPage(), expected);
            QCOMPARE(w->statusText(), report::pageStatusText(expected, 3));
        }
    });
}

void TestPreview::zoomButtonsAndResize() {
    engine::Table t;
    fillReleases(t, 10);
    TReport r;
    releasesLayout(r, &t);
    withPreview(r, finished, [&](TRepPreview* w) {
        TRepPageView* v = w->view();
        w->showNormal();
        w->resize(900, 700);
        QCoreApplication::processEvents();
        QCOMPARE(v->zoom(), report::zoomToWidth(v->viewSize().width(), 794));
        button(w, "ZoomToFit")->click();
        QVERIFY(button(w, "ZoomToFit")->isChecked());
        QVERIFY(!button(w, "ZoomToWidth")->isChecked());
        QCOMPARE(v->zoom(), report::zoomToFit(v->viewSize(), QSize(794, 1123)));
        w->resize(600, 900);
        QCoreApplication::processEvents();
        QCOMPARE(v->zoom(), report::zoomToFit(v->viewSize(), QSize(794, 1123)));
        // The page fits: drawn centred, zoom's size plus 4 pixels.
        const QRect page = v->pageRect();
        QCOMPARE(page.width(), qRound(794 * v->zoom() / 100.0) + 4);
        QCOMPARE(page.left(), (v->viewport()->width() - page.width()) / 2);
        button(w, "ZoomTo100")->click();
        QCOMPARE(v->zoom(), 100);
        w->resize(1000, 800);
        QCoreApplication::processEvents();
        QCOMPARE(v->zoom(), 100); // a fixed zoom stays
        v->setZoom(1);
        QCOMPARE(v->zoom(), 100);
        v->setZoom(2001);
        QCOMPARE(v->zoom(), 100);
        v->setZoom(2000);
        QCOMPARE(v->zoom(), 2000);
    });
}

void TestPreview::progressBarOnlyWhileGenerating() {
    engine::Table t;
    fillReleases(t, 2000);
    TReport r;
    releasesLayout(r, &t);
    bool seenVisible = false;
    QPointer<TRepPreview> window;
    connect(&r, &TReport::previewOpened, this, [&](TRepPreview* w) {
        window = w;
        QVERIFY(!w->findChild<QProgressBar*>("ProgressBar")->isVisible());
    });
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (!window)
            return;
        auto* bar = window->findChild<QProgressBar*>("ProgressBar");
        if (!finished(window)) {
            if (bar->isVisible()) {
                seenVisible = true;
                QVERIFY(bar->value() > 0 && bar->value() < 100);
            }
            return;
        }
        QVERIFY(!bar->isVisible());
        poll.stop();
        window->close();
    });
    poll.start(1);
    r.Preview();
    QVERIFY(seenVisible);
}

void TestPreview::closingWhileGeneratingCancels() {
    engine::Table t;
    fillReleases(t, 5000);
    TReport r;
    releasesLayout(r, &t);
    withPreview(
        r, [](TRepPreview* w) { return w->pageCount() >= 1; },
        [&](TRepPreview* w) {
            QVERIFY(r.generating());
            w->close();
        });
    QVERIFY(!r.generating());
    QVERIFY(t.asText("Kunstner") != std::string("Artist 5000")); // stopped early
}

void TestPreview::secondPreviewWhileFirstIsOpen() {
    engine::Table t1, t2;
    fillReleases(t1, 100);
    fillReleases(t2, 10);
    TReport first, second;
    releasesLayout(first, &t1);
    releasesLayout(second, &t2);
    second.ReportTitle = QStringLiteral("Muusikot");
    bool inner = false;
    withPreview(first, finished, [&](TRepPreview* outer) {
        // The same report while its own preview is open but finished: a new run is fine.
        withPreview(second, finished, [&](TRepPreview* w) {
            inner = true;
            QVERIFY(outer->isVisible());
            QCOMPARE(w->windowTitle(), QStringLiteral("Muusikot"));
            QCOMPARE(w->pageCount(), 1);
            QCOMPARE(outer->pageCount(), 3);
        });
    });
    QVERIFY(inner);
}

void TestPreview::saveReportFileAndLoadItBack() {
    engine::Table t;
    fillReleases(t, 100);
    TReport r;
    releasesLayout(r, &t);
    const QString path = dir_.filePath("list.PRP");
    withPreview(r, finished, [&](TRepPreview* w) { w->saveTo(path, TRepPreview::SaveAs::Report); });
    QVERIFY(QFileInfo::exists(path));
    fillReleases(t, 10);
    withPreview(r, finished, [&](TRepPreview* w) {
        QCOMPARE(w->pageCount(), 1);
        w->loadFrom(path);
        QVERIFY(w->isLoaded());
        QCOMPARE(w->pageCount(), 3);
        QCOMPARE(w->currentPage(), 1);
        QCOMPARE(w->statusText(), QStringLiteral("Page 1 of 3"));
        QVERIFY(!button(w, "PrintSetup")->isEnabled());
        button(w, "LastPage")->click();
        QCOMPARE(w->statusText(), QStringLiteral("Page 3 of 3"));
        // Export needs the report behind the pages: a loaded file has none.
        const QString txt = dir_.filePath("loaded.TXT");
        w->saveTo(txt, TRepPreview::SaveAs::Text);
        QVERIFY(!QFileInfo::exists(txt));
    });
}

void TestPreview::saveButtonTypeGivesActionAndSuffix_data() {
    QTest::addColumn<int>("type"); // the filter's place in the Save dialog
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("contains");
    QTest::newRow("report file") << 0 << QString("list.PRP") << "";
    QTest::newRow("text export") << 1 << QString("list.txt") << "Artist 10";
    QTest::newRow("PDF export") << 2 << QString("list.pdf") << "%PDF";
}

void TestPreview::saveButtonTypeGivesActionAndSuffix() {
    QFETCH(int, type);
    QFETCH(QString, file);
    QFETCH(QString, contains);
    engine::Table t;
    fillReleases(t, 10);
    TReport r;
    releasesLayout(r, &t);
    QTemporaryDir out;
    withPreview(r, finished, [&](TRepPreview* w) {
        throughFileDialog(w, "Save", [&](QFileDialog* d) {
            d->selectNameFilter(d->nameFilters().at(type));
            d->selectFile(out.filePath("list")); // typed without a suffix
        });
        if (type == 0) { // a report file loads back
            w->loadFrom(out.filePath(file));
            QCOMPARE(w->pageCount(), 1);
        }
    });
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{file});
    QFile saved(out.filePath(file));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains(contains.toLatin1()));
}

void TestPreview::loadButtonFindsLowerCaseReportFiles() {
    engine::Table t;
    fillReleases(t, 100);
    TReport r;
    releasesLayout(r, &t);
    const QString path = dir_.filePath("lower.prp");
    withPreview(r, finished, [&](TRepPreview* w) { w->saveTo(path, TRepPreview::SaveAs::Report); });
    fillReleases(t, 1);
    withPreview(r, finished, [&](TRepPreview* w) {
        throughFileDialog(w, "Load", [&](QFileDialog* d) {
            // Matched as the dialog lists files here: case-sensitively.
            QStringList shown;
            for (const QString& p : d->selectedNameFilter().section('(', 1).chopped(1).split(' '))
                shown << QStringList{"lower.prp", "UPPER.PRP"}.filter(
                    QRegularExpression::fromWildcard(p, Qt::CaseSensitive));
            QCOMPARE(shown.size(), 2);
            d->selectFile(path);
        });
        QCOMPARE(w->pageCount(), 3);
    });
}

void TestPreview::loadMissingOrDamagedFile() {
    engine::Table t;
    fillReleases(t, 10);
    TReport r;
    releasesLayout(r, &t);
    const QString bad = dir_.filePath("bad.PRP");
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("this is not a report file at all, just some text that is long enough to pass "
            "the size check of the header which is one hundred and twenty four bytes long.");
    f.close();
    withPreview(r, finished, [&](TRepPreview* w) {
        w->loadFrom(dir_.filePath("missing.PRP"));
        QCOMPARE(messages_, QStringList{"File does not exist"});
        QVERIFY(!w->isLoaded());
        QVERIFY_THROWS_EXCEPTION(report::Error, w->loadFrom(bad));
        QVERIFY(!w->isLoaded());
        QCOMPARE(w->pageCount(), 1); // the pages on view stay
    });
}

void TestPreview::textExportPlacesBandTextsInLines() {
    engine::Table t;
    fillReleases(t, 45);
    TReport r;
    releasesLayout(r, &t);
    const QString path = dir_.filePath("list.TXT");
    withPreview(r, finished, [&](TRepPreview* w) { w->saveTo(path, TRepPreview::SaveAs::Text); });
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    const QStringList pages = text.split('\f');
    QCOMPARE(pages.size(), 2);
    const QStringList lines = pages[0].split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines[0].trimmed(), QStringLiteral("Levyholvi"));
    QVERIFY(lines[1].trimmed().startsWith("Taiteilija"));
    QVERIFY(lines[1].contains(QRegularExpression("Taiteilija +Kappaleen nimi +Musiikkityypit +"
                                                 "Julkaisuajankohta +Hinta")));
    QVERIFY(lines[2].contains(QRegularExpression("^ +Artist 1 +Title 1 +Rock +1990 +\\$?1[.,]50")));
    // Columns line up: the title column starts where its heading does.
    QCOMPARE(lines[2].indexOf("Title 1"), lines[1].indexOf("Kappaleen nimi"));
    QCOMPARE(lines.back().trimmed(), QStringLiteral("1"));
    QVERIFY(pages[1].contains("Artist 45"));
    QCOMPARE(pages[1].split('\n', Qt::SkipEmptyParts).back().trimmed(), QStringLiteral("2"));
}

void TestPreview::renderPageOne() {
    engine::Table t;
    fillReleases(t, 60);
    t.first();
    t.edit();
    t.setText("Titel", "A title long enough to need a second line");
    t.post();
    TReport r;
    releasesLayout(r, &t);
    withPreview(r, finished, [&](TRepPreview* w) {
        QVERIFY(w->grab().save(QDir::current().filePath("report_preview.png")));
        const report::PagePicture page = w->pages()->picture(1);
        QImage img(794, 1123, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        report::paintPicture(p, page, QRectF(0, 0, 794, 1123));
        p.end();
        QVERIFY(img.save(QDir::current().filePath("report_page1.png")));

        const auto px = [](int tenths) { return qRound(tenths * 96 / 254.0); };
        // The column header band is silver between its headings.
        QCOMPARE(img.pixelColor(px(1050), px(230)), QColor(192, 192, 192));
        // The first detail band's top frame line is black; inside it is white.
        int darkest = 255;
        for (int y = px(267) - 1; y <= px(267) + 1; ++y)
            darkest = std::min(darkest, img.pixelColor(px(1050), y).lightness());
        QVERIFY(darkest < 100);
        QCOMPARE(img.pixelColor(px(1500), px(267 + 32)), QColor(Qt::white));
        // Ink of the navy title near the page's middle, and of the page number near the right
        // edge of the footer band.
        bool navy = false, number = false;
        for (int x = px(900); x < px(1200); ++x)
            for (int y = px(110); y < px(200); ++y)
                navy =
                    navy || (img.pixelColor(x, y).blue() > 90 && img.pixelColor(x, y).red() < 60);
        for (int x = px(1900); x < px(2000); ++x)
            for (int y = px(2806); y < px(2870); ++y)
                number = number || img.pixelColor(x, y).lightness() < 100;
        QVERIFY(navy);
        QVERIFY(number);
        // The long title kept only its first line: nothing below the first detail's box.
        const auto all = texts({1, page, {}});
        QVERIFY(std::find(all.begin(), all.end(), QStringLiteral("A title long enough to need")) !=
                    all.end() ||
                std::find(all.begin(), all.end(),
                          QStringLiteral("A title long enough to need a")) != all.end() ||
                std::find(all.begin(), all.end(), QStringLiteral("A title long enough to")) !=
                    all.end());
    });
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
