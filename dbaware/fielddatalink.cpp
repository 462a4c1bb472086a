#include "fielddatalink.h"

#include "datasource.h"
#include "engine/table.h"
#include "fieldtext.h"
#include "refusedinput.h"

#include <QScopedValueRollback>

TFieldDataLink::TFieldDataLink(QObject* parent) : QObject(parent) {}

void TFieldDataLink::setDataSource(TDataSource* source) {
    if (source == source_)
        return;
    for (auto& c : connections_)
        disconnect(c);
    source_ = source;
    if (source_) {
        connections_[0] = connect(source_, &TDataSource::activeChanged, this, [this] {
            emit activeChange();
            refresh();
        });
        connections_[1] =
            connect(source_, &TDataSource::dataSetChanged, this, &TFieldDataLink::refresh);
        connections_[2] =
            connect(source_, &TDataSource::dataSetScrolled, this, &TFieldDataLink::refresh);
        connections_[3] =
            connect(source_, &TDataSource::recordChanged, this, &TFieldDataLink::onRecordChanged);
        connections_[4] =
            connect(source_, &TDataSource::editingChanged, this, &TFieldDataLink::editingChange);
        connections_[5] =
            connect(source_, &TDataSource::updateData, this, &TFieldDataLink::onUpdateData);
    }
    emit activeChange();
    refresh();
}

void TFieldDataLink::setFieldName(const QString& name) {
    fieldName_ = name;
    emit activeChange();
    refresh();
}

engine::Table* TFieldDataLink::table() const {
    return source_ ? source_->dataSet() : nullptr;
}

int TFieldDataLink::field() const {
    const engine::Table* t = table();
    if (!t || !t->isOpen() || fieldName_.isEmpty())
        return -1;
    return t->findField(fieldName_.toStdString());
}

bool TFieldDataLink::editing() const {
    const engine::Table* t = table();
    return t &&
           (t->state() == engine::TableState::Edit || t->state() == engine::TableState::Insert);
}

int TFieldDataLink::fieldSize() const {
    const int f = field();
    if (f < 0)
        return 0;
    const engine::FieldDef& def = table()->fields()[static_cast<std::size_t>(f)];
    return def.type == engine::FieldType::String ? def.size : 0;
}

QString TFieldDataLink::text() const {
    const int f = field();
    return f < 0 ? QString() : dbaware::displayText(*table(), f);
}

QString TFieldDataLink::editText() const {
    const int f = field();
    return f < 0 ? QString() : dbaware::editText(*table(), f);
}

void TFieldDataLink::setText(const QString& text) {
    const int f = field();
    stored_ = text;
    if (f >= 0)
        dbaware::setFieldText(*table(), f, text);
}

bool TFieldDataLink::edit() {
    if (!active())
        return false;
    if (!editing()) {
        const QScopedValueRollback<bool> quiet(entering_, true);
        table()->edit();
    }
    return editing();
}

void TFieldDataLink::reset() {
    modified_ = false;
    emit dataChange();
}

void TFieldDataLink::updateRecord() {
    if (!modified_ || !active())
        return;
    dbaware::RefusedInput* refused = dbaware::RefusedInput::current();
    if (!refused) {
        emit updateDataRequested();
        modified_ = false;
        return;
    }
    stored_.clear();
    try {
        emit updateDataRequested();
    } catch (const std::exception& e) {
        // The field kept its value; the input goes, so that the rest of the row can be posted.
        refused->add({fieldName_, stored_, QString::fromUtf8(e.what())});
    }
    modified_ = false;
}

void TFieldDataLink::onRecordChanged(int field) {
    if (field < 0 || field == this->field())
        refresh();
}

void TFieldDataLink::onUpdateData() {
    updateRecord();
}

void TFieldDataLink::refresh() {
    if (entering_)
        return;
    modified_ = false;
    emit dataChange();
}
