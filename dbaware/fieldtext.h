#pragma once

#include <QLocale>
#include <QString>

namespace engine {
class Table;
}

// How field values read in controls and printed lists. A currency field shows in the locale's
// currency format with two decimals and is edited as a plain number in the locale's decimal
// notation; every other field reads as the engine gives it. The locale is QLocale(): the
// system locale, unless a default was set (tests do).
namespace dbaware {

QString currencyDisplayText(double value, const QLocale& locale = QLocale());
QString currencyEditText(double value, const QLocale& locale = QLocale());
// What the user typed for a price, as the engine's number text: trimmed, the locale's
// currency symbol and signs taken off. Text it cannot make sense of is returned as typed.
QString currencyInput(const QString& typed, const QLocale& locale = QLocale());

// Of the current record (its edit buffer while editing).
QString displayText(const engine::Table& table, int field);
QString editText(const engine::Table& table, int field);
// Of any display row, for grids.
QString displayTextAt(const engine::Table& table, int displayRow, int field);
QString editTextAt(const engine::Table& table, int displayRow, int field);

// Stores typed text into a field of the record being edited. Raises the engine's conversion
// error when the text is no value of the field's type; the field then keeps its value.
void setFieldText(engine::Table& table, int field, const QString& text);

} // namespace dbaware
