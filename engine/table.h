#pragma once

#include "field.h"
#include "filter.h"
#include "journal.h"
#include "keyorder.h"
#include "keyranks.h"
#include "observer.h"
#include "roworder.h"
#include "rowstore.h"
#include "tablefile.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace engine {

class TextIndex;

enum class TableState { Inactive, Browse, Edit, Insert };

struct IndexDef {
    std::string name;
    std::string fields; // "A;B;C"
};

// A position in a table that survives reordering and filtering; refers to one stored row.
struct Bookmark {
    std::uint32_t row = UINT32_MAX;
    std::uint64_t generation = 0;
    bool valid() const { return row != UINT32_MAX; }
};

// An in-memory table with a current row, indices, a filter and a change counter.
//
// The current view is the rows that pass the filter in the active index's order (insertion
// order without one); row i of it is found without a search when read in turn. Indices are kept
// sorted on every post and delete. Rows with equal keys stay in insertion order. A new row being
// inserted is not part of the view until it is posted; display rows (for grids) include it at its
// insert position.
class Table {
public:
    Table();
    virtual ~Table(); // other kinds of table (keyed ones) derive from it
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // --- lifetime --------------------------------------------------------------------------
    void create(std::vector<FieldDef> fields); // empty table, open; drops indices
    void load(const std::string& path);        // the table stays as it was when loading fails
    void save(const std::string& path) const;  // posted rows only, atomically, keeps path.bak
    // The first half of save: the new file written and flushed beside path; returns its name
    // for tablefile::install (several tables are made current together that way).
    std::string saveTemporary(const std::string& path) const;
    void close();
    // Takes over another table's fields, rows, display widths, indices and active index (one
    // loaded on another thread, say), as if they had been loaded here; other is left closed.
    // This table's observers and hooks stay.
    void takeOver(Table& other);
    bool isOpen() const { return state_ != TableState::Inactive; }
    TableState state() const { return state_; }

    // --- fields ----------------------------------------------------------------------------
    const std::vector<FieldDef>& fields() const { return fields_; }
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    int findField(std::string_view name) const;  // case-insensitive; -1 when missing
    int fieldIndex(std::string_view name) const; // raises "Field 'X' not found"; needs it open
    void setDisplayWidth(int field, int width);
    int displayWidth(int field) const; // characters; a string field's size when not set

    // --- change log ------------------------------------------------------------------------
    int changeCount() const { return isOpen() ? changes_ : 0; }
    void mergeChangeLog(); // ends an unfinished edit, then forgets the count and the journal
    // Every posted change since the base (the load, creation or last mergeChangeLog).
    const Journal& journal() const { return journal_; }
    std::vector<RowChange> netChanges() const; // posted rows only

    // Takes a file of this table saved elsewhere as the new base and replays this session's
    // changes onto its rows (see rowmerge.h); they stay pending as the new journal. An unfinished
    // edit is ended first. Indices, filter and display widths stay; the current row stays where
    // its values are still found. The table is left as it was when the file cannot be read or
    // holds other fields.
    struct MergeCounts {
        int applied = 0;
        int conflicts = 0;
    };
    MergeCounts mergeFile(const std::string& path);
    MergeCounts mergeImage(tablefile::Image theirs, const std::string& path); // read already
    // Replays changes made to an earlier version of these rows (a crashed session's journal) the
    // way a merge replays ours onto a file; they become pending changes. rowsAreBase tells that
    // the rows are still the version the changes were made to; otherwise a change found already
    // made counts once.
    MergeCounts replayChanges(const std::vector<RowChange>& changes, bool rowsAreBase);
    // Takes back the changes that journal entries [from, to) record, newest first, as new posted
    // changes (so the save and a journal on disk see them like any other): an added row goes, an
    // edited one gets its old value, a deleted one comes back under its own id. The journal
    // entries they add take them back in turn. Raises, changing nothing, when a row is no longer
    // as those entries left it. Returns the row of the earliest entry when it is there after.
    std::optional<std::uint32_t> revertChanges(std::size_t from, std::size_t to);
    // Posts new values of many stored rows at once, by id (a change of many releases); the
    // cursor stays on its row and observers hear once. Each row must be stored.
    void replaceRows(const std::vector<std::pair<std::uint32_t, std::string>>& rows);
    // A row's bytes with field set from text as setText would set it (cut, or raising on a
    // value the field cannot hold).
    std::string withText(std::string_view row, int field, std::string_view text) const;
    // The ids of the rows the view shows, in its order; of every stored row, in the order added.
    std::vector<std::uint32_t> viewRowIds() const;
    std::uint32_t storedRowId(int storedRow) const { return storedId(storedRow); }
    // A stored row's bytes by its id; nothing for a deleted one.
    std::optional<std::string_view> rowById(std::uint32_t id) const;
    // Makes the row current when the view shows it; false when it does not.
    bool gotoRow(std::uint32_t id);
    // Tells sink of every posted change from now on (nullptr: no one).
    void setChangeSink(ChangeSink* sink) { sink_ = sink; }

    // --- indices ---------------------------------------------------------------------------
    void addIndex(const std::string& name, const std::string& fields);
    void setActiveIndex(const std::string& name); // "" for insertion order; keeps the current row
    const std::string& activeIndex() const { return activeName_; }
    std::vector<IndexDef> indexDefs() const;

    // --- cursor ----------------------------------------------------------------------------
    void first();
    void last();
    void next();
    void prior();
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    // Makes a display row current (clamped). The row is chosen before an unfinished edit is
    // ended, so a click lands on the clicked record even when posting reorders the view.
    void moveTo(int displayRow);
    int recordCount() const; // rows passing the filter, not counting a new unposted row
    bool isEmpty() const { return recordCount() == 0; }
    int displayRowCount() const;   // recordCount plus the new row while inserting
    int currentDisplayRow() const; // -1 when there is no row

    // --- editing ---------------------------------------------------------------------------
    void insert(); // new row before the current one
    void append(); // new row after the last one
    void edit();   // on an empty view this starts an insert
    void post();
    void cancel();
    void deleteRecord(); // "Cannot perform this operation on an empty dataset" when empty
    bool modified() const { return modified_; }
    void checkBrowseMode(); // posts a modified edit or insert, cancels an unmodified one
    void updateRecord();    // while editing: the controls store their pending input now

    // --- values of the current row (the edit buffer while editing) ----------------------------
    bool isNull(int field) const;
    std::string asText(int field) const;
    // The stored bytes of a text or memo field, without a copy; valid until the table changes.
    std::string_view textView(int field) const;
    std::int32_t asInteger(int field) const; // 0 when empty
    double asFloat(int field) const;         // 0 when empty
    void setText(int field, std::string_view text);
    void setInteger(int field, std::int32_t value);
    void setFloat(int field, double value);
    void clear(int field);
    // By name, for readability at call sites.
    std::string asText(std::string_view field) const { return asText(fieldIndex(field)); }
    std::int32_t asInteger(std::string_view field) const { return asInteger(fieldIndex(field)); }
    void setText(std::string_view field, std::string_view text) {
        setText(fieldIndex(field), text);
    }
    void setInteger(std::string_view f, std::int32_t v) { setInteger(fieldIndex(f), v); }

    // The largest value of an integer field over all posted rows, whatever the filter.
    std::optional<std::int32_t> maxInteger(int field) const;

    // Values of any display row, for grids and reports.
    bool isNullAt(int displayRow, int field) const;
    std::string textAt(int displayRow, int field) const;

    // --- filter ----------------------------------------------------------------------------
    void setFilter(const std::string& expression); // checked now; raises and keeps the old one
    const std::string& filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }

    // --- search and positions --------------------------------------------------------------
    bool locate(std::string_view field, std::string_view value); // exact, case-sensitive
    Bookmark bookmark() const;
    bool bookmarkValid(const Bookmark& b) const; // still stored and in the view
    void gotoBookmark(const Bookmark& b);        // raises "Record not found" when not
    void freeBookmark(Bookmark& b) const { b = Bookmark{}; }
    // The first view position in [from, to) whose text in field passes accept, looking only at
    // rows whose text holds every three-byte run of needle; -1 when none does; nullopt when the
    // needle is too short to narrow the search or the field is not a string field (the caller
    // scans then). Reads posted rows only; never moves the cursor or notifies.
    std::optional<int> findInView(int field, std::string_view needle, int from, int to,
                                  const std::function<bool(std::string_view)>& accept);
    // Builds now what findInView needs for a string field, which the first search would
    // otherwise build (a fraction of a second on a million rows).
    void prepareTextSearch(int field);

    // --- all rows, for writers and imports --------------------------------------------------
    // Posted rows in the order they were added (a loaded file's order first), whatever the
    // filter and the active index; reading them never moves the cursor.
    int storedRowCount() const;
    std::string storedText(int storedRow, int field) const;
    std::string_view storedTextView(int storedRow, int field) const; // text and memo fields
    std::string_view storedBlob(int storedRow) const; // the row's bytes, as rowcodec encodes them
    // A reader on another thread holds the table's gate while it reads the stored rows; each
    // change of them waits until the gate is free, and while one waits changeWaiting() says so,
    // so that a long reader can give up early.
    std::shared_lock<std::shared_mutex> readGate() const { return std::shared_lock(gate_.rows); }
    bool changeWaiting() const { return gate_.waiting.load(std::memory_order_relaxed) > 0; }
    // f(bytes) for every posted row in the order added, the next rows fetched ahead: the fastest
    // way through a table. Reads only, so other threads holding the gate may read meanwhile.
    template <class F> void eachStoredRow(F f) const { eachStoredRow(0, storedRowCount(), f); }
    // The same for the rows at [from, to) of that order, so that threads can share a walk.
    template <class F> void eachStoredRow(int from, int to, F&& f) const {
        if (!isOpen() || from >= to)
            return;
        constexpr int kAhead = 8;
        auto row = natural_.iteratorAt(static_cast<std::size_t>(from));
        const auto stop = natural_.iteratorAt(static_cast<std::size_t>(to));
        auto ahead = row;
        for (int i = 0; i < kAhead && ahead != stop; ++i, ++ahead)
            rows_.prefetchRow(*ahead);
        for (; row != stop; ++row) {
            if (ahead != stop) {
                rows_.prefetchRow(*ahead);
                ++ahead;
            }
            f(rows_.row(*row));
        }
    }
    // Changes of stored rows that leave the cursor alone; they are pending changes like posts,
    // and no hook runs. A row added must hold this table's fields (rowcodec's encoding).
    void setStoredInteger(int storedRow, int field, std::int32_t value);
    // Gives the rows added or changed since the base another value in an integer field, by
    // map (old value to new); returns how many rows changed.
    int renumberChangedRows(int field, const std::unordered_map<std::int32_t, std::int32_t>& map);
    void addStoredRow(std::string_view row);
    // Takes back every row posted after the first storedRows (an import that failed half way);
    // outside a bulk load, in browse mode.
    void removeStoredRowsFrom(int storedRows);

    // Between beginBulk and endBulk new rows are posted without being sorted into the indices;
    // endBulk sorts each index once and rebuilds the view, so many rows cost one sort. Meanwhile
    // the new rows are not in the view, and old rows cannot be edited or deleted.
    void beginBulk();
    void endBulk();
    bool inBulk() const { return bulk_; }

    // --- controls --------------------------------------------------------------------------
    void disableControls();
    void enableControls(); // the outermost call refreshes the observers once
    bool controlsDisabled() const { return disableCount_ > 0; }
    void addObserver(TableObserver* o);
    void removeObserver(TableObserver* o);

    // --- hooks, run after the engine's own work ----------------------------------------------
    std::function<void()> beforeInsert, afterInsert, beforeEdit, afterEdit, beforePost, afterPost,
        beforeCancel, afterCancel, beforeDelete, afterDelete, afterScroll;

private:
    struct Index;
    enum class Event { Active, Changed, Scrolled, Record, Editing };

    void requireOpen() const;
    void requireEditing() const;
    void requireField(int field) const;
    void reset(std::vector<FieldDef> fields, RowStore rows, bool open = true);
    void forgetViewAndEdits(); // filter, edit buffer, change count; a new generation
    void rebuildIndex(Index& index);
    bool adoptStoredOrder(Index& index); // the loaded file's order of this index, when valid
    std::string orderKey(const KeyOrder& order) const;
    bool savedOrderIsSorted(const KeyOrder& order, const tablefile::SavedOrder& saved) const;
    const RowOrder& activeOrder() const;
    bool lessInOrder(const KeyOrder& order, std::uint32_t a, std::uint32_t b) const;
    std::size_t lowerBound(const RowOrder& v, const KeyOrder& order, std::uint32_t row) const;
    void insertSorted(RowOrder& v, const KeyOrder& order, std::uint32_t row);
    void eraseSorted(RowOrder& v, const KeyOrder& order, std::uint32_t row);
    const KeyOrder& activeKeyOrder() const;
    void rebuildView();
    // Rows matching c found through an index that leads with c's field; false when none does.
    bool candidates(const Condition& c, std::vector<std::uint32_t>& out, bool& inActiveOrder) const;
    bool passes(std::uint32_t row) const;
    int positionInView(std::uint32_t row) const; // -1 when not in the view
    void setCurrent(int position);               // browse-state cursor, clamps
    void resyncCurrent(std::uint32_t row, int fallback);
    void beginEditBuffer(const std::optional<std::uint32_t>& from);
    void writePayload(int field, rowcodec::Payload value);
    rowcodec::Payload payloadFor(int field, std::string_view text) const; // as setText stores it
    const rowcodec::Payload* bufferedValue(int field) const;
    rowcodec::Slice currentSlice(int field) const;
    std::string sliceText(int field, const rowcodec::Slice& s) const;
    rowcodec::Slice storedSlice(int storedRow, int field) const; // checked
    void startInsert(bool atEnd);
    // A posted change of a stored row: indices, the filtered view, text indices and the journal
    // follow it. The cursor does not.
    std::uint32_t addRow(std::string_view blob);
    void replaceRow(std::uint32_t id, std::string_view blob);
    void removeRow(std::uint32_t id);
    void restoreRow(std::uint32_t id, std::string_view blob);
    // Stored rows made to hold a value (a removed one comes back under its id) or none.
    struct RowTarget {
        std::uint32_t row;
        std::optional<std::string> value;
    };
    void postRows(const std::vector<RowTarget>& targets);
    std::uint32_t storedId(int storedRow) const; // checked
    void requireIntegerChange(int field) const;  // an integer field, the table browsing
    void replaceInteger(std::uint32_t id, int field, std::int32_t value);
    void noteAutoIncrement(std::string_view blob); // the next number passes a stored one
    void scrolled();
    TextIndex& textIndex(int field); // built on first use
    // Keeps the text indices in step with a posted row; previous is null for a new row.
    void updateTextIndices(std::uint32_t id, std::string_view blob,
                           const std::string_view* previous);
    bool viewIsFiltered() const { return view_ == &filteredRows_; }
    void notify(Event e, int field = -1);
    void notifyUpdateData();
    // A change of one row; outside a bulk load it is whole at once.
    void tellSink(std::uint32_t row, std::optional<std::string_view> before,
                  std::optional<std::string_view> after) {
        if (!sink_)
            return;
        sink_->changed(row, before, after);
        if (!bulk_ && !holdFlush_)
            sink_->flush();
    }
    void runHook(const std::function<void()>& hook) {
        if (hook)
            hook();
    }
    std::uint32_t rowAtPosition(int position) const {
        return (*view_)[static_cast<std::size_t>(position)];
    }
    int viewSize() const { return static_cast<int>(view_->size()); }

    struct Gate {
        std::shared_mutex rows;
        std::atomic<int> waiting{0};
    };
    // Held by each change of the stored rows or their order, and only there (never nested).
    class Changing {
    public:
        explicit Changing(Gate& gate) : gate_(gate) {
            ++gate_.waiting;
            gate_.rows.lock();
            --gate_.waiting;
        }
        ~Changing() { gate_.rows.unlock(); }
        Changing(const Changing&) = delete;
        Changing& operator=(const Changing&) = delete;

    private:
        Gate& gate_;
    };
    mutable Gate gate_;

    std::atomic<TableState> state_ = TableState::Inactive; // read by readers on other threads too
    std::vector<FieldDef> fields_;
    std::vector<int> displayWidths_;
    RowStore rows_;
    RowOrder natural_{true}; // live rows in insertion order
    std::vector<std::unique_ptr<Index>> indices_;
    Index* active_ = nullptr;
    std::string activeName_;
    KeyOrder naturalOrder_;
    RankCache rankCache_;
    std::vector<tablefile::SavedOrder> storedOrders_; // of the loaded file, until indices take them
    std::uint64_t storedOrdersVersion_ = 0;           // rows_.version() they belong to
    std::map<int, std::unique_ptr<TextIndex>> textIndices_; // by field, for contains-searches

    std::string filterText_;
    std::optional<Condition> condition_;
    bool filtered_ = false;
    RowOrder filteredRows_;
    const RowOrder* view_ = &natural_;

    int position_ = -1; // in the view; -1 when empty
    bool bof_ = true;
    bool eof_ = true;
    std::vector<rowcodec::Payload> buffer_; // edit or insert buffer
    bool modified_ = false;
    int insertPosition_ = -1;              // display row of the new row while inserting
    std::uint32_t returnRow_ = UINT32_MAX; // current row before an insert, for cancel

    int changes_ = 0;
    Journal journal_;
    ChangeSink* sink_ = nullptr;
    bool holdFlush_ = false; // many changes that are one: the sink hears of them as one
    struct FlushHeld {
        Table& t;
        explicit FlushHeld(Table& table) : t(table) { t.holdFlush_ = true; }
        ~FlushHeld() {
            t.holdFlush_ = false;
            if (t.sink_)
                t.sink_->flush();
        }
    };
    std::int32_t nextAutoInc_ = 1;
    std::uint64_t generation_ = 0;
    int disableCount_ = 0;
    std::vector<TableObserver*> observers_;
    int notifying_ = 0; // removed observers are nulled while a notification runs
    bool bulk_ = false;
    std::uint32_t bulkCurrent_ = UINT32_MAX; // the current row when the bulk load began
};

} // namespace engine
