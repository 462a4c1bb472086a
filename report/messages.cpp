#include "messages.h"

#include <QMessageBox>

namespace report {

namespace {

std::function<void(const QString&)>& handler() {
    static std::function<void(const QString&)> h;
    return h;
}

} // namespace

void showMessage(const QString& text, QWidget* parent) {
    if (handler()) {
        handler()(text);
        return;
    }
    QMessageBox::information(parent, QStringLiteral("Levyholvi"), text, QMessageBox::Ok);
}

void setMessageHandler(std::function<void(const QString&)> h) {
    handler() = std::move(h);
}

} // namespace report
