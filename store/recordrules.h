#pragma once

#include "engine/table.h"

#include <string>

// The rules that number and link new rows.
namespace store {

// Issues the next archive number: one more than the larger of the last Arkiv number and the
// highest Num in Lydsam (so a lost Arkiv file cannot bring numbers back), added to Arkiv and
// posted at once.
std::int32_t issueArchiveNumber(engine::Table& arkiv, const engine::Table& lydsam);

// Issues count numbers in a row by the same rule (one look at Lydsam for all of them) and
// returns the first. Raises before issuing any when not that many numbers are left.
std::int32_t issueArchiveNumbers(engine::Table& arkiv, const engine::Table& lydsam, int count);

// Fills a new track: the release's title, the next track number (record count + 1, so it
// counts the rows the filter lets through) and the release's number given as decimal text.
void linkNewTrack(engine::Table& numre, const std::string& releaseTitle,
                  const std::string& releaseNumText);

// Fills a new musician row: the track title (cut to the field's 30 characters) and the
// release's title.
void linkNewMusician(engine::Table& musiker, const std::string& trackTitle,
                     const std::string& releaseTitle);

} // namespace store
