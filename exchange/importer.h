#pragma once

#include "collectiontables.h"
#include "records.h"

#include <QString>

#include <functional>
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
    int genres = 0;  // new rows of Genre
    int skipped = 0; // entries the source left out plus releases already in the collection
    int cut = 0;     // values cut to their field's size
    bool cancelled = false;
    bool fromWindows1252 = false;   // the source was not UTF-8 and was converted
    std::vector<std::string> notes; // why entries were skipped, one line each
};

// "n levyä, m kappaletta, k muusikkoa tuotu; s ohitettu", and a line each on cut values and on
// a converted source when there are any.
QString summaryText(const ImportSummary& s);

// Checks everything, then (unless dryRun) adds it all in one step: each new release takes the
// next archive number, its tracks copy its Num and Titel, musician rows copy the track title
// (cut to 30 characters) and the release title; genres are added to Genre when new. A release
// already in the collection is skipped: the same source line ("Discogs <id>") opening its
// notes, or the same Kunstner, Titel and RegNr, letter case aside. Cancelled through progress
// before the step, nothing changes. The tables' hooks do not run; their observers hear once.
ImportSummary importRecords(CollectionTables& tables, const ReadResult& found, bool dryRun = false,
                            const Progress& progress = {});

// The first line of a release's notes when it names the release in a source ("Discogs 123"),
// else empty.
std::string sourceLine(std::string_view notes);

} // namespace exchange
