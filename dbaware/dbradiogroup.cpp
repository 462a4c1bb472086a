#include "dbradiogroup.h"

#include "errorbox.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TDBRadioGroup::TDBRadioGroup(QWidget* parent)
    : QGroupBox(parent), group_(new QButtonGroup(this)), layout_(new QGridLayout(this)) {
    layout_->setContentsMargins(8, 4, 8, 4);
    layout_->setVerticalSpacing(0);
    connect(group_, &QButtonGroup::idClicked, this, &TDBRadioGroup::onClicked);
    connect(&link_, &TFieldDataLink::dataChange, this, &TDBRadioGroup::showField);
    connect(&link_, &TFieldDataLink::activeChange, this, &TDBRadioGroup::showField);
}

void TDBRadioGroup::setItems(const QStringList& captions, const QStringList& values) {
    captions_ = captions;
    values_ = values;
    rebuild();
}

QStringList TDBRadioGroup::values() const {
    return values_.isEmpty() ? captions_ : values_;
}

void TDBRadioGroup::setColumns(int columns) {
    columns_ = std::max(1, columns);
    rebuild();
}

QRadioButton* TDBRadioGroup::button(int i) const {
    return qobject_cast<QRadioButton*>(group_->button(i));
}

int TDBRadioGroup::itemIndex() const {
    return group_->checkedId();
}

void TDBRadioGroup::rebuild() {
    for (QAbstractButton* b : group_->buttons()) {
        group_->removeButton(b);
        delete b;
    }
    const int rows = (static_cast<int>(captions_.size()) + columns_ - 1) / columns_;
    for (int i = 0; i < captions_.size(); ++i) {
        auto* b = new QRadioButton(captions_[i], this);
        b->setObjectName(QStringLiteral("%1_%2").arg(objectName()).arg(i));
        group_->addButton(b, i);
        // Items fill the columns top to bottom, as the group lays them out.
        layout_->addWidget(b, rows ? i % rows : 0, rows ? i / rows : 0);
    }
    showField();
}

void TDBRadioGroup::showField() {
    const QString value = link_.text();
    const int match = link_.active() ? static_cast<int>(values().indexOf(value)) : -1;
    // With no match no button may stay checked, which an exclusive group refuses.
    group_->setExclusive(false);
    for (QAbstractButton* b : group_->buttons())
        b->setChecked(group_->id(b) == match);
    group_->setExclusive(true);
}

void TDBRadioGroup::onClicked(int id) {
    dbaware::guardedInSignal(
        [&] {
            if (!link_.edit())
                return false;
            link_.setText(values().value(id));
            return true;
        },
        this, [this] { showField(); });
}
