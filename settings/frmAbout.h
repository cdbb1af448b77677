#pragma once
// The About box: name, version, build date, the version block's texts, the
// telephone, the web-address link and the system-information button.

#include "settings/AboutInfo.h"

#include <QDialog>
#include <QPoint>

class QLabel;
class QPushButton;
class QTimer;

namespace settings {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout();
    ~frmAbout() override;

    void Form_Load();
    void StartSysInfo();
    void lblURL_MouseMove();
    void lblURL_MouseDown();
    void lblURL_MouseUp();
    void lblURL_Click();
    void tmrURL_Timer();

    const LinkLook &linkLook() const { return m_look; }

    // How the box opens a link and starts a program; tests replace them.
    std::function<bool(const QString &url)> openUrl;
    std::function<bool(const QString &program)> startProgram;
    std::function<QString()> pathVariable;
    std::function<QPoint()> pointerPosition; // on the screen

    QLabel *picSplash = nullptr;
    QLabel *lblProductName = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblBuildDate = nullptr;
    QLabel *lblCopyright = nullptr;
    QLabel *lblCompany = nullptr;
    QLabel *lblWarning = nullptr;
    QLabel *lblPhone = nullptr;
    QLabel *lblURL = nullptr;
    QTimer *tmrURL = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QPushButton *cmdOk = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyLook();
    LinkLook m_look;
};

} // namespace settings
