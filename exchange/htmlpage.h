#pragma once

#include "engine/table.h"

#include <QString>
#include <QStringView>

#include <stdexcept>

// The collection as one self-contained web page to share: no external resources, its own
// script and style allowed by a Content-Security-Policy hash, every text escaped.
namespace exchange {

// A page that could not be written; names the file and the reason.
class HtmlPageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Releases: lydsam's view as it stands (its active sort order and its selection). Tracks and
// musicians: every stored row, whatever their own filters; with the releases narrowed, only
// those of the releases shown. Prices are left out:
// what was paid is the owner's business. Replaces path atomically.
void writeHtmlPage(const engine::Table& lydsam, const engine::Table& numre,
                   const engine::Table& musiker, const QString& path);

// Text for HTML content and attribute values: &, <, >, " and ' as character references.
QString htmlEscaped(QStringView text);

} // namespace exchange
