#include "thumbnailcache.h"

#include "atomicfile.h"
#include "coverimage.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

std::string encodeThumbnail(std::string_view cover) {
    return encodeCover(thumbnailOf(cover, kThumbnailSide), 85);
}

} // namespace

ThumbnailCache::ThumbnailCache(std::string folder) : folder_(std::move(folder)) {
    if (!folder_.empty())
        std::filesystem::create_directories(folder_);
}

std::string ThumbnailCache::folderFor(const std::string& dataFolder) {
    // The window's and the command-line tool's alike, whatever each calls itself.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        return {};
    const QByteArray key =
        QCryptographicHash::hash(QByteArray::fromStdString(dataFolder), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return (base + QStringLiteral("/Levyholvi/kannet/") + QString::fromLatin1(key) +
            QLatin1Char('/'))
        .toStdString();
}

std::string ThumbnailCache::thumbnail(const Covers& covers, std::int32_t num) const {
    if (covers.waiting(num)) {
        const Covers::Picture picture = covers.picture(num);
        return picture ? encodeThumbnail(*picture) : std::string();
    }
    return ofFile(covers.path(num), num);
}

std::string ThumbnailCache::ofFile(const std::string& coverPath, std::int32_t num) const {
    struct stat st {};
    if (::stat(coverPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    // Named by what it was made from: a replaced cover never finds an old thumbnail.
    char name[96];
    std::snprintf(name, sizeof name, "%d-%lld-%lld.%09ld.jpg", num,
                  static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
                  static_cast<long>(st.st_mtim.tv_nsec));
    const std::string cached = folder_.empty() ? std::string() : folder_ + name;
    if (!cached.empty())
        if (std::optional<std::string> bytes = readFileIfAny(cached); bytes && !bytes->empty())
            return *bytes;
    const std::optional<std::string> cover = readFileIfAny(coverPath);
    if (!cover)
        return {}; // removed meanwhile
    std::string bytes = encodeThumbnail(*cover);
    if (!cached.empty()) {
        try {
            replaceFileUnflushed(cached, bytes);
        } catch (const std::exception&) {
            // A full or read-only cache only costs making the thumbnail again next time.
        }
    }
    return bytes;
}

} // namespace store
