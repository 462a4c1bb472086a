// locatebench [releases]: the record locator (TRecLocate::FindFirst, contains, ignore case,
// background event pumping, controls disabled, as the main window sets it up) against two
// SQLite peers in the same order, on the same rows, in one run: a contains-query (instr) that
// reads every row, and a full-text table with the trigram tokenizer, built beforehand:
//   locate_findfirst_kunstner ours_ms=<x> sqlite_ms=<y> ratio=<x/y>       releases by artist
//   locate_findfirst_kunstner_fts ours_ms=<x> sqlite_ms=<z> ratio=<x/z>
//   locate_findfirst_nrtitel ours_ms=<x> sqlite_ms=<y> ratio=<x/y>        tracks by number
//   locate_findfirst_nrtitel_fts ours_ms=<x> sqlite_ms=<z> ratio=<x/z>
// Each searches for a text first found near the end of the table's order; all three must find
// the same record. Ours is the same median on both lines. The search text is chosen on a copy
// of the table, so that the timed table's first search is the locator's first use of it; that
// time is printed too. Lines starting with '#' are information; the targets are never asserted.
#include "benchdata.h"
#include "benchutil.h"
#include "offscreen.h"
#include "peerrows.h"

#include "dbaware/datasource.h"
#include "locate/reclocate.h"
#include "store/collection.h"

#include <sqlite3.h>

#include <QApplication>

#include <algorithm>
#include <cstdio>
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

// One table opened from its file as the main window opens it, with a locator set up as the
// window's RecLocate1 and RecLocate2.
struct Searched {
    engine::Table table;
    TDataSource source;
    TRecLocate locator;

    Searched(const store::CollectionTable& desc, const std::string& file, const char* field) {
        store::openTable(table, desc, file);
        source.setDataSet(&table);
        locator.setDataSource(&source);
        locator.DataField = QLatin1String(field);
        locator.MatchType = maAnywhere;
        locator.IgnoreCase = true;
        locator.FailPos = fpOriginal;
        locator.DisableControls = true;
        locator.FindCursor = TRecLocate::crHourGlass;
        locator.DoBackground = true;
        locator.UseIndexes = true;
        locator.NumRecs = 0;
        locator.setProgressCount(0);
        locator.setMaxMemoSize(32767);
    }
    ~Searched() { source.setDataSet(nullptr); }

    // The found row as a rowid (file order + 1; 0 when not found) and its place in the view.
    std::int64_t find(const std::string& needle, int& position) {
        locator.FindText = QString::fromStdString(needle);
        locator.FindFirst();
        position = locator.Found() ? table.currentDisplayRow() : -1;
        return locator.Found() ? static_cast<std::int64_t>(table.bookmark().row) + 1 : 0;
    }
};

// The needle as one FTS5 string: a phrase of its trigrams, that is, the text anywhere.
std::string ftsString(const std::string& needle) {
    std::string out = "\"";
    for (const char ch : needle) {
        out += ch;
        if (ch == '"')
            out += '"';
    }
    return out + "\"";
}

std::string queryPlan(const sqlitedb::Db& db, const std::string& sql) {
    sqlitedb::Stmt s(db, "EXPLAIN QUERY PLAN " + sql);
    s.bindText(1, "\"xyz\"");
    std::string plan;
    while (s.step())
        plan += (plan.empty() ? "" : "; ") + std::string(s.columnText(3));
    return plan;
}

// The full-text table over one column, filled from the peer's table in rowid order.
double buildFts(sqlitedb::Db& db, const std::string& table, const std::string& column) {
    const auto t0 = Clock::now();
    db.exec("CREATE VIRTUAL TABLE " + table + "Fts USING fts5(" + column + ", tokenize='trigram')");
    db.exec("INSERT INTO " + table + "Fts (rowid, " + column + ") SELECT rowid, " + column +
            " FROM " + table);
    return msSince(t0);
}

struct Case {
    const char* name;
    const sqlitedb::Db* db;
    std::string instrSql; // ?1 is the search text
    std::string ftsSql;   // ?1 is the search text as an FTS5 string

    // The statements are prepared inside the timing, as ours takes its search text.
    std::int64_t instr(const std::string& needle) const { return peer(instrSql, needle); }
    std::int64_t fts(const std::string& needle) const {
        const std::string quoted = ftsString(needle); // bound without a copy: outlives the step
        return peer(ftsSql, quoted);
    }

private:
    std::int64_t peer(const std::string& sql, const std::string& text) const {
        sqlitedb::Stmt s(*db, sql);
        s.bindText(1, text);
        return s.step() ? s.columnInt(0) : 0;
    }
};

// The first candidate that ours finds at or after view position `from` and both peers find at
// the same record. Rows with equal keys may sort apart in the orders (NOCASE folds a-z only),
// and the peers fold case differently (instr: a-z; the trigram table: all letters), so a
// candidate on which they disagree is skipped, and counted.
std::string pickNeedle(const Case& c, Searched& scout, const std::vector<std::string>& candidates,
                       int from, int& skipped) {
    skipped = 0;
    int tried = 0;
    for (const std::string& needle : candidates) {
        if (++tried > kMaxCandidates)
            break;
        scout.table.first();
        int position = -1;
        const std::int64_t row = scout.find(needle, position);
        if (row == 0 || position < from)
            continue;
        if (c.instr(needle) == row && c.fts(needle) == row)
            return needle;
        ++skipped;
    }
    throw std::runtime_error(std::string("no search text found by all sides for ") + c.name);
}

void line(const char* name, double ours, double peer) {
    std::printf("%s ours_ms=%.3f sqlite_ms=%.3f ratio=%.3f\n", name, ours, peer,
                peer > 0 ? ours / peer : 0.0);
}

void measure(const Case& c, Searched& s, const std::string& needle) {
    int position = -1;
    s.table.first();
    auto t0 = Clock::now();
    const std::int64_t firstRow = s.find(needle, position);
    const double firstMs = msSince(t0);
    std::vector<double> oursMs, instrMs, ftsMs;
    std::int64_t oursRow = 0;
    for (int i = 0; i < kRuns; ++i) {
        s.table.first(); // the search starts elsewhere: FindFirst moves the table itself
        t0 = Clock::now();
        oursRow = s.find(needle, position);
        oursMs.push_back(msSince(t0));
        t0 = Clock::now();
        const std::int64_t instrRow = c.instr(needle);
        instrMs.push_back(msSince(t0));
        t0 = Clock::now();
        const std::int64_t ftsRow = c.fts(needle);
        ftsMs.push_back(msSince(t0));
        require(oursRow != 0 && oursRow == firstRow && oursRow == instrRow && oursRow == ftsRow,
                std::string("all sides find the same record for ") + c.name);
    }
    const double x = median(oursMs);
    line(c.name, x, median(instrMs));
    line((std::string(c.name) + "_fts").c_str(), x, median(ftsMs));
    std::printf("# %s: \"%s\" first matches at view position %d of %d (rowid %lld on all "
                "sides); ours took %.3f ms on its first run (the locator's first use of the "
                "table)\n",
                c.name, needle.c_str(), position, s.table.recordCount(),
                static_cast<long long>(oursRow), firstMs);
    std::fflush(stdout);
}

int run(int releases) {
    const int tracks = releases * benchdata::kTracksPerRelease;
    std::printf("# locatebench: %d releases, %d tracks; SQLite %s in :memory:; medians of %d "
                "runs\n",
                releases, tracks, sqlite3_libversion(), kRuns);
    std::printf("# load average at start: %s\n", benchutil::loadAverage().c_str());
    std::printf("# targets: locate_findfirst_kunstner <= 10 ms (100,000 releases), "
                "locate_findfirst_nrtitel <= 5 ms (1.2 M tracks), ratio <= 1.0 (also "
                "against the *_fts peers)\n");
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

    std::unique_ptr<sqlitedb::Db> db = peerrows::openPeer();
    peerrows::sqliteLoad(*db, {peerrows::readRows(lydsamDesc, lydsamFile),
                               peerrows::readRows(numreDesc, numreFile)});
    db->exec("ANALYZE"); // lets the peer's planner pick its best plan; not timed
    const double lydsamFtsMs = buildFts(*db, "Lydsam", "Kunstner");
    const double numreFtsMs = buildFts(*db, "Numre", "NrTitel");
    std::printf("# peer's trigram tables built in %.0f ms (Lydsam.Kunstner) and %.0f ms "
                "(Numre.NrTitel), outside the timing\n",
                lydsamFtsMs, numreFtsMs);

    // Equal keys keep the insertion (file) order in ours; rowid does the same for the peer.
    const Case kunstner{
        "locate_findfirst_kunstner", db.get(),
        "SELECT rowid FROM Lydsam WHERE instr(upper(Kunstner), upper(?1)) > 0 "
        "ORDER BY Kunstner COLLATE NOCASE, Titel COLLATE NOCASE, rowid LIMIT 1",
        "SELECT l.rowid FROM Lydsam l WHERE l.rowid IN (SELECT rowid FROM LydsamFts WHERE "
        "LydsamFts MATCH ?1) ORDER BY l.Kunstner COLLATE NOCASE, l.Titel COLLATE NOCASE, "
        "l.rowid LIMIT 1"};
    const Case nrTitel{"locate_findfirst_nrtitel", db.get(),
                       "SELECT rowid FROM Numre WHERE instr(upper(NrTitel), upper(?1)) > 0 "
                       "ORDER BY Nummer, rowid LIMIT 1",
                       "SELECT n.rowid FROM Numre n WHERE n.rowid IN (SELECT rowid FROM NumreFts "
                       "WHERE NumreFts MATCH ?1) ORDER BY n.Nummer, n.rowid LIMIT 1"};
    std::printf("# peer plans: Lydsam: %s | Lydsam, trigram: %s\n",
                queryPlan(*db, kunstner.instrSql).c_str(), queryPlan(*db, kunstner.ftsSql).c_str());
    std::printf("# peer plans: Numre: %s | Numre, trigram: %s\n",
                queryPlan(*db, nrTitel.instrSql).c_str(), queryPlan(*db, nrTitel.ftsSql).c_str());

    // ---- releases: the artists of the rows from 2 % before the end of the order onwards.
    std::string needle;
    {
        Searched scout(lydsamDesc, lydsamFile, "Kunstner");
        engine::Table& lydsam = scout.table;
        require(lydsam.activeIndex() == "Kunstner", "the releases open in artist order");
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
        needle = pickNeedle(kunstner, scout, candidates, from - n / 100, skipped);
        if (skipped > 0)
            std::printf("# %s: %d artists skipped (the orders or the case folding differ "
                        "there)\n",
                        kunstner.name, skipped);
    }
    {
        Searched timed(lydsamDesc, lydsamFile, "Kunstner");
        measure(kunstner, timed, needle);
    }

    // ---- tracks: titles that first occur within the last 2 % of the order. Titles repeat
    // across 1.2 M tracks, so a late first occurrence needs a rare one.
    {
        Searched scout(numreDesc, numreFile, "NrTitel");
        engine::Table& numre = scout.table;
        require(numre.activeIndex() == "Nummer", "the tracks open in number order");
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
        needle = pickNeedle(nrTitel, scout, candidates, from, skipped);
        if (skipped > 0)
            std::printf("# %s: %d titles skipped (the orders or the case folding differ "
                        "there)\n",
                        nrTitel.name, skipped);
    }
    {
        Searched timed(numreDesc, numreFile, "NrTitel");
        measure(nrTitel, timed, needle);
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    return offscreen::benchMain(argc, argv, "locatebench", run);
}
