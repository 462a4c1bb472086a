#include "htmlpage.h"

#include "htmlpageassets.h"
#include "htmlstats.h"

#include "engine/filter.h"
#include "engine/rowcodec.h"
#include "engine/utf8.h"
#include "store/coverimage.h"

#include <QCryptographicHash>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>

namespace exchange {

namespace {

// Output goes to the file in pieces of about this size, so a large collection never sits
// in memory twice.
constexpr qsizetype kFlushSize = 1 << 20;

class PageOut {
public:
    explicit PageOut(const QString& path) : file_(path) {
        if (!file_.open(QIODevice::WriteOnly))
            fail();
        buffer_.reserve(kFlushSize + 4096);
    }

    void raw(std::string_view s) {
        buffer_.append(s.data(), static_cast<qsizetype>(s.size()));
        if (buffer_.size() >= kFlushSize)
            flush();
    }
    void html(const QString& text) { raw(htmlEscaped(text).toStdString()); }

    // A JSON string whose text can never end the script element it sits in, nor be read as
    // markup: &, <, >, quotes and control characters become \u escapes.
    void jsonString(std::string_view s) {
        static constexpr char kHex[] = "0123456789abcdef";
        buffer_.append('"');
        std::size_t plain = 0; // start of the run of characters that go as they are
        for (std::size_t i = 0; i < s.size(); ++i) {
            const auto u = static_cast<unsigned char>(s[i]);
            if (u >= 0x20 && u != '"' && u != '\\' && u != '<' && u != '>' && u != '&' && u != '\'')
                continue;
            buffer_.append(s.data() + plain, static_cast<qsizetype>(i - plain));
            const char esc[] = {'\\', 'u', '0', '0', kHex[u >> 4], kHex[u & 15]};
            buffer_.append(esc, 6);
            plain = i + 1;
        }
        buffer_.append(s.data() + plain, static_cast<qsizetype>(s.size() - plain));
        buffer_.append('"');
        if (buffer_.size() >= kFlushSize)
            flush();
    }
    // An integer field's value as a JSON number, null when empty.
    void jsonNumber(std::string_view digits) { raw(digits.empty() ? "null" : digits); }

    void commit() {
        flush();
        if (!file_.commit())
            fail();
    }

private:
    void flush() {
        if (file_.write(buffer_) != buffer_.size())
            fail();
        buffer_.clear();
    }
    [[noreturn]] void fail() {
        throw HtmlPageError(QStringLiteral("Tiedostoa %1 ei voi kirjoittaa: %2")
                                .arg(file_.fileName(), file_.errorString())
                                .toStdString());
    }

    QSaveFile file_;
    QByteArray buffer_;
};

enum class Kind { Text, Number };
struct Column {
    const char* field;
    Kind kind;
};

// One JSON array per row that keep picks among count rows, the columns in the given order;
// text(row, field) reads a value.
template <typename Keep, typename Text>
void writeRows(PageOut& out, const engine::Table& table, int count, Keep keep,
               std::initializer_list<Column> columns, Text text) {
    std::vector<std::pair<int, Kind>> fields;
    for (const Column& c : columns)
        fields.emplace_back(table.fieldIndex(c.field), c.kind);
    out.raw("[");
    bool firstRow = true;
    for (int row = 0; row < count; ++row) {
        if (!keep(row))
            continue;
        out.raw(firstRow ? "\n[" : ",\n[");
        firstRow = false;
        bool first = true;
        for (const auto& [field, kind] : fields) {
            if (!first)
                out.raw(",");
            first = false;
            kind == Kind::Number ? out.jsonNumber(text(row, field))
                                 : out.jsonString(text(row, field));
        }
        out.raw("]");
    }
    out.raw("]");
}

// The rows the view shows, in its order.
void writeViewRows(PageOut& out, const engine::Table& table,
                   std::initializer_list<Column> columns) {
    writeRows(
        out, table, table.displayRowCount(), [](int) { return true; }, columns,
        [&](int row, int field) { return table.textAt(row, field); });
}

// The stored rows that keep picks, in stored order (the page groups them itself).
template <typename Keep>
void writeStoredRows(PageOut& out, const engine::Table& table, Keep keep,
                     std::initializer_list<Column> columns) {
    std::string number; // a number's text while it is written; text is read in place
    writeRows(out, table, table.storedRowCount(), keep, columns,
              [&](int row, int field) -> std::string_view {
                  if (engine::isTextType(table.fields()[static_cast<std::size_t>(field)].type))
                      return table.storedTextView(row, field);
                  return number = table.storedText(row, field);
              });
}

// What of the other tables belongs to the releases on the page: tracks by their release's
// number, musician rows by their track's title (as the page links them) and, where the row
// names one, their release's title. Nothing of a release the user filtered out gets in.
class PageContents {
public:
    PageContents(const engine::Table& lydsam, const engine::Table& numre,
                 const engine::Table& musiker)
        : musiker_(musiker), musicianTrack_(musiker.fieldIndex("NrTitel")),
          musicianRelease_(musiker.fieldIndex("Titel")) {
        const int num = lydsam.fieldIndex("Num"), titel = lydsam.fieldIndex("Titel");
        std::unordered_set<std::int32_t> nums;
        for (int row = 0; row < lydsam.displayRowCount(); ++row) {
            if (std::int32_t n = 0; engine::parseInteger(lydsam.textAt(row, num), n))
                nums.insert(n);
            releaseTitles_.emplace(engine::utf8::cutToChars(lydsam.textAt(row, titel), kLink));
        }
        const int trackNum = numre.fieldIndex("Num"), nrTitel = numre.fieldIndex("NrTitel");
        tracks_.resize(static_cast<std::size_t>(numre.storedRowCount()));
        for (int row = 0; row < numre.storedRowCount(); ++row) {
            const auto n = engine::rowcodec::intField(numre.storedBlob(row), trackNum);
            if (!n || !nums.contains(*n))
                continue;
            tracks_[static_cast<std::size_t>(row)] = true;
            trackTitles_.insert(
                engine::utf8::cutToChars(numre.storedTextView(row, nrTitel), kLink));
        }
    }
    bool hasTrack(int storedRow) const { return tracks_[static_cast<std::size_t>(storedRow)]; }
    bool hasMusician(int storedRow) const {
        if (!trackTitles_.contains(musiker_.storedTextView(storedRow, musicianTrack_)))
            return false;
        const std::string_view release = musiker_.storedTextView(storedRow, musicianRelease_);
        return release.empty() || releaseTitles_.contains(release);
    }

private:
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
    };
    static constexpr int kLink = 30; // characters of a title that link rows
    const engine::Table& musiker_;
    int musicianTrack_, musicianRelease_;
    std::vector<bool> tracks_; // by stored row of numre
    std::unordered_set<std::string, TextHash, std::equal_to<>> releaseTitles_;
    std::unordered_set<std::string_view> trackTitles_; // views into numre's rows
};

constexpr int kCoverQuality = 60;
// Fewer covers than this a thread are not worth starting it for.
constexpr std::size_t kCoversPerThread = 64;

// The numbers of the releases on the page, each once, in the view's order.
std::vector<std::int32_t> shownNumbers(const engine::Table& lydsam) {
    const int num = lydsam.fieldIndex("Num");
    std::vector<std::int32_t> nums;
    std::unordered_set<std::int32_t> seen;
    for (int row = 0; row < lydsam.displayRowCount(); ++row)
        if (std::int32_t n = 0;
            engine::parseInteger(lydsam.textAt(row, num), n) && seen.insert(n).second)
            nums.push_back(n);
    return nums;
}

// The covers of the releases on the page, made small on threads of their own while the rest of
// the page is written. Each is read and encoded anew, so only a real JPEG of bounded size ever
// gets into the page, whatever the source gave.
class PageCovers {
public:
    PageCovers(const std::function<std::string(std::int32_t)>& cover,
               std::vector<std::int32_t> nums)
        : cover_(cover), nums_(std::move(nums)), made_(nums_.size()) {
        if (!cover_)
            return;
        const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
        const std::size_t threads =
            std::min(cores, (nums_.size() + kCoversPerThread - 1) / kCoversPerThread);
        for (std::size_t i = 0; i < threads; ++i)
            workers_.emplace_back([this](std::stop_token stop) { work(stop); });
    }

    // [num, "base64"] for each release with a cover; raises the first failure.
    void write(PageOut& out) {
        if (cover_) // the rest of the page is written: this thread helps with what is left
            work(std::stop_token());
        for (std::jthread& w : workers_)
            w.join();
        if (failure_)
            std::rethrow_exception(failure_);
        out.raw("[");
        bool first = true;
        for (std::size_t i = 0; i < nums_.size(); ++i) {
            if (made_[i].empty())
                continue;
            out.raw(first ? "\n[" : ",\n[");
            first = false;
            out.raw(std::to_string(nums_[i]));
            out.raw(",\""); // base64 needs no escaping
            out.raw(made_[i]);
            out.raw("\"]");
            std::string().swap(made_[i]);
        }
        out.raw("]");
    }

private:
    void work(const std::stop_token& stop) {
        while (!stop.stop_requested() && !failed_.load(std::memory_order_relaxed)) {
            const std::size_t i = next_.fetch_add(1, std::memory_order_relaxed);
            if (i >= nums_.size())
                return;
            try {
                made_[i] = pageCover(nums_[i]);
            } catch (const std::exception& e) {
                fail(nums_[i], QString::fromUtf8(e.what()));
            } catch (...) {
                fail(nums_[i], QStringLiteral("tuntematon virhe"));
            }
        }
    }
    std::string pageCover(std::int32_t num) const {
        const std::string source = cover_(num);
        if (source.empty())
            return {};
        const std::string jpeg = store::encodeCover(
            store::readCoverImage(source, kPageCoverSide, QStringLiteral("kansi %1").arg(num)),
            kCoverQuality);
        return QByteArray::fromRawData(jpeg.data(), static_cast<qsizetype>(jpeg.size()))
            .toBase64()
            .toStdString();
    }
    void fail(std::int32_t num, const QString& why) {
        const std::lock_guard lock(failureMutex_);
        if (!failure_)
            failure_ = std::make_exception_ptr(
                HtmlPageError(QStringLiteral("Levyn %1 kansikuvaa ei voi ottaa sivulle: %2")
                                  .arg(num)
                                  .arg(why)
                                  .toStdString()));
        failed_ = true;
    }

    const std::function<std::string(std::int32_t)>& cover_;
    const std::vector<std::int32_t> nums_;
    std::vector<std::string> made_; // base64 JPEG by place in nums_; empty: no cover
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> failed_{false};
    std::mutex failureMutex_;
    std::exception_ptr failure_;
    std::vector<std::jthread> workers_; // last: stopped and joined before the rest goes
};

QByteArray sha256Source(std::string_view text) {
    return QStringLiteral("'sha256-%1'")
        .arg(QString::fromLatin1(
            QCryptographicHash::hash(QByteArrayView(text.data(), qsizetype(text.size())),
                                     QCryptographicHash::Sha256)
                .toBase64()))
        .toLatin1();
}

} // namespace

QString htmlEscaped(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        case u'\'':
            out += u"&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

void writeHtmlPage(const engine::Table& lydsam, const engine::Table& numre,
                   const engine::Table& musiker, const QString& path,
                   const HtmlPageOptions& options) {
    namespace assets = htmlpageassets;
    const int releases = lydsam.displayRowCount();
    PageOut out(path);
    PageCovers covers(options.cover,
                      options.cover ? shownNumbers(lydsam) : std::vector<std::int32_t>());
    out.raw("<!DOCTYPE html>\n<html lang=\"fi\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
            "script-src ");
    out.raw(sha256Source(assets::script).toStdString());
    out.raw("; style-src ");
    out.raw(sha256Source(assets::style).toStdString());
    out.raw("; img-src data:; base-uri 'none'; form-action 'none'\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
            "<meta name=\"generator\" content=\"Levyholvi\">\n"
            "<title>Levyholvi</title>\n<style>");
    out.raw(assets::style);
    out.raw("</style>\n</head>\n<body>\n<header>\n<h1>Levyholvi</h1>\n<p>");
    out.html(releases == 1 ? QStringLiteral("1 äänite")
                           : QStringLiteral("%1 äänitettä").arg(releases));
    out.raw("</p>\n</header>\n"
            "<noscript><p>Kokoelman näyttäminen tarvitsee JavaScriptin.</p></noscript>\n");
    // The figures of the releases on the page, drawn here: they need no script.
    const bool everyRelease = lydsam.displayRowCount() == lydsam.storedRowCount();
    {
        const std::vector<std::uint32_t> shown = lydsam.viewRowIds();
        out.raw(htmlStatsSection(
            stats::compute(lydsam, numre, musiker, everyRelease ? nullptr : &shown), everyRelease));
    }
    out.raw("<div class=\"tools\">\n"
            "<label>Hae <input id=\"lh-search\" type=\"search\" autocomplete=\"off\" "
            "placeholder=\"taiteilija, nimi, kustantaja...\"></label>\n"
            "<label>Media <select id=\"lh-media\"><option value=\"\">Kaikki</option>"
            "<option>CD</option><option>MD</option><option>LP</option><option>MC</option>"
            "<option>SG</option><option>78</option></select></label>\n"
            "<div class=\"views\" role=\"radiogroup\" aria-label=\"Näkymä\">"
            "<label><input type=\"radio\" name=\"lh-view\" value=\"list\" checked> Luettelo</label>"
            "<label><input type=\"radio\" name=\"lh-view\" value=\"wall\"> Kansiseinä</label>"
            "</div>\n"
            "<span id=\"lh-shown\" role=\"status\"></span>\n</div>\n<main>\n"
            // data-field: the place of the column's value in a release's row.
            "<table id=\"lh-list\"><thead><tr><th class=\"cover\"><span class=\"sr\">Kansi</span>"
            "</th><th data-field=\"0\">Taiteilija</th><th data-field=\"1\">Nimi</th>"
            "<th data-field=\"2\">Musiikkityyppi</th><th data-field=\"3\">Media</th>"
            "<th data-field=\"4\">Kustantaja</th><th data-field=\"5\">Rekisterinumero</th>"
            "<th data-field=\"6\">Äänitetty</th><th data-field=\"8\">Nro</th></tr></thead>\n"
            "<tbody id=\"lh-rows\"></tbody></table>\n"
            "<div id=\"lh-wall\" aria-label=\"Kansiseinä\" hidden></div>\n"
            "<div id=\"lh-more\"></div>\n</main>\n"
            "<dialog id=\"lh-release\" aria-labelledby=\"lh-release-title\">"
            "<button type=\"button\" id=\"lh-release-close\">Sulje</button>"
            "<div id=\"lh-release-body\"></div></dialog>\n");

    // Rows are data blocks: never run, so they need no room in the policy.
    out.raw("<script type=\"application/json\" id=\"lh-releases\">");
    writeViewRows(out, lydsam,
                  {{"Kunstner", Kind::Text},
                   {"Titel", Kind::Text},
                   {"Genre", Kind::Text},
                   {"Media", Kind::Text},
                   {"Forlag", Kind::Text},
                   {"RegNr", Kind::Text},
                   {"Indspillet", Kind::Text},
                   {"Anskaffet", Kind::Text},
                   {"Num", Kind::Number},
                   {"Notater", Kind::Text}});
    out.raw("</script>\n<script type=\"application/json\" id=\"lh-tracks\">");
    // A page of every release has nothing to hide, and the whole collection is the common case
    // and the large one: the lookups below are left out then.
    const std::optional<PageContents> contents =
        everyRelease ? std::nullopt : std::make_optional<PageContents>(lydsam, numre, musiker);
    writeStoredRows(out, numre, [&](int row) { return !contents || contents->hasTrack(row); },
                    {{"Num", Kind::Number},
                     {"Nummer", Kind::Number},
                     {"NrTitel", Kind::Text},
                     {"Kunstner", Kind::Text},
                     {"Komponist", Kind::Text},
                     {"Musiker", Kind::Text},
                     {"KunstnerNotat", Kind::Text},
                     {"KomponistNotat", Kind::Text},
                     {"Notat", Kind::Text},
                     {"RegNr", Kind::Text}});
    out.raw("</script>\n<script type=\"application/json\" id=\"lh-musicians\">");
    writeStoredRows(out, musiker, [&](int row) { return !contents || contents->hasMusician(row); },
                    {{"NrTitel", Kind::Text},
                     {"Musiker", Kind::Text},
                     {"Instrument", Kind::Text},
                     {"Notat", Kind::Text}});
    out.raw("</script>\n<script type=\"application/json\" id=\"lh-covers\">");
    covers.write(out);
    out.raw("</script>\n<script>");
    out.raw(assets::script);
    out.raw("</script>\n</body>\n</html>\n");
    out.commit();
}

} // namespace exchange
