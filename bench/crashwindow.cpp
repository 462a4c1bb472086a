// crashwindow DIR edit|open: the main window on DIR, closed by SIGTERM as the program is; with
// "edit" one track is changed first, so the close saves the tracks' file. Prints "ready" once
// the window is up.
// crashwindow check FILE...: loads each table file and prints its rows; fails on any damage.
#include "engine/table.h"
#include "mainwindow/form1.h"
#include "platform/terminationsignals.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

int check(int count, char* files[]) {
    int damaged = 0;
    for (int i = 0; i < count; ++i) {
        try {
            engine::Table t;
            t.load(files[i]);
            std::printf("%s %d\n", files[i], t.recordCount());
        } catch (const std::exception& e) {
            std::printf("%s damaged: %s\n", files[i], e.what());
            ++damaged;
        }
    }
    return damaged ? 1 : 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc >= 2 && std::strcmp(argv[1], "check") == 0)
        return check(argc - 2, argv + 2);
    if (argc != 3 || (std::strcmp(argv[2], "edit") != 0 && std::strcmp(argv[2], "open") != 0)) {
        std::fprintf(stderr, "usage: %s DIR edit|open  or  %s check FILE...\n", argv[0], argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Levyholvi"));
    QString folder = QString::fromLocal8Bit(argv[1]);
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    TForm1 window(folder, QCoreApplication::applicationFilePath() + QStringLiteral(".INI"));
    if (window.collectionOpenElsewhere() || !window.NumreDataSet.isOpen())
        return 1;
    if (std::strcmp(argv[2], "edit") == 0) {
        window.NumreDataSet.first();
        window.NumreDataSet.edit();
        window.NumreDataSet.setText("NrTitel", "Muutettu kappale");
        window.NumreDataSet.post();
    }
    window.show();
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window,
                     [&window](int) { window.close(); });
    std::printf("ready\n");
    std::fflush(stdout);
    return QApplication::exec();
}
