#pragma once
// The program's fixed formats: dates "dd.MM.yyyy", amounts with a no-break
// space between thousands and the system's decimal separator, zero-padded
// numbers, and the Y/N flags of the database.

#include <QChar>
#include <QString>

class QLocale;

#include <optional>

namespace app {

struct FormatSettings {
    QString shortDateFormat = QStringLiteral("dd.MM.yyyy");
    QChar thousandSeparator = QChar(0x00A0);
    QChar decimalSeparator = QLatin1Char(',');
};

// The process-wide settings every window formats with.
FormatSettings &formatSettings();

// The program's fixed formats with the decimal separator of `system`; the
// Polish comma when the system has no locale (C or POSIX).
FormatSettings formatSettingsFor(const QLocale &system);
// Sets the program's fixed formats for the system's locale.
void ApplyFormatSettings();

// The decimal text of `value`, with "0" in front until it is `width` long.
QString PadNumber(qint32 value, int width);

// "Y" or "T" in either case reads true; anything else, blank and NULL false.
bool FlagFromText(const QString &text);
QString FlagToText(bool value);

// An amount held in ten-thousandths, shown with thousands separators and
// exactly two decimals (rounded half away from zero): 1 234 567,50.
QString formatAmount(qint64 tenThousandths, const FormatSettings &settings = formatSettings());

// Reads an amount as a user types it: an optional minus, digits with or
// without the thousands separator (also a plain space), and up to four
// decimals after the decimal separator ("." is accepted too). Nothing for
// anything else, or for a value beyond NUMERIC(18,4).
std::optional<qint64> parseAmount(const QString &text, const FormatSettings &settings = formatSettings());

// An amount typed into a calculator edit: amounts as parseAmount reads them
// joined by + - * / and parentheses ("12,50*3", "(100+23,45)/2"). Each step
// keeps four decimals, rounded half away from zero. Nothing for a text that
// is not such a sum, for a division by zero, or beyond NUMERIC(18,4).
std::optional<qint64> evaluateAmount(const QString &text, const FormatSettings &settings = formatSettings());

// Upper and lower case by the Polish rules, whatever the system's locale.
QString polishUpper(const QString &text);
QString polishLower(const QString &text);
// A character the incremental search of a list takes: a letter of the
// Polish alphabet (A-Z with ĄĆĘŁŃÓŚŹŻ, either case), a digit or the space.
bool isNameSearchCharacter(QChar c);

} // namespace app
