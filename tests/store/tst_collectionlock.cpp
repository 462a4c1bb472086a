// One program at a time on a collection.
#include "store/collectionlock.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

class TestCollectionLock : public QObject {
    Q_OBJECT

private slots:
    void lockOfADeadProcessNeverBlocks();
    void unopenableLockFileIsRefused();
};

void TestCollectionLock::lockOfADeadProcessNeverBlocks() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    int ready[2];
    QCOMPARE(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const store::CollectionLock lock(folder);
        const char held = lock.held() ? 'y' : 'n';
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &held, 1);
        ::_exit(0); // dies holding it: no destructor runs
    }
    char held = 0;
    QCOMPARE(::read(ready[0], &held, 1), ssize_t(1));
    QCOMPARE(held, 'y');
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    ::close(ready[0]);
    ::close(ready[1]);
    const store::CollectionLock after(folder);
    QVERIFY(after.held());
    const store::CollectionLock second(folder); // while this process holds it, it blocks
    QVERIFY(second.heldElsewhere());
}

// A lock file left 0600 by another user in a folder this user may write: refused, not taken
// for a read-only collection that needs no lock.
void TestCollectionLock::unopenableLockFileIsRefused() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    QCOMPARE(::chmod(folder.c_str(), 0777), 0);
    const std::string lockFile = folder + "/" + store::kLockFileName;
    const int fd = ::open(lockFile.c_str(), O_WRONLY | O_CREAT, 0600);
    QVERIFY(fd >= 0);
    ::close(fd);
    const bool root = ::geteuid() == 0;
    if (!root) // the file's owner is this user: take every right away instead
        QCOMPARE(::chmod(lockFile.c_str(), 0), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0)) // nobody
            ::_exit(3);
        try {
            const store::CollectionLock lock(folder);
            ::_exit(lock.held() ? 1 : 2);
        } catch (const std::exception&) {
            ::_exit(0);
        }
    }
    int status = -1;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

QTEST_APPLESS_MAIN(TestCollectionLock)
#include "tst_collectionlock.moc"
