// htmlpagebench [releases] [PAGE]: writes the generated collection as a web page and prints
// how long that took and how large the page is. A few releases whose texts look like markup
// come first in the collection, so the page doubles as the browser check's test page.
#include "benchdata.h"
#include "benchutil.h"
#include "exchange/htmlpage.h"

#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

namespace {

// Artist, title, track title, musician: each must show on the page as written.
struct Hostile {
    const char *artist, *title, *track, *musician;
};
constexpr Hostile kHostile[] = {
    {"Aaaa <script>alert(1)</script>", "</script><i>title</i>", "<img src onerror=__lhInjected=2>",
     "Ødegaard & \"Søn\" 'n' <b>"},
    {"Aaaa Ærø & Åbo", "Tom &amp; Jerry &#39; <!--", "Don't stop \\ \"now\"",
     "Väinö <i>Äijälä</i>"},
};

void addHostile(benchdata::Collection& c, int firstNum) {
    int num = firstNum;
    for (const Hostile& h : kHostile) {
        c.lydsam.append();
        c.lydsam.setText("Kunstner", h.artist);
        c.lydsam.setText("Titel", h.title);
        c.lydsam.setText("Media", "LP");
        c.lydsam.setText("Notater", h.musician);
        c.lydsam.setInteger("Num", num);
        c.lydsam.post();
        c.numre.append();
        c.numre.setInteger("Num", num);
        c.numre.setInteger("Nummer", 1);
        c.numre.setText("NrTitel", h.track);
        c.numre.post();
        c.musiker.append();
        c.musiker.setText("NrTitel", std::string(benchdata::firstChars(h.track, 30)));
        c.musiker.setText("Musiker", h.musician);
        c.musiker.setText("Instrument", h.artist);
        c.musiker.post();
        ++num;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    int releases = benchdata::kDefaultReleases;
    if (argc >= 2) {
        const char* end = argv[1] + std::strlen(argv[1]);
        const auto r = std::from_chars(argv[1], end, releases);
        if (r.ec != std::errc() || r.ptr != end || releases < 1 || argc > 3) {
            std::fprintf(stderr, "usage: %s [releases] [PAGE]  (default %d releases)\n", argv[0],
                         benchdata::kDefaultReleases);
            return 2;
        }
    }
    std::printf("# load average at start: %s\n", benchutil::loadAverage().c_str());
    std::fflush(stdout);
    try {
        QTemporaryDir temp;
        const QString page = argc == 3 ? QString::fromLocal8Bit(argv[2])
                                       : temp.filePath(QStringLiteral("page.html"));
        auto c = std::make_unique<benchdata::Collection>();
        benchdata::generate(*c, releases);
        addHostile(*c, releases + 1);

        const auto t0 = benchutil::Clock::now();
        exchange::writeHtmlPage(c->lydsam, c->numre, c->musiker, page);
        const double ms = benchutil::msSince(t0);
        std::printf("web page of %d releases, %d tracks, %d musician rows: %.0f ms, %.1f MB\n",
                    c->lydsam.recordCount(), c->numre.recordCount(), c->musiker.recordCount(), ms,
                    double(QFileInfo(page).size()) / 1e6);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
