// The communications window through the scripted dialogs: the empty table,
// Add Network with its name rules, pages filled from the rows at load and
// switched with the shown network, Modify/Save with Yes and No, Delete, the
// exclusive schedule boxes, and the commands held while a run runs.
#include "ExchangeWindowFixture.h"
#include "LogCapture.h"

#include "controls/ComboList.h"
#include "controls/ListView.h"
#include "controls/MaskedEdit.h"
#include "controls/ScriptBox.h"
#include "controls/TabStrip.h"
#include "controls/TextBox.h"
#include "vb/DateTime.h"
#include "ErrorOf.h"
#include "vb/Dialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QLineEdit>
#include <QTimeEdit>
#include <QTimer>

using namespace Qt::StringLiterals;
using communications::ExchangePage;
using communications::frmExchange;
using corvantis::test::dialogs;
using exchangetest::ExchangeWindowTest;

namespace {

vb::Variant at(int hour, int minute)
{
    return vb::Variant::fromDate(vb::toOleDate(QDate(1899, 12, 30), QTime(hour, minute)));
}

bool isShown(QWidget *w)
{
    return !w->isHidden();
}

TEST_F(ExchangeWindowTest, AnEmptyTableLeavesOnlyAddNetworkAndPageZeroWithItsDefaults)
{
    frmExchange &w = open();
    EXPECT_EQ(w.windowTitle(), u" Exchange"_s);
    QStringList tabs;
    for (int i = 0; i < w.sstInternet->count(); ++i)
        tabs << w.sstInternet->tabText(i);
    EXPECT_EQ(tabs, (QStringList{u"Networks"_s, u"Connection"_s, u"Scheduler"_s, u"Session"_s, u"Send"_s,
                                 u"Receive"_s, u"AS2"_s, u"Encryption"_s}));
    EXPECT_EQ(w.sstInternet->tab(), 0);
    EXPECT_EQ(w.lvwNetworks->columnHeaderCount(), 1);
    EXPECT_EQ(w.lvwNetworks->columnText(1), u"Network"_s);
    EXPECT_EQ(w.lvwNetworks->columnWidthTwips(1), 6000);
    EXPECT_FALSE(w.lvwNetworks->isEnabled());
    for (QPushButton *b : {w.cmdDeleteNetwork, w.cmdModify, w.cmdSend, w.cmdReceive})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(w.cmdAddNetwork->isEnabled());
    for (QPushButton *b : {w.cmdSend, w.cmdReceive, w.cmdModify, w.cmdClose})
        EXPECT_EQ(b->toolTip(), b->text());
    EXPECT_EQ(w.tmrScheduler->interval(), 60000);
    EXPECT_TRUE(w.tmrScheduler->isActive());
    EXPECT_EQ(w.lngProviderIndex(), -1);
    EXPECT_EQ(frmExchange().scheduler, &frmExchange::programScheduler()) << "the counters outlive a window";

    ASSERT_EQ(w.pages.size(), 1u);
    const ExchangePage &p = w.page(0);
    EXPECT_EQ(p.cboStoreLocation->text(), u"Current User Store"_s);
    EXPECT_EQ(p.cboStoreName->text(), u"My"_s);
    for (controls::ComboList *list : {p.cboProtocol, p.cboAccessType, p.cboInterval, p.cboProvider, p.cboHash})
        EXPECT_EQ(list->listIndex(), -1) << list->objectName().toStdString();
    EXPECT_EQ(p.cboProtocol->listCount(), 7);
    EXPECT_EQ(p.cboProtocol->itemText(6), u"SFTP"_s);
    EXPECT_EQ(p.cboAccessType->itemText(1), u"Dirrect"_s);
    EXPECT_EQ(p.cboInterval->itemText(5), u"Every 90 Minutes"_s);
    EXPECT_EQ(p.optSendReceive->text(), u"Send && Recieve"_s);
    EXPECT_EQ(p.lvwCertificate->columnHeaderCount(), 4);
    for (QWidget *c : p.controls())
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    // Nothing to show: the scripts' hash question is an error of the script.
    EXPECT_EQ(corvantis::test::errorOf([&] { w.GetHashType(); }), 340);
}

TEST_F(ExchangeWindowTest, AddNetworkRefusesBadNamesAndNamesTakenInAnyCase)
{
    frmExchange &w = open();
    struct Case {
        const char16_t *typed;
        const char16_t *message; // nullptr: no box
        int icon;
    } cases[] = {
        {u"", nullptr, 0}, // empty answer
        {u"ABCDE", u"Enter a longer Network Name! (Min 6)", vb::vbExclamation},
        {u"ABC DEF", u"Invalid Network Name!", vb::vbCritical},
        {u"ABCDÉF", u"Invalid Network Name!", vb::vbCritical},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.typed).toStdString());
        dialogs().reset();
        dialogs().answerInput(QString::fromUtf16(c.typed));
        if (c.message)
            dialogs().answer(vb::vbOK);
        w.cmdAddNetwork->click();
        ASSERT_EQ(dialogs().boxes().size(), c.message ? 2u : 1u);
        EXPECT_EQ(dialogs().boxes()[0].text, u"Enter Network Name:"_s);
        if (c.message) {
            EXPECT_EQ(dialogs().boxes()[1].text, QString::fromUtf16(c.message));
            EXPECT_EQ(dialogs().boxes()[1].icon, c.icon);
        }
    }
    dialogs().reset();
    dialogs().cancelInput();
    w.cmdAddNetwork->click();
    EXPECT_EQ(count(u"Internet"_s), 0);
    EXPECT_EQ(count(u"History"_s), 0) << "refusals and Cancel write nothing";

    dialogs().answerInput(u"ABCDEF"_s);
    w.cmdAddNetwork->click();
    EXPECT_EQ(column(u"SELECT Description FROM History"_s, u"Description"_s), QStringList{u"Network Added ABCDEF"_s});
    ASSERT_EQ(w.lvwNetworks->itemCount(), 1);
    EXPECT_EQ(w.windowTitle(), u"Exchange - ABCDEF"_s);
    EXPECT_TRUE(w.cmdDeleteNetwork->isEnabled());

    // The same name in any letters: refused, naming the network that has it.
    for (const char16_t *typed : {u"abcdef", u"ABCDEF", u"AbCdEf"}) {
        dialogs().reset();
        dialogs().answerInput(QString::fromUtf16(typed)).answer(vb::vbOK);
        w.cmdAddNetwork->click();
        ASSERT_EQ(dialogs().boxes().size(), 2u);
        EXPECT_EQ(dialogs().boxes()[1].text, u"A network named ABCDEF already exists."_s);
        EXPECT_EQ(dialogs().boxes()[1].icon, vb::vbExclamation);
    }
    EXPECT_EQ(count(u"Internet"_s), 1);
    EXPECT_EQ(count(u"History"_s), 1) << "a refusal writes nothing";
    EXPECT_EQ(w.lvwNetworks->itemCount(), 1);
}

TEST_F(ExchangeWindowTest, EveryPageIsFilledFromItsRowAtLoadAndOnlyTheShownPageIsVisible)
{
    addNetwork(u"GAMMA01"_s, {{u"URL"_s, "ftp://gamma"}, {u"CheckInterval"_s, int16_t(1)}, {u"Interval"_s, int16_t(2)},
                              {u"SendOnly"_s, true}, {u"Hash"_s, int16_t(3)}, {u"Certificate"_s, int16_t(9)}});
    addNetwork(u"ALPHA01"_s, {{u"URL"_s, "ftp://alpha"}, {u"protocol"_s, int16_t(2)}, {u"RemotePort"_s, "21"}});
    addNetwork(u"BETA001"_s, {{u"URL"_s, "ftp://beta"}, {u"CheckTime"_s, int16_t(1)}, {u"Time"_s, at(14, 30)},
                              {u"ReceiveOnly"_s, true}, {u"SendScript"_s, "LogSession \"b\""}});
    frmExchange &w = open();
    ASSERT_EQ(w.lvwNetworks->itemCount(), 3);
    EXPECT_EQ(w.lvwNetworks->item(1)->text(), u"ALPHA01"_s);
    EXPECT_EQ(w.lvwNetworks->item(3)->text(), u"GAMMA01"_s);
    ASSERT_EQ(w.pages.size(), 3u);
    EXPECT_EQ(w.windowTitle(), u"Exchange - ALPHA01"_s);
    EXPECT_EQ(w.page(0).cboProtocol->text(), u"FTP"_s);
    EXPECT_EQ(w.page(0).mebRemotePort->text().trimmed(), u"21"_s);
    // Never shown, yet holding their rows: the scheduler reads them.
    EXPECT_EQ(w.page(1).txtURL->text(), u"ftp://beta"_s);
    EXPECT_EQ(w.schedule(1).time, QTime(14, 30));
    EXPECT_TRUE(w.schedule(1).atTime);
    EXPECT_TRUE(w.schedule(1).receiveOnly);
    EXPECT_EQ(w.runPage(1).sendScript, u"LogSession \"b\""_s);
    EXPECT_EQ(w.page(2).txtURL->text(), u"ftp://gamma"_s);
    EXPECT_EQ(w.schedule(2).intervalChoice, 2);
    EXPECT_TRUE(w.schedule(2).sendOnly);
    EXPECT_FALSE(w.schedule(2).sendReceive);
    EXPECT_EQ(w.page(2).cboHash->text(), u"SHA1"_s);

    auto visiblePage = [&] {
        int visible = -1;
        for (int i = 0; i < int(w.pages.size()); ++i) {
            const QList<QWidget *> controls = w.page(i).controls();
            const int on = int(std::count_if(controls.begin(), controls.end(), isShown));
            EXPECT_TRUE(on == 0 || on == 37) << "page " << i << " is half shown: " << on;
            if (on == 37) {
                EXPECT_EQ(visible, -1) << "two pages shown";
                visible = i;
            }
        }
        return visible;
    };
    EXPECT_EQ(visiblePage(), 0);
    w.page(0).txtURL->setText(u"unsaved edit"_s);
    w.lvwNetworks->setSelectedItem(3);
    w.ShowNetwork();
    EXPECT_EQ(visiblePage(), 2) << "the certificate list goes with its page";
    EXPECT_EQ(w.windowTitle(), u"Exchange - GAMMA01"_s);
    w.lvwNetworks->setSelectedItem(1);
    w.ShowNetwork();
    EXPECT_EQ(visiblePage(), 0);
    EXPECT_EQ(w.page(0).txtURL->text(), u"ftp://alpha"_s) << "showing puts the row back";
}

TEST_F(ExchangeWindowTest, AStepOfShowingANetworkThatFailsIsSkippedAndRecorded)
{
    for (const char16_t *name : {u"ALPHA01", u"BETA001"})
        addNetwork(QString::fromUtf16(name));
    frmExchange &w = open();
    // The row cannot be read: the page is still shown, the failure recorded.
    modGlobal::cnDatabase->Execute(u"ALTER TABLE Internet RENAME TO InternetAway"_s);
    corvantis::test::LogCapture log("corvantis.communications");
    w.lvwNetworks->setSelectedItem(2);
    w.ShowNetwork();
    modGlobal::cnDatabase->Execute(u"ALTER TABLE InternetAway RENAME TO Internet"_s);
    EXPECT_EQ(w.windowTitle(), u"Exchange - BETA001"_s);
    EXPECT_FALSE(w.page(1).txtURL->isHidden());
    EXPECT_EQ(log.linesWith({u"communications window: a step failed and was skipped (frmExchange.cpp:"_s,
                             u"Internet"_s})
                  .size(),
              1)
        << log.joined().toStdString();
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(ExchangeWindowTest, BothScheduleBoxesTickedInARowShowOnlyTheIntervalAlsoOnPagesNeverShown)
{
    for (const char16_t *name : {u"ALPHA01", u"BETA001"})
        addNetwork(QString::fromUtf16(name), {{u"CheckTime"_s, int16_t(1)}, {u"CheckInterval"_s, int16_t(1)}});
    frmExchange &w = open();
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(w.page(i).chkTime->isChecked());
        EXPECT_TRUE(w.page(i).chkInterval->isChecked());
    }
    // Ticking one box clears the other; clearing changes nothing else.
    ExchangePage &p = w.page(1);
    p.chkTime->setChecked(true);
    EXPECT_FALSE(p.chkInterval->isChecked());
    p.chkTime->setChecked(false);
    EXPECT_FALSE(p.chkInterval->isChecked());
    p.chkInterval->setChecked(true);
    EXPECT_FALSE(p.chkTime->isChecked());
    EXPECT_TRUE(w.page(0).chkInterval->isChecked()) << "each page's boxes are its own";
}

TEST_F(ExchangeWindowTest, ModifyUnlocksThePageSaveWritesItAndNoPutsTheRowBack)
{
    addNetwork(u"ALPHA01"_s);
    addNetwork(u"BETA001"_s);
    frmExchange &w = open();
    ExchangePage &p = w.page(0);
    w.cmdModify->click();
    EXPECT_EQ(w.cmdModify->text(), u"Save"_s);
    EXPECT_EQ(w.cmdModify->toolTip(), u"Save"_s);
    for (QWidget *c : p.controls())
        EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();
    for (QWidget *c : w.page(1).controls())
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    for (QWidget *c : std::initializer_list<QWidget *>{w.lvwNetworks, w.cmdAddNetwork, w.cmdDeleteNetwork, w.cmdSend,
                                                        w.cmdReceive})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();

    p.txtURL->setText(u"ftp://alpha.example"_s);
    p.txtPassword->setText(u"se cret"_s);
    p.cboProtocol->setListIndex(5);
    p.mebRemotePort->setText(u"990"_s);
    p.chkTime->setChecked(true);
    // A click on the hour, then an hour typed with a leading zero: taken.
    p.dtpTime->setTime(QTime(7, 45));
    QTest::mouseClick(p.dtpTime->findChild<QLineEdit *>(), Qt::LeftButton, {}, QPoint(3, p.dtpTime->height() / 2));
    QTest::keyClicks(p.dtpTime, u"03"_s);
    EXPECT_EQ(p.dtpTime->time(), QTime(3, 45));
    p.dtpTime->setTime(QTime(7, 45));
    p.optReceive->setChecked(true);
    p.txtSend->setPlainText(u"Dim a\r\nLogSession \"x\""_s);
    p.chkRequestMDN->setChecked(true);
    p.optAsyncronous->setChecked(true);
    p.cboHash->setListIndex(2);
    dialogs().answer(vb::vbYes);
    w.cmdModify->click();
    EXPECT_EQ(dialogs().last().text, u"Save Network Changes?"_s);
    EXPECT_EQ(dialogs().last().icon, vb::vbQuestion);
    EXPECT_EQ(w.cmdModify->text(), u"Modify"_s);
    for (QWidget *c : p.controls())
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    EXPECT_TRUE(w.cmdAddNetwork->isEnabled());

    const auto saved = rows(u"SELECT * FROM Internet WHERE Network = 'ALPHA01'"_s);
    ASSERT_EQ(saved.size(), 1u);
    const std::map<QString, QString> expected = {
        {u"URL"_s, u"ftp://alpha.example"_s}, {u"Password"_s, u"se cret"_s}, {u"protocol"_s, u"5"_s},
        {u"RemotePort"_s, u"990"_s},         {u"timeout"_s, u""_s},          {u"CheckTime"_s, u"1"_s},
        {u"CheckInterval"_s, u"0"_s},        {u"Interval"_s, u"-1"_s},       {u"ReceiveOnly"_s, u"True"_s},
        {u"SendReceive"_s, u"False"_s},      {u"RequestMDN"_s, u"1"_s},      {u"Asyncronous"_s, u"True"_s},
        {u"Hash"_s, u"2"_s},                 {u"StoreLocation"_s, u"1"_s},   {u"StoreName"_s, u"0"_s},
        {u"Certificate"_s, u"1"_s}, // an empty certificate list stores 1
        {u"AccessType"_s, u"0"_s},  // none chosen: "Use Default", never a value the control refuses
    };
    for (const auto &[field, value] : expected)
        EXPECT_EQ(saved[0].at(field), value) << field.toStdString();
    EXPECT_EQ(saved[0].at(u"SendScript"_s), p.txtSend->toPlainText());
    EXPECT_TRUE(saved[0].at(u"SendScript"_s).endsWith(u"LogSession \"x\""_s));

    // Edits answered No: the page shows the row again, nothing is written.
    w.cmdModify->click();
    p.txtURL->setText(u"changed"_s);
    p.chkInterval->setChecked(true);
    dialogs().answer(vb::vbNo);
    w.cmdModify->click();
    EXPECT_EQ(p.txtURL->text(), u"ftp://alpha.example"_s);
    EXPECT_TRUE(p.chkTime->isChecked());
    EXPECT_FALSE(p.chkInterval->isChecked());
    EXPECT_EQ(p.dtpTime->time(), QTime(7, 45));
    EXPECT_EQ(w.cmdModify->text(), u"Modify"_s);
    EXPECT_EQ(column(u"SELECT URL FROM Internet WHERE Network = 'ALPHA01'"_s, u"URL"_s),
              QStringList{u"ftp://alpha.example"_s});

    // A save that fails is reported and leaves the page in edit state to try again.
    w.cmdModify->click();
    modGlobal::cnDatabase->Execute(u"DELETE FROM Internet WHERE Network = 'ALPHA01'"_s);
    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    w.cmdModify->click();
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_EQ(w.cmdModify->text(), u"Save"_s);
    EXPECT_TRUE(p.txtURL->isEnabled());
}

TEST_F(ExchangeWindowTest, DeleteAsksAndRebuildsTheListAndAGoneRowChangesNothing)
{
    for (const char16_t *name : {u"ALPHA01", u"BETA001", u"GAMMA01"})
        addNetwork(QString::fromUtf16(name));
    frmExchange &w = open();
    w.lvwNetworks->setSelectedItem(2);
    dialogs().answer(vb::vbNo);
    w.cmdDeleteNetwork->click();
    EXPECT_EQ(dialogs().last().text, u"Delete Network? BETA001"_s);
    EXPECT_EQ(dialogs().last().icon, vb::vbQuestion);
    EXPECT_EQ(dialogs().last().defaultButton, 2) << "a quick Enter keeps the network";
    EXPECT_EQ(count(u"Internet"_s), 3);

    dialogs().answer(vb::vbYes);
    w.cmdDeleteNetwork->click();
    EXPECT_EQ(column(u"SELECT Network FROM Internet ORDER BY Network"_s, u"Network"_s),
              (QStringList{u"ALPHA01"_s, u"GAMMA01"_s}));
    ASSERT_EQ(w.lvwNetworks->itemCount(), 2);
    EXPECT_EQ(w.pages.size(), 2u);
    EXPECT_EQ(w.windowTitle(), u"Exchange - ALPHA01"_s);
    EXPECT_EQ(count(u"History"_s), 0);

    // Deleted by someone else meanwhile: the list stays as it is.
    modGlobal::cnDatabase->Execute(u"DELETE FROM Internet WHERE Network = 'GAMMA01'"_s);
    w.lvwNetworks->setSelectedItem(2);
    dialogs().answer(vb::vbYes);
    w.cmdDeleteNetwork->click();
    EXPECT_EQ(w.lvwNetworks->itemCount(), 2);

    // The last network: the list empties, page 0 and the caption stay.
    modGlobal::cnDatabase->Execute(u"DELETE FROM Internet WHERE Network <> 'ALPHA01'"_s);
    w.lvwNetworks->setSelectedItem(1);
    dialogs().answer(vb::vbYes);
    w.cmdDeleteNetwork->click();
    EXPECT_EQ(w.lvwNetworks->itemCount(), 0);
    EXPECT_EQ(w.windowTitle(), u"Exchange - ALPHA01"_s);
    for (QPushButton *b : {w.cmdDeleteNetwork, w.cmdModify, w.cmdSend, w.cmdReceive})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(w.cmdAddNetwork->isEnabled());
}

TEST_F(ExchangeWindowTest, PagesLeftWhenTheTableEmptiedUnderAFullListAreRemovedByTheNextLoad)
{
    for (const char16_t *name : {u"ALPHA01", u"BETA001", u"GAMMA01"})
        addNetwork(QString::fromUtf16(name));
    frmExchange &w = open();
    modGlobal::cnDatabase->Execute(u"DELETE FROM Internet WHERE Network <> 'ALPHA01'"_s);
    dialogs().answer(vb::vbYes);
    w.cmdDeleteNetwork->click(); // ALPHA01 is still there: the table is empty afterwards
    EXPECT_EQ(w.lvwNetworks->itemCount(), 0);
    dialogs().answerInput(u"DELTA01"_s);
    w.cmdAddNetwork->click();
    ASSERT_EQ(w.lvwNetworks->itemCount(), 1);
    EXPECT_EQ(w.pages.size(), 1u) << "one page per network, none left over";
    EXPECT_EQ(w.windowTitle(), u"Exchange - DELTA01"_s);
    EXPECT_FALSE(w.page(0).txtURL->isHidden());
}

TEST_F(ExchangeWindowTest, ARunHoldsTheNetworkCommandsAndTheWindowWillNotClose)
{
    addNetwork(u"ALPHA01"_s, {{u"protocol"_s, int16_t(6)}, {u"ReceiveScript"_s, "x = 1"}});
    frmExchange &w = open();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 5000)) << "the window was never shown";
    bool ran = false;
    w.runReceive = [&](const communications::NetworkPage &page) {
        auto &state = communications::CommunicationsState::instance();
        state.setBusy(true);
        ran = true;
        EXPECT_EQ(page.name, u"ALPHA01"_s);
        EXPECT_EQ(page.receiveScript, u"x = 1"_s);
        for (QPushButton *b : {w.cmdAddNetwork, w.cmdDeleteNetwork, w.cmdModify, w.cmdSend, w.cmdReceive})
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_TRUE(w.lvwNetworks->isEnabled());
        EXPECT_FALSE(w.QueryUnload());
        w.cmdClose->click();
        EXPECT_TRUE(w.isVisible()) << "closing while a run runs does nothing";
        w.close();
        EXPECT_TRUE(w.isVisible());
        state.setBusy(false);
        return true;
    };
    w.cmdReceive->click();
    EXPECT_TRUE(ran);
    for (QPushButton *b : {w.cmdAddNetwork, w.cmdDeleteNetwork, w.cmdModify, w.cmdSend, w.cmdReceive})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();

    // A run that ends while the page is being edited leaves the edit state's commands.
    w.cmdModify->click();
    auto &state = communications::CommunicationsState::instance();
    state.setBusy(true);
    EXPECT_FALSE(w.cmdModify->isEnabled());
    state.setBusy(false);
    EXPECT_TRUE(w.cmdModify->isEnabled());
    for (QPushButton *b : {w.cmdAddNetwork, w.cmdDeleteNetwork, w.cmdSend, w.cmdReceive})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    dialogs().answer(vb::vbNo);
    w.cmdModify->click();

    // Send asks the Outbox first: empty, it starts nothing.
    bool sent = false;
    w.runSend = [&](const communications::NetworkPage &) { return sent = true; };
    dialogs().answer(vb::vbOK);
    w.cmdSend->click();
    EXPECT_FALSE(sent);
    EXPECT_EQ(dialogs().last().text, u"Outbox Empty"_s);
    EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);

    EXPECT_TRUE(w.QueryUnload());
    w.cmdClose->click();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(ExchangeWindowTest, AReceiveRunOfThePageReachesTheWindowsScriptMembers)
{
    addNetwork(u"ALPHA01"_s, {{u"protocol"_s, int16_t(6)}, {u"Hash"_s, int16_t(3)}, {u"URL"_s, "sftp://alpha"},
                              {u"ReceiveScript"_s, "LogSession \"hash \" & GetHashType() & \" at \" & Exchange.URL"}});
    frmExchange &w = open();
    w.cmdReceive->click();
    EXPECT_EQ(w.txtSession->toPlainText().trimmed(), u"hash 32772 at sftp://alpha"_s);
    EXPECT_EQ(column(u"SELECT Description FROM Exchange ORDER BY [Index]"_s, u"Description"_s),
              (QStringList{u"Running receive script"_s, u"hash 32772 at sftp://alpha"_s,
                           u"Receive script execution complete"_s}));
    EXPECT_FALSE(w.blnBusy());
    EXPECT_TRUE(w.cmdReceive->isEnabled());
}

} // namespace
