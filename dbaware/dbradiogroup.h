#pragma once

#include "fielddatalink.h"

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

// A framed group of radio buttons bound to one field: the item whose value equals the field
// is checked (none when no value matches); checking an item writes its value.
class TDBRadioGroup : public QGroupBox {
    Q_OBJECT

public:
    explicit TDBRadioGroup(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source) { link_.setDataSource(source); }
    TDataSource* dataSource() const { return link_.dataSource(); }
    void setDataField(const QString& field) { link_.setFieldName(field); }
    QString dataField() const { return link_.fieldName(); }

    // Values default to the item captions.
    void setItems(const QStringList& captions, const QStringList& values = {});
    QStringList items() const { return captions_; }
    QStringList values() const;
    void setColumns(int columns);
    int columns() const { return columns_; }
    int itemIndex() const; // -1 when none is checked
    QRadioButton* button(int i) const;

private:
    void rebuild();
    void showField();
    void onClicked(int id);

    TFieldDataLink link_;
    QStringList captions_;
    QStringList values_;
    int columns_ = 1;
    QButtonGroup* group_;
    QGridLayout* layout_;
};
