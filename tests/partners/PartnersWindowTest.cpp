// The partner window through the scripted dialogs: the empty table, one
// partner, navigation and its keys, the Edit/Save toggle, Add, Remove, the
// set pages, the standard picker and the plug-in class choice.
#include "CoreTestSupport.h"

#include "TestEnvironment.h"

#include "partners/frmPartners.h"
#include "partners/frmStandard.h"

#include "ado/Connection.h"
#include "com/ClassRegistry.h"
#include "com/Dispatch.h"
#include "controls/ComboList.h"
#include "controls/Forms.h"
#include "controls/ListView.h"
#include "controls/MaskedEdit.h"
#include "controls/TabStrip.h"
#include "controls/TextBox.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QAction>
#include <functional>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

using namespace partners;
using coretest::CoreTest;
using corvantis::test::dialogs;
using modGlobal::cnDatabase;

namespace {

// A plug-in class that can be created and does nothing else.
class Plugin : public com::Dispatch {
public:
    QString typeName() const override { return QStringLiteral("Plugin"); }
    int memberId(const QString &) const override { return com::kUnknownMember; }
    vb::Variant invoke(int, int, std::span<vb::Variant>) override { vb::raise(438); }
};

class PartnersWindowTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        for (const char *name : {"Import", "Export", "ActiveX"}) {
            const QString path = corvantis::test::tempDir() + QLatin1Char('/') + QString::fromLatin1(name);
            QDir().mkpath(path);
            vb::SaveSetting("Corvantis", "Folders", QString::fromLatin1(name), path);
        }
    }
    void TearDown() override
    {
        window.reset();
        controls::unload<frmStandard>();
        CoreTest::TearDown();
    }

    frmPartners &open()
    {
        window = std::make_unique<frmPartners>();
        return *window;
    }

    void addSet(const QString &transaction, const QString &version, const QString &direction, const QString &group = "PO")
    {
        addRow("Transactions", {{"Partner", "ACME01"}, {"Transaction", transaction}, {"Version", version},
                                {"Direction", direction}, {"Group", group}, {"Versionoverride", version},
                                {"Description", "Desc " + transaction}, {"ControlNumber", vb::Variant::fromLong(123)}});
    }

    // The picker answered as a user would: the standard set and version chosen, then OK or Cancel.
    void answerPicker(frmPartners &w, const QString &transaction, const QString &version, bool ok = true)
    {
        w.showPicker = [=](frmStandard &picker) {
            for (int i = 1; i <= picker.lvwStandard->itemCount(); ++i) {
                if (picker.lvwStandard->item(i)->text() == transaction)
                    picker.lvwStandard->setSelectedItem(i);
            }
            picker.cboVersion->setCurrentText(version);
            if (ok)
                picker.cmdOk_Click();
            else
                picker.close();
        };
    }

    std::unique_ptr<frmPartners> window;
};

TEST_F(PartnersWindowTest, EmptyTableShowsTheEmptyStateAndNavigationDoesNothing)
{
    frmPartners &w = open();
    EXPECT_EQ(w.windowTitle(), "Trading Partner Setup");
    EXPECT_EQ(w.txtPartner->text(), "");
    EXPECT_EQ(w.cboPartnerSt->text(), "CR/LF");
    EXPECT_EQ(w.cboPartnerEd->text(), "NULL");
    EXPECT_EQ(w.cboPartnerSed->listCount(), 256);
    EXPECT_EQ(w.cboPartnerSt->itemText(42), "042 -- (*)");
    EXPECT_FALSE(w.mnuRemovePartner->isEnabled());
    EXPECT_FALSE(w.mnuEditPartner->isEnabled());
    EXPECT_TRUE(w.mnuAddPartner->isEnabled());
    EXPECT_FALSE(w.tmrDateTime->isActive());
    EXPECT_EQ(w.txtISA09->text(), "261210"); // the tick at load
    EXPECT_EQ(w.lvwInbound->itemCount(), 0);
    EXPECT_FALSE(w.inbound.cmdSave->isEnabled());
    EXPECT_FALSE(w.inbound.cmdDelete->isEnabled());
    EXPECT_TRUE(w.inbound.cmdAdd->isEnabled());
    EXPECT_FALSE(w.txtISA01->isEnabled());
    w.cmdMoveNext->click();
    w.cmdMoveLast->click();
    w.mnuEditPartner_Click();
    w.mnuRemovePartner_Click();
    w.AddTransaction(); // no partner on screen: no picker
    EXPECT_EQ(w.windowTitle(), "Trading Partner Setup");
    EXPECT_EQ(coretest::boxCount(), 0u);
}

TEST_F(PartnersWindowTest, OnePartnerIsShownWithItsStoredValuesAndSets)
{
    addPartner("ACME01", 0, '*', 0);
    addSet("850", "004010", "I");
    addSet("810", "003020", "I", "IN");
    addSet("856", "004010", "O", "SH");
    frmPartners &w = open();
    EXPECT_EQ(w.windowTitle(), "Partner 1 of 1 -- ACME01");
    EXPECT_EQ(w.cboPartnerSt->text(), "CR/LF");
    EXPECT_EQ(w.cboPartnerEd->text(), "042 -- (*)");
    EXPECT_EQ(w.cboPartnerSed->text(), "NULL");
    EXPECT_EQ(w.txtISA12->text(), "00401"); // the stored ISA12, not the version list's
    EXPECT_EQ(w.txtISA06->text(), "OURID          ");
    EXPECT_EQ(w.txtISA13->text(), "41       ");
    EXPECT_EQ(w.cboIntAck->text(), "No");
    EXPECT_EQ(w.cboTestIndicator->text(), "Test");
    EXPECT_TRUE(w.tmrDateTime->isActive());

    // The inbound page shows its first set (by transaction set) and its preview.
    ASSERT_EQ(w.lvwInbound->itemCount(), 2);
    EXPECT_EQ(w.lvwInbound->item(1)->text(), "810");
    EXPECT_EQ(w.txtGS01->text(), "IN");
    EXPECT_EQ(w.txtGS08->text(), "003020");
    EXPECT_EQ(w.inbound.lblDesc->text(), "810: Desc 810");
    EXPECT_EQ(w.inbound.txtControlNumber->text(), "123      ");
    EXPECT_TRUE(w.txtPreview->toPlainText().startsWith("ISA*00*          *00*          *ZZ*THEIRID"));
    EXPECT_EQ(w.lvwOutbound->itemCount(), 0); // filled when its tab is chosen

    w.cmdMoveNext->click();
    w.cmdMovePrevious->click();
    EXPECT_EQ(w.windowTitle(), "Partner 1 of 1 -- ACME01");

    w.sstTransaction->setTab(1);
    ASSERT_EQ(w.lvwOutbound->itemCount(), 1);
    EXPECT_EQ(w.txtGS08->text(), "004010");
    EXPECT_TRUE(w.txtPreview->toPlainText().startsWith("ISA*00*          *00*          *ZZ*OURID"));
    w.tmrDateTime_Timer();
    EXPECT_EQ(w.txtGS04->text(), "20261210");
    EXPECT_EQ(w.txtGS05->text(), "130509");
}

TEST_F(PartnersWindowTest, NavigationKeysActInBrowseModeOnlyAndEditSaveAnsweredNoRestores)
{
    for (const char *name : {"AAAAA1", "BBBBB2", "CCCCC3"})
        addPartner(name);
    frmPartners &w = open();
    struct Key {
        QWidget *target;
        char key;
        const char *shown;
    } keys[] = {
        {w.cmdMoveFirst, 'n', "BBBBB2"}, {w.cmdMoveNext, 'N', "CCCCC3"}, {w.sstPartner->tabBar(), 'p', "BBBBB2"},
        {w.cmdMoveLast, '<', "AAAAA1"}, {w.cmdMovePrevious, '>', "CCCCC3"}, {w.cmdMoveNext, 'x', "CCCCC3"},
    };
    for (const Key &k : keys) {
        SCOPED_TRACE(k.key);
        QTest::keyClick(k.target, k.key);
        EXPECT_EQ(w.txtPartner->text(), k.shown);
    }

    w.mnuEditPartner_Click();
    EXPECT_EQ(w.mnuEditPartner->text(), "Save");
    EXPECT_TRUE(w.txtISA01->isEnabled());
    EXPECT_FALSE(w.txtISA09->isEnabled() && !w.txtISA09->isReadOnly());
    EXPECT_FALSE(w.cmdMoveFirst->isEnabled());
    EXPECT_FALSE(w.mnuAddPartner->isEnabled());
    QTest::keyClick(w.sstPartner->tabBar(), 'p');
    EXPECT_EQ(w.txtPartner->text(), "CCCCC3");

    w.txtGS07->setText("Q");
    dialogs().answer(vb::vbCancel).answer(vb::vbNo);
    w.mnuEditPartner_Click(); // Cancel: edit mode goes on
    EXPECT_EQ(w.mnuEditPartner->text(), "Save");
    EXPECT_EQ(w.txtGS07->text(), "Q");
    w.mnuEditPartner_Click(); // No: the stored values come back
    const corvantis::test::Box &box = dialogs().last();
    EXPECT_EQ(box.text, "Save Changes?");
    EXPECT_EQ(box.buttons, vb::vbYesNoCancel);
    EXPECT_EQ(box.icon, vb::vbInformation);
    EXPECT_EQ(box.defaultButton, 2);
    EXPECT_EQ(w.txtGS07->text(), "X");
    EXPECT_EQ(w.mnuEditPartner->text(), "Edit");
    EXPECT_FALSE(w.txtISA01->isEnabled());
    EXPECT_TRUE(w.cmdMoveFirst->isEnabled());
    EXPECT_EQ(column("SELECT * FROM Partner WHERE Partner = 'CCCCC3'", "GS07"), QStringList({"X"}));
}

TEST_F(PartnersWindowTest, SaveWritesTheFieldsAndARefusedNameLeavesEditModeWithTheStoredValues)
{
    addPartner("ACME01");
    frmPartners &w = open();
    w.mnuEditPartner_Click();
    w.txtPartner->setText("  ACME\\02 ");
    w.txtISA01->setText("03");
    w.cboISAVersion->setListIndex(w.cboISAVersion->findText("005010"));
    EXPECT_EQ(w.txtISA12->text(), "00501");
    dialogs().answer(vb::vbYes);
    w.mnuEditPartner_Click();
    EXPECT_EQ(w.windowTitle(), "Partner 1 of 1 -- ACME\\02");
    const auto row = rows("SELECT * FROM Partner").at(0);
    EXPECT_EQ(row.at("Partner"), "ACME\\02");
    EXPECT_EQ(row.at("ISA01"), "03");
    EXPECT_EQ(row.at("ISA12"), "00501");
    EXPECT_EQ(row.at("ISAVersion"), "005010");

    w.mnuEditPartner_Click();
    w.txtPartner->setText("ACME");
    w.txtGS07->setText("Q");
    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    w.mnuEditPartner_Click();
    EXPECT_EQ(dialogs().last().text, "Enter a longer Trading Partner Name! (Min 6)");
    EXPECT_EQ(w.mnuEditPartner->text(), "Edit");
    EXPECT_EQ(w.txtPartner->text(), "ACME\\02");
    EXPECT_EQ(w.txtGS07->text(), "X");
}

// Values no interchange could carry are refused, naming the field; nothing is
// written and the typing stays in edit mode to be mended.
TEST_F(PartnersWindowTest, SaveRefusesDelimitersAndEnvelopeValuesNoInterchangeCouldCarryNamingTheField)
{
    struct Case {
        const char *name;
        std::function<void(frmPartners &)> edit;
        const char *message;
    };
    const Case cases[] = {
        {"a new partner's delimiters",
         [](frmPartners &w) {
             w.cboPartnerSt->setListIndex(0);
             w.cboPartnerEd->setListIndex(0);
             w.cboPartnerSed->setListIndex(0);
         },
         "Data Element Delimitor may not be NULL!"},
        {"sub-element NULL", [](frmPartners &w) { w.cboPartnerSed->setListIndex(0); },
         "Sub-Element Separator may not be NULL!"},
        {"terminator a letter", [](frmPartners &w) { w.cboPartnerSt->setListIndex('A'); },
         "Segment Terminator may not be a letter or a digit!"},
        {"element a digit", [](frmPartners &w) { w.cboPartnerEd->setListIndex('5'); },
         "Data Element Delimitor may not be a letter or a digit!"},
        {"sub-element as the element", [](frmPartners &w) { w.cboPartnerSed->setListIndex('*'); },
         "Sub-Element Separator may not be the same as the Data Element Delimitor!"},
        {"element as the terminator", [](frmPartners &w) { w.cboPartnerEd->setListIndex('~'); },
         "Data Element Delimitor may not be the same as the Segment Terminator!"},
        {"element within CR/LF",
         [](frmPartners &w) {
             w.cboPartnerSt->setListIndex(0);
             w.cboPartnerEd->setListIndex(10);
         },
         "Data Element Delimitor may not be the same as the Segment Terminator!"},
        {"receiver with a separator", [](frmPartners &w) { w.txtISA08->setText("RECV*ER"); },
         "ISA08 may not contain the Data Element Delimitor \"*\"!"},
        {"group receiver with the terminator", [](frmPartners &w) { w.txtGS03->setText("APP~"); },
         "GS03 may not contain the Segment Terminator \"~\"!"},
        {"a blank separator and the padded ISA02", [](frmPartners &w) { w.cboPartnerEd->setListIndex(' '); },
         "ISA02 may not contain the Data Element Delimitor character code 32!"},
        {"longer than the width", [](frmPartners &w) { w.txtISA06->setText("SENDER-ID-OF-16C"); },
         "ISA06 may not be longer than 15 characters!"},
        {"version with letters", [](frmPartners &w) { w.txtISA12->setText("26AB1"); }, "ISA12 must be five digits!"},
        {"version too short", [](frmPartners &w) { w.txtISA12->setText("0040"); }, "ISA12 must be five digits!"},
        {"counter with a gap", [](frmPartners &w) { w.txtISA13->setText("12 34"); }, "ISA13 may hold digits only!"},
    };
    addPartner("ACME01");
    frmPartners &w = open();
    const auto before = rows("SELECT * FROM Partner");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        w.mnuEditPartner_Click();
        ASSERT_EQ(w.mnuEditPartner->text(), "Save");
        c.edit(w);
        dialogs().answer(vb::vbYes).answer(vb::vbOK);
        w.mnuEditPartner_Click();
        EXPECT_EQ(dialogs().last().text, QString::fromUtf8(c.message));
        EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);
        EXPECT_EQ(w.mnuEditPartner->text(), "Save") << "the typing stays to be mended";
        EXPECT_EQ(rows("SELECT * FROM Partner"), before);
        dialogs().answer(vb::vbNo);
        w.mnuEditPartner_Click();
        ASSERT_EQ(w.mnuEditPartner->text(), "Edit");
    }
}

// A letter typed into a counter box is dropped by its mask: Save says so once,
// then saves the digits the box kept.
TEST_F(PartnersWindowTest, LettersTypedIntoACounterAreToldOnceAndTheDigitsKeptAreSaved)
{
    addPartner("ACME01"); // ISA13 41, GS06 7
    frmPartners &w = open();
    w.show();
    w.mnuEditPartner_Click();
    for (auto [box, typed] : {std::pair{w.txtISA13, "5A0"}, std::pair{w.txtGS06, "9Z"}}) {
        box->setText(QString());
        box->setFocus();
        box->setCursorPosition(0);
        QTest::keyClicks(box, QString::fromLatin1(typed));
    }
    EXPECT_EQ(w.txtISA13->text().trimmed(), "50");
    EXPECT_EQ(w.txtGS06->text().trimmed(), "9");
    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    w.mnuEditPartner_Click();
    EXPECT_EQ(dialogs().last().text, "ISA13 may hold digits only!");
    EXPECT_EQ(w.mnuEditPartner->text(), "Save");
    EXPECT_EQ(rows("SELECT * FROM Partner").at(0).at("ISA13"), "41");

    dialogs().answer(vb::vbYes);
    w.mnuEditPartner_Click();
    EXPECT_EQ(w.mnuEditPartner->text(), "Edit");
    const auto row = rows("SELECT * FROM Partner").at(0);
    EXPECT_EQ(row.at("ISA13"), "50");
    EXPECT_EQ(row.at("GS06"), "9");
}

TEST_F(PartnersWindowTest, SaveNeverUndoesACounterARunAdvancedAndSetsOneBackOnlyAfterTheQuestion)
{
    addPartner("ACME01"); // ISA13 41, GS06 7
    frmPartners &w = open();
    w.mnuEditPartner_Click();
    w.txtISA06->setText("NEWID");
    // A scheduled run envelopes an interchange while the window is open.
    EXPECT_FALSE(modGlobal::BuildISA("ACME01").isEmpty());
    EXPECT_FALSE(modGlobal::BuildGS("ACME01", "PO", "004010").isEmpty());
    dialogs().answer(vb::vbYes);
    w.mnuEditPartner_Click();
    auto stored = [&] {
        const auto row = rows("SELECT * FROM Partner").at(0);
        return std::make_pair(row.at("ISA13"), row.at("GS06"));
    };
    EXPECT_EQ(stored(), std::make_pair(QString("42"), QString("8")));
    EXPECT_EQ(column("SELECT * FROM Partner", "ISA06"), QStringList({"NEWID          "}));
    EXPECT_EQ(w.txtISA13->text().trimmed(), "42") << "the window shows the run's number";

    struct Case {
        const char *name;
        const char *isa13, *gs06; // typed; nullptr: left alone
        int answer;               // to the question; 0: none is asked
        const char *storedISA13, *storedGS06;
    };
    const Case cases[] = {
        {"forward: no question", "100", "20", 0, "100", "20"},
        {"back, answered No", "50", nullptr, vb::vbNo, "100", "20"},
        {"back, answered Yes", nullptr, "3", vb::vbYes, "100", "3"},
        {"emptied: kept", "", "", 0, "100", "3"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const size_t shown = dialogs().boxes().size();
        w.mnuEditPartner_Click();
        if (c.isa13)
            w.txtISA13->setText(c.isa13);
        if (c.gs06)
            w.txtGS06->setText(c.gs06);
        dialogs().answer(vb::vbYes);
        if (c.answer)
            dialogs().answer(c.answer);
        w.mnuEditPartner_Click();
        EXPECT_EQ(stored(), std::make_pair(QString(c.storedISA13), QString(c.storedGS06)));
        ASSERT_EQ(dialogs().boxes().size(), shown + (c.answer ? 2 : 1));
        if (c.answer) {
            const corvantis::test::Box &question = dialogs().last();
            EXPECT_TRUE(question.text.startsWith(c.isa13 ? "ISA13 would go back from 100 to 50."
                                                         : "GS06 would go back from 20 to 3."))
                << question.text.toStdString();
            EXPECT_EQ(question.buttons, vb::vbYesNo);
            EXPECT_EQ(question.defaultButton, 2);
        }
        EXPECT_EQ(w.mnuEditPartner->text(), "Edit");
    }
}

TEST_F(PartnersWindowTest, ClosingWithUnsavedEditsAsksSaveChangesAndCancelStays)
{
    addPartner("ACME01");
    enum Way { CloseButton, CloseBox, Escape };
    struct Case {
        const char *name;
        Way way;
        int answer;
        bool closes;
        const char *storedISA06;
    };
    const Case cases[] = {
        {"Close, Cancel", CloseButton, vb::vbCancel, false, "OURID          "},
        {"Close, No", CloseButton, vb::vbNo, true, "OURID          "},
        {"Close, Yes", CloseButton, vb::vbYes, true, "TYPED1         "},
        {"close box, Cancel", CloseBox, vb::vbCancel, false, "TYPED1         "},
        {"close box, Yes", CloseBox, vb::vbYes, true, "TYPED2         "},
        {"Escape, No", Escape, vb::vbNo, true, "TYPED2         "},
    };
    int typed = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        frmPartners &w = open();
        w.show();
        w.mnuEditPartner_Click();
        w.txtISA06->setText(QStringLiteral("TYPED%1").arg(c.answer == vb::vbYes ? ++typed : 9));
        const QString typedText = w.txtISA06->text();
        dialogs().answer(c.answer);
        if (c.way == CloseButton)
            w.cmdClose->click();
        else if (c.way == CloseBox)
            w.close();
        else
            QTest::keyClick(&w, Qt::Key_Escape);
        const corvantis::test::Box &box = dialogs().last();
        EXPECT_EQ(box.text, "Save Changes?");
        EXPECT_EQ(box.buttons, vb::vbYesNoCancel);
        EXPECT_EQ(box.defaultButton, 2);
        EXPECT_EQ(w.isVisible(), !c.closes);
        EXPECT_EQ(column("SELECT * FROM Partner", "ISA06"), QStringList({c.storedISA06}));
        if (!c.closes) {
            EXPECT_EQ(w.txtISA06->text(), typedText) << "the typing stays";
            EXPECT_EQ(w.mnuEditPartner->text(), "Save");
            EXPECT_TRUE(w.cmdClose->isEnabled());
        }
        w.hide();
    }

    // Edit mode with nothing changed, and a save that is refused: no question,
    // or the window stays open with the typing.
    const size_t before = dialogs().boxes().size();
    {
        frmPartners &w = open();
        w.show();
        w.mnuEditPartner_Click();
        w.cmdClose->click();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(dialogs().boxes().size(), before);
    }
    frmPartners &w = open();
    w.show();
    w.mnuEditPartner_Click();
    w.txtPartner->setText("ACME");
    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    w.cmdClose->click();
    EXPECT_EQ(dialogs().last().text, "Enter a longer Trading Partner Name! (Min 6)");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.txtPartner->text(), "ACME");
    EXPECT_EQ(column("SELECT * FROM Partner", "Partner"), QStringList({"ACME01"}));
    dialogs().answer(vb::vbNo);
    w.cmdClose->click();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(PartnersWindowTest, AddByNameWithTheRefusalsAndTheHistoryEntry)
{
    addPartner("ACME01");
    frmPartners &w = open();
    dialogs().cancelInput();
    w.mnuAddPartner_Click();
    dialogs().answerInput("ABCDE").answer(vb::vbOK);
    w.mnuAddPartner_Click();
    EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);
    dialogs().answerInput("AB-CDEF").answer(vb::vbOK);
    w.mnuAddPartner_Click();
    EXPECT_EQ(dialogs().last().text, "Invalid Trading Partner Name!");
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    dialogs().answerInput("acme01").answer(vb::vbOK); // the table's refusal, reported
    w.mnuAddPartner_Click();
    EXPECT_TRUE(dialogs().last().text.contains("UNIQUE constraint failed")) << dialogs().last().text.toStdString();
    EXPECT_EQ(count("Partner"), 1);

    dialogs().answerInput("NEWONE1");
    w.mnuAddPartner_Click();
    EXPECT_EQ(dialogs().boxes()[0].text, "Enter Trading Partner Name:");
    EXPECT_EQ(w.windowTitle(), "Partner 2 of 2 -- NEWONE1");
    EXPECT_FALSE(w.txtPartner->isEnabled());
    EXPECT_EQ(column("SELECT * FROM History WHERE Type = 'Info'", "Description"),
              QStringList({"Trading Partner Added NEWONE1"}));
}

TEST_F(PartnersWindowTest, RemoveIsRefusedWhileAnyListHoldsThePartnersRowsAndOtherwiseWarnsWithTheCounts)
{
    addPartner("ACME01");
    addPartner("OTHER1");
    addSet("850", "004010", "I");
    addSet("810", "004010", "I");
    addSet("856", "004010", "O");
    addRow("Outbox", {{"Partner", "OTHER1"}, {"Transaction", "856"}}); // another partner's row
    const struct {
        const char *list;
        int rows;
        const char *named;
    } lists[] = {{"Inbox", 2, "Inbox 2"}, {"Outbox", 1, "Outbox 1"}, {"Sent", 3, "Sent 3"}, {"Recycled", 1, "Recycled 1"}};
    frmPartners &w = open();
    for (const auto &l : lists) {
        SCOPED_TRACE(l.list);
        for (int i = 0; i < l.rows; ++i)
            addRow(l.list, {{"Partner", "acme01"}, {"Transaction", "850"}});
        dialogs().answer(vb::vbOK);
        w.mnuRemovePartner_Click();
        EXPECT_EQ(dialogs().last().text,
                  QStringLiteral("'ACME01' cannot be removed: the lists hold transaction(s) of this trading partner, "
                                 "which could not be shown or sent without its settings (%1).")
                      .arg(QLatin1String(l.named)));
        EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);
        EXPECT_EQ(count("Partner"), 2);
        EXPECT_EQ(count("Transactions"), 3);
        cnDatabase->Execute(QStringLiteral("DELETE FROM %1 WHERE Partner = 'ACME01'").arg(QLatin1String(l.list)));
    }
    // Several lists at once are named together.
    addRow("Inbox", {{"Partner", "ACME01"}});
    addRow("Recycled", {{"Partner", "ACME01"}});
    dialogs().answer(vb::vbOK);
    w.mnuRemovePartner_Click();
    EXPECT_TRUE(dialogs().last().text.endsWith("(Inbox 1, Recycled 1).")) << dialogs().last().text.toStdString();
    for (const char *t : {"Inbox", "Recycled"})
        cnDatabase->Execute(QStringLiteral("DELETE FROM %1").arg(QLatin1String(t)));
    dialogs().answer(vb::vbNo).answer(vb::vbYes);
    w.mnuRemovePartner_Click();
    EXPECT_EQ(count("Partner"), 2);
    w.mnuRemovePartner_Click();
    const QString warning = dialogs().last().text;
    EXPECT_EQ(warning, "WARNING:\r\n\r\nRemoving 'ACME01' will permanently remove all settings associated with this "
                       "trading partner.\r\nRemoving will delete all Transaction(s) and Mappings\r\nRemoving will also "
                       "delete 2 inbound and 1 outbound Transaction(s).\r\n\r\nDo you still wish to remove 'ACME01'?");
    EXPECT_EQ(dialogs().last().defaultButton, 2) << "a quick Enter keeps the partner";
    EXPECT_EQ(w.windowTitle(), "Partner 1 of 1 -- OTHER1");
    EXPECT_EQ(count("Transactions"), 0);
    EXPECT_EQ(column("SELECT * FROM History WHERE Type = 'Info'", "Description"),
              QStringList({"Trading Partner Removed [ACME01]"}));
}

TEST_F(PartnersWindowTest, SetPagesSaveDeleteAndActOnTheStoredNameNotTheEditedOne)
{
    addPartner("ACME01");
    addSet("850", "004010", "I");
    frmPartners &w = open();
    w.mnuEditPartner_Click();
    w.txtPartner->setText("SOMEONEELSE"); // typed, not saved
    w.inbound.txtOverride->setText("004010abc");
    w.inbound.txtControlNumber->setText("77");
    w.inbound.chkAck->setChecked(true);
    w.inbound.cmdSave->click();
    const auto row = rows("SELECT * FROM Transactions").at(0);
    EXPECT_EQ(row.at("Versionoverride"), "004010ABC");
    EXPECT_EQ(row.at("ControlNumber"), "77");
    EXPECT_EQ(row.at("Acknowledge"), "True");
    EXPECT_EQ(w.inbound.txtOverride->text(), "004010ABC");

    dialogs().answer(vb::vbYes);
    w.inbound.cmdDelete->click();
    EXPECT_EQ(dialogs().last().text,
              "WARNING:\r\n\r\nThis Transaction's Mapping will be deleted!\r\n\r\nDelete selected Transaction?\r\n\r\n"
              "Partner:\t\tACME01\r\nTransaction:\t850: Desc 850\r\nVersion:\t\t004010");
    EXPECT_EQ(dialogs().last().defaultButton, 2) << "a quick Enter keeps the set";
    EXPECT_EQ(count("Transactions"), 0);
    EXPECT_EQ(w.lvwInbound->itemCount(), 0);
    EXPECT_FALSE(w.inbound.cmdDelete->isEnabled());
    EXPECT_EQ(w.inbound.lblDesc->text(), "");
}

TEST_F(PartnersWindowTest, PickerAddsTheChosenSetAndRefusesADuplicate)
{
    addPartner("ACME01");
    frmPartners &w = open();
    {
        frmStandard picker;
        EXPECT_EQ(picker.windowTitle(), "Standard Transactions");
        EXPECT_EQ(picker.cboVersion->text(), "002000");
        ASSERT_GT(picker.lvwStandard->itemCount(), 10);
        // The first row, in transaction-set order, is selected.
        EXPECT_EQ(picker.lvwStandard->selectedItem()->text(),
                  column("SELECT * FROM Standard ORDER BY Standard.Transaction ASC", "Transaction").first());
        EXPECT_EQ(picker.lvwStandard->itemCount(), count("Standard"));
        picker.close();
        EXPECT_TRUE(modGlobal::blnStandardCancelled);
    }
    {
        // Typing in the list selects the first set that starts with the text.
        const QStringList sets = column("SELECT * FROM Standard ORDER BY Standard.Transaction ASC", "Transaction");
        auto firstStarting = [&](const QString &text) {
            for (const QString &set : sets)
                if (set.startsWith(text))
                    return set;
            return QString();
        };
        ASSERT_EQ(firstStarting("850"), "850");
        frmStandard picker;
        picker.show();
        picker.lvwStandard->setFocus();
        QTest::keyClicks(picker.lvwStandard, "850");
        ASSERT_TRUE(picker.lvwStandard->selectedItem());
        EXPECT_EQ(picker.lvwStandard->selectedItem()->text(), "850");
        picker.lvwStandard->keyboardSearch(QString()); // a pause: the next key starts anew
        QTest::keyClicks(picker.lvwStandard, "81");
        EXPECT_EQ(picker.lvwStandard->selectedItem()->text(), firstStarting("81"));
        picker.lvwStandard->keyboardSearch(QString());
        QTest::keyClicks(picker.lvwStandard, "8");
        EXPECT_EQ(picker.lvwStandard->selectedItem()->text(), firstStarting("8")) << "not the next row after it";
        picker.lvwStandard->keyboardSearch(QString());
        QTest::keyClicks(picker.lvwStandard, "Z");
        EXPECT_EQ(picker.lvwStandard->selectedItem()->text(), firstStarting("8")) << "no match keeps the row";
        picker.close();
    }
    answerPicker(w, "830", "004010", false);
    w.AddTransaction();
    EXPECT_EQ(count("Transactions"), 0);

    w.sstTransaction->setTab(1);
    answerPicker(w, "830", "004010");
    w.AddTransaction();
    EXPECT_FALSE(modGlobal::blnStandardCancelled);
    EXPECT_FALSE(controls::isLoaded<frmStandard>());
    ASSERT_EQ(w.lvwOutbound->itemCount(), 1);
    EXPECT_EQ(w.lvwOutbound->item(1)->subItem(2), "PS");
    EXPECT_TRUE(QFileInfo::exists(corvantis::test::tempDir() + "/Import/ACME01_830_004010_O.IMP"));
    EXPECT_EQ(w.outbound.txtOverride->text(), "004010");

    dialogs().answer(vb::vbOK);
    w.AddTransaction();
    EXPECT_EQ(dialogs().last().text, "Transation 830 Version 004010 already exist.");
    EXPECT_EQ(dialogs().last().caption, "Error");
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_EQ(count("Transactions"), 1);
}

TEST_F(PartnersWindowTest, PluginChoiceStoresTheProgIdAndCancelUnbinds)
{
    addPartner("ACME01");
    addSet("830", "002000", "I");
    com::registerBuiltinClass("Lorvanne.ACME01_830_002000_I", [] { return std::make_shared<Plugin>(); });
    frmPartners &w = open();

    // A class that cannot be created keeps the old value.
    cnDatabase->Execute("UPDATE Transactions SET ActiveX = 'Old.Value'");
    dialogs().answerOpenFile({"/plugins/Missing.so"}).answer(vb::vbOK);
    w.lvwInbound->ColumnClick(3);
    EXPECT_EQ(dialogs().boxes()[0].openFile.filter, "ActiveX Files(*.so)|*.so");
    EXPECT_EQ(dialogs().boxes()[0].openFile.initialFolder, corvantis::test::tempDir() + "/ActiveX");
    EXPECT_EQ(column("SELECT * FROM Transactions", "ActiveX"), QStringList({"Old.Value"}));
    // The box keeps the classic text; History names the class tried and why.
    EXPECT_EQ(dialogs().last().text, "ActiveX component can't create object");
    EXPECT_EQ(column("SELECT * FROM History", "Description"),
              QStringList({"429 ActiveX component can't create object - Missing.ACME01_830_002000_I: no class is "
                           "registered under this name (class ACME01_830_002000_I; no library Missing is registered)"}));
    // A library registered for other classes only: History names the library that lacks the class.
    {
        QSettings ini(com::classRegistryFile(), QSettings::IniFormat);
        ini.setValue("Lacking.Other/Library", "/plugins/Lacking.so");
        ini.setValue("Lacking.Other/Class", "Other");
    }
    cnDatabase->Execute("DELETE FROM History");
    dialogs().answerOpenFile({"/plugins/Lacking.so"}).answer(vb::vbOK);
    w.lvwInbound->ColumnClick(3);
    EXPECT_EQ(column("SELECT * FROM Transactions", "ActiveX"), QStringList({"Old.Value"}));
    EXPECT_EQ(column("SELECT * FROM History", "Description"),
              QStringList({"429 ActiveX component can't create object - Lacking.ACME01_830_002000_I: no class is "
                           "registered under this name (the library /plugins/Lacking.so has no class "
                           "ACME01_830_002000_I)"}));
    QSettings(com::classRegistryFile(), QSettings::IniFormat).remove("Lacking.Other");

    dialogs().answerOpenFile({"/plugins/Lorvanne.so"});
    w.lvwInbound->ColumnClick(3);
    EXPECT_EQ(column("SELECT * FROM Transactions", "ActiveX"), QStringList({"Lorvanne.ACME01_830_002000_I"}));
    EXPECT_EQ(w.lvwInbound->item(1)->subItem(3), "Lorvanne.ACME01_830_002000_I");

    w.lvwInbound->ColumnClick(0); // another header: nothing
    dialogs().cancelOpenFile();
    w.lvwInbound->ColumnClick(3);
    EXPECT_EQ(column("SELECT * FROM Transactions", "ActiveX"), QStringList({""}));
    EXPECT_EQ(w.lvwInbound->item(1)->subItem(3), "");
}

TEST_F(PartnersWindowTest, WriteCommandsRefuseWhileAnotherTaskHoldsATransaction)
{
    addPartner("ACME01");
    addSet("850", "004010", "I");
    frmPartners &w = open();
    cnDatabase->BeginTrans();
    dialogs().answer(vb::vbOK).answer(vb::vbOK).answer(vb::vbOK);
    w.mnuAddPartner_Click();
    w.mnuRemovePartner_Click();
    w.inbound.cmdSave->click();
    cnDatabase->RollbackTrans();
    ASSERT_EQ(dialogs().boxes().size(), 3u);
    for (const auto &box : dialogs().boxes()) {
        EXPECT_EQ(box.icon, vb::vbExclamation);
        EXPECT_TRUE(box.text.contains("Another task is writing to the database"));
    }
    EXPECT_EQ(count("Partner"), 1);
}

TEST_F(PartnersWindowTest, AWindowWithoutItsListsBehavesAsTheEmptyState)
{
    addPartner("ACME01");
    cnDatabase->Execute("DELETE FROM Version");
    dialogs().answer(vb::vbOK); // the failed load is reported
    frmPartners &w = open();
    EXPECT_EQ(w.windowTitle(), "Trading Partner Setup");
    EXPECT_FALSE(w.mnuEditPartner->isEnabled());
    w.cmdMoveNext->click();
    w.mnuRemovePartner_Click();
    w.inbound.cmdSave->click();
    EXPECT_EQ(dialogs().boxes().size(), 1u);
}

TEST_F(PartnersWindowTest, EscapeAndCloseCloseTheWindow)
{
    addPartner("ACME01");
    frmPartners &w = open();
    w.show();
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.cmdClose->isEnabled());
    EXPECT_FALSE(w.tmrDateTime->isActive());
}

} // namespace
