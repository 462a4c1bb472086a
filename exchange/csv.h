#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

class QIODevice;

// Comma-separated values as RFC 4180 has them: quoted fields may hold commas, doubled quotes
// and line breaks. UTF-8 is passed through as bytes, so no text is ever changed on the way.
namespace exchange::csv {

// Reads records one at a time from a device, a buffer at a time, so a large file never has to
// fit in memory. Lines end with LF or CRLF; a byte order mark at the start is skipped; a
// blank line is no record. Damage raises ReadError naming the file and the line.
class Reader {
public:
    Reader(QIODevice& in, QString name);

    // The next record's fields; false at the end of the input.
    bool next(std::vector<std::string>& fields);
    int line() const { return recordLine_; } // where the record last returned starts
    qint64 bytesRead() const { return consumed_; }
    [[noreturn]] void fail(int line, const QString& what) const;

private:
    bool fill(); // more bytes into the buffer; false at the end
    int peek();  // the next byte, or -1 at the end
    void take() { ++pos_, ++consumed_; }

    QIODevice& in_;
    QString name_;
    std::string buffer_;
    std::size_t pos_ = 0;
    qint64 consumed_ = 0;
    int lineNo_ = 1;
    int recordLine_ = 0;
    bool started_ = false;
};

// Appends one field, quoted only when it holds a comma, a quote, a line break or is empty and
// the only field of its record (so the record is not a blank line).
void appendField(std::string& out, std::string_view field, bool onlyField = false);

constexpr std::string_view kLineEnd = "\r\n";

} // namespace exchange::csv
