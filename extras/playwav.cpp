#include "playwav.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace {

// The text from the last "." to the end, or empty when a path separator ("\", ":", or our "/")
// follows that dot.
QString extension(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    for (qsizetype i = dot + 1; i < fileName.size(); ++i) {
        const QChar c = fileName.at(i);
        if (c == QLatin1Char('\\') || c == QLatin1Char(':') || c == QLatin1Char('/'))
            return {};
    }
    return fileName.mid(dot);
}

// Upper case of a-z only, so no other letter can turn into "WAV".
bool isWavExtension(const QString& ext) {
    static const char wav[] = ".WAV";
    if (ext.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        char16_t c = ext.at(i).unicode();
        if (c >= u'a' && c <= u'z')
            c = c - u'a' + u'A';
        if (c != char16_t(wav[i]))
            return false;
    }
    return true;
}

qsizetype characterCount(const QString& s) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < s.size(); ++i)
        if (!s.at(i).isLowSurrogate() || i == 0 || !s.at(i - 1).isHighSurrogate())
            ++n;
    return n;
}

} // namespace

TPlayWav::TPlayWav(QObject* parent) : QObject(parent) {}

bool TPlayWav::qualifies(const QString& fileName) {
    return isWavExtension(extension(fileName)) && characterCount(fileName) <= MaxNameLength;
}

void TPlayWav::Play(const QString& fileName) {
    if (!qualifies(fileName))
        return;
    if (!effect_)
        effect_ = new QSoundEffect(this);
    effect_->stop();
    const QFileInfo file(fileName);
    // A missing file is silence rather than a default sound, and keeps the log quiet.
    if (!file.isFile()) {
        effect_->setSource(QUrl());
        return;
    }
    // Loading and playing run in the background; a failure only changes the effect's status.
    effect_->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    effect_->play();
}
