#include "importer.h"

#include "bulkapply.h"
#include "engine/utf8.h"
#include "store/coverimage.h"
#include "store/datetext.h"
#include "store/recordrules.h"

#include <QSet>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <string_view>
#include <thread>
#include <unordered_set>

namespace exchange {

namespace {

constexpr int kProgressStep = 256;

// Names compare as the collection's indices do: letter case aside. Composed and decomposed
// letters (macOS names files decomposed) are the same name.
QString folded(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()))
        .normalized(QString::NormalizationForm_C)
        .toCaseFolded();
}

std::string_view cut(std::string_view s, int size) {
    return engine::utf8::cutToChars(s, size);
}

QString releaseKey(std::string_view kunstner, std::string_view titel, std::string_view regNr) {
    return folded(cut(kunstner, 30)) + QChar(u'\x1f') + folded(cut(titel, 30)) + QChar(u'\x1f') +
           folded(cut(regNr, 15));
}

// Sources give dates as ISO; the collection holds them as the window shows them.
std::string acquired(const std::string& date) {
    const QDate d = QDate::fromString(QString::fromStdString(date), Qt::ISODate);
    return date.size() == 10 && d.isValid() ? store::dateText(d).toStdString() : date;
}

int countCuts(const engine::Table& t, std::string_view field, std::string_view value) {
    const engine::FieldDef& def = t.fields()[static_cast<std::size_t>(t.fieldIndex(field))];
    return def.type == engine::FieldType::String && engine::utf8::charCount(value) > def.size;
}

ReadCover readCover(const CoverSource& source) {
    ReadCover read{source.num, nullptr, {}};
    try {
        read.picture = std::make_shared<const std::string>(
            source.bytes ? store::normalizeCover(*source.bytes, QString::fromStdString(source.what))
                         : store::encodeCover(store::readCoverFile(
                               QString::fromStdString(source.file), store::kCoverLongSide)));
    } catch (const std::exception& e) {
        read.error = e.what();
    }
    return read;
}

} // namespace

std::optional<std::vector<ReadCover>> readCovers(const std::vector<CoverSource>& sources,
                                                 const Progress& progress) {
    std::vector<ReadCover> read(sources.size());
    std::atomic<std::size_t> next = 0, done = 0;
    std::atomic<bool> stop = false;
    const auto work = [&] {
        for (std::size_t i = next++; i < sources.size() && !stop; i = next++) {
            read[i] = readCover(sources[i]);
            ++done;
        }
    };
    // Decoding is the slow part; a few threads, so that the window's machine stays usable.
    const std::size_t threads = std::min<std::size_t>(
        std::clamp(std::thread::hardware_concurrency(), 1U, 4U), sources.size());
    std::vector<std::future<void>> workers;
    try {
        for (std::size_t w = 0; w < threads; ++w)
            workers.push_back(std::async(std::launch::async, work));
        const int total = static_cast<int>(sources.size());
        for (std::future<void>& w : workers)
            while (w.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
                if (progress && !stop && !progress(static_cast<int>(done.load()), total))
                    stop = true;
        for (std::future<void>& w : workers)
            w.get();
    } catch (...) {
        stop = true; // the workers' futures wait for them as they go
        throw;
    }
    if (stop)
        return std::nullopt;
    return read;
}

void applyCovers(store::Covers& covers, const std::vector<ReadCover>& read,
                 ImportSummary& summary) {
    for (const ReadCover& r : read) {
        std::string error = r.error;
        if (error.empty()) {
            try {
                covers.set(r.num, r.picture);
                ++summary.covers;
            } catch (const std::exception& e) {
                error = e.what();
            }
        }
        if (!error.empty()) {
            ++summary.badCovers;
            summary.notes.push_back("Kansikuvaa ei voitu lukea: " + error);
        }
    }
}

QString summaryText(const ImportSummary& s) {
    QString text = QStringLiteral("%1 levyä, %2 kappaletta, %3 muusikkoa")
                       .arg(s.releases)
                       .arg(s.tracks)
                       .arg(s.musicians);
    if (s.covers > 0)
        text += QStringLiteral(", %1 kansikuvaa").arg(s.covers);
    text += QStringLiteral(" tuotu; %1 ohitettu").arg(s.skipped);
    if (s.cut > 0)
        text += QStringLiteral("\n%1 liian pitkää arvoa lyhennetty kentän pituuteen").arg(s.cut);
    if (s.badCovers > 0)
        text += QStringLiteral("\n%1 kansikuvaa ei voitu lukea").arg(s.badCovers);
    if (s.fromWindows1252)
        text += QStringLiteral("\nLähde ei ollut UTF-8:aa; teksti luettu Windows-1252-merkistönä");
    return text;
}

std::string sourceLine(std::string_view notes) {
    const std::string_view first = notes.substr(0, notes.find_first_of("\r\n"));
    for (std::string_view source : {"Discogs ", "MusicBrainz "})
        if (first.starts_with(source) && first.size() > source.size())
            return std::string(first);
    return {};
}

ImportSummary importRecords(CollectionTables& t, const ReadResult& found, bool dryRun,
                            const Progress& progress) {
    for (engine::Table* table : {&t.lydsam, &t.arkiv, &t.numre, &t.genre, &t.musiker})
        table->checkBrowseMode(); // what the user was typing counts as already there
    ImportSummary summary;
    summary.skipped = found.skipped;
    summary.notes = found.notes;
    summary.fromWindows1252 = found.fromWindows1252;

    // What the collection holds already, and what this import has taken.
    std::unordered_set<std::string> sourceLines, takenLines;
    QSet<QString> releaseKeys, takenKeys;
    if (!found.releases.empty()) {
        const int fK = t.lydsam.fieldIndex("Kunstner"), fT = t.lydsam.fieldIndex("Titel"),
                  fR = t.lydsam.fieldIndex("RegNr"), fN = t.lydsam.fieldIndex("Notater");
        for (int r = 0; r < t.lydsam.storedRowCount(); ++r) {
            if (std::string line = sourceLine(t.lydsam.storedTextView(r, fN)); !line.empty())
                sourceLines.insert(std::move(line));
            releaseKeys.insert(releaseKey(t.lydsam.storedTextView(r, fK),
                                          t.lydsam.storedTextView(r, fT),
                                          t.lydsam.storedTextView(r, fR)));
        }
    }
    QSet<QString> genres;
    const int fGenre = t.genre.fieldIndex("Genre");
    for (int r = 0; r < t.genre.storedRowCount(); ++r)
        genres.insert(folded(t.genre.storedTextView(r, fGenre)));

    // Check and count everything before anything is added.
    std::vector<const ReleaseRecord*> take;
    std::vector<std::string> newGenres;
    auto addGenre = [&](const std::string& name) {
        if (name.empty())
            return;
        summary.cut += countCuts(t.genre, "Genre", name);
        if (!genres.contains(folded(cut(name, 20)))) {
            genres.insert(folded(cut(name, 20)));
            newGenres.push_back(name);
        }
    };
    const int total = static_cast<int>(found.releases.size());
    for (int i = 0; i < total; ++i) {
        if (progress && i % kProgressStep == 0 && !progress(i, total)) {
            summary.cancelled = true;
            return summary;
        }
        const ReleaseRecord& rel = found.releases[static_cast<std::size_t>(i)];
        const std::string line = sourceLine(rel.notater);
        const QString key = releaseKey(rel.kunstner, rel.titel, rel.regNr);
        const auto in = [&](const auto& lines, const auto& keys) {
            return (!line.empty() && lines.contains(line)) || keys.contains(key);
        };
        const bool inCollection = in(sourceLines, releaseKeys);
        if (inCollection || in(takenLines, takenKeys)) {
            ++summary.skipped;
            summary.notes.push_back(
                (inCollection ? "Already in the collection: " : "Twice in the source: ") +
                rel.kunstner + " - " + rel.titel);
            continue;
        }
        if (!line.empty())
            takenLines.insert(line);
        takenKeys.insert(key);
        take.push_back(&rel);
        ++summary.releases;
        for (const auto& [field, value] : {std::pair{"Kunstner", &rel.kunstner},
                                           {"Titel", &rel.titel},
                                           {"Genre", &rel.genre},
                                           {"Media", &rel.media},
                                           {"Forlag", &rel.forlag},
                                           {"RegNr", &rel.regNr},
                                           {"Indspillet", &rel.indspillet},
                                           {"Anskaffet", &rel.anskaffet}})
            summary.cut += countCuts(t.lydsam, field, *value);
        addGenre(rel.genre);
        for (const TrackRecord& track : rel.tracks) {
            ++summary.tracks;
            for (const auto& [field, value] : {std::pair{"NrTitel", &track.nrTitel},
                                               {"Kunstner", &track.kunstner},
                                               {"Komponist", &track.komponist},
                                               {"Musiker", &track.musiker},
                                               {"RegNr", &track.regNr}})
                summary.cut += countCuts(t.numre, field, *value);
            for (const MusicianRecord& m : track.musicians) {
                ++summary.musicians;
                summary.cut += countCuts(t.musiker, "Musiker", m.musiker) +
                               countCuts(t.musiker, "Instrument", m.instrument);
            }
        }
    }
    for (const std::string& g : found.genres)
        addGenre(g);
    summary.genres = static_cast<int>(newGenres.size());
    if (progress && !progress(total, total)) {
        summary.cancelled = true;
        return summary;
    }
    // Covers are keyed by their place in take until the numbers are issued.
    std::vector<CoverSource> coverSources;
    for (std::size_t i = 0; i < take.size() && t.covers; ++i) {
        const ReleaseRecord& rel = *take[i];
        if (!rel.coverBytes.empty())
            coverSources.push_back({static_cast<std::int32_t>(i),
                                    {},
                                    &rel.coverBytes,
                                    rel.kunstner + " - " + rel.titel + " (upotettu kuva)"});
        else if (!rel.coverFile.empty())
            coverSources.push_back({static_cast<std::int32_t>(i), rel.coverFile, nullptr, {}});
    }
    if (dryRun) {
        summary.covers = static_cast<int>(coverSources.size());
        return summary;
    }
    if (take.empty() && newGenres.empty())
        return summary;
    auto covers = readCovers(coverSources, progress);
    if (!covers) {
        summary.cancelled = true;
        return summary;
    }

    // One step.
    BulkApply bulk(t);
    const std::int32_t first =
        take.empty() ? 0
                     : store::issueArchiveNumbers(t.arkiv, t.lydsam, static_cast<int>(take.size()));
    for (const std::string& g : newGenres) {
        t.genre.append();
        t.genre.setText("Genre", g);
        t.genre.post();
    }
    const int fPris = t.lydsam.fieldIndex("Pris");
    std::int32_t num = first;
    for (const ReleaseRecord* rel : take) {
        t.lydsam.append();
        t.lydsam.setText("Kunstner", rel->kunstner);
        t.lydsam.setText("Titel", rel->titel);
        t.lydsam.setText("Genre", rel->genre);
        t.lydsam.setText("Media", rel->media);
        t.lydsam.setText("Forlag", rel->forlag);
        t.lydsam.setText("RegNr", rel->regNr);
        t.lydsam.setText("Indspillet", rel->indspillet);
        t.lydsam.setText("Anskaffet", acquired(rel->anskaffet));
        if (rel->pris)
            t.lydsam.setFloat(fPris, *rel->pris);
        t.lydsam.setInteger("Num", num);
        t.lydsam.setText("Notater", rel->notater);
        t.lydsam.post();

        const std::string numText = std::to_string(num);
        int nummer = 0;
        for (const TrackRecord& track : rel->tracks) {
            // After the highest number there is, the next track shares it.
            nummer = track.nummer ? *track.nummer : nummer + (nummer < INT32_MAX ? 1 : 0);
            t.numre.append();
            store::linkNewTrack(t.numre, rel->titel, numText);
            t.numre.setInteger("Nummer", nummer);
            t.numre.setText("NrTitel", track.nrTitel);
            t.numre.setText("Kunstner", track.kunstner);
            t.numre.setText("Komponist", track.komponist);
            t.numre.setText("Musiker", track.musiker);
            t.numre.setText("KunstnerNotat", track.kunstnerNotat);
            t.numre.setText("KomponistNotat", track.komponistNotat);
            t.numre.setText("Notat", track.notat);
            t.numre.setText("RegNr", track.regNr);
            t.numre.post();
            for (const MusicianRecord& m : track.musicians) {
                t.musiker.append();
                store::linkNewMusician(t.musiker, track.nrTitel, rel->titel);
                t.musiker.setText("Musiker", m.musiker);
                t.musiker.setText("Instrument", m.instrument);
                t.musiker.setText("Notat", m.notat);
                t.musiker.post();
            }
        }
        ++num;
    }
    bulk.finish();
    // Only now, when the rows are in for good.
    for (ReadCover& c : *covers)
        c.num += first;
    if (t.covers)
        applyCovers(*t.covers, *covers, summary);
    return summary;
}

} // namespace exchange
