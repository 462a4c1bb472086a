#pragma once

#include "changejournal.h"
#include "covers.h"
#include "engine/table.h"
#include "engine/tablefile.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
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

// What a journal left by a session that did not close cleanly brought back.
struct JournalReplay {
    bool found = false;   // there was a journal
    int changes = 0;      // rows' changes replayed
    int covers = 0;       // covers changed and not saved
    bool damaged = false; // part of it could not be read
    // What the user is told; empty when nothing came back.
    std::string text() const;
};

class CollectionFiles {
public:
    using Tables = std::function<engine::Table&(std::string_view name)>;
    CollectionFiles(std::string folder, Tables tables);
    ~CollectionFiles(); // the tables are told no more of their changes
    CollectionFiles(const CollectionFiles&) = delete;
    CollectionFiles& operator=(const CollectionFiles&) = delete;

    const std::string& folder() const { return folder_; }
    const Tables& tables() const { return tables_; }
    // The covers, saved with the tables.
    Covers& covers() { return covers_; }
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

    // Replays onto the open tables the journal a session that did not close cleanly left in
    // the folder; its changes become pending ones, and the next save removes the journal. Raises
    // when the journal cannot be read or holds changes of a table that is not open (the journal
    // then stays as it is).
    JournalReplay replayJournal();
    // From now on every posted change of the open tables is kept in the folder's journal, with
    // those pending now. failed hears of a failure to write it.
    void keepJournal(std::function<void(const std::string&)> failed);
    // The session ends with everything saved: the journal goes.
    void endJournal();

private:
    using Images = std::map<std::string, engine::tablefile::Image, std::less<>>;
    void renumberCollisions(const Images& theirs, MergeReport& report);
    std::string journalPath() const;
    std::vector<JournalBase> bases() const; // the versions of the files the tables hold
    TableChanges pending() const;
    void restartJournal();
    void renumberReplayed(TableChanges& changes, const std::set<std::string>& changedElsewhere);
    void detachJournal();

    std::vector<FileToCommit> prepareCovers();

    std::string folder_;
    Tables tables_;
    Covers covers_;
    std::map<std::string, engine::tablefile::FileVersion, std::less<>> known_;
    std::unique_ptr<ChangeJournal> journal_;
    std::function<void(const std::string&)> journalFailed_;
    bool replayed_ = false; // a journal was replayed that no save has taken in yet
};

} // namespace store
