#include "mainwindow/frmSplash.h"

#include "controls/Forms.h"
#include "controls/ScreenPlacement.h"
#include "mainwindow/Icons.h"
#include "mainwindow/Startup.h"
#include "mainwindow/frmLogin.h"
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QScreen>
#include <QThread>

namespace mainwindow {

frmSplash::frmSplash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(245, 245, 240));
    setPalette(p);
    auto label = [this](const char *name) {
        auto *l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    picSplash = label("picSplash");
    picSplash->setPixmap(productPicture(96));
    lblProductName = label("lblProductName");
    lblProductName->setText(QStringLiteral("Corvantis"));
    QFont big = lblProductName->font();
    big.setPointSizeF(big.pointSizeF() * 2.4);
    big.setBold(true);
    lblProductName->setFont(big);
    lblVersion = label("lblVersion");
    lblBuildDate = label("lblBuildDate");
    lblCopyright = label("lblCopyright");
    lblCompany = label("lblCompany");
    lblWarning = label("lblWarning");
    lblWarning->setWordWrap(true);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(24, 24, 24, 24);
    grid->addWidget(picSplash, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(lblProductName, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(lblBuildDate, 2, 1);
    grid->addWidget(lblCompany, 3, 1);
    grid->addWidget(lblCopyright, 4, 1);
    grid->addWidget(lblWarning, 5, 0, 1, 2);
    resize(460, 260);
}

frmSplash::~frmSplash()
{
    controls::forgetForm(this);
}

StartOutcome frmSplash::Form_Load(SingleInstance &instance)
{
    if (!instance.acquire()) {
        vb::MsgBox(alreadyOpenMessage(vb::AppInfo::path(), vb::AppInfo::exeName()), vb::vbExclamation);
        return StartOutcome::EndProgram;
    }
    // The lock is held and no writer of the program runs yet.
    removeUnfinishedFiles();
    lblBuildDate->setText(buildDateLabel());
    lblCopyright->setText(vb::AppInfo::legalCopyright());
    lblCompany->setText(vb::AppInfo::companyName());
    lblWarning->setText(vb::AppInfo::legalTrademarks());
    lblVersion->setText(versionLabel());
    // Centred at the size its texts need, so it does not grow to one side
    // when it appears.
    resize(size().expandedTo(sizeHint()));
    controls::placeOnScreen(this);
    return StartOutcome::Continue;
}

StartOutcome frmSplash::Form_Activate(int pauseMs)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Elapsed time, not the time of day, so a start just before midnight
    // still pauses the whole time.
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < pauseMs) {
        vb::DoEvents();
        QThread::msleep(10);
    }
    QApplication::restoreOverrideCursor();
    close();
    return runLogin();
}

} // namespace mainwindow
