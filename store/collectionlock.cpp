#include "collectionlock.h"

#include "engine/error.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace store {

namespace {

bool writingRefused(int error) {
    return error == EACCES || error == EROFS || error == EPERM;
}

} // namespace

CollectionLock::CollectionLock(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec); // a failure shows up at open below
    const std::string path = (std::filesystem::path(folder) / kLockFileName).string();
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0 && writingRefused(errno))
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW); // left by an earlier run
    if (fd_ < 0) {
        const int error = errno;
        // A lock file no one can open (left by another user) in a folder the tables can be
        // saved into would let two windows save over each other.
        if (error != ENOENT && ::access(folder.c_str(), W_OK) == 0)
            throw engine::Error("Cannot lock the collection '" + path +
                                "': " + std::strerror(error));
        if (writingRefused(error) || error == ENOENT)
            return; // a read-only collection; ENOENT: no folder, opening the tables reports it
        throw engine::Error("Cannot lock the collection '" + path + "': " + std::strerror(error));
    }
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        const int error = errno;
        ::close(fd_);
        fd_ = -1;
        if (error == EWOULDBLOCK) {
            heldElsewhere_ = true;
            return;
        }
        throw engine::Error("Cannot lock the collection '" + path + "': " + std::strerror(error));
    }
}

CollectionLock::~CollectionLock() {
    if (fd_ >= 0)
        ::close(fd_); // closing the last descriptor releases the lock
}

} // namespace store
