// The MusicBrainz release mapping on arbitrary bytes. Only exchange::ReadError may come out;
// any other exception, crash or sanitizer report is a bug. What is read must be whole UTF-8
// and numbered 1..n within each release.
#include "exchange/musicbrainz.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void requireUtf8(const std::string& s) {
    if (QString::fromStdString(s).toStdString() != s)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    exchange::ReadResult result;
    try {
        result = exchange::readMusicBrainzJson(bytes, QStringLiteral("fuzz.json"));
    } catch (const exchange::ReadError& e) {
        requireUtf8(e.what());
        return 0;
    }
    for (const exchange::ReleaseRecord& r : result.releases) {
        for (const std::string* s : {&r.kunstner, &r.titel, &r.forlag, &r.regNr, &r.indspillet})
            requireUtf8(*s);
        int expected = 0;
        for (const exchange::TrackRecord& t : r.tracks) {
            if (t.nummer != ++expected)
                std::abort();
            for (const std::string* s : {&t.nrTitel, &t.kunstner, &t.komponist})
                requireUtf8(*s);
            for (const exchange::MusicianRecord& m : t.musicians)
                for (const std::string* s : {&m.musiker, &m.instrument, &m.notat})
                    requireUtf8(*s);
        }
    }
    return 0;
}
