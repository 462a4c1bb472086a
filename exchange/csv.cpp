#include "csv.h"

#include "records.h"

#include "engine/utf8.h"

#include <QIODevice>
#include <QStringDecoder>

namespace exchange::csv {

namespace {

constexpr qint64 kChunk = 1 << 20;

struct Bytes {
    bool pastAscii = false;
    bool utf8Sequence = false; // a valid sequence of more than one byte
    bool invalid = false;
};

Bytes classify(const std::vector<std::string>& fields) {
    Bytes b;
    for (const std::string& f : fields) {
        const char* p = f.data();
        const char* end = p + f.size();
        while (p < end) {
            const char32_t c = engine::utf8::decode(p, end);
            if (c < 0x80)
                continue;
            b.pastAscii = true;
            // decode gives a byte of no valid sequence as 0xDC00 + byte.
            if (c >= 0xDC80 && c <= 0xDCFF)
                b.invalid = true;
            else
                b.utf8Sequence = true;
        }
    }
    return b;
}

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
        if (std::string_view(buffer_).substr(pos_, 3) == "\xEF\xBB\xBF") {
            take(), take(), take();
            encoding_ = Encoding::Utf8;
        }
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
        decode(fields);
        return true;
    }
}

// Lines before the first one past ASCII read the same in either encoding, so the file can be
// read on without going back.
void Reader::decode(std::vector<std::string>& fields) {
    if (encoding_ != Encoding::Windows1252) {
        const Bytes b = classify(fields);
        if (b.invalid && (encoding_ == Encoding::Utf8 || b.utf8Sequence))
            fail(recordLine_, QStringLiteral("not UTF-8"));
        if (b.invalid) {
            windows1252_ = QStringDecoder("windows-1252", QStringDecoder::Flag::Stateless);
            if (!windows1252_.isValid())
                fail(recordLine_, QStringLiteral("not UTF-8"));
            encoding_ = Encoding::Windows1252;
        } else if (b.pastAscii) {
            encoding_ = Encoding::Utf8;
        }
    }
    if (encoding_ != Encoding::Windows1252)
        return;
    for (std::string& f : fields) {
        const QString text = windows1252_.decode(QByteArrayView(f.data(), qsizetype(f.size())));
        f = text.toStdString();
    }
}

std::string windows1252Note(const QString& fileName) {
    return fileName.toStdString() + ": not UTF-8, read as Windows-1252";
}

bool needsFormulaGuard(std::string_view text) {
    const std::size_t i = text.find_first_not_of('\'');
    return i != std::string_view::npos &&
           std::string_view("=+-@\t\r").find(text[i]) != std::string_view::npos;
}

std::string_view withoutFormulaGuard(std::string_view cell) {
    return cell.starts_with('\'') && needsFormulaGuard(cell) ? cell.substr(1) : cell;
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
