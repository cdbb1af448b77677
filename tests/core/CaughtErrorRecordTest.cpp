// An error deliberately not passed on is recorded under its layer's
// category: what was being done, the place and the error's own text.
#include "LogCapture.h"

#include "core/Logging.h"
#include "vb/VbError.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using corvantis::test::LogCapture;

TEST(CaughtErrorRecord, NamesWhatWhereAndTheErrorOfAnyKind)
{
    struct Case {
        const char *name;
        std::function<void()> fail;
        const char *error;
    };
    const Case cases[] = {
        {"classic error", [] { vb::raise(53, QStringLiteral("File not found: orders.txt")); },
         "53 File not found: orders.txt"},
        {"classic error without its own text", [] { vb::raise(91); }, "91 Object variable not set"},
        {"standard exception", [] { throw std::runtime_error("disk gone"); }, "disk gone"},
        {"anything else", [] { throw 7; }, "an error of unknown type"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log("corvantis.translation");
        try {
            c.fail();
        } catch (...) {
            core::recordCaught(lcTranslation(), "inbound set: the row was not cancelled");
        }
        ASSERT_EQ(log.lines().size(), 1) << log.joined().toStdString();
        const QString line = log.lines().first();
        EXPECT_TRUE(line.startsWith(QStringLiteral("corvantis.translation: inbound set: the row was not cancelled ("
                                                   "CaughtErrorRecordTest.cpp:")))
            << line.toStdString();
        EXPECT_TRUE(line.endsWith(QStringLiteral("): ") + QString::fromUtf8(c.error))) << line.toStdString();
    }
}

TEST(CaughtErrorRecord, EachLayerHasItsOwnCategory)
{
    const std::pair<const QLoggingCategory &, const char *> layers[] = {
        {lcCore(), "corvantis.core"},
        {lcTranslation(), "corvantis.translation"},
        {lcCommunications(), "corvantis.communications"},
        {lcIntegration(), "corvantis.integration"},
        {lcReports(), "corvantis.reports"},
        {lcMailbox(), "corvantis.mailbox"},
        {lcWindows(), "corvantis.windows"},
    };
    for (const auto &[category, name] : layers) {
        EXPECT_STREQ(category.categoryName(), name);
        // Warnings are on unless the rules turn them off.
        EXPECT_TRUE(category.isWarningEnabled()) << name;
    }
}
