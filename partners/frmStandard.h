#pragma once
// The standard transaction-set picker "Standard Transactions": a version and
// one of the standard sets. OK leaves the choice to be read by the caller;
// Cancel and the close box set blnStandardCancelled.

#include <QDialog>

class QLabel;
class QPushButton;

namespace controls {
class ComboList;
class ListView;
}

namespace partners {

class frmStandard : public QDialog {
    Q_OBJECT
public:
    frmStandard();

    QLabel *lblInstructions = nullptr;
    controls::ListView *lvwStandard = nullptr;
    QLabel *lblVersion = nullptr;
    controls::ComboList *cboVersion = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancel = nullptr;

    void Form_Load();
    void cmdOk_Click();
    void cmdCancel_Click();

    void reject() override; // Escape and the close box count as Cancel

protected:
    void closeEvent(QCloseEvent *event) override;
};

} // namespace partners
