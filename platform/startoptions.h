#pragma once

#include <QString>
#include <QStringList>

// The program's own command-line options. Only --help and --version (-h, -v) are taken, and
// only before the first other argument: that one stays the data folder, and whatever follows
// it is left alone. Other dash arguments are left to Qt (-style, -platform, ...).
namespace platform {

enum class StartAction { Run, Help, Version };

// arguments: without the program name.
StartAction startAction(const QStringList& arguments);

// The text of --help; program: the name the program was started by.
QString startHelpText(const QString& program);

} // namespace platform
