#include "daynumber.h"

namespace app {

namespace {
const qint64 kDayZero = QDate(1899, 12, 30).toJulianDay();
}

int dayNumber(const QDate &date) { return static_cast<int>(date.toJulianDay() - kDayZero); }

QDate dateOfDay(int day) { return QDate::fromJulianDay(kDayZero + day); }

int yearOfDay(int day) { return dateOfDay(day).year(); }

int monthOfDay(int day) { return dateOfDay(day).month(); }

int firstDayOfMonth(int day)
{
    const QDate date = dateOfDay(day);
    return dayNumber(QDate(date.year(), date.month(), 1));
}

int lastDayOfMonth(int day)
{
    const QDate date = dateOfDay(day);
    return dayNumber(QDate(date.year(), date.month(), date.daysInMonth()));
}

int firstDayOfYear(int day) { return dayNumber(QDate(yearOfDay(day), 1, 1)); }

int lastDayOfYear(int day) { return dayNumber(QDate(yearOfDay(day), 12, 31)); }

} // namespace app
