// The inbound commands of the main window: File > Open loads the chosen
// files one after another, Tools > Validate and Generate Acknowledgement act
// on the selected rows of the shown list.
#include "MainWindowFixture.h"

#include "ado/Recordset.h"
#include "controls/ProgressBar.h"
#include "vb/Dialogs.h"


#include <QDir>
#include <QFile>
#include <QSet>

#include <functional>

namespace mainwindow::test {
namespace {

QString loaderFixture(const char *name)
{
    return QStringLiteral(CORVANTIS_FIXTURES) + QStringLiteral("/loader/") + QLatin1String(name);
}

QStringList column(const QString &statement, const char *field)
{
    QStringList values;
    ado::Recordset rs;
    rs.Open(statement, modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockReadOnly);
    while (!rs.Eof()) {
        values << rs(QLatin1String(field)).Value().toString();
        rs.MoveNext();
    }
    return values;
}

class InboundCommandsTest : public MainWindowTest {};

TEST_F(InboundCommandsTest, OpenInboundLoadsEveryChosenFileAndRecordsFailures)
{
    saveSetting("Folders", "Inbound", corvantis::test::tempDir());
    frmMain &main = load();
    main.tvwFolderList_NodeClick(3);
    corvantis::test::dialogs().answerOpenFile({loaderFixture("bad_se_count.IC"), loaderFixture("crlf.IC")});
    main.runMenuHandler(QStringLiteral("mnuOpenInbound"));

    const vb::OpenFileRequest &request = corvantis::test::dialogs().last().openFile;
    EXPECT_EQ(request.title, "Open Inbound");
    EXPECT_EQ(request.filter,
              "All Files (*.*)|*.*|Inbound Characters (*.IC)|*.IC|Electronic Document Interchange (*.EDI)|*.EDI");
    EXPECT_EQ(request.initialFolder, corvantis::test::tempDir());
    EXPECT_TRUE(request.multiSelect);

    EXPECT_EQ(main.lvwInbox->itemCount(), 2);
    EXPECT_EQ(column("SELECT * FROM History", "Description"),
              (QStringList{"Selected [File] - [Open] - [Inbound]",
                           "Included Number of Segments 4 Are Not Equal 5 - [" + loaderFixture("bad_se_count.IC") + "]",
                           "Trading Partner Registered - [ACMEPARTSACMEAPPCORVANTISCORVAPP]",
                           "File Loaded - Interchanges: 1, Transaction Sets: 2 - [" + loaderFixture("crlf.IC") + "]"}));
    EXPECT_EQ(column("SELECT * FROM History", "Type"), (QStringList{"Info", "Error", "Info", "Info"}));
    EXPECT_EQ(main.sbrStatusBar->panelText(1), "File Loaded - Interchanges: 1, Transaction Sets: 2 - [crlf.IC]");
    EXPECT_EQ(main.sbrStatusBar->panelText(3), QString());
    EXPECT_EQ(main.pgbProgressBar->value(), 0);
}

// The user opens a file whose interchange is stored already: asked, No by
// default, then Yes.
TEST_F(InboundCommandsTest, OpenInboundAsksBeforeLoadingAStoredInterchangeAgain)
{
    frmMain &main = load();
    main.tvwFolderList_NodeClick(3);
    corvantis::test::dialogs().answerOpenFile({loaderFixture("crlf.IC")});
    main.runMenuHandler(QStringLiteral("mnuOpenInbound"));
    ASSERT_EQ(main.lvwInbox->itemCount(), 2);

    for (const int answer : {vb::vbNo, vb::vbYes}) {
        corvantis::test::dialogs().answerOpenFile({loaderFixture("crlf.IC")}).answer(answer);
        main.runMenuHandler(QStringLiteral("mnuOpenInbound"));
        const corvantis::test::Box &box = corvantis::test::dialogs().last();
        EXPECT_EQ(box.text, "Interchange 000000201 from ACMEPARTS is already stored. Load it again?");
        EXPECT_EQ(box.defaultButton, 2);
    }
    EXPECT_EQ(main.lvwInbox->itemCount(), 4);
    const QStringList history = column("SELECT * FROM History", "Description");
    EXPECT_TRUE(history.contains("Interchange 000000201 from ACMEPARTS is already stored, not loaded again - ["
                                 + loaderFixture("crlf.IC") + "]"))
        << history.join('\n').toStdString();
    EXPECT_EQ(history.last(), "File Loaded - Interchanges: 1, Transaction Sets: 2 - [" + loaderFixture("crlf.IC") + "]");
}

TEST_F(InboundCommandsTest, OpenOutboundLoadsIntoTheOutbox)
{
    frmMain &main = load();
    corvantis::test::dialogs().answerOpenFile({loaderFixture("outbound.OC")});
    main.runMenuHandler(QStringLiteral("mnuOpenOutbound"));
    EXPECT_EQ(corvantis::test::dialogs().last().openFile.title, "Open Outbound");
    EXPECT_EQ(main.lvwOutbox->itemCount(), 2);
    EXPECT_EQ(column("SELECT * FROM History", "Description").first(), "Selected [File] - [Open] - [Outbound]");
}

TEST_F(InboundCommandsTest, ValidateAndAcknowledgeTheSelectedRows)
{
    const QString outbound = corvantis::test::tempDir() + QStringLiteral("/Outbound");
    QDir().mkpath(outbound);
    saveSetting("Folders", "Outbound", outbound);
    frmMain &main = load();
    ASSERT_EQ(main.LoadBox(loaderFixture("crlf.IC"), QStringLiteral("I")), QString());
    main.tvwFolderList->setSelectedNode(3);
    main.tvwFolderList_NodeClick(3);
    ASSERT_EQ(main.lvwInbox->itemCount(), 2);

    // Validate the first row only: its map is the seed map, so it fails.
    main.lvwInbox->setSelectedItem(1);
    main.runMenuHandler(QStringLiteral("mnuValidate"));
    EXPECT_EQ(column("SELECT * FROM Inbox ORDER BY [Transaction] ASC", "Status"), (QStringList{"Error", "Closed"}));
    const QStringList history = column("SELECT * FROM History", "Description");
    EXPECT_EQ(history.mid(history.size() - 3),
              (QStringList{"Selected [Tools] - [Validate]", "BFR - Segment Sequence - Verify Mapping",
                           "ACMEPARTSACMEAPPCORVANTISCORVAPP_830_004010_I Validated: 1 Errors: 1"}));

    // Acknowledge the other one.
    main.tvwFolderList_NodeClick(3);
    ado::Recordset closed;
    closed.Open(QStringLiteral("SELECT * FROM Inbox WHERE Status = 'Closed'"), modGlobal::cnDatabase,
                ado::adOpenKeyset, ado::adLockReadOnly);
    const qint64 rowid = closed.rowid();
    closed.Close();
    const int other = main.lvwInbox->item(1)->rowid() == rowid ? 1 : 2;
    main.lvwInbox->setSelectedItem(other);
    main.runMenuHandler(QStringLiteral("mnuGenerateAcknowledgement"));
    EXPECT_EQ(QDir(outbound).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(main.lvwOutbox->itemCount(), 1);
    EXPECT_EQ(column("SELECT * FROM Inbox WHERE Acknowledged = 'Yes'", "Transaction").size(), 1);
    EXPECT_EQ(column("SELECT * FROM History", "Description").mid(history.size()),
              (QStringList{"Selected [Tools] - [Generate Acknowledgement]",
                           "Selected [Tools] - [Generate Acknowledgement]",
                           "File Loaded - Interchanges: 1, Transaction Sets: 1 - [" + outbound + "/"
                               + QDir(outbound).entryList(QDir::Files).value(0) + "]"}));
}

// Every command that refills the Inbox keeps the rows the user chose
// selected (by row identity, wherever the new order puts them) and the
// current row on the same set; rows that left the list select nothing.
TEST_F(InboundCommandsTest, RefillsKeepTheChosenRowsSelected)
{
    const QString outbound = corvantis::test::tempDir() + QStringLiteral("/Outbound");
    QDir().mkpath(outbound);
    saveSetting("Folders", "Outbound", outbound);
    const struct Case {
        const char *what;
        std::function<void(frmMain &)> command;
        bool rowsLeave;
    } cases[] = {
        {"F5", [](frmMain &m) { m.lvwBox_KeyDown(m.lvwInbox, 116, 0); }, false},
        {"View > Refresh", [](frmMain &m) { m.runMenuHandler(QStringLiteral("mnuRefresh")); }, false},
        {"validate", [](frmMain &m) { m.runMenuHandler(QStringLiteral("mnuValidate")); }, false},
        {"acknowledge", [](frmMain &m) { m.runMenuHandler(QStringLiteral("mnuGenerateAcknowledgement")); }, false},
        {"mark as closed", [](frmMain &m) { m.runMenuHandler(QStringLiteral("mnuMarkAsClosed")); }, false},
        {"recycle",
         [](frmMain &m) {
             corvantis::test::dialogs().answer(vb::vbYes);
             m.runMenuHandler(QStringLiteral("mnuDelete"));
         },
         true},
    };
    for (const Case &c : cases) {
        frmMain &main = load();
        ASSERT_EQ(main.LoadBox(loaderFixture("crlf.IC"), QStringLiteral("I")), QString());
        ASSERT_EQ(main.LoadBox(loaderFixture("multi.IC"), QStringLiteral("I")), QString());
        main.tvwFolderList->setSelectedNode(3);
        main.tvwFolderList_NodeClick(3);
        controls::ListView *inbox = main.lvwInbox;
        ASSERT_GE(inbox->itemCount(), 4) << c.what;
        // Sorted by the Acknowledged column: an acknowledged row moves.
        inbox->setSortKey(0);
        main.RefreshBox(inbox);
        // The rows of the last row's key, the last of them current.
        const QString key = [&] {
            ado::Recordset rs;
            rs.Open(QStringLiteral("SELECT Partner || ',' || [Transaction] || ',' || Version || ',' || Direction AS k "
                                   "FROM Inbox WHERE rowid = ")
                        + QString::number(inbox->item(inbox->itemCount())->rowid()),
                    modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
            return rs(QStringLiteral("k")).Value().toString();
        }();
        const QStringList parts = key.split(QLatin1Char(','));
        ASSERT_TRUE(main.MakeUniqueSelection(inbox, parts[0], parts[1], parts[2], parts[3])) << c.what;
        QSet<qint64> chosen;
        qint64 current = 0;
        for (int i = 1; i <= inbox->itemCount(); ++i)
            if (inbox->isItemSelected(i)) {
                chosen.insert(inbox->item(i)->rowid());
                current = inbox->item(i)->rowid();
            }
        inbox->setSelection([&] {
            QList<int> at;
            for (int i = 1; i <= inbox->itemCount(); ++i)
                if (inbox->isItemSelected(i))
                    at << i;
            return at;
        }(), inbox->itemCount());
        ASSERT_EQ(inbox->selectedItem()->rowid(), current);
        const int rowsBefore = inbox->itemCount();

        c.command(main);

        QSet<qint64> selected;
        for (int i = 1; i <= inbox->itemCount(); ++i)
            if (inbox->isItemSelected(i))
                selected.insert(inbox->item(i)->rowid());
        if (c.rowsLeave) {
            EXPECT_EQ(inbox->itemCount(), rowsBefore - chosen.size()) << c.what;
            EXPECT_TRUE(selected.isEmpty()) << c.what << ": nothing selected in place of the rows that left";
        } else {
            EXPECT_EQ(selected, chosen) << c.what;
            ASSERT_NE(inbox->selectedItem(), nullptr) << c.what;
            EXPECT_EQ(inbox->selectedItem()->rowid(), current) << c.what;
        }
        controls::unload<frmMain>();
        modGlobal::cnDatabase.reset();
        db.connection().Execute(QStringLiteral("DELETE FROM Inbox"));
        db.connection().Execute(QStringLiteral("DELETE FROM Outbox"));
        db.connection().Execute(QStringLiteral("DELETE FROM Recycled"));
    }
}

} // namespace
} // namespace mainwindow::test
