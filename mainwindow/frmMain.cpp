#include "mainwindow/frmMain.h"
#include "core/loader/WorkProgress.h"

#include "controls/Forms.h"
#include "mainwindow/CoreLink.h"
#include "core/BusyScope.h"
#include "core/HandlerGuard.h"
#include "mainwindow/frmAccount.h"
#include "mainwindow/frmLogin.h"
#include "partners/frmPartners.h"
#include "partners/frmStandard.h"
#include "mainwindow/frmSplash.h"

#include "ado/Recordset.h"
#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "controls/Measure.h"
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
#include "vb/VbError.h"

#include <QApplication>
#include <QCloseEvent>
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

// A read transaction that ends when it goes out of scope, also on an error.
class ReadTransaction {
public:
    explicit ReadTransaction(ado::Connection &connection) : m_connection(connection)
    {
        m_connection.BeginTrans();
    }
    ~ReadTransaction()
    {
        if (m_open) {
            try {
                m_connection.RollbackTrans();
            } catch (...) {
                // the error being handled is the one to report
            }
        }
    }
    void end()
    {
        m_open = false;
        m_connection.CommitTrans();
    }

private:
    ado::Connection &m_connection;
    bool m_open = true;
};

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
    });

    // The designed size until MainLayout places the window.
    resize(twipsToPixels(12000), twipsToPixels(9000));
}

frmMain::~frmMain()
{
    modGlobal::mainWindowLink() = modGlobal::MainWindowLink{};
    core::BusyScope::setObserver({});
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
    lvwInbox = makeList("lvwInbox", "Inbox");
    lvwOutbox = makeList("lvwOutbox", "Outbox");
    lvwSent = makeList("lvwSent", "Sent");
    lvwRecycled = makeList("lvwRecycled", "Recycled");
    lvwHistory = makeList("lvwHistory", "History");
    lvwExchange = makeList("lvwExchange", "Exchange");

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
    sbrStatusBar->addPanel(1500, true);
    sbrStatusBar->addPanel(3000);
    sbrStatusBar->addPanel(1800);
    // The progress bar lies over panel 2 and goes with the status bar.
    pgbProgressBar = new controls::ProgressBar(sbrStatusBar);
    pgbProgressBar->setObjectName(QStringLiteral("pgbProgressBar"));
}

QAction *frmMain::addItem(QMenu *menu, const QString &caption, const QString &control, const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(control);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    m_items.insert(control, action);
    connect(action, &QAction::triggered, this, [this, action, control] {
        // Check marks are the handlers' to set, as in the menus of old.
        if (action->isCheckable())
            action->setChecked(!action->isChecked());
        runMenuHandler(control);
    });
    return action;
}

QMenu *frmMain::addSubmenu(QMenu *menu, const QString &caption, const QString &control)
{
    QMenu *sub = menu->addMenu(caption);
    sub->setObjectName(control);
    sub->menuAction()->setObjectName(control);
    m_items.insert(control, sub->menuAction());
    return sub;
}

void frmMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto top = [this, bar](const QString &caption, const char *control) {
        QMenu *menu = bar->addMenu(caption);
        menu->setObjectName(QString::fromLatin1(control));
        m_items.insert(menu->objectName(), menu->menuAction());
        return menu;
    };

    QMenu *file = top(QStringLiteral("&File"), "mnuFile");
    QMenu *open = addSubmenu(file, QStringLiteral("&Open"), QStringLiteral("mnuOpen"));
    addItem(open, QStringLiteral("&Inbound..."), QStringLiteral("mnuOpenInbound"));
    addItem(open, QStringLiteral("&Outbound..."), QStringLiteral("mnuOpenOutbound"));
    file->addSeparator();
    addItem(file, QStringLiteral("&Export"), QStringLiteral("mnuExport"), QKeySequence(Qt::CTRL | Qt::Key_E));
    file->addSeparator();
    addItem(file, QStringLiteral("Print..."), QStringLiteral("mnuPrint"));
    addItem(file, QStringLiteral("Print Set&up..."), QStringLiteral("mnuPrintSetup"));
    file->addSeparator();
    addItem(file, QStringLiteral("Properties..."), QStringLiteral("mnuProperties"), QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addSeparator();
    addItem(file, QStringLiteral("E&xit"), QStringLiteral("mnuExit"), QKeySequence(Qt::CTRL | Qt::Key_X));

    QMenu *edit = top(QStringLiteral("&Edit"), "mnuEdit");
    addItem(edit, QStringLiteral("Selection &Filter"), QStringLiteral("mnuSelectionFilter"));
    addItem(edit, QStringLiteral("Select &All"), QStringLiteral("mnuSelectAll"), QKeySequence(Qt::CTRL | Qt::Key_A));
    edit->addSeparator();
    addItem(edit, QStringLiteral("&Edit Data"), QStringLiteral("mnuEditData"));
    edit->addSeparator();
    addItem(edit, QStringLiteral("&Find..."), QStringLiteral("mnuFind"), QKeySequence(Qt::CTRL | Qt::Key_F));
    edit->addSeparator();
    addItem(edit, QStringLiteral("&Delete"), QStringLiteral("mnuDelete"), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    edit->addSeparator();
    addItem(edit, QStringLiteral("Mark as Closed"), QStringLiteral("mnuMarkAsClosed"));

    m_viewMenu = top(QStringLiteral("&View"), "mnuView");
    QAction *folderBar = addItem(m_viewMenu, QStringLiteral("Folder Bar"), QStringLiteral("mnuFolderBar"));
    folderBar->setCheckable(true);
    folderBar->setChecked(true);
    QAction *statusBar = addItem(m_viewMenu, QStringLiteral("Status Bar"), QStringLiteral("mnuStatusBar"));
    statusBar->setCheckable(true);
    statusBar->setChecked(true);
    m_viewMenu->addSeparator();
    m_sortByMenu = addSubmenu(m_viewMenu, QStringLiteral("Sort By"), QStringLiteral("mnuSortBy"));
    QAction *item0 = m_sortByMenu->addAction(QString());
    item0->setObjectName(QStringLiteral("mnuSortByColumn"));
    item0->setCheckable(true);
    item0->setData(0);
    connect(item0, &QAction::triggered, this, [this, item0] { modGlobal::GuardHandler([&] { sortByTriggered(item0); }); });
    m_sortBy.push_back(item0);
    QMenu *order = addSubmenu(m_viewMenu, QStringLiteral("Sort Order"), QStringLiteral("mnuSortOrder"));
    addItem(order, QStringLiteral("Ascending"), QStringLiteral("mnuAscending"))->setCheckable(true);
    addItem(order, QStringLiteral("Descending"), QStringLiteral("mnuDescending"))->setCheckable(true);
    addItem(m_viewMenu, QStringLiteral("Columns..."), QStringLiteral("mnuColumns"));
    m_viewMenu->addSeparator();
    addItem(m_viewMenu, QStringLiteral("Report Viewer..."), QStringLiteral("mnuReportViewer"));
    m_viewMenu->addSeparator();
    addItem(m_viewMenu, QStringLiteral("Refresh"), QStringLiteral("mnuRefresh"));
    // The Sort By items always describe the list shown when the menu opens.
    connect(m_viewMenu, &QMenu::aboutToShow, this, [this] {
        modGlobal::GuardHandler([this] {
            if (ListView *list = visibleList())
                BuildSortMenu(list);
        });
    });

    QMenu *setup = top(QStringLiteral("&Setup"), "mnuSetup");
    addItem(setup, QStringLiteral("&Partners..."), QStringLiteral("mnuPartners"), QKeySequence(Qt::CTRL | Qt::Key_T));
    setup->addSeparator();
    addItem(setup, QStringLiteral("&Map Designer..."), QStringLiteral("mnuMap"));
    setup->addSeparator();
    addItem(setup, QStringLiteral("O&ptions..."), QStringLiteral("mnuOptions"));
    setup->addSeparator();
    addItem(setup, QStringLiteral("Account..."), QStringLiteral("mnuAccount"));

    QMenu *tools = top(QStringLiteral("&Tools"), "mnuTools");
    addItem(tools, QStringLiteral("Exchange..."), QStringLiteral("mnuExchange"));
    tools->addSeparator();
    addItem(tools, QStringLiteral("ActiveX"), QStringLiteral("mnuActiveX"));
    tools->addSeparator();
    addItem(tools, QStringLiteral("Generate Acknowledgement"), QStringLiteral("mnuGenerateAcknowledgement"));
    tools->addSeparator();
    addItem(tools, QStringLiteral("&Integrator..."), QStringLiteral("mnuIntegrator"));
    tools->addSeparator();
    addItem(tools, QStringLiteral("&Validate"), QStringLiteral("mnuValidate"), QKeySequence(Qt::CTRL | Qt::Key_V));
    tools->addSeparator();
    QMenu *designer = addSubmenu(tools, QStringLiteral("&Designer"), QStringLiteral("mnuDesigner"));
    addItem(designer, QStringLiteral("Viewer Report..."), QStringLiteral("mnuDesignReport"));
    addItem(designer, QStringLiteral("Export Report..."), QStringLiteral("mnuDesignExport"));
    addItem(designer, QStringLiteral("ActiveX Report..."), QStringLiteral("mnuDesignActiveX"));

    QMenu *help = top(QStringLiteral("&Help"), "mnuHelp");
    addItem(help, QStringLiteral("Contents..."), QStringLiteral("mnuHelpContents"), QKeySequence(Qt::Key_F1));
    help->addSeparator();
    addItem(help, QStringLiteral("&About Corvantis..."), QStringLiteral("mnuAbout"));
}

namespace {
struct ToolbarButton {
    const char *caption;
    const char *tooltip;
    const char *image;
    std::vector<std::pair<const char *, const char *>> dropDown; // text, key
};
} // namespace

void frmMain::buildToolbar()
{
    const std::vector<ToolbarButton> buttons{
        {"Open", "Open", "IMG1", {{"Inbound...", "Inbound"}, {"Outbound...", "Outbound"}}},
        {nullptr, nullptr, nullptr, {}},
        {"Options", "Options", "IMG2", {}},
        {"Partners", "Partners", "IMG3", {}},
        {nullptr, nullptr, nullptr, {}},
        {"Properties", "Properties", "IMG4", {}},
        {nullptr, nullptr, nullptr, {}},
        {"Delete", "Delete", "IMG5", {}},
        {nullptr, nullptr, nullptr, {}},
        {"Viewer", "Report Viewer", "IMG6", {}},
        {"Designer", "Report Designer", "IMG7",
         {{"Viewer Report...", "Viewer"}, {"Export Report...", "Export"}, {"ActiveX Report...", "ActiveX"}}},
        {nullptr, nullptr, nullptr, {}},
        {"Find", "Find", "IMG8", {}},
    };
    int index = 0;
    for (const ToolbarButton &b : buttons) {
        ++index;
        if (!b.caption) {
            QAction *separator = tbrToolbar->addSeparator();
            separator->setObjectName(QStringLiteral("tbrToolbar.Buttons(%1)").arg(index));
            continue;
        }
        const QString caption = QString::fromLatin1(b.caption);
        QAction *action = new QAction(tbrIcons->icon(QString::fromLatin1(b.image)), caption, tbrToolbar);
        action->setObjectName(QStringLiteral("tbrToolbar.Buttons(%1)").arg(index));
        action->setToolTip(QString::fromLatin1(b.tooltip));
        connect(action, &QAction::triggered, this, [this, caption] { modGlobal::GuardHandler([&] { tbrToolbar_ButtonClick(caption); }); });
        if (!b.dropDown.empty()) {
            auto *menu = new QMenu(this);
            for (const auto &[text, key] : b.dropDown) {
                QAction *item = menu->addAction(QString::fromLatin1(text));
                const QString k = QString::fromLatin1(key);
                item->setData(k);
                connect(item, &QAction::triggered, this, [this, k] { modGlobal::GuardHandler([&] { tbrToolbar_ButtonMenuClick(k); }); });
            }
            action->setMenu(menu);
        }
        tbrToolbar->addAction(action);
        if (!b.dropDown.empty())
            if (auto *button = qobject_cast<QToolButton *>(tbrToolbar->widgetForAction(action)))
                button->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

void frmMain::buildPopup()
{
    mnuPopup = new QMenu(QStringLiteral(" "), this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    auto item = [this](const QString &caption, const QString &control, const QString &runs) {
        QAction *action = mnuPopup->addAction(caption);
        action->setObjectName(control);
        m_items.insert(control, action);
        connect(action, &QAction::triggered, this, [this, runs] { modGlobal::GuardHandler([&] { runMenuHandler(runs); }); });
        return action;
    };
    item(QStringLiteral("Selection Filter"), QStringLiteral("mnuPopupSelectionFilter"), QStringLiteral("mnuSelectionFilter"));
    item(QStringLiteral("Select All"), QStringLiteral("mnuPopupSelectAll"), QStringLiteral("mnuSelectAll"));
    mnuPopup->addSeparator();
    item(QStringLiteral("Report Viewer..."), QStringLiteral("mnuPopupReportViewer"), QStringLiteral("mnuReportViewer"));
    mnuPopup->addSeparator();
    item(QStringLiteral("Properties"), QStringLiteral("mnuPopupProperties"), QStringLiteral("mnuProperties"));
    mnuPopup->addSeparator();
    item(QStringLiteral("Validate"), QStringLiteral("mnuPopupValidate"), QStringLiteral("mnuValidate"));
    mnuPopup->addSeparator();
    item(QStringLiteral("Refresh"), QStringLiteral("mnuPopUpRefresh"), QStringLiteral("mnuRefresh"));
    mnuPopup->addSeparator();
    QMenu *moveTo = addSubmenu(mnuPopup, QStringLiteral("Move To"), QStringLiteral("mnuMoveTo"));
    addItem(moveTo, QStringLiteral("Outbox"), QStringLiteral("mnuOutbox"));
    addItem(moveTo, QStringLiteral("Sent"), QStringLiteral("mnuSent"));
}

void frmMain::connectLists()
{
    for (ListView *list : lists()) {
        connect(list, &ListView::ColumnClick, this, [this, list](int column) { modGlobal::GuardHandler([&] { lvwBox_ColumnClick(list, column); }); });
        connect(list, &ListView::KeyDown, this, [this, list](int key, int shift) { modGlobal::GuardHandler([&] { lvwBox_KeyDown(list, key, shift); }); });
        if (isMailboxList(list)) {
            connect(list, &ListView::ItemClick, this, [this, list](int) { modGlobal::GuardHandler([&] { lvwBox_ItemClick(list); }); });
            connect(list, &ListView::MouseDown, this,
                    [this, list](int button, int shift, int x, int y) { modGlobal::GuardHandler([&] { lvwBox_MouseDown(list, button, shift, x, y); }); });
        }
    }
    connect(tvwFolderList, &controls::TreeView::NodeClick, this, [this](int index) { modGlobal::GuardHandler([&] { tvwFolderList_NodeClick(index); }); });
    connect(tvwFolderList, &controls::TreeView::Collapse, this, [this](int index) { modGlobal::GuardHandler([&] { tvwFolderList_Collapse(index); }); });
    for (SplitterBar *bar : {picVSplit, picHSplit}) {
        connect(bar, &SplitterBar::MouseDown, this, [this, bar](int b, int, int x, int y) { modGlobal::GuardHandler([&] { splitterDown(bar, b, x, y); }); });
        connect(bar, &SplitterBar::MouseMove, this, [this, bar](int b, int, int x, int y) { modGlobal::GuardHandler([&] { splitterMove(bar, b, x, y); }); });
        connect(bar, &SplitterBar::MouseUp, this, [this, bar](int b, int, int x, int y) { modGlobal::GuardHandler([&] { splitterUp(bar, b, x, y); }); });
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

QAction *frmMain::menuItem(const QString &control) const
{
    return m_items.value(control, nullptr);
}

QList<QAction *> frmMain::sortByItems() const
{
    return m_sortBy;
}

QAction *frmMain::toolbarButton(int index) const
{
    const QList<QAction *> actions = tbrToolbar->actions();
    if (index < 1 || index > actions.size())
        vb::raise(35600, QStringLiteral("Index out of bounds"));
    return actions[index - 1];
}

void frmMain::sortByTriggered(QAction *item)
{
    item->setChecked(!item->isChecked());
    m_menuIndex = item->data().toInt();
    runMenuHandler(QStringLiteral("mnuSortByColumn"));
}

void frmMain::setMenuHandler(const QString &control, std::function<void()> handler)
{
    m_handlers.insert(control, std::move(handler));
}

void frmMain::runMenuHandler(const QString &control)
{
    // The dispatch point of every menu item, toolbar button and pop-up item:
    // an error a handler lets escape is reported and the program goes on.
    const auto it = m_handlers.constFind(control);
    if (it != m_handlers.constEnd() && *it)
        modGlobal::GuardHandler(*it);
}

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
        lngDragColor = palette().color(QPalette::Highlight);
        menuItem(QStringLiteral("mnuRefresh"))->setText(QStringLiteral("Refresh          F5"));
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

void frmMain::RefreshBox(ListView *lvwBox)
{
    if (!lvwBox)
        return;
    try {
        readColumnSwitches(); // read at every call, before the busy test
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
        return;
    }
    const auto remember = [&] {
        // Remembered, once per list, and run when the running fill or other
        // work ends.
        if (std::find(m_pendingRefresh.begin(), m_pendingRefresh.end(), lvwBox) == m_pendingRefresh.end())
            m_pendingRefresh.push_back(lvwBox);
    };
    if (blnRefreshing)
        return remember();
    {
        // A refill yields too: it holds the busy scope, so nothing closes the
        // connection under it. Asked for inside other work's yield, it waits
        // for that work to end.
        core::BusyScope busy(QStringLiteral("Refresh"), modGlobal::cnDatabase);
        if (!busy.acquired())
            return remember();
        blnRefreshing = true;
        fill(lvwBox);
        blnRefreshing = false;
    }
    while (!m_pendingRefresh.empty()) {
        ListView *next = m_pendingRefresh.front();
        m_pendingRefresh.erase(m_pendingRefresh.begin());
        RefreshBox(next);
    }
}

void frmMain::fill(ListView *lvwBox)
{
    std::unique_ptr<ado::Recordset> rs;
    QList<controls::ListItem *> batch;
    // The fill's own hold on the connection, whatever happens in its yield.
    const std::shared_ptr<ado::Connection> connection = modGlobal::cnDatabase;
    try {
        const ColumnSwitches switches = readColumnSwitches();
        const int p = firstSelectedPosition(*lvwBox);
        BuildSortMenu(lvwBox);
        if (!connection)
            vb::raise(3704, QStringLiteral("Operation is not allowed when the object is closed."));
        if (!lvwBox->isHidden()) {
            txtMessage->setText(QStringLiteral("Generating View"));
            txtMessage->show();
            txtMessage->raise();
        }
        // The one yield comes before anything is read or cleared: a click in
        // it acts on the rows still shown, which are the rows of the table.
        vb::DoEvents();
        rs = std::make_unique<ado::Recordset>();
        QString statement = modGlobal::BuildSortedSelect(*lvwBox);
        // A mailbox list never shows the set's text: it is not read (same
        // rows, same order, much less to copy).
        static const QString kAllColumns = QStringLiteral("SELECT * ");
        if (isMailboxList(lvwBox) && statement.startsWith(kAllColumns))
            statement.replace(0, kAllColumns.size(),
                              QStringLiteral("SELECT Partner, [Transaction], Version, [Date], [Time], Used, "
                                             "InterchangeControlNumber, GroupControlNumber, FunctionalGroup, "
                                             "SenderID, SenderDivision, ReceiverID, ReceiverDivision, Direction, "
                                             "Acknowledged, Status "));
        rs->Open(statement, *connection, ado::adOpenKeyset, ado::adLockReadOnly);
        if (!(rs->Bof() && rs->Eof())) {
            // Fields are found once by name; the row rules read them by position.
            QHash<QByteArray, int> positions;
            ado::Fields &fields = rs->Fields();
            for (int i = 0; i < fields.Count(); ++i)
                positions.insert(fields.Item(i).Name().toLower().toLatin1(), i);
            // The row rules ask by literal names: remember each name's position.
            QHash<const char *, int> byName;
            const FieldReader field = [&](const char *name) -> vb::Variant {
                auto it = byName.constFind(name);
                if (it == byName.constEnd())
                    it = byName.insert(name, positions.value(QByteArray(name).toLower(), -1));
                const int i = *it;
                if (i < 0)
                    vb::raise(3265, QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
                return fields.Item(i).Value();
            };
            const bool mailbox = isMailboxList(lvwBox);
            const QString first = lvwBox->columnHeaderCount() >= 1 ? lvwBox->columnKey(1) : QString();
            const QString second = lvwBox->columnHeaderCount() >= 2 ? lvwBox->columnKey(2) : QString();
            // The rows are read in one read transaction, so the file is
            // locked once and not per row; nothing yields inside it, so no
            // other work can join it.
            ReadTransaction reading(*connection);
            rs->MoveFirst();
            while (!rs->Eof()) {
                const RowSpec row = mailbox ? mailboxRow(switches, first, second, field, *lvwIcons)
                                            : logRow(field, *lvwIcons);
                batch.push_back(makeItem(row, rs->rowid(), *lvwIcons));
                rs->MoveNext();
            }
            reading.end();
        }
        lvwBox->clearItems();
        lvwBox->addItems(batch);
        batch.clear();
        txtMessage->hide();
        restoreSelection(*lvwBox, p);
        const int node = nodeForList(lvwBox);
        if (node > 0)
            tvwFolderList->setNodeText(node, lvwBox->tag() + QLatin1String(" (") +
                                                 QString::number(lvwBox->itemCount()) + QLatin1Char(')'));
        if (isMailboxList(lvwBox) && !lvwBox->isHidden())
            ShowTransactionSet(lvwBox);
        lvwBox->viewport()->update();
        rs->Close();
    } catch (const std::exception &e) {
        // A fill that fails leaves the rows the list showed; the rows read so
        // far are dropped (the walks check every row against its record).
        qDeleteAll(batch);
        txtMessage->hide();
        rs.reset();
        modGlobal::ReportError(e);
    }
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
        rtfTSet->setPlainText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
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
            connect(item, &QAction::triggered, this, [this, item] { modGlobal::GuardHandler([&] { sortByTriggered(item); }); });
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

void frmMain::lvwBox_MouseDown(ListView *lvwBox, int button, int shift, int x, int y)
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

void frmMain::lvwBox_KeyDown(ListView *lvwBox, int keyCode, int shift)
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
    if (index == 1 || index == 2)
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
    sbrStatusBar->setPanelText(1, QString());
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
        sbrStatusBar->setPanelText(1, count);
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
        sbrStatusBar->setPanelText(1, count);
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
    in.panel1Width = sbrStatusBar->panelWidthTwips(1);
    in.panel2Width = sbrStatusBar->panelWidthTwips(2);
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
    setGeometry(twipsToPixels(m_placeLeft), twipsToPixels(m_placeTop), twipsToPixels(m_placeWidth),
                twipsToPixels(m_placeHeight));
}

void frmMain::MainLayout(const QString &operation)
{
    double screenWidth = m_screenWidth, screenHeight = m_screenHeight;
    if (screenWidth <= 0 || screenHeight <= 0) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
        screenWidth = pixelsToTwips(area.width());
        screenHeight = pixelsToTwips(area.height());
    }
    const MainDefaults defaults = mainDefaults(screenWidth, screenHeight);
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
        v.topNode = tvwFolderList->nodeCount() >= 1 && tvwFolderList->isExpanded(1);
        v.treeNode = tvwFolderList->nodeCount() >= 2 && tvwFolderList->isExpanded(2);
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
        if (tvwFolderList->nodeCount() >= 2) {
            tvwFolderList->setExpanded(1, v.topNode);
            tvwFolderList->setExpanded(2, v.treeNode);
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
    bar->setBackColor(lngDragColor);
    if (bar == picVSplit)
        lngSplitX = x;
    else
        lngSplitY = y;
}

void frmMain::splitterMove(SplitterBar *bar, int buttons, int x, int y)
{
    bar->raise();
    bar->setCursor(bar == picVSplit ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    const bool dragged = lngDragColor.isValid() && bar->backColor() == lngDragColor;
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

void frmMain::splitterUp(SplitterBar *bar, int button, int x, int y)
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
    window.exec();
    controls::unload<partners::frmPartners>();
}

void frmMain::mnuExit_Click()
{
    close();
}

void frmMain::tbrToolbar_ButtonClick(const QString &caption)
{
    static const QHash<QString, QString> handlers{
        {QStringLiteral("Open"), QStringLiteral("mnuOpenInbound")},
        {QStringLiteral("Options"), QStringLiteral("mnuOptions")},
        {QStringLiteral("Partners"), QStringLiteral("mnuPartners")},
        {QStringLiteral("Properties"), QStringLiteral("mnuProperties")},
        {QStringLiteral("Delete"), QStringLiteral("mnuDelete")},
        {QStringLiteral("Viewer"), QStringLiteral("mnuReportViewer")},
        {QStringLiteral("Designer"), QStringLiteral("mnuDesignReport")},
        {QStringLiteral("Find"), QStringLiteral("mnuFind")},
    };
    const auto it = handlers.constFind(caption);
    if (it != handlers.constEnd())
        runMenuHandler(*it);
}

void frmMain::tbrToolbar_ButtonMenuClick(const QString &key)
{
    static const QHash<QString, QString> handlers{
        {QStringLiteral("Inbound"), QStringLiteral("mnuOpenInbound")},
        {QStringLiteral("Outbound"), QStringLiteral("mnuOpenOutbound")},
        {QStringLiteral("Viewer"), QStringLiteral("mnuDesignReport")},
        {QStringLiteral("Export"), QStringLiteral("mnuDesignExport")},
        {QStringLiteral("ActiveX"), QStringLiteral("mnuDesignActiveX")},
    };
    const auto it = handlers.constFind(key);
    if (it != handlers.constEnd())
        runMenuHandler(*it);
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
