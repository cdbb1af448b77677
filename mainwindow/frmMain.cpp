#include "mainwindow/frmMain.h"
#include "core/MainWindowParts.h"
#include "core/loader/WorkProgress.h"

#include "controls/Forms.h"
#include "mainwindow/CoreLink.h"
#include "core/BusyScope.h"
#include "core/HandlerGuard.h"
#include "mainwindow/frmAccount.h"
#include "mainwindow/frmLogin.h"
#include "partners/frmPartners.h"
#include "partners/frmStandard.h"
#include "mapeditor/frmMap.h"
#include "mainwindow/frmSplash.h"

#include "ado/Recordset.h"
#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "controls/Measure.h"
#include "controls/ScreenPlacement.h"
#include "controls/ProgressBar.h"
#include "controls/StatusBar.h"
#include "controls/TreeView.h"
#include "core/modGlobal.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/Icons.h"
#include "mainwindow/LayoutMath.h"
#include "mainwindow/LayoutStore.h"
#include "mainwindow/ListColumns.h"
#include "controls/SplitterBar.h"
#include "mainwindow/TransactionSetEditor.h"
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWindowStateChangeEvent>

namespace mainwindow {

using modGlobal::guardedConnect;

using controls::ListView;
using controls::pixelsToTwips;
using controls::twipsToPixels;

namespace {

QString errorText(const std::exception &e)
{
    if (auto *error = dynamic_cast<const vb::VbError *>(&e))
        return error->description;
    return QString::fromLocal8Bit(e.what());
}

} // namespace

// ---------------------------------------------------------------------------
// Construction

frmMain::frmMain()
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Corvantis"));
    setWindowIcon(windowIcon());
    lvwIcons = makeListIcons();
    tvwIcons = makeFolderIcons();
    tbrIcons = makeToolbarIcons();
    buildControls();
    buildMenus();
    buildToolbar();
    buildPopup();
    connectLists();
    // Below the layout's minimum the panes cannot be laid out: the window
    // system is told so, instead of the layout asking for it afterwards.
    setMinimumSize(twipsToPixels(kMinimumWindowSize), twipsToPixels(kMinimumWindowSize));

    setMenuHandler(QStringLiteral("mnuPrintSetup"), [this] { mnuPrintSetup_Click(); });
    setMenuHandler(QStringLiteral("mnuFolderBar"), [this] { mnuFolderBar_Click(); });
    setMenuHandler(QStringLiteral("mnuStatusBar"), [this] { mnuStatusBar_Click(); });
    setMenuHandler(QStringLiteral("mnuAccount"), [this] { mnuAccount_Click(); });
    setMenuHandler(QStringLiteral("mnuPartners"), [this] { mnuPartners_Click(); });
    setMenuHandler(QStringLiteral("mnuExit"), [this] { mnuExit_Click(); });
    setMenuHandler(QStringLiteral("mnuHelpContents"), [this] { mnuHelpContents_Click(); });
    installMailboxCommands();
    installInboundCommands();
    installSettingsCommands();
    installReportCommands();
    installMapDesignerCommands();
    installIntegratorCommands();
    installExchangeCommands();

    // The windows the exit path unloads, in its order; the others join as they are built.
    auto own = [this](const char *name, auto *tag) {
        using F = std::remove_pointer_t<decltype(tag)>;
        registerOtherWindow({QString::fromLatin1(name), [] { return controls::isLoaded<F>(); },
                             [] { return controls::unload<F>(); }});
    };
    own("frmAccount", static_cast<frmAccount *>(nullptr));
    own("frmLogin", static_cast<frmLogin *>(nullptr));
    own("frmSplash", static_cast<frmSplash *>(nullptr));
    own("frmPartners", static_cast<partners::frmPartners *>(nullptr));
    own("frmStandard", static_cast<partners::frmStandard *>(nullptr));

    mainwindow::MainWindowControls linked;
    linked.sbrStatusBar = sbrStatusBar;
    linked.tvwFolderList = tvwFolderList;
    linked.lvwHistory = lvwHistory;
    linked.lists = {lvwInbox, lvwOutbox, lvwSent, lvwRecycled, lvwHistory, lvwExchange};
    linked.RefreshBox = [this](ListView *list) { RefreshBox(list); };
    modGlobal::mainWindowLink() = mainwindow::makeMainWindowLink(linked);
    // List refreshes asked for inside other work's yields run once it ends.
    core::BusyScope::setObserver([this](bool busy) {
        while (!busy && !m_pendingRefresh.empty() && !core::BusyScope::isBusy()) {
            ListView *next = m_pendingRefresh.front();
            m_pendingRefresh.erase(m_pendingRefresh.begin());
            RefreshBox(next);
        }
        // Whatever the work changed and did not refill itself.
        if (!busy && !core::BusyScope::isBusy())
            refreshChangedLists();
    });

    // The designed size until MainLayout places the window.
    resize(twipsToPixels(12000), twipsToPixels(9000));
}

frmMain::~frmMain()
{
    if (const auto connection = m_listenedTo.lock())
        connection->setChangeListener({});
    modGlobal::mainWindowLink() = modGlobal::MainWindowLink{};
    core::BusyScope::setObserver({});
    // The designer outlives this window in no run of the program, but what it
    // was given points into this window.
    mapeditor::setMapDesignerServices({});
}

void frmMain::buildControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);

    tbrToolbar = new QToolBar(m_client);
    tbrToolbar->setObjectName(QStringLiteral("tbrToolbar"));
    tbrToolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbrToolbar->setIconSize(QSize(16, 16));
    tbrToolbar->setMovable(false);

    picFolder = new QLabel(m_client);
    picFolder->setObjectName(QStringLiteral("picFolder"));
    picFolder->setAlignment(Qt::AlignCenter);
    picFolder->setAutoFillBackground(true);
    lblFolderBar = new QLabel(m_client);
    lblFolderBar->setObjectName(QStringLiteral("lblFolderBar"));
    lblFolderBar->setAutoFillBackground(true);
    QFont caption = lblFolderBar->font();
    caption.setPointSizeF(caption.pointSizeF() * 1.4);
    caption.setBold(true);
    lblFolderBar->setFont(caption);
    QPalette bar = lblFolderBar->palette();
    bar.setColor(QPalette::Window, QColor(128, 128, 128));
    bar.setColor(QPalette::WindowText, Qt::white);
    lblFolderBar->setPalette(bar);
    picFolder->setPalette(bar);
    lblFolderBar->setGeometry(twipsToPixels(480), twipsToPixels(840), twipsToPixels(8655), twipsToPixels(480));

    tvwFolderList = new controls::TreeView(m_client);
    tvwFolderList->setObjectName(QStringLiteral("tvwFolderList"));

    picVSplit = new SplitterBar(Qt::Vertical, m_client);
    picVSplit->setObjectName(QStringLiteral("picVSplit"));
    picHSplit = new SplitterBar(Qt::Horizontal, m_client);
    picHSplit->setObjectName(QStringLiteral("picHSplit"));

    auto makeList = [this](const char *name, const char *tag) {
        auto *list = new ListView(m_client);
        list->setObjectName(QString::fromLatin1(name));
        list->setTag(QString::fromLatin1(tag));
        list->hide();
        return list;
    };
    lvwInbox = makeList("lvwInbox", core::folderKey::Inbox);
    lvwOutbox = makeList("lvwOutbox", core::folderKey::Outbox);
    lvwSent = makeList("lvwSent", core::folderKey::Sent);
    lvwRecycled = makeList("lvwRecycled", core::folderKey::Recycled);
    lvwHistory = makeList("lvwHistory", core::folderKey::History);
    lvwExchange = makeList("lvwExchange", core::folderKey::Exchange);

    scrpWelcome = new QTextBrowser(m_client);
    scrpWelcome->setObjectName(QStringLiteral("scrpWelcome"));
    scrpWelcome->setOpenLinks(false);
    const QString welcome = vb::AppInfo::path() + QStringLiteral("/Welcome.htm");
    if (QFileInfo(welcome).isFile())
        scrpWelcome->setSource(QUrl::fromLocalFile(welcome));

    txtMessage = new QLineEdit(m_client);
    txtMessage->setObjectName(QStringLiteral("txtMessage"));
    txtMessage->setReadOnly(true);
    txtMessage->setAlignment(Qt::AlignCenter);
    txtMessage->setFrame(false);
    txtMessage->hide();

    tabPreview = new QTabWidget(m_client);
    tabPreview->setObjectName(QStringLiteral("tabPreview"));
    auto *page = new QWidget;
    tabPreview->addTab(page, QStringLiteral("Transaction"));
    rtfTSet = new QTextEdit(page);
    rtfTSet->setObjectName(QStringLiteral("rtfTSet"));
    rtfTSet->setAcceptRichText(false);
    // Only Edit Data unlocks it: typing here would otherwise be stored by a later save.
    rtfTSet->setReadOnly(true);
    rtfTSet->setLineWrapMode(QTextEdit::NoWrap);
    rtfTSet->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    sbrStatusBar = new controls::StatusBar(m_client);
    sbrStatusBar->setObjectName(QStringLiteral("sbrStatusBar"));
    // The panels in the order of core::statusPanel: Text, Progress, Percent.
    sbrStatusBar->addPanel(1500, true);
    sbrStatusBar->addPanel(3000);
    sbrStatusBar->addPanel(1800);
    // The progress bar lies over panel 2 and goes with the status bar.
    pgbProgressBar = new controls::ProgressBar(sbrStatusBar);
    pgbProgressBar->setObjectName(QStringLiteral("pgbProgressBar"));
}

void frmMain::connectLists()
{
    for (ListView *list : lists()) {
        guardedConnect(list, &ListView::ColumnClick, this, [this, list](int column) { lvwBox_ColumnClick(list, column); });
        guardedConnect(list, &ListView::KeyDown, this, [this, list](int key, int shift) { lvwBox_KeyDown(list, key, shift); });
        if (isMailboxList(list)) {
            guardedConnect(list, &ListView::ItemClick, this, [this, list](int) { lvwBox_ItemClick(list); });
            guardedConnect(list, &ListView::MouseDown, this,
                           [this, list](int button, int shift, int x, int y) { lvwBox_MouseDown(list, button, shift, x, y); });
        }
    }
    guardedConnect(tvwFolderList, &controls::TreeView::NodeClick, this, [this](int index) { tvwFolderList_NodeClick(index); });
    guardedConnect(tvwFolderList, &controls::TreeView::Collapse, this, [this](int index) { tvwFolderList_Collapse(index); });
    for (SplitterBar *bar : {picVSplit, picHSplit}) {
        guardedConnect(bar, &SplitterBar::MouseDown, this, [this, bar](int b, int, int x, int y) { splitterDown(bar, b, x, y); });
        guardedConnect(bar, &SplitterBar::MouseMove, this, [this, bar](int b, int, int x, int y) { splitterMove(bar, b, x, y); });
        guardedConnect(bar, &SplitterBar::MouseUp, this, [this, bar](int b, int, int x, int y) { splitterUp(bar, b, x, y); });
    }
}

QList<ListView *> frmMain::lists() const
{
    return {lvwInbox, lvwOutbox, lvwSent, lvwRecycled, lvwHistory, lvwExchange};
}

bool frmMain::isMailboxList(const ListView *lvwBox) const
{
    return lvwBox != lvwHistory && lvwBox != lvwExchange;
}

ListView *frmMain::visibleList() const
{
    for (ListView *list : lists())
        if (!list->isHidden())
            return list;
    return nullptr;
}

ListView *frmMain::listForNode(const QString &key) const
{
    for (ListView *list : lists())
        if (list->tag() == key)
            return list;
    return nullptr;
}

int frmMain::nodeForList(const ListView *lvwBox) const
{
    return tvwFolderList->nodeIndex(lvwBox->tag());
}

// ---------------------------------------------------------------------------
// Load

StartOutcome frmMain::Form_Load()
{
    // The help file is the program folder's Corvantis.chm (Help > Contents).
    modGlobal::strCurrentUser = QStringLiteral("System");
    try {
        tvwFolderList->setImageList(tvwIcons.get());
        for (const FolderNode &node : folderNodes())
            tvwFolderList->addNode(QString::fromLatin1(node.parent), QString::fromLatin1(node.key),
                                   QString::fromLatin1(node.text), QString::fromLatin1(node.imageKey));
        setFolderPicture(1);
        for (ListView *log : {lvwHistory, lvwExchange}) {
            log->setImageList(lvwIcons.get());
            createLogColumns(*log);
        }
        for (ListView *mailbox : {lvwInbox, lvwOutbox, lvwSent, lvwRecycled})
            CreateColumns(mailbox);
        for (ListView *list : lists())
            ListViewLayout(QStringLiteral("load"), list);
        MainLayout(QStringLiteral("load"));
    } catch (const std::exception &e) {
        // Nothing is logged before the database is open.
        vb::MsgBox(errorText(e), vb::vbCritical);
    }

    if (locateAndOpenDatabase() == StartOutcome::EndProgram)
        return StartOutcome::EndProgram;

    try {
        picVSplit->setBackColor(palette().color(QPalette::Button));
        picHSplit->setBackColor(palette().color(QPalette::Button));
        lngDragColor = palette().color(QPalette::Highlight).rgba();
        menuItem(QStringLiteral("mnuRefresh"))->setText(QStringLiteral("Refresh          F5"));
        listenForTableChanges();
        for (ListView *list : lists())
            RefreshBox(list);
        tabPreview->hide();
        EnableCommands(false);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
    m_loaded = true;
    return StartOutcome::Continue;
}

void frmMain::setFolderPicture(int position)
{
    picFolder->setPixmap(folderPicture(position));
}

// ---------------------------------------------------------------------------
// Lists

void frmMain::CreateColumns(ListView *lvwBox)
{
    try {
        lvwBox->setImageList(lvwIcons.get());
        createMailboxColumns(*lvwBox, m_captionWidth);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

void frmMain::ListViewLayout(const QString &operation, ListView *lvwBox)
{
    listViewLayout(operation, *lvwBox, m_captionWidth);
}

void frmMain::ShowTransactionSet(ListView *lvwBox)
{
    // An edit in the preview is never dropped or written elsewhere silently.
    if (m_transactionSetEditor && m_transactionSetEditor->hasPendingEdit()) {
        TransactionSetEditor &editor = *m_transactionSetEditor;
        const controls::ListItem *current = lvwBox->selectedItem();
        if (current && lvwBox->tag() == editor.editedTable() && current->rowid() == editor.editedRowid())
            return;
        if (!editor.ResolvePendingEdit()) {
            // Cancel: back to the row being edited, when this list shows it.
            if (lvwBox->tag() == editor.editedTable())
                for (int i = 1; i <= lvwBox->itemCount(); ++i)
                    if (lvwBox->item(i)->rowid() == editor.editedRowid()) {
                        lvwBox->setSelectedItem(i);
                        return;
                    }
            return;
        }
    }
    if (!lvwBox->selectedItem()) {
        txtMessage->setText(QStringLiteral("There are no Items in this view."));
        txtMessage->show();
        txtMessage->raise();
        rtfTSet->clear();
        EnableCommands(false);
        return;
    }
    txtMessage->hide();
    EnableCommands(true);
    try {
        if (!modGlobal::cnDatabase)
            vb::raise(3704, QStringLiteral("Operation is not allowed when the object is closed."));
        ado::Recordset rs;
        rs.Open(modGlobal::BuildSortedSelect(*lvwBox), *modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockOptimistic);
        rs.MoveLast();
        rs.setAbsolutePosition(lvwBox->selectedItemIndex());
        QString text = cellText(rs.Fields(QStringLiteral("TSet")).Value());
        const QString partner = cellText(rs.Fields(QStringLiteral("Partner")).Value());
        const QString terminator = modGlobal::GetSegmentTerminator(partner);
        if (!terminator.isEmpty())
            text.replace(terminator, QStringLiteral("\r\n"));
        // The text box breaks lines at a line feed; a carriage return before it is not shown.
        // Sets stored by earlier versions show their bytes 0x80-0x9F as the characters of the code page.
        rtfTSet->setPlainText(vb::shownAsWindows1252(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
        rs.Close();
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

void frmMain::BuildSortMenu(ListView *lvwBox)
{
    while (m_sortBy.size() > 1) {
        QAction *item = m_sortBy.takeLast();
        m_sortByMenu->removeAction(item);
        delete item;
    }
    const int n = lvwBox->columnHeaderCount();
    const bool ackFirst = n > 0 && lvwBox->columnKey(1) == QLatin1String("Acknowledged");
    for (int i = 0; i < n; ++i) {
        QAction *item = nullptr;
        if (i == 0) {
            item = m_sortBy.front();
        } else {
            item = m_sortByMenu->addAction(QString());
            item->setObjectName(QStringLiteral("mnuSortByColumn"));
            item->setCheckable(true);
            item->setData(i);
            guardedConnect(item, &QAction::triggered, this, [this, item] { sortByTriggered(item); });
            m_sortBy.push_back(item);
        }
        QString caption = lvwBox->columnText(i + 1);
        if (i == 0 && ackFirst)
            caption = QStringLiteral("Acknowledged");
        item->setText(caption);
        item->setChecked(i == lvwBox->sortKey());
    }
    for (int i = ackFirst ? 1 : 0; i < n; ++i) {
        if (i == lvwBox->sortKey())
            ShowHeaderIcon(lvwBox, lvwBox->sortKey(), lvwBox->sortOrder(), 1);
        else
            ShowHeaderIcon(lvwBox, i, 0, 0);
    }
    menuItem(QStringLiteral("mnuAscending"))->setChecked(lvwBox->sortOrder() == 0);
    menuItem(QStringLiteral("mnuDescending"))->setChecked(lvwBox->sortOrder() != 0);
}

void frmMain::ShowHeaderIcon(ListView *lvwBox, int colNo, int imgIconNo, int showImage)
{
    lvwBox->showHeaderImage(colNo, imgIconNo, showImage != 0);
}

int frmMain::CountSelected(ListView *lvwBox) const
{
    return lvwBox->selectedCount();
}

void frmMain::applyWidthRule(ListView *lvwBox, bool onlyWhenDifferent)
{
    if (lvwBox->columnHeaderCount() < 1 || lvwBox->columnKey(1) != QLatin1String("Acknowledged"))
        return;
    if (!onlyWhenDifferent || lvwBox->columnWidthTwips(1) != 270)
        lvwBox->setColumnWidthTwips(1, 270);
}

void frmMain::lvwBox_ColumnClick(ListView *lvwBox, int column)
{
    if (isMailboxList(lvwBox))
        applyWidthRule(lvwBox, true);
    if (column == lvwBox->sortKey())
        lvwBox->setSortOrder(lvwBox->sortOrder() == 0 ? 1 : 0);
    else
        lvwBox->setSortKey(column);
    RefreshBox(lvwBox);
}

void frmMain::lvwBox_ItemClick(ListView *lvwBox)
{
    applyWidthRule(lvwBox, false);
    if (CountSelected(lvwBox) == 1)
        ShowTransactionSet(lvwBox);
}

void frmMain::lvwBox_MouseDown(ListView *lvwBox, int button, int, int, int)
{
    if (!lvwBox->selectedItem()) {
        lvwBox->setMultiSelect(false);
        return;
    }
    lvwBox->setMultiSelect(true);
    if (button == controls::RightButton)
        mnuPopup->exec(QCursor::pos());
    applyWidthRule(lvwBox, false);
}

void frmMain::lvwBox_KeyDown(ListView *lvwBox, int keyCode, int)
{
    if (keyCode == 46 && isMailboxList(lvwBox))
        runMenuHandler(QStringLiteral("mnuDelete"));
    else if (keyCode == 116)
        RefreshBox(lvwBox);
}

// ---------------------------------------------------------------------------
// Folder tree and commands

void frmMain::tvwFolderList_NodeClick(int index)
{
    if (m_transactionSetEditor && !m_transactionSetEditor->ResolvePendingEdit()) {
        // Cancel: the folder of the row being edited stays shown.
        for (int node = 1; node <= int(folderNodes().size()); ++node)
            if (ListView *list = listForNode(tvwFolderList->nodeKey(node));
                list && list->isVisible()) {
                tvwFolderList->setSelectedNode(node);
                break;
            }
        return;
    }
    try {
        const FolderNode &node = folderNodes().at(index - 1);
        if (tvwFolderList->nodeKey(index) != QLatin1String(node.key))
            return;
        if (node.shows == NodeShows::Welcome)
            showWelcome(index);
        else
            showFolderList(index);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

void frmMain::tvwFolderList_Collapse(int index)
{
    if (index == core::folderNode::Top || index == core::folderNode::Folders)
        tvwFolderList_NodeClick(index);
}

void frmMain::showWelcome(int index)
{
    const FolderNode &node = folderNodes()[index - 1];
    scrpWelcome->show();
    for (ListView *list : lists())
        list->hide();
    setWindowTitle(QString::fromLatin1(node.caption));
    lblFolderBar->setText(QString::fromLatin1(node.folderBar));
    setFolderPicture(node.picture);
    txtMessage->hide();
    tabPreview->hide();
    Form_Resize();
    EnableCommands(false);
    sbrStatusBar->setPanelText(core::statusPanel::Text, QString());
}

void frmMain::showFolderList(int index)
{
    const FolderNode &node = folderNodes()[index - 1];
    ListView *shown = listForNode(QString::fromLatin1(node.key));
    scrpWelcome->hide();
    for (ListView *list : lists())
        list->setVisible(list == shown);
    setWindowTitle(QString::fromLatin1(node.caption));
    lblFolderBar->setText(QString::fromLatin1(node.folderBar));
    const QString count = QString::number(shown->itemCount()) + QStringLiteral(" item(s) ");
    if (node.shows == NodeShows::MailboxList) {
        ShowTransactionSet(shown);
        BuildSortMenu(shown);
        setFolderPicture(node.picture);
        menuItem(QStringLiteral("mnuOutbox"))->setEnabled(shown == lvwSent);
        menuItem(QStringLiteral("mnuSent"))->setEnabled(shown == lvwOutbox);
        tabPreview->show();
        Form_Resize();
        sbrStatusBar->setPanelText(core::statusPanel::Text, count);
    } else {
        BuildSortMenu(shown);
        setFolderPicture(node.picture);
        txtMessage->hide();
        tabPreview->hide();
        Form_Resize();
        EnableCommands(false);
        if (shown->itemCount() >= 1) {
            menuItem(QStringLiteral("mnuSortBy"))->setEnabled(true);
            menuItem(QStringLiteral("mnuSortOrder"))->setEnabled(true);
            menuItem(QStringLiteral("mnuRefresh"))->setEnabled(true);
        }
        sbrStatusBar->setPanelText(core::statusPanel::Text, count);
    }
}

void frmMain::EnableCommands(bool enable)
{
    for (const CommandState &state : menuCommandStates(enable, visibleList() == lvwInbox))
        if (QAction *item = menuItem(state.control))
            item->setEnabled(state.enabled);
    for (int button : toolbarButtonsFollowingSelection())
        toolbarButton(button)->setEnabled(enable);
}

// ---------------------------------------------------------------------------
// Menus and toolbar

void frmMain::mnuPrintSetup_Click()
{
    modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Selected [File] - [Print Setup]"));
    try {
        vb::PrinterSetupRequest request;
        request.setupOnly = true;
        vb::dialogService().printerSetup(request);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

void frmMain::mnuFolderBar_Click()
{
    modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Selected [View] - [Folder Bar]"));
    QAction *item = menuItem(QStringLiteral("mnuFolderBar"));
    item->setChecked(!item->isChecked());
    Form_Resize();
}

void frmMain::mnuStatusBar_Click()
{
    modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Selected [View] - [Status Bar]"));
    QAction *item = menuItem(QStringLiteral("mnuStatusBar"));
    item->setChecked(!item->isChecked());
    Form_Resize();
}

void frmMain::mnuAccount_Click()
{
    modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Selected [Setup] - [Account]"));
    frmAccount &account = controls::form<frmAccount>();
    account.setParent(this, Qt::Dialog);
    account.exec();
    controls::unload<frmAccount>();
}

void frmMain::mnuPartners_Click()
{
    modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Selected [Setup] - [Partners]"));
    partners::frmPartners &window = controls::form<partners::frmPartners>();
    window.setParent(this, Qt::Dialog);
    controls::placeOnScreen(&window);
    window.exec();
    controls::unload<partners::frmPartners>();
}

void frmMain::mnuExit_Click()
{
    close();
}

// ---------------------------------------------------------------------------
// Exit

bool frmMain::Form_Unload()
{
    modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Selected [File] - [Exit]"));
    if (m_transactionSetEditor && !m_transactionSetEditor->ResolvePendingEdit())
        return false;
    if (core::BusyScope::isBusy()) {
        // Closing now would close and compact the database under the running
        // work: the exit is refused and nothing is lost.
        const QString text = modGlobal::AppTitle() + QStringLiteral(" cannot exit while ") + core::BusyScope::work()
            + QStringLiteral(" is in progress.");
        modGlobal::LogHistory(QStringLiteral("Warning"), text);
        vb::MsgBox(text, vb::vbOKOnly | vb::vbExclamation);
        return false;
    }
    if (vb::MsgBox(QStringLiteral("Exit Corvantis?"), vb::vbQuestion | vb::vbYesNo) != vb::vbYes)
        return false;
    try {
        for (ListView *list : lists())
            ListViewLayout(QStringLiteral("save"), list);
        MainLayout(QStringLiteral("save"));
        static const char *const order[] = {"frmAbout", "frmAccount", "frmColumns", "frmDesign", "frmMap",
                                            "frmIntegrator", "frmExchange", "frmLogin", "frmOptions",
                                            "frmPartners", "frmProperties", "frmReport", "frmSplash", "frmStandard"};
        for (const char *name : order) {
            for (const OtherWindow &window : m_otherWindows) {
                if (window.name != QLatin1String(name) || !window.isLoaded || !window.isLoaded())
                    continue;
                if (window.unload && !window.unload()) {
                    // A window with running work refused: the program keeps
                    // running on its open database, which is not compacted.
                    return false;
                }
            }
        }
        // Compaction takes a while on a large database: show that work runs.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct RestoreCursor {
            ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
        } restore;
        closeAndCompactDatabase();
    } catch (const std::exception &e) {
        vb::MsgBox(errorText(e), vb::vbCritical);
    }
    return true;
}

void frmMain::keyPressEvent(QKeyEvent *event)
{
    // F5 anywhere in the window refills the list shown (a list with the
    // focus answers F5 itself): after a click in the folder tree the focus
    // is there, and F5 must still show what is stored.
    if (event->key() == Qt::Key_F5) {
        ListView *shown = visibleList();
        const bool listHasFocus = lists().contains(qobject_cast<ListView *>(focusWidget()));
        if (shown && !listHasFocus) {
            modGlobal::GuardHandler([&] { RefreshBox(shown); });
            event->accept();
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_exitConfirmed || !m_loaded) {
        event->accept();
        return;
    }
    bool unloaded = false;
    modGlobal::GuardHandler([&] { unloaded = Form_Unload(); });
    if (unloaded) {
        m_exitConfirmed = true;
        event->accept();
        emit exited();
    } else {
        event->ignore();
    }
}

} // namespace mainwindow
