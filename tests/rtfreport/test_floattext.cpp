// Texts of numbers near the edges of the exact digit computation that
// amounts and sums go through: ties, carries into a new digit, the largest
// integers, values just below and above one.

#include "rpformatsettings.h"
#include "test_support.h"

#include <gtest/gtest.h>

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
                      FloatCase{double(1234.56), u"1234.56", u"1\u00a0234,56 zł"}));

} // namespace
