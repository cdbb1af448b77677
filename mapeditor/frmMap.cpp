#include "mapeditor/frmMap.h"

#include "mapeditor/MapIcons.h"
#include "mapeditor/MapReference.h"
#include "mapeditor/RunOutcome.h"
#include "partners/TransactionsNotifier.h"
#include "translation/OpenReport.h"
#include "translation/OutboundTranslation.h"
#include "translation/RecordLayout.h"
#include "translation/ReportDefinition.h"
#include "translation/TranslationBusy.h"

#include "core/BusyScope.h"
#include "core/HandlerGuard.h"
#include "core/ListSelection.h"
#include "core/Logging.h"
#include "core/SettingsSections.h"
#include "core/loader/X12Text.h"
#include "core/modGlobal.h"

#include "ado/Recordset.h"
#include "controls/ComboList.h"
#include "controls/Forms.h"
#include "controls/ImageList.h"
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
#include "vb/Conversions.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"
#include "vb/VbError.h"
#include "vbscript/ScriptControl.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextStream>
#include <QTimer>

namespace mapeditor {

using modGlobal::guardedConnect;

using namespace Qt::StringLiterals;
using controls::pixelsToTwips;
using controls::twipsToPixels;

namespace {

MapDesignerServices &services()
{
    static MapDesignerServices s;
    return s;
}

// The window's designed size, before a stored placement applies.
constexpr double kDesignWidth = 12600;
constexpr double kDesignHeight = 9000;

void setGeometryTwips(QWidget *w, const std::optional<LayoutRect> &r, QPoint offset = {})
{
    if (!r)
        return;
    w->setGeometry(twipsToPixels(r->left) - offset.x(), twipsToPixels(r->top) - offset.y(),
                   std::max(0, twipsToPixels(r->width)), std::max(0, twipsToPixels(r->height)));
}

LayoutRect twipsOf(const QWidget *w)
{
    const QRect g = w->geometry();
    return {double(pixelsToTwips(g.left())), double(pixelsToTwips(g.top())), double(pixelsToTwips(g.width())),
            double(pixelsToTwips(g.height()))};
}

// Pane controls at their designed places (twips within their frame).
template <class W>
W *at(W *w, double left, double top, double width, double height = 315)
{
    w->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
    return w;
}

QPushButton *pictureButton(QWidget *parent, const char *name, const char *tip, MapCommand picture, int slot,
                           double top)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(QString::fromLatin1(tip));
    b->setAccessibleName(QString::fromLatin1(tip));
    b->setIcon(commandIcon(picture));
    b->setIconSize(QSize(16, 16));
    at(b, 120 + slot * 480, top, 420, 420);
    return b;
}

// A pane's caption and box, in the pane's two columns.
void paneLabel(QWidget *pane, const char *name, const char *text, double top)
{
    auto *l = new QLabel(QString::fromLatin1(text), pane);
    l->setObjectName(QString::fromLatin1(name));
    at(l, 120, top, 1850);
}

controls::TextBox *paneBox(QWidget *pane, const char *name, int max, double top, double width)
{
    auto *t = new controls::TextBox(pane);
    t->setObjectName(QString::fromLatin1(name));
    t->setMaxLength(max);
    return at(t, 2000, top, width);
}

void fillList(controls::ComboList *list, const QStringList &items)
{
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(-1);
}

} // namespace

void setMapDesignerServices(MapDesignerServices s)
{
    services() = std::move(s);
}

// ---------------------------------------------------------------------------
// Construction

frmMap::frmMap() : m_store(modGlobal::cnDatabase)
{
    setObjectName(u"frmMap"_s);
    setWindowTitle(u"Map Designer"_s);
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_script = std::make_unique<vbs::ScriptControl>();
    m_script->setTimeout(60000);
    translation::connectScriptEvents(*m_script, *this);
    tvwIcons = makeMapIcons();
    buildControls();
    connectControls();
    resize(twipsToPixels(kDesignWidth), twipsToPixels(kDesignHeight));
    m_unloadWhenIdle = new QTimer(this);
    m_unloadWhenIdle->setObjectName(u"unloadWhenIdle"_s);
    m_unloadWhenIdle->setInterval(200);
    guardedConnect(m_unloadWhenIdle, &QTimer::timeout, this, [this] {
        // The close box was used during a run: the window goes once the run ended.
        if (!translation::TranslationBusy::isBusy()) {
            m_unloadWhenIdle->stop();
            controls::unload<frmMap>();
        }
    });
    guardedConnect(&partners::transactionsNotifier(), &partners::TransactionsNotifier::TransactionsChanged, this,
                   [this] { RefreshTransactionSets(); });
    guardedConnect(&partners::transactionsNotifier(), &partners::TransactionsNotifier::MapsLeaving, this,
                   [this](const QString &partner, const QString &transaction, const QString &version,
                          const QString &direction) { MapsLeaving(partner, transaction, version, direction); });
    translation::setMapScriptHost(this);
    Form_Load();
}

frmMap::~frmMap()
{
    Form_Unload();
    if (&translation::mapScriptHost() == this)
        translation::setMapScriptHost(nullptr);
    controls::forgetForm(this);
}

void frmMap::buildControls()
{
    m_client = new QWidget(this);
    setCentralWidget(m_client);
    mnuFile = menuBar()->addMenu(u"File"_s);
    mnuFile->setObjectName(u"mnuFile"_s);
    mnuGuideline = mnuFile->addAction(u"View Guideline"_s);
    mnuGuideline->setObjectName(u"mnuGuideline"_s);
    mnuFile->addSeparator()->setObjectName(u"mnuBar1"_s);
    mnuClose = mnuFile->addAction(u"Close"_s);
    mnuClose->setObjectName(u"mnuClose"_s);
    // The outcome of Execute Mapper: the main window's status bar lies
    // under this window.
    lblRunOutcome = new QLabel(this);
    lblRunOutcome->setObjectName(u"lblRunOutcome"_s);
    lblRunOutcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(lblRunOutcome, 1);

    buildSegmentPane();
    buildElementPane();

    tvwTSets = new controls::TreeView(m_client);
    tvwTSets->setObjectName(u"tvwTSets"_s);
    tvwTSets->setImageList(tvwIcons.get());
    lvwTSets = new controls::ListView(m_client);
    lvwTSets->setObjectName(u"lvwTSets"_s);

    sstControls = new controls::TabStrip(m_client);
    sstControls->setObjectName(u"sstControls"_s);
    m_scriptPage = new QWidget;
    m_immediatePage = new QWidget;
    m_transactionPage = new QWidget;
    sstControls->addPage(m_scriptPage, u"Expression Builder"_s);
    sstControls->addPage(m_immediatePage, u"Immediate"_s);
    sstControls->addPage(m_transactionPage, u"Transactions"_s);
    tvwReference = new controls::TreeView(m_scriptPage);
    tvwReference->setObjectName(u"tvwReference"_s);
    tvwReference->setImageList(tvwIcons.get());
    tvwReference->setNodeTextDrag(true);
    txtScript = new controls::ScriptBox(m_scriptPage);
    txtScript->setObjectName(u"txtScript"_s);
    txtImmediate = new QPlainTextEdit(m_immediatePage);
    txtImmediate->setObjectName(u"txtImmediate"_s);
    txtTransaction = new QPlainTextEdit(m_transactionPage);
    txtTransaction->setObjectName(u"txtTransaction"_s);
    // The runs' output: what is typed there would be lost with the next run,
    // so the boxes only show it (and let it be selected and copied).
    for (QPlainTextEdit *box : {txtImmediate, txtTransaction}) {
        box->setReadOnly(true);
        box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }

    auto bar = [this](Qt::Orientation o, const char *name) {
        auto *b = new controls::SplitterBar(o, m_client);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    picVSplitLeft = bar(Qt::Vertical, "picVSplitLeft");
    picVSplitCenter = bar(Qt::Vertical, "picVSplitCenter");
    picVSplitRight = bar(Qt::Vertical, "picVSplitRight");
    picHSplit = bar(Qt::Horizontal, "picHSplit");
}

void frmMap::buildSegmentPane()
{
    fraSegment = new QGroupBox(u"Segment"_s, m_client);
    fraSegment->setObjectName(u"fraSegment"_s);
    auto label = [this](const char *name, const char *text, double top) { paneLabel(fraSegment, name, text, top); };
    auto box = [this](const char *name, int max, double top, double width) {
        return paneBox(fraSegment, name, max, top, width);
    };
    label("lblSegment", "Segment ID", 300);
    txtSegment = box("txtSegment", 4, 300, 900);
    label("lblSegmentName", "Description", 700);
    txtSegmentName = box("txtSegmentName", 128, 700, 3600);
    label("lblSegmentUsage", "Usage", 1100);
    cboSegmentUsage = at(new controls::ComboList(fraSegment), 2000, 1100, 2200);
    cboSegmentUsage->setObjectName(u"cboSegmentUsage"_s);
    label("lblSegmentLevel", "Level", 1500);
    cboSegmentLevel = at(new controls::ComboList(fraSegment), 2000, 1500, 2200);
    cboSegmentLevel->setObjectName(u"cboSegmentLevel"_s);
    label("lblLoopLevel", "Loop Level", 1900);
    txtLoopLevel = at(new controls::MaskedEdit(2, fraSegment), 2000, 1900, 600);
    txtLoopLevel->setObjectName(u"txtLoopLevel"_s);
    label("lblMaxUsageLoop", "Max Usage/Loops", 2300);
    txtMaxUsageLoop = box("txtMaxUsageLoop", 7, 2300, 1200);
    label("lblPlaceholders", "Placeholders", 2700);
    txtPlaceholders = box("txtPlaceholders", 2, 2700, 600);
    chkLooping = at(new QCheckBox(u"Looping"_s, fraSegment), 120, 3100, 1300);
    chkLooping->setObjectName(u"chkLooping"_s);
    chkSegmentExclude = at(new QCheckBox(u"Exclude"_s, fraSegment), 2000, 3100, 1300);
    chkSegmentExclude->setObjectName(u"chkSegmentExclude"_s);
    chkSegmentExclude->setToolTip(u"Exclude Segment"_s);
    const double row = 3550;
    cmdSaveSegment = pictureButton(fraSegment, "cmdSaveSegment", "Save Segment", MapCommand::Save, 0, row);
    cmdAddSegment = pictureButton(fraSegment, "cmdAddSegment", "Add Segment", MapCommand::Add, 1, row);
    cmdDeleteSegment = pictureButton(fraSegment, "cmdDeleteSegment", "Delete Segment", MapCommand::Delete, 2, row);
    cmdDuplicateSegment =
        pictureButton(fraSegment, "cmdDuplicateSegment", "Duplicate Segment", MapCommand::Duplicate, 3, row);
    cmdSegmentIn = pictureButton(fraSegment, "cmdSegmentIn", "Move Segment In", MapCommand::In, 4, row);
    cmdSegmentOut = pictureButton(fraSegment, "cmdSegmentOut", "Move Segment Out", MapCommand::Out, 5, row);
    cmdSegmentUp = pictureButton(fraSegment, "cmdSegmentUp", "Move Segment Up", MapCommand::Up, 6, row);
    cmdSegmentDown = pictureButton(fraSegment, "cmdSegmentDown", "Move Segment Down", MapCommand::Down, 7, row);
    cmdSegmentProcess = pictureButton(fraSegment, "cmdSegmentProcess", "Execute Mapper", MapCommand::Run, 8, row);
}

void frmMap::buildElementPane()
{
    fraElement = new QGroupBox(u"Element"_s, m_client);
    fraElement->setObjectName(u"fraElement"_s);
    auto label = [this](const char *name, const char *text, double top) { paneLabel(fraElement, name, text, top); };
    auto box = [this](const char *name, int max, double top, double width) {
        return paneBox(fraElement, name, max, top, width);
    };
    label("lblReference", "Element ID", 300);
    txtReference = box("txtReference", 0, 300, 900);
    txtReference->setText(u"0"_s);
    label("lblElementName", "Description", 700);
    txtElementName = box("txtElementName", 128, 700, 3600);
    label("lblElementUsage", "Usage", 1100);
    cboElementUsage = at(new controls::ComboList(fraElement), 2000, 1100, 2200);
    cboElementUsage->setObjectName(u"cboElementUsage"_s);
    label("lblElementType", "Type", 1500);
    cboElementType = at(new controls::ComboList(fraElement), 2000, 1500, 2200);
    cboElementType->setObjectName(u"cboElementType"_s);
    label("lblElementMin", "Minimum Length", 1900);
    txtElementMin = box("txtElementMin", 2, 1900, 600);
    txtElementMin->setText(u"0"_s);
    label("lblElementMax", "Maximum Length", 2300);
    txtElementMax = box("txtElementMax", 5, 2300, 900);
    txtElementMax->setText(u"0"_s);
    label("lblFormat", "Format Function", 2700);
    txtFormat = box("txtFormat", 20, 2700, 2400);
    chkElementExclude = at(new QCheckBox(u"Exclude"_s, fraElement), 120, 3100, 1300);
    chkElementExclude->setObjectName(u"chkElementExclude"_s);
    chkElementExclude->setToolTip(u"Exclude Element"_s);
    const double row = 3550;
    cmdSaveElement = pictureButton(fraElement, "cmdSaveElement", "Save Element", MapCommand::Save, 0, row);
    cmdAddElement = pictureButton(fraElement, "cmdAddElement", "Add Element", MapCommand::Add, 1, row);
    cmdDeleteElement = pictureButton(fraElement, "cmdDeleteElement", "Delete Element", MapCommand::Delete, 2, row);
    cmdDuplicateElement =
        pictureButton(fraElement, "cmdDuplicateElement", "Duplicate Element", MapCommand::Duplicate, 3, row);
    cmdMoveElementUp = pictureButton(fraElement, "cmdMoveElementUp", "Move Element Up", MapCommand::Up, 4, row);
    cmdMoveElementDown =
        pictureButton(fraElement, "cmdMoveElementDown", "Move Element Down", MapCommand::Down, 5, row);
    cmdElementProcess = pictureButton(fraElement, "cmdElementProcess", "Execute Mapper", MapCommand::Run, 6, row);
}

void frmMap::connectControls()
{
    guardedConnect(lvwTSets, &controls::ListView::ItemClick, this, [this] { lvwTSets_ItemClick(); });
    guardedConnect(tvwTSets, &controls::TreeView::NodeClick, this, [this](int n) { tvwTSets_Event(n, 1); });
    guardedConnect(tvwTSets, &controls::TreeView::Expand, this, [this](int n) { tvwTSets_Event(n, 1); });
    guardedConnect(tvwTSets, &controls::TreeView::Collapse, this, [this](int n) { tvwTSets_Event(n, 0); });

    // Add Segment takes the Level for the new segment, so the pane tells a
    // Level chosen apart from its other edits.
    auto segmentEdited = [this](bool level) {
        if (!blnSegmentChanged)
            m_segmentEditBesidesLevel = false;
        blnSegmentChanged = true;
        if (!level)
            m_segmentEditBesidesLevel = true;
    };
    auto segmentChanged = [segmentEdited] { segmentEdited(false); };
    auto elementChanged = [this] { blnElementChanged = true; };
    for (controls::TextBox *t : {txtSegmentName, txtMaxUsageLoop, txtPlaceholders})
        guardedConnect(t, &QLineEdit::textChanged, this, segmentChanged);
    guardedConnect(txtLoopLevel, &QLineEdit::textChanged, this, segmentChanged);
    for (QCheckBox *c : {chkLooping, chkSegmentExclude})
        guardedConnect(c, &QCheckBox::stateChanged, this, segmentChanged);
    guardedConnect(cboSegmentUsage, &controls::ComboList::Click, this, segmentChanged);
    guardedConnect(cboSegmentLevel, &controls::ComboList::Click, this, [segmentEdited] { segmentEdited(true); });
    for (controls::TextBox *t : {txtReference, txtElementName, txtElementMin, txtElementMax, txtFormat})
        guardedConnect(t, &QLineEdit::textChanged, this, elementChanged);
    guardedConnect(chkElementExclude, &QCheckBox::stateChanged, this, elementChanged);
    for (controls::ComboList *c : {cboElementUsage, cboElementType})
        guardedConnect(c, &controls::ComboList::Click, this, elementChanged);
    guardedConnect(txtScript, &QPlainTextEdit::textChanged, this, [this, segmentChanged] {
        if (!fraSegment->isHidden())
            segmentChanged();
        else
            blnElementChanged = true;
    });

    // The Save buttons write the row the pane shows, whatever node is selected.
    guardedConnect(cmdSaveSegment, &QPushButton::clicked, this, [this] {
        if (strShownKey.startsWith(u"Segment"_s))
            SaveSegment(strShownKey);
    });
    guardedConnect(cmdSegmentProcess, &QPushButton::clicked, this, [this] { cmdProcess_Click(cmdSegmentProcess); });
    guardedConnect(cmdSaveElement, &QPushButton::clicked, this, [this] {
        if (strShownKey.startsWith(u"Element"_s))
            SaveElement(strShownKey);
    });
    // The commands of both panes: each button to its handler.
    const std::pair<QPushButton *, void (frmMap::*)()> commands[] = {
        {cmdAddSegment, &frmMap::cmdAddSegment_Click},
        {cmdDeleteSegment, &frmMap::cmdDeleteSegment_Click},
        {cmdDuplicateSegment, &frmMap::cmdDuplicateSegment_Click},
        {cmdSegmentIn, &frmMap::cmdSegmentIn_Click},
        {cmdSegmentOut, &frmMap::cmdSegmentOut_Click},
        {cmdSegmentUp, &frmMap::cmdSegmentUp_Click},
        {cmdSegmentDown, &frmMap::cmdSegmentDown_Click},
        {cmdAddElement, &frmMap::cmdAddElement_Click},
        {cmdDuplicateElement, &frmMap::cmdDuplicateElement_Click},
        {cmdDeleteElement, &frmMap::cmdDeleteElement_Click},
        {cmdMoveElementUp, &frmMap::cmdMoveElementUp_Click},
        {cmdMoveElementDown, &frmMap::cmdMoveElementDown_Click},
    };
    for (const auto &[button, handler] : commands)
        guardedConnect(button, &QPushButton::clicked, this,
                       [this, handler] { (this->*handler)(); });
    guardedConnect(cmdElementProcess, &QPushButton::clicked, this, [this] { cmdProcess_Click(cmdElementProcess); });
    guardedConnect(sstControls, &controls::TabStrip::Click, this, [this](int previous) { sstControls_Click(previous); });
    guardedConnect(mnuGuideline, &QAction::triggered, this, [this] { mnuGuideline_Click(); });
    guardedConnect(mnuClose, &QAction::triggered, this, [this] { close(); });

    for (controls::SplitterBar *b : {picVSplitLeft, picVSplitCenter, picVSplitRight, picHSplit}) {
        guardedConnect(b, &controls::SplitterBar::MouseDown, this,
                       [this, b](int button, int, int x, int y) { splitterDown(b, button, x, y); });
        guardedConnect(b, &controls::SplitterBar::MouseMove, this,
                       [this, b](int buttons, int, int x, int y) { splitterMove(b, buttons, x, y); });
        guardedConnect(b, &controls::SplitterBar::MouseUp, this,
                       [this, b](int button, int, int x, int y) { splitterUp(b, button, x, y); });
    }
}

void frmMap::Form_Load()
{
    const QColor face = palette().color(QPalette::Button);
    for (controls::SplitterBar *b : {picVSplitLeft, picVSplitCenter, picVSplitRight, picHSplit})
        b->setBackColor(face);
    lngDragColor = palette().color(QPalette::Highlight).rgba();

    fillList(cboSegmentUsage, {u"M = Mandatory"_s, u"O = Optional"_s, u"F = Floating"_s});
    fillList(cboSegmentLevel, {u"Heading"_s, u"Detail"_s, u"Summary"_s});
    fillList(cboElementUsage, {u"M = Mandatory"_s, u"O = Optional"_s, u"C = Conditional"_s, u"X = Relational"_s});
    QStringList types{u"ID = Identifier"_s, u"AN = Alphanumeric"_s, u"DT = Date"_s, u"TM = Time"_s, u"R = Decimal"_s};
    for (int n = 0; n <= 9; ++n)
        types << u"N%1 = Numeric"_s.arg(n);
    fillList(cboElementType, types);

    LoadTransactionSets();
    MainLayout(u"Load"_s);
    BuildReferenceTree();
    blnSegmentChanged = false;
    blnElementChanged = false;
    sstControls->setTab(0);
    sstControls_Click(0);
}

void frmMap::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    try {
        MainLayout(u"Save"_s);
    } catch (...) {
        // The layout is not worth a message at unload.
        core::recordCaught(lcWindows(), "map designer: the layout was not saved at unload");
    }
}

bool frmMap::QueryUnload()
{
    // A run that yields uses this window's script control and boxes.
    return !translation::TranslationBusy::isBusy();
}

void frmMap::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (translation::TranslationBusy::isBusy() && &translation::mapScriptHost() == this) {
        hide();
        m_unloadWhenIdle->start();
        return;
    }
    // Deleting inside the event is unsafe: the unload runs once it returns.
    QTimer::singleShot(0, [] { controls::unload<frmMap>(); });
    hide();
}

// ---------------------------------------------------------------------------
// The transaction-set list and the tree

void frmMap::fillTransactionSets()
{
    lvwTSets->clearItems();
    for (const TransactionSetRow &row : m_store.transactionSets()) {
        controls::ListItem *item = lvwTSets->addItem(row.partner);
        const QString *columns[] = {&row.transaction, &row.version, &row.direction, &row.group, &row.versionOverride};
        for (int i = 0; i < 5; ++i)
            item->setSubItem(i + 1, *columns[i]);
    }
}

int frmMap::rowOfLoadedMap() const
{
    if (strMapKey.isEmpty())
        return 0;
    for (int i = 1; i <= lvwTSets->itemCount(); ++i) {
        const controls::ListItem *item = lvwTSets->item(i);
        if (item->text() == m_map.key.partner && item->subItem(1) == m_map.key.transaction
            && item->subItem(2) == m_map.key.version && item->subItem(3) == m_map.key.direction)
            return i;
    }
    return 0;
}

void frmMap::LoadTransactionSets()
{
    try {
        lvwTSets->clearColumnHeaders();
        lvwTSets->addColumnHeader(u"Partner"_s, u"Partner"_s, 1400);
        lvwTSets->addColumnHeader(u"TSet"_s, u"TSet"_s, 600);
        lvwTSets->addColumnHeader(u"Version"_s, u"Version"_s, 800);
        lvwTSets->addColumnHeader(u"I/O"_s, u"I/O"_s, 500);
        lvwTSets->addColumnHeader(u"Group"_s, u"Group"_s, 800);
        lvwTSets->addColumnHeader(u"Override"_s, u"Override"_s, 800);
        fillTransactionSets();
        if (lvwTSets->itemCount() == 0) {
            fraSegment->setVisible(true);
            fraElement->setVisible(false);
            return;
        }
        lvwTSets->setSelectedItem(1);
        strCurrentKey = u"Segment0101"_s;
        LoadMapTree();
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

void frmMap::RefreshTransactionSets()
{
    fillTransactionSets();
    if (const int keep = rowOfLoadedMap()) {
        lvwTSets->setSelectedItem(keep);
        return; // the map shown is still there
    }
    // The map shown is gone, and with it the row an edit of a pane was made on.
    if (blnSegmentChanged || blnElementChanged)
        vb::MsgBox((blnSegmentChanged ? u"Segment Properties"_s : u"Element Properties"_s)
                       + u"\rThe changes could not be kept: the transaction set "_s + mapKeyText(m_map.key)
                       + u" no longer exists."_s,
                   vb::vbExclamation);
    // Show the first set's map, or nothing.
    tvwTSets->clearNodes();
    m_map = Map();
    strMapKey.clear();
    blnSegmentChanged = blnElementChanged = false;
    if (lvwTSets->itemCount() > 0) {
        lvwTSets->setSelectedItem(1);
        strCurrentKey = u"Segment0101"_s;
        LoadMapTree();
        BuildReferenceTree();
    }
}

void frmMap::MapsLeaving(const QString &partner, const QString &transaction, const QString &version,
                         const QString &direction)
{
    if (strMapKey.isEmpty() || !(blnSegmentChanged || blnElementChanged))
        return;
    auto same = [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; };
    const MapKey &shown = m_map.key;
    if (!same(shown.partner, partner))
        return;
    if (!transaction.isEmpty()
        && !(same(shown.transaction, transaction) && same(shown.version, version) && same(shown.direction, direction)))
        return;
    savePendingEdit();
}

void frmMap::lvwTSets_ItemClick()
{
    if (blnBusy) {
        // The click is ignored: the list goes back to the map the tree shows.
        if (const int shown = rowOfLoadedMap())
            lvwTSets->setSelectedItem(shown);
        return;
    }
    blnBusy = true;
    strCurrentKey = u"Segment0101"_s;
    LoadMapTree();
    BuildReferenceTree();
    blnBusy = false;
}

bool frmMap::readSelectedRow()
{
    const controls::ListItem *item = lvwTSets->selectedItem();
    if (!item)
        return false;
    strMapPartner = item->text();
    strMapTransaction = item->subItem(1);
    strMapVersion = item->subItem(2);
    strMapDirection = item->subItem(3);
    return true;
}

void frmMap::LoadMapTree()
{
    try {
        if (!readSelectedRow())
            vb::raise(91, u"No transaction set is selected."_s);
        const MapKey key{strMapPartner, strMapTransaction, strMapVersion, strMapDirection};
        const QString keyText = mapKeyText(key);
        if (keyText != strMapKey) {
            blnSegmentChanged = false;
            blnElementChanged = false;
            showRunOutcome({}); // it told of another map's run
        }
        strMapKey = keyText;
        m_map = m_store.read(key);
        const TreePlan tree = planMapTree(m_map, strCurrentKey);
        tvwTSets->setUpdatesEnabled(false);
        tvwTSets->clearNodes();
        int selected = 0;
        for (const TreeNode &n : tree.nodes) {
            const int index = tvwTSets->addNode(n.parentKey, n.key, n.text, n.image);
            if (n.key == tree.selectedKey)
                selected = index;
        }
        for (const TreeNode &n : tree.nodes)
            if (n.isSegment())
                tvwTSets->setExpanded(tvwTSets->nodeIndex(n.key), n.expanded);
        tvwTSets->setExpanded(1, true);
        tvwTSets->setUpdatesEnabled(true);
        if (tree.errorNumber)
            vb::raise(tree.errorNumber, tree.error);
        if (!selected) {
            // The key names no node of this map: the first segment stands in.
            for (const TreeNode &n : tree.nodes)
                if (n.isSegment()) {
                    selected = tvwTSets->nodeIndex(n.key);
                    break;
                }
        }
        if (!selected)
            return;
        tvwTSets->setSelectedNode(selected);
        tvwTSets->ensureVisible(selected);
        const QString shown = tvwTSets->nodeKey(selected);
        if (shown.contains(u"Segment"_s))
            ShowSegment(2);
        else if (shown.contains(u"Element"_s))
            ShowElement();
    } catch (const std::exception &e) {
        tvwTSets->setUpdatesEnabled(true);
        tvwTSets->setEnabled(true);
        modGlobal::ReportError(e);
    }
}

void frmMap::tvwTSets_Event(int node, int mode)
{
    const QString key = tvwTSets->nodeKey(node);
    if (key.contains(u"Segment"_s)) {
        tvwTSets->setSelectedNode(node);
        ShowSegment(mode);
    } else if (key.contains(u"Element"_s)) {
        tvwTSets->setSelectedNode(node); // the node the click chose
        ShowElement();
    } else if (key.contains(u"Root"_s)) {
        fraSegment->setEnabled(false);
        fraElement->setEnabled(false);
        sstControls->setEnabled(false);
    }
}

QString frmMap::selectedNodeKey() const
{
    const int node = tvwTSets->selectedNode();
    return node ? tvwTSets->nodeKey(node) : QString();
}

QString frmMap::selectedNodeParentText() const
{
    const int node = tvwTSets->selectedNode();
    const int parent = node ? tvwTSets->parentIndex(node) : 0;
    return parent ? tvwTSets->nodeText(parent) : QString();
}

// ---------------------------------------------------------------------------
// The panes

namespace {

// A stored code at its list position. A column without a value shows no
// choice, so the list never shows another row's value as this one's; any
// other value leaves the list where it was.
void showCode(controls::ComboList *list, int position, const QString &code)
{
    if (position >= 0)
        list->setListIndex(position);
    else if (code.isEmpty())
        list->setListIndex(-1);
}

// The pending-change question, naming the segment or element the edit was
// made on ("Save changes to BEG?"); true when the answer is Yes.
bool askSave(const QString &what, const QString &name)
{
    const QString question = name.isEmpty() ? u"Save Changes?"_s : u"Save changes to "_s + name + u'?';
    return vb::MsgBox(what + u'\r' + question, vb::vbYesNo | vb::vbQuestion) == vb::vbYes;
}

// Told when a segment is to be added to a map that has no room for it.
void tellMapFull()
{
    vb::MsgBox(u"A map holds at most 99 segments"_s, vb::vbCritical);
}

} // namespace

void frmMap::ShowSegment(int mode)
{
    try {
        if (savePendingEdit())
            return; // the save reloaded the tree on the saved row
        strShownKey = selectedNodeKey();
        fraElement->setVisible(false);
        fraElement->setEnabled(false);
        fraSegment->setVisible(true);
        fraSegment->setEnabled(true);
        sstControls->setEnabled(true);
        const int index = keyParts(strShownKey).index;
        const SegmentRow *row = m_map.segment(index);
        if (!row)
            vb::raise(3021, u"Segment %1 of the map %2 does not exist."_s.arg(index).arg(mapKeyText(m_map.key)));
        chkLooping->setChecked(row->looping);
        chkSegmentExclude->setChecked(row->exclude);
        txtSegment->setText(row->segment);
        txtSegmentName->setText(row->name);
        showCode(cboSegmentUsage, segmentUsagePosition(row->usage), row->usage);
        showCode(cboSegmentLevel, segmentLevelPosition(row->level), row->level);
        txtLoopLevel->setText(QString::number(row->node));
        txtMaxUsageLoop->setText(maxUsageLoopText(row->maxUsageLoop));
        txtScript->setPlainText(row->script);
        txtPlaceholders->setText(QString::number(row->placeholders));
        // Like every write of the designer, not inside another task's transaction.
        if ((mode == 0 || mode == 1) && databaseFree()) {
            m_store.setExpanded(m_map.key, index, mode == 1);
            for (SegmentRow &s : m_map.segments)
                if (s.index == index)
                    s.expanded = mode == 1;
        }
        blnSegmentChanged = false;
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

void frmMap::ShowElement()
{
    try {
        if (savePendingEdit())
            return; // the save reloaded the tree on the saved row
        strShownKey = selectedNodeKey();
        fraElement->setVisible(true);
        fraSegment->setVisible(false);
        fraElement->setEnabled(true);
        fraSegment->setEnabled(false);
        sstControls->setEnabled(true);
        const KeyParts k = keyParts(strShownKey);
        const ElementRow *row = nullptr;
        for (const ElementRow &e : m_map.elements)
            if (e.segmentIndex == k.index && e.elementIndex == k.element)
                row = &e; // with several rows the last one read stays shown
        if (!row)
            vb::raise(3021, u"Element %1 of segment %2 of the map %3 does not exist."_s.arg(k.element)
                                .arg(k.index)
                                .arg(mapKeyText(m_map.key)));
        chkElementExclude->setChecked(row->exclude);
        txtReference->setText(QString::number(row->reference));
        txtElementName->setText(row->name);
        showCode(cboElementUsage, elementUsagePosition(row->usage), row->usage);
        showCode(cboElementType, elementTypePosition(row->type), row->type);
        txtElementMax->setText(QString::number(row->maximum));
        txtElementMin->setText(QString::number(row->minimum));
        txtScript->setPlainText(row->script);
        txtFormat->setText(row->format);
        blnElementChanged = false;
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

SegmentPane frmMap::segmentPane() const
{
    SegmentPane p;
    p.looping = chkLooping->isChecked();
    p.exclude = chkSegmentExclude->isChecked();
    p.name = txtSegmentName->text();
    p.usage = cboSegmentUsage->listIndex();
    p.level = cboSegmentLevel->listIndex();
    p.maxUsageLoop = txtMaxUsageLoop->text();
    p.placeholders = txtPlaceholders->text();
    p.script = txtScript->toPlainText();
    return p;
}

ElementPane frmMap::elementPane() const
{
    ElementPane p;
    p.exclude = chkElementExclude->isChecked();
    p.reference = txtReference->text();
    p.name = txtElementName->text();
    p.usage = cboElementUsage->listIndex();
    p.type = cboElementType->listIndex();
    p.minimum = txtElementMin->text();
    p.maximum = txtElementMax->text();
    p.script = txtScript->toPlainText();
    p.format = txtFormat->text();
    return p;
}

bool frmMap::databaseFree()
{
    return core::BusyScope::databaseFree(u"Map Designer"_s);
}

bool frmMap::SaveSegment(const QString &key)
{
    if (!databaseFree())
        return false;
    if (const QString refusal = segmentPaneRefusal(segmentPane()); !refusal.isEmpty()) {
        vb::MsgBox(refusal, vb::vbExclamation);
        return false;
    }
    QString saved;
    try {
        if (const auto value = placeholdersValue(txtPlaceholders->text()); value && *value == 1
            && vb::CDbl(vb::Variant(txtPlaceholders->text())) == 0)
            txtPlaceholders->setText(u"1"_s);
        saved = m_store.saveSegment(m_map.key, key, segmentPane());
    } catch (const std::exception &e) {
        // Nothing was written; the pane keeps the edit.
        modGlobal::ReportError(e);
        return false;
    }
    blnSegmentChanged = false;
    strCurrentKey = saved;
    LoadMapTree();
    saveDefinitions();
    cmdSaveSegment->setFocus();
    return true;
}

bool frmMap::SaveElement(const QString &key)
{
    if (!databaseFree())
        return false;
    QString saved;
    try {
        const ElementPane corrected = correctedElementPane(elementPane());
        if (const QString refusal = elementPaneRefusal(corrected); !refusal.isEmpty()) {
            vb::MsgBox(refusal, vb::vbExclamation);
            return false;
        }
        txtReference->setText(corrected.reference);
        txtElementMin->setText(corrected.minimum);
        txtElementMax->setText(corrected.maximum);
        saved = m_store.saveElement(m_map.key, key, corrected);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
        return false;
    }
    blnElementChanged = false;
    strCurrentKey = saved;
    LoadMapTree();
    saveDefinitions();
    cmdSaveElement->setFocus();
    return true;
}

void frmMap::saveDefinitions()
{
    translation::SaveMapDefinitions(m_map.key);
    refreshRecordReference();
}

QString frmMap::shownRowName() const
{
    const KeyParts k = keyParts(strShownKey);
    if (strShownKey.startsWith(u"Segment"_s)) {
        const SegmentRow *row = m_map.segment(k.index);
        return row ? row->segment : QString();
    }
    for (const ElementRow &e : m_map.elements)
        if (e.segmentIndex == k.index && e.elementIndex == k.element)
            return e.segment + twoDigits(k.element);
    return {};
}

bool frmMap::savePendingEdit()
{
    if (blnSegmentChanged) {
        if (askSave(u"Segment Properties"_s, shownRowName())) {
            if (!SaveSegment(strShownKey))
                reselectShown();
            return true;
        }
        blnSegmentChanged = false;
    }
    if (blnElementChanged) {
        if (askSave(u"Element Properties"_s, shownRowName())) {
            if (!SaveElement(strShownKey))
                reselectShown();
            return true;
        }
        blnElementChanged = false;
    }
    return false;
}

void frmMap::reselectShown()
{
    if (const int shown = tvwTSets->nodeIndex(strShownKey))
        tvwTSets->setSelectedNode(shown);
}

bool frmMap::resolvePendingEdit()
{
    savePendingEdit();
    return !blnSegmentChanged && !blnElementChanged;
}

void frmMap::runCommand(QPushButton *button, const std::function<std::optional<QString>()> &command,
                        bool resolvePending)
{
    if (resolvePending && !resolvePendingEdit())
        return;
    const QString selected = selectedNodeKey();
    std::optional<QString> next;
    try {
        next = command();
    } catch (const std::exception &e) {
        // Rolled back: the tree shows the map as it is, on the same node.
        modGlobal::ReportError(e);
        strCurrentKey = selected;
        LoadMapTree();
        return;
    }
    if (next) {
        strCurrentKey = *next;
        LoadMapTree();
    }
    button->setFocus();
}

// ---------------------------------------------------------------------------
// Segment commands

void frmMap::runMove(QPushButton *button, const QString &kind,
                     std::optional<QString> (MapStore::*move)(const MapKey &, const QString &))
{
    // A move renumbers: a pending edit is resolved first, on the row it was made on.
    if (!selectedNodeKey().startsWith(kind) || !databaseFree())
        return;
    runCommand(button, [&] { return (m_store.*move)(m_map.key, selectedNodeKey()); }, true);
}

void frmMap::cmdAddSegment_Click()
{
    const QString key = selectedNodeKey();
    if (!key.startsWith(u"Segment"_s))
        return;
    QString id;
    if (const QString refusal = segmentIdRefusal(txtSegment->text(), id); !refusal.isEmpty()) {
        vb::MsgBox(refusal, vb::vbCritical);
        return;
    }
    if (refuseFullMap() || !databaseFree())
        return;
    // The new segment takes the level the pane shows, so what the pane then
    // shows for it is what is stored. A Level chosen for it is no edit of the
    // selected segment; the pane's other edits are offered for that one,
    // with its own level, before the map changes.
    const int levelShown = cboSegmentLevel->listIndex();
    const QString level = segmentLevelCode(levelShown);
    if (blnSegmentChanged && !m_segmentEditBesidesLevel)
        blnSegmentChanged = false;
    if (blnSegmentChanged) {
        const SegmentRow *shown = m_map.segment(keyParts(strShownKey).index);
        cboSegmentLevel->setListIndex(shown ? segmentLevelPosition(shown->level) : -1);
        if (!resolvePendingEdit()) {
            cboSegmentLevel->setListIndex(levelShown); // the edit stays as the user left it
            return;
        }
    }
    runCommand(cmdAddSegment, [&] { return addedOrFull(m_store.addSegment(m_map.key, key, id, level)); });
}

void frmMap::showRunOutcome(const RunOutcome &outcome)
{
    lblRunOutcome->setText(outcome.text);
    lblRunOutcome->setToolTip(outcome.detail);
}

bool frmMap::refuseFullMap()
{
    if (int(m_map.segments.size()) < kMapMaxSegments)
        return false;
    tellMapFull();
    return true;
}

std::optional<QString> frmMap::addedOrFull(std::optional<QString> added)
{
    // Nothing added: the map filled up since it was shown.
    if (!added)
        tellMapFull();
    return added;
}

void frmMap::cmdDeleteSegment_Click()
{
    const int node = tvwTSets->selectedNode();
    if (!node)
        return;
    const QString key = tvwTSets->nodeKey(node);
    if (key == u"Root"_s || !key.startsWith(u"Segment"_s))
        return;
    const int index = keyParts(key).index;
    if (index == 1) {
        vb::MsgBox(u"Last Segment Not Allowed"_s, vb::vbCritical);
        return;
    }
    if (!databaseFree() || !resolvePendingEdit())
        return;
    // The save of a pending edit reloads the tree: take the node again.
    const QString now = selectedNodeKey();
    const QString text = tvwTSets->nodeText(tvwTSets->selectedNode());
    if (vb::MsgBox(u"Delete "_s + twoDigits(keyParts(now).index) + text + u" Segment"_s, vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2)
        != vb::vbYes)
        return;
    runCommand(cmdDeleteSegment, [&] { return std::optional<QString>(m_store.deleteSegment(m_map.key, now)); });
}

void frmMap::cmdDuplicateSegment_Click()
{
    const QString key = selectedNodeKey();
    if (!key.startsWith(u"Segment"_s))
        return;
    QString id;
    if (const QString refusal = segmentIdRefusal(txtSegment->text(), id); !refusal.isEmpty()) {
        vb::MsgBox(refusal, vb::vbCritical);
        return;
    }
    const SegmentPane pane = segmentPane();
    if (const QString refusal = segmentPaneRefusal(pane); !refusal.isEmpty()) {
        vb::MsgBox(refusal, vb::vbExclamation);
        return;
    }
    if (refuseFullMap() || !databaseFree())
        return;
    // The copy takes the whole pane: its edits are the new segment's.
    runCommand(cmdDuplicateSegment, [&] {
        const std::optional<QString> added = addedOrFull(m_store.duplicateSegment(m_map.key, key, id, pane));
        if (added)
            blnSegmentChanged = false;
        return added;
    });
}

void frmMap::cmdSegmentIn_Click()
{
    runMove(cmdSegmentIn, u"Segment"_s, &MapStore::moveSegmentIn);
}

void frmMap::cmdSegmentOut_Click()
{
    runMove(cmdSegmentOut, u"Segment"_s, &MapStore::moveSegmentOut);
}

void frmMap::cmdSegmentUp_Click()
{
    runMove(cmdSegmentUp, u"Segment"_s, &MapStore::moveSegmentUp);
}

void frmMap::cmdSegmentDown_Click()
{
    runMove(cmdSegmentDown, u"Segment"_s, &MapStore::moveSegmentDown);
}

// ---------------------------------------------------------------------------
// Element commands

void frmMap::cmdAddElement_Click()
{
    const QString key = selectedNodeKey();
    if (!key.startsWith(u"Element"_s) || !databaseFree())
        return;
    const KeyParts k = keyParts(key);
    const QString id = selectedNodeParentText();
    // The new element takes nothing from the pane: an edit there is offered
    // for the element it was made on before the new one is shown.
    runCommand(
        cmdAddElement, [&] { return m_store.appendElement(m_map.key, k.level, k.index, id, strCurrentKey); }, true);
}

void frmMap::cmdDuplicateElement_Click()
{
    const QString key = selectedNodeKey();
    if (!key.startsWith(u"Element"_s) || !databaseFree())
        return;
    const QString id = selectedNodeParentText();
    const ElementPane pane = elementPane();
    if (const QString refusal = elementPaneRefusal(pane, false); !refusal.isEmpty()) {
        vb::MsgBox(refusal, vb::vbExclamation);
        return;
    }
    // The copy takes the whole pane: its edits are the new element's.
    runCommand(cmdDuplicateElement, [&] {
        const std::optional<QString> added = m_store.duplicateElement(m_map.key, key, id, pane);
        if (added)
            blnElementChanged = false;
        return added;
    });
}

void frmMap::cmdDeleteElement_Click()
{
    const QString key = selectedNodeKey();
    if (!key.startsWith(u"Element"_s))
        return;
    if (m_map.elementCount(keyParts(key).index) <= 1) {
        vb::MsgBox(u"Last Element Not Allowed"_s, vb::vbCritical);
        return;
    }
    if (!databaseFree() || !resolvePendingEdit())
        return;
    const QString now = selectedNodeKey();
    const QString id = selectedNodeParentText();
    if (vb::MsgBox(u"Delete "_s + id + twoDigits(keyParts(now).element) + u" Element"_s, vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2)
        != vb::vbYes)
        return;
    runCommand(cmdDeleteElement, [&] { return m_store.deleteElement(m_map.key, now, id); });
}

void frmMap::cmdMoveElementUp_Click()
{
    runMove(cmdMoveElementUp, u"Element"_s, &MapStore::moveElementUp);
}

void frmMap::cmdMoveElementDown_Click()
{
    runMove(cmdMoveElementDown, u"Element"_s, &MapStore::moveElementDown);
}

// ---------------------------------------------------------------------------
// Trial runs and the guideline

void frmMap::cmdProcess_Click(QPushButton *pressed)
{
    if (strMapKey.isEmpty())
        return;
    const MapKey key = m_map.key;
    core::WorkProgress *progress = services().progress ? services().progress() : nullptr;
    showRunOutcome({});
    // What the run records in History after this row is its outcome.
    qint64 mark = 0;
    try {
        mark = lastHistoryRow(*modGlobal::cnDatabase);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
        return;
    }
    QString written;
    if (key.direction == u"O"_s) {
        try {
            translation::OutboundTranslation run(*this, progress);
            written = run.ProcessOutbound(translation::OutboundSet::forKey(key), false);
        } catch (const std::exception &e) {
            modGlobal::ReportError(e);
        }
    } else {
        controls::ListView *inbox = services().inbox ? services().inbox() : nullptr;
        if (!inbox || !services().isSelectionUnique)
            vb::raise(91, u"The Inbox list is not available."_s);
        translation::OutboundTranslation::TestInbound(
            core::selectionOf(*inbox), key, [&] { return services().isSelectionUnique(*inbox); }, *this, progress);
    }
    try {
        const QStringList history = historySince(*modGlobal::cnDatabase, mark);
        const QString failed = key.direction == u"O"_s ? translation::OutboundTranslation::ProcessFailedText(key)
                                                        : QString();
        showRunOutcome(runOutcome(written, history, failed));
        if (!written.isEmpty())
            sstControls->setTab(2); // the sets just written
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
    pressed->setFocus();
}

void frmMap::ProcessOutbound(int index, bool blnSilent)
{
    const controls::ListItem *item = lvwTSets->item(index);
    if (!item)
        vb::raise(9, u"There is no transaction set %1 in the Map Designer's list."_s.arg(index));
    const MapKey key{item->text(), item->subItem(1), item->subItem(2), item->subItem(3)};
    core::WorkProgress *progress = services().progress ? services().progress() : nullptr;
    translation::OutboundTranslation run(*this, progress);
    run.ProcessOutbound(translation::OutboundSet::forKey(key), blnSilent);
}

void frmMap::mnuGuideline_Click()
{
    try {
        auto rs = std::make_shared<ado::Recordset>();
        rs->Open(translation::GuidelineStatement(m_map.key.partner, m_map.key.version, m_map.key.transaction),
                 *modGlobal::cnDatabase, ado::adOpenDynamic, ado::adLockOptimistic);
        const QString path = sections::folder(u"Reports"_s) + u"/Guideline.rpt"_s;
        translation::crxReport = report::ReportDocument::open(path);
        translation::crxReport->setDataSource(rs);
        translation::ReportWindows *windows = translation::reportWindows();
        if (!windows)
            vb::raise(91, u"The report viewer is not available."_s);
        windows->showViewer();
        translation::crxReport.reset();
    } catch (const std::exception &e) {
        translation::crxReport.reset();
        modGlobal::ReportError(e);
    }
}

// ---------------------------------------------------------------------------
// The script reference

void frmMap::BuildReferenceTree()
{
    auto add = [this](const ReferenceNode &n) {
        try {
            tvwReference->addNode(n.parentKey, n.key, n.text, n.image);
            m_referenceNodes.push_back(n);
        } catch (...) {
            // A key already in the tree leaves this node out; the filling goes on.
            core::recordCaught(lcWindows(), "map designer: a node was left out of the script reference");
        }
    };
    m_referenceNodes.clear();
    try {
        tvwReference->clearNodes();
    } catch (...) {
        core::recordCaught(lcWindows(), "map designer: the script reference was not cleared");
    }
    vb::DoEvents();
    const bool outbound = m_map.key.direction == u"O"_s;
    if (outbound)
        LoadResultFields();
    if (strMapKey.isEmpty())
        add({{}, u"Record"_s, u"Record"_s, u"Record"_s}); // no map: nothing to describe
    else
        translation::CreateRecordDefinition(m_map.key, true,
                                            [&](const QString &parent, const QString &key, const QString &text,
                                                const QString &image) { add({parent, key, text, image}); });
    for (const ReferenceNode &n : scriptReferenceNodes(outbound))
        add(n);
}

void frmMap::LoadResultFields()
{
    auto add = [this](const ReferenceNode &n) {
        tvwReference->addNode(n.parentKey, n.key, n.text, n.image);
        m_referenceNodes.push_back(n);
    };
    try {
        add({{}, u"Results"_s, u"Results"_s, u"Results"_s});
    } catch (...) {
        core::recordCaught(lcWindows(), "map designer: the Results node was left out of the script reference");
    }
    try {
        readResultFields(translation::OutboundTranslation::ImportDefinitionPath(m_map.key), add);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

void frmMap::refreshRecordReference()
{
    if (strMapKey.isEmpty())
        return;
    std::optional<std::vector<ReferenceNode>> rebuilt;
    try {
        rebuilt = withRecordNodes(m_referenceNodes, recordReferenceNodes(translation::RecordLayout(m_map.key)));
    } catch (...) {
        // The definition file was not written either (reported there): the
        // reference stays as it is.
        core::recordCaught(lcWindows(), "map designer: the Record reference was not rebuilt");
        return;
    }
    if (!rebuilt)
        return;
    // Rebuilt whole (nodes are addressed by position), keeping which roots
    // are open and where the tree is scrolled.
    QStringList open;
    for (int n = 1; n <= tvwReference->nodeCount(); ++n)
        if (!tvwReference->parentIndex(n) && tvwReference->isExpanded(n))
            open << tvwReference->nodeKey(n);
    const int scrolled = tvwReference->verticalScrollBar()->value();
    m_referenceNodes.clear();
    tvwReference->clearNodes();
    for (const ReferenceNode &n : *rebuilt) {
        try {
            tvwReference->addNode(n.parentKey, n.key, n.text, n.image);
            m_referenceNodes.push_back(n);
        } catch (...) {
            // A key already in the tree leaves this node out, as when it was built.
            core::recordCaught(lcWindows(), "map designer: a node was left out of the script reference");
        }
    }
    for (const QString &key : open)
        if (const int n = tvwReference->nodeIndex(key))
            tvwReference->setExpanded(n, true);
    tvwReference->verticalScrollBar()->setValue(scrolled);
}

void frmMap::sstControls_Click(int)
{
    txtScript->setVisible(false);
    tvwReference->setVisible(false);
    txtImmediate->setVisible(false);
    txtTransaction->setVisible(false);
    const int tab = sstControls->tab();
    txtScript->setVisible(tab == 0);
    tvwReference->setVisible(tab == 0);
    picVSplitCenter->setVisible(tab == 0);
    txtImmediate->setVisible(tab == 1);
    txtTransaction->setVisible(tab == 2);
}

// ---------------------------------------------------------------------------
// Host of the translation runs

vbs::ScriptControl &frmMap::scScript()
{
    return *m_script;
}

void frmMap::clearImmediate()
{
    txtImmediate->clear();
}

void frmMap::appendImmediate(const QString &text)
{
    QTextCursor cursor(txtImmediate->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

void frmMap::setTransactionText(const QString &text)
{
    txtTransaction->setPlainText(text);
}

int frmMap::findInTransaction(const QString &text, int start, bool wholeWord)
{
    const QString all = txtTransaction->toPlainText();
    int at = -1;
    if (wholeWord)
        at = core::x12::findWholeWord(all, text, start);
    else
        at = int(all.indexOf(text, start, Qt::CaseInsensitive));
    if (at >= 0) {
        QTextCursor cursor(txtTransaction->document());
        cursor.setPosition(at);
        cursor.setPosition(at + int(text.size()), QTextCursor::KeepAnchor);
        txtTransaction->setTextCursor(cursor);
    }
    return at;
}

void frmMap::setEditingEnabled(bool enabled)
{
    for (QWidget *w : std::initializer_list<QWidget *>{fraSegment, fraElement, sstControls, tvwTSets, lvwTSets})
        w->setEnabled(enabled);
}

// ---------------------------------------------------------------------------
// Layout

void frmMap::setScreenSizeTwips(double width, double height)
{
    m_screenWidth = width;
    m_screenHeight = height;
}

double frmMap::clientWidthTwips() const
{
    return pixelsToTwips(m_client->width());
}

double frmMap::clientHeightTwips() const
{
    return pixelsToTwips(m_client->height());
}

void frmMap::MainLayout(const QString &operation)
{
    const QSizeF screen = controls::screenTwips(m_screenWidth, m_screenHeight);
    const MapLayoutValues defaults = mapLayoutDefaults(screen.width(), screen.height(), pixelsToTwips(geometry().width()),
                                                       pixelsToTwips(geometry().height()));
    const QString op = operation.toLower();
    if (op == u"save"_s) {
        if (isMinimized())
            showNormal();
        MapLayoutValues v;
        v.state = isMaximized() ? 2 : 0;
        const QRect g = geometry(); // the measure the load restores
        v.top = pixelsToTwips(g.top());
        v.left = pixelsToTwips(g.left());
        v.height = pixelsToTwips(g.height());
        v.width = pixelsToTwips(g.width());
        // The bars where the user placed them, not where a smaller window
        // pulled them.
        const MapBars bars = wantedBars();
        v.vSplitCenter = bars.VC;
        v.vSplitLeft = bars.VL;
        v.vSplitRight = bars.VR;
        v.hSplit = bars.HT;
        saveMapLayout(v);
    } else if (op == u"load"_s) {
        const MapLayoutValues v = readMapLayout(defaults);
        const QRect g = geometry();
        m_placeTop = v.top.value_or(pixelsToTwips(g.top()));
        m_placeLeft = v.left.value_or(pixelsToTwips(g.left()));
        m_placeHeight = v.height.value_or(pixelsToTwips(g.height()));
        m_placeWidth = v.width.value_or(pixelsToTwips(g.width()));
        applyStoredPlacement();
        m_pendingPlacement = !isVisible();
        if (v.state == 2)
            setWindowState(windowState() | Qt::WindowMaximized);
        else if (v.state == 1)
            setWindowState(windowState() | Qt::WindowMinimized);
        if (v.vSplitCenter)
            picVSplitCenter->setLeftTwips(*v.vSplitCenter);
        if (v.vSplitLeft)
            picVSplitLeft->setLeftTwips(*v.vSplitLeft);
        if (v.vSplitRight)
            picVSplitRight->setLeftTwips(*v.vSplitRight);
        if (v.hSplit)
            picHSplit->setTopTwips(*v.hSplit);
        if (barsHideAPane(barPositions())) {
            picVSplitCenter->setLeftTwips(*defaults.vSplitCenter);
            picVSplitLeft->setLeftTwips(*defaults.vSplitLeft);
            picVSplitRight->setLeftTwips(*defaults.vSplitRight);
            picHSplit->setTopTwips(*defaults.hSplit);
        }
        Form_Resize();
    }
}

void frmMap::applyStoredPlacement()
{
    // A placement stored on a larger screen is fitted into this one.
    const QRect wanted(twipsToPixels(m_placeLeft), twipsToPixels(m_placeTop), twipsToPixels(m_placeWidth),
                       twipsToPixels(m_placeHeight));
    controls::placeOnScreen(this, wanted, controls::availableScreenArea(wanted, m_screenWidth, m_screenHeight));
}

void frmMap::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_pendingPlacement) {
        m_pendingPlacement = false;
        if (!isMaximized() && !isMinimized())
            applyStoredPlacement();
    }
    Form_Resize();
}

void frmMap::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMap::Form_Resize()
{
    if (!m_client)
        return;
    if (layout())
        layout()->activate(); // the client area has its size also before the first show
    MapLayoutInput in;
    in.scaleWidth = clientWidthTwips();
    in.scaleHeight = clientHeightTwips();
    in.windowWidth = pixelsToTwips(width());
    in.windowHeight = pixelsToTwips(height());
    in.minimized = isMinimized();
    const MapBars bars = wantedBars();
    m_wantedBars = bars;
    in.VL = bars.VL;
    in.VC = bars.VC;
    in.VR = bars.VR;
    in.HT = bars.HT;
    in.fraElement = twipsOf(fraElement);
    in.tvwTSets = twipsOf(tvwTSets);
    in.lvwTSets = twipsOf(lvwTSets);
    in.sstControls = twipsOf(sstControls);
    in.tvwReference = twipsOf(tvwReference);
    const MapLayoutResult out = mapLayoutPass(in);
    switch (out.action) {
    case MapLayoutResult::Minimized:
        return;
    case MapLayoutResult::RaiseHeight:
        resize(width(), twipsToPixels(kMapMinimumHeight));
        return;
    case MapLayoutResult::RaiseWidth:
        resize(twipsToPixels(kMapMinimumWidth), height());
        return;
    case MapLayoutResult::Placed:
        break;
    }
    picVSplitLeft->setLeftTwips(out.VL);
    picVSplitCenter->setLeftTwips(out.VC);
    picVSplitRight->setLeftTwips(out.VR);
    picHSplit->setTopTwips(out.HT);
    setGeometryTwips(fraElement, out.fraElement);
    setGeometryTwips(fraSegment, out.fraSegment);
    setGeometryTwips(tvwTSets, out.tvwTSets);
    setGeometryTwips(lvwTSets, out.lvwTSets);
    setGeometryTwips(sstControls, out.sstControls);
    // The tab's children are placed from its corner, but the pages start
    // below the row of tabs: each keeps its place across and its bottom edge,
    // and starts its 100 twips below the row instead of under it.
    const QPoint pageOffset = m_scriptPage->mapTo(sstControls, QPoint(0, 0));
    auto inPage = [&](std::optional<LayoutRect> r) {
        if (r)
            r->height -= pixelsToTwips(pageOffset.y());
        return r;
    };
    const QPoint across(pageOffset.x(), 0);
    setGeometryTwips(tvwReference, inPage(out.tvwReference), across);
    setGeometryTwips(txtScript, inPage(out.txtScript), across);
    setGeometryTwips(txtImmediate, inPage(out.txtImmediate), across);
    setGeometryTwips(txtTransaction, inPage(out.txtTransaction), across);
    if (out.picVSplitCenter)
        picVSplitCenter->setGeometryTwips(out.picVSplitCenter->left, out.picVSplitCenter->top,
                                          out.picVSplitCenter->width, out.picVSplitCenter->height);
    if (out.picVSplitLeft)
        picVSplitLeft->setGeometryTwips(out.picVSplitLeft->left, out.picVSplitLeft->top, out.picVSplitLeft->width,
                                        out.picVSplitLeft->height);
    if (out.picVSplitRight)
        picVSplitRight->setGeometryTwips(out.picVSplitRight->left, out.picVSplitRight->top,
                                         out.picVSplitRight->width, out.picVSplitRight->height);
    if (out.picHSplit)
        picHSplit->setGeometryTwips(out.picHSplit->left, out.picHSplit->top, out.picHSplit->width,
                                    out.picHSplit->height);
    for (controls::SplitterBar *b : {picVSplitLeft, picVSplitCenter, picVSplitRight, picHSplit})
        b->raise();
    m_placedBars = barPositions();
}

MapBars frmMap::barPositions() const
{
    return {picVSplitLeft->leftTwips(), picVSplitCenter->leftTwips(), picVSplitRight->leftTwips(),
            picHSplit->topTwips()};
}

MapBars frmMap::wantedBars() const
{
    // A bar that is not where the last layout pass put it was placed since
    // (a drag, the stored layout): that is where the user wants it.
    const MapBars now = barPositions();
    if (!m_placedBars || !m_wantedBars)
        return now;
    MapBars wanted = *m_wantedBars;
    if (now.VL != m_placedBars->VL)
        wanted.VL = now.VL;
    if (now.VC != m_placedBars->VC)
        wanted.VC = now.VC;
    if (now.VR != m_placedBars->VR)
        wanted.VR = now.VR;
    if (now.HT != m_placedBars->HT)
        wanted.HT = now.HT;
    return wanted;
}

void frmMap::moveBar(controls::SplitterBar *bar, double p)
{
    if (bar == picVSplitLeft)
        bar->setGeometryTwips(bar->leftTwips() + p, 0, 100, picHSplit->topTwips());
    else if (bar == picVSplitRight)
        bar->setGeometryTwips(bar->leftTwips() + p, 0, 100, picHSplit->topTwips());
    else if (bar == picVSplitCenter) {
        const LayoutRect tab = twipsOf(sstControls);
        bar->setGeometryTwips(bar->leftTwips() + p, tab.top + 100, 100, tab.height - 500);
    } else {
        bar->setGeometryTwips(100, bar->topTwips() + p, pixelsToTwips(width()) - 300, 100);
    }
}

void frmMap::splitterDown(controls::SplitterBar *bar, int button, int x, int y)
{
    if (button != controls::LeftButton) {
        splitterUp(bar, button, x, y);
        return;
    }
    bar->setBackColor(QColor::fromRgba(lngDragColor));
    const int p = bar == picHSplit ? y : x;
    (bar == picVSplitLeft ? lngVSplitLeftX : bar == picVSplitCenter ? lngVSplitCenterX
                                         : bar == picVSplitRight  ? lngVSplitRightX
                                                                  : lngHSplitY) = p;
}

void frmMap::splitterMove(controls::SplitterBar *bar, int buttons, int x, int y)
{
    bar->raise();
    bar->setCursor(bar == picHSplit ? Qt::SizeVerCursor : Qt::SizeHorCursor);
    int &last = bar == picVSplitLeft ? lngVSplitLeftX : bar == picVSplitCenter ? lngVSplitCenterX
                                                         : bar == picVSplitRight  ? lngVSplitRightX
                                                                                  : lngHSplitY;
    const int p = bar == picHSplit ? y : x;
    if (bar->backColor().rgba() == lngDragColor && buttons == controls::LeftButton && p != last) {
        moveBar(bar, p);
        last = p;
    }
}

void frmMap::splitterUp(controls::SplitterBar *bar, int, int x, int y)
{
    const int last = bar == picVSplitLeft ? lngVSplitLeftX : bar == picVSplitCenter ? lngVSplitCenterX
                                                              : bar == picVSplitRight  ? lngVSplitRightX
                                                                                       : lngHSplitY;
    const int p = bar == picHSplit ? y : x;
    if (p != last)
        moveBar(bar, p);
    bar->setBackColor(palette().color(QPalette::Button));
    if (bar == picVSplitLeft || bar == picVSplitCenter)
        bar->setLeftTwips(limitLeftBarRelease(bar->leftTwips(), picVSplitRight->leftTwips()));
    else if (bar == picVSplitRight)
        bar->setLeftTwips(limitRightBarRelease(bar->leftTwips(), clientWidthTwips(), picVSplitLeft->leftTwips()));
    else
        bar->setTopTwips(limitHSplitBarRelease(bar->topTwips(), clientHeightTwips()));
    bar->unsetCursor();
    Form_Resize();
}

} // namespace mapeditor
