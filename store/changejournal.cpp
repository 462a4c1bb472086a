#include "changejournal.h"

#include "atomicfile.h"
#include "collection.h"
#include "engine/checksum.h"
#include "engine/error.h"
#include "engine/tablefile.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <unordered_map>

#include <unistd.h>

namespace store {

namespace {

using engine::Error;
using engine::RowChange;

constexpr std::string_view kMagic = "Levyholvi journal 1\n";
enum Kind : char { Header = 'H', Change = 'C', Saving = 'S' };
constexpr std::size_t kFrame = 8;          // length and checksum
constexpr std::size_t kWriteAt = 1u << 20; // a bulk load hands over this much at a time
constexpr auto kSyncPause = std::chrono::milliseconds(50); // the most a post waits for the disk

void putU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xff);
}

void putU64(std::string& out, std::uint64_t v) {
    putU32(out, static_cast<std::uint32_t>(v));
    putU32(out, static_cast<std::uint32_t>(v >> 32));
}

// Reads from a record's payload; any read past its end raises.
struct Reader {
    std::string_view data;
    std::string_view take(std::size_t n) {
        if (n > data.size())
            throw Error("short record");
        const std::string_view part = data.substr(0, n);
        data.remove_prefix(n);
        return part;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(take(1)[0]); }
    std::uint32_t u32() {
        const std::string_view b = take(4);
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<std::uint8_t>(b[static_cast<std::size_t>(i)]);
        return v;
    }
    std::uint64_t u64() {
        const std::uint64_t low = u32();
        return low | (static_cast<std::uint64_t>(u32()) << 32);
    }
};

// Appends one framed record: payload length, its CRC-32C, the payload.
void frame(std::string& out, std::string_view payload) {
    putU32(out, static_cast<std::uint32_t>(payload.size()));
    putU32(out, engine::crc32c(payload));
    out += payload;
}

std::string versionsRecord(Kind kind, const std::vector<JournalBase>& bases) {
    std::string p(1, kind);
    putU32(p, static_cast<std::uint32_t>(bases.size()));
    for (const JournalBase& b : bases) {
        p += static_cast<char>(b.table.size());
        p += b.table;
        p += static_cast<char>(b.exists ? 1 : 0);
        putU64(p, b.size);
        putU32(p, b.checksum);
    }
    return p;
}

std::vector<JournalBase> readVersions(Reader& r) {
    std::vector<JournalBase> bases(r.u32());
    for (JournalBase& b : bases) {
        b.table = std::string(r.take(r.u8()));
        b.exists = r.u8() != 0;
        b.size = r.u64();
        b.checksum = r.u32();
    }
    return bases;
}

void changeRecord(std::string& out, std::uint8_t table, std::uint32_t row,
                  std::optional<std::string_view> before, std::optional<std::string_view> after) {
    std::string p(1, Change);
    p += static_cast<char>(table);
    putU32(p, row);
    p += static_cast<char>((before ? 1 : 0) | (after ? 2 : 0));
    putU32(p, static_cast<std::uint32_t>(before ? before->size() : 0));
    if (before)
        p += *before;
    if (after)
        p += *after;
    frame(out, p);
}

std::uint8_t tableNumber(std::string_view name) {
    const auto& tables = collectionTables();
    for (std::size_t i = 0; i < tables.size(); ++i)
        if (name == tables[i].name)
            return static_cast<std::uint8_t>(i);
    throw Error("No collection table '" + std::string(name) + "'");
}

// Changes netted per row as they are read: a row's first value before, its last after.
class Netted {
public:
    void add(std::uint8_t table, std::uint32_t row, std::optional<std::string_view> before,
             std::optional<std::string_view> after) {
        auto& [rows, at] = tables_[table];
        const auto [it, fresh] = at.try_emplace(row, rows.size());
        if (fresh) {
            rows.emplace_back();
            rows.back().row = row;
            if (before)
                rows.back().before = std::string(*before);
        }
        RowChange& c = rows[it->second];
        c.after.reset();
        if (after)
            c.after = std::string(*after);
    }
    TableChanges take() {
        TableChanges out;
        const auto& tables = collectionTables();
        for (auto& [table, entry] : tables_) {
            std::vector<RowChange> kept;
            for (RowChange& c : entry.first)
                if (c.before != c.after)
                    kept.push_back(std::move(c));
            if (!kept.empty())
                out.emplace_back(tables[table].name, std::move(kept));
        }
        return out;
    }

private:
    std::map<std::uint8_t,
             std::pair<std::vector<RowChange>, std::unordered_map<std::uint32_t, std::size_t>>>
        tables_;
};

} // namespace

std::string journalFileName() {
    char host[256] = {};
    std::string name = "Levyholvi.";
    if (::gethostname(host, sizeof host - 1) == 0)
        for (const char* c = host; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) || *c == '-' ? *c : '_';
    return name + (name.back() == '.' ? "" : ".") + "journal";
}

JournalContents readJournal(const std::string& path) {
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (!in)
            throw Error("Cannot read '" + path + "': " + std::strerror(errno));
        bytes.resize(static_cast<std::size_t>(in.tellg()));
        in.seekg(0);
        if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
            throw Error("Cannot read '" + path + "': " + std::strerror(errno));
    }
    if (bytes.compare(0, kMagic.size(), kMagic) != 0)
        throw Error("'" + path + "' is not a change journal");
    JournalContents contents;
    Netted all, since;
    bool headed = false;
    std::string_view rest = std::string_view(bytes).substr(kMagic.size());
    while (rest.size() >= kFrame) {
        Reader frameReader{rest};
        const std::uint32_t length = frameReader.u32();
        const std::uint32_t crc = frameReader.u32();
        if (length > rest.size() - kFrame)
            break; // cut off at the end: the write a crash interrupted
        const std::string_view payload = rest.substr(kFrame, length);
        rest.remove_prefix(kFrame + length);
        if (engine::crc32c(payload) != crc) {
            contents.damaged = !rest.empty(); // the last record half written is no damage
            break;
        }
        try {
            Reader r{payload};
            const char kind = static_cast<char>(r.u8());
            if (kind == Header && !headed) {
                contents.bases = readVersions(r);
                headed = true;
            } else if (kind == Saving && headed) {
                contents.saving = readVersions(r);
                since = Netted();
            } else if (kind == Change && headed) {
                const std::uint8_t table = r.u8();
                const std::uint32_t row = r.u32();
                const std::uint8_t flags = r.u8();
                const std::uint32_t beforeSize = r.u32();
                if (table >= collectionTables().size() || flags > 3 ||
                    (!(flags & 1) && beforeSize != 0))
                    throw Error("bad change");
                std::optional<std::string_view> before, after;
                if (flags & 1)
                    before = r.take(beforeSize);
                if (flags & 2)
                    after = r.take(r.data.size());
                all.add(table, row, before, after);
                since.add(table, row, before, after);
            } else {
                throw Error("unexpected record");
            }
        } catch (const Error&) {
            contents.damaged = true; // checksummed yet unreadable: not ours to guess at
            break;
        }
    }
    if (!headed)
        throw Error("'" + path + "' is not a change journal");
    contents.changes = all.take();
    contents.sinceSaving = since.take();
    return contents;
}

// ------------------------------------------------------------------------------ the writer

struct ChangeJournal::File {
    int fd = -1;
    explicit File(int fd) : fd(fd) {}
    ~File() { ::close(fd); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
};

class ChangeJournal::TableSink : public engine::ChangeSink {
public:
    TableSink(ChangeJournal& journal, std::uint8_t table) : journal_(journal), table_(table) {}
    void changed(std::uint32_t row, std::optional<std::string_view> before,
                 std::optional<std::string_view> after) override {
        journal_.append(table_, row, before, after);
    }
    void flush() override { journal_.flush(); }

private:
    ChangeJournal& journal_;
    std::uint8_t table_;
};

namespace {

std::string journalBytes(const std::vector<JournalBase>& bases, const TableChanges& pending) {
    std::string bytes(kMagic);
    frame(bytes, versionsRecord(Header, bases));
    for (const auto& [table, changes] : pending)
        for (const RowChange& c : changes)
            changeRecord(bytes, tableNumber(table), c.row, c.before, c.after);
    return bytes;
}

} // namespace

ChangeJournal::ChangeJournal(std::string path, const std::vector<JournalBase>& bases,
                             const TableChanges& pending,
                             std::function<void(const std::string&)> failed)
    : path_(std::move(path)), failed_(std::move(failed)) {
    for (std::size_t i = 0; i < collectionTables().size(); ++i)
        sinks_.push_back(std::make_unique<TableSink>(*this, static_cast<std::uint8_t>(i)));
    file_ = std::make_shared<File>(replaceFile(path_, journalBytes(bases, pending), true));
    syncer_ = std::jthread([this](std::stop_token stop) { syncLoop(stop); });
}

ChangeJournal::~ChangeJournal() {
    stopSyncing();
    if (file_ && !broken_) {
        flush();
        engine::tablefile::systemCalls().syncFile(file_->fd);
    }
}

engine::ChangeSink& ChangeJournal::sink(std::string_view table) {
    return *sinks_[tableNumber(table)];
}

void ChangeJournal::append(std::uint8_t table, std::uint32_t row,
                           std::optional<std::string_view> before,
                           std::optional<std::string_view> after) {
    if (broken_)
        return;
    changeRecord(buffer_, table, row, before, after);
    if (buffer_.size() >= kWriteAt)
        flush();
}

// Handed to the system at once; the disk follows on the other thread, many posts per flush.
void ChangeJournal::flush() {
    if (broken_ || !file_)
        return;
    std::string_view rest = buffer_;
    while (!rest.empty()) {
        const ssize_t n = ::write(file_->fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            buffer_.clear();
            fail("Cannot write '" + path_ + "': " + std::strerror(n < 0 ? errno : ENOSPC));
            return;
        }
        rest.remove_prefix(static_cast<std::size_t>(n));
    }
    buffer_.clear();
    std::string error;
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        wake = !unsynced_; // else the flush to the disk is already due
        unsynced_ = true;
        error.swap(syncError_);
    }
    if (wake)
        wake_.notify_one();
    if (!error.empty())
        fail(error);
}

void ChangeJournal::fail(const std::string& message) {
    // Posts go on: the tables hold the changes and the close saves them; only a crash before
    // then would lose what the journal no longer keeps, and the user is told so.
    broken_ = true;
    if (failed_)
        failed_(message);
}

void ChangeJournal::syncLoop(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (wake_.wait(lock, stop, [this] { return unsynced_; })) {
        unsynced_ = false;
        const std::shared_ptr<File> file = file_;
        lock.unlock();
        const bool synced = engine::tablefile::systemCalls().syncFile(file->fd) == 0;
        const int error = errno;
        lock.lock();
        if (!synced && syncError_.empty())
            syncError_ = "Cannot write '" + path_ + "': " + std::strerror(error);
        // Posts that come meanwhile go to the disk together with the next flush.
        wake_.wait_for(lock, stop, kSyncPause, [] { return false; });
    }
}

void ChangeJournal::restart(const std::vector<JournalBase>& bases, const TableChanges& pending) {
    flush();
    auto file = std::make_shared<File>(replaceFile(path_, journalBytes(bases, pending), true));
    {
        const std::lock_guard lock(mutex_);
        file_ = std::move(file);
        unsynced_ = false;
        syncError_.clear();
    }
    broken_ = false;
}

void ChangeJournal::beginSave(const std::vector<JournalBase>& versions) {
    if (broken_)
        return; // the save goes on; the next restart tries the journal again
    frame(buffer_, versionsRecord(Saving, versions));
    flush();
    if (!broken_ && engine::tablefile::systemCalls().syncFile(file_->fd) != 0)
        fail("Cannot write '" + path_ + "': " + std::strerror(errno));
}

void ChangeJournal::stopSyncing() {
    if (syncer_.joinable()) {
        syncer_.request_stop();
        syncer_.join();
    }
}

void ChangeJournal::remove() {
    stopSyncing();
    buffer_.clear();
    file_.reset();
    broken_ = true; // nothing more is written
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT)
        throw Error("Cannot remove '" + path_ + "': " + std::strerror(errno));
}

} // namespace store
