// tworun CLI [rounds] [releases] [seed]: one collection on two machines that a sync tool keeps
// in step. Folder A is changed through the command-line tool CLI (CSV imports of new releases
// with tracks and musicians); folder B through the window's way of opening and saving (new
// releases numbered by its rule, with tracks and musicians, edited releases and tracks, deleted
// tracks), its sessions now and then staying open while files arrive. The sync copies the
// changed table files of one folder into the other file by file, each written beside under
// another name and renamed over; it only ever copies into a folder that has not saved since
// the last sync, where a real sync tool would make a conflict copy instead.
//
// Every change is remembered by unique values. At the end both folders are synced until alike
// and must hold every release and track made (each once, each track on its own release's
// number), every musician row, every edit's value in its row, none of the deleted tracks, no
// archive number twice and one Arkiv row per number. Prints
//   <rounds> rounds, <lost> lost, <duplicates> duplicate numbers
// and a line of what was done; fails when anything is lost or numbered twice.
#include "benchdata.h"
#include "benchutil.h"
#include "rng.h"

#include "engine/table.h"
#include "engine/utf8.h"
#include "store/collection.h"
#include "store/collectionfiles.h"
#include "store/collectionlock.h"
#include "store/commitrecord.h"
#include "store/recordrules.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using benchutil::require;
using engine::Table;

using benchutil::Rng;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    require(in.good(), "cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    require(out.good(), "cannot write " + path);
}

// The five table files of a folder, by file name.
using Contents = std::map<std::string, std::string>;

Contents contents(const std::string& folder) {
    Contents c;
    for (const store::CollectionTable& t : store::collectionTables())
        c[t.fileName] = readFile(folder + t.fileName);
    return c;
}

// ------------------------------------------------------------------ what was changed

struct Model {
    int generatedReleases = 0; // numbered 1 to this; their tracks are told by Num and Nummer
    struct Release {
        std::string title, artist;
    };
    std::vector<Release> releases;             // made on either side
    std::map<std::string, std::string> tracks; // new tracks still there: title -> release title
    std::set<std::string> deletedTracks;       // new tracks deleted since
    std::set<std::pair<int, int>> deletedOld;  // generated tracks deleted: Num, Nummer
    struct Musician {
        std::string track, release;
    };
    std::map<std::string, Musician> musicians; // by name
    std::set<std::string> genres;              // new genres, made with a new release
    struct Edit {
        bool release;           // a Lydsam row's Notater, else a Numre row's Notat
        std::string key, title; // the row's Kunstner or NrTitel, and its Titel
    };
    std::map<std::string, Edit> edits; // by the value written, while no later edit replaced it
    int made = 0;

    std::string token(char side) {
        char text[16];
        std::snprintf(text, sizeof text, "%c%05d", side, ++made);
        return text;
    }
};

struct Stats {
    int imports = 0, importedReleases = 0, sessions = 0, sessionReleases = 0, edits = 0,
        deletes = 0, leftTyping = 0, saves = 0, syncs = 0, filesCopied = 0, watchMerges = 0,
        mergedAtSave = 0, renumbered = 0, conflicts = 0;
    void count(const store::MergeReport& r, int& merges) {
        merges += r.merged;
        renumbered += r.renumbered;
        conflicts += r.conflicts;
    }
};

// ------------------------------------------------------------------ side B: the window's way

// The collection opened as the window opens it (the lock, an interrupted save finished, the
// file versions noted, the tables read on threads, leftovers removed), the window's rules for
// new rows as hooks, and the close's save.
class Session : public benchdata::Collection {
public:
    explicit Session(const std::string& folder) {
        lock_ = std::make_unique<store::CollectionLock>(folder);
        require(lock_->held(), "side B's program has the collection's lock");
        store::recoverCommit(folder);
        files_ = std::make_unique<store::CollectionFiles>(
            folder, [this](std::string_view name) -> Table& { return byName(name); });
        files_->noteVersionsBeforeReading();
        std::vector<store::TableToOpen> tables;
        for (const store::CollectionTable& t : store::collectionTables())
            tables.push_back({&byName(t.name), &t, folder + t.fileName});
        store::TableOpening opening(std::move(tables));
        store::removeSaveLeftovers(folder, store::processStart());
        opening.finish();
        lydsam.afterInsert = [this] {
            lydsam.setInteger("Num", store::issueArchiveNumber(arkiv, lydsam));
        };
        numre.afterInsert = [this] {
            store::linkNewTrack(numre, lydsam.asText("Titel"), lydsam.asText("Num"));
        };
        musiker.afterInsert = [this] {
            store::linkNewMusician(musiker, numre.asText("NrTitel"), lydsam.asText("Titel"));
        };
    }

    store::MergeReport save() { return files_->save(); }
    // What the window does when its file watch reports a change; it waits while a row is
    // being typed.
    bool idle() {
        for (const store::CollectionTable& t : store::collectionTables())
            if (byName(t.name).state() != engine::TableState::Browse)
                return false;
        return true;
    }
    store::MergeReport filesChanged() { return files_->mergeChangedFiles(); }

private:
    std::unique_ptr<store::CollectionLock> lock_;
    std::unique_ptr<store::CollectionFiles> files_;
};

void newRelease(Session& s, Model& m, Rng& rng) {
    const std::string tok = m.token('b');
    const Model::Release rel{"Levy " + tok, "Yhtye " + tok};
    std::string genre = "Rock";
    if (rng.percent(20)) {
        genre = "Tyyli " + tok; // added on the genres page first
        s.genre.append();
        s.genre.setText("Genre", genre);
        s.genre.post();
        m.genres.insert(genre);
    }
    s.lydsam.append();
    s.lydsam.setText("Kunstner", rel.artist);
    s.lydsam.setText("Titel", rel.title);
    s.lydsam.setText("Genre", genre);
    s.lydsam.setText("Media", "CD");
    s.lydsam.setText("RegNr", "RB " + tok);
    s.lydsam.post();
    require(s.lydsam.asText("Titel") == rel.title, "a posted release stays current");
    m.releases.push_back(rel);
    // The tracks page shows the release's tracks only, which gives a new one its number.
    s.numre.setFilter("Num = '" + s.lydsam.asText("Num") + "'");
    s.numre.setFiltered(true);
    for (int k = rng.between(1, 4), nr = 1; nr <= k; ++nr) {
        const std::string title = "Kpl " + tok + " " + std::to_string(nr);
        s.numre.append();
        s.numre.setText("NrTitel", title);
        s.numre.post();
        m.tracks[title] = rel.title;
        for (int j = rng.between(0, 2); j > 0; --j) {
            const std::string name = "Soittaja " + m.token('b');
            s.musiker.append();
            s.musiker.setText("Musiker", name);
            s.musiker.setText("Instrument", "kitara");
            s.musiker.post();
            m.musicians[name] = {title, rel.title};
        }
    }
    s.numre.setFiltered(false);
}

// Unless post is false: then the row stays being typed, to be posted by whatever comes next
// (the next action, or the close's save).
void editRelease(Session& s, Model& m, Rng& rng, bool post = true) {
    Table& l = s.lydsam;
    l.moveTo(rng.index(l.recordCount()));
    const std::string value = "Muutos " + m.token('b');
    m.edits.erase(l.asText("Notater")); // an earlier edit of the row is replaced
    m.edits[value] = {true, l.asText("Kunstner"), l.asText("Titel")};
    l.edit();
    l.setText("Notater", value);
    if (post)
        l.post();
}

void editTrack(Session& s, Model& m, Rng& rng) {
    Table& n = s.numre;
    n.moveTo(rng.index(n.recordCount()));
    const std::string value = "Muutos " + m.token('b');
    m.edits.erase(n.asText("Notat"));
    m.edits[value] = {false, n.asText("NrTitel"), n.asText("Titel")};
    n.edit();
    n.setText("Notat", value);
    n.post();
}

void deleteTrack(Session& s, Model& m, Rng& rng) {
    Table& n = s.numre;
    n.moveTo(rng.index(n.recordCount()));
    const std::string title = n.asText("NrTitel");
    m.edits.erase(n.asText("Notat"));
    if (const auto it = m.tracks.find(title); it != m.tracks.end()) {
        m.tracks.erase(it);
        m.deletedTracks.insert(title);
    } else {
        const int num = n.asInteger("Num");
        require(num >= 1 && num <= m.generatedReleases,
                "a track without a mark is a generated one");
        m.deletedOld.insert({num, n.asInteger("Nummer")});
    }
    n.deleteRecord();
}

// ------------------------------------------------------------------ side A: the tool

int runTool(const std::vector<std::string>& args, const std::string& logPath) {
    const pid_t pid = ::fork();
    require(pid >= 0, "fork failed");
    if (pid == 0) {
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (log >= 0) {
            ::dup2(log, STDOUT_FILENO);
            ::dup2(log, STDERR_FILENO);
        }
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A few new releases written as the CSV tables and imported into A by the tool.
void importOnA(const std::string& cli, const std::string& folderA, const std::string& work,
               Model& m, Rng& rng, Stats& st) {
    const std::string csv = work + "csv/";
    fs::remove_all(csv);
    fs::create_directories(csv);
    std::string lydsam = "Kunstner,Titel,Genre,Media,RegNr,Num\r\n";
    std::string numre = "Num,Nummer,NrTitel,Kunstner\r\n";
    std::string musiker = "NrTitel,Musiker,Instrument,Titel\r\n";
    const int releases = rng.between(1, 3);
    for (int r = 1; r <= releases; ++r) {
        const std::string tok = m.token('a');
        const Model::Release rel{"Levy " + tok, "Yhtye " + tok};
        std::string genre = "Rock";
        if (rng.percent(20)) {
            genre = "Tyyli " + tok; // the import adds it to Genre
            m.genres.insert(genre);
        }
        lydsam += rel.artist + "," + rel.title + "," + genre + ",LP,RA " + tok + "," +
                  std::to_string(r) + "\r\n";
        m.releases.push_back(rel);
        for (int k = rng.between(1, 5), nr = 1; nr <= k; ++nr) {
            const std::string title = "Kpl " + tok + " " + std::to_string(nr);
            numre += std::to_string(r) + "," + std::to_string(nr) + "," + title + "," + rel.artist +
                     "\r\n";
            m.tracks[title] = rel.title;
            for (int j = rng.between(0, 2); j > 0; --j) {
                const std::string name = "Soittaja " + m.token('a');
                musiker += title + "," + name + ",basso," + rel.title + "\r\n";
                m.musicians[name] = {title, rel.title};
            }
        }
    }
    writeFile(csv + "Lydsam.csv", lydsam);
    writeFile(csv + "Numre.csv", numre);
    writeFile(csv + "Musiker.csv", musiker);
    const std::string log = work + "cli.log";
    if (runTool({cli, "import", "csv", csv, "--data", folderA}, log) != 0)
        throw std::runtime_error("the import into A failed: " + readFile(log));
    ++st.imports;
    st.importedReleases += releases;
}

// ------------------------------------------------------------------ the sync

class Sync {
public:
    // Both folders start alike, from the same files.
    explicit Sync(const std::string& folder) : last_(contents(folder)) {}

    // Whether the folder saved since the last sync.
    bool changed(const std::string& folder) const { return contents(folder) != last_; }

    // Copies the files that differ, in a random order, each written beside under another name
    // (with the source's time, as sync tools keep it) and renamed over. A session open on the
    // target may hear of each file as it arrives, as the window's file watch would.
    void copy(const std::string& from, const std::string& to, Session* open, Rng& rng, Stats& st) {
        require(!changed(to), "the sync never copies over a folder that saved since");
        const Contents source = contents(from), target = contents(to);
        std::vector<std::string> names;
        for (const auto& [name, bytes] : source)
            if (target.at(name) != bytes)
                names.push_back(name);
        for (std::size_t i = names.size(); i > 1; --i)
            std::swap(names[i - 1],
                      names[static_cast<std::size_t>(rng.index(static_cast<int>(i)))]);
        for (const std::string& name : names) {
            const std::string part = to + "." + name + ".part";
            writeFile(part, source.at(name));
            fs::last_write_time(part, fs::last_write_time(from + name));
            fs::rename(part, to + name);
            ++st.filesCopied;
            if (open && open->idle() && rng.percent(50))
                st.count(open->filesChanged(), st.watchMerges);
        }
        last_ = source;
        ++st.syncs;
    }

private:
    Contents last_; // what both folders held after the last sync
};

// ------------------------------------------------------------------ the check

struct Check {
    int lost = 0;
    int duplicates = 0;    // archive numbers
    int genreNrsTwice = 0; // Genre.Nr, which nothing refers to, given on both sides alike
    void fail(const std::string& what) {
        if (++lost <= 20)
            std::fprintf(stderr, "tworun: lost: %s\n", what.c_str());
    }
    void duplicate(const std::string& what) {
        if (++duplicates <= 20)
            std::fprintf(stderr, "tworun: %s\n", what.c_str());
    }
};

std::int32_t numberOf(const Table& t, int row, int field) {
    const std::string text = t.storedText(row, field);
    std::int32_t n = 0;
    return text.empty() ||
                   std::from_chars(text.data(), text.data() + text.size(), n).ec != std::errc()
               ? -1
               : n;
}

Check checkFolder(const std::string& folder, const Model& m) {
    benchdata::Collection c;
    for (const store::CollectionTable& t : store::collectionTables())
        store::openTable(c.byName(t.name), t, folder + t.fileName);
    Check check;
    std::set<std::string> editsFound;
    const auto sawEdit = [&](std::string_view value, bool release, const std::string& key,
                             const std::string& title) {
        const auto it = m.edits.find(std::string(value));
        if (it == m.edits.end() || it->second.release != release)
            return;
        if (it->second.key == key && it->second.title == title)
            editsFound.insert(it->first);
    };

    const Table& l = c.lydsam;
    const int lNum = l.fieldIndex("Num"), lTitel = l.fieldIndex("Titel"),
              lKunstner = l.fieldIndex("Kunstner"), lNotater = l.fieldIndex("Notater");
    std::map<std::int32_t, int> releaseNums;
    std::unordered_map<std::string, std::vector<std::int32_t>> numsOfTitle;
    for (int r = 0; r < l.storedRowCount(); ++r) {
        const std::int32_t num = numberOf(l, r, lNum);
        ++releaseNums[num];
        numsOfTitle[l.storedText(r, lTitel)].push_back(num);
        sawEdit(l.storedTextView(r, lNotater), true, l.storedText(r, lKunstner),
                l.storedText(r, lTitel));
    }
    for (const auto& [num, count] : releaseNums)
        if (num < 1 || count > 1)
            check.duplicate("Lydsam: archive number " + std::to_string(num) + " on " +
                            std::to_string(count) + " releases");
    for (const Model::Release& r : m.releases)
        if (const auto it = numsOfTitle.find(r.title); it == numsOfTitle.end())
            check.fail("release '" + r.title + "' is missing");
        else if (it->second.size() > 1)
            check.fail("release '" + r.title + "' is there " + std::to_string(it->second.size()) +
                       " times");
    if (l.storedRowCount() != m.generatedReleases + static_cast<int>(m.releases.size()))
        check.fail("Lydsam has " + std::to_string(l.storedRowCount()) + " releases, not " +
                   std::to_string(m.generatedReleases + m.releases.size()));

    const Table& a = c.arkiv;
    std::map<std::int32_t, int> archive;
    for (int r = 0; r < a.storedRowCount(); ++r)
        ++archive[numberOf(a, r, 0)];
    for (const auto& [num, count] : archive)
        if (count > 1)
            check.duplicate("Arkiv: number " + std::to_string(num) + " in " +
                            std::to_string(count) + " rows");
    for (const auto& [num, count] : releaseNums)
        if (!archive.contains(num))
            check.fail("release number " + std::to_string(num) + " has no Arkiv row");

    const Table& n = c.numre;
    const int nNum = n.fieldIndex("Num"), nNummer = n.fieldIndex("Nummer"),
              nNrTitel = n.fieldIndex("NrTitel"), nTitel = n.fieldIndex("Titel"),
              nNotat = n.fieldIndex("Notat");
    std::map<std::string, int> tracksSeen;
    int generatedTracks = 0;
    for (int r = 0; r < n.storedRowCount(); ++r) {
        const std::int32_t num = numberOf(n, r, nNum);
        const std::string title = n.storedText(r, nNrTitel);
        if (!releaseNums.contains(num))
            check.fail("track '" + title + "' points at no release (Num " + std::to_string(num) +
                       ")");
        if (const auto it = m.tracks.find(title); it != m.tracks.end()) {
            ++tracksSeen[title];
            const auto release = numsOfTitle.find(it->second);
            if (release == numsOfTitle.end() || release->second.front() != num ||
                n.storedText(r, nTitel) != it->second)
                check.fail("track '" + title + "' is on Num " + std::to_string(num) +
                           ", not on its release '" + it->second + "'");
        } else if (m.deletedTracks.contains(title)) {
            check.fail("deleted track '" + title + "' is back");
        } else if (num >= 1 && num <= m.generatedReleases) {
            ++generatedTracks;
            if (m.deletedOld.contains({num, numberOf(n, r, nNummer)}))
                check.fail("deleted track " + std::to_string(num) + "/" + n.storedText(r, nNummer) +
                           " is back");
        } else {
            check.fail("track '" + title + "' was never made");
        }
        sawEdit(n.storedTextView(r, nNotat), false, title, n.storedText(r, nTitel));
    }
    for (const auto& [title, release] : m.tracks)
        if (const int seen = tracksSeen[title]; seen != 1)
            check.fail("track '" + title + "' is there " + std::to_string(seen) + " times");
    const int expectedGenerated =
        m.generatedReleases * benchdata::kTracksPerRelease - static_cast<int>(m.deletedOld.size());
    if (generatedTracks != expectedGenerated)
        check.fail("Numre has " + std::to_string(generatedTracks) + " generated tracks, not " +
                   std::to_string(expectedGenerated));

    const Table& mu = c.musiker;
    const int mName = mu.fieldIndex("Musiker"), mNrTitel = mu.fieldIndex("NrTitel"),
              mTitel = mu.fieldIndex("Titel");
    std::map<std::string, int> musiciansSeen;
    for (int r = 0; r < mu.storedRowCount(); ++r) {
        const std::string name = mu.storedText(r, mName);
        const auto it = m.musicians.find(name);
        if (it == m.musicians.end())
            continue;
        ++musiciansSeen[name];
        if (mu.storedText(r, mNrTitel) != engine::utf8::cutToChars(it->second.track, 30) ||
            mu.storedText(r, mTitel) != it->second.release)
            check.fail("musician '" + name + "' is not on track '" + it->second.track + "'");
    }
    for (const auto& [name, where] : m.musicians)
        if (const int seen = musiciansSeen[name]; seen != 1)
            check.fail("musician '" + name + "' is there " + std::to_string(seen) + " times");

    const Table& g = c.genre;
    const int gGenre = g.fieldIndex("Genre"), gNr = g.fieldIndex("Nr");
    std::map<std::string, int> genresSeen;
    std::map<std::int32_t, int> genreNrs;
    for (int r = 0; r < g.storedRowCount(); ++r) {
        ++genresSeen[g.storedText(r, gGenre)];
        check.genreNrsTwice += ++genreNrs[numberOf(g, r, gNr)] == 2;
    }
    for (const std::string& genre : m.genres)
        if (const int seen = genresSeen[genre]; seen != 1)
            check.fail("genre '" + genre + "' is there " + std::to_string(seen) + " times");

    for (const auto& [value, edit] : m.edits)
        if (!editsFound.contains(value))
            check.fail("edit '" + value + "' of '" + edit.key + "' is not in its row");
    return check;
}

// What only a running save leaves in a folder.
int leftovers(const std::string& folder) {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        n += name.find(".tmp-") != std::string::npos ||
             name.rfind(store::kCommitRecordName, 0) == 0 || name.ends_with(".part");
    }
    return n;
}

// ------------------------------------------------------------------ the run

int run(const std::string& cli, int rounds, int releases, std::uint64_t seed) {
    benchutil::TempFolder temp("levyholvi-tworun");
    const std::string work = temp.path() + "/";
    const std::string folderA = work + "A/", folderB = work + "B/";
    {
        benchdata::Collection c;
        benchdata::generate(c, releases);
        benchdata::save(c, folderA);
    }
    fs::create_directories(folderB);
    for (const store::CollectionTable& t : store::collectionTables())
        fs::copy_file(folderA + t.fileName, folderB + t.fileName);

    Rng rng(seed);
    Model m;
    m.generatedReleases = releases;
    Stats st;
    Sync sync(folderA);
    std::unique_ptr<Session> session;

    // A save on one side waits until the other side's last save has arrived: both saving
    // between two syncs is the conflict a sync tool would make copies of.
    const auto saveOnA = [&] {
        if (sync.changed(folderB))
            sync.copy(folderB, folderA, nullptr, rng, st);
        importOnA(cli, folderA, work, m, rng, st);
    };
    const auto saveOnB = [&] {
        if (sync.changed(folderA))
            sync.copy(folderA, folderB, session.get(), rng, st);
        st.count(session->save(), st.mergedAtSave);
        ++st.saves;
    };

    for (int round = 0; round < rounds; ++round) {
        const int roll = rng.index(100);
        if (roll < 30) {
            saveOnA();
        } else if (roll < 80) {
            if (!session) {
                session = std::make_unique<Session>(folderB);
                ++st.sessions;
            }
            if (session->lydsam.state() == engine::TableState::Edit)
                session->lydsam.post();
            for (int k = rng.between(1, 6); k > 0; --k) {
                switch (rng.index(4)) {
                case 0:
                    newRelease(*session, m, rng);
                    ++st.sessionReleases;
                    break;
                case 1:
                    editRelease(*session, m, rng);
                    ++st.edits;
                    break;
                case 2:
                    editTrack(*session, m, rng);
                    ++st.edits;
                    break;
                default:
                    deleteTrack(*session, m, rng);
                    ++st.deletes;
                    break;
                }
            }
            // The window closes only through its save; now and then it stays open after one.
            if (rng.percent(40)) {
                saveOnB();
                if (rng.percent(50))
                    session.reset();
            } else if (rng.percent(25)) {
                editRelease(*session, m, rng, false);
                ++st.edits;
                ++st.leftTyping;
            }
        } else if (sync.changed(folderA)) {
            sync.copy(folderA, folderB, session.get(), rng, st);
        } else if (sync.changed(folderB)) {
            sync.copy(folderB, folderA, nullptr, rng, st);
        }
    }
    if (session) {
        saveOnB();
        session.reset();
    }
    // In step: whichever side saved last goes to the other.
    if (sync.changed(folderA))
        sync.copy(folderA, folderB, nullptr, rng, st);
    if (sync.changed(folderB))
        sync.copy(folderB, folderA, nullptr, rng, st);
    require(contents(folderA) == contents(folderB), "both folders hold the same files");
    require(leftovers(folderA) == 0 && leftovers(folderB) == 0,
            "no temporary file or commit record is left");
    const std::string log = work + "cli.log";
    if (runTool({cli, "check", "--data", folderB}, log) != 0)
        throw std::runtime_error("levyholvi-cli check fails on the merged folder: " +
                                 readFile(log));

    const Check check = checkFolder(folderB, m);
    std::printf("%d rounds, %d lost, %d duplicate numbers\n", rounds, check.lost, check.duplicates);
    std::printf("(%d releases, %zu tracks still there, %zu musicians, %zu genres, %zu edits and "
                "%zu deleted tracks checked; A: %d imports of %d releases; B: %d sessions, %d "
                "saves, %d new releases, %d edits (%d left being typed), %d deletes; %d syncs "
                "of %d files; merges: %d at a save, %d as files arrived; %d releases "
                "renumbered, %d conflicts; %d Genre.Nr given on both sides)\n",
                static_cast<int>(m.releases.size()), m.tracks.size(), m.musicians.size(),
                m.genres.size(), m.edits.size(), m.deletedTracks.size() + m.deletedOld.size(),
                st.imports, st.importedReleases, st.sessions, st.saves, st.sessionReleases,
                st.edits, st.leftTyping, st.deletes, st.syncs, st.filesCopied, st.mergedAtSave,
                st.watchMerges, st.renumbered, st.conflicts, check.genreNrsTwice);
    return check.lost == 0 && check.duplicates == 0 ? 0 : 1;
}

bool number(const char* text, auto& out) {
    const char* end = text + std::strlen(text);
    const auto r = std::from_chars(text, end, out);
    return r.ec == std::errc() && r.ptr == end && out > 0;
}

} // namespace

int main(int argc, char* argv[]) {
    int rounds = 200, releases = 2000;
    std::uint64_t seed = 1;
    if (argc < 2 || argc > 5 || (argc > 2 && !number(argv[2], rounds)) ||
        (argc > 3 && !number(argv[3], releases)) || (argc > 4 && !number(argv[4], seed))) {
        std::fprintf(stderr, "usage: %s LEVYHOLVI-CLI [rounds] [releases] [seed]\n", argv[0]);
        return 2;
    }
    try {
        return run(argv[1], rounds, releases, seed);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tworun: %s\n", e.what());
        return 1;
    }
}
