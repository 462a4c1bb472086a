// "&Muokkaa": undo and redo of what the window changes, and changes of many releases.
#include "collectionfiles.h"
#include "mainwindow/bulkdialogs.h"
#include "mainwindow/form1.h"

#include "dbaware/errorbox.h"
#include "history/history.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

void writeCollection(const QString& folder) {
    writeTable(folder, "Lydsam", [](engine::Table& t) {
        const struct {
            int num;
            const char *artist, *title, *genre, *media;
        } releases[] = {{1, "Anna", "Sky At Night", "Jazz", "CD"},
                        {2, "Bertta", "Ilta", "Rock", "LP"},
                        {3, "anna", "Yö", "Rock", "LP"}};
        for (const auto& r : releases) {
            t.append();
            t.setInteger("Num", r.num);
            t.setText("Kunstner", r.artist);
            t.setText("Titel", r.title);
            t.setText("Genre", r.genre);
            t.setText("Media", r.media);
            t.post();
        }
    });
    writeTable(folder, "Arkiv", [](engine::Table& t) {
        for (int n = 1; n <= 3; ++n) {
            t.append();
            t.setInteger("ArkivNr", n);
            t.post();
        }
    });
    writeTable(folder, "Genre", [](engine::Table& t) {
        for (const char* genre : {"Jazz", "Rock"}) {
            t.append();
            t.setText("Genre", genre);
            t.post();
        }
    });
    writeTable(folder, "Numre", [](engine::Table& t) {
        t.append();
        t.setInteger("Num", 1);
        t.setText("NrTitel", "Kappale A");
        t.post();
    });
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT

private slots:
    void init() {
        errors_.clear();
        dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
        dbaware::setMessageHandler([this](const QString& m) { errors_ << m; });
        dir_ = std::make_unique<QTemporaryDir>();
        writeCollection(dir_->path() + QLatin1Char('/'));
        form_ = std::make_unique<TForm1>(dir_->path() + QLatin1Char('/'),
                                         dir_->filePath(QStringLiteral("levyholvi.INI")));
        form_->show();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }
    void cleanup() {
        form_.reset();
        dir_.reset();
        TForm1::bulkChangeChooser = nullptr;
        TForm1::renameChooser = nullptr;
        dbaware::setErrorBoxHandler(nullptr);
        dbaware::setMessageHandler(nullptr);
    }

    void menuNamesTheStep() {
        QCOMPARE(action("Kumoa1")->text(), "&Kumoa");
        QVERIFY(!action("Kumoa1")->isEnabled());
        QCOMPARE(action("Kumoa1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(action("TeeUudelleen1")->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                      QKeySequence(Qt::CTRL | Qt::Key_Y)}));
        form_->LydsamDataSet.locate("Num", "1");
        form_->LydsamDataSet.deleteRecord();
        QCoreApplication::processEvents();
        QCOMPARE(action("Kumoa1")->text(), "&Kumoa: levyn poisto – Sky At Night");
        trigger("Kumoa1");
        QCOMPARE(action("TeeUudelleen1")->text(), "&Tee uudelleen: levyn poisto – Sky At Night");
    }

    // The genre "Poista" deletes without asking: undo brings the genre back.
    void genreDeleteUndone() {
        form_->findChild<QToolButton*>("SpeedButton11")->click();
        QCOMPARE(shown(form_->GenreDataSet, "Genre"), QStringList{"Rock"});
        trigger("Kumoa1");
        QCoreApplication::processEvents();
        QCOMPARE(shown(form_->GenreDataSet, "Genre"), (QStringList{"Jazz", "Rock"}));
        trigger("TeeUudelleen1");
        QCOMPARE(shown(form_->GenreDataSet, "Genre"), QStringList{"Rock"});
        QCOMPARE(errors_, QStringList());
    }

    // A deleted release comes back with its number and as the current row; its tracks were
    // never touched. A new release taken back leaves its number issued.
    void releasesComeBackWithTheirNumbers() {
        engine::Table& releases = form_->LydsamDataSet;
        releases.locate("Num", "1");
        releases.deleteRecord();
        releases.first();
        trigger("Kumoa1");
        QCOMPARE(text(releases, "Num"), "1");
        QCOMPARE(text(releases, "Titel"), "Sky At Night");
        QCOMPARE(form_->NumreDataSet.storedRowCount(), 1);
        QCOMPARE(form_->findChild<QLabel*>("Label20")->text(), "3");

        releases.append(); // takes number 4
        releases.setText("Titel", "Uusi");
        releases.post();
        trigger("Kumoa1");
        QCOMPARE(releases.storedRowCount(), 3);
        releases.append();
        QCOMPARE(text(releases, "Num"), "5");
        releases.cancel();
    }

    // In a text box Ctrl+Z first undoes typing; then the menu's undo cancels the unposted
    // row; then it takes back the last step.
    void ctrlZWhileEditing() {
        engine::Table& releases = form_->LydsamDataSet;
        releases.locate("Num", "2");
        releases.edit();
        releases.setText("Kunstner", "Cecilia");
        releases.post();
        QCoreApplication::processEvents();
        form_->selectPage(form_->findChild<QWidget*>("TabSheet2"));
        auto* title = form_->findChild<QLineEdit*>("DBEdit1");
        title->setFocus();
        QTest::keyClicks(title, "X");
        QCOMPARE(releases.state(), engine::TableState::Edit);
        QTest::keySequence(title, QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(title->text(), "Ilta");
        QCOMPARE(releases.state(), engine::TableState::Edit);
        QTest::keySequence(title, QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(releases.state(), engine::TableState::Browse);
        QCOMPARE(text(releases, "Kunstner"), "Cecilia");
        QTest::keySequence(title, QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(text(releases, "Kunstner"), "Bertta");
        QTest::keySequence(title, QKeySequence(Qt::CTRL | Qt::Key_Y));
        QCOMPARE(text(releases, "Kunstner"), "Cecilia");
    }

    // The change of many releases takes the selection; the rename every place of the name.
    // Each is one step.
    void manyAtOnce_data() {
        QTest::addColumn<bool>("rename");
        QTest::addColumn<QStringList>("after");
        QTest::addRow("genre of the LPs") << false << QStringList{"Jazz", "Blues", "Blues"};
        QTest::addRow("artist everywhere") << true << QStringList{"Anne", "Bertta", "Anne"};
    }
    void manyAtOnce() {
        QFETCH(bool, rename);
        QFETCH(QStringList, after);
        const char* field = rename ? "Kunstner" : "Genre";
        const QStringList before = column(field);
        int offered = -1;
        TForm1::bulkChangeChooser = [&](int selected) {
            offered = selected;
            return std::optional<BulkChoice>({"Genre", {}, "Blues"});
        };
        TForm1::renameChooser = [] {
            return std::optional<BulkChoice>({"artist", "ANNA", "Anne"});
        };
        form_->findChild<QToolButton*>("b3")->click(); // the LPs
        trigger(rename ? "KorvaaNimi1" : "MuutaValittuja1");
        if (!rename)
            QCOMPARE(offered, 2);
        QCOMPARE(column(field), after);
        trigger("Kumoa1");
        QCOMPARE(column(field), before);
        QCOMPARE(errors_, QStringList());
    }

private:
    // As a user would: the menu is only there once the last change has had its turn.
    void trigger(const char* name) {
        QCoreApplication::processEvents();
        QVERIFY(action(name)->isEnabled());
        action(name)->trigger();
    }
    QAction* action(const char* name) const {
        return form_->findChild<QAction*>(QLatin1String(name));
    }
    QStringList column(const char* field) const {
        QStringList out;
        const engine::Table& t = form_->LydsamDataSet;
        for (int r = 0; r < t.storedRowCount(); ++r)
            out << QString::fromStdString(t.storedText(r, t.fieldIndex(field)));
        return out;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    QStringList errors_;
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
