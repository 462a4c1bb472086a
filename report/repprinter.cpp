#include "repprinter.h"

#include "reporterror.h"
#include "storesink.h"

TRepPrinter::TRepPrinter(std::unique_ptr<report::PageSink> sink, QObject* parent)
    : QObject(parent), sink_(std::move(sink)) {}

TRepPrinter::~TRepPrinter() = default;

void TRepPrinter::BeginDoc(const QString& title, bool compression, QSize pageTenths) {
    title_ = title;
    pageCount_ = 0;
    progress_ = 0;
    cancelled_ = false;
    pageOpen_ = false;
    sink_->begin(title, compression, pageTenths);
    state_ = psGenerating;
    emit stateChanged();
}

report::PageLayout& TRepPrinter::NewPage(int pageNumber) {
    if (state_ != psGenerating)
        throw report::Error("Illegal call to NewPage");
    if (pageOpen_)
        EndPage();
    page_ = report::PageLayout{};
    page_.number = pageNumber;
    page_.picture.dpi = sink_->dpi();
    pageOpen_ = true;
    return page_;
}

void TRepPrinter::EndPage() {
    if (!pageOpen_)
        return;
    pageOpen_ = false;
    sink_->page(page_);
    ++pageCount_;
    emit pageFinished(pageCount_);
}

void TRepPrinter::EndDoc() {
    EndPage();
    sink_->end();
    state_ = psFinished;
    emit stateChanged();
}

void TRepPrinter::Abort() {
    pageOpen_ = false;
    sink_->abort();
    state_ = psIdle; // nothing complete to save

    emit stateChanged();
}

void TRepPrinter::SetProgress(int percent) {
    if (percent == progress_)
        return;
    progress_ = percent;
    emit progressChanged(percent);
}

report::PageStore* TRepPrinter::store() const {
    auto* s = dynamic_cast<report::StoreSink*>(sink_.get());
    return s ? &s->store() : nullptr;
}
