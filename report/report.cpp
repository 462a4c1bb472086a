#include "report.h"

#include "paintsink.h"
#include "printerfactory.h"
#include "printprogress.h"
#include "reportrun.h"
#include "reppreview.h"
#include "repprinter.h"
#include "storesink.h"
#include "textsink.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QPdfWriter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>

namespace {

constexpr int kPdfDpi = 600;

QPageLayout pageLayoutOf(const TRepPage& page) {
    const QPageSize size =
        page.PaperSize == psCustom
            ? QPageSize(QSizeF(page.Width / 10.0, page.Length / 10.0), QPageSize::Millimeter)
            : QPageSize(report::pageSizeId(page.PaperSize));
    return QPageLayout(
        size, page.Orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(0, 0, 0, 0));
}

void configurePrinter(QPrinter& printer, const TReport& r) {
    printer.setDocName(r.ReportTitle);
    printer.setFullPage(true);
    printer.setPageLayout(pageLayoutOf(r.Page));
    printer.setCopyCount(std::max(1, r.PrinterSettings.Copies));
    printer.setDuplex(r.PrinterSettings.Duplex ? QPrinter::DuplexAuto : QPrinter::DuplexNone);
    if (r.PrinterSettings.OutputBin != QPrinter::Auto)
        printer.setPaperSource(r.PrinterSettings.OutputBin);
    if (r.PrinterSettings.FirstPage > 0 || r.PrinterSettings.LastPage > 0) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(std::max(1, r.PrinterSettings.FirstPage),
                          std::max(r.PrinterSettings.FirstPage, r.PrinterSettings.LastPage));
    }
}

// The progress window of a run to the printer or an export, when the report shows one.
class ProgressWindow {
public:
    ProgressWindow(bool show, TRepPrinter& rec) {
        if (!show || !qobject_cast<QApplication*>(QCoreApplication::instance()))
            return;
        window_ = new TPrintProgress;
        QObject::connect(&rec, &TRepPrinter::progressChanged, window_.data(),
                         &TPrintProgress::setProgress);
        QObject::connect(window_.data(), &TPrintProgress::cancelled, &rec, &TRepPrinter::Cancel);
        window_->show();
    }
    ~ProgressWindow() { delete window_.data(); }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

private:
    QPointer<TPrintProgress> window_;
};

} // namespace

TReport::TReport(QObject* parent) : QObject(parent) {}

TReport::~TReport() = default;

TRepBand& TReport::setBand(TRepBand b) {
    auto& slot = bands_[static_cast<std::size_t>(b.Role)];
    slot = std::move(b);
    return *slot;
}

TRepBand* TReport::band(TRepBandRole role) {
    auto& slot = bands_[static_cast<std::size_t>(role)];
    return slot ? &*slot : nullptr;
}

const TRepBand* TReport::band(TRepBandRole role) const {
    const auto& slot = bands_[static_cast<std::size_t>(role)];
    return slot ? &*slot : nullptr;
}

void TReport::removeBand(TRepBandRole role) {
    bands_[static_cast<std::size_t>(role)].reset();
}

void TReport::generate(TRepPrinter& recorder) {
    if (generating_)
        return;
    generating_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{generating_};
    report::ReportRun(*this, recorder).execute();
}

void TReport::Preview() {
    if (generating_)
        return;
    TRepPrinter recorder(std::make_unique<report::StoreSink>());
    recorder.setTitle(ReportTitle);
    recorder.PrintAction = [this] { Print(); };
    TRepPreview* shownIn = nullptr; // the print dialog stays in front of the preview
    recorder.PrinterSetupAction = [this, &recorder, &shownIn] {
        PrinterSetup(recorder.State() == TRepPrinter::psFinished ? recorder.PageCount() : 0,
                     shownIn);
    };
    recorder.ExportAction = [this](report::ExportFormat f, const QString& path) {
        exportTo(f, path);
    };
    // Owned here, not by Qt: it must outlive every event handled while the report runs.
    std::unique_ptr<TRepPreview> window = std::make_unique<TRepPreview>(&recorder);
    shownIn = window.get();
    recorder.PreviewShown = true;
    bool closed = false;
    QEventLoop loop;
    connect(window.get(), &TRepPreview::closed, &loop, [&] {
        closed = true;
        loop.quit();
    });
    window->showMaximized();
    emit previewOpened(window.get());
    report::handlePendingInput(true);
    if (!closed) {
        generate(recorder);
        recorder.SetProgress(100);
    }
    if (!closed && window->isVisible())
        loop.exec(); // returns when the window closes or the application quits
    recorder.PreviewShown = false;
}

void TReport::Print() {
    if (generating_)
        return;
    std::unique_ptr<QPrinter> printer = report::makePrinter(PrinterSettings.PrinterName);
    if (!printer)
        return;
    configurePrinter(*printer, *this);
    QPrinter* p = printer.get();
    TRepPrinter recorder(
        std::make_unique<report::PaintSink>(p, p->resolution(), PrinterSettings.FirstPage,
                                            PrinterSettings.LastPage, [p] { p->abort(); }));
    ProgressWindow progress(ShowProgress, recorder);
    generate(recorder);
}

void TReport::applyPrinterChoices(const QPrinter& printer) {
    PrinterSettings.Copies = printer.copyCount();
    PrinterSettings.Duplex = printer.duplex() != QPrinter::DuplexNone;
    PrinterSettings.OutputBin = printer.paperSource();
    PrinterSettings.PrinterName = printer.printerName();
    if (printer.printRange() == QPrinter::PageRange) {
        PrinterSettings.FirstPage = printer.fromPage();
        PrinterSettings.LastPage = printer.toPage();
    } else {
        PrinterSettings.FirstPage = 0;
        PrinterSettings.LastPage = 0;
    }
    const QPageLayout layout = printer.pageLayout();
    Page.Orientation = layout.orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
    const QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
    const int w = static_cast<int>(std::lround(mm.width() * 10));
    const int l = static_cast<int>(std::lround(mm.height() * 10));
    Page.PaperSize = report::paperSizeFor(w, l);
    if (Page.PaperSize == psCustom) {
        Page.Width = w;
        Page.Length = l;
    }
}

void TReport::PrinterSetup(int pagesKnown, QWidget* parent) {
    std::unique_ptr<QPrinter> printer = report::makePrinter(PrinterSettings.PrinterName);
    if (!printer)
        return;
    configurePrinter(*printer, *this);
    QPrintDialog dialog(printer.get(), parent);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    if (pagesKnown > 0)
        dialog.setMinMax(1, pagesKnown);
    else
        dialog.setMinMax(0, 9999);
    if (dialog.exec() == QDialog::Accepted)
        applyPrinterChoices(*printer);
}

void TReport::exportTo(report::ExportFormat format, const QString& path) {
    if (generating_)
        return;
    if (format == report::ExportFormat::Text) {
        TRepPrinter recorder(std::make_unique<report::TextSink>(path));
        ProgressWindow progress(ShowProgress, recorder);
        generate(recorder);
        return;
    }
    QPdfWriter writer(path);
    writer.setResolution(kPdfDpi);
    writer.setTitle(ReportTitle);
    writer.setCreator(QStringLiteral("Levyholvi"));
    writer.setPageLayout(pageLayoutOf(Page));
    TRepPrinter recorder(std::make_unique<report::PaintSink>(&writer, kPdfDpi, 0, 0));
    {
        ProgressWindow progress(ShowProgress, recorder);
        generate(recorder);
    }
    if (recorder.Cancelled())
        QFile::remove(path);
}
