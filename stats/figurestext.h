#pragma once

#include "figures.h"

#include <QJsonObject>
#include <QLocale>
#include <QString>

// The figures as the command line prints them: lines to read, or JSON for other programs.
namespace stats {

QString toText(const Figures& f, const QLocale& locale = QLocale());
QJsonObject toJson(const Figures& f);
// A player as a chart names them: "Name (piano, laulu)", or the name alone.
QString playerLabel(const Player& p);

} // namespace stats
