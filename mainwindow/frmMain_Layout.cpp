// The main window's layout: the resize pass over the panes, the stored
// placement (MainLayout) and the two splitter bars.
#include "mainwindow/frmMain.h"
#include "core/MainWindowParts.h"

#include "controls/ListView.h"
#include "controls/Measure.h"
#include "controls/ScreenPlacement.h"
#include "controls/ProgressBar.h"
#include "controls/SplitterBar.h"
#include "controls/StatusBar.h"
#include "controls/TreeView.h"
#include "core/HandlerGuard.h"
#include "core/modGlobal.h"
#include "mainwindow/LayoutMath.h"
#include "mainwindow/LayoutStore.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBar>
#include <QWindowStateChangeEvent>

namespace mainwindow {

using controls::ListView;
using controls::pixelsToTwips;
using controls::twipsToPixels;

namespace {

constexpr double kFolderPictureSize = 480; // picFolder, 480 x 480
constexpr double kCaptionHeight = 480;     // lblFolderBar (FB)

void setGeometryTwips(QWidget *w, const TwipsRect &r)
{
    w->setGeometry(twipsToPixels(r.left), twipsToPixels(r.top), std::max(0, twipsToPixels(r.width)),
                   std::max(0, twipsToPixels(r.height)));
}

} // namespace

void frmMain::setScreenTwips(double width, double height)
{
    m_screenWidth = width;
    m_screenHeight = height;
}

double frmMain::clientWidthTwips() const
{
    return pixelsToTwips(m_client->width());
}

double frmMain::clientHeightTwips() const
{
    return pixelsToTwips(m_client->height());
}

// ---------------------------------------------------------------------------
// Layout

void frmMain::placeBarsAndDocks()
{
    const int w = m_client->width();
    const int toolbarHeight = tbrToolbar->sizeHint().height();
    tbrToolbar->setGeometry(0, 0, w, toolbarHeight);
    const int statusHeight = sbrStatusBar->sizeHint().height();
    sbrStatusBar->setGeometry(0, m_client->height() - statusHeight, w, statusHeight);
}

void frmMain::Form_Resize()
{
    // Until the window is shown its panes have no size to lay out; the
    // first pass runs when it appears.
    if (!isVisible())
        return;
    placeBarsAndDocks();
    LayoutInput in;
    in.minimized = isMinimized();
    in.windowWidth = pixelsToTwips(frameGeometry().width());
    in.windowHeight = pixelsToTwips(frameGeometry().height());
    in.SW = clientWidthTwips();
    in.SH = clientHeightTwips();
    in.toolbarHeight = pixelsToTwips(tbrToolbar->height());
    in.captionHeight = kCaptionHeight;
    in.statusBarHeight = pixelsToTwips(sbrStatusBar->height());
    in.statusBarTop = pixelsToTwips(sbrStatusBar->y());
    in.folderBarChecked = menuItem(QStringLiteral("mnuFolderBar"))->isChecked();
    in.statusBarChecked = menuItem(QStringLiteral("mnuStatusBar"))->isChecked();
    in.previewVisible = !tabPreview->isHidden();
    in.V = picVSplit->leftTwips();
    in.H = picHSplit->topTwips();
    in.picFolderWidth = kFolderPictureSize;
    in.panel1Width = sbrStatusBar->panelWidthTwips(core::statusPanel::Text);
    in.panel2Width = sbrStatusBar->panelWidthTwips(core::statusPanel::Progress);
    const LayoutResult out = layoutPass(in);
    const QSize frameExtra = frameGeometry().size() - size();
    switch (out.action) {
    case LayoutResult::Action::None:
        return;
    case LayoutResult::Action::SetHeight:
        resize(width(), twipsToPixels(out.newWindowHeight) - frameExtra.height());
        return;
    case LayoutResult::Action::SetWidth:
        resize(twipsToPixels(out.newWindowWidth) - frameExtra.width(), height());
        return;
    case LayoutResult::Action::Laid:
        break;
    }
    picHSplit->setTopTwips(out.H);
    lblFolderBar->setVisible(out.folderBarVisible);
    picFolder->setVisible(out.folderBarVisible);
    sbrStatusBar->setVisible(out.statusBarVisible);
    picFolder->setGeometry(0, tbrToolbar->height(), twipsToPixels(kFolderPictureSize), twipsToPixels(kFolderPictureSize));
    if (out.folderBarVisible) {
        lblFolderBar->setGeometry(twipsToPixels(out.captionLeft), tbrToolbar->height(), twipsToPixels(out.captionWidth),
                                  twipsToPixels(kCaptionHeight));
        m_captionWidth = out.captionWidth;
    }
    lngPaneTop = static_cast<long>(out.paneTop);
    lngPaneHeight = static_cast<long>(out.paneHeight);
    picHSplit->setVisible(out.hSplitVisible);
    TwipsRect progress = out.progress;
    progress.top -= in.statusBarTop; // the progress bar lives in the status bar
    setGeometryTwips(pgbProgressBar, progress);
    setGeometryTwips(tvwFolderList, out.tree);
    for (ListView *list : lists())
        setGeometryTwips(list, out.list);
    setGeometryTwips(txtMessage, out.message);
    picVSplit->setGeometryTwips(out.vSplit.left, out.vSplit.top, out.vSplit.width, out.vSplit.height);
    if (!tabPreview->isHidden()) {
        setGeometryTwips(tabPreview, out.tab);
        setGeometryTwips(rtfTSet, out.rtf);
        picHSplit->setGeometryTwips(out.hSplit.left, out.hSplit.top, out.hSplit.width, out.hSplit.height);
    } else {
        setGeometryTwips(scrpWelcome, out.welcome);
    }
    txtMessage->raise();
    for (ListView *list : lists())
        list->viewport()->update();
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_inResize) {
        // A resize the layout pass asked for: laid out when the pass returns.
        m_resizeAgain = true;
        return;
    }
    m_inResize = true;
    for (int pass = 0; pass < 3; ++pass) {
        m_resizeAgain = false;
        modGlobal::GuardHandler([this] { Form_Resize(); });
        if (!m_resizeAgain)
            break;
    }
    m_inResize = false;
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !m_inResize) {
        m_inResize = true;
        modGlobal::GuardHandler([this] { Form_Resize(); });
        m_inResize = false;
    }
}

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    modGlobal::GuardHandler([this] {
        if (m_pendingPlacement) {
            // The outer size is known only once the window has its frame.
            m_pendingPlacement = false;
            if (!isMaximized() && !isMinimized())
                applyStoredPlacement();
        }
        Form_Resize();
    });
}

void frmMain::applyStoredPlacement()
{
    // The stored measure is the window's own area without the frame, the
    // measure the exit saves: the frame is unknown until the window system
    // has drawn it, so using it here made the window creep at every start.
    // A placement stored on a larger screen is fitted into this one.
    const QRect wanted(twipsToPixels(m_placeLeft), twipsToPixels(m_placeTop), twipsToPixels(m_placeWidth),
                       twipsToPixels(m_placeHeight));
    controls::placeOnScreen(this, wanted, controls::availableScreenArea(wanted, m_screenWidth, m_screenHeight));
}

void frmMain::MainLayout(const QString &operation)
{
    const QSizeF screen = controls::screenTwips(m_screenWidth, m_screenHeight);
    const MainDefaults defaults = mainDefaults(screen.width(), screen.height());
    const QString op = operation.toLower();
    if (op == QLatin1String("save")) {
        if (isMinimized())
            showNormal();
        MainLayoutValues v;
        v.state = isMaximized() ? 2 : 0;
        const QRect frame = geometry(); // the measure the start restores
        v.top = pixelsToTwips(frame.top());
        v.left = pixelsToTwips(frame.left());
        v.height = pixelsToTwips(frame.height());
        v.width = pixelsToTwips(frame.width());
        v.folderBar = menuItem(QStringLiteral("mnuFolderBar"))->isChecked();
        v.statusBar = menuItem(QStringLiteral("mnuStatusBar"))->isChecked();
        v.topNode = tvwFolderList->nodeCount() >= core::folderNode::Top && tvwFolderList->isExpanded(core::folderNode::Top);
        v.treeNode = tvwFolderList->nodeCount() >= core::folderNode::Folders && tvwFolderList->isExpanded(core::folderNode::Folders);
        v.vSplit = roundHalfEven(picVSplit->leftTwips());
        v.hSplit = roundHalfEven(picHSplit->topTwips());
        saveMainLayout(v);
    } else if (op == QLatin1String("load")) {
        const MainLayoutValues v = readMainLayout(defaults);
        m_placeTop = v.top;
        m_placeLeft = v.left;
        m_placeHeight = v.height;
        m_placeWidth = v.width;
        applyStoredPlacement();
        m_pendingPlacement = !isVisible();
        if (v.state == 2)
            setWindowState(windowState() | Qt::WindowMaximized);
        else if (v.state == 1)
            setWindowState(windowState() | Qt::WindowMinimized);
        if (tvwFolderList->nodeCount() >= core::folderNode::Folders) {
            tvwFolderList->setExpanded(core::folderNode::Top, v.topNode);
            tvwFolderList->setExpanded(core::folderNode::Folders, v.treeNode);
        }
        menuItem(QStringLiteral("mnuFolderBar"))->setChecked(v.folderBar);
        menuItem(QStringLiteral("mnuStatusBar"))->setChecked(v.statusBar);
        picVSplit->setLeftTwips(v.vSplit);
        picHSplit->setTopTwips(v.hSplit);
        Form_Resize();
    }
}

void frmMain::splitterDown(SplitterBar *bar, int button, int x, int y)
{
    if (button != controls::LeftButton) {
        splitterUp(bar, button, x, y);
        return;
    }
    bar->setBackColor(QColor::fromRgba(lngDragColor));
    if (bar == picVSplit)
        lngSplitX = x;
    else
        lngSplitY = y;
}

void frmMain::splitterMove(SplitterBar *bar, int buttons, int x, int y)
{
    bar->raise();
    bar->setCursor(bar == picVSplit ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    const bool dragged = lngDragColor != 0 && bar->backColor().rgba() == lngDragColor;
    if (!(buttons & controls::LeftButton) || !dragged)
        return;
    if (bar == picVSplit && x != lngSplitX) {
        bar->setGeometryTwips(bar->leftTwips() + x, lngPaneTop + 100, 100, lngPaneHeight - 100);
        lngSplitX = x;
    } else if (bar == picHSplit && y != lngSplitY) {
        bar->setGeometryTwips(picVSplit->leftTwips() + 100, bar->topTwips() + y, pixelsToTwips(frameGeometry().width()), 100);
        lngSplitY = y;
    }
}

void frmMain::splitterUp(SplitterBar *bar, int, int x, int y)
{
    if (bar == picVSplit) {
        if (x != lngSplitX)
            bar->setLeftTwips(bar->leftTwips() + x);
        bar->setBackColor(palette().color(QPalette::Button));
        bar->setLeftTwips(limitVSplitRelease(bar->leftTwips(), clientWidthTwips()));
    } else {
        if (y != lngSplitY)
            bar->setTopTwips(bar->topTwips() + y);
        bar->setBackColor(palette().color(QPalette::Button));
        bar->setTopTwips(limitHSplitRelease(bar->topTwips(), clientHeightTwips()));
    }
    bar->unsetCursor();
    Form_Resize();
}

} // namespace mainwindow
