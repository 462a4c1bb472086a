#pragma once

#include "records.h"

#include <QString>

#include <string>
#include <string_view>

class QIODevice;

// The collection export of Discogs (CSV, one row per copy owned).
namespace exchange {

struct DiscogsOptions {
    bool folderAsGenre = false; // CollectionFolder becomes Genre ("Uncategorized" never does)
};

ReadResult readDiscogs(const QString& path, const DiscogsOptions& options = {});
// name appears in messages in place of a path.
ReadResult readDiscogs(QIODevice& in, const QString& name, const DiscogsOptions& options = {});

// The medium code for a Format value such as "2xLP, Album, RE"; empty for a carrier that is not
// a sound recording (File, DVD, Blu-ray...).
std::string discogsMedia(std::string_view format);

// A Discogs name without its numeric suffix: "Kaija Virta (2)" -> "Kaija Virta".
std::string withoutDiscogsSuffix(std::string_view name);

} // namespace exchange
