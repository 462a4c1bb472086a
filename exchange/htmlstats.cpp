#include "htmlstats.h"

#include "htmlpage.h"

#include "engine/utf8.h"
#include "stats/figurestext.h"

#include <QString>

#include <algorithm>
#include <vector>

namespace exchange {

namespace {

struct Bar {
    std::string name;
    long long n = 0;
};

// Escaped, and control characters (a line break in a name) shown as spaces.
std::string escaped(std::string_view text) {
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    for (QChar& c : s)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return htmlEscaped(s).toStdString();
}

std::vector<Bar> barsOf(const std::vector<stats::Count>& counts) {
    std::vector<Bar> bars;
    for (const stats::Count& c : counts)
        bars.push_back({c.name, c.n});
    return bars;
}

// A horizontal bar per figure: the name (cut, whole in its title), the bar, the number.
void chart(std::string& out, const char* id, const char* caption, const std::vector<Bar>& bars) {
    constexpr int kWidth = 520, kLabels = 170, kLongest = 280, kRow = 20, kLabelChars = 24;
    const int height = 8 + kRow * static_cast<int>(std::max<std::size_t>(bars.size(), 1));
    long long most = 1;
    for (const Bar& b : bars)
        most = std::max(most, b.n);
    const std::string at = std::string("lh-stat-") + id;
    out += "<figure><figcaption id=\"" + at + "\">" + caption + "</figcaption>\n";
    out += "<svg role=\"img\" aria-labelledby=\"" + at + "\" viewBox=\"0 0 " +
           std::to_string(kWidth) + ' ' + std::to_string(height) + "\" width=\"" +
           std::to_string(kWidth) + "\" height=\"" + std::to_string(height) + "\">\n";
    if (bars.empty())
        out += "<text x=\"" + std::to_string(kLabels) + "\" y=\"18\" fill=\"#5d6470\">" +
               "ei tietoja</text>\n";
    int y = 4;
    for (const Bar& b : bars) {
        const std::string name = escaped(b.name), n = std::to_string(b.n);
        const std::string_view shown = engine::utf8::cutToChars(b.name, kLabelChars);
        const std::string label =
            escaped(shown) + (shown.size() < b.name.size() ? "\xE2\x80\xA6" : ""); // …
        const long long width = std::max<long long>(b.n > 0 ? 1 : 0, b.n * kLongest / most);
        const std::string text = std::to_string(y + 14);
        out += "<g class=\"bar\" data-name=\"" + name + "\" data-n=\"" + n + "\"><title>" + name +
               ": " + n + "</title><text x=\"" + std::to_string(kLabels - 6) + "\" y=\"" + text +
               "\" text-anchor=\"end\">" + label + "</text><rect x=\"" + std::to_string(kLabels) +
               "\" y=\"" + std::to_string(y + 3) + "\" width=\"" + std::to_string(width) +
               "\" height=\"14\" fill=\"#7a1f5c\"></rect><text x=\"" +
               std::to_string(kLabels + width + 6) + "\" y=\"" + text + "\" fill=\"#5d6470\">" + n +
               "</text></g>\n";
        y += kRow;
    }
    out += "</svg></figure>\n";
}

} // namespace

std::string htmlStatsSection(const stats::Figures& f, bool withoutRelease) {
    std::string out = "<details id=\"lh-stats\"><summary>Tilastot</summary>\n<p>Levyjä " +
                      std::to_string(f.releases) + ", kappaleita " + std::to_string(f.tracks) +
                      ", muusikkomerkintöjä " + std::to_string(f.credits);
    if (withoutRelease)
        out += ", kappaleita ilman levyä " + std::to_string(f.tracksWithoutRelease);
    out += "</p>\n<div class=\"charts\">\n";
    chart(out, "media", "Media", barsOf(f.perMedium));
    chart(out, "genres", "Musiikkityypit", barsOf(f.perGenre));
    chart(out, "decades", "Vuosikymmenet", barsOf(f.perDecade));
    chart(out, "bought", "Hankinnat", barsOf(f.boughtPerYear));
    chart(out, "growth", "Kasvu", barsOf(f.growth));
    chart(out, "artists", "Taiteilijat", barsOf(f.topArtists));
    std::vector<Bar> players;
    for (const stats::Player& p : f.topPlayers)
        players.push_back({stats::playerLabel(p).toStdString(), p.tracks});
    chart(out, "players", "Muusikot", players);
    chart(out, "instruments", "Soittimet", barsOf(f.topInstruments));
    out += "</div>\n</details>\n";
    return out;
}

} // namespace exchange
