#pragma once
// Locale conventions of the engine, held as a value so that a run (and a
// test) can pin them. Every locale-dependent rule of the engine reads one of
// these: number and date texts, currency, case rules. The stored texts of
// report variables never depend on it.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>

#include <optional>

#include "rperrors.h"

namespace rtfreport {

// Numbers are extended precision; date-times are day counts with a fraction,
// day 0 being 1899-12-30.
using TRpFloat = long double;
using TRpDateTime = double;

// Room on the stack for a value's text, which the engine writes from there
// without a QString of its own.
using TRpTextScratch = QVarLengthArray<QChar, 64>;

struct TRpFormatSettings {
    QChar DecimalSeparator = u'.';
    QChar ThousandSeparator = u',';
    // Date and time formats use Qt's format letters (d, dd, M, MM, yy, yyyy,
    // H, HH, m, mm, s, ss); only their order and separators are read back.
    QString ShortDateFormat = QStringLiteral("MM/dd/yyyy");
    QString LongDateFormat = QStringLiteral("dddd, MMMM d, yyyy");
    QString LongTimeFormat = QStringLiteral("HH:mm:ss");
    QString CurrencyString = QStringLiteral("$");
    // Placement of the currency string: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
    int CurrencyFormat = 0;
    // Negative amounts: 0 "($1)", 1 "-$1", 5 "-1$", 8 "-1 $", 9 "-$ 1".
    int NegCurrFormat = 1;
    int CurrencyDecimals = 2;
    QStringList LongMonthNames;   // January .. December
    QStringList ShortMonthNames;  // Jan .. Dec
    QStringList LongDayNames;     // Sunday .. Saturday
    QStringList ShortDayNames;    // Sun .. Sat
    QLocale CaseLocale = QLocale::c();  // upper and lower case rules

    static TRpFormatSettings Polish();
    static TRpFormatSettings English();
    static TRpFormatSettings SystemDefault();
};

// --- numbers ---------------------------------------------------------------

// General decimal form with 15 significant digits and "." as the point:
// 12.5, 7, 1E20, 1.5E-7, NAN, INF, -INF.
QString FloatToCanonical(TRpFloat value);
// The number that text reads back as, worked out without the text; nothing
// for NAN and INF (whose texts read as no number) and where it cannot be
// worked out exactly, so that the caller reads the text itself.
std::optional<TRpFloat> CanonicalValue(TRpFloat value);

enum class TRpFloatFormat { General, Exponent, Fixed, Number, Currency };

// Float formatting with precision significant digits and the given decimals
// (exponent digits for Exponent), written with the settings' separators.
QString FloatToTextF(TRpFloat value, TRpFloatFormat format, int precision, int digits,
                     const TRpFormatSettings &settings);

// An amount held in ten-thousandths as FloatToTextF writes it in the
// currency format with CurrencyDecimals, computed in integers: no float
// conversion, and exact where the float path runs out of digits.
QString CurrencyToText(qint64 tenThousandths, const TRpFormatSettings &settings);
// The same text appended to out.
void AppendCurrencyText(TRpTextScratch &out, qint64 tenThousandths, const TRpFormatSettings &settings);

// Reads an optionally signed decimal number with decimalSeparator as its
// point and an optional exponent; blanks around it are allowed. Given a
// thousandSeparator, the digits before the point may also stand in groups
// as the number formats write them: one to three digits, not beginning
// with 0, then groups of exactly three, each after the separator
// ("1 234 567,89"). A separator anywhere else leaves the text no number.
// Groups are not read when the separator is the point, ".", a digit or a
// sign: "." is the point of the engine's own number texts.
std::optional<TRpFloat> TryTextToFloat(const QString &text, QChar decimalSeparator,
                                       QChar thousandSeparator = QChar());
// As TryTextToFloat, raising EConvertError when the text does not read.
TRpFloat TextToFloat(const QString &text, QChar decimalSeparator, QChar thousandSeparator = QChar());
// A decimal 64-bit integer (blanks around it allowed; its digits grouped
// as TryTextToFloat reads them), or EConvertError.
qint64 TextToInteger(const QString &text, QChar thousandSeparator = QChar());

// Picture formatting of the platform ("0.00", "#,##0.00", "0.0E+00",
// quoted text, up to three sections for positive;negative;zero).
QString FormatFloatPicture(const QString &picture, TRpFloat value,
                           const TRpFormatSettings &settings);

// --- dates -------------------------------------------------------------------

struct TRpDateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

bool IsValidDate(int year, int month, int day);
// EConvertError for parts outside the calendar.
TRpDateTime EncodeDate(int year, int month, int day);
TRpDateTime EncodeTime(int hour, int minute, int second, int millisecond);
TRpDateParts DecodeDateTime(TRpDateTime value);
// Day of week of a day count, 0 = Sunday.
int DayOfWeek(TRpDateTime value);

// {2021-11-30} and {2021-11-30,10:15:00:000}
QString CanonicalDate(TRpDateTime value);
QString CanonicalDateTime(TRpDateTime value);

// Texts in the settings' short date and long time formats.
QString DateToStr(TRpDateTime value, const TRpFormatSettings &settings);
// DateToStr's text appended to out.
void AppendDateText(TRpTextScratch &out, TRpDateTime value, const TRpFormatSettings &settings);
QString TimeToStr(TRpDateTime value, const TRpFormatSettings &settings);
QString DateTimeToStr(TRpDateTime value, const TRpFormatSettings &settings);

// Lenient readers in the order of the settings' short date format: day,
// month and year as numbers between any separators, then an optional time
// H:m[:s[.zzz]]. EConvertError when the text does not read.
TRpDateTime StrToDate(const QString &text, const TRpFormatSettings &settings);
TRpDateTime StrToDateTime(const QString &text, const TRpFormatSettings &settings);
TRpDateTime StrToTime(const QString &text, const TRpFormatSettings &settings);

// Date-time pictures of the platform: d, dd, ddd, dddd, m, mm, mmm, mmmm,
// yy, yyyy, h, hh, n, nn, s, ss, z, zzz, "/" and ":" as the settings'
// separators, and text in double or single quotes, copied as it stands.
QString FormatDateTimePicture(const QString &picture, TRpDateTime value,
                              const TRpFormatSettings &settings);

} // namespace rtfreport
