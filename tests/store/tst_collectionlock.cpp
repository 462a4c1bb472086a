// One program at a time on a collection.
#include "store/collectionlock.h"

#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

class TestCollectionLock : public QObject {
    Q_OBJECT

private slots:
    void lockOfADeadProcessNeverBlocks();
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

QTEST_APPLESS_MAIN(TestCollectionLock)
#include "tst_collectionlock.moc"
