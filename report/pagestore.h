#pragma once

#include "pagepicture.h"

#include <QBuffer>
#include <QMutex>
#include <QString>
#include <QTemporaryFile>

#include <memory>
#include <vector>

// The prepared pages of one run, kept in the report file's layout. The stream stays in memory
// up to kMemoryLimit bytes and then moves to a temporary file named PRP... in the system's
// temporary folder, removed with the store. Reading and adding pages are serialised by a lock.
namespace report {

class PageStore {
public:
    static constexpr qint64 kMemoryLimit = 100000;

    PageStore();
    ~PageStore();
    PageStore(const PageStore&) = delete;
    PageStore& operator=(const PageStore&) = delete;

    void begin(bool compressed);                  // forgets earlier pages
    void addPage(const QByteArray& pictureBytes); // writes the header with the first page
    void finish();                                // writes the final page count

    int pageCount() const;
    bool compressed() const;
    QByteArray pictureBytes(int page) const; // 1-based; uncompressed
    PagePicture picture(int page) const;
    qint64 byteSize() const;
    bool onDisk() const;
    QString fileName() const; // the temporary file, empty while in memory
    QByteArray bytes() const; // the whole stream, as a saved file holds it

    // Writes the stream to path (atomically). Raises report::Error when it cannot.
    void saveTo(const QString& path) const;

    // A store holding a report file after it passed every check. "File does not exist" for a
    // missing file; a clear message for a damaged or foreign one.
    static std::unique_ptr<PageStore> load(const QString& path);
    static std::unique_ptr<PageStore> fromBytes(const QByteArray& bytes, const QString& name);

private:
    void write(qint64 at, const QByteArray& bytes); // caller holds the lock
    void spillIfLarge();
    void adopt(const QString& name); // checks the stream as a report file and indexes it
    QIODevice& device() const;

    mutable QMutex mutex_;
    mutable QBuffer memory_;
    std::unique_ptr<QTemporaryFile> file_;
    std::vector<quint32> starts_;
    bool compressed_ = false;
    bool headerWritten_ = false;
};

} // namespace report
