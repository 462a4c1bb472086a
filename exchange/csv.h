#pragma once

#include <QString>
#include <QStringDecoder>

#include <string>
#include <string_view>
#include <vector>

class QIODevice;

// Comma-separated values as RFC 4180 has them: quoted fields may hold commas, doubled quotes
// and line breaks. UTF-8 is passed through as bytes, so no text is ever changed on the way.
// A file whose first line past ASCII is not UTF-8 is taken as Windows-1252 (what spreadsheets
// save) and converted; a line that is not in the encoding the file has shown raises.
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
    bool fromWindows1252() const { return encoding_ == Encoding::Windows1252; }
    [[noreturn]] void fail(int line, const QString& what) const;

private:
    enum class Encoding { Unknown, Utf8, Windows1252 };

    bool fill(); // more bytes into the buffer; false at the end
    int peek();  // the next byte, or -1 at the end
    void take() { ++pos_, ++consumed_; }
    void decode(std::vector<std::string>& fields);

    QIODevice& in_;
    QString name_;
    std::string buffer_;
    std::size_t pos_ = 0;
    qint64 consumed_ = 0;
    int lineNo_ = 1;
    int recordLine_ = 0;
    bool started_ = false;
    Encoding encoding_ = Encoding::Unknown;
    QStringDecoder windows1252_;
};

// Appends one field, quoted only when it holds a comma, a quote, a line break or is empty and
// the only field of its record (so the record is not a blank line).
void appendField(std::string& out, std::string_view field, bool onlyField = false);

constexpr std::string_view kLineEnd = "\r\n";

// The summary's note on a file the reader converted from Windows-1252.
std::string windows1252Note(const QString& fileName);

// A spreadsheet runs a cell that starts with =, +, -, @, a tab or a carriage return as a
// formula. Such text is written with a ' before it, and so is text that is such a cell after
// leading 's, so that reading can take exactly one ' off without doubt.
bool needsFormulaGuard(std::string_view text);
std::string_view withoutFormulaGuard(std::string_view cell);

} // namespace exchange::csv
