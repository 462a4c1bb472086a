#include "sources.h"

#include "csvtables.h"
#include "discogs.h"

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

// The readers of MusicBrainz release files and of tagged music folders join the build here:
// readMusicBrainz(path) and readTagFolder(path, progress).
ReadResult readOther(Source source, const QString& path, const Progress& progress) {
    (void)path;
    (void)progress;
    if (source == Source::MusicBrainz)
        throw ReadError("Reading MusicBrainz release files is not available in this build");
    throw ReadError("Reading tagged music folders is not available in this build");
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
    case Source::Folder:
        return importRecords(tables, readOther(source, path, options.progress), options.dryRun,
                             options.progress);
    }
    throw ReadError("Unknown import source");
}

} // namespace exchange
