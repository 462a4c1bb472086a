#pragma once

#include "report.h"

// Building blocks shared by the two list layouts (TRepListForm, TRepListForm1): their common
// settings and the element kinds they use, all placed in millimetres.
namespace report::listlayout {

// A4 portrait, one column, Arial 10 pt, the page footer on the last page too, nothing printed
// for an empty table, all pages once on the default bin.
void applyCommonSettings(TReport& r, double leftMarginMm, double rightMarginMm);

// Title, column header, detail and page footer bands with the lists' heights, colours and
// frames; elements are added by the layouts.
TRepBand titleBand();
TRepBand columnHeaderBand();
TRepBand detailBand();
TRepBand pageFooterBand();

// The report title, centred across the band in Arial 20 pt bold navy.
TRepSysData reportTitle(double leftMm);
// A column heading: sized to its text, transparent.
TRepLabel heading(const char* name, const QString& caption, double leftMm, double widthMm);
// A field of the current record in a fixed box, wrapped to its first line.
TRepDBText fieldText(const char* name, const char* field, double leftMm, double widthMm,
                     TRepAlignment alignment, bool transparent);
// The page number against the band's right edge.
TRepSysData pageNumber(double leftMm);

} // namespace report::listlayout
