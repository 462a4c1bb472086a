// locatebench [releases]: the record locator (TRecLocate::FindFirst, contains, ignore case,
// background event pumping, controls disabled, as the main window sets it up) against SQLite's
// contains-query in the same order, on the same rows, in one run:
//   locate_findfirst_kunstner ours_ms=<x> sqlite_ms=<y> ratio=<x/y>   releases by artist
//   locate_findfirst_nrtitel ours_ms=<x> sqlite_ms=<y> ratio=<x/y>    tracks by number
// Each searches for a text first found near the end of the table's order; both sides must find
// the same record. Lines starting with '#' are information (among them the first search of a
// field, which builds its text index, and SQLite's FTS5 trigram index on the same query); the
// targets are never asserted.
#include "benchdata.h"
#include "benchutil.h"
#include "peerrows.h"

#include "dbaware/datasource.h"
#include "locate/reclocate.h"
#include "store/collection.h"

#include <sqlite3.h>

#include <QApplication>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using benchutil::median;
using benchutil::msSince;
using benchutil::require;
using Clock = benchutil::Clock;

constexpr int kRuns = 11;
constexpr int kMaxCandidates = 200;

// As the main window makes RecLocate1 and RecLocate2.
void setUp(TRecLocate& l, TDataSource* source, const char* field) {
    l.setDataSource(source);
    l.DataField = QLatin1String(field);
    l.MatchType = maAnywhere;
    l.IgnoreCase = true;
    l.FailPos = fpOriginal;
    l.DisableControls = true;
    l.FindCursor = TRecLocate::crHourGlass;
    l.DoBackground = true;
    l.UseIndexes = true;
    l.NumRecs = 0;
    l.setProgressCount(0);
    l.setMaxMemoSize(32767);
}

// Resident memory in MB, to show what a text index costs.
double residentMb() {
    std::ifstream in("/proc/self/statm");
    long pages = 0, resident = 0;
    in >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

std::string queryPlan(const sqlitedb::Db& db, const std::string& sql) {
    sqlitedb::Stmt s(db, "EXPLAIN QUERY PLAN " + sql);
    s.bindText(1, "x");
    std::string plan;
    while (s.step())
        plan += (plan.empty() ? "" : "; ") + std::string(s.columnText(3));
    return plan;
}

struct Case {
    const char* name;
    engine::Table* table;
    TRecLocate* locator;
    const sqlitedb::Db* db;
    std::string sql;    // ?1 is the search text
    std::string ftsSql; // the same through an FTS5 trigram index

    // The found row as a rowid (file order + 1; 0 when not found) and its place in the view.
    std::int64_t ours(const std::string& needle, int& position) const {
        locator->FindText = QString::fromStdString(needle);
        locator->FindFirst();
        position = locator->Found() ? table->currentDisplayRow() : -1;
        return locator->Found() ? static_cast<std::int64_t>(table->bookmark().row) + 1 : 0;
    }
    // The statement is prepared inside the timing, as ours takes its search text.
    std::int64_t peer(const std::string& needle, bool fts = false) const {
        sqlitedb::Stmt s(*db, fts ? ftsSql : sql);
        s.bindText(1, needle);
        return s.step() ? s.columnInt(0) : 0;
    }
};

// The first candidate that ours finds at or after view position `from` and the peer finds at
// the same record. Rows with equal keys may sort apart in the two orders (NOCASE folds a-z
// only), so a candidate on which they disagree is skipped, and counted.
std::string pickNeedle(const Case& c, const std::vector<std::string>& candidates, int from,
                       int& skipped) {
    skipped = 0;
    int tried = 0;
    for (const std::string& needle : candidates) {
        if (++tried > kMaxCandidates)
            break;
        c.table->first();
        int position = -1;
        const double mb = residentMb();
        const auto t0 = Clock::now();
        const std::int64_t row = c.ours(needle, position);
        if (tried == 1)
            std::printf("# %s: the first search took %.1f ms (it builds the field's text index; "
                        "resident memory grew by %.0f MB)\n",
                        c.name, msSince(t0), residentMb() - mb);
        if (row == 0 || position < from)
            continue;
        if (c.peer(needle) == row)
            return needle;
        ++skipped;
    }
    throw std::runtime_error(std::string("no search text found by both sides for ") + c.name);
}

void measure(const Case& c, const std::string& needle) {
    std::vector<double> oursMs, peerMs, ftsMs;
    std::int64_t oursRow = 0, peerRow = 0, ftsRow = 0;
    int position = -1;
    for (int i = 0; i < kRuns; ++i) {
        c.table->first(); // the search starts elsewhere: FindFirst moves the table itself
        auto t0 = Clock::now();
        oursRow = c.ours(needle, position);
        oursMs.push_back(msSince(t0));
        t0 = Clock::now();
        peerRow = c.peer(needle);
        peerMs.push_back(msSince(t0));
        require(oursRow != 0 && oursRow == peerRow,
                std::string("both sides find the same record for ") + c.name);
        t0 = Clock::now();
        ftsRow = c.peer(needle, true);
        ftsMs.push_back(msSince(t0));
    }
    const double x = median(oursMs), y = median(peerMs);
    std::printf("%s ours_ms=%.3f sqlite_ms=%.3f ratio=%.3f\n", c.name, x, y, y > 0 ? x / y : 0.0);
    std::printf("# %s: \"%s\" first matches at view position %d of %d (rowid %lld on both "
                "sides)\n",
                c.name, needle.c_str(), position, c.table->recordCount(),
                static_cast<long long>(oursRow));
    // FTS5 folds case beyond a-z, so it may find another record first; said, not required.
    std::printf("# %s: SQLite FTS5 trigram: %.3f ms, %s\n", c.name, median(ftsMs),
                ftsRow == oursRow ? "the same record" : "another record");
    std::fflush(stdout);
}

int run(int releases) {
    const int tracks = releases * benchdata::kTracksPerRelease;
    std::printf("# locatebench: %d releases, %d tracks; SQLite %s in :memory:; medians of %d "
                "runs\n",
                releases, tracks, sqlite3_libversion(), kRuns);
    std::printf("# load average at start: %s\n", benchutil::loadAverage().c_str());
    std::printf("# targets: locate_findfirst_kunstner <= 10 ms (100,000 releases), "
                "locate_findfirst_nrtitel <= 5 ms (1.2 M tracks), ratio <= 1.0, each faster "
                "than SQLite's FTS5 trigram index\n");
    std::fflush(stdout);

    benchutil::TempFolder tmp("levyholvi-locatebench");
    const store::CollectionTable& lydsamDesc = store::collectionTable("Lydsam");
    const store::CollectionTable& numreDesc = store::collectionTable("Numre");
    const std::string lydsamFile = tmp.path() + "/" + lydsamDesc.fileName;
    const std::string numreFile = tmp.path() + "/" + numreDesc.fileName;
    {
        auto c = std::make_unique<benchdata::Collection>();
        benchdata::generate(*c, releases);
        c->lydsam.save(lydsamFile);
        c->numre.save(numreFile);
    }
    engine::Table lydsam, numre;
    store::openTable(lydsam, lydsamDesc, lydsamFile);
    store::openTable(numre, numreDesc, numreFile);
    require(lydsam.activeIndex() == "Kunstner" && numre.activeIndex() == "Nummer",
            "the tables open in their usual orders");

    std::unique_ptr<sqlitedb::Db> db = peerrows::openPeer();
    peerrows::sqliteLoad(*db, {peerrows::readRows(lydsamDesc, lydsamFile),
                               peerrows::readRows(numreDesc, numreFile)});
    db->exec("ANALYZE"); // lets the peer's planner pick its best plan; not timed
    {
        const auto t0 = Clock::now();
        db->exec("CREATE VIRTUAL TABLE LydsamFts USING fts5(Kunstner, tokenize='trigram', "
                 "content='Lydsam', content_rowid='rowid');"
                 "INSERT INTO LydsamFts(LydsamFts) VALUES('rebuild');"
                 "CREATE VIRTUAL TABLE NumreFts USING fts5(NrTitel, tokenize='trigram', "
                 "content='Numre', content_rowid='rowid');"
                 "INSERT INTO NumreFts(NumreFts) VALUES('rebuild')");
        std::printf("# peer FTS5 trigram indices built in %.0f ms (not timed in the figures)\n",
                    msSince(t0));
    }

    TDataSource lydsamSource, numreSource;
    lydsamSource.setDataSet(&lydsam);
    numreSource.setDataSet(&numre);
    TRecLocate recLocate1, recLocate2;
    setUp(recLocate1, &lydsamSource, "Kunstner");
    setUp(recLocate2, &numreSource, "NrTitel");

    // Equal keys keep the insertion (file) order in ours; rowid does the same for the peer.
    const Case kunstner{"locate_findfirst_kunstner",
                        &lydsam,
                        &recLocate1,
                        db.get(),
                        "SELECT rowid FROM Lydsam WHERE instr(upper(Kunstner), upper(?1)) > 0 "
                        "ORDER BY Kunstner COLLATE NOCASE, Titel COLLATE NOCASE, rowid LIMIT 1",
                        "SELECT rowid FROM Lydsam WHERE rowid IN (SELECT rowid FROM LydsamFts "
                        "WHERE LydsamFts MATCH '\"' || replace(?1, '\"', '\"\"') || '\"') "
                        "ORDER BY Kunstner COLLATE NOCASE, Titel COLLATE NOCASE, rowid LIMIT 1"};
    const Case nrTitel{"locate_findfirst_nrtitel",
                       &numre,
                       &recLocate2,
                       db.get(),
                       "SELECT rowid FROM Numre WHERE instr(upper(NrTitel), upper(?1)) > 0 "
                       "ORDER BY Nummer, rowid LIMIT 1",
                       "SELECT rowid FROM Numre WHERE rowid IN (SELECT rowid FROM NumreFts "
                       "WHERE NumreFts MATCH '\"' || replace(?1, '\"', '\"\"') || '\"') "
                       "ORDER BY Nummer, rowid LIMIT 1"};
    std::printf("# peer plans: Lydsam: %s | Numre: %s\n", queryPlan(*db, kunstner.sql).c_str(),
                queryPlan(*db, nrTitel.sql).c_str());

    // ---- releases: the artists of the rows from 2 % before the end of the order onwards.
    {
        const int n = lydsam.recordCount();
        const int from = n - 1 - n / 50;
        const int field = lydsam.fieldIndex("Kunstner");
        std::vector<std::string> candidates;
        lydsam.moveTo(from);
        for (; !lydsam.eof(); lydsam.next()) {
            std::string artist = lydsam.asText(field);
            if (candidates.empty() || candidates.back() != artist)
                candidates.push_back(std::move(artist));
        }
        int skipped = 0;
        // The artist's first release may lie a little before `from`.
        const std::string needle = pickNeedle(kunstner, candidates, from - n / 100, skipped);
        if (skipped > 0)
            std::printf("# %s: %d artists skipped (the two orders differ there)\n", kunstner.name,
                        skipped);
        measure(kunstner, needle);
    }

    // ---- tracks: titles that first occur within the last 2 % of the order. Titles repeat
    // across 1.2 M tracks, so a late first occurrence needs a rare one.
    {
        const int n = numre.recordCount();
        const int from = n - 1 - n / 50;
        const int field = numre.fieldIndex("NrTitel");
        std::unordered_map<std::string, int> firstSeen;
        int position = 0;
        for (numre.first(); !numre.eof(); numre.next(), ++position)
            firstSeen.try_emplace(std::string(numre.textView(field)), position);
        std::vector<std::pair<int, std::string>> late;
        for (auto& [title, at] : firstSeen)
            if (at >= from)
                late.emplace_back(at, title);
        std::sort(late.begin(), late.end());
        std::vector<std::string> candidates;
        for (auto& [at, title] : late)
            candidates.push_back(std::move(title));
        int skipped = 0;
        const std::string needle = pickNeedle(nrTitel, candidates, from, skipped);
        if (skipped > 0)
            std::printf("# %s: %d titles skipped (the two orders differ there)\n", nrTitel.name,
                        skipped);
        measure(nrTitel, needle);
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv); // DoBackground pumps this application's events
    const QStringList args = app.arguments();
    const int releases = args.size() >= 2 ? args[1].toInt() : benchdata::kDefaultReleases;
    if (releases <= 0 || args.size() > 2) {
        std::fprintf(stderr, "usage: %s [releases]\n", argv[0]);
        return 2;
    }
    try {
        return run(releases);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "locatebench: %s\n", e.what());
        return 1;
    }
}
