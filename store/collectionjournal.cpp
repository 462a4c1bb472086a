// The data folder's change journal, as the collection's files keep it: replayed at start-up,
// written anew whenever other files become the base, removed at a clean close.
#include "collection.h"
#include "collectionfiles.h"

#include "engine/error.h"
#include "engine/rowcodec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include <unistd.h>

namespace store {

using engine::RowChange;
using engine::Table;

namespace {

JournalBase baseOf(const std::string& table, const engine::tablefile::FileVersion& v) {
    return {table, v.exists, v.size, v.checksum};
}

bool sameContent(const JournalBase& base, const engine::tablefile::FileVersion& now) {
    return base.exists == now.exists &&
           (!now.exists || (base.size == now.size && base.checksum == now.checksum));
}

// The field holding the archive number in each table that has one.
int numberField(const Table& t, std::string_view table) {
    if (table == "Genre")
        return -1;
    return t.findField(table == "Arkiv" ? "ArkivNr" : "Num");
}

std::optional<std::int32_t> numberOf(const std::optional<std::string>& row, int field) {
    return row && field >= 0 ? engine::rowcodec::intField(*row, field) : std::nullopt;
}

} // namespace

// Numbers this session issued that the files now give to another release (another machine
// saved meanwhile): all of ours move above the files' highest, in the order issued, with their
// tracks and musicians, as the merge of a file changed on disk does. A release already there as
// ours (a save of ours the journal did not hear of) keeps its number.
void CollectionFiles::renumberReplayed(TableChanges& changes,
                                       const std::set<std::string>& changedElsewhere) {
    if (!changedElsewhere.contains("Lydsam") && !changedElsewhere.contains("Arkiv"))
        return;
    // Issued here: the new archive rows (a release row of ours without one is a copy kept in a
    // conflict, with the number it had).
    std::set<std::int32_t> ours;
    std::map<std::int32_t, std::string_view> ourReleases;
    for (const auto& [name, rows] : changes) {
        if (name != "Lydsam" && name != "Arkiv")
            continue;
        const int f = numberField(tables_(name), name);
        for (const RowChange& c : rows)
            if (const auto n = numberOf(c.after, f); n && !c.before)
                name == "Arkiv" ? void(ours.insert(*n)) : void(ourReleases.emplace(*n, *c.after));
    }
    std::int32_t highest = 0;
    bool collides = false;
    for (const char* name : {"Arkiv", "Lydsam"}) {
        const Table& t = tables_(name);
        const int f = numberField(t, name);
        for (int r = 0; f >= 0 && r < t.storedRowCount(); ++r) {
            const std::string_view row = t.storedBlob(r);
            const auto n = engine::rowcodec::intField(row, f);
            if (!n)
                continue;
            highest = std::max(highest, *n);
            if (const auto mine = ourReleases.find(*n); name == std::string_view("Lydsam") &&
                                                        mine != ourReleases.end() &&
                                                        mine->second == row)
                ours.erase(*n); // saved already: no one else's
            else if (ours.contains(*n))
                collides = true;
        }
    }
    if (!collides)
        return;
    std::map<std::int32_t, std::int32_t> moved;
    for (std::int32_t n : ours)
        moved[n] = ++highest;
    for (auto& [name, rows] : changes) {
        const Table& t = tables_(name);
        const int f = numberField(t, name);
        for (RowChange& c : rows) {
            const auto n = numberOf(c.after, f);
            const auto to = n ? moved.find(*n) : moved.end();
            if (to == moved.end() || (c.before && numberOf(c.before, f) == n))
                continue; // a row of the base keeps its number
            auto values = engine::rowcodec::decode(*c.after, t.fieldCount());
            values[static_cast<std::size_t>(f)] = engine::rowcodec::intPayload(to->second);
            c.after = engine::rowcodec::encode(values);
        }
    }
}

std::string JournalReplay::text() const {
    std::string text;
    if (changes > 0)
        text = std::to_string(changes) + " muutosta palautettu edellisestä istunnosta";
    if (covers > 0)
        text += std::string(text.empty() ? "" : ". ") + std::to_string(covers) +
                " kansikuvan muutosta palautettu edellisestä istunnosta";
    if (damaged)
        text += std::string(text.empty() ? "" : ". ") +
                "Muutospäiväkirjan loppu oli vioittunut, eikä sitä voitu palauttaa.";
    return text;
}

CollectionFiles::~CollectionFiles() {
    detachJournal();
}

std::string CollectionFiles::journalPath() const {
    return folder_ + journalFileName();
}

std::vector<JournalBase> CollectionFiles::bases() const {
    std::vector<JournalBase> out;
    for (const auto& [name, version] : known_)
        out.push_back(baseOf(name, version));
    return out;
}

TableChanges CollectionFiles::pending() const {
    TableChanges out;
    for (const CollectionTable& t : collectionTables())
        if (const Table& table = tables_(t.name); table.isOpen() && table.changeCount() > 0)
            out.emplace_back(t.name, table.netChanges());
    return out;
}

JournalReplay CollectionFiles::replayJournal() {
    JournalReplay replay;
    replay.covers = covers_.recoverStaged();
    if (!engine::tablefile::exists(journalPath()))
        return replay;
    const JournalContents contents = readJournal(journalPath());
    replay.found = true;
    replay.damaged = contents.damaged;
    // A save that reached its commit point holds every change made before it.
    const auto current = [&](const std::vector<JournalBase>& versions) {
        return std::all_of(versions.begin(), versions.end(), [&](const JournalBase& b) {
            return sameContent(b, engine::tablefile::fileVersion(path(b.table)));
        });
    };
    const bool saved = contents.saving && current(*contents.saving);
    const std::vector<JournalBase>& bases = saved ? *contents.saving : contents.bases;
    const TableChanges& changes = saved ? contents.sinceSaving : contents.changes;
    for (const auto& [name, rows] : changes)
        if (!tables_(name).isOpen())
            throw engine::Error("The change journal '" + journalPath() + "' holds changes of " +
                                name + ", which did not open; it is kept as it is");
    std::set<std::string> changedElsewhere;
    for (const auto& change : changes) {
        const std::string& name = change.first;
        const auto base = std::find_if(bases.begin(), bases.end(),
                                       [&](const JournalBase& b) { return b.table == name; });
        if (base == bases.end() || !sameContent(*base, engine::tablefile::fileVersion(path(name))))
            changedElsewhere.insert(name);
    }
    TableChanges replaying = changes;
    renumberReplayed(replaying, changedElsewhere);
    for (const auto& [name, rows] : replaying) {
        tables_(name).replayChanges(rows, !changedElsewhere.contains(name));
        replay.changes += static_cast<int>(rows.size());
    }
    replayed_ = true;
    return replay;
}

void CollectionFiles::keepJournal(std::function<void(const std::string&)> failed) {
    detachJournal();
    covers_.keepStaged();
    journalFailed_ = std::move(failed);
    journal_ = std::make_unique<ChangeJournal>(journalPath(), bases(), pending(), journalFailed_);
    replayed_ = false; // the new journal holds what was replayed
    for (const CollectionTable& t : collectionTables())
        if (Table& table = tables_(t.name); table.isOpen())
            table.setChangeSink(&journal_->sink(t.name));
}

void CollectionFiles::restartJournal() {
    if (!journal_)
        return;
    try {
        journal_->restart(bases(), pending());
    } catch (const std::exception& e) {
        // The old journal goes on, and replaying it onto newer files counts what it finds
        // already there once.
        if (journalFailed_)
            journalFailed_(e.what());
    }
}

void CollectionFiles::detachJournal() {
    if (!journal_)
        return;
    for (const CollectionTable& t : collectionTables())
        tables_(t.name).setChangeSink(nullptr);
}

void CollectionFiles::endJournal() {
    if (journal_) {
        detachJournal();
        const std::unique_ptr<ChangeJournal> journal = std::move(journal_);
        journal->remove();
    } else if (replayed_) {
        if (::unlink(journalPath().c_str()) != 0 && errno != ENOENT)
            throw engine::Error("Cannot remove '" + journalPath() + "': " + std::strerror(errno));
        replayed_ = false;
    }
}

} // namespace store
