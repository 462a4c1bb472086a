#pragma once

#include <string>
#include <vector>

// Several table files made current all or nothing. Each new file is first written and flushed
// beside its table file; then a small record naming them all is written and flushed (the commit
// point); then each is renamed over its table file, the replaced one kept as .bak; then the
// record goes. Whatever stops the program on the way, the next start finishes a save whose record
// was written and discards one whose record was not, so the files on disk are always one save's.
namespace store {

constexpr const char* kCommitRecordName = "Levyholvi.commit";

struct FileToCommit {
    // Written and flushed, in the same folder as path; empty: the file at path goes (kept as
    // .bak). Paths are in the folder or in its "Kannet" subfolder.
    std::string temporary;
    std::string path;
};

// Makes every temporary current together. A failure before the commit point removes the
// temporaries; one after it puts the replaced files back, so that either way the old set
// stays and the caller's changes stay pending. Raises the first failure.
void commitFiles(const std::string& folder, const std::vector<FileToCommit>& files);

// At start-up, under the collection's lock, before any table is read: finishes a save whose
// record is there, or completes the undoing of one that failed; removes a record that was never
// finished being written. A damaged record raises an Error and leaves every file as it is.
// Returns whether there was anything to do.
bool recoverCommit(const std::string& folder);

} // namespace store
