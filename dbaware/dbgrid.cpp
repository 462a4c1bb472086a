#include "dbgrid.h"

#include "datasource.h"
#include "engine/table.h"
#include "errorbox.h"
#include "refusedinput.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>

#include <algorithm>

using engine::TableState;

namespace {

constexpr int kIndicatorWidth = 12;
constexpr int kCellPadding = 8; // the cell's own text margins plus a little air
constexpr int kRowPadding = 4;
constexpr QAbstractItemView::EditTriggers kEditTriggers = QAbstractItemView::AnyKeyPressed |
                                                          QAbstractItemView::EditKeyPressed |
                                                          QAbstractItemView::SelectedClicked;

// Sets the roles the cells use on w itself, so a palette set on the grid does not reach it.
void keepCellRoles(QWidget* w) {
    QPalette p = w->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (auto role : {QPalette::Text, QPalette::Base})
            p.setColor(group, role, p.color(group, role));
    w->setPalette(p);
}

bool editing(const engine::Table* t) {
    return t && (t->state() == TableState::Edit || t->state() == TableState::Insert);
}

} // namespace

// The indicator column is the vertical header: no numbers, a mark on the current row showing
// the table's state. A press on it moves the table like a click on the row.
class TGridIndicator : public QHeaderView {
public:
    explicit TGridIndicator(TDBGrid* grid) : QHeaderView(Qt::Vertical, grid), grid_(grid) {
        setSectionsClickable(false);
        setHighlightSections(false);
        setMinimumSectionSize(1);
        setSectionResizeMode(QHeaderView::Fixed);
        setFixedWidth(kIndicatorWidth);
    }

    // Never measures the sections: there may be a million of them.
    QSize sizeHint() const override { return {kIndicatorWidth, defaultSectionSize()}; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int row) const override {
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.rect = rect;
        option.section = row;
        style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
        const engine::Table* t = grid_->table();
        if (!t || row != t->currentDisplayRow())
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(Qt::black);
        painter->setBrush(Qt::black);
        const int x = rect.center().x();
        const int y = rect.center().y();
        switch (t->state()) {
        case TableState::Edit: // an I-beam
            painter->drawLine(x, y - 4, x, y + 4);
            painter->drawLine(x - 2, y - 5, x + 2, y - 5);
            painter->drawLine(x - 2, y + 5, x + 2, y + 5);
            break;
        case TableState::Insert: // an asterisk
            painter->drawLine(x, y - 4, x, y + 4);
            painter->drawLine(x - 3, y - 2, x + 3, y + 2);
            painter->drawLine(x - 3, y + 2, x + 3, y - 2);
            break;
        default: { // a right-pointing triangle
            const QPoint triangle[] = {{x - 2, y - 4}, {x - 2, y + 4}, {x + 2, y}};
            painter->drawPolygon(triangle, 3);
        }
        }
        painter->restore();
    }

    void mousePressEvent(QMouseEvent* event) override {
        const int row = logicalIndexAt(event->position().toPoint());
        grid_->setFocus(Qt::MouseFocusReason);
        if (row >= 0)
            grid_->clickRow(row, grid_->column_);
        event->accept();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        event->accept();
        const int row = logicalIndexAt(event->position().toPoint());
        const engine::Table* t = grid_->table();
        if (t && row >= 0 && row != t->currentDisplayRow() && !grid_->clickRow(row, grid_->column_))
            return;
        emit grid_->dblClick();
    }

private:
    TDBGrid* grid_;
};

// Opens cell editors only on the table's current record, which it puts into edit state first,
// as typing into any bound control does.
class TGridDelegate : public QStyledItemDelegate {
public:
    explicit TGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        if (!grid_->beginCellEdit(index))
            return nullptr;
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        const engine::Table* t = grid_->table();
        const int f = grid_->model_->fieldAt(index.column());
        if (auto* line = qobject_cast<QLineEdit*>(editor); line && t && f >= 0) {
            const engine::FieldDef& def = t->fields()[static_cast<std::size_t>(f)];
            if (def.type == engine::FieldType::String && def.size > 0)
                line->setMaxLength(def.size); // UTF-16 units: stricter only beyond the BMP
        }
        grid_->editor_ = editor;
        return editor;
    }

private:
    TDBGrid* grid_;
};

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent), model_(new TGridModel(this)), indicator_(new TGridIndicator(this)) {
    setVerticalHeader(indicator_);
    setModel(model_);
    setItemDelegate(new TGridDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(kEditTriggers);
    setCornerButtonEnabled(false);
    setSortingEnabled(false);
    setWordWrap(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView* titles = horizontalHeader();
    titles->setSectionsClickable(false);
    titles->setHighlightSections(false);
    titles->setSectionsMovable(false);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setMinimumSectionSize(8);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(titles, &QHeaderView::sectionResized, this, [this](int column, int, int) {
        if (!applyingWidths_ && column >= 0 && column < autoWidth_.size())
            autoWidth_[column] = false; // the user's width wins from now on
    });
    connect(model_, &QAbstractItemModel::modelReset, this, &TDBGrid::afterReset);
    for (QWidget* w :
         {static_cast<QWidget*>(titles), static_cast<QWidget*>(indicator_),
          static_cast<QWidget*>(horizontalScrollBar()), static_cast<QWidget*>(verticalScrollBar())})
        keepCellRoles(w);
    updateRowHeight();
}

// ---------------------------------------------------------------------------- set-up

void TDBGrid::setDataSource(TDataSource* source) {
    for (const auto& c : connections_)
        disconnect(c);
    connections_.clear();
    model_->setDataSource(source);
    if (source) {
        connections_ << connect(source, &TDataSource::dataSetScrolled, this, &TDBGrid::followTable)
                     << connect(source, &TDataSource::editingChanged, this,
                                &TDBGrid::repaintIndicator)
                     << connect(source, &TDataSource::updateData, this, &TDBGrid::onUpdateData);
    }
}

void TDBGrid::setColumns(const QList<TColumn>& columns) {
    autoWidth_.clear();
    for (const TColumn& c : columns)
        autoWidth_ << (c.width < 0);
    model_->setColumns(columns);
    for (int i = 0; i < model_->columnCount(); ++i)
        applyColumnWidth(i);
    followTable();
}

void TDBGrid::setColumnWidthPixels(int column, int px) {
    if (column < 0 || column >= model_->columnCount())
        return;
    model_->setColumnWidth(column, px < 0 ? -1 : px);
    autoWidth_[column] = px < 0;
    applyColumnWidth(column);
    followTable();
}

void TDBGrid::moveColumn(int from, int to) {
    const int n = model_->columnCount();
    if (from < 0 || from >= n || to < 0 || to >= n || from == to)
        return;
    // Carry the sections' present sizes (the user may have resized them) with the columns.
    QList<int> sizes;
    QList<bool> hidden;
    for (int i = 0; i < n; ++i) {
        sizes << columnWidth(i);
        hidden << isColumnHidden(i);
    }
    model_->moveColumn(from, to);
    sizes.move(from, to);
    hidden.move(from, to);
    autoWidth_.move(from, to);
    {
        QScopedValueRollback<bool> guard(applyingWidths_, true);
        for (int i = 0; i < n; ++i) {
            setColumnHidden(i, hidden[i]);
            if (!hidden[i])
                setColumnWidth(i, sizes[i]);
        }
    }
    if (currentIndex().isValid())
        column_ = currentIndex().column();
}

void TDBGrid::setSelectedIndex(int column) {
    if (column < 0 || column >= model_->columnCount())
        return;
    column_ = column;
    followTable();
}

int TDBGrid::selectedIndex() const {
    return currentIndex().isValid() ? currentIndex().column() : column_;
}

void TDBGrid::setReadOnly(bool on) {
    if (on && editor_ && state() == EditingState)
        closeEditor(editor_, QAbstractItemDelegate::NoHint);
    model_->setReadOnly(on);
    setEditTriggers(on ? QAbstractItemView::NoEditTriggers : kEditTriggers);
}

void TDBGrid::setTitleFont(const QFont& font) {
    horizontalHeader()->setFont(font);
}

QFont TDBGrid::titleFont() const {
    return horizontalHeader()->font();
}

// The cells take the view's palette; the headers and scroll bars keep Text and Base of their
// own (see keepCellRoles), so the titles and the indicator never change with the cells.
void TDBGrid::setCellColors(const QColor& text, const QColor& background) {
    QPalette p = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Base, background);
    }
    setPalette(p);
}

void TDBGrid::setTextColor(const QColor& color) {
    setCellColors(color, backgroundColor());
}

void TDBGrid::setBackgroundColor(const QColor& color) {
    setCellColors(textColor(), color);
}

QColor TDBGrid::textColor() const {
    return palette().color(QPalette::Active, QPalette::Text);
}

QColor TDBGrid::backgroundColor() const {
    return palette().color(QPalette::Active, QPalette::Base);
}

void TDBGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateRowHeight();
        updateAutoWidths();
    }
}

void TDBGrid::updateRowHeight() {
    indicator_->setDefaultSectionSize(fontMetrics().height() + kRowPadding);
}

int TDBGrid::defaultColumnWidth(int column) const {
    const engine::Table* t = table();
    const int f = model_->fieldAt(column);
    const int chars = t && f >= 0 ? t->displayWidth(f) : 10;
    return chars * fontMetrics().averageCharWidth() + kCellPadding;
}

void TDBGrid::applyColumnWidth(int column) {
    QScopedValueRollback<bool> guard(applyingWidths_, true);
    const int width = model_->columns()[column].width;
    setColumnHidden(column, width == 0);
    if (width != 0)
        setColumnWidth(column, width > 0 ? width : defaultColumnWidth(column));
}

// Display widths may be set after the table opened, and fonts change: keep unsized columns
// at their field's width.
void TDBGrid::updateAutoWidths() {
    QScopedValueRollback<bool> guard(applyingWidths_, true);
    for (int i = 0; i < autoWidth_.size() && i < model_->columnCount(); ++i) {
        if (!autoWidth_[i] || isColumnHidden(i))
            continue;
        const int width = defaultColumnWidth(i);
        if (columnWidth(i) != width)
            setColumnWidth(i, width);
    }
}

// ---------------------------------------------------------------------------- following

void TDBGrid::afterReset() {
    updateAutoWidths();
    followTable();
}

void TDBGrid::repaintIndicator() {
    indicator_->viewport()->update();
}

void TDBGrid::followTable() {
    QScopedValueRollback<bool> guard(syncing_, true);
    const engine::Table* t = table();
    const int row = t ? t->currentDisplayRow() : -1;
    const int columns = model_->columnCount();
    if (row >= 0 && row < model_->rowCount() && columns > 0) {
        // The current cell stays on a visible column when there is one.
        int column = std::clamp(column_, 0, columns - 1);
        for (int i = 0; i < columns && isColumnHidden(column); ++i)
            column = (column + 1) % columns;
        const QModelIndex index = model_->index(row, column);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        const int shown = isColumnHidden(column) ? columnAt(0) : column;
        if (shown >= 0)
            scrollTo(model_->index(row, shown));
    }
    repaintIndicator();
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (current.isValid())
        column_ = current.column();
    const engine::Table* t = table();
    // A path that is not intercepted below moved the view: let the table follow once Qt is done.
    if (!syncing_ && t && current.isValid() && current.row() != t->currentDisplayRow())
        QMetaObject::invokeMethod(this, &TDBGrid::followView, Qt::QueuedConnection);
}

void TDBGrid::followView() {
    const engine::Table* t = table();
    const QModelIndex current = currentIndex();
    if (t && current.isValid() && current.row() != t->currentDisplayRow())
        clickRow(current.row(), current.column());
}

bool TDBGrid::goToRow(int row, int column) {
    engine::Table* t = table();
    if (!t)
        return false;
    column_ = column;
    dbaware::guarded([t, row] { t->moveTo(row); }, this);
    followTable(); // also puts the view back when the table refused to move
    t = table();
    return t && t->currentDisplayRow() == row;
}

bool TDBGrid::clickRow(int row, int column) {
    const engine::Table* t = table();
    if (!t)
        return false;
    if (row == t->currentDisplayRow())
        return true;
    return commitEditor() && goToRow(row, column);
}

// ---------------------------------------------------------------------------- editing

QString TDBGrid::editorText() const {
    if (!editor_)
        return {};
    const QMetaProperty property = editor_->metaObject()->userProperty();
    return property.isValid() ? property.read(editor_).toString() : QString();
}

bool TDBGrid::commitEditor() {
    QWidget* editor = editor_;
    if (!editor || state() != EditingState)
        return true;
    const bool stored = model_->setData(currentIndex(), editorText(), Qt::EditRole);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return stored;
}

bool TDBGrid::beginCellEdit(const QModelIndex& index) {
    engine::Table* t = table();
    if (!t || isReadOnly() || index.row() != t->currentDisplayRow())
        return false;
    if (t->state() != TableState::Browse)
        return true;
    // Inside the view's own opening of the editor: an error box waits until that is over.
    return dbaware::guardedInSignal(
        [this, t] {
            t->edit();
            return editing(table());
        },
        this, nullptr);
}

// The table is about to post: the open editor's text goes into the field now. An error
// reaches whoever posts, like any bound control's, unless a RefusedInput takes it.
void TDBGrid::onUpdateData() {
    QWidget* editor = editor_;
    const engine::Table* t = table();
    if (!editor || state() != EditingState || !t || currentIndex().row() != t->currentDisplayRow())
        return;
    const int column = currentIndex().column();
    const QString text = editorText();
    try {
        model_->writeText(column, text);
    } catch (const std::exception& e) {
        dbaware::RefusedInput* refused = dbaware::RefusedInput::current();
        if (!refused)
            throw;
        refused->add({model_->columns()[column].fieldName, text, QString::fromUtf8(e.what())});
    }
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    const bool open = editor && editor == editor_ && state() == EditingState;
    QTableView::closeEditor(editor, hint);
    // Esc in an editor also leaves the edit state the editor started, when nothing was changed.
    engine::Table* t = table();
    if (open && hint == QAbstractItemDelegate::RevertModelCache && editing(t) && !t->modified())
        dbaware::guarded([t] { t->cancel(); }, this);
}

// ---------------------------------------------------------------------------- user input

QModelIndex TDBGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    engine::Table* t = table();
    if (!t)
        return QTableView::moveCursor(action, modifiers);
    const int row = t->currentDisplayRow();
    if (row >= 0 && currentIndex().row() != row) {
        followTable(); // never navigate from a stale view
        return currentIndex();
    }
    if (action == MoveDown && row == model_->rowCount() - 1) {
        // Down on the last row appends, but an untouched new row is not multiplied.
        if (isReadOnly() || !commitEditor())
            return currentIndex();
        if (t->state() != TableState::Insert || t->modified()) {
            dbaware::guarded([t] { t->append(); }, this);
            followTable();
        }
        return currentIndex();
    }
    if (row < 0)
        return {};
    const QModelIndex target = QTableView::moveCursor(action, modifiers);
    if (!target.isValid() || target.row() == row)
        return target;
    if (commitEditor())
        goToRow(target.row(), target.column());
    return currentIndex();
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    engine::Table* t = table();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (t && event->key() == Qt::Key_Escape && modifiers == Qt::NoModifier &&
        state() != EditingState && editing(t)) {
        dbaware::guarded([t] { t->cancel(); }, this);
        followTable();
        event->accept();
        return;
    }
    if (t && event->key() == Qt::Key_Insert && modifiers == Qt::NoModifier) {
        if (!isReadOnly() && commitEditor()) {
            dbaware::guarded([t] { t->insert(); }, this);
            followTable();
        }
        event->accept();
        return;
    }
    if (t && event->key() == Qt::Key_Delete && modifiers == Qt::ControlModifier) {
        if (!isReadOnly() && t->displayRowCount() > 0 &&
            dbaware::confirm(QStringLiteral("Delete record?"), this)) {
            dbaware::guarded([t] { t->deleteRecord(); }, this);
            followTable();
        }
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (t)
            event->accept(); // handled even when the row stayed: not for the parent
        break;
    default:
        break;
    }
}

void TDBGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    const engine::Table* t = table();
    pressed_ = QPersistentModelIndex();
    if (t && index.isValid() && index.row() != t->currentDisplayRow()) {
        if (!clickRow(index.row(), index.column())) {
            event->accept();
            return;
        }
        // A first click on a row selects; only a second one may open the editor.
        selectionModel()->clearSelection();
    }
    QTableView::mousePressEvent(event);
    pressed_ = indexAt(event->position().toPoint());
}

void TDBGrid::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() != Qt::NoButton) {
        event->accept(); // no drag selection: it would move the view's row behind the table
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // Whoever handles doubleClicked relies on the clicked row being the current record.
    const QModelIndex index = indexAt(event->position().toPoint());
    const engine::Table* t = table();
    if (t && index.isValid() && index.row() != t->currentDisplayRow() &&
        !clickRow(index.row(), index.column())) {
        event->accept();
        return;
    }
    if (index.isValid() && index != pressed_) {
        // Qt reports a double-click only on the cell of the press before it; one that comes
        // alone (synthesized) gets that press first.
        QMouseEvent press(QEvent::MouseButtonPress, event->position(), event->scenePosition(),
                          event->globalPosition(), event->button(), event->buttons(),
                          event->modifiers(), event->pointingDevice());
        QTableView::mousePressEvent(&press);
    }
    pressed_ = QPersistentModelIndex();
    QTableView::mouseDoubleClickEvent(event);
    emit dblClick();
}

void TDBGrid::keyboardSearch(const QString&) {
    // Typing must not move the current row behind the table's back (nor scan a million rows).
}
