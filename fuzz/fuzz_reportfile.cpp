// Report file loading on arbitrary bytes. Only report::Error may come out of the loader; any
// other exception, crash or sanitizer report is a bug. A file that loads is drawn page by page
// (so the drawing code meets whatever the checks let through), saved, and loaded again, which
// must give the same bytes.
#include "report/pagepicture.h"
#include "report/pagestore.h"
#include "report/reporterror.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// Never destroyed: at exit Qt's own statics are already gone.
QGuiApplication* app = nullptr;

void draw(const report::PageStore& store) {
    QImage image(60, 85, QImage::Format_RGB32);
    for (int page = 1; page <= store.pageCount() && page <= 8; ++page) {
        const report::PagePicture picture = store.picture(page);
        image.fill(Qt::white);
        QPainter painter(&image);
        report::paintPicture(painter, picture, QRectF(0, 0, 60, 85));
    }
}

} // namespace

// The application is never destroyed, so fontconfig's caches are still held at exit.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::unique_ptr<report::PageStore> store;
    try {
        store = report::PageStore::fromBytes(bytes, QStringLiteral("fuzz.PRP"));
    } catch (const report::Error&) {
        return 0;
    }
    draw(*store);
    const auto again = report::PageStore::fromBytes(store->bytes(), QStringLiteral("again.PRP"));
    if (again->bytes() != bytes || again->pageCount() != store->pageCount())
        std::abort(); // a loaded file did not come back the same
    return 0;
}
