// Printing: page ranges, the preview's print button, stored pages of a loaded file, the
// progress window and cancelling, the PDF export, printer setup, no printer at all, and a
// real print job through CUPS to its PDF queue.
#include "reporttestutil.h"

#include "report/printerfactory.h"
#include "report/printprogress.h"
#include "report/reppreview.h"

#include <QDirIterator>
#include <QLabel>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

using namespace reporttest;

namespace {

QString tool(const char* name) {
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

// Page count of a PDF: pdfinfo's when it is installed, else the page objects.
int pdfPages(const QString& path) {
    if (!tool("pdfinfo").isEmpty()) {
        QProcess p;
        p.start(tool("pdfinfo"), {path});
        p.waitForFinished(30000);
        const QRegularExpressionMatch m = QRegularExpression("Pages:\\s+(\\d+)")
                                              .match(QString::fromUtf8(p.readAllStandardOutput()));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return int(QString::fromLatin1(f.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
}

QString pdfText(const QString& path) {
    QProcess p;
    p.start(tool("pdftotext"), {"-layout", path, "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Printers that write PDF files into a folder, one file per job.
struct FilePrinters {
    explicit FilePrinters(const QString& dir) {
        report::setPrinterFactory([this, dir](const QString&) {
            auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
            p->setOutputFormat(QPrinter::PdfFormat);
            p->setOutputFileName(dir + QStringLiteral("/job%1.pdf").arg(++jobs));
            return p;
        });
    }
    ~FilePrinters() { report::setPrinterFactory(nullptr); }
    int jobs = 0;
};

void waitForPreview(TReport& r, const std::function<void(TRepPreview*)>& body) {
    QPointer<TRepPreview> window;
    const auto c =
        QObject::connect(&r, &TReport::previewOpened, &r, [&](TRepPreview* w) { window = w; });
    QTimer poll;
    bool done = false;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (done || !window || !window->findChild<QToolButton*>("Save")->isEnabled())
            return;
        done = true;
        poll.stop();
        body(window);
        if (window)
            window->close();
    });
    poll.start(2);
    r.Preview();
    QObject::disconnect(c);
    QVERIFY(done);
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT

private slots:
    void pageRange_data();
    void pageRange();
    void printButtonOfThePreview();
    void loadedReportPrintsItsStoredPages();
    void progressWindowShowsMultiplesOfFive();
    void cancelInProgressWindowAbandonsTheJob();
    void cancellingAPrintToThePrinter();
    void pdfExportHasTheTexts();
    void printerSetupKeepsTheChoices();
    void printerSetupStaysInFrontOfThePreview();
    void printerChoicesAreStored();
    void noPrinterInstalled();
    void printThroughCupsToPdfQueue();

private:
    QTemporaryDir dir_;
};

void TestPrinting::pageRange_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("pages");
    QTest::newRow("all pages (0 and 0)") << 0 << 0 << 4;
    QTest::newRow("pages 2 and 3 only") << 2 << 3 << 2;
    QTest::newRow("from page 3 to the end") << 3 << 0 << 2;
    QTest::newRow("up to page 1") << 0 << 1 << 1;
}

void TestPrinting::pageRange() {
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, pages);
    QTemporaryDir out;
    FilePrinters printers(out.path());
    engine::Table t;
    fillReleases(t, 130); // 39 + 41 + 41 + 9: four pages
    TReport r;
    releasesLayout(r, &t);
    r.PrinterSettings.FirstPage = first;
    r.PrinterSettings.LastPage = last;
    r.Print();
    QCOMPARE(printers.jobs, 1);
    QCOMPARE(pdfPages(out.filePath("job1.pdf")), pages);
    if (first == 2 && !tool("pdftotext").isEmpty()) {
        const QString text = pdfText(out.filePath("job1.pdf"));
        QVERIFY(text.contains("Artist 40"));  // first record of page 2
        QVERIFY(!text.contains("Artist 39")); // last of page 1
        QVERIFY(!text.contains("Artist 130"));
    }
}

void TestPrinting::printButtonOfThePreview() {
    QTemporaryDir out;
    FilePrinters printers(out.path());
    engine::Table t;
    fillReleases(t, 100);
    TReport r;
    releasesLayout(r, &t);
    waitForPreview(r, [&](TRepPreview* w) {
        w->findChild<QToolButton*>("Print")->click();
        QCOMPARE(printers.jobs, 1);
        QCOMPARE(pdfPages(out.filePath("job1.pdf")), 3);
    });
}

void TestPrinting::loadedReportPrintsItsStoredPages() {
    QTemporaryDir out;
    FilePrinters printers(out.path());
    engine::Table t;
    fillReleases(t, 100);
    TReport r;
    releasesLayout(r, &t);
    const QString saved = dir_.filePath("three.PRP");
    waitForPreview(r, [&](TRepPreview* w) { w->saveTo(saved, TRepPreview::SaveAs::Report); });
    fillReleases(t, 1);
    waitForPreview(r, [&](TRepPreview* w) {
        w->loadFrom(saved);
        w->findChild<QToolButton*>("Print")->click();
    });
    QCOMPARE(printers.jobs, 1);
    QCOMPARE(pdfPages(out.filePath("job1.pdf")), 3);
    if (!tool("pdftotext").isEmpty())
        QVERIFY(pdfText(out.filePath("job1.pdf")).contains("Artist 100"));
}

void TestPrinting::progressWindowShowsMultiplesOfFive() {
    QCOMPARE(TPrintProgress::progressText(40), QStringLiteral("40%  Completed"));
    TPrintProgress w;
    QCOMPARE(w.windowTitle(), QStringLiteral("Printing progress"));
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    auto* bar = w.findChild<QProgressBar*>("ProgressBar");
    QCOMPARE(bar->geometry().topLeft(), QPoint(10, 10));
    QCOMPARE(bar->height(), 15);
    auto* label = w.findChild<QLabel*>("ProgressLabel");
    w.setProgress(40);
    QCOMPARE(label->text(), QStringLiteral("40%  Completed"));
    w.setProgress(43); // not a multiple of 5: unchanged
    QCOMPARE(label->text(), QStringLiteral("40%  Completed"));
    QCOMPARE(bar->value(), 40);
    QSignalSpy cancelled(&w, &TPrintProgress::cancelled);
    w.findChild<QPushButton*>("CancelButton")->click();
    QCOMPARE(cancelled.count(), 1);
}

void TestPrinting::cancelInProgressWindowAbandonsTheJob() {
    engine::Table t;
    fillReleases(t, 3000);
    TReport r;
    releasesLayout(r, &t);
    r.ShowProgress = true;
    const QString path = dir_.filePath("cancelled.TXT");
    bool clicked = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TPrintProgress*>(w); p && p->isVisible() && !clicked) {
                clicked = true;
                p->findChild<QPushButton*>("CancelButton")->click();
            }
    });
    poll.start(1);
    r.exportTo(report::ExportFormat::Text, path);
    poll.stop();
    QVERIFY(clicked);
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(!r.generating());
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<TPrintProgress*>(w)); // the window went with the run
}

void TestPrinting::cancellingAPrintToThePrinter() {
    QTemporaryDir out;
    FilePrinters printers(out.path());
    engine::Table t;
    fillReleases(t, 3000);
    TReport r;
    releasesLayout(r, &t);
    r.ShowProgress = true;
    QTimer poll; // presses Cancel as soon as the progress window shows
    connect(&poll, &QTimer::timeout, this, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TPrintProgress*>(w); p && p->isVisible())
                p->findChild<QPushButton*>("CancelButton")->click();
    });
    poll.start(1);
    waitForPreview(r, [&](TRepPreview* w) {
        w->findChild<QToolButton*>("Print")->click();
        QVERIFY(!r.generating() && w->isVisible()); // only the print stops
    });
    QCOMPARE(printers.jobs, 1);
    // The job was abandoned: no complete document came out of the printer.
    const QString job = out.filePath("job1.pdf");
    QVERIFY(!QFileInfo::exists(job) || pdfPages(job) < 60);
}

void TestPrinting::pdfExportHasTheTexts() {
    if (tool("pdftotext").isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    engine::Table t;
    fillReleases(t, 100);
    t.first();
    t.edit();
    t.setText("Kunstner", "Sibelius Ääni");
    t.post();
    TReport r;
    releasesLayout(r, &t);
    const QString path = dir_.filePath("list.PDF");
    r.exportTo(report::ExportFormat::Pdf, path);
    QCOMPARE(pdfPages(path), 3);
    const QString text = pdfText(path);
    for (const char* expected : {"Levyholvi", "Taiteilija", "Kappaleen nimi", "Julkaisuajankohta",
                                 "Sibelius Ääni", "Title 57", "Artist 100"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    QVERIFY(text.contains(QRegularExpression("\\n\\s+3\\s*$")));
}

void TestPrinting::printerSetupKeepsTheChoices() {
    QTemporaryDir out;
    FilePrinters printers(out.path());
    engine::Table t;
    fillReleases(t, 5);
    TReport r;
    releasesLayout(r, &t);
    r.PrinterSettings.Copies = 2;
    r.PrinterSettings.FirstPage = 2;
    r.PrinterSettings.LastPage = 3;
    r.Page.Orientation = poLandscape;
    bool seen = false;
    QTimer::singleShot(200, this, [&] {
        if (auto* d = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
            seen = true;
            QCOMPARE(d->minPage(), 1);
            QCOMPARE(d->maxPage(), 7);
            d->accept();
        }
    });
    r.PrinterSetup(7);
    QVERIFY(seen);
    QCOMPARE(r.PrinterSettings.Copies, 2);
    QCOMPARE(r.PrinterSettings.FirstPage, 2);
    QCOMPARE(r.PrinterSettings.LastPage, 3);
    QCOMPARE(r.Page.Orientation, poLandscape);
    QCOMPARE(r.Page.PaperSize, psA4);
}

void TestPrinting::printerSetupStaysInFrontOfThePreview() {
    QTemporaryDir out;
    FilePrinters printers(out.path());
    engine::Table t;
    fillReleases(t, 5);
    TReport r;
    releasesLayout(r, &t);
    waitForPreview(r, [&](TRepPreview* w) {
        const QWindow* parent = nullptr;
        QTimer::singleShot(0, this, [&] {
            if (QWidget* d = QApplication::activeModalWidget()) { // modal: the print dialog
                parent = d->windowHandle()->transientParent();
                d->close();
            }
        });
        w->findChild<QToolButton*>("PrintSetup")->click();
        QCOMPARE(parent, w->windowHandle());
    });
}

void TestPrinting::printerChoicesAreStored() {
    QPrinter p(QPrinter::HighResolution);
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setCopyCount(3);
    p.setPageSize(QPageSize(QPageSize::Letter));
    p.setPageOrientation(QPageLayout::Landscape);
    p.setPrintRange(QPrinter::PageRange);
    p.setFromTo(4, 9);
    TReport r;
    r.applyPrinterChoices(p);
    QCOMPARE(r.PrinterSettings.Copies, 3);
    QCOMPARE(r.PrinterSettings.FirstPage, 4);
    QCOMPARE(r.PrinterSettings.LastPage, 9);
    QCOMPARE(r.Page.PaperSize, psLetter);
    QCOMPARE(r.Page.Orientation, poLandscape);
    QCOMPARE(r.Page.pageWidth(), 2794);
    p.setPrintRange(QPrinter::AllPages);
    r.applyPrinterChoices(p);
    QCOMPARE(r.PrinterSettings.FirstPage, 0);
    QCOMPARE(r.PrinterSettings.LastPage, 0);
}

void TestPrinting::noPrinterInstalled() {
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("printers are installed here; the no-printer run points CUPS at nothing");
    engine::Table t;
    fillReleases(t, 100);
    TReport r;
    releasesLayout(r, &t);
    bool dialog = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (QWidget* m = QApplication::activeModalWidget()) {
            dialog = true;
            m->close();
        }
    });
    watch.start(10);
    r.Print();
    r.PrinterSetup();
    waitForPreview(r, [&](TRepPreview* w) {
        QCOMPARE(w->pageCount(), 3); // the preview still opens
        w->findChild<QToolButton*>("Print")->click();
        w->findChild<QToolButton*>("PrintSetup")->click();
    });
    QTest::qWait(50);
    QVERIFY(!dialog);
    QVERIFY(!r.generating());
}

void TestPrinting::printThroughCupsToPdfQueue() {
    if (!QPrinterInfo::availablePrinterNames().contains("PDF"))
        QSKIP("no CUPS queue named PDF (scripts/test creates one with cups-pdf)");
    const QString outDir = QDir::homePath() + "/PDF";
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    engine::Table t;
    fillReleases(t, 100);
    TReport r;
    releasesLayout(r, &t);
    r.ReportTitle = QStringLiteral("LevyholviCupsTest");
    r.PrinterSettings.PrinterName = QStringLiteral("PDF");
    waitForPreview(r, [&](TRepPreview* w) {
        QCOMPARE(w->pageCount(), 3);
        w->findChild<QToolButton*>("Print")->click();
    });
    // cups-pdf writes the job into ~/PDF, named after the job title, when its filters are done.
    QString produced;
    QElapsedTimer clock;
    clock.start();
    while (produced.isEmpty() && clock.elapsed() < 90000) {
        QDirIterator it(outDir, {"*.pdf"}, QDir::Files);
        while (it.hasNext()) {
            const QFileInfo f(it.next());
            if (f.fileName().contains("LevyholviCupsTest") && f.lastModified() >= started &&
                f.size() > 0)
                produced = f.filePath();
        }
        if (produced.isEmpty())
            QTest::qWait(250);
    }
    QVERIFY2(!produced.isEmpty(), "no PDF arrived in ~/PDF");
    QTest::qWait(500); // the file may still be written
    QCOMPARE(pdfPages(produced), 3);
    QFile::remove(produced);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
