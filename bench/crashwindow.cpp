// crashwindow DIR edit|open: the main window on DIR, closed by SIGTERM as the program is; with
// "edit" each of the five tables gets one change first (a new release, which takes an archive
// number, an edited track and musician row, a new genre), so the close saves all five files
// together. Prints "ready" once the window is up.
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
        // The same rows whatever page and release the settings bring back, so that every run
        // saves the same bytes.
        engine::Table& numre = window.NumreDataSet;
        numre.setFiltered(false);
        numre.first();
        numre.edit();
        numre.setText("NrTitel", "Muutettu kappale");
        numre.post();
        engine::Table& musiker = window.MusikerDataSet;
        musiker.setFiltered(false);
        musiker.first();
        musiker.edit();
        musiker.setText("Instrument", "muutettu soitin");
        musiker.post();
        engine::Table& genre = window.GenreDataSet;
        genre.append();
        genre.setText("Genre", "Kaatumiskoe");
        genre.post();
        // The window's rule adds the new release's archive number to Arkiv.
        engine::Table& lydsam = window.LydsamDataSet;
        lydsam.append();
        lydsam.setText("Kunstner", "Kaatumiskokeen kvartetti");
        lydsam.setText("Titel", "Viimeinen tallennus");
        lydsam.post();
    }
    window.show();
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window,
                     [&window](int) { window.close(); });
    std::printf("ready\n");
    std::fflush(stdout);
    return QApplication::exec();
}
