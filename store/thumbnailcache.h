#pragma once

#include "covers.h"

#include <cstdint>
#include <string>

// Small pictures of the covers, kept between runs so that a second start shows them at once: one
// JPEG per cover in a folder of the user's cache, remembering the size and time of the cover
// file it was made from. Safe to use from several threads at once.
namespace store {

class ThumbnailCache {
public:
    // folder ends in "/"; empty: nothing is kept, every thumbnail is made anew.
    explicit ThumbnailCache(std::string folder);

    // The user's cache folder for the covers of the collection in dataFolder.
    static std::string folderFor(const std::string& dataFolder);

    // The thumbnail (JPEG, longer side kThumbnailSide) of the release's cover as it stands:
    // a waiting change's made on the spot, a file's from the cache when still current, else made
    // and kept. Empty when the release has no cover; raises when its picture cannot be read.
    // covers is only read: waiting changes must not be made meanwhile on another thread.
    std::string thumbnail(const Covers& covers, std::int32_t num) const;
    // The same for a cover file (Covers::path), waiting changes aside; needs no Covers.
    std::string ofFile(const std::string& coverPath, std::int32_t num) const;

private:
    std::string folder_;
};

} // namespace store
