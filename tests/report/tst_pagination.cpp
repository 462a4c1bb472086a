// Pagination without a display: page count, band positions, the footer reserve, columns, the
// table's position afterwards, cancelling and the recorder's own rule.
#include "reporttestutil.h"

#include "dbaware/fieldtext.h"
#include "report/repprinter.h"

#include <QtTest>

using namespace reporttest;

namespace {

// The sample layout in tenths: title 106, column header 61, detail 64, footer 64; the footer
// reserve leaves 2970 - 100 - 64 = 2806 as the lowest bottom edge of a band.
constexpr int kTop = 100;
constexpr int kBottomLimit = 2806;
constexpr int kTitle = 106;
constexpr int kHeader = 61;
constexpr int kDetail = 64;
constexpr int kFirstPageDetails = 39;
constexpr int kOtherPageDetails = 41;

std::vector<report::PageLayout> run(TReport& r) {
    std::vector<report::PageLayout> pages;
    TRepPrinter rec(std::make_unique<CaptureSink>(&pages));
    r.generate(rec);
    return pages;
}

int expectedPages(int records) {
    if (records <= kFirstPageDetails)
        return 1;
    return 1 + (records - kFirstPageDetails + kOtherPageDetails - 1) / kOtherPageDetails;
}

} // namespace

class TestPagination : public QObject {
    Q_OBJECT

private slots:
    void pageCountAndBandPositions_data();
    void pageCountAndBandPositions();
    void emptyTableGivesOnePageWithOnlyThePageNumber();
    void emptyTableWithPrintIfEmptyPrintsTitleAndHeader();
    void exactFillStartsNextPageWithColumnHeader();
    void pageFooterOnLastPageOnlyWhenAsked();
    void pageHeader_data();
    void pageHeader();
    void detailTextsFollowTheRecords();
    void missingFieldPrintsEmpty();
    void columnsFillLeftToRight();
    void tableIsLeftOnItsLastRecord();
    void runContinuesFromWhereInputMovedTheTable();
    void cancelStopsBeforeTheNextRecord();
    void newPageWhileNotGeneratingIsRefused();
    void secondRunWhileGeneratingIsIgnored();
    void layoutChangedDuringRunAffectsNextRunOnly();
    void progressReachesHundred();
};

void TestPagination::pageCountAndBandPositions_data() {
    QTest::addColumn<int>("records");
    QTest::newRow("one record") << 1;
    QTest::newRow("page 1 full (39)") << 39;
    QTest::newRow("one over page 1 (40)") << 40;
    QTest::newRow("pages 1 and 2 full (80)") << 80;
    QTest::newRow("third page begins (81)") << 81;
    QTest::newRow("several pages (500)") << 500;
}

void TestPagination::pageCountAndBandPositions() {
    QFETCH(int, records);
    engine::Table t;
    fillReleases(t, records);
    TReport r;
    releasesLayout(r, &t);
    const auto pages = run(r);
    QCOMPARE(int(pages.size()), expectedPages(records));

    int printed = 0;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const report::PageLayout& p = pages[i];
        QCOMPARE(p.number, int(i) + 1);
        const auto titles = bandsOf(p, rbTitle);
        const auto headers = bandsOf(p, rbColumnHeader);
        const auto details = bandsOf(p, rbDetail);
        const auto footers = bandsOf(p, rbPageFooter);
        QCOMPARE(int(titles.size()), i == 0 ? 1 : 0);
        QCOMPARE(int(headers.size()), 1);
        QCOMPARE(int(footers.size()), 1);
        // The header sits below the title on page 1 and at the top margin after it.
        const int headerTop = i == 0 ? kTop + kTitle : kTop;
        if (i == 0)
            QCOMPARE(titles[0].rect, QRect(100, kTop, 1900, kTitle));
        QCOMPARE(headers[0].rect, QRect(100, headerTop, 1900, kHeader));
        for (std::size_t k = 0; k < details.size(); ++k) {
            QCOMPARE(details[k].rect,
                     QRect(100, headerTop + kHeader + int(k) * kDetail, 1900, kDetail));
            QVERIFY(details[k].rect.y() + kDetail <= kBottomLimit);
        }
        const int capacity = i == 0 ? kFirstPageDetails : kOtherPageDetails;
        if (i + 1 < pages.size())
            QCOMPARE(int(details.size()), capacity);
        printed += int(details.size());
        // The footer at the same height on every page, whatever is above it.
        QCOMPARE(footers[0].rect, QRect(100, kBottomLimit, 1900, 64));
        QCOMPARE(texts(p).back(), QString::number(p.number));
    }
    QCOMPARE(printed, records);
}

void TestPagination::emptyTableGivesOnePageWithOnlyThePageNumber() {
    engine::Table t;
    fillReleases(t, 0);
    TReport r;
    releasesLayout(r, &t);
    const auto pages = run(r);
    QCOMPARE(int(pages.size()), 1);
    QCOMPARE(int(pages[0].bands.size()), 1);
    QCOMPARE(pages[0].bands[0].role, rbPageFooter);
    QCOMPARE(texts(pages[0]), std::vector<QString>{QStringLiteral("1")});
}

void TestPagination::emptyTableWithPrintIfEmptyPrintsTitleAndHeader() {
    engine::Table t;
    fillReleases(t, 0);
    TReport r;
    releasesLayout(r, &t);
    r.PrintIfEmpty = true;
    const auto pages = run(r);
    QCOMPARE(int(pages.size()), 1);
    QCOMPARE(int(bandsOf(pages[0], rbTitle).size()), 1);
    QCOMPARE(int(bandsOf(pages[0], rbColumnHeader).size()), 1);
    QCOMPARE(int(bandsOf(pages[0], rbDetail).size()), 0);
}

void TestPagination::exactFillStartsNextPageWithColumnHeader() {
    // A page length where 10 details end exactly on the footer reserve (space left == height
    // for the 10th, which must still fit) and the 11th needs page 2.
    engine::Table t;
    fillReleases(t, 11);
    TReport r;
    releasesLayout(r, &t);
    r.Page.PaperSize = psCustom;
    r.Page.Width = 2100;
    r.Page.Length = kTop + kTitle + kHeader + 10 * kDetail + 64 + 100;
    const auto pages = run(r);
    QCOMPARE(int(pages.size()), 2);
    const auto first = bandsOf(pages[0], rbDetail);
    QCOMPARE(int(first.size()), 10);
    const int reserveTop = r.Page.Length - 100 - 64;
    QCOMPARE(first.back().rect.bottom() + 1, reserveTop);
    QCOMPARE(bandsOf(pages[0], rbPageFooter)[0].rect.top(), reserveTop);
    QCOMPARE(bandsOf(pages[1], rbColumnHeader)[0].rect.top(), kTop);
    QCOMPARE(bandsOf(pages[1], rbDetail)[0].rect.top(), kTop + kHeader);
    QCOMPARE(bandsOf(pages[1], rbPageFooter)[0].rect.top(), reserveTop);
    QCOMPARE(texts(pages[1])[5 + 0], QStringLiteral("Artist 11")); // after the 5 headings
}

void TestPagination::pageFooterOnLastPageOnlyWhenAsked() {
    engine::Table t;
    fillReleases(t, 50);
    TReport r;
    releasesLayout(r, &t);
    r.Options.LastPageFooter = false;
    const auto pages = run(r);
    QCOMPARE(int(pages.size()), 2);
    QCOMPARE(int(bandsOf(pages[0], rbPageFooter).size()), 1);
    QCOMPARE(int(bandsOf(pages[1], rbPageFooter).size()), 0);
}

void TestPagination::pageHeader_data() {
    QTest::addColumn<bool>("firstPageHeader");
    QTest::newRow("from page 2 on") << false;
    QTest::newRow("on page 1 too (FirstPageHeader)") << true;
}

void TestPagination::pageHeader() {
    QFETCH(bool, firstPageHeader);
    engine::Table t;
    fillReleases(t, 60);
    TReport r;
    releasesLayout(r, &t);
    r.Options.FirstPageHeader = firstPageHeader;
    TRepBand header;
    header.Role = rbPageHeader;
    header.Height = 50;
    r.setBand(header);
    const auto pages = run(r);
    QCOMPARE(int(pages.size()), 2);
    const auto h1 = bandsOf(pages[0], rbPageHeader);
    QCOMPARE(int(h1.size()), firstPageHeader ? 1 : 0);
    // Page 1: the title comes after the page header, at the top margin without one.
    QCOMPARE(bandsOf(pages[0], rbTitle)[0].rect.top(), kTop + (firstPageHeader ? 50 : 0));
    // Page 2: page header at the top margin, then the column header, then the details.
    QCOMPARE(bandsOf(pages[1], rbPageHeader)[0].rect, QRect(100, kTop, 1900, 50));
    QCOMPARE(bandsOf(pages[1], rbColumnHeader)[0].rect.top(), kTop + 50);
    QCOMPARE(bandsOf(pages[1], rbDetail)[0].rect.top(), kTop + 50 + kHeader);
    QCOMPARE(pages[1].bands.front().role, rbPageHeader);
}

void TestPagination::detailTextsFollowTheRecords() {
    engine::Table t;
    fillReleases(t, 2);
    TReport r;
    releasesLayout(r, &t);
    const auto pages = run(r);
    const std::vector<QString> expected{
        "Levyholvi",
        "Taiteilija",
        "Kappaleen nimi",
        "Musiikkityypit",
        "Julkaisuajankohta",
        "Hinta",
        "Artist 1",
        "Title 1",
        "Rock",
        "1990",
        dbaware::displayTextAt(t, 0, t.fieldIndex("Pris")).simplified(),
        "Artist 2",
        "Title 2",
        "Rock",
        "1990",
        dbaware::displayTextAt(t, 1, t.fieldIndex("Pris")).simplified(),
        "1"};
    QCOMPARE(texts(pages[0]), expected);
}

void TestPagination::missingFieldPrintsEmpty() {
    engine::Table t;
    fillReleases(t, 3);
    TReport r;
    releasesLayout(r, &t);
    r.element<TRepDBText>(QStringLiteral("RepDBText1")).DataField = QStringLiteral("NoSuchField");
    const auto pages = run(r);
    const auto all = texts(pages[0]);
    QVERIFY(std::find(all.begin(), all.end(), QStringLiteral("Artist 1")) == all.end());
    QVERIFY(std::find(all.begin(), all.end(), QStringLiteral("Title 3")) != all.end());
    QVERIFY_THROWS_EXCEPTION(report::Error, r.element<TRepLabel>(QStringLiteral("RepDBText1")));
}

void TestPagination::columnsFillLeftToRight() {
    engine::Table t;
    fillReleases(t, 100);
    TReport r;
    releasesLayout(r, &t);
    r.Page.Columns = 2;
    r.Page.ColumnSpace = 100;
    const auto pages = run(r);
    const int colWidth = (1900 - 100) / 2;
    QCOMPARE(r.Page.columnWidth(), colWidth);
    const auto d1 = bandsOf(pages[0], rbDetail);
    QCOMPARE(int(d1.size()), 2 * kFirstPageDetails);
    QCOMPARE(d1[0].rect, QRect(100, kTop + kTitle + kHeader, colWidth, kDetail));
    // The second column starts again at the column top, below the title, with a header.
    QCOMPARE(d1[kFirstPageDetails].rect.left(), 100 + colWidth + 100);
    QCOMPARE(d1[kFirstPageDetails].rect.top(), kTop + kTitle + kHeader);
    const auto h1 = bandsOf(pages[0], rbColumnHeader);
    QCOMPARE(int(h1.size()), 2);
    QCOMPARE(h1[1].rect.topLeft(), QPoint(100 + colWidth + 100, kTop + kTitle));
    QCOMPARE(int(pages.size()), 2);
    QCOMPARE(bandsOf(pages[1], rbDetail)[0].rect.topLeft(), QPoint(100, kTop + kHeader));
    QCOMPARE(bandsOf(pages[1], rbPageFooter)[0].rect.width(), 1900);
}

void TestPagination::tableIsLeftOnItsLastRecord() {
    engine::Table t;
    fillReleases(t, 45);
    t.setFilter("Kunstner = 'Artist 4*'");
    t.setFiltered(true);
    TReport r;
    releasesLayout(r, &t);
    const auto pages = run(r);
    // Artist 4 and Artist 40..45: the filter holds during the run.
    int details = 0;
    for (const auto& p : pages)
        details += int(bandsOf(p, rbDetail).size());
    QCOMPARE(details, 7);
    QCOMPARE(t.asText("Kunstner"), std::string("Artist 45"));
}

void TestPagination::runContinuesFromWhereInputMovedTheTable() {
    engine::Table t;
    fillReleases(t, 100);
    TReport r;
    releasesLayout(r, &t);
    std::vector<report::PageLayout> pages;
    TRepPrinter rec(std::make_unique<CaptureSink>(&pages));
    // As if the user clicked the last row of a grid while page 1 was being finished.
    connect(&rec, &TRepPrinter::pageFinished, &rec, [&](int n) {
        if (n == 1)
            t.last();
    });
    r.generate(rec);
    QCOMPARE(int(pages.size()), 2);
    const auto page2 = texts(pages[1]);
    QCOMPARE(int(bandsOf(pages[1], rbDetail).size()), 1);
    QVERIFY(std::find(page2.begin(), page2.end(), QStringLiteral("Artist 100")) != page2.end());
}

void TestPagination::cancelStopsBeforeTheNextRecord() {
    engine::Table t;
    fillReleases(t, 400);
    TReport r;
    releasesLayout(r, &t);
    std::vector<report::PageLayout> pages;
    auto sink = std::make_unique<CaptureSink>(&pages);
    CaptureSink* s = sink.get();
    TRepPrinter rec(std::move(sink));
    connect(&rec, &TRepPrinter::pageFinished, &rec, [&](int n) {
        if (n == 2)
            rec.Cancel();
    });
    r.generate(rec);
    QVERIFY(s->aborted);
    QCOMPARE(int(pages.size()), 2);
    QCOMPARE(rec.State(), TRepPrinter::psIdle);
    QVERIFY(!r.generating());
}

void TestPagination::newPageWhileNotGeneratingIsRefused() {
    std::vector<report::PageLayout> pages;
    TRepPrinter rec(std::make_unique<CaptureSink>(&pages));
    try {
        rec.NewPage(1);
        QFAIL("NewPage was accepted while idle");
    } catch (const report::Error& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Illegal call to NewPage"));
    }
}

void TestPagination::secondRunWhileGeneratingIsIgnored() {
    engine::Table t;
    fillReleases(t, 100);
    TReport r;
    releasesLayout(r, &t);
    std::vector<report::PageLayout> pages, inner;
    TRepPrinter rec(std::make_unique<CaptureSink>(&pages));
    TRepPrinter second(std::make_unique<CaptureSink>(&inner));
    bool asked = false;
    connect(&rec, &TRepPrinter::pageFinished, &rec, [&] {
        asked = true;
        QVERIFY(r.generating());
        r.generate(second);
    });
    r.generate(rec);
    QVERIFY(asked);
    QVERIFY(inner.empty());
    QCOMPARE(second.State(), TRepPrinter::psIdle);
    QCOMPARE(int(pages.size()), expectedPages(100));
}

void TestPagination::layoutChangedDuringRunAffectsNextRunOnly() {
    engine::Table t;
    fillReleases(t, 60);
    TReport r;
    releasesLayout(r, &t);
    std::vector<report::PageLayout> pages;
    TRepPrinter rec(std::make_unique<CaptureSink>(&pages));
    connect(&rec, &TRepPrinter::pageFinished, &rec, [&] {
        r.element<TRepLabel>(QStringLiteral("RepLabel1")).Caption = QStringLiteral("Changed");
        r.band(rbDetail)->Elements.clear();
    });
    r.generate(rec);
    QCOMPARE(texts(pages[1])[0], QStringLiteral("Taiteilija"));
    QCOMPARE(texts(run(r)[0])[1], QStringLiteral("Changed"));
}

void TestPagination::progressReachesHundred() {
    engine::Table t;
    fillReleases(t, 7);
    TReport r;
    releasesLayout(r, &t);
    std::vector<report::PageLayout> pages;
    TRepPrinter rec(std::make_unique<CaptureSink>(&pages));
    std::vector<int> seen;
    connect(&rec, &TRepPrinter::progressChanged, &rec, [&](int p) { seen.push_back(p); });
    r.generate(rec);
    // detail count * 100 / record count, whole-number division
    QCOMPARE(seen, (std::vector<int>{14, 28, 42, 57, 71, 85, 100}));
    QCOMPARE(rec.State(), TRepPrinter::psFinished);
}

QTEST_MAIN(TestPagination)
#include "tst_pagination.moc"
