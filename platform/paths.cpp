#include "paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace platform {

namespace {

// The program keeps its files beside itself only where it is not installed: a system folder
// belongs to the package even when root could write it, and whatever the program left there
// would outlive the package and be shared by every user.
bool ownFolder(const QString& folder) {
    const QString path = QFileInfo(folder).canonicalFilePath() + QLatin1Char('/');
    for (const char* system : {"/usr/", "/bin/", "/sbin/", "/lib/", "/opt/", "/snap/"})
        if (path.startsWith(QLatin1String(system)))
            return false;
    return ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

QString perUser(QStandardPaths::StandardLocation where) {
    const QString folder = QStandardPaths::writableLocation(where);
    QDir().mkpath(folder);
    return folder;
}

} // namespace

QString settingsFilePath(const QString& executablePath) {
    const QFileInfo exe(executablePath);
    const QString name = exe.completeSuffix().isEmpty()
                             ? exe.fileName() + QStringLiteral(".INI")
                             : exe.completeBaseName() + QStringLiteral(".INI");
    const QString folder = ownFolder(exe.absolutePath())
                               ? exe.absolutePath()
                               : perUser(QStandardPaths::AppConfigLocation);
    return QDir(folder).filePath(name);
}

QString programDataFolder(const QString& executablePath) {
    const QString folder = QFileInfo(executablePath).absolutePath();
    return ownFolder(folder) ? folder : perUser(QStandardPaths::AppDataLocation);
}

} // namespace platform
