#include "storedprint.h"

#include "pagestore.h"
#include "reporterror.h"
#include "reppage.h"
#include "units.h"

#include <QPainter>
#include <QPrinter>

namespace report {

void printStoredPages(const PageStore& store, QPrinter& printer) {
    if (store.pageCount() < 1)
        return;
    const PagePicture first = store.picture(1);
    const int w = static_cast<int>(pixelsToTenths(first.size.width(), first.dpi));
    const int h = static_cast<int>(pixelsToTenths(first.size.height(), first.dpi));
    const TRepPaperSize paper = paperSizeFor(w, h);
    const QPageSize size = paper == psCustom
                               ? QPageSize(QSizeF(w / 10.0, h / 10.0), QPageSize::Millimeter)
                               : QPageSize(pageSizeId(paper));
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(size, w > h ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0)));
    const bool ranged = printer.printRange() == QPrinter::PageRange;
    QPainter painter;
    for (int page = 1; page <= store.pageCount(); ++page) {
        if (ranged &&
            (page < printer.fromPage() || (printer.toPage() > 0 && page > printer.toPage())))
            continue;
        const PagePicture picture = store.picture(page);
        if (!painter.isActive()) {
            if (!painter.begin(&printer))
                throw Error("Cannot start the print job");
        } else if (!printer.newPage()) {
            throw Error("Cannot start a new printer page");
        }
        const QRect target = printer.pageLayout().fullRectPixels(printer.resolution());
        paintPicture(painter, picture, QRectF(QPointF(0, 0), QSizeF(target.size())));
    }
    if (painter.isActive())
        painter.end();
}

} // namespace report
