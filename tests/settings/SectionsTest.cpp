#include "SettingsTestSupport.h"

#include "core/SettingsSections.h"
#include "vb/VbError.h"

using settingstest::SettingsTest;

TEST_F(SettingsTest, ViewerSwitchesAreReadByOneRule)
{
    struct Case { const char *stored; bool on; };
    const Case cases[] = {
        {"0", false}, {"False", false}, {"false", false}, {"1", true}, {"True", true},
        {"-1", true}, {"7", true}, {"abc", true}, {"", true}, {"0.0", false},
    };
    for (const Case &c : cases) {
        save(QStringLiteral("Viewer"), QStringLiteral("EnableToolbar"), QString::fromLatin1(c.stored));
        EXPECT_EQ(sections::readViewerSwitch(QStringLiteral("EnableToolbar")), c.on) << c.stored;
    }
    EXPECT_TRUE(sections::readViewerSwitch(QStringLiteral("PopupMenu"))) << "missing reads as on";
    sections::writeViewerSwitch(QStringLiteral("PopupMenu"), false);
    EXPECT_EQ(setting(QStringLiteral("Viewer"), QStringLiteral("PopupMenu")), QStringLiteral("0"));
    sections::writeViewerSwitch(QStringLiteral("PopupMenu"), true);
    EXPECT_EQ(setting(QStringLiteral("Viewer"), QStringLiteral("PopupMenu")), QStringLiteral("1"));
}

TEST_F(SettingsTest, FilterAndColumnsReadTheirDefaultsAndRefuseNonsense)
{
    const std::vector<bool> filter = sections::readFilter();
    EXPECT_EQ(filter, std::vector<bool>({true, true, true, true, true, false, false, false, false, false, false, false}));
    const std::vector<bool> columns = sections::readColumns();
    EXPECT_EQ(columns,
              std::vector<bool>({true, true, true, true, true, true, false, false, false, false, false, false, false}));

    save(QStringLiteral("Filter"), QStringLiteral("Sender ID"), QStringLiteral("1"));
    save(QStringLiteral("Filter"), QStringLiteral("Partner"), QStringLiteral("FALSE"));
    const std::vector<bool> changed = sections::readFilter();
    EXPECT_FALSE(changed[0]);
    EXPECT_TRUE(changed[8]);

    save(QStringLiteral("Columns"), QStringLiteral("Group Control Number"), QStringLiteral("maybe"));
    try {
        sections::readColumns();
        FAIL() << "a value that is no truth value must raise";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 13);
    }
}

TEST_F(SettingsTest, SwitchesAreWrittenAsTrueOrFalseUnderTheirCaptions)
{
    std::vector<bool> on(12, false);
    on[6] = true;
    sections::writeFilter(on);
    EXPECT_EQ(setting(QStringLiteral("Filter"), QStringLiteral("Interchange Control Number")), QStringLiteral("True"));
    EXPECT_EQ(setting(QStringLiteral("Filter"), QStringLiteral("Partner")), QStringLiteral("False"));
    EXPECT_EQ(sections::readFilter(), on);
    EXPECT_THROW(sections::writeColumns(std::vector<bool>(12, true)), vb::VbError) << "thirteen columns, not twelve";
}
