#pragma once

#include <QString>
#include <QStringList>

// A settings file read and written like the desktop's profile strings: a missing file, section
// or key reads as the default; sections and keys ignore letter case; every write goes to disk at
// once and raises "Unable to write to <path>" when it cannot. Only a regular file is read or
// written: a link to one is followed; anything else (device, pipe, folder, broken link) reads
// as no settings and is never written. The file is replaced atomically, flushed to disk.
class TIniFile {
public:
    explicit TIniFile(const QString& path);

    QString fileName() const { return path_; }
    QString readString(const QString& section, const QString& key, const QString& def) const;
    // Decimal, or hexadecimal after "0x", "0X" or "$" with a value that fits in 32 bits;
    // anything else gives the default.
    int readInteger(const QString& section, const QString& key, int def) const;
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value); // decimal
    // Change the values in memory only; updateFile() then writes them all in one replacement.
    void setString(const QString& section, const QString& key, const QString& value);
    void setInteger(const QString& section, const QString& key, int value);
    void updateFile() const;

    static bool parseInteger(const QString& text, int& value);

private:
    int findSection(const QString& section) const; // line of its header, -1 when missing
    int findKey(int sectionLine, const QString& key) const;

    QString path_;
    QStringList lines_;
};
