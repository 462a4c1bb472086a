#include "inifile.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString sectionName(const QString& line) {
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))
        return t.mid(1, t.size() - 2).trimmed();
    return {};
}

bool isSection(const QString& line) {
    return line.trimmed().startsWith(QLatin1Char('['));
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

bool isRegular(const QByteArray& path, bool followLink) {
    struct stat st {};
    return (followLink ? ::stat(path.constData(), &st) : ::lstat(path.constData(), &st)) == 0 &&
           S_ISREG(st.st_mode);
}

// The regular file that writing path replaces: path itself, the file its link points to, or
// a new file; empty when it names anything else.
QString writeTarget(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        return errno == ENOENT ? path : QString();
    if (S_ISREG(st.st_mode))
        return path;
    if (!S_ISLNK(st.st_mode))
        return {};
    char* resolved = ::realpath(name.constData(), nullptr);
    if (!resolved)
        return {};
    const QByteArray target(resolved);
    ::free(resolved);
    return isRegular(target, false) ? QFile::decodeName(target) : QString();
}

} // namespace

TIniFile::TIniFile(const QString& path) : path_(path) {
    // Non-blocking, so a pipe in its place cannot hang the start; only a regular file is read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    QFile f;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !f.open(fd, QIODevice::ReadOnly | QIODevice::Text, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return;
    }
    QTextStream in(&f);
    while (!in.atEnd())
        lines_ << in.readLine();
}

int TIniFile::findSection(const QString& section) const {
    for (int i = 0; i < lines_.size(); ++i)
        if (isSection(lines_[i]) &&
            sectionName(lines_[i]).compare(section.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TIniFile::findKey(int sectionLine, const QString& key) const {
    for (int i = sectionLine + 1; i < lines_.size() && !isSection(lines_[i]); ++i) {
        const QString& line = lines_[i];
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed().compare(key.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TIniFile::readString(const QString& section, const QString& key, const QString& def) const {
    const int s = findSection(section);
    const int k = s < 0 ? -1 : findKey(s, key);
    if (k < 0)
        return def;
    QString value = lines_[k].mid(lines_[k].indexOf(QLatin1Char('=')) + 1).trimmed();
    // A value in matching quotes reads without them, as profile strings do.
    if (value.size() >= 2 &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

bool TIniFile::parseInteger(const QString& text, int& value) {
    const QString t = text.trimmed();
    bool ok = false;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) || t.startsWith(QLatin1Char('$'))) {
        const QString digits = t.mid(t.startsWith(QLatin1Char('$')) ? 1 : 2);
        if (digits.isEmpty())
            return false;
        quint64 u = 0; // leading zeros may make it long; only the value must fit in 32 bits
        for (const QChar c : digits) {
            const int d = hexDigit(c);
            if (d < 0)
                return false;
            u = u * 16 + static_cast<quint64>(d);
            if (u > 0xFFFFFFFFULL)
                return false;
        }
        value = static_cast<int>(static_cast<quint32>(u)); // eight digits reach the top bit
        return true;
    }
    const int v = t.toInt(&ok, 10);
    if (ok)
        value = v;
    return ok;
}

int TIniFile::readInteger(const QString& section, const QString& key, int def) const {
    int v = def;
    return parseInteger(readString(section, key, QString()), v) ? v : def;
}

void TIniFile::writeString(const QString& section, const QString& key, const QString& value) {
    const QStringList before = lines_;
    setString(section, key, value);
    try {
        updateFile();
    } catch (...) {
        lines_ = before;
        throw;
    }
}

void TIniFile::setString(const QString& section, const QString& key, const QString& value) {
    const QString entry = key + QLatin1Char('=') + value;
    int s = findSection(section);
    if (s < 0) {
        if (!lines_.isEmpty() && !lines_.back().trimmed().isEmpty())
            lines_ << QString();
        lines_ << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    } else if (const int k = findKey(s, key); k >= 0) {
        lines_[k] = entry;
    } else {
        int end = s + 1; // after the section's last entry, before trailing blank lines
        for (int i = s + 1; i < lines_.size() && !isSection(lines_[i]); ++i)
            if (!lines_[i].trimmed().isEmpty())
                end = i + 1;
        lines_.insert(end, entry);
    }
}

void TIniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void TIniFile::setInteger(const QString& section, const QString& key, int value) {
    setString(section, key, QString::number(value));
}

void TIniFile::updateFile() const {
    const QString target = writeTarget(path_);
    bool ok = !target.isEmpty();
    if (ok) {
        QSaveFile f(target);
        ok = f.open(QIODevice::WriteOnly | QIODevice::Text);
        if (ok) {
            QTextStream out(&f);
            for (const QString& line : lines_)
                out << line << '\n';
            out.flush();
            // The rename alone does not check that the bytes reached the disk.
            ok = f.flush() && ::fsync(f.handle()) == 0 && f.commit();
        }
    }
    if (!ok)
        throw std::runtime_error(QStringLiteral("Unable to write to %1").arg(path_).toStdString());
}
