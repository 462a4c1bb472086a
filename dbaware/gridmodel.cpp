#include "gridmodel.h"

#include "datasource.h"
#include "engine/table.h"
#include "errorbox.h"
#include "fieldtext.h"

#include <QWidget>

#include <algorithm>
#include <exception>

using engine::TableState;

TGridModel::TGridModel(QObject* parent) : QAbstractTableModel(parent) {}

engine::Table* TGridModel::table() const {
    engine::Table* t = source_ ? source_->dataSet() : nullptr;
    return t && t->isOpen() ? t : nullptr;
}

void TGridModel::setDataSource(TDataSource* source) {
    if (source == source_)
        return;
    for (const auto& c : connections_)
        disconnect(c);
    connections_.clear();
    source_ = source;
    if (source_) {
        connections_ << connect(source_, &TDataSource::activeChanged, this, &TGridModel::reload)
                     << connect(source_, &TDataSource::dataSetChanged, this, &TGridModel::reload)
                     << connect(source_, &TDataSource::recordChanged, this,
                                &TGridModel::onRecordChanged)
                     << connect(source_, &QObject::destroyed, this, &TGridModel::reload);
    }
    reload();
}

void TGridModel::reload() {
    beginResetModel();
    const engine::Table* t = table();
    rows_ = t ? t->displayRowCount() : 0;
    resolveFields();
    endResetModel();
}

void TGridModel::resolveFields() {
    const engine::Table* t = table();
    fields_.assign(static_cast<std::size_t>(columns_.size()), -1);
    if (!t)
        return;
    for (qsizetype i = 0; i < columns_.size(); ++i)
        fields_[static_cast<std::size_t>(i)] = t->findField(columns_[i].fieldName.toStdString());
}

void TGridModel::setColumns(const QList<TColumn>& columns) {
    beginResetModel();
    columns_ = columns;
    resolveFields();
    endResetModel();
}

void TGridModel::setColumnWidth(int column, int width) {
    if (column >= 0 && column < columns_.size())
        columns_[column].width = width;
}

void TGridModel::moveColumn(int from, int to) {
    const int n = static_cast<int>(columns_.size());
    if (from < 0 || from >= n || to < 0 || to >= n || from == to)
        return;
    // The destination counts in positions before the move.
    if (!beginMoveColumns(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to))
        return;
    columns_.move(from, to);
    resolveFields();
    endMoveColumns();
}

int TGridModel::fieldAt(int column) const {
    if (column < 0 || static_cast<std::size_t>(column) >= fields_.size() || !table())
        return -1;
    return fields_[static_cast<std::size_t>(column)];
}

void TGridModel::setReadOnly(bool on) {
    if (on == readOnly_)
        return;
    readOnly_ = on;
    if (rows_ > 0 && !columns_.isEmpty())
        emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1), {});
}

void TGridModel::writeText(int column, const QString& text) {
    engine::Table* t = table();
    const int f = fieldAt(column);
    if (!t || f < 0)
        return;
    if (dbaware::editText(*t, f) == text)
        return; // leaving a cell untouched must not mark the record modified
    if (t->state() == TableState::Browse)
        t->edit();
    dbaware::setFieldText(*t, f, text);
}

int TGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() ||
        (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::TextAlignmentRole))
        return {};
    const engine::Table* t = table();
    const int f = fieldAt(index.column());
    // While controls are disabled the table may have fewer rows than the last reset showed.
    if (!t || f < 0 || index.row() >= t->displayRowCount())
        return {};
    if (role == Qt::TextAlignmentRole) {
        const engine::FieldType type = t->fields()[static_cast<std::size_t>(f)].type;
        const bool number = engine::isIntegerType(type) || type == engine::FieldType::Currency;
        return int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    try {
        return role == Qt::EditRole ? dbaware::editTextAt(*t, index.row(), f)
                                    : dbaware::displayTextAt(*t, index.row(), f);
    } catch (const std::exception&) {
        return {}; // painting must never throw into the event loop
    }
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < columns_.size())
        return columns_[section].title;
    return {};
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!readOnly_ && fieldAt(index.column()) >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool TGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const engine::Table* t = table();
    if (role != Qt::EditRole || !index.isValid() || readOnly_ || !t ||
        index.row() != t->currentDisplayRow())
        return false;
    return dbaware::guarded([&] { writeText(index.column(), value.toString()); },
                            qobject_cast<QWidget*>(QObject::parent()));
}

void TGridModel::onRecordChanged(int field) {
    const engine::Table* t = table();
    const int row = t ? t->currentDisplayRow() : -1;
    if (row < 0 || row >= rows_ || columns_.isEmpty())
        return;
    if (field >= 0 && std::find(fields_.begin(), fields_.end(), field) == fields_.end())
        return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole, Qt::EditRole});
}
