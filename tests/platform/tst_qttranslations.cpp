// Qt's own dialogs in the language of the locale: the colour dialog the colour commands open.
#include "platform/qttranslations.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTranslator>
#include <QtTest>

class TestQtTranslations : public QObject {
    Q_OBJECT

private slots:
    void colourDialogSpeaksTheLocalesLanguage_data();
    void colourDialogSpeaksTheLocalesLanguage();
};

void TestQtTranslations::colourDialogSpeaksTheLocalesLanguage_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("translated");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("Finnish") << "fi_FI" << true << "Valitse väri"
                             << "Peru";
    QTest::newRow("Danish") << "da_DK" << true << "Vælg farve"
                            << "Annuller";
    QTest::newRow("no translation: English") << "C" << false << "Select Color"
                                             << "Cancel";
}

void TestQtTranslations::colourDialogSpeaksTheLocalesLanguage() {
    QFETCH(QString, locale);
    QFETCH(bool, translated);
    QFETCH(QString, title);
    QFETCH(QString, cancel);
    QCOMPARE(platform::installQtTranslations(QLocale(locale)), translated);
    const auto restore = qScopeGuard([] {
        for (auto* t : qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly))
            delete t;
    });
    QColorDialog dialog;
    QCOMPARE(dialog.windowTitle(), title);
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QVERIFY(buttons);
    QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), cancel);
}

QTEST_MAIN(TestQtTranslations)
#include "tst_qttranslations.moc"
