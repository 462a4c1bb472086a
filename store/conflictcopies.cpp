#include "conflictcopies.h"

#include "collection.h"

#include "engine/error.h"
#include "engine/rowcodec.h"
#include "engine/table.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <unordered_map>
#include <unordered_set>

namespace store {

namespace fs = std::filesystem;
using engine::Table;

namespace {

bool isConflictCopyOf(const std::string& name, const std::string& stem) {
    static const std::regex syncthing(R"(\.sync-conflict-\d{8}-\d{6}-[A-Za-z0-9]+\.dat)");
    static const std::regex owncloud(R"(_conflict-\d{8}-\d{6}\.dat)");
    static const std::regex conflicted(R"( \(.*conflicted copy.*\)\.dat)", std::regex::icase);
    if (name.size() <= stem.size() || name.compare(0, stem.size(), stem) != 0)
        return false;
    const std::string rest = name.substr(stem.size());
    return std::regex_match(rest, syncthing) || std::regex_match(rest, owncloud) ||
           std::regex_match(rest, conflicted);
}

// Where a copy goes: its own name in the conflict folder, or with a number when that is taken.
fs::path placeFor(const fs::path& folder, const std::string& name) {
    fs::path to = folder / name;
    for (int n = 2; fs::exists(fs::symlink_status(to)); ++n)
        to = folder / (name + "." + std::to_string(n));
    return to;
}

} // namespace

std::string ConflictIntake::text() const {
    if (copies == 0 && rowsAdded == 0)
        return {};
    return "Synkronoinnin ristiriitakopioista (" + std::to_string(copies) + ") tuotiin " +
           std::to_string(rowsAdded) + " riviä; kopiot siirrettiin kansioon " +
           kConflictFolderName + ".";
}

std::vector<ConflictCopy> findConflictCopies(const std::string& folder) {
    std::vector<ConflictCopy> copies;
    std::error_code ec;
    for (const char* table : kSaveOrder) {
        std::vector<std::string> names;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            std::error_code e;
            if (isConflictCopyOf(name, table) && fs::is_regular_file(it->path(), e))
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names)
            copies.push_back({folder + name, table});
    }
    return copies;
}

ConflictIntake bringInConflictCopies(const std::string& folder,
                                     const std::function<Table&(std::string_view)>& tables) {
    ConflictIntake intake;
    const std::vector<ConflictCopy> copies = findConflictCopies(folder);
    if (copies.empty())
        return intake;
    std::map<std::int32_t, std::int32_t> renumbered; // a copy's release number → its new one
    for (const ConflictCopy& copy : copies) {
        Table& t = tables(copy.table);
        if (!t.isOpen())
            continue; // a table that failed to open takes nothing
        try {
            Table other;
            openTable(other, collectionTable(copy.table), copy.path);
            // How many of each row the table has; a copy's row beyond those is added.
            std::unordered_map<std::string, int> have;
            for (int r = 0; r < t.storedRowCount(); ++r)
                ++have[std::string(t.storedBlob(r))];
            const int num = other.findField(copy.table == "Arkiv" ? "ArkivNr" : "Num");
            std::vector<std::string> added;
            for (int r = 0; r < other.storedRowCount(); ++r) {
                const std::string row(other.storedBlob(r));
                if (auto it = have.find(row); it != have.end() && it->second > 0)
                    --it->second;
                else
                    added.push_back(row);
            }
            t.checkBrowseMode();
            std::unordered_set<std::int32_t> numbers; // the releases' numbers, as rows come in
            if (copy.table == "Lydsam")
                for (int r = 0; r < t.storedRowCount(); ++r)
                    if (const auto n = engine::rowcodec::intField(t.storedBlob(r), num))
                        numbers.insert(*n);
            for (const std::string& row : added) {
                t.addStoredRow(row);
                if (num < 0 || copy.table == "Arkiv" || copy.table == "Genre")
                    continue;
                const auto number = engine::rowcodec::intField(row, num);
                if (!number)
                    continue;
                const std::int32_t n = *number;
                const int last = t.storedRowCount() - 1;
                if (copy.table != "Lydsam") {
                    // Tracks and musician rows follow their release's new number.
                    if (const auto to = renumbered.find(n); to != renumbered.end())
                        t.setStoredInteger(last, num, to->second);
                    continue;
                }
                // A release whose number another release has takes the next free one.
                if (numbers.insert(n).second)
                    continue;
                Table& arkiv = tables("Arkiv");
                const int arkivNr = arkiv.fieldIndex("ArkivNr");
                const std::int32_t next =
                    std::max(arkiv.maxInteger(arkivNr).value_or(0), t.maxInteger(num).value_or(0)) +
                    1;
                t.setStoredInteger(last, num, next);
                numbers.insert(next);
                arkiv.checkBrowseMode();
                arkiv.addStoredRow(engine::rowcodec::encode({engine::rowcodec::intPayload(next)}));
                renumbered[n] = next;
            }
            intake.rowsAdded += static_cast<int>(added.size());
            intake.brought.push_back(copy);
        } catch (const std::exception& e) {
            intake.errors.emplace_back(e.what());
        }
    }
    return intake;
}

void moveConflictCopies(const std::string& folder, ConflictIntake& intake) {
    const fs::path keep = fs::path(folder) / kConflictFolderName;
    for (const ConflictCopy& copy : intake.brought) {
        std::error_code ec;
        fs::create_directories(keep, ec);
        if (!ec)
            fs::rename(copy.path, placeFor(keep, fs::path(copy.path).filename().string()), ec);
        if (ec)
            intake.errors.push_back("Cannot move '" + copy.path + "' to " + kConflictFolderName +
                                    ": " + ec.message());
        else
            ++intake.copies;
    }
    intake.brought.clear();
}

} // namespace store
