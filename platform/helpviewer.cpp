#include "helpviewer.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace platform {

namespace {
QString& helpPath() {
    static QString path;
    return path;
}
} // namespace

void setHelpFile(const QString& path) {
    helpPath() = path;
}
QString helpFile() {
    return helpPath();
}

bool showHelpContents() {
    if (helpPath().isEmpty() || !QFileInfo::exists(helpPath()))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(helpPath()));
}

void quitHelp() {}

} // namespace platform
