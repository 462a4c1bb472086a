#pragma once

#include <QString>

#include <exception>
#include <functional>

class QWidget;

// The application's error box: the message (a full stop added when its last character sorts
// after "."), titled "Levyholvi", error icon, one OK button.
namespace dbaware {

QString errorBoxText(const QString& message);
void showErrorBox(const QString& message, QWidget* parent = nullptr);

// Tests replace the modal boxes; pass nullptr to restore them.
void setErrorBoxHandler(std::function<void(const QString&)> handler);
// "Delete record?" and the like: true when the user confirms.
bool confirm(const QString& question, QWidget* parent = nullptr);
void setConfirmHandler(std::function<bool(const QString&)> handler);
// The program's own messages: a plain box titled "Levyholvi" with one OK button.
void showMessage(const QString& text, QWidget* parent = nullptr);
void setMessageHandler(std::function<void(const QString&)> handler);

// Runs an action started by the user; an error it raises goes to the error box, so the
// program goes on. Returns false when it raised.
bool guarded(const std::function<void()>& action, QWidget* parent = nullptr);

// As guarded(), for an action run inside one of the control's own signals (text typed or
// pasted, an entry picked), where the control must not change under Qt's feet: when the action
// raises or returns false, restore (which shows the field again) and the error box come once
// the signal has returned. Returns whether the action took effect.
bool guardedInSignal(const std::function<bool()>& action, QWidget* control,
                     std::function<void()> restore);

} // namespace dbaware
