#include "inifile.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <stdexcept>

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

} // namespace

TIniFile::TIniFile(const QString& path) : path_(path) {
    QFile f(path);
    if (f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&f);
        while (!in.atEnd())
            lines_ << in.readLine();
    }
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
        if (digits.isEmpty() || digits.size() > 8 || digits.startsWith(QLatin1Char('+')) ||
            digits.startsWith(QLatin1Char('-')))
            return false;
        const uint u = digits.toUInt(&ok, 16); // eight digits reach the top bit
        if (ok)
            value = static_cast<int>(u);
        return ok;
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
    try {
        save();
    } catch (...) {
        lines_ = before;
        throw;
    }
}

void TIniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void TIniFile::save() const {
    QSaveFile f(path_);
    bool ok = f.open(QIODevice::WriteOnly | QIODevice::Text);
    if (ok) {
        QTextStream out(&f);
        for (const QString& line : lines_)
            out << line << '\n';
        out.flush();
        ok = f.commit();
    }
    if (!ok)
        throw std::runtime_error(QStringLiteral("Unable to write to %1").arg(path_).toStdString());
}
