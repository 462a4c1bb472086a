// "Tilastot...": the charts of the collection and their clicks.
#include "collectionfiles.h"
#include "mainwindow/form1.h"
#include "mainwindow/statswindow.h"

#include "dbaware/errorbox.h"

#include <QAbstractBarSeries>
#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChartView>
#include <QCheckBox>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

void writeCollection(const QString& folder) {
    writeTable(folder, "Lydsam", [](engine::Table& t) {
        const struct {
            const char *artist, *genre, *media;
        } releases[] = {{"Anna", "Jazz", "CD"}, {"Bertta", "Rock", "LP"}, {"Anna", "Rock", "LP"}};
        int num = 0;
        for (const auto& r : releases) {
            t.append();
            t.setInteger("Num", ++num);
            t.setText("Kunstner", r.artist);
            t.setText("Genre", r.genre);
            t.setText("Media", r.media);
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
    writeTable(folder, "Musiker", [](engine::Table& t) {
        t.append();
        t.setText("NrTitel", "Kappale A");
        t.setText("Musiker", "Jori");
        t.setText("Instrument", "Kitara");
        t.post();
    });
}

} // namespace

class TestStats : public QObject {
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
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        form_->findChild<QAction*>(QStringLiteral("Tilastot1"))->trigger();
        QVERIFY(form_->statsWindow());
        QTRY_VERIFY(!form_->statsWindow()->busy());
    }
    void cleanup() {
        form_.reset();
        dir_.reset();
        StatsWindow::pathChooser = nullptr;
        dbaware::setErrorBoxHandler(nullptr);
        dbaware::setMessageHandler(nullptr);
    }

    // A bar for each figure; a click on one narrows the collection as its command does.
    void barsAndClicks_data() {
        QTest::addColumn<QString>("chart");
        QTest::addColumn<int>("bars");
        QTest::addColumn<QString>("pick");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("filter");
        QTest::addRow("medium") << "Media" << 6 << "LP"
                                << "Lydsam"
                                << "Media = 'LP'";
        QTest::addRow("genre") << "Musiikkityypit" << 2 << "Jazz"
                               << "Lydsam"
                               << "Genre = 'Jazz'";
        QTest::addRow("player") << "Muusikot" << 1 << "Jori (Kitara)"
                                << "Musiker"
                                << "Musiker = 'Jori'";
    }
    void barsAndClicks() {
        QFETCH(QString, chart);
        QFETCH(int, bars);
        QFETCH(QString, pick);
        QFETCH(QString, table);
        QFETCH(QString, filter);
        auto* view = form_->statsWindow()->findChild<QChartView*>(chart);
        QVERIFY(view);
        QBarSet* set = nullptr;
        for (QAbstractSeries* s : view->chart()->series())
            if (auto* bars = qobject_cast<QAbstractBarSeries*>(s))
                set = bars->barSets().value(0);
        QVERIFY(set);
        QCOMPARE(set->count(), bars);
        auto* axis = qobject_cast<QBarCategoryAxis*>(view->chart()->axes().value(0));
        QVERIFY(axis);
        const int at = static_cast<int>(axis->categories().indexOf(pick));
        QVERIFY(at >= 0);
        emit set->clicked(at);
        const engine::Table& t = table == "Lydsam" ? form_->LydsamDataSet : form_->MusikerDataSet;
        QCOMPARE(QString::fromStdString(t.filter()), filter);
        QVERIFY(t.filtered());
        QCOMPARE(errors_, QStringList());
    }

    // The whole collection or the releases shown; a chart as SVG or PNG.
    void selectionAndSaving() {
        form_->findChild<QToolButton*>("b3")->click(); // the LPs
        auto* only = form_->statsWindow()->findChild<QCheckBox*>();
        only->setChecked(true);
        QTRY_VERIFY(!form_->statsWindow()->busy());
        QCOMPARE(mediaBar(2), 2.0); // LP
        QCOMPARE(mediaBar(0), 0.0); // CD
        for (const char* name : {"kuva.svg", "kuva.png"}) {
            const QString path = dir_->filePath(QLatin1String(name));
            form_->statsWindow()->saveChart(path);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.size() > 100);
        }
    }

    // A release added while the figures are counted on their thread: the post waits for them
    // (or they give way), and the charts follow it.
    void followsChanges() {
        form_->statsWindow()->refresh();
        QVERIFY(form_->statsWindow()->busy());
        engine::Table& t = form_->LydsamDataSet;
        t.append();
        t.setText("Media", "MC");
        t.post();
        QTRY_COMPARE(mediaBar(3), 1.0);
        QCOMPARE(mediaBar(2), 2.0);
    }

private:
    double mediaBar(int at) const {
        auto* media = form_->statsWindow()->findChild<QChartView*>("Media");
        const auto* bars = qobject_cast<QAbstractBarSeries*>(media->chart()->series().value(0));
        return bars ? bars->barSets().value(0)->at(at) : -1;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    QStringList errors_;
};

QTEST_MAIN(TestStats)
#include "tst_stats.moc"
