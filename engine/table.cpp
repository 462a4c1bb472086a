#include "table.h"

#include "collation.h"
#include "error.h"
#include "tablefile.h"
#include "textindex.h"
#include "utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

namespace engine {

struct Table::Index {
    std::string name;
    std::string fieldsText;
    KeyOrder order;
    RowOrder rows{true}; // live rows in key order, equal keys by row id
};

namespace {

constexpr int kMaxIndexFields = 16;

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return u;
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return std::string(s);
}

// Money reads best without exponents: the shortest fixed notation that reads back the same.
std::string doubleText(double v) {
    char buf[512];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return std::string(buf, r.ptr);
}

[[noreturn]] void notInteger(std::string_view text) {
    throw Error("'" + std::string(text) + "' is not a valid integer value");
}

[[noreturn]] void notFloat(std::string_view text) {
    throw Error("'" + std::string(text) + "' is not a valid floating point value");
}

} // namespace

Table::Table() = default;
Table::~Table() = default;

// ---------------------------------------------------------------------------- lifetime

void Table::create(std::vector<FieldDef> fields) {
    tablefile::checkFields(fields);
    reset(std::move(fields), RowStore());
}

void Table::load(const std::string& path) {
    tablefile::Image image = tablefile::read(path);
    RowStore rows;
    rows.adopt(std::move(image.bytes), std::move(image.rows));
    reset(std::move(image.fields), std::move(rows));
    storedOrders_ = std::move(image.orders);
    storedOrdersVersion_ = rows_.version();
}

void Table::save(const std::string& path) const {
    const std::string tmp = saveTemporary(path);
    try {
        tablefile::install(tmp, path);
    } catch (...) {
        std::remove(tmp.c_str());
        throw;
    }
    tablefile::syncFolder(path);
}

std::string Table::saveTemporary(const std::string& path) const {
    requireOpen();
    // Each index's order goes along as places in the file, so loading need not sort again.
    std::vector<std::uint32_t> place(rows_.slotCount());
    std::uint32_t at = 0;
    for (std::uint32_t id : natural_)
        place[id] = at++;
    std::vector<tablefile::OrderToSave> orders;
    for (const auto& index : indices_) {
        if (index->rows.size() != natural_.size())
            continue; // rows of a bulk load not sorted in yet
        tablefile::OrderToSave& order = orders.emplace_back();
        order.key = orderKey(index->order);
        order.rows.reserve(natural_.size());
        for (std::uint32_t id : index->rows)
            order.rows.push_back(place[id]);
    }
    return tablefile::writeTemporary(
        path, fields_, natural_.size(),
        [this](const auto& emit) {
            for (std::uint32_t id : natural_)
                emit(rows_.row(id));
        },
        orders);
}

void Table::close() {
    reset({}, RowStore(), false);
}

void Table::takeOver(Table& other) {
    if (&other == this)
        return;
    other.requireOpen();
    other.checkBrowseMode();
    displayWidths_ = std::move(other.displayWidths_);
    {
        const Changing changing(gate_);
        const Changing theirs(other.gate_);
        fields_ = std::move(other.fields_);
        rows_ = std::move(other.rows_);
        natural_ = std::move(other.natural_);
    }
    indices_ = std::move(other.indices_);
    textIndices_ = std::move(other.textIndices_);
    active_ = std::exchange(other.active_, nullptr);
    activeName_ = other.activeName_;
    nextAutoInc_ = other.nextAutoInc_;
    forgetViewAndEdits();
    view_ = &activeOrder();
    other.close();
    state_ = TableState::Browse;
    setCurrent(0);
    bof_ = true;
    notify(Event::Active);
}

void Table::forgetViewAndEdits() {
    rankCache_.clear();
    filterText_.clear();
    condition_.reset();
    filtered_ = false;
    filteredRows_.clear();
    buffer_.clear();
    modified_ = false;
    insertPosition_ = -1;
    changes_ = 0;
    journal_.clear();
    bulk_ = false;
    ++generation_;
}

void Table::reset(std::vector<FieldDef> fields, RowStore rows, bool open) {
    {
        const Changing changing(gate_);
        fields_ = std::move(fields);
        rows_ = std::move(rows);
        std::vector<std::uint32_t> live;
        live.reserve(rows_.slotCount());
        for (std::uint32_t id = 0; id < rows_.slotCount(); ++id)
            if (rows_.live(id))
                live.push_back(id);
        natural_.assign(live);
    }
    displayWidths_.assign(fields_.size(), 0);
    indices_.clear();
    textIndices_.clear();
    active_ = nullptr;
    activeName_.clear();
    storedOrders_.clear();
    forgetViewAndEdits();
    view_ = &natural_;
    nextAutoInc_ = 1;
    if (std::any_of(fields_.begin(), fields_.end(),
                    [](const FieldDef& f) { return f.type == FieldType::AutoInc; }))
        for (std::uint32_t id : natural_)
            noteAutoIncrement(rows_.row(id));
    state_ = open ? TableState::Browse : TableState::Inactive;
    setCurrent(0);
    bof_ = true;
    notify(Event::Active);
}

// ---------------------------------------------------------------------------- fields

int Table::findField(std::string_view name) const {
    return engine::findField(fields_, name);
}

int Table::fieldIndex(std::string_view name) const {
    requireOpen(); // a closed table has no fields; say why rather than which one is missing
    const int f = findField(name);
    if (f < 0)
        throw Error("Field '" + std::string(name) + "' not found");
    return f;
}

void Table::setDisplayWidth(int field, int width) {
    requireField(field);
    displayWidths_[static_cast<std::size_t>(field)] = std::max(0, width);
}

int Table::displayWidth(int field) const {
    requireField(field);
    const int set = displayWidths_[static_cast<std::size_t>(field)];
    if (set > 0)
        return set;
    switch (fields_[static_cast<std::size_t>(field)].type) {
    case FieldType::String:
        return fields_[static_cast<std::size_t>(field)].size;
    case FieldType::Integer:
    case FieldType::AutoInc:
        return 11;
    case FieldType::Currency:
    case FieldType::Memo:
        return 10;
    }
    return 10;
}

// ---------------------------------------------------------------------------- change log

void Table::mergeChangeLog() {
    requireOpen();
    checkBrowseMode();
    changes_ = 0;
    journal_.clear();
}

// ---------------------------------------------------------------------------- indices

void Table::addIndex(const std::string& name, const std::string& fieldList) {
    requireOpen();
    if (name.empty())
        throw Error("An index needs a name");
    for (const auto& index : indices_)
        if (upper(index->name) == upper(name))
            throw Error("Index '" + name + "' already exists");
    std::vector<int> keyFields;
    std::string_view rest = fieldList;
    while (true) {
        const std::size_t semi = rest.find(';');
        const std::string part = trimmed(rest.substr(0, semi));
        if (part.empty())
            throw Error("Index '" + name + "' has an empty field name in \"" + fieldList + "\"");
        keyFields.push_back(fieldIndex(part));
        if (semi == std::string_view::npos)
            break;
        rest.remove_prefix(semi + 1);
    }
    if (keyFields.size() > kMaxIndexFields)
        throw Error("Index '" + name + "' has more than 16 fields");
    checkBrowseMode();
    auto index = std::make_unique<Index>();
    index->name = name;
    index->fieldsText = fieldList;
    index->order = KeyOrder(std::move(keyFields), fields_);
    if (!adoptStoredOrder(*index))
        rebuildIndex(*index);
    indices_.push_back(std::move(index));
}

void Table::rebuildIndex(Index& index) {
    const std::vector<std::uint32_t> live(natural_.begin(), natural_.end());
    std::vector<const FieldRanks*> keys;
    for (int f : index.order.fields())
        keys.push_back(&rankCache_.get(rows_, live, f, fields_[static_cast<std::size_t>(f)].type));
    index.rows.assign(sortByRanks(live, keys));
}

std::string Table::orderKey(const KeyOrder& order) const {
    std::string key = "fields";
    bool text = false;
    for (int f : order.fields()) {
        key += ' ' + std::to_string(f);
        text = text || isTextType(fields_[static_cast<std::size_t>(f)].type);
    }
    if (text)
        key += " collation " + collation::identity();
    return key;
}

bool Table::adoptStoredOrder(Index& index) {
    // Only right after loading: every row live, ids in file order.
    if (storedOrders_.empty() || rows_.version() != storedOrdersVersion_ ||
        natural_.size() != rows_.slotCount())
        return false;
    const std::string key = orderKey(index.order);
    const auto it = std::find_if(storedOrders_.begin(), storedOrders_.end(),
                                 [&](const tablefile::SavedOrder& o) { return o.key == key; });
    if (it == storedOrders_.end() || it->size() != natural_.size())
        return false;
    const tablefile::SavedOrder& saved = *it;
    // Else not every row once, or not in order: sorted afresh.
    const bool taken =
        savedOrderIsSorted(index.order, saved) &&
        index.rows.assignPermutation(saved.size(), [&](std::size_t i) { return saved.place(i); });
    storedOrders_.erase(it);
    return taken;
}

bool Table::savedOrderIsSorted(const KeyOrder& order, const tablefile::SavedOrder& saved) const {
    // Numbers compare cheaply: every neighbour. Text goes through the collation, which would
    // cost a good part of a sort; a spread of neighbours catches a file whose order is not
    // this key's.
    constexpr std::size_t kTextChecks = 4096;
    const bool text = std::any_of(order.fields().begin(), order.fields().end(), [&](int f) {
        return isTextType(fields_[static_cast<std::size_t>(f)].type);
    });
    const std::size_t n = saved.size();
    const std::size_t step = text ? std::max<std::size_t>(1, n / kTextChecks) : 1;
    for (std::size_t i = 0; i + 1 < n; i += step) {
        const std::uint32_t a = saved.place(i), b = saved.place(i + 1);
        if (a >= natural_.size() || b >= natural_.size() ||
            order.compare(rows_.row(a), rows_.row(b)) > 0)
            return false;
    }
    return true;
}

void Table::setActiveIndex(const std::string& name) {
    requireOpen();
    Index* found = nullptr;
    if (!name.empty()) {
        for (const auto& index : indices_)
            if (upper(index->name) == upper(name))
                found = index.get();
        if (!found)
            throw Error("Index '" + name + "' not found");
    }
    checkBrowseMode();
    // Indices are added together, then one is chosen: the ranks and saved orders are done.
    rankCache_.clear();
    storedOrders_.clear();
    const std::uint32_t current = position_ >= 0 ? rowAtPosition(position_) : UINT32_MAX;
    active_ = found;
    activeName_ = found ? found->name : std::string();
    rebuildView();
    resyncCurrent(current, 0);
    notify(Event::Changed);
}

std::vector<IndexDef> Table::indexDefs() const {
    std::vector<IndexDef> defs;
    for (const auto& index : indices_)
        defs.push_back({index->name, index->fieldsText});
    return defs;
}

const RowOrder& Table::activeOrder() const {
    return active_ ? active_->rows : natural_;
}

const KeyOrder& Table::activeKeyOrder() const {
    return active_ ? active_->order : naturalOrder_;
}

bool Table::lessInOrder(const KeyOrder& order, std::uint32_t a, std::uint32_t b) const {
    if (!order.empty()) {
        const int c = order.compare(rows_.row(a), rows_.row(b));
        if (c != 0)
            return c < 0;
    }
    return a < b;
}

std::size_t Table::lowerBound(const RowOrder& v, const KeyOrder& order, std::uint32_t row) const {
    return v.partitionPoint([&](std::uint32_t x) { return lessInOrder(order, x, row); });
}

void Table::insertSorted(RowOrder& v, const KeyOrder& order, std::uint32_t row) {
    v.insert(lowerBound(v, order, row), row);
}

void Table::eraseSorted(RowOrder& v, const KeyOrder& order, std::uint32_t row) {
    if (v.tracked()) {
        const std::size_t at = v.positionOf(row);
        if (at != RowOrder::npos)
            v.erase(at);
        return;
    }
    std::size_t at = lowerBound(v, order, row);
    if (at >= v.size() || v[at] != row) { // never expected; keeps the list exact
        at = 0;
        v.forEach(0, v.size(), [&](std::uint32_t r) {
            if (r == row)
                return false;
            ++at;
            return true;
        });
    }
    if (at < v.size())
        v.erase(at);
}

// ---------------------------------------------------------------------------- view

bool Table::passes(std::uint32_t row) const {
    return !filtered_ || !condition_ || condition_->matches(rows_.row(row));
}

bool Table::candidates(const Condition& c, std::vector<std::uint32_t>& out,
                       bool& inActiveOrder) const {
    // Texts with one beginning need not stand together in a collation (Danish "Aa" sorts as
    // "Å"), so a prefix is found by a scan.
    if (c.kind == Condition::Kind::Prefix)
        return false;
    const Index* use = nullptr;
    if (active_ && active_->order.fields().front() == c.field)
        use = active_;
    for (const auto& index : indices_)
        if (!use && index->order.fields().front() == c.field)
            use = index.get();
    if (!use)
        return false;
    const RowOrder& v = use->rows;
    const rowcodec::Slice value =
        c.kind == Condition::Kind::IsEmpty ? rowcodec::Slice{} : rowcodec::Slice{false, c.payload};
    const std::size_t from = v.partitionPoint(
        [&](std::uint32_t r) { return use->order.compareFirst(rows_.row(r), value) < 0; });
    const std::size_t to = v.partitionPoint(
        [&](std::uint32_t r) { return use->order.compareFirst(rows_.row(r), value) <= 0; });
    out.clear();
    v.forEach(from, to, [&](std::uint32_t r) {
        out.push_back(r);
        return true;
    });
    // The rows lie all over memory: fetch ahead while checking each for an exact match.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i + 16 < out.size())
            rows_.prefetchSlot(out[i + 16]);
        if (i + 8 < out.size())
            rows_.prefetchRow(out[i + 8]);
        if (c.matches(rows_.row(out[i])))
            out[kept++] = out[i];
    }
    out.resize(kept);
    // Rows equal in the first field are ordered by the rest of the key, so when the rest is the
    // active order's key they already stand in view order.
    inActiveOrder = use == active_ || (active_ && use->order.continuesWith(active_->order));
    return true;
}

void Table::rebuildView() {
    if (!filtered_ || !condition_) {
        view_ = &activeOrder();
        filteredRows_.clear();
        return;
    }
    const RowOrder& order = activeOrder();
    std::vector<std::uint32_t> found;
    bool inOrder = false;
    if (!candidates(*condition_, found, inOrder)) {
        found.clear();
        for (std::uint32_t r : order)
            if (condition_->matches(rows_.row(r)))
                found.push_back(r);
    } else if (!inOrder) {
        if (found.size() * 32 < order.size()) { // few matches: sort them
            std::sort(found.begin(), found.end(), [&](std::uint32_t a, std::uint32_t b) {
                return lessInOrder(activeKeyOrder(), a, b);
            });
        } else { // many: mark them and walk the active order once
            std::vector<bool> marked(rows_.slotCount(), false);
            for (std::uint32_t r : found)
                marked[r] = true;
            found.clear();
            for (std::uint32_t r : order)
                if (marked[r])
                    found.push_back(r);
        }
    }
    filteredRows_.assign(found);
    view_ = &filteredRows_;
}

int Table::positionInView(std::uint32_t row) const {
    if (!rows_.live(row) || (viewIsFiltered() && !passes(row)))
        return -1;
    if (view_->tracked()) {
        const std::size_t at = view_->positionOf(row);
        return at == RowOrder::npos ? -1 : static_cast<int>(at);
    }
    const std::size_t at = lowerBound(*view_, activeKeyOrder(), row);
    return at < view_->size() && (*view_)[at] == row ? static_cast<int>(at) : -1;
}

void Table::setCurrent(int position) {
    const int n = viewSize();
    position_ = n == 0 ? -1 : std::clamp(position, 0, n - 1);
    bof_ = eof_ = n == 0;
}

void Table::resyncCurrent(std::uint32_t row, int fallback) {
    const int at = row != UINT32_MAX ? positionInView(row) : -1;
    setCurrent(at >= 0 ? at : fallback);
}

// ---------------------------------------------------------------------------- cursor

void Table::scrolled() {
    notify(Event::Scrolled);
    runHook(afterScroll);
}

void Table::first() {
    requireOpen();
    checkBrowseMode();
    setCurrent(0);
    bof_ = true;
    scrolled();
}

void Table::last() {
    requireOpen();
    checkBrowseMode();
    setCurrent(viewSize() - 1);
    eof_ = true;
    scrolled();
}

void Table::next() {
    requireOpen();
    checkBrowseMode();
    if (position_ >= 0 && position_ < viewSize() - 1) {
        ++position_;
        bof_ = eof_ = false;
        // Scans walk the view row by row over rows spread through memory: fetch ahead.
        const std::size_t at = static_cast<std::size_t>(position_);
        if (at + 16 < view_->size())
            rows_.prefetchSlot((*view_)[at + 16]);
        if (at + 8 < view_->size())
            rows_.prefetchRow((*view_)[at + 8]);
        scrolled();
    } else {
        eof_ = true;
    }
}

void Table::prior() {
    requireOpen();
    checkBrowseMode();
    if (position_ > 0) {
        --position_;
        bof_ = eof_ = false;
        scrolled();
    } else {
        bof_ = true;
    }
}

void Table::moveTo(int displayRow) {
    requireOpen();
    const int rows = displayRowCount();
    if (rows == 0)
        return;
    displayRow = std::clamp(displayRow, 0, rows - 1);
    if (displayRow == currentDisplayRow() && state_ != TableState::Browse)
        return; // already on the row being edited
    int position = displayRow;
    if (state_ == TableState::Insert && displayRow > insertPosition_)
        --position;
    const std::uint32_t target = rowAtPosition(position);
    checkBrowseMode();
    resyncCurrent(target, position);
    scrolled();
}

int Table::recordCount() const {
    return isOpen() ? viewSize() : 0;
}

int Table::displayRowCount() const {
    return recordCount() + (state_ == TableState::Insert ? 1 : 0);
}

int Table::currentDisplayRow() const {
    return state_ == TableState::Insert ? insertPosition_ : position_;
}

// ---------------------------------------------------------------------------- editing

void Table::insert() {
    startInsert(false);
}
void Table::append() {
    startInsert(true);
}

void Table::startInsert(bool atEnd) {
    requireOpen();
    checkBrowseMode();
    runHook(beforeInsert);
    returnRow_ = position_ >= 0 ? rowAtPosition(position_) : UINT32_MAX;
    insertPosition_ = atEnd || position_ < 0 ? viewSize() : position_;
    buffer_.assign(fields_.size(), std::nullopt);
    modified_ = false;
    state_ = TableState::Insert;
    bof_ = eof_ = false;
    notify(Event::Editing);
    notify(Event::Changed);
    runHook(afterInsert);
}

void Table::edit() {
    requireOpen();
    if (state_ != TableState::Browse)
        return;
    if (viewSize() == 0) {
        insert();
        return;
    }
    runHook(beforeEdit);
    buffer_ = rowcodec::decode(rows_.row(rowAtPosition(position_)), fieldCount());
    modified_ = false;
    state_ = TableState::Edit;
    notify(Event::Editing);
    runHook(afterEdit);
}

void Table::post() {
    requireOpen();
    if (state_ == TableState::Browse)
        throw Error("Dataset not in edit or insert mode");
    notifyUpdateData();
    runHook(beforePost);
    for (int f = 0; f < fieldCount(); ++f) {
        if (fields_[static_cast<std::size_t>(f)].type != FieldType::AutoInc)
            continue;
        auto& value = buffer_[static_cast<std::size_t>(f)];
        if (!value)
            value = rowcodec::intPayload(nextAutoInc_);
        const std::int32_t v = rowcodec::intFromPayload(*value);
        if (v >= nextAutoInc_ && v < INT32_MAX)
            nextAutoInc_ = v + 1;
    }
    const std::string blob = rowcodec::encode(buffer_);
    if (bulk_ && state_ != TableState::Insert)
        throw Error("Rows cannot be edited while a bulk load is under way");
    std::uint32_t id = 0;
    int fallback = 0;
    if (state_ == TableState::Insert) {
        id = addRow(blob);
        fallback = insertPosition_;
    } else {
        id = rowAtPosition(position_);
        fallback = position_;
        replaceRow(id, blob);
    }
    state_ = TableState::Browse;
    buffer_.clear();
    modified_ = false;
    insertPosition_ = -1;
    if (bulk_) {
        runHook(afterPost);
        return;
    }
    resyncCurrent(id, fallback);
    notify(Event::Editing);
    notify(Event::Changed);
    runHook(afterPost);
}

std::uint32_t Table::addRow(std::string_view blob) {
    std::uint32_t id = 0;
    {
        const Changing changing(gate_);
        id = rows_.add(blob);
        natural_.push_back(id);
    }
    updateTextIndices(id, blob, nullptr);
    if (!bulk_) {
        for (const auto& index : indices_)
            insertSorted(index->rows, index->order, id);
        if (viewIsFiltered() && passes(id))
            insertSorted(filteredRows_, activeKeyOrder(), id);
    }
    noteAutoIncrement(blob); // a row from elsewhere may carry a higher number
    journal_.inserted(id);
    ++changes_;
    tellSink(id, std::nullopt, blob);
    return id;
}

void Table::noteAutoIncrement(std::string_view blob) {
    for (int f = 0; f < fieldCount(); ++f) {
        if (fields_[static_cast<std::size_t>(f)].type != FieldType::AutoInc)
            continue;
        const auto v = rowcodec::intField(blob, f);
        if (v && *v >= nextAutoInc_ && *v < INT32_MAX)
            nextAutoInc_ = *v + 1;
    }
}

void Table::replaceRow(std::uint32_t id, std::string_view blob) {
    const std::string_view old = rows_.row(id);
    journal_.edited(id, old);
    std::vector<Index*> moved;
    for (const auto& index : indices_)
        if (index->order.compare(old, blob) != 0)
            moved.push_back(index.get());
    if (viewIsFiltered() && passes(id))
        eraseSorted(filteredRows_, activeKeyOrder(), id);
    for (Index* index : moved)
        eraseSorted(index->rows, index->order, id);
    updateTextIndices(id, blob, &old);
    {
        const Changing changing(gate_);
        rows_.replace(id, blob);
    }
    for (Index* index : moved)
        insertSorted(index->rows, index->order, id);
    if (viewIsFiltered() && passes(id))
        insertSorted(filteredRows_, activeKeyOrder(), id);
    ++changes_;
    tellSink(id, journal_.before(journal_.entries().back()), blob);
}

void Table::removeRow(std::uint32_t id) {
    journal_.deleted(id, rows_.row(id));
    tellSink(id, rows_.row(id), std::nullopt);
    if (viewIsFiltered() && passes(id))
        eraseSorted(filteredRows_, activeKeyOrder(), id);
    for (const auto& index : indices_)
        eraseSorted(index->rows, index->order, id);
    {
        const Changing changing(gate_);
        eraseSorted(natural_, naturalOrder_, id);
        rows_.remove(id);
    }
    ++changes_;
}

void Table::restoreRow(std::uint32_t id, std::string_view blob) {
    {
        const Changing changing(gate_);
        rows_.restore(id, blob);
        insertSorted(natural_, naturalOrder_, id);
    }
    updateTextIndices(id, blob, nullptr);
    for (const auto& index : indices_)
        insertSorted(index->rows, index->order, id);
    if (viewIsFiltered() && passes(id))
        insertSorted(filteredRows_, activeKeyOrder(), id);
    noteAutoIncrement(blob);
    journal_.inserted(id); // the base may lack it: a save may have come between
    ++changes_;
    tellSink(id, std::nullopt, blob);
}

void Table::postRows(const std::vector<RowTarget>& targets) {
    // Few rows to sort in: each finds its place in the indices (a row going needs no search).
    // Many: the indices sorted afresh once, which costs less than a search per row and index.
    const std::size_t many = std::max<std::size_t>(4096, natural_.size() / 16);
    const auto sortedIn = static_cast<std::size_t>(std::count_if(
        targets.begin(), targets.end(), [](const RowTarget& t) { return t.value.has_value(); }));
    if (sortedIn < many || indices_.empty()) {
        for (const RowTarget& t : targets) {
            if (!t.value)
                removeRow(t.row);
            else if (rows_.live(t.row))
                replaceRow(t.row, *t.value);
            else
                restoreRow(t.row, *t.value);
        }
        return;
    }
    const Changing changing(gate_);
    for (const RowTarget& t : targets) {
        if (!t.value) {
            journal_.deleted(t.row, rows_.row(t.row));
            tellSink(t.row, rows_.row(t.row), std::nullopt);
            eraseSorted(natural_, naturalOrder_, t.row);
            rows_.remove(t.row);
        } else if (rows_.live(t.row)) {
            const std::string_view old = rows_.row(t.row);
            journal_.edited(t.row, old);
            updateTextIndices(t.row, *t.value, &old);
            rows_.replace(t.row, *t.value);
            tellSink(t.row, journal_.before(journal_.entries().back()), *t.value);
        } else {
            rows_.restore(t.row, *t.value);
            insertSorted(natural_, naturalOrder_, t.row);
            updateTextIndices(t.row, *t.value, nullptr);
            noteAutoIncrement(*t.value);
            journal_.inserted(t.row);
            tellSink(t.row, std::nullopt, *t.value);
        }
        ++changes_;
    }
    for (const auto& index : indices_)
        rebuildIndex(*index);
    rebuildView();
}

void Table::cancel() {
    requireOpen();
    if (state_ == TableState::Browse)
        return;
    runHook(beforeCancel);
    const bool wasInsert = state_ == TableState::Insert;
    const int at = wasInsert ? insertPosition_ : position_;
    state_ = TableState::Browse;
    buffer_.clear();
    modified_ = false;
    insertPosition_ = -1;
    if (wasInsert)
        resyncCurrent(returnRow_, at);
    notify(Event::Editing);
    notify(Event::Changed);
    runHook(afterCancel);
}

void Table::deleteRecord() {
    requireOpen();
    if (state_ == TableState::Insert) {
        cancel();
        return;
    }
    if (viewSize() == 0)
        throw Error("Cannot perform this operation on an empty dataset");
    if (bulk_)
        throw Error("Rows cannot be deleted while a bulk load is under way");
    runHook(beforeDelete);
    const bool wasEditing = state_ == TableState::Edit;
    state_ = TableState::Browse;
    buffer_.clear();
    modified_ = false;
    const int at = position_;
    removeRow(rowAtPosition(at));
    setCurrent(at);
    if (wasEditing)
        notify(Event::Editing);
    notify(Event::Changed);
    runHook(afterDelete);
    runHook(afterScroll);
}

void Table::checkBrowseMode() {
    if (state_ != TableState::Edit && state_ != TableState::Insert)
        return;
    notifyUpdateData();
    if (modified_)
        post();
    else
        cancel();
}

void Table::updateRecord() {
    requireEditing();
    notifyUpdateData();
}

// ---------------------------------------------------------------------------- values

void Table::requireOpen() const {
    if (!isOpen())
        throw Error("Cannot perform this operation on a closed dataset");
}

void Table::requireEditing() const {
    requireOpen();
    if (state_ != TableState::Edit && state_ != TableState::Insert)
        throw Error("Dataset not in edit or insert mode");
}

void Table::requireField(int field) const {
    if (field < 0 || field >= fieldCount())
        throw Error("Field index " + std::to_string(field) + " out of range");
}

rowcodec::Slice Table::currentSlice(int field) const {
    requireOpen();
    requireField(field);
    if (state_ == TableState::Edit || state_ == TableState::Insert) {
        const auto& v = buffer_[static_cast<std::size_t>(field)];
        return v ? rowcodec::Slice{false, *v} : rowcodec::Slice{};
    }
    if (position_ < 0)
        return {};
    return rowcodec::field(rows_.row(rowAtPosition(position_)), field);
}

std::string Table::sliceText(int field, const rowcodec::Slice& s) const {
    if (s.null)
        return {};
    switch (fields_[static_cast<std::size_t>(field)].type) {
    case FieldType::String:
    case FieldType::Memo:
        return std::string(s.bytes);
    case FieldType::Integer:
    case FieldType::AutoInc:
        return std::to_string(rowcodec::intFromPayload(s.bytes));
    case FieldType::Currency:
        return doubleText(rowcodec::doubleFromPayload(s.bytes));
    }
    return {};
}

bool Table::isNull(int field) const {
    const rowcodec::Slice s = currentSlice(field);
    return s.null || s.bytes.empty();
}

std::string Table::asText(int field) const {
    return sliceText(field, currentSlice(field));
}

std::string_view Table::textView(int field) const {
    const rowcodec::Slice s = currentSlice(field);
    const FieldDef& def = fields_[static_cast<std::size_t>(field)];
    if (!isTextType(def.type))
        throw Error("Field '" + def.name + "' is not a text field");
    return s.bytes;
}

std::int32_t Table::asInteger(int field) const {
    const rowcodec::Slice s = currentSlice(field);
    if (s.null)
        return 0;
    const FieldType type = fields_[static_cast<std::size_t>(field)].type;
    if (isIntegerType(type))
        return rowcodec::intFromPayload(s.bytes);
    if (type == FieldType::Currency) {
        const double d = std::round(rowcodec::doubleFromPayload(s.bytes));
        if (!(d >= INT32_MIN && d <= INT32_MAX))
            notInteger(sliceText(field, s));
        return static_cast<std::int32_t>(d);
    }
    std::int32_t v = 0;
    if (!parseInteger(s.bytes, v))
        notInteger(s.bytes);
    return v;
}

double Table::asFloat(int field) const {
    const rowcodec::Slice s = currentSlice(field);
    if (s.null)
        return 0;
    const FieldType type = fields_[static_cast<std::size_t>(field)].type;
    if (isIntegerType(type))
        return rowcodec::intFromPayload(s.bytes);
    if (type == FieldType::Currency)
        return rowcodec::doubleFromPayload(s.bytes);
    double d = 0;
    if (!parseCurrency(s.bytes, d))
        notFloat(s.bytes);
    return d;
}

void Table::writePayload(int field, rowcodec::Payload value) {
    buffer_[static_cast<std::size_t>(field)] = std::move(value);
    modified_ = true;
    notify(Event::Record, field);
}

void Table::setText(int field, std::string_view text) {
    requireEditing();
    requireField(field);
    writePayload(field, payloadFor(field, text));
}

rowcodec::Payload Table::payloadFor(int field, std::string_view text) const {
    const FieldDef& def = fields_[static_cast<std::size_t>(field)];
    if (text.empty())
        return std::nullopt;
    switch (def.type) {
    case FieldType::String:
        return std::string(utf8::cutToChars(text, def.size));
    case FieldType::Memo:
        return std::string(text);
    case FieldType::Integer:
    case FieldType::AutoInc: {
        std::int32_t v = 0;
        if (!parseInteger(text, v))
            notInteger(text);
        return rowcodec::intPayload(v);
    }
    case FieldType::Currency: {
        double d = 0;
        if (!parseCurrency(text, d))
            notFloat(text);
        return rowcodec::doublePayload(d);
    }
    }
    return std::nullopt;
}

void Table::setInteger(int field, std::int32_t value) {
    requireEditing();
    requireField(field);
    const FieldType type = fields_[static_cast<std::size_t>(field)].type;
    if (isIntegerType(type))
        writePayload(field, rowcodec::intPayload(value));
    else if (type == FieldType::Currency)
        writePayload(field, rowcodec::doublePayload(value));
    else
        setText(field, std::to_string(value));
}

void Table::setFloat(int field, double value) {
    requireEditing();
    requireField(field);
    const FieldType type = fields_[static_cast<std::size_t>(field)].type;
    if (!std::isfinite(value))
        notFloat(doubleText(value));
    if (type == FieldType::Currency)
        writePayload(field, rowcodec::doublePayload(value));
    else if (isIntegerType(type)) {
        const double r = std::round(value);
        if (!(r >= INT32_MIN && r <= INT32_MAX))
            notInteger(doubleText(value));
        writePayload(field, rowcodec::intPayload(static_cast<std::int32_t>(r)));
    } else
        setText(field, doubleText(value));
}

void Table::clear(int field) {
    requireEditing();
    requireField(field);
    writePayload(field, std::nullopt);
}

std::optional<std::int32_t> Table::maxInteger(int field) const {
    requireOpen();
    requireField(field);
    if (!isIntegerType(fields_[static_cast<std::size_t>(field)].type))
        throw Error("Field '" + fields_[static_cast<std::size_t>(field)].name +
                    "' is not an integer field");
    std::optional<std::int32_t> best;
    for (std::uint32_t id : natural_) {
        const rowcodec::Slice s = rowcodec::field(rows_.row(id), field);
        if (!s.null) {
            const std::int32_t v = rowcodec::intFromPayload(s.bytes);
            if (!best || v > *best)
                best = v;
        }
    }
    return best;
}

bool Table::isNullAt(int displayRow, int field) const {
    const std::string text = textAt(displayRow, field);
    return text.empty();
}

std::string Table::textAt(int displayRow, int field) const {
    requireOpen();
    requireField(field);
    if (displayRow < 0 || displayRow >= displayRowCount())
        throw Error("Row " + std::to_string(displayRow) + " is out of range");
    int position = displayRow;
    if (state_ == TableState::Insert) {
        if (displayRow == insertPosition_)
            return asText(field);
        if (displayRow > insertPosition_)
            --position;
    } else if (state_ == TableState::Edit && displayRow == position_) {
        return asText(field);
    }
    return sliceText(field, rowcodec::field(rows_.row(rowAtPosition(position)), field));
}

// ---------------------------------------------------------------------------- filter

void Table::setFilter(const std::string& expression) {
    requireOpen();
    std::optional<Condition> parsed = parseFilter(expression, fields_);
    checkBrowseMode();
    filterText_ = expression;
    condition_ = std::move(parsed);
    if (!filtered_)
        return;
    rebuildView();
    setCurrent(0);
    bof_ = true;
    notify(Event::Changed);
}

void Table::setFiltered(bool on) {
    requireOpen();
    checkBrowseMode();
    filtered_ = on;
    rebuildView();
    setCurrent(0);
    bof_ = true;
    notify(Event::Changed);
}

// ---------------------------------------------------------------------------- search

bool Table::locate(std::string_view fieldName, std::string_view value) {
    requireOpen();
    const int field = fieldIndex(fieldName);
    checkBrowseMode();
    Condition c;
    if (!equalsCondition(field, fields_[static_cast<std::size_t>(field)], value, c))
        return false;
    int found = -1;
    std::vector<std::uint32_t> rows;
    bool inOrder = false;
    if (candidates(c, rows, inOrder) && rows.size() <= 64) {
        for (std::uint32_t r : rows) {
            const int at = positionInView(r);
            if (at >= 0 && (found < 0 || at < found))
                found = at;
        }
    } else {
        for (int i = 0; i < viewSize(); ++i)
            if (c.matches(rows_.row(rowAtPosition(i)))) {
                found = i;
                break;
            }
    }
    if (found < 0)
        return false;
    setCurrent(found);
    scrolled();
    return true;
}

Bookmark Table::bookmark() const {
    if (!isOpen() || position_ < 0 || state_ == TableState::Insert)
        return {};
    return {rowAtPosition(position_), generation_};
}

bool Table::bookmarkValid(const Bookmark& b) const {
    return isOpen() && b.valid() && b.generation == generation_ && positionInView(b.row) >= 0;
}

void Table::gotoBookmark(const Bookmark& b) {
    requireOpen();
    checkBrowseMode();
    if (!bookmarkValid(b))
        throw Error("Record not found");
    setCurrent(positionInView(b.row));
    scrolled();
}

// ---------------------------------------------------------------------------- all rows

int Table::storedRowCount() const {
    return isOpen() ? static_cast<int>(natural_.size()) : 0;
}

rowcodec::Slice Table::storedSlice(int storedRow, int field) const {
    requireOpen();
    requireField(field);
    if (storedRow < 0 || storedRow >= storedRowCount())
        throw Error("Row " + std::to_string(storedRow) + " is out of range");
    return rowcodec::field(rows_.row(natural_[static_cast<std::size_t>(storedRow)]), field);
}

std::string Table::storedText(int storedRow, int field) const {
    return sliceText(field, storedSlice(storedRow, field));
}

std::string_view Table::storedTextView(int storedRow, int field) const {
    const rowcodec::Slice slice = storedSlice(storedRow, field);
    const FieldDef& def = fields_[static_cast<std::size_t>(field)];
    if (!isTextType(def.type))
        throw Error("Field '" + def.name + "' is not a text field");
    return slice.bytes;
}

void Table::beginBulk() {
    requireOpen();
    if (bulk_)
        throw Error("A bulk load is already under way");
    checkBrowseMode();
    bulkCurrent_ = position_ >= 0 ? rowAtPosition(position_) : UINT32_MAX;
    bulk_ = true;
}

void Table::endBulk() {
    if (!bulk_)
        return;
    checkBrowseMode();
    bulk_ = false;
    for (const auto& index : indices_)
        rebuildIndex(*index);
    rankCache_.clear();
    rebuildView();
    resyncCurrent(bulkCurrent_, 0);
    bulkCurrent_ = UINT32_MAX;
    if (sink_)
        sink_->flush();
    notify(Event::Changed);
}

// ---------------------------------------------------------------------------- observers

void Table::disableControls() {
    ++disableCount_;
}

void Table::enableControls() {
    if (disableCount_ == 0)
        return;
    if (--disableCount_ == 0)
        notify(Event::Changed);
}

void Table::addObserver(TableObserver* o) {
    if (o && std::find(observers_.begin(), observers_.end(), o) == observers_.end())
        observers_.push_back(o);
}

void Table::removeObserver(TableObserver* o) {
    const auto it = std::find(observers_.begin(), observers_.end(), o);
    if (it == observers_.end())
        return;
    if (notifying_ > 0)
        *it = nullptr;
    else
        observers_.erase(it);
}

void Table::notify(Event e, int field) {
    if (disableCount_ > 0)
        return;
    ++notifying_;
    try {
        for (std::size_t i = 0; i < observers_.size(); ++i) {
            TableObserver* o = observers_[i];
            if (!o)
                continue;
            switch (e) {
            case Event::Active:
                o->activeChanged();
                break;
            case Event::Changed:
                o->dataSetChanged();
                break;
            case Event::Scrolled:
                o->dataSetScrolled();
                break;
            case Event::Record:
                o->recordChanged(field);
                break;
            case Event::Editing:
                o->editingChanged();
                break;
            }
        }
    } catch (...) {
        --notifying_;
        throw;
    }
    if (--notifying_ == 0)
        std::erase(observers_, nullptr);
}

void Table::notifyUpdateData() {
    ++notifying_;
    try {
        for (std::size_t i = 0; i < observers_.size(); ++i)
            if (observers_[i])
                observers_[i]->updateData();
    } catch (...) {
        --notifying_;
        throw;
    }
    if (--notifying_ == 0)
        std::erase(observers_, nullptr);
}

} // namespace engine
