#pragma once

#include "pagepicture.h"
#include "repband.h"

#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

// Where a run's pages go: the picture store, a printer, a PDF or a text file.
namespace report {

struct PlacedBand {
    TRepBandRole role;
    QRect rect; // tenths of a millimetre on the page
};

// One laid-out page: its picture in the destination's pixels and where its bands went.
struct PageLayout {
    int number = 0;
    PagePicture picture;
    std::vector<PlacedBand> bands;
};

enum class ExportFormat { Text, Pdf };

class PageSink {
public:
    virtual ~PageSink() = default;
    virtual int dpi() const = 0; // pixels per inch the pages are laid out for
    virtual void begin(const QString& title, bool compression, QSize pageTenths) {
        (void)title, (void)compression, (void)pageTenths;
    }
    virtual void page(const PageLayout& page) = 0;
    virtual void end() {}
    virtual void abort() {} // the run was cancelled or failed
};

} // namespace report
