// The job runner over the program's own services on a test database: the
// inbound steps (acknowledgement, plug-in, print, export) with the rows moved
// to Recycled exactly as they were, the failures that keep them, the 862's
// previous schedule, and the outbound run of an import file.
#include "integration/window/ProgramJobServices.h"

#include "TranslationTestSupport.h"

#include "TestEnvironment.h"

#include "partners/frmPartners.h"
#include "reports/ReportCommands.h"
#include "translation/InboundTranslation.h"
#include "translation/OpenReport.h"
#include "translation/OutboundTranslation.h"
#include "translation/RecordLayout.h"
#include "translation/ReportDefinition.h"

#include "com/ClassRegistry.h"
#include "controls/ListView.h"
#include "controls/TextBox.h"
#include "report/ReportFile.h"
#include "core/ListSelection.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>

#include <algorithm>

using namespace Qt::StringLiterals;
using integration::Job;
using integration::JobRunner;

namespace {

class ProgramServicesTest : public translationtest::ReportRunTest {
public:
    void SetUp() override
    {
        ReportRunTest::SetUp();
        for (auto [list, table] : {std::pair{&inboxList, u"Inbox"_s}, std::pair{&recycledList, u"Recycled"_s}}) {
            *list = std::make_unique<controls::ListView>();
            (*list)->setTag(table);
            (*list)->setMultiSelect(true);
            (*list)->addColumnHeader(u"Time"_s, u"Time"_s, 1000);
        }
        const QString temp = corvantis::test::tempDir();
        for (const char *folder : {"outbound", "import"})
            QDir().mkpath(temp + u'/' + QString::fromLatin1(folder));
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Outbound"_s, temp + u"/outbound"_s);
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Import"_s, temp + u"/import"_s);
    }

    void TearDown() override
    {
        inboxList.reset();
        recycledList.reset();
        ReportRunTest::TearDown();
    }

    // Refills the main window's Inbox list from its query; `selected` flags
    // by position (missing: not selected).
    void fillInbox(const std::vector<bool> &selected)
    {
        inboxList->clearItems();
        ado::Recordset rs;
        rs.Open(modGlobal::BuildSortedSelect(*inboxList), modGlobal::cnDatabase, ado::adOpenKeyset,
                ado::adLockReadOnly);
        for (; !rs.Eof(); rs.MoveNext())
            inboxList->addItem(rs(u"Partner"_s).Value().toString())->setRowid(rs.rowid());
        rs.Close();
        for (int i = 1; i <= inboxList->itemCount(); ++i)
            inboxList->setItemSelected(i, size_t(i - 1) < selected.size() && selected[size_t(i - 1)]);
    }

    // The key's map, Transactions row and report files, and `sets` Inbox rows.
    void prepare(int sets = 2)
    {
        addReportKey(25);
        for (int i = 0; i < sets; ++i)
            addInboxRow(u"ST*"_s + key.transaction + u"*000"_s + QString::number(i + 1) + u"~BSN*S"_s
                        + QString::number(i + 1) + u"~LIN*1~SE*4*000"_s + QString::number(i + 1) + u"~"_s);
        fillInbox({});
        translation::CreateReportDefinition(key);
        const QString made = reportPath(u""_s);
        QFile::copy(made, reportPath(u"Export/"_s));
        QFile::copy(made, reportPath(u"ActiveX/"_s));
    }
    QString reportPath(const QString &place) const
    {
        const QString stem = key.partner + u'_' + key.transaction + u'_' + key.version + u'_' + key.direction;
        return corvantis::test::tempDir() + u"/reports/"_s + place + stem + (place.isEmpty() ? u".rpt"_s : u".RPT"_s);
    }
    Job job(bool ack = false, bool activeX = false, bool print = false) const
    {
        return Job{key.partner, key.transaction, key.version, key.direction, false, ack, activeX, print};
    }
    QString keyText() const { return job().key(); }

    integration::MailboxAccess access()
    {
        integration::MailboxAccess a;
        a.inbox = inboxList.get();
        a.recycled = recycledList.get();
        // Selects the list rows whose stored row has the key (the main
        // window's own selection is tested with the main window).
        a.makeUniqueSelection = [this](controls::ListView &list, const QString &p, const QString &t, const QString &v,
                                       const QString &d) {
            bool any = false;
            for (int i = 1; i <= list.itemCount(); ++i) {
                const auto row = rows(u"SELECT Partner || ',' || [Transaction] || ',' || Version || ',' || Direction "
                                      "AS k FROM "_s + list.tag() + u" WHERE rowid = "_s
                                      + QString::number(list.item(i)->rowid()));
                const bool match = !row.empty() && row[0].at(u"k"_s) == p + u',' + t + u',' + v + u',' + d;
                list.setItemSelected(i, match);
                any = any || match;
            }
            return any;
        };
        a.isSelectionUnique = [this](controls::ListView &list) { return selectionKey(core::selectionOf(list)); };
        a.refreshBox = [this](const QString &table) {
            refreshedLists << table;
            if (table == u"Inbox"_s)
                fillInbox({});
        };
        a.progress = &progress;
        return a;
    }
    bool run(const Job &j)
    {
        return JobRunner(integration::ProgramJobServices(access(), [](const Job &) { return true; })).RunJob(j);
    }
    static QString mailboxColumns()
    {
        return u"Partner, [Transaction], Version, Direction, [Date], [Time], Used, InterchangeControlNumber, "
               "GroupControlNumber, FunctionalGroup, SenderID, SenderDivision, ReceiverID, ReceiverDivision, "
               "Acknowledged, Status, TSet"_s;
    }

    QStringList refreshedLists;
    // The main window's lists the job runner's services work on.
    std::unique_ptr<controls::ListView> inboxList, recycledList;
};

TEST_F(ProgramServicesTest, AnExportedJobMovesItsRowsToRecycledUnchanged)
{
    prepare();
    // Another direction of the same partner, set and version is not the job's.
    addRow(u"Inbox"_s, {{"Partner", key.partner}, {"Transaction", key.transaction}, {"Version", key.version},
                        {"Direction", u"O"_s}, {"Status", u"Closed"_s}, {"TSet", u"ST*830*0009~SE*2*0009~"_s}});
    fillInbox({});
    const auto before = rows(u"SELECT "_s + mailboxColumns() + u" FROM Inbox WHERE Direction = 'I' ORDER BY rowid"_s);

    ASSERT_TRUE(run(job()));

    const QString exported = reports::ReportCommands::ExportFilePath(
        {key.partner, key.transaction, key.version, key.direction}, 25);
    EXPECT_TRUE(QFileInfo::exists(exported)) << exported.toStdString();
    const auto after = rows(u"SELECT "_s + mailboxColumns() + u" FROM Recycled ORDER BY rowid"_s);
    ASSERT_EQ(after.size(), 2u);
    for (std::size_t i = 0; i < after.size(); ++i)
        for (const auto &[column, value] : before[i])
            if (column != u"Status"_s) { // the export marks them "Exported"
                EXPECT_EQ(after[i].at(column), value) << column.toStdString();
            }
    EXPECT_EQ(column(u"SELECT Status FROM Recycled"_s, u"Status"_s), (QStringList{u"Exported"_s, u"Exported"_s}));
    EXPECT_EQ(column(u"SELECT Direction FROM Inbox"_s, u"Direction"_s), QStringList{u"O"_s});
    EXPECT_EQ(historyEntries().last(), u"Info: Processed complete! "_s + keyText());
    EXPECT_TRUE(refreshedLists.contains(u"Recycled"_s));
}

TEST_F(ProgramServicesTest, PrintingAndThePluginEachEndWithTheMove)
{
    struct Case {
        const char *what;
        bool activeX, print;
        const char *plugin;
    } cases[] = {{"plain report printed", false, true, nullptr}, {"plug-in report printed", true, true, "Keep"},
                 {"plug-in report exported", true, false, "Keep"}};
    prepare(0);
    for (const Case &c : cases) {
        QFile::remove(corvantis::test::tempDir() + u"/printed.pdf"_s);
        addInboxRow(u"ST*830*0001~BSN*S1~LIN*1~SE*4*0001~"_s);
        fillInbox({});
        if (c.plugin) {
            com::addClass(QStringLiteral(REPORT_PLUGIN), QString::fromLatin1(c.plugin));
            modGlobal::cnDatabase->Execute(u"UPDATE Transactions SET ActiveX = 'ReportPlugin."_s
                                           + QString::fromLatin1(c.plugin) + u"'"_s);
        }
        EXPECT_TRUE(run(job(false, c.activeX, c.print))) << c.what;
        EXPECT_EQ(count(u"Inbox"_s), 0) << c.what;
        EXPECT_EQ(historyEntries().last(), u"Info: Processed complete! "_s + keyText()) << c.what;
        EXPECT_EQ(QFileInfo::exists(corvantis::test::tempDir() + u"/printed.pdf"_s), c.print) << c.what;
    }
    EXPECT_EQ(count(u"Recycled"_s), 3);
}

TEST_F(ProgramServicesTest, AFailedStepKeepsTheRowsAndRecordsTheFailure)
{
    struct Case {
        const char *what;
        std::function<void(ProgramServicesTest &)> spoil;
        Job job;
    };
    prepare();
    const std::vector<Case> cases{
        {"export report missing", [](ProgramServicesTest &t) { QFile::remove(t.reportPath(u"Export/"_s)); }, job()},
        {"plug-in refusing",
         [](ProgramServicesTest &) {
             com::addClass(QStringLiteral(REPORT_PLUGIN), u"Refuse"_s);
             modGlobal::cnDatabase->Execute(u"UPDATE Transactions SET ActiveX = 'ReportPlugin.Refuse'"_s);
         },
         job(false, true, false)},
    };
    for (const Case &c : cases) {
        c.spoil(*this);
        EXPECT_FALSE(run(c.job)) << c.what;
        EXPECT_EQ(count(u"Inbox"_s), 2) << c.what;
        EXPECT_EQ(count(u"Recycled"_s), 0) << c.what;
        EXPECT_EQ(historyEntries().last(), u"Error: Process Failed - "_s + keyText()) << c.what;
        EXPECT_FALSE(historyEntries().join(u'\n').contains(u"Processed complete!"_s)) << c.what;
    }
}

TEST_F(ProgramServicesTest, NoRowsOfTheKeyOnlyWarns)
{
    prepare(0);
    addRow(u"Inbox"_s, {{"Partner", key.partner}, {"Transaction", key.transaction}, {"Version", key.version},
                        {"Direction", u"O"_s}, {"Status", u"Closed"_s}});
    fillInbox({});
    EXPECT_TRUE(run(job(true)));
    EXPECT_EQ(historyEntries().last(), u"Warning: There are no Transactions to process! "_s + keyText());
    EXPECT_EQ(count(u"Inbox"_s), 1);
    EXPECT_EQ(count(u"Outbox"_s), 0);
}

TEST_F(ProgramServicesTest, TheAcknowledgementAnswersTheRowsBeforeTheMove)
{
    prepare();
    ASSERT_TRUE(run(job(true)));
    EXPECT_EQ(column(u"SELECT [Transaction] FROM Outbox"_s, u"Transaction"_s), QStringList{u"997"_s});
    EXPECT_EQ(column(u"SELECT Acknowledged FROM Recycled"_s, u"Acknowledged"_s), (QStringList{u"Yes"_s, u"Yes"_s}));
    EXPECT_EQ(count(u"Inbox"_s), 0);
}

// Each step after the acknowledgement works on the job's own rows, even when
// the acknowledgement's refill left the selection on another partner's rows.
TEST_F(ProgramServicesTest, EveryStepAfterTheAcknowledgementWorksOnTheJobsOwnRows)
{
    const struct Case {
        const char *what;
        bool activeX, print;
    } cases[] = {{"export", false, false}, {"print", false, true}, {"plug-in print", true, true},
                 {"plug-in export", true, false}};
    prepare(0);
    com::addClass(QStringLiteral(REPORT_PLUGIN), u"Keep"_s);
    modGlobal::cnDatabase->Execute(u"UPDATE Transactions SET ActiveX = 'ReportPlugin.Keep'"_s);
    const auto otherRow = [&](const char *time) {
        addRow(u"Inbox"_s, {{"Partner", u"OTHER01"_s}, {"Transaction", u"810"_s}, {"Version", key.version},
                            {"Direction", u"I"_s}, {"Time", QString::fromLatin1(time)}, {"Status", u"Closed"_s},
                            {"Acknowledged", u"No"_s}, {"TSet", u"ST*810*0001~BIG*X~SE*3*0001~"_s}});
    };
    otherRow("0000");
    otherRow("9999");
    for (const Case &c : cases) {
        addInboxRow(u"ST*830*0001~BSN*S1~LIN*1~SE*4*0001~"_s);
        fillInbox({});
        // The acknowledgement's refill puts the selection on the other partner's rows.
        progress.onRefresh = [this](const QString &table) {
            if (table == u"Inbox"_s)
                fillInbox({true, false, true});
        };
        EXPECT_TRUE(run(job(true, c.activeX, c.print))) << c.what;
        progress.onRefresh = nullptr;
        EXPECT_EQ(column(u"SELECT Partner || ' ' || Status || ' ' || Acknowledged AS r FROM Inbox ORDER BY rowid"_s,
                         u"r"_s),
                  (QStringList{u"OTHER01 Closed No"_s, u"OTHER01 Closed No"_s}))
            << c.what;
        EXPECT_EQ(historyEntries().last(), u"Info: Processed complete! "_s + keyText()) << c.what;
    }
    EXPECT_EQ(column(u"SELECT DISTINCT Partner FROM Recycled"_s, u"Partner"_s), QStringList{key.partner});
    EXPECT_EQ(count(u"Recycled"_s), 4);
}

TEST_F(ProgramServicesTest, ThePreviousScheduleIsTheInterchangeMovedLast)
{
    key.transaction = u"862"_s;
    auto recycledRow = [&](const QString &version, const QString &icn) {
        addRow(u"Recycled"_s, {{"Partner", key.partner}, {"Transaction", key.transaction}, {"Version", version},
                               {"Direction", key.direction}, {"InterchangeControlNumber", icn},
                               {"Status", u"Closed"_s}, {"TSet", u"ST*862*0009~SE*2*0009~"_s}});
    };
    recycledRow(key.version, u"000000007"_s);
    recycledRow(key.version, u"000000009"_s);
    recycledRow(u"003020"_s, u"000000011"_s); // another version: not this schedule
    recycledRow(key.version, u"000000009"_s);
    recycledRow(key.version, u"000000008"_s); // moved last
    recycledRow(key.version, u"000000008"_s);
    ado::Recordset rs;
    rs.Open(u"SELECT rowid AS r FROM Recycled ORDER BY rowid"_s, *modGlobal::cnDatabase, ado::adOpenForwardOnly,
            ado::adLockReadOnly);
    for (; !rs.Eof(); rs.MoveNext())
        recycledList->addItem(u"row"_s)->setRowid(rs(u"r"_s).Value().toLong());
    recycledList->setItemSelected(1, true);

    ASSERT_TRUE(integration::SelectPreviousSchedule(*recycledList, {key.partner, key.transaction, key.version, key.direction}));
    std::vector<bool> selected;
    for (int i = 1; i <= recycledList->itemCount(); ++i)
        selected.push_back(recycledList->isItemSelected(i));
    EXPECT_EQ(selected, (std::vector<bool>{false, false, false, false, true, true}));

    key.partner = u"NOBODY"_s;
    EXPECT_FALSE(integration::SelectPreviousSchedule(*recycledList, {key.partner, key.transaction, key.version, key.direction}));
}

TEST_F(ProgramServicesTest, AnOutboundJobTranslatesItsImportFileByKey)
{
    key.direction = u"O"_s;
    const QString fixture = QStringLiteral(CORVANTIS_FIXTURES "/outbound/");
    addPartner(key.partner);
    addRow(u"Transactions"_s, {{"Partner", key.partner}, {"Transaction", key.transaction}, {"Version", key.version},
                               {"Direction", key.direction}, {"Group", u"SS"_s}, {"Versionoverride", u"004010"_s}});
    QFile map(fixture + u"empty_number_is_null/map.txt"_s);
    ASSERT_TRUE(map.open(QIODevice::ReadOnly));
    addMap(translationtest::parseMap(QString::fromLatin1(map.readAll())));
    const translation::MapKey mapKey{key.partner, key.transaction, key.version, key.direction};
    const Job outbound{key.partner, key.transaction, key.version, key.direction, false, false, false, false};

    // An empty data file: nothing to send is no failure.
    QFile::copy(fixture + u"empty_import/import.ADO"_s, translation::OutboundTranslation::ImportDefinitionPath(mapKey));
    QFile::copy(fixture + u"empty_import/import.IMP"_s, translation::OutboundTranslation::ImportDataPath(mapKey));
    EXPECT_TRUE(run(outbound));
    EXPECT_EQ(count(u"Outbox"_s), 0);

    QFile::remove(translation::OutboundTranslation::ImportDataPath(mapKey));
    QFile::remove(translation::OutboundTranslation::ImportDefinitionPath(mapKey));
    QFile::copy(fixture + u"empty_number_is_null/import.ADO"_s,
                translation::OutboundTranslation::ImportDefinitionPath(mapKey));
    QFile::copy(fixture + u"empty_number_is_null/import.IMP"_s, translation::OutboundTranslation::ImportDataPath(mapKey));
    EXPECT_TRUE(run(outbound));
    EXPECT_EQ(count(u"Outbox"_s), 1);
    EXPECT_EQ(QDir(corvantis::test::tempDir() + u"/outbound"_s).entryList(QDir::Files).size(), 1);

    // No import files at all: the run fails and says so.
    QFile::remove(translation::OutboundTranslation::ImportDataPath(mapKey));
    EXPECT_FALSE(run(outbound));
    EXPECT_EQ(historyEntries().last(), u"Error: Process Failed - "_s + outbound.key());
    EXPECT_EQ(historyEntries().count(u"Error: Process Failed - "_s + outbound.key()), 1) << "recorded once";
    EXPECT_EQ(count(u"Outbox"_s), 1);
}

// A partner renamed in the partner window takes every file of its sets along:
// the outbound run finds its import definition and data, File > Export and an
// integration job with Acknowledge and Export find their reports, and the
// untouched default report names the partner anew in its title.
TEST_F(ProgramServicesTest, ARenamedPartnersRunsFindEveryFileOfItsSetsUnderTheNewName)
{
    prepare();
    const translation::MapKey inbound = key;
    const QString fixture = QStringLiteral(CORVANTIS_FIXTURES "/outbound/empty_number_is_null/");
    key.direction = u"O"_s;
    addRow(u"Transactions"_s, {{"Partner", key.partner}, {"Transaction", key.transaction}, {"Version", key.version},
                               {"Direction", key.direction}, {"Group", u"SS"_s}, {"Versionoverride", u"004010"_s}});
    QFile map(fixture + u"map.txt"_s);
    ASSERT_TRUE(map.open(QIODevice::ReadOnly));
    addMap(translationtest::parseMap(QString::fromLatin1(map.readAll())));
    ASSERT_TRUE(QFile::copy(fixture + u"import.ADO"_s, translation::OutboundTranslation::ImportDefinitionPath(key)));
    ASSERT_TRUE(QFile::copy(fixture + u"import.IMP"_s, translation::OutboundTranslation::ImportDataPath(key)));
    const translation::MapKey outbound{u"RENAMED01"_s, key.transaction, key.version, key.direction};
    key = inbound;

    {
        partners::frmPartners w;
        ASSERT_EQ(w.txtPartner->text(), inbound.partner);
        w.mnuEditPartner_Click();
        w.txtPartner->setText(u"RENAMED01"_s);
        corvantis::test::dialogs().answer(vb::vbYes);
        w.mnuEditPartner_Click();
        ASSERT_EQ(w.mnuEditPartner->text(), u"Edit"_s) << corvantis::test::dialogs().last().text.toStdString();
        w.cmdClose_Click();
    }
    key.partner = u"RENAMED01"_s;
    const QString stem = inbound.partner + u'_' + key.transaction + u'_' + key.version + u'_';
    const QString temp = corvantis::test::tempDir();
    for (const QString &folder : {temp + u"/import"_s, reportsFolder, reportsFolder + u"/Export"_s,
                                  reportsFolder + u"/ActiveX"_s})
        EXPECT_EQ(QDir(folder).entryList({stem + u"*"_s}, QDir::Files), QStringList()) << folder.toStdString();
    const report::Report viewer = report::loadReport(reportPath(u""_s));
    const auto &header = viewer.section(report::SectionKind::ReportHeader).objects;
    const auto title = std::find_if(header.begin(), header.end(), [](const auto &o) { return o.name == u"Title"_s; });
    ASSERT_NE(title, header.end());
    EXPECT_EQ(title->text, u"RENAMED01_"_s + key.transaction + u'_' + key.version);

    // The outbound run: the import definition and data still make a pair.
    EXPECT_TRUE(run(Job{outbound.partner, outbound.transaction, outbound.version, outbound.direction, false, false,
                        false, false}))
        << historyEntries().join(u'\n').toStdString();
    EXPECT_EQ(column(u"SELECT Partner FROM Outbox"_s, u"Partner"_s), QStringList{u"RENAMED01"_s});

    // File > Export over the two selected rows.
    fillInbox({true, true});
    reports::ReportServices services;
    services.isSelectionUnique = [this](const core::MailboxSelection &list) { return selectionKey(list); };
    services.translateAll = [this](const core::MailboxSelection &list, const reports::ReportKey &k, bool exportFlag,
                                   bool silent) {
        translation::InboundTranslation translate(*host, &progress);
        return translate.TranslateAll(list, k.partner, k.transaction, k.version, k.direction, exportFlag, silent);
    };
    services.recycled = [this] { return recycled; };
    EXPECT_EQ(reports::ReportCommands(std::move(services)).ExportReport(core::selectionOf(*inboxList), false),
              reports::Outcome::Done)
        << historyEntries().join(u'\n').toStdString();
    const QString exported =
        reports::ReportCommands::ExportFilePath({key.partner, key.transaction, key.version, key.direction}, 25);
    EXPECT_TRUE(QFileInfo::exists(exported)) << exported.toStdString();
    QFile::remove(exported);

    // The integration job acknowledges, exports and moves the rows.
    EXPECT_TRUE(run(job(true))) << historyEntries().join(u'\n').toStdString();
    EXPECT_EQ(historyEntries().last(), u"Info: Processed complete! "_s + keyText());
    EXPECT_EQ(column(u"SELECT [Transaction] FROM Outbox WHERE [Transaction] = '997'"_s, u"Transaction"_s),
              QStringList{u"997"_s});
    EXPECT_TRUE(QFileInfo::exists(exported)) << exported.toStdString();
    EXPECT_EQ(count(u"Recycled"_s), 2);
}

TEST_F(ProgramServicesTest, WithoutTheMainWindowsListsAnInboundJobFails)
{
    prepare();
    corvantis::test::dialogs().answer(vb::vbOK);
    EXPECT_FALSE(JobRunner(integration::ProgramJobServices({}, {})).RunJob(job()));
    EXPECT_EQ(historyEntries().last(), u"Error: Process Failed - "_s + keyText());
    EXPECT_EQ(count(u"Inbox"_s), 2);
}

} // namespace
