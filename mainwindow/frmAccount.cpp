#include "mainwindow/frmAccount.h"
#include "core/HandlerGuard.h"

#include "controls/Forms.h"
#include "mainwindow/Startup.h"
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mainwindow {

using modGlobal::guardedConnect;

namespace {
QString accountSetting(const char *key)
{
    return vb::GetSetting(vb::AppInfo::title(), QStringLiteral("Account"), QString::fromLatin1(key), QStringLiteral("vormu"));
}
} // namespace

frmAccount::frmAccount()
{
    setObjectName(QStringLiteral("frmAccount"));
    setWindowTitle(QStringLiteral("Account"));
    fraAccount = new QFrame(this);
    fraAccount->setObjectName(QStringLiteral("fraAccount"));
    fraAccount->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    lblAccount = new QLabel(QStringLiteral("Account"), fraAccount);
    lblAccount->setObjectName(QStringLiteral("lblAccount"));
    QFont heading = lblAccount->font();
    heading.setBold(true);
    lblAccount->setFont(heading);
    auto box = [this](const char *name, bool secret) {
        auto *edit = new QLineEdit(fraAccount);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(32);
        if (secret)
            edit->setEchoMode(QLineEdit::Password);
        guardedConnect(edit, &QLineEdit::textChanged, this, [this] { cmdApply->setEnabled(true); });
        return edit;
    };
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdApply = new QPushButton(QStringLiteral("Apply"), this);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    txtUserName = box("txtUserName", false);
    txtPassword = box("txtPassword", true);
    txtConfirm = box("txtConfirm", true);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("User Name:"), txtUserName);
    form->addRow(QStringLiteral("Password:"), txtPassword);
    form->addRow(QStringLiteral("Confirm Password:"), txtConfirm);
    auto *frame = new QVBoxLayout(fraAccount);
    frame->addWidget(lblAccount);
    frame->addLayout(form);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fraAccount);
    layout->addLayout(buttons);

    guardedConnect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    guardedConnect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    guardedConnect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    Form_Load();
}

frmAccount::~frmAccount()
{
    controls::forgetForm(this);
}

void frmAccount::Form_Load()
{
    LoadPropertySettings();
    cmdApply->setEnabled(false);
}

void frmAccount::LoadPropertySettings()
{
    txtUserName->setText(accountSetting("UserName"));
    txtPassword->setText(accountSetting("Password"));
    txtConfirm->setText(accountSetting("Password"));
}

void frmAccount::cmdApply_Click()
{
    const QString problem = checkAccountForApply(txtUserName->text(), txtPassword->text(), txtConfirm->text());
    if (!problem.isEmpty()) {
        vb::MsgBox(problem, vb::vbExclamation);
        return;
    }
    SaveAccount();
    cmdApply->setEnabled(false);
}

void frmAccount::cmdOk_Click()
{
    const QString problem = checkAccountForOk(txtPassword->text(), txtConfirm->text());
    if (!problem.isEmpty()) {
        vb::MsgBox(problem, vb::vbExclamation);
        return;
    }
    SaveAccount();
    accept();
}

void frmAccount::cmdCancel_Click()
{
    reject();
}

void frmAccount::SaveAccount()
{
    const QString app = vb::AppInfo::title();
    vb::SaveSetting(app, QStringLiteral("Account"), QStringLiteral("UserName"), txtUserName->text());
    vb::SaveSetting(app, QStringLiteral("Account"), QStringLiteral("Password"), txtPassword->text());
}

} // namespace mainwindow
