#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace store {

// A date as the collection's date fields (Anskaffet) hold it: the locale's short date with a
// two-digit day and month and a four-digit year, "15.08.2015" in Finland, so that a column
// reads alike whoever wrote it. ISO ("2015-08-15") when that form would not fit the field's
// ten characters.
QString dateText(QDate date, const QLocale& locale = QLocale());

} // namespace store
