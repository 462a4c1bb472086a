#include "tablewatch.h"

#include <QFileInfo>

namespace store {

TableWatch::TableWatch(const QString& folder, const QStringList& files, QObject* parent)
    : QObject(parent), files_(files) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &TableWatch::filesChanged);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &TableWatch::touched);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &TableWatch::touched);
    if (QFileInfo(folder).isDir())
        watcher_.addPath(folder);
    touched();
    settle_.stop(); // nothing has happened yet
}

void TableWatch::touched() {
    const QStringList watched = watcher_.files();
    for (const QString& f : files_)
        if (!watched.contains(f) && QFileInfo::exists(f))
            watcher_.addPath(f);
    settle_.start(); // a sync tool writes several files: wait until it is done
}

} // namespace store
