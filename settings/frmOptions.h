#pragma once
// The options dialog: working folders, the selection filter, the report
// viewer's switches and the clearing of the two logs.

#include "settings/MainWindowAccess.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace controls {
class ListView;
}

namespace settings {

class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(MainWindowAccess main = {});
    ~frmOptions() override;

    void Form_Load();
    void LoadPropertySettings();

    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdApply_Click();
    void cmdReset_Click();
    void cmdInclude_Click();
    void cmdExclude_Click();
    void cmdClearHistory_Click();
    void cmdClearExchange_Click();
    // The browse button of folder row i (sections::folderKeys() order).
    void cmdBrowse_Click(int row);

    QTabWidget *sstOptions = nullptr;
    QTabWidget *SSTab1 = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdApply = nullptr;
    QPushButton *cmdClearHistory = nullptr;
    QPushButton *cmdClearExchange = nullptr;
    QPushButton *cmdInclude = nullptr;
    QPushButton *cmdExclude = nullptr;
    QPushButton *cmdReset = nullptr;
    controls::ListView *lvwFilter = nullptr;
    std::array<QLineEdit *, 8> txtFolder{};     // txtDatabase ... txtActiveX
    std::array<QPushButton *, 8> cmdFolder{};   // cmdDatabase ... cmdActiveX
    std::array<QCheckBox *, 22> chkViewer{};    // in the order of the Viewer keys

private:
    void SavePropertySettings();
    void clearLog(const QString &table, const QString &question);
    void changed();

    MainWindowAccess m_main;
};

} // namespace settings
