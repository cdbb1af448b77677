#pragma once
// The login dialog: loads and shows the main window first, then asks for
// the user name and password of the one account in front of it.

#include "mainwindow/DatabaseSession.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mainwindow {

class frmLogin : public QDialog {
    Q_OBJECT
public:
    frmLogin();
    ~frmLogin() override;

    // Loads the main window (EndProgram when it could not open the
    // database), then fills the boxes from the account.
    StartOutcome Form_Load();

    void cmdOk_Click();
    void cmdCancel_Click();
    void chkRemember_Click();

    // True once OK found matching credentials.
    bool isAccepted() const { return m_accepted; }
    // True when Cancel ended the program.
    bool endsProgram() const { return m_endProgram; }

    QLabel *lblUser = nullptr;
    QLineEdit *txtUser = nullptr;
    QLabel *lblPassword = nullptr;
    QLineEdit *txtPassword = nullptr;
    QCheckBox *chkRemember = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancel = nullptr;

public slots:
    void reject() override; // the close keys: refused until a login succeeded

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void CompleteLogin();

    bool m_accepted = false;
    bool m_endProgram = false;
};

// Shows the login dialog modally without an owner and returns how start-up
// goes on: Continue after a login, EndProgram after Cancel or when the main
// window could not load.
StartOutcome runLogin();

} // namespace mainwindow
