#pragma once

#include "collectiontables.h"
#include "importer.h"
#include "records.h"

#include <QString>

// The five tables as CSV files, one per table (Lydsam.csv, Arkiv.csv, Numre.csv, Genre.csv,
// Musiker.csv): the field names as header, the rows in the order they were added, prices as
// plain decimals with a point, UTF-8, RFC 4180 with CRLF line ends. A text value a spreadsheet
// would run as a formula (one that starts with =, +, -, @, a tab or a carriage return, after
// any 's) is written with a ' before it, and reading takes exactly that ' off again; numbers
// such as -5 are written as they are. Reading takes a file that is not UTF-8 as Windows-1252.
namespace exchange {

// Writes the five files into folder (made when missing), each replaced in one step, and with
// tables.covers the releases' covers into its "Kannet" folder as writeCoverFiles does.
void writeCsvTables(const CollectionTables& tables, const QString& folder,
                    const Progress& progress = {});

// Brings the files of folder in. Into a collection whose five tables are all empty, every row
// of every file comes back exactly as written (Arkiv and the fields the program never sets
// too), so writing them again gives the same bytes. Into a collection with rows, the files go
// the way of any source: see readCsvTables and importRecords. A missing file counts as an
// empty table; nothing is added unless every file reads and checks. With tables.covers, a
// picture "Kannet/<Num>.jpg" goes to the release its Lydsam.csv row of that Num became; one
// that cannot be read is a note.
ImportSummary importCsvTables(CollectionTables& tables, const QString& folder, bool dryRun = false,
                              const Progress& progress = {});

// The files as releases: each Lydsam row with the Numre rows of its Num, each Musiker row with
// a track of its NrTitel (one on the release of its Titel when there is one); the Genre rows
// as genres, and a release's cover file "Kannet/<Num>.jpg" when there is one. Arkiv is not read.
// Tracks and musician rows that belong nowhere are skipped. fields gives the columns allowed and
// their types (the target's tables).
ReadResult readCsvTables(const QString& folder, const CollectionTables& fields);

bool isEmpty(const CollectionTables& tables);

// Writes the cover of each release (by Lydsam's Num) as "<num>.jpg" into folder, made when
// there is one to write; returns how many. With removeOthers, the "<num>.jpg" files already
// there that were not written go, so that an export does not bring back a removed cover.
int writeCoverFiles(const CollectionTables& tables, const QString& folder,
                    bool removeOthers = false);

} // namespace exchange
