#include "csvtables.h"

#include "bulkapply.h"
#include "csv.h"
#include "engine/error.h"
#include "engine/filter.h"
#include "engine/rowcodec.h"
#include "engine/utf8.h"
#include "store/collection.h"
#include "store/covers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace exchange {

namespace {

constexpr std::size_t kWriteChunk = 1 << 20;

engine::Table& tableNamed(const CollectionTables& t, std::string_view name) {
    if (name == "Lydsam")
        return t.lydsam;
    if (name == "Arkiv")
        return t.arkiv;
    if (name == "Numre")
        return t.numre;
    if (name == "Genre")
        return t.genre;
    return t.musiker;
}

QString csvPath(const QString& folder, const store::CollectionTable& table) {
    return QDir(folder).filePath(QString::fromLatin1(table.name) + QStringLiteral(".csv"));
}

QString coverFolder(const QString& folder) {
    return QDir(folder).filePath(QString::fromLatin1(store::kCoverFolder));
}

// The covers "<num>.jpg" in folder, by number.
std::map<std::int32_t, QString> coverFiles(const QString& folder) {
    std::map<std::int32_t, QString> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files))
        if (const auto num = store::coverNumber(name.toStdString()))
            files.emplace(*num, dir.filePath(name));
    return files;
}

void writeFile(const QString& path, const std::string& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit())
        throw engine::Error(
            QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()).toStdString());
}

void writeTable(const engine::Table& t, const QString& path, int& done, int total,
                const Progress& progress) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw engine::Error(
            QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()).toStdString());
    std::string out;
    auto flush = [&] {
        if (file.write(out.data(), static_cast<qint64>(out.size())) !=
            static_cast<qint64>(out.size()))
            throw engine::Error(
                QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()).toStdString());
        out.clear();
    };
    const int fields = t.fieldCount();
    for (int f = 0; f < fields; ++f) {
        if (f > 0)
            out.push_back(',');
        csv::appendField(out, t.fields()[static_cast<std::size_t>(f)].name, fields == 1);
    }
    out.append(csv::kLineEnd);
    for (int r = 0; r < t.storedRowCount(); ++r) {
        for (int f = 0; f < fields; ++f) {
            if (f > 0)
                out.push_back(',');
            if (engine::isTextType(t.fields()[static_cast<std::size_t>(f)].type)) {
                const std::string_view text = t.storedTextView(r, f);
                if (csv::needsFormulaGuard(text))
                    csv::appendField(out, std::string(1, '\'').append(text), fields == 1);
                else
                    csv::appendField(out, text, fields == 1);
            } else
                csv::appendField(out, t.storedText(r, f), fields == 1);
        }
        out.append(csv::kLineEnd);
        if (out.size() >= kWriteChunk) {
            flush();
            if (progress)
                progress(done + r, total);
        }
    }
    flush();
    done += t.storedRowCount();
    if (!file.commit())
        throw engine::Error(
            QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()).toStdString());
}

// Reads one table's file and checks every value against the table's fields; each row comes
// out as the values of the fields in field order ("" where the file has no column).
class TableFile {
public:
    TableFile(const QString& path, const engine::Table& target)
        : file_(path), fields_(target.fields()) {}

    bool exists() const { return file_.exists(); }
    qint64 size() const { return file_.size(); }
    // The note for the summary when the last read converted the file from Windows-1252.
    std::optional<std::string> conversionNote() const {
        if (!fromWindows1252_)
            return std::nullopt;
        return csv::windows1252Note(QFileInfo(file_).fileName());
    }

    // Calls row(values, line) for each row; returns how many there were. cut counts values
    // longer than their field.
    template <typename Row>
    int read(int& cut, const std::function<bool(qint64)>& onBytes, Row&& row) {
        if (!file_.open(QIODevice::ReadOnly))
            throw ReadError(QStringLiteral("%1 cannot be opened: %2")
                                .arg(file_.fileName(), file_.errorString())
                                .toStdString());
        csv::Reader reader(file_, file_.fileName());
        std::vector<std::string> record;
        if (!reader.next(record))
            reader.fail(1, QStringLiteral("expected a header of field names"));
        std::vector<int> column; // field of each column
        for (const std::string& name : record) {
            const int f = engine::findField(fields_, name);
            if (f < 0 || fields_[static_cast<std::size_t>(f)].name != name)
                reader.fail(reader.line(),
                            QStringLiteral("expected field names of the table, found '%1'")
                                .arg(QString::fromStdString(name)));
            if (std::find(column.begin(), column.end(), f) != column.end())
                reader.fail(
                    reader.line(),
                    QStringLiteral("the field %1 appears twice").arg(QString::fromStdString(name)));
            column.push_back(f);
        }
        std::vector<std::string> values(fields_.size());
        int rows = 0;
        while (reader.next(record)) {
            if (record.size() != column.size())
                reader.fail(reader.line(), QStringLiteral("expected %1 fields, found %2")
                                               .arg(column.size())
                                               .arg(record.size()));
            for (std::string& v : values)
                v.clear();
            for (std::size_t c = 0; c < column.size(); ++c) {
                const engine::FieldDef& def = fields_[static_cast<std::size_t>(column[c])];
                // The ' that kept a spreadsheet from running the text as a formula.
                if (engine::isTextType(def.type) &&
                    csv::withoutFormulaGuard(record[c]).size() < record[c].size())
                    record[c].erase(0, 1);
                check(reader, def, record[c], cut);
                values[static_cast<std::size_t>(column[c])] = std::move(record[c]);
            }
            row(values, reader.line());
            ++rows;
            if (onBytes && (rows & 1023) == 0 && !onBytes(reader.bytesRead()))
                return -1;
        }
        fromWindows1252_ = reader.fromWindows1252();
        file_.close();
        return rows;
    }

private:
    void check(const csv::Reader& reader, const engine::FieldDef& def, const std::string& value,
               int& cut) {
        if (value.empty())
            return;
        std::int32_t i = 0;
        double d = 0;
        switch (def.type) {
        case engine::FieldType::String:
            cut += engine::utf8::charCount(value) > def.size;
            return;
        case engine::FieldType::Memo:
            return;
        case engine::FieldType::Integer:
        case engine::FieldType::AutoInc:
            if (!engine::parseInteger(value, i))
                reader.fail(
                    reader.line(),
                    QStringLiteral("expected a whole number in %1, found '%2'")
                        .arg(QString::fromStdString(def.name), QString::fromStdString(value)));
            return;
        case engine::FieldType::Currency:
            if (value.find(',') != std::string::npos || !engine::parseCurrency(value, d))
                reader.fail(
                    reader.line(),
                    QStringLiteral("expected a price such as 12.50 in %1, found '%2'")
                        .arg(QString::fromStdString(def.name), QString::fromStdString(value)));
            return;
        }
    }

    QFile file_;
    std::vector<engine::FieldDef> fields_;
    bool fromWindows1252_ = false;
};

// The rows of one file as the read found them, one blob each (a field's text, or none when
// empty), so adding them needs no second read of a file that may have changed meanwhile.
struct FoundRows {
    std::string bytes;
    std::vector<std::size_t> ends;
};

ImportSummary restore(CollectionTables& t, const QString& folder, bool dryRun,
                      const Progress& progress) {
    ImportSummary summary;
    const auto& tables = store::collectionTables();
    qint64 totalBytes = 0;
    for (const store::CollectionTable& table : tables)
        totalBytes += QFileInfo(csvPath(folder, table)).size();
    const int totalKb = static_cast<int>(totalBytes / 1024) + 1;
    qint64 doneBytes = 0;
    auto onBytes = [&](qint64 bytes) {
        return !progress || progress(static_cast<int>((doneBytes + bytes) / 1024), totalKb);
    };
    std::array<int, 5> counts{};
    std::array<FoundRows, 5> found;
    std::unordered_set<std::int32_t> nums; // of the releases, whose covers come along
    const int fNum = t.lydsam.fieldIndex("Num");
    // First every file is read and checked; only then is anything added.
    for (std::size_t i = 0; i < tables.size(); ++i) {
        TableFile file(csvPath(folder, tables[i]), tableNamed(t, tables[i].name));
        if (!file.exists())
            continue;
        std::vector<engine::rowcodec::Payload> payloads;
        counts[i] =
            file.read(summary.cut, onBytes, [&](const std::vector<std::string>& values, int) {
                if (std::int32_t num = 0;
                    i == 0 && engine::parseInteger(values[static_cast<std::size_t>(fNum)], num))
                    nums.insert(num);
                if (dryRun)
                    return;
                payloads.clear();
                for (const std::string& v : values)
                    payloads.emplace_back(v.empty() ? engine::rowcodec::Payload() : v);
                found[i].bytes += engine::rowcodec::encode(payloads);
                found[i].ends.push_back(found[i].bytes.size());
            });
        if (counts[i] < 0) {
            summary.cancelled = true;
            return summary;
        }
        if (const auto note = file.conversionNote()) {
            summary.fromWindows1252 = true;
            summary.notes.push_back(*note);
        }
        doneBytes += file.size();
    }
    summary.releases = counts[0];
    summary.tracks = counts[2];
    summary.genres = counts[3];
    summary.musicians = counts[4];
    std::vector<CoverSource> coverSources;
    if (t.covers)
        for (const auto& [num, path] : coverFiles(coverFolder(folder))) {
            if (nums.contains(num))
                coverSources.push_back({num, path.toStdString(), nullptr, {}});
            else
                summary.notes.push_back("Kannet/" + std::to_string(num) +
                                        ".jpg: no release has that Num");
        }
    if (dryRun)
        summary.covers = static_cast<int>(coverSources.size());
    std::optional<std::vector<ReadCover>> covers;
    if (!dryRun && !(covers = readCovers(coverSources, progress))) {
        summary.cancelled = true;
        return summary;
    }
    // The last chance to cancel. From here on nothing lets events through (no progress), so
    // nothing (a close asked for by the session, say) runs while rows are being added.
    if (dryRun || (progress && !progress(totalKb, totalKb))) {
        summary.cancelled = !dryRun;
        return summary;
    }
    BulkApply bulk(t);
    for (std::size_t i = 0; i < tables.size(); ++i) {
        engine::Table& target = tableNamed(t, tables[i].name);
        const int fields = target.fieldCount();
        std::size_t start = 0;
        for (const std::size_t end : found[i].ends) {
            const auto values = engine::rowcodec::decode(
                std::string_view(found[i].bytes).substr(start, end - start), fields);
            start = end;
            target.append();
            for (int f = 0; f < fields; ++f)
                if (const auto& v = values[static_cast<std::size_t>(f)])
                    target.setText(f, *v);
            target.post();
        }
        found[i] = {}; // its memory back before the next table's rows take theirs
    }
    bulk.finish();
    if (t.covers)
        applyCovers(*t.covers, *covers, summary);
    return summary;
}

} // namespace

void writeCsvTables(const CollectionTables& tables, const QString& folder,
                    const Progress& progress) {
    if (!QDir().mkpath(folder))
        throw engine::Error(QStringLiteral("Cannot make the folder %1").arg(folder).toStdString());
    int total = 0;
    for (const store::CollectionTable& table : store::collectionTables())
        total += tableNamed(tables, table.name).storedRowCount();
    int done = 0;
    for (const store::CollectionTable& table : store::collectionTables())
        writeTable(tableNamed(tables, table.name), csvPath(folder, table), done, total, progress);
    if (tables.covers)
        writeCoverFiles(tables, coverFolder(folder), true);
}

int writeCoverFiles(const CollectionTables& tables, const QString& folder, bool removeOthers) {
    std::set<std::int32_t> nums;
    const int fNum = tables.lydsam.fieldIndex("Num");
    for (int r = 0; r < tables.lydsam.storedRowCount(); ++r)
        if (std::int32_t num = 0;
            engine::parseInteger(tables.lydsam.storedText(r, fNum), num) && num > 0)
            nums.insert(num);
    std::set<std::int32_t> written;
    for (const std::int32_t num : nums) {
        const store::Covers::Picture picture = tables.covers->picture(num);
        if (!picture)
            continue;
        if (written.empty() && !QDir().mkpath(folder))
            throw engine::Error(
                QStringLiteral("Cannot make the folder %1").arg(folder).toStdString());
        writeFile(QDir(folder).filePath(QString::number(num) + QStringLiteral(".jpg")), *picture);
        written.insert(num);
    }
    if (removeOthers)
        for (const auto& [num, path] : coverFiles(folder))
            if (!written.contains(num))
                if (!QFile::remove(path))
                    throw engine::Error(QStringLiteral("Cannot remove %1").arg(path).toStdString());
    return static_cast<int>(written.size());
}

bool isEmpty(const CollectionTables& t) {
    for (const engine::Table* table : {&t.lydsam, &t.arkiv, &t.numre, &t.genre, &t.musiker})
        if (table->storedRowCount() > 0)
            return false;
    return true;
}

ReadResult readCsvTables(const QString& folder, const CollectionTables& t) {
    ReadResult result;
    int cut = 0; // the importer counts the values it cuts
    const store::CollectionTable& lydsamDef = store::collectionTable("Lydsam");
    const store::CollectionTable& numreDef = store::collectionTable("Numre");
    const store::CollectionTable& genreDef = store::collectionTable("Genre");
    const store::CollectionTable& musikerDef = store::collectionTable("Musiker");

    auto field = [](const engine::Table& table, const std::vector<std::string>& values,
                    std::string_view name) -> const std::string& {
        return values[static_cast<std::size_t>(table.fieldIndex(name))];
    };
    // By number, as the files may write "07" or " 7" for 7.
    std::unordered_map<std::int32_t, std::size_t> releaseOfNum;
    TableFile lydsam(csvPath(folder, lydsamDef), t.lydsam);
    if (lydsam.exists())
        lydsam.read(cut, {}, [&](const std::vector<std::string>& v, int) {
            ReleaseRecord rel;
            rel.kunstner = field(t.lydsam, v, "Kunstner");
            rel.titel = field(t.lydsam, v, "Titel");
            rel.genre = field(t.lydsam, v, "Genre");
            rel.media = field(t.lydsam, v, "Media");
            rel.forlag = field(t.lydsam, v, "Forlag");
            rel.regNr = field(t.lydsam, v, "RegNr");
            rel.indspillet = field(t.lydsam, v, "Indspillet");
            rel.anskaffet = field(t.lydsam, v, "Anskaffet");
            if (double d = 0; engine::parseCurrency(field(t.lydsam, v, "Pris"), d))
                rel.pris = d;
            rel.notater = field(t.lydsam, v, "Notater");
            if (std::int32_t num = 0; engine::parseInteger(field(t.lydsam, v, "Num"), num))
                releaseOfNum.try_emplace(num, result.releases.size());
            result.releases.push_back(std::move(rel));
        });
    for (const auto& [num, path] : coverFiles(coverFolder(folder))) {
        if (const auto release = releaseOfNum.find(num); release != releaseOfNum.end()) {
            result.releases[release->second].coverFile = path.toStdString();
        } else {
            ++result.skipped;
            result.notes.push_back("Kannet/" + std::to_string(num) +
                                   ".jpg: no release has that Num");
        }
    }

    // A track title links to musicians by its first 30 characters.
    std::multimap<std::string, std::pair<std::size_t, std::size_t>> trackOfTitle;
    TableFile numre(csvPath(folder, numreDef), t.numre);
    if (numre.exists())
        numre.read(cut, {}, [&](const std::vector<std::string>& v, int line) {
            std::int32_t num = 0;
            const auto release = engine::parseInteger(field(t.numre, v, "Num"), num)
                                     ? releaseOfNum.find(num)
                                     : releaseOfNum.end();
            if (release == releaseOfNum.end()) {
                ++result.skipped;
                result.notes.push_back("Numre.csv line " + std::to_string(line) +
                                       ": no release has the Num of track '" +
                                       field(t.numre, v, "NrTitel") + "'");
                return;
            }
            TrackRecord track;
            if (std::int32_t n = 0; engine::parseInteger(field(t.numre, v, "Nummer"), n))
                track.nummer = n;
            track.nrTitel = field(t.numre, v, "NrTitel");
            track.kunstner = field(t.numre, v, "Kunstner");
            track.komponist = field(t.numre, v, "Komponist");
            track.musiker = field(t.numre, v, "Musiker");
            track.kunstnerNotat = field(t.numre, v, "KunstnerNotat");
            track.komponistNotat = field(t.numre, v, "KomponistNotat");
            track.notat = field(t.numre, v, "Notat");
            track.regNr = field(t.numre, v, "RegNr");
            auto& tracks = result.releases[release->second].tracks;
            trackOfTitle.emplace(std::string(engine::utf8::cutToChars(track.nrTitel, 30)),
                                 std::pair{release->second, tracks.size()});
            tracks.push_back(std::move(track));
        });

    TableFile musiker(csvPath(folder, musikerDef), t.musiker);
    if (musiker.exists())
        musiker.read(cut, {}, [&](const std::vector<std::string>& v, int line) {
            const std::string& nrTitel = field(t.musiker, v, "NrTitel");
            const std::string& titel = field(t.musiker, v, "Titel");
            const auto [from, to] =
                trackOfTitle.equal_range(std::string(engine::utf8::cutToChars(nrTitel, 30)));
            if (from == to) {
                ++result.skipped;
                result.notes.push_back("Musiker.csv line " + std::to_string(line) +
                                       ": no track is called '" + nrTitel + "'");
                return;
            }
            auto chosen = from;
            for (auto it = from; it != to; ++it)
                if (engine::utf8::cutToChars(result.releases[it->second.first].titel, 30) ==
                    engine::utf8::cutToChars(titel, 30)) {
                    chosen = it;
                    break;
                }
            MusicianRecord m;
            m.musiker = field(t.musiker, v, "Musiker");
            m.instrument = field(t.musiker, v, "Instrument");
            m.notat = field(t.musiker, v, "Notat");
            result.releases[chosen->second.first].tracks[chosen->second.second].musicians.push_back(
                std::move(m));
        });

    TableFile genre(csvPath(folder, genreDef), t.genre);
    if (genre.exists())
        genre.read(cut, {}, [&](const std::vector<std::string>& v, int) {
            result.genres.push_back(field(t.genre, v, "Genre"));
        });
    for (const TableFile* file : {&lydsam, &numre, &musiker, &genre})
        if (const auto note = file->conversionNote()) {
            result.fromWindows1252 = true;
            result.notes.push_back(*note);
        }
    return result;
}

ImportSummary importCsvTables(CollectionTables& tables, const QString& folder, bool dryRun,
                              const Progress& progress) {
    bool any = false;
    for (const store::CollectionTable& table : store::collectionTables())
        any = any || QFileInfo::exists(csvPath(folder, table));
    if (!any)
        throw ReadError(QStringLiteral("%1 holds none of the files Lydsam.csv, Arkiv.csv, "
                                       "Numre.csv, Genre.csv and Musiker.csv")
                            .arg(folder)
                            .toStdString());
    for (engine::Table* t :
         {&tables.lydsam, &tables.arkiv, &tables.numre, &tables.genre, &tables.musiker})
        t->checkBrowseMode();
    if (isEmpty(tables))
        return restore(tables, folder, dryRun, progress);
    return importRecords(tables, readCsvTables(folder, tables), dryRun, progress);
}

} // namespace exchange
