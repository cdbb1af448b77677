#include "VariantTestSupport.h"

#include "TestEnvironment.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vbtest;
using vb::Variant;

namespace {
Variant date(int y, int m, int d, int h = 0, int n = 0, int s = 0)
{
    return Variant::fromDate(vb::toOleDate(QDate(y, m, d), QTime(h, n, s)));
}
} // namespace

TEST(Conversions, WholeNumbersRoundHalfToEvenAndCheckRange)
{
    struct Case { Variant v; const char *cint, *clng, *cbyte; };
    const Case cases[] = {
        {D(2.5), "Integer:2", "Long:2", "Byte:2"},
        {D(3.5), "Integer:4", "Long:4", "Byte:4"},
        {D(-2.5), "Integer:-2", "Long:-2", "E6"},
        {D(-3.5), "Integer:-4", "Long:-4", "E6"},
        {D(2.4999), "Integer:2", "Long:2", "Byte:2"},
        {D(32767.4), "Integer:32767", "Long:32767", "E6"},
        {D(32767.5), "E6", "Long:32768", "E6"},
        {D(-32768.5), "Integer:-32768", "Long:-32768", "E6"},
        {D(2147483647.5), "E6", "E6", "E6"},
        {D(255.5), "Integer:256", "Long:256", "E6"},
        {C(1.5), "Integer:2", "Long:2", "Byte:2"},
        {C(2.5), "Integer:2", "Long:2", "Byte:2"},
        {T("2.5"), "Integer:2", "Long:2", "Byte:2"},
        {T(" 12 "), "Integer:12", "Long:12", "Byte:12"},
        {T("1,234"), "Integer:1234", "Long:1234", "E6"},
        {T("&HFF"), "Integer:255", "Long:255", "Byte:255"},
        {T("&HFFFF"), "Integer:-1", "Long:-1", "E6"},
        {T("1e3"), "Integer:1000", "Long:1000", "E6"},
        {T("(5)"), "Integer:-5", "Long:-5", "E6"},
        {T("$12"), "Integer:12", "Long:12", "Byte:12"},
        {T("12abc"), "E13", "E13", "E13"},
        {T(""), "E13", "E13", "E13"},
        {T("True"), "E13", "E13", "E13"},
        {Variant(true), "Integer:-1", "Long:-1", "E6"},
        {Variant(), "Integer:0", "Long:0", "Byte:0"},
        {Variant::null(), "E94", "E94", "E94"},
        {Variant::fromError(5), "E13", "E13", "E13"},
        {date(2026, 12, 10, 18, 0, 0), "E6", "Long:46367", "E6"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(attempt([&] { return Variant(vb::CInt(c.v)); }), c.cint) << "CInt " << show(c.v);
        EXPECT_EQ(attempt([&] { return Variant(vb::CLng(c.v)); }), c.clng) << "CLng " << show(c.v);
        EXPECT_EQ(attempt([&] { return Variant(vb::CByte(c.v)); }), c.cbyte) << "CByte " << show(c.v);
    }
}

TEST(Conversions, FloatingCurrencyBoolAndText)
{
    struct Case { Variant v; const char *cdbl, *ccur, *cbool, *cstr; };
    const Case cases[] = {
        {T("1.5"), "Double:1.5", "Currency:1.5", "Boolean:True", "String:1.5"},
        {T("0"), "Double:0", "Currency:0", "Boolean:False", "String:0"},
        {T("true"), "E13", "E13", "Boolean:True", "String:true"},
        {T(" False "), "E13", "E13", "Boolean:False", "String: False "},
        {T("yes"), "E13", "E13", "E13", "String:yes"},
        {D(0.1), "Double:0.1", "Currency:0.1", "Boolean:True", "String:0.1"},
        {D(1.00005), "Double:1.00005", "Currency:1", "Boolean:True", "String:1.00005"},
        {D(1.00015), "Double:1.00015", "Currency:1.0002", "Boolean:True", "String:1.00015"},
        {D(1e20), "Double:1E+20", "E6", "Boolean:True", "String:1E+20"},
        {D(-1.5e-7), "Double:-1.5E-07", "Currency:0", "Boolean:True", "String:-1.5E-07"},
        {D(1.0 / 3), "Double:0.333333333333333", "Currency:0.3333", "Boolean:True", "String:0.333333333333333"},
        {D(123456789012345.0), "Double:123456789012345", "Currency:123456789012345", "Boolean:True", "String:123456789012345"},
        {D(1234567890123456.0), "Double:1.23456789012346E+15", "E6", "Boolean:True", "String:1.23456789012346E+15"},
        {D(922337203685477.0), "Double:922337203685477", "Currency:922337203685477", "Boolean:True", "String:922337203685477"},
        {D(-2.00025), "Double:-2.00025", "Currency:-2.0002", "Boolean:True", "String:-2.00025"},
        {D(0.00001), "Double:1E-05", "Currency:0", "Boolean:True", "String:1E-05"},
        {D(1e300), "Double:1E+300", "E6", "Boolean:True", "String:1E+300"},
        {S(0.1f), "Double:0.100000001490116", "Currency:0.1", "Boolean:True", "String:0.1"},
        {Variant(false), "Double:0", "Currency:0", "Boolean:False", "String:False"},
        {Variant(), "Double:0", "Currency:0", "Boolean:False", "Empty"},
        {Variant::null(), "E94", "E94", "E94", "E94"},
        {date(2026, 12, 10), "Double:46366", "Currency:46366", "Boolean:True", "String:12/10/2026"},
        {Variant::fromCurrency(-12345), "Double:-1.2345", "Currency:-1.2345", "Boolean:True", "String:-1.2345"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(attempt([&] { return Variant(vb::CDbl(c.v)); }), c.cdbl) << "CDbl " << show(c.v);
        EXPECT_EQ(attempt([&] { return vb::CCur(c.v); }), c.ccur) << "CCur " << show(c.v);
        EXPECT_EQ(attempt([&] { return Variant(vb::CBool(c.v)); }), c.cbool) << "CBool " << show(c.v);
        EXPECT_EQ(attempt([&] { const QString s = vb::CStr(c.v); return s.isEmpty() ? Variant() : Variant(s); }),
                  c.cstr) << "CStr " << show(c.v);
    }
    EXPECT_EQ(attempt([] { return Variant(vb::CSng(D(1e39))); }), "E6");
    EXPECT_EQ(attempt([] { return Variant(vb::CSng(T("2.5"))); }), "Single:2.5");
    EXPECT_EQ(attempt([] { return Variant(vb::CSng(D(1.0 / 3))); }), "Single:0.3333333");
}

TEST(Conversions, DatesInUsForms)
{
    struct Case { const char *text; const char *expected; };
    const Case cases[] = {
        {"12/10/2026", "Date:12/10/2026"},
        {"12-10-2026", "Date:12/10/2026"},
        {"1/2/26", "Date:1/2/2026"},
        {"1/2/30", "Date:1/2/1930"},
        {"2026-12-10", "Date:12/10/2026"},
        {"2026/1/5", "Date:1/5/2026"},
        {"Dec 10, 2026", "Date:12/10/2026"},
        {"December 10, 2026", "Date:12/10/2026"},
        {"dec. 10 2026", "Date:12/10/2026"},
        {"10 Dec 2026", "Date:12/10/2026"},
        {"10-Dec-2026", "Date:12/10/2026"},
        {"Thursday, December 10, 2026", "Date:12/10/2026"},
        {"13:05", "Date:1:05:00 PM"},
        {"13:05:09", "Date:1:05:09 PM"},
        {"1:05 PM", "Date:1:05:00 PM"},
        {"1:05pm", "Date:1:05:00 PM"},
        {"12:30 AM", "Date:12:30:00 AM"},
        {"12:30 PM", "Date:12:30:00 PM"},
        {"0:00", "Date:12:00:00 AM"},
        {"1 PM", "Date:1:00:00 PM"},
        {"12/10/2026 13:05:09", "Date:12/10/2026 1:05:09 PM"},
        {"12/10/2026 1:05:09 PM", "Date:12/10/2026 1:05:09 PM"},
        {"2026-12-10T13:05:09", "Date:12/10/2026 1:05:09 PM"},
        {"December 10, 2026 12:00 AM", "Date:12/10/2026"},
        {"#12/10/2026#", "Date:12/10/2026"},
        {"13/12/2026", "Date:12/13/2026"},  // day first when the first number is no month
        {"2/30/2026", "E13"},
        {"13/13/2026", "E13"},
        {"24:00", "E13"},
        {"13:05 PM", "E13"},
        {"12:60", "E13"},
        {"Foo 10, 2026", "E13"},
        {"", "E13"},
        {"46366", "E13"},
        {"hello", "E13"},
        {"1/1/10000", "E13"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(attempt([&] { return vb::CDate(T(c.text)); }), c.expected) << c.text;
        EXPECT_EQ(vb::IsDate(T(c.text)), c.expected[0] != 'E') << c.text;
    }
    // Without a year the date is in the clock's current year.
    corvantis::test::setClock(2031, 6, 1, 8);
    EXPECT_EQ(attempt([] { return vb::CDate(T("12/10")); }), "Date:12/10/2031");
    EXPECT_EQ(attempt([] { return vb::CDate(T("Dec 10")); }), "Date:12/10/2031");
    EXPECT_EQ(attempt([] { return vb::CDate(T("10 Dec 1:05 PM")); }), "Date:12/10/2031 1:05:00 PM");
    EXPECT_EQ(attempt([] { return vb::CDate(T("2/30")); }), "E13");
    EXPECT_EQ(attempt([] { return vb::CDate(D(46366.5)); }), "Date:12/10/2026 12:00:00 PM");
    EXPECT_EQ(attempt([] { return vb::CDate(D(0)); }), "Date:12:00:00 AM");
    EXPECT_EQ(attempt([] { return vb::CDate(D(1e10)); }), "E6");
    EXPECT_EQ(attempt([] { return vb::CDate(Variant::null()); }), "E94");
    EXPECT_FALSE(vb::IsDate(Variant::null()));
    EXPECT_FALSE(vb::IsDate(D(46366)));
    EXPECT_TRUE(vb::IsDate(date(2026, 12, 10)));
}

TEST(Conversions, ValReadsTheLeadingNumber)
{
    struct Case { const char *text; double expected; };
    const Case cases[] = {
        {"  12abc", 12}, {"&H1F", 31}, {"&HFFFF", -1}, {"&hffff0", 1048560}, {"&O17", 15}, {"&17", 15},
        {"1e3", 1000}, {"1.5E-2x", 0.015}, {"1 2 3", 123}, {" - 5", -5}, {"-.5", -0.5}, {"1,000", 1},
        {"abc", 0}, {"", 0}, {"1e", 1}, {"3.1.4", 3.1}, {"$5", 0}, {"2d2", 200},
    };
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(vb::Val(T(c.text)), c.expected) << c.text;
    EXPECT_DOUBLE_EQ(vb::Val(I(42)), 42);
    EXPECT_EQ(attemptText([] { return std::to_string(vb::Val(Variant::null())); }), "E94");
}

TEST(Conversions, IsNumeric)
{
    struct Case { Variant v; bool expected; };
    const Case cases[] = {
        {T("12"), true}, {T(" -1.5e3 "), true}, {T("1,000.50"), true}, {T("$1"), true}, {T("(2)"), true},
        {T("&H10"), true}, {T("."), false}, {T("1e"), false}, {T("12abc"), false}, {T(""), false},
        {T("1-"), false}, {T("--1"), false}, {T(",1"), false}, {T("1e999"), false},
        {Variant(), true}, {Variant(true), true}, {D(1.5), true}, {C(2), true},
        {Variant::null(), false}, {date(2026, 12, 10), false}, {Variant::nothing(), false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(vb::IsNumeric(c.v), c.expected) << show(c.v);
}
