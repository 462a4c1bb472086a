#include "paintsink.h"

#include "reporterror.h"

#include <QPagedPaintDevice>

namespace report {

PaintSink::PaintSink(QPagedPaintDevice* device, int dpi, int firstPage, int lastPage,
                     std::function<void()> abortJob)
    : device_(device), dpi_(dpi), abortJob_(std::move(abortJob)) {
    range_.FirstPage = firstPage;
    range_.LastPage = lastPage;
}

PaintSink::~PaintSink() {
    if (painter_.isActive())
        painter_.end();
}

void PaintSink::begin(const QString&, bool, QSize) {
    painted_ = 0;
}

void PaintSink::page(const PageLayout& page) {
    if (!range_.printsPage(page.number))
        return;
    if (!painter_.isActive()) {
        // Started with the first page that prints, so a range that prints nothing opens no job.
        if (!painter_.begin(device_))
            throw Error("Cannot start the print job");
    } else if (!device_->newPage()) {
        throw Error("Cannot start a new printer page");
    }
    paintPicture(painter_, page.picture, QRectF(QPointF(0, 0), page.picture.size));
    ++painted_;
}

void PaintSink::end() {
    if (painter_.isActive())
        painter_.end();
}

void PaintSink::abort() {
    if (abortJob_)
        abortJob_();
    if (painter_.isActive())
        painter_.end();
}

} // namespace report
