#include "reppreview.h"

#include "messages.h"
#include "pagestore.h"
#include "pageview.h"
#include "previewicons.h"
#include "printerfactory.h"
#include "repprinter.h"
#include "storedprint.h"
#include "zoommath.h"

#include "dbaware/errorbox.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Names on Linux are case-sensitive: each filter lists both spellings of its suffix, the one
// a new name gets first.
const QString kReportFilter = QStringLiteral("Report file (*.PRP *.prp)");
const QString kTextFilter = QStringLiteral("Text file (*.txt *.TXT)");
const QString kPdfFilter = QStringLiteral("PDF file (*.pdf *.PDF)");

QString suffixFor(const QString& filter) {
    if (filter == kTextFilter)
        return QStringLiteral("txt");
    if (filter == kPdfFilter)
        return QStringLiteral("pdf");
    return QStringLiteral("PRP");
}

// A name typed without a suffix gets the one of the type chosen when the dialog is accepted,
// so an export never lands in a report file's name.
class SaveDialog : public QFileDialog {
public:
    explicit SaveDialog(QWidget* parent) : QFileDialog(parent) {
        setAcceptMode(QFileDialog::AcceptSave);
        setDefaultSuffix(suffixFor(kReportFilter));
        connect(this, &QFileDialog::filterSelected, this,
                [this](const QString& filter) { setDefaultSuffix(suffixFor(filter)); });
    }

    void accept() override {
        setDefaultSuffix(suffixFor(selectedNameFilter()));
        QFileDialog::accept();
    }
};

} // namespace

TRepPreview::TRepPreview(TRepPrinter* recorder, QWidget* parent)
    : QWidget(parent, Qt::Window), recorder_(recorder), view_(new TRepPageView(this)),
      progress_(new QProgressBar), status_(new QLabel) {
    setObjectName(QStringLiteral("RepPreview"));
    setWindowTitle(recorder->Title());
    resize(571, 472);
    // Opened maximised; restored, it sits in the middle of the screen.
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());

    auto* toolbar = new QWidget(this);
    toolbar->setObjectName(QStringLiteral("ToolBar"));
    toolbar->setFixedHeight(33);
    auto* tools = new QHBoxLayout(toolbar);
    tools->setContentsMargins(4, 4, 4, 4);
    tools->setSpacing(2);
    auto* zoomGroup = new QButtonGroup(this);
    zoomGroup->setExclusive(true);
    struct Button {
        const char* name;
        const char* hint;
        const char* icon;
        void (TRepPreview::*handler)();
    };
    static const Button buttons[] = {
        {"ZoomToFit", "Zoom to fit", "REPZOOMTOFITBITMAP", &TRepPreview::ZoomToFitClick},
        {"ZoomTo100", "Zoom to 100%", "REPZOOMTO100BITMAP", &TRepPreview::ZoomTo100Click},
        {"ZoomToWidth", "Zoom to page width", "REPZOOMTOWIDTHBITMAP",
         &TRepPreview::ZoomToWidthClick},
        {"FirstPage", "First Page", "REPFIRSTPAGEBITMAP", &TRepPreview::FirstPageClick},
        {"PrevPage", "Previous page", "REPPREVPAGEBITMAP", &TRepPreview::PrevPageClick},
        {"NextPage", "Next page", "REPNEXTPAGEBITMAP", &TRepPreview::NextPageClick},
        {"LastPage", "Last page", "REPLASTPAGEBITMAP", &TRepPreview::LastPageClick},
        {"PrintSetup", "Printer setup", "REPPRINTSETUPBITMAP", &TRepPreview::PrintSetupClick},
        {"Print", "Print", "REPPRINTBITMAP", &TRepPreview::PrintClick},
        {"Save", "Save", "REPSAVEBITMAP", &TRepPreview::SaveClick},
        {"Load", "Load", "REPOPENBITMAP", &TRepPreview::LoadClick},
    };
    int index = 0;
    for (const Button& b : buttons) {
        QToolButton* button =
            addButton(b.name, QString::fromLatin1(b.hint), QString::fromLatin1(b.icon), b.handler);
        tools->addWidget(button);
        if (index < 3) {
            button->setCheckable(true);
            zoomGroup->addButton(button);
        }
        if (index == 2 || index == 6 || index == 8)
            tools->addSpacing(8);
        ++index;
    }
    zoomToWidth_ = findChild<QToolButton*>(QStringLiteral("ZoomToWidth"));
    zoomToWidth_->setChecked(true);
    auto* exit = new QToolButton(toolbar);
    exit->setObjectName(QStringLiteral("Exit"));
    exit->setText(QStringLiteral("&Close"));
    exit->setToolButtonStyle(Qt::ToolButtonTextOnly);
    exit->setFixedHeight(25);
    connect(exit, &QToolButton::clicked, this, &TRepPreview::ExitClick);
    tools->addSpacing(8);
    tools->addWidget(exit);
    tools->addStretch();

    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("StatusBar"));
    strip->setFixedHeight(19);
    progress_->setParent(strip);
    progress_->setObjectName(QStringLiteral("ProgressBar"));
    progress_->setGeometry(2, 2, 100, 19 - 3);
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    progress_->hide();
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(106, 0, 0, 0);
    stripLayout->addStretch();
    status_->setObjectName(QStringLiteral("StatusLabel"));
    status_->setFixedWidth(128);
    status_->setFrameShape(QFrame::Panel);
    status_->setFrameShadow(QFrame::Sunken);
    status_->setText(QStringLiteral("Working..."));
    stripLayout->addWidget(status_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    layout->addWidget(view_, 1);
    layout->addWidget(strip);
    view_->setFocus();

    connect(recorder_, &TRepPrinter::pageFinished, this, &TRepPreview::onPageFinished);
    connect(recorder_, &TRepPrinter::progressChanged, this, &TRepPreview::onProgress);
    connect(recorder_, &TRepPrinter::stateChanged, this, &TRepPreview::updateButtons);
    updateButtons();
}

TRepPreview::~TRepPreview() = default;

QToolButton* TRepPreview::addButton(const char* name, const QString& hint, const QString& icon,
                                    void (TRepPreview::*handler)()) {
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setIcon(report::previewIcon(icon));
    b->setIconSize(QSize(20, 20));
    b->setFixedSize(25, 25);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QToolButton::clicked, this, handler);
    return b;
}

const report::PageStore* TRepPreview::shownStore() const {
    return loaded_ ? loaded_.get() : recorder_->store();
}

int TRepPreview::pageCount() const {
    const report::PageStore* s = shownStore();
    return s ? s->pageCount() : 0;
}

QString TRepPreview::statusText() const {
    return status_->text();
}

void TRepPreview::rebuildStatus() {
    status_->setText(report::pageStatusText(page_, pageCount()));
}

void TRepPreview::showPage(int page) {
    const report::PageStore* s = shownStore();
    if (!s)
        return;
    page_ = page;
    dbaware::guarded([&] { view_->setPicture(s->picture(page)); }, this);
    shown_ = true;
}

void TRepPreview::goToPage(int page) {
    if (page < 1 || page > pageCount() || (page == page_ && shown_))
        return;
    showPage(page);
}

void TRepPreview::onPageFinished(int pages) {
    if (loaded_)
        return;
    if (!shown_ && pages >= page_) {
        zoomToWidth_->setChecked(true);
        view_->zoomToWidth();
        showPage(page_);
    }
    rebuildStatus();
}

void TRepPreview::onProgress(int percent) {
    progress_->setValue(percent);
    progress_->setVisible(percent > 0 && percent < 100);
}

void TRepPreview::updateButtons() {
    if (!recorder_->Title().isEmpty())
        setWindowTitle(recorder_->Title());
    const bool generating = recorder_->State() == TRepPrinter::psGenerating;
    const auto enable = [this](const char* name, bool on) {
        if (auto* b = findChild<QToolButton*>(QString::fromLatin1(name)))
            b->setEnabled(on);
    };
    // Saving needs a finished run; loading while pages are still added would mix two reports.
    enable("Save", loaded_ || recorder_->State() == TRepPrinter::psFinished);
    enable("Load", !generating);
    enable("PrintSetup", !loaded_);
}

void TRepPreview::ZoomToFitClick() {
    view_->zoomToFit();
}
void TRepPreview::ZoomTo100Click() {
    view_->setZoom(100);
}
void TRepPreview::ZoomToWidthClick() {
    view_->zoomToWidth();
}

void TRepPreview::FirstPageClick() {
    goToPage(1);
    rebuildStatus();
}
void TRepPreview::PrevPageClick() {
    goToPage(page_ - 1);
    rebuildStatus();
}
void TRepPreview::NextPageClick() {
    goToPage(page_ + 1);
    rebuildStatus();
}
void TRepPreview::LastPageClick() {
    goToPage(pageCount());
    rebuildStatus();
}

void TRepPreview::PrintSetupClick() {
    if (loaded_ || !recorder_->PrinterSetupAction)
        return;
    dbaware::guarded(recorder_->PrinterSetupAction, this);
}

void TRepPreview::PrintClick() {
    dbaware::guarded(
        [this] {
            if (loaded_) {
                if (std::unique_ptr<QPrinter> printer = report::makePrinter(QString()))
                    report::printStoredPages(*loaded_, *printer);
            } else if (recorder_->PrintAction) {
                recorder_->PrintAction();
            }
        },
        this);
}

void TRepPreview::saveTo(const QString& path, SaveAs kind) {
    if (kind == SaveAs::Report) {
        if (loaded_)
            loaded_->saveTo(path);
        else if (recorder_->State() == TRepPrinter::psFinished && recorder_->store())
            recorder_->store()->saveTo(path);
        return;
    }
    if (loaded_ || !recorder_->ExportAction)
        return; // a loaded report has no report behind it to export
    recorder_->ExportAction(
        kind == SaveAs::Text ? report::ExportFormat::Text : report::ExportFormat::Pdf, path);
}

void TRepPreview::SaveClick() {
    SaveDialog dialog(this);
    QStringList filters{kReportFilter};
    if (!loaded_)
        filters << kTextFilter << kPdfFilter;
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString filter = dialog.selectedNameFilter();
    const SaveAs kind = filter == kTextFilter  ? SaveAs::Text
                        : filter == kPdfFilter ? SaveAs::Pdf
                                               : SaveAs::Report;
    const QString path = dialog.selectedFiles().front();
    dbaware::guarded([&] { saveTo(path, kind); }, this);
}

void TRepPreview::loadFrom(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        report::showMessage(QStringLiteral("File does not exist"), this);
        return;
    }
    loaded_ = report::PageStore::load(path); // a damaged file raises; the view stays as it was
    page_ = 1;
    shown_ = false;
    showPage(1);
    rebuildStatus();
    updateButtons();
}

void TRepPreview::LoadClick() {
    if (recorder_->State() == TRepPrinter::psGenerating)
        return;
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), kReportFilter);
    if (path.isEmpty())
        return;
    dbaware::guarded([&] { loadFrom(path); }, this);
}

void TRepPreview::ExitClick() {
    close();
}

void TRepPreview::closeEvent(QCloseEvent* event) {
    if (recorder_->State() == TRepPrinter::psGenerating)
        recorder_->Cancel();
    event->accept();
    emit closed();
}

void TRepPreview::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_PageUp:
        ctrl ? FirstPageClick() : PrevPageClick();
        break;
    case Qt::Key_PageDown:
        ctrl ? LastPageClick() : NextPageClick();
        break;
    case Qt::Key_Home:
        FirstPageClick();
        break;
    case Qt::Key_End:
        LastPageClick();
        break;
    case Qt::Key_Escape:
        ExitClick();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}
