#include "dblookupcombobox.h"

#include "datasource.h"
#include "errorbox.h"

TDBLookupComboBox::TDBLookupComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    connect(this, &QComboBox::activated, this, &TDBLookupComboBox::onActivated);
    connect(&link_, &TFieldDataLink::dataChange, this, &TDBLookupComboBox::showField);
    connect(&link_, &TFieldDataLink::activeChange, this, &TDBLookupComboBox::showField);
}

void TDBLookupComboBox::setListSource(TDataSource* source) {
    for (auto& c : listConnections_)
        disconnect(c);
    listSource_ = source;
    if (source) {
        // Entries follow the list's rows; a mere move of its cursor leaves them alone.
        listConnections_[0] =
            connect(source, &TDataSource::dataSetChanged, this, &TDBLookupComboBox::reloadEntries);
        listConnections_[1] =
            connect(source, &TDataSource::activeChanged, this, &TDBLookupComboBox::reloadEntries);
    }
    reloadEntries();
}

void TDBLookupComboBox::setListField(const QString& field) {
    listField_ = field;
    reloadEntries();
}

void TDBLookupComboBox::setKeyField(const QString& field) {
    keyField_ = field;
    reloadEntries();
}

void TDBLookupComboBox::reloadEntries() {
    const QString shown = currentText();
    QStringList entries;
    keys_.clear();
    rows_.clear();
    engine::Table* t = listSource_ ? listSource_->dataSet() : nullptr;
    const int listField = t && t->isOpen() ? t->findField(listField_.toStdString()) : -1;
    const int keyField =
        t && t->isOpen()
            ? t->findField((keyField_.isEmpty() ? listField_ : keyField_).toStdString())
            : -1;
    if (listField >= 0 && keyField >= 0) {
        const bool inserting = t->state() == engine::TableState::Insert;
        for (int row = 0; row < t->displayRowCount(); ++row) {
            if (inserting && row == t->currentDisplayRow())
                continue; // a new row is not a list entry until it is posted
            rows_ << row;
            entries << QString::fromStdString(t->textAt(row, listField));
            keys_ << QString::fromStdString(t->textAt(row, keyField));
        }
    }
    const QSignalBlocker block(this);
    clear();
    addItems(entries);
    // Only the shown entry follows here: moving the list table now would end its own edit.
    setCurrentIndex(
        static_cast<int>(link_.active() ? keys_.indexOf(link_.text()) : entries.indexOf(shown)));
}

void TDBLookupComboBox::showField() {
    if (!link_.active())
        return;
    const QString value = link_.text();
    {
        const QSignalBlocker block(this);
        setCurrentIndex(static_cast<int>(keys_.indexOf(value)));
    }
    engine::Table* list = listSource_ ? listSource_->dataSet() : nullptr;
    if (value.isEmpty() || !list || !list->isOpen() || link_.table() == list)
        return;
    const QString key = keyField_.isEmpty() ? listField_ : keyField_;
    dbaware::guarded([&] { list->locate(key.toStdString(), value.toStdString()); }, this);
}

void TDBLookupComboBox::onActivated(int index) {
    if (index < 0 || index >= keys_.size())
        return;
    const bool ok = dbaware::guardedInSignal(
        [&] {
            engine::Table* list = listSource_ ? listSource_->dataSet() : nullptr;
            if (list && list->isOpen() && link_.table() != list)
                list->moveTo(rows_[index]);
            if (!link_.active())
                return true;
            if (!link_.edit())
                return false;
            link_.setText(keys_[index]);
            return true;
        },
        this, [this] { showField(); });
    if (ok)
        emit picked();
}
