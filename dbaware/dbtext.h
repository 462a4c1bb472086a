#pragma once

#include "fielddatalink.h"

#include <QLabel>

// Read-only text of one field of the current record; with auto-size it fits its text.
class TDBText : public QLabel {
    Q_OBJECT

public:
    explicit TDBText(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source) { link_.setDataSource(source); }
    TDataSource* dataSource() const { return link_.dataSource(); }
    void setDataField(const QString& field) { link_.setFieldName(field); }
    QString dataField() const { return link_.fieldName(); }
    void setAutoSize(bool on);
    bool autoSize() const { return autoSize_; }

private:
    void showField();

    TFieldDataLink link_;
    bool autoSize_ = false;
};
