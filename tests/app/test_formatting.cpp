// Amounts, padded numbers, flags and day numbers.
#include "daynumber.h"
#include "formatting.h"
#include "qtprinters.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace app;

namespace {
const QString nb = QString(QChar(0x00A0));
FormatSettings polish()
{
    FormatSettings s;
    s.decimalSeparator = QLatin1Char(',');
    return s;
}
} // namespace

TEST(Amounts, ShowWithNoBreakThousandsAndTwoDecimals)
{
    const struct {
        qint64 value;
        QString text;
    } cases[] = {
        {12345675000, "1" + nb + "234" + nb + "567,50"},
        {0, "0,00"},
        {12345600, "1" + nb + "234,56"},
        {9999999990000, "999" + nb + "999" + nb + "999,00"},
        {-12345600, "-1" + nb + "234,56"},
        {49, "0,00"},        // 0.0049 rounds down
        {50, "0,01"},        // 0.005 rounds half away from zero
        {-50, "-0,01"},
        {-49, "0,00"},       // no "-0,00"
        {9999950, "1" + nb + "000,00"},
        {std::numeric_limits<qint64>::min(), "-922" + nb + "337" + nb + "203" + nb + "685" + nb + "477,58"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatAmount(c.value, polish()), c.text) << c.value;

    FormatSettings dot = polish();
    dot.decimalSeparator = QLatin1Char('.');
    EXPECT_EQ(formatAmount(12345675000, dot), "1" + nb + "234" + nb + "567.50");
}

TEST(Amounts, ParseWhatUsersTypeAndRefuseTheRest)
{
    const struct {
        QString text;
        std::optional<qint64> value;
    } cases[] = {
        {"1 234,56", 12345600},
        {"1" + nb + "234" + nb + "567,5", 12345675000},
        {"1234.56", 12345600},
        {" -12,3456 ", -123456},
        {"0", 0},
        {",5", 5000},
        {"99999999999999,9999", 999999999999999999LL},
        {"100000000000000", std::nullopt},  // beyond NUMERIC(18,4)
        {"12,34567", std::nullopt},  // beyond four decimals
        {"1,2,3", std::nullopt},
        {"12a", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"1 234,5 6", std::nullopt},
        {"1000000000000000", std::nullopt},  // beyond NUMERIC(18,4)
        {"--1", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parseAmount(c.text, polish()), c.value) << c.text.toStdString();
    // Whatever is shown reads back as the same value.
    for (qint64 value : {0LL, 12345600LL, -9999999990000LL, 100LL})
        EXPECT_EQ(parseAmount(formatAmount(value, polish()), polish()), value);
}

TEST(PadNumber, PadsToWidthAndNeverCuts)
{
    EXPECT_EQ(PadNumber(7, 3), "007");
    EXPECT_EQ(PadNumber(1234, 3), "1234");
    EXPECT_EQ(PadNumber(0, 2), "00");
    EXPECT_EQ(PadNumber(5, 0), "5");
}

TEST(Flags, ReadYesAndTrueInEitherCase)
{
    for (const char *yes : {"Y", "y", "T", "t", "Yes"})
        EXPECT_TRUE(FlagFromText(QString::fromLatin1(yes))) << yes;
    for (const char *no : {"N", "", " ", "X", "1"})
        EXPECT_FALSE(FlagFromText(QString::fromLatin1(no))) << no;
    EXPECT_EQ(FlagToText(true), "Y");
    EXPECT_EQ(FlagToText(false), "N");
}

TEST(DayNumbers, CountDaysFrom30December1899)
{
    EXPECT_EQ(dayNumber(QDate(1899, 12, 30)), 0);
    EXPECT_EQ(dayNumber(QDate(2022, 1, 1)), 44562);
    EXPECT_EQ(dayNumber(QDate(2021, 11, 30)), 44530);
    EXPECT_EQ(dayNumber(QDate(2021, 12, 31)), 44561);
    EXPECT_EQ(dayNumber(QDate(1899, 12, 29)), -1);
    EXPECT_EQ(dateOfDay(44561), QDate(2021, 12, 31));
    EXPECT_EQ(monthOfDay(44561), 12);
    EXPECT_EQ(yearOfDay(44561), 2021);
}

TEST(DayNumbers, PeriodBoundaries)
{
    const int feb2024 = dayNumber(QDate(2024, 2, 10));
    EXPECT_EQ(dateOfDay(firstDayOfMonth(feb2024)), QDate(2024, 2, 1));
    EXPECT_EQ(dateOfDay(lastDayOfMonth(feb2024)), QDate(2024, 2, 29));
    const int dec = dayNumber(QDate(2021, 12, 5));
    EXPECT_EQ(dateOfDay(lastDayOfMonth(dec)), QDate(2021, 12, 31));
    EXPECT_EQ(dateOfDay(firstDayOfYear(dec)), QDate(2021, 1, 1));
    EXPECT_EQ(dateOfDay(lastDayOfYear(dec)), QDate(2021, 12, 31));
}

TEST(Amounts, CalculatorSumsKeepFourDecimals)
{
    const struct {
        QString text;
        std::optional<qint64> value;
    } cases[] = {
        {"1 234,56", 12345600},
        {"1" + nb + "234,56", 12345600},
        {"120+35,50", 1555000},
        {"12,5*3", 375000},
        {"(100 + 23,45) / 2", 617250},
        {"10/3", 33333},            // 3,33333… to four decimals
        {"20/3", 66667},            // half away from zero
        {"-5-3", -80000},
        {"-(2,5)*-2", 50000},
        {"0,0001*0,5", 1},          // 0,00005 rounds up
        {"1 000 000 - 0,01", 9999999900},
        {"1.5+1,5", 30000},         // "." reads as the decimal separator too
        {"1/0", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"1+", std::nullopt},
        {"(1+2", std::nullopt},
        {"1,2,3", std::nullopt},
        {"99999999999999*99999", std::nullopt},  // beyond NUMERIC(18,4)
        {QString(200, QLatin1Char('(')) + "1" + QString(200, QLatin1Char(')')), std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(evaluateAmount(c.text, polish()), c.value) << c.text.toStdString();
}

TEST(Formats, DecimalSeparatorIsTheSystemsOrThePolishCommaWithoutALocale)
{
    EXPECT_EQ(formatSettingsFor(QLocale::c()).decimalSeparator, QLatin1Char(','));
    EXPECT_EQ(formatSettingsFor(QLocale(QLocale::Polish, QLocale::Poland)).decimalSeparator, QLatin1Char(','));
    EXPECT_EQ(formatSettingsFor(QLocale(QLocale::English, QLocale::UnitedStates)).decimalSeparator,
              QLatin1Char('.'));
    EXPECT_EQ(formatSettingsFor(QLocale::c()).thousandSeparator, QChar(0x00A0));
}

TEST(Formats, NameSearchTakesPolishLettersDigitsAndSpace)
{
    for (const QChar c : QStringLiteral("aZ09 ąĄćĆęĘłŁńŃóÓśŚźŹżŻ"))
        EXPECT_TRUE(isNameSearchCharacter(c)) << QString(c).toStdString();
    for (const QChar c : QStringLiteral("-.,/\t\néüßж"))
        EXPECT_FALSE(isNameSearchCharacter(c)) << QString(c).toStdString();
    EXPECT_EQ(polishUpper(QStringLiteral("łódź żabka")), "ŁÓDŹ ŻABKA");
}
