#include "exchange/musicbrainz.h"

#include "exchange/coverfiles.h"
#include "exchange/mediumcode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace exchange {

namespace {

// Relation attributes that qualify a credit rather than name an instrument or a voice.
bool isQualifier(const QString& attribute) {
    return attribute == u"additional"_s || attribute == u"guest"_s || attribute == u"solo"_s;
}

std::string utf8(const QString& s) {
    return s.toStdString();
}

// Video and file carriers: their tracks are no sound recordings to shelve.
bool isSoundCarrier(const QString& format) {
    static const QRegularExpression other(
        u"^(DVD|DVD-Video|Blu-ray|Blu-ray-R|HD-DVD|VHS|Betamax|LaserDisc|VCD|SVCD|UMD|"
        "Digital Media|Download Card|USB Flash Drive)$"_s,
        QRegularExpression::CaseInsensitiveOption);
    return !other.match(format).hasMatch();
}

// Walks the document with the JSON path of every value at hand, so that a value of the wrong
// type can be reported where it is. A missing or null value counts as empty; any other value
// must have the expected type.
class Reader {
public:
    explicit Reader(QString file) : file_(std::move(file)) {}

    ReadResult read(const QJsonDocument& doc) const {
        if (!doc.isObject())
            fail(QString(), "a JSON object: a release or {\"releases\": [...]}");
        const QJsonObject top = doc.object();
        ReadResult result;
        if (top.contains(u"releases"_s)) {
            const QString path = u"releases"_s;
            const QJsonArray releases = array(top, path, u"releases"_s);
            for (qsizetype i = 0; i < releases.size(); ++i) {
                const QString at = index(path, i);
                release(object(releases.at(i), at), at, result);
            }
        } else {
            release(top, QString(), result);
        }
        return result;
    }

private:
    [[noreturn]] void fail(const QString& path, const char* expected) const {
        const QString where = path.isEmpty() ? u"the top level"_s : path;
        throw ReadError(
            utf8(u"%1: %2: expected %3"_s.arg(file_, where, QString::fromUtf8(expected))));
    }

    static QString child(const QString& path, const QString& key) {
        return path.isEmpty() ? key : path + u'.' + key;
    }
    static QString index(const QString& path, qsizetype i) {
        return path + u'[' + QString::number(i) + u']';
    }

    QJsonObject object(const QJsonValue& v, const QString& path) const {
        if (v.isUndefined() || v.isNull())
            return {};
        if (!v.isObject())
            fail(path, "an object");
        return v.toObject();
    }
    QJsonObject object(const QJsonObject& o, const QString& path, const QString& key) const {
        return object(o.value(key), child(path, key));
    }
    QJsonArray array(const QJsonObject& o, const QString& path, const QString& key) const {
        const QJsonValue v = o.value(key);
        if (v.isUndefined() || v.isNull())
            return {};
        if (!v.isArray())
            fail(child(path, key), "an array");
        return v.toArray();
    }
    // Without the spaces around it, which no field keeps.
    QString string(const QJsonValue& v, const QString& path) const {
        if (v.isUndefined() || v.isNull())
            return {};
        if (!v.isString())
            fail(path, "a string");
        return v.toString().trimmed();
    }
    QString string(const QJsonObject& o, const QString& path, const QString& key) const {
        return string(o.value(key), child(path, key));
    }
    QStringList strings(const QJsonObject& o, const QString& path, const QString& key) const {
        const QString at = child(path, key);
        const QJsonArray a = array(o, path, key);
        QStringList list;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (!a.at(i).isString())
                fail(at, "an array of strings");
            list.append(a.at(i).toString().trimmed());
        }
        return list;
    }

    // Credited names joined by their join phrases: "A feat. B".
    QString artistCredit(const QJsonObject& o, const QString& path) const {
        const QString at = child(path, u"artist-credit"_s);
        const QJsonArray credits = array(o, path, u"artist-credit"_s);
        QString text;
        for (qsizetype i = 0; i < credits.size(); ++i) {
            const QString ci = index(at, i);
            const QJsonObject credit = object(credits.at(i), ci);
            QString name = string(credit, ci, u"name"_s);
            if (name.isEmpty())
                name = artistName(credit, ci);
            // The join phrase keeps its spaces (" & "); string() only checks its type here.
            const QJsonValue join = credit.value(u"joinphrase"_s);
            string(join, child(ci, u"joinphrase"_s));
            text += name + join.toString();
        }
        return text.trimmed();
    }

    QString artistName(const QJsonObject& o, const QString& path) const {
        const QString at = child(path, u"artist"_s);
        return string(object(o, path, u"artist"_s), at, u"name"_s);
    }

    // Adds the release to result, or skips it when none of its media carries sound.
    void release(const QJsonObject& o, const QString& path, ReadResult& result) const {
        if (!o.value(u"title"_s).isString())
            fail(child(path, u"title"_s), "the release title (a string)");
        ReleaseRecord r;
        r.titel = utf8(string(o, path, u"title"_s));
        r.kunstner = utf8(artistCredit(o, path));
        r.indspillet = utf8(string(o, path, u"date"_s));
        // Names the release, so that importing the same file again adds nothing.
        if (const QString id = string(o, path, u"id"_s); !id.isEmpty())
            r.notater = utf8(u"MusicBrainz "_s + id);

        const QJsonArray labels = array(o, path, u"label-info"_s);
        if (!labels.isEmpty()) {
            const QString at = index(child(path, u"label-info"_s), 0);
            const QJsonObject info = object(labels.at(0), at);
            r.forlag = utf8(string(object(info, at, u"label"_s), child(at, u"label"_s), u"name"_s));
            r.regNr = utf8(string(info, at, u"catalog-number"_s));
        }

        const QString mediaPath = child(path, u"media"_s);
        const QJsonArray media = array(o, path, u"media"_s);
        QStringList otherCarriers;
        for (qsizetype m = 0; m < media.size(); ++m) {
            const QString mp = index(mediaPath, m);
            const QJsonObject medium = object(media.at(m), mp);
            const QString format = string(medium, mp, u"format"_s);
            if (!isSoundCarrier(format)) {
                otherCarriers.append(format);
                continue;
            }
            if (r.media.empty())
                r.media = mediumCode(format);
            const QString tracksPath = child(mp, u"tracks"_s);
            const QJsonArray tracks = array(medium, mp, u"tracks"_s);
            for (qsizetype t = 0; t < tracks.size(); ++t) {
                const QString tp = index(tracksPath, t);
                r.tracks.push_back(track(object(tracks.at(t), tp), tp));
                r.tracks.back().nummer = static_cast<int>(r.tracks.size());
            }
        }
        if (otherCarriers.isEmpty()) {
            result.releases.push_back(std::move(r));
            return;
        }
        const bool none = otherCarriers.size() == media.size();
        const QString where = path.isEmpty() ? QString() : path + u": "_s;
        ++result.skipped;
        result.notes.push_back(utf8(where + QString::fromStdString(r.kunstner + " - " + r.titel) +
                                    (none ? u": not a sound carrier (%1)"_s
                                          : u": tracks of %1 left out, not a sound carrier"_s)
                                        .arg(otherCarriers.join(u", "_s))));
        if (!none)
            result.releases.push_back(std::move(r));
    }

    TrackRecord track(const QJsonObject& o, const QString& path) const {
        TrackRecord t;
        t.nrTitel = utf8(string(o, path, u"title"_s));
        const QString recPath = child(path, u"recording"_s);
        const QJsonObject recording = object(o, path, u"recording"_s);
        // A track without a credit of its own is credited as its recording.
        QString artist = artistCredit(o, path);
        if (artist.isEmpty())
            artist = artistCredit(recording, recPath);
        t.kunstner = utf8(artist);
        if (t.nrTitel.empty())
            t.nrTitel = utf8(string(recording, recPath, u"title"_s));

        QStringList composers;
        const QString relsPath = child(recPath, u"relations"_s);
        const QJsonArray relations = array(recording, recPath, u"relations"_s);
        for (qsizetype i = 0; i < relations.size(); ++i) {
            const QString rp = index(relsPath, i);
            const QJsonObject rel = object(relations.at(i), rp);
            const QString targetType = string(rel, rp, u"target-type"_s);
            if (targetType == u"work"_s)
                workComposers(object(rel, rp, u"work"_s), child(rp, u"work"_s), composers);
            else if (targetType == u"artist"_s)
                performers(rel, rp, t.musicians);
        }
        t.komponist = utf8(composers.join(u", "_s));
        return t;
    }

    void workComposers(const QJsonObject& work, const QString& path, QStringList& names) const {
        const QString relsPath = child(path, u"relations"_s);
        const QJsonArray relations = array(work, path, u"relations"_s);
        for (qsizetype i = 0; i < relations.size(); ++i) {
            const QString rp = index(relsPath, i);
            const QJsonObject rel = object(relations.at(i), rp);
            if (string(rel, rp, u"type"_s) != u"composer"_s)
                continue;
            const QString name = artistName(rel, rp);
            if (!name.isEmpty() && !names.contains(name))
                names.append(name);
        }
    }

    // "instrument": a row per instrument; "vocal": a row per kind of voice, or "vocals";
    // "performer": a row without an instrument. "guest", "solo" and the like go to the note.
    void performers(const QJsonObject& rel, const QString& path,
                    std::vector<MusicianRecord>& rows) const {
        const QString type = string(rel, path, u"type"_s);
        if (type != u"instrument"_s && type != u"vocal"_s && type != u"performer"_s)
            return;
        QStringList parts, qualifiers;
        for (const QString& a : strings(rel, path, u"attributes"_s))
            (isQualifier(a) ? qualifiers : parts).append(a);
        const std::string name = utf8(artistName(rel, path));
        if (name.empty())
            return;
        if (type == u"performer"_s)
            parts.clear();
        if (parts.isEmpty())
            parts.append(type == u"vocal"_s ? u"vocals"_s : QString());
        const std::string note = utf8(qualifiers.join(u", "_s));
        for (const QString& part : parts)
            rows.push_back({name, utf8(part), note});
    }

    QString file_;
};

} // namespace

ReadResult readMusicBrainzJson(const QByteArray& bytes, const QString& nameForMessages) {
    // JSON is UTF-8; the parser would take anything else as replacement characters.
    if (!bytes.isValidUtf8()) {
        qsizetype line = 1;
        for (const QByteArray& text : bytes.split('\n')) {
            if (!text.isValidUtf8())
                break;
            ++line;
        }
        throw ReadError(utf8(u"%1: line %2: not UTF-8"_s.arg(nameForMessages).arg(line)));
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        const QByteArray before = bytes.left(std::clamp<qsizetype>(error.offset, 0, bytes.size()));
        const qsizetype line = before.count('\n') + 1;
        const qsizetype column = before.size() - (before.lastIndexOf('\n') + 1) + 1;
        throw ReadError(utf8(u"%1: line %2, column %3: expected JSON (%4)"_s.arg(
            nameForMessages, QString::number(line), QString::number(column), error.errorString())));
    }
    return Reader(nameForMessages).read(doc);
}

ReadResult readMusicBrainz(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ReadError(utf8(u"%1: cannot be read: %2"_s.arg(path, file.errorString())));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ReadError(utf8(u"%1: cannot be read: %2"_s.arg(path, file.errorString())));
    ReadResult result = readMusicBrainzJson(bytes, path);
    // A picture beside a file of several releases could be any one's.
    if (result.releases.size() == 1) {
        const QFileInfo info(path);
        const QDir dir = info.dir();
        QString cover;
        qsizetype rank = coverFileSuffixes().size();
        for (const QFileInfo& f : dir.entryInfoList(QDir::Files, QDir::Name)) {
            const qsizetype r = coverFileSuffixes().indexOf(f.suffix().toLower());
            if (r >= 0 && r < rank && f.completeBaseName() == info.completeBaseName())
                cover = f.absoluteFilePath(), rank = r;
        }
        if (cover.isEmpty())
            cover = coverFileIn(dir);
        result.releases.front().coverFile = utf8(cover);
    }
    return result;
}

} // namespace exchange
