#pragma once
// The splash window: refuses a second running instance, shows the version
// and build date, pauses, and hands over to the login dialog.

#include "mainwindow/DatabaseSession.h"

#include <QWidget>

class QLabel;

namespace mainwindow {

class SingleInstance;

class frmSplash : public QWidget {
    Q_OBJECT
public:
    frmSplash();
    ~frmSplash() override;

    // The instance check and the labels. EndProgram when another instance
    // runs (after its message box).
    StartOutcome Form_Load(SingleInstance &instance);
    // The pause with the hourglass (window messages keep flowing), then the
    // splash closes and the login dialog runs; its outcome is returned.
    StartOutcome Form_Activate(int pauseMs = 5000);

    QLabel *picSplash = nullptr;
    QLabel *lblProductName = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblBuildDate = nullptr;
    QLabel *lblCopyright = nullptr;
    QLabel *lblCompany = nullptr;
    QLabel *lblWarning = nullptr;
};

} // namespace mainwindow
