#pragma once

#include "collectiontables.h"
#include "importer.h"

#include <QString>

#include <optional>

// The import sources by name, one call for each front end (the window's menu and the
// command-line tool).
namespace exchange {

enum class Source { Discogs, MusicBrainz, Folder, Csv };

// "discogs", "musicbrainz", "folder" or "csv".
std::optional<Source> sourceNamed(const QString& name);

struct ImportOptions {
    bool dryRun = false;
    bool folderAsGenre = false; // Discogs only
    Progress progress;
};

// Reads the source at path (a file, or a folder for Folder and Csv), then imports it.
ImportSummary importFrom(Source source, const QString& path, CollectionTables& tables,
                         const ImportOptions& options = {});

} // namespace exchange
