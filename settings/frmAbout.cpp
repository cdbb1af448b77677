#include "settings/frmAbout.h"
#include "core/HandlerGuard.h"

#include "vb/AppInfo.h"
#include "vb/Dialogs.h"

#include <QCursor>
#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace settings {

using modGlobal::guardedConnect;

frmAbout::frmAbout()
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Corvantis"));
    setModal(true);

    openUrl = [](const QString &url) { return QDesktopServices::openUrl(QUrl(url)); };
    startProgram = [](const QString &program) { return QProcess::startDetached(program, {}); };
    pathVariable = [] { return qEnvironmentVariable("PATH"); };
    pointerPosition = [] { return QCursor::pos(); };

    auto named = [](QLabel *label, const QString &name) {
        label->setObjectName(name);
        return label;
    };
    picSplash = named(new QLabel, QStringLiteral("picSplash"));
    picSplash->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
    lblProductName = named(new QLabel(vb::AppInfo::productName()), QStringLiteral("lblProductName"));
    QFont big = lblProductName->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblProductName->setFont(big);
    lblVersion = named(new QLabel, QStringLiteral("lblVersion"));
    lblBuildDate = named(new QLabel, QStringLiteral("lblBuildDate"));
    lblCopyright = named(new QLabel, QStringLiteral("lblCopyright"));
    lblCompany = named(new QLabel, QStringLiteral("lblCompany"));
    lblWarning = named(new QLabel, QStringLiteral("lblWarning"));
    lblWarning->setWordWrap(true);
    lblPhone = named(new QLabel(phoneText()), QStringLiteral("lblPhone"));
    lblURL = named(new QLabel(webAddress()), QStringLiteral("lblURL"));
    lblURL->setMouseTracking(true);
    lblURL->setCursor(Qt::PointingHandCursor);
    lblURL->installEventFilter(this);
    tmrURL = new QTimer(this);
    tmrURL->setObjectName(QStringLiteral("tmrURL"));
    guardedConnect(tmrURL, &QTimer::timeout, this, [this] { tmrURL_Timer(); });

    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."));
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    cmdOk = new QPushButton(QStringLiteral("OK"));
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    guardedConnect(cmdSysInfo, &QPushButton::clicked, this, [this] { StartSysInfo(); });
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);

    auto *texts = new QVBoxLayout;
    for (QLabel *label : {lblProductName, lblVersion, lblBuildDate, lblCopyright, lblCompany})
        texts->addWidget(label);
    texts->addSpacing(8);
    texts->addWidget(lblPhone);
    texts->addWidget(lblURL, 0, Qt::AlignLeft);
    auto *top = new QHBoxLayout;
    top->addWidget(picSplash, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblWarning, 1);
    bottom->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(bottom);
    setMinimumWidth(480);

    Form_Load();
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load()
{
    applyLook();
    lblBuildDate->setText(buildDateText(vb::AppInfo::buildDate()));
    lblCopyright->setText(vb::AppInfo::legalCopyright());
    lblCompany->setText(vb::AppInfo::companyName());
    lblWarning->setText(vb::AppInfo::legalTrademarks());
    lblVersion->setText(versionText(vb::AppInfo::major(), vb::AppInfo::minor(), vb::AppInfo::revision()));
}

void frmAbout::applyLook()
{
    static const char *const colours[3] = {"#000000", "#0000ff", "#ff0000"};
    const LinkLook::Look look = m_look.look();
    QFont f = lblURL->font();
    f.setUnderline(look != LinkLook::Idle);
    lblURL->setFont(f);
    lblURL->setStyleSheet(QStringLiteral("color: ") + QLatin1String(colours[look]));
    if (m_look.timerRunning()) {
        if (!tmrURL->isActive())
            tmrURL->start(100);
    } else {
        tmrURL->stop();
    }
}

void frmAbout::lblURL_MouseMove()
{
    if (m_look.mouseMove())
        applyLook();
}

void frmAbout::lblURL_MouseDown()
{
    if (m_look.mouseDown()) {
        applyLook();
        lblURL->repaint();
    }
}

void frmAbout::lblURL_MouseUp()
{
    if (m_look.mouseUp()) {
        applyLook();
        lblURL->repaint();
    }
}

void frmAbout::lblURL_Click()
{
    openUrl(lblURL->text()); // a link the desktop cannot open fails silently
}

void frmAbout::tmrURL_Timer()
{
    const QPoint p = lblURL->mapFromGlobal(pointerPosition());
    if (m_look.timerTick(LinkLook::isInside(p.x(), p.y(), lblURL->width(), lblURL->height())))
        applyLook();
}

void frmAbout::StartSysInfo()
{
    const std::optional<QString> program = findSystemInfoProgram(pathVariable());
    if (program && startProgram(*program))
        return;
    vb::MsgBox(QString::fromLatin1(kSysInfoUnavailable), vb::vbOKOnly);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblURL) {
        switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::Enter:
            lblURL_MouseMove();
            break;
        case QEvent::MouseButtonPress:
            lblURL_MouseDown();
            break;
        case QEvent::MouseButtonRelease:
            lblURL_MouseUp();
            if (lblURL->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint()))
                lblURL_Click();
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace settings
