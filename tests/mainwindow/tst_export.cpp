// The "&Vie" submenu's web page: every release's tracks and musicians, while the pages keep
// their filters and current rows.
#include "mainwindow/form1.h"

#include "collectionfiles.h"
#include "dbaware/errorbox.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestExport : public QObject {
    Q_OBJECT

private slots:
    void init() {
        errors_.clear();
        dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        const QString folder = dir_->path() + QLatin1Char('/');
        writeTable(folder, "Lydsam", [](engine::Table& t) {
            for (const auto& [artist, num] : {std::pair{"Åsa Krusbärsdal", 1}, {"Ödegaard", 2}}) {
                t.append();
                t.setText("Kunstner", artist);
                t.setText("Titel", "Levy " + std::to_string(num));
                t.setInteger("Num", num);
                t.post();
            }
        });
        writeTable(folder, "Numre", [](engine::Table& t) {
            for (const auto& [num, title] : {std::pair{1, "Morgon"}, {2, "Aften"}, {2, "Blæst"}}) {
                t.append();
                t.setInteger("Num", num);
                t.setText("NrTitel", title);
                t.post();
            }
        });
        writeTable(folder, "Musiker", [](engine::Table& t) {
            for (const char* title : {"Morgon", "Blæst"}) {
                t.append();
                t.setText("NrTitel", title);
                t.setText("Musiker", std::string("Soittaja ") + title);
                t.post();
            }
        });
        form_ = std::make_unique<TForm1>(folder, dir_->filePath("levyholvi.INI"));
        page_ = dir_->filePath("sivu.html");
        TForm1::exportPathChooser = [this](const QString&) { return page_; };
    }
    void cleanup() {
        form_.reset();
        dir_.reset();
        TForm1::exportPathChooser = nullptr;
        dbaware::setErrorBoxHandler(nullptr);
    }

    void pageHoldsEveryTrackAndKeepsTheFilters_data() {
        QTest::addColumn<bool>("filtered");
        QTest::newRow("tracks page filtered to one release") << true;
        QTest::newRow("no filter") << false;
    }
    void pageHoldsEveryTrackAndKeepsTheFilters() {
        QFETCH(bool, filtered);
        engine::Table& numre = form_->NumreDataSet;
        engine::Table& musiker = form_->MusikerDataSet;
        if (filtered) {
            numre.setFilter("Num = '2'");
            numre.setFiltered(true);
            musiker.setFilter("NrTitel = 'Blæst'");
            musiker.setFiltered(true);
        }
        numre.last();
        const QString current = text(numre, "NrTitel");
        const QStringList before = shown(numre, "NrTitel");

        form_->findChild<QAction*>("Verkkosivu1")->trigger();

        QVERIFY2(errors_.isEmpty(), qPrintable(errors_.join('\n')));
        QFile f(page_);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(f.readAll());
        for (const char* t : {"Morgon", "Aften", "Blæst", "Soittaja Morgon", "Åsa Krusbärsdal"})
            QVERIFY2(page.contains(QString::fromUtf8(t)), t);
        QCOMPARE(numre.filtered(), filtered);
        QCOMPARE(musiker.filtered(), filtered);
        QCOMPARE(shown(numre, "NrTitel"), before);
        QCOMPARE(text(numre, "NrTitel"), current);
    }

    void cancelWritesNothing() {
        TForm1::exportPathChooser = [](const QString&) { return QString(); };
        form_->findChild<QAction*>("Verkkosivu1")->trigger();
        QVERIFY(!QFile::exists(page_));
        QVERIFY(errors_.isEmpty());
    }

    void failureGoesToTheErrorBox() {
        page_ = dir_->filePath("ei/ole/sivu.html");
        form_->findChild<QAction*>("Verkkosivu1")->trigger();
        QCOMPARE(errors_.size(), 1);
        QVERIFY(errors_.first().contains("ei/ole/sivu.html"));
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    QString page_;
    QStringList errors_;
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
