#pragma once
// Dates of note positions are day numbers: whole days since 30 December 1899
// (day 0). 1 January 2022 is 44562.

#include <QDate>

namespace app {

int dayNumber(const QDate &date);
QDate dateOfDay(int day);
int yearOfDay(int day);
int monthOfDay(int day);

// First and last day of the calendar month or year that holds `day`.
int firstDayOfMonth(int day);
int lastDayOfMonth(int day);
int firstDayOfYear(int day);
int lastDayOfYear(int day);

} // namespace app
