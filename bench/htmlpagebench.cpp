// htmlpagebench [releases] [PAGE]: writes the generated collection as a web page and prints
// how long that took and how large the page is. A fifth of the releases have covers, as in a
// real collection. A few releases whose texts look like markup come first in the collection, so
// the page doubles as the browser check's test page.
#include "benchdata.h"
#include "benchutil.h"
#include "exchange/htmlpage.h"
#include "store/coverimage.h"

#include <QColor>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

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

// Cover thumbnails as the cache gives them (160 px JPEGs), a few kinds told apart by colour and
// pattern, with detail enough to compress about as a scanned cover does.
constexpr int kCoverKinds = 48;

std::array<std::string, kCoverKinds> makeThumbnails() {
    std::array<std::string, kCoverKinds> made;
    for (int k = 0; k < kCoverKinds; ++k) {
        QImage image(160, 160, QImage::Format_RGB32);
        const int hue = k * 360 / kCoverKinds;
        std::uint32_t noise = 0x9e3779b9u * static_cast<std::uint32_t>(k + 1);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                noise = noise * 1664525u + 1013904223u;
                const bool band = ((x + y * (k % 3 + 1)) / (8 + k % 5)) % 2;
                const bool block = x > 24 && x < 136 && y > 100 + k % 20 && y < 130 + k % 20;
                const QColor c = QColor::fromHsv((hue + (band ? 40 : 0) + (block ? 180 : 0)) % 360,
                                                 100 + y * 150 / 160, 90 + x * 150 / 160);
                const int grain = int(noise >> 27) - 16;
                line[x] =
                    qRgb(std::clamp(c.red() + grain, 0, 255), std::clamp(c.green() + grain, 0, 255),
                         std::clamp(c.blue() + grain, 0, 255));
            }
        }
        made[std::size_t(k)] = store::encodeCover(image, 85);
    }
    return made;
}

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
    QCoreApplication app(argc, argv); // the JPEG reader and writer are plugins
    std::printf("# load average at start: %s\n", benchutil::loadAverage().c_str());
    std::fflush(stdout);
    try {
        QTemporaryDir temp;
        const QString page = argc == 3 ? QString::fromLocal8Bit(argv[2])
                                       : temp.filePath(QStringLiteral("page.html"));
        auto c = std::make_unique<benchdata::Collection>();
        benchdata::generate(*c, releases);
        addHostile(*c, releases + 1);

        // Every fifth release has a cover; the first markup-like one among them.
        const std::array<std::string, kCoverKinds> thumbnails = makeThumbnails();
        std::atomic<int> asked = 0, given = 0;
        exchange::HtmlPageOptions options;
        options.cover = [&](std::int32_t num) -> std::string {
            ++asked;
            if (num % 5 != 1)
                return {};
            ++given;
            return thumbnails[std::size_t(num / 5 % kCoverKinds)];
        };

        // The same page without covers first: what the covers cost.
        const QString bare = temp.filePath(QStringLiteral("bare.html"));
        auto t0 = benchutil::Clock::now();
        exchange::writeHtmlPage(c->lydsam, c->numre, c->musiker, bare);
        const double bareMs = benchutil::msSince(t0);
        const double bareMb = double(QFileInfo(bare).size()) / 1e6;
        QFile::remove(bare);

        t0 = benchutil::Clock::now();
        exchange::writeHtmlPage(c->lydsam, c->numre, c->musiker, page, options);
        const double ms = benchutil::msSince(t0);
        benchutil::require(asked == c->lydsam.recordCount(), "a cover asked for once a release");
        const double mb = double(QFileInfo(page).size()) / 1e6;
        std::printf("web page of %d releases (%d with covers), %d tracks, %d musician rows: "
                    "%.0f ms, %.1f MB; without covers %.0f ms, %.1f MB\n",
                    c->lydsam.recordCount(), given.load(), c->numre.recordCount(),
                    c->musiker.recordCount(), ms, mb, bareMs, bareMb);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
