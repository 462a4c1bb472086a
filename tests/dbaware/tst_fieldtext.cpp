// A price typed into the bound edit under two locales, then shown by the edit and the grid:
// the currency format, and a plain number while edited. A value that is no number.
#include "dbaware/datasource.h"
#include "dbaware/dbedit.h"
#include "dbaware/errorbox.h"
#include "dbaware/gridmodel.h"
#include "store/collection.h"

#include <QAbstractItemModelTester>
#include <QtTest>

class TestFieldText : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void typedPrice_data();
    void typedPrice();

private:
    engine::Table releases_;
    QWidget* form_ = nullptr;
    TDBEdit* edit_ = nullptr;
    TGridModel* grid_ = nullptr;
    QStringList errors_;
};

void TestFieldText::init() {
    store::CreateLydsamTable(releases_);
    releases_.append();
    releases_.setText("Pris", "45");
    releases_.post();
    form_ = new QWidget;
    auto* source = new TDataSource(form_);
    source->setDataSet(&releases_);
    edit_ = new TDBEdit(form_);
    edit_->setDataSource(source);
    edit_->setDataField(QStringLiteral("Pris"));
    grid_ = new TGridModel(form_);
    grid_->setDataSource(source);
    grid_->setColumns({{QStringLiteral("Pris"), QStringLiteral("Hinta")}});
    new QAbstractItemModelTester(grid_, QAbstractItemModelTester::FailureReportingMode::QtTest,
                                 form_);
    errors_.clear();
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
}

void TestFieldText::cleanup() {
    delete form_;
    dbaware::setErrorBoxHandler(nullptr);
    QLocale::setDefault(QLocale::system());
}

namespace {

void row(const char* name, const char* locale, const char* typed, const char* stored,
         const char* shown, const char* edited, const char* error = "") {
    QTest::newRow(name) << QString::fromUtf8(locale) << QString::fromUtf8(typed)
                        << QString::fromUtf8(stored) << QString::fromUtf8(shown)
                        << QString::fromUtf8(edited) << QString::fromUtf8(error);
}

} // namespace

void TestFieldText::typedPrice_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored"); // the engine's text
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("edited");
    QTest::addColumn<QString>("error");
    row("fi: decimal comma", "fi_FI", "12,5", "12.5", "12,50\u00a0€", "12,5");
    row("en: decimal comma", "en_US", "12,5", "12.5", "$12.50", "12.5");
    row("fi: point and symbol, grouped only when shown", "fi_FI", "1234.50 €", "1234.5",
        "1\u00a0234,50\u00a0€", "1234,5");
    row("en: symbol first, blanks around", "en_US", " $1234.5 ", "1234.5", "$1,234.50", "1234.5");
    row("fi: the locale's minus", "fi_FI", "\u221212,5", "-12.5", "\u221212,50\u00a0€",
        "\u221212,5");
    row("en: blanks empty the price", "en_US", "  ", "", "", "");
    row("fi: another currency", "fi_FI", "12,50 $", "45", "45,00\u00a0€", "45",
        "'12,50 $' is not a valid floating point value.");
    row("en: words", "en_US", "twelve", "45", "$45.00", "45",
        "'twelve' is not a valid floating point value.");
}

void TestFieldText::typedPrice() {
    QFETCH(QString, locale);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(QString, edited);
    QFETCH(QString, error);
    QLocale::setDefault(QLocale(locale));
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(edit_, &in);
    edit_->selectAll();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed); // any character
    QApplication::sendEvent(edit_, &key);
    QTest::keyClick(edit_, Qt::Key_Return);
    // The error box takes the focus away with its window: that is not leaving the control.
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(edit_, &away);
    QCOMPARE(errors_, error.isEmpty() ? QStringList() : QStringList{error});
    QCOMPARE(QString::fromStdString(releases_.asText("Pris")), stored);
    error.isEmpty() ? releases_.post() : releases_.cancel();

    QCOMPARE(edit_->text(), edited);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit_, &out);
    QCOMPARE(edit_->text(), shown);
    const QModelIndex cell = grid_->index(0, 0);
    QCOMPARE(cell.data(Qt::DisplayRole).toString(), shown);
    QCOMPARE(cell.data(Qt::EditRole).toString(), edited);
    // A cell left as it opened changes nothing.
    releases_.edit();
    QVERIFY(grid_->setData(cell, edited, Qt::EditRole));
    QVERIFY(!releases_.modified());
}

QTEST_MAIN(TestFieldText)
#include "tst_fieldtext.moc"
