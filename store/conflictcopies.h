#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {
class Table;
}

// Copies of a table file that sync tools leave beside it when two machines changed it at once:
// Syncthing's "Lydsam.sync-conflict-20261208-101500-ABCDEF1.dat", Dropbox's and Nextcloud's
// "Lydsam (conflicted copy 2026-12-08).dat", older ownCloud's
// "Lydsam_conflict-20261208-101500.dat".
namespace store {

constexpr const char* kConflictFolderName = "Ristiriidat";

struct ConflictCopy {
    std::string path;
    std::string table; // "Lydsam", ...
};

// The copies in folder (ending in "/"), by table in the order the tables are saved.
std::vector<ConflictCopy> findConflictCopies(const std::string& folder);

struct ConflictIntake {
    std::vector<ConflictCopy> brought; // read in, still where they were
    int copies = 0;                    // moved away
    int rowsAdded = 0;
    std::vector<std::string> errors; // copies that could not be read stay where they are
    std::string text() const;        // what the user is told; empty when there were none
};

// Adds to the open tables the rows each copy holds that the table lacks (a union: nothing is
// lost). A release whose archive number is taken by another release gets the next free one,
// with the tracks and musician rows that came with it.
ConflictIntake bringInConflictCopies(const std::string& folder,
                                     const std::function<engine::Table&(std::string_view)>& tables);
// Once what they brought is saved: moves the copies into folder/Ristiriidat/, never deleting.
void moveConflictCopies(const std::string& folder, ConflictIntake& intake);

} // namespace store
