#pragma once

#include <QString>

#include <string>

namespace exchange {

// The medium code ("CD", "MD", "LP", "MC", "SG", "78") for a carrier name as MusicBrainz,
// ID3 (TMED) or a tagger writes it, such as "Enhanced CD", "7\" Vinyl" or "TT/78"; empty when
// the name does not clearly mean one of the six.
std::string mediumCode(const QString& format);

} // namespace exchange
