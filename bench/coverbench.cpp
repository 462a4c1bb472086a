// coverbench [releases]: covers on the generated collection, a fifth of its releases with one
// (20,000 of 100,000 by default). Prints, as information and never as assertions:
//   thumbs_per_s=<x>        thumbnails made from cover files on every core, cold cache (>= 200)
//   wall_first_screen_ms=<x> a new wall's first screen of thumbnails from the cache on disk,
//                           as at a second start
//   wall_scroll_ms=<x>      scrolling the wall a page and drawing it, thumbnails made (<= 16):
//                           median and worst
//   wall_mb=<x>             the most memory the wall took, scrolling through every cover (<= 150)
#include "benchdata.h"
#include "benchutil.h"
#include "offscreen.h"

#include "dbaware/datasource.h"
#include "mainwindow/coverthumbs.h"
#include "mainwindow/coverwall.h"
#include "store/covers.h"
#include "store/thumbnailcache.h"

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

using benchutil::Clock;
using benchutil::msSince;
using benchutil::statusKb;

constexpr int kDistinctScans = 48;
constexpr int kScanSide = 1200;

// A scan-like picture: smooth colour with some grain, so that JPEG has work to do.
QImage scan(int variant) {
    QImage image(kScanSide, kScanSide, QImage::Format_RGB32);
    std::uint32_t noise = 2463534242u + static_cast<std::uint32_t>(variant);
    for (int y = 0; y < kScanSide; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kScanSide; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = static_cast<int>(noise & 15);
            line[x] = qRgb((x / 5 + variant * 37 + grain) & 255, (y / 5 + grain) & 255,
                           (variant * 71 + (x + y) / 10) & 255);
        }
    }
    QPainter(&image).drawText(100, 100, QString::number(variant));
    return image;
}

// The covers of every fifth release, as hard links to a few distinct scans.
std::vector<std::int32_t> makeCovers(const engine::Table& lydsam, const std::string& folder) {
    namespace fs = std::filesystem;
    fs::create_directories(folder + store::kCoverFolder);
    std::vector<std::string> scans;
    for (int v = 0; v < kDistinctScans; ++v) {
        scans.push_back(folder + "scan" + std::to_string(v) + ".jpg");
        benchutil::require(scan(v).save(QString::fromStdString(scans.back()), "JPEG", 90),
                           "a scan is written");
    }
    std::vector<std::int32_t> covered;
    const int num = lydsam.fieldIndex("Num");
    for (int row = 0; row < lydsam.recordCount(); ++row) {
        const std::int32_t n = std::stoi(lydsam.textAt(row, num));
        if (n % 5 != 1)
            continue;
        fs::create_hard_link(scans[covered.size() % scans.size()], store::Covers(folder).path(n));
        covered.push_back(n);
    }
    return covered;
}

// Pumps events until every tile in view with a cover shows it.
void waitForScreen(CoverWall& wall) {
    QListView* view = wall.view();
    for (;;) {
        bool missing = false;
        const QRect shown = view->viewport()->rect();
        for (QModelIndex i = view->indexAt(shown.topLeft() + QPoint(4, 4));
             i.isValid() && view->visualRect(i).top() < shown.bottom();
             i = i.siblingAtRow(i.row() + 1)) {
            const int num = i.data(CoverWallModel::NumRole).toInt();
            if (num % 5 == 1 && !i.data(CoverWallModel::HasCoverRole).toBool())
                missing = true;
        }
        if (!missing)
            return;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
}

int run(int releases) {
    std::printf("# coverbench: %d releases\n", releases);
    std::printf("# load average at start: %s\n", benchutil::loadAverage().c_str());
    benchdata::Collection c;
    benchdata::generate(c, releases);
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    const std::vector<std::int32_t> covered = makeCovers(c.lydsam, folder);
    store::Covers covers(folder);
    const store::ThumbnailCache cache(folder + "cache/");

    // The wall's workers' path, on every core, for the covers of the first 10,000 releases.
    const std::size_t made = std::min<std::size_t>(covered.size(), 2000);
    std::atomic<std::size_t> next{0};
    const auto t0 = Clock::now();
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < QThread::idealThreadCount(); ++t)
            threads.emplace_back([&] {
                for (std::size_t i; (i = next++) < made;)
                    benchutil::require(!cache.ofFile(covers.path(covered[i]), covered[i]).empty(),
                                       "a thumbnail is made");
            });
    }
    const double coldMs = msSince(t0);
    std::printf("thumbs_per_s=%.0f covers=%zu of %zu threads=%d target>=200\n",
                static_cast<double>(made) * 1000 / coldMs, made, covered.size(),
                QThread::idealThreadCount());

    TDataSource source;
    source.setDataSet(&c.lydsam);
    benchutil::resetPeak();
    const long before = statusKb("VmRSS");
    {
        CoverThumbs thumbs(covers, cache);
        const auto w0 = Clock::now();
        CoverWall wall(
            c.lydsam, source, thumbs, [](const QString&) {}, [] {});
        wall.resize(1100, 800);
        wall.show();
        waitForScreen(wall);
        wall.grab();
        std::printf("wall_first_screen_ms=%.0f\n", msSince(w0));

        // Pages with their thumbnails made, then scrolled through again and timed.
        QScrollBar* bar = wall.view()->verticalScrollBar();
        const int pages = 20;
        for (int p = 0; p < pages; ++p) {
            bar->setValue(p * bar->pageStep());
            waitForScreen(wall);
        }
        std::vector<double> times;
        for (int p = pages - 1; p >= 0; --p) {
            const auto s0 = Clock::now();
            bar->setValue(p * bar->pageStep());
            wall.view()->viewport()->repaint();
            times.push_back(msSince(s0));
        }
        std::printf("wall_scroll_ms=%.1f worst=%.1f pages=%d target<=16\n",
                    benchutil::median(times), benchutil::maxOf(times), pages);

        // Through every cover made above: memory stays bounded by the thumbnails' cache.
        const int rowsWithMade = static_cast<int>(made) * 5;
        while (wall.view()->indexAt(QPoint(4, wall.view()->viewport()->height() - 4)).row() <
                   rowsWithMade &&
               bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + bar->pageStep());
            waitForScreen(wall);
        }
        std::printf("wall_mb=%.1f target<=150\n",
                    static_cast<double>(statusKb("VmHWM") - before) / 1024);
    }
    source.setDataSet(nullptr);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    return offscreen::benchMain(argc, argv, "coverbench", run);
}
