#include "startoptions.h"

namespace platform {

StartAction startAction(const QStringList& arguments) {
    for (const QString& a : arguments) {
        // "--" and the first plain argument end the options; so does a lone "-".
        if (a == u"--" || !a.startsWith(u'-') || a == u"-")
            break;
        if (a == u"--help" || a == u"-h")
            return StartAction::Help;
        if (a == u"--version" || a == u"-v")
            return StartAction::Version;
    }
    return StartAction::Run;
}

QString startHelpText(const QString& program) {
    return QStringLiteral("Käyttö: %1 [VALINTA] [KANSIO]\n"
                          "Levyholvi, äänitekokoelman tietokanta.\n"
                          "\n"
                          "  KANSIO          kokoelman kansio (Lydsam.dat, Numre.dat, ...); "
                          "ilman sitä\n"
                          "                  ohjelman oma kansio tai käyttäjän datakansio\n"
                          "  -h, --help      näyttää tämän ohjeen\n"
                          "  -v, --version   näyttää version\n")
        .arg(program);
}

} // namespace platform
