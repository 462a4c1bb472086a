#pragma once

class TIniFile;

// The four settings kept between runs, in the sections "Startup" and "Faneblad".
namespace store {

constexpr int kDefaultBackground = 16777088; // red 128, green 255, blue 255
constexpr int kDefaultText = 0;              // black, the layout's own text colour

struct Settings {
    int num = 0;  // archive number of the release to make current (only when > 0)
    int side = 1; // the page, as numbered in the file
    int bgColor = kDefaultBackground;
    int txColor = kDefaultText;
};

// Reads the four; a colour that is negative (a system colour) reads as its default.
Settings readSettings(const TIniFile& ini);
// Writes Num, TxColor, Side and BgColor in one replacement of the file; a failure raises and
// leaves the file as it was.
void writeSettings(TIniFile& ini, const Settings& s);

// The page (1 to 7) that a stored "Side" opens: 2 to 5 as they are, anything else the first.
// The active page is stored as its number, the seventh as 7.
int pageForSide(int side);

} // namespace store
