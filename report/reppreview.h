#pragma once

#include "pagesink.h"

#include <QWidget>

#include <memory>

class QLabel;
class QProgressBar;
class QToolButton;
class TRepPageView;
class TRepPrinter;

namespace report {
class PageStore;
}

// The preview window of one recorder: toolbar, page view and status strip. It shows the pages
// as the report adds them, and can print, set up the printer, save, export and load.
class TRepPreview : public QWidget {
    Q_OBJECT

public:
    explicit TRepPreview(TRepPrinter* recorder, QWidget* parent = nullptr);
    ~TRepPreview() override;

    int currentPage() const { return page_; }
    int pageCount() const;
    QString statusText() const;
    bool isLoaded() const { return loaded_ != nullptr; }
    TRepPageView* view() const { return view_; }
    const report::PageStore* pages() const { return shownStore(); } // the pages on view
    void goToPage(int page); // ignored outside 1..pages and for the page on view

    enum class SaveAs { Report, Text, Pdf };
    // The Save and Load buttons without their dialogs; errors are raised.
    void saveTo(const QString& path, SaveAs kind);
    void loadFrom(const QString& path); // "File does not exist" is shown, not raised

    // Handlers, named after the buttons.
    void ZoomToFitClick();
    void ZoomTo100Click();
    void ZoomToWidthClick();
    void FirstPageClick();
    void PrevPageClick();
    void NextPageClick();
    void LastPageClick();
    void PrintSetupClick();
    void PrintClick();
    void SaveClick();
    void LoadClick();
    void ExitClick();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QToolButton* addButton(const char* name, const QString& hint, const QString& iconName,
                           void (TRepPreview::*handler)());
    void onPageFinished(int pages);
    void onProgress(int percent);
    void updateButtons();
    void showPage(int page);
    void rebuildStatus();
    const report::PageStore* shownStore() const;

    TRepPrinter* recorder_;
    std::unique_ptr<report::PageStore> loaded_;
    TRepPageView* view_;
    QProgressBar* progress_;
    QLabel* status_;
    QToolButton* zoomToWidth_ = nullptr;
    int page_ = 1;
    bool shown_ = false;
};
