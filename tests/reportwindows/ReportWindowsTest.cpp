// The viewer and designer windows over a two-page report: the viewer's
// switches, zoom and buttons; the designer's edits, saving and the question
// before edits are dropped.
#include "TestEnvironment.h"

#include "reportwindows/ReportPlaces.h"
#include "reportwindows/ReportWindows.h"
#include "reportwindows/frmDesign.h"
#include "reportwindows/frmReport.h"
#include "translation/OpenReport.h"

#include "core/SettingsSections.h"
#include "report/Export.h"
#include "report/ReportDesigner.h"
#include "report/PageWidget.h"
#include "report/ReportFile.h"
#include "report/ReportViewer.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QPrinter>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::StringLiterals;
using corvantis::test::dialogs;

namespace {

report::Report listReport(const QString &title)
{
    report::Report r;
    r.title = title;
    r.fields = {{u"Item"_s, 200, 20}, {u"Qty"_s, 3, 6}};
    r.section(report::SectionKind::ReportHeader).height = 600;
    report::ReportObject heading;
    heading.kind = report::ObjectKind::Text;
    heading.text = title;
    heading.width = 6000;
    heading.height = 400;
    r.section(report::SectionKind::ReportHeader).objects.push_back(heading);
    r.section(report::SectionKind::Detail).height = 300;
    report::ReportObject item;
    item.kind = report::ObjectKind::Field;
    item.name = u"Item"_s;
    item.field = u"Item"_s;
    item.width = 3000;
    r.section(report::SectionKind::Detail).objects.push_back(item);
    report::ReportObject qty = item;
    qty.name = u"Qty"_s;
    qty.field = u"Qty"_s;
    qty.left = 3200;
    qty.width = 1200;
    r.section(report::SectionKind::Detail).objects.push_back(qty);
    return r;
}

// A report file of `rows` rows (about 45 rows a page) opened as crxReport.
QString openFixture(const QString &title, int rows)
{
    const QString path = corvantis::test::tempDir() + u'/' + title + u".RPT"_s;
    report::saveReport(listReport(title), path);
    auto rs = std::make_shared<ado::Recordset>();
    rs->Fields().Append(u"Item"_s, ado::adVarChar, 20, ado::adFldUpdatable);
    rs->Fields().Append(u"Qty"_s, ado::adInteger, 6, ado::adFldUpdatable);
    rs->Open();
    for (int i = 1; i <= rows; ++i) {
        rs->AddNew();
        rs->Fields(u"Item"_s).setValue(vb::Variant(u"Part "_s + QString::number(i)));
        rs->Fields(u"Qty"_s).setValue(vb::Variant(int32_t(i)));
        rs->Update();
    }
    translation::crxReport = report::ReportDocument::open(path);
    translation::crxReport->setDataSource(rs);
    return path;
}

class ReportWindowsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        auto &windows = reportwindows::programReportWindows();
        if (windows.designer())
            windows.designer()->crxDesigner->setModified(false);
        delete windows.viewer();
        delete windows.designer();
        translation::crxReport.reset();
    }
    reportwindows::ProgramReportWindows &windows() { return reportwindows::programReportWindows(); }
};

TEST_F(ReportWindowsTest, EverySwitchIsOnByDefaultAndReadsItsSetting)
{
    vb::SaveSetting(u"Corvantis"_s, u"Viewer"_s, u"DisplayToolbar"_s, u"0"_s);
    vb::SaveSetting(u"Corvantis"_s, u"Viewer"_s, u"EnablePrintButton"_s, u"False"_s);
    vb::SaveSetting(u"Corvantis"_s, u"Viewer"_s, u"DisplayGroupTree"_s, u"True"_s);
    vb::SaveSetting(u"Corvantis"_s, u"Viewer"_s, u"ExportButton"_s, u"1"_s);
    vb::SaveSetting(u"Corvantis"_s, u"Viewer"_s, u"NavigationControls"_s, u"0"_s);
    openFixture(u"Switches"_s, 3);
    windows().showViewer();
    report::ReportViewer &v = *windows().viewer()->crxViewer;
    ASSERT_EQ(report::ReportViewer::featureNames().size(), 22);
    for (const QString &name : report::ReportViewer::featureNames()) {
        const bool off = name == u"DisplayToolbar"_s || name == u"EnablePrintButton"_s
            || name == u"NavigationControls"_s;
        EXPECT_EQ(v.feature(name), !off) << name.toStdString();
    }
    EXPECT_TRUE(v.toolbar()->isHidden());
    EXPECT_FALSE(v.action(u"Print"_s)->isEnabled());
    EXPECT_TRUE(v.action(u"Export"_s)->isVisible());
    EXPECT_FALSE(v.action(u"Next"_s)->isVisible());
    EXPECT_FALSE(v.groupTree()->isHidden());

    // Each switch changes its part.
    struct Part {
        const char *feature;
        std::function<bool()> shownOrEnabled;
    };
    const Part parts[] = {
        {"DisplayTabs", [&] { return !v.tabs()->isHidden(); }},
        {"DisplayGroupTree", [&] { return !v.groupTree()->isHidden(); }},
        {"EnableGroupTree", [&] { return v.groupTree()->isEnabled(); }},
        {"EnableCloseButton", [&] { return v.action(u"Close"_s)->isEnabled(); }},
        {"EnableRefreshButton", [&] { return v.action(u"Refresh"_s)->isEnabled(); }},
        {"EnableSearchControl", [&] { return v.action(u"Search"_s)->isVisible(); }},
        {"SearchExpertButton", [&] { return v.action(u"SearchExpert"_s)->isVisible(); }},
        {"SelectExpertButton", [&] { return v.action(u"SelectExpert"_s)->isVisible(); }},
        {"EnableZoomControl", [&] { return v.action(u"Zoom"_s)->isVisible(); }},
        {"HelpButton", [&] { return v.action(u"Help"_s)->isVisible(); }},
        {"EnableStopButton", [&] { return v.action(u"Stop"_s)->isVisible(); }},
        {"EnableProgressControl", [&] { return !v.progressLine()->isHidden(); }},
        {"AnimationControl", [&] { return !v.animation()->isHidden(); }},
        {"DisplayBackgroundEdge", [&] { return v.pageWidget()->backgroundEdge(); }},
    };
    for (const Part &p : parts) {
        const QString name = QString::fromLatin1(p.feature);
        v.setFeature(name, false);
        EXPECT_FALSE(p.shownOrEnabled()) << p.feature;
        v.setFeature(name, true);
        EXPECT_TRUE(p.shownOrEnabled()) << p.feature;
    }
}

TEST_F(ReportWindowsTest, TheZoomStaysAtOneHundred)
{
    openFixture(u"Zoom"_s, 3);
    windows().showViewer();
    report::ReportViewer &v = *windows().viewer()->crxViewer;
    std::vector<int> levels;
    QObject::connect(&v, &report::ReportViewer::zoomChanged, [&](int level) { levels.push_back(level); });
    v.setZoom(75);
    EXPECT_EQ(v.zoom(), 100);
    std::sort(levels.begin(), levels.end());
    EXPECT_EQ(levels, (std::vector<int>{75, 100})) << "75 asked for, 100 put back";
    levels.clear();
    v.setZoom(100);
    EXPECT_EQ(v.zoom(), 100);
    EXPECT_EQ(levels, std::vector<int>{100});
}

TEST_F(ReportWindowsTest, NavigationPrintAndExportWorkOnATwoPageReport)
{
    openFixture(u"Pages"_s, 60);
    windows().showViewer();
    report::ReportViewer &v = *windows().viewer()->crxViewer;
    ASSERT_EQ(v.pageCount(), 2);
    EXPECT_EQ(v.pageIndex(), 0);
    EXPECT_FALSE(v.action(u"Previous"_s)->isEnabled());
    v.action(u"Next"_s)->trigger();
    EXPECT_EQ(v.pageIndex(), 1);
    EXPECT_FALSE(v.action(u"Next"_s)->isEnabled());
    v.action(u"First"_s)->trigger();
    EXPECT_EQ(v.pageIndex(), 0);
    v.action(u"Last"_s)->trigger();
    EXPECT_EQ(v.pageIndex(), 1);
    v.showPage(0);
    EXPECT_TRUE(v.search(u"part 59"_s));
    EXPECT_EQ(v.pageIndex(), 1);

    QPrinter &printer = vb::sharedPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = corvantis::test::tempDir() + u"/viewer.pdf"_s;
    printer.setOutputFileName(pdf);
    dialogs().answerPrinterSetup(true);
    v.action(u"Print"_s)->trigger();
    EXPECT_GT(QFileInfo(pdf).size(), 0);
    printer.setOutputFileName({});
    printer.setOutputFormat(QPrinter::NativeFormat);

    const QString csv = corvantis::test::tempDir() + u"/viewer.csv"_s;
    v.setExportChooser([&] { return std::make_optional(std::make_pair(5, csv)); });
    v.action(u"Export"_s)->trigger();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromLatin1(file.readAll()).contains(u"Part 60"_s));
}

TEST_F(ReportWindowsTest, AViewWhileTheViewerIsOpenShowsTheNewReport)
{
    openFixture(u"First"_s, 2);
    windows().showViewer();
    reportwindows::frmReport *viewer = windows().viewer();
    openFixture(u"Second"_s, 70);
    windows().showViewer();
    EXPECT_EQ(windows().viewer(), viewer) << "one viewer window";
    EXPECT_TRUE(viewer->crxViewer->reportSource()->path().endsWith(u"Second.RPT"_s));
    EXPECT_EQ(viewer->crxViewer->pageCount(), 2);
    EXPECT_EQ(viewer->windowTitle(), u"Report Viewer"_s);
}

TEST_F(ReportWindowsTest, DesignerEditsAreSavedAndReadBackEqual)
{
    const QString path = openFixture(u"Design"_s, 1);
    windows().showDesigner();
    reportwindows::frmDesign &d = *windows().designer();
    report::ReportDesigner &designer = *d.crxDesigner;
    EXPECT_FALSE(designer.isModified());

    // Move the Qty field with the mouse, resize it with the keyboard.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    const QRect box = designer.objectRect(report::SectionKind::Detail, 1);
    QTest::mousePress(&designer, Qt::LeftButton, {}, box.center());
    QTest::mouseMove(&designer, box.center() + QPoint(20, 0));
    QTest::mouseRelease(&designer, Qt::LeftButton, {}, box.center() + QPoint(20, 0));
    ASSERT_EQ(designer.selectedIndex(), 1);
    EXPECT_EQ(designer.selectedObject()->left, 3200 + 20 * 15);
    QTest::keyClick(&designer, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(designer.selectedObject()->width, 1200 + 15);
    designer.setSelectedFont({u"Courier New"_s, 12, true, false, false});
    dialogs().answerInput(u"#,##0"_s);
    d.findChild<QAction *>(u"mnuFieldFormat"_s)->trigger();
    EXPECT_EQ(designer.selectedObject()->format, u"#,##0"_s);
    EXPECT_TRUE(designer.isModified());
    EXPECT_TRUE(d.windowTitle().endsWith(u" *"_s));

    const report::Report edited = designer.report();
    d.findChild<QAction *>(u"mnuSave"_s)->trigger();
    EXPECT_FALSE(designer.isModified());
    EXPECT_EQ(report::loadReport(path), edited);
    EXPECT_FALSE(report::loadReport(path) == listReport(u"Design"_s));
}

TEST_F(ReportWindowsTest, ClosingWithEditsAsksAndWithoutDoesNot)
{
    openFixture(u"Ask"_s, 1);
    windows().showDesigner();
    reportwindows::frmDesign *d = windows().designer();
    d->crxDesigner->selectObject(report::SectionKind::Detail, 0);
    d->crxDesigner->moveSelected(15, 0);

    dialogs().answer(vb::vbCancel);
    EXPECT_FALSE(d->close());
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().boxes()[0].text, u"Save changes to Ask.RPT?"_s);
    EXPECT_TRUE(windows().designer());

    // A Designer command on the open designer asks first too.
    openFixture(u"Other"_s, 1);
    dialogs().answer(vb::vbCancel);
    EXPECT_FALSE(windows().showDesigner());
    EXPECT_TRUE(windows().designer()->path().endsWith(u"Ask.RPT"_s));
    dialogs().answer(vb::vbNo);
    EXPECT_TRUE(windows().showDesigner());
    EXPECT_TRUE(windows().designer()->path().endsWith(u"Other.RPT"_s));

    // No edits: no question.
    const size_t boxes = dialogs().boxes().size();
    EXPECT_TRUE(windows().designer()->close());
    EXPECT_EQ(dialogs().boxes().size(), boxes);
}

TEST_F(ReportWindowsTest, TheViewerExportsIntoTheExportFolderUnderTheFormatsExtension)
{
    const QString exports = corvantis::test::tempDir() + u"/exports"_s;
    vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Export"_s, exports);
    QDir().mkpath(exports);
    openFixture(u"Ext"_s, 3);
    windows().showViewer();
    report::ReportViewer &v = *windows().viewer()->crxViewer;
    EXPECT_EQ(v.exportFolder(), exports);
    const QStringList filters = report::ReportViewer::exportFilters();
    const std::vector<int> types = report::ReportViewer::offeredExportFormats();
    ASSERT_EQ(filters.size(), qsizetype(types.size()));
    for (size_t i = 0; i < types.size(); ++i) {
        const QString ext = report::exportFileExtension(types[i]);
        ASSERT_FALSE(ext.isEmpty()) << filters[qsizetype(i)].toStdString();
        EXPECT_EQ(filters[qsizetype(i)], report::exportFormatName(types[i]) + u" (*."_s + ext.toLower() + u" *."_s + ext + u')');
    }
    EXPECT_TRUE(filters.contains(u"Comma-separated values (CSV) (*.csv *.CSV)"_s));
    // A name without an extension gets the chosen format's; one with an extension keeps it.
    v.setExportChooser([&] { return std::make_optional(std::make_pair(int(report::ExportCsv), exports + u"/parts"_s)); });
    v.action(u"Export"_s)->trigger();
    EXPECT_TRUE(QFileInfo::exists(exports + u"/parts.CSV"_s));
    EXPECT_FALSE(QFileInfo::exists(exports + u"/parts"_s));
    EXPECT_EQ(report::ReportViewer::withExportExtension(u"/x/a.txt"_s, report::ExportPdf), u"/x/a.txt"_s);
    EXPECT_EQ(report::ReportViewer::withExportExtension(u"/x/a"_s, report::ExportExcel8), u"/x/a.XLS"_s);
}

TEST_F(ReportWindowsTest, BothWindowsSayWhereTheSetsExportReportBelongs)
{
    const QString reports = corvantis::test::tempDir() + u"/Reports"_s;
    QDir().mkpath(reports + u"/Export"_s);
    vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Reports"_s, reports);
    const QString stem = u"ACME_810_004010_I"_s;
    const QString exportReport = reports + u"/Export/"_s + stem + u".RPT"_s;
    report::saveReport(listReport(u"Set"_s), reports + u'/' + stem + u".rpt"_s);
    translation::crxReport = report::ReportDocument::open(reports + u'/' + stem + u".rpt"_s);
    windows().showViewer();
    const QString missing = u"This transaction set has no export report yet: File > Export needs one at "_s + exportReport
                            + u" (File > Save As... in the Report Designer saves a report there)."_s;
    EXPECT_EQ(windows().viewer()->lblExportReport->text(), missing);
    windows().showDesigner();
    reportwindows::frmDesign &d = *windows().designer();
    EXPECT_EQ(d.lblExportReport->text(), missing);

    // Save As offers the export report and makes it; the note follows.
    QString offered;
    d.chooseSaveAsPath = [&](const QString &suggested) { offered = suggested; return std::make_optional(suggested); };
    d.findChild<QAction *>(u"mnuSaveAs"_s)->trigger();
    EXPECT_EQ(offered, exportReport);
    EXPECT_EQ(report::loadReport(exportReport), listReport(u"Set"_s));
    EXPECT_EQ(d.path(), exportReport);
    EXPECT_EQ(d.lblExportReport->text(), u"Export report of this transaction set: "_s + exportReport);
    EXPECT_EQ(d.windowTitle(), u"Report Designer - "_s + stem + u".RPT"_s);

    // A name without an extension is saved as a report; other reports have no note.
    d.chooseSaveAsPath = [&](const QString &) { return std::make_optional(reports + u"/copy"_s); };
    EXPECT_TRUE(d.saveAs());
    EXPECT_TRUE(QFileInfo::exists(reports + u"/copy.RPT"_s));
    EXPECT_TRUE(d.lblExportReport->text().isEmpty());
    EXPECT_TRUE(reportwindows::exportReportPathFor(reports + u"/Guideline.rpt"_s).isEmpty());
    EXPECT_TRUE(reportwindows::exportReportPathFor(corvantis::test::tempDir() + u'/' + stem + u".rpt"_s).isEmpty());
    EXPECT_EQ(reportwindows::exportReportPathFor(reports + u"/ActiveX/"_s + stem + u".RPT"_s), exportReport);
}

TEST_F(ReportWindowsTest, AnObjectEnlargedBelowItsBandGrowsTheBand)
{
    openFixture(u"Grow"_s, 1);
    windows().showDesigner();
    reportwindows::frmDesign &d = *windows().designer();
    report::ReportDesigner &designer = *d.crxDesigner;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    const QRect pageHeaderBefore = designer.bandRect(report::SectionKind::PageHeader);
    // The caption under the title is drawn in its own font, whatever the title's.
    auto caption = [&] {
        const QRect band = designer.bandRect(report::SectionKind::PageHeader);
        return designer.grab(QRect(0, band.top() - 18, band.width(), 18)).toImage();
    };
    const QImage plainCaption = caption();
    designer.selectObject(report::SectionKind::ReportHeader, 0);
    designer.setSelectedFont({u"Arial"_s, 18, true, false, false});
    EXPECT_EQ(caption(), plainCaption);
    // The title (400 twips high in a 600 twips band) dragged 40 pixels taller.
    const QRect box = designer.objectRect(report::SectionKind::ReportHeader, 0);
    const QPoint handle = box.bottomRight() - QPoint(1, 1);
    QTest::mousePress(&designer, Qt::LeftButton, {}, handle);
    QTest::mouseMove(&designer, handle + QPoint(0, 40));
    QTest::mouseRelease(&designer, Qt::LeftButton, {}, handle + QPoint(0, 40));
    const report::ReportObject &title = *designer.selectedObject();
    EXPECT_EQ(title.height, 400 + 40 * 15);
    EXPECT_EQ(designer.report().section(report::SectionKind::ReportHeader).height, 1000);
    EXPECT_GE(designer.bandRect(report::SectionKind::PageHeader).top(), designer.objectRect(report::SectionKind::ReportHeader, 0).bottom())
        << "the next band starts below the object";
    EXPECT_GT(designer.bandRect(report::SectionKind::PageHeader).top(), pageHeaderBefore.top());
    EXPECT_GE(designer.height(), designer.sizeHint().height());
    // The keyboard does the same.
    designer.selectObject(report::SectionKind::Detail, 0);
    QTest::keyClick(&designer, Qt::Key_Down, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(designer.report().section(report::SectionKind::Detail).height, 240 + 120);
    if (qEnvironmentVariableIsSet("CORVANTIS_SCREENSHOTS"))
        d.grab().save(qEnvironmentVariable("CORVANTIS_SCREENSHOTS") + u"/designer-large-object.png"_s);
}

TEST_F(ReportWindowsTest, TheFontChoiceKeepsWhatTheUserLeftAsShown)
{
    const report::Font arialBold{u"Arial"_s, 10, true, false, false};
    // The dialog shows the family Arial resolves to, and may or may not find its bold.
    const report::Font shownPlain{u"Liberation Sans"_s, 10, false, false, false};
    const report::Font shownBold{u"Liberation Sans"_s, 10, true, false, false};
    struct Case { const char *what; report::Font shown, chosen, expected; };
    const Case cases[] = {
        {"only the size", shownPlain, {u"Liberation Sans"_s, 14, false, false, false}, {u"Arial"_s, 14, true, false, false}},
        {"only the size, bold shown", shownBold, {u"Liberation Sans"_s, 14, true, false, false}, {u"Arial"_s, 14, true, false, false}},
        {"another family", shownPlain, {u"DejaVu Serif"_s, 10, false, false, false}, {u"DejaVu Serif"_s, 10, true, false, false}},
        {"bold switched off", shownBold, {u"Liberation Sans"_s, 10, false, false, false}, {u"Arial"_s, 10, false, false, false}},
        {"italic", shownPlain, {u"Liberation Sans"_s, 10, false, true, false}, {u"Arial"_s, 10, true, true, false}},
        {"underline", shownPlain, {u"Liberation Sans"_s, 10, false, false, true}, {u"Arial"_s, 10, true, false, true}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(report::chosenFont(arialBold, c.shown, c.chosen), c.expected) << c.what;
}

// Format > Font on an Arial bold 18 object: the dialog opens on the family
// the system resolves Arial to, with bold selected; changing only the size
// keeps Arial and bold.
TEST_F(ReportWindowsTest, TheFontDialogOpensOnTheObjectsFontAndKeepsWhatIsLeft)
{
    openFixture(u"Font"_s, 1);
    windows().showDesigner();
    reportwindows::frmDesign &d = *windows().designer();
    report::ReportDesigner &designer = *d.crxDesigner;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    designer.selectObject(report::SectionKind::ReportHeader, 0);
    designer.setSelectedFont({u"Arial"_s, 18, true, false, false});
    QFont arial(u"Arial"_s);
    arial.setBold(true);
    const QString resolved = QFontInfo(arial).family();
    EXPECT_EQ(reportwindows::fontDialogStart({u"Arial"_s, 18, true, false, false}).family(), resolved);

    // The dialog, found while it is open, then given a new size only; it
    // is closed whatever happens, and waited for no longer than 5 s.
    QFont opened;
    bool found = false;
    int tries = 0;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = d.findChild<QFontDialog *>();
        if (!dialog || !dialog->isVisible()) {
            if (++tries > 100) {
                poll.stop();
                if (dialog)
                    dialog->reject(); // shown some other way: closed unanswered
            }
            return;
        }
        poll.stop();
        found = true;
        opened = dialog->currentFont();
        QFont sized = opened;
        sized.setPointSizeF(20);
        dialog->setCurrentFont(sized);
        dialog->accept();
    });
    poll.start();
    d.findChild<QAction *>(u"mnuFont"_s)->trigger();
    poll.stop();
    ASSERT_TRUE(found) << "the Font dialog did not open within 5 s";
    EXPECT_EQ(opened.family(), resolved);
    EXPECT_TRUE(opened.bold()) << QFontDatabase::styleString(opened).toStdString();
    EXPECT_FALSE(opened.italic());
    EXPECT_EQ(opened.pointSizeF(), 18);
    const report::Font kept{u"Arial"_s, 20, true, false, false};
    EXPECT_EQ(designer.selectedObject()->font, kept);
}

TEST_F(ReportWindowsTest, FieldFormatSaysWhatIsWrongAndAsksAgain)
{
    struct Case { const char *pattern; int type; const char *problem; };
    const Case cases[] = {
        {"#,##0.00", 3, ""}, {"mm/dd/yyyy", 7, ""}, {"\"No.\" 000", 3, ""}, {"Short Date", 7, ""}, {"", 200, ""},
        {"0;(0);\"zero\";\"none\"", 3, ""},
        {"\"No. 000", 3, "the quoted text that starts at position 1 has no closing quote"},
        {"0.00\\", 3, "the \\ at its end has no character after it to show"},
        {"0;0;0;0;0", 3, "it has 5 sections"},
    };
    for (const Case &c : cases) {
        const QString problem = report::formatPatternProblem(QString::fromUtf8(c.pattern), c.type);
        if (*c.problem)
            EXPECT_TRUE(problem.startsWith(QString::fromUtf8(c.problem))) << c.pattern << ": " << problem.toStdString();
        else
            EXPECT_TRUE(problem.isEmpty()) << c.pattern << ": " << problem.toStdString();
    }
    openFixture(u"Format"_s, 1);
    windows().showDesigner();
    reportwindows::frmDesign &d = *windows().designer();
    d.crxDesigner->selectObject(report::SectionKind::Detail, 1);
    dialogs().answerInput(u"\"#,##0"_s);
    dialogs().answer(vb::vbOK);
    dialogs().answerInput(u"#,##0"_s);
    d.findChild<QAction *>(u"mnuFieldFormat"_s)->trigger();
    ASSERT_EQ(dialogs().boxes().size(), 3u) << "asked, told, asked again";
    EXPECT_EQ(dialogs().boxes()[1].text,
              u"The format pattern \"\"#,##0\" cannot be used: the quoted text that starts at position 1 has no closing quote."_s);
    EXPECT_EQ(d.crxDesigner->selectedObject()->format, u"#,##0"_s);
}

} // namespace
