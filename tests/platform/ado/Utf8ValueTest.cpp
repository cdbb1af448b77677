// Text given to a field as UTF-8 bytes (Field::setUtf8) is stored, read back
// and refused exactly as the same text given as a value (setValue).
#include "AdoTestSupport.h"
#include "TestDatabase.h"
#include "ado/Recordset.h"

#include <gtest/gtest.h>

using namespace ado;
using adotest::errorOf;
using corvantis::test::FreshDatabase;

namespace {

struct Utf8Case {
    const char *name;
    const char *table;
    const char *column;
    QString text;
    int error; // 0 when stored
};

// What one way of assigning left: the error, the value read before Update
// and the value read back from the file.
struct Outcome {
    int error = 0;
    vb::Variant pending;
    vb::Variant stored;
};

QString shown(const vb::Variant &v)
{
    return v.isNull() ? QStringLiteral("<null>") : v.toString();
}

Outcome store(Connection &cn, const Utf8Case &c, bool asUtf8)
{
    Outcome out;
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM %1").arg(QLatin1String(c.table)), cn, adOpenKeyset, adLockOptimistic);
    rs.AddNew();
    const QByteArray bytes = c.text.toUtf8();
    out.error = errorOf([&] {
        if (asUtf8)
            rs(QLatin1String(c.column)).setUtf8(bytes);
        else
            rs(QLatin1String(c.column)) = c.text;
    });
    out.pending = rs(QLatin1String(c.column)).Value();
    rs.Update();
    const qint64 rowid = rs.rowid();
    rs.Close();
    Recordset back;
    back.Open(QStringLiteral("SELECT * FROM %1 WHERE rowid = %2").arg(QLatin1String(c.table)).arg(rowid), cn);
    out.stored = back(QLatin1String(c.column)).Value();
    back.Close();
    return out;
}

} // namespace

class Utf8Values : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Values, AreStoredAndRefusedAsTheSameTextGivenAsAValue)
{
    const Utf8Case &c = GetParam();
    FreshDatabase db;
    const Outcome asValue = store(db.connection(), c, false);
    const Outcome asUtf8 = store(db.connection(), c, true);
    EXPECT_EQ(asValue.error, c.error);
    EXPECT_EQ(asUtf8.error, c.error);
    EXPECT_EQ(asUtf8.pending.type(), asValue.pending.type());
    EXPECT_EQ(shown(asUtf8.pending), shown(asValue.pending));
    EXPECT_EQ(asUtf8.stored.type(), asValue.stored.type());
    EXPECT_EQ(shown(asUtf8.stored), shown(asValue.stored));
    if (!c.error && asUtf8.stored.isString()) {
        EXPECT_EQ(asUtf8.stored.rawString(), c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Values,
    ::testing::Values(
        Utf8Case{"ascii", "Inbox", "Partner", QStringLiteral("ACME PARTS"), 0},
        Utf8Case{"empty", "Inbox", "Partner", QString(), 0},
        // Latin-1 letters and the euro sign take two and three bytes each.
        Utf8Case{"accents_in_memo", "Inbox", "TSet", QString::fromUtf8("ST*830*1~N1*ST*M\xc3\xbcller \xc3\xa9t\xc3\xa9 \xe2\x82\xac~"), 0},
        // A NUL in a bound value is kept whole.
        Utf8Case{"nul_kept", "Inbox", "TSet", QStringLiteral("before") + QChar(0) + QStringLiteral("after"), 0},
        // A limited field counts characters, not bytes: 255 two-byte letters fit.
        Utf8Case{"limit_in_characters", "Inbox", "SenderDivision", QString(255, QChar(0xFC)), 0},
        Utf8Case{"over_the_limit", "Inbox", "SenderDivision", QString(256, QLatin1Char('X')), -2147217887},
        // Outside the basic plane a character counts twice, as in a QString.
        Utf8Case{"four_byte_characters", "Inbox", "SenderDivision",
                 QString::fromUtf8("\xf0\x9f\x98\x80").repeated(128), -2147217887},
        // A number column takes the text through its conversion.
        Utf8Case{"number_column", "Transactions", "ControlNumber", QStringLiteral("42"), 0},
        Utf8Case{"number_column_refuses_text", "Transactions", "ControlNumber", QStringLiteral("forty-two"), -2147217887}),
    [](const ::testing::TestParamInfo<Utf8Case> &info) { return std::string(info.param.name); });

TEST(Utf8Values, TheLastAssignmentOfAFieldWins)
{
    FreshDatabase db;
    Recordset rs;
    rs.Open("SELECT * FROM Inbox", db.connection(), adOpenKeyset, adLockOptimistic);
    rs.AddNew();
    rs("Partner").setUtf8("FIRST");
    rs("Partner") = QStringLiteral("SECOND");
    rs("Status").setValue(QStringLiteral("Open"));
    rs("Status").setUtf8("Closed");
    rs.Update();
    EXPECT_EQ(rs("Partner").Value().rawString(), QStringLiteral("SECOND"));
    EXPECT_EQ(rs("Status").Value().rawString(), QStringLiteral("Closed"));
    // A change dropped by CancelUpdate is not stored by the next Update.
    rs("Partner").setUtf8("DROPPED");
    rs.CancelUpdate();
    rs.Update();
    EXPECT_EQ(rs("Partner").Value().rawString(), QStringLiteral("SECOND"));
}

TEST(Utf8Values, DisconnectedSetsKeepTheText)
{
    Recordset rs;
    rs.Fields().Append("F", adVarWChar, 10);
    rs.setCursorType(adOpenKeyset);
    rs.setLockType(adLockOptimistic);
    rs.Open();
    rs.AddNew();
    rs("F").setUtf8("\xc3\xa9t\xc3\xa9");
    rs.Update();
    rs.AddNew();
    EXPECT_EQ(errorOf([&] { rs("F").setUtf8("eleven char"); }), -2147217887);
    rs.CancelUpdate();
    rs.MoveFirst();
    EXPECT_EQ(rs("F").Value().rawString(), QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
}

TEST(Utf8Values, ReadOnlySetsRefuseThem)
{
    FreshDatabase db;
    Recordset rs;
    rs.Open("SELECT * FROM Partner", db.connection(), adOpenKeyset, adLockReadOnly);
    EXPECT_EQ(errorOf([&] { rs("Partner").setUtf8("X"); }), 3251);
}
