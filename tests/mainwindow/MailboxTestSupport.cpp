#include "MainWindowControls.h"
#include "MailboxTestSupport.h"

#include "TestEnvironment.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "core/modGlobal.h"

#include <QPixmap>

namespace mailboxtest {

using namespace modGlobal;

namespace {

std::unique_ptr<controls::ListView> mailboxList(const QString &tag, controls::ImageList &images)
{
    auto list = std::make_unique<controls::ListView>();
    list->setTag(tag);
    list->setImageList(&images);
    list->setMultiSelect(true);
    // The six columns a mailbox list shows by default.
    list->addColumnHeader(QStringLiteral("Acknowledged"), QString(), 270, QStringLiteral("Void"));
    for (const char *key : {"Partner", "Transaction", "Version", "Date", "Time"})
        list->addColumnHeader(QString::fromLatin1(key), QString::fromLatin1(key), 1200);
    return list;
}

QString text(const vb::Variant &value)
{
    return value.isNull() ? QStringLiteral("<Null>") : value.toString();
}

} // namespace

void MailboxTest::SetUp()
{
    db = std::make_unique<corvantis::test::FreshDatabase>();
    cnDatabase = db->connectionPtr();
    strCurrentUser = QStringLiteral("tester");

    corvantis::test::addStateImages(images);
    statusBar = corvantis::test::makeStatusBar(3);
    progress = std::make_unique<controls::ProgressBar>();
    folders = corvantis::test::makeFolderTree();
    lvwHistory = corvantis::test::makeHistoryList(images);
    lvwInbox = mailboxList(QStringLiteral("Inbox"), images);
    lvwOutbox = mailboxList(QStringLiteral("Outbox"), images);
    lvwSent = mailboxList(QStringLiteral("Sent"), images);
    lvwRecycled = mailboxList(QStringLiteral("Recycled"), images);

    mainwindow::MainWindowControls linked;
    linked.sbrStatusBar = statusBar.get();
    linked.tvwFolderList = folders.get();
    linked.lvwHistory = lvwHistory.get();
    linked.lists = {lvwInbox.get(), lvwOutbox.get(), lvwSent.get(), lvwRecycled.get()};
    linked.RefreshBox = [this](controls::ListView *list) {
        refreshed.push_back(list);
        fill(*list);
    };
    m_refreshBox = linked.RefreshBox;
    mainWindowLink() = mainwindow::makeMainWindowLink(linked);
}

void MailboxTest::TearDown()
{
    mainWindowLink() = MainWindowLink{};
    if (cnDatabase && cnDatabase->State() == ado::adStateOpen)
        cnDatabase->Close();
    cnDatabase.reset();
    db.reset();
    strCurrentUser.clear();
}

mainwindow::MailboxContext MailboxTest::context()
{
    mainwindow::MailboxContext ctx;
    ctx.connection = cnDatabase;
    ctx.pgbProgressBar = progress.get();
    ctx.sbrStatusBar = statusBar.get();
    ctx.RefreshBox = m_refreshBox;
    return ctx;
}

void MailboxTest::addMailboxRow(const QString &table, const QString &id, const Row &values)
{
    ado::Recordset rs;
    rs.Open(table, cnDatabase, ado::adOpenKeyset, ado::adLockOptimistic);
    rs.AddNew();
    for (const QString &column : mainwindow::MailboxColumns()) {
        QString value = column + QLatin1Char('-') + id;
        if (column == QLatin1String("Status"))
            value = QStringLiteral("Opened");
        else if (column == QLatin1String("Acknowledged"))
            value = QStringLiteral("No");
        else if (column == QLatin1String("Direction"))
            value = QStringLiteral("I");
        const auto it = values.find(column);
        if (it != values.end())
            value = it->second;
        if (value == QLatin1String("<Null>"))
            rs.Fields(column) = vb::Variant::null();
        else
            rs.Fields(column) = value;
    }
    rs.Update();
    rs.Close();
}

void MailboxTest::addPartner(const QString &key, int segmentCode)
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("Partner"), cnDatabase, ado::adOpenKeyset, ado::adLockOptimistic);
    rs.AddNew();
    rs.Fields(QStringLiteral("Partner")) = key;
    rs.Fields(QStringLiteral("Segment")) = vb::Variant::fromLong(segmentCode);
    rs.Fields(QStringLiteral("element")) = vb::Variant::fromLong('*');
    rs.Fields(QStringLiteral("sub")) = vb::Variant::fromLong('>');
    rs.Update();
    rs.Close();
}

std::vector<Row> MailboxTest::tableRows(const QString &table)
{
    std::vector<Row> result;
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY Used"), cnDatabase,
            ado::adOpenForwardOnly, ado::adLockReadOnly);
    while (!rs.Eof()) {
        Row row;
        for (const QString &column : mainwindow::MailboxColumns())
            row[column] = text(rs.Fields(column).Value());
        result.push_back(row);
        rs.MoveNext();
    }
    rs.Close();
    return result;
}

long MailboxTest::count(const QString &table)
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM ") + table, cnDatabase, ado::adOpenKeyset, ado::adLockReadOnly);
    const long n = rs.RecordCount();
    rs.Close();
    return n;
}

QStringList MailboxTest::history()
{
    QStringList result;
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM History ORDER BY [Index]"), cnDatabase, ado::adOpenForwardOnly,
            ado::adLockReadOnly);
    while (!rs.Eof()) {
        result << text(rs.Fields(QStringLiteral("Description")).Value());
        rs.MoveNext();
    }
    rs.Close();
    return result;
}

void MailboxTest::fill(controls::ListView &list)
{
    list.clearItems();
    ado::Recordset rs;
    rs.Open(BuildSortedSelect(list), cnDatabase, ado::adOpenKeyset, ado::adLockReadOnly);
    QList<controls::ListItem *> items;
    while (!rs.Eof()) {
        auto *item = new controls::ListItem();
        for (int column = 1; column <= list.columnHeaderCount(); ++column) {
            const QString key = list.columnKey(column);
            // The Acknowledged column shows an image, no text.
            const QString value = key == QLatin1String("Acknowledged") ? QString() : text(rs.Fields(key).Value());
            if (column == 1)
                item->setText(value);
            else
                item->setSubItem(column - 1, value);
        }
        item->setRowid(rs.rowid());
        items.push_back(item);
        rs.MoveNext();
    }
    rs.Close();
    list.addItems(items);
}

void MailboxTest::select(controls::ListView &list, std::initializer_list<int> rows)
{
    for (int i = 1; i <= list.itemCount(); ++i)
        list.setItemSelected(i, false);
    for (int row : rows)
        list.setItemSelected(row, true);
}

std::vector<int> MailboxTest::selectedRows(const controls::ListView &list)
{
    std::vector<int> rows;
    for (int i = 1; i <= list.itemCount(); ++i)
        if (list.isItemSelected(i))
            rows.push_back(i);
    return rows;
}

QStringList MailboxTest::usedColumn(const controls::ListView &list)
{
    // Used is not a shown column: read it from the table by each item's rowid.
    QStringList result;
    for (int i = 1; i <= list.itemCount(); ++i) {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT Used FROM ") + list.tag() + QStringLiteral(" WHERE rowid = ")
                    + QString::number(list.item(i)->rowid()),
                cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
        result << (rs.Eof() ? QStringLiteral("<gone>") : text(rs.Fields(0).Value()));
        rs.Close();
    }
    return result;
}

void MailboxTest::deleteBehind(const QString &table, const QString &used)
{
    cnDatabase->Execute(QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE Used = '") + used
                        + QStringLiteral("'"));
}

size_t boxCount()
{
    return corvantis::test::dialogs().boxes().size();
}

} // namespace mailboxtest
