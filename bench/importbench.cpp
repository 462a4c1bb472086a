// importbench [releases]: import and export on the generated collection (100,000 releases by
// default). Prints, as information and never as assertions:
//   discogs_import_ms=<x> releases=20000      a generated Discogs export into the loaded
//                                             collection (target <= 2000 ms)
//   csv_export_ms=<x>                         the whole collection as CSV tables (<= 10000 ms)
//   csv_import_ms=<x>                         those files into empty tables (<= 10000 ms)
//   *_peak_x_collection=<x>                   peak memory during the import as a multiple of
//                                             the loaded collection's (target <= 1.5)
//   undo_import_ms=<x> redo_import_ms=<x>     the Discogs import taken back and done again as
//                                             one step (each <= 1000 ms)
//   history_x_import=<x>                      the history's memory after the import as a
//                                             multiple of what the import added (<= 1.5)
//   bulk_change_ms=<x> undo_bulk_ms=<x>       the artist of every release set at once, and
//                                             taken back (each <= 1000 ms)
#include "benchdata.h"
#include "benchutil.h"

#include "exchange/collectiontables.h"
#include "exchange/csvtables.h"
#include "exchange/sources.h"
#include "history/bulkchange.h"
#include "history/history.h"
#include "store/collection.h"

#include <QCoreApplication>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace {

using benchutil::Clock;
using benchutil::msSince;
using benchutil::require;
using benchutil::resetPeak;
using benchutil::statusKb;

constexpr int kDiscogsReleases = 20000;

// Processor time as well: on a busy machine the wall clock says little.
double cpuMsSince(std::clock_t c0) {
    return 1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
}

struct Loaded {
    benchdata::Collection c;
    exchange::CollectionTables tables{c.lydsam, c.arkiv, c.numre, c.genre, c.musiker};
};

std::unique_ptr<Loaded> load(const std::string& dir) {
    auto l = std::make_unique<Loaded>();
    for (const auto& t : store::collectionTables())
        store::openTable(l->c.byName(t.name), t, dir + "/" + t.fileName);
    return l;
}

std::unique_ptr<Loaded> empty() {
    auto l = std::make_unique<Loaded>();
    for (const auto& t : store::collectionTables()) {
        t.create(l->c.byName(t.name));
        t.setDisplayWidths(l->c.byName(t.name));
        t.createIndices(l->c.byName(t.name));
    }
    return l;
}

// A Discogs collection export of n releases, with quoted fields and the usual formats.
void writeDiscogsExport(const std::string& path, int n) {
    std::ofstream out(path, std::ios::binary);
    out << "Catalog#,Artist,Title,Label,Format,Rating,Released,release_id,CollectionFolder,"
           "Date Added,Collection Media Condition,Collection Sleeve Condition,Collection Notes\r\n";
    std::mt19937 rng(4711);
    const char* formats[] = {"\"CD, Album\"",   "\"LP, Album, RE\"",
                             "\"2xLP, Comp\"",  "\"7\"\", Single, 45 RPM\"",
                             "\"Cass, Album\"", "\"File, FLAC\""};
    for (int i = 0; i < n; ++i) {
        out << "\"DX " << i << ", DX " << i << "b\",Tuotu Esittäjä " << rng() % 5000 << " ("
            << 1 + rng() % 3 << "),\"Levy " << i << ", osa " << rng() % 9 << "\",Yhtiö "
            << rng() % 300 << "," << formats[rng() % 6] << ",," << 1950 + rng() % 70 << ","
            << 9000000 + i << ",Uncategorized,2021-03-0" << 1 + rng() % 9
            << " 12:00:00,Very Good Plus (VG+),,\"Huomio: \"\"hyvä\"\"\"\r\n";
    }
}

double rowsKb(const Loaded& l) {
    std::size_t bytes = 0;
    for (const engine::Table* t : {&l.c.lydsam, &l.c.numre, &l.c.genre, &l.c.musiker})
        for (int r = 0; r < t->storedRowCount(); ++r)
            bytes += t->storedBlob(r).size() + 4 * sizeof(std::uint32_t); // a slot and orders
    return static_cast<double>(bytes) / 1024;
}

double historyKb(const Loaded& l) {
    std::size_t bytes = 0;
    for (const engine::Table* t : {&l.c.lydsam, &l.c.numre, &l.c.genre, &l.c.musiker})
        bytes += t->journal().bytes();
    return static_cast<double>(bytes) / 1024;
}

// The import as the window makes it, one step, then back and forth; then a change of every
// release.
void undoBenchmarks(const std::string& data, const std::string& discogs) {
    auto loaded = load(data);
    history::History history({{"Lydsam", &loaded->c.lydsam},
                              {"Numre", &loaded->c.numre},
                              {"Musiker", &loaded->c.musiker},
                              {"Genre", &loaded->c.genre}});
    const double before = rowsKb(*loaded);
    history.beginStep(QStringLiteral("tuonti"));
    exchange::importFrom(exchange::Source::Discogs, QString::fromStdString(discogs),
                         loaded->tables);
    history.endStep();
    const double addedKb = rowsKb(*loaded) - before; // the rows' bytes, their slot and orders
    std::printf("history_x_import=%.3f history_kb=%.0f import_added_kb=%.0f target<=1.5\n",
                historyKb(*loaded) / addedKb, historyKb(*loaded), addedKb);
    const int rows = loaded->c.lydsam.storedRowCount();
    auto t0 = Clock::now();
    history.undo();
    const double undoMs = msSince(t0);
    require(loaded->c.lydsam.storedRowCount() < rows, "the import undone");
    t0 = Clock::now();
    history.redo();
    const double redoMs = msSince(t0);
    require(loaded->c.lydsam.storedRowCount() == rows, "the import done again");
    std::printf("undo_import_ms=%.0f redo_import_ms=%.0f target_ms<=1000\n", undoMs, redoMs);

    engine::Table& releases = loaded->c.lydsam;
    history.beginStep(QStringLiteral("muutos"));
    t0 = Clock::now();
    const int changed = history::setField(releases, releases.viewRowIds(), "Kunstner", "Sama");
    const double bulkMs = msSince(t0);
    history.endStep();
    t0 = Clock::now();
    history.undo();
    const double undoBulkMs = msSince(t0);
    std::printf("bulk_change_ms=%.0f undo_bulk_ms=%.0f releases=%d target_ms<=1000\n", bulkMs,
                undoBulkMs, changed);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int releases = argc > 1 ? std::atoi(argv[1]) : benchdata::kDefaultReleases;
    std::printf("# importbench: %d releases\n", releases);
    std::printf("# load average at start: %s\n", benchutil::loadAverage().c_str());
    std::fflush(stdout);
    benchutil::TempFolder tmp("importbench");
    const std::string data = tmp.path() + "/data";
    {
        benchdata::Collection c;
        benchdata::generate(c, releases);
        benchdata::save(c, data);
    }
    const std::string discogs = tmp.path() + "/discogs.csv";
    writeDiscogsExport(discogs, kDiscogsReleases);

    // The Discogs export into the loaded collection.
    const long base = statusKb("VmRSS");
    auto loaded = load(data);
    const long collectionKb = statusKb("VmRSS") - base;
    resetPeak();
    auto t0 = Clock::now();
    auto c0 = std::clock();
    const auto summary = exchange::importFrom(exchange::Source::Discogs,
                                              QString::fromStdString(discogs), loaded->tables);
    const double discogsMs = msSince(t0);
    const long discogsPeakKb = statusKb("VmHWM") - base;
    require(summary.releases > 0, "the Discogs export imported");
    std::printf("discogs_import_ms=%.0f cpu_ms=%.0f releases=%d imported=%d skipped=%d "
                "target_ms<=2000\n",
                discogsMs, cpuMsSince(c0), kDiscogsReleases, summary.releases, summary.skipped);
    std::printf("discogs_import_peak_x_collection=%.2f collection_mb=%.1f target<=1.5\n",
                static_cast<double>(discogsPeakKb) / static_cast<double>(collectionKb),
                static_cast<double>(collectionKb) / 1024);
    loaded.reset();

    undoBenchmarks(data, discogs);

    // The whole generated collection out as CSV and back into empty tables.
    loaded = load(data);
    const QString csv = QString::fromStdString(tmp.path() + "/csv");
    t0 = Clock::now();
    c0 = std::clock();
    exchange::writeCsvTables(loaded->tables, csv);
    std::printf("csv_export_ms=%.0f cpu_ms=%.0f tracks=%d target_ms<=10000\n", msSince(t0),
                cpuMsSince(c0), loaded->c.numre.storedRowCount());
    loaded.reset();

    const long emptyBase = statusKb("VmRSS");
    auto target = empty();
    resetPeak();
    t0 = Clock::now();
    c0 = std::clock();
    const auto restored = exchange::importCsvTables(target->tables, csv);
    const double csvMs = msSince(t0);
    const double csvCpuMs = cpuMsSince(c0);
    const long csvPeakKb = statusKb("VmHWM") - emptyBase;
    require(restored.tracks == target->c.numre.storedRowCount(), "every track restored");
    std::printf("csv_import_ms=%.0f cpu_ms=%.0f tracks=%d target_ms<=10000\n", csvMs, csvCpuMs,
                restored.tracks);
    std::printf("csv_import_peak_x_collection=%.2f target<=1.5\n",
                static_cast<double>(csvPeakKb) / static_cast<double>(collectionKb));
    return 0;
}
