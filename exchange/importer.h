#pragma once

#include "collectiontables.h"
#include "records.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Adds what a reader found to the five tables, in one step, through the record rules.
namespace exchange {

// Reports work done; returning false asks to stop (before anything is added).
using Progress = std::function<bool(int done, int total)>;

struct ImportSummary {
    int releases = 0;
    int tracks = 0;
    int musicians = 0;
    int genres = 0;    // new rows of Genre
    int skipped = 0;   // entries the source left out plus releases already in the collection
    int cut = 0;       // values cut to their field's size
    int covers = 0;    // covers taken (in a dry run: found, unread)
    int badCovers = 0; // covers that could not be read, each with a note
    bool cancelled = false;
    bool fromWindows1252 = false;   // the source was not UTF-8 and was converted
    std::vector<std::string> notes; // why entries were skipped, one line each
};

// "n levyä, m kappaletta, k muusikkoa tuotu; s ohitettu" (", c kansikuvaa" after the musicians
// when there are covers), and a line each on cut values, unreadable covers and a converted
// source when there are any.
QString summaryText(const ImportSummary& s);

// Checks everything, then (unless dryRun) adds it all in one step: each new release takes the
// next archive number, its tracks copy its Num and Titel, musician rows copy the track title
// (cut to 30 characters) and the release title; genres are added to Genre when new. A release
// already in the collection is skipped: the same source line ("Discogs <id>") opening its
// notes, or the same Kunstner, Titel and RegNr, letter case aside. Cancelled through progress
// before the step, nothing changes. The tables' hooks do not run; their observers hear once.
// With tables.covers, a release's cover (records.h) is read, checked and stored in the stored
// form; one that cannot be read is a note, and its release is imported without it. A dry run
// reads no picture.
ImportSummary importRecords(CollectionTables& tables, const ReadResult& found, bool dryRun = false,
                            const Progress& progress = {});

// A cover to read for the release numbered num: the picture's bytes when bytes is set (what
// names them in messages), else the picture file.
struct CoverSource {
    std::int32_t num = 0;
    std::string file;
    const std::string* bytes = nullptr;
    std::string what;
};
// A cover read: the stored-form picture, or why there is none.
struct ReadCover {
    std::int32_t num = 0;
    store::Covers::Picture picture;
    std::string error;
};

// Reads the pictures on a few threads at once; progress is told on the calling thread and may
// cancel (nullopt). Only the stored forms are kept, never every decoded image at once.
std::optional<std::vector<ReadCover>> readCovers(const std::vector<CoverSource>& sources,
                                                 const Progress& progress = {});
// Gives the pictures read to covers and counts them in summary; an error is a note.
void applyCovers(store::Covers& covers, const std::vector<ReadCover>& read, ImportSummary& summary);

// The first line of a release's notes when it names the release in a source ("Discogs 123"),
// else empty.
std::string sourceLine(std::string_view notes);

} // namespace exchange
