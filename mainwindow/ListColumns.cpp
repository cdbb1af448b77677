#include "mainwindow/ListColumns.h"

#include <QSet>

#include "core/SettingsSections.h"

#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "mainwindow/LayoutMath.h"
#include "vb/AppInfo.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <cstring>

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

MailboxRowPlan planMailboxRow(const ColumnSwitches &switches, const QString &firstKey, const QString &secondKey)
{
    MailboxRowPlan plan;
    const auto fieldOf = [&plan](const char *name) {
        for (size_t i = 0; i < plan.fields.size(); ++i)
            if (std::strcmp(plan.fields[i], name) == 0)
                return static_cast<int>(i);
        plan.fields.push_back(name);
        return static_cast<int>(plan.fields.size()) - 1;
    };
    bool started = false;
    const auto &columns = mailboxColumns();
    const bool ackOn = switches[0];
    if (ackOn && firstKey == QLatin1String("Acknowledged")) {
        plan.cells.push_back({-1, MailboxRowPlan::Image::Acknowledged});
        started = true;
    }
    for (int i = 1; i < kMailboxColumnCount && !plan.startsNoRow; ++i) {
        if (!switches[i])
            continue;
        const QLatin1String key(columns[i].field);
        const int field = fieldOf(columns[i].field);
        if (firstKey == key) {
            plan.cells.clear();
            plan.cells.push_back({field, MailboxRowPlan::Image::Status});
            started = true;
        } else if (!started) {
            plan.startsNoRow = true; // no row to add the cell to
        } else if (secondKey == key && ackOn) {
            plan.cells.push_back({field, MailboxRowPlan::Image::Status});
        } else {
            plan.cells.push_back({field, MailboxRowPlan::Image::None});
        }
    }
    if (!started)
        plan.startsNoRow = true;
    for (const MailboxRowPlan::Cell &cell : plan.cells) {
        if (cell.image == MailboxRowPlan::Image::Acknowledged && plan.acknowledged < 0)
            plan.acknowledged = fieldOf("Acknowledged");
        else if (cell.image == MailboxRowPlan::Image::Status && plan.status < 0)
            plan.status = fieldOf("Status");
    }
    return plan;
}

RowSpec mailboxRow(const ColumnSwitches &switches, const QString &firstKey, const QString &secondKey,
                   const FieldReader &field, const controls::ImageList &images)
{
    const MailboxRowPlan plan = planMailboxRow(switches, firstKey, secondKey);
    if (plan.startsNoRow)
        vb::raise(91);
    std::vector<vb::Variant> values;
    values.reserve(plan.fields.size());
    for (const char *name : plan.fields)
        values.push_back(field(name));
    RowSpec row;
    row.reserve(plan.cells.size());
    for (const MailboxRowPlan::Cell &cell : plan.cells) {
        CellSpec spec;
        if (cell.field >= 0)
            spec.text = cellText(values[cell.field]);
        if (cell.image == MailboxRowPlan::Image::Acknowledged)
            spec.iconKey = imageKeyFor(values[plan.acknowledged], images);
        else if (cell.image == MailboxRowPlan::Image::Status)
            spec.iconKey = imageKeyFor(values[plan.status], images);
        row.push_back(std::move(spec));
    }
    return row;
}

MailboxItemMaker::MailboxItemMaker(MailboxRowPlan plan, const controls::ImageList &images)
    : m_plan(std::move(plan)), m_images(images)
{
}

const MailboxItemMaker::Image &MailboxItemMaker::image(const vb::Variant &value)
{
    const QString text = cellText(value);
    for (const Image &seen : m_seen)
        if (seen.value == text)
            return seen;
    const QString key = imageKeyFor(value, m_images);
    m_seen.push_back(Image{text, key, m_images.icon(key)});
    return m_seen.back();
}

controls::ListItem *MailboxItemMaker::make(const vb::Variant *values, qint64 rowid)
{
    if (m_plan.startsNoRow)
        vb::raise(91);
    const qsizetype n = static_cast<qsizetype>(m_plan.cells.size());
    if (m_above.size() != n)
        m_above = QStringList(n);
    QStringList texts;
    texts.reserve(n);
    for (qsizetype column = 0; column < n; ++column) {
        const int field = m_plan.cells[column].field;
        QString text = field >= 0 ? cellText(values[field]) : QString();
        if (text != m_above.at(column))
            m_above[column] = std::move(text);
        texts.push_back(m_above.at(column));
    }
    auto *item = new controls::ListItem(std::move(texts));
    for (int column = 0; column < static_cast<int>(m_plan.cells.size()); ++column) {
        const MailboxRowPlan::Image kind = m_plan.cells[column].image;
        if (kind == MailboxRowPlan::Image::None)
            continue;
        const Image &shown =
            image(values[kind == MailboxRowPlan::Image::Acknowledged ? m_plan.acknowledged : m_plan.status]);
        item->setImage(column, shown.key, shown.icon);
    }
    item->setRowid(rowid);
    return item;
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
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(row.size()));
    for (const CellSpec &cell : row)
        texts.push_back(cell.text);
    auto *item = new controls::ListItem(std::move(texts));
    for (int column = 0; column < static_cast<int>(row.size()); ++column) {
        const CellSpec &cell = row[column];
        if (!cell.iconKey.isEmpty())
            item->setImage(column, cell.iconKey, images.icon(cell.iconKey));
    }
    item->setRowid(rowid);
    return item;
}

SelectionMemory rememberSelection(const controls::ListView &list)
{
    SelectionMemory memory;
    if (const controls::ListItem *current = list.selectedItem()) {
        memory.hadCurrent = true;
        memory.current = current->rowid();
        memory.currentPosition = list.indexOfItem(current);
    }
    const int n = list.itemCount();
    for (int i = 1; i <= n; ++i)
        if (list.isItemSelected(i))
            memory.selected.push_back(list.item(i)->rowid());
    return memory;
}

void restoreSelection(controls::ListView &list, const SelectionMemory &memory)
{
    const int n = list.itemCount();
    if (n < 1 || !memory.hadCurrent)
        return;
    const QSet<qint64> wanted(memory.selected.begin(), memory.selected.end());
    QList<int> positions;
    int current = 0;
    for (int i = 1; i <= n; ++i) {
        const qint64 rowid = list.item(i)->rowid();
        if (rowid == 0)
            continue;
        if (wanted.contains(rowid))
            positions.push_back(i);
        if (rowid == memory.current)
            current = i;
    }
    if (current == 0)
        current = positions.isEmpty() ? std::min(std::max(memory.currentPosition, 1), n) : positions.front();
    list.setSelection(positions, current);
    list.ensureItemVisible(current);
}

} // namespace mainwindow
