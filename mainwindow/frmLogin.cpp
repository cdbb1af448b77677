#include "mainwindow/frmLogin.h"
#include "core/HandlerGuard.h"

#include "controls/Forms.h"
#include "core/modGlobal.h"
#include "mainwindow/LayoutMath.h"
#include "mainwindow/Startup.h"
#include "mainwindow/frmMain.h"
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace mainwindow {

using modGlobal::guardedConnect;

frmLogin::frmLogin()
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Login"));
    setModal(true);
    lblUser = new QLabel(QStringLiteral("&User Name:"), this);
    txtUser = new QLineEdit(this);
    txtUser->setObjectName(QStringLiteral("txtUser"));
    lblUser->setBuddy(txtUser);
    lblPassword = new QLabel(QStringLiteral("&Password:"), this);
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    lblPassword->setBuddy(txtPassword);
    chkRemember = new QCheckBox(QStringLiteral("Remember password"), this);
    chkRemember->setObjectName(QStringLiteral("chkRemember"));
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(lblUser, 0, 0);
    grid->addWidget(txtUser, 0, 1);
    grid->addWidget(lblPassword, 1, 0);
    grid->addWidget(txtPassword, 1, 1);
    grid->addWidget(chkRemember, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);

    guardedConnect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    guardedConnect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    guardedConnect(chkRemember, &QCheckBox::toggled, this, [this] { chkRemember_Click(); });
}

frmLogin::~frmLogin()
{
    controls::forgetForm(this);
}

StartOutcome frmLogin::Form_Load()
{
    frmMain &main = controls::form<frmMain>();
    if (main.Form_Load() == StartOutcome::EndProgram)
        return StartOutcome::EndProgram;
    main.show();

    const QString app = vb::AppInfo::title();
    modGlobal::strCurrentUser = vb::GetSetting(app, QStringLiteral("Account"), QStringLiteral("UserName"), QStringLiteral("vormu"));
    modGlobal::strAccountPassword = vb::GetSetting(app, QStringLiteral("Account"), QStringLiteral("Password"), QStringLiteral("vormu"));
    txtUser->setText(modGlobal::strCurrentUser);
    const auto remember = readWholeNumber(vb::GetSetting(app, QStringLiteral("Account"), QStringLiteral("Remember"), QStringLiteral("1")));
    chkRemember->setChecked(remember.value_or(1) != 0);
    if (chkRemember->isChecked())
        txtPassword->setText(modGlobal::strAccountPassword);
    return StartOutcome::Continue;
}

void frmLogin::cmdOk_Click()
{
    if (txtPassword->text() == modGlobal::strAccountPassword && txtUser->text() == modGlobal::strCurrentUser) {
        m_accepted = true;
        CompleteLogin();
        return;
    }
    vb::MsgBox(QStringLiteral("Invalid User Name or Password, try again!"), vb::vbCritical, QStringLiteral("Login"));
    txtUser->setFocus();
    txtUser->selectAll();
}

void frmLogin::CompleteLogin()
{
    try {
        modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("User Login: ") + modGlobal::strCurrentUser);
        seedFolderSettings(vb::AppInfo::path());
        // A folder that cannot be created is reported; the login still stands.
        const QStringList missing = createWorkingFolders();
        if (!missing.isEmpty())
            modGlobal::ReportError(vb::VbError(75, QStringLiteral("Path/File access error: ") + missing.join(QStringLiteral(", "))));
        done(QDialog::Accepted);
    } catch (const vb::VbError &e) {
        modGlobal::ReportError(e);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

void frmLogin::cmdCancel_Click()
{
    m_endProgram = true;
    done(QDialog::Rejected);
}

void frmLogin::chkRemember_Click()
{
    vb::SaveSetting(vb::AppInfo::title(), QStringLiteral("Account"), QStringLiteral("Remember"),
                    chkRemember->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void frmLogin::reject()
{
    if (m_accepted)
        QDialog::reject();
}

void frmLogin::closeEvent(QCloseEvent *event)
{
    if (m_accepted || m_endProgram)
        event->accept();
    else
        event->ignore();
}

StartOutcome runLogin()
{
    frmLogin &login = controls::form<frmLogin>();
    if (login.Form_Load() == StartOutcome::EndProgram) {
        controls::unload<frmLogin>();
        return StartOutcome::EndProgram;
    }
    login.exec();
    const bool accepted = login.isAccepted() && !login.endsProgram();
    controls::unload<frmLogin>();
    return accepted ? StartOutcome::Continue : StartOutcome::EndProgram;
}

} // namespace mainwindow
