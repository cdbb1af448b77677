// The error reporter, the History log and the statement behind a mailbox list.
#include "core/modGlobal.h"
#include "core/modGlobalDetail.h"

#include "controls/ListView.h"
#include "controls/StatusBar.h"
#include "controls/TreeView.h"
#include "vb/AppInfo.h"
#include "vb/Clock.h"
#include "vb/Dialogs.h"
#include "vb/Format.h"

#include <new>

namespace modGlobal {

namespace {

// The History node is the seventh node of the folder tree.
constexpr int kHistoryNode = 7;

void setStatusText(const QString &text)
{
    if (controls::StatusBar *bar = mainWindowLink().sbrStatusBar)
        bar->setPanelText(1, text);
}

} // namespace

QString AppTitle()
{
    return vb::AppInfo::title();
}

QString ConnectionString(const QString &folder)
{
    return ado::applicationConnectionString(folder);
}

void ReportError(const vb::VbError &error)
{
    const int32_t number = error.number;
    const QString description = error.description;
    setStatusText(description);
    vb::MsgBox(description, vb::vbOKOnly | vb::vbCritical, AppTitle());
    LogHistory(QStringLiteral("Error"), QString::number(number) + QLatin1Char(' ') + description);
}

void ReportError(const std::exception &error)
{
    if (auto *vbError = dynamic_cast<const vb::VbError *>(&error)) {
        ReportError(*vbError);
    } else if (dynamic_cast<const std::bad_alloc *>(&error)) {
        ReportError(vb::VbError(7));
    } else {
        ReportError(vb::VbError(51, vb::errorText(51) + QStringLiteral(": ") + QString::fromLocal8Bit(error.what())));
    }
}

void LogHistory(const QString &strType, const QString &strDescription)
{
    try {
        MainWindowLink &link = mainWindowLink();
        auto rs = detail::openRecordset(QStringLiteral("SELECT * FROM History"), ado::adOpenKeyset, ado::adLockOptimistic);

        controls::ListItem *item = nullptr;
        if (link.lvwHistory) {
            const QString image = strType == QLatin1String("Info") || strType == QLatin1String("Warning")
                ? strType
                : QStringLiteral("Error");
            item = link.lvwHistory->addItem(strType, image);
        }

        // One reading of the clock for the row and the item: the stored and
        // the shown entry name the same second.
        const vb::Variant now = vb::Now();
        const QString storedDate = vb::Format(now, QStringLiteral("mm/d/yyyy"));
        const QString time = vb::Format(now, QStringLiteral("hh:mm:ss AMPM"));

        rs->AddNew();
        rs->Fields(QStringLiteral("Type")) = strType;
        rs->Fields(QStringLiteral("Date")) = storedDate;
        rs->Fields(QStringLiteral("Time")) = time;
        rs->Fields(QStringLiteral("User")) = strCurrentUser;
        rs->Fields(QStringLiteral("Description")) = strDescription;
        rs->Update();

        if (item) {
            // The item names its row like every filled item, so a walk over
            // the History list can check it.
            item->setRowid(rs->rowid());
            item->setSubItem(1, detail::fieldText(rs->Fields(QStringLiteral("Index"))));
            item->setSubItem(2, vb::Format(now, QStringLiteral("m/d/yyyy")));
            item->setSubItem(3, time);
            item->setSubItem(4, strCurrentUser);
            item->setSubItem(5, strDescription);
        }
        rs->Close();
        rs.reset();

        if (link.tvwFolderList && link.lvwHistory) {
            link.tvwFolderList->setNodeText(kHistoryNode, QStringLiteral("History (")
                                                              + QString::number(link.lvwHistory->itemCount())
                                                              + QStringLiteral(")"));
        }
        setStatusText(strDescription);
    } catch (const vb::VbError &e) {
        vb::MsgBox(e.description, vb::vbOKOnly | vb::vbCritical, AppTitle());
    } catch (const std::exception &e) {
        vb::MsgBox(QString::fromLocal8Bit(e.what()), vb::vbOKOnly | vb::vbCritical, AppTitle());
    }
}

QString BuildSortedSelect(const controls::ListView &lvwBox)
{
    // A sort key outside the columns would give a statement without a table;
    // it is refused instead.
    const int column = lvwBox.sortKey();
    if (column < 0 || column >= lvwBox.columnHeaderCount())
        vb::raise(380, QStringLiteral("Invalid property value: sort column ") + QString::number(column)
                           + QStringLiteral(" of list ") + lvwBox.tag());
    return QStringLiteral("SELECT * FROM ") + lvwBox.tag() + QStringLiteral(" ORDER BY ")
        + lvwBox.columnKey(column + 1) + (lvwBox.sortOrder() != 0 ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
}

} // namespace modGlobal
