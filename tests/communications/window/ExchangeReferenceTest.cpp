// The script reference trees beside the script boxes (filled anew at every
// load, never doubled), a node dragged onto a script box inserts its text,
// and Tab and Shift+Tab in a script box insert a tab character. Also grabs
// every tab when CORVANTIS_SCREENSHOTS names a folder.
#include "ExchangeWindowFixture.h"

#include "controls/ListView.h"
#include "controls/ScriptBox.h"
#include "controls/TabStrip.h"
#include "controls/TreeView.h"
#include <QPushButton>
#include "core/ScriptKeywords.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::StringLiterals;
using communications::frmExchange;
using exchangetest::ExchangeWindowTest;

namespace {

QStringList childrenOf(const controls::TreeView &tree, const QString &root)
{
    QStringList texts;
    for (int child = tree.firstChild(tree.nodeIndex(root)); child; child = tree.nextSibling(child))
        texts << tree.nodeText(child);
    return texts;
}

TEST_F(ExchangeWindowTest, BothTreesHoldTheReferenceOnceAfterEveryLoad)
{
    for (int load = 0; load < 2; ++load) {
        SCOPED_TRACE(load);
        frmExchange &w = open();
        for (controls::TreeView *tree : {w.tvwSendRef, w.tvwReceiveRef}) {
            SCOPED_TRACE(tree->objectName().toStdString());
            EXPECT_EQ(tree->nodeCount(), 181);
            QStringList roots;
            for (int r = 1; r; r = tree->nextSibling(r))
                roots << tree->nodeText(r);
            EXPECT_EQ(roots, (QStringList{u"Methods"_s, u"Operations"_s, u"Properties"_s, u"Functions"_s,
                                          u"Statements"_s, u"Operators"_s}));
            EXPECT_EQ(childrenOf(*tree, u"Functions"_s), core::varFunctionNames());
            EXPECT_EQ(childrenOf(*tree, u"Statements"_s), core::varStatementNames());
            EXPECT_EQ(childrenOf(*tree, u"Operators"_s), core::varOperatorNames());
            EXPECT_EQ(childrenOf(*tree, u"Properties"_s).last(), u"Exchange.LocalFile"_s);
            const int chunk = tree->nodeIndex(u"Inet.GetChunk"_s);
            ASSERT_NE(chunk, 0);
            EXPECT_EQ(tree->nodeText(chunk), u"Inet.GetChunk size, icString"_s);
            EXPECT_EQ(tree->nodeImageKey(chunk), u"Methods"_s);
            EXPECT_EQ(tree->nodeImageKey(tree->nodeIndex(u"Mod"_s)), u"Operators"_s);
        }
        EXPECT_EQ(childrenOf(*w.tvwSendRef, u"Methods"_s)[6], u"SaveChunk url, filename"_s);
        EXPECT_EQ(childrenOf(*w.tvwReceiveRef, u"Methods"_s)[6], u"SaveChunk url, file"_s);
        window.reset();
    }
}

TEST_F(ExchangeWindowTest, ADraggedNodeInsertsItsTextAndTabInsertsATab)
{
    addNetwork(u"ALPHA01"_s, {{u"SendScript"_s, "AB\r\nCD"}});
    frmExchange &w = open();
    w.resize(700, 520);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 5000)) << "the window was never shown";
    w.sstInternet->setTab(4);
    w.cmdModify->click(); // the scripts take edits in edit state
    controls::ScriptBox *box = w.page(0).txtSend;
    ASSERT_TRUE(box->isVisible());
    ASSERT_TRUE(box->isEnabled());

    // What a drag from the tree carries: the node's text, never its key.
    const QModelIndex node = w.tvwSendRef->indexFromItem(w.tvwSendRef->nodeItem(w.tvwSendRef->nodeIndex(u"Inet.GetChunk"_s)));
    std::unique_ptr<QMimeData> data(w.tvwSendRef->model()->mimeData({node}));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->text(), u"Inet.GetChunk size, icString"_s);
    QTextCursor second(box->document()->findBlockByNumber(1));
    second.movePosition(QTextCursor::Right);
    const QPoint at = box->cursorRect(second).center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(box->viewport(), &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(box->viewport(), &drop);
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "the tree keeps its node";
    EXPECT_EQ(box->toPlainText(), u"AB\nCInet.GetChunk size, icStringD"_s);
    EXPECT_EQ(w.tvwSendRef->nodeCount(), 181);

    // Tab and Shift+Tab: a tab character in place of the selection.
    box->setFocus();
    QTextCursor cursor(box->document());
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_TRUE(box->toPlainText().startsWith(u"\t\nC"_s)) << box->toPlainText().toStdString();
    QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(box->toPlainText().startsWith(u"\t\t\nC"_s)) << box->toPlainText().toStdString();
    EXPECT_EQ(QApplication::focusWidget(), box) << "the focus stays in the script";
}

TEST_F(ExchangeWindowTest, EveryTabShowsItsHeadingAndTheShownPage)
{
    addCertificate(u"My"_s, u"shot"_s, u"Screenshot Signer"_s);
    addNetwork(u"ALPHA01"_s, {{u"URL"_s, "ftp://alpha.example.com/in"}, {u"protocol"_s, int16_t(2)},
                              {u"RemotePort"_s, "21"}, {u"timeout"_s, "60"}, {u"UserName"_s, "edi"},
                              {u"Password"_s, "secret"}, {u"CheckInterval"_s, int16_t(1)},
                              {u"Interval"_s, int16_t(1)}, {u"SendReceive"_s, true},
                              {u"SendScript"_s, "CreateOutboundEDI\r\nInet.Execute Exchange.URL, \"put\""},
                              {u"StoreLocation"_s, int16_t(1)}, {u"StoreName"_s, int16_t(0)},
                              {u"Certificate"_s, int16_t(1)}, {u"Hash"_s, int16_t(3)}});
    addNetwork(u"BETA001"_s);
    frmExchange &w = open();
    w.resize(700, 520);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 5000)) << "the window was never shown";
    const QString folder = qEnvironmentVariable("CORVANTIS_SCREENSHOTS");
    for (int tab = 0; tab < w.sstInternet->count(); ++tab) {
        SCOPED_TRACE(tab);
        w.sstInternet->setTab(tab);
        QApplication::processEvents();
        QWidget *page = w.sstInternet->widget(tab);
        ASSERT_TRUE(page->isVisible());
        if (!folder.isEmpty())
            w.grab().save(folder + u"/exchange-"_s + QString::number(tab) + u".png"_s);
    }
    for (QWidget *c : w.page(0).controls())
        EXPECT_FALSE(c->isHidden()) << c->objectName().toStdString();
    for (QWidget *c : w.page(1).controls())
        EXPECT_TRUE(c->isHidden()) << c->objectName().toStdString();
    EXPECT_EQ(w.page(0).lvwCertificate->itemCount(), 1);
}

} // namespace
