#include "csv.h"

#include "records.h"

#include <QIODevice>

namespace exchange::csv {

namespace {

constexpr qint64 kChunk = 1 << 20;

} // namespace

Reader::Reader(QIODevice& in, QString name) : in_(in), name_(std::move(name)) {}

void Reader::fail(int line, const QString& what) const {
    throw ReadError(QStringLiteral("%1, line %2: %3").arg(name_).arg(line).arg(what).toStdString());
}

bool Reader::fill() {
    buffer_.erase(0, pos_);
    pos_ = 0;
    const std::size_t had = buffer_.size();
    buffer_.resize(had + kChunk);
    const qint64 got = in_.read(buffer_.data() + had, kChunk);
    if (got < 0)
        fail(lineNo_, QStringLiteral("cannot be read: ") + in_.errorString());
    buffer_.resize(had + static_cast<std::size_t>(got));
    return got > 0;
}

int Reader::peek() {
    if (pos_ >= buffer_.size() && !fill())
        return -1;
    return static_cast<unsigned char>(buffer_[pos_]);
}

bool Reader::next(std::vector<std::string>& fields) {
    fields.clear();
    if (!started_) {
        started_ = true;
        while (buffer_.size() - pos_ < 3 && fill()) {
        }
        if (std::string_view(buffer_).substr(pos_, 3) == "\xEF\xBB\xBF")
            take(), take(), take();
    }
    // Blank lines carry no record.
    for (int c = peek(); c == '\n' || c == '\r'; c = peek()) {
        take();
        if (c == '\n')
            ++lineNo_;
    }
    if (peek() < 0)
        return false;
    recordLine_ = lineNo_;
    std::string field;
    while (true) {
        int c = peek();
        if (c == '"') {
            take();
            const int openedOn = lineNo_;
            while (true) {
                c = peek();
                if (c < 0)
                    fail(openedOn, QStringLiteral("a quoted field is not closed"));
                take();
                if (c == '"') {
                    if (peek() != '"')
                        break;
                    take();
                } else if (c == '\n') {
                    ++lineNo_;
                }
                field.push_back(static_cast<char>(c));
            }
            c = peek();
            if (c == '\r') {
                take();
                c = peek();
                if (c != '\n')
                    fail(lineNo_, QStringLiteral("expected a line end after a carriage return"));
            }
            if (c != ',' && c != '\n' && c >= 0)
                fail(lineNo_,
                     QStringLiteral("expected a comma or a line end after a closing quote"));
        } else {
            while (c >= 0 && c != ',' && c != '\n') {
                take();
                if (c == '\r' && peek() == '\n')
                    break;
                field.push_back(static_cast<char>(c));
                c = peek();
            }
            c = peek();
        }
        fields.push_back(std::move(field));
        field.clear();
        if (c == ',') {
            take();
            continue;
        }
        if (c == '\n') {
            take();
            ++lineNo_;
        }
        return true;
    }
}

void appendField(std::string& out, std::string_view field, bool onlyField) {
    const bool quote =
        field.find_first_of(",\"\r\n") != std::string_view::npos || (onlyField && field.empty());
    if (!quote) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char c : field) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

} // namespace exchange::csv
