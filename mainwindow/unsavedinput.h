#pragma once

#include "dbaware/refusedinput.h"

#include <QList>
#include <QString>

class QWidget;

// Input that a close at the session's end could not store: written to standard error and kept
// in a text file in the data folder, which the next start shows and removes.
namespace unsavedinput {

inline constexpr char kFileName[] = "Tallentamatta.txt";

// One line naming the field as the window shows it, the text and why it was refused.
QString line(const dbaware::RefusedInput::Entry& entry);
// Writes the lines to standard error and appends them to the file. Raises when the file cannot
// be written.
void keep(const QString& dataFolder, const QList<dbaware::RefusedInput::Entry>& entries);
// Shows what an earlier session's end kept, in one message box, and removes the file; an error
// in reading or removing it goes to the error box.
void showKept(const QString& dataFolder, QWidget* parent);

} // namespace unsavedinput
