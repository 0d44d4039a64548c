// Amounts in Polish words: the forms of the nouns after each count, the
// rounding to grosze, the sign, and every amount the database holds.

#include "amountwords.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct WordsCase {
    const char *name;
    qint64 tenThousandths;
    const char *words;  // UTF-8
};

class AmountInWords : public testing::TestWithParam<WordsCase> {};

TEST_P(AmountInWords, ReadsAsWritten)
{
    const WordsCase &c = GetParam();
    EXPECT_EQ(print::amountInWords(c.tenThousandths), QString::fromUtf8(c.words));
}

INSTANTIATE_TEST_SUITE_P(
    Amounts, AmountInWords,
    testing::Values(
        WordsCase{"zero", 0, "zero złotych zero groszy"},
        WordsCase{"one", 1'0000, "jeden złoty zero groszy"},
        WordsCase{"two", 2'0000, "dwa złote zero groszy"},
        WordsCase{"five", 5'0000, "pięć złotych zero groszy"},
        WordsCase{"eleven", 11'0000, "jedenaście złotych zero groszy"},
        WordsCase{"twelve", 12'0000, "dwanaście złotych zero groszy"},
        WordsCase{"fourteen", 14'0000, "czternaście złotych zero groszy"},
        WordsCase{"twenty", 20'0000, "dwadzieścia złotych zero groszy"},
        WordsCase{"twenty_one", 21'0000, "dwadzieścia jeden złotych zero groszy"},
        WordsCase{"twenty_two", 22'0000, "dwadzieścia dwa złote zero groszy"},
        WordsCase{"hundred_and_one", 101'0000, "sto jeden złotych zero groszy"},
        WordsCase{"hundred_and_twelve", 112'0000, "sto dwanaście złotych zero groszy"},
        WordsCase{"hundreds", 999'0000, "dziewięćset dziewięćdziesiąt dziewięć złotych zero groszy"},
        WordsCase{"thousand", 1000'0000, "jeden tysiąc złotych zero groszy"},
        WordsCase{"thousand_and_two", 1002'0000, "jeden tysiąc dwa złote zero groszy"},
        WordsCase{"thousands_few", 4000'0000, "cztery tysiące złotych zero groszy"},
        WordsCase{"thousands_many", 5000'0000, "pięć tysięcy złotych zero groszy"},
        WordsCase{"thousands_teen", 13'000'0000, "trzynaście tysięcy złotych zero groszy"},
        WordsCase{"thousands_twenty_two", 22'000'0000, "dwadzieścia dwa tysiące złotych zero groszy"},
        WordsCase{"thousands_hundred_and_one", 101'000'0000, "sto jeden tysięcy złotych zero groszy"},
        WordsCase{"example", 1234'5600,
                  "jeden tysiąc dwieście trzydzieści cztery złote pięćdziesiąt sześć groszy"},
        WordsCase{"million", 1'000'000'0000, "jeden milion złotych zero groszy"},
        WordsCase{"million_thousand", 1'001'000'0000, "jeden milion jeden tysiąc złotych zero groszy"},
        WordsCase{"millions_few", 3'000'001'0000, "trzy miliony jeden złotych zero groszy"},
        WordsCase{"millions_teen", 12'000'000'0000, "dwanaście milionów złotych zero groszy"},
        WordsCase{"millions_twenty_four", 24'500'000'0000,
                  "dwadzieścia cztery miliony pięćset tysięcy złotych zero groszy"},
        WordsCase{"largest", 999'999'999'9900,
                  "dziewięćset dziewięćdziesiąt dziewięć milionów dziewięćset dziewięćdziesiąt dziewięć "
                  "tysięcy dziewięćset dziewięćdziesiąt dziewięć złotych dziewięćdziesiąt dziewięć groszy"},
        WordsCase{"grosz_one", 100, "zero złotych jeden grosz"},
        WordsCase{"grosze_few", 200, "zero złotych dwa grosze"},
        WordsCase{"grosze_many", 500, "zero złotych pięć groszy"},
        WordsCase{"grosze_teen", 1200, "zero złotych dwanaście groszy"},
        WordsCase{"grosze_twenty_two", 2200, "zero złotych dwadzieścia dwa grosze"},
        WordsCase{"negative", -1'0000, "minus jeden złoty zero groszy"},
        WordsCase{"negative_large", -1'234'567'8900,
                  "minus jeden milion dwieście trzydzieści cztery tysiące pięćset sześćdziesiąt siedem "
                  "złotych osiemdziesiąt dziewięć groszy"},
        WordsCase{"negative_grosze", -5000, "minus zero złotych pięćdziesiąt groszy"},
        WordsCase{"half_grosz_rounds_up", 12'3450, "dwanaście złotych trzydzieści pięć groszy"},
        WordsCase{"below_half_grosz_rounds_down", 12'3449, "dwanaście złotych trzydzieści cztery grosze"},
        WordsCase{"negative_rounds_away_from_zero", -12'3450, "minus dwanaście złotych trzydzieści pięć groszy"},
        WordsCase{"rounds_up_to_a_whole_zloty", 1'9950, "dwa złote zero groszy"},
        WordsCase{"negative_rounding_to_zero_has_no_sign", -49, "zero złotych zero groszy"},
        WordsCase{"largest_before_rounding", 999'999'999'9949,
                  "dziewięćset dziewięćdziesiąt dziewięć milionów dziewięćset dziewięćdziesiąt dziewięć "
                  "tysięcy dziewięćset dziewięćdziesiąt dziewięć złotych dziewięćdziesiąt dziewięć groszy"},
        WordsCase{"rounds_up_to_a_miliard", 999'999'999'9950, "jeden miliard złotych zero groszy"},
        WordsCase{"miliard", 1'000'000'000'0000, "jeden miliard złotych zero groszy"},
        WordsCase{"miliardy", 2'000'000'000'0000, "dwa miliardy złotych zero groszy"},
        WordsCase{"miliardow", 5'000'000'000'0000, "pięć miliardów złotych zero groszy"},
        WordsCase{"miliardow_teen", 12'000'000'000'0000, "dwanaście miliardów złotych zero groszy"},
        WordsCase{"miliardy_twenty_two", 22'000'000'000'0000, "dwadzieścia dwa miliardy złotych zero groszy"},
        WordsCase{"miliard_and_a_half", 1'500'000'000'0000, "jeden miliard pięćset milionów złotych zero groszy"},
        WordsCase{"bilion", 1'000'000'000'000'0000, "jeden bilion złotych zero groszy"},
        WordsCase{"biliony", 3'000'000'000'000'0000, "trzy biliony złotych zero groszy"},
        WordsCase{"bilionow_teen", 14'000'000'000'000'0000, "czternaście bilionów złotych zero groszy"},
        WordsCase{"bilion_and_one", 1'000'000'000'001'0000, "jeden bilion jeden złotych zero groszy"},
        WordsCase{"largest_in_the_database", std::numeric_limits<qint64>::max(),
                  "dziewięćset dwadzieścia dwa biliony trzysta trzydzieści siedem miliardów dwieście trzy miliony "
                  "sześćset osiemdziesiąt pięć tysięcy czterysta siedemdziesiąt siedem złotych pięćdziesiąt osiem "
                  "groszy"},
        WordsCase{"smallest_in_the_database", std::numeric_limits<qint64>::min(),
                  "minus dziewięćset dwadzieścia dwa biliony trzysta trzydzieści siedem miliardów dwieście trzy "
                  "miliony sześćset osiemdziesiąt pięć tysięcy czterysta siedemdziesiąt siedem złotych pięćdziesiąt "
                  "osiem groszy"},
        WordsCase{"negative_miliard_and_a_half", -1'500'000'000'0000,
                  "minus jeden miliard pięćset milionów złotych zero groszy"},
        WordsCase{"negative_biliony", -2'000'000'000'000'0100, "minus dwa biliony złotych jeden grosz"}),
    [](const auto &info) { return std::string(info.param.name); });


} // namespace
