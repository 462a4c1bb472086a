// Covers in the window: the panel, the three ways to give a release its cover, undo, the wall.
#include "collectionfiles.h"
#include "mainwindow/coverview.h"
#include "mainwindow/coverwall.h"
#include "mainwindow/form1.h"

#include "dbaware/errorbox.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QFile>
#include <QMimeData>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>

namespace {

QImage sleeve(QColor colour) {
    QImage image(400, 400, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

void writeCollection(const QString& folder) {
    writeTable(folder, "Lydsam", [](engine::Table& t) {
        const char* const artists[] = {"Anna", "Bertta", "Cecilia"};
        int num = 0;
        for (const char* artist : artists) {
            t.append();
            t.setInteger("Num", ++num);
            t.setText("Kunstner", artist);
            t.setText("Titel", std::string("Levy ") + artist);
            t.setText("Media", "LP");
            t.post();
        }
    });
    QDir(folder).mkdir(QStringLiteral("Kannet"));
    sleeve(Qt::red).save(folder + QStringLiteral("Kannet/1.jpg"), "JPEG");
}

} // namespace

class TestCovers : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        errors_.clear();
        dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
        dbaware::setMessageHandler([this](const QString& m) { errors_ << m; });
        dir_ = std::make_unique<QTemporaryDir>();
        folder_ = dir_->path() + QLatin1Char('/');
        writeCollection(folder_);
        form_ = std::make_unique<TForm1>(folder_, dir_->filePath(QStringLiteral("levyholvi.INI")));
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        action("Kansikuva1")->trigger();
        QVERIFY(form_->coverPanel()->isVisible());
    }
    void cleanup() {
        form_.reset();
        dir_.reset();
        TForm1::coverFileChooser = nullptr;
        dbaware::setErrorBoxHandler(nullptr);
        dbaware::setMessageHandler(nullptr);
    }

    void panelShowsTheCurrentRelease();
    void threeWaysToGiveACover_data();
    void threeWaysToGiveACover();
    void aBadPictureIsRefused();
    void aRemovedCoverIsKeptAsBackup();
    void wallFollowsAndLeads();

private:
    QAction* action(const char* name) {
        QCoreApplication::processEvents(); // the history takes what came before as its step
        return form_->findChild<QAction*>(QLatin1String(name));
    }
    void gotoRelease(int num) { QVERIFY(form_->LydsamDataSet.locate("Num", std::to_string(num))); }
    void closeWindow() {
        QVERIFY(form_->close());
        form_.reset();
    }

    QStringList errors_;
    std::unique_ptr<QTemporaryDir> dir_;
    QString folder_;
    std::unique_ptr<TForm1> form_;
};

void TestCovers::panelShowsTheCurrentRelease() {
    gotoRelease(1);
    CoverView* view = form_->coverView();
    QVERIFY(!view->showsPlaceholder());
    QVERIFY(view->cover().pixelColor(10, 10).red() > 200);
    gotoRelease(2);
    QVERIFY(view->showsPlaceholder()); // drawn, with its artist and title
    QCOMPARE(view->toolTip(), QStringLiteral("Bertta\nLevy Bertta"));
    QVERIFY(errors_.isEmpty());
}

void TestCovers::threeWaysToGiveACover_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("chosen file") << "choose";
    QTest::newRow("dropped file") << "drop file";
    QTest::newRow("dropped picture") << "drop picture";
    QTest::newRow("pasted picture") << "paste";
}

void TestCovers::threeWaysToGiveACover() {
    QFETCH(QString, way);
    const QString file = dir_->filePath(QStringLiteral("skannaus.png"));
    sleeve(Qt::blue).save(file, "PNG");
    gotoRelease(2);
    CoverView* view = form_->coverView();
    QMimeData mime;
    if (way == QLatin1String("choose")) {
        TForm1::coverFileChooser = [&] { return file; };
        action("ValitseKansikuva1")->trigger();
    } else if (way == QLatin1String("drop file")) {
        mime.setUrls({QUrl::fromLocalFile(file)});
        QVERIFY(view->offer(mime));
    } else if (way == QLatin1String("drop picture")) {
        mime.setImageData(sleeve(Qt::blue));
        QVERIFY(view->offer(mime));
    } else {
        QApplication::clipboard()->setImage(sleeve(Qt::blue));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
    }
    QVERIFY2(errors_.isEmpty(), qPrintable(errors_.join(QLatin1Char('\n'))));
    QVERIFY(!view->showsPlaceholder());
    QVERIFY(view->cover().pixelColor(10, 10).blue() > 200);
    // One step: taken back and done again.
    action("Kumoa1")->trigger();
    QVERIFY(view->showsPlaceholder());
    action("TeeUudelleen1")->trigger();
    QVERIFY(!view->showsPlaceholder());
    closeWindow();
    QVERIFY(QImage(folder_ + QStringLiteral("Kannet/2.jpg")).pixelColor(10, 10).blue() > 200);
}

void TestCovers::aBadPictureIsRefused() {
    const QString file = dir_->filePath(QStringLiteral("kansi.jpg"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a picture");
    f.close();
    gotoRelease(1);
    TForm1::coverFileChooser = [&] { return file; };
    action("ValitseKansikuva1")->trigger();
    QCOMPARE(errors_.size(), 1);
    QVERIFY2(errors_.first().contains(QStringLiteral("kansi.jpg")), qPrintable(errors_.first()));
    QVERIFY(!form_->coverView()->showsPlaceholder()); // the old cover stays
    QVERIFY(!action("Kumoa1")->isEnabled());
}

void TestCovers::aRemovedCoverIsKeptAsBackup() {
    gotoRelease(1);
    action("PoistaKansikuva1")->trigger();
    QVERIFY(form_->coverView()->showsPlaceholder());
    closeWindow();
    QVERIFY(!QFile::exists(folder_ + QStringLiteral("Kannet/1.jpg")));
    QVERIFY(QFile::exists(folder_ + QStringLiteral("Kannet/1.jpg.bak")));
}

void TestCovers::wallFollowsAndLeads() {
    action("Kansiseina1")->trigger();
    CoverWall* wall = form_->coverWall();
    QVERIFY(wall && wall->isVisible());
    QAbstractItemModelTester tester(wall->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(wall->model()->rowCount(), 3);
    // The thumbnail is made on another thread and shows when ready; the others are drawn.
    const QModelIndex first =
        wall->model()->match(wall->model()->index(0), CoverWallModel::NumRole, 1).value(0);
    QTRY_VERIFY(first.data(CoverWallModel::HasCoverRole).toBool());
    // A click makes the release current; the table's moves show on the wall.
    const QModelIndex third =
        wall->model()->match(wall->model()->index(0), CoverWallModel::NumRole, 3).value(0);
    wall->view()->setCurrentIndex(third);
    QCOMPARE(form_->LydsamDataSet.asInteger("Num"), 3);
    gotoRelease(2);
    QCOMPARE(wall->view()->currentIndex().data(CoverWallModel::NumRole).toInt(), 2);
    // Typing jumps as the artist search does; Enter opens the registration page.
    QTest::keyClicks(wall->view(), QStringLiteral("Cec"));
    QCOMPARE(form_->LydsamDataSet.asInteger("Num"), 3);
    QTest::keyClick(wall->view(), Qt::Key_Return);
    QCOMPARE(form_->activePageNumber(), 2);
    // A new cover shows on the wall too.
    form_->setCoverFromImage(sleeve(Qt::green));
    QTRY_VERIFY(third.data(CoverWallModel::HasCoverRole).toBool());
}

QTEST_MAIN(TestCovers)
#include "tst_covers.moc"
