#pragma once

#include "fielddatalink.h"

#include <QLineEdit>

// One-line edit of one field of the current record. Typing puts the table into edit state;
// leaving the control, Enter or a post stores the text; Esc brings the field's value back.
// With the focus it shows the field's edit text (a price as a plain number), else its display
// text.
class TDBEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TDBEdit(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source) { link_.setDataSource(source); }
    TDataSource* dataSource() const { return link_.dataSource(); }
    void setDataField(const QString& field) { link_.setFieldName(field); }
    QString dataField() const { return link_.fieldName(); }
    TFieldDataLink& dataLink() { return link_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showField();
    void onTextEdited();
    void storeText();

    TFieldDataLink link_;
    bool showing_ = false;
    bool focused_ = false; // the focus is here, also while another window is active
};
