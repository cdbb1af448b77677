// The map designer window through the scripted dialogs: the list and tree it
// loads, the panes and their pending-edit question, commands and their
// failures, the script reference, the tabs, the layout and Setup > Map
// Designer.
#include "CoreTestSupport.h"

#include "TestEnvironment.h"

#include "mapeditor/frmMap.h"
#include "partners/SetStore.h"
#include "partners/TransactionsNotifier.h"
#include "translation/MapScriptHost.h"
#include "translation/OpenReport.h"
#include "translation/TranslationBusy.h"

#include "ado/Connection.h"
#include "controls/ComboList.h"
#include "controls/Forms.h"
#include "controls/ListView.h"
#include "controls/MaskedEdit.h"
#include "controls/Measure.h"
#include "controls/ScreenPlacement.h"
#include "controls/ScriptBox.h"
#include "controls/SplitterBar.h"
#include "controls/TabStrip.h"
#include "controls/TextBox.h"
#include "controls/TreeView.h"
#include "report/ReportDocument.h"
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QGuiApplication>
#include <QScreen>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QTest>

using namespace mapeditor;
using coretest::CoreTest;
using corvantis::test::dialogs;
using modGlobal::cnDatabase;

namespace {

class MapDesignerWindowTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        for (const char *name : {"Import", "ActiveX", "Reports", "Outbound"}) {
            const QString path = corvantis::test::tempDir() + u'/' + QString::fromLatin1(name);
            QDir().mkpath(path);
            vb::SaveSetting("Corvantis", "Folders", QString::fromLatin1(name), path);
        }
    }
    void TearDown() override
    {
        controls::unload<frmMap>();
        CoreTest::TearDown();
    }

    void addSet(const QString &partner, const QString &direction)
    {
        addRow("Transactions", {{"Partner", partner}, {"Transaction", "830"}, {"Version", "004010"},
                                {"Direction", direction}, {"Group", "PS"}, {"Versionoverride", "004010"},
                                {"Description", "Planning"}, {"ControlNumber", vb::Variant::fromLong(1)}});
    }

    // A map of segments "ID:level:elements", element names ID.1, ID.2 ...
    void addMap(const QString &partner, const QString &direction, const QStringList &segments)
    {
        int index = 0;
        for (const QString &spec : segments) {
            const QStringList p = spec.split(u':');
            ++index;
            addRow("Segment", {{"Partner", partner}, {"Version", "004010"}, {"Transaction", "830"},
                               {"Direction", direction}, {"Segment", p[0]}, {"SegmentIndex", index},
                               {"Node", p[1].toInt()}, {"SegmentName", p[0] + " name"}, {"SegmentUsage", "M"},
                               {"Level", "H"}, {"MaxUsageLoop", vb::Variant::fromLong(9999999)}});
            for (int e = 1; e <= p[2].toInt(); ++e)
                addRow("Element", {{"Partner", partner}, {"Version", "004010"}, {"Transaction", "830"},
                                   {"Direction", direction}, {"Segment", p[0]}, {"SegmentIndex", index},
                                   {"ElementIndex", e}, {"ElementName", p[0] + u'.' + QString::number(e)},
                                   {"Reference", 100 + e}, {"Minimum", 1}, {"Maximum", 10}, {"Type", "AN"},
                                   {"ElementUsage", "M"}});
        }
    }

    // The standard fixture: ACME01 830 in both directions.
    frmMap &openStandard()
    {
        addSet("ACME01", "I");
        addSet("ACME01", "O");
        addMap("ACME01", "I", {"ST:1:2", "BFR:1:3", "N1:1:2", "N3:2:1", "LIN:1:2"});
        addMap("ACME01", "O", {"ST:1:1", "BEG:1:2"});
        return controls::form<frmMap>();
    }

    int node(frmMap &w, const QString &key)
    {
        const int n = w.tvwTSets->nodeIndex(key);
        EXPECT_NE(n, 0) << key.toStdString();
        return n;
    }

    void click(frmMap &w, const QString &key)
    {
        const int n = node(w, key);
        w.tvwTSets->setSelectedNode(n);
        emit w.tvwTSets->NodeClick(n);
    }

    QStringList segmentNames(const QString &direction = QStringLiteral("I"))
    {
        return column("SELECT Segment FROM Segment WHERE Direction = '" + direction + "' ORDER BY SegmentIndex",
                      "Segment");
    }

    // A click of the mouse on the node, as the user makes it (the window shown).
    void mouseClick(frmMap &w, const QString &key)
    {
        QTreeWidgetItem *item = w.tvwTSets->nodeItem(node(w, key));
        ASSERT_TRUE(item);
        w.tvwTSets->scrollToItem(item);
        const QRect r = w.tvwTSets->visualItemRect(item);
        ASSERT_TRUE(r.isValid()) << key.toStdString();
        // On the start of the text: a long text reaches past the narrow tree.
        QTest::mouseClick(w.tvwTSets->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 6, r.center().y()));
    }

    QString selected(frmMap &w) { return w.tvwTSets->nodeKey(w.tvwTSets->selectedNode()); }

    // Every map row, every column as text.
    std::vector<std::map<QString, QString>> mapRows()
    {
        auto all = rows("SELECT * FROM Segment ORDER BY rowid");
        for (auto &row : rows("SELECT * FROM Element ORDER BY rowid"))
            all.push_back(row);
        return all;
    }

    QStringList referenceRoots(frmMap &w)
    {
        QStringList out;
        for (int n = 1; n <= w.tvwReference->nodeCount(); ++n)
            if (!w.tvwReference->parentIndex(n))
                out << w.tvwReference->nodeText(n);
        return out;
    }

    QStringList referenceChildren(frmMap &w, const QString &root)
    {
        QStringList out;
        const int r = w.tvwReference->nodeIndex(root);
        if (!r)
            return out;
        for (int c = w.tvwReference->firstChild(r); c; c = w.tvwReference->nextSibling(c))
            out << w.tvwReference->nodeText(c);
        return out;
    }
};

TEST_F(MapDesignerWindowTest, AnEmptyTableOpensWithNothingLoaded)
{
    frmMap &w = controls::form<frmMap>();
    EXPECT_EQ(w.windowTitle(), "Map Designer");
    EXPECT_EQ(w.lvwTSets->itemCount(), 0);
    EXPECT_EQ(w.tvwTSets->nodeCount(), 0);
    EXPECT_FALSE(w.fraSegment->isHidden());
    EXPECT_TRUE(w.fraElement->isHidden());
    // With no map the inbound reference is built.
    EXPECT_EQ(referenceChildren(w, "Methods").size(), 9);
    EXPECT_EQ(referenceChildren(w, "Properties").size(), 15);
    EXPECT_EQ(w.tvwReference->nodeIndex("Results"), 0);
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(MapDesignerWindowTest, TheListTheTreeAndTheFirstSegmentAreLoaded)
{
    frmMap &w = openStandard();
    ASSERT_EQ(w.lvwTSets->itemCount(), 2);
    EXPECT_EQ(w.lvwTSets->columnText(4), "I/O");
    EXPECT_EQ(w.lvwTSets->item(1)->subItem(3), "I");
    EXPECT_EQ(w.tvwTSets->nodeText(1), "ACME01_830_004010_I");
    EXPECT_EQ(w.tvwTSets->nodeKey(w.tvwTSets->selectedNode()), "Segment0101");
    // N3 (level 2) nests under N1.
    EXPECT_EQ(w.tvwTSets->nodeKey(w.tvwTSets->parentIndex(node(w, "Segment0204"))), "Segment0103");
    EXPECT_EQ(w.txtSegment->text(), "ST");
    EXPECT_EQ(w.txtMaxUsageLoop->text(), ">1");
    EXPECT_EQ(w.cboSegmentUsage->listIndex(), 0);
    EXPECT_EQ(w.txtLoopLevel->text().trimmed(), "1");
    EXPECT_FALSE(w.blnSegmentChanged);

    click(w, "Element010202");
    EXPECT_TRUE(w.fraSegment->isHidden());
    EXPECT_EQ(w.txtElementName->text(), "BFR.2");
    EXPECT_EQ(w.cboElementType->listIndex(), 1);
    EXPECT_EQ(w.txtReference->text(), "102");

    // The other direction's map, and its reference with the outbound branches.
    w.lvwTSets->setSelectedItem(2);
    emit w.lvwTSets->ItemClick(2);
    EXPECT_EQ(w.tvwTSets->nodeText(1), "ACME01_830_004010_O");
    EXPECT_EQ(referenceChildren(w, "Methods").size(), 8);
    EXPECT_EQ(referenceChildren(w, "Properties").size(), 2);
    EXPECT_EQ(referenceChildren(w, "Results"), QStringList());
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(MapDesignerWindowTest, APendingEditIsAskedAboutAndSavedToTheRowItWasMadeOn)
{
    frmMap &w = openStandard();
    click(w, "Segment0102");
    w.txtSegmentName->setText("Edited BFR");
    ASSERT_TRUE(w.blnSegmentChanged);
    // No: the clicked segment is shown and stored as expanded.
    dialogs().answer(vb::vbNo);
    click(w, "Segment0103");
    EXPECT_EQ(dialogs().last().text, "Segment Properties\rSave changes to BFR?");
    EXPECT_EQ(dialogs().last().icon, vb::vbQuestion);
    EXPECT_EQ(w.txtSegment->text(), "N1");
    EXPECT_EQ(column("SELECT Expanded FROM Segment WHERE Direction = 'I' AND SegmentIndex = 3", "Expanded"),
              QStringList{"True"});
    EXPECT_EQ(column("SELECT SegmentName FROM Segment WHERE Direction = 'I' AND SegmentIndex = 2", "SegmentName"),
              QStringList{"BFR name"});

    // Yes: the edit goes to the segment it was made on, which stays selected.
    w.txtSegmentName->setText("Edited N1");
    dialogs().answer(vb::vbYes);
    click(w, "Segment0101");
    EXPECT_EQ(column("SELECT SegmentName FROM Segment WHERE Direction = 'I' AND SegmentIndex = 3", "SegmentName"),
              QStringList{"Edited N1"});
    EXPECT_EQ(w.tvwTSets->nodeKey(w.tvwTSets->selectedNode()), "Segment0103");
    // The save rewrote the record definition of the map.
    EXPECT_TRUE(QFile::exists(corvantis::test::tempDir() + "/ActiveX/ACME01_830_004010_I.ADO"));

    // Before a renumbering command the edit is resolved first: here saved,
    // then the segment moves up with it.
    w.txtSegmentName->setText("N1 moved");
    dialogs().answer(vb::vbYes);
    w.cmdSegmentUp->click();
    EXPECT_EQ(segmentNames(), (QStringList{"ST", "N1", "BFR", "N3", "LIN"}));
    EXPECT_EQ(column("SELECT SegmentName FROM Segment WHERE Direction = 'I' AND Segment = 'N1'", "SegmentName"),
              QStringList{"N1 moved"});
    EXPECT_EQ(column("SELECT SegmentName FROM Segment WHERE Direction = 'I' AND Segment = 'BFR'", "SegmentName"),
              QStringList{"BFR name"});
    EXPECT_EQ(w.tvwTSets->nodeKey(w.tvwTSets->selectedNode()), "Segment0102");
}

TEST_F(MapDesignerWindowTest, DeleteAsksDropsAPendingEditAndSelectsThePrevious)
{
    frmMap &w = openStandard();
    click(w, "Segment0101");
    dialogs().answer(vb::vbOK);
    w.cmdDeleteSegment->click();
    EXPECT_EQ(dialogs().last().text, "Last Segment Not Allowed");
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);

    click(w, "Segment0102");
    w.txtSegmentName->setText("never saved");
    dialogs().answer(vb::vbNo).answer(vb::vbNo); // drop the edit, then keep the segment
    w.cmdDeleteSegment->click();
    EXPECT_EQ(dialogs().last().text, "Delete 02BFR Segment");
    EXPECT_EQ(dialogs().last().defaultButton, 2) << "a quick Enter keeps the segment";
    EXPECT_EQ(segmentNames().size(), 5);
    dialogs().answer(vb::vbYes);
    w.cmdDeleteSegment->click();
    EXPECT_EQ(segmentNames(), (QStringList{"ST", "N1", "N3", "LIN"}));
    EXPECT_EQ(w.tvwTSets->nodeKey(w.tvwTSets->selectedNode()), "Segment0101");
    EXPECT_EQ(column("SELECT SegmentName FROM Segment WHERE Direction = 'I'", "SegmentName").filter("never").size(), 0);
    EXPECT_EQ(segmentNames("O"), (QStringList{"ST", "BEG"}));
}

TEST_F(MapDesignerWindowTest, AddAndDuplicateTakeTheTypedIdAndRefuseABadOne)
{
    frmMap &w = openStandard();
    click(w, "Segment0102");
    w.txtSegment->setText("r");
    dialogs().answer(vb::vbOK);
    w.cmdAddSegment->click();
    EXPECT_EQ(dialogs().last().text, "Invalid Segment Length Min(2)");
    w.txtSegment->setText("ref ");
    w.cmdAddSegment->click();
    EXPECT_EQ(segmentNames(), (QStringList{"ST", "BFR", "REF", "N1", "N3", "LIN"}));
    EXPECT_EQ(w.tvwTSets->nodeKey(w.tvwTSets->selectedNode()), "Segment0103");
    EXPECT_EQ(w.txtSegment->text(), "REF");

    click(w, "Segment0205");
    w.txtSegment->setText("td5");
    w.txtSegmentName->setText("copy of N3");
    w.cmdDuplicateSegment->click(); // the pane's edit is the copy's: nothing is asked for N3
    EXPECT_FALSE(w.blnSegmentChanged);
    EXPECT_EQ(segmentNames(), (QStringList{"ST", "BFR", "REF", "N1", "N3", "TD5", "LIN"}));
    EXPECT_EQ(column("SELECT SegmentName FROM Segment WHERE Direction = 'I' AND Segment = 'TD5'", "SegmentName"),
              QStringList{"copy of N3"});
    EXPECT_EQ(column("SELECT SegmentName FROM Segment WHERE Direction = 'I' AND Segment = 'N3'", "SegmentName"),
              QStringList{"N3 name"});
}

TEST_F(MapDesignerWindowTest, ElementSaveCorrectsTheBoxesAndElementCommandsFollowTheSelection)
{
    frmMap &w = openStandard();
    click(w, "Element010202");
    w.txtElementMin->setText("10");
    w.txtElementMax->setText("5");
    w.txtReference->setText("");
    w.cmdSaveElement->click();
    EXPECT_EQ(w.txtElementMax->text(), "10");
    EXPECT_EQ(w.txtReference->text(), "1");
    EXPECT_EQ(column("SELECT Maximum FROM Element WHERE Direction = 'I' AND SegmentIndex = 2 AND ElementIndex = 2",
                     "Maximum"),
              QStringList{"10"});
    EXPECT_FALSE(w.blnElementChanged);

    w.cmdMoveElementUp->click();
    EXPECT_EQ(w.tvwTSets->nodeKey(w.tvwTSets->selectedNode()), "Element010201");
    EXPECT_EQ(w.tvwTSets->nodeText(w.tvwTSets->selectedNode()), "BFR01 - BFR.2");
    w.cmdAddElement->click();
    EXPECT_EQ(w.tvwTSets->nodeKey(w.tvwTSets->selectedNode()), "Element010204");

    click(w, "Element010101");
    w.cmdDuplicateElement->click();
    EXPECT_EQ(w.tvwTSets->nodeKey(w.tvwTSets->selectedNode()), "Element010103");
    dialogs().answer(vb::vbYes);
    w.cmdDeleteElement->click();
    EXPECT_EQ(dialogs().last().text, "Delete ST03 Element");
    EXPECT_EQ(dialogs().last().defaultButton, 2) << "a quick Enter keeps the element";
    EXPECT_EQ(w.tvwTSets->nodeKey(w.tvwTSets->selectedNode()), "Element010102");

    click(w, "Element020401");
    dialogs().answer(vb::vbOK);
    w.cmdDeleteElement->click();
    EXPECT_EQ(dialogs().last().text, "Last Element Not Allowed");
}

TEST_F(MapDesignerWindowTest, AFailingCommandIsReportedOnceAndLeavesTheMapAsItWas)
{
    frmMap &w = openStandard();
    click(w, "Segment0103");
    const QStringList before = segmentNames();
    cnDatabase->Execute("CREATE TEMP TRIGGER injected BEFORE UPDATE ON Element "
                        "BEGIN SELECT RAISE(ABORT, 'injected failure'); END");
    dialogs().answer(vb::vbOK);
    w.cmdSegmentUp->click();
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_TRUE(dialogs().last().text.contains("injected failure"));
    EXPECT_EQ(segmentNames(), before);
    EXPECT_EQ(count("History"), 1);
    EXPECT_EQ(column("SELECT Type FROM History", "Type"), QStringList{"Error"});
    EXPECT_EQ(w.tvwTSets->nodeKey(w.tvwTSets->selectedNode()), "Segment0103");
    EXPECT_EQ(w.tvwTSets->nodeText(node(w, "Segment0102")), "BFR");
}

// The edit of a pane fails to save when the user moves on (a value its
// field cannot hold, a failing database): both rows stay as they were, the
// selection goes back to the node the pane shows and the edit stays; once
// corrected, Save writes it to that row, whatever node is selected.
TEST_F(MapDesignerWindowTest, AFailedPendingSaveLeavesBothRowsAndTheSelectionOnTheShownNode)
{
    struct Case {
        const char *shown, *clicked;
        controls::TextBox *frmMap::*name;
        controls::TextBox *frmMap::*number;
        const char *bad;  // typed into the number box; empty: the database refuses the write instead
        const char *good; // the corrected number
        const char *message;
    };
    const std::vector<Case> cases{
        {"Segment0102", "Segment0103", &frmMap::txtSegmentName, &frmMap::txtMaxUsageLoop, "1e10", "25",
         "\"Max Usage/Loops\""},
        {"Segment0102", "Segment0103", &frmMap::txtSegmentName, &frmMap::txtMaxUsageLoop, "", "25",
         "injected failure"},
        {"Element010202", "Element010203", &frmMap::txtElementName, &frmMap::txtReference, "99999999999", "355",
         "\"Element ID\""},
        {"Element010202", "Element010203", &frmMap::txtElementName, &frmMap::txtReference, "", "355",
         "injected failure"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.shown) + " " + c.message);
        controls::unload<frmMap>();
        for (const char *table : {"Transactions", "Segment", "Element"})
            cnDatabase->Execute(QStringLiteral("DELETE FROM ") + QString::fromLatin1(table));
        frmMap &w = openStandard();
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 5000)) << "the designer was not shown within 5 s";
        const bool segment = QString::fromLatin1(c.shown).startsWith("Segment");
        const QString table = segment ? "Segment" : "Element";
        click(w, c.shown);
        (w.*c.name)->setText("edited by user");
        (w.*c.number)->setText(QString::fromLatin1(*c.bad ? c.bad : c.good));
        if (!*c.bad)
            cnDatabase->Execute("CREATE TEMP TRIGGER injected BEFORE UPDATE ON " + table
                                + " BEGIN SELECT RAISE(ABORT, 'injected failure'); END");
        const auto before = mapRows();
        const size_t boxes = dialogs().boxes().size();
        dialogs().answer(vb::vbYes).answer(vb::vbOK);
        if (*c.bad)
            mouseClick(w, c.clicked); // the user's click: Qt moved the selection before the question
        else
            click(w, c.clicked);
        ASSERT_EQ(dialogs().boxes().size(), boxes + 2);
        EXPECT_EQ(dialogs().boxes()[boxes].text,
                  segment ? "Segment Properties\rSave changes to BFR?" : "Element Properties\rSave changes to BFR02?");
        EXPECT_TRUE(dialogs().last().text.contains(QString::fromLatin1(c.message))) << dialogs().last().text.toStdString();
        EXPECT_EQ(mapRows(), before);
        EXPECT_EQ(selected(w), c.shown);
        EXPECT_EQ(w.strShownKey, c.shown);
        EXPECT_TRUE(segment ? w.blnSegmentChanged : w.blnElementChanged);
        EXPECT_EQ((w.*c.name)->text(), "edited by user");

        if (!*c.bad)
            cnDatabase->Execute("DROP TRIGGER injected");
        (w.*c.number)->setText(QString::fromLatin1(c.good));
        const QString other = segment ? "SELECT * FROM Segment WHERE Direction = 'I' AND SegmentIndex = 3"
                                      : "SELECT * FROM Element WHERE Direction = 'I' AND SegmentIndex = 2 AND ElementIndex = 3";
        const auto otherBefore = rows(other);
        w.tvwTSets->setSelectedNode(node(w, c.clicked)); // a selection that is not the pane's row
        (segment ? w.cmdSaveSegment : w.cmdSaveElement)->click();
        EXPECT_EQ(dialogs().boxes().size(), boxes + 2);
        EXPECT_EQ(rows(other), otherBefore);
        const QString mine = segment ? "SELECT * FROM Segment WHERE Direction = 'I' AND SegmentIndex = 2"
                                     : "SELECT * FROM Element WHERE Direction = 'I' AND SegmentIndex = 2 AND ElementIndex = 2";
        const auto saved = rows(mine);
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_EQ(saved[0].at(segment ? "SegmentName" : "ElementName"), "edited by user");
        EXPECT_EQ(saved[0].at(segment ? "MaxUsageLoop" : "Reference"), c.good);
        EXPECT_EQ(selected(w), c.shown);
    }
}

// The duplicates write the pane as it stands: a value its field cannot hold
// is refused there, by name, before anything is written.
TEST_F(MapDesignerWindowTest, DuplicatesRefuseAValueItsFieldCannotHold)
{
    frmMap &w = openStandard();
    click(w, "Segment0102");
    const auto before = mapRows();
    w.txtSegment->setText("BF2");
    w.txtMaxUsageLoop->setText("3000000000");
    dialogs().answer(vb::vbOK);
    w.cmdDuplicateSegment->click();
    EXPECT_TRUE(dialogs().last().text.contains("\"Max Usage/Loops\"")) << dialogs().last().text.toStdString();
    EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);

    dialogs().answer(vb::vbNo); // the segment's edit, dropped
    click(w, "Element010202");
    w.txtElementMax->setText("1e100");
    dialogs().answer(vb::vbOK);
    w.cmdDuplicateElement->click();
    EXPECT_TRUE(dialogs().last().text.contains("\"Maximum Length\"")) << dialogs().last().text.toStdString();
    EXPECT_EQ(mapRows(), before);
    EXPECT_EQ(count("History"), 0);
}

// Every write of the designer, whatever starts it, waits for another task's
// transaction: were one made inside it, that task's rollback would take it away.
TEST_F(MapDesignerWindowTest, EveryWriteWaitsForAnotherTasksTransaction)
{
    frmMap &w = openStandard();
    click(w, "Segment0102");
    const auto before = mapRows();
    auto underAnotherTask = [&](const char *what, const std::function<void()> &start) {
        SCOPED_TRACE(what);
        const size_t boxes = dialogs().boxes().size();
        cnDatabase->BeginTrans();
        start();
        cnDatabase->CommitTrans(); // the other task ends well: nothing of the designer's may be in it
        ASSERT_GT(dialogs().boxes().size(), boxes);
        EXPECT_EQ(dialogs().last().text, "Another task is writing to the database. Try again when it has finished.");
        EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);
        EXPECT_EQ(mapRows(), before);
    };
    dialogs().answer(vb::vbOK);
    underAnotherTask("a command", [&] { w.cmdSegmentDown->click(); });
    EXPECT_EQ(segmentNames(), (QStringList{"ST", "BFR", "N1", "N3", "LIN"}));

    // A tree click shows the segment but stores no Expanded.
    dialogs().answer(vb::vbOK);
    underAnotherTask("the Expanded write", [&] { click(w, "Segment0103"); });
    EXPECT_EQ(w.txtSegment->text(), "N1");

    // The save the pending-change question offers: the edit stays on its segment.
    w.txtSegmentName->setText("N1 edited");
    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    underAnotherTask("the question's save", [&] { click(w, "Segment0101"); });
    EXPECT_EQ(selected(w), "Segment0103");
    EXPECT_TRUE(w.blnSegmentChanged);

    dialogs().answer(vb::vbOK);
    underAnotherTask("Save Segment", [&] { w.cmdSaveSegment->click(); });

    // With the other task done, the same save goes through.
    w.cmdSaveSegment->click();
    EXPECT_EQ(column("SELECT SegmentName FROM Segment WHERE Direction = 'I' AND SegmentIndex = 3", "SegmentName"),
              QStringList{"N1 edited"});
}

// A new segment stores the level its pane showed; a segment without a level
// shows none, never the level of the segment shown before it.
TEST_F(MapDesignerWindowTest, ANewSegmentTakesTheLevelThePaneShows)
{
    addSet("ACME01", "I");
    addMap("ACME01", "I", {"ST:1:1", "BFR:1:2", "LIN:1:1"});
    cnDatabase->Execute("UPDATE Segment SET Level = 'D' WHERE Segment = 'BFR'");
    cnDatabase->Execute("UPDATE Segment SET Level = '', SegmentUsage = '' WHERE Segment = 'LIN'");
    frmMap &w = controls::form<frmMap>();
    const QString level = "SELECT Level FROM Segment WHERE Segment = '%1'";

    click(w, "Segment0102");
    EXPECT_EQ(w.cboSegmentLevel->listIndex(), 1);
    w.txtSegment->setText("BAK");
    w.cmdAddSegment->click();
    EXPECT_EQ(column(level.arg("BAK"), "Level"), QStringList{"D"});
    EXPECT_EQ(selected(w), "Segment0103");
    EXPECT_EQ(w.cboSegmentLevel->listIndex(), 1);

    click(w, "Segment0104");
    EXPECT_EQ(w.txtSegment->text(), "LIN");
    EXPECT_EQ(w.cboSegmentLevel->listIndex(), -1);
    EXPECT_EQ(w.cboSegmentUsage->listIndex(), -1);
    w.txtSegment->setText("CTT");
    w.cmdAddSegment->click();
    EXPECT_EQ(column(level.arg("CTT"), "Level"), QStringList{""});
    EXPECT_EQ(w.cboSegmentLevel->listIndex(), -1);
    // Chosen and saved, it is the segment's.
    w.cboSegmentLevel->setListIndex(2);
    w.cmdSaveSegment->click();
    EXPECT_EQ(column(level.arg("CTT"), "Level"), QStringList{"S"});
    EXPECT_EQ(w.cboSegmentLevel->listIndex(), 2);
    EXPECT_TRUE(dialogs().boxes().empty());
}

// The README's outbound map built as a user builds it (type the ID, choose
// the Level, +; an element's script typed, then + for the next one), every
// question answered Yes: each segment keeps its own level, each element its
// own script, and Execute Mapper writes the README's interchange.
TEST_F(MapDesignerWindowTest, TheReadmesOutboundMapBuiltWithYesToEveryQuestionGivesItsInterchange)
{
    const QString partner = "NORDWINDNWCORVANTISCV";
    addPartner(partner);
    ASSERT_TRUE(partners::SetStore(cnDatabase).add({partner, "855", "004010", "O"}, "PR", "Purchase Order Acknowledgment"));
    for (const char *extension : {".ADO", ".IMP"}) {
        const QString name = partner + "_855_004010_O" + extension;
        const QString target = corvantis::test::tempDir() + "/Import/" + name;
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANTIS_SAMPLES "/import/") + name, target)) << name.toStdString();
    }
    frmMap &w = controls::form<frmMap>();
    ASSERT_EQ(w.lvwTSets->itemCount(), 1);
    EXPECT_EQ(segmentNames("O"), QStringList{"XX"});

    auto addSegment = [&](const char *id, int level) {
        w.txtSegment->setText(QString::fromLatin1(id));
        w.cboSegmentLevel->setListIndex(level); // chosen from the list
        w.cmdAddSegment->click();
    };
    click(w, "Segment0101");
    addSegment("BAK", 0);
    EXPECT_EQ(selected(w), "Segment0102");
    w.cmdSegmentUp->click();
    click(w, "Segment0102");
    dialogs().answer(vb::vbYes);
    w.cmdDeleteSegment->click();
    EXPECT_EQ(dialogs().last().text, "Delete 02XX Segment");
    EXPECT_EQ(selected(w), "Segment0101");
    addSegment("PO1", 1);
    EXPECT_EQ(selected(w), "Segment0102");
    EXPECT_EQ(column("SELECT Segment || ' ' || Level AS s FROM Segment WHERE Direction = 'O' ORDER BY SegmentIndex", "s"),
              (QStringList{"BAK H", "PO1 D"}));
    EXPECT_EQ(dialogs().boxes().size(), 1u) << "the Level chosen for a new segment is no edit of the selected one";

    // Each element's script typed, then + for the next one: the question
    // names the element the script was typed for.
    auto elements = [&](int segment, const QString &id, const QStringList &scripts) {
        click(w, elementKey(1, segment, 1));
        for (int e = 1; e <= scripts.size(); ++e) {
            SCOPED_TRACE((id + twoDigits(e)).toStdString());
            EXPECT_EQ(selected(w), elementKey(1, segment, e));
            w.txtScript->setPlainText(scripts[e - 1]);
            if (e == scripts.size()) {
                w.cmdSaveElement->click();
                continue;
            }
            dialogs().answer(vb::vbYes);
            w.cmdAddElement->click();
            EXPECT_EQ(dialogs().last().text, "Element Properties\rSave changes to " + id + twoDigits(e) + "?");
        }
    };
    const QString current = "objScript.CurrentElement = ";
    const QStringList bak{current + "\"00\"", current + "\"AD\"", current + "Record(\"PONumber\")",
                          current + "Record(\"PODate\")"};
    const QStringList po1{current + "Record(\"Line\")", current + "Record(\"Qty\") & \"\"", current + "Record(\"Unit\")",
                          current + "Record(\"Price\") & \"\"", current + "\"\"", current + "\"VP\"",
                          current + "Record(\"Item\")"};
    elements(1, "BAK", bak);
    elements(2, "PO1", po1);
    EXPECT_EQ(column("SELECT ElementScript FROM Element WHERE Direction = 'O' ORDER BY SegmentIndex, ElementIndex",
                     "ElementScript"),
              bak + po1);

    w.cmdElementProcess->click();
    EXPECT_EQ(count("Outbox"), 2) << column("SELECT Description FROM History", "Description").join(" | ").toStdString();
    const QStringList files = QDir(corvantis::test::tempDir() + "/Outbound").entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1) << files.join(", ").toStdString();
    QFile file(corvantis::test::tempDir() + "/Outbound/" + files[0]);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file.readAll());
    EXPECT_TRUE(text.contains("BAK*00*AD*NW-4711*20261201~PO1*1*12*EA*4.25**VP*BOLT-M8~PO1*2*5*BX*")) << text.toStdString();
    EXPECT_TRUE(text.contains("BAK*00*AD*NW-4712*20261202~PO1*1*100*EA*")) << text.toStdString();
    EXPECT_EQ(text.count("~BAK*"), 2) << "one BAK a set: " << text.toStdString();
    EXPECT_EQ(text.count("~PO1*"), 3) << text.toStdString();
    // The designer tells what the run did.
    EXPECT_EQ(w.sstControls->tab(), 2);
    EXPECT_TRUE(w.lblRunOutcome->text().contains(files[0])) << w.lblRunOutcome->text().toStdString();
}

// + takes the Segment ID and the Level for the new segment; the pane's other
// edits belong to the selected one, offered by name before the map changes.
// A duplicate takes the whole pane. Add Element takes nothing from its pane.
TEST_F(MapDesignerWindowTest, PlusKeepsWhatItTakesForTheNewSegmentAndAsksAboutTheRestByName)
{
    frmMap &w = openStandard();
    const QString row = "SELECT COALESCE(SegmentName, '') || ' ' || COALESCE(Level, '') AS s FROM Segment "
                      "WHERE Direction = 'I' AND Segment = '%1'";
    click(w, "Segment0102");
    w.txtSegmentName->setText("BFR renamed");
    w.cboSegmentLevel->setListIndex(2);
    w.txtSegment->setText("REF");
    dialogs().answer(vb::vbYes);
    w.cmdAddSegment->click();
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().last().text, "Segment Properties\rSave changes to BFR?");
    EXPECT_EQ(column(row.arg("BFR"), "s"), QStringList{"BFR renamed H"});
    EXPECT_EQ(column(row.arg("REF"), "s"), QStringList{" S"});
    EXPECT_EQ(selected(w), "Segment0103");
    EXPECT_FALSE(w.blnSegmentChanged);

    // No drops the edit; the new segment comes all the same.
    click(w, "Segment0102");
    w.txtSegmentName->setText("never stored");
    w.txtSegment->setText("DTM");
    dialogs().answer(vb::vbNo);
    w.cmdAddSegment->click();
    EXPECT_EQ(dialogs().last().text, "Segment Properties\rSave changes to BFR?");
    EXPECT_EQ(column(row.arg("BFR"), "s"), QStringList{"BFR renamed H"});
    EXPECT_EQ(segmentNames(), (QStringList{"ST", "BFR", "DTM", "REF", "N1", "N3", "LIN"}));
    EXPECT_EQ(selected(w), "Segment0103");

    // Duplicate Segment: the copy takes the pane, the selected one keeps its row.
    click(w, "Segment0104");
    w.txtSegmentName->setText("copy of REF");
    w.cboSegmentLevel->setListIndex(1);
    w.txtSegment->setText("REG");
    w.cmdDuplicateSegment->click();
    EXPECT_EQ(column(row.arg("REF"), "s"), QStringList{" S"});
    EXPECT_EQ(column(row.arg("REG"), "s"), QStringList{"copy of REF D"});
    EXPECT_EQ(dialogs().boxes().size(), 2u);

    // Add Element: the edit is the selected element's, asked about by name.
    click(w, "Element010201");
    w.txtElementName->setText("first of BFR");
    dialogs().answer(vb::vbYes);
    w.cmdAddElement->click();
    EXPECT_EQ(dialogs().last().text, "Element Properties\rSave changes to BFR01?");
    EXPECT_EQ(column("SELECT COALESCE(ElementName, '') AS ElementName FROM Element WHERE Direction = 'I' AND Segment = 'BFR' "
                     "ORDER BY ElementIndex",
                     "ElementName"),
              (QStringList{"first of BFR", "BFR.2", "BFR.3", ""}));
    EXPECT_EQ(selected(w), "Element010204");
    // Duplicate Element: the copy takes the pane.
    click(w, "Element010202");
    w.txtElementName->setText("copied");
    w.cmdDuplicateElement->click();
    EXPECT_EQ(column("SELECT COALESCE(ElementName, '') AS ElementName FROM Element WHERE Direction = 'I' AND Segment = 'BFR' "
                     "ORDER BY ElementIndex",
                     "ElementName"),
              (QStringList{"first of BFR", "BFR.2", "BFR.3", "", "copied"}));
    EXPECT_EQ(dialogs().boxes().size(), 3u);
}

// A map numbers its segments with two digits: + and Duplicate Segment on a
// full map say so and change nothing, also when it filled up since it was shown.
TEST_F(MapDesignerWindowTest, AFullMapSaysItHoldsAtMost99Segments)
{
    addSet("ACME01", "I");
    QStringList segments;
    for (int n = 1; n <= 98; ++n)
        segments << QStringLiteral("S%1:1:1").arg(n);
    addMap("ACME01", "I", segments);
    frmMap &w = controls::form<frmMap>();
    // The 99th segment comes from elsewhere while the designer shows 98.
    addRow("Segment", {{"Partner", "ACME01"}, {"Version", "004010"}, {"Transaction", "830"}, {"Direction", "I"},
                       {"Segment", "S99"}, {"SegmentIndex", 99}, {"Node", 1}});
    addRow("Element", {{"Partner", "ACME01"}, {"Version", "004010"}, {"Transaction", "830"}, {"Direction", "I"},
                       {"Segment", "S99"}, {"SegmentIndex", 99}, {"ElementIndex", 1}});
    for (const bool shownFull : {false, true}) {
        if (shownFull) {
            emit w.lvwTSets->ItemClick(1); // the map read again
            ASSERT_NE(w.tvwTSets->nodeIndex("Segment0199"), 0);
        }
        for (QPushButton *button : {w.cmdAddSegment, w.cmdDuplicateSegment}) {
            SCOPED_TRACE(button->objectName().toStdString() + (shownFull ? " on the map shown full" : ""));
            click(w, "Segment0150");
            const auto before = mapRows();
            w.txtSegment->setText("NEW");
            dialogs().answer(vb::vbOK);
            button->click();
            EXPECT_EQ(dialogs().last().text, "A map holds at most 99 segments");
            EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
            EXPECT_TRUE(mapRows() == before) << "the map changed";
        }
    }
    EXPECT_EQ(dialogs().boxes().size(), 4u);
}

TEST_F(MapDesignerWindowTest, AMapWhoseTransactionSetIsGoneIsNotChanged)
{
    frmMap &w = openStandard();
    click(w, "Segment0102");
    cnDatabase->Execute("DELETE FROM Transactions WHERE Direction = 'I'"); // by another tool
    const auto before = mapRows();
    w.txtSegment->setText("REF");
    dialogs().answer(vb::vbOK);
    w.cmdAddSegment->click();
    EXPECT_TRUE(dialogs().last().text.contains("ACME01_830_004010_I")) << dialogs().last().text.toStdString();
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    w.txtSegmentName->setText("never stored");
    dialogs().answer(vb::vbOK);
    w.cmdSaveSegment->click();
    EXPECT_TRUE(dialogs().last().text.contains("ACME01_830_004010_I"));
    EXPECT_TRUE(w.blnSegmentChanged);
    EXPECT_EQ(mapRows(), before);
}

// The shown map leaves the list (a partner renamed, a set removed): an edit
// is offered for saving while its rows still exist, or the user is told it
// could not be kept.
TEST_F(MapDesignerWindowTest, AnEditOfAMapThatLeavesTheListIsOfferedOrReported)
{
    frmMap &w = openStandard();
    click(w, "Segment0102");
    w.txtSegmentName->setText("kept through the rename");
    dialogs().answer(vb::vbYes);
    partners::notifyMapsLeaving("acme01"); // the partner window renames ACME01
    EXPECT_EQ(dialogs().last().text, "Segment Properties\rSave changes to BFR?");
    for (const char *table : {"Transactions", "Segment", "Element"})
        cnDatabase->Execute(QStringLiteral("UPDATE %1 SET Partner = 'ACME02'").arg(QString::fromLatin1(table)));
    partners::notifyTransactionsChanged();
    EXPECT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(column("SELECT SegmentName FROM Segment WHERE Direction = 'I' AND SegmentIndex = 2", "SegmentName"),
              QStringList{"kept through the rename"});
    EXPECT_EQ(w.tvwTSets->nodeText(1), "ACME02_830_004010_I");

    // Other maps leaving ask nothing.
    click(w, "Segment0103");
    w.txtSegmentName->setText("N1 edited");
    partners::notifyMapsLeaving("OTHER1");
    partners::notifyMapsLeaving("ACME02", "830", "004010", "O");
    EXPECT_EQ(dialogs().boxes().size(), 1u);

    // The set removed in the partner window: asked first; No drops the edit and nothing more is said.
    dialogs().answer(vb::vbNo);
    partners::SetStore(cnDatabase).remove({"ACME02", "830", "004010", "I"});
    EXPECT_EQ(dialogs().boxes().size(), 2u);
    EXPECT_EQ(dialogs().last().text, "Segment Properties\rSave changes to N1?");
    ASSERT_EQ(w.lvwTSets->itemCount(), 1);
    EXPECT_EQ(w.tvwTSets->nodeText(1), "ACME02_830_004010_O");

    // Removed where the designer hears of it only afterwards: the user is told.
    click(w, "Element010201");
    w.txtElementName->setText("lost");
    for (const char *table : {"Transactions", "Segment", "Element"})
        cnDatabase->Execute(QStringLiteral("DELETE FROM %1").arg(QString::fromLatin1(table)));
    dialogs().answer(vb::vbOK);
    partners::notifyTransactionsChanged();
    EXPECT_EQ(dialogs().boxes().size(), 3u);
    EXPECT_TRUE(dialogs().last().text.startsWith("Element Properties\r"));
    EXPECT_TRUE(dialogs().last().text.contains("could not be kept"));
    EXPECT_TRUE(dialogs().last().text.contains("ACME02_830_004010_O"));
    EXPECT_EQ(w.lvwTSets->itemCount(), 0);
    EXPECT_FALSE(w.blnElementChanged);
}

// After a save the reference's Record branch lists the fields of the record
// layout just written, as a fresh build of the reference would.
TEST_F(MapDesignerWindowTest, TheRecordReferenceFollowsASave)
{
    frmMap &w = openStandard();
    const QString st01 = "Record.Fields.Item(\"1ST01\")";
    ASSERT_TRUE(referenceChildren(w, "Record").contains(st01));
    const QStringList roots = referenceRoots(w);
    w.tvwReference->setExpanded(w.tvwReference->nodeIndex("Functions"), true);
    click(w, "Element010101");
    w.chkElementExclude->setChecked(true);
    w.cmdSaveElement->click();
    const QStringList afterSave = referenceChildren(w, "Record");
    EXPECT_FALSE(afterSave.contains(st01));
    EXPECT_TRUE(afterSave.contains("Record.Fields.Item(\"1ST02\")")) << afterSave.join(' ').toStdString();
    EXPECT_EQ(referenceRoots(w), roots);
    EXPECT_TRUE(w.tvwReference->isExpanded(w.tvwReference->nodeIndex("Functions")));
    emit w.lvwTSets->ItemClick(1);
    EXPECT_EQ(referenceChildren(w, "Record"), afterSave);
    EXPECT_TRUE(dialogs().boxes().empty());
}

// The output boxes of the runs take no typing (it would be lost with the
// next run) and their text can still be selected and copied.
TEST_F(MapDesignerWindowTest, TheOutputBoxesOnlyShowTheRunsOutput)
{
    frmMap &w = openStandard();
    w.show();
    w.appendImmediate("BEG01 = A1\r\n");
    w.setTransactionText("ST*830*0001\r\nBFR*00\r\n");
    for (QPlainTextEdit *box : {w.txtImmediate, w.txtTransaction}) {
        SCOPED_TRACE(box->objectName().toStdString());
        w.sstControls->setTab(box == w.txtImmediate ? 1 : 2);
        box->setFocus();
        const QString shown = box->toPlainText();
        QTest::keyClicks(box, "objScript.CurrentElement = 1");
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_EQ(box->toPlainText(), shown);
        QGuiApplication::clipboard()->clear();
        QTest::keySequence(box, QKeySequence::SelectAll);
        QTest::keySequence(box, QKeySequence::Copy);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), shown);
    }
}

TEST_F(MapDesignerWindowTest, TheReferenceListsImportFieldsAndIsRebuiltWithoutDoubles)
{
    QFile definition(corvantis::test::tempDir() + "/Import/ACME01_830_004010_O.ADO");
    ASSERT_TRUE(definition.open(QIODevice::WriteOnly));
    definition.write("Quantity\t131\t12\t2\r\nItem\t200\t20\r\n\r\nNeverRead\t200\t5\r\n");
    definition.close();
    frmMap &w = openStandard();
    for (int round = 0; round < 2; ++round) {
        w.lvwTSets->setSelectedItem(2);
        emit w.lvwTSets->ItemClick(2);
        EXPECT_EQ(referenceChildren(w, "Results"),
                  (QStringList{"Record.Fields.Item(\"Quantity\")", "Record.Fields.Item(\"Item\")"}));
        EXPECT_EQ(w.tvwReference->nodeKey(w.tvwReference->firstChild(w.tvwReference->nodeIndex("Results"))),
                  "Quantity");
        EXPECT_EQ(referenceChildren(w, "Functions").size(), 93);
        EXPECT_EQ(referenceChildren(w, "Operators").size(), 21);
        w.lvwTSets->setSelectedItem(1);
        emit w.lvwTSets->ItemClick(1);
        EXPECT_TRUE(referenceChildren(w, "Methods").contains("objScript.LinesToRecord Record "));
        EXPECT_EQ(referenceChildren(w, "Record").first(), "Record.Fields.Item(\"1ST01\")");
    }
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(MapDesignerWindowTest, TabsShowTheirBoxesAndTheCentreBarOnlyWithTheFirst)
{
    frmMap &w = openStandard();
    w.show();
    for (int tab : {1, 2, 0}) {
        w.sstControls->setTab(tab);
        EXPECT_EQ(w.picVSplitCenter->isVisible(), tab == 0);
        EXPECT_EQ(w.txtScript->isVisible(), tab == 0);
        EXPECT_EQ(w.txtImmediate->isVisible(), tab == 1);
        EXPECT_EQ(w.txtTransaction->isVisible(), tab == 2);
    }
    // Typing in the script box marks the pane that is shown.
    click(w, "Element010101");
    w.txtScript->setPlainText("objScript.ElementToSegment");
    EXPECT_TRUE(w.blnElementChanged);
    EXPECT_FALSE(w.blnSegmentChanged);
    dialogs().answer(vb::vbNo);
    click(w, "Segment0101");
}

TEST_F(MapDesignerWindowTest, TheListFollowsThePartnerWindowAndKeepsTheShownMap)
{
    frmMap &w = openStandard();
    w.lvwTSets->setSelectedItem(2);
    emit w.lvwTSets->ItemClick(2);
    addSet("AAAAAA", "I");
    partners::notifyTransactionsChanged();
    ASSERT_EQ(w.lvwTSets->itemCount(), 3);
    EXPECT_EQ(w.lvwTSets->selectedItem()->text(), "ACME01");
    EXPECT_EQ(w.lvwTSets->selectedItem()->subItem(3), "O");
    EXPECT_EQ(w.tvwTSets->nodeText(1), "ACME01_830_004010_O");
}

TEST_F(MapDesignerWindowTest, TheDesignerHostsRunsAndIsNotUnloadedUnderOne)
{
    frmMap &w = openStandard();
    EXPECT_EQ(&translation::mapScriptHost(), static_cast<translation::MapScriptHost *>(&w));
    {
        translation::TranslationBusy busy;
        ASSERT_TRUE(busy.acquired());
        EXPECT_FALSE(controls::unload<frmMap>());
        EXPECT_TRUE(controls::isLoaded<frmMap>());
    }
    EXPECT_TRUE(controls::unload<frmMap>());
    EXPECT_NE(&translation::mapScriptHost(), static_cast<translation::MapScriptHost *>(&w));

    // The close box during a run hides the designer; it goes once the run ended.
    frmMap &again = controls::form<frmMap>();
    again.show();
    {
        translation::TranslationBusy busy;
        ASSERT_TRUE(busy.acquired());
        again.close();
        EXPECT_TRUE(again.isHidden());
        // The window polls for the end of the run: once a poll has seen the
        // run still going, the window must still be there.
        auto *poll = again.findChild<QTimer *>(QStringLiteral("unloadWhenIdle"));
        ASSERT_NE(poll, nullptr);
        ASSERT_TRUE(poll->isActive()) << "closing during a run did not start waiting for its end";
        QSignalSpy polled(poll, &QTimer::timeout);
        ASSERT_TRUE(polled.wait(5000)) << "the window did not look for the end of the run within 5 s";
        EXPECT_TRUE(controls::isLoaded<frmMap>());
    }
    EXPECT_TRUE(QTest::qWaitFor([] { return !controls::isLoaded<frmMap>(); }, 5000))
        << "the designer was still loaded 5 s after the run ended";
}

TEST_F(MapDesignerWindowTest, TheLayoutIsKeptInSectionMap)
{
    {
        frmMap &w = openStandard();
        w.setScreenSizeTwips(19200, 14400);
        w.setGeometry(40, 50, 900, 700);
        w.picVSplitLeft->setLeftTwips(4000);
        w.Form_Resize();
        controls::unload<frmMap>();
    }
    EXPECT_EQ(vb::GetSetting("Corvantis", "Map", "State"), "0");
    EXPECT_EQ(vb::GetSetting("Corvantis", "Map", "Width"), QString::number(controls::pixelsToTwips(900)));
    EXPECT_EQ(vb::GetSetting("Corvantis", "Map", "VSplitLeft"), "4000");
    frmMap &again = controls::form<frmMap>();
    // Loaded again on a screen as large as the one it was saved on (the
    // test's own screen is smaller, and a placement is fitted into it).
    again.setScreenSizeTwips(19200, 14400);
    again.MainLayout(QStringLiteral("load"));
    EXPECT_EQ(again.geometry(), QRect(40, 50, 900, 700));
    EXPECT_EQ(again.picVSplitLeft->leftTwips(), 4000);
}

// Shrunk to its minimum and enlarged again, the designer gives its panes
// back the room they had, also after it is closed and opened again; a
// stored layout whose bars squeeze a pane is not restored.
TEST_F(MapDesignerWindowTest, ThePanesFollowTheWindowWhenItGrowsAgain)
{
    struct Geometry {
        QRect tree, list, segment, tab;
        bool operator==(const Geometry &) const = default;
    };
    auto geometryOf = [](frmMap &w) {
        return Geometry{w.tvwTSets->geometry(), w.lvwTSets->geometry(), w.fraSegment->geometry(),
                        w.sstControls->geometry()};
    };
    auto resizeTo = [](frmMap &w, int width, int height) {
        if (!w.isVisible()) {
            w.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 5000)) << "the designer was not shown within 5 s";
        }
        w.resize(width, height);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.size() == QSize(width, height); }, 5000))
            << "not resized to " << width << "x" << height << " within 5 s";
        w.Form_Resize();
    };
    const int large = 1000, tall = 700;
    Geometry roomy;
    {
        frmMap &w = openStandard();
        resizeTo(w, large, tall);
        roomy = geometryOf(w);
        ASSERT_GT(roomy.tree.width(), 150);
        resizeTo(w, controls::twipsToPixels(kMapMinimumWidth), controls::twipsToPixels(kMapMinimumHeight));
        EXPECT_LT(w.tvwTSets->width(), roomy.tree.width()) << w.width() << "x" << w.height() << " client "
                                                           << w.centralWidget()->width() << " bars "
                                                           << w.picVSplitLeft->leftTwips() << " "
                                                           << w.picVSplitRight->leftTwips();
        resizeTo(w, large, tall);
        EXPECT_EQ(geometryOf(w), roomy);
        // Closed while at its minimum.
        resizeTo(w, controls::twipsToPixels(kMapMinimumWidth), controls::twipsToPixels(kMapMinimumHeight));
        controls::unload<frmMap>();
    }
    {
        frmMap &w = controls::form<frmMap>();
        resizeTo(w, large, tall);
        EXPECT_EQ(geometryOf(w), roomy);
        controls::unload<frmMap>();
    }
    // A layout stored with the bars pulled together (the tree 900 twips wide).
    vb::SaveSetting("Corvantis", "Map", "VSplitLeft", "4000");
    vb::SaveSetting("Corvantis", "Map", "VSplitCenter", "4000");
    vb::SaveSetting("Corvantis", "Map", "VSplitRight", "5000");
    frmMap &w = controls::form<frmMap>();
    resizeTo(w, large, tall);
    EXPECT_EQ(geometryOf(w), roomy);
    EXPECT_GT(w.picVSplitRight->leftTwips() - w.picVSplitLeft->leftTwips(), 1000);
    EXPECT_GE(w.picVSplitLeft->leftTwips(), 3500);
}

// A placement stored on a larger screen (960 x 768 pixels, or off an edge)
// opens inside a 1024 x 768 screen, frame included.
TEST_F(MapDesignerWindowTest, AStoredPlacementIsFittedIntoTheScreen)
{
    const QRect area(0, 0, 1024, 768);
    const struct Case {
        const char *what;
        QRect stored; // pixels
    } cases[] = {
        {"960 x 768 at the origin", QRect(32, 0, 960, 768)},
        {"off the right edge", QRect(900, 20, 800, 640)},
        {"above the top", QRect(10, -300, 800, 640)},
    };
    for (const Case &c : cases) {
        vb::SaveSetting("Corvantis", "Map", "Top", QString::number(controls::pixelsToTwips(c.stored.top())));
        vb::SaveSetting("Corvantis", "Map", "Left", QString::number(controls::pixelsToTwips(c.stored.left())));
        vb::SaveSetting("Corvantis", "Map", "Height", QString::number(controls::pixelsToTwips(c.stored.height())));
        vb::SaveSetting("Corvantis", "Map", "Width", QString::number(controls::pixelsToTwips(c.stored.width())));
        frmMap &w = controls::form<frmMap>();
        w.setScreenSizeTwips(15360, 11520);
        w.MainLayout(QStringLiteral("load"));
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 5000)) << c.what << ": not shown within 5 s";
        // The frame as drawn, or as assumed where none is drawn yet.
        const QMargins margins = controls::windowFrame(&w);
        for (const QRect &frame : {w.frameGeometry(), w.geometry().marginsAdded(margins)})
            EXPECT_TRUE(area.contains(frame)) << c.what << ": " << frame.x() << "," << frame.y() << " "
                                              << frame.width() << "x" << frame.height();
        // Only what the screen lacks is taken off.
        const int frameWidth = margins.left() + margins.right(), frameHeight = margins.top() + margins.bottom();
        EXPECT_GE(w.geometry().width(), std::min(c.stored.width(), area.width() - std::max(8, frameWidth))) << c.what;
        EXPECT_GE(w.geometry().height(), std::min(c.stored.height(), area.height() - std::max(8, frameHeight)))
            << c.what;
        w.close();
        controls::unload<frmMap>();
    }
}

TEST_F(MapDesignerWindowTest, ExecuteMapperRunsTheTrialOfTheLoadedMap)
{
    addPartner("ACME01");
    frmMap &w = openStandard();
    // Inbound: the trial works on the Inbox selection, here none.
    controls::ListView inbox;
    setMapDesignerServices({[&] { return &inbox; }, [](controls::ListView &) { return QString(); }, {}});
    dialogs().answer(vb::vbOK);
    w.cmdSegmentProcess->click();
    EXPECT_EQ(dialogs().last().text, "The Inbox is empty! ");

    // Outbound: the import records become a set in the Outbox, shown in the
    // Transactions box.
    cnDatabase->Execute("UPDATE Element SET ElementScript = 'objScript.CurrentElement = Record(\"Key\")' "
                        "WHERE Direction = 'O' AND Segment = 'BEG' AND ElementIndex = 1");
    cnDatabase->Execute("UPDATE Element SET ElementScript = 'objScript.CurrentElement = \"00\"' "
                        "WHERE Direction = 'O' AND Segment = 'BEG' AND ElementIndex = 2");
    cnDatabase->Execute("UPDATE Segment SET Exclude = True WHERE Direction = 'O' AND Segment = 'ST'");
    for (const auto &[name, text] : {std::pair{"ADO", "Key\t200\t10\r\n"}, std::pair{"IMP", "A1\r\n"}}) {
        QFile f(corvantis::test::tempDir() + "/Import/ACME01_830_004010_O." + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    w.lvwTSets->setSelectedItem(2);
    emit w.lvwTSets->ItemClick(2);
    click(w, "Element010201");
    w.cmdElementProcess->click();
    EXPECT_EQ(count("Outbox"), 1) << column("SELECT Description FROM History", "Description").join(" | ").toStdString();
    EXPECT_TRUE(w.txtTransaction->toPlainText().contains("BEG*A1*00")) << w.txtTransaction->toPlainText().toStdString();
    EXPECT_TRUE(w.cmdElementProcess->hasFocus() || !w.isActiveWindow());
    // The outcome is told in the designer: the sets written, brought forward.
    EXPECT_EQ(w.sstControls->tab(), 2);
    EXPECT_TRUE(w.lblRunOutcome->text().startsWith("Execute Mapper: ")) << w.lblRunOutcome->text().toStdString();
    EXPECT_TRUE(w.lblRunOutcome->text().endsWith(" written to the Outbound folder and loaded into the Outbox"));

    // A failed run: its History texts, the cause first.
    QFile::remove(corvantis::test::tempDir() + "/Import/ACME01_830_004010_O.ADO");
    w.sstControls->setTab(0);
    const QStringList before = column("SELECT Description FROM History ORDER BY rowid", "Description");
    w.cmdElementProcess->click();
    EXPECT_EQ(count("Outbox"), 1);
    const QStringList after = column("SELECT Description FROM History ORDER BY rowid", "Description");
    ASSERT_GT(after.size(), before.size());
    EXPECT_EQ(w.lblRunOutcome->text(), after.mid(before.size()).join("; "));
    EXPECT_TRUE(w.lblRunOutcome->text().endsWith("Process Failed - ACME01_830_004010_O"))
        << w.lblRunOutcome->text().toStdString();
    EXPECT_EQ(w.sstControls->tab(), 0);
    setMapDesignerServices({});
}

// File > View Guideline: the map's elements that are not excluded, in the
// shipped guideline report, handed to the report viewer.
TEST_F(MapDesignerWindowTest, ViewGuidelineShowsTheMapsElementsInTheViewer)
{
    struct Viewer final : translation::ReportWindows {
        void showViewer() override
        {
            shown = translation::crxReport;
            rows = shown ? shown->rows().rowCount() : -1;
            pages = shown ? shown->pages().pageCount() : -1;
        }
        bool showDesigner() override { return false; }
        report::ReportDocumentPtr shown;
        long rows = 0;
        int pages = 0;
    } viewer;
    translation::setReportWindows(&viewer);
    ASSERT_TRUE(QFile::copy(vb::AppInfo::path() + "/Guideline.rpt", corvantis::test::tempDir() + "/Reports/Guideline.rpt"));
    frmMap &w = openStandard();
    cnDatabase->Execute("UPDATE Element SET Exclude = True WHERE Direction = 'I' AND Segment = 'BFR'");
    w.mnuGuideline->trigger();
    translation::setReportWindows(nullptr);
    ASSERT_TRUE(viewer.shown);
    // The elements of the partner, set and version (10 inbound, 3 outbound), less BFR's three.
    EXPECT_EQ(viewer.rows, 10);
    EXPECT_GE(viewer.pages, 1);
    EXPECT_FALSE(translation::crxReport);
    EXPECT_TRUE(dialogs().boxes().empty());

    // Without the report file: one reported error, nothing shown.
    QFile::remove(corvantis::test::tempDir() + "/Reports/Guideline.rpt");
    dialogs().answer(vb::vbOK);
    translation::setReportWindows(&viewer);
    viewer.shown.reset();
    w.mnuGuideline->trigger();
    translation::setReportWindows(nullptr);
    EXPECT_FALSE(viewer.shown);
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
}

// The window as a user sees it, saved when CORVANTIS_SCREENSHOTS names a folder.
TEST_F(MapDesignerWindowTest, ScreenshotsWhenAsked)
{
    frmMap &w = openStandard();
    w.show();
    w.resize(1100, 760);
    cnDatabase->Execute("UPDATE Segment SET Expanded = True WHERE Direction = 'I'");
    w.lvwTSets->setSelectedItem(1);
    emit w.lvwTSets->ItemClick(1);
    click(w, "Segment0103");
    const QString folder = qEnvironmentVariable("CORVANTIS_SCREENSHOTS");
    auto shot = [&](const char *name) {
        const QImage image = w.grab().toImage();
        EXPECT_FALSE(image.isNull());
        if (!folder.isEmpty())
            image.save(folder + u'/' + QString::fromLatin1(name) + ".png");
    };
    shot("map-segment");
    click(w, "Element010202");
    shot("map-element");
    w.sstControls->setTab(1);
    shot("map-immediate");
}

} // namespace
