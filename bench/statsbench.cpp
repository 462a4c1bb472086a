// statsbench [releases]: the collection's figures on the generated collection (100,000 releases,
// 1.2 M tracks, 1.2 M musician rows by default). Prints, as information and never as assertions:
//   stats_ms=<x>            every figure over the whole collection, best of five (target <= 150)
//   stats_lp_ms=<x>         the same over the LPs only (a selection), best of five
//   stats_extra_mb=<x>      the most memory the computation took beyond the collection (<= 20)
//   stats_window_ms=<x>     the statistics window from its making to its first chart drawn,
//                           counting included (<= 300); run with QT_QPA_PLATFORM=offscreen
//   stats_window_mb=<x>     the most memory the window and its counting took
#include "benchdata.h"
#include "benchutil.h"

#include "mainwindow/statswindow.h"
#include "stats/figures.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using benchutil::Clock;
using benchutil::msSince;
using benchutil::statusKb;

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int releases = argc > 1 ? std::atoi(argv[1]) : benchdata::kDefaultReleases;
    std::printf("# statsbench: %d releases\n", releases);
    std::printf("# load average at start: %s\n", benchutil::loadAverage().c_str());
    benchdata::Collection c;
    benchdata::generate(c, releases);
    benchutil::resetPeak();
    const long base = statusKb("VmRSS");
    double best = 1e9;
    stats::Figures figures;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        figures = stats::compute(c.lydsam, c.numre, c.musiker);
        best = std::min(best, msSince(t0));
    }
    const double extraMb = static_cast<double>(statusKb("VmHWM") - base) / 1024;
    c.lydsam.setFilter("Media = 'LP'");
    c.lydsam.setFiltered(true);
    const std::vector<std::uint32_t> lps = c.lydsam.viewRowIds();
    double bestLp = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        stats::compute(c.lydsam, c.numre, c.musiker, &lps);
        bestLp = std::min(bestLp, msSince(t0));
    }
    std::printf("stats_ms=%.0f releases=%lld tracks=%lld credits=%lld target_ms<=150\n", best,
                figures.releases, figures.tracks, figures.credits);
    std::printf("stats_lp_ms=%.0f lps=%zu\n", bestLp, lps.size());
    std::printf("stats_extra_mb=%.1f target<=20\n", extraMb);

    c.lydsam.setFiltered(false);
    benchutil::resetPeak();
    const long before = statusKb("VmRSS");
    const auto t0 = Clock::now();
    {
        StatsWindow window(
            [&](bool) -> StatsWindow::Job {
                return [&] { return stats::compute(c.lydsam, c.numre, c.musiker); };
            },
            nullptr);
        window.show();
        window.refresh();
        while (window.busy())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        window.grab(); // the chart shown, drawn
        std::printf("stats_window_ms=%.0f target<=300\n", msSince(t0));
        std::printf("stats_window_mb=%.1f\n",
                    static_cast<double>(statusKb("VmHWM") - before) / 1024);
    }
    return 0;
}
