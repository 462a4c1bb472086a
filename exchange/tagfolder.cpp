#include "exchange/tagfolder.h"

#include "exchange/coverfiles.h"

#include "exchange/mediumcode.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asftag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

using namespace Qt::StringLiterals;

namespace exchange {

namespace {

std::string utf8(const QString& s) {
    return s.toStdString();
}

// Composed, as names typed elsewhere are: files from macOS may carry decomposed letters.
QString nfc(const QString& s) {
    return s.normalized(QString::NormalizationForm_C);
}

QString text(const TagLib::String& s) {
    return nfc(QString::fromStdString(s.to8Bit(true)));
}

// The tags of one file, by TagLib's property names.
class Tags {
public:
    explicit Tags(TagLib::PropertyMap map) : map_(std::move(map)) {}

    QStringList all(const char* key) const {
        QStringList values;
        const auto it = map_.find(key);
        if (it != map_.end())
            for (const TagLib::String& v : it->second)
                if (!text(v).trimmed().isEmpty())
                    values.append(text(v).trimmed());
        return values;
    }
    // The first value under the first of keys that has one.
    QString first(std::initializer_list<const char*> keys) const {
        for (const char* key : keys) {
            const QStringList values = all(key);
            if (!values.isEmpty())
                return values.first();
        }
        return {};
    }
    // The leading number of "3" or "3/12"; 0 when there is none.
    int number(const char* key) const {
        static const QRegularExpression leading(u"^\\s*(\\d{1,6})"_s);
        const QRegularExpressionMatch m = leading.match(first({key}));
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    }
    const TagLib::PropertyMap& map() const { return map_; }

private:
    TagLib::PropertyMap map_;
};

// Performer credits: "PERFORMER:GUITAR" keys (ID3v2's musician credits list, a role per
// key) and "PERFORMER" values written "Name (instrument)" or "Name (guitar, vocals)".
std::vector<MusicianRecord> performers(const Tags& tags) {
    static const QRegularExpression withInstrument(u"^(.*\\S)\\s*\\(([^()]*)\\)$"_s);
    std::vector<MusicianRecord> rows;
    for (const auto& [key, values] : tags.map()) {
        const QString k = text(key);
        if (k != u"PERFORMER"_s && !k.startsWith(u"PERFORMER:"_s))
            continue;
        const QString role = k.mid(10).toLower();
        for (const TagLib::String& value : values) {
            const QString v = text(value).trimmed();
            if (v.isEmpty())
                continue;
            if (!role.isEmpty()) {
                rows.push_back({utf8(v), utf8(role), {}});
                continue;
            }
            const QRegularExpressionMatch m = withInstrument.match(v);
            if (!m.hasMatch()) {
                rows.push_back({utf8(v), {}, {}});
                continue;
            }
            const QStringList instruments = m.captured(2).split(u',', Qt::SkipEmptyParts);
            for (const QString& instrument : instruments)
                rows.push_back({utf8(m.captured(1)), utf8(instrument.trimmed()), {}});
            if (instruments.isEmpty())
                rows.push_back({utf8(m.captured(1)), {}, {}});
        }
    }
    return rows;
}

// A picture embedded in a music file. ByteVector shares its bytes, so passing it copies none.
struct Embedded {
    bool front = false;
    TagLib::ByteVector data;
};

// The file's front cover, else its first picture. Each tag format keeps pictures its own way.
std::optional<Embedded> embeddedCover(TagLib::File* file) {
    std::optional<Embedded> first;
    // True when the picture is the front cover, which ends the search.
    const auto see = [&first](bool front, const TagLib::ByteVector& data) {
        if (data.isEmpty() || (first && !front))
            return false;
        first = Embedded{front, data};
        return front;
    };
    const auto id3v2 = [&see](TagLib::ID3v2::Tag* tag) {
        if (tag)
            for (TagLib::ID3v2::Frame* frame : tag->frameList("APIC"))
                if (const auto* apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
                    apic && see(apic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover,
                                apic->picture()))
                    return;
    };
    const auto blocks = [&see](const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
        for (const TagLib::FLAC::Picture* p : pictures)
            if (see(p->type() == TagLib::FLAC::Picture::FrontCover, p->data()))
                return;
    };
    const auto ape = [&see](TagLib::APE::Tag* tag) {
        // "name.jpg", a zero byte, the picture.
        const auto& items = tag->itemListMap();
        if (const auto it = items.find("COVER ART (FRONT)"); it != items.end()) {
            const TagLib::ByteVector value = it->second.binaryData();
            if (const int zero = value.find('\0'); zero >= 0)
                see(true, value.mid(static_cast<unsigned>(zero) + 1));
        }
    };
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file)) {
        if (mpeg->hasID3v2Tag())
            id3v2(mpeg->ID3v2Tag());
    } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file)) {
        if (wav->hasID3v2Tag())
            id3v2(wav->ID3v2Tag());
    } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
        blocks(flac->pictureList());
    } else if (auto* wavPack = dynamic_cast<TagLib::WavPack::File*>(file)) {
        if (wavPack->hasAPETag())
            ape(wavPack->APETag());
    } else if (auto* monkey = dynamic_cast<TagLib::APE::File*>(file)) {
        if (monkey->hasAPETag())
            ape(monkey->APETag());
    } else if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file->tag())) {
        blocks(xiph->pictureList()); // Vorbis, Opus and Ogg FLAC alike
    } else if (auto* mp4 = dynamic_cast<TagLib::MP4::Tag*>(file->tag())) {
        // MP4 marks no kinds: the first picture is the front.
        if (mp4->contains("covr"))
            for (const TagLib::MP4::CoverArt& art : mp4->item("covr").toCoverArtList())
                if (see(true, art.data()))
                    break;
    } else if (auto* aiff = dynamic_cast<TagLib::ID3v2::Tag*>(file->tag())) {
        id3v2(aiff);
    } else if (auto* asf = dynamic_cast<TagLib::ASF::Tag*>(file->tag())) {
        for (const TagLib::ASF::Attribute& a : asf->attribute("WM/Picture")) {
            const TagLib::ASF::Picture p = a.toPicture();
            if (p.isValid() && see(p.type() == TagLib::ASF::Picture::FrontCover, p.picture()))
                break;
        }
    }
    return first;
}

struct FileTrack {
    int disc = 0;
    int number = 0;
    QString path; // relative, the last tie-breaker
    TrackRecord track;
};

struct Group {
    ReleaseRecord release;
    std::vector<FileTrack> tracks;
    bool byFolder = false;    // no album artist: the release artist follows the tracks
    bool frontCover = false;  // coverBytes hold a picture marked as the front cover
    std::set<QString> looked; // folders already searched for a cover file
};

constexpr auto kVarious = "Various Artists";

// The folder a file's release is in: "Album/CD2/x.flac" is in Album.
QDir releaseFolder(const QString& path) {
    static const QRegularExpression disc(u"^(cd|disc|disk)\\s*\\d+$"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    QDir dir = QFileInfo(path).dir();
    if (disc.match(dir.dirName()).hasMatch())
        dir.cdUp();
    return dir;
}

// The artist of an Artist/Album/ layout: the release folder's parent, when it is below root.
QString folderArtist(const QDir& root, const QDir& release) {
    const QString relative = root.relativeFilePath(release.absolutePath());
    const qsizetype slash = relative.lastIndexOf(u'/');
    if (slash <= 0 || relative.startsWith(u"../"_s))
        return {};
    return nfc(relative.left(slash).section(u'/', -1));
}

// Lossless copies first when an album is there in several formats.
int formatRank(const QString& path) {
    static const QStringList lossless{u"flac"_s, u"wv"_s, u"ape"_s, u"aiff"_s, u"aif"_s, u"wav"_s};
    const qsizetype i = lossless.indexOf(QFileInfo(path).suffix().toLower());
    return i < 0 ? static_cast<int>(lossless.size()) : static_cast<int>(i);
}

// One file per numbered track: the same album as FLAC and MP3 is one release of one copy.
void dropCopies(std::vector<FileTrack>& tracks, ReadResult& result) {
    std::stable_sort(tracks.begin(), tracks.end(), [](const FileTrack& a, const FileTrack& b) {
        return std::tuple(a.disc, a.number, formatRank(a.path), a.path) <
               std::tuple(b.disc, b.number, formatRank(b.path), b.path);
    });
    std::vector<FileTrack> kept;
    for (FileTrack& t : tracks) {
        if (!kept.empty() && t.number > 0 && kept.back().number == t.number &&
            kept.back().disc == t.disc) {
            ++result.skipped;
            result.notes.push_back(utf8(u"%1: another copy of %2"_s.arg(t.path, kept.back().path)));
            continue;
        }
        kept.push_back(std::move(t));
    }
    tracks = std::move(kept);
}

// Release fields come from the first file in order that carries them.
void fillRelease(ReleaseRecord& r, const Tags& tags) {
    const auto fill = [](std::string& field, const QString& value) {
        if (field.empty())
            field = utf8(value);
    };
    fill(r.forlag, tags.first({"LABEL", "ORGANIZATION", "PUBLISHER"}));
    fill(r.regNr, tags.first({"CATALOGNUMBER"}));
    fill(r.indspillet, tags.first({"DATE", "YEAR", "ORIGINALDATE"}));
    fill(r.genre, tags.first({"GENRE"}));
    if (r.media.empty())
        r.media = mediumCode(tags.first({"MEDIA"}));
}

// Files in a fixed order whatever the file system lists first. Hidden files are left out
// (other systems' "._name.flac" shadows); files we may not read are kept, to be reported.
QStringList audioFiles(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (tagFolderSuffixes().contains(QFileInfo(path).suffix().toLower()))
            files.append(path);
    }
    std::sort(files.begin(), files.end());
    return files;
}

void numberTracks(std::vector<FileTrack>& tracks) {
    std::stable_sort(tracks.begin(), tracks.end(), [](const FileTrack& a, const FileTrack& b) {
        return std::tie(a.disc, a.number, a.path) < std::tie(b.disc, b.number, b.path);
    });
    // One disc whose tracks carry distinct numbers keeps them; otherwise the tracks are
    // numbered 1..n over all discs, as a multi-disc release has no other single numbering.
    bool keep = !tracks.empty();
    for (std::size_t i = 0; i < tracks.size() && keep; ++i)
        keep = tracks[i].number > 0 && tracks[i].disc == tracks[0].disc &&
               (i == 0 || tracks[i].number != tracks[i - 1].number);
    for (std::size_t i = 0; i < tracks.size(); ++i)
        tracks[i].track.nummer = keep ? tracks[i].number : static_cast<int>(i) + 1;
}

// A picture file beside the music is usually a better scan than the one embedded in it, so it
// is looked for first. Of embedded ones only one is kept per release, to bound the memory.
void takeCover(Group& group, TagLib::File* file, const QString& path, const QDir& releaseDir) {
    ReleaseRecord& r = group.release;
    for (const QDir& dir : {releaseDir, QFileInfo(path).dir()}) {
        if (!r.coverFile.empty() || !group.looked.insert(dir.absolutePath()).second)
            continue;
        if (const QString found = coverFileIn(dir); !found.isEmpty()) {
            r.coverFile = utf8(found);
            r.coverBytes.clear();
            r.coverBytes.shrink_to_fit();
        }
    }
    if (!r.coverFile.empty() || group.frontCover)
        return;
    if (const std::optional<Embedded> e = embeddedCover(file);
        e && (e->front || r.coverBytes.empty())) {
        r.coverBytes.assign(e->data.data(), e->data.size());
        group.frontCover = e->front;
    }
}

} // namespace

const QStringList& tagFolderSuffixes() {
    static const QStringList suffixes{u"flac"_s, u"ogg"_s, u"oga"_s, u"opus"_s,
                                      u"mp3"_s,  u"m4a"_s, u"wv"_s,  u"ape"_s,
                                      u"aiff"_s, u"aif"_s, u"wav"_s, u"wma"_s};
    return suffixes;
}

ReadResult readTagFolder(const QString& folder,
                         const std::function<bool(int done, int total)>& progress) {
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable())
        throw ReadError(utf8(u"%1: expected a readable folder of music files"_s.arg(folder)));
    const QDir root(folder);
    const QStringList files = audioFiles(folder);
    const int total = static_cast<int>(files.size());

    ReadResult result;
    std::vector<Group> groups; // in order of their first file
    // By album artist and album, or without an album artist by folder and album, so that a
    // compilation stays one release.
    std::map<std::tuple<bool, QString, QString>, std::size_t> groupOf;
    for (int i = 0; i < total; ++i) {
        const QString& path = files.at(i);
        const QString relative = root.relativeFilePath(path);
        // TagLib takes a file without a single audio frame for a valid one; its stream
        // properties tell.
        const TagLib::FileRef ref(QFile::encodeName(path).constData(), true,
                                  TagLib::AudioProperties::Fast);
        if (ref.isNull() || !ref.file()->isValid() || !ref.audioProperties() ||
            ref.audioProperties()->sampleRate() <= 0) {
            ++result.skipped;
            result.notes.push_back(utf8(u"%1: not a readable audio file"_s.arg(relative)));
        } else {
            const Tags tags(ref.file()->properties());
            const QDir folderOfRelease = releaseFolder(path);
            const QString albumArtist = tags.first({"ALBUMARTIST", "ALBUM ARTIST"});
            QString artist = tags.first({"ARTIST"});
            if (artist.isEmpty())
                artist = albumArtist.isEmpty() ? folderArtist(root, folderOfRelease) : albumArtist;
            QString album = tags.first({"ALBUM"});
            // Untitled files make one release per folder, named after it.
            if (album.isEmpty())
                album = nfc(folderOfRelease.dirName());

            const bool byFolder = albumArtist.isEmpty();
            const auto key = std::tuple(
                byFolder, byFolder ? folderOfRelease.absolutePath() : albumArtist, album);
            auto [it, added] = groupOf.try_emplace(key, groups.size());
            if (added) {
                groups.emplace_back();
                groups.back().byFolder = byFolder;
                groups.back().release.kunstner = utf8(byFolder ? artist : albumArtist);
                groups.back().release.titel = utf8(album);
            }
            Group& group = groups[it->second];
            if (group.byFolder && group.release.kunstner != utf8(artist))
                group.release.kunstner = kVarious;
            fillRelease(group.release, tags);
            takeCover(group, ref.file(), path, folderOfRelease);

            FileTrack t;
            t.disc = tags.number("DISCNUMBER");
            t.number = tags.number("TRACKNUMBER");
            t.path = relative;
            t.track.nrTitel = utf8(tags.first({"TITLE"}));
            if (t.track.nrTitel.empty())
                t.track.nrTitel = utf8(nfc(QFileInfo(path).completeBaseName()));
            t.track.kunstner = utf8(artist);
            t.track.komponist = utf8(tags.all("COMPOSER").join(u", "_s));
            t.track.musicians = performers(tags);
            group.tracks.push_back(std::move(t));
        }
        if (progress && !progress(i + 1, total))
            throw ReadError(utf8(u"%1: reading the folder was cancelled"_s.arg(folder)));
    }

    for (Group& group : groups) {
        dropCopies(group.tracks, result);
        numberTracks(group.tracks);
        for (FileTrack& t : group.tracks)
            group.release.tracks.push_back(std::move(t.track));
        result.releases.push_back(std::move(group.release));
    }
    return result;
}

} // namespace exchange
