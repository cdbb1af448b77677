// The inbound commands of the main window: File > Open loads the chosen
// files one after another, Tools > Validate and Generate Acknowledgement act
// on the selected rows of the shown list.
#include "MainWindowFixture.h"

#include "ado/Recordset.h"
#include "controls/ProgressBar.h"
#include "translation/RecordLayout.h"
#include "vb/Dialogs.h"


#include <QDir>
#include <QFile>
#include <QMap>
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

// A set whose partner has no map for its key: the History and the status
// bar say so, naming partner, set and version.
TEST_F(InboundCommandsTest, ValidateASetWithoutAMapSaysThatNoMapExists)
{
    frmMain &main = load();
    ASSERT_EQ(main.LoadBox(loaderFixture("crlf.IC"), QStringLiteral("I")), QString());
    db.connection().Execute(QStringLiteral("DELETE FROM Segment WHERE [Transaction] = '830'"));
    main.tvwFolderList->setSelectedNode(3);
    main.tvwFolderList_NodeClick(3);
    ASSERT_EQ(main.lvwInbox->itemCount(), 2);
    int row = 0; // the 830's row
    for (int i = 1; i <= main.lvwInbox->itemCount() && !row; ++i)
        if (column(QStringLiteral("SELECT * FROM Inbox WHERE rowid = ") + QString::number(main.lvwInbox->item(i)->rowid()),
                   "Transaction")
            == QStringList{"830"})
            row = i;
    ASSERT_GT(row, 0);
    main.lvwInbox->setSelectedItem(row);
    main.runMenuHandler(QStringLiteral("mnuValidate"));
    const QString text =
        QStringLiteral("No inbound map exists for partner ACMEPARTSACMEAPPCORVANTISCORVAPP, transaction set 830, version 004010");
    const QStringList history = column("SELECT * FROM History", "Description");
    EXPECT_EQ(history.mid(history.size() - 3),
              (QStringList{"Selected [Tools] - [Validate]", text,
                           "ACMEPARTSACMEAPPCORVANTISCORVAPP_830_004010_I Validated: 1 Errors: 1"}));
    EXPECT_EQ(column("SELECT * FROM History", "Type").mid(history.size() - 2), (QStringList{"Error", "Info"}));
    EXPECT_EQ(main.sbrStatusBar->panelText(1), text);
    EXPECT_EQ(column("SELECT * FROM Inbox WHERE [Transaction] = '830'", "Status"), QStringList{"Error"});
}

// Every command that refills a list keeps the rows the user chose selected
// (by row identity, wherever the new order puts them) and the current row on
// the same set; rows that left the list select nothing.
struct RefillCase {
    const char *name;
    const char *list; // the list the rows are chosen in: "Inbox" or "Outbox"
    std::function<void(frmMain &)> command;
    bool rowsLeave;
    // What the command stores in the chosen rows' Status: a text, "*" for any
    // other status than before (the translating commands, whose outcome is
    // the map's), nullptr when not looked at.
    const char *status;
};

class RefillTest : public InboundCommandsTest, public ::testing::WithParamInterface<RefillCase> {};

// The key of a row: partner, set, version and direction.
QStringList keyOf(qint64 rowid, const QString &table)
{
    return column(QStringLiteral("SELECT Partner || ',' || [Transaction] || ',' || Version || ',' || Direction AS k "
                                 "FROM %1 WHERE rowid = %2")
                      .arg(table)
                      .arg(rowid),
                  "k")
        .value(0)
        .split(QLatin1Char(','));
}

TEST_P(RefillTest, KeepsTheChosenRowsSelected)
{
    const RefillCase &c = GetParam();
    for (const char *folder : {"Outbound", "ActiveX", "Reports", "Export"}) {
        const QString path = corvantis::test::tempDir() + QLatin1Char('/') + QLatin1String(folder);
        QDir().mkpath(path);
        saveSetting("Folders", folder, path);
    }
    const bool outbox = QLatin1String(c.list) == QLatin1String("Outbox");
    frmMain &main = load();
    if (outbox) {
        ASSERT_EQ(main.LoadBox(loaderFixture("outbound.OC"), QStringLiteral("O")), QString());
        ASSERT_EQ(main.LoadBox(loaderFixture("ack_two_groups.OC"), QStringLiteral("O")), QString());
    } else {
        ASSERT_EQ(main.LoadBox(loaderFixture("crlf.IC"), QStringLiteral("I")), QString());
        ASSERT_EQ(main.LoadBox(loaderFixture("multi.IC"), QStringLiteral("I")), QString());
    }
    const int node = main.tvwFolderList->nodeIndex(QLatin1String(c.list));
    main.tvwFolderList->setSelectedNode(node);
    main.tvwFolderList_NodeClick(node);
    controls::ListView *list = outbox ? main.lvwOutbox : main.lvwInbox;
    ASSERT_GE(list->itemCount(), 4);
    // Sorted by the Acknowledged column: an acknowledged row moves.
    list->setSortKey(0);
    main.RefreshBox(list);
    // The rows of the key with the most rows, the last of them current.
    QMap<QStringList, int> rowsOfKey;
    for (int i = 1; i <= list->itemCount(); ++i)
        ++rowsOfKey[keyOf(list->item(i)->rowid(), QLatin1String(c.list))];
    QStringList parts;
    for (auto it = rowsOfKey.cbegin(); it != rowsOfKey.cend(); ++it)
        if (parts.isEmpty() || it.value() > rowsOfKey.value(parts))
            parts = it.key();
    ASSERT_EQ(parts.size(), 4);
    // The translating commands read the key's record layout.
    translation::CreateRecordDefinition({parts[0], parts[1], parts[2], parts[3]}, false);
    ASSERT_TRUE(main.MakeUniqueSelection(list, parts[0], parts[1], parts[2], parts[3]));
    QSet<qint64> chosen;
    QList<int> at;
    for (int i = 1; i <= list->itemCount(); ++i)
        if (list->isItemSelected(i)) {
            chosen.insert(list->item(i)->rowid());
            at << i;
        }
    ASSERT_GE(chosen.size(), 2) << "a selection of several rows";
    list->setSelection(at, at.back());
    const qint64 current = list->item(at.back())->rowid();
    const auto statusOf = [&](qint64 rowid) {
        return column(QStringLiteral("SELECT Status FROM %1 WHERE rowid = %2").arg(QLatin1String(c.list)).arg(rowid),
                      "Status")
            .value(0);
    };
    QMap<qint64, QString> statusBefore;
    for (const qint64 rowid : chosen)
        statusBefore[rowid] = statusOf(rowid);
    ASSERT_EQ(list->selectedItem()->rowid(), current);
    const int rowsBefore = list->itemCount();

    c.command(main);

    QSet<qint64> selected;
    for (int i = 1; i <= list->itemCount(); ++i)
        if (list->isItemSelected(i))
            selected.insert(list->item(i)->rowid());
    if (c.rowsLeave) {
        EXPECT_EQ(list->itemCount(), rowsBefore - chosen.size());
        EXPECT_TRUE(selected.isEmpty()) << "nothing selected in place of the rows that left";
    } else {
        EXPECT_EQ(selected, chosen);
        ASSERT_NE(list->selectedItem(), nullptr);
        EXPECT_EQ(list->selectedItem()->rowid(), current);
    }
    if (c.status) {
        // The command did its work on the chosen rows (and the list shows it).
        for (const qint64 rowid : chosen) {
            if (QLatin1String(c.status) == QLatin1String("*"))
                EXPECT_NE(statusOf(rowid), statusBefore.value(rowid)) << "row " << rowid;
            else
                EXPECT_EQ(statusOf(rowid), QLatin1String(c.status)) << "row " << rowid;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RefillTest,
    ::testing::Values(
        RefillCase{"F5", "Inbox", [](frmMain &m) { m.lvwBox_KeyDown(m.lvwInbox, 116, 0); }, false, nullptr},
        RefillCase{"ViewRefresh", "Inbox", [](frmMain &m) { m.runMenuHandler(QStringLiteral("mnuRefresh")); }, false,
                   nullptr},
        RefillCase{"Validate", "Inbox", [](frmMain &m) { m.runMenuHandler(QStringLiteral("mnuValidate")); }, false,
                   nullptr},
        RefillCase{"Acknowledge", "Inbox",
                   [](frmMain &m) { m.runMenuHandler(QStringLiteral("mnuGenerateAcknowledgement")); }, false, nullptr},
        RefillCase{"MarkAsClosed", "Inbox", [](frmMain &m) { m.runMenuHandler(QStringLiteral("mnuMarkAsClosed")); },
                   false, "Closed"},
        RefillCase{"Recycle", "Inbox",
                   [](frmMain &m) {
                       corvantis::test::dialogs().answer(vb::vbYes);
                       m.runMenuHandler(QStringLiteral("mnuDelete"));
                   },
                   true, nullptr},
        // Print, export and the report viewer translate the chosen rows
        // first, which refills the list.
        RefillCase{"Print", "Inbox", [](frmMain &m) { m.runMenuHandler(QStringLiteral("mnuPrint")); }, false, "*"},
        RefillCase{"Export", "Inbox",
                   [](frmMain &m) {
                       corvantis::test::dialogs().answer(vb::vbOK); // no export report: the box says so
                       m.runMenuHandler(QStringLiteral("mnuExport"));
                   },
                   false, "*"},
        RefillCase{"Translation", "Inbox", [](frmMain &m) { m.runMenuHandler(QStringLiteral("mnuReportViewer")); },
                   false, "*"},
        RefillCase{"MoveToSent", "Outbox",
                   [](frmMain &m) {
                       corvantis::test::dialogs().answer(vb::vbYes);
                       m.runMenuHandler(QStringLiteral("mnuSent"));
                   },
                   true, nullptr}),
    [](const ::testing::TestParamInfo<RefillCase> &info) { return std::string(info.param.name); });

} // namespace
} // namespace mainwindow::test
