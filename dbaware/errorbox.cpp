#include "errorbox.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

namespace dbaware {

namespace {

std::function<void(const QString&)>& errorHandler() {
    static std::function<void(const QString&)> h;
    return h;
}

std::function<bool(const QString&)>& confirmHandler() {
    static std::function<bool(const QString&)> h;
    return h;
}

std::function<void(const QString&)>& messageHandler() {
    static std::function<void(const QString&)> h;
    return h;
}

const QString kTitle = QStringLiteral("Levyholvi");

} // namespace

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void showErrorBox(const QString& message, QWidget* parent) {
    const QString text = errorBoxText(message);
    if (errorHandler()) {
        errorHandler()(text);
        return;
    }
    QMessageBox::critical(parent, kTitle, text, QMessageBox::Ok);
}

void setErrorBoxHandler(std::function<void(const QString&)> handler) {
    errorHandler() = std::move(handler);
}

bool confirm(const QString& question, QWidget* parent) {
    if (confirmHandler())
        return confirmHandler()(question);
    return QMessageBox::question(parent, kTitle, question, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok;
}

void setConfirmHandler(std::function<bool(const QString&)> handler) {
    confirmHandler() = std::move(handler);
}

void showMessage(const QString& text, QWidget* parent) {
    if (messageHandler()) {
        messageHandler()(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

void setMessageHandler(std::function<void(const QString&)> handler) {
    messageHandler() = std::move(handler);
}

bool guarded(const std::function<void()>& action, QWidget* parent) {
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        showErrorBox(QString::fromUtf8(e.what()), parent);
    }
    return false;
}

bool guardedInSignal(const std::function<bool()>& action, QWidget* control,
                     std::function<void()> restore) {
    QString error;
    try {
        if (action())
            return true;
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    QMetaObject::invokeMethod(
        control,
        [control = QPointer<QWidget>(control), restore = std::move(restore), error] {
            if (restore)
                restore();
            if (!error.isEmpty())
                showErrorBox(error, control);
        },
        Qt::QueuedConnection);
    return false;
}

} // namespace dbaware
