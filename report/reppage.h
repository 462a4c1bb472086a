#pragma once

#include <QPageSize>
#include <QPrinter>
#include <QString>

enum TRepPaperSize { psA4, psA3, psA5, psLetter, psLegal, psCustom };
enum TRepOrientation { poPortrait, poLandscape };

// The page of a report. Lengths in tenths of a millimetre.
struct TRepPage {
    TRepPaperSize PaperSize = psA4;
    TRepOrientation Orientation = poPortrait;
    int Width = 2100;  // used for psCustom
    int Length = 2970; // used for psCustom
    int TopMargin = 100;
    int BottomMargin = 100;
    int LeftMargin = 100;
    int RightMargin = 100;
    int Columns = 1;
    int ColumnSpace = 0;

    int pageWidth() const;  // after orientation
    int pageLength() const; // after orientation
    int bandWidth() const { return pageWidth() - LeftMargin - RightMargin; }
    int columnCount() const { return Columns < 1 ? 1 : Columns; }
    int columnWidth() const;
};

// How the report is sent to the printer. First and last page 0 mean all pages.
struct TRepPrinterSettings {
    int Copies = 1;
    bool Duplex = false;
    int FirstPage = 0;
    int LastPage = 0;
    QPrinter::PaperSource OutputBin = QPrinter::Auto; // the printer's first (default) bin
    QString PrinterName;                              // empty: the default printer

    bool printsPage(int page) const {
        return (FirstPage <= 0 || page >= FirstPage) && (LastPage <= 0 || page <= LastPage);
    }
};

namespace report {

QPageSize::PageSizeId pageSizeId(TRepPaperSize size);
// The named size of a page of that many tenths of a millimetre (either orientation), or
// psCustom.
TRepPaperSize paperSizeFor(int widthTenths, int lengthTenths);

} // namespace report
