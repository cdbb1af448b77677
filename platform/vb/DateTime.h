#pragma once
// Dates of the classic runtime: an OLE date is a double counting days since
// 30 Dec 1899; the fraction is the time of day (for dates before 1899 the
// fraction still counts forward from midnight: -1.25 is 29 Dec 1899 06:00).
// Text is always in the US forms, whatever the user's locale.

#include "vb/Variant.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTime>

namespace vb {

// Range of the Date subtype: 1 Jan 100 .. 31 Dec 9999.
constexpr double kMinOleDate = -657434.0;
constexpr double kMaxOleDate = 2958465.99999999;

double toOleDate(const QDate &date, const QTime &time = QTime(0, 0));
double toOleDate(const QDateTime &dateTime);
QDate oleToQDate(double ole);          // the day, time rounded to the second first
QTime oleToQTime(double ole);          // the time of day, rounded to the second
QDateTime oleToQDateTime(double ole);

// Broken-down parts of an OLE date, rounded to the nearest second.
struct DateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    int dayOfWeek = 7; // 1 = Sunday .. 7 = Saturday
};
DateParts splitOleDate(double ole);

// Parses the US text forms CDate and IsDate accept: "12/10/2026", "12-10-26",
// "2026-12-10", "Dec 10, 2026", "December 10, 2026", "10 Dec 2026",
// "10-Dec-2026", an optional weekday before the date, "12/10" and "Dec 10"
// (in the current year of vb::Now's clock), "13:05", "13:05:09",
// "1:05 PM", "1 PM", and a date followed by a time. A first number above 12
// followed by one that fits a month is read as day/month, as the classic
// runtime does. Two-digit years 00-29 are 2000-2029, 30-99 are 1930-1999.
bool parseDateText(QStringView text, double *ole);

// CStr of a date: "12/10/2026", "12/10/2026 1:05:09 PM", "1:05:09 PM" for a
// time alone (day 0).
QString dateToString(double ole);

// ---- the classic date functions --------------------------------------------

enum class FirstDayOfWeek { System = 0, Sunday = 1, Monday, Tuesday, Wednesday, Thursday, Friday, Saturday };
enum class FirstWeekOfYear { System = 0, Jan1 = 1, FirstFourDays = 2, FirstFullWeek = 3 };

// Interval codes: "yyyy" year, "q" quarter, "m" month, "y" day of year,
// "d" day, "w" weekday, "ww" week, "h" hour, "n" minute, "s" second
// (letter case ignored); an unknown code raises 5.
Variant DateAdd(const QString &interval, double number, const Variant &date);
Variant DateDiff(const QString &interval, const Variant &date1, const Variant &date2,
                 FirstDayOfWeek firstDay = FirstDayOfWeek::Sunday,
                 FirstWeekOfYear firstWeek = FirstWeekOfYear::Jan1);
Variant DatePart(const QString &interval, const Variant &date,
                 FirstDayOfWeek firstDay = FirstDayOfWeek::Sunday,
                 FirstWeekOfYear firstWeek = FirstWeekOfYear::Jan1);
Variant DateSerial(const Variant &year, const Variant &month, const Variant &day);
Variant TimeSerial(const Variant &hour, const Variant &minute, const Variant &second);
Variant DateValue(const Variant &v);  // the date part, Null for Null
Variant TimeValue(const Variant &v);  // the time part, Null for Null

// Null in gives Null out; anything else that is not a date raises 13.
Variant Year(const Variant &v);
Variant Month(const Variant &v);
Variant Day(const Variant &v);
Variant Hour(const Variant &v);
Variant Minute(const Variant &v);
Variant Second(const Variant &v);
Variant Weekday(const Variant &v, FirstDayOfWeek firstDay = FirstDayOfWeek::Sunday);

QString WeekdayName(int weekday, bool abbreviate = false, FirstDayOfWeek firstDay = FirstDayOfWeek::Sunday);
QString MonthName(int month, bool abbreviate = false);

} // namespace vb
