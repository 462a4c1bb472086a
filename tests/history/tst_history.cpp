// Undo and redo against a model: every state the tables went through, kept whole.
#include "../exchange/collection.h"

#include "exchange/importer.h"
#include "history/bulkchange.h"
#include "history/history.h"
#include "store/recordrules.h"

#include <QSignalSpy>
#include <QTest>

#include <random>

namespace {

// Every table's stored rows in the order added, which an undone delete keeps too.
using Snapshot = std::vector<std::vector<std::string>>;

Snapshot snapshot(const TestCollection& c) {
    Snapshot s;
    for (const engine::Table* t : {&c.lydsam, &c.numre, &c.genre, &c.musiker}) {
        std::vector<std::string> rows;
        for (int r = 0; r < t->storedRowCount(); ++r)
            rows.emplace_back(t->storedBlob(r));
        s.push_back(std::move(rows));
    }
    return s;
}

history::History::Table entry(const char* name, engine::Table& t) {
    return {name, &t};
}

class Actions {
public:
    Actions(TestCollection& c, history::History& h, std::uint32_t seed)
        : c_(c), h_(h), rng_(seed) {}

    // One thing a user does, then the step it makes.
    void any() {
        switch (pick(9)) {
        case 0:
            newRelease();
            break;
        case 1:
            edit(c_.lydsam, "Kunstner");
            break;
        case 2:
            edit(c_.numre, "NrTitel");
            break;
        case 3:
            remove(pick(2) ? c_.lydsam : c_.numre);
            break;
        case 4:
            remove(c_.genre); // the genre "Poista"
            break;
        case 5:
            import();
            break;
        case 6:
            bulk();
            break;
        case 7:
            rename();
            break;
        default:
            newTrack();
            break;
        }
        h_.takeChanges();
    }

    void newRelease() {
        c_.lydsam.append();
        c_.lydsam.setInteger("Num", store::issueArchiveNumber(c_.arkiv, c_.lydsam));
        c_.lydsam.setText("Kunstner", name());
        c_.lydsam.setText("Titel", name());
        c_.lydsam.post();
    }
    void newTrack() {
        c_.numre.append();
        c_.numre.setText("NrTitel", name());
        c_.numre.setInteger("Num", pick(40));
        c_.numre.post();
    }
    void edit(engine::Table& t, const char* field) {
        if (!moveSomewhere(t))
            return;
        t.edit();
        t.setText(field, name());
        t.post();
    }
    void remove(engine::Table& t) {
        if (moveSomewhere(t))
            t.deleteRecord();
    }
    void import() {
        exchange::ReadResult found;
        for (int i = pick(4) + 1; i > 0; --i) {
            exchange::ReleaseRecord r;
            r.kunstner = name();
            r.titel = name();
            r.genre = name();
            r.media = "LP";
            r.tracks.push_back({});
            r.tracks.back().nrTitel = name();
            r.tracks.back().musicians.push_back({name(), "piano", ""});
            found.releases.push_back(std::move(r));
        }
        h_.beginStep(QStringLiteral("tuonti"));
        exchange::importRecords(c_.tables, found);
        h_.endStep();
    }
    void bulk() {
        h_.beginStep(QStringLiteral("muutos"));
        if (pick(2))
            history::setField(c_.lydsam, c_.lydsam.viewRowIds(), "Media", pick(2) ? "CD" : "");
        else
            history::setField(c_.lydsam, c_.lydsam.viewRowIds(), "Pris", pick(2) ? "9,50" : "");
        h_.endStep();
    }
    void rename() {
        h_.beginStep(QStringLiteral("korvaus"));
        const char* kinds[] = {"artist", "genre", "musician"};
        history::renameName(
            [this](std::string_view n) -> engine::Table& { return c_.tables.named(n); },
            history::nameKind(kinds[pick(3)]), name(), name());
        h_.endStep();
    }

private:
    int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
    std::string name() { return std::string(1, static_cast<char>('a' + pick(3))) + "x"; }
    bool moveSomewhere(engine::Table& t) {
        if (t.isEmpty())
            return false;
        t.moveTo(pick(t.recordCount()));
        return true;
    }

    TestCollection& c_;
    history::History& h_;
    std::mt19937 rng_;
};

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void undoAllRedoAll_data() {
        QTest::addColumn<int>("seed");
        QTest::addColumn<int>("actions");
        for (int seed = 1; seed <= 12; ++seed)
            QTest::addRow("seed %d", seed) << seed << 150;
    }
    void undoAllRedoAll() {
        QFETCH(int, seed);
        QFETCH(int, actions);
        TestCollection c;
        c.genre.append();
        c.genre.setText("Genre", "ax");
        c.genre.post();
        history::History h({entry("Lydsam", c.lydsam), entry("Numre", c.numre),
                            entry("Musiker", c.musiker), entry("Genre", c.genre)});
        Actions act(c, h, static_cast<std::uint32_t>(seed));
        std::vector<Snapshot> states{snapshot(c)};
        std::vector<int> steps{0};
        for (int i = 0; i < actions; ++i) {
            act.any();
            states.push_back(snapshot(c));
            steps.push_back(h.stack().index());
            // Now and then undo a little and go on from there, which drops the redo.
            if (i % 7 == 6) {
                const int back = std::min(h.stack().count(), 2);
                for (int k = 0; k < back; ++k)
                    h.undo();
                while (steps.back() > h.stack().index()) {
                    steps.pop_back();
                    states.pop_back();
                }
                QCOMPARE(snapshot(c), states.back());
            }
        }
        const std::uint32_t issued = static_cast<std::uint32_t>(c.arkiv.storedRowCount());
        // Each state is the one of some number of steps: undo passes them all, redo again.
        const auto stateAt = [&](int index) {
            const auto it = std::find(steps.begin(), steps.end(), index);
            return it == steps.end() ? std::optional<Snapshot>()
                                     : std::optional(states[it - steps.begin()]);
        };
        while (h.stack().canUndo()) {
            h.undo();
            if (const auto s = stateAt(h.stack().index()))
                QCOMPARE(snapshot(c), *s);
        }
        QCOMPARE(snapshot(c), states.front());
        for (engine::Table* t : {&c.lydsam, &c.numre, &c.musiker})
            QVERIFY(t->netChanges().empty()); // nothing left to save
        QCOMPARE(static_cast<std::uint32_t>(c.arkiv.storedRowCount()), issued); // numbers stay
        while (h.stack().canRedo()) {
            h.redo();
            if (const auto s = stateAt(h.stack().index()))
                QCOMPARE(snapshot(c), *s);
        }
        QCOMPARE(snapshot(c), states.back());
    }

    // Thousands of rows at once take the indices' other path: the order shown stays right.
    void manyRowsAtOnce() {
        TestCollection c;
        c.lydsam.setActiveIndex("Kunstner");
        history::History h({entry("Lydsam", c.lydsam), entry("Numre", c.numre),
                            entry("Musiker", c.musiker), entry("Genre", c.genre)});
        exchange::ReadResult found;
        for (int i = 0; i < 6000; ++i) {
            exchange::ReleaseRecord r;
            r.kunstner = std::to_string(i * 7919 % 6000);
            r.titel = "t";
            r.tracks.resize(1);
            r.tracks[0].nrTitel = "k";
            found.releases.push_back(std::move(r));
        }
        const auto shown = [&c] {
            QStringList artists;
            for (int row = 0; row < c.lydsam.displayRowCount(); ++row)
                artists << QString::fromStdString(c.lydsam.textAt(row, 0));
            return artists;
        };
        const Snapshot empty = snapshot(c);
        h.beginStep(QStringLiteral("tuonti"));
        exchange::importRecords(c.tables, found);
        h.endStep();
        const Snapshot imported = snapshot(c);
        const QStringList order = shown();
        h.beginStep(QStringLiteral("muutos"));
        history::setField(c.lydsam, c.lydsam.viewRowIds(), "Kunstner", "x");
        h.endStep();
        const std::vector<std::uint32_t> ids = c.lydsam.viewRowIds();
        QVERIFY(std::is_sorted(ids.begin(), ids.end())); // equal artists: in the order added
        for (int round = 0; round < 2; ++round) {
            h.undo();
            QCOMPARE(snapshot(c), imported);
            QCOMPARE(shown(), order);
            h.undo();
            QCOMPARE(snapshot(c), empty);
            QCOMPARE(c.lydsam.recordCount(), 0);
            h.redo();
            QCOMPARE(snapshot(c), imported);
            QCOMPARE(shown(), order);
            h.redo();
        }
        QCOMPARE(c.lydsam.recordCount(), 6000);
    }

    void stepNamesWhatItDid_data() {
        QTest::addColumn<QString>("expected");
        QTest::addRow("post") << "uusi levy – Sky At Night";
        QTest::addRow("edit") << "levyn muutos – Sky At Night";
        QTest::addRow("delete") << "levyn poisto – Sky At Night";
    }
    void stepNamesWhatItDid() {
        QFETCH(QString, expected);
        TestCollection c;
        history::History h({entry("Lydsam", c.lydsam)});
        TestCollection::add(c.lydsam, {"Titel=Sky At Night", "Num=1"});
        h.takeChanges();
        if (expected.startsWith(u"levyn muutos")) {
            c.lydsam.edit();
            c.lydsam.setText("Kunstner", "Paul");
            c.lydsam.post();
        } else if (expected.startsWith(u"levyn poisto")) {
            c.lydsam.deleteRecord();
        }
        h.takeChanges();
        QCOMPARE(h.stack().undoText(), expected);
    }

    // An undo while a row is typed cancels the row and does no more; a step that no longer
    // fits the rows (the files were read anew) drops the history and says so.
    void undoCancelsTypingFirst() {
        TestCollection c;
        history::History h({entry("Lydsam", c.lydsam)});
        TestCollection::add(c.lydsam, {"Titel=A"});
        h.takeChanges();
        c.lydsam.edit();
        c.lydsam.setText("Titel", "B");
        h.undo();
        QCOMPARE(c.lydsam.state(), engine::TableState::Browse);
        QCOMPARE(c.lydsam.storedRowCount(), 1);
        h.undo();
        QCOMPARE(c.lydsam.storedRowCount(), 0);
    }
    void staleHistoryIsDropped() {
        TestCollection c;
        history::History h({entry("Lydsam", c.lydsam)});
        TestCollection::add(c.lydsam, {"Titel=A"});
        h.takeChanges();
        QSignalSpy failed(&h, &history::History::failed);
        c.lydsam.mergeChangeLog(); // as a save or a merge from disk starts the journal again
        h.undo();
        QCOMPARE(failed.count(), 1);
        QCOMPARE(h.stack().count(), 0);
        QCOMPARE(c.lydsam.storedRowCount(), 1);
    }

    void renameTouchesWholeValuesOnly_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("rows");
        QTest::addRow("artist, any case") << "artist"
                                          << "the beatles" << 3;
        QTest::addRow("no part of a name") << "artist"
                                           << "beatles" << 0;
        QTest::addRow("Nordic letters") << "musician"
                                        << "ÅKE" << 1;
        QTest::addRow("genre list and releases") << "genre"
                                                 << "rock" << 2;
    }
    void renameTouchesWholeValuesOnly() {
        QFETCH(QString, kind);
        QFETCH(QString, from);
        QFETCH(int, rows);
        TestCollection c;
        TestCollection::add(c.lydsam, {"Kunstner=The Beatles", "Genre=Rock"});
        TestCollection::add(c.lydsam, {"Kunstner=THE BEATLES"});
        TestCollection::add(c.lydsam, {"Kunstner=The Beatles Revival"});
        TestCollection::add(c.numre, {"Kunstner=the beatles"});
        TestCollection::add(c.musiker, {"Musiker=Åke"});
        TestCollection::add(c.genre, {"Genre=Rock"});
        const auto tables = [&](std::string_view n) -> engine::Table& { return c.tables.named(n); };
        const history::NameKind& k = history::nameKind(kind.toStdString());
        QCOMPARE(history::renameName(tables, k, from.toStdString(), "Uusi", true).rows, rows);
        QCOMPARE(c.changes(), 6); // the dry run changed nothing
        QCOMPARE(history::renameName(tables, k, from.toStdString(), "Uusi").rows, rows);
    }

    void setFieldRefusesWhatTheFieldCannotHold() {
        TestCollection c;
        TestCollection::add(c.lydsam, {"Titel=A"});
        QVERIFY_THROWS_EXCEPTION(std::exception,
                                 history::setField(c.lydsam, c.lydsam.viewRowIds(), "Pris", "a3"));
        QVERIFY_THROWS_EXCEPTION(std::exception,
                                 history::setField(c.lydsam, c.lydsam.viewRowIds(), "Num", "7"));
        QCOMPARE(history::setField(c.lydsam, c.lydsam.viewRowIds(), "Pris", "12,50"), 1);
        QCOMPARE(c.lydsam.asFloat(c.lydsam.fieldIndex("Pris")), 12.5);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
