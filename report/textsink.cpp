#include "textsink.h"

#include "reporterror.h"
#include "units.h"

#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace report {

namespace {

constexpr double kCharTenths = 20; // one character per 2 mm
constexpr double kSameLineTenths = 10;

struct Run {
    double x;
    double baseline;
    QString text;
};

} // namespace

TextSink::TextSink(QString path) : path_(std::move(path)) {}

int TextSink::dpi() const {
    return kScreenDpi;
}

void TextSink::begin(const QString&, bool, QSize) {
    text_.clear();
    pages_ = 0;
}

QStringList TextSink::pageLines(const PagePicture& picture) {
    std::vector<Run> runs;
    for (const PageOp& op : picture.ops)
        if (const auto* t = std::get_if<TextOp>(&op); t && !t->text.trimmed().isEmpty())
            runs.push_back({pixelsToTenths(t->origin.x(), picture.dpi),
                            pixelsToTenths(t->origin.y(), picture.dpi), t->text});
    std::stable_sort(runs.begin(), runs.end(),
                     [](const Run& a, const Run& b) { return a.baseline < b.baseline; });
    QStringList lines;
    std::size_t i = 0;
    while (i < runs.size()) {
        std::size_t j = i + 1;
        while (j < runs.size() && runs[j].baseline - runs[i].baseline < kSameLineTenths)
            ++j;
        std::sort(runs.begin() + static_cast<std::ptrdiff_t>(i),
                  runs.begin() + static_cast<std::ptrdiff_t>(j),
                  [](const Run& a, const Run& b) { return a.x < b.x; });
        QString line;
        for (std::size_t k = i; k < j; ++k) {
            const auto column =
                static_cast<qsizetype>(std::max(0.0, std::round(runs[k].x / kCharTenths)));
            if (!line.isEmpty())
                line += QLatin1Char(' ');
            if (line.size() < column)
                line += QString(column - line.size(), QLatin1Char(' '));
            line += runs[k].text;
        }
        lines << line;
        i = j;
    }
    return lines;
}

void TextSink::page(const PageLayout& page) {
    if (pages_++ > 0)
        text_ += QLatin1Char('\f');
    for (const QString& line : pageLines(page.picture))
        text_ += line + QLatin1Char('\n');
}

void TextSink::end() {
    QSaveFile out(path_);
    const QByteArray bytes = text_.toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        throw Error(
            QStringLiteral("Cannot write '%1': %2").arg(path_, out.errorString()).toStdString());
}

} // namespace report
