#pragma once

#include "engine/table.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

// The collection as one self-contained web page to share: no external resources, its own
// script and style allowed by a Content-Security-Policy hash, every text escaped.
namespace exchange {

// A page that could not be written; names the file and the reason.
class HtmlPageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The longer side of a cover on the page, in pixels: 20,000 of them must keep the page light.
inline constexpr int kPageCoverSide = 72;

struct HtmlPageOptions {
    // A release's cover picture by its number (the thumbnail cache's JPEG, say), empty when it
    // has none. Called from several threads at once, only for the releases on the page; may
    // raise. Unset: a page without covers.
    std::function<std::string(std::int32_t num)> cover;
};

// Releases: lydsam's view as it stands (its active sort order and its selection). Tracks and
// musicians: every stored row, whatever their own filters; with the releases narrowed, only
// those of the releases shown. Prices are left out:
// what was paid is the owner's business. Covers go in as small JPEGs inside the page. Replaces
// path atomically; a cover that cannot be read fails the page and names its release.
void writeHtmlPage(const engine::Table& lydsam, const engine::Table& numre,
                   const engine::Table& musiker, const QString& path,
                   const HtmlPageOptions& options = {});

// Text for HTML content and attribute values: &, <, >, " and ' as character references.
QString htmlEscaped(QStringView text);

} // namespace exchange
