#include "sources.h"

#include "csvtables.h"
#include "discogs.h"
#include "musicbrainz.h"
#include "tagfolder.h"

namespace exchange {

std::optional<Source> sourceNamed(const QString& name) {
    if (name == u"discogs")
        return Source::Discogs;
    if (name == u"musicbrainz")
        return Source::MusicBrainz;
    if (name == u"folder")
        return Source::Folder;
    if (name == u"csv")
        return Source::Csv;
    return std::nullopt;
}

namespace {

// A cancel from the progress while the folder is read ends the import as cancelled.
ImportSummary importTagFolder(const QString& path, CollectionTables& tables,
                              const ImportOptions& options) {
    bool cancelled = false;
    const Progress watch = [&](int done, int total) {
        cancelled = options.progress && !options.progress(done, total);
        return !cancelled;
    };
    ReadResult found;
    try {
        found = readTagFolder(path, watch);
    } catch (const ReadError&) {
        if (!cancelled)
            throw;
        ImportSummary summary;
        summary.cancelled = true;
        return summary;
    }
    return importRecords(tables, found, options.dryRun, options.progress);
}

} // namespace

ImportSummary importFrom(Source source, const QString& path, CollectionTables& tables,
                         const ImportOptions& options) {
    switch (source) {
    case Source::Csv:
        return importCsvTables(tables, path, options.dryRun, options.progress);
    case Source::Discogs:
        return importRecords(tables, readDiscogs(path, {options.folderAsGenre}), options.dryRun,
                             options.progress);
    case Source::MusicBrainz:
        return importRecords(tables, readMusicBrainz(path), options.dryRun, options.progress);
    case Source::Folder:
        return importTagFolder(path, tables, options);
    }
    throw ReadError("Unknown import source");
}

} // namespace exchange
