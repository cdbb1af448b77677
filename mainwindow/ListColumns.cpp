#include "mainwindow/ListColumns.h"

#include "core/SettingsSections.h"

#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "mainwindow/LayoutMath.h"
#include "vb/AppInfo.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

namespace mainwindow {

const std::array<MailboxColumn, kMailboxColumnCount> &mailboxColumns()
{
    static const std::array<MailboxColumn, kMailboxColumnCount> columns{{
        {"Acknowledged", true, "Acknowledged", ""},
        {"Partner", true, "Partner", "Partner"},
        {"Transaction", true, "Transaction", "Transaction"},
        {"Version", true, "Version", "Version"},
        {"Date", true, "Date", "Date"},
        {"Time", true, "Time", "Time"},
        {"Used", false, "Used", "Used"},
        {"Interchange Control Number", false, "InterchangeControlNumber", "Interchange Control Number"},
        {"Group Control Number", false, "GroupControlNumber", "Group Control Number"},
        {"Sender ID", false, "SenderID", "Sender ID"},
        {"Sender Division", false, "SenderDivision", "Sender Division"},
        {"Receiver ID", false, "ReceiverID", "Receiver ID"},
        {"Receiver Division", false, "ReceiverDivision", "Receiver Division"},
    }};
    return columns;
}

ColumnSwitches defaultColumnSwitches()
{
    ColumnSwitches switches{};
    for (int i = 0; i < kMailboxColumnCount; ++i)
        switches[i] = mailboxColumns()[i].defaultOn;
    return switches;
}

ColumnSwitches readColumnSwitches()
{
    const std::vector<bool> on = sections::readColumns();
    ColumnSwitches switches{};
    std::copy(on.begin(), on.end(), switches.begin());
    return switches;
}

const std::array<LogColumn, 6> &logColumns()
{
    static const std::array<LogColumn, 6> columns{{
        {"Type", 1000}, {"Index", 1200}, {"Date", 1200}, {"Time", 1200}, {"User", 1200}, {"Description", 20000},
    }};
    return columns;
}

QString cellText(const vb::Variant &value)
{
    if (value.isNull() || value.isEmpty())
        return {};
    return value.toString();
}

QString imageKeyFor(const vb::Variant &value, const controls::ImageList &images)
{
    const QString key = cellText(value).trimmed();
    if (!key.isEmpty() && images.contains(key))
        return key;
    return QStringLiteral("Error");
}

RowSpec mailboxRow(const ColumnSwitches &switches, const QString &firstKey, const QString &secondKey,
                   const FieldReader &field, const controls::ImageList &images)
{
    RowSpec row;
    bool started = false;
    const auto &columns = mailboxColumns();
    const bool ackOn = switches[0];
    if (ackOn && firstKey == QLatin1String("Acknowledged")) {
        row.push_back({QString(), imageKeyFor(field("Acknowledged"), images)});
        started = true;
    }
    for (int i = 1; i < kMailboxColumnCount; ++i) {
        if (!switches[i])
            continue;
        const QString key = QString::fromLatin1(columns[i].field);
        const QString text = cellText(field(columns[i].field));
        if (firstKey == key) {
            row.clear();
            row.push_back({text, imageKeyFor(field("Status"), images)});
            started = true;
        } else {
            if (!started)
                vb::raise(91); // no row to add the cell to
            if (secondKey == key && ackOn)
                row.push_back({text, imageKeyFor(field("Status"), images)});
            else
                row.push_back({text, QString()});
        }
    }
    if (!started)
        vb::raise(91);
    return row;
}

RowSpec logRow(const FieldReader &field, const controls::ImageList &images)
{
    RowSpec row;
    const vb::Variant type = field("Type");
    row.push_back({cellText(type).trimmed(), imageKeyFor(type, images)});
    for (const char *name : {"Index", "Date", "Time", "User", "Description"})
        row.push_back({cellText(field(name)), QString()});
    return row;
}

controls::ListItem *makeItem(const RowSpec &row, qint64 rowid, const controls::ImageList &images)
{
    auto *item = new controls::ListItem;
    for (int column = 0; column < static_cast<int>(row.size()); ++column) {
        const CellSpec &cell = row[column];
        item->QTreeWidgetItem::setText(column, cell.text);
        if (!cell.iconKey.isEmpty())
            item->setImage(column, cell.iconKey, images.icon(cell.iconKey));
    }
    item->setRowid(rowid);
    return item;
}

int firstSelectedPosition(const controls::ListView &list)
{
    const int n = list.itemCount();
    for (int i = 1; i <= n; ++i)
        if (list.isItemSelected(i))
            return i;
    return 0;
}

void restoreSelection(controls::ListView &list, int p)
{
    const int n = list.itemCount();
    if (n < 1 || p <= 1)
        return;
    list.setItemSelected(1, false);
    const int target = n < p ? n : p;
    list.setSelectedItem(target);
    list.ensureItemVisible(target);
}

} // namespace mainwindow
