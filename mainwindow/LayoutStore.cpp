#include "mainwindow/LayoutStore.h"

#include "controls/ListView.h"
#include "mainwindow/ListColumns.h"
#include "vb/AppInfo.h"
#include "vb/Settings.h"

#include <limits>

namespace mainwindow {

namespace {

QString get(const QString &section, const QString &key, const QString &defaultValue)
{
    return vb::GetSetting(vb::AppInfo::title(), section, key, defaultValue);
}

void put(const QString &section, const QString &key, const QString &value)
{
    vb::SaveSetting(vb::AppInfo::title(), section, key, value);
}

long width(const QString &section, const QString &key, long defaultWidth)
{
    const auto value = readWholeNumber(get(section, key, QString::number(defaultWidth)));
    return value && *value >= 0 ? *value : defaultWidth;
}

QString truth(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool truthSetting(const QString &key, bool defaultValue)
{
    return readTruthValue(get(QStringLiteral("Main"), key, truth(defaultValue))).value_or(defaultValue);
}

long numberSetting(const QString &key, long defaultValue, long minimum)
{
    const auto value = readWholeNumber(get(QStringLiteral("Main"), key, QString::number(defaultValue)));
    return value && *value >= minimum ? *value : defaultValue;
}

} // namespace

void createMailboxColumns(controls::ListView &list, double captionWidth)
{
    const long defaultWidth = mailboxColumnDefaultWidth(captionWidth);
    list.clearColumnHeaders();
    const ColumnSwitches switches = readColumnSwitches();
    list.setSortKey(0);
    for (int i = 0; i < kMailboxColumnCount; ++i) {
        if (!switches[i])
            continue;
        const MailboxColumn &c = mailboxColumns()[i];
        const QString key = QString::fromLatin1(c.field);
        const bool ack = i == 0;
        const long w = width(list.tag(), key, ack ? 270 : defaultWidth);
        list.addColumnHeader(key, QString::fromLatin1(c.header), w, ack ? QStringLiteral("Void") : QString());
    }
}

void createLogColumns(controls::ListView &list)
{
    for (const LogColumn &c : logColumns())
        list.addColumnHeader(QString::fromLatin1(c.field), QString::fromLatin1(c.field), c.widthTwips);
}

namespace {

bool isLogDescription(const controls::ListView &list, int column)
{
    return (list.tag() == QLatin1String("History") || list.tag() == QLatin1String("Exchange"))
        && list.columnKey(column) == QLatin1String("Description");
}

// The stored width of a log list's Description column, or its wide default.
// A stored width equal to the caption's share is the share an exit saved
// back without the user choosing it, and gives way to the default too.
long logDescriptionWidth(const QString &section, long share)
{
    const long stored = width(section, QStringLiteral("Description"), kLogDescriptionWidth);
    return stored == share ? kLogDescriptionWidth : stored;
}

} // namespace

void listViewLayout(const QString &operation, controls::ListView &list, double captionWidth)
{
    const int n = list.columnHeaderCount();
    const long dn = layoutDefaultWidth(captionWidth, n);
    const QString op = operation.toLower();
    const QString section = list.tag();
    if (op == QLatin1String("save")) {
        for (int i = 1; i <= n; ++i)
            put(section, list.columnKey(i), QString::number(roundHalfEven(list.columnWidthTwips(i))));
        put(section, QStringLiteral("SortKey"), QString::number(list.sortKey()));
        put(section, QStringLiteral("SortOrder"), QString::number(list.sortOrder()));
    } else if (op == QLatin1String("load")) {
        for (int i = 1; i <= n; ++i)
            list.setColumnWidthTwips(i, isLogDescription(list, i) ? logDescriptionWidth(section, dn)
                                                                   : width(section, list.columnKey(i), dn));
        const auto sortKey = readInteger16(get(section, QStringLiteral("SortKey"), QStringLiteral("0")));
        list.setSortKey(sortKey && *sortKey >= 0 && *sortKey < n ? *sortKey : 0);
        const auto sortOrder = readWholeNumber(get(section, QStringLiteral("SortOrder"), QStringLiteral("0")));
        list.setSortOrder(sortOrder && (*sortOrder == 0 || *sortOrder == 1) ? static_cast<int>(*sortOrder) : 0);
    }
}

MainLayoutValues readMainLayout(const MainDefaults &d)
{
    MainLayoutValues v;
    const auto state = readWholeNumber(get(QStringLiteral("Main"), QStringLiteral("State"), QStringLiteral("0")));
    v.state = state && *state >= 0 && *state <= 2 ? static_cast<int>(*state) : 0;
    v.top = numberSetting(QStringLiteral("Top"), d.DT, std::numeric_limits<int32_t>::min());
    v.left = numberSetting(QStringLiteral("Left"), d.DL, std::numeric_limits<int32_t>::min());
    v.height = numberSetting(QStringLiteral("Height"), d.DH, static_cast<long>(kMinimumWindowSize));
    v.width = numberSetting(QStringLiteral("Width"), d.DW, static_cast<long>(kMinimumWindowSize));
    v.topNode = truthSetting(QStringLiteral("TopNode"), true);
    v.treeNode = truthSetting(QStringLiteral("TreeNode"), true);
    v.folderBar = truthSetting(QStringLiteral("FolderBar"), true);
    v.statusBar = truthSetting(QStringLiteral("StatusBar"), true);
    v.vSplit = numberSetting(QStringLiteral("VSplitPos"), d.DV, 1000);
    v.hSplit = numberSetting(QStringLiteral("HSplitPos"), d.DS, 2400);
    return v;
}

void saveMainLayout(const MainLayoutValues &v)
{
    const QString main = QStringLiteral("Main");
    put(main, QStringLiteral("State"), QString::number(v.state));
    if (v.state != 2) {
        put(main, QStringLiteral("Top"), QString::number(v.top));
        put(main, QStringLiteral("Left"), QString::number(v.left));
        put(main, QStringLiteral("Height"), QString::number(v.height));
        put(main, QStringLiteral("Width"), QString::number(v.width));
    }
    put(main, QStringLiteral("FolderBar"), truth(v.folderBar));
    put(main, QStringLiteral("StatusBar"), truth(v.statusBar));
    put(main, QStringLiteral("TopNode"), truth(v.topNode));
    put(main, QStringLiteral("TreeNode"), truth(v.treeNode));
    put(main, QStringLiteral("VSplitPos"), QString::number(v.vSplit));
    put(main, QStringLiteral("HSplitPos"), QString::number(v.hSplit));
}

} // namespace mainwindow
