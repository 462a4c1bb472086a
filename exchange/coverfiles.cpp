#include "coverfiles.h"

#include <QFileInfo>

namespace exchange {

using namespace Qt::StringLiterals;

const QStringList& coverFileSuffixes() {
    static const QStringList suffixes{u"jpg"_s, u"jpeg"_s, u"png"_s, u"webp"_s, u"gif"_s, u"bmp"_s};
    return suffixes;
}

QString coverFileIn(const QDir& folder) {
    QStringList found[3];
    static const QStringList names{u"cover"_s, u"folder"_s, u"front"_s};
    for (const QFileInfo& f : folder.entryInfoList(QDir::Files, QDir::Name)) {
        const qsizetype name = names.indexOf(f.completeBaseName().toLower());
        if (name >= 0 && coverFileSuffixes().contains(f.suffix().toLower()))
            found[name].append(f.absoluteFilePath());
    }
    for (const QStringList& files : found)
        if (!files.isEmpty())
            return files.first();
    return {};
}

} // namespace exchange
