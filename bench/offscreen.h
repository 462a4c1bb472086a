#pragma once

#include "benchdata.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <exception>

// What the benchmarks of real windows share: Qt offscreen, and their main().
namespace offscreen {

inline QtMessageHandler& previousHandler() {
    static QtMessageHandler handler = nullptr;
    return handler;
}

// The offscreen platform warns about every top-level window; that says nothing about ours.
inline void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains(QLatin1String("propagateSizeHints")) && previousHandler())
        previousHandler()(type, context, text);
}

// Before the QApplication is made.
inline void useOffscreenQt() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler() = qInstallMessageHandler(quietMessages);
}

// main() of a benchmark taking [releases]: run(releases) under an offscreen QApplication, whose
// events it may pump; a failure is printed under the benchmark's name.
inline int benchMain(int argc, char* argv[], const char* name, int (*run)(int releases)) {
    useOffscreenQt();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int releases = args.size() >= 2 ? args[1].toInt() : benchdata::kDefaultReleases;
    if (releases <= 0 || args.size() > 2) {
        std::fprintf(stderr, "usage: %s [releases]\n", argv[0]);
        return 2;
    }
    try {
        return run(releases);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", name, e.what());
        return 1;
    }
}

} // namespace offscreen
