#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

// Picture files lying beside a source, for the readers that take a release's cover from them.
namespace exchange {

// The picture suffixes a cover file may have, lower case.
const QStringList& coverFileSuffixes();

// The front cover picture lying in folder: "cover.*", else "folder.*", else "front.*", letter
// case aside; empty when there is none.
QString coverFileIn(const QDir& folder);

} // namespace exchange
