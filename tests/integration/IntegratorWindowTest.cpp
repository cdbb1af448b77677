// The integration window through the main window's Tools > Integrator: the
// job list and the selected job's slot, the job editor writing every column,
// the connection and the query filling the grid and the import files, Save
// of the grid, Process and the scheduler's runs, and the busy rules.
#include "MainWindowFixture.h"
#include "OdbcTestSupport.h"

#include "integration/window/ResultsGrid.h"
#include "integration/window/frmIntegrator.h"

#include "partners/PartnerStore.h"
#include "partners/TransactionsNotifier.h"

#include "ado/Recordset.h"
#include "odbc/Odbc.h"
#include "vb/Clock.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>

using namespace Qt::StringLiterals;
using corvantis::test::dialogs;
using integration::frmIntegrator;

namespace {

using integrationtest::sqliteDriverLibrary;

void writeText(const QString &path, const QByteArray &text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class IntegratorWindowTest : public mainwindow::test::MainWindowTest {
protected:
    IntegratorWindowTest()
    {
        const QString temp = corvantis::test::tempDir();
        odbcFolder = temp + u"/odbc"_s;
        QDir().mkpath(odbcFolder);
        QDir().mkpath(temp + u"/import"_s);
        savedSys = qgetenv("ODBCSYSINI");
        savedIni = qgetenv("ODBCINI");
        qputenv("ODBCSYSINI", odbcFolder.toLocal8Bit());
        qputenv("ODBCINI", (odbcFolder + u"/odbc.ini"_s).toLocal8Bit());
        writeText(odbcFolder + u"/odbcinst.ini"_s,
                  u"[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=%1\n"_s.arg(sqliteDriverLibrary()).toUtf8());
        writeText(odbcFolder + u"/odbc.ini"_s,
                  u"[Orders]\nDriver=SQLite3\nDatabase=%1/source.db\n\n"_s.arg(temp).toUtf8());
        mainwindow::test::saveSetting("Folders", "Import", temp + u"/import"_s);
    }
    ~IntegratorWindowTest() override
    {
        controls::unload<frmIntegrator>();
        restore("ODBCSYSINI", savedSys);
        restore("ODBCINI", savedIni);
    }
    static void restore(const char *name, const QByteArray &value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    void addJob(const QString &partner, const QString &transaction, const QString &direction,
                const QString &more = {}, const QString &values = {})
    {
        db.connection().Execute(u"INSERT INTO Transactions (Partner, [Transaction], Version, Direction, [Group]"_s
                                + more + u") VALUES ('"_s + partner + u"', '"_s + transaction + u"', '004010', '"_s
                                + direction + u"', 'PO'"_s + values + u")"_s);
    }
    // The source database the "Orders" data source names.
    void fillSource()
    {
        odbc::Connection cn;
        cn.open(u"DSN=Orders;"_s);
        for (const char *statement : {"CREATE TABLE orders (po VARCHAR(10), qty INTEGER, due VARCHAR(10))",
                                      "INSERT INTO orders VALUES ('PO-1', 10, '12/01/2026')",
                                      "INSERT INTO orders VALUES ('PO-2', NULL, '12/09/2026')"})
            cn.execute(QString::fromLatin1(statement));
        cn.close();
    }
    frmIntegrator &open(mainwindow::frmMain &main)
    {
        main.menuItem(u"mnuIntegrator"_s)->trigger();
        EXPECT_TRUE(controls::isLoaded<frmIntegrator>());
        frmIntegrator &w = controls::form<frmIntegrator>();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        return w;
    }
    QStringList history()
    {
        QStringList entries;
        ado::Recordset rs;
        rs.Open(u"SELECT Type, Description FROM History ORDER BY [Index]"_s, modGlobal::cnDatabase,
                ado::adOpenForwardOnly, ado::adLockReadOnly);
        for (; !rs.Eof(); rs.MoveNext())
            entries << rs(u"Type"_s).Value().toString() + u": "_s + rs(u"Description"_s).Value().toString();
        return entries;
    }
    void select(frmIntegrator &w, int position)
    {
        w.lvwTSets->setSelectedItem(position);
        emit w.lvwTSets->ItemClick(position);
    }
    // Saves a screenshot when CORVANTIS_SCREENSHOTS names a folder.
    static void screenshot(QWidget &w, const char *name)
    {
        const QString folder = qEnvironmentVariable("CORVANTIS_SCREENSHOTS");
        if (!folder.isEmpty())
            w.grab().save(folder + u'/' + QString::fromLatin1(name) + u".png"_s);
    }

    QString odbcFolder;
    QByteArray savedSys, savedIni;
};

TEST_F(IntegratorWindowTest, ToolsIntegratorShowsTheJobsModelessWithoutAnOwner)
{
    addJob(u"ZETA"_s, u"850"_s, u"O"_s);
    addJob(u"ACME"_s, u"997"_s, u"I"_s);
    addJob(u"BETA"_s, u"830"_s, u"I"_s, u", CheckTime, Mon, Wed, [Time]"_s, u", 1, 1, 1, 0.6875"_s);
    mainwindow::frmMain &main = load();
    frmIntegrator &w = open(main);
    EXPECT_EQ(w.parentWidget(), nullptr);
    EXPECT_FALSE(w.isModal());
    EXPECT_EQ(history().last(), u"Info: Selected [Tools] - [Integrator]"_s);
    EXPECT_EQ(w.windowTitle(), u"Integrator -- ACME_997_004010_I"_s);
    ASSERT_EQ(w.lvwTSets->itemCount(), 3);
    QStringList keys;
    for (int i = 1; i <= 3; ++i)
        keys << w.lvwTSets->item(i)->text() + u'/' + w.lvwTSets->item(i)->subItem(3);
    EXPECT_EQ(keys, (QStringList{u"ACME/I"_s, u"BETA/I"_s, u"ZETA/O"_s}));
    QStringList headers;
    for (int i = 1; i <= w.lvwTSets->columnHeaderCount(); ++i)
        headers << w.lvwTSets->columnText(i);
    EXPECT_EQ(headers, (QStringList{u"Partner"_s, u"TSet"_s, u"Version"_s, u"I/O"_s, u"Group"_s, u"Override"_s}));
    EXPECT_EQ(w.cboInterval->count(), 6);
    EXPECT_EQ(w.cboExportFormat->count(), 28);
    EXPECT_EQ(w.cboExportFormat->itemText(27), u"XML (XML)"_s);
    EXPECT_EQ(w.cboDataSourceName->findText(u"Orders"_s), 0);
    EXPECT_GE(w.cboDriver->findText(u"SQLite3"_s), 0);

    // A 997 and an outbound job hide "Acknowledge" and "Export / Print"; another inbound job shows them.
    EXPECT_TRUE(w.chkAcknowledge->isHidden());
    select(w, 2);
    EXPECT_EQ(w.windowTitle(), u"Integrator -- BETA_830_004010_I"_s);
    EXPECT_FALSE(w.chkAcknowledge->isHidden());
    EXPECT_FALSE(w.chkPrint->isHidden());
    EXPECT_EQ(w.lblDescription->text(), u"At 4:30 PM every Mon, Wed,  of every week"_s);
    select(w, 3);
    EXPECT_TRUE(w.chkPrint->isHidden());
    EXPECT_EQ(w.lblDescription->text(), u"No Event Scheduled"_s);

    // Viewing: the slot is locked, Modify reads "&Modify".
    EXPECT_FALSE(w.chkTime->isEnabled());
    EXPECT_EQ(w.cmdModify->text(), u"&Modify"_s);
    EXPECT_FALSE(w.cmdExecute->isEnabled());
    EXPECT_FALSE(w.cmdDisconnect->isEnabled());

    // Opening it again restores it from the taskbar.
    w.showMinimized();
    main.menuItem(u"mnuIntegrator"_s)->trigger();
    EXPECT_FALSE(w.isMinimized());
    EXPECT_EQ(&controls::form<frmIntegrator>(), &w);
}

TEST_F(IntegratorWindowTest, WithoutJobsNothingCanBeStarted)
{
    mainwindow::frmMain &main = load();
    frmIntegrator &w = open(main);
    EXPECT_EQ(w.windowTitle(), u"Integrator"_s);
    EXPECT_EQ(w.lvwTSets->itemCount(), 0);
    for (QWidget *b : std::initializer_list<QWidget *>{w.lvwTSets, w.cmdModify, w.cmdProcess, w.cmdConnect})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    w.cmdProcess_Click();
    w.tmrScheduler_Timer();
    EXPECT_EQ(history().last(), u"Info: Selected [Tools] - [Integrator]"_s);
}

TEST_F(IntegratorWindowTest, TheEditorWritesEveryColumnAndLocksTheListMeanwhile)
{
    addJob(u"ACME"_s, u"830"_s, u"I"_s);
    addJob(u"BETA"_s, u"850"_s, u"O"_s, u", CheckTime, [Time]"_s, u", 1, 0.625"_s);
    mainwindow::frmMain &main = load();
    frmIntegrator &w = open(main);
    w.cmdModify->click();
    EXPECT_EQ(w.cmdModify->text(), u"Save"_s);
    EXPECT_EQ(w.cmdModify->toolTip(), u"Save"_s);
    EXPECT_FALSE(w.lvwTSets->isEnabled());
    EXPECT_FALSE(w.cmdProcess->isEnabled());
    EXPECT_FALSE(w.cmdConnect->isEnabled());
    EXPECT_TRUE(w.txtSQL->isEnabled());

    // The schedule boxes clear each other.
    w.chkInterval->click();
    w.chkTime->click();
    EXPECT_FALSE(w.chkInterval->isChecked());
    w.chkInterval->click();
    EXPECT_FALSE(w.chkTime->isChecked());
    w.cboInterval->setCurrentIndex(3);
    w.chkTime->click();
    // A click on the hour, then an hour typed with a leading zero: taken.
    w.dtpTime->setTime(QTime(7, 45));
    QTest::mouseClick(w.dtpTime->findChild<QLineEdit *>(), Qt::LeftButton, {}, QPoint(3, w.dtpTime->height() / 2));
    QTest::keyClicks(w.dtpTime, u"03"_s);
    EXPECT_EQ(w.dtpTime->time(), QTime(3, 45));
    w.dtpTime->setTime(QTime(15, 0));
    for (QCheckBox *b : {w.chkTue, w.chkSun, w.chkActiveX, w.chkPrint, w.chkAcknowledge, w.chkExecute,
                         w.chkStartDate, w.chkEndDate})
        b->setChecked(true);
    w.cboExportFormat->setCurrentIndex(20);
    w.cboDataSourceName->setCurrentText(u"Orders"_s);
    w.txtUserId->setText(u"me"_s);
    w.txtPassword->setText(u"secret"_s);
    w.txtDatabase->setText(u"erp"_s);
    w.cboDriver->setCurrentText(u"Other Driver"_s);
    w.txtServer->setText(u"db01"_s);
    w.txtSQL->setPlainText(u"SELECT * FROM orders"_s);
    QTest::keyClicks(w.mskMinus, u"1x2"_s); // digits only
    w.mskPlus->clear();

    // A conflict with the other timed job (3:00 PM) blocks Save: no question, nothing written.
    dialogs().answer(vb::vbOK);
    w.cmdModify->click();
    EXPECT_EQ(dialogs().last().text, u"Only one event can be scheduled at 3:00:00 PM"_s);
    EXPECT_EQ(w.cmdModify->text(), u"Save"_s);
    w.dtpTime->setTime(QTime(15, 1));

    dialogs().answer(vb::vbYes);
    w.cmdModify->click();
    EXPECT_EQ(dialogs().last().text, u"Save Scheduled Changes?"_s);
    EXPECT_EQ(w.cmdModify->text(), u"&Modify"_s);
    EXPECT_TRUE(w.lvwTSets->isEnabled());
    const integration::JobRow stored = integration::LoadJob(*modGlobal::cnDatabase, w.slot(0));
    EXPECT_TRUE(stored.checkTime);
    EXPECT_FALSE(stored.checkInterval);
    EXPECT_EQ(stored.interval, 3);
    EXPECT_EQ(stored.time.time(), QTime(15, 1));
    EXPECT_EQ(stored.days, (std::array<bool, 7>{false, true, false, false, false, false, true}));
    EXPECT_TRUE(stored.customActiveX && stored.print && stored.ack && stored.executeSql && stored.startDate
                && stored.endDate);
    EXPECT_EQ(stored.exportFormat, 20);
    EXPECT_EQ(stored.dataSourceName, u"Orders"_s);
    EXPECT_EQ(stored.userId, u"me"_s);
    EXPECT_EQ(stored.password, u"secret"_s);
    EXPECT_EQ(stored.database, u"erp"_s);
    EXPECT_EQ(stored.driver, u"Other Driver"_s);
    EXPECT_EQ(stored.server, u"db01"_s);
    EXPECT_EQ(stored.sql, u"SELECT * FROM orders"_s);
    EXPECT_EQ(stored.minus, u"12"_s);
    EXPECT_EQ(stored.plus, u"0"_s);
    EXPECT_EQ(w.slot(0), stored);
    EXPECT_EQ(w.cboDriver->currentText(), u"Other Driver"_s); // the stored text wins over the list

    // Save answered No: the row stays, the slot shows it again.
    w.cmdModify->click();
    w.txtSQL->setPlainText(u"changed"_s);
    dialogs().answer(vb::vbNo);
    w.cmdModify->click();
    EXPECT_EQ(w.txtSQL->toPlainText(), u"SELECT * FROM orders"_s);
    EXPECT_EQ(integration::LoadJob(*modGlobal::cnDatabase, w.slot(0)).sql, u"SELECT * FROM orders"_s);
}

TEST_F(IntegratorWindowTest, SetsChangedInThePartnerWindowJoinTheListOnceNoEditHoldsIt)
{
    addJob(u"BETA"_s, u"830"_s, u"I"_s);
    addJob(u"ZETA"_s, u"850"_s, u"O"_s);
    mainwindow::frmMain &main = load();
    frmIntegrator &w = open(main);
    select(w, 2);

    // While a job is edited the list stays as it is.
    w.cmdModify->click();
    addJob(u"ACME"_s, u"810"_s, u"I"_s);
    partners::notifyTransactionsChanged();
    EXPECT_EQ(w.lvwTSets->itemCount(), 2);
    dialogs().answer(vb::vbNo);
    w.cmdModify->click();

    // Then it is refilled, the shown job still selected.
    ASSERT_EQ(w.lvwTSets->itemCount(), 3);
    EXPECT_EQ(w.lvwTSets->item(1)->text(), u"ACME"_s);
    EXPECT_EQ(w.selectedJob(), 2);
    EXPECT_EQ(w.windowTitle(), u"Integrator -- ZETA_850_004010_O"_s);
    EXPECT_EQ(w.cmdModify->text(), u"&Modify"_s);

    db.connection().Execute(u"DELETE FROM Transactions WHERE Partner = 'ZETA'"_s);
    partners::notifyTransactionsChanged();
    ASSERT_EQ(w.lvwTSets->itemCount(), 2);
    EXPECT_EQ(w.windowTitle(), u"Integrator -- ACME_810_004010_I"_s);
}

// A partner renamed in the partner window: the job shown stays selected under
// the new name, wherever the name now sorts.
TEST_F(IntegratorWindowTest, TheSelectedJobStaysSelectedWhenItsPartnerIsRenamed)
{
    addJob(u"BETA01"_s, u"830"_s, u"I"_s);
    addJob(u"CHARLIE1"_s, u"850"_s, u"O"_s);
    addJob(u"ZETA01"_s, u"850"_s, u"O"_s);
    db.connection().Execute(u"INSERT INTO Partner (Partner) VALUES ('ZETA01'), ('CHARLIE1')"_s);
    mainwindow::frmMain &main = load();
    frmIntegrator &w = open(main);
    select(w, 3);
    ASSERT_EQ(w.windowTitle(), u"Integrator -- ZETA01_850_004010_O"_s);

    partners::PartnerStore store(modGlobal::cnDatabase);
    store.open();
    const partners::PartnerRow row = store.current();
    partners::PartnerEdit edit;
    edit.Partner = u"ALPHA01"_s;
    edit.ISAVersion = row.ISAVersion;
    edit.ISA12 = row.ISA12;
    store.save(edit);
    store.close();

    ASSERT_EQ(w.lvwTSets->itemCount(), 3);
    EXPECT_EQ(w.lvwTSets->item(1)->text(), u"ALPHA01"_s);
    EXPECT_EQ(w.selectedJob(), 0);
    EXPECT_EQ(w.windowTitle(), u"Integrator -- ALPHA01_850_004010_O"_s);

    // Renamed while its job is edited: the edit is saved under the new name.
    select(w, 3);
    w.cmdModify->click();
    w.txtSQL->setPlainText(u"SELECT 1"_s);
    store.open();
    ASSERT_TRUE(store.moveNext());
    ASSERT_EQ(store.currentName(), u"CHARLIE1"_s);
    edit.Partner = u"CHARLIE2"_s;
    store.save(edit);
    store.close();
    EXPECT_EQ(w.lvwTSets->item(3)->text(), u"CHARLIE2"_s);
    EXPECT_EQ(w.windowTitle(), u"Integrator -- CHARLIE2_850_004010_O"_s);
    dialogs().answer(vb::vbYes);
    w.cmdModify->click();
    EXPECT_EQ(w.cmdModify->text(), u"&Modify"_s);
    EXPECT_EQ(w.selectedJob(), 2);
    EXPECT_EQ(w.windowTitle(), u"Integrator -- CHARLIE2_850_004010_O"_s);
    EXPECT_EQ(w.slot(2).partner, u"CHARLIE2"_s);
    EXPECT_EQ(integration::LoadJob(*modGlobal::cnDatabase, w.slot(2)).sql, u"SELECT 1"_s);
}

TEST_F(IntegratorWindowTest, AQueryFillsTheGridAndItsJobsFilesAndSaveWritesThatJobs)
{
    fillSource();
    addJob(u"ACME"_s, u"850"_s, u"O"_s, u", DataSourceName, SQL"_s,
           u", 'Orders', 'SELECT po, qty, due FROM orders ORDER BY po'"_s);
    addJob(u"BETA"_s, u"830"_s, u"I"_s);
    mainwindow::frmMain &main = load();
    frmIntegrator &w = open(main);

    w.cmdConnect->click();
    EXPECT_EQ(history().last(), u"Info: Logon ODBC - Orders  server succeeded."_s);
    EXPECT_FALSE(w.lvwTSets->isEnabled()); // Execute SQL runs this job's statement only
    EXPECT_FALSE(w.cmdModify->isEnabled());
    EXPECT_FALSE(w.cmdConnect->isEnabled());
    EXPECT_TRUE(w.cmdExecute->isEnabled());
    w.cmdExecute->click();
    EXPECT_EQ(history().last(), u"Info: 2 records returned from statement."_s);
    integration::ResultsModel &grid = *w.results;
    ASSERT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(grid.text(0, 1), u"qty"_s);
    EXPECT_EQ(grid.text(1, 0), u"PO-1"_s);
    EXPECT_TRUE(grid.isNull(2, 1));
    const QString stem = corvantis::test::tempDir() + u"/import/ACME_850_004010_O"_s;
    EXPECT_EQ(bytesOf(stem + u".IMP"_s), QByteArray("PO-1\t10\t12/01/2026\r\nPO-2\t\t12/09/2026\r\n"));
    w.sstSchedule->setCurrentIndex(4);
    screenshot(w, "integrator-grid");

    w.cmdDisconnect->click();
    EXPECT_EQ(history().last(), u"Info: Disconnected from data source - Orders"_s);
    EXPECT_TRUE(w.lvwTSets->isEnabled());
    EXPECT_FALSE(w.cmdExecute->isEnabled());

    // Edits in the grid, then Save with another job selected: the query's job is written.
    select(w, 2);
    w.msfgResults->setFocus();
    w.msfgResults->setCurrentCell(2, 1);
    QTest::keyClicks(w.msfgResults, u"7"_s);
    QTest::keyClick(w.msfgResults, Qt::Key_Tab);
    QTest::keyClick(w.msfgResults, Qt::Key_Backspace);
    QTest::keyClick(w.msfgResults, Qt::Key_Return); // ignored
    w.msfgResults->setCurrentCell(1, 0);
    QTest::keyClick(w.msfgResults, Qt::Key_Delete);
    w.cmdSave->click();
    EXPECT_EQ(history().last(), u"Info: Results saved to the import files of ACME_850_004010_O"_s);
    EXPECT_EQ(bytesOf(stem + u".IMP"_s), QByteArray("PO-2\t7\t12/09/202\t\r\n"));
    EXPECT_FALSE(QFile::exists(corvantis::test::tempDir() + u"/import/BETA_830_004010_I.IMP"_s));

    // The pop-up's codes go into the current cell.
    ASSERT_EQ(w.msfgResults->mnuPopup->actions().size(), 8);
    EXPECT_EQ(w.msfgResults->mnuPopup->actions()[7]->text(), u"Item Rejected"_s);
    w.msfgResults->setCurrentCell(1, 2);
    w.msfgResults->mnuPopup->actions()[7]->trigger();
    EXPECT_EQ(grid.text(1, 2), u"IR"_s);

    // A statement the driver refuses is reported; one without a rowset clears
    // the grid; neither touches the files.
    select(w, 1);
    w.cmdConnect->click();
    w.slot(0).sql = u"SELECT nothing FROM nowhere"_s;
    dialogs().answer(vb::vbOK);
    w.cmdExecute->click();
    EXPECT_EQ(dialogs().boxes().back().icon, vb::vbCritical);
    EXPECT_TRUE(history().last().startsWith(u"Error: "_s));
    EXPECT_EQ(grid.text(1, 2), u"IR"_s);
    w.slot(0).sql = u"UPDATE orders SET qty = 1"_s;
    w.cmdExecute->click();
    EXPECT_EQ(history().last(), u"Info: No rowset returned"_s);
    EXPECT_FALSE(grid.hasResult());
    EXPECT_EQ(grid.text(1, 0), QString());
    EXPECT_EQ(bytesOf(stem + u".IMP"_s), QByteArray("PO-2\t7\t12/09/202\t\r\n"));
    dialogs().answer(vb::vbOK);
    w.cmdSave->click();
    EXPECT_EQ(dialogs().last().text, u"There are no query results to save."_s);
    w.cmdDisconnect->click();
}

TEST_F(IntegratorWindowTest, ProcessAndTheSchedulerRunJobsWithTheirOwnValues)
{
    fillSource();
    // Both outbound with a query returning the dates they were given; no map, so the translation fails.
    addJob(u"ACME"_s, u"850"_s, u"O"_s, u", DataSourceName, SQL, ExecuteSQL, StartDate, Minus, CheckInterval"_s,
           u", 'Orders', 'SELECT ? AS d', 1, 1, '7', 1"_s);
    addJob(u"BETA"_s, u"830"_s, u"I"_s, u", CheckInterval, [Interval]"_s, u", 1, 1"_s);
    mainwindow::frmMain &main = load();
    frmIntegrator &w = open(main);
    screenshot(w, "integrator-jobs");
    for (const auto &[tab, name] : {std::pair{1, "integrator-scheduler"}, {2, "integrator-source"}, {3, "integrator-query"}}) {
        w.sstSchedule->setCurrentIndex(tab);
        screenshot(w, name);
    }
    w.sstSchedule->setCurrentIndex(0);

    // Process: an inbound job without Inbox rows only warns; the buttons come back.
    select(w, 2);
    w.cmdProcess->click();
    EXPECT_EQ(history().last(), u"Warning: There are no Transactions to process! BETA_830_004010_I"_s);
    EXPECT_TRUE(w.cmdProcess->isEnabled());
    EXPECT_TRUE(w.cmdModify->isEnabled());
    EXPECT_FALSE(w.blnProcessing);

    // The pickers show BETA's dates; the scheduled ACME run takes its own seven days.
    w.dtpStartDate->setDate(QDate(2000, 1, 1));
    for (int tick = 1; tick < 15; ++tick)
        w.tmrScheduler_Timer();
    EXPECT_EQ(history().last(), u"Warning: There are no Transactions to process! BETA_830_004010_I"_s);
    w.tmrScheduler_Timer();
    const QStringList entries = history();
    EXPECT_TRUE(entries.contains(u"Info: Ingtegrator Scheduled 15 Minute Task Started: ACME_850_004010_O"_s));
    EXPECT_EQ(bytesOf(corvantis::test::tempDir() + u"/import/ACME_850_004010_O.IMP"_s), QByteArray("12/03/2026\r\n"));
    // The outbound run records the failure once, with its reason.
    EXPECT_EQ(entries.last(),
              u"Error: Process Failed - ACME_850_004010_O: the partner has no segment terminator or element separator"_s);
    EXPECT_EQ(entries.filter(u"Process Failed - ACME_850_004010_O"_s).size(), 1);
    EXPECT_TRUE(w.cmdProcess->isEnabled());
}

TEST_F(IntegratorWindowTest, StartsDueDuringARunWaitForItAndTheCommandsAreRefused)
{
    addJob(u"ACME"_s, u"830"_s, u"I"_s, u", CheckInterval"_s, u", 1"_s);
    addJob(u"BETA"_s, u"830"_s, u"I"_s, u", CheckInterval"_s, u", 1"_s);
    mainwindow::frmMain &main = load();
    frmIntegrator &w = open(main);
    const QString started = u"Info: Ingtegrator Scheduled 15 Minute Task Started: "_s;

    w.blnProcessing = true; // a run started with Process is under way
    for (int tick = 1; tick <= 15; ++tick)
        w.tmrScheduler_Timer();
    EXPECT_FALSE(history().join(u'\n').contains(started));
    w.cmdModify_Click();
    w.cmdConnect_Click();
    w.cmdSave_Click();
    EXPECT_EQ(w.cmdModify->text(), u"&Modify"_s);
    EXPECT_EQ(history().last(), u"Info: Selected [Tools] - [Integrator]"_s);

    // When it has ended, the next tick runs the queued starts in list order
    // (and its own counters went on meanwhile: nothing else is due).
    w.blnProcessing = false;
    w.tmrScheduler_Timer();
    QStringList tail = history().mid(history().size() - 4);
    EXPECT_EQ(tail, (QStringList{started + u"ACME_830_004010_I"_s,
                                 u"Warning: There are no Transactions to process! ACME_830_004010_I"_s,
                                 started + u"BETA_830_004010_I"_s,
                                 u"Warning: There are no Transactions to process! BETA_830_004010_I"_s}));
    EXPECT_TRUE(w.cmdProcess->isEnabled());
}

TEST_F(IntegratorWindowTest, AFailedQueryStopsTheOutboundRunAndAClosedWindowWaitsForTheRun)
{
    addJob(u"ACME"_s, u"850"_s, u"O"_s, u", DataSourceName, SQL, ExecuteSQL"_s,
           u", 'Missing', 'SELECT 1', 1"_s);
    mainwindow::frmMain &main = load();
    frmIntegrator &w = open(main);
    writeText(corvantis::test::tempDir() + u"/import/ACME_850_004010_O.IMP"_s, "earlier\r\n");
    dialogs().answer(vb::vbOK); // the connection's error report
    w.cmdProcess->click();
    EXPECT_EQ(history().last(), u"Error: Process Failed - ACME_850_004010_O"_s);
    EXPECT_EQ(bytesOf(corvantis::test::tempDir() + u"/import/ACME_850_004010_O.IMP"_s), QByteArray("earlier\r\n"));
    EXPECT_EQ(main.sbrStatusBar->panelText(1).isEmpty(), false);

    // While a run runs, Close and the close box are refused and so is the exit path's unload.
    w.blnProcessing = true;
    w.cmdClose_Click();
    w.close();
    EXPECT_TRUE(controls::isLoaded<frmIntegrator>());
    EXPECT_FALSE(controls::unload<frmIntegrator>());
    w.blnProcessing = false;
    w.mnuClose->trigger();
    EXPECT_TRUE(QTest::qWaitFor([] { return !controls::isLoaded<frmIntegrator>(); }, 5000))
        << "the window was still loaded after 5 s";
}

TEST_F(IntegratorWindowTest, TheExitPathIsRefusedWhileARunRuns)
{
    addJob(u"ACME"_s, u"830"_s, u"I"_s);
    mainwindow::frmMain &main = load();
    frmIntegrator &w = open(main);
    w.blnProcessing = true;
    dialogs().answer(vb::vbYes); // "Exit Corvantis?"
    EXPECT_FALSE(main.Form_Unload());
    EXPECT_TRUE(controls::isLoaded<frmIntegrator>());
    EXPECT_EQ(history().last(), u"Info: Selected [File] - [Exit]"_s);
    w.blnProcessing = false;
}

TEST_F(IntegratorWindowTest, AnInboundRunSelectsItsRowsInTheMainWindowAndKeepsThemWhenItFails)
{
    insert(u"Inbox"_s, {}, 1);
    insert(u"Inbox"_s, {u"OTHER"_s}, 2);
    insert(u"Inbox"_s, {}, 3);
    db.connection().Execute(u"UPDATE Inbox SET Direction = 'I'"_s);
    addJob(u"ACME"_s, u"830"_s, u"I"_s);
    mainwindow::frmMain &main = load();
    frmIntegrator &w = open(main);
    w.cmdProcess->click();
    // An unattended run waits on no box: the missing record definition is on record.
    EXPECT_TRUE(dialogs().boxes().empty());
    EXPECT_TRUE(history().filter(u"Error: 53 "_s).size() == 1) << history().join(u" | "_s).toStdString();
    EXPECT_EQ(history().last(), u"Error: Process Failed - ACME_830_004010_I"_s);
    EXPECT_EQ(main.lvwInbox->itemCount(), 3);
    QList<qint64> selected, acme;
    for (int i = 1; i <= main.lvwInbox->itemCount(); ++i)
        if (main.lvwInbox->isItemSelected(i))
            selected << main.lvwInbox->item(i)->rowid();
    ado::Recordset keyRows;
    keyRows.Open(u"SELECT rowid AS r FROM Inbox WHERE Partner = 'ACME'"_s, modGlobal::cnDatabase,
                 ado::adOpenForwardOnly, ado::adLockReadOnly);
    for (; !keyRows.Eof(); keyRows.MoveNext())
        acme << keyRows(u"r"_s).Value().toLong();
    std::sort(selected.begin(), selected.end());
    std::sort(acme.begin(), acme.end());
    EXPECT_EQ(selected, acme);
    EXPECT_EQ(acme.size(), 2);
    ado::Recordset rs;
    rs.Open(u"SELECT count(*) AS n FROM Recycled"_s, modGlobal::cnDatabase, ado::adOpenForwardOnly,
            ado::adLockReadOnly);
    EXPECT_EQ(rs(u"n"_s).Value().toLong(), 0);
    EXPECT_TRUE(w.cmdProcess->isEnabled());
}

} // namespace
