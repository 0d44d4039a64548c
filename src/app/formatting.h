#pragma once
// The program's fixed formats: dates "dd.MM.yyyy", amounts with a no-break
// space between thousands and the system's decimal separator, zero-padded
// numbers, and the Y/N flags of the database.

#include <QChar>
#include <QString>

#include <optional>

namespace app {

struct FormatSettings {
    QString shortDateFormat = QStringLiteral("dd.MM.yyyy");
    QChar thousandSeparator = QChar(0x00A0);
    QChar decimalSeparator = QLatin1Char(',');
};

// The process-wide settings every window formats with.
FormatSettings &formatSettings();

// Sets the program's fixed formats, with the system's decimal separator.
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

} // namespace app
