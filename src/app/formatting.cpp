#include "formatting.h"

#include <QLocale>

#include <limits>

namespace app {

FormatSettings &formatSettings()
{
    static FormatSettings settings;
    return settings;
}

FormatSettings formatSettingsFor(const QLocale &system)
{
    FormatSettings settings;
    // No locale chosen (C, POSIX): the program's own, Polish, comma.
    if (system.language() == QLocale::C)
        return settings;
    const QString decimal = system.decimalPoint();
    settings.decimalSeparator = decimal.isEmpty() ? QLatin1Char('.') : decimal.front();
    return settings;
}

void ApplyFormatSettings() { formatSettings() = formatSettingsFor(QLocale::system()); }

QString polishUpper(const QString &text) { return QLocale(QLocale::Polish).toUpper(text); }

QString polishLower(const QString &text) { return QLocale(QLocale::Polish).toLower(text); }

bool isNameSearchCharacter(QChar c)
{
    static const QString polishLetters = QStringLiteral("ĄĆĘŁŃÓŚŹŻąćęłńóśźż");
    return (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char(' ') || polishLetters.contains(c);
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

namespace {

constexpr qint64 kAmountLimit = 999'999'999'999'999'999LL;  // NUMERIC(18,4)
constexpr qint64 kScale = 10'000;

// Recursive descent over one expression: sum := product (("+"|"-") product)*,
// product := factor (("*"|"/") factor)*, factor := "-" factor | "(" sum ")" | amount.
class AmountExpression {
public:
    AmountExpression(const QString &text, const FormatSettings &settings) : m_text(text), m_settings(settings) {}

    std::optional<qint64> evaluate()
    {
        const std::optional<qint64> value = sum(0);
        skipBlanks();
        if (!value || m_pos != m_text.size())
            return std::nullopt;
        return value;
    }

private:
    static constexpr int kMaxDepth = 64;

    static std::optional<qint64> checked(__int128 value)
    {
        if (value > kAmountLimit || value < -kAmountLimit)
            return std::nullopt;
        return static_cast<qint64>(value);
    }

    // numerator / denominator rounded half away from zero.
    static __int128 divideRounded(__int128 numerator, __int128 denominator)
    {
        const bool negative = (numerator < 0) != (denominator < 0);
        const __int128 n = numerator < 0 ? -numerator : numerator;
        const __int128 d = denominator < 0 ? -denominator : denominator;
        const __int128 q = (n + d / 2) / d;
        return negative ? -q : q;
    }

    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
    }

    bool take(QChar c)
    {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    std::optional<qint64> sum(int depth)
    {
        std::optional<qint64> value = product(depth);
        while (value) {
            if (take(QLatin1Char('+'))) {
                const auto right = product(depth);
                value = right ? checked(__int128(*value) + *right) : std::nullopt;
            } else if (take(QLatin1Char('-'))) {
                const auto right = product(depth);
                value = right ? checked(__int128(*value) - *right) : std::nullopt;
            } else {
                break;
            }
        }
        return value;
    }

    std::optional<qint64> product(int depth)
    {
        std::optional<qint64> value = factor(depth);
        while (value) {
            if (take(QLatin1Char('*'))) {
                const auto right = factor(depth);
                value = right ? checked(divideRounded(__int128(*value) * *right, kScale)) : std::nullopt;
            } else if (take(QLatin1Char('/')) || take(QChar(0x00F7))) {
                const auto right = factor(depth);
                value = right && *right != 0 ? checked(divideRounded(__int128(*value) * kScale, *right))
                                             : std::nullopt;
            } else {
                break;
            }
        }
        return value;
    }

    std::optional<qint64> factor(int depth)
    {
        if (depth > kMaxDepth)
            return std::nullopt;
        if (take(QLatin1Char('-'))) {
            const auto value = factor(depth + 1);
            return value ? std::optional<qint64>(-*value) : std::nullopt;
        }
        if (take(QLatin1Char('('))) {
            const auto value = sum(depth + 1);
            return value && take(QLatin1Char(')')) ? value : std::nullopt;
        }
        return amount();
    }

    // Digits with their separators and the blanks between thousands.
    std::optional<qint64> amount()
    {
        skipBlanks();
        const qsizetype start = m_pos;
        while (m_pos < m_text.size()) {
            const QChar c = m_text[m_pos];
            const bool part = (c.isDigit() && c.unicode() < 128) || c == m_settings.decimalSeparator
                              || c == QLatin1Char('.') || c == m_settings.thousandSeparator || c.isSpace();
            if (!part)
                break;
            ++m_pos;
        }
        const QString number = m_text.mid(start, m_pos - start);
        if (number.trimmed().isEmpty())
            return std::nullopt;
        return parseAmount(number, m_settings);
    }

    const QString &m_text;
    const FormatSettings &m_settings;
    qsizetype m_pos = 0;
};

} // namespace

std::optional<qint64> evaluateAmount(const QString &text, const FormatSettings &settings)
{
    return AmountExpression(text, settings).evaluate();
}

} // namespace app
