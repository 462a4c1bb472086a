#include "replistlayout.h"

#include "units.h"

namespace report::listlayout {

namespace {

const QColor kSilver(192, 192, 192);
const QColor kNavy(0, 0, 128);

TRepBand bandOf(const char* name, TRepBandRole role, double heightMm, QColor colour, bool framed) {
    TRepBand b;
    b.Name = QString::fromLatin1(name);
    b.Role = role;
    b.Height = tenths(heightMm);
    b.Color = colour;
    if (framed)
        b.Frame = TRepFrame::all(Qt::black);
    return b;
}

void place(TRepElementBase& e, const char* name, double leftMm, double topMm, double widthMm,
           double heightMm) {
    e.Name = QString::fromLatin1(name);
    e.Left = tenths(leftMm);
    e.Top = tenths(topMm);
    e.Width = tenths(widthMm);
    e.Height = tenths(heightMm);
}

} // namespace

void applyCommonSettings(TReport& r, double leftMarginMm, double rightMarginMm) {
    r.Page = TRepPage{};
    r.Page.PaperSize = psA4;
    r.Page.Orientation = poPortrait;
    r.Page.TopMargin = tenths(10);
    r.Page.BottomMargin = tenths(10);
    r.Page.LeftMargin = tenths(leftMarginMm);
    r.Page.RightMargin = tenths(rightMarginMm);
    r.Page.Columns = 1;
    r.Page.ColumnSpace = 0;
    r.Options.FirstPageHeader = false;
    r.Options.LastPageFooter = true;
    r.Options.Compression = false;
    r.PrintIfEmpty = false;
    r.Font = TRepFont{QStringLiteral("Arial"), 10, false, false, false, false, Qt::black};
    r.PrinterSettings = TRepPrinterSettings{};
    r.PrinterSettings.Copies = 1;
    r.PrinterSettings.Duplex = false;
    r.PrinterSettings.FirstPage = 0;
    r.PrinterSettings.LastPage = 0;
    r.PrinterSettings.OutputBin = QPrinter::Auto;
    r.ShowProgress = true;
}

TRepBand titleBand() {
    return bandOf("TitleBand1", rbTitle, 10.58, Qt::white, false);
}

TRepBand columnHeaderBand() {
    return bandOf("ColumnHeaderBand1", rbColumnHeader, 6.09, kSilver, true);
}

TRepBand detailBand() {
    return bandOf("DetailBand1", rbDetail, 6.35, Qt::white, true);
}

TRepBand pageFooterBand() {
    return bandOf("PageFooterBand1", rbPageFooter, 6.35, Qt::white, false);
}

TRepSysData reportTitle(double leftMm) {
    TRepSysData e;
    place(e, "RepSysData1", leftMm, 1.06, 43.66, 8.73);
    e.Data = sdReportTitle;
    e.Alignment = taCenter;
    e.AlignToBand = true;
    e.AutoSize = true;
    e.Transparent = false;
    e.Color = Qt::white;
    e.Font = TRepFont{QStringLiteral("Arial"), 20, true, false, false, false, kNavy};
    return e;
}

TRepLabel heading(const char* name, const QString& caption, double leftMm, double widthMm) {
    TRepLabel e;
    place(e, name, leftMm, 0.79, widthMm, 4.50);
    e.Caption = caption;
    e.Alignment = taLeftJustify;
    e.AutoSize = true;
    e.Transparent = true;
    return e;
}

TRepDBText fieldText(const char* name, const char* field, double leftMm, double widthMm,
                     TRepAlignment alignment, bool transparent) {
    TRepDBText e;
    place(e, name, leftMm, 1.06, widthMm, 4.50);
    e.DataField = QString::fromLatin1(field);
    e.Alignment = alignment;
    e.AutoSize = false;
    e.WordWrap = true;
    e.Transparent = transparent;
    e.Color = Qt::white;
    return e;
}

TRepSysData pageNumber(double leftMm) {
    TRepSysData e;
    place(e, "RepSysData2", leftMm, 1.06, 20.11, 4.50);
    e.Data = sdPageNumber;
    e.Alignment = taRightJustify;
    e.AlignToBand = true;
    e.AutoSize = false;
    e.Transparent = false;
    e.Color = Qt::white;
    return e;
}

} // namespace report::listlayout
