// Qt's own dialogs in the language of the locale: the colour dialog of the colour commands.
#include "platform/qttranslations.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTranslator>
#include <QtTest>

class TestQtTranslations : public QObject {
    Q_OBJECT

private slots:
    void colourDialog_data();
    void colourDialog();
};

void TestQtTranslations::colourDialog_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("Finnish") << QString("fi_FI") << QString("Valitse väri") << "Peru";
    QTest::newRow("no translation: English") << QString("C") << QString("Select Color") << "Cancel";
}

void TestQtTranslations::colourDialog() {
    QFETCH(QString, locale);
    QFETCH(QString, title);
    QFETCH(QString, cancel);
    QCOMPARE(platform::installQtTranslations(QLocale(locale)), locale != QStringLiteral("C"));
    QColorDialog dialog;
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(),
             cancel);
    qDeleteAll(qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly));
}

QTEST_MAIN(TestQtTranslations)
#include "tst_qttranslations.moc"
