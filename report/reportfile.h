#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

class QIODevice;

// The report file (".PRP"), which is also the layout of the picture store: a 124-byte header
// (format 3, mark 212, page count at 8, creation time at 12, compression flag at 21), then one
// record per page: page number, offset of the next record, [uncompressed size,] picture bytes,
// offset of this record. All integers 32-bit little-endian.
namespace report::reportfile {

constexpr int kHeaderSize = 124;
constexpr quint16 kFormat = 3;
constexpr quint16 kMark = 212;
constexpr qint64 kMaxFileSize = 0x7FFFFFFF;         // offsets are 32-bit
constexpr quint32 kMaxPageBytes = 64 * 1024 * 1024; // one page's picture, uncompressed

QByteArray header(int pageCount, bool compressed, const QDateTime& created);
// Days since 30 December 1899, the fraction being the time of day.
double toDayNumber(const QDateTime& t);

// One page record around a picture (compressed when asked). `start` is the record's offset.
QByteArray pageRecord(int pageNumber, quint32 start, const QByteArray& picture, bool compressed);

struct Contents {
    int pageCount = 0;
    bool compressed = false;
    double created = 0;
    std::vector<quint32> starts; // offset of each page's record
};

// Checks a whole report file: marks, counts, every offset and size, and every page picture.
// Raises report::Error with a message that names `name` when anything is wrong.
Contents scan(QIODevice& device, const QString& name);

// The uncompressed picture bytes of the record starting at `start` of a checked file.
QByteArray readPicture(QIODevice& device, quint32 start, bool compressed);

} // namespace report::reportfile
