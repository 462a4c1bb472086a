#include "reclocate.h"

#include "cursorshape.h"
#include "keyedtable.h"

#include "engine/table.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <climits>
#include <optional>

namespace {

// Folds only a to z, as the locator always has: other letters keep their case.
void foldAscii(std::string_view in, std::string& out) {
    out.assign(in.data(), in.size());
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
}

std::string upperAscii(std::string_view s) {
    std::string out;
    foldAscii(s, out);
    return out;
}

// Pending input is handled at most this often during a scan; a user sees no difference from
// handling it before every record, and a million-row scan is not slowed by the event loop.
constexpr qint64 kPumpIntervalMs = 10;

QElapsedTimer& pumpClock() {
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer;
}

class BusyCursor {
public:
    explicit BusyCursor(short shape)
        : active_(qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (active_)
            QGuiApplication::setOverrideCursor(cursorForShape(shape));
    }
    ~BusyCursor() {
        if (active_)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool active_;
};

} // namespace

TRecLocate::TRecLocate(QObject* parent) : QObject(parent) {}

QString TRecLocate::Copyright() const {
    return QStringLiteral("Levyholvi record locator");
}

void TRecLocate::setProgressCount(int n) {
    if (n >= 0)
        progressCount_ = n;
}

void TRecLocate::setMaxMemoSize(int n) {
    if (n >= 1 && n <= 1048575)
        maxMemoSize_ = n;
}

void TRecLocate::FindFirst() {
    search(true);
}
void TRecLocate::FindNext() {
    search(false);
}

void TRecLocate::Prepare() {
    engine::Table* t = source_ ? source_->dataSet() : nullptr;
    if (!t || !t->isOpen() || MatchType == maFull)
        return;
    const int field = DataField.isEmpty() ? -1 : t->findField(DataField.toStdString());
    if (field >= 0)
        t->prepareTextSearch(field);
}

void TRecLocate::search(bool fromStart) {
    found_ = false;
    error_ = erNone;
    optimized_ = false;
    optError_ = erOptNone;
    engine::Table* t = source_ ? source_->dataSet() : nullptr;
    int field = -1;
    if (!t || !t->isOpen()) {
        error_ = erDataset;
    } else {
        if (UseIndexes) {
            optimized_ = dynamic_cast<TKeyedTable*>(t) != nullptr;
            if (!optimized_)
                optError_ = erNotTable;
        }
        field = DataField.isEmpty() ? -1 : t->findField(DataField.toStdString());
        if (field < 0)
            error_ = erField;
    }
    if (error_ == erNone) {
        const engine::FieldType type = t->fields()[static_cast<std::size_t>(field)].type;
        if (type != engine::FieldType::String && optimized_) {
            optimized_ = false;
            optError_ = erNoInd;
        }
        if (MatchType == maAnywhere && optimized_) {
            optimized_ = false;
            optError_ = erMatchType;
        }
        if (FindText.isEmpty() && MatchType != maFull)
            found_ = true; // nothing to look for: the table stays where it is
        else
            runSearch(*t, field, fromStart); // an exception passes on, without the events
    }
    if (found_ && OnFind)
        OnFind(this);
    else if (!found_ && OnFail)
        OnFail(this);
}

void TRecLocate::runSearch(engine::Table& t, int field, bool fromStart) {
    engine::Bookmark mark;
    if (FailPos == fpOriginal)
        mark = t.bookmark();
    const std::string text = FindText.toStdString();
    needle_ = IgnoreCase ? upperAscii(text) : text;
    const bool suspend = DisableControls;
    std::exception_ptr failure;
    {
        BusyCursor cursor(FindCursor);
        if (suspend)
            t.disableControls();
        try {
            std::string index;
            bool descending = false;
            if (optimized_) {
                auto* keyed = dynamic_cast<TKeyedTable*>(&t);
                const std::string name =
                    upperAscii(t.fields()[static_cast<std::size_t>(field)].name);
                optimized_ = false;
                optError_ = erNoInd;
                for (const TKeyedTable::IndexDef& def : keyed->keyedIndexDefs()) {
                    const std::string first =
                        upperAscii(def.fields.substr(0, def.fields.find(';')));
                    if (def.fields.empty() || first != name)
                        continue;
                    optimized_ = def.caseInsensitive == IgnoreCase;
                    optError_ = optimized_ ? erOptNone : erCaseSens;
                    index = def.name;
                    descending = def.descending;
                    break;
                }
            }
            if (optimized_)
                keyedSearch(t, field, fromStart, index, descending);
            else
                scan(t, field, fromStart);
        } catch (...) {
            failure = std::current_exception();
        }
        // Positioning, resuming the views and the cursor run whatever happened above.
        try {
            switch (FailPos) {
            case fpOriginal:
                if (!found_ && t.bookmarkValid(mark))
                    t.gotoBookmark(mark);
                t.freeBookmark(mark);
                break;
            case fpEnding:
                break;
            case fpTop:
                t.first();
                break;
            case fpBottom:
                t.last();
                break;
            }
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
        if (suspend)
            t.enableControls();
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TRecLocate::background() {
    if (!DoBackground || !QCoreApplication::instance())
        return;
    const qint64 now = pumpClock().elapsed();
    if (lastPump_ != 0 && now - lastPump_ < kPumpIntervalMs)
        return;
    lastPump_ = now;
    QCoreApplication::processEvents();
}

void TRecLocate::scan(engine::Table& t, int field, bool fromStart) {
    if (fromStart)
        t.first();
    else if (!t.eof())
        t.next();
    lastPump_ = 0; // pending input is handled at the start of every scan
    if (indexedScan(t, field))
        return;
    int counter = 1;
    while (!found_ && !t.eof() && error_ == erNone && (NumRecs == 0 || NumRecs > counter)) {
        ++counter;
        if ((counter & 63) == 0 || counter == 2)
            background();
        if (progressCount_ > 0 && OnProgress && counter % progressCount_ == 0) {
            OnProgress(this);
            if (QCoreApplication::instance())
                QCoreApplication::processEvents();
        }
        found_ = compareCurrent(t, field);
        if (!found_ && !t.eof() && error_ == erNone)
            t.next();
    }
}

// The scan above with the rows it would compare in vain skipped through the table's text
// index. Taken only when nothing could tell the two apart: no progress events, no scroll hook,
// no views told of each row; it ends where the scan would, with the same end flags.
bool TRecLocate::indexedScan(engine::Table& t, int field) {
    if (t.fields()[static_cast<std::size_t>(field)].type != engine::FieldType::String ||
        (MatchType != maAnywhere && MatchType != maBeginning) || needle_.size() < 3 ||
        (progressCount_ > 0 && OnProgress) || t.afterScroll || !t.controlsDisabled())
        return false;
    const int start = t.currentDisplayRow();
    // NumRecs bounds the rows compared to one less than itself.
    const int limit = NumRecs == 0 ? INT_MAX : std::max(0, NumRecs - 1);
    if (t.eof() || start < 0 || limit == 0)
        return false; // the scan compares nothing
    background();
    // Pending input may have changed the table: the scan then goes on row by row.
    if (t.state() != engine::TableState::Browse || t.eof() || t.currentDisplayRow() != start)
        return false;
    const int n = t.recordCount();
    const int to = limit >= n - start ? n : start + limit;
    const std::optional<int> hit = t.findInView(
        field, needle_, start, to, [this](std::string_view value) { return compareText(value); });
    if (!hit)
        return false;
    if (*hit >= 0) {
        found_ = true;
        if (*hit != start)
            t.moveTo(*hit);
    } else if (to < n) {
        t.moveTo(to); // the first row not compared
    } else {
        if (n - 1 != start)
            t.moveTo(n - 1);
        t.next(); // past the last row: eof
    }
    return true;
}

void TRecLocate::keyedSearch(engine::Table& t, int field, bool fromStart, const std::string& index,
                             bool descending) {
    auto* keyed = dynamic_cast<TKeyedTable*>(&t);
    if (progressCount_ > 0 && OnProgress) {
        OnProgress(this);
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    }
    const std::string previous = keyed->keyedActiveIndex();
    keyed->setKeyedActiveIndex(index);
    const std::string text = FindText.toStdString();
    auto lookup = [&] {
        if (MatchType == maFull) {
            found_ = keyed->findKey(text);
        } else {
            keyed->findNearest(text);
            found_ = compareCurrent(t, field);
        }
    };
    try {
        if (fromStart) {
            t.first();
            lookup();
        } else {
            if (!t.eof())
                t.next();
            const std::string key =
                IgnoreCase ? upperAscii(keyed->firstKeyText()) : keyed->firstKeyText();
            const int order = needle_.compare(key); // byte by byte
            if (descending ? order < 0 : order > 0)
                lookup();
            else
                found_ = compareCurrent(t, field);
        }
    } catch (...) {
        keyed->setKeyedActiveIndex(previous);
        throw;
    }
    keyed->setKeyedActiveIndex(previous);
}

bool TRecLocate::compareCurrent(const engine::Table& t, int field) {
    if (t.fields()[static_cast<std::size_t>(field)].type == engine::FieldType::String)
        return compareText(t.textView(field));
    return compareMemo(t, field);
}

bool TRecLocate::compareText(std::string_view value) {
    const std::string_view needle = needle_;
    if (!IgnoreCase) {
        switch (MatchType) {
        case maFull:
            return value == needle;
        case maBeginning:
            return value.starts_with(needle);
        case maAnywhere:
            return value.find(needle) != std::string_view::npos;
        }
        return false;
    }
    // Folding a-z never changes a length, so the value is folded while it is compared rather
    // than copied first: a scan of a million rows spends its time here.
    const std::size_t n = needle.size();
    if (value.size() < n || (MatchType == maFull && value.size() != n))
        return false;
    auto foldedAt = [&](std::size_t at) {
        for (std::size_t k = 0; k < n; ++k) {
            const auto c = static_cast<unsigned char>(value[at + k]);
            if (static_cast<char>(c - (static_cast<unsigned char>(c - 'a') < 26U ? 32 : 0)) !=
                needle[k])
                return false;
        }
        return true;
    };
    if (MatchType != maAnywhere)
        return foldedAt(0);
    for (std::size_t at = 0; at + n <= value.size(); ++at)
        if (foldedAt(at))
            return true;
    return false;
}

bool TRecLocate::compareMemo(const engine::Table& t, int field) {
    std::string_view content;
    try {
        content = t.textView(field); // other kinds of field cannot be read as a memo
    } catch (const std::exception&) {
        error_ = erMem;
        return false;
    }
    const std::size_t read = std::min(content.size(), static_cast<std::size_t>(maxMemoSize_));
    std::string_view text = content.substr(0, read);
    text = text.substr(0, text.find('\0'));
    if (MatchType == maFull) { // as many bytes read as the search text has, and equal to it
        if (read != needle_.size())
            return false;
        return read == 0 ||
               (IgnoreCase ? upperAscii(text) : std::string(text)).starts_with(needle_);
    }
    return compareText(text);
}
