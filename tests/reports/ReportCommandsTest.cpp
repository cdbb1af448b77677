// The report commands and the plug-in runner over a translated Inbox: what
// is shown, printed or written, the History and box texts, and the rows'
// statuses afterwards.
#include "TranslationTestSupport.h"

#include "TestEnvironment.h"

#include "reports/ReportCommands.h"
#include "reportwindows/frmDesign.h"
#include "reportwindows/frmReport.h"
#include "translation/InboundTranslation.h"
#include "translation/OpenReport.h"
#include "translation/RecordLayout.h"
#include "translation/ReportDefinition.h"

#include "com/ClassRegistry.h"
#include "core/modGlobal.h"
#include "report/Printing.h"
#include "report/ReportFile.h"
#include "report/RowSource.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>

using namespace Qt::StringLiterals;
using corvantis::test::dialogs;

namespace {

class ReportCommandsTest : public translationtest::ReportRunTest {
protected:
    // A map writing the BSN element as one record, its record definition,
    // the key's Transactions row and two stored sets, both selected.
    void prepare(int sets = 2)
    {
        addReportKey(exportFormat);
        std::vector<bool> selected;
        for (int i = 0; i < sets; ++i) {
            addInboxRow(u"ST*"_s + key.transaction + u"*0001~BSN*S"_s + QString::number(i + 1)
                        + u"~LIN*1~SE*4*0001~"_s);
            selected.push_back(true);
        }
        fillInbox(selected);
    }
    // The default report of the key in the viewer place, and copies in the export and plug-in places.
    void writeReports(bool viewer = true, bool exportReport = true, bool activeX = true)
    {
        translation::CreateReportDefinition(key);
        const QString made = reportsFolder + u'/' + stem() + u".rpt"_s;
        if (exportReport)
            QFile::copy(made, reportsFolder + u"/Export/"_s + stem() + u".RPT"_s);
        if (activeX)
            QFile::copy(made, reportsFolder + u"/ActiveX/"_s + stem() + u".RPT"_s);
        if (!viewer)
            QFile::remove(made);
    }
    QString stem() const
    {
        return key.partner + u'_' + key.transaction + u'_' + key.version + u'_' + key.direction;
    }
    reports::ReportKey reportKey() const
    {
        return {key.partner, key.transaction, key.version, key.direction};
    }

    int exportFormat = 1; // comma-separated values
};

TEST_F(ReportCommandsTest, ViewShowsTheViewerReportOverTheTranslatedRows)
{
    prepare();
    writeReports();
    commands().ViewReport(inbox);
    ASSERT_EQ(windows.viewed.size(), 1u);
    ASSERT_TRUE(windows.viewed[0]);
    EXPECT_EQ(QFileInfo(windows.viewed[0]->path()).fileName(), stem() + u".rpt"_s); // either letter case
    EXPECT_EQ(windows.viewed[0]->rows().rowCount(), 2);
    EXPECT_FALSE(translation::crxReport) << "the command clears the open report";
    EXPECT_EQ(statuses(), (QStringList{u"Opened"_s, u"Opened"_s}));
}

TEST_F(ReportCommandsTest, MissingReportsGiveTheirTextsSilentOrNot)
{
    prepare();
    const QString viewer = reportsFolder + u'/' + stem() + u".RPT"_s;
    const QString exported = reportsFolder + u"/Export/"_s + stem() + u".RPT"_s;
    struct Case {
        const char *name;
        std::function<void(reports::ReportCommands &)> run;
        QString box;     // empty: no box
        QString history;
    };
    const std::vector<Case> cases = {
        {"view", [&](auto &c) { c.ViewReport(inbox); }, {}, u"Error: Viewer Report Not Found: "_s + viewer},
        {"print", [&](auto &c) { c.PrintReport(inbox, false); }, u"Veiwer Report Not Found: "_s + viewer,
         u"Error: Viewer Report Not Found: "_s + viewer},
        {"print silent", [&](auto &c) { c.PrintReport(inbox, true); }, {},
         u"Error: Viewer Report Not Found: "_s + viewer},
        {"export", [&](auto &c) { c.ExportReport(inbox, false); }, u"Export Report Not Found: "_s + exported,
         u"Error: Export Report Not Found "_s + exported},
        {"export silent", [&](auto &c) { c.ExportReport(inbox, true); }, {},
         u"Error: Export Report Not Found "_s + exported},
        {"design viewer", [&](auto &c) { c.DesignViewerReport(inbox); }, u"Viewer Report Not Found: "_s + viewer,
         u"Error: Viewer Report Not Found: "_s + viewer},
        {"design export", [&](auto &c) { c.DesignExportReport(inbox); }, u"Export Report Not Found: "_s + exported,
         u"Error: Export Report Not Found: "_s + exported},
        {"design plug-in", [&](auto &c) { c.DesignActiveXReport(inbox); },
         u"ActiveX Report Not Found: "_s + reportsFolder + u"/ActiveX/"_s + stem() + u".RPT"_s,
         u"Error: ActiveX Report Not Found: "_s + reportsFolder + u"/ActiveX/"_s + stem() + u".RPT"_s},
    };
    for (const Case &c : cases) {
        modGlobal::cnDatabase->Execute(u"DELETE FROM History"_s);
        dialogs().reset();
        if (!c.box.isEmpty())
            dialogs().answer(vb::vbOK);
        reports::ReportCommands commands = this->commands();
        c.run(commands);
        const QStringList history = historyEntries();
        EXPECT_TRUE(history.contains(c.history)) << c.name << ": " << history.join(u" | "_s).toStdString();
        EXPECT_FALSE(history.filter(u"Export Report Not Found: "_s).size() && QString(c.name).startsWith(u"export"_s))
            << c.name;
        if (c.box.isEmpty()) {
            EXPECT_TRUE(dialogs().boxes().empty()) << c.name;
        } else {
            ASSERT_EQ(dialogs().boxes().size(), 1u) << c.name;
            EXPECT_EQ(dialogs().boxes()[0].text, c.box) << c.name;
            EXPECT_EQ(dialogs().boxes()[0].icon, vb::vbCritical) << c.name;
        }
        EXPECT_TRUE(windows.viewed.empty() && windows.designed.empty()) << c.name;
    }
    // No export was written and no row became "Exported".
    EXPECT_TRUE(QDir(exportFolder).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(statuses().contains(u"Exported"_s));
}

TEST_F(ReportCommandsTest, ExportWritesTheFileThenMarksTheRowsExported)
{
    prepare();
    writeReports();
    EXPECT_EQ(commands().ExportReport(inbox, true), reports::Outcome::Done);
    const QString file = exportFolder + u'/' + stem() + u".CSV"_s;
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << file.toStdString();
    const QString text = QString::fromLatin1(written.readAll());
    EXPECT_TRUE(text.contains(u"S1"_s) && text.contains(u"S2"_s)) << text.toStdString();
    EXPECT_EQ(statuses(), (QStringList{u"Exported"_s, u"Exported"_s}));
    EXPECT_TRUE(refreshed.contains(u"Inbox"_s));
}

TEST_F(ReportCommandsTest, ANewMapsReportSavedAsItsExportReportServesFileExport)
{
    exportFormat = 25; // Text: the report's own layout, so the rows show only if the report holds the fields
    prepare();
    writeReports(true, false, false);
    const QString exportReport = reportsFolder + u"/Export/"_s + stem() + u".RPT"_s;
    dialogs().answer(vb::vbOK);
    EXPECT_EQ(commands().ExportReport(inbox, false), reports::Outcome::Failed);
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().boxes()[0].text, u"Export Report Not Found: "_s + exportReport);

    // Tools > Designer > Viewer Report, then File > Save As... as offered.
    translation::crxReport = report::ReportDocument::open(reportsFolder + u'/' + stem() + u".rpt"_s);
    reportwindows::frmDesign designer;
    designer.Form_Load();
    translation::crxReport.reset();
    designer.chooseSaveAsPath = [](const QString &offered) { return std::make_optional(offered); };
    ASSERT_TRUE(designer.saveAs());
    EXPECT_EQ(designer.path(), exportReport);

    EXPECT_EQ(commands().ExportReport(inbox, false), reports::Outcome::Done);
    QFile written(exportFolder + u'/' + stem() + u".TXT"_s);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(written.readAll());
    EXPECT_TRUE(text.contains(u"S1"_s) && text.contains(u"S2"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"Inbound"_s)) << text.toStdString();
    EXPECT_EQ(statuses(), (QStringList{u"Exported"_s, u"Exported"_s}));

    if (qEnvironmentVariableIsSet("CORVANTIS_SCREENSHOTS")) {
        // The viewer window on the map's default report over the translated rows.
        translation::crxReport = report::ReportDocument::open(reportsFolder + u'/' + stem() + u".rpt"_s);
        translation::InboundTranslation run(*host, &progress);
        translation::crxReport->setDataSource(
            run.TranslateAll(inbox, key.partner, key.transaction, key.version, key.direction, false, true));
        reportwindows::frmReport viewer;
        viewer.Form_Load();
        translation::crxReport.reset();
        viewer.show();
        viewer.grab().save(qEnvironmentVariable("CORVANTIS_SCREENSHOTS") + u"/default-report-with-data.png"_s);
    }
}

TEST_F(ReportCommandsTest, AnExportThatCannotBeWrittenLeavesTheRowsOpened)
{
    prepare();
    writeReports();
    // The export file's place is taken by a folder.
    QDir().mkpath(exportFolder + u'/' + stem() + u".CSV"_s);
    dialogs().answer(vb::vbOK); // the reported error
    EXPECT_EQ(commands().ExportReport(inbox, true), reports::Outcome::Failed);
    EXPECT_EQ(statuses(), (QStringList{u"Opened"_s, u"Opened"_s}));
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().boxes()[0].icon, vb::vbCritical);
}

TEST_F(ReportCommandsTest, TheExportFileIsNamedByTheFormatIndex)
{
    for (int16_t index = 0; index < 28; ++index) {
        const QString path = reports::ReportCommands::ExportFilePath(reportKey(), index);
        EXPECT_EQ(path, exportFolder + u'/' + stem() + u'.' + modGlobal::GetExportExtension(index)) << index;
    }
    prepare();
    EXPECT_EQ(reports::ReportCommands::GetExportFormat(key.partner, key.transaction, key.version, key.direction), 1);
    dialogs().answer(vb::vbOK);
    EXPECT_EQ(reports::ReportCommands::GetExportFormat(u"NOBODY"_s, u"830"_s, u"004010"_s, u"I"_s), 0);
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_TRUE(historyEntries().last().startsWith(u"Error: 3021"_s)) << historyEntries().last().toStdString();
}

TEST_F(ReportCommandsTest, TheXmlFormatWritesOneFile)
{
    exportFormat = 27;
    prepare();
    writeReports();
    EXPECT_EQ(commands().ExportReport(inbox, true), reports::Outcome::Done);
    const QStringList files = QDir(exportFolder).entryList(QDir::Files);
    EXPECT_EQ(files, QStringList{stem() + u'.' + modGlobal::GetExportExtension(27)});
}

TEST_F(ReportCommandsTest, PrintPrintsRowsAndNothingForAnEmptyTranslation)
{
    prepare();
    writeReports();
    const QString pdf = corvantis::test::tempDir() + u"/printed.pdf"_s;
    EXPECT_EQ(commands().PrintReport(inbox, false), reports::Outcome::Done);
    EXPECT_TRUE(QFileInfo(pdf).size() > 0);
    QFile::remove(pdf);

    // No row selected: the translation yields no rows; nothing is printed or shown.
    fillInbox({false, false});
    inbox.hasCurrentItem = true; // a current row, none selected
    modGlobal::cnDatabase->Execute(u"DELETE FROM History"_s);
    const reports::Outcome outcome = commands().PrintReport(inbox, false);
    EXPECT_NE(outcome, reports::Outcome::Done);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(dialogs().boxes().empty());
}

// A printer that cannot start is named; without one (the test machine has
// no printer installed) the box says none is installed and where a report
// can still be printed, never "The printer  cannot be started".
TEST_F(ReportCommandsTest, PrintWithoutAPrinterSaysWhy)
{
    prepare();
    writeReports();
    // The shared printer as it is with no printer installed: no name, and no
    // file to write to either.
    QPrinter &printer = vb::sharedPrinter();
    if (!printer.printerName().isEmpty() || !QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    printer.setOutputFileName({});
    dialogs().answer(vb::vbOK);
    EXPECT_EQ(commands().PrintReport(inbox, false), reports::Outcome::Failed);
    const QString text = u"No printer is installed. The report viewer prints the report to a PDF file."_s;
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().boxes()[0].text, text);
    const auto history = rows(u"SELECT Type, Description FROM History"_s);
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.back().at(u"Type"_s), u"Error"_s);
    EXPECT_TRUE(history.back().at(u"Description"_s).endsWith(text)) << history.back().at(u"Description"_s).toStdString();
}

TEST(PrinterStartFailure, NamesThePrinterOrSaysThereIsNone)
{
    const struct Case {
        const char *name;
        bool installed;
        const char *text;
    } cases[] = {
        {"Office Laser", true, "The printer Office Laser cannot be started"},
        {"Office Laser", false, "The printer Office Laser cannot be started"},
        {"", false, "No printer is installed. The report viewer prints the report to a PDF file."},
        {"  ", false, "No printer is installed. The report viewer prints the report to a PDF file."},
        {"", true,
         "No printer is chosen. Choose one in Print Setup, or print the report to a PDF file from the report viewer."},
    };
    for (const Case &c : cases)
        EXPECT_EQ(report::printerStartFailure(QString::fromLatin1(c.name), c.installed), QString::fromLatin1(c.text))
            << "[" << c.name << "] " << c.installed;
}

TEST_F(ReportCommandsTest, DesignerCommandsOpenTheirReportWithoutTranslating)
{
    prepare();
    writeReports();
    reports::ReportCommands c = commands();
    c.DesignViewerReport(inbox);
    c.DesignExportReport(inbox);
    c.DesignActiveXReport(inbox);
    ASSERT_EQ(windows.designed.size(), 3u);
    EXPECT_EQ(QFileInfo(windows.designed[0]->path()).absolutePath(), QFileInfo(reportsFolder).absoluteFilePath());
    EXPECT_TRUE(windows.designed[1]->path().contains(u"/Export/"_s));
    EXPECT_TRUE(windows.designed[2]->path().contains(u"/ActiveX/"_s));
    EXPECT_EQ(statuses(), (QStringList{u"Closed"_s, u"Closed"_s}));
    EXPECT_FALSE(translation::crxReport);
}

TEST_F(ReportCommandsTest, AMixedSelectionRunsNothing)
{
    prepare();
    writeReports();
    addRow(u"Inbox"_s, {{"Partner", u"OTHER"_s}, {"Transaction", key.transaction}, {"Version", key.version},
                        {"Direction", key.direction}, {"Time", u"9999"_s}, {"Status", u"Closed"_s}});
    fillInbox({true, true, true});
    commands().ViewReport(inbox);
    EXPECT_TRUE(windows.viewed.empty());
    EXPECT_EQ(statuses(), (QStringList{u"Closed"_s, u"Closed"_s, u"Closed"_s}));
}

// ---- The plug-in runner ----

class PluginRunnerTest : public ReportCommandsTest {
protected:
    void usePlugin(const char *mode)
    {
        com::addClass(QStringLiteral(REPORT_PLUGIN), QString::fromLatin1(mode));
        modGlobal::cnDatabase->Execute(u"UPDATE Transactions SET ActiveX = 'ReportPlugin."_s
                                       + QString::fromLatin1(mode) + u"'"_s);
    }
    QStringList reportedValues(const report::ReportDocumentPtr &doc, const QString &field)
    {
        QStringList values;
        report::RowSource &rows = doc->rows();
        const int column = rows.fieldIndex(field);
        std::vector<vb::Variant> row;
        for (long i = 0; i < rows.rowCount(); ++i) {
            rows.readRow(i, row);
            values << (column < 0 ? u"<none>"_s : row[std::size_t(column)].toString());
        }
        return values;
    }
};

TEST_F(PluginRunnerTest, APluginKeepingTheSetHasTheTranslationReported)
{
    prepare();
    writeReports();
    usePlugin("Keep");
    EXPECT_EQ(commands().ActiveX(inbox, 0), reports::Outcome::Done);
    ASSERT_EQ(windows.viewed.size(), 1u);
    EXPECT_TRUE(windows.viewed[0]->path().contains(u"/ActiveX/"_s));
    EXPECT_EQ(windows.viewed[0]->rows().rowCount(), 2);
    EXPECT_FALSE(translation::crxReport);
}

TEST_F(PluginRunnerTest, APluginsOwnSetIsReportedAndExported)
{
    prepare();
    usePlugin("Own");
    // The plug-in report is designed against the plug-in's own fields.
    report::Report r = translation::DefaultMapReport(key, {{u"Key"_s, 200, 50}, {u"Rows"_s, 3, 6}});
    report::saveReport(r, reportsFolder + u"/ActiveX/"_s + stem() + u".RPT"_s);
    EXPECT_EQ(commands().ActiveX(inbox, 0), reports::Outcome::Done);
    ASSERT_EQ(windows.viewed.size(), 1u);
    EXPECT_EQ(reportedValues(windows.viewed[0], u"Key"_s), QStringList{stem()});
    EXPECT_EQ(reportedValues(windows.viewed[0], u"Rows"_s), QStringList{u"2"_s});

    EXPECT_EQ(commands().ActiveX(inbox, 2), reports::Outcome::Done);
    QFile file(exportFolder + u'/' + stem() + u".CSV"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromLatin1(file.readAll()).contains(stem()));
}

TEST_F(PluginRunnerTest, FailuresAreRecordedAndReturnFalse)
{
    struct Case {
        const char *plugin; // nullptr: a class that is not registered
        int output;
        QString history; // the start of the last History entry
        int boxes;
    };
    const QString library = QFileInfo(QStringLiteral(REPORT_PLUGIN)).absoluteFilePath();
    const Case cases[] = {
        {"Keep", 3, "", 0}, // an unknown output mode: nothing is done at all
        {"Refuse", 0, "Warning: ActiveX returned False: ACME01_830_004010_I", 0},
        {"Fail", 0, "Error: 1001 ", 1},
        // The box says only that the object cannot be made; History names the class tried, the
        // library that lacks it and why.
        {nullptr, 0,
         "Error: 429 ActiveX component can't create object - ReportPlugin.Nobody: no class is registered under this "
         "name (the library "
             + library + " has no class Nobody)",
         1},
    };
    prepare();
    writeReports();
    for (const Case &c : cases) {
        modGlobal::cnDatabase->Execute(u"DELETE FROM History"_s);
        dialogs().reset();
        for (int i = 0; i < c.boxes; ++i)
            dialogs().answer(vb::vbOK);
        if (c.plugin)
            usePlugin(c.plugin);
        else
            modGlobal::cnDatabase->Execute(u"UPDATE Transactions SET ActiveX = 'ReportPlugin.Nobody'"_s);
        fillInbox({true, true});
        EXPECT_EQ(commands().ActiveX(inbox, c.output), reports::Outcome::Failed) << c.plugin;
        const QStringList history = historyEntries();
        if (c.history.isEmpty()) {
            EXPECT_TRUE(history.isEmpty()) << history.join(u" | "_s).toStdString();
            EXPECT_EQ(statuses(), (QStringList{u"Closed"_s, u"Closed"_s}));
            continue;
        }
        ASSERT_FALSE(history.isEmpty()) << (c.plugin ? c.plugin : "unregistered");
        EXPECT_TRUE(history.last().startsWith(c.history))
            << (c.plugin ? c.plugin : "unregistered") << ": " << history.join(u" | "_s).toStdString();
        EXPECT_EQ(int(dialogs().boxes().size()), c.boxes) << (c.plugin ? c.plugin : "unregistered");
        EXPECT_TRUE(windows.viewed.empty());
    }
}

class ShippingScheduleTest : public PluginRunnerTest {
protected:
    void SetUp() override
    {
        key.transaction = u"862"_s;
        PluginRunnerTest::SetUp();
    }
    void addRecycled(const QString &partner, const QString &version, const QString &time)
    {
        addRow(u"Recycled"_s, {{"Partner", partner}, {"Transaction", key.transaction}, {"Version", version},
                               {"Direction", key.direction}, {"Time", time}, {"Status", u"Closed"_s},
                               {"TSet", u"ST*862*0009~BSN*OLD~LIN*1~SE*4*0009~"_s}});
    }
    void fillRecycled(const std::vector<bool> &selected) { recycled = listOf(u"Recycled"_s, selected); }
};

TEST_F(ShippingScheduleTest, ThePreviousScheduleIsHandedToThePlugin)
{
    prepare();
    usePlugin("Own");
    report::saveReport(translation::DefaultMapReport(key, {{u"Key"_s, 200, 50}, {u"Rows"_s, 3, 6},
                                                          {u"Previous"_s, 3, 6}}),
                       reportsFolder + u"/ActiveX/"_s + stem() + u".RPT"_s);
    addRecycled(key.partner, key.version, u"0001"_s);
    fillRecycled({true});
    EXPECT_EQ(commands().ActiveX(inbox, 0), reports::Outcome::Done);
    ASSERT_EQ(windows.viewed.size(), 1u);
    EXPECT_EQ(reportedValues(windows.viewed[0], u"Previous"_s), QStringList{u"1"_s});
    EXPECT_EQ(column(u"SELECT Status FROM Recycled"_s, u"Status"_s), QStringList{u"Opened"_s});
}

TEST_F(ShippingScheduleTest, APreviousScheduleOfAnotherKeyIsRefused)
{
    prepare();
    writeReports();
    usePlugin("Keep");
    addRecycled(key.partner, key.version, u"0001"_s);
    addRecycled(u"OTHER"_s, key.version, u"0002"_s);
    fillRecycled({true, true});
    EXPECT_EQ(commands().ActiveX(inbox, 0), reports::Outcome::Failed);
    const QStringList history = historyEntries();
    ASSERT_FALSE(history.isEmpty());
    EXPECT_TRUE(history.last().startsWith(u"Warning: "_s)) << history.last().toStdString();
    EXPECT_TRUE(history.last().contains(stem()) && history.last().contains(u"OTHER_862_004010_I"_s))
        << history.last().toStdString();
    EXPECT_TRUE(windows.viewed.empty());
    EXPECT_EQ(column(u"SELECT Status FROM Recycled"_s, u"Status"_s), (QStringList{u"Closed"_s, u"Closed"_s}));
}

TEST_F(ShippingScheduleTest, NoPreviousScheduleIsItsOwnOutcome)
{
    prepare();
    writeReports();
    usePlugin("Keep");
    fillRecycled({});
    EXPECT_EQ(commands().ActiveX(inbox, 0), reports::Outcome::NoPreviousSchedule);
    EXPECT_EQ(historyEntries().last(), u"Information: "_s + reports::ReportCommands::NoPreviousScheduleText(reportKey()));
    EXPECT_TRUE(windows.viewed.empty());
}

} // namespace
