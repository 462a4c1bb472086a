#pragma once

#include <QImage>
#include <QString>

#include <string>
#include <string_view>

// Reading cover pictures safely: whatever the bytes (no image, cut short, a header that asks for
// gigabytes, an animation, CMYK), the result is an RGB picture of bounded size or an Error with a
// message for the user; never a crash or a hang.
namespace store {

inline constexpr int kCoverLongSide = 1600; // what the collection keeps
inline constexpr int kThumbnailSide = 160;  // the wall's and the page's pictures fit in this

// The picture in bytes, read scaled so that its longer side is at most maxSide (smaller ones
// keep their size), the first frame of an animation, converted to RGB. what names the source in
// the message ("kansi.jpg").
QImage readCoverImage(std::string_view bytes, int maxSide, const QString& what);
QImage readCoverFile(const QString& path, int maxSide);

// The stored form of a cover: JPEG, longer side at most kCoverLongSide.
std::string encodeCover(const QImage& image, int quality = 90);
// Any picture's bytes in the stored form; raises as readCoverImage does.
std::string normalizeCover(std::string_view bytes, const QString& what);

// A small picture of a stored cover for the wall and the web page: longer side at most side.
QImage thumbnailOf(std::string_view coverBytes, int side = kThumbnailSide);

} // namespace store
