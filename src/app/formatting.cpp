#include "formatting.h"

#include <QLocale>

#include <limits>

namespace app {

FormatSettings &formatSettings()
{
    static FormatSettings settings;
    return settings;
}

void ApplyFormatSettings()
{
    FormatSettings settings;
    const QString decimal = QLocale::system().decimalPoint();
    settings.decimalSeparator = decimal.isEmpty() ? QLatin1Char('.') : decimal.front();
    formatSettings() = settings;
}

QString PadNumber(qint32 value, int width)
{
    QString text = QString::number(value);
    if (text.size() < width)
        text.prepend(QString(width - text.size(), QLatin1Char('0')));
    return text;
}

bool FlagFromText(const QString &text)
{
    if (text.isEmpty())
        return false;
    const QChar c = text.front().toUpper();
    return c == QLatin1Char('Y') || c == QLatin1Char('T');
}

QString FlagToText(bool value) { return value ? QStringLiteral("Y") : QStringLiteral("N"); }

QString formatAmount(qint64 tenThousandths, const FormatSettings &settings)
{
    const bool negative = tenThousandths < 0;
    // Work on the magnitude as unsigned so that the lowest value cannot overflow.
    quint64 magnitude = negative ? 0 - static_cast<quint64>(tenThousandths) : static_cast<quint64>(tenThousandths);
    quint64 cents = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);
    const QString whole = QString::number(cents / 100);
    QString text;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            text.append(settings.thousandSeparator);
        text.append(whole[i]);
    }
    text.append(settings.decimalSeparator);
    text.append(PadNumber(static_cast<qint32>(cents % 100), 2));
    if (negative && cents != 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

std::optional<qint64> parseAmount(const QString &text, const FormatSettings &settings)
{
    QString digits;
    int decimals = -1;  // -1 until the decimal separator is seen
    bool negative = false;
    bool any = false;
    const QString trimmed = text.trimmed();
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed[i];
        if (c.isDigit() && c.unicode() < 128) {
            digits.append(c);
            any = true;
            if (decimals >= 0 && ++decimals > 4)
                return std::nullopt;
        } else if (i == 0 && c == QLatin1Char('-')) {
            negative = true;
        } else if ((c == settings.decimalSeparator || c == QLatin1Char('.')) && decimals < 0
                   && c != settings.thousandSeparator) {
            decimals = 0;
        } else if ((c == settings.thousandSeparator || c == QLatin1Char(' ') || c == QChar(0x00A0)) && decimals < 0
                   && any) {
            continue;
        } else {
            return std::nullopt;
        }
    }
    if (!any)
        return std::nullopt;
    digits.append(QString(4 - std::max(decimals, 0), QLatin1Char('0')));
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    // NUMERIC(18,4) holds at most 18 digits.
    if (!ok || value > 999'999'999'999'999'999LL)
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace app
