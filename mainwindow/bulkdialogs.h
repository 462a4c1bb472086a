#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;

// The dialogs that change many rows at once. Each shows, while the user chooses, how many rows
// the change would touch; counting is the change's own dry run.
struct BulkChoice {
    QString field; // a settable field's name, or a kind of name's key
    QString from;  // the name replaced; empty for a field set
    QString to;
};

// "Muuta valittuja levyjä...": one field and its new value.
class BulkChangeDialog : public QDialog {
    Q_OBJECT
public:
    // count(field, value) tells how many releases the change would touch.
    BulkChangeDialog(int selected, std::function<int(const QString&, const QString&)> count,
                     QWidget* parent = nullptr);
    BulkChoice choice() const;

private:
    void recount();
    QComboBox* field_;
    QLineEdit* value_;
    QLabel* count_;
    QTimer* debounce_;
    int selected_;
    std::function<int(const QString&, const QString&)> countOf_;
};

// "Korvaa nimi...": a kind of name, the name and the new one.
class RenameDialog : public QDialog {
    Q_OBJECT
public:
    // count(kind, from, to) tells how many rows the change would touch.
    RenameDialog(std::function<int(const QString&, const QString&, const QString&)> count,
                 QWidget* parent = nullptr);
    BulkChoice choice() const;

private:
    void recount();
    QComboBox* kind_;
    QLineEdit* from_;
    QLineEdit* to_;
    QLabel* count_;
    QTimer* debounce_;
    std::function<int(const QString&, const QString&, const QString&)> countOf_;
};
