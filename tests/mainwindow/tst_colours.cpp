// The text and background colour commands: what they colour, cancel, and the dialog's start.
#include "mainwindow/form1.h"

#include "dbaware/controlcolors.h"
#include "dbaware/errorbox.h"
#include "store/collection.h"

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <map>
#include <memory>

namespace {

// The controls both commands colour: bound edits (hidden ones too), memos, grids, the three
// plain boxes and the two genre lists.
const QStringList kColoured = {
    "DBEdit1", "DBEdit2", "DBEdit3", "DBEdit4",  "DBEdit5",           "DBEdit6",
    "DBEdit7", "DBEdit8", "DBEdit9", "DBEdit10", "DBEdit12",          "DBMemo1",
    "DBMemo2", "DBMemo3", "DBGrid1", "DBGrid2",  "DBGrid3",           "DBGrid4",
    "DBGrid5", "Find",    "Edit1",   "Edit2",    "DBLookupComboBox1", "DBLookupComboBox2",
};

// A coloured control or a part of one (its popup list too, a window of its own).
bool insideColoured(const QWidget* w, const QList<QWidget*>& coloured) {
    for (; w; w = w->parentWidget())
        if (coloured.contains(w))
            return true;
    return false;
}

// How far a colour is from another, channel by channel.
int distance(const QColor& a, const QColor& b) {
    return qMax(qAbs(a.red() - b.red()),
                qMax(qAbs(a.green() - b.green()), qAbs(a.blue() - b.blue())));
}

} // namespace

class TestColours : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commandColoursDataControlsOnly_data();
    void commandColoursDataControlsOnly();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void dialogStartsOnLastChoice();
    void genreListsShowTheChosenColours();

private:
    std::map<QWidget*, QPalette> palettes() const {
        std::map<QWidget*, QPalette> out;
        for (QWidget* w : form_->findChildren<QWidget*>())
            out[w] = w->palette();
        return out;
    }
    void trigger(const char* action) {
        auto* a = form_->findChild<QAction*>(QLatin1String(action));
        QVERIFY(a);
        a->trigger();
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    QStringList errors_;
    QList<QColor> initials_; // what the dialog was started on, each time
    QColor answer_;          // what the dialog gives back; invalid for cancel
};

void TestColours::init() {
    errors_.clear();
    initials_.clear();
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
    TForm1::colorChooser = [this](const QColor& initial) {
        initials_ << initial;
        return answer_;
    };
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    form_ = std::make_unique<TForm1>(dir_->path() + QLatin1Char('/'),
                                     dir_->filePath(QStringLiteral("levyholvi.INI")));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void TestColours::cleanup() {
    form_.reset();
    dir_.reset();
    TForm1::colorChooser = nullptr;
    dbaware::setErrorBoxHandler(nullptr);
}

void TestColours::commandColoursDataControlsOnly_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("text");
    QTest::newRow("text colour") << "Tekst1" << true;
    QTest::newRow("background colour") << "Felter1" << false;
}

void TestColours::commandColoursDataControlsOnly() {
    QFETCH(QString, action);
    QFETCH(bool, text);
    QList<QWidget*> coloured;
    for (const QString& name : kColoured) {
        auto* w = form_->findChild<QWidget*>(name);
        QVERIFY2(w, qPrintable(name));
        coloured << w;
    }
    const auto before = palettes();
    answer_ = QColor(200, 30, 60);
    trigger(action.toLatin1().constData());

    for (QWidget* w : coloured) {
        const QColor now = text ? dbaware::textColor(w) : dbaware::backgroundColor(w);
        QVERIFY2(now == answer_, qPrintable(w->objectName()));
        // The other colour stays.
        const QColor other = text ? dbaware::backgroundColor(w) : dbaware::textColor(w);
        const QColor otherBefore = before.at(w).color(text ? QPalette::Base : QPalette::Text);
        QVERIFY2(other == otherBefore, qPrintable(w->objectName()));
    }
    // Labels, field texts, the medium group, navigators, panels, buttons, the toolbar and the
    // title keep every colour they had.
    for (const auto& [w, palette] : before) {
        if (insideColoured(w, coloured))
            continue;
        QVERIFY2(w->palette() == palette, qPrintable(w->objectName() + QLatin1Char(' ') +
                                                     QLatin1String(w->metaObject()->className())));
    }
    QCOMPARE(errors_, QStringList());
}

void TestColours::cancelChangesNothing_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("text colour") << "Tekst1";
    QTest::newRow("background colour") << "Felter1";
}

void TestColours::cancelChangesNothing() {
    QFETCH(QString, action);
    answer_ = QColor(0, 0, 255);
    trigger("Tekst1");
    trigger("Felter1");
    const auto before = palettes();
    answer_ = QColor();
    trigger(action.toLatin1().constData());
    QCOMPARE(initials_.size(), 3);
    for (const auto& [w, palette] : before)
        QVERIFY2(w->palette() == palette, qPrintable(w->objectName()));
}

void TestColours::dialogStartsOnLastChoice() {
    auto* edit = form_->findChild<QWidget*>(QStringLiteral("DBEdit1"));
    // Where it stands after start-up: the settings' defaults, black on light cyan.
    QCOMPARE(dbaware::textColor(edit), QColor(0, 0, 0));
    answer_ = QColor(255, 0, 0);
    trigger("Tekst1");
    answer_ = QColor(0, 0, 128);
    trigger("Felter1");
    answer_ = QColor();
    trigger("Tekst1");
    trigger("Felter1");
    answer_ = QColor(0, 128, 0);
    trigger("Tekst1");
    trigger("Tekst1");
    QCOMPARE(initials_, (QList<QColor>{QColor(0, 0, 0), QColor(128, 255, 255), QColor(255, 0, 0),
                                       QColor(0, 0, 128), QColor(255, 0, 0), QColor(0, 128, 0)}));
}

// The lists cannot be typed into; the style paints their face as a button.
void TestColours::genreListsShowTheChosenColours() {
    auto* pages = form_->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    auto* combo = form_->findChild<QComboBox*>(QStringLiteral("DBLookupComboBox2"));
    form_->selectPage(pages->widget(4));
    form_->GenreDataSet.append(); // text to find on the face
    form_->GenreDataSet.setText("Genre", "WWWWWWWW");
    form_->GenreDataSet.post();
    combo->setCurrentIndex(0);
    QCOMPARE(combo->currentText(), "WWWWWWWW");
    answer_ = QColor(0, 0, 160);
    trigger("Felter1");
    answer_ = QColor(255, 255, 0);
    trigger("Tekst1");
    const QImage face = combo->grab().toImage();
    int background = 0;
    int text = 0;
    for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x) {
            const QColor c = face.pixelColor(x, y);
            // The style shades the face; the chosen blue still dominates it.
            background += c.blue() - qMax(c.red(), c.green()) > 100;
            text += distance(c, QColor(255, 255, 0)) <= 60;
        }
    }
    QVERIFY2(background > face.width() * face.height() / 2,
             qPrintable(QString::number(background)));
    QVERIFY2(text > 10, qPrintable(QString::number(text)));
}

QTEST_MAIN(TestColours)
#include "tst_colours.moc"
