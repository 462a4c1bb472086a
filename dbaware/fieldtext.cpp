#include "fieldtext.h"

#include "engine/filter.h"
#include "engine/table.h"

namespace dbaware {

namespace {

bool isCurrency(const engine::Table& table, int field) {
    return field >= 0 && field < table.fieldCount() &&
           table.fields()[static_cast<std::size_t>(field)].type == engine::FieldType::Currency;
}

// The engine's text of a price is its shortest plain decimal; an empty field has none.
template <typename Format> QString currencyFromEngine(const std::string& text, Format format) {
    double value = 0;
    if (text.empty() || !engine::parseCurrency(text, value))
        return QString::fromStdString(text);
    return format(value);
}

bool takePrefix(QString& s, const QString& prefix) {
    if (prefix.isEmpty() || !s.startsWith(prefix))
        return false;
    s = s.mid(prefix.size()).trimmed();
    return true;
}

bool takeSuffix(QString& s, const QString& suffix) {
    if (suffix.isEmpty() || !s.endsWith(suffix))
        return false;
    s.chop(suffix.size());
    s = s.trimmed();
    return true;
}

} // namespace

QString currencyDisplayText(double value, const QLocale& locale) {
    return locale.toCurrencyString(value, QString(), 2);
}

QString currencyEditText(double value, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(value, 'f', QLocale::FloatingPointShortest);
}

QString currencyInput(const QString& typed, const QLocale& locale) {
    QString s = typed.trimmed();
    if (s.isEmpty())
        return s; // a blank price is an empty field
    // The sign may stand on either side of the symbol ("-$12.50", "$-12.50"), and the
    // locale's own minus (U+2212 in Finnish) is not the engine's.
    QString sign;
    const auto takeSign = [&] {
        if (!sign.isEmpty())
            return;
        if (takePrefix(s, locale.negativeSign()) || takePrefix(s, QStringLiteral("-")))
            sign = QStringLiteral("-");
        else if (takePrefix(s, locale.positiveSign()))
            sign = QStringLiteral("+");
    };
    takeSign();
    const QString symbol = locale.currencySymbol();
    if (!takePrefix(s, symbol))
        takeSuffix(s, symbol);
    takeSign();
    const QString number = sign + s;
    double value = 0;
    return engine::parseCurrency(number.toStdString(), value) ? number : typed;
}

QString displayText(const engine::Table& table, int field) {
    if (!isCurrency(table, field))
        return QString::fromStdString(table.asText(field));
    return table.isNull(field) ? QString() : currencyDisplayText(table.asFloat(field));
}

QString editText(const engine::Table& table, int field) {
    if (!isCurrency(table, field))
        return QString::fromStdString(table.asText(field));
    return table.isNull(field) ? QString() : currencyEditText(table.asFloat(field));
}

QString displayTextAt(const engine::Table& table, int displayRow, int field) {
    const std::string text = table.textAt(displayRow, field);
    if (!isCurrency(table, field))
        return QString::fromStdString(text);
    return currencyFromEngine(text, [](double v) { return currencyDisplayText(v); });
}

QString editTextAt(const engine::Table& table, int displayRow, int field) {
    const std::string text = table.textAt(displayRow, field);
    if (!isCurrency(table, field))
        return QString::fromStdString(text);
    return currencyFromEngine(text, [](double v) { return currencyEditText(v); });
}

void setFieldText(engine::Table& table, int field, const QString& text) {
    const QString value = isCurrency(table, field) ? currencyInput(text) : text;
    table.setText(field, value.toStdString());
}

} // namespace dbaware
