// Texts of numbers near the edges of the exact digit computation that
// amounts and sums go through: ties, carries into a new digit, the largest
// integers, values just below and above one. And reading numbers back.

#include "rpformatsettings.h"
#include "test_support.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <cstring>
#include <optional>
#include <string>

using namespace rtfreport;

namespace {

struct FloatCase {
    TRpFloat value;
    const char16_t *canonical;
    const char16_t *currency;  // Polish currency format, two decimals
};

class FloatText : public ::testing::TestWithParam<FloatCase> {};

TEST_P(FloatText, CanonicalAndCurrencyTexts)
{
    const FloatCase &c = GetParam();
    EXPECT_EQ(FloatToCanonical(c.value), QString::fromUtf16(c.canonical));
    EXPECT_EQ(FloatToTextF(c.value, TRpFloatFormat::Currency, 18, 2, TRpFormatSettings::Polish()),
              QString::fromUtf16(c.currency));
    EXPECT_EQ(FloatToCanonical(-c.value), u'-' + QString::fromUtf16(c.canonical));
}

INSTANTIATE_TEST_SUITE_P(
    Edges, FloatText,
    ::testing::Values(FloatCase{1.0L, u"1", u"1,00 zł"}, FloatCase{2.5L, u"2.5", u"2,50 zł"},
                      FloatCase{0.5L, u"0.5", u"0,50 zł"}, FloatCase{1234.56L, u"1234.56", u"1\u00a0234,56 zł"},
                      FloatCase{1234.565L, u"1234.565", u"1\u00a0234,57 zł"},
                      FloatCase{99999.995L, u"99999.995", u"100\u00a0000,00 zł"},
                      FloatCase{0.1L + 0.2L, u"0.3", u"0,30 zł"},
                      FloatCase{999999999999999.5L, u"1E15", u"999\u00a0999\u00a0999\u00a0999\u00a0999,50 zł"},
                      FloatCase{9.2e18L, u"9.2E18", u"9,2E18"},
                      FloatCase{9223372036854775807.0L, u"9.22337203685478E18", u"9,22337203685477581E18"},
                      FloatCase{4503599627370497.5L, u"4.5035996273705E15",
                                u"4\u00a0503\u00a0599\u00a0627\u00a0370\u00a0497,50 zł"},
                      FloatCase{999999999999999999.875L, u"1E18", u"1E18"},
                      FloatCase{1.0000000000000000005L, u"1", u"1,00 zł"},
                      FloatCase{12.345L, u"12.345", u"12,35 zł"},
                      FloatCase{double(1234.56), u"1234.56", u"1\u00a0234,56 zł"}), NamedAfter<&FloatCase::canonical>());

} // namespace

namespace {

// Reading numbers: what reads, what does not, and that every text reads to
// the very value from_chars gives, bit for bit.
struct ReadCase {
    const char16_t *text;
    QChar point;
    std::optional<TRpFloat> value;
    QChar thousandSeparator = QChar();
};

void PrintTo(const ReadCase &c, std::ostream *os)
{
    *os << '"' << QString::fromUtf16(c.text).toStdString() << '"';
}

class TextToFloatSyntax : public ::testing::TestWithParam<ReadCase> {};

TEST_P(TextToFloatSyntax, ReadsOrRefuses)
{
    const ReadCase &c = GetParam();
    EXPECT_EQ(TryTextToFloat(QString::fromUtf16(c.text), c.point, c.thousandSeparator), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextToFloatSyntax,
    ::testing::Values(ReadCase{u"1234.56", u'.', 1234.56L}, ReadCase{u" \t-12,5\u00a0 ", u',', -12.5L},
                      ReadCase{u"+7", u'.', 7.0L}, ReadCase{u"1.", u'.', 1.0L}, ReadCase{u".25", u'.', 0.25L},
                      ReadCase{u"1E+3", u'.', 1000.0L}, ReadCase{u"25e-1", u'.', 2.5L},
                      ReadCase{u"0.1", u'.', 0.1L}, ReadCase{u"1e400", u'.', 1e400L},
                      ReadCase{u"123456789012345678901234567890", u'.', 123456789012345678901234567890.0L},
                      ReadCase{u"1.5", u',', std::nullopt}, ReadCase{u"1,5", u'.', std::nullopt},
                      ReadCase{u".", u'.', std::nullopt}, ReadCase{u"", u'.', std::nullopt},
                      ReadCase{u"-", u'.', std::nullopt}, ReadCase{u"+-1", u'.', std::nullopt},
                      ReadCase{u"1e", u'.', std::nullopt}, ReadCase{u"1e+", u'.', std::nullopt},
                      ReadCase{u"1 2", u'.', std::nullopt}, ReadCase{u"0x1F", u'.', std::nullopt},
                      ReadCase{u"inf", u'.', std::nullopt}, ReadCase{u"1e99999", u'.', std::nullopt},
                      ReadCase{u"\u0663", u'.', std::nullopt}), NamedAfter<&ReadCase::text>());

// Numbers as the number formats write them, in groups of three: read with
// the settings' thousands separator only where it stands between groups,
// so that texts that are no number stay none.
constexpr QChar Nbsp(0x00A0);

INSTANTIATE_TEST_SUITE_P(
    Groups, TextToFloatSyntax,
    ::testing::Values(ReadCase{u"200,00", u',', 200.0L, Nbsp},
                      ReadCase{u"1\u00a0234,56", u',', 1234.56L, Nbsp},
                      ReadCase{u"-1\u00a0234,56", u',', -1234.56L, Nbsp},
                      ReadCase{u"+1\u00a0000", u',', 1000.0L, Nbsp},
                      ReadCase{u"1\u00a0234\u00a0567,89", u',', 1234567.89L, Nbsp},
                      ReadCase{u"922\u00a0337\u00a0203\u00a0685\u00a0477,58", u',', 922337203685477.58L, Nbsp},
                      ReadCase{u"1\u00a0234e3", u',', 1234000.0L, Nbsp},
                      ReadCase{u"1,234.5", u'.', 1234.5L, u','},
                      ReadCase{u"1 234,5", u',', 1234.5L, u' '},
                      // Not groups of three after a first of one to three.
                      ReadCase{u"12\u00a034", u',', std::nullopt, Nbsp},
                      ReadCase{u"1\u00a02345", u',', std::nullopt, Nbsp},
                      ReadCase{u"1234\u00a0567", u',', std::nullopt, Nbsp},
                      ReadCase{u"0\u00a0123", u',', std::nullopt, Nbsp},
                      ReadCase{u"1\u00a0\u00a0234", u',', std::nullopt, Nbsp},
                      ReadCase{u"1\u00a0234,567\u00a0890", u',', std::nullopt, Nbsp},
                      ReadCase{u"12,5", u'.', std::nullopt, u','},
                      ReadCase{u"12 34", u',', std::nullopt, u' '},
                      // Another blank than the separator.
                      ReadCase{u"1 234", u',', std::nullopt, Nbsp},
                      ReadCase{u"12 34", u',', std::nullopt, Nbsp},
                      // No groups where the separator is the point or ".".
                      ReadCase{u"1,234", u',', 1.234L, u','},
                      ReadCase{u"1.234,5", u',', std::nullopt, u'.'},
                      ReadCase{u"1.234", u'.', 1.234L, u'.'}),
    NamedAfter<&ReadCase::text>());

TEST(TextToInteger, ReadsGroupsOfThreeOnly)
{
    EXPECT_EQ(TextToInteger(u"-9\u00a0223\u00a0372\u00a0036\u00a0854\u00a0775\u00a0808"_qs, Nbsp),
              std::numeric_limits<qint64>::min());
    EXPECT_EQ(TextToInteger(u"1 000"_qs, u' '), 1000);
    EXPECT_EQ(TextToInteger(u"1234"_qs, Nbsp), 1234);
    EXPECT_THROW(TextToInteger(u"12\u00a034"_qs, Nbsp), EConvertError);
    EXPECT_THROW(TextToInteger(u"1\u00a0234"_qs), EConvertError);
}

TEST(TextToFloat, SameValueAsFromChars)
{
    QRandomGenerator random(7);
    for (int i = 0; i < 200000; ++i) {
        // Up to 24 digits with the point anywhere, sometimes an exponent.
        std::string number = i % 3 == 0 ? "-" : "";
        const int digits = int(random.bounded(1, 25));
        const int pointAt = int(random.bounded(-1, digits));
        for (int k = 0; k < digits; ++k) {
            number += char('0' + random.bounded(0, 10));
            if (k == pointAt)
                number += '.';
        }
        if (i % 4 == 0) {
            number += 'e';
            number += std::to_string(int(random.bounded(-40, 40)));
        }
        const char *first = number.data() + (number[0] == '-' ? 1 : 0);
        TRpFloat expected = 0;
        std::from_chars(first, number.data() + number.size(), expected);
        if (number[0] == '-')
            expected = -expected;
        const std::optional<TRpFloat> read = TryTextToFloat(QString::fromStdString(number), u'.');
        ASSERT_TRUE(read) << number;
        ASSERT_EQ(std::memcmp(&*read, &expected, 10), 0) << number;  // the 80 bits of the value
    }
}

TEST(CanonicalValue, IsWhatTheCanonicalTextReadsAs)
{
    QRandomGenerator random(11);
    std::vector<TRpFloat> values = {0, -0.0L, 7, -3.5L, 0.1L + 0.2L, 1e20L, 1.5e-7L, 123456789012345678.0L,
                                    1e-30L, 1e300L, 99999999999999.95L, 0.00005L};
    for (int i = 0; i < 100000; ++i) {
        // Amounts and totals of every size, some with long fractions.
        const TRpFloat value = TRpFloat(random.generateDouble() - 0.5) * std::pow(10.0L, int(random.bounded(-12, 22)));
        values.push_back(i % 2 ? value : std::round(value * 100) / 100);
    }
    // Ties and near ties at the sixteenth digit, and powers of ten with
    // their neighbours, where a rounding by scaling could go the other way.
    for (const TRpFloat tie : {0.1234567890123455L, 1234.567890123455L, 98765432109876.55L, 0.00001234567890123455L,
                               999999999999999.5L, 99999999999999.95L, 1e14L, 1e15L, 1e-5L, 0.5L})
        for (const TRpFloat nudge : {-1e-4L, -1e-7L, 0.0L, 1e-7L, 1e-4L})
            values.push_back(tie * (1 + nudge * 1e-12L));
    // A running total of amounts, as a SUM keeps it.
    TRpFloat total = 0;
    for (int i = 0; i < 20000; ++i) {
        total = CanonicalValue(total + TRpFloat(random.bounded(-100000, 1000000)) / 100).value_or(0);
        values.push_back(total);
        values.push_back(total + 0.005L);
    }
    int worked = 0;
    for (const TRpFloat value : values) {
        const std::optional<TRpFloat> read = CanonicalValue(value);
        if (!read)
            continue;  // the caller reads the text
        ++worked;
        const TRpFloat expected = TextToFloat(FloatToCanonical(value), u'.');
        ASSERT_EQ(std::memcmp(&*read, &expected, 10), 0) << FloatToCanonical(value).toStdString();
    }
    EXPECT_GT(worked, 90000) << "most values are worked out without their text";
    EXPECT_FALSE(CanonicalValue(std::numeric_limits<TRpFloat>::quiet_NaN()));
    EXPECT_FALSE(CanonicalValue(-std::numeric_limits<TRpFloat>::infinity()));
}

} // namespace
