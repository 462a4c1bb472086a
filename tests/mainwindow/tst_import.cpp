// The window's import: its rows shown at once and saved at close; a failure adds nothing.
// The submenu's items are checked with the other menus (tst_form1layout).
#include "collectionfiles.h"
#include "dbaware/errorbox.h"
#include "mainwindow/form1.h"
#include "mainwindow/sessionend.h"

#include <QFile>
#include <QLabel>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <utility>

class TestImport : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void discogsRowsShowAtOnceAndSaveAtClose();
    void failedImportShowsErrorAndAddsNothing();
    void closeDuringTheImportWaitsForIt_data();
    void closeDuringTheImportWaitsForIt();

private:
    QString writeDiscogsExport(int releases = 2);
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    QStringList errors_, messages_;
};

void TestImport::init() {
    errors_.clear();
    messages_.clear();
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
    dbaware::setMessageHandler([this](const QString& m) { messages_ << m; });
    dir_ = std::make_unique<QTemporaryDir>();
    const QString folder = dir_->path() + QLatin1Char('/');
    writeTable(folder, "Lydsam", [](engine::Table& t) {
        t.append();
        t.setText("Kunstner", "Cecilia");
        t.setText("Num", "1");
        t.post();
    });
    form_ = std::make_unique<TForm1>(folder, dir_->filePath("levyholvi.INI"));
    form_->show();
}

void TestImport::cleanup() {
    form_.reset();
    dir_.reset();
    TForm1::importChooser = nullptr;
    dbaware::setErrorBoxHandler(nullptr);
    dbaware::setMessageHandler(nullptr);
}

QString TestImport::writeDiscogsExport(int releases) {
    const QString path = dir_->filePath("export.csv");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("Catalog#,Artist,Title,Label,Format,Rating,Released,release_id,CollectionFolder\n"
            "1,Bertta,Syksy,L,CD,,,11,Jazz\n2,Aino,Kevät,L,LP,,,12,Jazz\n");
    for (int i = 3; i <= releases; ++i)
        f.write(QStringLiteral("%1,Aino,Levy %1,L,CD,,,%2,Jazz\n").arg(i).arg(i + 10).toUtf8());
    return path;
}

void TestImport::discogsRowsShowAtOnceAndSaveAtClose() {
    const QString path = writeDiscogsExport();
    TForm1::importChooser = [&](exchange::Source s) {
        return s == exchange::Source::Discogs ? std::optional<TForm1::ImportChoice>({path, true})
                                              : std::nullopt;
    };
    form_->findChild<QAction*>("TuoDiscogs1")->trigger();
    QCOMPARE(errors_, QStringList());
    QCOMPARE(messages_, QStringList{"2 levyä, 0 kappaletta, 0 muusikkoa tuotu; 0 ohitettu"});
    QCOMPARE(form_->findChild<QLabel*>("Label20")->text(), QString("3"));
    QCOMPARE(shown(form_->LydsamDataSet, "Kunstner"), (QStringList{"Aino", "Bertta", "Cecilia"}));
    QCOMPARE(shown(form_->GenreDataSet, "Genre"), QStringList{"Jazz"});

    QVERIFY(form_->close());
    engine::Table saved;
    saved.load((dir_->path() + "/Lydsam.dat").toStdString());
    QCOMPARE(saved.recordCount(), 3);
}

void TestImport::failedImportShowsErrorAndAddsNothing() {
    TForm1::importChooser = [&](exchange::Source) {
        return std::optional<TForm1::ImportChoice>({dir_->filePath("missing.csv"), false});
    };
    form_->findChild<QAction*>("TuoDiscogs1")->trigger();
    QCOMPARE(errors_.size(), 1);
    QVERIFY(errors_[0].contains("missing.csv"));
    QCOMPARE(messages_, QStringList());
    QCOMPARE(form_->LydsamDataSet.changeCount(), 0);
}

void TestImport::closeDuringTheImportWaitsForIt_data() {
    QTest::addColumn<bool>("bySession");
    QTest::newRow("logout or termination signal") << true;
    QTest::newRow("the user's close") << false;
}

// The progress lets events through while the source is read; a close that comes then must not
// save (and end) before the rows are in. The session's close may cancel the import instead.
void TestImport::closeDuringTheImportWaitsForIt() {
    QFETCH(bool, bySession);
    const QString path = writeDiscogsExport(600);
    const int delay = std::exchange(TForm1::importProgressDelayMs, 0);
    const auto restore = qScopeGuard([&] { TForm1::importProgressDelayMs = delay; });
    TForm1::importChooser = [&](exchange::Source) {
        return std::optional<TForm1::ImportChoice>({path, false});
    };
    QTimer::singleShot(0, form_.get(), [&] {
        if (bySession)
            closeForSessionEnd(form_.get());
        else
            form_->close();
    });
    form_->findChild<QAction*>("TuoDiscogs1")->trigger();
    QTRY_VERIFY(!form_->isVisible());
    QCOMPARE(errors_, QStringList());
    engine::Table saved;
    saved.load((dir_->path() + "/Lydsam.dat").toStdString());
    // All of it, or (the session's close having cancelled it) none.
    QVERIFY2(saved.recordCount() == 601 || (bySession && saved.recordCount() == 1),
             qPrintable(QString::number(saved.recordCount())));
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
