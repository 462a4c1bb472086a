#pragma once

#include "pagesink.h"
#include "reppage.h"

#include <QPainter>

#include <functional>
#include <memory>

class QPagedPaintDevice;

// Pages painted on a paged device (a printer or a PDF writer) at its resolution. Pages outside
// the chosen range are laid out but not painted.
namespace report {

class PaintSink : public PageSink {
public:
    // abortJob abandons the device's job (a printer's abort); may be empty.
    PaintSink(QPagedPaintDevice* device, int dpi, int firstPage, int lastPage,
              std::function<void()> abortJob = {});
    ~PaintSink() override;

    int dpi() const override { return dpi_; }
    void begin(const QString& title, bool compression, QSize pageTenths) override;
    void page(const PageLayout& page) override;
    void end() override;
    void abort() override;

    int pagesPainted() const { return painted_; }

private:
    QPagedPaintDevice* device_;
    int dpi_;
    TRepPrinterSettings range_;
    std::function<void()> abortJob_;
    QPainter painter_;
    int painted_ = 0;
};

} // namespace report
