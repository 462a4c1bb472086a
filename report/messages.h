#pragma once

#include <QString>

#include <functional>

class QWidget;

// The report engine's plain messages ("File does not exist"): a message box titled with the
// application's title and one OK button. Tests replace it; nullptr restores the box.
namespace report {

void showMessage(const QString& text, QWidget* parent = nullptr);
void setMessageHandler(std::function<void(const QString&)> handler);

} // namespace report
