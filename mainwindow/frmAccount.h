#pragma once
// The account dialog: the stored user name and password of the one account.

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mainwindow {

class frmAccount : public QDialog {
    Q_OBJECT
public:
    frmAccount();
    ~frmAccount() override;

    void Form_Load();
    void LoadPropertySettings();
    void cmdOk_Click();
    void cmdApply_Click();
    void cmdCancel_Click();

    QFrame *fraAccount = nullptr;
    QLabel *lblAccount = nullptr;
    QLineEdit *txtUserName = nullptr;
    QLineEdit *txtPassword = nullptr;
    QLineEdit *txtConfirm = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdApply = nullptr;

private:
    void SaveAccount();
};

} // namespace mainwindow
