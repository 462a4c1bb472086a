#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "datasource.h"

// What every single-field control shares: the bound field of the current record, whether the
// control holds input not yet stored, and when to show the field anew or store the input.
class TFieldDataLink : public QObject {
    Q_OBJECT

public:
    explicit TFieldDataLink(QObject* parent = nullptr);

    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return source_; }
    void setFieldName(const QString& name);
    QString fieldName() const { return fieldName_; }

    engine::Table* table() const;
    int field() const; // -1 when the table is closed or has no such field
    bool active() const { return field() >= 0; }
    bool editing() const;
    int fieldSize() const; // characters of a string field, 0 for others

    // The field's text in the current record ("" when inactive): as shown, and as edited.
    QString text() const;
    QString editText() const;
    void setText(const QString& text); // the table must be editing; takes either form

    // Puts the table into edit state when it browses. False when it could not. The field is
    // not shown anew meanwhile: the control holds the user's input, and may be inside the very
    // text operation that asked for the edit.
    bool edit();
    // The control holds input that the next store must write.
    void modified() { modified_ = true; }
    bool isModified() const { return modified_; }
    // Forgets the control's input and shows the field again.
    void reset();
    // Stores the control's input into the field now, if there is any. While a
    // dbaware::RefusedInput lives, input the field refuses is noted there and dropped.
    void updateRecord();

signals:
    void dataChange();          // show the field anew
    void updateDataRequested(); // write the control's input with setText()
    void editingChange();
    void activeChange();

private:
    void onRecordChanged(int field);
    void onUpdateData();
    void refresh();

    QPointer<TDataSource> source_;
    QString fieldName_;
    bool modified_ = false;
    bool entering_ = false; // edit() is putting the table into edit state
    QString stored_;        // the text of the last setText()
    QMetaObject::Connection connections_[6];
};
