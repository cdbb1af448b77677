// The main window's menu bar, toolbar and pop-up menu: their tables, and the
// dispatch from an item or button to the command it runs.
#include "mainwindow/frmMain.h"

#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "core/BusyScope.h"
#include "core/HandlerGuard.h"
#include "core/modGlobal.h"
#include "vb/VbError.h"

#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace mainwindow {

using modGlobal::guardedConnect;

using controls::ListView;

QAction *frmMain::addItem(QMenu *menu, const QString &caption, const QString &control, const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(control);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    m_items.insert(control, action);
    guardedConnect(action, &QAction::triggered, this, [this, action, control] {
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
    guardedConnect(item0, &QAction::triggered, this, [this, item0] { sortByTriggered(item0); });
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
        guardedConnect(action, &QAction::triggered, this, [this, caption] { tbrToolbar_ButtonClick(caption); });
        if (!b.dropDown.empty()) {
            auto *menu = new QMenu(this);
            for (const auto &[text, key] : b.dropDown) {
                QAction *item = menu->addAction(QString::fromLatin1(text));
                const QString k = QString::fromLatin1(key);
                item->setData(k);
                guardedConnect(item, &QAction::triggered, this, [this, k] { tbrToolbar_ButtonMenuClick(k); });
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
        guardedConnect(action, &QAction::triggered, this, [this, runs] { runMenuHandler(runs); });
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
    if (it == m_handlers.constEnd() || !*it)
        return;
    // Commands that write to the database, or open a window that does, by
    // the name their refusal gives them: while other work holds the database
    // they are refused, since what they wrote would join its transaction.
    static const QHash<QString, QString> writers{
        {QStringLiteral("mnuPartners"), QStringLiteral("Partners")},
        {QStringLiteral("mnuMap"), QStringLiteral("Map Designer")},
        {QStringLiteral("mnuOptions"), QStringLiteral("Options")},
        {QStringLiteral("mnuExchange"), QStringLiteral("Exchange")},
        {QStringLiteral("mnuIntegrator"), QStringLiteral("Integrator")},
        {QStringLiteral("mnuEditData"), QStringLiteral("Edit Data")},
        {QStringLiteral("mnuMarkAsClosed"), QStringLiteral("Mark as Closed")},
        {QStringLiteral("mnuActiveX"), QStringLiteral("ActiveX")},
    };
    const auto writer = writers.constFind(control);
    modGlobal::GuardHandler([&] {
        if (writer == writers.constEnd() || core::BusyScope::databaseFree(*writer))
            (*it)();
    });
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

} // namespace mainwindow
