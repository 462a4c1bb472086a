// reportbench [releases]: the releases list previewed over a generated collection (100,000
// releases by default, about 2,400 pages). Prints, as information and never as assertions:
//   report_first_page_ms=<x>        from Preview() until page 1 is painted in the window
//   report_pages_per_s ours=<x> qtextdocument=<y>
//                                   pages generated per second by the engine, and by Qt's
//                                   QTextDocument printing the same rows as a table to PDF
//   report_ms_per_page ours_ms=<x> qtextdocument_ms=<y> ratio=<x/y>
//                                   the same as time per page, so that the ratio reads as in
//                                   the other benchmarks: ours over the peer, at most 1.0
//   report_peak_memory_mb=<x>       peak RSS of the process while generating (pages spill to
//                                   a temporary file)
// Each measurement runs in a child process of its own that loads only the releases table.
#include "benchdata.h"
#include "benchutil.h"

#include "report/pageview.h"
#include "report/report.h"
#include "report/reppreview.h"
#include "report/units.h"
#include "store/collection.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPdfWriter>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <string>

namespace {

constexpr int kPeerRowsMax = 10000;

using benchutil::resetPeak;
using benchutil::statusKb;

TRepDBText dbText(const char* field, double left, double width, TRepAlignment a) {
    TRepDBText e;
    e.DataField = QString::fromLatin1(field);
    e.Left = report::tenths(left);
    e.Top = report::tenths(1.06);
    e.Width = report::tenths(width);
    e.Height = report::tenths(4.50);
    e.Alignment = a;
    e.WordWrap = true;
    return e;
}

TRepLabel label(const char* caption, double left, double width) {
    TRepLabel e;
    e.Caption = QString::fromUtf8(caption);
    e.Left = report::tenths(left);
    e.Top = report::tenths(0.79);
    e.Width = report::tenths(width);
    e.Height = report::tenths(4.50);
    e.AutoSize = true;
    e.Transparent = true;
    return e;
}

// The releases list as the print command lays it out, ordered by artist.
void releasesList(TReport& r, engine::Table* t) {
    r.DataSet = t;
    r.ReportTitle = QStringLiteral("Levyholvi");
    r.PrintIfEmpty = false;
    r.Options.LastPageFooter = true;
    TRepBand title;
    title.Role = rbTitle;
    title.Height = report::tenths(10.58);
    TRepSysData heading;
    heading.Data = sdReportTitle;
    heading.Left = report::tenths(73.03);
    heading.Top = report::tenths(1.06);
    heading.Width = report::tenths(43.66);
    heading.Height = report::tenths(8.73);
    heading.Alignment = taCenter;
    heading.AlignToBand = true;
    heading.AutoSize = true;
    heading.Font =
        TRepFont{QStringLiteral("Arial"), 20, true, false, false, false, QColor(0, 0, 128)};
    title.add(heading);
    r.setBand(title);
    TRepBand header;
    header.Role = rbColumnHeader;
    header.Height = report::tenths(6.09);
    header.Color = QColor(192, 192, 192);
    header.Frame = TRepFrame::all();
    header.add(label("Taiteilija", 2.12, 12.70));
    header.add(label("Kappaleen nimi", 59.27, 23.81));
    header.add(label("Musiikkityypit", 116.42, 21.43));
    header.add(label("Julkaisuajankohta", 148.17, 27.52));
    header.add(label("Hinta", 180.45, 8.20));
    r.setBand(header);
    TRepBand detail;
    detail.Role = rbDetail;
    detail.Height = report::tenths(6.35);
    detail.Frame = TRepFrame::all();
    detail.add(dbText("Kunstner", 2.12, 55.30, taLeftJustify));
    detail.add(dbText("Titel", 59.27, 55.30, taLeftJustify));
    detail.add(dbText("Genre", 116.42, 29.90, taLeftJustify));
    detail.add(dbText("Indspillet", 148.17, 19.05, taLeftJustify));
    detail.add(dbText("Pris", 169.33, 17.46, taRightJustify));
    r.setBand(detail);
    TRepBand footer;
    footer.Role = rbPageFooter;
    footer.Height = report::tenths(6.35);
    TRepSysData number;
    number.Data = sdPageNumber;
    number.Left = report::tenths(169.86);
    number.Top = report::tenths(1.06);
    number.Width = report::tenths(20.11);
    number.Height = report::tenths(4.50);
    number.Alignment = taRightJustify;
    number.AlignToBand = true;
    footer.add(number);
    r.setBand(footer);
}

void openReleases(engine::Table& t, const QString& file) {
    store::openTable(t, store::collectionTable("Lydsam"), file.toStdString());
    t.setActiveIndex("Kunstner");
}

// Child: the preview over the releases table.
int runOurs(const QString& file) {
    engine::Table t;
    openReleases(t, file);
    TReport r;
    releasesList(r, &t);
    QElapsedTimer clock;
    double firstPageMs = -1, doneMs = -1;
    int pages = 0;
    QPointer<TRepPreview> window;
    struct PaintWatch : QObject {
        std::function<void()> onPaint;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint && onPaint)
                onPaint();
            return false;
        }
    } watch;
    QObject::connect(&r, &TReport::previewOpened, &r, [&](TRepPreview* w) {
        window = w;
        watch.onPaint = [&] {
            if (firstPageMs < 0 && window && window->view()->hasPicture())
                firstPageMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        };
        w->view()->viewport()->installEventFilter(&watch);
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (!window || !window->findChild<QToolButton*>(QStringLiteral("Save"))->isEnabled())
            return;
        doneMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        pages = window->pageCount();
        poll.stop();
        window->close();
    });
    poll.start(1);
    const long rssBefore = statusKb("VmRSS");
    resetPeak();
    clock.start();
    r.Preview();
    const long peak = statusKb("VmHWM");
    std::printf("ours first_page_ms=%.1f total_ms=%.1f pages=%d peak_kb=%ld rss_before_kb=%ld\n",
                firstPageMs, doneMs, pages, peak, rssBefore);
    return 0;
}

// Child: the peer, QTextDocument printing the same rows as a table to PDF.
int runPeer(const QString& file, int rows) {
    engine::Table t;
    openReleases(t, file);
    QTemporaryDir dir;
    QElapsedTimer clock;
    clock.start();
    QTextDocument doc;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(10);
    doc.setDefaultFont(font);
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("Levyholvi\n"));
    QTextTableFormat format;
    format.setHeaderRowCount(1);
    format.setCellPadding(2);
    format.setBorder(0.5);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    const int n = std::min(rows, t.recordCount());
    QTextTable* table = cursor.insertTable(n + 1, 5, format);
    const char* headings[] = {"Taiteilija", "Kappaleen nimi", "Musiikkityypit", "Julkaisuajankohta",
                              "Hinta"};
    const int fields[] = {t.fieldIndex("Kunstner"), t.fieldIndex("Titel"), t.fieldIndex("Genre"),
                          t.fieldIndex("Indspillet"), t.fieldIndex("Pris")};
    for (int c = 0; c < 5; ++c)
        table->cellAt(0, c).firstCursorPosition().insertText(QString::fromUtf8(headings[c]));
    int row = 1;
    for (t.first(); !t.eof() && row <= n; t.next(), ++row)
        for (int c = 0; c < 5; ++c)
            table->cellAt(row, c).firstCursorPosition().insertText(
                QString::fromStdString(t.asText(fields[c])));
    QPdfWriter pdf(dir.filePath(QStringLiteral("peer.pdf")));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    doc.print(&pdf);
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    // The printed copy was paginated for the PDF's pages; count them in the file.
    QFile out(dir.filePath(QStringLiteral("peer.pdf")));
    out.open(QIODevice::ReadOnly);
    const auto pages = QString::fromLatin1(out.readAll())
                           .count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]")));
    std::printf("peer total_ms=%.1f pages=%lld rows=%d\n", ms, static_cast<long long>(pages), n);
    return 0;
}

QString runChild(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        throw std::runtime_error("a benchmark child failed");
    return QString::fromUtf8(p.readAllStandardOutput());
}

double value(const QString& line, const char* key) {
    const QString k = QString::fromLatin1(key) + QLatin1Char('=');
    const qsizetype at = line.indexOf(k);
    return at < 0 ? -1 : line.mid(at + k.size()).section(QLatin1Char(' '), 0, 0).toDouble();
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() >= 3 && args[1] == QLatin1String("--ours"))
            return runOurs(args[2]);
        if (args.size() >= 4 && args[1] == QLatin1String("--peer"))
            return runPeer(args[2], args[3].toInt());
        const int releases = args.size() >= 2 ? args[1].toInt() : benchdata::kDefaultReleases;
        if (releases <= 0) {
            std::fprintf(stderr, "usage: %s [releases]\n", argv[0]);
            return 2;
        }
        std::printf("# load average at start: %s\n", benchutil::loadAverage().c_str());
        std::fflush(stdout);
        QTemporaryDir dir;
        {
            benchdata::Collection c;
            benchdata::generate(c, releases);
            c.lydsam.save(dir.filePath(QStringLiteral("Lydsam.dat")).toStdString());
        }
        const QString file = dir.filePath(QStringLiteral("Lydsam.dat"));
        const QString ours = runChild({QStringLiteral("--ours"), file});
        const int peerRows = std::min(releases, kPeerRowsMax);
        const QString peer = runChild({QStringLiteral("--peer"), file, QString::number(peerRows)});
        const double pages = value(ours, "pages");
        const double oursRate = pages / (value(ours, "total_ms") / 1000);
        const double peerRate = value(peer, "pages") / (value(peer, "total_ms") / 1000);
        std::printf("# reportbench: releases list over %d releases, %.0f pages; the peer prints "
                    "the first %d rows\n",
                    releases, pages, peerRows);
        std::printf("# targets: first page <= 300 ms, >= 400 pages/s, peak memory < 200 MB\n");
        std::printf("report_first_page_ms=%.1f\n", value(ours, "first_page_ms"));
        std::printf("report_pages_per_s ours=%.1f qtextdocument=%.1f\n", oursRate, peerRate);
        const double oursMsPerPage = oursRate > 0 ? 1000 / oursRate : 0;
        const double peerMsPerPage = peerRate > 0 ? 1000 / peerRate : 0;
        std::printf("report_ms_per_page ours_ms=%.3f qtextdocument_ms=%.3f ratio=%.3f\n",
                    oursMsPerPage, peerMsPerPage,
                    peerMsPerPage > 0 ? oursMsPerPage / peerMsPerPage : 0.0);
        std::printf("report_peak_memory_mb=%.1f rss_before_mb=%.1f\n",
                    value(ours, "peak_kb") / 1024, value(ours, "rss_before_kb") / 1024);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "reportbench: %s\n", e.what());
        return 1;
    }
    return 0;
}
