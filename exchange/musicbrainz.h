#pragma once

#include "exchange/records.h"

#include <QByteArray>
#include <QString>

namespace exchange {

// A MusicBrainz release document as the web service gives it in JSON (one release, or
// {"releases": [...]}), saved to a file. Raises ReadError naming the file, the JSON path
// and what was expected when the file cannot be read, is not UTF-8 or does not have that shape.
// Media that carry no sound (DVD-Video, Blu-ray, Digital Media...) are left out with their
// tracks, a release of nothing else is skipped; both are noted. Values come trimmed. When the
// file gives one release, its cover is a picture of the file's name beside it ("x.json":
// "x.jpg", "x.png"...), else the folder's cover file (coverFileIn).
ReadResult readMusicBrainz(const QString& path);

// The same from bytes already in memory; nameForMessages stands for the file in messages.
ReadResult readMusicBrainzJson(const QByteArray& bytes, const QString& nameForMessages);

} // namespace exchange
