// generate DIR [releases]: writes a generated collection's five table files into DIR.
#include "benchdata.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

int main(int argc, char* argv[]) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s DIR [releases]  (default %d releases)\n", argv[0],
                     benchdata::kDefaultReleases);
        return 2;
    }
    int releases = benchdata::kDefaultReleases;
    if (argc == 3) {
        const char* end = argv[2] + std::strlen(argv[2]);
        const auto r = std::from_chars(argv[2], end, releases);
        if (r.ec != std::errc() || r.ptr != end || releases < 1) {
            std::fprintf(stderr, "%s: the number of releases must be a positive integer\n",
                         argv[0]);
            return 2;
        }
    }
    try {
        auto c = std::make_unique<benchdata::Collection>();
        const benchdata::GenerateTimes t = benchdata::generate(*c, releases);
        benchdata::save(*c, argv[1]);
        std::printf("%d releases, %d tracks, %d musician rows written to %s "
                    "(rows %.1f s, indices %.1f s)\n",
                    releases, c->numre.recordCount(), c->musiker.recordCount(), argv[1],
                    t.fillMs / 1000, t.indexMs / 1000);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
