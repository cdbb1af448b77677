// The Outbox questions scripts and the Send button ask, over a table of
// Outbox contents.
#include "communications/OutboxState.h"

#include "core/modGlobal.h"

#include "TestDatabase.h"
#include "TestEnvironment.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace communications;

namespace {

struct OutboxCase {
    const char *name;
    std::vector<const char *> statuses;
    bool any;
    bool validated;
    long errors; // Exchange "Error" entries after both questions
};

class OutboxState : public ::testing::TestWithParam<OutboxCase> {
protected:
    void SetUp() override
    {
        database.emplace();
        modGlobal::cnDatabase = database->connectionPtr();
    }
    void TearDown() override
    {
        modGlobal::cnDatabase.reset();
        database.reset();
    }
    long errorEntries()
    {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM Exchange WHERE Type = 'Error'"), database->connection(),
                ado::adOpenKeyset, ado::adLockOptimistic);
        return rs.RecordCount();
    }
    std::optional<corvantis::test::FreshDatabase> database;
};

TEST_P(OutboxState, AnswersForTheRowsItHolds)
{
    const OutboxCase &c = GetParam();
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Outbox"), database->connection(), ado::adOpenKeyset, ado::adLockOptimistic);
    for (const char *status : c.statuses) {
        rs.AddNew();
        rs.Fields(QStringLiteral("Partner")) = QStringLiteral("ACME");
        rs.Fields(QStringLiteral("Status")) = QString::fromLatin1(status);
        rs.Update();
    }
    rs.Close();
    EXPECT_EQ(IsOutboxEmpty(), c.any);
    EXPECT_EQ(IsOutboxValidated(), c.validated);
    EXPECT_EQ(errorEntries(), c.errors);
}

INSTANTIATE_TEST_SUITE_P(
    Outbox, OutboxState,
    ::testing::Values(OutboxCase{"Empty", {}, false, false, 1}, OutboxCase{"OneValidated", {"Validated"}, true, true, 0},
                      OutboxCase{"Padded", {"  Validated "}, true, true, 0},
                      OutboxCase{"LowerCase", {"validated"}, true, false, 0},
                      OutboxCase{"TabIsNoBlank", {"Validated\t"}, true, false, 0},
                      OutboxCase{"OneOfTwoNot", {"Validated", "Closed"}, true, false, 0},
                      OutboxCase{"AllValidated", {"Validated", "Validated", "Validated"}, true, true, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(OutboxStateErrors, AMissingTableIsLoggedAndAnswersFalse)
{
    corvantis::test::FreshDatabase database;
    modGlobal::cnDatabase = database.connectionPtr();
    database.connection().Execute(QStringLiteral("DROP TABLE Outbox"));
    EXPECT_FALSE(IsOutboxEmpty());
    EXPECT_FALSE(IsOutboxValidated());
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Exchange WHERE Type = 'Error'"), database.connection(), ado::adOpenKeyset,
            ado::adLockOptimistic);
    EXPECT_EQ(rs.RecordCount(), 2);
    rs.Close();
    modGlobal::cnDatabase.reset();
}

} // namespace
