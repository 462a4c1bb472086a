#include "pagestore.h"

#include "reporterror.h"
#include "reportfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace report {

namespace {

[[noreturn]] void fail(const QString& message) {
    throw Error(message.toStdString());
}

} // namespace

PageStore::PageStore() {
    memory_.open(QIODevice::ReadWrite);
}

PageStore::~PageStore() = default;

QIODevice& PageStore::device() const {
    if (file_)
        return *file_;
    return memory_;
}

void PageStore::begin(bool compressed) {
    QMutexLocker lock(&mutex_);
    file_.reset();
    memory_.close();
    memory_.setData(QByteArray());
    memory_.open(QIODevice::ReadWrite);
    starts_.clear();
    compressed_ = compressed;
    headerWritten_ = false;
}

void PageStore::write(qint64 at, const QByteArray& bytes) {
    QIODevice& d = device();
    if (!d.seek(at) || d.write(bytes) != bytes.size())
        fail(QStringLiteral("Cannot write the prepared pages: %1").arg(d.errorString()));
}

void PageStore::spillIfLarge() {
    if (file_ || memory_.size() <= kMemoryLimit)
        return;
    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/PRPXXXXXX"));
    if (!file->open())
        fail(QStringLiteral("Cannot create a temporary file in %1: %2")
                 .arg(QDir::tempPath(), file->errorString()));
    if (file->write(memory_.data()) != memory_.size())
        fail(QStringLiteral("Cannot write the prepared pages: %1").arg(file->errorString()));
    file_ = std::move(file);
    memory_.close();
    memory_.setData(QByteArray());
}

void PageStore::addPage(const QByteArray& pictureBytes) {
    QMutexLocker lock(&mutex_);
    if (!headerWritten_) {
        write(0, reportfile::header(0, compressed_, QDateTime::currentDateTime()));
        headerWritten_ = true;
    }
    const qint64 start = device().size();
    if (start + pictureBytes.size() + 16 > reportfile::kMaxFileSize)
        fail(QStringLiteral("The report is too large to prepare"));
    const int page = static_cast<int>(starts_.size()) + 1;
    write(start,
          reportfile::pageRecord(page, static_cast<quint32>(start), pictureBytes, compressed_));
    starts_.push_back(static_cast<quint32>(start));
    spillIfLarge();
}

void PageStore::finish() {
    QMutexLocker lock(&mutex_);
    if (!headerWritten_)
        return;
    QByteArray count(4, '\0');
    const auto n = static_cast<quint32>(starts_.size());
    for (int i = 0; i < 4; ++i)
        count[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
    write(8, count);
    device().seek(device().size());
}

int PageStore::pageCount() const {
    QMutexLocker lock(&mutex_);
    return static_cast<int>(starts_.size());
}

bool PageStore::compressed() const {
    QMutexLocker lock(&mutex_);
    return compressed_;
}

QByteArray PageStore::pictureBytes(int page) const {
    QMutexLocker lock(&mutex_);
    if (page < 1 || page > static_cast<int>(starts_.size()))
        fail(QStringLiteral("There is no page %1").arg(page));
    return reportfile::readPicture(device(), starts_[static_cast<std::size_t>(page - 1)],
                                   compressed_);
}

PagePicture PageStore::picture(int page) const {
    const QByteArray b = pictureBytes(page);
    return decodePicture(b.constData(), static_cast<std::size_t>(b.size()));
}

qint64 PageStore::byteSize() const {
    QMutexLocker lock(&mutex_);
    return device().size();
}

bool PageStore::onDisk() const {
    QMutexLocker lock(&mutex_);
    return file_ != nullptr;
}

QString PageStore::fileName() const {
    QMutexLocker lock(&mutex_);
    return file_ ? file_->fileName() : QString();
}

QByteArray PageStore::bytes() const {
    QMutexLocker lock(&mutex_);
    QIODevice& d = device();
    d.seek(0);
    QByteArray all = d.readAll();
    d.seek(d.size());
    return all;
}

void PageStore::saveTo(const QString& path) const {
    QMutexLocker lock(&mutex_);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        fail(QStringLiteral("Cannot create '%1': %2").arg(path, out.errorString()));
    QIODevice& d = device();
    d.seek(0);
    while (!d.atEnd()) {
        const QByteArray chunk = d.read(1 << 20);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size())
            fail(QStringLiteral("Cannot write '%1': %2").arg(path, out.errorString()));
    }
    d.seek(d.size());
    if (!out.commit())
        fail(QStringLiteral("Cannot write '%1': %2").arg(path, out.errorString()));
}

std::unique_ptr<PageStore> PageStore::fromBytes(const QByteArray& bytes, const QString& name) {
    auto store = std::make_unique<PageStore>();
    store->write(0, bytes);
    store->spillIfLarge();
    store->adopt(name);
    return store;
}

void PageStore::adopt(const QString& name) {
    QIODevice& d = device();
    const reportfile::Contents c = reportfile::scan(d, name);
    compressed_ = c.compressed;
    starts_ = c.starts;
    headerWritten_ = true;
    d.seek(d.size());
}

std::unique_ptr<PageStore> PageStore::load(const QString& path) {
    if (!QFileInfo(path).isFile())
        fail(QStringLiteral("File does not exist"));
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Cannot open '%1': %2").arg(path, in.errorString()));
    // The copy is checked, not the file, so a file changing meanwhile cannot slip through.
    auto store = std::make_unique<PageStore>();
    qint64 at = 0;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty())
            fail(QStringLiteral("Cannot read '%1': %2").arg(path, in.errorString()));
        if (at + chunk.size() > reportfile::kMaxFileSize)
            fail(QStringLiteral("The report file '%1' is damaged: it is too large")
                     .arg(QFileInfo(path).fileName()));
        store->write(at, chunk);
        at += chunk.size();
        store->spillIfLarge();
    }
    store->adopt(QFileInfo(path).fileName());
    return store;
}

} // namespace report
