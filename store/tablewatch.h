#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Tells, once things have settled, that a table file in the data folder may have changed: written
// in place, or replaced by a rename as sync tools do (the watch on a replaced file is lost, so the
// folder is watched as well and the file watched again). Whether it really changed is for
// CollectionFiles to say.
namespace store {

class TableWatch : public QObject {
    Q_OBJECT

public:
    TableWatch(const QString& folder, const QStringList& files, QObject* parent = nullptr);
    static constexpr int kSettleMs = 500;

signals:
    void filesChanged();

private:
    void touched();

    QFileSystemWatcher watcher_;
    QStringList files_;
    QTimer settle_;
};

} // namespace store
