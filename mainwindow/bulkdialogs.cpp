#include "bulkdialogs.h"

#include "history/bulkchange.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Muuta"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Peruuta"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// Counting runs over every row: not on each keystroke of a fast typist.
QTimer* debouncer(QObject* parent, const std::function<void()>& then) {
    auto* timer = new QTimer(parent);
    timer->setSingleShot(true);
    timer->setInterval(200);
    QObject::connect(timer, &QTimer::timeout, parent, then);
    return timer;
}

} // namespace

BulkChangeDialog::BulkChangeDialog(int selected,
                                   std::function<int(const QString&, const QString&)> count,
                                   QWidget* parent)
    : QDialog(parent), field_(new QComboBox(this)), value_(new QLineEdit(this)),
      count_(new QLabel(this)), selected_(selected), countOf_(std::move(count)) {
    setWindowTitle(QStringLiteral("Muuta valittuja levyjä"));
    for (const history::SettableField& f : history::settableFields())
        field_->addItem(QString::fromUtf8(f.caption), QString::fromUtf8(f.field));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Kenttä:"), field_);
    form->addRow(QStringLiteral("&Uusi arvo:"), value_);
    form->addRow(count_);
    QDialogButtonBox* buttons = okCancel(this);
    form->addRow(buttons);
    debounce_ = debouncer(this, [this] { recount(); });
    connect(field_, &QComboBox::currentIndexChanged, debounce_, qOverload<>(&QTimer::start));
    connect(value_, &QLineEdit::textChanged, debounce_, qOverload<>(&QTimer::start));
    recount();
}

BulkChoice BulkChangeDialog::choice() const {
    return {field_->currentData().toString(), {}, value_->text()};
}

void BulkChangeDialog::recount() {
    QString text;
    try {
        text = QStringLiteral("Muutetaan %1 levyä (valittuna %2)")
                   .arg(countOf_(choice().field, value_->text()))
                   .arg(selected_);
    } catch (const std::exception& e) {
        text = QString::fromUtf8(e.what()); // a value the field cannot hold
    }
    count_->setText(text);
}

RenameDialog::RenameDialog(std::function<int(const QString&, const QString&, const QString&)> count,
                           QWidget* parent)
    : QDialog(parent), kind_(new QComboBox(this)), from_(new QLineEdit(this)),
      to_(new QLineEdit(this)), count_(new QLabel(this)), countOf_(std::move(count)) {
    setWindowTitle(QStringLiteral("Korvaa nimi"));
    for (const history::NameKind& k : history::nameKinds())
        kind_->addItem(QString::fromUtf8(k.caption), QString::fromUtf8(k.key));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Laji:"), kind_);
    form->addRow(QStringLiteral("&Nimi:"), from_);
    form->addRow(QStringLiteral("&Uusi nimi:"), to_);
    form->addRow(count_);
    form->addRow(okCancel(this));
    debounce_ = debouncer(this, [this] { recount(); });
    connect(kind_, &QComboBox::currentIndexChanged, debounce_, qOverload<>(&QTimer::start));
    connect(from_, &QLineEdit::textChanged, debounce_, qOverload<>(&QTimer::start));
    connect(to_, &QLineEdit::textChanged, debounce_, qOverload<>(&QTimer::start));
    recount();
}

BulkChoice RenameDialog::choice() const {
    return {kind_->currentData().toString(), from_->text(), to_->text()};
}

void RenameDialog::recount() {
    if (from_->text().isEmpty()) {
        count_->setText(QString());
        return;
    }
    try {
        count_->setText(QStringLiteral("Muutetaan %1 riviä")
                            .arg(countOf_(choice().field, from_->text(), to_->text())));
    } catch (const std::exception& e) {
        count_->setText(QString::fromUtf8(e.what()));
    }
}
