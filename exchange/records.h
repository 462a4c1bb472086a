#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// What every import source becomes before anything touches a table: releases with their
// tracks, each track with its musicians. Plain UTF-8 values; cutting to field sizes and the
// record rules are the importer's business.
namespace exchange {

struct MusicianRecord {
    std::string musiker;    // name
    std::string instrument; // "vocals" for a singer
    std::string notat;
};

struct TrackRecord {
    std::optional<int> nummer; // none: numbered after the release's earlier tracks
    std::string nrTitel;
    std::string kunstner;
    std::string komponist;
    std::string musiker; // free text
    std::string kunstnerNotat;
    std::string komponistNotat;
    std::string notat;
    std::string regNr;
    std::vector<MusicianRecord> musicians;
};

struct ReleaseRecord {
    std::string kunstner;
    std::string titel;
    std::string genre;
    std::string media; // "CD", "MD", "LP", "MC", "SG", "78" or empty
    std::string forlag;
    std::string regNr;
    std::string indspillet;
    std::string anskaffet;
    std::optional<double> pris;
    std::string notater;
    std::vector<TrackRecord> tracks;
    // The front cover, when the source has one: a picture file beside it, or the picture's bytes
    // embedded in a music file. The importer reads and checks it; a bad one is a note.
    std::string coverFile;
    std::string coverBytes;
};

// What a reader found: the releases, plus what it left out and why, for the summary.
struct ReadResult {
    std::vector<ReleaseRecord> releases;
    std::vector<std::string> genres; // names for the Genre table beyond those of the releases
    int skipped = 0;                 // entries not taken (e.g. a non-audio carrier)
    std::vector<std::string> notes;  // one line per skipped or unreadable entry or conversion
    bool fromWindows1252 = false;    // text that was not UTF-8 was converted
};

// A source that cannot be read or parsed: names the file, the place (line or JSON path) and
// what was expected. Nothing is imported when one is raised.
class ReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace exchange
