// startupbench [releases]: start-up and close of the real main window on a generated collection
// (100,000 releases by default) in a data folder, Qt offscreen. Each run starts a fresh process
// of this program on its own copy of the folder; that child does what the program's main()
// does, up to the main window shown, then changes one release and closes the window. Prints,
// as information and never as assertions:
//   startup_to_window_shown_ms=<x> spawn_to_shown_ms=<y> child_total_ms=<z>
//        in the child from just before QApplication until the window is exposed and painted;
//        from the parent's fork until the child says so; the child's whole life (medians)
//   close_one_changed_table_ms=<x>
//        close() after one Lydsam row was edited and posted: saves Lydsam, writes the settings
//   file_read_ms=<r> files_mb=<m>
//        a fresh process reading the five table files into fresh memory (open, fstat, a new
//        buffer of the file's size, read), on the same folder just before each start-up
//   startup_over_file_read=<x/r>
//        how far the start-up is from the least it could take: reading its files
//   # file_read_mapped_ms=<m>
//        the same read into pages mapped ahead in steps, as the program reads (information)
// and, as '#' lines, the steps of opening each table in a fresh process (medians).
//
// startupbench --child DATA_FOLDER SETTINGS_FILE: one such run; prints "shown ..." and
// "closed ..." lines for the parent.
// startupbench --shown-only DATA_FOLDER SETTINGS_FILE: the same up to the window shown, then
// exits at once (to profile the start-up alone, e.g. under perf record).
// startupbench --read-files DATA_FOLDER [--mapped]: one file read; prints "read_ms=... bytes=...".
// With --mapped each 4 MB step's pages are mapped just before it is read into, as the program
// reads its tables (information only: the target is against the plain read).
// startupbench --open-steps DATA_FOLDER: the steps of opening each table, timed apart.
#include "benchdata.h"
#include "benchutil.h"
#include "offscreen.h"

#include "dbaware/errorbox.h"
#include "engine/checksum.h"
#include "engine/pages.h"
#include "engine/table.h"
#include "engine/tablefile.h"
#include "extras/splash.h"
#include "mainwindow/form1.h"
#include "platform/helpviewer.h"
#include "platform/inifile.h"
#include "report/replistform.h"
#include "report/replistform1.h"
#include "store/collection.h"
#include "store/settings.h"

#include <QApplication>
#include <QWindow>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using benchutil::Clock;
using benchutil::median;
using benchutil::msSince;
using benchutil::require;

constexpr int kRuns = 3;
constexpr int kReadsPerRun = 3;
constexpr int kChildTimeoutMs = 180000;
constexpr std::size_t kMappedStep = 4 * 1024 * 1024; // the table reader's step
constexpr const char* kMarker = "Muutettu startupbench-ajossa";

// ------------------------------------------------------------------ the child

int child(int argc, char* argv[], bool shownOnly) {
    offscreen::useOffscreenQt();
    const auto t0 = Clock::now();
    QApplication app(argc, argv);
    // A modal box would hang the run: every error fails it instead.
    int errors = 0;
    dbaware::setErrorBoxHandler([&](const QString& text) {
        ++errors;
        std::fprintf(stderr, "startupbench: error box: %s\n", qPrintable(text));
    });

    // What main() does, in its order.
    auto* splash = new TKvaril;
    splash->showNow();
    QApplication::setApplicationName(QStringLiteral("Levyholvi"));
    platform::setHelpFile(QCoreApplication::applicationDirPath() + QStringLiteral("/Lydsam.hlp"));
    const std::string folder = store::dataFolder({argv[2]}, {});
    const auto formStart = Clock::now();
    TForm1 form(QString::fromStdString(folder), QString::fromLocal8Bit(argv[3]));
    const double formMs = msSince(formStart);
    TRepListForm repListForm(&form.LydsamDataSet);
    TRepListForm1 repListForm1(&form.MusikerDataSet);
    form.setReportLayouts(&repListForm, &repListForm1);
    form.show();
    form.activateWindow();
    while (!form.windowHandle() || !form.windowHandle()->isExposed()) {
        if (msSince(t0) > kChildTimeoutMs)
            return 3;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QCoreApplication::processEvents(); // the first paint
    const double shownMs = msSince(t0);
    engine::Table& lydsam = form.LydsamDataSet;
    std::printf("shown startup_ms=%.1f form_ms=%.1f releases=%d tracks=%d\n", shownMs, formMs,
                lydsam.recordCount(), form.NumreDataSet.recordCount());
    std::fflush(stdout);
    if (shownOnly)
        std::_Exit(0); // a profile of the start-up ends here, without the teardown

    // One release changed by the user: a note, which no index holds.
    const int num = lydsam.asInteger("Num");
    lydsam.edit();
    lydsam.setText("Notater", kMarker);
    lydsam.post();
    QCoreApplication::processEvents();
    const auto closeStart = Clock::now();
    const bool closed = form.close();
    const double closeMs = msSince(closeStart);
    std::printf("closed close_ms=%.1f closed=%d num=%d pending=%d errors=%d\n", closeMs,
                closed ? 1 : 0, num, lydsam.changeCount(), errors);
    std::fflush(stdout);
    dbaware::setErrorBoxHandler(nullptr);
    return errors == 0 && closed ? 0 : 1;
}

// ------------------------------------------------------------------ the file read

// The whole file into a new buffer of its size.
std::unique_ptr<char[]> readWhole(const std::string& path, std::size_t& size, bool mapped = false) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    require(fd >= 0, "cannot open " + path);
    struct stat st {};
    require(::fstat(fd, &st) == 0, "cannot stat " + path);
    size = static_cast<std::size_t>(st.st_size);
    std::unique_ptr<char[]> bytes(new char[size]); // not zeroed: read() is what touches the pages
    for (std::size_t done = 0; done < size;) {
        const std::size_t step = mapped ? std::min(size - done, kMappedStep) : size - done;
        if (mapped)
            engine::mapAhead(bytes.get() + done, step);
        const ssize_t n = ::read(fd, bytes.get() + done, step);
        if (n < 0 && errno == EINTR)
            continue;
        require(n > 0, "cannot read " + path);
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return bytes;
}

// The five files as a program that only needs their bytes would read them. The buffers stay
// allocated until all are read, as the tables' do.
int readFiles(const std::string& folder, bool mapped) {
    std::vector<std::unique_ptr<char[]>> buffers;
    std::size_t bytes = 0;
    const auto t0 = Clock::now();
    for (const store::CollectionTable& desc : store::collectionTables()) {
        std::size_t size = 0;
        buffers.push_back(readWhole(folder + desc.fileName, size, mapped));
        bytes += size;
    }
    const double ms = msSince(t0);
    std::printf("read_ms=%.3f bytes=%zu\n", ms, bytes);
    return 0;
}

// The steps of store::openTable for each table in the window's order, timed apart: the load
// (read, checksum, rows checked and split, the row store), display widths, indices. Then the
// load's first three once more on fresh copies of the files, apart.
int openSteps(const std::string& folder) {
    std::vector<std::unique_ptr<engine::Table>> open; // all stay open, as in the window
    for (const store::CollectionTable& desc : store::collectionTables()) {
        auto& t = *open.emplace_back(std::make_unique<engine::Table>());
        auto t0 = Clock::now();
        t.load(folder + desc.fileName);
        const double loadMs = msSince(t0);
        t0 = Clock::now();
        desc.setDisplayWidths(t);
        const double widthsMs = msSince(t0);
        t0 = Clock::now();
        desc.createIndices(t);
        const double indicesMs = msSince(t0);
        std::printf("open %s load_ms=%.3f widths_ms=%.3f indices_ms=%.3f\n", desc.name, loadMs,
                    widthsMs, indicesMs);
    }
    for (const store::CollectionTable& desc : store::collectionTables()) {
        std::size_t size = 0;
        auto t0 = Clock::now();
        std::unique_ptr<char[]> bytes = readWhole(folder + desc.fileName, size);
        const double readMs = msSince(t0);
        require(size >= 4, "the file " + std::string(desc.fileName) + " ends too early");
        t0 = Clock::now();
        const std::uint32_t crc = engine::crc32c(std::string_view(bytes.get(), size - 4));
        const double crcMs = msSince(t0);
        t0 = Clock::now();
        const engine::tablefile::Image image =
            engine::tablefile::decode(std::move(bytes), size, false);
        const double decodeMs = msSince(t0);
        std::printf("split %s read_ms=%.3f crc_ms=%.3f decode_ms=%.3f rows=%zu crc=%u\n", desc.name,
                    readMs, crcMs, decodeMs, image.rows.size(), crc);
    }
    return 0;
}

// ------------------------------------------------------------------ the parent

struct ChildRun {
    double spawnToShownMs = -1;
    double totalMs = -1;
    std::string out;
};

double value(const std::string& out, const char* key) {
    const std::string k = std::string(key) + "=";
    const std::size_t at = out.find(k);
    return at == std::string::npos ? -1 : std::strtod(out.c_str() + at + k.size(), nullptr);
}

// A fresh process of this program with the given arguments; its output, and its times.
ChildRun runChild(const std::vector<std::string>& args, const char* doneKey) {
    int fds[2];
    require(::pipe(fds) == 0, "pipe");
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    require(pid >= 0, "fork");
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        std::vector<char*> argv{const_cast<char*>("startupbench")};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv("/proc/self/exe", argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    ChildRun r;
    char buf[512];
    bool timedOut = false;
    for (;;) {
        const int left = kChildTimeoutMs - static_cast<int>(msSince(t0));
        pollfd p{fds[0], POLLIN, 0};
        const int ready = left > 0 ? ::poll(&p, 1, left) : 0;
        if (ready == 0) {
            timedOut = true;
            ::kill(pid, SIGKILL); // our own child, stuck
            break;
        }
        if (ready < 0 && errno == EINTR)
            continue;
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        r.out.append(buf, static_cast<std::size_t>(n));
        if (r.spawnToShownMs < 0 && r.out.find(doneKey) != std::string::npos)
            r.spawnToShownMs = msSince(t0);
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.totalMs = msSince(t0);
    require(!timedOut,
            "the child finished within " + std::to_string(kChildTimeoutMs / 1000) + " s");
    require(WIFEXITED(status) && WEXITSTATUS(status) == 0,
            "the child " + args.front() + " failed: " + r.out);
    return r;
}

// The saved files: Lydsam rewritten with the change (its old file kept as .bak), the large
// tables untouched, the settings naming the changed release.
void checkSaved(const std::string& folder, const std::string& settingsFile, int num) {
    require(fs::exists(folder + "Lydsam.dat.bak"), "Lydsam was saved");
    require(!fs::exists(folder + "Numre.dat.bak") && !fs::exists(folder + "Musiker.dat.bak"),
            "only the changed table was saved");
    engine::Table t;
    t.load(folder + "Lydsam.dat");
    require(t.locate("Num", std::to_string(num)) && t.asText("Notater") == kMarker,
            "the saved file holds the change");
    const TIniFile ini(QString::fromStdString(settingsFile));
    require(store::readSettings(ini).num == num, "the settings name the current release");
}

int parent(int releases) {
    std::printf("# startupbench: the main window on %d releases, %d tracks, %d musician rows "
                "(Qt offscreen); %d runs, each a fresh process on its own copy of the folder\n",
                releases, releases * benchdata::kTracksPerRelease,
                releases * benchdata::kTracksPerRelease, kRuns);
    std::printf("# load average at start: %s\n", benchutil::loadAverage().c_str());
    std::printf("# targets: startup_to_window_shown_ms <= 2000 ms; close_one_changed_table_ms "
                "<= 1000 ms; startup_over_file_read <= 1.5\n");
    std::fflush(stdout);

    benchutil::TempFolder tmp("levyholvi-startupbench");
    const std::string master = tmp.path() + "/master";
    {
        auto c = std::make_unique<benchdata::Collection>();
        benchdata::generate(*c, releases);
        benchdata::save(*c, master);
    }
    std::vector<double> startupMs, formMs, spawnMs, totalMs, closeMs, readMs, mappedReadMs;
    double readBytes = 0;
    std::map<std::string, std::map<std::string, std::vector<double>>> steps; // table, step
    for (int i = 0; i < kRuns; ++i) {
        const std::string folder = tmp.path() + "/run" + std::to_string(i) + "/";
        const std::string settings = tmp.path() + "/run" + std::to_string(i) + ".INI";
        fs::copy(master, folder, fs::copy_options::recursive);
        {
            // A returning user: the program opens on a release near the end.
            TIniFile ini(QString::fromStdString(settings));
            store::Settings s;
            s.num = releases - releases / 10;
            store::writeSettings(ini, s);
        }
        for (int k = 0; k < kReadsPerRun; ++k) {
            const ChildRun read = runChild({"--read-files", folder}, "read_ms=");
            readMs.push_back(value(read.out, "read_ms"));
            readBytes = value(read.out, "bytes");
        }
        const ChildRun mapped = runChild({"--read-files", folder, "--mapped"}, "read_ms=");
        mappedReadMs.push_back(value(mapped.out, "read_ms"));
        const ChildRun r = runChild({"--child", folder, settings}, "startup_ms=");
        require(r.out.find("closed=1") != std::string::npos,
                "the child started and closed the window: " + r.out);
        checkSaved(folder, settings, static_cast<int>(value(r.out, "num")));
        require(static_cast<int>(value(r.out, "releases")) == releases, "all releases loaded");
        startupMs.push_back(value(r.out, "startup_ms"));
        formMs.push_back(value(r.out, "form_ms"));
        closeMs.push_back(value(r.out, "close_ms"));
        spawnMs.push_back(r.spawnToShownMs);
        totalMs.push_back(r.totalMs);
        const ChildRun opened = runChild({"--open-steps", folder}, "open ");
        std::istringstream lines(opened.out);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string kind, table;
            words >> kind >> table;
            for (const char* key :
                 {"load_ms", "widths_ms", "indices_ms", "read_ms", "crc_ms", "decode_ms"})
                if (const double ms = value(line, key); ms >= 0)
                    steps[table][key].push_back(ms);
        }
        fs::remove_all(folder);
    }
    std::printf("startup_to_window_shown_ms=%.1f spawn_to_shown_ms=%.1f child_total_ms=%.1f\n",
                median(startupMs), median(spawnMs), median(totalMs));
    std::printf("close_one_changed_table_ms=%.1f\n", median(closeMs));
    const double readMedian = median(readMs);
    std::printf("file_read_ms=%.1f files_mb=%.1f\n", readMedian, readBytes / (1 << 20));
    std::printf("startup_over_file_read=%.2f target<=1.5\n",
                readMedian > 0 ? median(startupMs) / readMedian : 0.0);
    std::printf("# file_read_mapped_ms=%.1f (the same files read the program's way, into pages "
                "mapped ahead in 4 MB steps)\n",
                median(mappedReadMs));
    std::printf("# of the start-up, TForm1's constructor (tables opened, controls bound) took "
                "%.1f ms; runs: start-up",
                median(formMs));
    for (double ms : startupMs)
        std::printf(" %.0f", ms);
    std::printf(" ms, close");
    for (double ms : closeMs)
        std::printf(" %.0f", ms);
    std::printf(" ms, file read");
    for (double ms : readMs)
        std::printf(" %.1f", ms);
    std::printf(" ms\n");
    double load = 0, widths = 0, indices = 0;
    for (const store::CollectionTable& desc : store::collectionTables()) {
        auto& t = steps[desc.name];
        std::printf("# opening %s in a fresh process (medians): load %.1f ms (apart: read %.1f, "
                    "checksum %.1f, rows checked and split %.1f), display widths %.1f ms, "
                    "indices %.1f ms\n",
                    desc.name, median(t["load_ms"]), median(t["read_ms"]), median(t["crc_ms"]),
                    median(t["decode_ms"]), median(t["widths_ms"]), median(t["indices_ms"]));
        load += median(t["load_ms"]);
        widths += median(t["widths_ms"]);
        indices += median(t["indices_ms"]);
    }
    std::printf("# opening all five: load %.1f + display widths %.1f + indices %.1f = %.1f ms\n",
                load, widths, indices, load + widths + indices);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    try {
        if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
            return child(argc, argv, false);
        if (argc == 4 && std::strcmp(argv[1], "--shown-only") == 0)
            return child(argc, argv, true);
        if (argc == 3 && std::strcmp(argv[1], "--read-files") == 0)
            return readFiles(argv[2], false);
        if (argc == 4 && std::strcmp(argv[1], "--read-files") == 0 &&
            std::strcmp(argv[3], "--mapped") == 0)
            return readFiles(argv[2], true);
        if (argc == 3 && std::strcmp(argv[1], "--open-steps") == 0)
            return openSteps(argv[2]);
        int releases = benchdata::kDefaultReleases;
        if (argc == 2)
            releases = std::atoi(argv[1]);
        if (argc > 2 || releases <= 0) {
            std::fprintf(stderr, "usage: %s [releases]\n", argv[0]);
            return 2;
        }
        return parent(releases);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "startupbench: %s\n", e.what());
        return 1;
    }
}
