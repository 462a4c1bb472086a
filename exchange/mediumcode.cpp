#include "exchange/mediumcode.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace exchange {

namespace {

bool matches(const QString& text, const QString& pattern) {
    const QRegularExpression re(pattern, QRegularExpression::CaseInsensitiveOption);
    return re.match(text).hasMatch();
}

} // namespace

std::string mediumCode(const QString& format) {
    const QString f = format.simplified();
    if (f.isEmpty())
        return {};
    for (const char* code : {"CD", "MD", "LP", "MC", "SG", "78"})
        if (f.compare(QLatin1StringView(code), Qt::CaseInsensitive) == 0)
            return code;

    // CD and its variants (CD-R, Enhanced CD, HDCD, SACD, SHM-CD, ID3's "CD/A"), but not the
    // video discs (VCD, SVCD, CDV).
    if (matches(f, u"(^|[^A-Z])(HD|HQ|SA)?CD([^A-Z]|$)"_s))
        return "CD";
    if (matches(f, u"^(MiniDisc|Mini Disc|MD/.*)$"_s))
        return "MD";
    if (matches(f, u"^(Cassette|Compact Cassette|Audio Cassette|MC/.*)$"_s))
        return "MC";
    // ID3 writes records as turntable media with their speed.
    if (matches(f, u"^TT/45$"_s))
        return "SG";
    if (matches(f, u"^TT/33$"_s))
        return "LP";
    if (matches(f, u"^(TT/78|(\\d+(\"|''|-inch| inch|in) )?Shellac)$"_s))
        return "78";
    if (matches(f, u"^7(\"|''|-inch| inch|in) (Vinyl|Single)$"_s))
        return "SG";
    if (matches(f, u"^((\\d+(\"|''|-inch| inch|in) )?Vinyl|Vinyl LP|LP Record)$"_s))
        return "LP";
    return {};
}

} // namespace exchange
