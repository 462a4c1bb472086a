#pragma once

#include "exchange/records.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace exchange {

// The audio suffixes a tagged folder is read for, lower case.
const QStringList& tagFolderSuffixes();

// Every audio file under folder (FLAC, Ogg Vorbis, Opus, MP3, M4A), grouped into releases by
// album artist (else artist) and album, tracks in disc and track order. A file TagLib cannot
// read is counted and named in the result's notes. progress is told after each file; when
// it returns false the read stops with a ReadError. Raises ReadError when folder is not one.
ReadResult readTagFolder(const QString& folder,
                         const std::function<bool(int done, int total)>& progress = {});

} // namespace exchange
