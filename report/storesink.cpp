#include "storesink.h"

#include "units.h"

namespace report {

int StoreSink::dpi() const {
    return kScreenDpi;
}

void StoreSink::begin(const QString&, bool compression, QSize) {
    store_.begin(compression);
}

void StoreSink::page(const PageLayout& page) {
    store_.addPage(encodePicture(page.picture));
}

void StoreSink::end() {
    store_.finish();
}

} // namespace report
