#pragma once
// The map designer "Map Designer": the transaction sets, the map of the
// selected one as a tree, the segment and element panes with their commands,
// the script box with its reference, and the output of trial runs. The map
// work lives in MapStore and the layout in MapLayout; the window wires them.
// While it is loaded it hosts the translation runs (their script control and
// output boxes).

#include "mapeditor/MapLayout.h"
#include "mapeditor/MapReference.h"
#include "mapeditor/MapStore.h"
#include "translation/MapScriptHost.h"

#include <QColor>
#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace controls {
class ComboList;
class ImageList;
class ListView;
class MaskedEdit;
class ScriptBox;
class SplitterBar;
class TabStrip;
class TextBox;
class TreeView;
}
namespace core {
class WorkProgress;
}
namespace vbs {
class ScriptControl;
}

namespace mapeditor {

struct RunOutcome;

// What the designer needs of the main window for the inbound trial run.
struct MapDesignerServices {
    std::function<controls::ListView *()> inbox;
    std::function<QString(controls::ListView &)> isSelectionUnique;
    std::function<core::WorkProgress *()> progress;
};
void setMapDesignerServices(MapDesignerServices services);

class frmMap : public QMainWindow, public translation::MapScriptHost {
    Q_OBJECT
public:
    frmMap();
    ~frmMap() override;

    // Controls, by their classic names.
    controls::ListView *lvwTSets = nullptr;
    controls::TreeView *tvwTSets = nullptr;
    QGroupBox *fraSegment = nullptr, *fraElement = nullptr;
    controls::TextBox *txtSegment = nullptr, *txtSegmentName = nullptr, *txtMaxUsageLoop = nullptr,
                      *txtPlaceholders = nullptr;
    controls::ComboList *cboSegmentUsage = nullptr, *cboSegmentLevel = nullptr;
    controls::MaskedEdit *txtLoopLevel = nullptr;
    QCheckBox *chkLooping = nullptr, *chkSegmentExclude = nullptr;
    QPushButton *cmdSaveSegment = nullptr, *cmdAddSegment = nullptr, *cmdDeleteSegment = nullptr,
                *cmdDuplicateSegment = nullptr, *cmdSegmentIn = nullptr, *cmdSegmentOut = nullptr,
                *cmdSegmentUp = nullptr, *cmdSegmentDown = nullptr, *cmdSegmentProcess = nullptr;
    controls::TextBox *txtReference = nullptr, *txtElementName = nullptr, *txtElementMin = nullptr,
                      *txtElementMax = nullptr, *txtFormat = nullptr;
    controls::ComboList *cboElementUsage = nullptr, *cboElementType = nullptr;
    QCheckBox *chkElementExclude = nullptr;
    QPushButton *cmdSaveElement = nullptr, *cmdAddElement = nullptr, *cmdDeleteElement = nullptr,
                *cmdDuplicateElement = nullptr, *cmdMoveElementUp = nullptr, *cmdMoveElementDown = nullptr,
                *cmdElementProcess = nullptr;
    controls::TabStrip *sstControls = nullptr;
    controls::ScriptBox *txtScript = nullptr;
    controls::TreeView *tvwReference = nullptr;
    QPlainTextEdit *txtImmediate = nullptr, *txtTransaction = nullptr;
    controls::SplitterBar *picVSplitLeft = nullptr, *picVSplitCenter = nullptr, *picVSplitRight = nullptr,
                          *picHSplit = nullptr;
    QLabel *lblRunOutcome = nullptr; // the status line: what Execute Mapper came to
    QMenu *mnuFile = nullptr;
    QAction *mnuGuideline = nullptr, *mnuClose = nullptr;

    // Form state.
    bool blnBusy = false;
    bool blnSegmentChanged = false, blnElementChanged = false;
    QString strCurrentKey, strShownKey, strMapKey;
    QString strMapPartner, strMapTransaction, strMapVersion, strMapDirection;

    // The procedures of the window.
    void LoadTransactionSets();
    void lvwTSets_ItemClick();
    void LoadMapTree();
    void tvwTSets_Event(int node, int mode); // Collapse 0, Expand and NodeClick 1
    void ShowSegment(int mode);
    void ShowElement();
    // Write the pane to the row of `key`; false when nothing was written (a
    // value refused, another task's transaction, a failure), the pane then
    // keeps the edit.
    bool SaveSegment(const QString &key);
    bool SaveElement(const QString &key);
    void cmdAddSegment_Click();
    void cmdDeleteSegment_Click();
    void cmdDuplicateSegment_Click();
    void cmdSegmentIn_Click();
    void cmdSegmentOut_Click();
    void cmdSegmentUp_Click();
    void cmdSegmentDown_Click();
    void cmdAddElement_Click();
    void cmdDuplicateElement_Click();
    void cmdDeleteElement_Click();
    void cmdMoveElementUp_Click();
    void cmdMoveElementDown_Click();
    void cmdProcess_Click(QPushButton *pressed);
    void BuildReferenceTree();
    void LoadResultFields();
    void sstControls_Click(int previousTab);
    void mnuGuideline_Click();
    void MainLayout(const QString &operation);
    void Form_Resize();

    // The outbound run of list row `index` (from 1).
    void ProcessOutbound(int index, bool blnSilent);
    // Refills the list when the partner window changed the sets, keeping
    // the selected set when it still exists.
    void RefreshTransactionSets();
    // The partner window is about to remove or rename the maps of `partner`
    // (only the one set when `transaction` is given): an edit of the shown
    // map is offered for saving while its rows exist.
    void MapsLeaving(const QString &partner, const QString &transaction, const QString &version,
                     const QString &direction);

    // False while a translation runs: the exit path waits for it.
    bool QueryUnload();

    // Host of the translation runs.
    vbs::ScriptControl &scScript() override;
    void clearImmediate() override;
    void appendImmediate(const QString &text) override;
    void setTransactionText(const QString &text) override;
    int findInTransaction(const QString &text, int start, bool wholeWord) override;
    void setEditingEnabled(bool enabled) override;

    // The screen size the layout's defaults are computed from (tests fix it).
    void setScreenSizeTwips(double width, double height);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void applyStoredPlacement();

private:
    void buildControls();
    void buildSegmentPane();
    void buildElementPane();
    void connectControls();
    void Form_Load();
    void Form_Unload();
    SegmentPane segmentPane() const;
    ElementPane elementPane() const;
    bool readSelectedRow();
    // The pending-change question for the edit a pane holds: Yes saves it to
    // the row it was made on (the save reloads the tree on it; a failed save
    // puts the selection back on it and keeps the edit), No drops it. True
    // when the answer was Yes: the caller stops there.
    bool savePendingEdit();
    // The status line tells what Execute Mapper came to; empty clears it.
    void showRunOutcome(const RunOutcome &outcome);
    // The segment id ("BEG") or element ("BEG03") the panes show.
    QString shownRowName() const;
    // "A map holds at most 99 segments": true when the map shown is full.
    bool refuseFullMap();
    // The same when an add found the map full; passes the result on.
    std::optional<QString> addedOrFull(std::optional<QString> added);
    // The tree's selection back on the node the panes show.
    void reselectShown();
    // After a save: the map's definition files written anew, and the
    // reference's "Record" branch following the record layout.
    void saveDefinitions();
    void refreshRecordReference();
    // The same before the map's rows are renumbered; false while an edit is
    // still pending (its save failed).
    bool resolvePendingEdit();
    // Runs a writing command: refused while another task holds a database
    // transaction; a failure is reported and the tree reloaded from the map
    // as it is. On success the tree is reloaded on the returned key.
    void runCommand(QPushButton *button, const std::function<std::optional<QString>()> &command,
                    bool resolvePending = false);
    bool databaseFree();
    // The list's rows from the store, none selected.
    void fillTransactionSets();
    // The list position of the map loaded into the tree; 0 when none.
    int rowOfLoadedMap() const;
    // The segment and element moves: one of `kind` ("Segment", "Element") selected.
    void runMove(QPushButton *button, const QString &kind,
                 std::optional<QString> (MapStore::*move)(const MapKey &, const QString &));
    QString selectedNodeKey() const;
    QString selectedNodeParentText() const;
    void splitterDown(controls::SplitterBar *bar, int button, int x, int y);
    void splitterMove(controls::SplitterBar *bar, int buttons, int x, int y);
    void splitterUp(controls::SplitterBar *bar, int button, int x, int y);
    void moveBar(controls::SplitterBar *bar, double p);
    MapBars barPositions() const;
    MapBars wantedBars() const;
    double clientWidthTwips() const;
    double clientHeightTwips() const;

    std::unique_ptr<controls::ImageList> tvwIcons;
    std::unique_ptr<vbs::ScriptControl> m_script;
    QWidget *m_client = nullptr;
    QWidget *m_scriptPage = nullptr, *m_immediatePage = nullptr, *m_transactionPage = nullptr;
    QTimer *m_unloadWhenIdle = nullptr;
    MapStore m_store;
    Map m_map; // the map loaded into the tree: the panes, commands and trial runs work on it
    std::vector<ReferenceNode> m_referenceNodes; // what the reference holds, in the order added
    QRgb lngDragColor = 0; // a 32-bit ARGB number, as its prefix says
    int lngVSplitLeftX = 0, lngVSplitCenterX = 0, lngVSplitRightX = 0, lngHSplitY = 0;
    double m_screenWidth = 0, m_screenHeight = 0;
    double m_placeTop = 0, m_placeLeft = 0, m_placeWidth = 0, m_placeHeight = 0;
    bool m_pendingPlacement = false;
    // Where the user placed the bars, and where the last layout pass put them.
    std::optional<MapBars> m_wantedBars, m_placedBars;
    bool m_unloaded = false;
    // The segment pane's edit holds more than a Level chosen.
    bool m_segmentEditBesidesLevel = false;
};

} // namespace mapeditor
