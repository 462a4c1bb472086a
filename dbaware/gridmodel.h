#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QString>

#include <vector>

class TDataSource;
namespace engine {
class Table;
}

// One grid column: the field it shows, its title and its width (-1: the field's display
// width, 0: present but hidden, more: pixels).
struct TColumn {
    QString fieldName;
    QString title;
    int width = -1;
};

// The display rows of a data source's table (a new unposted row included), read from the
// engine on demand and never copied. Resets once per dataSetChanged or activeChanged; a field
// change of the current record updates that row only.
class TGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TGridModel(QObject* parent = nullptr);

    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return source_; }
    engine::Table* table() const; // nullptr unless open

    void setColumns(const QList<TColumn>& columns);
    const QList<TColumn>& columns() const { return columns_; }
    void setColumnWidth(int column, int width); // only recorded; the view sizes its sections
    void moveColumn(int from, int to);
    int fieldAt(int column) const; // -1 when the table is closed or lacks the field

    void setReadOnly(bool on);
    bool isReadOnly() const { return readOnly_; }

    // Stores text into the column's field of the current record, editing first when the table
    // browses; an unchanged text is not written. Raises engine errors.
    void writeText(int column, const QString& text);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Writes the current record only; an engine error goes to the error box and returns false.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    void reload();
    void resolveFields();
    void onRecordChanged(int field);

    QPointer<TDataSource> source_;
    QList<QMetaObject::Connection> connections_;
    QList<TColumn> columns_;
    std::vector<int> fields_; // per column
    int rows_ = 0;            // display rows at the last reset
    bool readOnly_ = false;
};
