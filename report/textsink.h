#pragma once

#include "pagesink.h"

#include <QString>
#include <QStringList>

// The plain-text export. Each run of text on a page becomes part of a line: texts whose
// baselines lie within a millimetre share one line, placed left to right at one character per
// 2 mm of their position (always a space apart). Pages are separated by a form feed. UTF-8.
namespace report {

class TextSink : public PageSink {
public:
    explicit TextSink(QString path);

    int dpi() const override;
    void begin(const QString& title, bool compression, QSize pageTenths) override;
    void page(const PageLayout& page) override;
    void end() override; // writes the file; raises report::Error when it cannot

    // The lines of one page, as the file holds them.
    static QStringList pageLines(const PagePicture& picture);

private:
    QString path_;
    QString text_;
    int pages_ = 0;
};

} // namespace report
