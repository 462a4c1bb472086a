// What assistive technology reads of the window: every button has a name.
#include "mainwindow/form1.h"

#include "dbaware/errorbox.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void everyButtonHasAName();
};

void TestAccessibility::everyButtonHasAName() {
    dbaware::setErrorBoxHandler([](const QString&) {});
    dbaware::setMessageHandler([](const QString&) {});
    QTemporaryDir dir;
    TForm1 form(dir.path() + QLatin1Char('/'), dir.filePath(QStringLiteral("levyholvi.INI")));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QStringList unnamed;
    int named = 0;
    for (QAbstractButton* button : form.findChildren<QAbstractButton*>()) {
        if (button->isHidden())
            continue; // the navigators' refresh, never shown
        if (qobject_cast<QAbstractItemView*>(button->parentWidget()) && !button->isEnabled())
            continue; // a grid's corner, switched off
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
        QVERIFY(a);
        if (a->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QString::fromLatin1(button->metaObject()->className()) + QLatin1Char(' ') +
                           button->objectName() + QLatin1String(" in ") +
                           button->parentWidget()->objectName();
        else
            ++named;
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1String(", "))));
    QVERIFY(named >= 54); // the toolbar's and the navigators' picture buttons at least
    dbaware::setErrorBoxHandler(nullptr);
    dbaware::setMessageHandler(nullptr);
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
