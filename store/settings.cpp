#include "settings.h"

#include "platform/inifile.h"

namespace store {

namespace {
const QString kStartup = QStringLiteral("Startup");
const QString kFaneblad = QStringLiteral("Faneblad");
} // namespace

Settings readSettings(const TIniFile& ini) {
    Settings s;
    s.num = ini.readInteger(kStartup, QStringLiteral("Num"), 0);
    s.side = ini.readInteger(kFaneblad, QStringLiteral("Side"), 1);
    s.bgColor = ini.readInteger(kStartup, QStringLiteral("BgColor"), kDefaultBackground);
    s.txColor = ini.readInteger(kStartup, QStringLiteral("TxColor"), kDefaultText);
    // A negative value names a system colour, which can make the text invisible.
    if (s.bgColor < 0)
        s.bgColor = kDefaultBackground;
    if (s.txColor < 0)
        s.txColor = kDefaultText;
    return s;
}

void writeSettings(TIniFile& ini, const Settings& s) {
    ini.setInteger(kStartup, QStringLiteral("Num"), s.num);
    ini.setInteger(kStartup, QStringLiteral("TxColor"), s.txColor);
    ini.setInteger(kFaneblad, QStringLiteral("Side"), s.side);
    ini.setInteger(kStartup, QStringLiteral("BgColor"), s.bgColor);
    ini.updateFile();
}

int pageForSide(int side) {
    return side >= 2 && side <= 5 ? side : 1;
}

} // namespace store
