#include "reportrun.h"

#include "repprinter.h"
#include "textlayout.h"
#include "units.h"

#include "dbaware/fieldtext.h"
#include "engine/table.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>

#include <algorithm>

namespace report {

namespace {

// As in the record locator: handling input before every record would cost more than the
// records; every 10 ms looks the same to the user.
constexpr qint64 kPumpIntervalMs = 10;

bool fullWidth(TRepBandRole role) {
    return role == rbTitle || role == rbPageHeader || role == rbPageFooter || role == rbSummary;
}

struct MeasuredFont {
    TRepFont font;
    PageFont page;
    QFontMetricsF metrics;
};

} // namespace

void handlePendingInput(bool force) {
    static QElapsedTimer clock;
    if (!QCoreApplication::instance())
        return;
    if (!force && clock.isValid() && clock.elapsed() < kPumpIntervalMs)
        return;
    clock.start();
    QCoreApplication::processEvents();
}

struct ReportRun::Impl {
    // The layout as it was when the run started.
    engine::Table* table;
    TRepPage page;
    TRepOptions options;
    bool printIfEmpty;
    QString title;
    TRepFont font;
    std::array<std::optional<TRepBand>, kBandRoleCount> bands;
    // Field of each data text, looked up once: [role][element].
    std::array<std::vector<int>, kBandRoleCount> fields;

    TRepPrinter& rec;
    int dpi;
    std::vector<MeasuredFont> fonts;

    PageLayout* layout = nullptr;
    int pageNumber = 0;
    int y = 0;
    int columnTop = 0;
    int column = 0;
    int columnLeft = 0;
    int footerReserve = 0;
    bool finished = false;

    Impl(const TReport& r, TRepPrinter& recorder)
        : table(r.DataSet), page(r.Page), options(r.Options), printIfEmpty(r.PrintIfEmpty),
          title(r.ReportTitle), font(r.Font), bands(r.bands()), rec(recorder), dpi(recorder.dpi()) {
    }

    const TRepBand* band(TRepBandRole role) const {
        const auto& b = bands[static_cast<std::size_t>(role)];
        return b && b->Enabled ? &*b : nullptr;
    }

    double px(double tenths) const { return tenthsToPixels(tenths, dpi); }
    QRectF px(const QRectF& r) const {
        return QRectF(px(r.x()), px(r.y()), px(r.width()), px(r.height()));
    }
    int bottomLimit() const { return page.pageLength() - page.BottomMargin - footerReserve; }

    void lookUpFields() {
        for (int role = 0; role < kBandRoleCount; ++role) {
            const auto& b = bands[static_cast<std::size_t>(role)];
            if (!b)
                continue;
            for (const TRepElement& e : b->Elements) {
                int field = -1;
                if (const auto* db = std::get_if<TRepDBText>(&e)) {
                    engine::Table* t = db->DataSet ? db->DataSet : table;
                    if (t && t->isOpen() && !db->DataField.isEmpty())
                        field = t->findField(db->DataField.toStdString());
                }
                fields[static_cast<std::size_t>(role)].push_back(field);
            }
        }
    }

    const MeasuredFont& measured(const TRepFont& f) {
        for (const MeasuredFont& m : fonts)
            if (m.font == f)
                return m;
        PageFont pf{f.Name, pixelSizeFor(f.Size, dpi), f.Bold, f.Italic, f.Underline, f.StrikeOut};
        QFont q = makeFont(pf.name, pf.pixelSize, pf.bold, pf.italic, pf.underline, pf.strikeOut);
        fonts.push_back({f, pf, QFontMetricsF(q)});
        return fonts.back();
    }

    QString textOf(const TRepElement& e, int field) const {
        if (const auto* l = std::get_if<TRepLabel>(&e))
            return l->Caption;
        if (const auto* s = std::get_if<TRepSysData>(&e))
            return s->Text + (s->Data == sdPageNumber ? QString::number(pageNumber) : title);
        const auto& db = std::get<TRepDBText>(e);
        engine::Table* t = db.DataSet ? db.DataSet : table;
        if (field < 0 || !t || !t->isOpen() || (t->eof() && t->bof()))
            return {};
        try {
            return dbaware::displayText(*t, field);
        } catch (const std::exception&) {
            return {}; // a value that cannot be read prints empty
        }
    }

    void frameLines(const TRepFrame& f, const QRectF& r) {
        if (!f.any())
            return;
        const QRectF p = px(r);
        const qreal w = std::max<qreal>(1.0, f.Width * static_cast<qreal>(dpi) / kScreenDpi);
        const QRgb c = f.Color.rgba();
        auto& ops = layout->picture.ops;
        if (f.Top)
            ops.emplace_back(LineOp{QLineF(p.topLeft(), p.topRight()), w, c});
        if (f.Bottom)
            ops.emplace_back(LineOp{QLineF(p.bottomLeft(), p.bottomRight()), w, c});
        if (f.Left)
            ops.emplace_back(LineOp{QLineF(p.topLeft(), p.bottomLeft()), w, c});
        if (f.Right)
            ops.emplace_back(LineOp{QLineF(p.topRight(), p.bottomRight()), w, c});
    }

    void printElement(const TRepElement& e, int field, const QRectF& bandRect) {
        const TRepElementBase& b = elementBase(e);
        const MeasuredFont& mf = measured(b.Font ? *b.Font : font);
        const QFontMetricsF& fm = mf.metrics;
        TextMetricsTenths m;
        m.width = [&](const QString& s) { return pixelsToTenths(fm.horizontalAdvance(s), dpi); };
        m.lineHeight = pixelsToTenths(fm.height(), dpi);
        m.ascent = pixelsToTenths(fm.ascent(), dpi);
        m.spaceWidth = pixelsToTenths(fm.horizontalAdvance(QLatin1Char(' ')), dpi);
        m.italic = mf.page.italic;
        const double lineTenths = pixelsToTenths(b.Frame.Width, kScreenDpi);
        const double sides = (b.Frame.Left ? lineTenths : 0) + (b.Frame.Right ? lineTenths : 0);
        const QRectF box(bandRect.left() + b.Left, bandRect.top() + b.Top, b.Width, b.Height);
        const PlacedText placed = placeText(textOf(e, field), b, box, bandRect, sides, m);
        if (!b.Transparent && b.Color.isValid())
            layout->picture.ops.emplace_back(FillOp{px(placed.box), b.Color.rgba()});
        if (!placed.lines.empty()) {
            const int fontIndex = layout->picture.fontIndex(mf.page);
            const QRgb colour = (b.Font ? b.Font->Color : font.Color).rgba();
            const QRectF clip = placed.clip.isNull() ? QRectF() : px(placed.clip);
            for (const PlacedLine& l : placed.lines)
                if (!l.text.isEmpty())
                    layout->picture.ops.emplace_back(
                        TextOp{QPointF(px(l.x), px(l.baseline)), fontIndex, colour, clip, l.text});
        }
        frameLines(b.Frame, placed.box);
    }

    void printBand(const TRepBand& b) {
        const bool wide = fullWidth(b.Role);
        if (b.AlignToBottom)
            y = std::max(y, bottomLimit() - b.Height);
        const QRect rect(wide ? page.LeftMargin : columnLeft, y,
                         wide ? page.bandWidth() : page.columnWidth(), b.Height);
        layout->bands.push_back({b.Role, rect});
        if (b.Color.isValid() && b.Color.alpha() > 0)
            layout->picture.ops.emplace_back(FillOp{px(QRectF(rect)), b.Color.rgba()});
        const std::vector<int>& f = fields[static_cast<std::size_t>(b.Role)];
        for (std::size_t i = 0; i < b.Elements.size(); ++i)
            if (elementBase(b.Elements[i]).Enabled)
                printElement(b.Elements[i], f[i], QRectF(rect));
        frameLines(b.Frame, QRectF(rect));
        y += b.Height;
    }

    void startPage() {
        if (rec.pageOpen())
            endPage();
        ++pageNumber;
        layout = &rec.NewPage(pageNumber);
        layout->picture.size =
            QSizeF(std::round(px(page.pageWidth())), std::round(px(page.pageLength())));
        y = page.TopMargin;
        if (const TRepBand* h = band(rbPageHeader);
            h && (pageNumber > 1 || options.FirstPageHeader))
            printBand(*h);
        const TRepBand* t = band(rbTitle);
        columnTop = y + (pageNumber == 1 && t ? t->Height : 0);
    }

    void endPage() {
        y = bottomLimit();
        if (const TRepBand* f = band(rbPageFooter); f && !(finished && !options.LastPageFooter))
            printBand(*f);
        rec.EndPage();
    }

    void nextColumnOrPage(bool newPage) {
        if (const TRepBand* f = band(rbColumnFooter))
            printBand(*f);
        if (newPage || column >= page.columnCount() - 1) {
            column = 0;
            columnLeft = page.LeftMargin;
            endPage();
            startPage();
        } else {
            ++column;
            columnLeft += page.columnWidth() + page.ColumnSpace;
            y = columnTop;
        }
        if (const TRepBand* h = band(rbColumnHeader))
            printBand(*h);
    }

    // The space check, then the band.
    void printChecked(TRepBandRole role) {
        const TRepBand* b = band(role);
        if (!b)
            return;
        if (b->ForceNewPage && y > columnTop)
            nextColumnOrPage(true);
        else if (b->ForceNewColumn && y > columnTop)
            nextColumnOrPage(false);
        else if (bottomLimit() - y < b->Height && !b->ForceNewPage)
            nextColumnOrPage(false);
        printBand(*b);
    }

    void run() {
        rec.BeginDoc(title, options.Compression, QSize(page.pageWidth(), page.pageLength()));
        const TRepBand* footer = band(rbPageFooter);
        footerReserve = footer ? footer->Height : 0;
        column = 0;
        columnLeft = page.LeftMargin;
        lookUpFields();
        startPage();
        const bool open = table && table->isOpen();
        bool more = false;
        if (open) {
            table->first();
            more = !table->eof();
        }
        const int count = open ? std::max(1, table->recordCount()) : 1;
        if (more || printIfEmpty) {
            handlePendingInput(true);
            if (rec.Cancelled())
                return rec.Abort();
            printChecked(rbTitle);
            if (pageNumber == 1)
                printChecked(rbColumnHeader);
            int details = 0;
            while (more) {
                handlePendingInput(false);
                if (rec.Cancelled())
                    return rec.Abort();
                ++details;
                printChecked(rbDetail);
                more = table->isOpen() && (table->next(), !table->eof());
                const int progress = std::min(100, static_cast<int>(details * 100LL / count));
                if (progress != rec.Progress()) {
                    rec.SetProgress(progress);
                    handlePendingInput(true);
                }
            }
            printChecked(rbSummary);
        }
        finished = true;
        endPage();
        rec.EndDoc();
    }
};

ReportRun::ReportRun(const TReport& report, TRepPrinter& recorder)
    : d(std::make_unique<Impl>(report, recorder)) {}

ReportRun::~ReportRun() = default;

void ReportRun::execute() {
    try {
        d->run();
    } catch (...) {
        if (d->rec.State() == TRepPrinter::psGenerating)
            d->rec.Abort();
        throw;
    }
}

} // namespace report
