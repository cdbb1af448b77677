#include "partners/frmPartners.h"
#include "core/BusyScope.h"
#include "core/HandlerGuard.h"

#include "partners/EnvelopePreview.h"
#include "partners/SetFiles.h"
#include "partners/frmStandard.h"

#include "core/modGlobal.h"

#include "ado/Recordset.h"
#include "com/ClassRegistry.h"
#include "controls/ComboList.h"
#include "controls/Forms.h"
#include "controls/ListView.h"
#include "controls/MaskedEdit.h"
#include "controls/TabStrip.h"
#include "controls/TextBox.h"
#include "vb/Clock.h"
#include "vb/Conversions.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

namespace partners {

using modGlobal::guardedConnect;

using modGlobal::cnDatabase;

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// Set on a counter box when it dropped a character typed into it.
const char *const kDroppedInput = "droppedInput";

// Runs one handler; an error ends it and is reported, never reaching the event loop.
template <class F>
void guarded(F &&body)
{
    try {
        body();
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

controls::TextBox *textBox(QWidget *parent, const char *name, int maxLength, bool displayOnly = false)
{
    auto *box = new controls::TextBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaxLength(maxLength);
    if (displayOnly) {
        // Shown, never typed into: drawn on the window's colour, unlike an editable box.
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::NoFocus);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        box->setPalette(palette);
    }
    return box;
}

QLabel *label(QWidget *parent, const char *name, const QString &caption)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

controls::ComboList *comboList(QWidget *parent, const char *name)
{
    auto *c = new controls::ComboList(parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

// One envelope row: name label, box, description label.
void envelopeRow(QGridLayout *grid, int row, QWidget *box, const char *labelName, const QString &caption,
                 const QString &descName, const QString &description)
{
    QWidget *parent = grid->parentWidget();
    QLabel *name = label(parent, labelName, caption);
    name->setBuddy(box);
    grid->addWidget(name, row, 0);
    grid->addWidget(box, row, 1);
    QLabel *desc = new QLabel(description, parent);
    desc->setObjectName(descName);
    grid->addWidget(desc, row, 2);
}

int boxWidth(int characters)
{
    const QFontMetrics m(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    return m.horizontalAdvance(QLatin1Char('W')) * characters + 16;
}

} // namespace

frmPartners::frmPartners() : m_store(cnDatabase), m_sets(cnDatabase)
{
    setObjectName(QStringLiteral("frmPartners"));
    setWindowTitle(QStringLiteral("Trading Partner Setup"));
    setModal(true);
    showPicker = [](frmStandard &picker) { picker.exec(); };
    buildControls();
    Form_Load();
}

frmPartners::~frmPartners()
{
    Form_Unload();
}

void frmPartners::buildControls()
{
    auto *top = new QVBoxLayout(this);
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    top->setMenuBar(menuBar);
    mnuPartners = menuBar->addMenu(QStringLiteral("Partners"));
    mnuPartners->setObjectName(QStringLiteral("mnuPartners"));
    auto action = [this](const char *name, const QString &caption) {
        QAction *a = mnuPartners->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    mnuAddPartner = action("mnuAddPartner", QStringLiteral("Add..."));
    mnuRemovePartner = action("mnuRemovePartner", QStringLiteral("Remove..."));
    mnuEditPartner = action("mnuEditPartner", QStringLiteral("Edit"));
    mnuPartners->addSeparator()->setObjectName(QStringLiteral("mnuPartnerBar"));
    mnuClose = action("mnuClose", QStringLiteral("Close"));

    // The partner's name and the navigation above the tabs.
    auto *head = new QHBoxLayout;
    lblPartners = label(this, "lblPartners", QStringLiteral("Partner"));
    txtPartner = textBox(this, "txtPartner", 63);
    lblPartners->setBuddy(txtPartner);
    txtPartner->setMinimumWidth(boxWidth(16));
    auto button = [this](const char *name, const QString &caption, const QString &tip) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        b->setAutoDefault(false);
        return b;
    };
    cmdMoveFirst = button("cmdMoveFirst", QStringLiteral("|<"), QStringLiteral("First"));
    cmdMovePrevious = button("cmdMovePrevious", QStringLiteral("&Previous"), QStringLiteral("Previous"));
    cmdMoveNext = button("cmdMoveNext", QStringLiteral("&Next"), QStringLiteral("Next"));
    cmdMoveLast = button("cmdMoveLast", QStringLiteral(">|"), QStringLiteral("Last"));
    cmdClose = button("cmdClose", QStringLiteral("Close"), QStringLiteral("Close"));
    head->addWidget(lblPartners);
    head->addWidget(txtPartner, 1);
    for (QPushButton *b : {cmdMoveFirst, cmdMovePrevious, cmdMoveNext, cmdMoveLast})
        head->addWidget(b);
    head->addSpacing(12);
    head->addWidget(cmdClose);
    top->addLayout(head);

    sstPartner = new controls::TabStrip(this);
    sstPartner->setObjectName(QStringLiteral("sstPartner"));
    top->addWidget(sstPartner, 1);

    // Tab 0: the interchange header.
    auto *isaPage = new QWidget;
    auto *isaLayout = new QVBoxLayout(isaPage);
    fraOutboundISA = new QGroupBox(QStringLiteral(" ISA: Segment"), isaPage);
    fraOutboundISA->setObjectName(QStringLiteral("fraOutboundISA"));
    isaLayout->addWidget(fraOutboundISA);
    auto *isa = new QGridLayout(fraOutboundISA);
    struct Row {
        controls::TextBox **box;
        const char *name;
        int length;
        bool displayOnly;
        const char *description;
    };
    const Row isaRows[] = {
        {&txtISA01, "txtISA01", 2, false, "Authorization Information Qualifier"},
        {&txtISA02, "txtISA02", 10, false, "Authorization Information"},
        {&txtISA03, "txtISA03", 2, false, "Security Information Qualifier"},
        {&txtISA04, "txtISA04", 10, false, "Security Information"},
        {&txtISA05, "txtISA05", 2, false, "Interchange ID Qualifier"},
        {&txtISA06, "txtISA06", 15, false, "Interchange Sender ID"},
        {&txtISA07, "txtISA07", 2, false, "Interchange ID Qualifier"},
        {&txtISA08, "txtISA08", 15, false, "Interchange Receiver ID"},
        {&txtISA09, "txtISA09", 6, true, "Interchange Date"},
        {&txtISA10, "txtISA10", 4, true, "Interchange Time"},
        {&txtISA11, "txtISA11", 1, false, "Interchange Standards Identifier"},
        {&txtISA12, "txtISA12", 5, false, "Interchange Version"},
    };
    int r = 0;
    for (const Row &row : isaRows) {
        *row.box = textBox(fraOutboundISA, row.name, row.length, row.displayOnly);
        (*row.box)->setFixedWidth(boxWidth(16));
        const QString element = QString::fromLatin1(row.name).mid(3);
        // The ISA05 label keeps its historical name.
        const QByteArray labelName = element == QLatin1String("ISA05") ? "lblSA05" : ("lbl" + element.toLatin1());
        envelopeRow(isa, r++, *row.box, labelName.constData(), element + QLatin1Char(':'),
                    QStringLiteral("lblDesc") + element, QString::fromLatin1(row.description));
    }
    txtISA13 = new controls::MaskedEdit(9, fraOutboundISA);
    txtISA13->setObjectName(QStringLiteral("txtISA13"));
    txtISA13->setFixedWidth(boxWidth(16));
    envelopeRow(isa, r++, txtISA13, "lblISA13", QStringLiteral("ISA13:"), QStringLiteral("lblDescISA13"),
                QStringLiteral("Interchange Control Number"));
    cboIntAck = comboList(fraOutboundISA, "cboIntAck");
    cboIntAck->setFixedWidth(boxWidth(16));
    envelopeRow(isa, r++, cboIntAck, "lblISA14", QStringLiteral("ISA14:"), QStringLiteral("lblDescISA14"),
                QStringLiteral("Interchange Acknowledgement"));
    cboTestIndicator = comboList(fraOutboundISA, "cboTestIndicator");
    cboTestIndicator->setFixedWidth(boxWidth(16));
    envelopeRow(isa, r++, cboTestIndicator, "lblISA15", QStringLiteral("ISA15:"), QStringLiteral("lblDescISA15"),
                QStringLiteral("Test Indicator"));
    cboISAVersion = comboList(fraOutboundISA, "cboISAVersion");
    cboISAVersion->setFixedWidth(boxWidth(16));
    isa->addWidget(cboISAVersion, r, 1);
    QLabel *standards = label(fraOutboundISA, "lblStandardsVersion", QStringLiteral("Standards Version"));
    standards->setBuddy(cboISAVersion);
    isa->addWidget(standards, r++, 2);
    isa->setColumnStretch(2, 1);
    isa->setRowStretch(r, 1);
    sstPartner->addPage(isaPage, QStringLiteral("Interchange Control Header"));

    // Tab 1: the delimiters and the functional group header.
    auto *gsPage = new QWidget;
    auto *gsLayout = new QVBoxLayout(gsPage);
    fraDelimitors = new QGroupBox(QStringLiteral("Delimitors"), gsPage);
    fraDelimitors->setObjectName(QStringLiteral("fraDelimitors"));
    auto *delimiters = new QGridLayout(fraDelimitors);
    cboPartnerSt = comboList(fraDelimitors, "cboPartnerSt");
    cboPartnerEd = comboList(fraDelimitors, "cboPartnerEd");
    cboPartnerSed = comboList(fraDelimitors, "cboPartnerSed");
    const std::pair<controls::ComboList *, std::pair<const char *, const char *>> delimiterRows[] = {
        {cboPartnerSt, {"lblSegmentTerminator", "Segment Terminator:"}},
        {cboPartnerEd, {"lblDataElementDelimitor", "Data Element Delimitor:"}},
        {cboPartnerSed, {"lblSubElementSeparator", "Sub-Element Separator:"}},
    };
    r = 0;
    for (const auto &[combo, names] : delimiterRows) {
        QLabel *l = label(fraDelimitors, names.first, QString::fromLatin1(names.second));
        l->setBuddy(combo);
        combo->setFixedWidth(boxWidth(12));
        delimiters->addWidget(l, r, 0);
        delimiters->addWidget(combo, r++, 1);
    }
    delimiters->setColumnStretch(2, 1);
    gsLayout->addWidget(fraDelimitors);
    fraGS = new QGroupBox(QStringLiteral(" GS: Segment "), gsPage);
    fraGS->setObjectName(QStringLiteral("fraGS"));
    auto *gs = new QGridLayout(fraGS);
    const Row gsRows[] = {
        {&txtGS01, "txtGS01", 2, true, "Functional Identifier Code"},
        {&txtGS02, "txtGS02", 15, false, "Applications Sender's Code"},
        {&txtGS03, "txtGS03", 15, false, "Applications Receiver Code"},
        {&txtGS04, "txtGS04", 8, true, "Group Date"},
        {&txtGS05, "txtGS05", 8, true, "Group Time"},
    };
    r = 0;
    for (const Row &row : gsRows) {
        *row.box = textBox(fraGS, row.name, row.length, row.displayOnly);
        (*row.box)->setFixedWidth(boxWidth(16));
        const QString element = QString::fromLatin1(row.name).mid(3);
        envelopeRow(gs, r++, *row.box, ("lbl" + element.toLatin1()).constData(), element + QLatin1Char(':'),
                    QStringLiteral("lblDesc") + element, QString::fromLatin1(row.description));
    }
    txtGS06 = new controls::MaskedEdit(9, fraGS);
    txtGS06->setObjectName(QStringLiteral("txtGS06"));
    txtGS06->setFixedWidth(boxWidth(16));
    envelopeRow(gs, r++, txtGS06, "lblGS06", QStringLiteral("GS06:"), QStringLiteral("lblDescGS06"),
                QStringLiteral("Group Control Number"));
    txtGS07 = textBox(fraGS, "txtGS07", 1);
    txtGS07->setFixedWidth(boxWidth(16));
    envelopeRow(gs, r++, txtGS07, "lblGS07", QStringLiteral("GS07:"), QStringLiteral("lblDescGS07"),
                QStringLiteral("Responsible Agency Code"));
    txtGS08 = textBox(fraGS, "txtGS08", 12, true);
    txtGS08->setFixedWidth(boxWidth(16));
    envelopeRow(gs, r++, txtGS08, "lblGS08", QStringLiteral("GS08:"), QStringLiteral("lblVersionRelease"),
                QStringLiteral("Version/Release"));
    gs->setColumnStretch(2, 1);
    gs->setRowStretch(r, 1);
    gsLayout->addWidget(fraGS, 1);
    sstPartner->addPage(gsPage, QStringLiteral("Functional Group Header"));

    // Tab 2: the preview and the two pages of sets.
    auto *setsPage = new QWidget;
    auto *setsLayout = new QVBoxLayout(setsPage);
    fraPreview = new QGroupBox(QStringLiteral("X12 - Envelope Preview"), setsPage);
    fraPreview->setObjectName(QStringLiteral("fraPreview"));
    auto *previewLayout = new QVBoxLayout(fraPreview);
    txtPreview = new QPlainTextEdit(fraPreview);
    txtPreview->setObjectName(QStringLiteral("txtPreview"));
    txtPreview->setReadOnly(true);
    txtPreview->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtPreview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Six lines and the scroll bar of the long ISA line, without a vertical bar.
    txtPreview->setFixedHeight(QFontMetrics(txtPreview->font()).lineSpacing() * 6 + 2 * txtPreview->frameWidth()
                               + int(2 * txtPreview->document()->documentMargin())
                               + txtPreview->horizontalScrollBar()->sizeHint().height() + 4);
    previewLayout->addWidget(txtPreview);
    setsLayout->addWidget(fraPreview);
    sstTransaction = new controls::TabStrip(setsPage);
    sstTransaction->setObjectName(QStringLiteral("sstTransaction"));
    setsLayout->addWidget(sstTransaction, 1);
    auto buildPage = [&](SetPage &page, const char *direction, const char *list, const char *override,
                         const char *lblOverride, const char *number, const char *lblNumber, const QString &numberCaption,
                         const char *chk, const QString &chkCaption, const char *desc, const char *save,
                         const QString &saveTip, const char *del, const QString &delTip, const char *add,
                         const QString &addTip, const QString &caption) {
        auto *w = new QWidget;
        auto *grid = new QGridLayout(w);
        page.direction = QString::fromLatin1(direction);
        page.list = new controls::ListView(w);
        page.list->setObjectName(QString::fromLatin1(list));
        page.list->setRootIsDecorated(false);
        grid->addWidget(page.list, 0, 0, 6, 1);
        page.lblOverride = label(w, lblOverride, QStringLiteral("Version Override"));
        page.txtOverride = textBox(w, override, 12);
        page.lblOverride->setBuddy(page.txtOverride);
        page.lblControlNumber = label(w, lblNumber, numberCaption);
        page.txtControlNumber = new controls::MaskedEdit(9, w);
        page.txtControlNumber->setObjectName(QString::fromLatin1(number));
        page.lblControlNumber->setBuddy(page.txtControlNumber);
        page.chkAck = new QCheckBox(chkCaption, w);
        page.chkAck->setObjectName(QString::fromLatin1(chk));
        page.lblDesc = label(w, desc, QStringLiteral("Description"));
        page.lblDesc->setWordWrap(true);
        grid->addWidget(page.lblOverride, 0, 1);
        grid->addWidget(page.txtOverride, 0, 2);
        grid->addWidget(page.lblControlNumber, 1, 1);
        grid->addWidget(page.txtControlNumber, 1, 2);
        grid->addWidget(page.chkAck, 2, 1, 1, 2);
        grid->addWidget(page.lblDesc, 3, 1, 1, 2);
        auto *buttons = new QHBoxLayout;
        page.cmdSave = button(save, QStringLiteral("Save"), saveTip);
        page.cmdDelete = button(del, QStringLiteral("Delete"), delTip);
        page.cmdAdd = button(add, QStringLiteral("Add..."), addTip);
        for (QPushButton *b : {page.cmdAdd, page.cmdSave, page.cmdDelete}) {
            b->setParent(w);
            buttons->addWidget(b);
        }
        grid->addLayout(buttons, 5, 1, 1, 2);
        grid->setRowStretch(4, 1);
        grid->setColumnStretch(0, 1);
        sstTransaction->addPage(w, caption);
        setTabOrder(page.list, page.txtOverride);
        setTabOrder(page.txtOverride, page.txtControlNumber);
        setTabOrder(page.txtControlNumber, page.chkAck);
        setTabOrder(page.chkAck, page.cmdAdd);
        setTabOrder(page.cmdAdd, page.cmdSave);
        setTabOrder(page.cmdSave, page.cmdDelete);
    };
    buildPage(inbound, "I", "lvwInbound", "txtInboundOverride", "lblOverrideIn", "txtInboundControlNumber",
              "lblInboundContolNumber", QStringLiteral("Last Control Number"), "chkInboundAck",
              QStringLiteral("Generate Ack"), "lblInboundDesc", "cmdSaveInbound", QStringLiteral("Save Inbound"),
              "cmdDeleteInbound", QStringLiteral("Delete Inbound Transaction"), "cmdAddInbound",
              QStringLiteral("Add Inbound Transaction"), QStringLiteral("Inbound"));
    buildPage(outbound, "O", "lvwOutbound", "txtOutboundOverride", "lblOverrideOut", "txtOutboundControlNumber",
              "lblOutboundControlNumber", QStringLiteral("Next Control Number"), "chkOutboundAck",
              QStringLiteral("Require Ack"), "lblOutboundDesc", "cmdSaveOutbound", QStringLiteral("Save Outbound"),
              "cmdDeleteOutbound", QStringLiteral("Delete Outbound Transaction"), "cmdAddOutbound",
              QStringLiteral("Add Outbound Transaction"), QStringLiteral("Outbound"));
    lvwInbound = inbound.list;
    lvwOutbound = outbound.list;
    sstPartner->addPage(setsPage, QStringLiteral("Transactions"));

    tmrDateTime = new QTimer(this);
    tmrDateTime->setObjectName(QStringLiteral("tmrDateTime"));
    tmrDateTime->setInterval(1000);

    // Tab order: name, navigation, Close, then the tabs' own fields.
    setTabOrder(txtPartner, cmdMoveFirst);
    setTabOrder(cmdMoveFirst, cmdMovePrevious);
    setTabOrder(cmdMovePrevious, cmdMoveNext);
    setTabOrder(cmdMoveNext, cmdMoveLast);
    setTabOrder(cmdMoveLast, cmdClose);
    setTabOrder(cmdClose, sstPartner);

    // Wiring.
    guardedConnect(mnuAddPartner, &QAction::triggered, this, [this] { mnuAddPartner_Click(); });
    guardedConnect(mnuEditPartner, &QAction::triggered, this, [this] { mnuEditPartner_Click(); });
    guardedConnect(mnuRemovePartner, &QAction::triggered, this, [this] { mnuRemovePartner_Click(); });
    guardedConnect(mnuClose, &QAction::triggered, this, [this] { cmdClose_Click(); });
    guardedConnect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    guardedConnect(cmdMoveFirst, &QPushButton::clicked, this, [this] { cmdMoveFirst_Click(); });
    guardedConnect(cmdMovePrevious, &QPushButton::clicked, this, [this] { cmdMovePrevious_Click(); });
    guardedConnect(cmdMoveNext, &QPushButton::clicked, this, [this] { cmdMoveNext_Click(); });
    guardedConnect(cmdMoveLast, &QPushButton::clicked, this, [this] { cmdMoveLast_Click(); });
    for (QPushButton *b : {cmdMoveFirst, cmdMovePrevious, cmdMoveNext, cmdMoveLast})
        b->installEventFilter(this);
    guardedConnect(sstPartner, &controls::TabStrip::KeyPress, this, [this](int key) { NavigateByKey(key); });
    guardedConnect(cboISAVersion, &controls::ComboList::Click, this, [this] { cboISAVersion_Click(); });
    for (controls::MaskedEdit *box : {txtISA13, txtGS06})
        connect(box, &QLineEdit::inputRejected, box, [box] { box->setProperty(kDroppedInput, true); });
    guardedConnect(tmrDateTime, &QTimer::timeout, this, [this] { tmrDateTime_Timer(); });
    guardedConnect(sstTransaction, &controls::TabStrip::Click, this, [this](int previous) { sstTransaction_Click(previous); });
    for (SetPage *page : {&inbound, &outbound}) {
        guardedConnect(page->list, &controls::ListView::ItemClick, this, [this, page](int) { guarded([&] { ShowTransaction(*page); }); });
        guardedConnect(page->list, &controls::ListView::ColumnClick, this, [this, page](int column) { ColumnClick(*page, column); });
        guardedConnect(page->cmdSave, &QPushButton::clicked, this, [this, page] { cmdSave_Click(*page); });
        guardedConnect(page->cmdDelete, &QPushButton::clicked, this, [this, page] { cmdDelete_Click(*page); });
        guardedConnect(page->cmdAdd, &QPushButton::clicked, this, [this] { AddTransaction(); });
    }
    // Wide enough for the whole ISA line of the preview.
    resize(QFontMetrics(txtPreview->font()).horizontalAdvance(QString(108, QLatin1Char('0'))) + 80, 640);
}

// ---------------------------------------------------------------------------
// Load, close, navigation

void frmPartners::Form_Load()
{
    guarded([&] {
        sstPartner->setTab(0);
        sstTransaction->setTab(0);
        ado::Recordset versions;
        versions.Open(QStringLiteral("SELECT * FROM Version"), cnDatabase, ado::adOpenForwardOnly, ado::adLockOptimistic);
        // An empty Version table ends the load here: a partner's version could not be shown.
        if (versions.Eof())
            vb::raise(3021, QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                           "Requested operation requires a current record."));
        for (; !versions.Eof(); versions.MoveNext())
            cboISAVersion->addItem(vb::CStr(versions.Fields(QStringLiteral("Version")).Value()));
        versions.Close();
        cboIntAck->addItems({QStringLiteral("No"), QStringLiteral("Yes")});
        cboTestIndicator->addItems({QStringLiteral("Production"), QStringLiteral("Test")});
        QStringList codes;
        codes.reserve(256);
        codes << QString();
        for (int i = 1; i <= 255; ++i)
            codes << QStringLiteral("%1 -- (%2)").arg(i, 3, 10, QLatin1Char('0')).arg(QChar(i));
        codes[0] = QStringLiteral("CR/LF");
        cboPartnerSt->addItems(codes);
        codes[0] = QStringLiteral("NULL");
        cboPartnerEd->addItems(codes);
        cboPartnerSed->addItems(codes);
        for (controls::ListView *list : {lvwInbound, lvwOutbound}) {
            list->addColumnHeader(QString(), QStringLiteral("Transaction"), 1100);
            list->addColumnHeader(QString(), QStringLiteral("Version"), 800);
            list->addColumnHeader(QString(), QStringLiteral("Group"), 700);
            list->addColumnHeader(QString(), QStringLiteral("ActiveX"), 2800);
        }
        m_store.open();
    });
    // Whatever failed above, the window shows a partner or the empty state;
    // without a partner list no command touches one.
    guarded([&] { ShowPartner(); });
    guarded([&] { EnablePartnerFields(false); });
    guarded([&] { tmrDateTime_Timer(); });
}

void frmPartners::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    tmrDateTime->stop();
    if (cmdClose->isEnabled())
        guarded([&] { m_store.close(); });
}

bool frmPartners::mayClose()
{
    if (!isEditMode() || shownValues() == m_shown)
        return true;
    const int answer = vb::MsgBox(QStringLiteral("Save Changes?"),
                                  vb::vbYesNoCancel | vb::vbInformation | vb::vbDefaultButton2);
    if (answer == vb::vbCancel)
        return false;
    if (answer == vb::vbNo)
        return true;
    // A save that is refused or fails keeps the window open with the typing.
    bool saved = false;
    guarded([&] { saved = databaseFree() && SavePartner(); });
    return saved;
}

void frmPartners::cmdClose_Click()
{
    if (!mayClose())
        return;
    guarded([&] {
        m_store.close();
        cmdClose->setEnabled(false);
        tmrDateTime->stop();
        done(QDialog::Rejected);
    });
}

void frmPartners::reject()
{
    cmdClose_Click();
}

void frmPartners::closeEvent(QCloseEvent *event)
{
    if (cmdClose->isEnabled() && !mayClose()) {
        event->ignore();
        return;
    }
    if (cmdClose->isEnabled())
        guarded([&] { m_store.close(); });
    cmdClose->setEnabled(false);
    tmrDateTime->stop();
    event->accept();
}

bool frmPartners::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->text().size() == 1 && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            NavigateByKey(key->text().at(0).unicode());
    }
    return QDialog::eventFilter(watched, event);
}

void frmPartners::cmdMoveFirst_Click()
{
    guarded([&] {
        if (!m_store.hasRows())
            return;
        m_store.moveFirst();
        ShowPartner();
    });
}

void frmPartners::cmdMovePrevious_Click()
{
    guarded([&] {
        if (m_store.hasRows() && m_store.movePrevious())
            ShowPartner();
    });
}

void frmPartners::cmdMoveNext_Click()
{
    guarded([&] {
        if (m_store.hasRows() && m_store.moveNext())
            ShowPartner();
    });
}

void frmPartners::cmdMoveLast_Click()
{
    guarded([&] {
        if (!m_store.hasRows())
            return;
        m_store.moveLast();
        ShowPartner();
    });
}

void frmPartners::NavigateByKey(int keyAscii)
{
    const QChar c = QChar(keyAscii).toUpper();
    QPushButton *target = c == QLatin1Char('P')   ? cmdMovePrevious
                          : c == QLatin1Char('N') ? cmdMoveNext
                          : c == QLatin1Char('<') ? cmdMoveFirst
                          : c == QLatin1Char('>') ? cmdMoveLast
                                                  : nullptr;
    if (target && target->isEnabled())
        target->click();
}

bool frmPartners::isEditMode() const
{
    return mnuEditPartner->text() == QLatin1String("Save");
}

// ---------------------------------------------------------------------------
// Showing a partner

void frmPartners::ShowPartner()
{
    if (!m_store.hasRows()) {
        mnuRemovePartner->setEnabled(false);
        mnuEditPartner->setEnabled(false);
        tmrDateTime->stop();
        ClearPartnerFields();
        EnableControls(inbound, false);
        EnableControls(outbound, false);
        return;
    }
    mnuRemovePartner->setEnabled(true);
    mnuEditPartner->setEnabled(true);
    tmrDateTime->start();
    const PartnerRow row = m_store.current();
    txtPartner->setText(row.Partner);
    cboPartnerSt->setListIndex(row.Segment);
    cboPartnerEd->setListIndex(row.element);
    cboPartnerSed->setListIndex(row.sub);
    cboISAVersion->setListIndex(row.ISAVersionIndex);
    txtISA01->setText(row.ISA01);
    txtISA02->setText(row.ISA02);
    txtISA03->setText(row.ISA03);
    txtISA04->setText(row.ISA04);
    txtISA05->setText(row.ISA05);
    txtISA06->setText(row.ISA06);
    txtISA07->setText(row.ISA07);
    txtISA08->setText(row.ISA08);
    txtISA11->setText(row.ISA11);
    txtISA12->setText(row.ISA12);
    txtISA13->setText(QString::number(row.ISA13));
    cboIntAck->setListIndex(row.ISA14 == QLatin1String("0") ? 0 : 1);
    cboTestIndicator->setListIndex(row.ISA15 == QLatin1String("P") ? 0 : 1);
    txtGS02->setText(row.GS02);
    txtGS03->setText(row.GS03);
    txtGS06->setText(QString::number(row.GS06));
    txtGS07->setText(row.GS07);
    for (controls::MaskedEdit *box : {txtISA13, txtGS06})
        box->setProperty(kDroppedInput, false);
    m_shown = shownValues();
    m_shownISA13 = row.ISA13;
    m_shownGS06 = row.GS06;
    setWindowTitle(QStringLiteral("Partner %1 of %2 -- %3").arg(m_store.position()).arg(m_store.count()).arg(txtPartner->text()));
    LoadTransactions(currentPage());
}

QStringList frmPartners::shownValues() const
{
    QStringList values;
    for (const controls::TextBox *box : {txtPartner, txtISA01, txtISA02, txtISA03, txtISA04, txtISA05, txtISA06,
                                         txtISA07, txtISA08, txtISA11, txtISA12, txtGS02, txtGS03, txtGS07})
        values << box->text();
    values << txtISA13->text() << txtGS06->text();
    for (const controls::ComboList *combo :
         {cboPartnerSt, cboPartnerEd, cboPartnerSed, cboISAVersion, cboIntAck, cboTestIndicator})
        values << QString::number(combo->listIndex());
    return values;
}

void frmPartners::EnablePartnerFields(bool enabled)
{
    for (QWidget *w : std::initializer_list<QWidget *>{
             txtPartner, cboPartnerSt, cboPartnerEd, cboPartnerSed, txtISA01, txtISA02, txtISA03, txtISA04, txtISA05,
             txtISA06, txtISA07, txtISA08, txtISA11, txtISA12, txtISA13, cboISAVersion, cboIntAck, cboTestIndicator,
             txtGS02, txtGS03, txtGS06, txtGS07})
        w->setEnabled(enabled);
}

void frmPartners::ClearPartnerFields()
{
    lvwInbound->clearItems();
    lvwOutbound->clearItems();
    for (controls::TextBox *box : {txtPartner, txtISA01, txtISA02, txtISA03, txtISA04, txtISA05, txtISA06, txtISA07,
                                   txtISA08, txtISA11, txtISA12, txtGS01, txtGS02, txtGS03, txtGS07, txtGS08})
        box->setText(QString());
    for (controls::ComboList *combo : {cboPartnerSt, cboPartnerEd, cboPartnerSed, cboIntAck, cboTestIndicator}) {
        if (combo->listCount() > 0)
            combo->setListIndex(0);
    }
    setWindowTitle(QStringLiteral("Trading Partner Setup"));
}

void frmPartners::cboISAVersion_Click()
{
    txtISA12->setText(cboISAVersion->text().left(5));
}

// ---------------------------------------------------------------------------
// Add, Edit/Save, Remove

bool frmPartners::databaseFree()
{
    return core::BusyScope::databaseFree(QStringLiteral("Partners"));
}

QString frmPartners::storedPartner() const
{
    return m_store.hasRows() ? m_store.currentName() : QString();
}

void frmPartners::refreshMailboxes()
{
    modGlobal::MainWindowLink &link = modGlobal::mainWindowLink();
    if (!link.RefreshBox)
        return;
    for (const char *table : {"Inbox", "Outbox", "Sent", "Recycled"})
        link.RefreshBox(QString::fromLatin1(table));
}

void frmPartners::mnuAddPartner_Click()
{
    guarded([&] {
        if (!databaseFree())
            return;
        const QString name = vb::InputBox(QStringLiteral("Enter Trading Partner Name:"));
        if (name.isEmpty())
            return;
        if (const auto refusal = refuseName(name, NameRule::Add)) {
            vb::MsgBox(refusal->message, refusal->icon);
            return;
        }
        m_store.add(name.trimmed());
        modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Trading Partner Added ") + name.trimmed());
        ShowPartner();
    });
}

void frmPartners::mnuEditPartner_Click()
{
    guarded([&] {
        if (!m_store.hasRows())
            return;
        if (!isEditMode()) {
            EnablePartnerFields(true);
            mnuEditPartner->setText(QStringLiteral("Save"));
            for (QPushButton *b : {cmdMoveFirst, cmdMoveNext, cmdMovePrevious, cmdMoveLast})
                b->setEnabled(false);
            mnuRemovePartner->setEnabled(false);
            mnuAddPartner->setEnabled(false);
            txtPartner->setFocus();
            return;
        }
        const int answer = vb::MsgBox(QStringLiteral("Save Changes?"),
                                      vb::vbYesNoCancel | vb::vbInformation | vb::vbDefaultButton2);
        if (answer == vb::vbCancel)
            return;
        if (answer == vb::vbYes) {
            if (!databaseFree())
                return;
            SavePartner();
            // Values no interchange could carry stay on screen to be mended.
            if (m_valuesRefused)
                return;
        }
        ShowPartner();
        EnablePartnerFields(false);
        for (QPushButton *b : {cmdMoveFirst, cmdMoveNext, cmdMovePrevious, cmdMoveLast})
            b->setEnabled(true);
        mnuRemovePartner->setEnabled(true);
        mnuAddPartner->setEnabled(true);
        mnuEditPartner->setText(QStringLiteral("Edit"));
    });
}

std::optional<CounterEdit> frmPartners::editedCounter(const controls::MaskedEdit *box, qint64 shown,
                                                      qint64 stored, const QString &element, const QString &what)
{
    const std::optional<qint64> typed = counterValue(box->text());
    // A box the user left alone (or emptied) keeps the stored counter.
    if (!typed || *typed == shown || *typed == stored)
        return std::nullopt;
    if (*typed > stored)
        return CounterEdit{*typed, false};
    const QString question = element + QStringLiteral(" would go back from ") + QString::number(stored)
        + QStringLiteral(" to ") + QString::number(*typed) + QStringLiteral(".") + kCrLf + kCrLf
        + QStringLiteral("Control numbers already sent would be used again, and the trading partner may reject "
                         "those ")
        + what + QStringLiteral(" as duplicates.") + kCrLf + kCrLf + QStringLiteral("Set ") + element
        + QStringLiteral(" back to ") + QString::number(*typed) + QStringLiteral(" anyway?");
    if (vb::MsgBox(question, vb::vbYesNo | vb::vbExclamation | vb::vbDefaultButton2) != vb::vbYes)
        return std::nullopt;
    return CounterEdit{*typed, true};
}

bool frmPartners::SavePartner()
{
    m_valuesRefused = false;
    const QString name = txtPartner->text().trimmed();
    txtPartner->setText(name);
    if (const auto refusal = refuseName(name, NameRule::Save)) {
        vb::MsgBox(refusal->message, refusal->icon);
        return false;
    }
    PartnerEdit e;
    e.Partner = name;
    e.Segment = cboPartnerSt->listIndex();
    e.element = cboPartnerEd->listIndex();
    e.sub = cboPartnerSed->listIndex();
    e.ISAVersion = cboISAVersion->text();
    e.ISAVersionIndex = cboISAVersion->listIndex();
    e.ISA01 = txtISA01->text();
    e.ISA02 = txtISA02->text();
    e.ISA03 = txtISA03->text();
    e.ISA04 = txtISA04->text();
    e.ISA05 = txtISA05->text();
    e.ISA06 = txtISA06->text();
    e.ISA07 = txtISA07->text();
    e.ISA08 = txtISA08->text();
    e.ISA11 = txtISA11->text();
    e.ISA12 = txtISA12->text();
    e.ISA14 = cboIntAck->listIndex();
    e.ISA15 = cboTestIndicator->listIndex();
    e.GS02 = txtGS02->text();
    e.GS03 = txtGS03->text();
    e.GS07 = txtGS07->text();
    const auto counterBox = [](const controls::MaskedEdit *box) {
        return CounterBox{box->text(), box->property(kDroppedInput).toBool()};
    };
    const std::optional<QString> refusal = refuseEnvelope(e, counterBox(txtISA13), counterBox(txtGS06));
    // Letters the counter boxes dropped as they were typed are told once.
    for (controls::MaskedEdit *box : {txtISA13, txtGS06})
        box->setProperty(kDroppedInput, false);
    if (refusal) {
        vb::MsgBox(*refusal, vb::vbExclamation);
        m_valuesRefused = true;
        return false;
    }
    const Counters stored = m_store.storedCounters();
    e.ISA13 = editedCounter(txtISA13, m_shownISA13, stored.ISA13, QStringLiteral("ISA13"),
                            QStringLiteral("interchanges"));
    e.GS06 = editedCounter(txtGS06, m_shownGS06, stored.GS06, QStringLiteral("GS06"),
                           QStringLiteral("functional groups"));
    const bool renamed = name != m_store.currentName();
    const QStringList problems = m_store.save(e);
    if (renamed)
        refreshMailboxes();
    if (!problems.isEmpty())
        vb::MsgBox(QStringLiteral("The partner was renamed, but these reports keep the old name in their title:")
                       + kCrLf + kCrLf
                       + problems.join(kCrLf),
                   vb::vbExclamation);
    return true;
}

void frmPartners::mnuRemovePartner_Click()
{
    guarded([&] {
        if (!m_store.hasRows() || !databaseFree())
            return;
        const QString name = m_store.currentName();
        if (const auto refusal = refuseRemoval(name, m_store.mailboxCounts(name))) {
            vb::MsgBox(*refusal, vb::vbExclamation);
            return;
        }
        const SetCounts counts = m_store.setCounts(name);
        const QString warning = QStringLiteral("WARNING:") + kCrLf + kCrLf + QStringLiteral("Removing '") + name
            + QStringLiteral("' will permanently remove all settings associated with this trading partner.") + kCrLf
            + QStringLiteral("Removing will delete all Transaction(s) and Mappings") + kCrLf
            + QStringLiteral("Removing will also delete ") + QString::number(counts.inbound) + QStringLiteral(" inbound and ")
            + QString::number(counts.outbound) + QStringLiteral(" outbound Transaction(s).") + kCrLf + kCrLf
            + QStringLiteral("Do you still wish to remove '") + name + QStringLiteral("'?");
        if (vb::MsgBox(warning, vb::vbYesNo | vb::vbExclamation | vb::vbDefaultButton2) != vb::vbYes)
            return;
        m_store.remove();
        modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Trading Partner Removed [") + name + QStringLiteral("]"));
        ShowPartner();
        refreshMailboxes();
    });
}

// ---------------------------------------------------------------------------
// Clock and preview

void frmPartners::tmrDateTime_Timer()
{
    const ClockTexts t = clockTexts(vb::Now(), txtGS08->text());
    txtISA09->setText(t.ISA09);
    txtISA10->setText(t.ISA10);
    if (t.GS04)
        txtGS04->setText(*t.GS04);
    if (t.GS05)
        txtGS05->setText(*t.GS05);
}

void frmPartners::ShowEnvelopePreview()
{
    guarded([&] {
        SetPage &page = currentPage();
        controls::ListItem *item = page.list->selectedItem();
        if (!item || !m_store.hasRows())
            vb::raise(91);
        PreviewSet set;
        set.inbound = &page == &inbound;
        set.transaction = item->text();
        set.group = txtGS01->text();
        set.version = txtGS08->text();
        const QString number = page.txtControlNumber->text().trimmed();
        set.controlNumber = vb::IsNumeric(vb::Variant(number)) ? vb::CLng(vb::Variant(number)) : 0;
        txtPreview->setPlainText(envelopePreview(m_store.current(), set, vb::Now()));
    });
}

// ---------------------------------------------------------------------------
// The pages of sets

frmPartners::SetPage &frmPartners::currentPage()
{
    return sstTransaction->tab() == 1 ? outbound : inbound;
}

SetKey frmPartners::keyOf(const SetPage &page) const
{
    controls::ListItem *item = page.list->selectedItem();
    if (!item)
        vb::raise(91);
    return SetKey{storedPartner(), item->text(), item->subItem(1), page.direction};
}

void frmPartners::LoadTransactions(SetPage &page)
{
    const QVector<SetListRow> rows = m_sets.list(storedPartner(), page.direction);
    page.list->clearItems();
    if (rows.isEmpty()) {
        EnableControls(page, false);
        return;
    }
    QList<controls::ListItem *> items;
    for (const SetListRow &row : rows) {
        auto *item = new controls::ListItem(row.Transaction);
        item->setSubItem(1, row.Version);
        item->setSubItem(2, row.Group);
        item->setSubItem(3, row.ActiveX);
        items << item;
    }
    page.list->addItems(items);
    EnableControls(page, true);
    ShowTransaction(page);
}

void frmPartners::ShowTransaction(SetPage &page)
{
    controls::ListItem *item = page.list->selectedItem();
    if (!item)
        return;
    txtGS01->setText(item->subItem(2));
    txtGS08->setText(item->subItem(1));
    const SetDetail d = m_sets.detail(keyOf(page));
    page.txtOverride->setText(d.Versionoverride);
    page.txtControlNumber->setText(d.ControlNumber);
    page.chkAck->setChecked(d.Acknowledge);
    page.lblDesc->setText(item->text() + QStringLiteral(": ") + d.Description);
    ShowEnvelopePreview();
}

void frmPartners::SaveTransaction(SetPage &page)
{
    m_sets.save(keyOf(page), page.txtOverride->text(), page.txtControlNumber->text(), page.chkAck->isChecked());
    ShowTransaction(page);
}

void frmPartners::EnableControls(SetPage &page, bool keep)
{
    if (!keep) {
        txtGS01->setText(QString());
        txtGS08->setText(QString());
        txtPreview->setPlainText(QString());
        page.txtOverride->setText(QString());
        page.txtControlNumber->setText(QString());
        page.lblDesc->setText(QString());
    }
    const bool rows = page.list->itemCount() > 0;
    page.cmdSave->setEnabled(rows);
    page.cmdAdd->setEnabled(true);
    page.cmdDelete->setEnabled(rows);
    page.txtOverride->setEnabled(rows);
    page.txtControlNumber->setEnabled(rows);
    page.chkAck->setEnabled(rows);
    if (!rows)
        page.chkAck->setChecked(false);
}

void frmPartners::cmdSave_Click(SetPage &page)
{
    guarded([&] {
        if (!page.list->selectedItem() || !m_store.hasRows() || !databaseFree())
            return;
        SaveTransaction(page);
    });
}

void frmPartners::cmdDelete_Click(SetPage &page)
{
    guarded([&] {
        if (!page.list->selectedItem() || !m_store.hasRows() || !databaseFree())
            return;
        const SetKey key = keyOf(page);
        const QString question = QStringLiteral("WARNING:") + kCrLf + kCrLf
            + QStringLiteral("This Transaction's Mapping will be deleted!") + kCrLf + kCrLf
            + QStringLiteral("Delete selected Transaction?") + kCrLf + kCrLf + QStringLiteral("Partner:\t\t") + key.partner
            + kCrLf + QStringLiteral("Transaction:\t") + page.lblDesc->text() + kCrLf + QStringLiteral("Version:\t\t")
            + key.version;
        if (vb::MsgBox(question, vb::vbYesNo | vb::vbExclamation | vb::vbDefaultButton2) != vb::vbYes)
            return;
        m_sets.remove(key);
        LoadTransactions(page);
    });
}

void frmPartners::sstTransaction_Click(int previousTab)
{
    guarded([&] { LoadTransactions(previousTab == 1 ? inbound : outbound); });
}

void frmPartners::AddTransaction()
{
    guarded([&] {
        if (!m_store.hasRows() || storedPartner().isEmpty() || !databaseFree())
            return;
        frmStandard &picker = controls::form<frmStandard>();
        showPicker(picker);
        if (modGlobal::blnStandardCancelled) {
            controls::unload<frmStandard>();
            return;
        }
        const QString version = picker.cboVersion->text();
        controls::ListItem *item = picker.lvwStandard->selectedItem();
        if (!item) {
            controls::unload<frmStandard>();
            vb::raise(91);
        }
        const QString transaction = item->text();
        const QString group = item->subItem(1);
        const QString description = item->subItem(2);
        controls::unload<frmStandard>();

        SetPage &page = currentPage();
        const SetKey key{storedPartner(), transaction, version, page.direction};
        bool added = false;
        try {
            added = m_sets.add(key, group, description);
        } catch (...) {
            // The set may be in the table even though its file failed: show
            // what the table holds before the error is reported.
            guarded([&] { LoadTransactions(page); });
            throw;
        }
        if (!added) {
            vb::MsgBox(duplicateSetMessage(transaction, version), vb::vbCritical, QStringLiteral("Error"));
            return;
        }
        LoadTransactions(page);
    });
}

void frmPartners::ColumnClick(SetPage &page, int column)
{
    if (page.list->columnText(column + 1) == QLatin1String("ActiveX"))
        SelectActiveX();
}

void frmPartners::SelectActiveX()
{
    guarded([&] {
        SetPage &page = currentPage();
        if (!page.list->selectedItem() || !m_store.hasRows() || !databaseFree())
            return;
        const SetKey key = keyOf(page);
        vb::OpenFileRequest request;
        request.filter = QStringLiteral("ActiveX Files(*.so)|*.so");
        request.initialFolder = folderSetting(QStringLiteral("ActiveX"));
        const vb::OpenFileResult chosen = vb::dialogService().openFile(request);
        QString progId;
        if (chosen.accepted && !chosen.files.isEmpty()) {
            progId = progIdFor(chosen.files.first(), key);
            // Created once and released: only proves the class can be made.
            com::CreateObject(progId).reset();
        }
        m_sets.setActiveX(key, progId);
        LoadTransactions(page);
    });
}

} // namespace partners
