// The two list layouts: their settings, bands and elements as placed on page 1, long values,
// missing fields, an empty table, and a rendered page 1 of each.
#include "reporttestutil.h"

#include "report/replistform.h"
#include "report/replistform1.h"
#include "report/repprinter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtTest>

#include <memory>

using namespace reporttest;

namespace {

enum Layout { Releases, Musicians };

struct Release {
    const char *artist, *title, *genre, *recorded, *price;
};
struct Musician {
    const char *musician, *instrument, *track, *release;
};

const Release kReleases[] = {
    {"Anna Eriksson", "Ihmisten edessä", "Pop", "1997", "89.90"},
    {"Dingo", "Kerjäläisten valtakunta", "Rock", "1985", "45"},
    {"Eppu Normaali", "Aku Ankkaa", "Rock", "1980", "12.50"},
    {"Tapio Rautavaara", "Kulkuri ja joutsen", "Iskelmä", "1968", "7.25"},
};
const Musician kMusicians[] = {
    {"Pertti Neumann", "Laulu", "Levoton Tuhkimo", "Kerjäläisten valtakunta"},
    {"Jonttu Virta", "Kitara", "Levoton Tuhkimo", "Kerjäläisten valtakunta"},
    {"Sakari Kuosmanen", "Basso", "Sinä ja minä", "Kerjäläisten valtakunta"},
};

void fillReleaseRows(engine::Table& t) {
    store::CreateLydsamTable(t);
    for (const Release& r : kReleases) {
        t.append();
        t.setText("Kunstner", r.artist);
        t.setText("Titel", r.title);
        t.setText("Genre", r.genre);
        t.setText("Indspillet", r.recorded);
        t.setText("Pris", r.price);
        t.post();
    }
    t.first();
}

void fillMusicianRows(engine::Table& t) {
    store::CreateMusikerTable(t);
    for (const Musician& m : kMusicians) {
        t.append();
        t.setText("Musiker", m.musician);
        t.setText("Instrument", m.instrument);
        t.setText("NrTitel", m.track);
        t.setText("Titel", m.release);
        t.post();
    }
    t.first();
}

void fill(Layout which, engine::Table& t) {
    which == Releases ? fillReleaseRows(t) : fillMusicianRows(t);
}

std::unique_ptr<TReport> makeLayout(Layout which, engine::Table* t) {
    if (which == Releases)
        return std::make_unique<TRepListForm>(t);
    return std::make_unique<TRepListForm1>(t);
}

std::vector<report::PageLayout> run(TReport& r) {
    std::vector<report::PageLayout> pages;
    TRepPrinter rec(std::make_unique<CaptureSink>(&pages));
    r.generate(rec);
    return pages;
}

double px(double tenths) {
    return report::tenthsToPixels(tenths, report::kScreenDpi);
}

const report::TextOp* findText(const report::PageLayout& p, const QString& text, int nth = 0) {
    for (const report::PageOp& op : p.picture.ops)
        if (const auto* t = std::get_if<report::TextOp>(&op); t && t->text == text && nth-- == 0)
            return t;
    return nullptr;
}

double textWidth(const report::PageLayout& p, const report::TextOp& t) {
    const report::PageFont& f = p.picture.fonts[static_cast<std::size_t>(t.font)];
    return QFontMetricsF(
               report::makeFont(f.name, f.pixelSize, f.bold, f.italic, f.underline, f.strikeOut))
        .horizontalAdvance(t.text);
}

// Where a text is expected: its left end, its right end or its centre, in tenths of a
// millimetre on the page, and the top of the box it is drawn in.
struct Placed {
    QString text;
    char anchor; // 'L', 'R' or 'C'
    int x;
    int top;
    bool titleFont = false;
};

QString layoutName(Layout which) {
    return which == Releases ? QStringLiteral("releases") : QStringLiteral("musicians");
}

} // namespace

Q_DECLARE_METATYPE(Layout)
Q_DECLARE_METATYPE(QList<Placed>)
Q_DECLARE_METATYPE(TRepBandRole)
Q_DECLARE_METATYPE(TRepAlignment)

class TestRepListForms : public QObject {
    Q_OBJECT

private slots:
    void commonSettings_data();
    void commonSettings();
    void bands_data();
    void bands();
    void elements_data();
    void elements();
    void pageOnePlacesEveryText_data();
    void pageOnePlacesEveryText();
    void longValuePrintsOnlyTheWordsOfOneLine_data();
    void longValuePrintsOnlyTheWordsOfOneLine();
    void missingFieldPrintsEmpty_data();
    void missingFieldPrintsEmpty();
    void emptyTableGivesOnlyThePageNumber_data();
    void emptyTableGivesOnlyThePageNumber();
    void renderPageOne_data();
    void renderPageOne();
    void pricesInTheLocalesCurrencyFormat_data();
    void pricesInTheLocalesCurrencyFormat();
};

void TestRepListForms::commonSettings_data() {
    QTest::addColumn<Layout>("which");
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::newRow("releases: margins 10/10, band 190 mm") << Releases << "RepListForm"
                                                          << "Levyholvi" << 100 << 100;
    QTest::newRow("musicians: margins 7/5, band 198 mm") << Musicians << "RepListForm1"
                                                         << "Muusikot" << 70 << 50;
}

void TestRepListForms::commonSettings() {
    QFETCH(Layout, which);
    QFETCH(QString, form);
    QFETCH(QString, title);
    QFETCH(int, left);
    QFETCH(int, right);
    engine::Table t;
    fill(which, t);
    const auto r = makeLayout(which, &t);
    QCOMPARE(r->objectName(), form);
    QCOMPARE(r->DataSet, &t);
    QCOMPARE(r->ReportTitle, title);
    QCOMPARE(r->Page.PaperSize, psA4);
    QCOMPARE(r->Page.Orientation, poPortrait);
    QCOMPARE(r->Page.pageWidth(), 2100);
    QCOMPARE(r->Page.pageLength(), 2970);
    QCOMPARE(r->Page.TopMargin, 100);
    QCOMPARE(r->Page.BottomMargin, 100);
    QCOMPARE(r->Page.LeftMargin, left);
    QCOMPARE(r->Page.RightMargin, right);
    QCOMPARE(r->Page.columnCount(), 1);
    QCOMPARE(r->Page.ColumnSpace, 0);
    QVERIFY(r->Options.LastPageFooter);
    QVERIFY(!r->Options.FirstPageHeader);
    QVERIFY(!r->Options.Compression);
    QVERIFY(!r->PrintIfEmpty);
    QVERIFY(r->ShowProgress);
    QCOMPARE(r->Font, (TRepFont{"Arial", 10, false, false, false, false, Qt::black}));
    QCOMPARE(report::pixelSizeFor(r->Font.Size, 96), 13);
    QCOMPARE(r->PrinterSettings.Copies, 1);
    QVERIFY(!r->PrinterSettings.Duplex);
    QCOMPARE(r->PrinterSettings.FirstPage, 0);
    QCOMPARE(r->PrinterSettings.LastPage, 0);
    QCOMPARE(r->PrinterSettings.OutputBin, QPrinter::Auto);
    QVERIFY(r->PrinterSettings.PrinterName.isEmpty());
    for (TRepBandRole none : {rbPageHeader, rbColumnFooter, rbSummary})
        QVERIFY(!r->band(none));
}

void TestRepListForms::bands_data() {
    QTest::addColumn<Layout>("which");
    QTest::addColumn<TRepBandRole>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("height");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("framed");
    const QColor white(Qt::white), silver(192, 192, 192);
    for (Layout which : {Releases, Musicians}) {
        const QByteArray l = layoutName(which).toLatin1();
        QTest::addRow("%s title: 10.58 mm, white, no frame", l.data())
            << which << rbTitle << "TitleBand1" << 106 << white << false;
        QTest::addRow("%s column header: 6.09 mm, silver, framed", l.data())
            << which << rbColumnHeader << "ColumnHeaderBand1" << 61 << silver << true;
        QTest::addRow("%s detail: 6.35 mm, white, framed", l.data())
            << which << rbDetail << "DetailBand1" << 64 << white << true;
        QTest::addRow("%s page footer: 6.35 mm, white, no frame", l.data())
            << which << rbPageFooter << "PageFooterBand1" << 64 << white << false;
    }
}

void TestRepListForms::bands() {
    QFETCH(Layout, which);
    QFETCH(TRepBandRole, role);
    QFETCH(QString, name);
    QFETCH(int, height);
    QFETCH(QColor, colour);
    QFETCH(bool, framed);
    const auto r = makeLayout(which, nullptr);
    const TRepBand* b = r->band(role);
    QVERIFY(b);
    QCOMPARE(b->Name, name);
    QCOMPARE(b->Height, height);
    QCOMPARE(b->Color, colour);
    QCOMPARE(b->Frame.Top && b->Frame.Bottom && b->Frame.Left && b->Frame.Right, framed);
    QCOMPARE(b->Frame.any(), framed);
    if (framed)
        QCOMPARE(b->Frame.Color, QColor(Qt::black));
    QVERIFY(!b->ForceNewPage && !b->ForceNewColumn && !b->AlignToBottom);
    for (const TRepElement& e : b->Elements)
        QVERIFY2(!elementBase(e).AutoStretch, qPrintable(elementBase(e).Name));
}

// A sample of the elements: every kind, both alignments, opaque and transparent boxes.
void TestRepListForms::elements_data() {
    QTest::addColumn<Layout>("which");
    QTest::addColumn<QString>("name");
    QTest::addColumn<TRepBandRole>("role");
    QTest::addColumn<QString>("content"); // caption, field, or the system text kind
    QTest::addColumn<QRect>("box");       // tenths
    QTest::addColumn<TRepAlignment>("alignment");
    QTest::addColumn<QString>("flags"); // B: align to band, A: auto size, W: wrap, T: transparent
    QTest::newRow("releases title: centred across the band, sized to its text")
        << Releases << "RepSysData1" << rbTitle << "title" << QRect(730, 11, 437, 87) << taCenter
        << "BA";
    QTest::newRow("releases heading Hinta") << Releases << "RepLabel3" << rbColumnHeader << "Hinta"
                                            << QRect(1805, 8, 82, 45) << taLeftJustify << "AT";
    QTest::newRow("releases genre text") << Releases << "RepDBText3" << rbDetail << "Genre"
                                         << QRect(1164, 11, 299, 45) << taLeftJustify << "W";
    QTest::newRow("releases price text, right-aligned")
        << Releases << "RepDBText5" << rbDetail << "Pris" << QRect(1693, 11, 175, 45)
        << taRightJustify << "W";
    QTest::newRow("releases page number against the band's right edge")
        << Releases << "RepSysData2" << rbPageFooter << "page" << QRect(1699, 11, 201, 45)
        << taRightJustify << "B";
    QTest::newRow("musicians title") << Musicians << "RepSysData1" << rbTitle << "title"
                                     << QRect(773, 11, 437, 87) << taCenter << "BA";
    QTest::newRow("musicians heading Kappaleet")
        << Musicians << "RepLabel3" << rbColumnHeader << "Kappaleet" << QRect(953, 8, 156, 45)
        << taLeftJustify << "AT";
    QTest::newRow("musicians track text, transparent")
        << Musicians << "RepDBText3" << rbDetail << "NrTitel" << QRect(953, 11, 490, 45)
        << taLeftJustify << "WT";
    QTest::newRow("musicians release title text, transparent")
        << Musicians << "RepDBText4" << rbDetail << "Titel" << QRect(1461, 11, 511, 45)
        << taLeftJustify << "WT";
    QTest::newRow("musicians page number") << Musicians << "RepSysData2" << rbPageFooter << "page"
                                           << QRect(1781, 11, 201, 45) << taRightJustify << "B";
}

void TestRepListForms::elements() {
    QFETCH(Layout, which);
    QFETCH(QString, name);
    QFETCH(TRepBandRole, role);
    QFETCH(QString, content);
    QFETCH(QRect, box);
    QFETCH(TRepAlignment, alignment);
    QFETCH(QString, flags);
    const auto r = makeLayout(which, nullptr);
    const TRepElementBase* e = nullptr;
    for (const TRepElement& x : r->band(role)->Elements)
        if (elementBase(x).Name == name)
            e = &elementBase(x);
    QVERIFY2(e, "not in its band");
    QCOMPARE(QRect(e->Left, e->Top, e->Width, e->Height), box);
    QCOMPARE(e->Alignment, alignment);
    QCOMPARE(e->AlignToBand, flags.contains('B'));
    QCOMPARE(e->AutoSize, flags.contains('A'));
    QCOMPARE(e->WordWrap, flags.contains('W'));
    QCOMPARE(e->Transparent, flags.contains('T'));
    if (!e->Transparent)
        QCOMPARE(e->Color, QColor(Qt::white));
    QVERIFY(!e->Frame.any());
    if (content == "title") {
        const auto& s = r->element<TRepSysData>(name);
        QCOMPARE(s.Data, sdReportTitle);
        QVERIFY(s.Text.isEmpty());
        QCOMPARE(*e->Font, (TRepFont{"Arial", 20, true, false, false, false, QColor(0, 0, 128)}));
        return;
    }
    QVERIFY2(!e->Font, "uses the report's font");
    if (content == "page") {
        const auto& s = r->element<TRepSysData>(name);
        QCOMPARE(s.Data, sdPageNumber);
        QVERIFY(s.Text.isEmpty());
    } else if (role == rbDetail) {
        QCOMPARE(r->element<TRepDBText>(name).DataField, content);
        QVERIFY(!r->element<TRepDBText>(name).DataSet); // the report's table
    } else {
        QCOMPARE(r->element<TRepLabel>(name).Caption, content);
    }
}

void TestRepListForms::pageOnePlacesEveryText_data() {
    QTest::addColumn<Layout>("which");
    QTest::addColumn<QList<Placed>>("expected");
    // Band tops on page 1: title 100, column header 206, details from 267 every 64 tenths;
    // the page footer sits at 2970 - 100 - 64 = 2806.
    const int head = 206 + 8, row1 = 267 + 11, row2 = 267 + 64 + 11, foot = 2806 + 11;
    QTest::newRow("releases") << Releases
                              << QList<Placed>{
                                     {"Levyholvi", 'C', 100 + 1900 / 2, 100 + 11, true},
                                     {"Taiteilija", 'L', 100 + 21, head},
                                     {"Kappaleen nimi", 'L', 100 + 593, head},
                                     {"Musiikkityypit", 'L', 100 + 1164, head},
                                     {"Julkaisuajankohta", 'L', 100 + 1482, head},
                                     {"Hinta", 'L', 100 + 1805, head},
                                     {"Anna Eriksson", 'L', 100 + 21, row1},
                                     {"Ihmisten edessä", 'L', 100 + 593, row1},
                                     {"Pop", 'L', 100 + 1164, row1},
                                     {"1997", 'L', 100 + 1482, row1},
                                     {"Dingo", 'L', 100 + 21, row2},
                                     {"1", 'R', 100 + 1900, foot},
                                 };
    QTest::newRow("musicians") << Musicians
                               << QList<Placed>{
                                      {"Muusikot", 'C', 70 + 1980 / 2, 100 + 11, true},
                                      {"Muusikot", 'L', 70 + 21, head},
                                      {"Soitin", 'L', 70 + 487, head},
                                      {"Kappaleet", 'L', 70 + 953, head},
                                      {"Kappaleen nimi", 'L', 70 + 1461, head},
                                      {"Pertti Neumann", 'L', 70 + 21, row1},
                                      {"Laulu", 'L', 70 + 487, row1},
                                      {"Levoton Tuhkimo", 'L', 70 + 953, row1},
                                      {"Kerjäläisten valtakunta", 'L', 70 + 1461, row1},
                                      {"Jonttu Virta", 'L', 70 + 21, row2},
                                      {"1", 'R', 70 + 1980, foot},
                                  };
}

void TestRepListForms::pageOnePlacesEveryText() {
    QFETCH(Layout, which);
    QFETCH(QList<Placed>, expected);
    engine::Table t;
    fill(which, t);
    const auto r = makeLayout(which, &t);
    const auto pages = run(*r);
    QCOMPARE(int(pages.size()), 1);
    const report::PageLayout& p = pages[0];
    QMap<QString, int> seen;
    for (const Placed& e : expected) {
        const report::TextOp* t = findText(p, e.text, seen[e.text]++);
        QVERIFY2(t, qPrintable(e.text));
        const report::PageFont& f = p.picture.fonts[static_cast<std::size_t>(t->font)];
        QCOMPARE(f.name, QStringLiteral("Arial"));
        QCOMPARE(f.pixelSize, e.titleFont ? 27 : 13);
        QCOMPARE(f.bold, e.titleFont);
        QCOMPARE(QColor(t->colour), e.titleFont ? QColor(0, 0, 128) : QColor(Qt::black));
        const double w = textWidth(p, *t);
        const double x = e.anchor == 'L'   ? t->origin.x()
                         : e.anchor == 'R' ? t->origin.x() + w
                                           : t->origin.x() + w / 2;
        QVERIFY2(
            qAbs(x - px(e.x)) < 0.6,
            qPrintable(QStringLiteral("%1 at %2, expected %3").arg(e.text).arg(x).arg(px(e.x))));
        // The baseline is one ascent below the box's top.
        const double above = t->origin.y() - px(e.top);
        QVERIFY2(above > 8 && above < (e.titleFont ? 27 : 13), qPrintable(e.text));
    }
    // Nothing but the listed texts and the remaining detail rows.
    const auto all = texts(p);
    QCOMPARE(all.front(), expected.front().text);
    QCOMPARE(all.back(), QStringLiteral("1"));
}

void TestRepListForms::longValuePrintsOnlyTheWordsOfOneLine_data() {
    QTest::addColumn<Layout>("which");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value"); // within the field's size
    QTest::newRow("releases title wider than 55.3 mm") << Releases << "Titel"
                                                       << "WWWWWW WWWWWW WWWWWW WWWW";
    QTest::newRow("releases genre wider than 29.9 mm") << Releases << "Genre"
                                                       << "Moderni WWW Musiikki";
    QTest::newRow("musicians musician wider than 44.98 mm") << Musicians << "Musiker"
                                                            << "WWWWW WWWWW WWWWW WWWWW";
}

void TestRepListForms::longValuePrintsOnlyTheWordsOfOneLine() {
    QFETCH(Layout, which);
    QFETCH(QString, field);
    QFETCH(QString, value);
    engine::Table t;
    fill(which, t);
    t.edit();
    t.setText(field.toStdString(), value.toStdString());
    t.post();
    t.first();
    const auto r = makeLayout(which, &t);
    const auto pages = run(*r);
    const report::PageLayout& p = pages.at(0);
    const QStringList words = value.split(' ');
    QString shown;
    int lines = 0;
    for (const QString& s : texts(p))
        if (words.front() == s.section(' ', 0, 0)) {
            shown = s;
            ++lines;
        }
    QCOMPARE(lines, 1);                     // no second line in the box
    QVERIFY(shown.size() < value.size());   // cut...
    QVERIFY(value.startsWith(shown + ' ')); // ...at a word boundary
    QVERIFY(!shown.isEmpty());
}

void TestRepListForms::missingFieldPrintsEmpty_data() {
    QTest::addColumn<Layout>("which");
    QTest::newRow("releases") << Releases;
    QTest::newRow("musicians") << Musicians;
}

void TestRepListForms::missingFieldPrintsEmpty() {
    QFETCH(Layout, which);
    engine::Table t;
    fill(which, t);
    const auto r = makeLayout(which, &t);
    const auto before = texts(run(*r).at(0));
    r->element<TRepDBText>("RepDBText1").DataField = "EiOle";
    const auto after = texts(run(*r).at(0));
    const int rows = which == Releases ? int(std::size(kReleases)) : int(std::size(kMusicians));
    QCOMPARE(int(after.size()), int(before.size()) - rows);
    const QString first =
        QString::fromUtf8(which == Releases ? kReleases[0].artist : kMusicians[0].musician);
    QVERIFY(std::find(after.begin(), after.end(), first) == after.end());
}

void TestRepListForms::emptyTableGivesOnlyThePageNumber_data() {
    missingFieldPrintsEmpty_data();
}

void TestRepListForms::emptyTableGivesOnlyThePageNumber() {
    QFETCH(Layout, which);
    engine::Table t;
    which == Releases ? store::CreateLydsamTable(t) : store::CreateMusikerTable(t);
    const auto r = makeLayout(which, &t);
    const auto pages = run(*r);
    QCOMPARE(int(pages.size()), 1);
    QCOMPARE(texts(pages[0]), std::vector<QString>{"1"});
    QCOMPARE(int(pages[0].bands.size()), 1);
    QCOMPARE(pages[0].bands[0].rect, QRect(r->Page.LeftMargin, 2806, r->Page.bandWidth(), 64));
}

void TestRepListForms::renderPageOne_data() {
    QTest::addColumn<Layout>("which");
    QTest::addColumn<QString>("file");
    QTest::newRow("releases") << Releases << "replist-releases.png";
    QTest::newRow("musicians") << Musicians << "replist-musicians.png";
}

// Renders page 1 as the preview shows it at 100 %; LEVYHOLVI_RENDER_DIR names where the
// picture goes (the test's folder by default) so that it can be looked at.
void TestRepListForms::renderPageOne() {
    QFETCH(Layout, which);
    QFETCH(QString, file);
    engine::Table t;
    fill(which, t);
    const auto r = makeLayout(which, &t);
    const auto pages = run(*r);
    QImage img(794, 1123, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter painter(&img);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        report::paintPicture(painter, pages.at(0).picture, QRectF(0, 0, 794, 1123));
    }
    const QString dir = qEnvironmentVariableIsSet("LEVYHOLVI_RENDER_DIR")
                            ? qEnvironmentVariable("LEVYHOLVI_RENDER_DIR")
                            : QDir::currentPath();
    QVERIFY(img.save(QDir(dir).filePath(file)));

    const auto at = [&](int x, int y) { return img.pixelColor(qRound(px(x)), qRound(px(y))); };
    const int left = r->Page.LeftMargin, right = left + r->Page.bandWidth();
    // Silver column header between two headings, white detail inside its frame.
    QCOMPARE(at(left + 450, 206 + 50), QColor(192, 192, 192));
    QCOMPARE(at(left + 450, 267 + 57), QColor(Qt::white));
    // The frame lines on the header's left and right edges and below the last detail row.
    const auto dark = [&](int x, int y) {
        int least = 255;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                least = std::min(
                    least, img.pixelColor(qRound(px(x)) + dx, qRound(px(y)) + dy).lightness());
        return least < 100;
    };
    const int rows = which == Releases ? int(std::size(kReleases)) : int(std::size(kMusicians));
    QVERIFY(dark(left, 206 + 30));
    QVERIFY(dark(right, 206 + 30));
    QVERIFY(dark(left + 1000, 267 + rows * 64));
    // Nothing below the last row before the footer; the margins stay blank.
    for (int y = 267 + rows * 64 + 20; y < 2800; y += 40)
        QCOMPARE(at(left + 500, y), QColor(Qt::white));
    for (int y = 0; y < 2970; y += 50) {
        QCOMPARE(at(left / 2, y), QColor(Qt::white));
        QCOMPARE(at(2100 - r->Page.RightMargin / 2, y), QColor(Qt::white));
    }
}

void TestRepListForms::pricesInTheLocalesCurrencyFormat_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("prices"); // of kReleases; a report prints blanks as spaces
    QTest::newRow("fi_FI") << "fi_FI" << QStringList{"89,90 €", "45,00 €", "12,50 €", "7,25 €"};
    QTest::newRow("en_US") << "en_US" << QStringList{"$89.90", "$45.00", "$12.50", "$7.25"};
}

// The text export has the printed texts: each price ends its release's line.
void TestRepListForms::pricesInTheLocalesCurrencyFormat() {
    QFETCH(QString, locale);
    QFETCH(QStringList, prices);
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::system()); });
    engine::Table t;
    fill(Releases, t);
    TRepListForm r(&t);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.TXT"));
    r.exportTo(report::ExportFormat::Text, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < prices.size(); ++i) {
        const QString artist = QString::fromUtf8(kReleases[i].artist);
        const auto line = std::find_if(lines.begin(), lines.end(),
                                       [&](const QString& l) { return l.contains(artist); });
        QVERIFY2(line != lines.end() && line->trimmed().endsWith(prices[i]), qPrintable(artist));
    }
}

QTEST_MAIN(TestRepListForms)
#include "tst_replistforms.moc"
