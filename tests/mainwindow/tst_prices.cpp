// A price in the window under two locales: typed into the registration page's price edit,
// shown there and in the overview grid's "Hinta" column.
#include "mainwindow/form1.h"

#include "dbaware/errorbox.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestPrices : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void typedPriceShowsInTheLocalesFormat_data();
    void typedPriceShowsInTheLocalesFormat();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    QStringList errors_;
};

void TestPrices::init() {
    errors_.clear();
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    form_ = std::make_unique<TForm1>(dir_->path() + QLatin1Char('/'),
                                     dir_->filePath(QStringLiteral("levyholvi.INI")));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void TestPrices::cleanup() {
    form_.reset();
    dir_.reset();
    dbaware::setErrorBoxHandler(nullptr);
    QLocale::setDefault(QLocale::system());
}

void TestPrices::typedPriceShowsInTheLocalesFormat_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("edited");
    QTest::newRow("fi_FI") << "fi_FI"
                           << "12,50\u00a0€"
                           << "12,5";
    QTest::newRow("en_US") << "en_US"
                           << "$12.50"
                           << "12.5";
}

void TestPrices::typedPriceShowsInTheLocalesFormat() {
    QFETCH(QString, locale);
    QFETCH(QString, shown);
    QFETCH(QString, edited);
    QLocale::setDefault(QLocale(locale));
    engine::Table& releases = form_->LydsamDataSet;
    releases.append();
    releases.setText("Titel", "Sininen hetki");
    releases.setText("Pris", "45");
    releases.post();
    form_->selectPage(form_->findChild<QWidget*>(QStringLiteral("TabSheet2")));

    auto* edit = form_->findChild<QLineEdit*>(QStringLiteral("DBEdit6"));
    QVERIFY(edit);
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &in);
    edit->selectAll();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("12,5"));
    QApplication::sendEvent(edit, &typed);
    QTest::keyClick(edit, Qt::Key_Return);
    releases.post();
    QCOMPARE(QString::fromStdString(releases.asText("Pris")), QStringLiteral("12.5"));
    QCOMPARE(edit->text(), edited);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &out);
    QCOMPARE(edit->text(), shown);

    auto* grid = form_->findChild<QAbstractItemView*>(QStringLiteral("DBGrid1"));
    QVERIFY(grid);
    const QAbstractItemModel* model = grid->model();
    int column = 0;
    while (column < model->columnCount() &&
           model->headerData(column, Qt::Horizontal).toString() != QStringLiteral("Hinta"))
        ++column;
    QCOMPARE(model->index(0, column).data().toString(), shown);
    QVERIFY(errors_.isEmpty());
}

QTEST_MAIN(TestPrices)
#include "tst_prices.moc"
