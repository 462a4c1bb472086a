#pragma once

#include "stats/figures.h"

#include <string>

// The collection's figures on the web page: bar charts drawn in SVG inside the page, so they
// need no script and no file of their own. What was paid stays out, as it does of the rows.
namespace exchange {

// A closed <details> section "Tilastot": the totals and one chart per figure. withoutRelease:
// whether the count of tracks of no release belongs on the page (not when it is narrowed).
std::string htmlStatsSection(const stats::Figures& f, bool withoutRelease);

} // namespace exchange
