#include "reportfile.h"

#include "pagepicture.h"
#include "reporterror.h"
#include "splaycodec.h"

#include <QIODevice>
#include <QTimeZone>

#include <cmath>
#include <cstring>

namespace report::reportfile {

namespace {

void put(QByteArray& out, int at, quint32 v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void append(QByteArray& out, quint32 v) {
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

quint32 get(const char* p, int bytes) {
    quint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

struct Damaged {
    QString name;
    [[noreturn]] void operator()(const QString& what) const {
        throw Error(
            QStringLiteral("The report file '%1' is damaged: %2").arg(name, what).toStdString());
    }
};

QByteArray readAt(QIODevice& device, qint64 at, qint64 n, const Damaged& damaged) {
    if (!device.seek(at))
        damaged(QStringLiteral("it cannot be read"));
    QByteArray bytes = device.read(n);
    if (bytes.size() != n)
        damaged(QStringLiteral("it ends too early"));
    return bytes;
}

QByteArray pictureAt(QIODevice& device, quint32 start, quint32 next, bool compressed,
                     const Damaged& damaged) {
    const qint64 overhead = compressed ? 16 : 12;
    const qint64 stored = static_cast<qint64>(next) - start - overhead;
    if (!compressed) {
        if (stored > kMaxPageBytes)
            damaged(QStringLiteral("a page is too large"));
        return readAt(device, start + 8, stored, damaged);
    }
    const quint32 size = get(readAt(device, start + 8, 4, damaged).constData(), 4);
    if (size > kMaxPageBytes)
        damaged(QStringLiteral("a page is too large"));
    const QByteArray packed = readAt(device, start + 12, stored, damaged);
    return splayExpand(packed.constData(), static_cast<std::size_t>(packed.size()), size);
}

} // namespace

double toDayNumber(const QDateTime& t) {
    const QDateTime local = t.toLocalTime();
    const qint64 days = QDate(1899, 12, 30).daysTo(local.date());
    return static_cast<double>(days) + local.time().msecsSinceStartOfDay() / 86400000.0;
}

QByteArray header(int pageCount, bool compressed, const QDateTime& created) {
    QByteArray h(kHeaderSize, '\0');
    put(h, 0, kFormat, 2);
    put(h, 2, kMark, 2);
    put(h, 8, static_cast<quint32>(pageCount), 4);
    const double day = toDayNumber(created);
    quint64 bits;
    std::memcpy(&bits, &day, 8);
    put(h, 12, static_cast<quint32>(bits), 4);
    put(h, 16, static_cast<quint32>(bits >> 32), 4);
    h[21] = compressed ? 1 : 0;
    return h;
}

QByteArray pageRecord(int pageNumber, quint32 start, const QByteArray& picture, bool compressed) {
    const QByteArray body = compressed ? splayCompress(picture) : picture;
    const quint32 next = start + static_cast<quint32>(body.size()) + (compressed ? 16 : 12);
    QByteArray r;
    r.reserve(body.size() + 16);
    append(r, static_cast<quint32>(pageNumber));
    append(r, next);
    if (compressed)
        append(r, static_cast<quint32>(picture.size()));
    r.append(body);
    append(r, start);
    return r;
}

Contents scan(QIODevice& device, const QString& name) {
    const Damaged damaged{name};
    const qint64 size = device.size();
    if (size < kHeaderSize + 4) {
        if (size >= 4) {
            const QByteArray marks = readAt(device, 0, 4, damaged);
            if (get(marks.constData(), 2) == kFormat && get(marks.constData() + 2, 2) == kMark)
                damaged(QStringLiteral("it ends too early"));
        }
        throw Error(QStringLiteral("'%1' is not a report file").arg(name).toStdString());
    }
    const QByteArray h = readAt(device, 0, kHeaderSize, damaged);
    if (get(h.constData(), 2) != kFormat || get(h.constData() + 2, 2) != kMark)
        throw Error(QStringLiteral("'%1' is not a report file").arg(name).toStdString());
    if (size > kMaxFileSize)
        damaged(QStringLiteral("it is too large"));
    Contents c;
    const quint8 flag = static_cast<quint8>(h[21]);
    if (flag > 1)
        damaged(QStringLiteral("the compression mark is invalid"));
    c.compressed = flag == 1;
    std::memcpy(&c.created, h.constData() + 12, 8); // little-endian host
    if (!std::isfinite(c.created))
        damaged(QStringLiteral("the creation time is invalid"));
    const quint32 count = get(h.constData() + 8, 4);
    const qint64 smallest = c.compressed ? 16 : 12;
    if (count == 0)
        damaged(QStringLiteral("it holds no pages"));
    if (count > static_cast<quint64>(size - kHeaderSize) / smallest)
        damaged(QStringLiteral("the page count %1 does not fit the file").arg(count));
    c.pageCount = static_cast<int>(count);
    c.starts.reserve(count);
    qint64 at = kHeaderSize;
    for (quint32 page = 1; page <= count; ++page) {
        if (at + smallest > size)
            damaged(QStringLiteral("page %1 is missing").arg(page));
        const QByteArray head = readAt(device, at, 8, damaged);
        if (get(head.constData(), 4) != page)
            damaged(QStringLiteral("page %1 is out of order").arg(page));
        const quint32 next = get(head.constData() + 4, 4);
        if (next < at + smallest || next > size)
            damaged(QStringLiteral("page %1 has an invalid length").arg(page));
        if (get(readAt(device, next - 4, 4, damaged).constData(), 4) != at)
            damaged(QStringLiteral("page %1 does not end where it should").arg(page));
        try {
            const QByteArray picture =
                pictureAt(device, static_cast<quint32>(at), next, c.compressed, damaged);
            decodePicture(picture.constData(), static_cast<std::size_t>(picture.size()));
        } catch (const Error& e) {
            if (QString::fromUtf8(e.what()).startsWith(QLatin1String("The report file")))
                throw;
            damaged(QStringLiteral("page %1: %2").arg(page).arg(QString::fromUtf8(e.what())));
        }
        c.starts.push_back(static_cast<quint32>(at));
        at = next;
    }
    if (at != size)
        damaged(QStringLiteral("there are bytes after the last page"));
    return c;
}

QByteArray readPicture(QIODevice& device, quint32 start, bool compressed) {
    const Damaged damaged{QStringLiteral("picture store")};
    const QByteArray head = readAt(device, start, 8, damaged);
    return pictureAt(device, start, get(head.constData() + 4, 4), compressed, damaged);
}

} // namespace report::reportfile
