#include "figurestext.h"

#include <QJsonArray>
#include <QStringList>

namespace stats {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

void section(QStringList& lines, const char* title, const std::vector<Count>& counts) {
    lines << QString::fromUtf8(title);
    for (const Count& c : counts)
        lines << QStringLiteral("  %1: %2").arg(q(c.name)).arg(c.n);
}

QJsonArray counts(const std::vector<Count>& v) {
    QJsonArray a;
    for (const Count& c : v)
        a.append(QJsonObject{{QStringLiteral("name"), q(c.name)},
                             {QStringLiteral("count"), static_cast<qint64>(c.n)}});
    return a;
}

} // namespace

QString playerLabel(const Player& p) {
    QStringList instruments;
    for (const std::string& i : p.instruments)
        instruments << q(i);
    return instruments.isEmpty()
               ? q(p.name)
               : QStringLiteral("%1 (%2)").arg(q(p.name), instruments.join(QStringLiteral(", ")));
}

QString toText(const Figures& f, const QLocale& locale) {
    QStringList lines{QStringLiteral("Levyjä: %1").arg(f.releases),
                      QStringLiteral("Kappaleita: %1").arg(f.tracks),
                      QStringLiteral("Muusikkomerkintöjä: %1").arg(f.credits),
                      QStringLiteral("Kappaleita ilman levyä: %1").arg(f.tracksWithoutRelease),
                      QStringLiteral("Arvo: %1").arg(locale.toCurrencyString(f.value))};
    section(lines, "Media:", f.perMedium);
    section(lines, "Musiikkityypit:", f.perGenre);
    section(lines, "Äänitetty vuosikymmenittäin:", f.perDecade);
    section(lines, "Hankittu vuosittain:", f.boughtPerYear);
    section(lines, "Kokoelman kasvu:", f.growth);
    lines << QStringLiteral("Arvo medioittain:");
    for (const Amount& a : f.valuePerMedium)
        lines << QStringLiteral("  %1: %2").arg(q(a.name), locale.toCurrencyString(a.value));
    section(lines, "Eniten levyjä:", f.topArtists);
    lines << QStringLiteral("Eniten kappaleita soittaneet:");
    for (const Player& p : f.topPlayers) {
        QStringList instruments;
        for (const std::string& i : p.instruments)
            instruments << q(i);
        lines << QStringLiteral("  %1: %2 (%3)")
                     .arg(q(p.name))
                     .arg(p.tracks)
                     .arg(instruments.join(QStringLiteral(", ")));
    }
    section(lines, "Soittimet:", f.topInstruments);
    return lines.join(QLatin1Char('\n'));
}

QJsonObject toJson(const Figures& f) {
    QJsonArray value, players;
    for (const Amount& a : f.valuePerMedium)
        value.append(
            QJsonObject{{QStringLiteral("name"), q(a.name)}, {QStringLiteral("value"), a.value}});
    for (const Player& p : f.topPlayers) {
        QJsonArray instruments;
        for (const std::string& i : p.instruments)
            instruments.append(q(i));
        players.append(QJsonObject{{QStringLiteral("name"), q(p.name)},
                                   {QStringLiteral("tracks"), static_cast<qint64>(p.tracks)},
                                   {QStringLiteral("instruments"), instruments}});
    }
    return {{QStringLiteral("releases"), static_cast<qint64>(f.releases)},
            {QStringLiteral("tracks"), static_cast<qint64>(f.tracks)},
            {QStringLiteral("credits"), static_cast<qint64>(f.credits)},
            {QStringLiteral("tracksWithoutRelease"), static_cast<qint64>(f.tracksWithoutRelease)},
            {QStringLiteral("value"), f.value},
            {QStringLiteral("perMedium"), counts(f.perMedium)},
            {QStringLiteral("perGenre"), counts(f.perGenre)},
            {QStringLiteral("perDecade"), counts(f.perDecade)},
            {QStringLiteral("boughtPerYear"), counts(f.boughtPerYear)},
            {QStringLiteral("growth"), counts(f.growth)},
            {QStringLiteral("valuePerMedium"), value},
            {QStringLiteral("topArtists"), counts(f.topArtists)},
            {QStringLiteral("topPlayers"), players},
            {QStringLiteral("topInstruments"), counts(f.topInstruments)}};
}

} // namespace stats
