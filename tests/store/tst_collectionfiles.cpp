// The five tables saved all or nothing, and files changed on disk merged, never overwritten.
#include "store/collection.h"
#include "store/collectionfiles.h"
#include "store/commitrecord.h"
#include "store/conflictcopies.h"

#include "machine.h"

#include "engine/error.h"
#include "engine/tablefile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>

#include <sys/wait.h>
#include <unistd.h>

using engine::Table;
namespace fs = std::filesystem;

namespace {

// Every table's rows, in no particular order: what a user would see of the collection.
std::map<std::string, std::multiset<std::string>> contents(Machine& m) {
    std::map<std::string, std::multiset<std::string>> rows;
    for (const char* name : kTables)
        for (int r = 0; r < m[name].storedRowCount(); ++r)
            rows[name].insert(std::string(m[name].storedBlob(r)));
    return rows;
}

std::map<std::string, std::string> fileSet(const std::string& folder) {
    std::map<std::string, std::string> set;
    for (const char* name : kTables)
        set[name] = readAll(folder + store::collectionTable(name).fileName);
    for (const std::int32_t n : store::Covers(folder).numbersOnDisk())
        set["cover " + std::to_string(n)] = readAll(store::Covers(folder).path(n));
    return set;
}

QStringList leftovers(const std::string& folder) {
    QStringList names;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const std::string n = e.path().filename().string();
        if (n.find(".tmp-") != std::string::npos || n.rfind(store::kCommitRecordName, 0) == 0)
            names << QString::fromStdString(n);
    }
    return names;
}

// The folder's files written beside and renamed over, the way sync tools deliver them.
void syncFolder(const std::string& from, const std::string& to) {
    for (const char* name : kTables) {
        const std::string file = store::collectionTable(name).fileName;
        if (!fs::exists(from + file))
            continue;
        fs::copy_file(from + file, to + ".syncing." + file, fs::copy_options::overwrite_existing);
        fs::rename(to + ".syncing." + file, to + file);
    }
}

// Makes the nth fsync or rename fail (or end the process, for a kill) while the object lives.
struct StepFault {
    inline static std::atomic<int> calls = 0; // tables are written on several threads
    inline static int failAt = 0;
    inline static bool kill = false;
    inline static std::string only; // fail only calls about this file name
    engine::tablefile::SystemCalls saved = engine::tablefile::systemCalls();

    static bool strikes(const char* path) {
        if (!only.empty() && std::string_view(path).find(only) == std::string_view::npos)
            return false;
        if (++calls != failAt)
            return false;
        if (kill)
            ::_exit(3);
        return true;
    }
    StepFault(const char* kind, int nth, std::string file = {}, bool killProcess = false) {
        calls = 0;
        failAt = nth;
        kill = killProcess;
        only = std::move(file);
        auto& c = engine::tablefile::systemCalls();
        if (std::string_view(kind) != "rename")
            c.syncFile = [](int fd) { return strikes("") ? (errno = EIO, -1) : ::fsync(fd); };
        if (std::string_view(kind) != "fsync")
            c.renameFile = [](const char* a, const char* b) {
                return strikes(b) ? (errno = EIO, -1) : ::rename(a, b);
            };
    }
    ~StepFault() { engine::tablefile::systemCalls() = saved; }
};

} // namespace

class TestCollectionFiles : public QObject {
    Q_OBJECT

private slots:
    void init();
    void failedSaveKeepsTheOldSet_data();
    void failedSaveKeepsTheOldSet();
    void killAtAnyStepLeavesOneSet();
    void damagedCommitRecordTouchesNothing();
    void fileChangedOnDiskIsMergedNotOverwritten();
    void fileChangedOnDiskWithoutOwnChangesIsReloaded();
    void twoMachinesNeverLoseAChange();
    void conflictCopyNames_data();
    void conflictCopyNames();
    void journalBringsBackWhatACrashLost_data();
    void journalBringsBackWhatACrashLost();
    void killDuringASaveWithTheJournalLosesNothing();
    void conflictCopiesAreBroughtIn();

private:
    std::string sibling(const std::string& name) const {
        return base_.substr(0, base_.size() - 1) + "-" + name + "/";
    }
    QTemporaryDir dir_;
    std::string base_; // a saved collection with a few releases
};

void TestCollectionFiles::init() {
    QVERIFY(dir_.isValid());
    static int run = 0;
    base_ = dir_.filePath(QStringLiteral("base%1/").arg(++run)).toStdString();
    fs::create_directories(base_);
    Machine m(base_);
    for (int i = 0; i < 3; ++i)
        m.newRelease("Alku " + std::to_string(i), 2);
    m.files.covers().set(1, picture("kansi 1"));
    m.files.covers().set(2, picture("kansi 2"));
    m.files.save();
}

void TestCollectionFiles::failedSaveKeepsTheOldSet_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("nth");
    QTest::addColumn<QString>("file");
    // Saved in the order Arkiv, Lydsam, Numre, Genre, Musiker.
    QTest::newRow("a table's file not written") << "fsync" << 3 << "";
    QTest::newRow("a cover's file not written") << "fsync" << 7 << "";
    QTest::newRow("commit record not written") << "fsync" << 8 << "";
    QTest::newRow("first table's rename fails") << "rename" << 1 << "Arkiv.dat";
    QTest::newRow("third table's rename fails") << "rename" << 1 << "Numre.dat";
    QTest::newRow("last table's rename fails") << "rename" << 1 << "Musiker.dat";
    QTest::newRow("a new cover's rename fails") << "rename" << 1 << "Kannet/4.jpg";
    QTest::newRow("a cover's removal fails") << "rename" << 1 << "Kannet/2.jpg.bak";
}

void TestCollectionFiles::failedSaveKeepsTheOldSet() {
    QFETCH(QString, kind);
    QFETCH(int, nth);
    QFETCH(QString, file);
    const auto old = fileSet(base_);
    Machine m(base_);
    m.changeEveryTable("Uusi", true);
    {
        const StepFault fault(kind.toLatin1().constData(), nth, file.toStdString());
        QVERIFY_THROWS_EXCEPTION(engine::Error, m.files.save());
    }
    QVERIFY(fileSet(base_) == old);
    QCOMPARE(leftovers(base_), QStringList());
    for (const char* name : kTables)
        QVERIFY2(m[name].changeCount() > 0, name);
    QVERIFY(m.files.covers().hasChanges());
    m.files.save(); // the next close succeeds
    QCOMPARE(leftovers(base_), QStringList());
    Machine again(base_);
    QVERIFY(again["Lydsam"].locate("Kunstner", "Uusi"));
    QVERIFY(again["Genre"].locate("Genre", "Uusi"));
    QCOMPARE(again["Arkiv"].storedRowCount(), 4);
    // The covers as the save left them; the replaced and the removed one kept as .bak.
    QCOMPARE(again.files.covers().numbersOnDisk(), (std::vector<std::int32_t>{1, 4}));
    QCOMPARE(*again.files.covers().picture(4), std::string("Uusi"));
    QCOMPARE(*again.files.covers().picture(1), std::string("Uusi-1"));
    QCOMPARE(readAll(again.files.covers().path(1) + ".bak"), std::string("kansi 1"));
    QCOMPARE(readAll(again.files.covers().path(2) + ".bak"), std::string("kansi 2"));
}

// A kill before each step of the save in turn: the next start finishes or undoes it, and the five
// files are then all old or all new.
void TestCollectionFiles::killAtAnyStepLeavesOneSet() {
    const auto old = fileSet(base_);
    const std::string ref = sibling("ref");
    fs::copy(base_, ref, fs::copy_options::recursive);
    {
        Machine m(ref);
        m.changeEveryTable("Uusi", true);
        m.files.save();
    }
    const auto saved = fileSet(ref);
    int olds = 0, news = 0;
    for (int step = 1;; ++step) {
        const std::string run = sibling("run" + std::to_string(step));
        fs::copy(base_, run, fs::copy_options::recursive);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            Machine m(run);
            m.changeEveryTable("Uusi", true);
            const StepFault fault("any", step, {}, true);
            try {
                m.files.save();
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(0); // no step left to kill at
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QVERIFY2(WEXITSTATUS(status) != 2, "the save failed instead of being killed");
        store::recoverCommit(run);
        store::removeSaveLeftovers(run, fs::file_time_type::clock::now());
        QCOMPARE(leftovers(run), QStringList());
        const auto now = fileSet(run);
        QVERIFY2(now == old || now == saved,
                 qPrintable(QStringLiteral("mixed after step %1").arg(step)));
        (now == old ? olds : news) += 1;
        Machine reopened(run); // and it opens
        if (WEXITSTATUS(status) == 0)
            break;
    }
    QVERIFY(olds > 0 && news > 1);
}

void TestCollectionFiles::damagedCommitRecordTouchesNothing() {
    const std::string record = base_ + store::kCommitRecordName;
    std::ofstream(record) << "Levyholvi commit 1\nArkiv.dat.tmp-abcdef\tArkiv.dat\t1\ncrc 0\n";
    const auto old = fileSet(base_);
    QVERIFY_THROWS_EXCEPTION(engine::Error, store::recoverCommit(base_));
    QVERIFY(fileSet(base_) == old);
    QVERIFY(fs::exists(record));
}

// Another machine's nine releases arrive while a session with a new release of its own is open:
// after the save both are in the folder, the numbers issued on both sides told apart.
void TestCollectionFiles::fileChangedOnDiskIsMergedNotOverwritten() {
    const std::string other = sibling("other");
    fs::copy(base_, other);
    Machine here(base_);
    const int mine = here.newRelease("Oma", 3);
    {
        Machine there(other);
        for (int i = 0; i < 9; ++i)
            there.newRelease("Toinen " + std::to_string(i), 2);
        there.setPublisher("Alku 1", "Muutettu toisaalla");
        there.files.save();
    }
    syncFolder(other, base_);
    QCOMPARE(here.files.changedOnDisk().size(), std::size_t{3}); // Genre, Musiker as they were
    // While a row is being typed nothing moves under it; the save posts it, then merges.
    QVERIFY(here["Lydsam"].locate("Kunstner", "Alku 2"));
    here["Lydsam"].edit();
    here["Lydsam"].setText("Forlag", "Muutettu täällä");
    QVERIFY(!here.files.mergeChangedFiles().any());
    QCOMPARE(here["Arkiv"].changeCount(), 1);
    const store::MergeReport report = here.files.save();
    QCOMPARE(report.merged, 3); // Arkiv, Lydsam, Numre
    QCOMPARE(report.conflicts, 0);
    QCOMPARE(report.renumbered, 1);
    QCOMPARE(QString::fromStdString(report.text()),
             QStringLiteral("Kokoelmaa oli muutettu toisaalla: %1 muutosta yhdistetty, 0 "
                            "ristiriitaa.")
                 .arg(report.applied));

    Machine back(base_);
    QCOMPARE(back["Lydsam"].storedRowCount(), 13);
    std::set<int> numbers, issued;
    for (int r = 0; r < 13; ++r)
        numbers.insert(std::stoi(back["Lydsam"].storedText(r, back["Lydsam"].fieldIndex("Num"))));
    for (int r = 0; r < back["Arkiv"].storedRowCount(); ++r)
        QVERIFY(issued.insert(std::stoi(back["Arkiv"].storedText(r, 0))).second);
    QCOMPARE(numbers.size(), std::size_t{13});
    QCOMPARE(issued, numbers);
    QVERIFY(back["Lydsam"].locate("Kunstner", "Oma"));
    const int moved = back["Lydsam"].asInteger("Num");
    QVERIFY(moved != mine);
    back["Numre"].setFilter("Num = '" + std::to_string(moved) + "'");
    back["Numre"].setFiltered(true);
    QCOMPARE(back["Numre"].recordCount(), 3); // the tracks went with it
    QVERIFY(back["Lydsam"].locate("Forlag", "Muutettu toisaalla"));
    QVERIFY(back["Lydsam"].locate("Forlag", "Muutettu täällä"));
}

void TestCollectionFiles::fileChangedOnDiskWithoutOwnChangesIsReloaded() {
    const std::string other = sibling("other");
    fs::copy(base_, other);
    Machine here(base_);
    here["Lydsam"].locate("Kunstner", "Alku 1");
    {
        Machine there(other);
        there.newRelease("Toinen", 1);
        there.files.save();
    }
    syncFolder(other, base_);
    const store::MergeReport report = here.files.mergeChangedFiles();
    QCOMPARE(report.reloaded, 3);
    QCOMPARE(report.merged, 0);
    QVERIFY(!report.text().empty());
    QCOMPARE(here["Lydsam"].asText("Kunstner"), std::string("Alku 1")); // the release stays
    QCOMPARE(here["Lydsam"].storedRowCount(), 4);
    QCOMPARE(here["Lydsam"].changeCount(), 0);
    QVERIFY(here.files.changedOnDisk().empty());
    const auto before = fileSet(base_);
    here.files.save(); // nothing of ours: nothing written
    QVERIFY(fileSet(base_) == before);
}

// Random work on two machines whose folders a sync tool keeps alike: sessions stay open across
// syncs, so files change under them. At the end both folders hold every change of both sides.
void TestCollectionFiles::twoMachinesNeverLoseAChange() {
    std::mt19937 rng(8122026);
    const std::string folders[2] = {sibling("a"), sibling("b")};
    for (const std::string& f : folders)
        fs::copy(base_, f);
    std::unique_ptr<Machine> machines[2] = {std::make_unique<Machine>(folders[0]),
                                            std::make_unique<Machine>(folders[1])};
    for (const auto& m : machines)
        m->files.keepJournal({});
    bool saved[2] = {false, false}; // saved since the last sync
    std::vector<std::string> releases{"Alku 0", "Alku 1", "Alku 2"};
    std::map<std::string, std::string> lastPublisher; // the latest edit of each release
    std::set<std::string> tracks{"Alku 0-1", "Alku 0-2", "Alku 1-1",
                                 "Alku 1-2", "Alku 2-1", "Alku 2-2"};
    std::set<std::string> deleted;
    const auto sync = [&](int from) {
        syncFolder(folders[from], folders[1 - from]);
        saved[0] = saved[1] = false;
    };
    const auto save = [&](int side) {
        if (saved[1 - side]) // the tool delivers the other side's save first
            sync(1 - side);
        machines[side]->files.save();
        saved[side] = true;
    };
    for (int round = 0; round < 150; ++round) {
        const int side = static_cast<int>(rng() % 2);
        Machine& m = *machines[side];
        const std::string token = std::to_string(side) + "-" + std::to_string(round);
        switch (rng() % 6) {
        case 0:
        case 1:
            m.newRelease("R" + token, 2);
            releases.push_back("R" + token);
            tracks.insert({"R" + token + "-1", "R" + token + "-2"});
            break;
        case 2: {
            const std::string& r = releases[rng() % releases.size()];
            if (m["Lydsam"].locate("Kunstner", r)) {
                m.setPublisher(r, "P" + token);
                lastPublisher[r] = "P" + token;
            }
            break;
        }
        case 3: {
            Table& numre = m["Numre"];
            auto it = tracks.begin();
            std::advance(it, static_cast<long>(rng() % tracks.size()));
            if (numre.locate("NrTitel", *it)) {
                numre.deleteRecord();
                deleted.insert(*it);
            }
            break;
        }
        case 4:
            save(side);
            break;
        default:
            if (saved[0] || saved[1]) // the tool copies what one side saved to the other
                sync(saved[0] ? 0 : 1);
            if (rng() % 4 == 0) { // a restart, after a close or a crash
                if (rng() % 2)
                    save(side);
                machines[side].reset();
                machines[side] = std::make_unique<Machine>(folders[side]);
                machines[side]->files.replayJournal();
                machines[side]->files.keepJournal({});
            }
        }
    }
    save(0);
    save(1);
    sync(1);
    machines[0]->files.save();
    QVERIFY(fileSet(folders[0]) == fileSet(folders[1]));

    Machine result(folders[0]);
    Table& lydsam = result["Lydsam"];
    Table& numre = result["Numre"];
    std::map<std::string, std::set<int>> numberOf;
    std::map<int, std::set<std::string>> releasesOf;
    std::map<std::string, std::set<std::string>> publishers;
    for (int r = 0; r < lydsam.storedRowCount(); ++r) {
        const std::string artist = lydsam.storedText(r, lydsam.fieldIndex("Kunstner"));
        const int num = std::stoi(lydsam.storedText(r, lydsam.fieldIndex("Num")));
        numberOf[artist].insert(num);
        releasesOf[num].insert(artist);
        publishers[artist].insert(lydsam.storedText(r, lydsam.fieldIndex("Forlag")));
    }
    for (const std::string& r : releases) {
        QVERIFY2(numberOf.contains(r), r.c_str());
        QCOMPARE(numberOf[r].size(), std::size_t{1}); // versions of one release share its number
    }
    for (const auto& [num, names] : releasesOf)
        QVERIFY2(names.size() == 1, "an archive number went to two releases");
    for (const auto& [r, p] : lastPublisher)
        QVERIFY2(publishers[r].contains(p), (r + " lost " + p).c_str());
    std::set<int> issued; // once each, in the order issued
    for (int r = 0; r < result["Arkiv"].storedRowCount(); ++r) {
        const int n = std::stoi(result["Arkiv"].storedText(r, 0));
        QVERIFY(issued.insert(n).second);
        QCOMPARE(*issued.rbegin(), n);
    }
    for (int r = 0; r < numre.storedRowCount(); ++r) {
        const std::string title = numre.storedText(r, numre.fieldIndex("NrTitel"));
        QVERIFY2(!deleted.contains(title), ("came back: " + title).c_str());
        const std::string release = title.substr(0, title.rfind('-'));
        QVERIFY2(numberOf[release].contains(std::stoi(numre.storedText(r, 0))),
                 ("not linked: " + title).c_str());
    }
    for (const std::string& t : tracks)
        QVERIFY2(deleted.contains(t) || numre.locate("NrTitel", t), ("lost: " + t).c_str());
}

void TestCollectionFiles::conflictCopyNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("table");
    QTest::newRow("Syncthing") << "Lydsam.sync-conflict-20261208-101500-ABCDEF1.dat"
                               << "Lydsam";
    QTest::newRow("Dropbox") << "Numre (Maijan conflicted copy 2026-12-08).dat"
                             << "Numre";
    QTest::newRow("Nextcloud") << "Arkiv (conflicted copy 2026-12-08 101500).dat"
                               << "Arkiv";
    QTest::newRow("letter case aside") << "Genre (Conflicted Copy 2026-12-08).dat"
                                       << "Genre";
    QTest::newRow("older ownCloud") << "Musiker_conflict-20261208-101500.dat"
                                    << "Musiker";
    QTest::newRow("the backup") << "Lydsam.dat.bak"
                                << "";
    QTest::newRow("a plain copy") << "Lydsam (copy).dat"
                                  << "";
    QTest::newRow("a save's temporary") << "Lydsam.dat.tmp-AbC123"
                                        << "";
}

void TestCollectionFiles::conflictCopyNames() {
    QFETCH(QString, name);
    QFETCH(QString, table);
    std::ofstream(base_ + name.toStdString()) << "x";
    QStringList found;
    for (const store::ConflictCopy& c : store::findConflictCopies(base_))
        found << QString::fromStdString(c.table);
    QCOMPARE(found, table.isEmpty() ? QStringList() : QStringList{table});
}

// The other machine's version of the tables, left as conflict copies: its release took a number
// this folder's release has, and comes in with the next free one and its tracks.
void TestCollectionFiles::conflictCopiesAreBroughtIn() {
    const std::string other = sibling("other");
    fs::copy(base_, other);
    {
        Machine here(base_);
        here.newRelease("Täällä", 1);
        here.files.save();
        Machine there(other);
        there.newRelease("Siellä", 2);
        there.files.save();
    }
    for (const char* name : {"Lydsam", "Numre"})
        fs::copy_file(other + name + ".dat",
                      base_ + name + ".sync-conflict-20261208-101500-ABCDEF1.dat");
    Machine m(base_);
    store::ConflictIntake intake = store::bringInConflictCopies(
        base_, [&](std::string_view name) -> Table& { return m.tables.find(name)->second; });
    QCOMPARE(intake.rowsAdded, 3); // a release and its two tracks
    QVERIFY(intake.errors.empty());
    m.files.save();
    store::moveConflictCopies(base_, intake);
    QCOMPARE(intake.copies, 2);
    QVERIFY(store::findConflictCopies(base_).empty());
    QVERIFY(fs::exists(base_ + store::kConflictFolderName +
                       "/Lydsam.sync-conflict-20261208-101500-ABCDEF1.dat"));

    Machine back(base_);
    QVERIFY(back["Lydsam"].locate("Kunstner", "Täällä"));
    const int ours = back["Lydsam"].asInteger("Num");
    QVERIFY(back["Lydsam"].locate("Kunstner", "Siellä"));
    const int theirs = back["Lydsam"].asInteger("Num");
    QCOMPARE(ours, 4);
    QCOMPARE(theirs, 5);
    QVERIFY(back["Arkiv"].locate("ArkivNr", "5"));
    QVERIFY(back["Numre"].locate("NrTitel", "Siellä-2"));
    QCOMPARE(back["Numre"].asInteger("Num"), 5);
    QVERIFY(back["Numre"].locate("NrTitel", "Täällä-1"));
    QCOMPARE(back["Numre"].asInteger("Num"), 4);
}

// A session that ends without its close: the next one finds every posted change again, and a
// cut or damaged journal gives back what stands before the fault.
void TestCollectionFiles::journalBringsBackWhatACrashLost_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("lastKept");
    QTest::addColumn<bool>("damaged");
    QTest::newRow("none") << "" << true << false;
    QTest::newRow("last record cut off") << "cut" << false << false;
    QTest::newRow("a record inside damaged") << "flip" << false << true;
    QTest::newRow("journal not rewritten after a save") << "stale" << true << false;
    QTest::newRow("saved before the crash") << "saved" << true << false;
}

void TestCollectionFiles::journalBringsBackWhatACrashLost() {
    QFETCH(QString, fault);
    QFETCH(bool, lastKept);
    QFETCH(bool, damaged);
    const std::string journal = base_ + store::journalFileName();
    std::map<std::string, std::multiset<std::string>> before, after;
    std::string beforeDelete; // the journal then
    {
        Machine m(base_);
        QStringList failures;
        m.files.keepJournal([&](const std::string& e) { failures << QString::fromStdString(e); });
        m.changeEveryTable("Uusi");
        m.setPublisher("Alku 1", "Levy-yhtiö");
        if (fault == "stale") {
            // Killed after the commit, before the journal was written anew: the save's mark in
            // the old one tells that its changes are in the files.
            const StepFault journalFault("rename", 1, "journal");
            m.files.save();
        } else if (fault == "saved") {
            m.files.save();
        }
        before = contents(m);
        beforeDelete = readAll(journal);
        Table& lydsam = m["Lydsam"];
        QVERIFY(lydsam.locate("Kunstner", "Alku 2"));
        lydsam.deleteRecord();
        after = contents(m);
        QCOMPARE(failures.size(), fault == "stale" ? 1 : 0);
        // No close: the journal is all that holds the changes now.
    }
    QVERIFY(fs::exists(journal));
    std::string bytes = readAll(journal);
    if (fault == "cut") {
        bytes.resize(bytes.size() - 3);
    } else if (fault == "flip") {
        // A damaged copy of the last record before an intact one.
        std::string damagedCopy = bytes.substr(beforeDelete.size());
        damagedCopy.back() ^= 0x5a;
        bytes = beforeDelete + damagedCopy + bytes.substr(beforeDelete.size());
    }
    std::ofstream(journal, std::ios::binary | std::ios::trunc) << bytes;

    Machine next(base_);
    const store::JournalReplay replay = next.files.replayJournal();
    QVERIFY(replay.found);
    QCOMPARE(replay.damaged, damaged);
    QCOMPARE(contents(next), lastKept ? after : before);
    // The replayed changes are pending: the save writes them and takes the journal away.
    next.files.save();
    QVERIFY(!fs::exists(journal));
    Machine reopened(base_);
    QCOMPARE(contents(reopened), lastKept ? after : before);
}

// A kill at any step of a save that keeps the journal: whichever set the files are, the journal
// replayed onto them gives exactly the session's tables, nothing twice.
void TestCollectionFiles::killDuringASaveWithTheJournalLosesNothing() {
    const auto change = [](Machine& m) {
        m.changeEveryTable("Uusi");
        m.setPublisher("Alku 0", "Toinen");
    };
    std::map<std::string, std::multiset<std::string>> expected;
    {
        const std::string ref = sibling("journalref");
        fs::copy(base_, ref, fs::copy_options::recursive);
        Machine m(ref);
        change(m);
        expected = contents(m);
    }
    for (int step = 1;; ++step) {
        const std::string run = sibling("journal" + std::to_string(step));
        fs::copy(base_, run, fs::copy_options::recursive);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            Machine m(run);
            m.files.keepJournal({});
            change(m);
            const StepFault fault("any", step, {}, true);
            try {
                m.files.save();
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QVERIFY2(WEXITSTATUS(status) != 2, "the save failed instead of being killed");
        store::recoverCommit(run);
        Machine m(run);
        m.files.replayJournal();
        QVERIFY2(contents(m) == expected,
                 qPrintable(QStringLiteral("differs after a kill at step %1").arg(step)));
        if (WEXITSTATUS(status) == 0)
            break;
    }
}

QTEST_APPLESS_MAIN(TestCollectionFiles)
#include "tst_collectionfiles.moc"
