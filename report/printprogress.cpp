#include "printprogress.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

TPrintProgress::TPrintProgress(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), bar_(new QProgressBar(this)),
      label_(new QLabel(this)), cancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("PrintProgress"));
    setWindowTitle(QStringLiteral("Printing progress"));
    setFixedSize(260, 90);
    bar_->setObjectName(QStringLiteral("ProgressBar"));
    bar_->setGeometry(10, 10, 240, 15);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    label_->setObjectName(QStringLiteral("ProgressLabel"));
    label_->setGeometry(10, 30, 240, 20);
    cancel_->setObjectName(QStringLiteral("CancelButton"));
    cancel_->setGeometry(92, 56, 75, 25);
    connect(cancel_, &QPushButton::clicked, this, &TPrintProgress::cancelled);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    setProgress(0);
}

QString TPrintProgress::progressText(int percent) {
    return QString::number(percent) + QStringLiteral("% ") + QStringLiteral(" Completed");
}

void TPrintProgress::setProgress(int percent) {
    if (percent % 5 != 0)
        return;
    bar_->setValue(percent);
    label_->setText(progressText(percent));
}

void TPrintProgress::closeEvent(QCloseEvent* event) {
    emit cancelled(); // closing the window is a cancel too
    event->accept();
}
