#pragma once

#include <QString>

// The desktop's viewer for the help file: open its contents; nothing to close at exit, since
// the viewer is a program of its own.
namespace platform {

void setHelpFile(const QString& path);
QString helpFile();
// Opens the help file's contents; false when there is no such file or no viewer.
bool showHelpContents();
void quitHelp();

} // namespace platform
