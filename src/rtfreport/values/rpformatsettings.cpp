#include "rpformatsettings.h"

#include <QDate>
#include <QTime>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

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

// ASCII digits of a number text. Number texts are short, so these live on
// the stack; only a picture with very many placeholders spills to the heap.
using DigitText = QVarLengthArray<char, 32>;

std::string_view View(const DigitText &digits)
{
    return {digits.constData(), size_t(digits.size())};
}

// A text assembled on the stack and made a QString once, so that a number
// or date text costs one allocation: its result. Or assembled in a
// caller's scratch text, which costs none.
class TextBuilder {
public:
    TextBuilder() : m_chars(m_own) {}
    explicit TextBuilder(TRpTextScratch &target) : m_chars(target) {}
    TextBuilder(const TextBuilder &) = delete;
    TextBuilder &operator=(const TextBuilder &) = delete;

    void Add(QChar c) { m_chars.append(c); }
    void Add(QStringView text) { m_chars.append(text.data(), text.size()); }
    void AddAscii(char c) { m_chars.append(QLatin1Char(c)); }
    void AddAscii(std::string_view ascii)
    {
        const qsizetype at = m_chars.size();
        m_chars.resize(at + qsizetype(ascii.size()));
        std::transform(ascii.begin(), ascii.end(), m_chars.data() + at, [](char c) { return QLatin1Char(c); });
    }
    qsizetype Size() const { return m_chars.size(); }
    void Truncate(qsizetype size) { m_chars.resize(size); }
    QStringView View() const { return QStringView(m_chars.constData(), m_chars.size()); }
    QString ToString() const { return View().toString(); }

private:
    TRpTextScratch m_own;
    TRpTextScratch &m_chars;
};

// A number's decimal digits, kept on the stack.
class DecimalText {
public:
    explicit DecimalText(quint64 value)
        : m_count(size_t(std::to_chars(m_digits, m_digits + sizeof m_digits, value).ptr - m_digits))
    {
    }
    std::string_view View() const { return {m_digits, m_count}; }

private:
    char m_digits[20];  // the digits of 2^64 - 1
    size_t m_count;
};

// The value's decimal digits, with zeros in front up to `width` digits.
void AppendPadded(TextBuilder &out, quint64 value, int width)
{
    const DecimalText text(value);
    const std::string_view digits = text.View();
    for (qsizetype i = qsizetype(digits.size()); i < width; ++i)
        out.AddAscii('0');
    out.AddAscii(digits);
}

// Digits with the separator between groups of three from the right.
void AppendGrouped(TextBuilder &out, std::string_view digits, QChar separator)
{
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out.Add(separator);
        out.AddAscii(digits[i]);
    }
}

// "E", the exponent's sign ("+" only when asked for) and its digits, with
// zeros in front up to `digits`.
void AppendExponent(TextBuilder &out, int exponent, bool plusSign, int digits)
{
    out.AddAscii('E');
    if (exponent < 0)
        out.AddAscii('-');
    else if (plusSign)
        out.AddAscii('+');
    AppendPadded(out, quint64(std::abs(exponent)), digits);
}

// A finite value as decimal digits: value = 0.digits × 10^exponent.
struct DecimalDigits {
    bool negative = false;
    std::array<char, 24> digits{};  // ASCII; no leading zeros
    int count = 0;                  // 0 for zero
    int exponent = 0;

    bool IsZero() const { return count == 0; }
    // Digit `index` of the infinite expansion: zeros on either side.
    char At(int index) const { return index >= 0 && index < count ? digits[index] : '0'; }
    void DropTrailingZeros()
    {
        while (count > 0 && digits[count - 1] == '0')
            --count;
    }
};

// Digits from..from+count of the expansion.
DigitText DigitRange(const DecimalDigits &d, int from, int count)
{
    DigitText text;
    for (int i = 0; i < count; ++i)
        text.append(d.At(from + i));
    return text;
}

// The digits before the point, "0" when there are none.
DigitText IntegerDigits(const DecimalDigits &d)
{
    if (d.exponent > 0)
        return DigitRange(d, 0, d.exponent);
    DigitText zero;
    zero.append('0');
    return zero;
}

DigitText FractionDigits(const DecimalDigits &d, int decimals)
{
    return DigitRange(d, d.exponent, decimals);
}

constexpr std::array<quint64, 20> PowersOfTen = [] {
    std::array<quint64, 20> powers{};
    quint64 power = 1;
    for (quint64 &p : powers) {
        p = power;
        power *= 10;
    }
    return powers;
}();

// floor(log10(value)) for 1 <= value < 2^63 whose frexp exponent is
// binaryExponent, without the cost of log10: value lies in
// [2^(binaryExponent-1), 2^binaryExponent), which fixes the result within
// one, and powers of ten up to 10^19 are exact in extended precision.
int DecimalExponent(TRpFloat value, int binaryExponent)
{
    constexpr double Log10Of2 = 0.30102999566398120;
    const int exponent = int((binaryExponent - 1) * Log10Of2);
    return value >= TRpFloat(PowersOfTen[exponent + 1]) ? exponent + 1 : exponent;
}

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
        int power = 18 - DecimalExponent(value, binaryExponent);   // value * 10^power has 19 digits
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (power < 0 || power > 19 || shift <= 0 || shift >= 64)
                return std::nullopt;
            const unsigned __int128 product = (unsigned __int128)mantissa * PowersOfTen[power];
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

// The 19 significant digits of the binary value, as the text conversion
// writes them, into d.
void ReadScientificDigits(TRpFloat magnitude, DecimalDigits &d)
{
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, 18).ptr;
    const char *c = text;
    for (; c != end && *c != 'e'; ++c)
        if (*c != '.' && d.count < int(d.digits.size()))
            d.digits[d.count++] = *c;
    // "e+12" or "e-7"; from_chars reads no plus sign.
    if (c != end && *++c == '+')
        ++c;
    int exponent = 0;
    std::from_chars(c, end, exponent);
    d.exponent = exponent + 1;
}

// Keeps `keep` digits, rounding the rest half up; may carry into a new
// leading digit.
void RoundDigits(DecimalDigits &d, int keep)
{
    if (keep >= d.count)
        return;
    if (keep < 0) {
        d.count = 0;
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.count = keep;
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9') {
            d.digits[i] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[i];
        } else {  // all nines: 0.999 rounds to 1, one place up
            d.digits[0] = '1';
            d.count = 1;
            ++d.exponent;
        }
    }
    d.DropTrailingZeros();
    if (d.IsZero())
        d.exponent = 0;
}

// The value's digits rounded half up to `significant` digits, as decimal
// arithmetic would (2.5 keeps its tie and rounds up). The binary value is
// first written with all the digits extended precision holds.
DecimalDigits ToDigits(TRpFloat value, int significant)
{
    DecimalDigits result;
    result.negative = std::signbit(value);
    if (value == 0)
        return result;
    int exponent10 = 0;
    if (const auto digits = NineteenDigits(std::fabs(value), exponent10)) {
        char *first = result.digits.data();
        result.count = int(std::to_chars(first, first + result.digits.size(), *digits).ptr - first);
        result.exponent = exponent10 + 1;
    } else {
        ReadScientificDigits(std::fabs(value), result);
    }
    RoundDigits(result, significant);
    result.DropTrailingZeros();
    return result;
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
    DigitText mantissa = DigitRange(d, 0, mantissaDigits);
    if (trimZeros)
        while (mantissa.size() > 1 && mantissa.back() == '0')
            mantissa.removeLast();
    TextBuilder text;
    if (d.negative && !d.IsZero())
        text.AddAscii('-');
    if (!mantissa.isEmpty())
        text.AddAscii(mantissa.front());
    if (mantissa.size() > 1) {
        text.Add(point);
        text.AddAscii(View(mantissa).substr(1));
    }
    AppendExponent(text, d.IsZero() ? 0 : d.exponent - 1, exponentSign, exponentDigits);
    return text.ToString();
}

QString GeneralText(TRpFloat value, int precision, QChar point)
{
    const DecimalDigits d = ToDigits(value, precision);
    if (d.IsZero())
        return QStringLiteral("0");
    if (d.exponent > precision || d.exponent < -4)
        return ScientificText(d, precision, true, false, 0, point);
    TextBuilder text;
    if (d.negative)
        text.AddAscii('-');
    text.AddAscii(View(IntegerDigits(d)));
    const int decimals = d.count - d.exponent;
    if (decimals > 0) {
        text.Add(point);
        text.AddAscii(View(FractionDigits(d, decimals)));
    }
    return text.ToString();
}

// The amount placed in the settings' currency form: "$" stands for the
// currency string, "1" for the amount.
void AddCurrencyForm(TextBuilder &out, QStringView amount, bool negative, const TRpFormatSettings &s)
{
    static const char *const positive[] = {"$1", "1$", "$ 1", "1 $"};
    static const char *const negativeForms[] = {
        "($1)", "-$1", "$-1", "$1-", "(1$)", "-1$", "1-$", "1$-",
        "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
    const std::string_view form = negative ? negativeForms[qBound(0, s.NegCurrFormat, 15)]
                                           : positive[qBound(0, s.CurrencyFormat, 3)];
    for (char c : form) {
        if (c == '$')
            out.Add(s.CurrencyString);
        else if (c == '1')
            out.Add(amount);
        else
            out.AddAscii(c);
    }
}

QString CurrencyText(QStringView amount, bool negative, const TRpFormatSettings &s)
{
    TextBuilder text;
    AddCurrencyForm(text, amount, negative, s);
    return text.ToString();
}

// An unsigned number text as from_chars reads it ("12.5", "1e-3") whose
// digits and power of ten are both exact in extended precision: at most 19
// significant digits and a power within 10^±27. One division or
// multiplication then rounds once to the nearest value, as from_chars does,
// at a fraction of its cost. Nothing for any other text.
constexpr int MaxExactPower = 27;  // 5^27 < 2^64

// mantissa x 10^power read exactly, as one rounding of a product or quotient
// of two exactly held numbers; nothing when the power is out of that range.
std::optional<TRpFloat> ScaledExactly(quint64 mantissa, int power)
{
    static constexpr std::array<TRpFloat, MaxExactPower + 1> powers = [] {
        std::array<TRpFloat, MaxExactPower + 1> p{};
        TRpFloat each = 1;
        for (TRpFloat &entry : p) {
            entry = each;
            each *= 10;
        }
        return p;
    }();
    if (power < -MaxExactPower || power > MaxExactPower)
        return std::nullopt;
    const TRpFloat digits = TRpFloat(mantissa);
    return power < 0 ? digits / powers[-power] : digits * powers[power];
}

std::optional<TRpFloat> ReadExactDecimal(std::string_view number)
{
    constexpr int MaxDigits = 19;  // below 2^64
    constexpr int MaxPower = MaxExactPower;
    quint64 mantissa = 0;
    int significantDigits = 0;
    int power = 0;  // number = mantissa × 10^power
    bool afterPoint = false;
    size_t i = 0;
    for (; i < number.size() && number[i] != 'e'; ++i) {
        if (number[i] == '.') {
            afterPoint = true;
            continue;
        }
        if (mantissa != 0 || number[i] != '0')
            ++significantDigits;
        if (significantDigits > MaxDigits)
            return std::nullopt;
        mantissa = mantissa * 10 + quint64(number[i] - '0');
        if (afterPoint)
            --power;
    }
    if (i < number.size()) {
        const char *first = number.data() + i + 1;
        const char *last = number.data() + number.size();
        first += *first == '+' ? 1 : 0;  // from_chars reads no plus sign
        int exponent = 0;
        const auto [end, ec] = std::from_chars(first, last, exponent);
        if (ec != std::errc() || end != last)
            return std::nullopt;
        // Bounded so that the sum cannot overflow; out of range either way.
        power += qBound(-2 * MaxPower, exponent, 2 * MaxPower);
    }
    return ScaledExactly(mantissa, power);
}

// The canonical value of most numbers (amounts and their totals) without
// their digits: scaled to 15 integer digits by one exact power of ten, the
// value rounds to the same whole number as its digits do, unless its
// fraction is near one half. The product is off by at most 2^-14 and the
// digits are rounded to 19 places before 15, so a margin of 0.01 around the
// tie leaves both roundings alike. Nothing near a tie or outside the range.
std::optional<TRpFloat> CanonicalValueByScaling(TRpFloat value)
{
    const TRpFloat magnitude = std::fabs(value);
    if (!(magnitude >= 1e-5L && magnitude < 1e15L))
        return std::nullopt;
    static constexpr std::array<TRpFloat, 20> lowestWithScale = [] {
        std::array<TRpFloat, 20> bounds{};  // 10^(14 - scale)
        TRpFloat bound = 1e14L;
        for (TRpFloat &entry : bounds) {
            entry = bound;
            bound /= 10;
        }
        return bounds;
    }();
    int scale = 0;
    while (scale < 19 && magnitude < lowestWithScale[size_t(scale)])
        ++scale;
    const std::optional<TRpFloat> power = ScaledExactly(1, scale);
    const TRpFloat scaled = magnitude * *power;
    if (!(scaled > 1e14L && scaled < 1e15L - 1))
        return std::nullopt;  // near a power of ten: the digits decide
    const TRpFloat whole = std::floor(scaled);
    const TRpFloat fraction = scaled - whole;
    if (std::fabs(fraction - 0.5L) < 0.01L)
        return std::nullopt;
    const auto read = ScaledExactly(quint64(whole) + (fraction > 0.5L ? 1 : 0), -scale);
    return std::signbit(value) ? -*read : *read;
}

} // namespace

QString FloatToCanonical(TRpFloat value)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    return GeneralText(value, 15, u'.');
}

std::optional<TRpFloat> CanonicalValue(TRpFloat value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    if (const auto quick = CanonicalValueByScaling(value))
        return quick;
    // The text holds these digits; reading it gives digits x 10^power.
    const DecimalDigits d = ToDigits(value, 15);
    if (d.IsZero())
        return TRpFloat(0);
    quint64 mantissa = 0;  // at most 15 digits
    for (int i = 0; i < d.count; ++i)
        mantissa = mantissa * 10 + quint64(d.digits[i] - '0');
    const auto read = ScaledExactly(mantissa, d.exponent - d.count);
    if (!read)
        return std::nullopt;
    return d.negative ? -*read : *read;
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
    const bool negative = d.negative && !d.IsZero();
    TextBuilder text;
    if (negative && format != TRpFloatFormat::Currency)
        text.AddAscii('-');
    if (format == TRpFloatFormat::Fixed)
        text.AddAscii(View(IntegerDigits(d)));
    else
        AppendGrouped(text, View(IntegerDigits(d)), settings.ThousandSeparator);
    if (digits > 0) {
        text.Add(point);
        text.AddAscii(View(FractionDigits(d, digits)));
    }
    if (format == TRpFloatFormat::Currency)
        return CurrencyText(text.View(), negative, settings);
    return text.ToString();
}

void AppendCurrencyText(TRpTextScratch &out, qint64 tenThousandths, const TRpFormatSettings &settings)
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
    TextBuilder amount;
    AppendGrouped(amount, DecimalText(units / unit).View(), settings.ThousandSeparator);
    if (decimals > 0) {
        amount.Add(settings.DecimalSeparator);
        AppendPadded(amount, units % unit, kept);
        for (int i = kept; i < decimals; ++i)
            amount.AddAscii('0');
    }
    TextBuilder text(out);
    AddCurrencyForm(text, amount.View(), negative && units != 0, settings);
}

QString CurrencyToText(qint64 tenThousandths, const TRpFormatSettings &settings)
{
    TRpTextScratch text;
    AppendCurrencyText(text, tenThousandths, settings);
    return QString(text.constData(), text.size());
}

namespace {

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool ReadsGroups(QChar thousandSeparator, QChar decimalSeparator)
{
    return !thousandSeparator.isNull() && thousandSeparator != decimalSeparator && thousandSeparator != u'.'
           && !IsAsciiDigit(thousandSeparator) && thousandSeparator != u'+' && thousandSeparator != u'-';
}

// The trimmed text with the separators of its grouped whole part taken out
// ("-1 234 567,89" -> "-1234567,89"); the text as it is when they stand
// anywhere else, so that it reads as it would without groups.
QString WithoutGroupSeparators(const QString &text, QChar separator)
{
    const QStringView trimmed = QStringView(text).trimmed();
    const qsizetype n = trimmed.size();
    qsizetype i = 0;
    const auto skipDigits = [&] {
        const qsizetype from = i;
        while (i < n && IsAsciiDigit(trimmed[i]))
            ++i;
        return i - from;
    };
    if (i < n && (trimmed[i] == u'+' || trimmed[i] == u'-'))
        ++i;
    const qsizetype firstDigit = i;
    const qsizetype firstGroup = skipDigits();
    if (firstGroup == 0 || firstGroup > 3 || trimmed[firstDigit] == u'0' || i == n || trimmed[i] != separator)
        return text;
    while (i < n && trimmed[i] == separator) {
        ++i;
        if (skipDigits() != 3)
            return text;
    }
    QString plain;
    plain.reserve(n);
    for (QChar c : trimmed.left(i))
        if (c != separator)
            plain.append(c);
    plain.append(trimmed.mid(i));
    return plain;
}

std::optional<TRpFloat> TryPlainTextToFloat(const QString &text, QChar decimalSeparator)
{
    const QStringView trimmed = QStringView(text).trimmed();
    const qsizetype n = trimmed.size();
    qsizetype i = 0;
    // The number as from_chars reads it: ASCII, "." as the point, no sign.
    QVarLengthArray<char, 64> ascii;
    const auto copyDigits = [&] {
        const qsizetype from = i;
        for (; i < n && trimmed[i] >= u'0' && trimmed[i] <= u'9'; ++i)
            ascii.append(char(trimmed[i].unicode()));
        return i - from;
    };
    bool negative = false;
    if (i < n && (trimmed[i] == u'+' || trimmed[i] == u'-'))
        negative = trimmed[i++] == u'-';
    qsizetype mantissaDigits = copyDigits();
    if (i < n && trimmed[i] == decimalSeparator) {
        ++i;
        ascii.append('.');
        mantissaDigits += copyDigits();
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < n && (trimmed[i] == u'e' || trimmed[i] == u'E')) {
        ++i;
        ascii.append('e');
        if (i < n && (trimmed[i] == u'+' || trimmed[i] == u'-'))
            ascii.append(char(trimmed[i++].unicode()));
        if (copyDigits() == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    const std::string_view number(ascii.constData(), size_t(ascii.size()));
    std::optional<TRpFloat> value = ReadExactDecimal(number);
    if (!value) {
        TRpFloat read = 0;
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), read,
                                               std::chars_format::general);
        if (ec != std::errc() || end != number.data() + number.size())
            return std::nullopt;
        value = read;
    }
    return negative ? -*value : *value;
}

} // namespace

std::optional<TRpFloat> TryTextToFloat(const QString &text, QChar decimalSeparator, QChar thousandSeparator)
{
    if (ReadsGroups(thousandSeparator, decimalSeparator) && text.contains(thousandSeparator))
        return TryPlainTextToFloat(WithoutGroupSeparators(text, thousandSeparator), decimalSeparator);
    return TryPlainTextToFloat(text, decimalSeparator);
}

TRpFloat TextToFloat(const QString &text, QChar decimalSeparator, QChar thousandSeparator)
{
    if (auto value = TryTextToFloat(text, decimalSeparator, thousandSeparator))
        return *value;
    throw EConvertError(u'\'' + text + u"' is not a valid floating point value"_qs);
}

qint64 TextToInteger(const QString &text, QChar thousandSeparator)
{
    bool ok = false;
    const bool grouped = ReadsGroups(thousandSeparator, QChar()) && text.contains(thousandSeparator);
    const QString trimmed = (grouped ? WithoutGroupSeparators(text, thousandSeparator) : text).trimmed();
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
void AppendLaidIntegerDigits(TextBuilder &out, const PictureSection &p, std::string_view digits,
                             const TRpFormatSettings &s)
{
    int placeholders = 0;
    for (const auto &item : p.integerItems)
        placeholders += item.placeholder ? 1 : 0;
    const int count = int(digits.size());
    int index = 0;  // placeholder number, from the left
    int next = 0;   // next digit to write
    const auto writeDigitsUpTo = [&](int end) {
        for (; next < end; ++next) {
            out.AddAscii(digits[next]);
            const int remaining = count - 1 - next;
            if (p.thousands && remaining > 0 && remaining % 3 == 0)
                out.Add(s.ThousandSeparator);
        }
    };
    for (const auto &item : p.integerItems) {
        if (!item.placeholder) {
            out.Add(item.text);
            continue;
        }
        writeDigitsUpTo(qMax(next, count - placeholders + index + 1));
        ++index;
    }
}

// Fraction digits laid into the placeholders from the left, literals where
// the picture has them.
void AppendLaidFractionDigits(TextBuilder &out, const PictureSection &p, std::string_view digits)
{
    size_t next = 0;
    for (const auto &item : p.fractionItems) {
        if (!item.placeholder)
            out.Add(item.text);
        else if (next < digits.size())
            out.AddAscii(digits[next++]);
    }
}

QString FormatWithSection(const PictureSection &p, TRpFloat value, bool writeSign,
                          const TRpFormatSettings &s)
{
    DecimalDigits d = ToDigits(value, 18);
    int exponent = 0;
    if (p.scientific && !d.IsZero()) {
        const int integerDigits = qMax(1, p.integerZeros);
        exponent = d.exponent - integerDigits;
        d.exponent = integerDigits;
    }
    RoundDigits(d, d.exponent + p.fractionPlaces);
    const int shownIntegerDigits = qMax(0, d.exponent);
    DigitText integerDigits;
    for (int i = shownIntegerDigits; i < p.integerZeros; ++i)
        integerDigits.append('0');
    const DigitText shown = DigitRange(d, 0, shownIntegerDigits);
    integerDigits.append(shown.constData(), shown.size());
    DigitText fraction = FractionDigits(d, p.fractionPlaces);
    while (fraction.size() > p.fractionZeros && fraction.back() == '0')
        fraction.removeLast();

    TextBuilder text;
    text.Add(p.prefix);
    if (writeSign && d.negative && !d.IsZero())
        text.AddAscii('-');
    if (p.innerLiterals && !p.scientific) {
        AppendLaidIntegerDigits(text, p, View(integerDigits), s);
        if (!fraction.isEmpty()) {
            text.Add(s.DecimalSeparator);
            AppendLaidFractionDigits(text, p, View(fraction));
        }
    } else {
        if (p.thousands)
            AppendGrouped(text, View(integerDigits), s.ThousandSeparator);
        else
            text.AddAscii(View(integerDigits));
        if (!fraction.isEmpty()) {
            text.Add(s.DecimalSeparator);
            text.AddAscii(View(fraction));
        }
    }
    if (p.scientific)
        AppendExponent(text, exponent, p.exponentSign, p.exponentDigits);
    text.Add(p.suffix);
    return text.ToString();
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
    constexpr double endOfCalendar = 2958466.0;  // 10000-01-01
    if (!(value > -693594.0 && value < endOfCalendar))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    qint64 day = 0, msOfDay = 0;
    if (value >= 0) {
        // The last half millisecond of 9999-12-31 would round into a year
        // that has no date; it keeps the last millisecond instead.
        const qint64 total = qMin(std::llround(value * msPerDay), qint64(endOfCalendar) * msPerDay - 1);
        day = total / msPerDay;
        msOfDay = total % msPerDay;
    } else {
        // Negative counts keep the time as a positive fraction of the day.
        day = qint64(std::trunc(value));
        msOfDay = qMin(std::llround(std::fabs(value - day) * msPerDay), msPerDay - 1);
    }
    TRpDateParts parts;
    // One calendar computation for all three parts.
    QDate::fromJulianDay(day + JulianDayOfDayZero()).getDate(&parts.year, &parts.month, &parts.day);
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

namespace {

// The value of a numeric field of Qt's date formats, or nothing for a
// letter run that is no such field.
std::optional<int> DateField(QChar letter, qsizetype run, const TRpDateParts &p)
{
    switch (letter.unicode()) {
    case u'd':
        return run <= 2 ? std::optional(p.day) : std::nullopt;
    case u'M':
        return run <= 2 ? std::optional(p.month) : std::nullopt;
    case u'y':
        if (run == 2)
            return p.year % 100;
        return run == 4 ? std::optional(p.year) : std::nullopt;
    default:
        return std::nullopt;
    }
}

// As DateField for Qt's time formats. "h" is the hour of 0 to 23 as long
// as no AM/PM marker stands in the format, which never reaches here.
std::optional<int> TimeField(QChar letter, qsizetype run, const TRpDateParts &p)
{
    switch (letter.unicode()) {
    case u'H':
    case u'h':
        return run <= 2 ? std::optional(p.hour) : std::nullopt;
    case u'm':
        return run <= 2 ? std::optional(p.minute) : std::nullopt;
    case u's':
        return run <= 2 ? std::optional(p.second) : std::nullopt;
    case u'z':
        return run == 3 ? std::optional(p.millisecond) : std::nullopt;
    default:
        return std::nullopt;
    }
}

using FieldReader = std::optional<int> (*)(QChar letter, qsizetype run, const TRpDateParts &p);

// Writes the parts as Qt's toString would when the format holds only
// numeric fields and separators, each field as wide as its letter run
// (d 1, dd 01, yyyy 2021, zzz 005). Returns false, having written nothing,
// for anything else (names, quoted text, AM/PM markers).
bool AppendNumericFields(TextBuilder &out, QStringView format, const TRpDateParts &p, FieldReader field)
{
    const qsizetype start = out.Size();
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        if (c.isLetter() || c == u'\'') {
            const std::optional<int> value = field(c, run, p);
            if (!value) {
                out.Truncate(start);
                return false;
            }
            AppendPadded(out, quint64(*value), int(run));
        } else {
            out.Add(format.mid(i, run));
        }
        i += run;
    }
    return true;
}

// Reports write a date or time for every record: the common numeric
// formats are written here, Qt writes the rest.
void AppendDate(TextBuilder &out, const TRpDateParts &p, const TRpFormatSettings &settings)
{
    if (!AppendNumericFields(out, settings.ShortDateFormat, p, DateField))
        out.Add(QDate(p.year, p.month, p.day).toString(settings.ShortDateFormat));
}

void AppendTime(TextBuilder &out, const TRpDateParts &p, const TRpFormatSettings &settings)
{
    if (!AppendNumericFields(out, settings.LongTimeFormat, p, TimeField))
        out.Add(QTime(p.hour, p.minute, p.second, p.millisecond).toString(settings.LongTimeFormat));
}

} // namespace

void AppendDateText(TRpTextScratch &out, TRpDateTime value, const TRpFormatSettings &settings)
{
    TextBuilder text(out);
    AppendDate(text, DecodeDateTime(value), settings);
}

QString DateToStr(TRpDateTime value, const TRpFormatSettings &settings)
{
    TextBuilder text;
    AppendDate(text, DecodeDateTime(value), settings);
    return text.ToString();
}

QString TimeToStr(TRpDateTime value, const TRpFormatSettings &settings)
{
    TextBuilder text;
    AppendTime(text, DecodeDateTime(value), settings);
    return text.ToString();
}

QString DateTimeToStr(TRpDateTime value, const TRpFormatSettings &settings)
{
    const TRpDateParts p = DecodeDateTime(value);
    TextBuilder text;
    AppendDate(text, p, settings);
    text.AddAscii(' ');
    AppendTime(text, p, settings);
    return text.ToString();
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
