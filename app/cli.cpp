// levyholvi-cli: imports, exports and checks a collection without a window.
#include "collectionlock.h"
#include "engine/table.h"
#include "engine/utf8.h"
#include "exchange/collectiontables.h"
#include "exchange/coverfiles.h"
#include "exchange/csvtables.h"
#include "exchange/htmlpage.h"
#include "exchange/importer.h"
#include "exchange/sources.h"
#include "exchange/tagfolder.h"
#include "history/bulkchange.h"
#include "levyholvi_version.h"
#include "stats/figures.h"
#include "stats/figurestext.h"
#include "store/collection.h"
#include "store/collectionfiles.h"
#include "store/commitrecord.h"
#include "store/conflictcopies.h"
#include "store/coverimage.h"
#include "store/covers.h"
#include "store/thumbnailcache.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <unordered_set>

namespace {

// Not one of the tool's own failures: a command line it cannot use.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}

struct Collection {
    engine::Table lydsam, arkiv, numre, genre, musiker;
    exchange::CollectionTables tables{lydsam, arkiv, numre, genre, musiker};
    std::string folder;
    std::unique_ptr<store::CollectionFiles> files;

    std::string path(std::string_view name) const {
        return folder + store::collectionTable(name).fileName;
    }
    // Opens every table it can; returns the messages of those that failed.
    QStringList open() {
        files = std::make_unique<store::CollectionFiles>(
            folder, [this](std::string_view name) -> engine::Table& { return tables.named(name); });
        tables.covers = &files->covers();
        files->noteVersionsBeforeReading();
        QStringList failures;
        for (const store::CollectionTable& t : store::collectionTables()) {
            try {
                store::openTable(tables.named(t.name), t, path(t.name));
            } catch (const std::exception& e) {
                failures << QString::fromUtf8(e.what());
            }
        }
        // What a window that did not close cleanly posted counts as much as what it saved.
        try {
            if (const std::string text = files->replayJournal().text(); !text.empty())
                std::fprintf(stderr, "levyholvi-cli: %s\n", text.c_str());
        } catch (const std::exception& e) {
            failures << QString::fromUtf8(e.what());
        }
        return failures;
    }
    void openAll() {
        if (const QStringList failures = open(); !failures.isEmpty())
            throw std::runtime_error(failures.front().toStdString());
    }
    // As the window saves at close: every changed table at once, merged first with whatever
    // was saved in the folder since it was read.
    void save() {
        const store::MergeReport report = files->save();
        if (report.any())
            out() << QString::fromStdString(report.text()) << Qt::endl;
    }
};

// Export and check read a collection that must already be there: a mistyped or unmounted
// folder would otherwise pass for an empty collection (and an export of it would overwrite a
// good backup with bare headers).
void requireCollection(const std::string& folder) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        throw std::runtime_error("no collection folder '" + folder + "'");
    for (const store::CollectionTable& t : store::collectionTables())
        if (std::filesystem::exists(folder + t.fileName, ec) || ec)
            return; // an unreadable file is reported when the tables are opened
    throw std::runtime_error("no collection in '" + folder + "': it holds no table file");
}

enum class Need { Collection, MayCreate };

std::string dataFolderOf(const QCommandLineParser& parser, Need need) {
    if (!parser.isSet(QStringLiteral("data")))
        throw UsageError("--data DIR is needed");
    const QString named = parser.value(QStringLiteral("data"));
    if (named.trimmed().isEmpty())
        throw UsageError("--data names no folder");
    const std::string folder = store::dataFolder({named.toStdString()}, "");
    if (need == Need::Collection)
        requireCollection(folder);
    takeCollectionLock(QString::fromStdString(folder));
    // A save that a crash interrupted is finished (or undone) before anything is read.
    store::recoverCommit(folder);
    store::removeSaveLeftovers(folder, store::processStart());
    return folder;
}

void runImport(const QCommandLineParser& parser, const QStringList& args) {
    if (args.size() != 3)
        throw UsageError("import needs a source kind and a source");
    const auto source = exchange::sourceNamed(args[1]);
    if (!source)
        throw UsageError("unknown source kind '" + args[1].toStdString() +
                         "' (discogs, musicbrainz, folder or csv)");
    Collection c;
    c.folder = dataFolderOf(parser, Need::MayCreate);
    c.openAll();
    exchange::ImportOptions options;
    options.dryRun = parser.isSet(QStringLiteral("dry-run"));
    options.folderAsGenre = parser.isSet(QStringLiteral("folder-as-genre"));
    const exchange::ImportSummary summary =
        exchange::importFrom(*source, args[2], c.tables, options);
    if (!options.dryRun)
        c.save();
    out() << exchange::summaryText(summary) << Qt::endl;
    if (options.dryRun)
        out() << QStringLiteral("Kokeiluajo: mitään ei tallennettu.") << Qt::endl;
    if (parser.isSet(QStringLiteral("verbose")))
        for (const std::string& note : summary.notes)
            out() << "  " << QString::fromStdString(note) << Qt::endl;
}

void runExport(const QCommandLineParser& parser, const QStringList& args) {
    if (args.size() != 3 || (args[1] != u"csv" && args[1] != u"html"))
        throw UsageError("export needs 'csv' and a destination folder, or 'html' and a file");
    Collection c;
    c.folder = dataFolderOf(parser, Need::Collection);
    c.openAll();
    if (args[1] == u"html") {
        // The covers as the window's wall has them: from the user's thumbnail cache.
        const store::ThumbnailCache thumbnails(store::ThumbnailCache::folderFor(c.folder));
        exchange::HtmlPageOptions options;
        options.cover = [&](std::int32_t num) {
            return thumbnails.thumbnail(c.files->covers(), num);
        };
        exchange::writeHtmlPage(c.lydsam, c.numre, c.musiker, args[2], options);
    } else {
        exchange::writeCsvTables(c.tables, args[2]);
    }
}

void reportChange(const QCommandLineParser& parser, Collection& c, const QString& what) {
    const bool dryRun = parser.isSet(QStringLiteral("dry-run"));
    if (!dryRun)
        c.save();
    out() << what << Qt::endl;
    if (dryRun)
        out() << QStringLiteral("Kokeiluajo: mitään ei tallennettu.") << Qt::endl;
}

// One field of every release, or of those of one medium or genre.
void runSet(const QCommandLineParser& parser, const QStringList& args) {
    if (args.size() != 3)
        throw UsageError("set needs a field and a value");
    std::string field;
    for (const history::SettableField& f : history::settableFields())
        if (args[1].compare(QLatin1String(f.field), Qt::CaseInsensitive) == 0)
            field = f.field;
    if (field.empty())
        throw UsageError("set cannot change '" + args[1].toStdString() +
                         "' (Genre, Media, Forlag, Kunstner, Anskaffet, Pris or Indspillet)");
    Collection c;
    c.folder = dataFolderOf(parser, Need::Collection);
    c.openAll();
    std::vector<std::pair<int, std::string>> wanted;
    for (const char* option : {"medium", "genre"})
        if (parser.isSet(QLatin1String(option)))
            wanted.emplace_back(
                c.lydsam.fieldIndex(option == std::string("medium") ? "Media" : "Genre"),
                parser.value(QLatin1String(option)).toStdString());
    std::vector<std::uint32_t> rows;
    for (int r = 0; r < c.lydsam.storedRowCount(); ++r)
        if (std::all_of(wanted.begin(), wanted.end(), [&](const auto& w) {
                return c.lydsam.storedTextView(r, w.first) == w.second;
            }))
            rows.push_back(c.lydsam.storedRowId(r));
    const bool dryRun = parser.isSet(QStringLiteral("dry-run"));
    const int n = history::setField(c.lydsam, rows, field, args[2].toStdString(), dryRun);
    reportChange(parser, c,
                 QStringLiteral("%1 levyä %2 (valittuna %3)")
                     .arg(n)
                     .arg(dryRun ? QStringLiteral("muuttuisi") : QStringLiteral("muutettu"))
                     .arg(rows.size()));
}

// A name replaced wherever it stands, as a whole value, letter case aside.
void runRename(const QCommandLineParser& parser, const QStringList& args) {
    if (args.size() != 4)
        throw UsageError("rename needs a kind of name, the name and the new name");
    const history::NameKind* kind = nullptr;
    for (const history::NameKind& k : history::nameKinds())
        if (args[1] == QLatin1String(k.key))
            kind = &k;
    if (!kind)
        throw UsageError("unknown kind of name '" + args[1].toStdString() +
                         "' (artist, musician, composer, label or genre)");
    Collection c;
    c.folder = dataFolderOf(parser, Need::Collection);
    c.openAll();
    const bool dryRun = parser.isSet(QStringLiteral("dry-run"));
    const history::RenameCount count = history::renameName(
        [&c](std::string_view name) -> engine::Table& { return c.tables.named(name); }, *kind,
        args[2].toStdString(), args[3].toStdString(), dryRun);
    QStringList parts;
    for (const auto& [table, rows] : count.byTable)
        parts << QStringLiteral("%1 %2").arg(QString::fromStdString(table)).arg(rows);
    reportChange(parser, c,
                 QStringLiteral("%1 riviä %2 (%3)")
                     .arg(count.rows)
                     .arg(dryRun ? QStringLiteral("muuttuisi") : QStringLiteral("muutettu"),
                          parts.join(QStringLiteral(", "))));
}

// The collection's figures, as lines or as JSON.
void runStats(const QCommandLineParser& parser, const QStringList& args) {
    if (args.size() != 1)
        throw UsageError("stats takes no arguments");
    Collection c;
    c.folder = dataFolderOf(parser, Need::Collection);
    c.openAll();
    const stats::Figures figures = stats::compute(c.lydsam, c.numre, c.musiker);
    if (parser.isSet(QStringLiteral("json")))
        out() << QJsonDocument(stats::toJson(figures)).toJson(QJsonDocument::Indented);
    else
        out() << stats::toText(figures) << Qt::endl;
}

// The archive numbers of the releases.
std::unordered_set<std::int32_t> releaseNumbers(const engine::Table& lydsam) {
    std::unordered_set<std::int32_t> nums;
    const int fNum = lydsam.fieldIndex("Num");
    for (int r = 0; r < lydsam.storedRowCount(); ++r)
        if (const std::string n = lydsam.storedText(r, fNum); !n.empty())
            nums.insert(std::stoi(n));
    return nums;
}

// Pictures named by archive number ("42.jpg", "0042.png") set as those releases' covers.
void coversImport(const QCommandLineParser& parser, Collection& c, const QString& source) {
    const QDir dir(source);
    if (!QFileInfo(source).isDir())
        throw std::runtime_error("no folder '" + source.toStdString() + "'");
    static const QRegularExpression number(QStringLiteral("^0*([1-9][0-9]{0,8})$"));
    const std::unordered_set<std::int32_t> nums = releaseNumbers(c.lydsam);
    std::vector<exchange::CoverSource> sources;
    std::unordered_set<std::int32_t> taken;
    QStringList skipped;
    for (const QFileInfo& f : dir.entryInfoList(QDir::Files, QDir::Name)) {
        const QRegularExpressionMatch m = number.match(f.completeBaseName());
        const std::int32_t num = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (num == 0 || !exchange::coverFileSuffixes().contains(f.suffix().toLower()))
            skipped << QStringLiteral("%1: ei arkistonumerolla nimetty kuva").arg(f.fileName());
        else if (!nums.contains(num))
            skipped << QStringLiteral("%1: ei levyä numerolla %2").arg(f.fileName()).arg(num);
        else if (!taken.insert(num).second)
            skipped << QStringLiteral("%1: levyllä %2 on jo kuva").arg(f.fileName()).arg(num);
        else
            sources.push_back({num, f.absoluteFilePath().toStdString(), nullptr, {}});
    }
    // A dry run reads and checks the pictures too; it only sets none.
    const bool dryRun = parser.isSet(QStringLiteral("dry-run"));
    int count = 0;
    const std::vector<exchange::ReadCover> read = *exchange::readCovers(sources);
    for (const exchange::ReadCover& cover : read) {
        if (!cover.error.empty()) {
            skipped << QString::fromStdString(cover.error);
            continue;
        }
        if (!dryRun)
            c.files->covers().set(cover.num, cover.picture);
        ++count;
    }
    reportChange(parser, c,
                 QStringLiteral("%1 kansikuvaa %2; %3 ohitettu")
                     .arg(count)
                     .arg(dryRun ? QStringLiteral("tuotaisiin") : QStringLiteral("tuotu"))
                     .arg(skipped.size()));
    for (const QString& s : skipped)
        out() << "  " << s << Qt::endl;
}

// Covers without a release, and cover files that are no pictures; true when there are none.
bool coversCheck(Collection& c) {
    const std::unordered_set<std::int32_t> nums = releaseNumbers(c.lydsam);
    QStringList orphans, unreadable;
    const std::vector<std::int32_t> onDisk = c.files->covers().numbersOnDisk();
    for (const std::int32_t num : onDisk) {
        const QString path = QString::fromStdString(c.files->covers().path(num));
        if (!nums.contains(num))
            orphans << QStringLiteral("  %1").arg(path);
        try {
            store::readCoverFile(path, store::kThumbnailSide);
        } catch (const std::exception& e) {
            unreadable << QStringLiteral("  %1").arg(QString::fromUtf8(e.what()));
        }
    }
    out() << QStringLiteral("Kansikuvia: %1").arg(onDisk.size()) << Qt::endl;
    out() << QStringLiteral("Kansikuvia ilman levyä: %1").arg(orphans.size()) << Qt::endl;
    for (const QString& o : orphans)
        out() << o << Qt::endl;
    out() << QStringLiteral("Lukukelvottomia kansikuvia: %1").arg(unreadable.size()) << Qt::endl;
    for (const QString& u : unreadable)
        out() << u << Qt::endl;
    return orphans.isEmpty() && unreadable.isEmpty();
}

// covers import FOLDER, covers export FOLDER, covers check; false when the check found any.
bool runCovers(const QCommandLineParser& parser, const QStringList& args) {
    const QString what = args.value(1);
    if (!((what == u"import" || what == u"export") && args.size() == 3) &&
        !(what == u"check" && args.size() == 2))
        throw UsageError("covers needs 'import FOLDER', 'export FOLDER' or 'check'");
    Collection c;
    c.folder = dataFolderOf(parser, Need::Collection);
    c.openAll();
    if (what == u"check")
        return coversCheck(c);
    if (what == u"import") {
        coversImport(parser, c, args[2]);
    } else {
        const int n = exchange::writeCoverFiles(c.tables, args[2]);
        out() << QStringLiteral("%1 kansikuvaa viety").arg(n) << Qt::endl;
    }
    return true;
}

// Row counts and the rows that point nowhere; a damaged file fails the check.
bool runCheck(const QCommandLineParser& parser, const QStringList& args) {
    if (args.size() != 1)
        throw UsageError("check takes no arguments");
    Collection c;
    c.folder = dataFolderOf(parser, Need::Collection);
    const QStringList failures = c.open();
    for (const QString& f : failures)
        std::fprintf(stderr, "levyholvi-cli: %s\n", f.toLocal8Bit().constData());
    for (const store::CollectionTable& t : store::collectionTables()) {
        const engine::Table& table = c.tables.named(t.name);
        if (table.isOpen())
            out() << t.name << QStringLiteral(": %1 riviä").arg(table.storedRowCount()) << Qt::endl;
        else
            out() << t.name << QStringLiteral(": ei luettavissa") << Qt::endl;
    }
    if (c.lydsam.isOpen() && c.numre.isOpen()) {
        const std::unordered_set<std::int32_t> nums = releaseNumbers(c.lydsam);
        QStringList orphans;
        const int tNum = c.numre.fieldIndex("Num"), tTitle = c.numre.fieldIndex("NrTitel");
        for (int r = 0; r < c.numre.storedRowCount(); ++r) {
            const std::string n = c.numre.storedText(r, tNum);
            if (n.empty() || !nums.contains(std::stoi(n)))
                orphans << QStringLiteral("  Num %1: %2")
                               .arg(QString::fromStdString(n.empty() ? "-" : n),
                                    QString::fromStdString(c.numre.storedText(r, tTitle)));
        }
        out() << QStringLiteral("Kappaleita ilman levyä: %1").arg(orphans.size()) << Qt::endl;
        for (const QString& o : orphans)
            out() << o << Qt::endl;
    }
    if (c.numre.isOpen() && c.musiker.isOpen()) {
        // Cut in characters, as the engine cuts a copied title, not in UTF-16 units.
        std::unordered_set<std::string> titles;
        const int tTitle = c.numre.fieldIndex("NrTitel");
        const int size =
            c.musiker.fields()[static_cast<std::size_t>(c.musiker.fieldIndex("NrTitel"))].size;
        for (int r = 0; r < c.numre.storedRowCount(); ++r)
            titles.emplace(engine::utf8::cutToChars(c.numre.storedText(r, tTitle), size));
        QStringList orphans;
        const int mTitle = c.musiker.fieldIndex("NrTitel"), mName = c.musiker.fieldIndex("Musiker");
        for (int r = 0; r < c.musiker.storedRowCount(); ++r) {
            const std::string title = c.musiker.storedText(r, mTitle);
            if (!titles.contains(title))
                orphans << QStringLiteral("  %1: %2")
                               .arg(QString::fromStdString(title),
                                    QString::fromUtf8(c.musiker.storedText(r, mName)));
        }
        out() << QStringLiteral("Muusikkorivejä ilman kappaletta: %1").arg(orphans.size())
              << Qt::endl;
        for (const QString& o : orphans)
            out() << o << Qt::endl;
    }
    // Sync tools' conflict copies that the program has not brought in yet.
    const std::vector<store::ConflictCopy> copies = store::findConflictCopies(c.folder);
    out() << QStringLiteral("Ristiriitakopioita: %1").arg(copies.size()) << Qt::endl;
    for (const store::ConflictCopy& copy : copies)
        out() << "  " << QString::fromStdString(copy.path) << Qt::endl;
    return failures.isEmpty();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("levyholvi-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LEVYHOLVI_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Imports, exports, checks and changes a Levyholvi collection.\n\n"
                       "  import discogs|musicbrainz|folder|csv SOURCE --data DIR [--dry-run]\n"
                       "  export csv DEST --data DIR\n"
                       "  export html FILE --data DIR\n"
                       "  check --data DIR\n"
                       "  set FIELD VALUE --data DIR [--medium CODE] [--genre NAME] [--dry-run]\n"
                       "  rename artist|musician|composer|label|genre NAME NEW --data DIR "
                       "[--dry-run]\n"
                       "  stats --data DIR [--json]\n"
                       "  covers import FOLDER --data DIR [--dry-run]\n"
                       "  covers export FOLDER --data DIR\n"
                       "  covers check --data DIR"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("import, export, check, set, rename, stats or covers"));
    parser.addOption({QStringLiteral("data"), QStringLiteral("The collection's data folder."),
                      QStringLiteral("DIR")});
    parser.addOption(
        {QStringLiteral("dry-run"), QStringLiteral("Read and check, report, save nothing.")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("stats: as JSON.")});
    parser.addOption({QStringLiteral("medium"),
                      QStringLiteral("set: only the releases of this medium (CD, LP, ...)."),
                      QStringLiteral("CODE")});
    parser.addOption({QStringLiteral("genre"),
                      QStringLiteral("set: only the releases of this genre."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("folder-as-genre"),
                      QStringLiteral("Discogs: the collection folder becomes the genre.")});
    parser.addOption(
        {QStringLiteral("verbose"), QStringLiteral("List the entries an import skipped and why.")});
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    try {
        const QString command = args.value(0);
        if (command == u"import")
            runImport(parser, args);
        else if (command == u"export")
            runExport(parser, args);
        else if (command == u"check")
            return runCheck(parser, args) ? 0 : 1;
        else if (command == u"set")
            runSet(parser, args);
        else if (command == u"rename")
            runRename(parser, args);
        else if (command == u"stats")
            runStats(parser, args);
        else if (command == u"covers")
            return runCovers(parser, args) ? 0 : 1;
        else
            throw UsageError(
                command.isEmpty()
                    ? "a command is needed (import, export, check, set, rename, stats or covers)"
                    : "unknown command '" + command.toStdString() + "'");
    } catch (const std::exception& e) {
        QString message = QString::fromUtf8(e.what()).simplified();
        std::fprintf(stderr, "levyholvi-cli: %s\n", message.toLocal8Bit().constData());
        if (dynamic_cast<const UsageError*>(&e))
            std::fprintf(stderr, "Try 'levyholvi-cli --help'.\n");
        return 1;
    }
    return 0;
}
