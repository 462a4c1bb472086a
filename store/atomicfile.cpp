#include "atomicfile.h"

#include "engine/error.h"
#include "engine/tablefile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace store {

namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

namespace {

// Written and flushed beside path; returns the open descriptor and fills tmp.
int writeBeside(const std::string& path, std::string_view bytes, std::string& tmp,
                bool flush = true) {
    tmp = path + ".tmp-XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        throw engine::Error("Cannot write '" + path + "': " + std::strerror(errno));
    if (!writeAll(fd, bytes) || (flush && engine::tablefile::systemCalls().syncFile(fd) != 0)) {
        const std::string reason = std::strerror(errno);
        ::close(fd);
        ::unlink(tmp.c_str());
        throw engine::Error("Cannot write '" + path + "': " + reason);
    }
    return fd;
}

} // namespace

std::optional<std::string> readFileIfAny(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        throw engine::Error("Cannot read '" + path + "': " + std::strerror(errno));
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        throw engine::Error("Cannot read '" + path + "'");
    return std::move(bytes).str();
}

std::string writeTemporary(const std::string& path, std::string_view bytes) {
    std::string tmp;
    ::close(writeBeside(path, bytes, tmp));
    return tmp;
}

void replaceFileUnflushed(const std::string& path, std::string_view bytes) {
    std::string tmp;
    ::close(writeBeside(path, bytes, tmp, false));
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(tmp.c_str());
        throw engine::Error("Cannot write '" + path + "': " + reason);
    }
}

int replaceFile(const std::string& path, std::string_view bytes, bool keepOpen) {
    std::string tmp;
    const int fd = writeBeside(path, bytes, tmp);
    if (engine::tablefile::systemCalls().renameFile(tmp.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::close(fd);
        ::unlink(tmp.c_str());
        throw engine::Error("Cannot write '" + path + "': " + reason);
    }
    if (!keepOpen)
        ::close(fd);
    try {
        engine::tablefile::syncFolder(path);
    } catch (...) {
        if (keepOpen)
            ::close(fd);
        throw;
    }
    return keepOpen ? fd : -1;
}

} // namespace store
