// The reference rows shipped in the database: the transaction sets the
// loader can register (with their functional group) and the releases the
// partner window offers.
#include "LoaderTestSupport.h"

#include "core/loader/InterchangeLoader.h"
#include "core/modGlobal.h"

#include "ado/Recordset.h"

#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using namespace loadertest;

namespace {

struct StandardRow {
    QString transaction, group, description;
};

std::vector<StandardRow> standardRows()
{
    std::vector<StandardRow> rows;
    ado::Recordset rs;
    rs.Open("SELECT * FROM Standard", modGlobal::cnDatabase);
    while (!rs.Eof()) {
        rows.push_back({rs("Transaction").Value().toString(), rs("Group").Value().toString(),
                        rs("Description").Value().toString()});
        rs.MoveNext();
    }
    return rows;
}

TEST(ReferenceRows, EveryTransactionSetOnceWithItsGroup)
{
    DatabaseScope db;
    const std::vector<StandardRow> rows = standardRows();
    QSet<QString> seen;
    const QRegularExpression id("^[1-9][0-9][0-9]$"), group("^[A-Z][A-Z0-9]$");
    for (const StandardRow &row : rows) {
        SCOPED_TRACE(row.transaction.toStdString());
        EXPECT_TRUE(id.match(row.transaction).hasMatch());
        EXPECT_FALSE(seen.contains(row.transaction));
        seen.insert(row.transaction);
        EXPECT_FALSE(row.description.trimmed().isEmpty());
        // Functional Group Totals travels in the group of what it totals.
        if (row.transaction != "980") {
            EXPECT_TRUE(group.match(row.group).hasMatch()) << row.group.toStdString();
        }
    }
    // Sets a partner sends every day beside the long-known ones.
    for (const char *set : {"310", "315", "404", "753", "754", "811", "842", "858", "999"})
        EXPECT_TRUE(seen.contains(QLatin1String(set))) << set;
    EXPECT_GT(rows.size(), 300u);
}

TEST(ReferenceRows, TheFirstRowsStayAsTheyWere)
{
    DatabaseScope db;
    const std::vector<StandardRow> rows = standardRows();
    ASSERT_GE(rows.size(), 48u);
    // The rows every earlier database held, first and in their order.
    EXPECT_EQ(rows[0].transaction, "180");
    EXPECT_EQ(rows[47].transaction, "999");
    const auto production = std::find_if(rows.begin(), rows.end(), [](const StandardRow &r) { return r.transaction == "866"; });
    ASSERT_NE(production, rows.end());
    EXPECT_EQ(production->group, "PS");
    EXPECT_EQ(production->description, "Production Sequence");
}

TEST(ReferenceRows, ReleasesUpToTheCurrentOne)
{
    DatabaseScope db;
    QStringList versions;
    ado::Recordset rs;
    rs.Open("SELECT * FROM Version", modGlobal::cnDatabase);
    while (!rs.Eof()) {
        versions << rs("Version").Value().toString();
        rs.MoveNext();
    }
    ASSERT_GE(versions.size(), 26);
    EXPECT_EQ(versions.first(), "002000");
    EXPECT_EQ(versions.indexOf("006020"), 25);
    EXPECT_EQ(versions.last(), "008050");
    for (const char *release : {"006030", "007010", "007060", "008010"})
        EXPECT_TRUE(versions.contains(QLatin1String(release))) << release;
    QStringList sorted = versions;
    sorted.sort();
    EXPECT_EQ(versions, sorted);
}

// A file holding sets the first reference rows lacked registers them like
// any other, with their description, instead of failing whole.
TEST(ReferenceRows, NewerTransactionSetsLoadAndRegister)
{
    DatabaseScope db;
    addAcmePartner();
    core::InterchangeLoader loader;
    EXPECT_EQ(loader.LoadBox(fixture("newer_transaction_sets.IC"), "I"), QString());
    EXPECT_EQ(dumpTable("Transactions", {"Transaction", "Description", "Group", "Version"}),
              "[Transactions]\n"
              "Transaction=753|Description=Request for Routing Instructions|Group=RF|Version=005010\n"
              "Transaction=315|Description=Status Details (Ocean)|Group=SO|Version=004010\n");
    EXPECT_EQ(dumpTable("Inbox", {"Transaction"}), "[Inbox]\nTransaction=753\nTransaction=315\n");
}

} // namespace
