#include "VariantTestSupport.h"

#include "vb/DateTime.h"

#include <gtest/gtest.h>

using namespace vbtest;
using vb::Variant;
using vb::FirstDayOfWeek;
using vb::FirstWeekOfYear;

namespace {

Variant at(int y, int m, int d, int h = 0, int n = 0, int s = 0)
{
    return Variant::fromDate(vb::toOleDate(QDate(y, m, d), QTime(h, n, s)));
}

const Variant afternoon = at(2026, 12, 10, 13, 5, 9); // a Thursday

} // namespace

TEST(DateConversions, OleDatesAndQtTypes)
{
    EXPECT_EQ(vb::toOleDate(QDate(2026, 12, 10)), 46366.0);
    EXPECT_EQ(vb::toOleDate(QDate(1899, 12, 30)), 0.0);
    EXPECT_EQ(vb::toOleDate(QDate(1899, 12, 29), QTime(6, 0)), -1.25); // fraction counts forward from midnight
    EXPECT_EQ(vb::toOleDate(QDate(100, 1, 1)), vb::kMinOleDate);
    EXPECT_EQ(vb::toOleDate(QDate(9999, 12, 31)), 2958465.0);
    EXPECT_EQ(vb::oleToQDate(-1.25), QDate(1899, 12, 29));
    EXPECT_EQ(vb::oleToQTime(-1.25), QTime(6, 0));
    EXPECT_EQ(vb::oleToQDateTime(46366.5), QDateTime(QDate(2026, 12, 10), QTime(12, 0)));
    // Times are rounded to the second, carrying into the next day.
    EXPECT_EQ(vb::oleToQDateTime(46366.999999999), QDateTime(QDate(2026, 12, 11), QTime(0, 0)));
    EXPECT_EQ(vb::toOleDate(QDateTime(QDate(2026, 12, 10), QTime(13, 5, 9))), afternoon.rawDouble());
    const vb::DateParts p = vb::splitOleDate(afternoon.rawDouble());
    EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, 20261210);
    EXPECT_EQ(p.hour * 10000 + p.minute * 100 + p.second, 130509);
    EXPECT_EQ(p.dayOfWeek, 5);
}

TEST(DateFunctions, DateAdd)
{
    struct Case { const char *interval; double n; Variant date; const char *expected; };
    const Case cases[] = {
        {"m", 1, at(2026, 1, 31), "Date:2/28/2026"},            // to the end of a shorter month
        {"m", 1, at(2024, 1, 31), "Date:2/29/2024"},
        {"m", -13, at(2026, 3, 15, 8, 0, 0), "Date:2/15/2025 8:00:00 AM"},
        {"m", 1.9, at(2026, 1, 15), "Date:2/15/2026"},           // the fraction is dropped
        {"yyyy", 1, at(2024, 2, 29), "Date:2/28/2025"},
        {"q", 1, at(2026, 11, 30), "Date:2/28/2027"},
        {"d", -1, at(2026, 1, 1), "Date:12/31/2025"},
        {"y", 1, at(2026, 12, 31), "Date:1/1/2027"},
        {"w", 3, at(2026, 12, 10), "Date:12/13/2026"},
        {"ww", 2, at(2026, 12, 10), "Date:12/24/2026"},
        {"h", 11, afternoon, "Date:12/11/2026 12:05:09 AM"},
        {"n", -6, at(2026, 12, 10, 0, 5, 0), "Date:12/9/2026 11:59:00 PM"},
        {"s", 51, afternoon, "Date:12/10/2026 1:06:00 PM"},
        {"H", 1, afternoon, "Date:12/10/2026 2:05:09 PM"},      // letter case ignored
        {"d", 1, T("12/10/2026"), "Date:12/11/2026"},
        {"h", 1, at(1899, 12, 29, 23, 0, 0), "Date:12:00:00 AM"},  // across the epoch
        {"x", 1, afternoon, "E5"},
        {"yyyy", 8000, afternoon, "E5"},
        {"d", 1, Variant::null(), "Null"},
        {"d", 1, T("soon"), "E13"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(attempt([&] { return vb::DateAdd(c.interval, c.n, c.date); }), c.expected)
            << c.interval << " " << c.n << " " << show(c.date);
}

TEST(DateFunctions, DateDiffCountsBoundaries)
{
    struct Case { const char *interval; Variant a, b; const char *expected; };
    const Case cases[] = {
        {"yyyy", at(2025, 12, 31), at(2026, 1, 1), "Long:1"},
        {"q", at(2026, 3, 31), at(2026, 4, 1), "Long:1"},
        {"m", at(2026, 1, 31), at(2026, 2, 1), "Long:1"},
        {"m", at(2026, 3, 1), at(2026, 1, 31), "Long:-2"},
        {"d", at(2026, 12, 10, 23, 0, 0), at(2026, 12, 11, 1, 0, 0), "Long:1"},
        {"d", at(2026, 12, 11), at(2026, 12, 1), "Long:-10"},
        {"y", at(2026, 1, 1), at(2026, 12, 31), "Long:364"},
        {"w", at(2026, 12, 1), at(2026, 12, 14), "Long:1"},      // whole weeks
        {"ww", at(2026, 12, 12), at(2026, 12, 13), "Long:1"},    // Saturday to Sunday crosses a week
        {"h", at(2026, 12, 10, 1, 59, 0), at(2026, 12, 10, 2, 1, 0), "Long:1"},
        {"n", at(2026, 12, 10, 1, 59, 59), at(2026, 12, 10, 2, 0, 0), "Long:1"},
        {"s", at(2026, 12, 10), afternoon, "Long:47109"},
        {"h", at(1899, 12, 29, 23, 0, 0), at(1899, 12, 30, 1, 0, 0), "Long:2"},
        {"d", Variant::null(), afternoon, "Null"},
        {"zz", afternoon, afternoon, "E5"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(attempt([&] { return vb::DateDiff(c.interval, c.a, c.b); }), c.expected)
            << c.interval << " " << show(c.a) << " " << show(c.b);
    EXPECT_EQ(show(vb::DateDiff("ww", at(2026, 12, 13), at(2026, 12, 14), FirstDayOfWeek::Monday)), "Long:1");
    EXPECT_EQ(show(vb::DateDiff("ww", at(2026, 12, 12), at(2026, 12, 13), FirstDayOfWeek::Monday)), "Long:0");
}

TEST(DateFunctions, DatePartAndPieces)
{
    struct Case { const char *interval; const char *expected; };
    const Case cases[] = {
        {"yyyy", "Long:2026"}, {"q", "Long:4"}, {"m", "Long:12"}, {"y", "Long:344"}, {"d", "Long:10"},
        {"w", "Long:5"}, {"ww", "Long:50"}, {"h", "Long:13"}, {"n", "Long:5"}, {"s", "Long:9"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(show(vb::DatePart(c.interval, afternoon)), c.expected) << c.interval;
    EXPECT_EQ(show(vb::DatePart("w", afternoon, FirstDayOfWeek::Monday)), "Long:4");
    EXPECT_EQ(show(vb::DatePart("ww", at(2026, 12, 31))), "Long:53");
    EXPECT_EQ(show(vb::DatePart("d", Variant::null())), "Null");

    EXPECT_EQ(show(vb::Year(afternoon)), "Integer:2026");
    EXPECT_EQ(show(vb::Month(afternoon)), "Integer:12");
    EXPECT_EQ(show(vb::Day(afternoon)), "Integer:10");
    EXPECT_EQ(show(vb::Hour(afternoon)), "Integer:13");
    EXPECT_EQ(show(vb::Minute(afternoon)), "Integer:5");
    EXPECT_EQ(show(vb::Second(afternoon)), "Integer:9");
    EXPECT_EQ(show(vb::Weekday(afternoon)), "Integer:5");
    EXPECT_EQ(show(vb::Weekday(afternoon, FirstDayOfWeek::Saturday)), "Integer:6");
    EXPECT_EQ(show(vb::Year(T("12/10/2026"))), "Integer:2026");
    EXPECT_EQ(show(vb::Month(Variant::null())), "Null");
    EXPECT_EQ(attempt([] { return vb::Day(T("someday")); }), "E13");
    EXPECT_EQ(show(vb::Hour(D(0.75))), "Integer:18");
}

TEST(DateFunctions, WeekNumbersMatchIsoWeeksWithMondayAndFourDays)
{
    // Monday as the first day and the first four-day week are the ISO rules:
    // every day of 2020-2030 must agree with Qt's ISO week number.
    for (QDate d(2020, 1, 1); d <= QDate(2030, 12, 31); d = d.addDays(1)) {
        const Variant v = Variant::fromDate(vb::toOleDate(d));
        EXPECT_EQ(vb::DatePart("ww", v, FirstDayOfWeek::Monday, FirstWeekOfYear::FirstFourDays).rawInt(), d.weekNumber())
            << d.toString(Qt::ISODate).toStdString();
    }
    // The first full week: 1 Jan 2026 is a Thursday, so week 1 starts on Sunday 4 Jan.
    EXPECT_EQ(show(vb::DatePart("ww", at(2026, 1, 3), FirstDayOfWeek::Sunday, FirstWeekOfYear::FirstFullWeek)), "Long:52");
    EXPECT_EQ(show(vb::DatePart("ww", at(2026, 1, 4), FirstDayOfWeek::Sunday, FirstWeekOfYear::FirstFullWeek)), "Long:1");
    EXPECT_EQ(show(vb::DatePart("ww", at(2026, 1, 3), FirstDayOfWeek::Sunday, FirstWeekOfYear::Jan1)), "Long:1");
}

TEST(DateFunctions, SerialsAndValues)
{
    struct Case { Variant y, m, d; const char *expected; };
    const Case cases[] = {
        {I(2026), I(12), I(10), "Date:12/10/2026"},
        {I(2026), I(13), I(1), "Date:1/1/2027"},     // months roll over
        {I(2026), I(3), I(0), "Date:2/28/2026"},     // day 0 is the last of the month before
        {I(2026), I(1), I(-1), "Date:12/30/2025"},
        {I(2026), I(0), I(1), "Date:12/1/2025"},
        {I(2026), I(1), I(365), "Date:12/31/2026"},
        {I(26), I(1), I(1), "Date:1/1/2026"},        // two-digit years are windowed
        {I(99), I(1), I(1), "Date:1/1/1999"},
        {I(10000), I(1), I(1), "E5"},
        {Variant::null(), I(1), I(1), "E94"},
        {T("2026"), D(2.5), I(1), "Date:2/1/2026"},  // arguments round half to even
    };
    for (const auto &c : cases)
        EXPECT_EQ(attempt([&] { return vb::DateSerial(c.y, c.m, c.d); }), c.expected) << show(c.y) << show(c.m) << show(c.d);

    EXPECT_EQ(attempt([] { return vb::TimeSerial(I(13), I(5), I(9)); }), "Date:1:05:09 PM");
    EXPECT_EQ(attempt([] { return vb::TimeSerial(I(0), I(90), I(0)); }), "Date:1:30:00 AM");
    EXPECT_EQ(attempt([] { return vb::TimeSerial(I(25), I(0), I(0)); }), "Date:12/31/1899 1:00:00 AM");
    EXPECT_EQ(attempt([] { return vb::TimeSerial(I(0), I(-1), I(0)); }), "Date:12/29/1899 11:59:00 PM");

    EXPECT_EQ(attempt([] { return vb::DateValue(T("12/10/2026 1:05 PM")); }), "Date:12/10/2026");
    EXPECT_EQ(attempt([] { return vb::TimeValue(T("12/10/2026 1:05 PM")); }), "Date:1:05:00 PM");
    EXPECT_EQ(attempt([] { return vb::DateValue(afternoon); }), "Date:12/10/2026");
    EXPECT_EQ(attempt([] { return vb::TimeValue(Variant::null()); }), "Null");
    EXPECT_EQ(attempt([] { return vb::DateValue(T("tomorrow")); }), "E13");
}

TEST(DateFunctions, Names)
{
    EXPECT_EQ(vb::WeekdayName(5).toStdString(), "Thursday");
    EXPECT_EQ(vb::WeekdayName(5, true).toStdString(), "Thu");
    EXPECT_EQ(vb::WeekdayName(1, false, FirstDayOfWeek::Monday).toStdString(), "Monday");
    EXPECT_EQ(vb::WeekdayName(7, false, FirstDayOfWeek::Monday).toStdString(), "Sunday");
    EXPECT_EQ(vb::MonthName(12).toStdString(), "December");
    EXPECT_EQ(vb::MonthName(9, true).toStdString(), "Sep");
    EXPECT_EQ(attemptText([] { return vb::WeekdayName(8).toStdString(); }), "E5");
    EXPECT_EQ(attemptText([] { return vb::MonthName(0).toStdString(); }), "E5");
}
