// What assistive technology reads of the window: every control that takes input has a name.
#include "mainwindow/form1.h"

#include "dbaware/errorbox.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void everyControlHasAName();
};

void TestAccessibility::everyControlHasAName() {
    dbaware::setErrorBoxHandler([](const QString&) {});
    dbaware::setMessageHandler([](const QString&) {});
    QTemporaryDir dir;
    TForm1 form(dir.path() + QLatin1Char('/'), dir.filePath(QStringLiteral("levyholvi.INI")));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QStringList unnamed;
    int named = 0;
    const auto takesInput = [](QWidget* w) {
        return qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
               qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QComboBox*>(w) ||
               qobject_cast<QAbstractItemView*>(w);
    };
    for (QWidget* w : form.findChildren<QWidget*>()) {
        // Hidden for good (the navigators' refresh, the edits that only carry values), or a
        // part of another control (a grid's corner, switched off; a list box's drop-down).
        if (!takesInput(w) || w->isHidden() || w->window() != &form ||
            qobject_cast<QComboBox*>(w->parentWidget()) ||
            qobject_cast<QAbstractItemView*>(w->parentWidget()))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        QVERIFY(a);
        if (a->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') +
                           w->objectName();
        else
            ++named;
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1String(", "))));
    QVERIFY2(named >= 54 + 17 + 5, qPrintable(QString::number(named))); // buttons, edits, grids
    dbaware::setErrorBoxHandler(nullptr);
    dbaware::setMessageHandler(nullptr);
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
