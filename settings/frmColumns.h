#pragma once
// The column chooser: which of the thirteen mailbox columns the four mailbox
// lists show.

#include "settings/MainWindowAccess.h"

#include <QDialog>

class QPushButton;

namespace controls {
class ListView;
}

namespace settings {

class frmColumns : public QDialog {
    Q_OBJECT
public:
    explicit frmColumns(MainWindowAccess main = {});
    ~frmColumns() override;

    void Form_Load();
    void LoadPropertySettings();
    void cmdShow_Click();
    void cmdHide_Click();
    void cmdReset_Click();
    void cmdApply_Click();
    void cmdOk_Click();
    void cmdCancel_Click();

    controls::ListView *lvwColumns = nullptr;
    QPushButton *cmdShow = nullptr;
    QPushButton *cmdHide = nullptr;
    QPushButton *cmdReset = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdApply = nullptr;

private:
    void SavePropertySettings();

    MainWindowAccess m_main;
};

} // namespace settings
