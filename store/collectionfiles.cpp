#include "collectionfiles.h"

#include "collection.h"
#include "commitrecord.h"

#include "engine/error.h"
#include "engine/rowcodec.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <functional>
#include <future>
#include <set>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

namespace store {

using engine::Table;

namespace {

// Each table's field holding an archive number, where it has one.
constexpr std::pair<const char*, const char*> kNumberFields[] = {
    {"Arkiv", "ArkivNr"}, {"Lydsam", "Num"}, {"Numre", "Num"}, {"Musiker", "Num"}};

// Runs work(i) for i in [0, n) on threads of their own (the first on the caller's), so that two
// large files are read or written on two cores; the first failure is raised once all are done.
void eachAtOnce(std::size_t n, const std::function<void(std::size_t)>& work) {
    std::vector<std::future<void>> others;
    for (std::size_t i = 1; i < n; ++i) {
        try {
            others.push_back(std::async(std::launch::async, work, i));
        } catch (const std::system_error&) {
            others.push_back(std::async(std::launch::deferred, work, i)); // no thread to be had
        }
    }
    std::exception_ptr failure;
    try {
        if (n > 0)
            work(0);
    } catch (...) {
        failure = std::current_exception();
    }
    for (std::future<void>& f : others) {
        try {
            f.get();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

std::string MergeReport::text() const {
    if (merged > 0) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "Kokoelmaa oli muutettu toisaalla: %d muutosta yhdistetty, %d ristiriitaa.",
                      applied, conflicts);
        return line;
    }
    if (reloaded > 0)
        return "Kokoelma päivitettiin levyltä: toisaalla tallennetut muutokset luettiin.";
    return {};
}

CollectionFiles::CollectionFiles(std::string folder, Tables tables)
    : folder_(std::move(folder)), tables_(std::move(tables)), covers_(folder_) {}

std::string CollectionFiles::path(std::string_view table) const {
    return folder_ + collectionTable(table).fileName;
}

void CollectionFiles::noteVersionsBeforeReading() {
    for (const CollectionTable& t : collectionTables()) {
        try {
            known_[t.name] = engine::tablefile::fileVersion(path(t.name));
        } catch (const engine::Error&) {
            known_.erase(t.name); // the table fails to open too, and is never saved
        }
    }
}

std::vector<std::string> CollectionFiles::changedOnDisk() {
    std::vector<std::string> changed;
    for (const CollectionTable& t : collectionTables()) {
        const auto known = known_.find(t.name);
        if (known == known_.end() || !tables_(t.name).isOpen())
            continue;
        const auto now = engine::tablefile::fileVersion(path(t.name), &known->second);
        if (!now.exists)
            continue; // deleted there: the next save writes it again, nothing is lost
        if (now.sameContent(known->second))
            known->second = now; // touched or copied back as it was: nothing to read
        else
            changed.emplace_back(t.name);
    }
    return changed;
}

void CollectionFiles::renumberCollisions(const Images& images, MergeReport& report) {
    // Numbers the other side issued: every number in its archive and releases.
    std::unordered_set<std::int32_t> theirs;
    std::int32_t highest = 0;
    bool numbersChanged = false;
    for (const char* name : {"Arkiv", "Lydsam"}) {
        const auto image = images.find(name);
        if (image == images.end())
            continue;
        numbersChanged = true;
        const int f = engine::findField(image->second.fields,
                                        name == std::string_view("Arkiv") ? "ArkivNr" : "Num");
        if (f < 0)
            continue; // not this table's file; the merge says so
        for (std::string_view row : image->second.rows)
            if (const auto n = engine::rowcodec::intField(row, f)) {
                theirs.insert(*n);
                highest = std::max(highest, *n);
            }
    }
    if (!numbersChanged)
        return;
    // Numbers this session issued: its new archive rows. (A release row of ours without one is
    // a copy kept in a conflict, and keeps the number it had.) Then the highest number the other
    // side or our base has.
    std::set<std::int32_t> ours;
    {
        Table& t = tables_("Arkiv");
        const int f = t.fieldIndex("ArkivNr");
        for (const engine::RowChange& c : t.netChanges())
            if (c.after && !c.before)
                if (const auto n = engine::rowcodec::intField(*c.after, f))
                    ours.insert(*n);
    }
    if (std::none_of(ours.begin(), ours.end(), [&](std::int32_t n) { return theirs.contains(n); }))
        return;
    for (const char* name : {"Arkiv", "Lydsam"}) {
        Table& t = tables_(name);
        const int f = t.fieldIndex(name == std::string_view("Arkiv") ? "ArkivNr" : "Num");
        for (int r = 0; r < t.storedRowCount(); ++r)
            if (const auto n = engine::rowcodec::intField(t.storedBlob(r), f);
                n && !ours.contains(*n))
                highest = std::max(highest, *n);
    }
    // All of ours move above it, in the order issued, so that the archive's last row stays the
    // highest number.
    std::unordered_map<std::int32_t, std::int32_t> moved;
    for (std::int32_t n : ours)
        moved[n] = ++highest;
    // Only rows of this session move: the new releases and what was added or changed with them.
    // A row with that number from the common base belongs to the other side's release.
    for (const auto& [name, fieldName] : kNumberFields)
        if (Table& t = tables_(name); t.isOpen())
            t.renumberChangedRows(t.fieldIndex(fieldName), moved);
    covers_.renumber(moved);
    report.renumbered += static_cast<int>(moved.size());
}

MergeReport CollectionFiles::mergeChangedFiles() {
    MergeReport report;
    for (const CollectionTable& t : collectionTables())
        if (tables_(t.name).isOpen() && tables_(t.name).state() != engine::TableState::Browse)
            return report; // a row being typed: the numbers may not move under it
    const std::vector<std::string> changed = changedOnDisk();
    if (changed.empty())
        return report;
    // Each file read once, its version noted first: a file replaced again meanwhile is read at
    // the next check.
    std::map<std::string, engine::tablefile::FileVersion, std::less<>> reading;
    for (const std::string& name : changed)
        reading[name] = engine::tablefile::fileVersion(path(name));
    std::vector<engine::tablefile::Image> read(changed.size());
    eachAtOnce(changed.size(),
               [&](std::size_t i) { read[i] = engine::tablefile::read(path(changed[i])); });
    Images images;
    for (std::size_t i = 0; i < changed.size(); ++i)
        images.emplace(changed[i], std::move(read[i]));
    if (tables_("Arkiv").isOpen() && tables_("Lydsam").isOpen())
        renumberCollisions(images, report);
    for (const std::string& name : changed) {
        Table& t = tables_(name);
        const bool ownChanges = t.changeCount() > 0;
        std::optional<std::int32_t> release;
        if (name == "Lydsam" && !t.isEmpty())
            release = t.asInteger("Num");
        const Table::MergeCounts counts =
            t.mergeImage(std::move(images.find(name)->second), path(name));
        known_[name] = reading[name];
        if (release)
            t.locate("Num", std::to_string(*release));
        if (ownChanges) {
            ++report.merged;
            report.applied += counts.applied;
            report.conflicts += counts.conflicts;
        } else {
            ++report.reloaded;
        }
    }
    restartJournal(); // its rows are known by other ids now, on other files
    return report;
}

// Waiting covers, and the covers of releases deleted for good, which go now.
std::vector<FileToCommit> CollectionFiles::prepareCovers() {
    Table& lydsam = tables_("Lydsam");
    std::vector<std::int32_t> deleted;
    if (lydsam.isOpen()) {
        const int f = lydsam.fieldIndex("Num");
        for (const engine::RowChange& c : lydsam.netChanges())
            if (c.before && !c.after)
                if (const auto n = engine::rowcodec::intField(*c.before, f))
                    deleted.push_back(*n);
    }
    if (!covers_.hasChanges() && deleted.empty())
        return {};
    std::optional<std::unordered_set<std::int32_t>> releases;
    if (lydsam.isOpen()) {
        releases.emplace();
        const int f = lydsam.fieldIndex("Num");
        for (int r = 0; r < lydsam.storedRowCount(); ++r)
            if (const auto n = engine::rowcodec::intField(lydsam.storedBlob(r), f))
                releases->insert(*n);
    }
    return covers_.prepareSave(releases ? &*releases : nullptr, deleted);
}

MergeReport CollectionFiles::save() {
    for (const char* name : kSaveOrder)
        if (Table& t = tables_(name); t.isOpen())
            t.checkBrowseMode();
    MergeReport report = mergeChangedFiles();
    std::vector<std::string> names;
    for (const char* name : kSaveOrder)
        if (const Table& t = tables_(name); t.isOpen() && t.changeCount() > 0)
            names.emplace_back(name);
    std::vector<FileToCommit> files(names.size());
    std::vector<engine::tablefile::FileVersion> versions(names.size());
    try {
        eachAtOnce(names.size(), [&](std::size_t i) {
            files[i] = {tables_(names[i]).saveTemporary(path(names[i])), path(names[i])};
            // The rename keeps what a version is known by; taken now, a file that another
            // program puts there right after the save still looks changed.
            versions[i] = engine::tablefile::fileVersion(files[i].temporary);
        });
    } catch (...) {
        for (const FileToCommit& f : files)
            if (!f.temporary.empty())
                std::remove(f.temporary.c_str());
        throw;
    }
    try {
        std::vector<FileToCommit> covers = prepareCovers();
        files.insert(files.end(), covers.begin(), covers.end());
    } catch (...) {
        for (const FileToCommit& f : files)
            std::remove(f.temporary.c_str());
        throw;
    }
    if (files.empty())
        return report;
    if (journal_) {
        std::vector<JournalBase> saving;
        for (std::size_t i = 0; i < names.size(); ++i)
            saving.push_back({names[i], true, versions[i].size, versions[i].checksum});
        journal_->beginSave(saving);
    }
    commitFiles(folder_, files);
    covers_.saved();
    for (std::size_t i = 0; i < names.size(); ++i) {
        tables_(names[i]).mergeChangeLog();
        known_[names[i]] = versions[i];
    }
    if (journal_)
        restartJournal();
    else
        endJournal(); // a replayed journal's changes are in the files now
    return report;
}

} // namespace store
