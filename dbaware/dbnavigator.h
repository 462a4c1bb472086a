#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <array>
#include <set>

class QToolButton;
#include "datasource.h"

enum TNavigateBtn {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh
};

// A row of buttons acting on a data source's table. Buttons that cannot act in the table's
// state are disabled; without a data source all are. Delete asks "Delete record?" first.
class TDBNavigator : public QWidget {
    Q_OBJECT

public:
    static constexpr int kButtonCount = 10;

    explicit TDBNavigator(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return source_; }
    void setVisibleButtons(const std::set<TNavigateBtn>& buttons);
    // One hint per button in the order of TNavigateBtn; missing ones keep the default.
    void setHints(const QStringList& hints);
    QToolButton* button(TNavigateBtn b) const { return buttons_[static_cast<std::size_t>(b)]; }
    void click(TNavigateBtn b);

protected:
    void changeEvent(QEvent* event) override;

private:
    static void setHint(QToolButton* button, const QString& hint);
    void updateButtons();
    void act(TNavigateBtn b);

    QPointer<TDataSource> source_;
    std::array<QToolButton*, kButtonCount> buttons_{};
    QMetaObject::Connection connections_[4];
};
