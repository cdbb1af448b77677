#include "vb/AppInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

TEST(AppInfo, ProgramFolderAndFileName)
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    EXPECT_EQ(vb::AppInfo::path(), exe.absolutePath());
    EXPECT_EQ(vb::AppInfo::exeName(), QStringLiteral("test_platform_vb"));
    EXPECT_FALSE(vb::AppInfo::path().endsWith(QLatin1Char('/')));
    ASSERT_TRUE(vb::AppInfo::buildDate().has_value());
    EXPECT_EQ(*vb::AppInfo::buildDate(), exe.lastModified());
}

TEST(AppInfo, VersionComesFromTheBuild)
{
    EXPECT_EQ(vb::AppInfo::version(), QStringLiteral("%1.%2.%3")
                                          .arg(vb::AppInfo::major())
                                          .arg(vb::AppInfo::minor())
                                          .arg(vb::AppInfo::revision()));
    EXPECT_EQ(vb::AppInfo::version(), QStringLiteral(CORVANTIS_TEST_VERSION));
}

TEST(AppInfo, TitleAndVersionBlockTexts)
{
    EXPECT_EQ(vb::AppInfo::title(), QStringLiteral("Corvantis"));
    vb::AppInfo::setTitle(QStringLiteral("Other")); // the harness restores it for the next test
    EXPECT_EQ(vb::AppInfo::title(), QStringLiteral("Other"));
    for (const QString &t : {vb::AppInfo::companyName(), vb::AppInfo::legalCopyright(), vb::AppInfo::legalTrademarks()})
        EXPECT_FALSE(t.trimmed().isEmpty());
    EXPECT_TRUE(vb::AppInfo::legalCopyright().contains(vb::AppInfo::companyName()));
}
