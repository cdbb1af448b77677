#include "VariantTestSupport.h"

#include "vb/DateTime.h"
#include "vb/Format.h"

#include <gtest/gtest.h>

using namespace vbtest;
using vb::Variant;

namespace {

Variant at(int y, int m, int d, int h, int n, int s)
{
    return Variant::fromDate(vb::toOleDate(QDate(y, m, d), QTime(h, n, s)));
}

// The fixed moments: an afternoon hour, the 00 hour (12 AM) with one-digit
// month and day, the 12 hour (12 PM), and a one-digit morning hour.
const Variant afternoon = at(2026, 12, 10, 13, 5, 9);
const Variant midnightHour = at(2026, 3, 5, 0, 7, 9);
const Variant noonHour = at(2026, 3, 5, 12, 34, 56);
const Variant morning = at(2026, 7, 4, 9, 5, 3);

std::string fmt(const Variant &v, const char *pattern)
{
    return attemptText([&] { return vb::Format(v, QString::fromUtf8(pattern)).toStdString(); });
}

} // namespace

TEST(Format, PatternsOfTheSystemAtFixedMoments)
{
    struct Case { const char *pattern, *afternoon, *midnightHour, *noonHour, *morning; };
    const Case cases[] = {
        {"mm/d/yyyy", "12/10/2026", "03/5/2026", "03/5/2026", "07/4/2026"},
        {"m/d/yyyy", "12/10/2026", "3/5/2026", "3/5/2026", "7/4/2026"},
        {"MM/DD/YYYY", "12/10/2026", "03/05/2026", "03/05/2026", "07/04/2026"},
        {"yymmdd", "261210", "260305", "260305", "260704"},
        {"yyyymmdd", "20261210", "20260305", "20260305", "20260704"},
        {"hh:mm:ss AMPM", "01:05:09 PM", "12:07:09 AM", "12:34:56 PM", "09:05:03 AM"},
        {"HH:MM", "13:05", "00:07", "12:34", "09:05"},
        {"HHMM", "1305", "0007", "1234", "0905"},
        {"hhnn", "1305", "0007", "1234", "0905"},
        {"hhmmss", "130509", "000709", "123456", "090503"},
        {"mmddyy-hhmmss AMPM", "121026-010509 PM", "030526-120709 AM", "030526-123456 PM", "070426-090503 AM"},
        {"mmddyy-hhmmss-AMPM", "121026-010509-PM", "030526-120709-AM", "030526-123456-PM", "070426-090503-AM"},
        {"mmmm d, yyyy", "December 10, 2026", "March 5, 2026", "March 5, 2026", "July 4, 2026"},
        {"h:mm AM/PM", "1:05 PM", "12:07 AM", "12:34 PM", "9:05 AM"},
        {"hh:mm AM/PM", "01:05 PM", "12:07 AM", "12:34 PM", "09:05 AM"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(fmt(afternoon, c.pattern), c.afternoon) << c.pattern;
        EXPECT_EQ(fmt(midnightHour, c.pattern), c.midnightHour) << c.pattern;
        EXPECT_EQ(fmt(noonHour, c.pattern), c.noonHour) << c.pattern;
        EXPECT_EQ(fmt(morning, c.pattern), c.morning) << c.pattern;
    }
}

TEST(Format, NumberPatternsOfTheSystem)
{
    struct Case { Variant v; const char *pattern, *expected; };
    const Case cases[] = {
        {L(123), "000000000", "000000123"},
        {L(1234567890), "000000000", "1234567890"},  // more digits than placeholders are all shown
        {D(12.5), "000000000", "000000013"},         // half away from zero
        {D(11.5), "000000000", "000000012"},
        {I(0), "000000000", "000000000"},
        {L(-5), "000000000", "-000000005"},
        {T("42"), "000000000", "000000042"},
        {I(0), "###0", "0"},
        {L(1234), "###0", "1234"},
        {L(123456), "###0", "123456"},
        {D(2.5), "###0", "3"},
        {D(-2.5), "###0", "-3"},
        {I(5), "00", "05"},
        {I(123), "00", "123"},
        {D(0.5), "00", "01"},
        {Variant(), "00", "00"},
        {Variant::null(), "00", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fmt(c.v, c.pattern), c.expected) << show(c.v) << " with " << c.pattern;
}

TEST(Format, DateTokens)
{
    struct Case { Variant v; const char *pattern, *expected; };
    const Case cases[] = {
        {afternoon, "d dd ddd dddd", "10 10 Thu Thursday"},
        {midnightHour, "d dd", "5 05"},
        {afternoon, "ddddd", "12/10/2026"},
        {afternoon, "dddddd", "Thursday, December 10, 2026"},
        {afternoon, "m mm mmm mmmm", "12 12 Dec December"},
        {afternoon, "yy yyyy y", "26 2026 344"},
        {afternoon, "q", "4"},
        {afternoon, "w ww", "5 50"},
        {afternoon, "h:n:s", "13:5:9"},
        {afternoon, "h:m:s", "13:5:9"},               // m after h is the minute
        {afternoon, "hh:nn:ss", "13:05:09"},
        {afternoon, "c", "12/10/2026 1:05:09 PM"},
        {afternoon, "ttttt", "1:05:09 PM"},
        {afternoon, "h AM/PM", "1 PM"},
        {afternoon, "h am/pm", "1 pm"},
        {afternoon, "h A/P", "1 P"},
        {midnightHour, "h a/p", "12 a"},
        {noonHour, "hh AMPM", "12 PM"},
        {afternoon, "\"Day \"d", "Day 10"},
        {afternoon, "\\h\\h hh", "hh 13"},
        {afternoon, "yyyy-mm-dd\"T\"hh:nn:ss", "2026-12-10T13:05:09"},
        {afternoon, "dd-mmm-yy", "10-Dec-26"},
        {Variant::fromDate(vb::toOleDate(QDate(1899, 12, 30), QTime(13, 5, 9))), "mm/dd/yyyy hh:nn", "12/30/1899 13:05"},
        {T("12/10/2026"), "yyyymmdd", "20261210"},
        {T("December 10, 2026 1:05 PM"), "yyyy-mm-dd hh:nn", "2026-12-10 13:05"},
        {D(46366.5), "mm/dd/yyyy hh:nn", "12/10/2026 12:00"},
        {T("not a date"), "mm/dd/yyyy", "not a date"},
        {Variant::null(), "mm/dd/yyyy", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fmt(c.v, c.pattern), c.expected) << show(c.v) << " with " << c.pattern;
    EXPECT_EQ(vb::Format(afternoon, "w", vb::FirstDayOfWeek::Monday).toStdString(), "4");
}

TEST(Format, NamedFormats)
{
    struct Case { Variant v; const char *pattern, *expected; };
    const Case cases[] = {
        {afternoon, "General Date", "12/10/2026 1:05:09 PM"},
        {afternoon, "Long Date", "Thursday, December 10, 2026"},
        {afternoon, "Medium Date", "10-Dec-26"},
        {afternoon, "Short Date", "12/10/2026"},
        {midnightHour, "short date", "3/5/2026"},
        {afternoon, "Long Time", "1:05:09 PM"},
        {midnightHour, "Long Time", "12:07:09 AM"},
        {afternoon, "Medium Time", "01:05 PM"},
        {afternoon, "Short Time", "13:05"},
        {D(1234567.891), "General Number", "1234567.891"},
        {D(1234.567), "Currency", "$1,234.57"},
        {D(-1234.567), "Currency", "($1,234.57)"},
        {D(0), "Currency", "$0.00"},
        {D(1234.567), "Fixed", "1234.57"},
        {D(-1), "Fixed", "-1.00"},
        {D(0.5), "Fixed", "0.50"},
        {D(1234567.891), "Standard", "1,234,567.89"},
        {D(0.1234), "Percent", "12.34%"},
        {D(1234.5), "Scientific", "1.23E+03"},
        {D(0.000123), "Scientific", "1.23E-04"},
        {I(0), "Scientific", "0.00E+00"},
        {I(0), "Yes/No", "No"},
        {I(5), "Yes/No", "Yes"},
        {Variant(true), "True/False", "True"},
        {I(0), "On/Off", "Off"},
        {Variant::null(), "Currency", ""},
        {T("abc"), "Fixed", "abc"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fmt(c.v, c.pattern), c.expected) << show(c.v) << " with " << c.pattern;
}

TEST(Format, GeneralNumberPatterns)
{
    struct Case { Variant v; const char *pattern, *expected; };
    const Case cases[] = {
        {D(1234567.891), "#,##0.00", "1,234,567.89"},
        {D(999.999), "#,##0.00", "1,000.00"},
        {L(1234567), "#,##0,", "1,235"},             // a trailing comma divides by 1000
        {L(1234567890), "0,,", "1235"},
        {D(0.5), "0%", "50%"},
        {D(5), "0.00", "5.00"},
        {D(1.005), "0.00", "1.01"},                  // rounds the decimal form, not the binary error
        {D(2.675), "0.00", "2.68"},
        {D(0.125), "0.00", "0.13"},
        {Variant::fromCurrency(12345), "0.000", "1.235"},
        {D(1), "#.##", "1."},
        {D(0.5), "#.##", ".5"},
        {D(1.5), ".00", "1.50"},
        {D(1.25), "0.0#", "1.25"},
        {D(1.5), "0.0#", "1.5"},
        {L(123456789), "000-00-0000", "123-45-6789"},
        {D(12345), "0.00E+00", "1.23E+04"},
        {D(9.999), "0.00E+00", "1.00E+01"},
        {D(0.00012), "0.0E-0", "1.2E-4"},
        {D(1234), "0.0e+00", "1.2e+03"},
        {D(12345), "00.0E+0", "12.3E+3"},
        {D(-5), "0;(0)", "(5)"},
        {D(5), "0;(0)", "5"},
        {D(0), "0;(0);\\Z\\e\\r\\o", "Zero"},
        {D(-5), "0;;\"zero\"", "-5"},                // an empty section uses the first one
        {Variant::null(), "0;(0);Z;\"nothing\"", "nothing"},
        {D(-0.4), "0", "-0"},                         // the classic result
        {D(1e20), "0", "100000000000000000000"},
        {D(-1234.5), "$#,##0.00", "-$1,234.50"},
        {I(5), "\\$0", "$5"},
        {I(5), "\"Total: \"0", "Total: 5"},
        {I(12), "0 \"units\"", "12 units"},
        {T("12"), "000", "012"},
        {T("abc"), "000", "abc"},
        {Variant(true), "0", "-1"},
        {afternoon, "0.00", "46366.55"},
        {I(7), "x", "x"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fmt(c.v, c.pattern), c.expected) << show(c.v) << " with " << c.pattern;
}

TEST(Format, TextPatterns)
{
    struct Case { Variant v; const char *pattern, *expected; };
    const Case cases[] = {
        {T("abc"), ">", "ABC"},
        {T("ABC"), "<", "abc"},
        {T("abc"), "@@@@@", "  abc"},
        {T("abc"), "!@@@@@", "abc  "},
        {T("abc"), "&&&&&", "abc"},
        {T("abcdef"), "@@@", "abcdef"},              // nothing is cut off
        {T("abcdef"), "!@@@", "abcdef"},
        {T("5551234"), "@@@-@@@@", "555-1234"},
        {T("abc"), ">@@@@", " ABC"},
        {T(""), "@;\"(none)\"", "(none)"},
        {Variant::null(), "@;\"(none)\"", "(none)"},
        {Variant::null(), "@@@", ""},
        {I(123), "@@@@@", "  123"},
        {T("ab"), "\"[\"@@@\"]\"", "[ ab]"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fmt(c.v, c.pattern), c.expected) << show(c.v) << " with " << c.pattern;
}

TEST(Format, NoPattern)
{
    EXPECT_EQ(fmt(D(0.1), ""), "0.1");
    EXPECT_EQ(fmt(afternoon, ""), "12/10/2026 1:05:09 PM");
    EXPECT_EQ(fmt(Variant::null(), ""), "");
    EXPECT_EQ(fmt(Variant(), ""), "");
    EXPECT_EQ(fmt(Variant(true), ""), "True");
    EXPECT_EQ(fmt(Variant::nothing(), "0"), "E91");
}

TEST(Format, AnyTypedPatternGivesTextAndNeverFails)
{
    // Users type patterns into maps: every pattern made of the pattern
    // characters (including unbalanced quotes, lone escapes and empty
    // sections) must give a result for every kind of value.
    const char alphabet[] = "0#.,%E+-e@&<>!;\"\\dmyhnswqcAMPamp/:t $()x1";
    const Variant values[] = {D(0), D(-1234.5678), D(1e300), D(1e-300), T("abc"), T(""), Variant::null(), Variant(),
                              afternoon, L(INT32_MIN), Variant::fromCurrency(INT64_MIN), Variant::fromCurrency(INT64_MAX),
                              Variant(true), S(3.4e38f), T("12/10/2026"), T("-0.5"), B(255)};
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int round = 0; round < 4000; ++round) {
        QString pattern;
        const int length = int(next() % 14);
        for (int i = 0; i < length; ++i)
            pattern += QLatin1Char(alphabet[next() % (sizeof alphabet - 1)]);
        for (const Variant &v : values) {
            try {
                (void)vb::Format(v, pattern);
            } catch (const std::exception &e) {
                ADD_FAILURE() << "Format(" << show(v) << ", \"" << pattern.toStdString() << "\") raised " << e.what();
            }
        }
    }
}
