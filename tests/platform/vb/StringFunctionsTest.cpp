#include "VariantTestSupport.h"

#include "vb/Strings.h"

#include <gtest/gtest.h>

using namespace vbtest;
using vb::CompareMode;
using vb::Variant;

namespace {
const CompareMode bin = CompareMode::Binary, text = CompareMode::Text;

std::string joined(const QStringList &l)
{
    return l.isEmpty() ? "<none>" : l.join(QLatin1Char('|')).toStdString();
}
} // namespace

TEST(StringFunctions, PiecesAndArgumentErrors)
{
    struct Case { std::function<QString()> f; const char *expected; const char *what; };
    const Case cases[] = {
        {[] { return vb::Mid("abcdef", 2, 3); }, "bcd", "Mid 2,3"},
        {[] { return vb::Mid("abcdef", 4); }, "def", "Mid to the end"},
        {[] { return vb::Mid("abc", 5, 2); }, "", "Mid past the end"},
        {[] { return vb::Mid("abc", 2, 100); }, "bc", "Mid long length"},
        {[] { return vb::Mid("abc", 0, 1); }, "E5", "Mid start 0"},
        {[] { return vb::Mid("abc", 1, -1); }, "E5", "Mid negative length"},
        {[] { return vb::Left("abc", 2); }, "ab", "Left"},
        {[] { return vb::Left("abc", 9); }, "abc", "Left long"},
        {[] { return vb::Left("abc", -1); }, "E5", "Left negative"},
        {[] { return vb::Right("abc", 2); }, "bc", "Right"},
        {[] { return vb::Right("abc", -2); }, "E5", "Right negative"},
        {[] { return vb::Trim("  a b  "); }, "a b", "Trim"},
        {[] { return vb::Trim("\ta\t"); }, "\ta\t", "Trim keeps tabs"},
        {[] { return vb::LTrim("  a  "); }, "a  ", "LTrim"},
        {[] { return vb::RTrim("  a  "); }, "  a", "RTrim"},
        {[] { return vb::UCase("aBc"); }, "ABC", "UCase"},
        {[] { return vb::LCase("aBc"); }, "abc", "LCase"},
        {[] { return vb::Space(3); }, "   ", "Space"},
        {[] { return vb::Space(-1); }, "E5", "Space negative"},
        {[] { return vb::String(3, "xyz"); }, "xxx", "String of text"},
        {[] { return vb::String(2, 65); }, "AA", "String of a code"},
        {[] { return vb::String(2, 321); }, "AA", "String code modulo 256"},
        {[] { return vb::String(2, ""); }, "E5", "String of nothing"},
        {[] { return vb::String(-1, QChar(u'a')); }, "E5", "String negative"},
        {[] { return vb::StrReverse("abc"); }, "cba", "StrReverse"},
        {[] { return vb::Chr(65); }, "A", "Chr"},
        {[] { return vb::Chr(233); }, "\u00e9", "Chr Latin-1"},
        {[] { return vb::Chr(147); }, "\u201c", "Chr in the code page of the text files"},
        {[] { return vb::Chr(129); }, "\u0081", "Chr of a byte the code page leaves undefined"},
        {[] { return vb::String(2, 128); }, "\u20ac\u20ac", "String of a code in the code page"},
        {[] { return vb::Chr(256); }, "E5", "Chr too big"},
        {[] { return vb::ChrW(0x20AC); }, "\u20ac", "ChrW"},
        {[] { return vb::ChrW(-1); }, "\uffff", "ChrW negative"},
        {[] { return vb::ChrW(65536); }, "E5", "ChrW too big"},
        {[] { return vb::Hex(L(255)); }, "FF", "Hex"},
        {[] { return vb::Hex(I(-1)); }, "FFFF", "Hex Integer"},
        {[] { return vb::Hex(L(-1)); }, "FFFFFFFF", "Hex Long"},
        {[] { return vb::Hex(D(2.5)); }, "2", "Hex rounds half to even"},
        {[] { return vb::Hex(Variant()); }, "0", "Hex Empty"},
        {[] { return vb::Hex(T("&H1F")); }, "1F", "Hex of text"},
        {[] { return vb::Hex(D(5e9)); }, "E6", "Hex overflow"},
        {[] { return vb::Oct(L(8)); }, "10", "Oct"},
        {[] { return vb::Oct(I(-1)); }, "177777", "Oct Integer"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(attemptText([&] { return c.f().toStdString(); }), c.expected) << c.what;

    EXPECT_EQ(vb::Len("abc"), 3);
    EXPECT_EQ(vb::Asc("A"), 65);
    EXPECT_EQ(vb::Asc(QString(QChar(0xE9))), 233);
    EXPECT_EQ(vb::Asc(QString(QChar(0x20AC))), 128);
    EXPECT_EQ(vb::Asc(QString(QChar(0x201C))), 147);
    EXPECT_EQ(vb::Asc(QString(QChar(0x93))), 147) << "text of earlier versions";
    EXPECT_EQ(vb::Asc(QString(QChar(0x4E2D))), 63);
    EXPECT_EQ(vb::AscW(QString(QChar(0x20AC))), 0x20AC);
    EXPECT_EQ(vb::AscW(QString(QChar(0xFFFF))), -1);
    EXPECT_EQ(attemptText([] { return std::to_string(vb::Asc("")); }), "E5");
}

TEST(StringFunctions, SearchingInBothModes)
{
    struct Case { int got; int expected; const char *what; };
    const Case cases[] = {
        {vb::InStr("abcabc", "c"), 3, "InStr"},
        {vb::InStr(4, "abcabc", "c"), 6, "InStr from 4"},
        {vb::InStr("abcabc", "C"), 0, "InStr binary case"},
        {vb::InStr("abcabc", "C", text), 3, "InStr text case"},
        {vb::InStr(3, "abc", ""), 3, "InStr empty find"},
        {vb::InStr(5, "abc", "a"), 0, "InStr past the end"},
        {vb::InStr("", "a"), 0, "InStr in empty"},
        {vb::InStrRev("abcabc", "b"), 5, "InStrRev"},
        {vb::InStrRev("abcabc", "b", 4), 2, "InStrRev from 4"},
        {vb::InStrRev("abcabc", "bc", 5), 2, "InStrRev match must end by start"},
        {vb::InStrRev("abcabc", "B", -1, text), 5, "InStrRev text"},
        {vb::InStrRev("abc", "a", 9), 0, "InStrRev start past end"},
        {vb::StrComp("a", "B"), 1, "StrComp binary"},
        {vb::StrComp("a", "B", text), -1, "StrComp text"},
        {vb::StrComp("abc", "ABC", text), 0, "StrComp equal text"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.got, c.expected) << c.what;
    EXPECT_EQ(attemptText([] { return std::to_string(vb::InStr(0, "a", "a")); }), "E5");
    EXPECT_EQ(attemptText([] { return std::to_string(vb::InStrRev("a", "a", 0)); }), "E5");
}

TEST(StringFunctions, ReplaceSplitJoinFilterInBothModes)
{
    struct Case { QString got; const char *expected; const char *what; };
    const Case cases[] = {
        {vb::Replace("aXbxc", "x", "-"), "aXb-c", "Replace binary"},
        {vb::Replace("aXbxc", "x", "-", 1, -1, text), "a-b-c", "Replace text"},
        {vb::Replace("abcabc", "b", "", 1, 1), "acabc", "Replace count 1"},
        {vb::Replace("abcabc", "a", "z", 3), "czbc", "Replace from 3 drops the start"},
        {vb::Replace("abc", "", "z"), "abc", "Replace empty find"},
        {vb::Replace("aaa", "a", "aa"), "aaaaaa", "Replace does not rescan"},
        {vb::Replace("abc", "b", "x", 9), "", "Replace start past end"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.got.toStdString(), c.expected) << c.what;
    EXPECT_EQ(attemptText([] { return vb::Replace("a", "a", "b", 0).toStdString(); }), "E5");
    EXPECT_EQ(attemptText([] { return vb::Replace("a", "a", "b", 1, -2).toStdString(); }), "E5");

    struct SplitCase { QStringList got; const char *expected; const char *what; };
    const SplitCase splits[] = {
        {vb::Split("a b  c"), "a|b||c", "Split on blanks"},
        {vb::Split("aXbxc", "x"), "aXb|c", "Split binary"},
        {vb::Split("aXbxc", "x", -1, text), "a|b|c", "Split text"},
        {vb::Split("a,b,c,d", ",", 2), "a|b,c,d", "Split limit"},
        {vb::Split("a,b", ",", 0), "<none>", "Split limit 0"},
        {vb::Split("", ","), "<none>", "Split of nothing"},
        {vb::Split("abc", ""), "abc", "Split empty delimiter"},
        {vb::Split(",a,", ","), "|a|", "Split keeps empty ends"},
        {vb::Split("a<>b<>c", "<>"), "a|b|c", "Split long delimiter"},
    };
    for (const auto &c : splits)
        EXPECT_EQ(joined(c.got), c.expected) << c.what;
    EXPECT_EQ(attemptText([] { return joined(vb::Split("a", ",", -2)); }), "E5");
    EXPECT_EQ(vb::Join({"a", "b", "c"}, ", ").toStdString(), "a, b, c");
    EXPECT_EQ(vb::Join({"a", "b"}).toStdString(), "a b");

    const QStringList items{"Apple", "banana", "cherry"};
    EXPECT_EQ(joined(vb::Filter(items, "an")), "banana");
    EXPECT_EQ(joined(vb::Filter(items, "A")), "Apple");
    EXPECT_EQ(joined(vb::Filter(items, "A", true, text)), "Apple|banana");
    EXPECT_EQ(joined(vb::Filter(items, "A", false, text)), "cherry");
}

TEST(StringFunctions, VariantFormsFollowTheNullRules)
{
    const Variant null = Variant::null();
    EXPECT_EQ(show(vb::var::Len(null)), "Null");
    EXPECT_EQ(show(vb::var::Len(I(12345))), "Long:5");
    EXPECT_EQ(show(vb::var::Mid(T("abcdef"), I(2), I(2))), "String:bc");
    EXPECT_EQ(show(vb::var::Mid(T("abcdef"), I(5))), "String:ef");
    EXPECT_EQ(show(vb::var::Mid(null, I(2))), "Null");
    EXPECT_EQ(attempt([&] { return vb::var::Mid(T("abc"), null); }), "E94");
    EXPECT_EQ(show(vb::var::Left(null, I(1))), "Null");
    EXPECT_EQ(show(vb::var::Right(D(12.5), I(2))), "String:.5");
    EXPECT_EQ(show(vb::var::InStr(Variant::missing(), T("abc"), T("c"))), "Long:3");
    EXPECT_EQ(show(vb::var::InStr(I(1), null, T("c"))), "Null");
    EXPECT_EQ(show(vb::var::InStrRev(T("abcb"), T("b"))), "Long:4");
    EXPECT_EQ(show(vb::var::Trim(null)), "Null");
    EXPECT_EQ(show(vb::var::UCase(T("a"))), "String:A");
    EXPECT_EQ(show(vb::var::StrComp(T("a"), null)), "Null");
    EXPECT_EQ(show(vb::var::StrComp(T("a"), T("A"), text)), "Integer:0");
    EXPECT_EQ(show(vb::var::Hex(null)), "Null");
    EXPECT_EQ(show(vb::var::Hex(I(31))), "String:1F");
}
