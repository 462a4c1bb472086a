#include "paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace platform {

namespace {

bool writableFolder(const QString& folder) {
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
    const QString folder = writableFolder(exe.absolutePath())
                               ? exe.absolutePath()
                               : perUser(QStandardPaths::AppConfigLocation);
    return QDir(folder).filePath(name);
}

QString programDataFolder(const QString& executablePath) {
    const QString folder = QFileInfo(executablePath).absolutePath();
    return writableFolder(folder) ? folder : perUser(QStandardPaths::AppDataLocation);
}

} // namespace platform
