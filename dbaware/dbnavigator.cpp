#include "dbnavigator.h"

#include "datasource.h"
#include "errorbox.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace {

const char* const kNames[] = {"First",  "Prior", "Next", "Last",   "Insert",
                              "Delete", "Edit",  "Post", "Cancel", "Refresh"};

const char* const kDefaultHints[] = {"First record",  "Prior record",  "Next record", "Last record",
                                     "Insert record", "Delete record", "Edit record", "Post edit",
                                     "Cancel edit",   "Refresh data"};

// Our own small glyphs, drawn so they scale with the screen.
QIcon glyph(TNavigateBtn b) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x20, 0x20, 0x20);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    auto triangle = [&](qreal x, bool right) {
        QPainterPath path;
        if (right) {
            path.moveTo(x, 8);
            path.lineTo(x + 12, 16);
            path.lineTo(x, 24);
        } else {
            path.moveTo(x + 12, 8);
            path.lineTo(x, 16);
            path.lineTo(x + 12, 24);
        }
        path.closeSubpath();
        p.drawPath(path);
    };
    switch (b) {
    case nbFirst:
        p.drawRect(QRectF(8, 8, 3, 16));
        triangle(12, false);
        break;
    case nbPrior:
        triangle(10, false);
        break;
    case nbNext:
        triangle(10, true);
        break;
    case nbLast:
        triangle(8, true);
        p.drawRect(QRectF(21, 8, 3, 16));
        break;
    case nbInsert:
        p.drawRect(QRectF(14.5, 8, 3, 16));
        p.drawRect(QRectF(8, 14.5, 16, 3));
        break;
    case nbDelete:
        p.drawRect(QRectF(8, 14.5, 16, 3));
        break;
    case nbEdit: {
        QPainterPath path;
        path.moveTo(8, 22);
        path.lineTo(16, 10);
        path.lineTo(24, 22);
        path.closeSubpath();
        p.drawPath(path);
        break;
    }
    case nbPost:
        p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(8, 16), QPointF(14, 22), QPointF(24, 10)}));
        break;
    case nbCancel:
        p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 9), QPointF(23, 23));
        p.drawLine(QPointF(23, 9), QPointF(9, 23));
        break;
    case nbRefresh:
        p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(8, 8, 16, 16), 60 * 16, 300 * 16);
        break;
    }
    return QIcon(pm);
}

} // namespace

// A picture button's hint is also what a screen reader calls it.
void TDBNavigator::setHint(QToolButton* button, const QString& hint) {
    button->setToolTip(hint);
    button->setAccessibleName(hint);
}

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int i = 0; i < kButtonCount; ++i) {
        const auto b = static_cast<TNavigateBtn>(i);
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(kNames[i]));
        button->setIcon(glyph(b));
        setHint(button, QString::fromLatin1(kDefaultHints[i]));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, b] { act(b); });
        row->addWidget(button);
        buttons_[static_cast<std::size_t>(i)] = button;
    }
    button(nbRefresh)->hide(); // exists, never shown
    updateButtons();
}

void TDBNavigator::setDataSource(TDataSource* source) {
    for (auto& c : connections_)
        disconnect(c);
    source_ = source;
    if (source) {
        connections_[0] =
            connect(source, &TDataSource::activeChanged, this, &TDBNavigator::updateButtons);
        connections_[1] =
            connect(source, &TDataSource::dataSetChanged, this, &TDBNavigator::updateButtons);
        connections_[2] =
            connect(source, &TDataSource::dataSetScrolled, this, &TDBNavigator::updateButtons);
        connections_[3] =
            connect(source, &TDataSource::editingChanged, this, &TDBNavigator::updateButtons);
    }
    updateButtons();
}

void TDBNavigator::setVisibleButtons(const std::set<TNavigateBtn>& visible) {
    for (int i = 0; i < kButtonCount; ++i) {
        const auto b = static_cast<TNavigateBtn>(i);
        button(b)->setVisible(b != nbRefresh && visible.count(b) > 0);
    }
}

void TDBNavigator::setHints(const QStringList& hints) {
    for (int i = 0; i < kButtonCount && i < hints.size(); ++i)
        setHint(buttons_[static_cast<std::size_t>(i)], hints[i]);
}

void TDBNavigator::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        updateButtons();
    QWidget::changeEvent(event);
}

void TDBNavigator::updateButtons() {
    const engine::Table* t = source_ ? source_->dataSet() : nullptr;
    const bool active = t && t->isOpen();
    const bool editing = active && (t->state() == engine::TableState::Edit ||
                                    t->state() == engine::TableState::Insert);
    const bool up = active && !t->bof();
    const bool down = active && !t->eof();
    const bool empty = active && t->bof() && t->eof();
    const bool enabled[kButtonCount] = {
        up, up, down, down, active, active && !empty, active && !editing, editing, editing, active};
    for (int i = 0; i < kButtonCount; ++i)
        buttons_[static_cast<std::size_t>(i)]->setEnabled(enabled[i]);
}

void TDBNavigator::click(TNavigateBtn b) {
    if (isEnabled() && button(b)->isEnabled())
        act(b);
}

void TDBNavigator::act(TNavigateBtn b) {
    engine::Table* t = source_ ? source_->dataSet() : nullptr;
    if (!t)
        return;
    dbaware::guarded(
        [&] {
            switch (b) {
            case nbFirst:
                t->first();
                break;
            case nbPrior:
                t->prior();
                break;
            case nbNext:
                t->next();
                break;
            case nbLast:
                t->last();
                break;
            case nbInsert:
                t->insert();
                break;
            case nbDelete:
                if (dbaware::confirm(QStringLiteral("Delete record?"), this))
                    t->deleteRecord();
                break;
            case nbEdit:
                t->edit();
                break;
            case nbPost:
                t->post();
                break;
            case nbCancel:
                t->cancel();
                break;
            case nbRefresh:
                break;
            }
        },
        this);
    updateButtons(); // a move at either end changes only the end flags, which no signal reports
}
