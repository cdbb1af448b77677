// The Jet dialect translation and the quoting helper.
#include "ado/Sql.h"

#include <gtest/gtest.h>

using ado::translateJet;

namespace {

const QSet<QString> kNames = {"history", "index", "transactions", "transaction", "group", "segment",
                              "segmentindex", "element", "exclude", "partner", "database", "type"};

struct Case {
    const char *jet;
    const char *sqlite;
};

} // namespace

class JetDialect : public ::testing::TestWithParam<Case> {};

TEST_P(JetDialect, Translates)
{
    EXPECT_EQ(translateJet(QString::fromUtf8(GetParam().jet), kNames), QString::fromUtf8(GetParam().sqlite));
}

INSTANTIATE_TEST_SUITE_P(Statements, JetDialect, ::testing::Values(
    // reserved words used as names, bare or qualified
    Case{"SELECT * FROM History ORDER BY Index DESC", "SELECT * FROM History ORDER BY \"Index\" DESC"},
    Case{"SELECT * FROM Transactions WHERE Transactions.Transaction = '850'",
         "SELECT * FROM Transactions WHERE Transactions.\"Transaction\" = '850'"},
    Case{"SELECT * FROM Transactions WHERE Transaction = '850' AND Group = 'PO'",
         "SELECT * FROM Transactions WHERE \"Transaction\" = '850' AND \"Group\" = 'PO'"},
    Case{"SELECT Group, count(*) FROM Transactions GROUP BY Group ORDER BY Group",
         "SELECT \"Group\", count(*) FROM Transactions GROUP BY \"Group\" ORDER BY \"Group\""},
    // brackets, Booleans, text untouched
    Case{"SELECT [Index], [Type] FROM [History]", "SELECT \"Index\", \"Type\" FROM \"History\""},
    Case{"SELECT * FROM Element WHERE Element.Exclude = False OR Exclude = TRUE",
         "SELECT * FROM Element WHERE Element.\"Exclude\" = 0 OR \"Exclude\" = 1"},
    Case{"SELECT * FROM History WHERE Type = 'Index True [x] Transaction'",
         "SELECT * FROM History WHERE Type = 'Index True [x] Transaction'"},
    Case{"SELECT * FROM Partner WHERE Partner = 'O''Neil'", "SELECT * FROM Partner WHERE Partner = 'O''Neil'"},
    // a keyword that names no column of the database keeps its meaning
    Case{"SELECT * FROM Partner ORDER BY Partner ASC", "SELECT * FROM Partner ORDER BY Partner ASC"},
    Case{"SELECT * FROM Transactions WHERE Database = ''", "SELECT * FROM Transactions WHERE \"Database\" = ''"},
    // BETWEEN matches whichever bound is larger
    Case{"SELECT * FROM Segment WHERE Segment.SegmentIndex BETWEEN 5 AND 2 ORDER BY Segment.SegmentIndex ASC",
         "SELECT * FROM Segment WHERE Segment.SegmentIndex BETWEEN min(5, 2) AND max(5, 2) ORDER BY Segment.SegmentIndex ASC"},
    Case{"SELECT * FROM Segment WHERE SegmentIndex BETWEEN 1 AND 3 AND Partner = 'A'",
         "SELECT * FROM Segment WHERE SegmentIndex BETWEEN min(1, 3) AND max(1, 3) AND Partner = 'A'"},
    // Jet wildcards and concatenation
    Case{"SELECT * FROM Partner WHERE Partner LIKE 'AC*0?'", "SELECT * FROM Partner WHERE Partner LIKE 'AC%0_'"},
    Case{"SELECT Partner & '_' & Type FROM Partner", "SELECT Partner || '_' || Type FROM Partner"}));

TEST(SqlText, DoublesEverySingleQuote)
{
    EXPECT_EQ(ado::SqlText(QStringLiteral("A'B")), QStringLiteral("'A''B'"));
    EXPECT_EQ(ado::SqlText(QStringLiteral("''")), QStringLiteral("''''''"));
    EXPECT_EQ(ado::SqlText(QString()), QStringLiteral("''"));
    EXPECT_EQ(ado::SqlEscape(QStringLiteral("x' OR '1'='1")), QStringLiteral("x'' OR ''1''=''1"));
}

TEST(SplitSelect, FindsTheOneTableAndItsClauses)
{
    const auto simple = ado::detail::splitSelect(QStringLiteral(
        "SELECT * FROM Segment WHERE Segment.Partner = 'A' ORDER BY Segment.SegmentIndex ASC"));
    EXPECT_TRUE(simple.simple);
    EXPECT_EQ(simple.tableName, QStringLiteral("Segment"));
    EXPECT_EQ(simple.where, QStringLiteral("Segment.Partner = 'A'"));
    EXPECT_EQ(simple.orderBy, QStringLiteral("Segment.SegmentIndex ASC"));

    EXPECT_FALSE(ado::detail::splitSelect(QStringLiteral("SELECT DISTINCT Partner FROM Outbox")).simple);
    EXPECT_FALSE(ado::detail::splitSelect(QStringLiteral("SELECT count(*) FROM Outbox")).simple);
    EXPECT_FALSE(ado::detail::splitSelect(QStringLiteral("SELECT * FROM (A INNER JOIN B ON A.x = B.x)")).simple);
    // a word inside a text value is not a clause
    const auto quoted = ado::detail::splitSelect(QStringLiteral("SELECT * FROM History WHERE Description = 'x ORDER BY y'"));
    EXPECT_TRUE(quoted.simple);
    EXPECT_TRUE(quoted.orderBy.isEmpty());
}
