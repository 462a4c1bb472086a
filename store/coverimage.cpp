#include "coverimage.h"

#include "engine/error.h"

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>

namespace store {

namespace {

// A cover scan is a few thousand pixels a side; a header asking for more is damage or a bomb,
// refused before anything is allocated.
constexpr qint64 kMostPixels = 12000LL * 12000LL;
constexpr int kAllocationLimitMb = 256;

engine::Error unreadable(const QString& what, const QString& why) {
    return engine::Error(QStringLiteral("Kuvaa %1 ei voi lukea: %2").arg(what, why).toStdString());
}

QImage readFrom(QIODevice& device, int maxSide, const QString& what) {
    QImageReader reader(&device);
    reader.setAutoTransform(true);
    reader.setDecideFormatFromContent(true);
    QImageReader::setAllocationLimit(kAllocationLimitMb);
    if (!reader.canRead())
        throw unreadable(what, QStringLiteral("se ei ole tunnettu kuvatiedosto."));
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMostPixels)
        throw unreadable(what, QStringLiteral("kuva on liian suuri (%1 × %2 pikseliä).")
                                   .arg(size.width())
                                   .arg(size.height()));
    if (size.isValid() && std::max(size.width(), size.height()) > maxSide)
        reader.setScaledSize(size.scaled(maxSide, maxSide, Qt::KeepAspectRatio));
    QImage image = reader.read(); // the first frame of an animation
    if (image.isNull())
        throw unreadable(what, reader.errorString());
    if (std::max(image.width(), image.height()) > maxSide) // a format that does not scale
        image = image.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (image.colorSpace().isValid() && image.colorSpace() != QColorSpace::SRgb)
        image.convertToColorSpace(QColorSpace::SRgb);
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                         : QImage::Format_RGB32);
}

} // namespace

QImage readCoverImage(std::string_view bytes, int maxSide, const QString& what) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return readFrom(buffer, maxSide, what);
}

QImage readCoverFile(const QString& path, int maxSide) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable(path, file.errorString());
    return readFrom(file, maxSide, path);
}

std::string encodeCover(const QImage& image, int quality) {
    QImage flat = image;
    if (flat.hasAlphaChannel()) { // JPEG has no transparency: white behind it, as on paper
        QImage white(flat.size(), QImage::Format_RGB32);
        white.fill(Qt::white);
        QPainter(&white).drawImage(0, 0, flat);
        flat = white;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setOptimizedWrite(true);
    if (!writer.write(flat))
        throw engine::Error("Cannot encode a cover: " + writer.errorString().toStdString());
    return bytes.toStdString();
}

std::string normalizeCover(std::string_view bytes, const QString& what) {
    return encodeCover(readCoverImage(bytes, kCoverLongSide, what));
}

QImage thumbnailOf(std::string_view coverBytes, int side) {
    return readCoverImage(coverBytes, side, QStringLiteral("kansikuva"));
}

} // namespace store
