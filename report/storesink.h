#pragma once

#include "pagesink.h"
#include "pagestore.h"

// Pages recorded into a picture store at the screen's resolution, for the preview.
namespace report {

class StoreSink : public PageSink {
public:
    int dpi() const override;
    void begin(const QString& title, bool compression, QSize pageTenths) override;
    void page(const PageLayout& page) override;
    void end() override;

    PageStore& store() { return store_; }

private:
    PageStore store_;
};

} // namespace report
