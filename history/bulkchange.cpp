#include "bulkchange.h"

#include "engine/error.h"
#include "engine/rowcodec.h"

#include <QString>

#include <algorithm>
#include <stdexcept>

namespace history {

const std::vector<SettableField>& settableFields() {
    static const std::vector<SettableField> fields{
        {"Genre", "Musiikkityyppi"},        {"Media", "Media"},       {"Forlag", "Kustannusyhtiö"},
        {"Kunstner", "Taiteilija"},         {"Anskaffet", "Ostettu"}, {"Pris", "Hinta"},
        {"Indspillet", "Julkaisuajankohta"}};
    return fields;
}

int setField(engine::Table& releases, const std::vector<std::uint32_t>& rows,
             std::string_view field, std::string_view text, bool dryRun) {
    const auto& settable = settableFields();
    if (std::none_of(settable.begin(), settable.end(),
                     [&](const SettableField& f) { return field == f.field; }))
        throw std::invalid_argument("Kenttää " + std::string(field) +
                                    " ei voi muuttaa monelle levylle kerralla");
    const int f = releases.fieldIndex(field);
    std::vector<std::pair<std::uint32_t, std::string>> changed;
    for (std::uint32_t id : rows) {
        const auto row = releases.rowById(id);
        if (!row)
            continue;
        std::string now = releases.withText(*row, f, text);
        if (now != *row)
            changed.emplace_back(id, std::move(now));
    }
    if (!dryRun && !changed.empty())
        releases.replaceRows(changed);
    return static_cast<int>(changed.size());
}

const std::vector<NameKind>& nameKinds() {
    static const std::vector<NameKind> kinds{
        {"artist", "Taiteilija", {{"Lydsam", "Kunstner"}, {"Numre", "Kunstner"}}},
        {"musician", "Muusikko", {{"Musiker", "Musiker"}, {"Numre", "Musiker"}}},
        {"composer", "Säveltäjä", {{"Numre", "Komponist"}}},
        {"label", "Kustannusyhtiö", {{"Lydsam", "Forlag"}}},
        {"genre", "Musiikkityyppi", {{"Genre", "Genre"}, {"Lydsam", "Genre"}}},
    };
    return kinds;
}

const NameKind& nameKind(std::string_view key) {
    for (const NameKind& k : nameKinds())
        if (key == k.key)
            return k;
    throw std::invalid_argument("Tuntematon nimen laji: " + std::string(key));
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
            const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
            return lower(x) == lower(y);
        }))
        return true;
    const auto ascii = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
    };
    if (ascii(a) && ascii(b))
        return false;
    return QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())),
                        Qt::CaseInsensitive) == 0;
}

namespace {

// The genre list keeps one row of each name: rows left equal to an earlier one go.
void dropRepeatedGenres(engine::Table& genres, std::string_view name) {
    const int f = genres.fieldIndex("Genre");
    std::vector<std::uint32_t> same;
    for (int r = 0; r < genres.storedRowCount(); ++r)
        if (genres.storedTextView(r, f) == name)
            same.push_back(genres.storedRowId(r));
    for (std::size_t i = 1; i < same.size(); ++i)
        if (genres.gotoRow(same[i]))
            genres.deleteRecord();
}

} // namespace

RenameCount renameName(const Tables& tables, const NameKind& kind, std::string_view from,
                       std::string_view to, bool dryRun) {
    if (from.empty())
        throw std::invalid_argument("Korvattava nimi puuttuu");
    RenameCount count;
    std::vector<std::vector<std::pair<std::uint32_t, std::string>>> plans;
    for (const auto& [tableName, fieldName] : kind.places) {
        engine::Table& t = tables(tableName);
        const int f = t.fieldIndex(fieldName);
        std::vector<std::pair<std::uint32_t, std::string>> plan;
        for (int r = 0; r < t.storedRowCount(); ++r) {
            const std::string_view value = t.storedTextView(r, f);
            if (value.empty() || value == to || !sameName(value, from))
                continue;
            const std::string_view row = t.storedBlob(r);
            plan.emplace_back(t.storedRowId(r), t.withText(row, f, to));
        }
        count.rows += static_cast<int>(plan.size());
        count.byTable.emplace_back(tableName, static_cast<int>(plan.size()));
        plans.push_back(std::move(plan));
    }
    if (dryRun)
        return count;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        engine::Table& t = tables(kind.places[i].first);
        if (!plans[i].empty())
            t.replaceRows(plans[i]);
        if (std::string_view(kind.places[i].first) == "Genre" && !plans[i].empty())
            dropRepeatedGenres(t, to);
    }
    return count;
}

} // namespace history
