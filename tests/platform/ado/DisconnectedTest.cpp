// Record sets held in memory: the record-definition sets of the translation runs.
#include "AdoTestSupport.h"
#include "ado/Recordset.h"

#include <gtest/gtest.h>

using namespace ado;
using adotest::errorOf;

namespace {

struct Assign {
    int type;
    long size;
    int precision;
    int scale;
    vb::Variant value;
    const char *expected; // text of the stored value, nullptr when refused
};

} // namespace

class DisconnectedAssign : public ::testing::TestWithParam<Assign> {};

TEST_P(DisconnectedAssign, ConvertsOrRefuses)
{
    const Assign &c = GetParam();
    Recordset rs;
    rs.Fields().Append("F", c.type, c.size);
    if (c.type == adNumeric || c.type == adDecimal) {
        rs.Fields("F").setNumericScale(static_cast<uint8_t>(c.scale));
        rs.Fields("F").setPrecision(static_cast<uint8_t>(c.precision));
    }
    rs.setCursorType(adOpenKeyset);
    rs.setLockType(adLockOptimistic);
    rs.Open();
    rs.AddNew();
    const int error = errorOf([&] { rs("F") = c.value; });
    if (!c.expected) {
        EXPECT_EQ(error, -2147217887);
        EXPECT_TRUE(rs("F").Value().isNull()) << "the row keeps its old value";
    } else {
        ASSERT_EQ(error, 0);
        EXPECT_EQ(rs("F").Value().toString(), QString::fromUtf8(c.expected));
    }
}

INSTANTIATE_TEST_SUITE_P(Types, DisconnectedAssign, ::testing::Values(
    // dates: text that is no date, empty text, a date in text
    Assign{adDate, 8, 0, 0, vb::Variant(""), nullptr},
    Assign{adDate, 8, 0, 0, vb::Variant("not a date"), nullptr},
    Assign{adDate, 8, 0, 0, vb::Variant("12/10/2026"), "12/10/2026"},
    Assign{adDBTimeStamp, 8, 0, 0, vb::Variant("12/10/2026 1:05:09 PM"), "12/10/2026 1:05:09 PM"},
    Assign{adDBDate, 8, 0, 0, vb::Variant("12/10/2026 1:05:09 PM"), "12/10/2026"},
    Assign{adDBTime, 8, 0, 0, vb::Variant("1:05 PM"), "1:05:00 PM"},
    Assign{adDBTime, 8, 0, 0, vb::Variant(""), nullptr},
    // variable text with its size
    Assign{adVarChar, 3, 0, 0, vb::Variant("abc"), "abc"},
    Assign{adVarChar, 3, 0, 0, vb::Variant("abcd"), nullptr},
    Assign{adVarWChar, 5, 0, 0, vb::Variant(true), "True"},
    Assign{adLongVarChar, 0, 0, 0, vb::Variant("long"), "long"},
    Assign{adChar, 2, 0, 0, vb::Variant("xyz"), nullptr},
    // numbers: conversion, half to even, range
    Assign{adInteger, 4, 0, 0, vb::Variant("12.5"), "12"},
    Assign{adInteger, 4, 0, 0, vb::Variant("13.5"), "14"},
    Assign{adInteger, 4, 0, 0, vb::Variant("x"), nullptr},
    Assign{adInteger, 4, 0, 0, vb::Variant(""), nullptr},
    Assign{adSmallInt, 2, 0, 0, vb::Variant(40000), nullptr},
    Assign{adSmallInt, 2, 0, 0, vb::Variant("-32768"), "-32768"},
    Assign{adUnsignedTinyInt, 1, 0, 0, vb::Variant(256), nullptr},
    Assign{adSingle, 4, 0, 0, vb::Variant("0"), "0"},
    Assign{adDouble, 8, 0, 0, vb::Variant("1,234.5"), "1234.5"},
    Assign{adCurrency, 8, 0, 0, vb::Variant("12.34567"), "12.3457"},
    Assign{adNumeric, 10, 10, 2, vb::Variant("123.456"), "123.46"},
    Assign{adNumeric, 5, 5, 2, vb::Variant("1234.5"), nullptr},
    Assign{adNumeric, 5, 5, 2, vb::Variant("999.99"), "999.99"},
    Assign{adDecimal, 10, 10, 0, vb::Variant("abc"), nullptr},
    Assign{adNumeric, 10, 10, 2, vb::Variant(""), nullptr},
    // 64-bit integers and long decimals keep every digit of their text
    Assign{adBigInt, 8, 0, 0, vb::Variant("9007199254740993"), "9007199254740993"},
    Assign{adBigInt, 8, 0, 0, vb::Variant("1000000000000000000"), "1000000000000000000"},
    Assign{adBigInt, 8, 0, 0, vb::Variant("9223372036854775807"), "9223372036854775807"},
    Assign{adBigInt, 8, 0, 0, vb::Variant("-9223372036854775808"), "-9223372036854775808"},
    Assign{adBigInt, 8, 0, 0, vb::Variant("9223372036854775808"), nullptr},
    Assign{adBigInt, 8, 0, 0, vb::Variant("12.5"), "12"},
    Assign{adBigInt, 8, 0, 0, vb::Variant(4000000000.0), "4000000000"},
    Assign{adNumeric, 20, 20, 2, vb::Variant("123456789012345678.91"), "123456789012345678.91"},
    Assign{adNumeric, 20, 20, 2, vb::Variant("-0.50"), "-0.5"},
    Assign{adNumeric, 20, 20, 2, vb::Variant("1234567890123456789.1"), nullptr},
    // Booleans and GUIDs
    Assign{adBoolean, 2, 0, 0, vb::Variant("True"), "True"},
    Assign{adBoolean, 2, 0, 0, vb::Variant("0"), "False"},
    Assign{adBoolean, 2, 0, 0, vb::Variant("maybe"), nullptr},
    Assign{adGUID, 16, 0, 0, vb::Variant("6f9619ff-8b86-d011-b42d-00c04fc964ff"), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
    Assign{adGUID, 16, 0, 0, vb::Variant("6f9619ff"), nullptr},
    // Null only where the field allows it
    Assign{adVarChar, 10, 0, 0, vb::Variant::null(), nullptr}));

TEST(Disconnected, RefusedValueKeepsTheOldOne)
{
    Recordset rs;
    rs.Fields().Append("When", adDate, 8);
    rs.Fields().Append("Name", adVarChar, 10, adFldUpdatable | adFldIsNullable);
    rs.Open();
    rs.AddNew();
    rs("When") = "1/31/2026";
    rs("Name") = vb::Variant::null();
    rs.Update();
    const vb::Variant before = rs("When").Value();
    EXPECT_EQ(errorOf([&] { rs("When") = ""; }), -2147217887);
    EXPECT_TRUE(rs("When").Value().sameAs(before));
    EXPECT_TRUE(rs("Name").Value().isNull());
    EXPECT_EQ(rs("When").Value().type(), vb::VarType::Date);
}

TEST(Disconnected, AppendRefusesRepeatsUnknownTypesAndAnOpenSet)
{
    Recordset rs;
    rs.Fields().Append("A", adVarChar, 5);
    EXPECT_EQ(errorOf([&] { rs.Fields().Append("a", adInteger); }), 3367);
    EXPECT_EQ(errorOf([&] { rs.Fields().Append("B", 9999); }), 3001);
    EXPECT_EQ(errorOf([&] { rs.Fields().Append("B", 13); }), 3001);
    rs.Open();
    EXPECT_EQ(errorOf([&] { rs.Fields().Append("C", adInteger); }), 3705);
    EXPECT_EQ(errorOf([&] { rs.Fields("A").setPrecision(3); }), 3219);
    const Field &f = rs.Fields(0);
    EXPECT_EQ(f.Name(), QStringLiteral("A"));
    EXPECT_EQ(f.Type(), adVarChar);
    EXPECT_EQ(f.DefinedSize(), 5);
    EXPECT_EQ(errorOf([&] { rs.Fields(1); }), 3265);
}

TEST(Disconnected, NumericFieldKeepsPrecisionAndScale)
{
    Recordset rs;
    rs.Fields().Append("1N102", adNumeric, 10);
    rs.Fields("1N102").setNumericScale(2);
    rs.Fields("1N102").setPrecision(10);
    rs.Open();
    EXPECT_EQ(rs.Fields("1n102").Precision(), 10);
    EXPECT_EQ(rs.Fields("1n102").NumericScale(), 2);
    EXPECT_EQ(rs.State(), adStateOpen);
    EXPECT_TRUE(rs.Eof() && rs.Bof());
    EXPECT_EQ(rs.RecordCount(), 0);
}

namespace {

// Partner, Qty, Seq: a small in-memory table.
void fill(Recordset &rs, const std::vector<std::tuple<QString, int, int>> &rows)
{
    rs.Fields().Append("Partner", adVarChar, 20);
    rs.Fields().Append("Qty", adInteger, 4);
    rs.Fields().Append("Seq", adInteger, 4);
    rs.Open();
    for (const auto &[p, q, s] : rows) {
        rs.AddNew();
        rs("Partner") = p;
        rs("Qty") = vb::Variant::fromLong(q);
        rs("Seq") = vb::Variant::fromLong(s);
        rs.Update();
    }
    rs.MoveFirst();
}

std::vector<int> seqs(Recordset &rs)
{
    std::vector<int> out;
    if (rs.RecordCount() == 0)
        return out;
    rs.MoveFirst();
    while (!rs.Eof()) {
        out.push_back(static_cast<int>(rs("Seq").Value().rawInt()));
        rs.MoveNext();
    }
    return out;
}

} // namespace

TEST(Disconnected, FilterReadsCriteriaWithQuotedApostrophes)
{
    Recordset rs;
    fill(rs, {{"A'B", 1, 1}, {"a'b", 0, 2}, {"A'B", 5, 3}, {"AB", 7, 4}, {"Other", 2, 5}});
    rs.setFilter(QStringLiteral("Partner = 'A''B' AND Qty > 0"));
    EXPECT_EQ(seqs(rs), (std::vector<int>{1, 3}));
    rs.setFilter(QStringLiteral("(Partner = 'AB' OR Partner LIKE 'oth*') AND NOT Qty = 7"));
    EXPECT_EQ(seqs(rs), (std::vector<int>{5}));
    rs.setFilter(QStringLiteral("[Qty] >= 2 AND Qty <> 5"));
    EXPECT_EQ(seqs(rs), (std::vector<int>{4, 5}));
    rs.setFilter(vb::Variant(0)); // adFilterNone
    EXPECT_EQ(rs.RecordCount(), 5);
    EXPECT_EQ(errorOf([&] { rs.setFilter(QStringLiteral("Partner = 'unterminated")); }), 3001);
    EXPECT_EQ(errorOf([&] { rs.setFilter(QStringLiteral("Nobody = 1")); }), 3265);
}

TEST(Disconnected, FilterWildcardsAreOnlyStarAndPercent)
{
    Recordset rs;
    fill(rs, {{"A'B", 1, 1}, {"A_B", 1, 2}, {"AxB", 1, 3}, {"A?B", 1, 4}, {"AB", 1, 5}, {"A12B", 1, 6}});
    struct Case {
        const char *pattern;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {"A_B", {2}},          // "_" is itself, not any one character
        {"A?B", {4}},          // so is "?"
        {"A*B", {1, 2, 3, 4, 5, 6}},
        {"A%B", {1, 2, 3, 4, 5, 6}},
        {"a_*", {2}},
        {"*?*", {4}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pattern);
        rs.setFilter(QStringLiteral("Partner LIKE '%1'").arg(QLatin1String(c.pattern)));
        EXPECT_EQ(seqs(rs), c.rows);
    }
}

TEST(Disconnected, SortIsStableOverSeveralKeys)
{
    Recordset rs;
    fill(rs, {{"b", 2, 1}, {"A", 1, 2}, {"B", 1, 3}, {"a", 2, 4}, {"b", 1, 5}, {"A", 1, 6}});
    rs.setSort(QStringLiteral("Partner ASC, Qty DESC"));
    EXPECT_EQ(seqs(rs), (std::vector<int>{4, 2, 6, 1, 3, 5}));
    rs.setSort(QStringLiteral("[Qty]"));
    EXPECT_EQ(seqs(rs), (std::vector<int>{2, 3, 5, 6, 1, 4}));
    rs.setFilter(QStringLiteral("Qty = 1"));
    EXPECT_EQ(seqs(rs), (std::vector<int>{2, 3, 5, 6}));
    rs.setSort(QString());
    EXPECT_EQ(seqs(rs), (std::vector<int>{2, 3, 5, 6}));
    EXPECT_EQ(errorOf([&] { rs.setSort(QStringLiteral("Missing DESC")); }), 3265);
}

TEST(Disconnected, PositionsAndBookmarks)
{
    Recordset rs;
    fill(rs, {{"p", 1, 10}, {"q", 2, 20}, {"r", 3, 30}, {"s", 4, 40}});
    rs.setAbsolutePosition(3);
    EXPECT_EQ(rs("Seq").Value().rawInt(), 30);
    const vb::Variant mark = rs.Bookmark();
    rs.MoveFirst();
    EXPECT_EQ(rs.AbsolutePosition(), 1);
    rs.setBookmark(mark);
    EXPECT_EQ(rs("Seq").Value().rawInt(), 30);
    rs.MoveLast();
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(rs.AbsolutePosition(), adPosEOF);
    EXPECT_EQ(errorOf([&] { rs.MoveNext(); }), 3021);
    EXPECT_EQ(errorOf([&] { rs.setAbsolutePosition(5); }), 3001);
    rs.MoveFirst();
    rs.MovePrevious();
    EXPECT_TRUE(rs.Bof());
    EXPECT_EQ(rs.AbsolutePosition(), adPosBOF);
    EXPECT_EQ(errorOf([&] { rs("Seq").Value(); }), 3021);
}

TEST(Disconnected, DeleteLeavesTheRowCurrentUntilTheNextMove)
{
    Recordset rs;
    fill(rs, {{"p", 1, 10}, {"q", 2, 20}, {"r", 3, 30}});
    rs.MoveNext();
    rs.Delete();
    EXPECT_EQ(errorOf([&] { rs("Seq").Value(); }), 3021);
    EXPECT_EQ(rs.RecordCount(), 2);
    rs.MoveNext();
    EXPECT_EQ(rs("Seq").Value().rawInt(), 30);
    EXPECT_EQ(seqs(rs), (std::vector<int>{10, 30}));
}

TEST(Disconnected, CancelUpdateDropsTheNewRowAndTheEdits)
{
    Recordset rs;
    fill(rs, {{"p", 1, 10}});
    rs("Qty") = vb::Variant::fromLong(99);
    rs.CancelUpdate();
    EXPECT_EQ(rs("Qty").Value().rawInt(), 1);
    rs.AddNew();
    rs("Seq") = vb::Variant::fromLong(11);
    rs.CancelUpdate();
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs("Seq").Value().rawInt(), 10);
}

TEST(Disconnected, ReadOnlyAndForwardOnlySetsRefuse)
{
    Recordset ro;
    ro.Fields().Append("X", adInteger);
    ro.setCursorType(adOpenForwardOnly);
    ro.setLockType(adLockReadOnly);
    ro.setCursorType(adOpenStatic);
    ro.Open();
    EXPECT_EQ(errorOf([&] { ro.AddNew(); }), 3251);

    Recordset fwd;
    fwd.Fields().Append("X", adInteger);
    fwd.setCursorType(adOpenForwardOnly);
    fwd.setLockType(adLockOptimistic);
    fwd.Open();
    for (int i = 0; i < 3; ++i) {
        fwd.AddNew();
        fwd("X") = vb::Variant::fromLong(i);
        fwd.Update();
    }
    fwd.MoveFirst();
    fwd.MoveNext();
    EXPECT_EQ(errorOf([&] { fwd.MovePrevious(); }), -2147217884);
    EXPECT_EQ(errorOf([&] { fwd.setAbsolutePosition(1); }), -2147217884);
    EXPECT_EQ(fwd("X").Value().rawInt(), 1);
}

TEST(Disconnected, OpensWithNoSourceAndNoConnection)
{
    Recordset rs;
    rs.Fields().Append("Name", adVarWChar, 20);
    rs.Open(QString(), ado::ConnectionPtr(), adOpenKeyset, adLockOptimistic);
    EXPECT_EQ(rs.CursorType(), adOpenKeyset);
    EXPECT_EQ(rs.LockType(), adLockOptimistic);
    rs.AddNew();
    rs("Name") = "x";
    rs.Update();
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.rowid(), 0);
    EXPECT_EQ(rs.ActiveConnection(), nullptr);
    rs.Close();
    // The layout stays for the next opening; the rows do not.
    rs.Open();
    EXPECT_EQ(rs.Fields().Count(), 1);
    EXPECT_EQ(rs.RecordCount(), 0);
}

TEST(Disconnected, FilterComparesDatesAndNulls)
{
    Recordset rs;
    rs.Fields().Append("When", adDate, 8);
    rs.Fields().Append("Note", adVarChar, 10, adFldUpdatable | adFldIsNullable);
    rs.Open();
    const std::vector<std::pair<const char *, vb::Variant>> rows = {
        {"1/10/2026", vb::Variant("a")}, {"1/20/2026", vb::Variant::null()}, {"2/1/2026", vb::Variant("c")}};
    for (const auto &[when, note] : rows) {
        rs.AddNew();
        rs("When") = when;
        rs("Note") = note;
        rs.Update();
    }
    rs.setFilter(QStringLiteral("When >= #1/15/2026# AND When < #2/1/2026#"));
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_TRUE(rs("Note").Value().isNull());
    rs.setFilter(QStringLiteral("Note = Null"));
    EXPECT_EQ(rs.RecordCount(), 1);
    rs.setFilter(QStringLiteral("Note <> Null"));
    EXPECT_EQ(rs.RecordCount(), 2);
    rs.setSort(QStringLiteral("Note DESC"));
    EXPECT_EQ(rs("Note").Value().toString(), QStringLiteral("c"));
}
