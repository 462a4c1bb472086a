#pragma once

#include "engine/journal.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// This session's posted changes on disk, as they are posted, so that a crash or a kill loses
// none of them. The file starts with the versions of the table files the changes were made to;
// then one record per change of a row, and a record before each save's commit point naming the
// versions it is making current. Every record carries its length and a CRC-32C: one cut off at
// the end (a crash mid-write) is dropped, one damaged inside ends what is read.
namespace store {

// "Levyholvi.<host>.journal": each machine of a synced folder keeps its own, so that one never
// replays (or removes) the journal of a session still open on another.
std::string journalFileName();

// A table file's version as a journal knows it: what its content is known by.
struct JournalBase {
    std::string table;
    bool exists = false;
    std::uint64_t size = 0;
    std::uint32_t checksum = 0;
};

using TableChanges = std::vector<std::pair<std::string, std::vector<engine::RowChange>>>;

struct JournalContents {
    std::vector<JournalBase> bases; // the versions the changes were made to
    TableChanges changes;           // net per row, by table
    // The last save begun: the versions it made current, and the changes made after it.
    std::optional<std::vector<JournalBase>> saving;
    TableChanges sinceSaving;
    bool damaged = false; // a record inside failed its check: what followed was left out
};

// Reads a journal file; raises an Error when it cannot be read or is no journal at all.
JournalContents readJournal(const std::string& path);

class ChangeJournal {
public:
    // Starts a new journal at path (replacing any there) holding the changes pending now;
    // raises an Error when it cannot be written. failed hears of a later failure to write,
    // once, on the thread that posts.
    ChangeJournal(std::string path, const std::vector<JournalBase>& bases,
                  const TableChanges& pending, std::function<void(const std::string&)> failed);
    ~ChangeJournal(); // what was written reaches the disk first
    ChangeJournal(const ChangeJournal&) = delete;
    ChangeJournal& operator=(const ChangeJournal&) = delete;

    // The sink of one table's changes (each table a sink of its own).
    engine::ChangeSink& sink(std::string_view table);
    // Writes the journal anew (after a save or a merge made other files the base).
    void restart(const std::vector<JournalBase>& bases, const TableChanges& pending);
    // Before a save's commit point: the versions it is about to make current, on the disk.
    void beginSave(const std::vector<JournalBase>& versions);
    // The session ended with everything saved: the file goes.
    void remove();

private:
    class TableSink;
    struct File;

    void append(std::uint8_t table, std::uint32_t row, std::optional<std::string_view> before,
                std::optional<std::string_view> after);
    void flush();
    void fail(const std::string& message);
    void syncLoop(std::stop_token stop);
    void stopSyncing();

    std::string path_;
    std::function<void(const std::string&)> failed_;
    std::vector<std::unique_ptr<TableSink>> sinks_;
    std::string buffer_; // records not yet handed to the system
    bool broken_ = false;

    std::mutex mutex_; // guards the members below, shared with the thread that flushes to disk
    std::condition_variable_any wake_;
    std::shared_ptr<File> file_;
    bool unsynced_ = false;
    std::string syncError_;
    std::jthread syncer_; // last: stopped and joined before the rest goes
};

} // namespace store
