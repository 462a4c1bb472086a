#pragma once

#include "exchange/records.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <functional>

namespace exchange {

// The audio suffixes a tagged folder is read for, lower case.
const QStringList& tagFolderSuffixes();

// Every audio file under folder (FLAC, Ogg Vorbis, Opus, MP3, M4A, WavPack, APE, AIFF, WAV,
// WMA), grouped into releases by album artist and album, or without an album artist by folder
// and album (a compilation's artists differ: "Various Artists"); tracks in disc and track
// order, one file per track number, lossless first. With no artist tag, the parent folder of
// an Artist/Album/ layout is the artist. Names come composed (NFC). A release's cover is a
// picture file in its folder (coverFileIn), else the front cover embedded in one of its files
// (the first picture when none is marked front). A file TagLib cannot read,
// or a second copy of a track, is counted and named in the result's notes. progress is told
// after each file; when it returns false the read stops with a ReadError. Raises ReadError
// when folder is not one.
ReadResult readTagFolder(const QString& folder,
                         const std::function<bool(int done, int total)>& progress = {});

} // namespace exchange
