// Filling a list from its table: RefreshBox queues and runs the fills, fill
// reads the rows and puts them into the list in one step.
#include "mainwindow/frmMain.h"

#include "ado/Recordset.h"
#include "ado/Transaction.h"
#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "controls/TreeView.h"
#include "core/BusyScope.h"
#include "core/modGlobal.h"
#include "mainwindow/ListColumns.h"
#include "vb/DoEvents.h"
#include "vb/VbError.h"

#include "translation/TranslationBusy.h"

#include <QLineEdit>
#include <QTimer>

#include <optional>

namespace mainwindow {

using controls::ListView;

void frmMain::RefreshBox(ListView *lvwBox)
{
    if (!lvwBox)
        return;
    try {
        readColumnSwitches(); // read at every call, before the busy test
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
        return;
    }
    const auto remember = [&] {
        // Remembered, once per list, and run when the running fill or other
        // work ends.
        if (std::find(m_pendingRefresh.begin(), m_pendingRefresh.end(), lvwBox) == m_pendingRefresh.end())
            m_pendingRefresh.push_back(lvwBox);
    };
    if (blnRefreshing)
        return remember();
    {
        // A refill yields too: it holds the busy scope, so nothing closes the
        // connection under it. Asked for inside other work's yield, it waits
        // for that work to end.
        core::BusyScope busy(QStringLiteral("Refresh"), modGlobal::cnDatabase);
        if (!busy.acquired())
            return remember();
        blnRefreshing = true;
        fill(lvwBox);
        blnRefreshing = false;
    }
    while (!m_pendingRefresh.empty()) {
        ListView *next = m_pendingRefresh.front();
        m_pendingRefresh.erase(m_pendingRefresh.begin());
        RefreshBox(next);
    }
}

void frmMain::refreshChangedLists()
{
    const std::shared_ptr<ado::Connection> connection = modGlobal::cnDatabase;
    if (!connection || !m_loaded || m_refreshingChanged)
        return;
    m_refreshingChanged = true;
    for (ListView *list : lists()) {
        if (list == lvwHistory)
            continue;
        const uint64_t now = connection->changeCount(list->tag());
        const auto filled = m_filledAt.constFind(list);
        if (filled != m_filledAt.constEnd() && *filled == now)
            continue;
        // Taken as seen first: a fill that fails is not tried again and again.
        m_filledAt[list] = now;
        RefreshBox(list);
    }
    m_refreshingChanged = false;
}

void frmMain::listenForTableChanges()
{
    const std::shared_ptr<ado::Connection> connection = modGlobal::cnDatabase;
    if (const auto before = m_listenedTo.lock(); before && before != connection)
        before->setChangeListener({});
    m_listenedTo = connection;
    if (!connection)
        return;
    // The listener runs inside the changing statement: the lists are looked
    // at once the handler that changed the rows has returned. Work in
    // progress (a run, a translation) is left alone: the end of the work
    // refills what it changed.
    connection->setChangeListener([this] {
        QTimer::singleShot(0, this, [this] {
            if (const auto cn = m_listenedTo.lock())
                cn->listenForChanges();
            if (!core::BusyScope::isBusy() && !translation::TranslationBusy::isBusy() && !blnRefreshing)
                refreshChangedLists();
        });
    });
}

void frmMain::fill(ListView *lvwBox)
{
    std::unique_ptr<ado::Recordset> rs;
    QList<controls::ListItem *> batch;
    // The fill's own hold on the connection, whatever happens in its yield.
    const std::shared_ptr<ado::Connection> connection = modGlobal::cnDatabase;
    try {
        const ColumnSwitches switches = readColumnSwitches();
        const SelectionMemory kept = rememberSelection(*lvwBox);
        BuildSortMenu(lvwBox);
        if (!connection)
            vb::raise(3704, QStringLiteral("Operation is not allowed when the object is closed."));
        if (!lvwBox->isHidden()) {
            txtMessage->setText(QStringLiteral("Generating View"));
            txtMessage->show();
            txtMessage->raise();
        }
        // The one yield comes before anything is read or cleared: a click in
        // it acts on the rows still shown, which are the rows of the table.
        vb::DoEvents();
        // What the list will show is the table as it is from here on.
        m_filledAt[lvwBox] = connection->changeCount(lvwBox->tag());
        rs = std::make_unique<ado::Recordset>();
        QString statement = modGlobal::BuildSortedSelect(*lvwBox);
        const bool mailbox = isMailboxList(lvwBox);
        const QString first = lvwBox->columnHeaderCount() >= 1 ? lvwBox->columnKey(1) : QString();
        const QString second = lvwBox->columnHeaderCount() >= 2 ? lvwBox->columnKey(2) : QString();
        std::optional<MailboxRowPlan> plan;
        if (mailbox) {
            plan = planMailboxRow(switches, first, second);
            // A mailbox list reads only the fields its rows show, in the
            // order the rows read them, and its own columns (the sort key is
            // one): same rows, same order, much less to read and convert.
            static const QString kAllColumns = QStringLiteral("SELECT * ");
            QStringList names;
            for (const char *name : plan->fields)
                names.push_back(QString::fromLatin1(name));
            for (int i = 1; i <= lvwBox->columnHeaderCount(); ++i)
                if (!names.contains(lvwBox->columnKey(i), Qt::CaseInsensitive))
                    names.push_back(lvwBox->columnKey(i));
            if (!names.isEmpty() && statement.startsWith(kAllColumns))
                statement.replace(0, kAllColumns.size(),
                                  QStringLiteral("SELECT [") + names.join(QStringLiteral("], [")) + QStringLiteral("] "));
        }
        rs->Open(statement, *connection, ado::adOpenKeyset, ado::adLockReadOnly);
        if (!(rs->Bof() && rs->Eof())) {
            // Fields are found once by name; the rows read them by position.
            QHash<QByteArray, int> positions;
            ado::Fields &fields = rs->Fields();
            for (int i = 0; i < fields.Count(); ++i)
                positions.insert(fields.Item(i).Name().toLower().toLatin1(), i);
            const auto position = [&](const char *name) {
                const int i = positions.value(QByteArray(name).toLower(), -1);
                if (i < 0)
                    vb::raise(3265, QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
                return i;
            };
            // The rows are read in one read transaction, so the file is
            // locked once and not per row; nothing yields inside it, so no
            // other work can join it.
            if (plan) {
                std::vector<int> at;
                for (const char *name : plan->fields)
                    at.push_back(position(name));
                std::vector<vb::Variant> values(at.size());
                MailboxItemMaker maker(std::move(*plan), *lvwIcons);
                ado::Transaction reading(*connection);
                rs->MoveFirst();
                while (!rs->Eof()) {
                    for (size_t i = 0; i < at.size(); ++i)
                        values[i] = fields.Item(at[i]).Value();
                    batch.push_back(maker.make(values.data(), rs->rowid()));
                    rs->MoveNext();
                }
                reading.commit();
            } else {
                // The log rule asks by literal names: each name's position is
                // remembered.
                QHash<const char *, int> byName;
                const FieldReader field = [&](const char *name) -> vb::Variant {
                    auto it = byName.constFind(name);
                    if (it == byName.constEnd())
                        it = byName.insert(name, position(name));
                    return fields.Item(*it).Value();
                };
                ado::Transaction reading(*connection);
                rs->MoveFirst();
                while (!rs->Eof()) {
                    batch.push_back(makeItem(logRow(field, *lvwIcons), rs->rowid(), *lvwIcons));
                    rs->MoveNext();
                }
                reading.commit();
            }
        }
        lvwBox->clearItems();
        lvwBox->addItems(batch);
        batch.clear();
        txtMessage->hide();
        restoreSelection(*lvwBox, kept);
        const int node = nodeForList(lvwBox);
        if (node > 0)
            tvwFolderList->setNodeText(node, lvwBox->tag() + QLatin1String(" (") +
                                                 QString::number(lvwBox->itemCount()) + QLatin1Char(')'));
        if (isMailboxList(lvwBox) && !lvwBox->isHidden())
            ShowTransactionSet(lvwBox);
        lvwBox->viewport()->update();
        rs->Close();
    } catch (const std::exception &e) {
        // A fill that fails leaves the rows the list showed; the rows read so
        // far are dropped (the walks check every row against its record).
        qDeleteAll(batch);
        txtMessage->hide();
        rs.reset();
        modGlobal::ReportError(e);
    }
}

} // namespace mainwindow
