#include "datetext.h"

namespace store {

namespace {

constexpr qsizetype kFieldSize = 10;

// "d.M.yy" -> "dd.MM.yyyy"; month and day names (MMM, ddd) stay names.
QString fixedWidth(const QString& format) {
    QString out;
    for (qsizetype i = 0; i < format.size();) {
        qsizetype end = i;
        while (end < format.size() && format[end] == format[i])
            ++end;
        const QChar c = format[i];
        if ((c == u'd' || c == u'M') && end - i <= 2)
            out += QString(2, c);
        else if (c == u'y')
            out += QStringLiteral("yyyy");
        else
            out += format.mid(i, end - i);
        i = end;
    }
    return out;
}

} // namespace

QString dateText(QDate date, const QLocale& locale) {
    const QString text = locale.toString(date, fixedWidth(locale.dateFormat(QLocale::ShortFormat)));
    return text.size() <= kFieldSize ? text : date.toString(Qt::ISODate);
}

} // namespace store
