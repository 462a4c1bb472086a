#include "discogs.h"

#include "csv.h"

#include <QFile>
#include <QRegularExpression>

#include <array>
#include <optional>

namespace exchange {

namespace {

enum Column {
    CatalogNo,
    Artist,
    Title,
    Label,
    Format,
    Released,
    ReleaseId,
    Folder,
    DateAdded,
    MediaCondition,
    SleeveCondition,
    Notes,
    ColumnCount
};

constexpr std::array<std::string_view, ColumnCount> kColumnNames = {"Catalog#",
                                                                    "Artist",
                                                                    "Title",
                                                                    "Label",
                                                                    "Format",
                                                                    "Released",
                                                                    "release_id",
                                                                    "CollectionFolder",
                                                                    "Date Added",
                                                                    "Collection Media Condition",
                                                                    "Collection Sleeve Condition",
                                                                    "Collection Notes"};

constexpr std::string_view kHeader =
    "Catalog#,Artist,Title,Label,Format,Rating,Released,release_id,CollectionFolder,Date Added,"
    "Collection Media Condition,Collection Sleeve Condition,Collection Notes";

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string_view firstOfList(std::string_view s) {
    return trimmed(s.substr(0, s.find(',')));
}

// "2xLP" -> "LP", "3×CD" -> "CD".
std::string_view withoutQuantity(std::string_view token) {
    std::size_t i = 0;
    while (i < token.size() && token[i] >= '0' && token[i] <= '9')
        ++i;
    if (i > 0 && i < token.size() && token[i] == 'x')
        return token.substr(i + 1);
    if (i > 0 && token.substr(i).starts_with("\xC3\x97")) // ×
        return token.substr(i + 2);
    return token;
}

} // namespace

std::string withoutDiscogsSuffix(std::string_view name) {
    static const QRegularExpression suffix(QStringLiteral(R"( \(\d+\)(?=$|,| &| /| \+| Feat))"));
    QString s = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    s.remove(suffix);
    return s.toStdString();
}

std::string discogsMedia(std::string_view format) {
    std::vector<std::string_view> tokens;
    while (!format.empty()) {
        const std::size_t end = format.find_first_of(",+");
        if (std::string_view token = withoutQuantity(trimmed(format.substr(0, end)));
            !token.empty())
            tokens.push_back(token);
        if (end == std::string_view::npos)
            break;
        format.remove_prefix(end + 1);
    }
    auto has = [&](std::string_view what) {
        return std::find(tokens.begin(), tokens.end(), what) != tokens.end();
    };
    // The first carrier named decides; the descriptions after it say what kind of vinyl.
    for (std::string_view token : tokens) {
        if (token == "CD" || token == "CDr" || token == "SACD")
            return "CD";
        if (token == "Minidisc")
            return "MD";
        if (token == "Cass")
            return "MC";
        if (token == "Shellac")
            return "78";
        if (token == "Vinyl" || token == "LP" || token == "7\"" || token == "10\"" ||
            token == "12\"" || token == "Flexi-disc" || token == "Lathe Cut" ||
            token == "Acetate") {
            if (has("78 RPM"))
                return "78";
            if (has("7\"") || has("Single"))
                return "SG";
            return "LP";
        }
    }
    return has("78 RPM") ? "78" : "";
}

ReadResult readDiscogs(const QString& path, const DiscogsOptions& options) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ReadError(QStringLiteral("Discogs export %1 cannot be opened: %2")
                            .arg(path, file.errorString())
                            .toStdString());
    return readDiscogs(file, path, options);
}

ReadResult readDiscogs(QIODevice& in, const QString& name, const DiscogsOptions& options) {
    csv::Reader reader(in, name);
    std::vector<std::string> fields;
    if (!reader.next(fields))
        reader.fail(1, QStringLiteral("expected the header %1").arg(QLatin1StringView(kHeader)));
    std::array<std::optional<std::size_t>, ColumnCount> at;
    for (std::size_t i = 0; i < fields.size(); ++i)
        for (int c = 0; c < ColumnCount; ++c)
            if (fields[i] == kColumnNames[static_cast<std::size_t>(c)])
                at[static_cast<std::size_t>(c)] = i;
    if (!at[Artist] || !at[Title])
        reader.fail(reader.line(),
                    QStringLiteral("expected the header %1").arg(QLatin1StringView(kHeader)));
    const std::size_t width = fields.size();

    ReadResult result;
    while (reader.next(fields)) {
        if (fields.size() > width)
            reader.fail(reader.line(), QStringLiteral("expected at most %1 fields, found %2")
                                           .arg(width)
                                           .arg(fields.size()));
        auto value = [&](Column c) -> std::string_view {
            const auto i = at[static_cast<std::size_t>(c)];
            return i && *i < fields.size() ? std::string_view(fields[*i]) : std::string_view();
        };
        ReleaseRecord rel;
        rel.kunstner = withoutDiscogsSuffix(trimmed(value(Artist)));
        rel.titel = trimmed(value(Title));
        const std::string_view format = value(Format);
        rel.media = discogsMedia(format);
        if (rel.media.empty()) {
            ++result.skipped;
            result.notes.push_back("Line " + std::to_string(reader.line()) + ": " + rel.kunstner +
                                   " - " + rel.titel + ": not a sound carrier (" +
                                   std::string(format) + ")");
            continue;
        }
        rel.forlag = withoutDiscogsSuffix(firstOfList(value(Label)));
        rel.regNr = firstOfList(value(CatalogNo));
        if (const std::string_view released = trimmed(value(Released)); released != "0")
            rel.indspillet = released;
        const std::string_view added = trimmed(value(DateAdded));
        rel.anskaffet = added.substr(0, added.find_first_of(" T"));
        if (options.folderAsGenre) {
            const std::string_view folder = trimmed(value(Folder));
            if (folder != "Uncategorized")
                rel.genre = folder;
        }
        std::string notes;
        if (const std::string_view id = trimmed(value(ReleaseId)); !id.empty())
            notes += "Discogs " + std::string(id) + '\n';
        if (const std::string_view c = trimmed(value(MediaCondition)); !c.empty())
            notes += "Media Condition: " + std::string(c) + '\n';
        if (const std::string_view c = trimmed(value(SleeveCondition)); !c.empty())
            notes += "Sleeve Condition: " + std::string(c) + '\n';
        notes += value(Notes);
        while (!notes.empty() && notes.back() == '\n')
            notes.pop_back();
        rel.notater = std::move(notes);
        result.releases.push_back(std::move(rel));
    }
    if (reader.fromWindows1252()) {
        result.fromWindows1252 = true;
        result.notes.push_back(csv::windows1252Note(name));
    }
    return result;
}

} // namespace exchange
