// Date and time texts in the settings' formats agree with Qt's own toString
// over the whole calendar: numeric formats are written by the engine itself,
// the rest (names, quoted text, AM/PM) by Qt. And the calendar's last moment.

#include "rpformatsettings.h"
#include "test_support.h"

#include <QDate>
#include <QTime>

#include <gtest/gtest.h>

#include <cmath>

using namespace rtfreport;

namespace {

// The short date and long time formats of the settings the engine knows,
// of a few locales the system default may take, and some of our own.
QStringList DateFormats()
{
    QStringList formats;
    for (const TRpFormatSettings &s :
         {TRpFormatSettings::Polish(), TRpFormatSettings::English(), TRpFormatSettings::SystemDefault()})
        formats << s.ShortDateFormat;
    for (const char *name : {"pl_PL", "de_DE", "fi_FI", "en_US", "en_GB", "ja_JP", "ar_EG", "hu_HU"})
        formats << QLocale(QString::fromLatin1(name)).dateFormat(QLocale::ShortFormat);
    formats << u"d.M.yy"_qs << u"yyyy-MM-dd"_qs << u"yyyyMMdd"_qs << u"dd/MM/yyyy"_qs << u"M-d"_qs;
    // Not numeric only: left to Qt.
    formats << u"d MMMM yyyy"_qs << u"ddd, dd.MM.yyyy"_qs << u"dd 'of' MM"_qs << u"yyy.MM"_qs << u"y"_qs
            << u"ddddd"_qs << u"dd.MM.yyyy HH:mm"_qs << u"dd''MM"_qs;
    return formats;
}

QStringList TimeFormats()
{
    QStringList formats;
    for (const TRpFormatSettings &s :
         {TRpFormatSettings::Polish(), TRpFormatSettings::English(), TRpFormatSettings::SystemDefault()})
        formats << s.LongTimeFormat;
    for (const char *name : {"pl_PL", "en_US", "fi_FI", "ja_JP"})
        formats << QLocale(QString::fromLatin1(name)).timeFormat(QLocale::LongFormat);
    formats << u"H:m:s"_qs << u"hh:mm"_qs << u"h.mm"_qs << u"HH:mm:ss.zzz"_qs;
    // Not numeric only: left to Qt.
    formats << u"h:mm AP"_qs << u"hh:mm ap"_qs << u"HH 'h' mm"_qs << u"z"_qs << u"zz"_qs << u"HHH"_qs << u"mmm"_qs
            << u"HH:mm t"_qs;
    return formats;
}

// Days across the calendar the engine covers, and every day of a leap year
// and the next.
std::vector<QDate> Dates()
{
    std::vector<QDate> dates;
    for (qint64 day = QDate(1, 1, 1).toJulianDay(); day <= QDate(9999, 12, 31).toJulianDay(); day += 997)
        dates.push_back(QDate::fromJulianDay(day));
    for (QDate date(2020, 1, 1); date.year() < 2022; date = date.addDays(1))
        dates.push_back(date);
    dates.push_back(QDate(9999, 12, 31));
    return dates;
}

TEST(DateText, AgreesWithQtInEveryFormat)
{
    const std::vector<QDate> dates = Dates();
    for (const QString &format : DateFormats()) {
        TRpFormatSettings settings = TRpFormatSettings::Polish();
        settings.ShortDateFormat = format;
        for (const QDate &date : dates)
            ASSERT_EQ(DateToStr(EncodeDate(date.year(), date.month(), date.day()), settings),
                      date.toString(format))
                << "format " << format.toStdString();
    }
}

TEST(TimeText, AgreesWithQtInEveryFormat)
{
    const TRpDateTime day = EncodeDate(2021, 11, 30);
    for (const QString &format : TimeFormats()) {
        TRpFormatSettings settings = TRpFormatSettings::Polish();
        settings.LongTimeFormat = format;
        for (int second = 0; second < 86400; second += 7) {
            const QTime time = QTime(0, 0).addSecs(second).addMSecs(second % 1000);
            ASSERT_EQ(TimeToStr(day + EncodeTime(time.hour(), time.minute(), time.second(), time.msec()), settings),
                      time.toString(format))
                << "format " << format.toStdString();
        }
    }
}

TEST(DateTimeText, DateAndTimeWithOneBlankBetween)
{
    const TRpDateTime moment = EncodeDate(2021, 3, 5) + EncodeTime(7, 4, 9, 25);
    const std::vector<std::pair<TRpFormatSettings, const char16_t *>> cases = {
        {TRpFormatSettings::Polish(), u"05.03.2021 07:04:09"},
        {TRpFormatSettings::English(), u"03/05/2021 07:04:09"},
    };
    for (const auto &[settings, expected] : cases)
        EXPECT_EQ(DateTimeToStr(moment, settings), QString::fromUtf16(expected));
    TRpFormatSettings named = TRpFormatSettings::English();
    named.ShortDateFormat = u"d MMM yyyy"_qs;
    named.LongTimeFormat = u"h:mm AP"_qs;
    EXPECT_EQ(DateTimeToStr(moment, named), u"5 Mar 2021 7:04 AM");
}

TEST(DateTimeText, TheLastMomentOfTheCalendarStaysInIt)
{
    // Within half a millisecond of 10000-01-01, a year that has no date.
    const TRpDateTime lastMoment = std::nextafter(EncodeDate(9999, 12, 31) + 1, 0.0);
    EXPECT_EQ(CanonicalDateTime(lastMoment), u"{9999-12-31,23:59:59:999}");
    EXPECT_EQ(DateTimeToStr(lastMoment, TRpFormatSettings::Polish()), u"31.12.9999 23:59:59");
    EXPECT_THROW(DateToStr(EncodeDate(9999, 12, 31) + 1, TRpFormatSettings::Polish()), EConvertError);
}

} // namespace
