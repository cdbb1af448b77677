// Connected record sets on a fresh copy of the application database.
#include "TestDatabase.h"
#include "ado/Recordset.h"
#include "vb/VbError.h"

#include <gtest/gtest.h>

using namespace ado;
using corvantis::test::FreshDatabase;

namespace {

int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const vb::VbError &e) {
        return e.number;
    }
    return 0;
}

void addHistory(Connection &cn, const QString &type, const QString &text)
{
    Recordset rs;
    rs.Open("SELECT * FROM History", cn, adOpenKeyset, adLockOptimistic);
    rs.AddNew();
    rs("Type") = type;
    rs("Date") = "01/2/2026";
    rs("Time") = "10:00:00 AM";
    rs("User") = "System";
    rs("Description") = text;
    rs.Update();
    rs.Close();
}

} // namespace

TEST(Recordset, HistoryIndexIsReadableAfterUpdate)
{
    FreshDatabase db;
    Recordset rs;
    rs.Open("SELECT * FROM History", db.connection(), adOpenKeyset, adLockOptimistic);
    rs.AddNew();
    rs("Type") = "Info";
    rs("Description") = "first";
    rs.Update();
    const vb::Variant first = rs("Index").Value();
    rs.AddNew();
    rs("Type") = "Info";
    rs("Description") = "second";
    rs.Update();
    EXPECT_EQ(first.type(), vb::VarType::Long);
    EXPECT_EQ(rs("Index").Value().rawInt(), first.rawInt() + 1);
    EXPECT_EQ(rs.Fields("index").Name(), QStringLiteral("Index"));
    // Unset text columns read as empty text, not Null.
    EXPECT_TRUE(rs("User").Value().isString());
    EXPECT_EQ(rs("User").Value().rawString(), QString());
}

TEST(Recordset, FieldChangedWithoutUpdateIsStoredOnMove)
{
    FreshDatabase db;
    for (int i = 0; i < 3; ++i)
        addHistory(db.connection(), "Info", QStringLiteral("entry %1").arg(i));
    {
        Recordset rs;
        rs.Open("SELECT * FROM History ORDER BY Index ASC", db.connection(), adOpenKeyset, adLockOptimistic);
        while (!rs.Eof()) {
            rs("Type") = "Warning";
            rs.MoveNext();
        }
        rs.Close();
    }
    Recordset check;
    check.Open("SELECT * FROM History WHERE Type = 'warning'", db.connection(), adOpenForwardOnly, adLockReadOnly);
    EXPECT_EQ(check.RecordCount(), 3);
}

TEST(Recordset, ReadingAtEofAndUnknownNamesRaise)
{
    FreshDatabase db;
    Recordset rs;
    rs.Open("SELECT * FROM History", db.connection(), adOpenKeyset, adLockOptimistic);
    EXPECT_TRUE(rs.Eof());
    EXPECT_TRUE(rs.Bof());
    EXPECT_EQ(errorOf([&] { rs("Type").Value(); }), 3021);
    EXPECT_EQ(errorOf([&] { rs("NoSuchField"); }), 3265);
}
