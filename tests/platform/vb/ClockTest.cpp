#include "TestEnvironment.h"
#include "vb/Clock.h"

#include <gtest/gtest.h>

using corvantis::test::setClock;

TEST(Clock, HarnessFixesEveryTestAtTheSameMoment)
{
    // 10 Dec 2026 is day 46366 of the classic serial; 13:05:09 is 47109 s.
    const vb::Variant now = vb::Now();
    EXPECT_EQ(now.type(), vb::VarType::Date);
    EXPECT_DOUBLE_EQ(now.rawDouble(), 46366.0 + 47109.0 / 86400.0);
    EXPECT_EQ(vb::currentDateTime(), QDateTime(QDate(2026, 12, 10), QTime(13, 5, 9)));
}

TEST(Clock, NowDateTimeAndTimerReadTheInstalledClock)
{
    struct Case { QDateTime at; double date; double time; double timer; };
    const Case cases[] = {
        {QDateTime(QDate(1899, 12, 30), QTime(0, 0, 0)), 0.0, 0.0, 0.0},
        {QDateTime(QDate(1900, 1, 1), QTime(12, 0, 0)), 2.0, 0.5, 43200.0},
        {QDateTime(QDate(2000, 2, 29), QTime(6, 0, 0, 250)), 36585.0, 0.25, 21600.25},
        {QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 999)), 46387.0, 86399.0 / 86400.0, 86399.999},
    };
    for (const Case &c : cases) {
        setClock(c.at);
        SCOPED_TRACE(c.at.toString(Qt::ISODateWithMs).toStdString());
        EXPECT_EQ(vb::Date().type(), vb::VarType::Date);
        EXPECT_EQ(vb::Time().type(), vb::VarType::Date);
        EXPECT_DOUBLE_EQ(vb::Date().rawDouble(), c.date);
        EXPECT_DOUBLE_EQ(vb::Time().rawDouble(), c.time);
        // Now carries whole seconds, as Date + Time.
        EXPECT_DOUBLE_EQ(vb::Now().rawDouble(), c.date + c.time);
        EXPECT_NEAR(vb::Timer(), c.timer, 1e-9);
    }
}

TEST(Clock, FixedClockStandsStillUntilAdvanced)
{
    setClock(2026, 3, 5, 8, 0, 0);
    const double before = vb::Now().rawDouble();
    EXPECT_DOUBLE_EQ(vb::Now().rawDouble(), before);
    corvantis::test::clock().advance(90 * 1000);
    EXPECT_DOUBLE_EQ(vb::Timer(), 8 * 3600.0 + 90.0);
    corvantis::test::clock().advance(16 * 3600 * 1000); // past midnight
    EXPECT_EQ(vb::currentDateTime(), QDateTime(QDate(2026, 3, 6), QTime(0, 1, 30)));
    EXPECT_DOUBLE_EQ(vb::Date().rawDouble(), std::floor(before) + 1.0);
}

TEST(Clock, SystemClockIsRestoredByNull)
{
    vb::setClock(nullptr);
    const QDateTime real = QDateTime::currentDateTime();
    EXPECT_LE(std::llabs(vb::currentDateTime().msecsTo(real)), 60 * 1000);
    corvantis::test::setClock(corvantis::test::defaultClockTime()); // back for the rest of the test
    EXPECT_EQ(vb::currentDateTime(), corvantis::test::defaultClockTime());
}
