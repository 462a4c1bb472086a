// Prices in the bound edit and the grid under two locales: the currency format when shown, a
// plain number while edited; what users type for a price, and a price that is no number.
#include "dbaware/datasource.h"
#include "dbaware/dbedit.h"
#include "dbaware/errorbox.h"
#include "dbaware/gridmodel.h"
#include "engine/table.h"
#include "store/collection.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using engine::TableState;

namespace {

// Typed as one key, so that any character can be typed.
void type(QWidget* w, const QString& text) {
    QKeyEvent event(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(w, &event);
}

void sendFocus(QWidget* w, QEvent::Type type, Qt::FocusReason reason = Qt::TabFocusReason) {
    QFocusEvent event(type, reason);
    QApplication::sendEvent(w, &event);
}

} // namespace

class TestFieldText : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void priceShows_data();
    void priceShows();
    void typedPrice_data();
    void typedPrice();
    void badPriceIsReportedOncePerLeaving();

private:
    void setPrice(const char* price);
    QString price() const { return QString::fromStdString(releases_.asText("Pris")); }

    engine::Table releases_;
    QWidget* form_ = nullptr;
    TDataSource* source_ = nullptr;
    TDBEdit* edit_ = nullptr;
    TGridModel* grid_ = nullptr;
    QStringList errors_;
};

void TestFieldText::init() {
    store::CreateLydsamTable(releases_);
    releases_.append();
    releases_.setText("Titel", "Arrival");
    releases_.post();
    form_ = new QWidget;
    source_ = new TDataSource(form_);
    source_->setDataSet(&releases_);
    edit_ = new TDBEdit(form_);
    edit_->setDataSource(source_);
    edit_->setDataField(QStringLiteral("Pris"));
    grid_ = new TGridModel(form_);
    grid_->setDataSource(source_);
    grid_->setColumns({{QStringLiteral("Pris"), QStringLiteral("Hinta")}});
    new QAbstractItemModelTester(grid_, QAbstractItemModelTester::FailureReportingMode::QtTest,
                                 form_);
    errors_.clear();
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
}

void TestFieldText::cleanup() {
    delete form_;
    form_ = nullptr;
    dbaware::setErrorBoxHandler(nullptr);
    QLocale::setDefault(QLocale::system());
}

void TestFieldText::setPrice(const char* price) {
    releases_.edit();
    releases_.setText("Pris", price);
    releases_.post();
}

void TestFieldText::priceShows_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("edited");
    QTest::newRow("fi: two decimals, symbol after") << "fi_FI"
                                                    << "12.5"
                                                    << "12,50\u00a0€"
                                                    << "12,5";
    QTest::newRow("en: symbol first") << "en_US"
                                      << "12.5"
                                      << "$12.50"
                                      << "12.5";
    QTest::newRow("fi: whole number") << "fi_FI"
                                      << "45"
                                      << "45,00\u00a0€"
                                      << "45";
    QTest::newRow("fi: thousands grouped only when shown") << "fi_FI"
                                                           << "1234.5"
                                                           << "1\u00a0234,50\u00a0€"
                                                           << "1234,5";
    QTest::newRow("en: thousands grouped only when shown") << "en_US"
                                                           << "1234.5"
                                                           << "$1,234.50"
                                                           << "1234.5";
    QTest::newRow("fi: cents rounded only when shown") << "fi_FI"
                                                       << "7.999"
                                                       << "8,00\u00a0€"
                                                       << "7,999";
    QTest::newRow("en: no price") << "en_US"
                                  << ""
                                  << ""
                                  << "";
}

void TestFieldText::priceShows() {
    QFETCH(QString, locale);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(QString, edited);
    QLocale::setDefault(QLocale(locale));
    setPrice(stored.toUtf8().constData());

    QCOMPARE(edit_->text(), shown);
    sendFocus(edit_, QEvent::FocusIn);
    QCOMPARE(edit_->text(), edited);
    sendFocus(edit_, QEvent::FocusOut);
    QCOMPARE(edit_->text(), shown);
    QCOMPARE(releases_.state(), TableState::Browse); // looking is not editing

    const QModelIndex cell = grid_->index(0, 0);
    QCOMPARE(grid_->data(cell, Qt::DisplayRole).toString(), shown);
    QCOMPARE(grid_->data(cell, Qt::EditRole).toString(), edited);
    // An editor closed on the edit text it opened with changes nothing.
    releases_.edit();
    QVERIFY(grid_->setData(cell, edited, Qt::EditRole));
    QVERIFY(!releases_.modified());
    releases_.cancel();
}

void TestFieldText::typedPrice_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored"); // the engine's text afterwards
    QTest::addColumn<QString>("error");
    QTest::newRow("fi: decimal comma") << "fi_FI"
                                       << "12,5"
                                       << "12.5"
                                       << "";
    QTest::newRow("fi: decimal point") << "fi_FI"
                                       << "12.50"
                                       << "12.5"
                                       << "";
    QTest::newRow("fi: with the symbol") << "fi_FI"
                                         << "12,50 €"
                                         << "12.5"
                                         << "";
    QTest::newRow("fi: the shown text pasted back") << "fi_FI"
                                                    << "12,50\u00a0€"
                                                    << "12.5"
                                                    << "";
    QTest::newRow("fi: blanks around") << "fi_FI"
                                       << " 12 "
                                       << "12"
                                       << "";
    QTest::newRow("fi: the edit text of a negative price") << "fi_FI"
                                                           << "\u221212,5"
                                                           << "-12.5"
                                                           << "";
    QTest::newRow("en: symbol first") << "en_US"
                                      << "$12.50"
                                      << "12.5"
                                      << "";
    QTest::newRow("en: minus before the symbol") << "en_US"
                                                 << "-$12.50"
                                                 << "-12.5"
                                                 << "";
    QTest::newRow("en: decimal comma") << "en_US"
                                       << "12,50"
                                       << "12.5"
                                       << "";
    QTest::newRow("fi: blanks only empty the price") << "fi_FI"
                                                     << "  "
                                                     << ""
                                                     << "";
    QTest::newRow("fi: another currency") << "fi_FI"
                                          << "12,50 $"
                                          << "45"
                                          << "'12,50 $' is not a valid floating point value.";
    QTest::newRow("en: words") << "en_US"
                               << "twelve"
                               << "45"
                               << "'twelve' is not a valid floating point value.";
    QTest::newRow("en: symbol alone") << "en_US"
                                      << "$"
                                      << "45"
                                      << "'$' is not a valid floating point value.";
}

void TestFieldText::typedPrice() {
    QFETCH(QString, locale);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(QString, error);
    QLocale::setDefault(QLocale(locale));
    const QStringList errors = error.isEmpty() ? QStringList() : QStringList{error};

    // Typed into the edit.
    setPrice("45");
    sendFocus(edit_, QEvent::FocusIn);
    edit_->selectAll();
    type(edit_, typed);
    QTest::keyClick(edit_, Qt::Key_Return);
    QCOMPARE(errors_, errors);
    QCOMPARE(price(), stored);
    if (!error.isEmpty())
        QCOMPARE(edit_->text(), typed); // left for correction
    releases_.cancel();
    QCOMPARE(price(), QStringLiteral("45"));

    // Typed into the grid's cell.
    errors_.clear();
    releases_.edit();
    QCOMPARE(grid_->setData(grid_->index(0, 0), typed, Qt::EditRole), error.isEmpty());
    QCOMPARE(errors_, errors);
    QCOMPARE(price(), stored);
    releases_.cancel();
}

void TestFieldText::badPriceIsReportedOncePerLeaving() {
    QLocale::setDefault(QLocale(QStringLiteral("fi_FI")));
    setPrice("45");
    sendFocus(edit_, QEvent::FocusIn);
    edit_->selectAll();
    type(edit_, QStringLiteral("kaksi"));
    QTest::keyClick(edit_, Qt::Key_Return);
    QCOMPARE(errors_.size(), 1);
    // The error box takes the focus with its window; it comes back to the same input.
    sendFocus(edit_, QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    sendFocus(edit_, QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(edit_->text(), QStringLiteral("kaksi"));
    // Leaving the control tries again.
    sendFocus(edit_, QEvent::FocusOut);
    QCOMPARE(errors_.size(), 2);
    QCOMPARE(price(), QStringLiteral("45"));
}

QTEST_MAIN(TestFieldText)
#include "tst_fieldtext.moc"
