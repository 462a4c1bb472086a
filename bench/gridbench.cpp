// gridbench [releases]: the tracks page's grid (TDBGrid, six columns, 632 x 300) over the
// generated collection's Numre table (1.2 million tracks by default), opened from its file with
// its indices and ordered by Nummer, Qt offscreen. Prints, as information and never as
// assertions:
//   grid_filter_switch_repaint_ms=<x>   median of switching the filter on ("Num = '<n>'") or
//                                       off, then handling the events and repainting the grid
//   grid_scroll_1000_pages_ms=<x> per_page_ms=<y> max_page_ms=<z>
//                                       1,000 Page Down presses, the table following, each
//                                       repainted
#include "benchdata.h"
#include "benchutil.h"
#include "offscreen.h"

#include "dbaware/datasource.h"
#include "dbaware/dbgrid.h"
#include "dbaware/errorbox.h"
#include "store/collection.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using benchutil::Clock;
using benchutil::median;
using benchutil::msSince;
using benchutil::require;

constexpr int kSwitchRuns = 21; // each way
constexpr int kPages = 1000;
constexpr int kWidth = 632;
constexpr int kHeight = 300;

// Counts the paints of the grid's cells, so every timed repaint is known to have drawn.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The window's font: "MS Sans Serif" at 13 pixels becomes a sans-serif face.
QFont windowFont() {
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(13);
    return f;
}

void waitExposed(QWidget& w) {
    const auto t0 = Clock::now();
    while (!w.windowHandle() || !w.windowHandle()->isExposed()) {
        require(msSince(t0) < 30000, "the grid's window is exposed");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QCoreApplication::processEvents();
}

// What follows a change the user sees: pending events (resets, queued moves), then the paint.
void settleAndRepaint(TDBGrid& grid) {
    QCoreApplication::processEvents();
    grid.repaint();
}

int run(int releases) {
    std::printf("# gridbench: tracks grid (6 columns, %d x %d, Qt offscreen) over %d tracks, "
                "active index Nummer; %d filter switches each way, %d Page Down presses\n",
                kWidth, kHeight, releases * benchdata::kTracksPerRelease, kSwitchRuns, kPages);
    std::printf("# load average at start: %s\n", benchutil::loadAverage().c_str());
    std::printf("# targets: grid_filter_switch_repaint_ms <= 50 ms; grid_scroll_1000_pages_ms: "
                "no visible stall (per page well under a frame, no page much slower than "
                "the rest)\n");
    std::fflush(stdout);

    benchutil::TempFolder tmp("levyholvi-gridbench");
    const std::string file = tmp.path() + "/Numre.dat";
    {
        auto c = std::make_unique<benchdata::Collection>();
        benchdata::generate(*c, releases);
        c->numre.save(file);
    }
    engine::Table numre;
    store::openTable(numre, store::collectionTable("Numre"), file);
    const int all = numre.recordCount();
    require(all == releases * benchdata::kTracksPerRelease && numre.activeIndex() == "Nummer",
            "the tracks table opens with all its rows, ordered by Nummer");

    int errors = 0;
    dbaware::setErrorBoxHandler([&](const QString& text) {
        ++errors;
        std::fprintf(stderr, "gridbench: error box: %s\n", qPrintable(text));
    });

    TDataSource source;
    source.setDataSet(&numre);
    TDBGrid grid;
    grid.setFont(windowFont());
    auto col = [](const char* field, const QString& title, int width = -1) {
        return TColumn{QLatin1String(field), title, width};
    };
    grid.setColumns({col("Titel", QStringLiteral("Kappale"), 0),
                     col("Nummer", QStringLiteral("Kappaleet")),
                     col("NrTitel", QStringLiteral("Kappaleen nimi")),
                     col("Kunstner", QStringLiteral("Taiteilija")),
                     col("Komponist", QStringLiteral("Säveltäjä")),
                     col("Musiker", QStringLiteral("Muusikot"))});
    grid.setDataSource(&source);
    grid.resize(kWidth, kHeight);
    grid.show();
    grid.setFocus();
    waitExposed(grid);
    grid.setSelectedIndex(1);
    PaintCounter painted;
    grid.viewport()->installEventFilter(&painted);

    // ---- grid_filter_switch_repaint_ms
    std::vector<double> onMs, offMs, bothMs, paintMs;
    for (int i = 0; i < 2 * kSwitchRuns; ++i) {
        const bool on = i % 2 == 0;
        const int num = 1 + (i * 7919 + 12345) % releases;
        const int paintsBefore = painted.paints;
        const auto t0 = Clock::now();
        if (on) {
            numre.setFilter("Num = '" + std::to_string(num) + "'");
            numre.setFiltered(true);
        } else {
            numre.setFiltered(false);
        }
        const auto t1 = Clock::now();
        settleAndRepaint(grid);
        const double ms = msSince(t0);
        paintMs.push_back(msSince(t1));
        (on ? onMs : offMs).push_back(ms);
        bothMs.push_back(ms);
        require(painted.paints > paintsBefore, "the grid repainted its cells");
        require(grid.model()->rowCount() == (on ? benchdata::kTracksPerRelease : all),
                "the grid shows the filtered or the whole table");
        require(grid.currentIndex().row() == numre.currentDisplayRow(),
                "the grid's current row is the table's");
    }
    std::printf("grid_filter_switch_repaint_ms=%.3f\n", median(bothMs));
    std::printf("# filter switch medians: on %.3f ms, off %.3f ms (slowest %.3f ms); of which "
                "event handling and repaint %.3f ms\n",
                median(onMs), median(offMs), benchutil::maxOf(bothMs), median(paintMs));
    std::fflush(stdout);

    // ---- grid_scroll_1000_pages_ms
    numre.setFiltered(false);
    numre.first();
    settleAndRepaint(grid);
    const int startRow = numre.currentDisplayRow();
    std::vector<double> pageMs;
    const int paintsBefore = painted.paints;
    const auto t0 = Clock::now();
    for (int i = 0; i < kPages; ++i) {
        const auto p0 = Clock::now();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QCoreApplication::sendEvent(&grid, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier);
        QCoreApplication::sendEvent(&grid, &release);
        settleAndRepaint(grid);
        pageMs.push_back(msSince(p0));
    }
    const double totalMs = msSince(t0);
    const int moved = numre.currentDisplayRow() - startRow;
    require(moved >= kPages && grid.currentIndex().row() == numre.currentDisplayRow(),
            "every Page Down moved the table and the grid shows its row");
    require(painted.paints - paintsBefore >= kPages, "every page was painted");
    require(errors == 0, "no error box");
    std::printf("grid_scroll_1000_pages_ms=%.1f per_page_ms=%.3f max_page_ms=%.3f\n", totalMs,
                totalMs / kPages, benchutil::maxOf(pageMs));
    std::printf("# scroll: %d rows in %d pages (%.1f rows a page); median page %.3f ms\n", moved,
                kPages, static_cast<double>(moved) / kPages, median(pageMs));
    dbaware::setErrorBoxHandler(nullptr);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    return offscreen::benchMain(argc, argv, "gridbench", run);
}
