#include "rpformatsettings.h"

#include <QDate>
#include <QTime>

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace rtfreport {

TRpFormatSettings TRpFormatSettings::Polish()
{
    TRpFormatSettings s;
    s.DecimalSeparator = u',';
    s.ThousandSeparator = QChar(0x00A0);
    s.ShortDateFormat = QStringLiteral("dd.MM.yyyy");
    s.LongDateFormat = QStringLiteral("d MMMM yyyy");
    s.LongTimeFormat = QStringLiteral("HH:mm:ss");
    s.CurrencyString = QStringLiteral("zł");
    s.CurrencyFormat = 3;
    s.NegCurrFormat = 8;
    s.CurrencyDecimals = 2;
    s.LongMonthNames = {u"styczeń"_qs, u"luty"_qs, u"marzec"_qs, u"kwiecień"_qs,
                        u"maj"_qs, u"czerwiec"_qs, u"lipiec"_qs, u"sierpień"_qs,
                        u"wrzesień"_qs, u"październik"_qs, u"listopad"_qs, u"grudzień"_qs};
    s.ShortMonthNames = {u"sty"_qs, u"lut"_qs, u"mar"_qs, u"kwi"_qs, u"maj"_qs, u"cze"_qs,
                         u"lip"_qs, u"sie"_qs, u"wrz"_qs, u"paź"_qs, u"lis"_qs, u"gru"_qs};
    s.LongDayNames = {u"niedziela"_qs, u"poniedziałek"_qs, u"wtorek"_qs, u"środa"_qs,
                      u"czwartek"_qs, u"piątek"_qs, u"sobota"_qs};
    s.ShortDayNames = {u"niedz."_qs, u"pon."_qs, u"wt."_qs, u"śr."_qs,
                       u"czw."_qs, u"pt."_qs, u"sob."_qs};
    s.CaseLocale = QLocale(QLocale::Polish, QLocale::Poland);
    return s;
}

TRpFormatSettings TRpFormatSettings::English()
{
    TRpFormatSettings s;
    s.LongMonthNames = {u"January"_qs, u"February"_qs, u"March"_qs, u"April"_qs,
                        u"May"_qs, u"June"_qs, u"July"_qs, u"August"_qs,
                        u"September"_qs, u"October"_qs, u"November"_qs, u"December"_qs};
    for (const QString &name : s.LongMonthNames)
        s.ShortMonthNames << name.left(3);
    s.LongDayNames = {u"Sunday"_qs, u"Monday"_qs, u"Tuesday"_qs, u"Wednesday"_qs,
                      u"Thursday"_qs, u"Friday"_qs, u"Saturday"_qs};
    for (const QString &name : s.LongDayNames)
        s.ShortDayNames << name.left(3);
    s.CaseLocale = QLocale(QLocale::English, QLocale::UnitedStates);
    return s;
}

// Where the currency symbol stands, read from how the locale writes 1 and -1.
static void ReadCurrencyPlacement(const QLocale &locale, TRpFormatSettings &s)
{
    const QString symbol = locale.currencySymbol();
    if (symbol.isEmpty())
        return;
    s.CurrencyString = symbol;
    const QString positive = locale.toCurrencyString(1.0);
    const bool symbolFirst = positive.startsWith(symbol);
    const bool spaced = symbolFirst ? !positive.at(symbol.size()).isDigit()
                                    : !positive.at(positive.indexOf(symbol) - 1).isDigit();
    s.CurrencyFormat = (symbolFirst ? 0 : 1) + (spaced ? 2 : 0);
    static const int negativeOf[] = {1, 5, 9, 8};
    s.NegCurrFormat = negativeOf[s.CurrencyFormat];
}

TRpFormatSettings TRpFormatSettings::SystemDefault()
{
    const QLocale locale = QLocale::system();
    TRpFormatSettings s;
    s.DecimalSeparator = locale.decimalPoint().isEmpty() ? u'.' : locale.decimalPoint().at(0);
    s.ThousandSeparator = locale.groupSeparator().isEmpty() ? u',' : locale.groupSeparator().at(0);
    s.ShortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    s.LongDateFormat = locale.dateFormat(QLocale::LongFormat);
    // The long time format of Qt ends with the time zone, which the engine
    // never writes.
    s.LongTimeFormat = locale.timeFormat(QLocale::LongFormat).remove(u't').trimmed();
    ReadCurrencyPlacement(locale, s);
    for (int month = 1; month <= 12; ++month) {
        s.LongMonthNames << locale.standaloneMonthName(month, QLocale::LongFormat);
        s.ShortMonthNames << locale.standaloneMonthName(month, QLocale::ShortFormat);
    }
    for (int day = 0; day < 7; ++day) {
        const int qtDay = day == 0 ? 7 : day;
        s.LongDayNames << locale.standaloneDayName(qtDay, QLocale::LongFormat);
        s.ShortDayNames << locale.standaloneDayName(qtDay, QLocale::ShortFormat);
    }
    s.CaseLocale = locale;
    return s;
}

// --- decimal digits ----------------------------------------------------------

namespace {

// A finite value as decimal digits: value = 0.digits × 10^exponent.
struct DecimalDigits {
    bool negative = false;
    QString digits;  // no leading zeros; "" for zero
    int exponent = 0;
};

// Keeps `keep` digits, rounding the rest half up.
void RoundDigits(DecimalDigits &d, int keep);

// The value's digits rounded half up to `significant` digits, as decimal
// arithmetic would (2.5 keeps its tie and rounds up). The binary value is
// first written with all the digits extended precision holds.
// The 19 significant digits the text conversion below gives, computed
// exactly in integers for 1 <= |value| < 2^63 (amounts, counts, sums): the
// text conversion costs more than the rest of a field. The decimal exponent
// of the first digit goes to exponent10.
std::optional<quint64> NineteenDigits(TRpFloat value, int &exponent10)
{
    if constexpr (std::numeric_limits<TRpFloat>::digits != 64) {
        return std::nullopt;
    } else {
        constexpr quint64 Low = 1000000000000000000ULL;  // 10^18
        constexpr quint64 High = 10000000000000000000ULL; // 10^19
        if (!(value >= 1 && value < 9.2e18L))
            return std::nullopt;
        int binaryExponent = 0;
        const TRpFloat fraction = std::frexp(value, &binaryExponent);
        const auto mantissa = quint64(std::ldexp(fraction, 64));  // value = mantissa * 2^(binaryExponent - 64)
        const int shift = 64 - binaryExponent;                     // 1 .. 63
        int power = 18 - int(std::floor(std::log10(value)));       // value * 10^power has 19 digits
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (power < 0 || power > 19 || shift <= 0 || shift >= 64)
                return std::nullopt;
            quint64 scale = 1;
            for (int i = 0; i < power; ++i)
                scale *= 10;
            const unsigned __int128 product = (unsigned __int128)mantissa * scale;
            quint64 digits = quint64(product >> shift);
            const unsigned __int128 rest = product & ((((unsigned __int128)1) << shift) - 1);
            const unsigned __int128 half = ((unsigned __int128)1) << (shift - 1);
            if (rest > half || (rest == half && (digits & 1)))
                ++digits;  // nearest, ties to even, as the text conversion rounds
            if (digits < Low) {
                ++power;
                continue;
            }
            if (digits >= High && (product >> shift) >= High) {
                --power;
                continue;
            }
            if (digits >= High) {  // rounded up to a new leading digit
                digits /= 10;
                --power;
            }
            exponent10 = 18 - power;
            return digits;
        }
        return std::nullopt;
    }
}

DecimalDigits ToDigits(TRpFloat value, int significant)
{
    DecimalDigits result;
    result.negative = std::signbit(value);
    if (value == 0)
        return result;
    int exponent10 = 0;
    if (const auto digits = NineteenDigits(std::fabs(value), exponent10)) {
        result.digits = QString::number(*digits);
        result.exponent = exponent10 + 1;
        RoundDigits(result, significant);
        while (result.digits.endsWith(u'0'))
            result.digits.chop(1);
        return result;
    }
    char buffer[128];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                   std::chars_format::scientific, 18);
    const std::string text(buffer, ec == std::errc() ? end : buffer);
    const auto e = text.find('e');
    for (size_t i = 0; i < e; ++i)
        if (text[i] != '.')
            result.digits += QChar(text[i]);
    result.exponent = std::stoi(text.substr(e + 1)) + 1;
    RoundDigits(result, significant);
    while (result.digits.endsWith(u'0'))
        result.digits.chop(1);
    return result;
}

// Keeps `keep` digits, rounding the rest half up; may carry into a new
// leading digit.
void RoundDigits(DecimalDigits &d, int keep)
{
    if (keep >= d.digits.size())
        return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits.at(keep) >= u'5';
    d.digits.truncate(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits.at(i) == u'9') {
            d.digits[i] = u'0';
            --i;
        }
        if (i >= 0)
            d.digits[i] = QChar(d.digits.at(i).unicode() + 1);
        else {
            d.digits.prepend(u'1');
            ++d.exponent;
        }
    }
    while (d.digits.endsWith(u'0'))
        d.digits.chop(1);
    if (d.digits.isEmpty())
        d.exponent = 0;
}

QChar DigitAt(const DecimalDigits &d, int index)
{
    return index >= 0 && index < d.digits.size() ? d.digits.at(index) : QChar(u'0');
}

QString IntegerPart(const DecimalDigits &d)
{
    QString text;
    for (int i = 0; i < d.exponent; ++i)
        text += DigitAt(d, i);
    return text.isEmpty() ? QStringLiteral("0") : text;
}

QString FractionPart(const DecimalDigits &d, int decimals)
{
    QString text;
    for (int i = 0; i < decimals; ++i)
        text += DigitAt(d, d.exponent + i);
    return text;
}

QString Grouped(const QString &integerDigits, QChar separator)
{
    QString text;
    const int n = integerDigits.size();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            text += separator;
        text += integerDigits.at(i);
    }
    return text;
}

QString NonFinite(TRpFloat value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

QString ScientificText(const DecimalDigits &d, int mantissaDigits, bool trimZeros,
                       bool exponentSign, int exponentDigits, QChar point)
{
    QString mantissa;
    for (int i = 0; i < mantissaDigits; ++i)
        mantissa += DigitAt(d, i);
    if (trimZeros)
        while (mantissa.size() > 1 && mantissa.endsWith(u'0'))
            mantissa.chop(1);
    QString text = d.negative && !d.digits.isEmpty() ? QStringLiteral("-") : QString();
    text += mantissa.left(1);
    if (mantissa.size() > 1)
        text += point + mantissa.mid(1);
    const int exponent = d.digits.isEmpty() ? 0 : d.exponent - 1;
    text += u'E';
    if (exponent < 0)
        text += u'-';
    else if (exponentSign)
        text += u'+';
    text += QString::number(std::abs(exponent)).rightJustified(exponentDigits, u'0');
    return text;
}

QString GeneralText(TRpFloat value, int precision, QChar point)
{
    DecimalDigits d = ToDigits(value, precision);
    if (d.digits.isEmpty())
        return QStringLiteral("0");
    if (d.exponent > precision || d.exponent < -4)
        return ScientificText(d, precision, true, false, 0, point);
    QString text = d.negative ? QStringLiteral("-") : QString();
    text += IntegerPart(d);
    const int decimals = d.digits.size() - d.exponent;
    if (decimals > 0)
        text += point + FractionPart(d, decimals);
    return text;
}

QString CurrencyText(const QString &amount, bool negative, const TRpFormatSettings &s)
{
    static const char *const positive[] = {"$1", "1$", "$ 1", "1 $"};
    static const char *const negativeForms[] = {
        "($1)", "-$1", "$-1", "$1-", "(1$)", "-1$", "1-$", "1$-",
        "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
    const int positiveIndex = qBound(0, s.CurrencyFormat, 3);
    const int negativeIndex = qBound(0, s.NegCurrFormat, 15);
    QString form = QString::fromLatin1(negative ? negativeForms[negativeIndex] : positive[positiveIndex]);
    // Replace the symbol first: the amount itself never holds "$" but the
    // currency string could hold "1".
    const int symbolAt = form.indexOf(u'$');
    form.replace(symbolAt, 1, QStringLiteral("\x01"));
    form.replace(u'1', amount);
    form.replace(QStringLiteral("\x01"), s.CurrencyString);
    return form;
}

} // namespace

QString FloatToCanonical(TRpFloat value)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    return GeneralText(value, 15, u'.');
}

QString FloatToTextF(TRpFloat value, TRpFloatFormat format, int precision, int digits,
                     const TRpFormatSettings &settings)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    precision = qBound(1, precision, 18);
    const QChar point = settings.DecimalSeparator;
    if (format == TRpFloatFormat::General)
        return GeneralText(value, precision, point);
    DecimalDigits d = ToDigits(value, precision);
    if (format == TRpFloatFormat::Exponent)
        return ScientificText(d, precision, false, true, qBound(0, digits, 4), point);
    if (d.exponent > precision)
        return GeneralText(value, precision, point);
    digits = qBound(0, digits, 18);
    RoundDigits(d, d.exponent + digits);
    const bool negative = d.negative && !d.digits.isEmpty();
    QString integerDigits = IntegerPart(d);
    if (format != TRpFloatFormat::Fixed)
        integerDigits = Grouped(integerDigits, settings.ThousandSeparator);
    QString amount = integerDigits;
    if (digits > 0)
        amount += point + FractionPart(d, digits);
    if (format == TRpFloatFormat::Currency)
        return CurrencyText(amount, negative, settings);
    return negative ? u'-' + amount : amount;
}

QString CurrencyToText(qint64 tenThousandths, const TRpFormatSettings &settings)
{
    const int decimals = qBound(0, settings.CurrencyDecimals, 18);
    const int kept = qMin(decimals, 4);  // decimals the value has; the rest are zeros
    const bool negative = tenThousandths < 0;
    const quint64 magnitude = negative ? 0 - quint64(tenThousandths) : quint64(tenThousandths);
    quint64 dropped = 1;  // 10 ^ (4 - kept)
    for (int i = kept; i < 4; ++i)
        dropped *= 10;
    // Half up on the digits that go, as the float path rounds.
    const quint64 units = magnitude / dropped + (magnitude % dropped * 2 >= dropped && dropped > 1 ? 1 : 0);
    quint64 unit = 1;  // 10 ^ kept
    for (int i = 0; i < kept; ++i)
        unit *= 10;
    QString amount = Grouped(QString::number(units / unit), settings.ThousandSeparator);
    if (decimals > 0)
        amount += settings.DecimalSeparator + QString::number(units % unit).rightJustified(kept, u'0')
                  + QString(decimals - kept, u'0');
    return CurrencyText(amount, negative && units != 0, settings);
}

std::optional<TRpFloat> TryTextToFloat(const QString &text, QChar decimalSeparator)
{
    const QString trimmed = text.trimmed();
    std::string ascii;
    ascii.reserve(trimmed.size());
    int i = 0;
    const int n = trimmed.size();
    auto digitsAt = [&](int from) {
        int end = from;
        while (end < n && trimmed.at(end) >= u'0' && trimmed.at(end) <= u'9')
            ++end;
        return end - from;
    };
    if (i < n && (trimmed.at(i) == u'+' || trimmed.at(i) == u'-')) {
        if (trimmed.at(i) == u'-')
            ascii += '-';
        ++i;
    }
    int mantissaDigits = digitsAt(i);
    ascii += trimmed.mid(i, mantissaDigits).toStdString();
    i += mantissaDigits;
    if (i < n && trimmed.at(i) == decimalSeparator) {
        ++i;
        const int fraction = digitsAt(i);
        ascii += '.';
        ascii += trimmed.mid(i, fraction).toStdString();
        i += fraction;
        mantissaDigits += fraction;
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < n && (trimmed.at(i) == u'e' || trimmed.at(i) == u'E')) {
        ascii += 'e';
        ++i;
        if (i < n && (trimmed.at(i) == u'+' || trimmed.at(i) == u'-'))
            ascii += char(trimmed.at(i++).unicode());
        const int exponentDigits = digitsAt(i);
        if (exponentDigits == 0)
            return std::nullopt;
        ascii += trimmed.mid(i, exponentDigits).toStdString();
        i += exponentDigits;
    }
    if (i != n)
        return std::nullopt;
    TRpFloat value = 0;
    const char *first = ascii.data();
    if (*first == '-')
        ++first;
    auto [end, ec] = std::from_chars(first, ascii.data() + ascii.size(), value,
                                     std::chars_format::general);
    if (ec != std::errc() || end != ascii.data() + ascii.size())
        return std::nullopt;
    return ascii.front() == '-' ? -value : value;
}

TRpFloat TextToFloat(const QString &text, QChar decimalSeparator)
{
    if (auto value = TryTextToFloat(text, decimalSeparator))
        return *value;
    throw EConvertError(u'\'' + text + u"' is not a valid floating point value"_qs);
}

qint64 TextToInteger(const QString &text)
{
    bool ok = false;
    const QString trimmed = text.trimmed();
    qint64 value = 0;
    // toLongLong would also take "0x1F"; only decimal digits are an integer.
    static const QString allowed = QStringLiteral("+-0123456789");
    bool onlyDigits = !trimmed.isEmpty();
    for (QChar c : trimmed)
        onlyDigits = onlyDigits && allowed.contains(c);
    if (onlyDigits)
        value = trimmed.toLongLong(&ok, 10);
    if (!ok)
        throw EConvertError(u'\'' + text + u"' is not a valid integer value"_qs);
    return value;
}

// --- float pictures ----------------------------------------------------------

namespace {

QStringList SplitPictureSections(const QString &picture)
{
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : picture) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u';') {
            sections << current;
            current.clear();
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

struct PictureSection {
    QString prefix, suffix;
    // The placeholders ("0", "#") and the literal texts between them, before
    // and after the point; only filled when a literal stands between placeholders.
    struct Item {
        bool placeholder;
        QString text;
    };
    std::vector<Item> integerItems, fractionItems;
    bool innerLiterals = false;
    int integerZeros = 0;      // "0" placeholders before the point
    int fractionZeros = 0;     // "0" placeholders after the point
    int fractionPlaces = 0;    // all placeholders after the point
    bool thousands = false;
    bool scientific = false;
    bool exponentSign = false;  // "E+" writes "+" for positive exponents
    int exponentDigits = 0;
};

PictureSection ReadPictureSection(const QString &section)
{
    PictureSection p;
    bool seenPlaceholder = false, seenPoint = false;
    QString literal;
    for (int i = 0; i < section.size(); ++i) {
        const QChar c = section.at(i);
        if (c == u'"' || c == u'\'') {
            const int close = section.indexOf(c, i + 1);
            const int end = close < 0 ? section.size() : close;
            literal += section.mid(i + 1, end - i - 1);
            i = end;
        } else if ((c == u'E' || c == u'e') && seenPlaceholder && i + 1 < section.size()
                   && (section.at(i + 1) == u'+' || section.at(i + 1) == u'-')) {
            p.scientific = true;
            p.exponentSign = section.at(i + 1) == u'+';
            i += 2;
            while (i < section.size() && section.at(i) == u'0') {
                ++p.exponentDigits;
                ++i;
            }
            --i;
        } else if (c == u'0' || c == u'#') {
            auto &items = seenPoint ? p.fractionItems : p.integerItems;
            if (!seenPlaceholder) {
                p.prefix = literal;
            } else if (!literal.isEmpty()) {
                items.push_back({false, literal});
                p.innerLiterals = true;
            }
            items.push_back({true, QString(c)});
            literal.clear();
            seenPlaceholder = true;
            if (seenPoint) {
                ++p.fractionPlaces;
                if (c == u'0')
                    p.fractionZeros = p.fractionPlaces;
            } else if (c == u'0' || p.integerZeros > 0) {
                ++p.integerZeros;
            }
        } else if (c == u'.' && !seenPoint && !p.scientific) {
            seenPoint = true;
            if (!seenPlaceholder) {
                p.prefix = literal;
                literal.clear();
                seenPlaceholder = true;
            } else if (!literal.isEmpty()) {
                p.integerItems.push_back({false, literal});
                p.innerLiterals = true;
                literal.clear();
            }
        } else if (c == u',' && !seenPoint) {
            p.thousands = true;
        } else {
            literal += c;
        }
    }
    if (seenPlaceholder)
        p.suffix = literal;
    else
        p.prefix = literal;
    return p;
}

// Integer digits laid into the placeholders from the right, literals where
// the picture has them: "0-00" writes 123 as 1-23; digits beyond the
// placeholders go with the first one.
QString LayIntegerDigits(const PictureSection &p, const QString &digits, const TRpFormatSettings &s)
{
    int placeholders = 0;
    for (const auto &item : p.integerItems)
        placeholders += item.placeholder ? 1 : 0;
    const int count = int(digits.size());
    QString text;
    int index = 0;  // placeholder number, from the left
    int next = 0;   // next digit to write
    const auto writeDigitsUpTo = [&](int end) {
        for (; next < end; ++next) {
            text += digits.at(next);
            const int remaining = count - 1 - next;
            if (p.thousands && remaining > 0 && remaining % 3 == 0)
                text += s.ThousandSeparator;
        }
    };
    for (const auto &item : p.integerItems) {
        if (!item.placeholder) {
            text += item.text;
            continue;
        }
        writeDigitsUpTo(qMax(next, count - placeholders + index + 1));
        ++index;
    }
    return text;
}

// Fraction digits laid into the placeholders from the left, literals where
// the picture has them.
QString LayFractionDigits(const PictureSection &p, const QString &digits)
{
    QString text;
    int next = 0;
    for (const auto &item : p.fractionItems) {
        if (!item.placeholder)
            text += item.text;
        else if (next < digits.size())
            text += digits.at(next++);
    }
    return text;
}

QString FormatWithSection(const PictureSection &p, TRpFloat value, bool writeSign,
                          const TRpFormatSettings &s)
{
    DecimalDigits d = ToDigits(value, 18);
    QString number;
    int exponent = 0;
    if (p.scientific && !d.digits.isEmpty()) {
        const int integerDigits = qMax(1, p.integerZeros);
        exponent = d.exponent - integerDigits;
        d.exponent = integerDigits;
    }
    RoundDigits(d, d.exponent + p.fractionPlaces);
    QString integerDigits;
    for (int i = 0; i < d.exponent; ++i)
        integerDigits += DigitAt(d, i);
    if (integerDigits.size() < p.integerZeros)
        integerDigits = integerDigits.rightJustified(p.integerZeros, u'0');
    QString fraction = FractionPart(d, p.fractionPlaces);
    while (fraction.size() > p.fractionZeros && fraction.endsWith(u'0'))
        fraction.chop(1);
    if (p.innerLiterals && !p.scientific) {
        number = LayIntegerDigits(p, integerDigits, s);
        if (!fraction.isEmpty())
            number += s.DecimalSeparator + LayFractionDigits(p, fraction);
    } else {
        number = p.thousands ? Grouped(integerDigits, s.ThousandSeparator) : integerDigits;
        if (!fraction.isEmpty())
            number += s.DecimalSeparator + fraction;
    }
    if (p.scientific) {
        number += u'E';
        if (exponent < 0)
            number += u'-';
        else if (p.exponentSign)
            number += u'+';
        number += QString::number(std::abs(exponent)).rightJustified(p.exponentDigits, u'0');
    }
    const bool negative = writeSign && d.negative && !d.digits.isEmpty();
    return p.prefix + (negative ? QStringLiteral("-") : QString()) + number + p.suffix;
}

} // namespace

QString FormatFloatPicture(const QString &picture, TRpFloat value, const TRpFormatSettings &settings)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    const QStringList sections = SplitPictureSections(picture);
    if (picture.isEmpty())
        return GeneralText(value, 15, settings.DecimalSeparator);
    if (value == 0 && sections.size() >= 3 && !sections.at(2).isEmpty())
        return FormatWithSection(ReadPictureSection(sections.at(2)), 0, false, settings);
    if (value < 0 && sections.size() >= 2 && !sections.at(1).isEmpty())
        return FormatWithSection(ReadPictureSection(sections.at(1)), -value, false, settings);
    return FormatWithSection(ReadPictureSection(sections.at(0)), value, true, settings);
}

// --- dates -------------------------------------------------------------------

static qint64 JulianDayOfDayZero()
{
    static const qint64 dayZero = QDate(1899, 12, 30).toJulianDay();
    return dayZero;
}

bool IsValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && QDate::isValid(year, month, day);
}

TRpDateTime EncodeDate(int year, int month, int day)
{
    if (!IsValidDate(year, month, day))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return TRpDateTime(QDate(year, month, day).toJulianDay() - JulianDayOfDayZero());
}

TRpDateTime EncodeTime(int hour, int minute, int second, int millisecond)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59
        || millisecond < 0 || millisecond > 999)
        throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / 86400000.0;
}

TRpDateParts DecodeDateTime(TRpDateTime value)
{
    constexpr qint64 msPerDay = 86400000;
    // Day counts of the years 1 to 9999; anything else has no date.
    if (!(value > -693594.0 && value < 2958466.0))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    qint64 day = 0, msOfDay = 0;
    if (value >= 0) {
        const qint64 total = std::llround(value * msPerDay);
        day = total / msPerDay;
        msOfDay = total % msPerDay;
    } else {
        // Negative counts keep the time as a positive fraction of the day.
        day = qint64(std::trunc(value));
        msOfDay = qMin(std::llround(std::fabs(value - day) * msPerDay), msPerDay - 1);
    }
    const QDate date = QDate::fromJulianDay(day + JulianDayOfDayZero());
    TRpDateParts parts;
    parts.year = date.year();
    parts.month = date.month();
    parts.day = date.day();
    parts.hour = int(msOfDay / 3600000);
    parts.minute = int(msOfDay / 60000 % 60);
    parts.second = int(msOfDay / 1000 % 60);
    parts.millisecond = int(msOfDay % 1000);
    return parts;
}

int DayOfWeek(TRpDateTime value)
{
    const TRpDateParts p = DecodeDateTime(value);
    return QDate(p.year, p.month, p.day).dayOfWeek() % 7;
}

QString CanonicalDate(TRpDateTime value)
{
    const TRpDateParts p = DecodeDateTime(value);
    return QString::asprintf("{%04d-%02d-%02d}", p.year, p.month, p.day);
}

QString CanonicalDateTime(TRpDateTime value)
{
    const TRpDateParts p = DecodeDateTime(value);
    return QString::asprintf("{%04d-%02d-%02d,%02d:%02d:%02d:%03d}", p.year, p.month, p.day,
                             p.hour, p.minute, p.second, p.millisecond);
}

QString DateToStr(TRpDateTime value, const TRpFormatSettings &settings)
{
    const TRpDateParts p = DecodeDateTime(value);
    return QDate(p.year, p.month, p.day).toString(settings.ShortDateFormat);
}

QString TimeToStr(TRpDateTime value, const TRpFormatSettings &settings)
{
    const TRpDateParts p = DecodeDateTime(value);
    return QTime(p.hour, p.minute, p.second, p.millisecond).toString(settings.LongTimeFormat);
}

QString DateTimeToStr(TRpDateTime value, const TRpFormatSettings &settings)
{
    return DateToStr(value, settings) + u' ' + TimeToStr(value, settings);
}

namespace {

// The numbers of a text and whether only single separators stand between.
struct NumberGroups {
    QList<int> numbers;
    QList<int> widths;
    bool wellFormed = true;
};

NumberGroups ReadNumberGroups(const QString &text, const QString &separators)
{
    NumberGroups groups;
    int i = 0;
    const int n = text.size();
    while (i < n) {
        int start = i;
        while (i < n && text.at(i) >= u'0' && text.at(i) <= u'9')
            ++i;
        if (i == start || i - start > 9) {
            groups.wellFormed = false;
            return groups;
        }
        groups.numbers << text.mid(start, i - start).toInt();
        groups.widths << i - start;
        if (i < n) {
            if (!separators.contains(text.at(i)) || i + 1 == n) {
                groups.wellFormed = false;
                return groups;
            }
            ++i;
        }
    }
    return groups;
}

int ExpandYear(int year, int width)
{
    if (width > 2)
        return year;
    const int thisYear = QDate::currentDate().year();
    int full = thisYear / 100 * 100 + year;
    if (full > thisYear + 50)
        full -= 100;
    return full;
}

bool TryReadDate(const QString &text, const TRpFormatSettings &s, TRpDateTime &result)
{
    const NumberGroups g = ReadNumberGroups(text, QStringLiteral("./-"));
    if (!g.wellFormed || g.numbers.size() != 3)
        return false;
    const QString f = s.ShortDateFormat;
    const int dayAt = f.indexOf(u'd'), monthAt = f.indexOf(u'M'), yearAt = f.indexOf(u'y');
    QList<QPair<int, char>> order{{dayAt, 'd'}, {monthAt, 'M'}, {yearAt, 'y'}};
    std::sort(order.begin(), order.end());
    int day = 0, month = 0, year = 0;
    for (int k = 0; k < 3; ++k) {
        switch (order[k].second) {
        case 'd': day = g.numbers[k]; break;
        case 'M': month = g.numbers[k]; break;
        default: year = ExpandYear(g.numbers[k], g.widths[k]); break;
        }
    }
    if (!IsValidDate(year, month, day))
        return false;
    result = EncodeDate(year, month, day);
    return true;
}

bool TryReadTime(const QString &text, TRpDateTime &result)
{
    QString main = text;
    int millisecond = 0;
    const int dot = text.indexOf(u'.');
    if (dot >= 0) {
        bool ok = false;
        main = text.left(dot);
        millisecond = text.mid(dot + 1).toInt(&ok);
        if (!ok || text.size() - dot - 1 > 3)
            return false;
    }
    const NumberGroups g = ReadNumberGroups(main, QStringLiteral(":"));
    if (!g.wellFormed || g.numbers.size() < 2 || g.numbers.size() > 3)
        return false;
    const int second = g.numbers.size() == 3 ? g.numbers[2] : 0;
    if (g.numbers[0] > 23 || g.numbers[1] > 59 || second > 59)
        return false;
    result = EncodeTime(g.numbers[0], g.numbers[1], second, millisecond);
    return true;
}

[[noreturn]] void ThrowNotValid(const QString &text, const char *what)
{
    throw EConvertError(u'\'' + text + u"' is not a valid "_qs + QLatin1String(what));
}

} // namespace

TRpDateTime StrToDate(const QString &text, const TRpFormatSettings &settings)
{
    TRpDateTime result = 0;
    if (!TryReadDate(text.trimmed(), settings, result))
        ThrowNotValid(text, "date");
    return result;
}

TRpDateTime StrToTime(const QString &text, const TRpFormatSettings &settings)
{
    Q_UNUSED(settings);
    TRpDateTime result = 0;
    if (!TryReadTime(text.trimmed(), result))
        ThrowNotValid(text, "time");
    return result;
}

TRpDateTime StrToDateTime(const QString &text, const TRpFormatSettings &settings)
{
    const QString trimmed = text.trimmed();
    const int blank = trimmed.indexOf(u' ');
    TRpDateTime date = 0, time = 0;
    const QString datePart = blank < 0 ? trimmed : trimmed.left(blank);
    const QString timePart = blank < 0 ? QString() : trimmed.mid(blank + 1).trimmed();
    if (!TryReadDate(datePart, settings, date) || (!timePart.isEmpty() && !TryReadTime(timePart, time)))
        ThrowNotValid(text, "date and time");
    return date + time;
}

// --- date-time pictures ------------------------------------------------------

namespace {

QChar SeparatorOf(const QString &format, QChar fallback)
{
    for (QChar c : format)
        if (!c.isLetter() && c != u'\'')
            return c;
    return fallback;
}

int RunLength(const QString &text, int from, QChar letter)
{
    int end = from;
    while (end < text.size() && text.at(end).toLower() == letter)
        ++end;
    return end - from;
}

} // namespace

QString FormatDateTimePicture(const QString &picture, TRpDateTime value, const TRpFormatSettings &s)
{
    const TRpDateParts p = DecodeDateTime(value);
    auto two = [](int n) { return QString::number(n).rightJustified(2, u'0'); };
    QString out;
    bool lastWasHour = false;
    for (int i = 0; i < picture.size();) {
        const QChar c = picture.at(i);
        const QChar lower = c.toLower();
        if (c == u'"' || c == u'\'') {
            const int close = picture.indexOf(c, i + 1);
            const int end = close < 0 ? picture.size() : close;
            out += picture.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        const int run = RunLength(picture, i, lower);
        bool isHour = false;
        switch (lower.unicode()) {
        case 'y':
            out += run <= 2 ? two(p.year % 100) : QString::number(p.year).rightJustified(4, u'0');
            break;
        case 'm':
            if (lastWasHour && run <= 2)
                out += run == 1 ? QString::number(p.minute) : two(p.minute);
            else if (run == 1)
                out += QString::number(p.month);
            else if (run == 2)
                out += two(p.month);
            else if (run == 3)
                out += s.ShortMonthNames.value(p.month - 1);
            else
                out += s.LongMonthNames.value(p.month - 1);
            break;
        case 'd':
            if (run == 1)
                out += QString::number(p.day);
            else if (run == 2)
                out += two(p.day);
            else if (run == 3)
                out += s.ShortDayNames.value(DayOfWeek(value));
            else if (run == 4)
                out += s.LongDayNames.value(DayOfWeek(value));
            else
                out += DateToStr(value, s);
            break;
        case 'h':
            out += run == 1 ? QString::number(p.hour) : two(p.hour);
            isHour = true;
            break;
        case 'n':
            out += run == 1 ? QString::number(p.minute) : two(p.minute);
            break;
        case 's':
            out += run == 1 ? QString::number(p.second) : two(p.second);
            break;
        case 'z':
            out += run < 3 ? QString::number(p.millisecond)
                           : QString::number(p.millisecond).rightJustified(3, u'0');
            break;
        case 'c':
            out += DateTimeToStr(value, s);
            break;
        case '/':
            out += QString(SeparatorOf(s.ShortDateFormat, u'/')).repeated(run);
            break;
        case ':':
            out += QString(SeparatorOf(s.LongTimeFormat, u':')).repeated(run);
            break;
        default:
            out += picture.mid(i, run);
            break;
        }
        // "m" right after an hour (separators between) means minutes.
        if (lower.isLetter())
            lastWasHour = isHour;
        i += run;
    }
    return out;
}

} // namespace rtfreport
