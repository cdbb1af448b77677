#pragma once
// The main window: folder tree, the six lists with their preview, toolbar,
// folder bar, status bar, menus, the start-up load and the exit path. The
// arithmetic and the rules live in plain functions (LayoutMath, LayoutStore,
// ListColumns, FolderTree, DatabaseSession); this class wires them to the
// controls.

#include "mainwindow/DatabaseSession.h"

#include <QColor>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTabWidget;
class QTextBrowser;
class QTextEdit;
class QToolBar;
class QToolButton;

namespace controls {
class ImageList;
class ListView;
class ProgressBar;
class SplitterBar;
class StatusBar;
class TreeView;
}

namespace ado {
class Connection;
}

namespace settings {
struct MainWindowAccess;
}

namespace core {
class WorkProgress;
}

namespace reports {
class ReportCommands;
}

namespace mainwindow {

using controls::SplitterBar;

// The mailbox commands' own classes (MailboxCommands.h, TransactionSetEditor.h).
class TransactionSetEditor;
struct MailboxContext;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain();
    ~frmMain() override;

    // The load: folder tree, log columns, mailbox columns, list and window
    // layouts, the database, and the first fill of the six lists. EndProgram
    // when no database could be opened; the window must then be deleted
    // without the exit path.
    StartOutcome Form_Load();

    // ---- Lists ----
    void RefreshBox(controls::ListView *lvwBox);
    // Refills every list whose table changed through the program's connection
    // since the list was last filled (the History list is kept row by row).
    // Runs when work ends and, for changes made outside any work, once the
    // change's handler has returned.
    void refreshChangedLists();
    void ShowTransactionSet(controls::ListView *lvwBox);
    void BuildSortMenu(controls::ListView *lvwBox);
    void ShowHeaderIcon(controls::ListView *lvwBox, int colNo, int imgIconNo, int showImage);
    int CountSelected(controls::ListView *lvwBox) const;
    void CreateColumns(controls::ListView *lvwBox);
    void ListViewLayout(const QString &operation, controls::ListView *lvwBox);

    // ---- Layout ----
    void Form_Resize();
    void MainLayout(const QString &operation);

    // ---- Folder tree and commands ----
    void tvwFolderList_NodeClick(int index);
    void tvwFolderList_Collapse(int index);
    void EnableCommands(bool enable);

    // ---- List events (the four mailbox lists share theirs, as do the two logs) ----
    void lvwBox_ColumnClick(controls::ListView *lvwBox, int column);
    void lvwBox_ItemClick(controls::ListView *lvwBox);
    void lvwBox_MouseDown(controls::ListView *lvwBox, int button, int shift, int x, int y);
    void lvwBox_KeyDown(controls::ListView *lvwBox, int keyCode, int shift);

    // ---- The inbound road (frmMain_Inbound.cpp) ----
    // Loads an interchange file into the Inbox ("I") or Outbox ("O"); empty
    // text when stored, else the message of the failed check.
    QString LoadBox(const QString &FileName, const QString &Direction);
    bool WriteOutIEA(const QString &Segments, const QString &DED, const QString &Partner);
    void ValidateBox(controls::ListView *lvwBox);
    void GenerateAcknowledgement();
    void mnuOpenInbound_Click();
    void mnuOpenOutbound_Click();
    void mnuValidate_Click();
    void mnuGenerateAcknowledgement_Click();

    // ---- Menus and toolbar ----
    void mnuPrintSetup_Click();
    void mnuFolderBar_Click();
    void mnuStatusBar_Click();
    void mnuAccount_Click();
    void mnuPartners_Click();
    void mnuExit_Click();
    void mnuHelpContents_Click();
    void tbrToolbar_ButtonClick(const QString &caption);
    void tbrToolbar_ButtonMenuClick(const QString &key);

    // ---- Report commands (frmMain_Reports.cpp) ----
    // The report commands and the plug-in runner over this window's lists,
    // progress and translation host (integration jobs use them too).
    reports::ReportCommands reportCommands();
    void mnuReportViewer_Click();
    void mnuPrint_Click();
    void mnuExport_Click();
    void mnuDesignReport_Click();
    void mnuDesignExport_Click();
    void mnuDesignActiveX_Click();
    void mnuActiveX_Click();

    // ---- Mailbox commands (frmMain_Mailbox.cpp) ----
    void mnuOutbox_Click();
    void mnuSent_Click();
    void mnuDelete_Click();
    void mnuMarkAsClosed_Click();
    void mnuRefresh_Click();
    void mnuSortByColumn_Click(int16_t Index);
    void mnuAscending_Click();
    void mnuDescending_Click();
    void mnuEditData_Click();
    void mnuFind_Click();
    void mnuSelectAll_Click();
    void mnuSelectionFilter_Click();
    // The key of the selected rows ("partner,transaction,version,direction") or empty text.
    QString IsSelectionUnique(controls::ListView *lvwBox);
    bool MakeUniqueSelection(controls::ListView *lvwBox, const QString &strPartner, const QString &strTransaction,
                             const QString &strVersion, const QString &strDirection);
    void SelectionFilter(controls::ListView *lvwBox);
    // The list of the folder selected in the tree, nullptr for another node.
    controls::ListView *currentList() const;
    // What the mailbox command classes need of this window.
    MailboxContext mailboxContext();

    // The command run by a menu item, pop-up item or toolbar button.
    // Commands of other windows are connected here as they are built; an
    // item without a handler does nothing.
    void setMenuHandler(const QString &control, std::function<void()> handler);
    void runMenuHandler(const QString &control);
    bool hasMenuHandler(const QString &control) const { return m_handlers.contains(control); }

    // A menu item (menu bar or pop-up) by control name; nullptr when none.
    QAction *menuItem(const QString &control) const;
    // The Sort By items (mnuSortByColumn(0) ...).
    QList<QAction *> sortByItems() const;
    // Toolbar button by 1-based index (separators included).
    QAction *toolbarButton(int index) const;
    QMenu *viewMenu() const { return m_viewMenu; }
    // Index of the Sort By item chosen last (the handler of mnuSortByColumn reads it).
    int menuIndex() const { return m_menuIndex; }

    // A window that the exit path unloads (in its fixed order of window
    // names); unload returns false when the window refuses.
    struct OtherWindow {
        QString name;
        std::function<bool()> isLoaded;
        std::function<bool()> unload;
    };
    void registerOtherWindow(OtherWindow window) { m_otherWindows.push_back(std::move(window)); }

    // The exit path (the close box, File > Exit). True when the window closes.
    bool Form_Unload();

    // The list shown in the right pane, nullptr for the welcome page.
    controls::ListView *visibleList() const;
    bool isMailboxList(const controls::ListView *lvwBox) const;
    QList<controls::ListView *> lists() const;

    // Controls, by their names.
    QToolBar *tbrToolbar = nullptr;
    QLabel *picFolder = nullptr;
    QLabel *lblFolderBar = nullptr;
    controls::TreeView *tvwFolderList = nullptr;
    SplitterBar *picVSplit = nullptr;
    SplitterBar *picHSplit = nullptr;
    controls::ListView *lvwInbox = nullptr;
    controls::ListView *lvwOutbox = nullptr;
    controls::ListView *lvwSent = nullptr;
    controls::ListView *lvwRecycled = nullptr;
    controls::ListView *lvwHistory = nullptr;
    controls::ListView *lvwExchange = nullptr;
    QTextBrowser *scrpWelcome = nullptr;
    QLineEdit *txtMessage = nullptr;
    QTabWidget *tabPreview = nullptr;
    QTextEdit *rtfTSet = nullptr;
    controls::StatusBar *sbrStatusBar = nullptr;
    controls::ProgressBar *pgbProgressBar = nullptr;
    QMenu *mnuPopup = nullptr;

    std::unique_ptr<controls::ImageList> lvwIcons;
    std::unique_ptr<controls::ImageList> tvwIcons;
    std::unique_ptr<controls::ImageList> tbrIcons;

    // Form-level state of the layout.
    long lngPaneTop = 0;
    long lngPaneHeight = 0;
    long lngSplitX = 0;
    long lngSplitY = 0;
    // A 32-bit ARGB number, as its prefix says; 0 (no colour) until the load sets it.
    QRgb lngDragColor = 0;
    bool blnRefreshing = false;

    // The screen size in twips that MainLayout computes its defaults from
    // (the primary screen unless set, for tests).
    void setScreenTwips(double width, double height);

    // Window measures in twips.
    double clientWidthTwips() const;
    double clientHeightTwips() const;
    double captionWidthTwips() const { return m_captionWidth; }

signals:
    // The exit path ran to its end: the program ends.
    void exited();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void installInboundCommands();
    void installSettingsCommands();
    void installReportCommands();
    void installMapDesignerCommands();
    void installIntegratorCommands();
    void installExchangeCommands();
    settings::MainWindowAccess settingsAccess();
    void openInterchangeFiles(const QString &item, const QString &folderKey, const QString &filter,
                              const QString &title, const QString &direction);
    void buildControls();
    void buildMenus();
    void buildToolbar();
    void buildPopup();
    void connectLists();
    QAction *addItem(QMenu *menu, const QString &caption, const QString &control,
                     const QKeySequence &shortcut = {});
    QMenu *addSubmenu(QMenu *menu, const QString &caption, const QString &control);
    void fill(controls::ListView *lvwBox);
    void sortByTriggered(QAction *item);
    void applyWidthRule(controls::ListView *lvwBox, bool onlyWhenDifferent);
    void showWelcome(int index);
    void showFolderList(int index);
    void setFolderPicture(int position);
    void placeBarsAndDocks();
    void splitterDown(SplitterBar *bar, int button, int x, int y);
    void splitterMove(SplitterBar *bar, int buttons, int x, int y);
    void splitterUp(SplitterBar *bar, int button, int x, int y);
    void applyStoredPlacement();
    controls::ListView *listForNode(const QString &key) const;
    void installMailboxCommands();
    controls::ListView *currentMailboxList() const;
    TransactionSetEditor &transactionSetEditor();
    int nodeForList(const controls::ListView *lvwBox) const;

    QWidget *m_client = nullptr;
    QMenu *m_viewMenu = nullptr;
    QMenu *m_sortByMenu = nullptr;
    QHash<QString, QAction *> m_items;
    std::unique_ptr<TransactionSetEditor> m_transactionSetEditor;
    std::unique_ptr<core::WorkProgress> m_reportProgress;
    QHash<QString, std::function<void()>> m_handlers;
    QList<QAction *> m_sortBy;
    std::vector<OtherWindow> m_otherWindows;
    std::vector<controls::ListView *> m_pendingRefresh;
    // Per list: the connection's change count of its table when it was last filled.
    QHash<const controls::ListView *, uint64_t> m_filledAt;
    std::weak_ptr<ado::Connection> m_listenedTo;
    bool m_refreshingChanged = false;
    void listenForTableChanges();
    double m_captionWidth = 8655; // lblFolderBar's designed width until the first layout pass
    double m_screenWidth = 0, m_screenHeight = 0;
    int m_menuIndex = 0;
    bool m_loaded = false;
    bool m_inResize = false;
    bool m_resizeAgain = false;
    bool m_exitConfirmed = false;
    bool m_pendingPlacement = false;
    long m_placeTop = 0, m_placeLeft = 0, m_placeHeight = 0, m_placeWidth = 0;
    int m_placeState = 0;
};

// The window's progress (status bar, progress bar, preview, yields) as core work sees it.
std::unique_ptr<core::WorkProgress> makeWindowProgress(frmMain &window);

} // namespace mainwindow
