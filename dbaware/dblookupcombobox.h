#pragma once

#include "fielddatalink.h"

#include <QComboBox>
#include <QPointer>

// Drop-down list whose entries are the values of a list field of a second data source. When
// bound to a field, picking an entry writes the entry's key into it. The list table keeps step
// with the bound record: when the record's value is a key of the list, that row becomes current.
class TDBLookupComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit TDBLookupComboBox(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source) { link_.setDataSource(source); }
    TDataSource* dataSource() const { return link_.dataSource(); }
    void setDataField(const QString& field) { link_.setFieldName(field); }
    QString dataField() const { return link_.fieldName(); }

    void setListSource(TDataSource* source);
    TDataSource* listSource() const { return listSource_; }
    void setListField(const QString& field);
    QString listField() const { return listField_; }
    void setKeyField(const QString& field);
    QString keyField() const { return keyField_; }
    void setDropDownRows(int rows) { setMaxVisibleItems(rows); }
    int dropDownRows() const { return maxVisibleItems(); }

signals:
    // The user picked an entry; the list table's current row is the picked one.
    void picked();

private:
    void reloadEntries();
    void showField();
    void onActivated(int index);

    TFieldDataLink link_;
    QPointer<TDataSource> listSource_;
    QString listField_;
    QString keyField_;
    QStringList keys_;
    QList<int> rows_; // display row of each entry in the list table
    QMetaObject::Connection listConnections_[2];
};
