#pragma once

// Shared by the report tests: a capture destination and a layout shaped like the releases list.
#include "report/pagesink.h"
#include "report/report.h"
#include "report/units.h"

#include "engine/table.h"
#include "store/collection.h"

#include <QString>

#include <string>
#include <vector>

namespace reporttest {

// Keeps every laid-out page.
class CaptureSink : public report::PageSink {
public:
    explicit CaptureSink(std::vector<report::PageLayout>* out, int dpi = report::kScreenDpi)
        : out_(out), dpi_(dpi) {}
    int dpi() const override { return dpi_; }
    void page(const report::PageLayout& p) override { out_->push_back(p); }
    void abort() override { aborted = true; }
    bool aborted = false;

private:
    std::vector<report::PageLayout>* out_;
    int dpi_;
};

// The texts drawn on a page, in drawing order.
inline std::vector<QString> texts(const report::PageLayout& page) {
    std::vector<QString> out;
    for (const report::PageOp& op : page.picture.ops)
        if (const auto* t = std::get_if<report::TextOp>(&op))
            out.push_back(t->text);
    return out;
}

inline std::vector<report::PlacedBand> bandsOf(const report::PageLayout& page, TRepBandRole role) {
    std::vector<report::PlacedBand> out;
    for (const report::PlacedBand& b : page.bands)
        if (b.role == role)
            out.push_back(b);
    return out;
}

// A releases table with n rows: artist "Artist <i>", title "Title <i>".
inline void fillReleases(engine::Table& t, int n) {
    store::CreateLydsamTable(t);
    for (int i = 1; i <= n; ++i) {
        t.append();
        t.setText("Kunstner", "Artist " + std::to_string(i));
        t.setText("Titel", "Title " + std::to_string(i));
        t.setText("Genre", "Rock");
        t.setText("Indspillet", "1990");
        t.setText("Pris", std::to_string(i) + ".50");
        t.post();
    }
    t.first();
}

inline TRepDBText dbText(const char* name, const char* field, double left, double width,
                         TRepAlignment align = taLeftJustify) {
    TRepDBText e;
    e.Name = QString::fromLatin1(name);
    e.DataField = QString::fromLatin1(field);
    e.Left = report::tenths(left);
    e.Top = report::tenths(1.06);
    e.Width = report::tenths(width);
    e.Height = report::tenths(4.50);
    e.Alignment = align;
    e.WordWrap = true;
    return e;
}

inline TRepLabel label(const char* name, const char* caption, double left, double width) {
    TRepLabel e;
    e.Name = QString::fromLatin1(name);
    e.Caption = QString::fromUtf8(caption);
    e.Left = report::tenths(left);
    e.Top = report::tenths(0.79);
    e.Width = report::tenths(width);
    e.Height = report::tenths(4.50);
    e.AutoSize = true;
    e.Transparent = true;
    return e;
}

// Shaped like the releases list: A4 portrait, margins 10 mm, Arial 10 pt, title band with the
// report title, column header band, 6.35 mm detail band with black frame lines, page footer
// with the page number against the band's right edge.
inline void releasesLayout(TReport& r, engine::Table* t) {
    r.DataSet = t;
    r.ReportTitle = QStringLiteral("Levyholvi");
    r.PrintIfEmpty = false;
    r.Options.LastPageFooter = true;
    r.ShowProgress = false;
    r.Page = TRepPage{};

    TRepBand title;
    title.Name = QStringLiteral("TitleBand1");
    title.Role = rbTitle;
    title.Height = report::tenths(10.58);
    TRepSysData heading;
    heading.Name = QStringLiteral("RepSysData1");
    heading.Data = sdReportTitle;
    heading.Left = report::tenths(73.03);
    heading.Top = report::tenths(1.06);
    heading.Width = report::tenths(43.66);
    heading.Height = report::tenths(8.73);
    heading.Alignment = taCenter;
    heading.AlignToBand = true;
    heading.AutoSize = true;
    heading.Font =
        TRepFont{QStringLiteral("Arial"), 20, true, false, false, false, QColor(0, 0, 128)};
    title.add(heading);
    r.setBand(title);

    TRepBand header;
    header.Name = QStringLiteral("ColumnHeaderBand1");
    header.Role = rbColumnHeader;
    header.Height = report::tenths(6.09);
    header.Color = QColor(192, 192, 192);
    header.Frame = TRepFrame::all();
    header.add(label("RepLabel1", "Taiteilija", 2.12, 12.70));
    header.add(label("RepLabel2", "Kappaleen nimi", 59.27, 23.81));
    header.add(label("RepLabel4", "Musiikkityypit", 116.42, 21.43));
    header.add(label("RepLabel5", "Julkaisuajankohta", 148.17, 27.52));
    header.add(label("RepLabel3", "Hinta", 180.45, 8.20));
    r.setBand(header);

    TRepBand detail;
    detail.Name = QStringLiteral("DetailBand1");
    detail.Role = rbDetail;
    detail.Height = report::tenths(6.35);
    detail.Frame = TRepFrame::all();
    detail.add(dbText("RepDBText1", "Kunstner", 2.12, 55.30));
    detail.add(dbText("RepDBText2", "Titel", 59.27, 55.30));
    detail.add(dbText("RepDBText3", "Genre", 116.42, 29.90));
    detail.add(dbText("RepDBText4", "Indspillet", 148.17, 19.05));
    detail.add(dbText("RepDBText5", "Pris", 169.33, 17.46, taRightJustify));
    r.setBand(detail);

    TRepBand footer;
    footer.Name = QStringLiteral("PageFooterBand1");
    footer.Role = rbPageFooter;
    footer.Height = report::tenths(6.35);
    TRepSysData number;
    number.Name = QStringLiteral("RepSysData2");
    number.Data = sdPageNumber;
    number.Left = report::tenths(169.86);
    number.Top = report::tenths(1.06);
    number.Width = report::tenths(20.11);
    number.Height = report::tenths(4.50);
    number.Alignment = taRightJustify;
    number.AlignToBand = true;
    footer.add(number);
    r.setBand(footer);
}

} // namespace reporttest
