#pragma once

#include "commitrecord.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The collection's cover pictures: one JPEG per release in the data folder's "Kannet" folder,
// named by its archive number. Changes wait in memory and are saved with the tables, in the
// same all-or-nothing commit; a replaced or removed cover is kept as ".bak" as the tables' files
// are. Every change is logged (number, picture before, picture after) so that undo can take it
// back, as the tables' journals serve undo.
namespace store {

inline constexpr const char* kCoverFolder = "Kannet/";

class Covers {
public:
    using Picture = std::shared_ptr<const std::string>; // stored-form JPEG bytes; null: none
    struct Change {
        std::int32_t num;
        Picture before, after;
    };

    explicit Covers(std::string dataFolder); // ends in "/"
    Covers(const Covers&) = delete;
    Covers& operator=(const Covers&) = delete;

    const std::string& folder() const { return folder_; }
    std::string path(std::int32_t num) const; // ".../Kannet/1234.jpg"

    // The release's cover as it stands (a waiting change, else the file); null when none.
    // Raises when the file is there but cannot be read.
    Picture picture(std::int32_t num) const;
    bool has(std::int32_t num) const;
    // Changes the cover (null removes it) and logs the change; nothing when it is the same.
    void set(std::int32_t num, Picture picture);
    // Takes back the logged changes [from, to), last first; that is logged in turn.
    void revert(std::size_t from, std::size_t to);
    const std::vector<Change>& log() const { return log_; }
    // Told of every change, with the release's number.
    void onChange(std::function<void(std::int32_t num)> listener);

    bool hasChanges() const { return !waiting_.empty(); }
    bool waiting(std::int32_t num) const { return waiting_.contains(num); } // a change unsaved
    // Numbers with a cover file in the folder (waiting changes aside), ascending.
    std::vector<std::int32_t> numbersOnDisk() const;
    // The picture the file holds now, waiting changes aside (null: none).
    Picture stored(std::int32_t num) const;

    // --- saving, for CollectionFiles --------------------------------------------------------
    // The numbers of a merge's renumbered releases move their waiting covers along.
    void renumber(const std::unordered_map<std::int32_t, std::int32_t>& moved);
    // Writes and flushes each waiting picture beside its file; a removal has no temporary.
    // The covers of releases not among releases (those deleted, and waiting ones of releases
    // that never were saved) go, kept as .bak; with no releases known, none go.
    std::vector<FileToCommit> prepareSave(const std::unordered_set<std::int32_t>* releases,
                                          const std::vector<std::int32_t>& deleted);
    void saved(); // the commit went through: nothing waits any more

    // --- surviving a crash -----------------------------------------------------------------
    // From now on every change is also written at once beside its cover file (".uusi"; empty
    // for a removal), so that a session that ends without saving loses no cover.
    void keepStaged() { staging_ = true; }
    // Takes what such a session left as waiting changes; returns how many.
    int recoverStaged();

private:
    void changed(std::int32_t num);
    void makeFolder() const; // the cover folder, when it is not there yet
    std::string stagedPath(std::int32_t num) const { return path(num) + ".uusi"; }
    void stage(std::int32_t num, const Picture& picture);

    std::string folder_;
    std::map<std::int32_t, Picture> waiting_; // null: to be removed
    std::vector<Change> log_;
    std::vector<std::function<void(std::int32_t)>> listeners_;
    bool staging_ = false;
};

// Removes the temporary cover files of interrupted saves, changed before `before`; returns how
// many.
int removeCoverLeftovers(const std::string& dataFolder, std::filesystem::file_time_type before);

// A file name within the cover folder ("1234.jpg") to its release's number.
std::optional<std::int32_t> coverNumber(std::string_view fileName);

} // namespace store
