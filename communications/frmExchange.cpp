#include "communications/frmExchange.h"

#include "communications/ExchangeLog.h"
#include "communications/OutboxState.h"

#include "core/BusyScope.h"
#include "core/HandlerGuard.h"
#include "core/Logging.h"
#include "core/ScriptKeywords.h"
#include "core/modGlobal.h"

#include "controls/ComboList.h"
#include "controls/Forms.h"
#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "controls/MaskedEdit.h"
#include "controls/ScriptBox.h"
#include "controls/TabStrip.h"
#include "controls/TextBox.h"
#include "controls/TimePicker.h"
#include "controls/TreeView.h"
#include "crypto/CertificateDialog.h"
#include "crypto/CertificateStore.h"
#include "crypto/Providers.h"
#include "vb/Clock.h"
#include "vb/DateTime.h"
#include "vb/Dialogs.h"
#include "vb/Twips.h"
#include "vb/VbError.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace communications {

using modGlobal::guardedConnect;

using modGlobal::cnDatabase;

namespace {

// Runs one handler; an error ends it and is reported, never reaching the event loop.
void guarded(const std::function<void()> &body)
{
    modGlobal::GuardHandler(body);
}

// One step of a procedure that goes on with the next step after any error;
// the error is recorded with the step's place.
template <class F>
void skipOnError(F &&step, std::source_location where = std::source_location::current())
{
    try {
        step();
    } catch (...) {
        core::recordCaught(lcCommunications(), "communications window: a step failed and was skipped", where);
    }
}

// A small picture: a coloured tile with a letter, for the tab headings and
// the reference trees.
QIcon tile(const QColor &colour, QChar letter)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colour);
    p.setPen(colour.darker(140));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString(letter));
    return QIcon(pixmap);
}

QWidget *heading(QWidget *parent, const QString &text, const QIcon &icon)
{
    auto *box = new QWidget(parent);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 4);
    auto *picture = new QLabel(box);
    picture->setPixmap(icon.pixmap(16, 16));
    auto *caption = new QLabel(text, box);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    row->addWidget(picture);
    row->addWidget(caption, 1);
    return box;
}

QLabel *label(QWidget *parent, const QString &caption)
{
    return new QLabel(caption, parent);
}

template <class W>
W *named(W *widget, const char *name, int index)
{
    widget->setObjectName(QString::fromLatin1(name) + u'_' + QString::number(index));
    return widget;
}

// An option button of a page: the pages lie on top of each other, so the
// choice is kept by the page's own group, never by the shared parent.
QRadioButton *option(QWidget *parent, const QString &caption, QButtonGroup *group)
{
    auto *b = new QRadioButton(caption, parent);
    b->setAutoExclusive(false);
    group->addButton(b);
    return b;
}

// Sets an option button of an exclusive group, also to False.
void setOption(QButtonGroup *group, QAbstractButton *button, bool on)
{
    if (button->isChecked() == on)
        return;
    if (on) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    button->setChecked(false);
    group->setExclusive(true);
}

void fillList(controls::ComboList *list, const QStringList &entries)
{
    list->clear();
    list->addItems(entries);
    list->setCurrentIndex(-1); // nothing chosen until code or the user chooses
}

// The password box shows a "*" for each character.
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle &starPasswords()
{
    static auto *style = new StarPasswordStyle; // shared by every page, lives to the program's end
    return *style;
}

// The window whose GetHashType and SendAS2 the scripts reach: the last one made.
frmExchange *&scriptMembersOwner()
{
    static frmExchange *owner = nullptr;
    return owner;
}

const QStringList &hashNames()
{
    static const QStringList names = {u"MD2"_s, u"MD4"_s, u"MD5"_s, u"SHA1"_s};
    return names;
}

} // namespace

QList<QWidget *> ExchangePage::controls() const
{
    return {txtURL,           txtProxy,          txtUserName,         txtPassword,        cboProtocol,
            cboAccessType,    mebRemotePort,     mebTimeOut,          chkTime,            dtpTime,
            chkInterval,      cboInterval,       optSendReceive,      optReceive,         optSend,
            txtSend,          txtReceive,        txtOrganizationName, txtEmail,           txtPartnerName,
            txtPartnerURL,    chkSignOutgoing,   chkEncryptOutgoing,  chkCompressOutgoing, chkRequireSignature,
            chkRequireEncryption, chkMDNSigned,  chkMDNUnsigned,      chkRequestMDN,      optSyncronous,
            optAsyncronous,   cboProvider,       cboAlgorithm,        cboHash,            cboStoreLocation,
            cboStoreName,     lvwCertificate};
}

ExchangeScheduler &frmExchange::programScheduler()
{
    static ExchangeScheduler scheduler; // the counters outlive the window
    return scheduler;
}

frmExchange::frmExchange() : QWidget(nullptr, Qt::Window), m_store(cnDatabase)
{
    setObjectName(u"frmExchange"_s);
    setWindowTitle(u" Exchange"_s);
    scheduler = &programScheduler();
    runSend = [](const NetworkPage &page) { return RunSendScript(page); };
    runReceive = [](const NetworkPage &page) { return RunReceiveScript(page); };
    showCertificate = [this](const crypto::Certificate &certificate) {
        crypto::CertificateDialog dialog(certificate, this);
        dialog.exec();
    };
    buildControls();

    CommunicationsState &state = CommunicationsState::instance();
    scriptMembersOwner() = this;
    state.getHashType = [this] { return GetHashType(); };
    state.sendAS2 = [this](int16_t index) { return vb::Variant(SendAS2(index)); };
    guardedConnect(&state, &CommunicationsState::busyChanged, this, [this](bool) { updateButtons(); });
    guardedConnect(&state, &CommunicationsState::sessionChanged, this, [this](const QString &session) {
        txtSession->setPlainText(QString(session).replace(u"\r\n"_s, u"\n"_s));
        txtSession->moveCursor(QTextCursor::End);
    });
    txtSession->setPlainText(QString(state.session()).replace(u"\r\n"_s, u"\n"_s));

    Form_Load();
    tmrScheduler->start();
}

frmExchange::~frmExchange()
{
    tmrScheduler->stop();
    if (scriptMembersOwner() == this) {
        // Without the window the scripts' GetHashType and SendAS2 are gone (438).
        CommunicationsState &state = CommunicationsState::instance();
        state.getHashType = nullptr;
        state.sendAS2 = nullptr;
        scriptMembersOwner() = nullptr;
    }
    if (m_providers && m_providerIndex >= 0)
        skipOnError([&] { m_providers->provider(m_providerIndex).release(); });
    controls::forgetForm(this);
}

void frmExchange::buildControls()
{
    resize(640, 500);
    m_icons = std::make_unique<controls::ImageList>();
    m_icons->add(u"Methods"_s, tile(QColor(0x2e, 0x7d, 0x32), u'M'));
    m_icons->add(u"Properties"_s, tile(QColor(0x15, 0x65, 0xc0), u'P'));
    m_icons->add(u"Functions"_s, tile(QColor(0x6a, 0x1b, 0x9a), u'F'));
    m_icons->add(u"Operators"_s, tile(QColor(0xef, 0x6c, 0x00), u'O'));
    m_icons->add(u"Statements"_s, tile(QColor(0x00, 0x83, 0x8f), u'S'));
    m_icons->add(u"Operations"_s, tile(QColor(0x8d, 0x6e, 0x63), u'X'));

    auto *top = new QVBoxLayout(this);
    sstInternet = new controls::TabStrip(this);
    sstInternet->setObjectName(u"sstInternet"_s);
    top->addWidget(sstInternet, 1);

    auto tab = [this](const QString &caption, const QString &headingText, const QIcon &icon) {
        auto *page = new QWidget;
        auto *column = new QVBoxLayout(page);
        column->addWidget(heading(page, headingText, icon));
        sstInternet->addPage(page, caption);
        return std::pair{page, column};
    };
    auto grid = [](QWidget *parent, QVBoxLayout *column, int stretch = 0) {
        auto *body = new QWidget(parent);
        auto *g = new QGridLayout(body);
        g->setContentsMargins(0, 0, 0, 0);
        column->addWidget(body, stretch);
        return g;
    };

    // Networks.
    {
        auto [page, column] = tab(u"Networks"_s, u"Network"_s, tile(QColor(0x37, 0x47, 0x4f), u'N'));
        lvwNetworks = new controls::ListView(page);
        lvwNetworks->setObjectName(u"lvwNetworks"_s);
        lvwNetworks->addColumnHeader(u"Network"_s, u"Network"_s, 6000);
        column->addWidget(lvwNetworks, 1);
        auto *buttons = new QHBoxLayout;
        cmdAddNetwork = new QPushButton(u"Add Network"_s, page);
        cmdAddNetwork->setObjectName(u"cmdAddNetwork"_s);
        cmdDeleteNetwork = new QPushButton(u"Delete Network"_s, page);
        cmdDeleteNetwork->setObjectName(u"cmdDeleteNetwork"_s);
        buttons->addWidget(cmdAddNetwork);
        buttons->addWidget(cmdDeleteNetwork);
        buttons->addStretch(1);
        column->addLayout(buttons);
        guardedConnect(lvwNetworks, &controls::ListView::ItemClick, this, [this](int) { ShowNetwork(); });
        guardedConnect(cmdAddNetwork, &QPushButton::clicked, this, [this] { cmdAddNetwork_Click(); });
        guardedConnect(cmdDeleteNetwork, &QPushButton::clicked, this, [this] { cmdDeleteNetwork_Click(); });
    }
    // Connection.
    {
        auto [page, column] = tab(u"Connection"_s, u"Connection"_s, tile(QColor(0x15, 0x65, 0xc0), u'C'));
        m_connection = grid(page, column);
        const QString captions[] = {u"URL:"_s, u"Proxy:"_s, u"User Name:"_s, u"Password:"_s};
        for (int r = 0; r < 4; ++r)
            m_connection->addWidget(label(page, captions[r]), r, 0);
        m_connection->addWidget(label(page, u"Protocol:"_s), 4, 0);
        m_connection->addWidget(label(page, u"Remote Port:"_s), 4, 2);
        m_connection->addWidget(label(page, u"Access Type:"_s), 5, 0);
        m_connection->addWidget(label(page, u"Time Out:"_s), 5, 2);
        m_connection->setColumnStretch(1, 1);
        column->addStretch(1);
    }
    // Scheduler.
    {
        auto [page, column] = tab(u"Scheduler"_s, u"Scheduler"_s, tile(QColor(0x00, 0x83, 0x8f), u'S'));
        m_scheduler = grid(page, column);
        m_scheduler->setColumnStretch(2, 1);
        column->addStretch(1);
    }
    // Session.
    {
        auto [page, column] = tab(u"Session"_s, u"Session"_s, tile(QColor(0x55, 0x8b, 0x2f), u'L'));
        txtSession = new QPlainTextEdit(page);
        txtSession->setObjectName(u"txtSession"_s);
        txtSession->setReadOnly(true);
        txtSession->setLineWrapMode(QPlainTextEdit::NoWrap);
        column->addWidget(txtSession, 1);
    }
    // Send and Receive: the script box of each page beside the one reference tree.
    auto scriptTab = [&](const QString &caption, const QString &headingText, QChar letter, controls::TreeView *&tree,
                         const char *treeName) {
        auto [page, column] = tab(caption, headingText, tile(QColor(0x6a, 0x1b, 0x9a), letter));
        QGridLayout *g = grid(page, column, 1);
        tree = new controls::TreeView(page);
        tree->setObjectName(QString::fromLatin1(treeName));
        tree->setHeaderHidden(true);
        tree->setImageList(m_icons.get());
        tree->setNodeTextDrag(true);
        g->addWidget(tree, 0, 1);
        g->setColumnStretch(0, 3);
        g->setColumnStretch(1, 2);
        return g;
    };
    m_send = scriptTab(u"Send"_s, u"Send"_s, u'↑', tvwSendRef, "tvwSendRef");
    m_receive = scriptTab(u"Receive"_s, u"Receive "_s, u'↓', tvwReceiveRef, "tvwReceiveRef");
    // AS2.
    {
        auto [page, column] = tab(u"AS2"_s, u"AS2"_s, tile(QColor(0xc6, 0x28, 0x28), u'A'));
        auto group = [&](const QString &title) {
            auto *box = new QGroupBox(title, page);
            auto *g = new QGridLayout(box);
            return std::pair{box, g};
        };
        auto [local, localGrid] = group(u"Local Setup"_s);
        localGrid->addWidget(label(local, u"Organization Name:"_s), 0, 0);
        localGrid->addWidget(label(local, u"(AS2 Identifier)"_s), 1, 1);
        localGrid->addWidget(label(local, u"Email Address:"_s), 2, 0);
        localGrid->addWidget(label(local, u"* Needed for MDN"_s), 3, 1);
        localGrid->setColumnStretch(1, 1);
        auto [partner, partnerGrid] = group(u"Trading Parnter Info"_s);
        partnerGrid->addWidget(label(partner, u"Partner Name:"_s), 0, 0);
        partnerGrid->addWidget(label(partner, u"(AS2 Identifier)"_s), 1, 1);
        partnerGrid->addWidget(label(partner, u"Partner URL:"_s), 2, 0);
        partnerGrid->setColumnStretch(1, 1);
        auto [connectionInfo, connectionGrid] = group(u"Connection Info"_s);
        auto [receipts, receiptsGrid] = group(u"MDN Receipts"_s);
        m_localSetup = localGrid;
        m_partnerInfo = partnerGrid;
        m_connectionInfo = connectionGrid;
        m_receipts = receiptsGrid;
        auto *upper = new QHBoxLayout;
        upper->addWidget(local, 1);
        upper->addWidget(partner, 1);
        auto *lower = new QHBoxLayout;
        lower->addWidget(connectionInfo, 1);
        lower->addWidget(receipts, 1);
        column->addLayout(upper);
        column->addLayout(lower);
        m_receiptChoice = grid(page, column);
        m_receiptChoice->setColumnStretch(2, 1);
        column->addStretch(1);
    }
    // Encryption.
    {
        auto [page, column] = tab(u"Encryption"_s, u"Encryption"_s, tile(QColor(0xf9, 0xa8, 0x25), u'E'));
        m_encryption = grid(page, column, 1);
        const QString captions[] = {u"Service Provider:"_s, u"Algorithms Supported:"_s, u"Data Hash Algorithms:"_s,
                                    u"Store Location:"_s, u"Store Name:"_s};
        for (int r = 0; r < 5; ++r)
            m_encryption->addWidget(label(page, captions[r]), r, 0);
        auto *certificates = label(page, u"Certificates"_s);
        certificates->setObjectName(u"lblCertificates"_s);
        m_encryption->addWidget(certificates, 5, 0, 1, 2);
        m_encryption->setColumnStretch(1, 1);
        m_encryption->setRowStretch(6, 1);
    }

    // The commands below the tabs; each has its caption as its tool tip.
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto button = [&](QPushButton *&b, const char *name, const QString &caption) {
        b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(caption);
        b->setAutoDefault(false);
        buttons->addWidget(b);
    };
    button(cmdSend, "cmdSend", u"Send"_s);
    button(cmdReceive, "cmdReceive", u"Receive"_s);
    button(cmdModify, "cmdModify", u"Modify"_s);
    button(cmdClose, "cmdClose", u"Close"_s);
    top->addLayout(buttons);
    guardedConnect(cmdSend, &QPushButton::clicked, this, [this] { cmdSend_Click(); });
    guardedConnect(cmdReceive, &QPushButton::clicked, this, [this] { cmdReceive_Click(); });
    guardedConnect(cmdModify, &QPushButton::clicked, this, [this] { cmdModify_Click(); });
    guardedConnect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });

    tmrScheduler = new QTimer(this);
    tmrScheduler->setObjectName(u"tmrScheduler"_s);
    tmrScheduler->setInterval(60000);
    guardedConnect(tmrScheduler, &QTimer::timeout, this, [this] { tmrScheduler_Timer(); });

    pages.push_back(createPage(0));
}

std::unique_ptr<ExchangePage> frmExchange::createPage(int i)
{
    auto p = std::make_unique<ExchangePage>();
    ExchangePage &pg = *p;
    QWidget *connection = m_connection->parentWidget();
    auto text = [&](QWidget *parent, const char *name, int maxLength = 255) {
        auto *box = named(new controls::TextBox(parent), name, i);
        box->setMaxLength(maxLength);
        return box;
    };
    pg.txtURL = text(connection, "txtURL");
    pg.txtProxy = text(connection, "txtProxy");
    pg.txtUserName = text(connection, "txtUserName");
    pg.txtPassword = text(connection, "txtPassword");
    pg.txtPassword->setEchoMode(QLineEdit::Password);
    pg.txtPassword->setStyle(&starPasswords());
    pg.cboProtocol = named(new controls::ComboList(connection), "cboProtocol", i);
    pg.cboAccessType = named(new controls::ComboList(connection), "cboAccessType", i);
    pg.mebRemotePort = named(new controls::MaskedEdit(5, connection), "mebRemotePort", i);
    pg.mebTimeOut = named(new controls::MaskedEdit(5, connection), "mebTimeOut", i);
    m_connection->addWidget(pg.txtURL, 0, 1, 1, 3);
    m_connection->addWidget(pg.txtProxy, 1, 1, 1, 3);
    m_connection->addWidget(pg.txtUserName, 2, 1, 1, 3);
    m_connection->addWidget(pg.txtPassword, 3, 1, 1, 3);
    m_connection->addWidget(pg.cboProtocol, 4, 1);
    m_connection->addWidget(pg.mebRemotePort, 4, 3);
    m_connection->addWidget(pg.cboAccessType, 5, 1);
    m_connection->addWidget(pg.mebTimeOut, 5, 3);

    QWidget *schedule = m_scheduler->parentWidget();
    pg.chkTime = named(new QCheckBox(u"Exchange data at:"_s, schedule), "chkTime", i);
    pg.dtpTime = named(new controls::TimePicker(schedule), "dtpTime", i);
    pg.dtpTime->setTime(QTime(0, 0));
    pg.dtpTime->setDisplayFormat(u"h:mm AP"_s);
    pg.chkInterval = named(new QCheckBox(u"Exchange data every:"_s, schedule), "chkInterval", i);
    pg.cboInterval = named(new controls::ComboList(schedule), "cboInterval", i);
    pg.runOptions = new QButtonGroup(schedule);
    pg.optSendReceive = named(option(schedule, u"Send && Recieve"_s, pg.runOptions),
                              "optSendReceive", i);
    pg.optReceive = named(option(schedule, u"Only Receive"_s, pg.runOptions), "optReceive", i);
    pg.optSend = named(option(schedule, u"Only Send"_s, pg.runOptions), "optSend", i);
    m_scheduler->addWidget(pg.chkTime, 0, 0);
    m_scheduler->addWidget(pg.dtpTime, 0, 1);
    m_scheduler->addWidget(pg.chkInterval, 1, 0);
    m_scheduler->addWidget(pg.cboInterval, 1, 1);
    m_scheduler->addWidget(pg.optSendReceive, 2, 0, 1, 2);
    m_scheduler->addWidget(pg.optReceive, 3, 0, 1, 2);
    m_scheduler->addWidget(pg.optSend, 4, 0, 1, 2);

    pg.txtSend = named(new controls::ScriptBox(m_send->parentWidget()), "txtSend", i);
    pg.txtReceive = named(new controls::ScriptBox(m_receive->parentWidget()), "txtReceive", i);
    m_send->addWidget(pg.txtSend, 0, 0);
    m_receive->addWidget(pg.txtReceive, 0, 0);

    pg.txtOrganizationName = text(m_localSetup->parentWidget(), "txtOrganizationName");
    pg.txtEmail = text(m_localSetup->parentWidget(), "txtEmail");
    m_localSetup->addWidget(pg.txtOrganizationName, 0, 1);
    m_localSetup->addWidget(pg.txtEmail, 2, 1);
    pg.txtPartnerName = text(m_partnerInfo->parentWidget(), "txtPartnerName");
    pg.txtPartnerURL = text(m_partnerInfo->parentWidget(), "txtPartnerURL");
    m_partnerInfo->addWidget(pg.txtPartnerName, 0, 1);
    m_partnerInfo->addWidget(pg.txtPartnerURL, 2, 1);
    auto check = [&](QGridLayout *g, int row, const char *name, const QString &caption) {
        auto *box = named(new QCheckBox(caption, g->parentWidget()), name, i);
        g->addWidget(box, row, 0);
        return box;
    };
    pg.chkSignOutgoing = check(m_connectionInfo, 0, "chkSignOutgoing", u"Sign Outgoing Data"_s);
    pg.chkEncryptOutgoing = check(m_connectionInfo, 1, "chkEncryptOutgoing", u"Encrypt Outgoing Data"_s);
    pg.chkCompressOutgoing = check(m_connectionInfo, 2, "chkCompressOutgoing", u"Compress Outgoing Data"_s);
    pg.chkRequireSignature = check(m_connectionInfo, 3, "chkRequireSignature", u"Require Signature"_s);
    pg.chkRequireEncryption = check(m_connectionInfo, 4, "chkRequireEncryption", u"Require Encryption"_s);
    pg.chkMDNSigned = check(m_receipts, 0, "chkMDNSigned", u"MDN Signed"_s);
    pg.chkMDNUnsigned = check(m_receipts, 1, "chkMDNUnsigned", u"MDN Unsigned"_s);
    pg.chkRequestMDN = check(m_receipts, 2, "chkRequestMDN", u"MDN Request"_s);
    QWidget *choice = m_receiptChoice->parentWidget();
    pg.receiptOptions = new QButtonGroup(choice);
    pg.optAsyncronous = named(option(choice, u"Asyncronous"_s, pg.receiptOptions), "optAsyncronous", i);
    pg.optSyncronous = named(option(choice, u"Syncronous"_s, pg.receiptOptions), "optSyncronous", i);
    m_receiptChoice->addWidget(pg.optAsyncronous, 0, 0);
    m_receiptChoice->addWidget(pg.optSyncronous, 0, 1);

    QWidget *encryption = m_encryption->parentWidget();
    pg.cboProvider = named(new controls::ComboList(encryption), "cboProvider", i);
    pg.cboAlgorithm = named(new controls::ComboList(encryption), "cboAlgorithm", i);
    pg.cboHash = named(new controls::ComboList(encryption), "cboHash", i);
    pg.cboStoreLocation = named(new controls::ComboList(encryption), "cboStoreLocation", i);
    pg.cboStoreName = named(new controls::ComboList(encryption), "cboStoreName", i);
    pg.lvwCertificate = named(new controls::ListView(encryption), "lvwCertificate", i);
    m_encryption->addWidget(pg.cboProvider, 0, 1);
    m_encryption->addWidget(pg.cboAlgorithm, 1, 1);
    m_encryption->addWidget(pg.cboHash, 2, 1);
    m_encryption->addWidget(pg.cboStoreLocation, 3, 1);
    m_encryption->addWidget(pg.cboStoreName, 4, 1);
    m_encryption->addWidget(pg.lvwCertificate, 6, 0, 1, 2);

    guardedConnect(pg.chkTime, &QCheckBox::toggled, this, [this, i](bool) { chkTime_Click(i); });
    guardedConnect(pg.chkInterval, &QCheckBox::toggled, this, [this, i](bool) { chkInterval_Click(i); });
    guardedConnect(pg.cboProvider, &controls::ComboList::Click, this, [this, i] { cboProvider_Click(i); });
    guardedConnect(pg.cboStoreLocation, &controls::ComboList::Click, this, [this, i] { LoadCertificates(i); });
    guardedConnect(pg.cboStoreName, &controls::ComboList::Click, this, [this, i] { LoadCertificates(i); });
    guardedConnect(pg.lvwCertificate, &QTreeWidget::itemDoubleClicked, this,
                   [this, i](QTreeWidgetItem *, int) { lvwCertificate_DblClick(i); });

    if (i > 0) {
        // A new page starts disabled and hidden under the shown one.
        for (QWidget *w : pg.controls()) {
            w->setEnabled(false);
            w->setVisible(false);
        }
    }
    return p;
}

void frmExchange::destroyPage(ExchangePage &pg)
{
    for (QWidget *w : pg.controls())
        delete w;
    delete pg.runOptions;
    delete pg.receiptOptions;
}

ExchangePage &frmExchange::page(int index) const
{
    if (index < 0 || index >= int(pages.size()))
        vb::raise(340, u"Control array element '"_s + QString::number(index) + u"' doesn't exist"_s);
    return *pages[std::size_t(index)];
}

void frmExchange::Form_Load()
{
    guarded([&] {
        // The keyword tables are core's (the map designer shows the same).
        sstInternet->setTab(0);
        FillSendReference();
        FillReceiveReference();
        m_providerIndex = -1;
        FillPage(0);
        LoadNetworks();
        SetEditMode(false, 0);
    });
}

void frmExchange::LoadNetworks()
{
    guarded([&] {
        const std::vector<NetworkRow> rows = m_store.loadAll();
        if (rows.empty()) {
            lvwNetworks->clearItems();
            SetEditMode(false, 0);
            return;
        }
        UnloadPages();
        lvwNetworks->clearItems();
        QList<controls::ListItem *> items;
        for (const NetworkRow &row : rows)
            items.append(new controls::ListItem(row.Network));
        lvwNetworks->addItems(items);
        for (int i = 1; i < int(rows.size()); ++i) {
            pages.push_back(createPage(i));
            FillPage(i);
        }
        // Every page holds its network's saved values from the start, so a
        // network never shown runs on its own schedule.
        for (int i = 0; i < int(rows.size()); ++i)
            putRowIntoPage(i, rows[std::size_t(i)]);
        SetEditMode(false, 0);
        ShowNetwork();
    });
}

void frmExchange::UnloadPages()
{
    // Every page but the first, also any left when the list was emptied.
    while (pages.size() > 1) {
        destroyPage(*pages.back());
        pages.pop_back();
    }
}

int frmExchange::selectedPage() const
{
    return lvwNetworks->selectedItemIndex() - 1;
}

void frmExchange::ShowNetwork()
{
    const int index = selectedPage();
    if (index < 0)
        return;
    const QString name = lvwNetworks->selectedItem()->text();
    setWindowTitle(u"Exchange - "_s + name);
    std::optional<NetworkRow> row;
    skipOnError([&] { row = m_store.load(name); });
    skipOnError([&] { HidePages(); });
    if (row)
        putRowIntoPage(index, *row);
    skipOnError([&] { ShowPage(index); });
}

void frmExchange::putRowIntoPage(int index, const NetworkRow &row)
{
    ExchangePage *pg = nullptr;
    skipOnError([&] { pg = &page(index); });
    if (!pg)
        return;
    auto field = [&](NetworkField f) -> const vb::Variant & { return row.values[std::size_t(f)]; };
    // Each control in the order of the fields: the provider before its
    // algorithm, the store before its certificate, chkTime before chkInterval.
    auto set = [&](NetworkField f, auto &&apply) {
        if (!field(f).isNull())
            skipOnError([&] { apply(field(f)); });
    };
    auto textOf = [&](NetworkField f, auto *box) { set(f, [&](const vb::Variant &v) { box->setText(v.toString()); }); };
    auto scriptOf = [&](NetworkField f, controls::ScriptBox *box) {
        set(f, [&](const vb::Variant &v) { box->setPlainText(v.toString()); });
    };
    auto listOf = [&](NetworkField f, controls::ComboList *list) {
        set(f, [&](const vb::Variant &v) { list->setListIndex(v.toInteger()); });
    };
    auto checkOf = [&](NetworkField f, QCheckBox *box) {
        set(f, [&](const vb::Variant &v) { box->setChecked(v.toInteger() != 0); });
    };
    auto optionOf = [&](NetworkField f, QButtonGroup *group, QRadioButton *button) {
        set(f, [&](const vb::Variant &v) { setOption(group, button, v.toBool()); });
    };
    textOf(fURL, pg->txtURL);
    textOf(fProxy, pg->txtProxy);
    textOf(fUserName, pg->txtUserName);
    textOf(fPassword, pg->txtPassword);
    listOf(fProtocol, pg->cboProtocol);
    listOf(fAccessType, pg->cboAccessType);
    textOf(fRemotePort, pg->mebRemotePort);
    textOf(fTimeout, pg->mebTimeOut);
    checkOf(fCheckTime, pg->chkTime);
    set(fTime, [&](const vb::Variant &v) { pg->dtpTime->setTime(vb::oleToQDateTime(v.toDate()).time()); });
    checkOf(fCheckInterval, pg->chkInterval);
    listOf(fInterval, pg->cboInterval);
    optionOf(fSendReceive, pg->runOptions, pg->optSendReceive);
    optionOf(fReceiveOnly, pg->runOptions, pg->optReceive);
    optionOf(fSendOnly, pg->runOptions, pg->optSend);
    scriptOf(fSendScript, pg->txtSend);
    scriptOf(fReceiveScript, pg->txtReceive);
    textOf(fOrganizationName, pg->txtOrganizationName);
    textOf(fEmail, pg->txtEmail);
    textOf(fPartnerName, pg->txtPartnerName);
    textOf(fPartnerURL, pg->txtPartnerURL);
    checkOf(fSignOutgoing, pg->chkSignOutgoing);
    checkOf(fEncryptOutgoing, pg->chkEncryptOutgoing);
    checkOf(fCompressOutgoing, pg->chkCompressOutgoing);
    checkOf(fRequireSignature, pg->chkRequireSignature);
    checkOf(fRequireEncryption, pg->chkRequireEncryption);
    checkOf(fMDNSigned, pg->chkMDNSigned);
    checkOf(fMDNUnsigned, pg->chkMDNUnsigned);
    checkOf(fRequestMDN, pg->chkRequestMDN);
    optionOf(fSyncronous, pg->receiptOptions, pg->optSyncronous);
    optionOf(fAsyncronous, pg->receiptOptions, pg->optAsyncronous);
    listOf(fProvider, pg->cboProvider);
    listOf(fAlgorithm, pg->cboAlgorithm);
    listOf(fHash, pg->cboHash);
    listOf(fStoreLocation, pg->cboStoreLocation);
    listOf(fStoreName, pg->cboStoreName);
    set(fCertificate, [&](const vb::Variant &v) {
        const int position = v.toInteger();
        controls::ListView *list = pg->lvwCertificate;
        if (position >= 1 && position <= list->itemCount()) {
            list->setSelectedItem(position);
        } else {
            list->clearSelection();
            list->setCurrentItem(nullptr);
        }
    });
}

std::vector<vb::Variant> frmExchange::pageValues(int index) const
{
    const ExchangePage &pg = page(index);
    std::vector<vb::Variant> v(NetworkFieldCount);
    auto position = [](const controls::ComboList *list) { return vb::Variant(int16_t(list->listIndex())); };
    auto value = [](const QCheckBox *box) { return vb::Variant(int16_t(box->isChecked() ? 1 : 0)); };
    v[fURL] = vb::Variant(pg.txtURL->text());
    v[fProxy] = vb::Variant(pg.txtProxy->text());
    v[fUserName] = vb::Variant(pg.txtUserName->text());
    v[fPassword] = vb::Variant(pg.txtPassword->text());
    v[fProtocol] = position(pg.cboProtocol);
    v[fAccessType] = position(pg.cboAccessType);
    v[fRemotePort] = vb::Variant(pg.mebRemotePort->text().trimmed());
    v[fTimeout] = vb::Variant(pg.mebTimeOut->text().trimmed());
    v[fCheckTime] = value(pg.chkTime);
    v[fTime] = vb::Variant::fromDate(vb::toOleDate(QDate(1899, 12, 30), pg.dtpTime->time()));
    v[fCheckInterval] = value(pg.chkInterval);
    v[fInterval] = position(pg.cboInterval);
    v[fSendReceive] = vb::Variant(pg.optSendReceive->isChecked());
    v[fReceiveOnly] = vb::Variant(pg.optReceive->isChecked());
    v[fSendOnly] = vb::Variant(pg.optSend->isChecked());
    v[fSendScript] = vb::Variant(pg.txtSend->toPlainText());
    v[fReceiveScript] = vb::Variant(pg.txtReceive->toPlainText());
    v[fOrganizationName] = vb::Variant(pg.txtOrganizationName->text());
    v[fEmail] = vb::Variant(pg.txtEmail->text());
    v[fPartnerName] = vb::Variant(pg.txtPartnerName->text());
    v[fPartnerURL] = vb::Variant(pg.txtPartnerURL->text());
    v[fSignOutgoing] = value(pg.chkSignOutgoing);
    v[fEncryptOutgoing] = value(pg.chkEncryptOutgoing);
    v[fCompressOutgoing] = value(pg.chkCompressOutgoing);
    v[fRequireSignature] = value(pg.chkRequireSignature);
    v[fRequireEncryption] = value(pg.chkRequireEncryption);
    v[fMDNSigned] = value(pg.chkMDNSigned);
    v[fMDNUnsigned] = value(pg.chkMDNUnsigned);
    v[fRequestMDN] = value(pg.chkRequestMDN);
    v[fSyncronous] = vb::Variant(pg.optSyncronous->isChecked());
    v[fAsyncronous] = vb::Variant(pg.optAsyncronous->isChecked());
    v[fProvider] = position(pg.cboProvider);
    v[fAlgorithm] = position(pg.cboAlgorithm);
    v[fHash] = position(pg.cboHash);
    v[fStoreLocation] = position(pg.cboStoreLocation);
    v[fStoreName] = position(pg.cboStoreName);
    const controls::ListView *list = pg.lvwCertificate;
    int certificate = list->itemCount() + 1; // none selected
    for (int k = 1; k <= list->itemCount(); ++k) {
        if (list->isItemSelected(k)) {
            certificate = k;
            break;
        }
    }
    v[fCertificate] = vb::Variant(int16_t(certificate));
    return v;
}

void frmExchange::SetEditMode(bool blnEnabled, int intPage)
{
    for (QWidget *w : page(intPage).controls())
        w->setEnabled(blnEnabled);
    m_editing = blnEnabled;
    updateButtons();
}

void frmExchange::updateButtons()
{
    const bool any = lvwNetworks->itemCount() > 0;
    const bool busy = blnBusy();
    // A run holds every command that would change or rebuild the pages.
    if (any) {
        lvwNetworks->setEnabled(!m_editing);
        for (QPushButton *b : {cmdAddNetwork, cmdDeleteNetwork, cmdSend, cmdReceive})
            b->setEnabled(!m_editing && !busy);
        cmdModify->setEnabled(!busy);
    } else {
        for (QWidget *w : std::initializer_list<QWidget *>{lvwNetworks, cmdDeleteNetwork, cmdModify, cmdSend, cmdReceive})
            w->setEnabled(false);
        cmdAddNetwork->setEnabled(!busy);
    }
}

crypto::ProviderList &frmExchange::providers()
{
    if (!m_providers)
        m_providers = std::make_unique<crypto::ProviderList>();
    return *m_providers;
}

void frmExchange::FillPage(int intPage)
{
    ExchangePage &pg = page(intPage);
    fillList(pg.cboProtocol, {u"Unknown"_s, u"Default"_s, u"FTP"_s, u"SMTP"_s, u"HTTP"_s, u"HTTPS"_s, u"SFTP"_s});
    fillList(pg.cboAccessType, {u"Use Default"_s, u"Dirrect"_s, u"Named Proxy"_s});
    fillList(pg.cboInterval, {u"Every 15 Minutes"_s, u"Every 30 Minutes"_s, u"Every 45 Minutes"_s,
                              u"Every 60 Minutes"_s, u"Every 75 Minutes"_s, u"Every 90 Minutes"_s});
    fillList(pg.cboProvider, providers().names());
    // The algorithm list waits for a provider to be chosen on the page.
    fillList(pg.cboStoreLocation, {u"Active Directory User Store"_s, u"Current User Store"_s,
                                   u"Local Machine Store"_s, u"Smart Card User Store"_s});
    pg.cboStoreLocation->setListIndex(1);
    fillList(pg.cboStoreName, {u"My"_s, u"Root"_s, u"AddressBook"_s, u"CA"_s});
    pg.cboStoreName->setListIndex(0);
    fillList(pg.cboHash, hashNames());
}

void frmExchange::ShowPage(int index)
{
    // The certificate list goes with its page, so no page shows another's.
    for (QWidget *w : page(index).controls())
        w->setVisible(true);
}

void frmExchange::HidePages()
{
    for (int i = 0; i < lvwNetworks->itemCount(); ++i)
        for (QWidget *w : page(i).controls())
            w->setVisible(false);
}

void frmExchange::FillSendReference()
{
    fillReference(tvwSendRef, u"SaveChunk url, filename"_s);
}

void frmExchange::FillReceiveReference()
{
    fillReference(tvwReceiveRef, u"SaveChunk url, file"_s);
}

void frmExchange::fillReference(controls::TreeView *tree, const QString &saveChunk)
{
    tree->clearNodes();
    // An addition the tree refuses is skipped; the rest still come.
    auto add = [&](const QString &root, const QString &key, const QString &text) {
        skipOnError([&] { tree->addNode(root, key, text, root.isEmpty() ? key : root); });
    };
    auto children = [&](const QString &root, const QStringList &texts) {
        add({}, root, root);
        for (const QString &text : texts)
            add(root, text, text);
    };
    add({}, u"Methods"_s, u"Methods"_s);
    add(u"Methods"_s, u"Inet.Execute url, operation, data, requestHeaders"_s,
        u"Inet.Execute url, operation, data, requestHeaders"_s);
    add(u"Methods"_s, u"Inet.Cancel"_s, u"Inet.Cancel"_s);
    add(u"Methods"_s, u"Inet.GetChunk"_s, u"Inet.GetChunk size, icString"_s);
    for (const QString &text : {u"Inet.GetChunk size, icBtyeArray"_s, u"Inet.GetHeader"_s, u"Inet.OpenURL url"_s,
                                saveChunk, u"GetOutboundPath"_s, u"GetInboundPath"_s, u"GetOutboundEDI"_s,
                                u"WaitForResponse"_s, u"LogSession string"_s, u"Zip file"_s, u"Unzip file"_s})
        add(u"Methods"_s, text, text);
    children(u"Operations"_s, {u"cd"_s, u"cdup"_s, u"delete"_s, u"dir"_s, u"get"_s, u"mkdir"_s, u"put"_s, u"pwd"_s,
                               u"quit"_s, u"recv"_s, u"rename"_s, u"rmdir"_s, u"size"_s, u"head"_s, u"post"_s});
    children(u"Properties"_s, {u"Exchange.URL"_s, u"Exchange.UserName"_s, u"Exchange.Password"_s,
                               u"Exchange.RemoteFile"_s, u"Exchange.LocalFile"_s});
    children(u"Functions"_s, core::varFunctionNames());
    children(u"Statements"_s, core::varStatementNames());
    children(u"Operators"_s, core::varOperatorNames());
}

void frmExchange::LoadCertificates(int index)
{
    guarded([&] {
        ExchangePage &pg = page(index);
        const QString name = pg.cboStoreName->text();
        if (name.isEmpty())
            return;
        const int location = crypto::storeLocationFromText(pg.cboStoreLocation->text());
        if (location == 0)
            return;
        const crypto::CertificateStore store = crypto::CertificateStore::open(location, name);
        // A file the list cannot show (one with a password, one unreadable)
        // is named with its reason, not left out without a word.
        for (const QString &problem : store.problems()) {
            const QString entry = u"Certificate file left out of the list of "_s
                + crypto::storeFolder(location, name) + u": "_s + problem;
            if (!m_reportedCertificateProblems.contains(entry)) {
                m_reportedCertificateProblems.insert(entry);
                LogExchange(u"Warning"_s, entry);
            }
        }
        controls::ListView *list = pg.lvwCertificate;
        // Four columns, each a quarter of the list, however often it loads.
        const int width = list->isVisible() ? list->viewport()->width() : 0;
        const double quarter = vb::pixelsToTwips(width > 200 ? width : 680) / 4.0;
        list->clearColumnHeaders();
        list->addColumnHeader(u"Issuer"_s, u"Issuer"_s, quarter);
        list->addColumnHeader(u"Subject"_s, u"Subject"_s, quarter);
        list->addColumnHeader(u"Valid From"_s, u"Valid From"_s, quarter);
        list->addColumnHeader(u"Valid To"_s, u"Valid To"_s, quarter);
        list->clearItems();
        pg.certificates.clear();
        QList<controls::ListItem *> items;
        for (int k = 1; k <= store.count(); ++k) {
            const crypto::Certificate &certificate = store.item(k);
            auto *item = new controls::ListItem(certificate.info(1));
            item->setSubItem(1, certificate.info(0));
            item->setSubItem(2, vb::Variant::fromDate(vb::toOleDate(certificate.validFrom().toLocalTime())).toString());
            item->setSubItem(3, vb::Variant::fromDate(vb::toOleDate(certificate.validTo().toLocalTime())).toString());
            items.append(item);
            pg.certificates.append(certificate);
        }
        list->addItems(items);
    });
}

void frmExchange::lvwCertificate_DblClick(int index)
{
    ExchangePage &pg = page(index);
    const int selected = pg.lvwCertificate->selectedItemIndex();
    if (selected < 1 || selected > pg.certificates.size() || !pg.lvwCertificate->isItemSelected(selected))
        return;
    if (showCertificate)
        showCertificate(pg.certificates[selected - 1]);
}

void frmExchange::cboProvider_Click(int index)
{
    guarded([&] {
        crypto::ProviderList &list = providers();
        // The window holds one provider's context at a time, whatever the page.
        if (m_providerIndex != -1)
            skipOnError([&] { list.provider(m_providerIndex).release(); });
        ExchangePage &pg = page(index);
        const int position = pg.cboProvider->listIndex();
        if (position < 0)
            return;
        crypto::Provider &provider = list.provider(position);
        provider.acquire();
        m_providerIndex = position;
        fillList(pg.cboAlgorithm, provider.algorithms());
    });
}

void frmExchange::chkTime_Click(int index)
{
    ExchangePage &pg = page(index);
    if (pg.chkTime->isChecked())
        pg.chkInterval->setChecked(false);
}

void frmExchange::chkInterval_Click(int index)
{
    ExchangePage &pg = page(index);
    if (pg.chkInterval->isChecked())
        pg.chkTime->setChecked(false);
}

bool frmExchange::databaseFree()
{
    return core::BusyScope::databaseFree(u"Exchange"_s);
}

void frmExchange::cmdAddNetwork_Click()
{
    guarded([&] {
        if (blnBusy() || !databaseFree())
            return;
        const QString name = vb::InputBox(u"Enter Network Name:"_s, modGlobal::AppTitle(), QString());
        if (name.isEmpty())
            return;
        if (const auto refusal = refuseNetworkName(name)) {
            vb::MsgBox(refusal->message, refusal->icon | vb::vbOKOnly);
            return;
        }
        // Names compare without regard to letter case: "acme01" is ACME01.
        if (const auto existing = m_store.load(name)) {
            vb::MsgBox(networkExistsMessage(existing->Network), vb::vbExclamation | vb::vbOKOnly);
            return;
        }
        m_store.add(name);
        modGlobal::LogHistory(u"Info"_s, u"Network Added "_s + name);
        LoadNetworks();
    });
}

void frmExchange::cmdDeleteNetwork_Click()
{
    guarded([&] {
        if (blnBusy() || !lvwNetworks->selectedItem() || !databaseFree())
            return;
        const QString name = lvwNetworks->selectedItem()->text();
        if (vb::MsgBox(u"Delete Network? "_s + name, vb::vbQuestion | vb::vbYesNo | vb::vbDefaultButton2) != vb::vbYes)
            return;
        if (m_store.remove(name))
            LoadNetworks();
    });
}

void frmExchange::cmdModify_Click()
{
    guarded([&] {
        const int index = selectedPage();
        if (index < 0)
            return;
        if (cmdModify->text() != u"Save"_s) {
            SetEditMode(true, index);
            cmdModify->setText(u"Save"_s);
            cmdModify->setToolTip(u"Save"_s);
            return;
        }
        if (vb::MsgBox(u"Save Network Changes?"_s, vb::vbQuestion | vb::vbYesNo) == vb::vbYes) {
            if (!databaseFree())
                return;
            // No access type chosen: the list's first, "Use Default", as a new
            // page would have it, never a value the transfer control refuses.
            if (page(index).cboAccessType->listIndex() < 0)
                page(index).cboAccessType->setListIndex(0);
            // A failed save leaves the page in edit state to try again.
            m_store.save(lvwNetworks->selectedItem()->text(), pageValues(index));
        }
        ShowNetwork();
        cmdModify->setText(u"Modify"_s);
        cmdModify->setToolTip(u"Modify"_s);
        SetEditMode(false, index);
    });
}

void frmExchange::cmdSend_Click()
{
    guarded([&] {
        const int index = selectedPage();
        if (index < 0 || blnBusy())
            return;
        if (!IsOutboxEmpty()) {
            vb::MsgBox(u"Outbox Empty"_s, vb::vbExclamation | vb::vbOKOnly);
            return;
        }
        runNetwork(index, true);
    });
}

void frmExchange::cmdReceive_Click()
{
    guarded([&] {
        const int index = selectedPage();
        if (index < 0 || blnBusy())
            return;
        runNetwork(index, false);
    });
}

void frmExchange::cmdClose_Click()
{
    close();
}

NetworkPage frmExchange::runPage(int index) const
{
    const ExchangePage &pg = page(index);
    NetworkPage run;
    if (index < lvwNetworks->itemCount())
        run.name = lvwNetworks->item(index + 1)->text();
    run.url = pg.txtURL->text();
    run.userName = pg.txtUserName->text();
    run.password = pg.txtPassword->text();
    run.remotePort = pg.mebRemotePort->text().trimmed();
    run.timeout = pg.mebTimeOut->text().trimmed();
    run.protocol = pg.cboProtocol->text();
    run.protocolIndex = pg.cboProtocol->listIndex();
    run.accessType = pg.cboAccessType->listIndex();
    run.proxy = pg.txtProxy->text();
    run.sendScript = pg.txtSend->toPlainText();
    run.receiveScript = pg.txtReceive->toPlainText();
    return run;
}

NetworkSchedule frmExchange::schedule(int index) const
{
    const ExchangePage &pg = page(index);
    NetworkSchedule s;
    if (index < lvwNetworks->itemCount())
        s.name = lvwNetworks->item(index + 1)->text();
    s.atTime = pg.chkTime->isChecked();
    s.time = pg.dtpTime->time();
    s.everyInterval = pg.chkInterval->isChecked();
    s.intervalChoice = pg.cboInterval->listIndex();
    s.sendReceive = pg.optSendReceive->isChecked();
    s.receiveOnly = pg.optReceive->isChecked();
    s.sendOnly = pg.optSend->isChecked();
    return s;
}

void frmExchange::runNetwork(int index, bool send)
{
    const NetworkPage run = runPage(index);
    // The running network's page answers GetHashType while its script runs.
    struct Running {
        int &slot;
        int previous;
        ~Running() { slot = previous; }
    } running{m_runningPage, m_runningPage};
    m_runningPage = index;
    if (send)
        runSend(run);
    else
        runReceive(run);
}

void frmExchange::tmrScheduler_Timer()
{
    guarded([&] {
        const int count = std::min(lvwNetworks->itemCount(), int(pages.size()));
        std::vector<NetworkSchedule> schedules;
        QStringList names;
        schedules.reserve(std::size_t(count));
        for (int i = 0; i < count; ++i) {
            schedules.push_back(schedule(i));
            names.append(schedules.back().name);
        }
        const std::vector<ExchangeStart> starts = scheduler->tick(vb::currentDateTime(), schedules, blnBusy());
        if (starts.empty())
            return;
        // The runs yield; started from here they would swallow the next ticks.
        QMetaObject::invokeMethod(
            this, [this, starts, names] { runDue(starts, names); }, Qt::QueuedConnection);
    });
}

void frmExchange::runDue(const std::vector<ExchangeStart> &starts, const QStringList &names)
{
    guarded([&] {
        for (const ExchangeStart &start : starts) {
            // The list was rebuilt since the tick: that page is another network now.
            if (start.page >= lvwNetworks->itemCount() || start.page >= int(pages.size())
                || lvwNetworks->item(start.page + 1)->text() != names.value(start.page))
                continue;
            if (!start.history.isEmpty())
                modGlobal::LogHistory(u"Info"_s, start.history);
            if (blnBusy())
                return;
            if (start.send)
                runNetwork(start.page, true);
            if (start.receive)
                runNetwork(start.page, false);
        }
    });
}

int32_t frmExchange::GetHashType()
{
    const int index = m_runningPage >= 0 ? m_runningPage : selectedPage();
    switch (page(index).cboHash->listIndex()) {
    case 0:
        return 32769;
    case 1:
        return 32770;
    case 2:
        return 32771;
    case 3:
        return 32772;
    default:
        return 0;
    }
}

QString frmExchange::SendAS2(int index)
{
    if (index < 0 || index >= int(pages.size())) {
        const QString description = u"Control array element '"_s + QString::number(index) + u"' doesn't exist"_s;
        LogExchange(u"Error"_s, u"SendAS2: "_s + description);
        vb::MsgBox(u"Visual Basic error found:"_s + description, vb::vbOKOnly, modGlobal::AppTitle());
        return {};
    }
    // Store, name and certificate all come from page Index.
    const ExchangePage &pg = page(index);
    int position = 0;
    for (int k = 1; k <= pg.lvwCertificate->itemCount() && position == 0; ++k)
        if (pg.lvwCertificate->isItemSelected(k))
            position = k;
    return communications::SendAS2(pg.cboStoreLocation->text(), pg.cboStoreName->text(), position,
                                   CommunicationsState::instance().exchange());
}

bool frmExchange::blnBusy() const
{
    return CommunicationsState::instance().busy();
}

bool frmExchange::QueryUnload()
{
    return !blnBusy();
}

void frmExchange::closeEvent(QCloseEvent *event)
{
    if (!QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    tmrScheduler->stop();
    if (controls::formInstance<frmExchange>() == this) {
        controls::forgetForm(this);
        deleteLater();
    }
}

} // namespace communications
