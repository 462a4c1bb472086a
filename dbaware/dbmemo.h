#pragma once

#include "fielddatalink.h"

#include <QPlainTextEdit>

// Multi-line edit of one memo field of the current record; stores like TDBEdit.
class TDBMemo : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TDBMemo(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source) { link_.setDataSource(source); }
    TDataSource* dataSource() const { return link_.dataSource(); }
    void setDataField(const QString& field) { link_.setFieldName(field); }
    QString dataField() const { return link_.fieldName(); }
    void setVerticalScrollBar(bool on);
    TFieldDataLink& dataLink() { return link_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void showField();
    void onTextChanged();

    TFieldDataLink link_;
    bool showing_ = false;
};
