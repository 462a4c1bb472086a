#pragma once

#include "engine/table.h"
#include "engine/tablefile.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The five tables of one data folder as files: which version of each file the tables hold, the
// save that makes every changed table current at once, and bringing in what another program (a
// sync tool, another machine, a restored backup) saved there meanwhile. A file changed on disk is
// never saved over: without changes of ours its table is read again; with them, the file's rows
// and this session's journal are merged, and an archive number issued on both sides goes to the
// other side, ours moving to the next free one with its tracks.
namespace store {

struct MergeReport {
    int reloaded = 0;   // tables read again, having no changes of ours
    int merged = 0;     // tables merged with changes of ours
    int applied = 0;    // changes of ours kept on top of the files
    int conflicts = 0;  // rows kept in both versions
    int renumbered = 0; // releases of ours given a new archive number
    bool any() const { return reloaded + merged > 0; }
    // What the user is told, one line; empty when nothing came from disk.
    std::string text() const;
};

class CollectionFiles {
public:
    using Tables = std::function<engine::Table&(std::string_view name)>;
    CollectionFiles(std::string folder, Tables tables);

    const std::string& folder() const { return folder_; }
    const Tables& tables() const { return tables_; }
    std::string path(std::string_view table) const;

    // Notes which version of each file is about to be read (so, before reading: a file replaced
    // meanwhile then only looks changed, never the other way round).
    void noteVersionsBeforeReading();
    // Open tables whose file is no longer the version they hold.
    std::vector<std::string> changedOnDisk();
    // Reads in every open table whose file changed; Lydsam's current row stays where it is.
    // While a row is being edited in any table nothing is read: that is left for later.
    MergeReport mergeChangedFiles();
    // Ends unfinished edits, brings in what changed on disk, then writes every table with
    // changes and makes them current together (commitrecord.h). On failure the files on disk
    // are the old set and the changes stay pending.
    MergeReport save();

private:
    using Images = std::map<std::string, engine::tablefile::Image, std::less<>>;
    void renumberCollisions(const Images& theirs, MergeReport& report);

    std::string folder_;
    Tables tables_;
    std::map<std::string, engine::tablefile::FileVersion, std::less<>> known_;
};

} // namespace store
