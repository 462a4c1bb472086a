#include "tablefile.h"

#include "checksum.h"
#include "error.h"
#include "pages.h"
#include "rowcodec.h"
#include "utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <span>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine::tablefile {

namespace {

constexpr std::string_view kMagic{"LVHTAB\r\n", 8};
constexpr std::size_t kReadStep = 4 * 1024 * 1024;

std::string systemError(const std::string& what, const std::string& path, int error = errno) {
    return what + " '" + path + "': " + std::strerror(error);
}

int realStat(const char* path, struct ::stat* st) {
    return ::stat(path, st);
}

// The process's umask, read without changing it (other threads may be creating files).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Gives the new file the replaced one's mode, owner and group, or a new file's mode.
void takeModeOf(int fd, const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // Only the owner or root may change these; where not permitted the file is ours.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0 && errno != EPERM)
            throw Error(std::strerror(errno));
        if (::fchmod(fd, st.st_mode & 07777) != 0)
            throw Error(std::strerror(errno));
    } else if (::fchmod(fd, 0666 & ~currentUmask()) != 0) {
        throw Error(std::strerror(errno));
    }
}

class Reader {
public:
    Reader(const char* p, const char* end) : p_(p), end_(end) {}

    std::uint64_t fixed(int bytes) {
        need(static_cast<std::size_t>(bytes));
        std::uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(p_[i]);
        p_ += bytes;
        return v;
    }
    std::uint64_t varint() {
        std::uint64_t v = 0;
        if (!rowcodec::readVarint(p_, end_, v))
            throw Error("a length runs past the end of the file");
        return v;
    }
    std::string_view bytes(std::uint64_t n) {
        need(n);
        std::string_view s(p_, static_cast<std::size_t>(n));
        p_ += n;
        return s;
    }
    std::size_t left() const { return static_cast<std::size_t>(end_ - p_); }

private:
    void need(std::uint64_t n) const {
        if (n > left())
            throw Error("the file ends too early");
    }
    const char* p_;
    const char* end_;
};

bool validType(std::uint64_t t) {
    return t >= 1 && t <= 5;
}

void appendFixed(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Buffered writer to a file descriptor that keeps the running checksum.
class Sink {
public:
    explicit Sink(int fd) : fd_(fd) { buf_.reserve(kChunk + 1024); }
    void put(std::string_view s) {
        buf_ += s;
        if (buf_.size() >= kChunk)
            flush();
    }
    void flush() {
        crc_ = crc32c(buf_, crc_);
        const char* p = buf_.data();
        std::size_t n = buf_.size();
        while (n > 0) {
            const ssize_t w = ::write(fd_, p, n);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                throw Error(std::string("write failed: ") + std::strerror(errno));
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
        buf_.clear();
    }
    std::uint32_t crc() const { return crc_; }

private:
    static constexpr std::size_t kChunk = 1 << 20;
    int fd_;
    std::string buf_;
    std::uint32_t crc_ = 0;
};

constexpr std::uint64_t kMaxOrders = 256;
constexpr std::uint64_t kMaxOrderKey = 4096;

std::vector<SavedOrder> readOrders(Reader& in, std::size_t rowCount) {
    const auto count = in.fixed(4);
    if (count > kMaxOrders)
        throw Error("the index count is invalid");
    std::vector<SavedOrder> orders;
    for (std::uint64_t i = 0; i < count; ++i) {
        SavedOrder order;
        const auto keyLength = in.varint();
        if (keyLength > kMaxOrderKey)
            throw Error("an index has an invalid name");
        order.key = std::string(in.bytes(keyLength));
        if (rowCount > in.left() / 4)
            throw Error("the file ends too early");
        order.places = in.bytes(4 * static_cast<std::uint64_t>(rowCount));
        orders.push_back(std::move(order));
    }
    return orders;
}

} // namespace

std::uint32_t SavedOrder::place(std::size_t i) const {
    return static_cast<std::uint32_t>(rowcodec::intFromPayload(places.substr(4 * i, 4)));
}

SystemCalls& systemCalls() {
    static SystemCalls calls{realStat, ::fsync, ::rename};
    return calls;
}

bool exists(const std::string& path) {
    struct stat st {};
    if (systemCalls().statFile(path.c_str(), &st) == 0)
        return true;
    const int error = errno;
    if (error != ENOENT)
        throw Error(systemError("Cannot open table file", path, error));
    if (::lstat(path.c_str(), &st) == 0)
        throw Error("Cannot open table file '" + path + "': it is a link to a missing file");
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    const std::string dir = folder.empty() ? std::string(".") : folder.string();
    if (systemCalls().statFile(dir.c_str(), &st) != 0)
        throw Error(systemError("Cannot open table file", path));
    if (!S_ISDIR(st.st_mode))
        throw Error(systemError("Cannot open table file", path, ENOTDIR));
    return false;
}

int removeLeftovers(const std::string& path, std::filesystem::file_time_type before) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string prefix = target.filename().string() + ".tmp-";
    const auto isSuffixChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    };
    int removed = 0;
    std::string failed;
    std::error_code ec;
    // A folder that cannot be listed holds nothing to remove; opening the table reports it.
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0 ||
            !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                         isSuffixChar))
            continue;
        std::error_code e;
        if (!fs::is_regular_file(fs::symlink_status(it->path(), e)) || e)
            continue;
        const fs::file_time_type changed = fs::last_write_time(it->path(), e);
        if (e || changed >= before)
            continue;
        if (fs::remove(it->path(), e))
            ++removed;
        else if (e && failed.empty())
            failed = "Cannot remove '" + it->path().string() + "': " + e.message();
    }
    if (!failed.empty())
        throw Error(failed);
    return removed;
}

void checkFields(const std::vector<FieldDef>& fields) {
    if (fields.empty())
        throw Error("A table needs at least one field");
    if (fields.size() > kMaxFields)
        throw Error("A table can have at most " + std::to_string(kMaxFields) + " fields");
    std::set<std::string> names;
    for (const FieldDef& f : fields) {
        if (f.name.empty() || f.name.size() > kMaxNameLength)
            throw Error("A field name must have 1 to " + std::to_string(kMaxNameLength) + " bytes");
        std::string upper = f.name;
        for (char& c : upper)
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        if (!names.insert(upper).second)
            throw Error("Duplicate field name '" + f.name + "'");
        if (f.size < (f.type == FieldType::String ? 1 : 0) || f.size > kMaxFieldSize)
            throw Error("Field '" + f.name + "' has an invalid size");
    }
}

bool validRow(std::string_view blob, const std::vector<FieldDef>& fields) {
    const char* p = blob.data();
    const char* end = p + blob.size();
    for (const FieldDef& f : fields) {
        std::uint64_t tag = 0;
        if (!rowcodec::readVarint(p, end, tag))
            return false;
        if (tag == 0)
            continue;
        const std::uint64_t len = tag - 1;
        if (len > static_cast<std::uint64_t>(end - p))
            return false;
        const int fixed = fixedPayloadSize(f.type);
        if (fixed && len != static_cast<std::uint64_t>(fixed))
            return false;
        if (f.type == FieldType::String && len > static_cast<std::uint64_t>(f.size) &&
            (len > 4ULL * static_cast<std::uint64_t>(f.size) ||
             utf8::charCount(std::string_view(p, static_cast<std::size_t>(len))) > f.size))
            return false;
        p += len;
    }
    return p == end;
}

Image decode(std::unique_ptr<char[]> bytes, std::size_t size, bool verifyChecksum) {
    Image image;
    const char* begin = bytes.get();
    if (size < kMagic.size() || std::string_view(begin, kMagic.size()) != kMagic)
        throw Error("it is not a Levyholvi table file");
    if (size < kMagic.size() + 8 + 4)
        throw Error("the file ends too early");
    const char* crcAt = begin + size - 4;
    if (verifyChecksum) {
        const auto stored = static_cast<std::uint32_t>(Reader(crcAt, begin + size).fixed(4));
        if (crc32c(std::string_view(begin, size - 4)) != stored)
            throw Error("the file is damaged (checksum mismatch)");
    }
    Reader in(begin + kMagic.size(), crcAt);
    const auto version = in.fixed(4);
    if (version < kOldestFormatVersion || version > kFormatVersion)
        throw Error("unsupported table file format version " + std::to_string(version));
    const auto fieldCount = in.fixed(4);
    if (fieldCount == 0 || fieldCount > kMaxFields)
        throw Error("the field count is invalid");
    std::set<std::string> names;
    for (std::uint64_t i = 0; i < fieldCount; ++i) {
        FieldDef f;
        const auto type = in.fixed(1);
        if (!validType(type))
            throw Error("a field has an unknown type");
        f.type = static_cast<FieldType>(type);
        const auto fsize = in.fixed(4);
        if (fsize > static_cast<std::uint64_t>(kMaxFieldSize) ||
            (f.type == FieldType::String && fsize == 0))
            throw Error("a field has an invalid size");
        f.size = static_cast<int>(fsize);
        const auto nameLength = in.varint();
        if (nameLength == 0 || nameLength > kMaxNameLength)
            throw Error("a field has an invalid name");
        f.name = std::string(in.bytes(nameLength));
        std::string upper = f.name;
        for (char& c : upper)
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        if (!names.insert(upper).second)
            throw Error("two fields have the same name");
        image.fields.push_back(std::move(f));
    }
    const auto rowCount = in.fixed(8);
    // Every row takes at least one length byte and one byte per field.
    if (rowCount > in.left() / (fieldCount + 1))
        throw Error("the row count is larger than the file");
    image.rows.reserve(static_cast<std::size_t>(rowCount));
    for (std::uint64_t r = 0; r < rowCount; ++r) {
        const auto length = in.varint();
        const std::string_view blob = in.bytes(length);
        if (!validRow(blob, image.fields))
            throw Error("row " + std::to_string(r + 1) + " is damaged");
        image.rows.push_back(blob);
    }
    if (version >= 2)
        image.orders = readOrders(in, static_cast<std::size_t>(rowCount));
    if (in.left() != 0)
        throw Error("there are unexpected bytes after the last row");
    image.bytes = std::move(bytes);
    return image;
}

Image read(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); // a FIFO must not block
    if (fd < 0)
        throw Error(systemError("Cannot open table file", path));
    struct stat st {};
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    try {
        if (::fstat(fd, &st) != 0)
            throw Error(systemError("Cannot read table file", path));
        if (!S_ISREG(st.st_mode))
            throw Error("Cannot read table file '" + path + "': it is not a regular file");
        size = static_cast<std::size_t>(st.st_size);
        bytes.reset(new char[size ? size : 1]);
        std::size_t got = 0;
        while (got < size) {
            // A step at a time, each mapped just before it is read into.
            const std::size_t step = std::min(size - got, kReadStep);
            mapAhead(bytes.get() + got, step);
            const ssize_t r = ::read(fd, bytes.get() + got, step);
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0)
                throw Error(systemError("Cannot read table file", path));
            if (r == 0)
                break;
            got += static_cast<std::size_t>(r);
        }
        size = got;
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    try {
        return decode(std::move(bytes), size, true);
    } catch (const Error& e) {
        throw Error("Cannot load table file '" + path + "': " + e.what());
    }
}

std::string
writeTemporary(const std::string& path, const std::vector<FieldDef>& fields, std::size_t rowCount,
               const std::function<void(const std::function<void(std::string_view)>&)>& each,
               const std::vector<OrderToSave>& orders) {
    namespace fs = std::filesystem;
    try {
        checkFields(fields);
    } catch (const Error& e) {
        throw Error("Cannot write table file '" + path + "': " + e.what());
    }
    const fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), ec); // a failure shows up at open below
    std::string tmp = path + ".tmp-XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        throw Error(systemError("Cannot write table file", path));
    try {
        Sink out(fd);
        std::string head(kMagic);
        appendFixed(head, kFormatVersion, 4);
        appendFixed(head, fields.size(), 4);
        for (const FieldDef& f : fields) {
            appendFixed(head, static_cast<std::uint64_t>(f.type), 1);
            appendFixed(head, static_cast<std::uint64_t>(f.size), 4);
            rowcodec::appendVarint(head, f.name.size());
            head += f.name;
        }
        appendFixed(head, rowCount, 8);
        out.put(head);
        std::size_t written = 0;
        std::string lengthBytes;
        each([&](std::string_view blob) {
            lengthBytes.clear();
            rowcodec::appendVarint(lengthBytes, blob.size());
            out.put(lengthBytes);
            out.put(blob);
            ++written;
        });
        if (written != rowCount)
            throw Error("internal error: row count changed while saving");
        std::string part;
        const std::size_t kept = std::min<std::size_t>(orders.size(), kMaxOrders);
        appendFixed(part, kept, 4);
        out.put(part);
        for (const OrderToSave& order : std::span(orders).first(kept)) {
            if (order.rows.size() != rowCount || order.key.size() > kMaxOrderKey)
                throw Error("internal error: an index does not hold every row");
            part.clear();
            rowcodec::appendVarint(part, order.key.size());
            part += order.key;
            for (std::uint32_t r : order.rows)
                appendFixed(part, r, 4);
            out.put(part);
        }
        out.flush();
        std::string tail;
        appendFixed(tail, out.crc(), 4);
        out.put(tail);
        out.flush();
        takeModeOf(fd, path);
        if (systemCalls().syncFile(fd) != 0)
            throw Error(std::strerror(errno));
    } catch (const std::exception& e) {
        ::close(fd);
        ::unlink(tmp.c_str());
        throw Error("Cannot write table file '" + path + "': " + e.what());
    }
    ::close(fd);
    return tmp;
}

void install(const std::string& temporary, const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code ec;
    // Keep what is being replaced: a hard link costs nothing and never leaves the path empty.
    if (fs::exists(target, ec)) {
        const std::string bak = path + ".bak";
        ::unlink(bak.c_str());
        if (::link(path.c_str(), bak.c_str()) != 0) {
            fs::copy_file(target, bak, fs::copy_options::overwrite_existing, ec);
            if (ec)
                throw Error("Cannot keep a backup of '" + path + "': " + ec.message());
        }
    }
    if (systemCalls().renameFile(temporary.c_str(), path.c_str()) != 0)
        throw Error(systemError("Cannot write table file", path));
}

void syncFolder(const std::string& path) {
    const std::filesystem::path target(path);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void write(const std::string& path, const std::vector<FieldDef>& fields, std::size_t rowCount,
           const std::function<void(const std::function<void(std::string_view)>&)>& each,
           const std::vector<OrderToSave>& orders) {
    const std::string tmp = writeTemporary(path, fields, rowCount, each, orders);
    try {
        install(tmp, path);
    } catch (...) {
        ::unlink(tmp.c_str());
        throw;
    }
    syncFolder(path);
}

FileVersion fileVersion(const std::string& path, const FileVersion* known) {
    FileVersion v;
    struct stat st {};
    if (systemCalls().statFile(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return v; // none there; a folder that is not there shows up when writing
        throw Error(systemError("Cannot open table file", path));
    }
    v.exists = true;
    v.device = st.st_dev;
    v.inode = st.st_ino;
    v.size = static_cast<std::uint64_t>(st.st_size);
    v.changedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    if (known && known->exists && known->device == v.device && known->inode == v.inode &&
        known->size == v.size && known->changedNs == v.changedNs) {
        v.checksum = known->checksum;
        return v;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw Error(systemError("Cannot open table file", path));
    unsigned char tail[4] = {};
    const bool read = v.size >= 4 && ::pread(fd, tail, 4, static_cast<off_t>(v.size - 4)) == 4;
    ::close(fd);
    if (read)
        v.checksum = static_cast<std::uint32_t>(tail[0] | tail[1] << 8 | tail[2] << 16 |
                                                static_cast<std::uint32_t>(tail[3]) << 24);
    return v;
}

} // namespace engine::tablefile
