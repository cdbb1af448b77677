// The transaction set's key: its text forms and the rows its condition picks.
#include "TestDatabase.h"

#include "core/SetKey.h"

#include "ado/Recordset.h"

#include <gtest/gtest.h>

using core::SetKey;
using corvantis::test::FreshDatabase;

TEST(SetKey, TextFormsAndSelection)
{
    const struct {
        const char *text;
        SetKey key;
        const char *stem;
    } cases[] = {
        {"ACME01,850,004010,I", {"ACME01", "850", "004010", "I"}, "ACME01_850_004010_I"},
        {"O'NEIL,810,004010,O", {"O'NEIL", "810", "004010", "O"}, "O'NEIL_810_004010_O"},
        // A partner name holding commas keeps them: the last three parts are the set's.
        {"SMITH, JONES,INC,856,004010,I", {"SMITH, JONES,INC", "856", "004010", "I"}, "SMITH, JONES,INC_856_004010_I"},
        {"ACME 01 ,850,,I", {"ACME 01 ", "850", "", "I"}, "ACME 01 _850__I"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const SetKey key = SetKey::fromSelection(QString::fromUtf8(c.text));
        EXPECT_EQ(key, c.key);
        EXPECT_FALSE(key.isEmpty());
        EXPECT_EQ(key.text(), QString::fromUtf8(c.text));
        EXPECT_EQ(key.fileStem(), QString::fromUtf8(c.stem));
    }
    // No unique selection (empty text) or text that is no key: an empty key.
    for (const char *text : {"", "ACME01", "ACME01,850,004010", ",,,"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(SetKey::fromSelection(QString::fromUtf8(text)).isEmpty());
    }
    EXPECT_NE((SetKey{"A", "850", "004010", "I"}), (SetKey{"A", "850", "004010", "O"}));
}

TEST(SetKey, ConditionPicksExactlyTheKeysRows)
{
    FreshDatabase db;
    ado::Connection &cn = db.connection();
    // Rows that differ from the wanted key in one part each, and one whose
    // partner would end a quoted value.
    const SetKey rows[] = {
        {"ACME01", "850", "004010", "I"}, {"ACME01", "850", "004010", "O"}, {"ACME01", "850", "003040", "I"},
        {"ACME01", "855", "004010", "I"}, {"ACME02", "850", "004010", "I"}, {"O'NEIL", "850", "004010", "I"},
        {"O'NEIL' OR 'x'='x", "850", "004010", "I"},
    };
    for (const SetKey &row : rows) {
        for (const QString &table : {QStringLiteral("Transactions"), QStringLiteral("Segment"), QStringLiteral("Element")})
            cn.Execute(QStringLiteral("INSERT INTO ") + table
                           + QStringLiteral(" (Partner, [Transaction], Version, Direction) VALUES (?, ?, ?, ?)"),
                       {row.partner, row.transaction, row.version, row.direction});
    }
    const struct {
        SetKey key;
        long rows;
    } cases[] = {
        {{"ACME01", "850", "004010", "I"}, 1},
        {{"acme01", "850", "004010", "i"}, 1}, // text columns compare without regard to letter case
        {{"ACME01", "850", "004010", "X"}, 0},
        {{"O'NEIL", "850", "004010", "I"}, 1},
        {{"O'NEIL' OR 'x'='x", "850", "004010", "I"}, 1},
        {{"ACME01 ", "850", "004010", "I"}, 0}, // trailing blanks count
        {{}, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key.fileStem().toStdString());
        for (const QString &table : {QStringLiteral("Transactions"), QStringLiteral("Segment"), QStringLiteral("Element")}) {
            SCOPED_TRACE(table.toStdString());
            ado::Recordset rs;
            rs.Open(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ") + c.key.condition(table),
                    c.key.values(), cn, ado::adOpenKeyset, ado::adLockReadOnly);
            ASSERT_EQ(rs.RecordCount(), c.rows);
            if (c.rows) {
                EXPECT_EQ(rs.Fields(QStringLiteral("Partner")).Value().toString().toUpper(), c.key.partner.toUpper());
            }
        }
    }
    // More placeholders may follow the key's.
    ado::Parameters values = SetKey{"ACME01", "850", "004010", "I"}.values();
    values.push_back(QStringLiteral("ACME01"));
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Segment WHERE ") + SetKey{"ACME01", "850", "004010", "I"}.condition("Segment")
                + QStringLiteral(" AND Segment.Partner = ?"),
            values, cn, ado::adOpenKeyset, ado::adLockReadOnly);
    EXPECT_EQ(rs.RecordCount(), 1);
}
