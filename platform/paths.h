#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The executable's path with its extension (if any) replaced by ".INI"; where the executable's
// folder cannot be written or is a system folder (an installed program, even run as root), the
// same file name in the per-user configuration folder.
QString settingsFilePath(const QString& executablePath);

// The folder that holds the tables when no folder is named on the command line: the
// executable's own, or the per-user data folder where that cannot be written or is a system
// folder.
QString programDataFolder(const QString& executablePath);

} // namespace platform
