#pragma once

#include "pagesink.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace report {
class PageStore;
}

// The page recorder of one run: takes the pages the report lays out and hands them to its
// destination (the picture store for the preview, or a printer). Holds the run's page count,
// job title, state and cancel flag, and the actions a preview window calls back into.
class TRepPrinter : public QObject {
    Q_OBJECT

public:
    enum TPrinterState { psIdle, psGenerating, psFinished };

    explicit TRepPrinter(std::unique_ptr<report::PageSink> sink, QObject* parent = nullptr);
    ~TRepPrinter() override;

    // --- the run, as the report drives it -------------------------------------------------
    void BeginDoc(const QString& title, bool compression, QSize pageTenths);
    // Raises "Illegal call to NewPage" unless a document is being generated.
    report::PageLayout& NewPage(int pageNumber);
    void EndPage(); // hands the page to the destination
    void EndDoc();
    void Abort(); // cancelled or failed: the destination drops the job
    void SetProgress(int percent);
    bool pageOpen() const { return pageOpen_; }

    int dpi() const { return sink_->dpi(); }
    int PageCount() const { return pageCount_; }
    QString Title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; } // before a run, for the caption
    TPrinterState State() const { return state_; }
    bool Cancelled() const { return cancelled_; }
    void Cancel() { cancelled_ = true; }
    int Progress() const { return progress_; }

    report::PageSink& sink() { return *sink_; }
    report::PageStore* store() const; // the picture store, or nullptr for other destinations

    bool PreviewShown = false;
    std::function<void()> PrintAction;
    std::function<void()> PrinterSetupAction;
    std::function<void(report::ExportFormat, const QString&)> ExportAction;

signals:
    void pageFinished(int pageCount);
    void progressChanged(int percent);
    void stateChanged();

private:
    std::unique_ptr<report::PageSink> sink_;
    report::PageLayout page_;
    bool pageOpen_ = false;
    int pageCount_ = 0;
    int progress_ = 0;
    QString title_;
    TPrinterState state_ = psIdle;
    bool cancelled_ = false;
};
