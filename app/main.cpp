// The program entry: splash, application title, help file, main window, print layouts,
// message loop.
#include "extras/splash.h"
#include "mainwindow/form1.h"
#include "mainwindow/sessionend.h"
#include "platform/helpviewer.h"
#include "platform/paths.h"
#include "platform/qttranslations.h"
#include "platform/startoptions.h"
#include "platform/terminationsignals.h"
#include "report/replistform.h"
#include "report/replistform1.h"
#include "store/collection.h"

#include "levyholvi_version.h"

#include <QApplication>
#include <QLocale>
#include <QSessionManager>

#include <cstdio>

int main(int argc, char* argv[]) {
    // --help and --version answer before any window exists, so they work without a display.
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given.append(QString::fromLocal8Bit(argv[i]));
    switch (platform::startAction(given)) {
    case platform::StartAction::Help:
        std::fputs(platform::startHelpText(QString::fromLocal8Bit(argv[0])).toLocal8Bit(), stdout);
        return 0;
    case platform::StartAction::Version:
        std::puts("Levyholvi " LEVYHOLVI_VERSION);
        return 0;
    case platform::StartAction::Run:
        break;
    }

    QApplication app(argc, argv);
    // Qt's own dialogs and buttons speak the user's language, English where Qt has no
    // translation; the program's own captions are the layout's whatever the locale.
    platform::installQtTranslations(QLocale::system());
    QCoreApplication::setApplicationVersion(QStringLiteral(LEVYHOLVI_VERSION));
    // Ties the windows to the installed desktop entry (Wayland app id, task bar icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.levyholvi.Levyholvi"));

    // Shown and painted before anything else is set up; it removes itself once the main
    // window is active.
    auto* splash = new TKvaril;
    splash->showNow();

    // No display name: Qt would append it to every window caption.
    QApplication::setApplicationName(QStringLiteral("Levyholvi"));
    platform::setHelpFile(QCoreApplication::applicationDirPath() + QStringLiteral("/Lydsam.hlp"));

    const QString exe = QCoreApplication::applicationFilePath();
    std::vector<std::string> args;
    QStringList plain = app.arguments().mid(1);
    if (!plain.isEmpty() && plain.first() == u"--")
        plain.removeFirst(); // "--" only marks that the folder's name may begin with a dash
    for (const QString& a : plain)
        args.push_back(a.toStdString());
    const std::string folder =
        store::dataFolder(args, platform::programDataFolder(exe).toStdString());

    TForm1 Form1(QString::fromStdString(folder), platform::settingsFilePath(exe));
    if (Form1.collectionOpenElsewhere())
        return 1;
    // The print layouts work on the window's tables and last as long as the window.
    TRepListForm RepListForm(&Form1.LydsamDataSet);
    TRepListForm1 RepListForm1(&Form1.MusikerDataSet);
    Form1.setReportLayouts(&RepListForm, &RepListForm1);
    Form1.show();
    Form1.activateWindow();

    // Logout, system shutdown and termination signals close the window the normal way, so
    // the changes are saved, also while a dialog or a preview is open.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &Form1,
                     [&Form1](int) { closeForSessionEnd(&Form1); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &Form1,
                     [&Form1](QSessionManager&) { closeForSessionEnd(&Form1); });

    return QApplication::exec();
}
