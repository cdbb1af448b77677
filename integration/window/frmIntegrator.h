#pragma once
// The integration window "Integrator": one job per transaction set, each
// job's settings in its slot while the window is loaded (the runner, the
// query and the scheduler read the slots, unsaved edits included). The
// window wires its controls to JobStore, DataSourceSession, ResultsModel,
// JobRunner and JobScheduler; one set of controls shows the selected slot.

#include "integration/JobQuery.h"
#include "integration/JobScheduler.h"
#include "integration/JobStore.h"
#include "integration/ResultsModel.h"
#include "integration/window/ProgramJobServices.h"

#include <QWidget>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimeEdit;
class QTimer;

namespace controls {
class ListView;
}

namespace integration {

class ResultsGrid;

class frmIntegrator : public QWidget {
    Q_OBJECT
public:
    frmIntegrator();
    ~frmIntegrator() override;

    // What the main window lends the runs (its lists and commands); asked at
    // every run. Without it an inbound job fails.
    static void setMailboxAccess(std::function<MailboxAccess()> access);

    // ---- The job model ----
    void Form_Load();
    void LoadJobs();
    void ShowSelectedJob();
    void SetEditMode(bool editing, int index);
    int jobCount() const { return int(m_slots.size()); }
    // The slot of a job as it stands (unsaved edits included).
    const JobRow &slot(int index) const { return m_slots.at(std::size_t(index)); }
    JobRow &slot(int index) { return m_slots.at(std::size_t(index)); }
    // The selected job's index, -1 when none.
    int selectedJob() const;

    // ---- Runs ----
    void cmdProcess_Click();
    // Runs one job to its end; `scheduled`: its dates come from its own day boxes.
    void RunJob(int index, bool scheduled);
    void tmrScheduler_Timer();
    bool blnProcessing = false;

    // ---- The data source and the grid ----
    void cmdConnect_Click();
    void cmdDisconnect_Click();
    void cmdExecute_Click();
    void cmdSave_Click();

    // ---- The job editor ----
    void cmdModify_Click();
    void chkTime_Click();
    void chkInterval_Click();
    void cmdClose_Click();
    // False while a run runs: the window stays.
    bool QueryUnload();

    // Controls, by their names (one set, showing the selected slot).
    QMenuBar *menuBar = nullptr;
    QMenu *mnuFile = nullptr;
    QAction *mnuClose = nullptr;
    QTabWidget *sstSchedule = nullptr;
    controls::ListView *lvwTSets = nullptr;
    QCheckBox *chkTime = nullptr, *chkInterval = nullptr;
    QTimeEdit *dtpTime = nullptr;
    QComboBox *cboInterval = nullptr;
    QCheckBox *chkMon = nullptr, *chkTue = nullptr, *chkWed = nullptr, *chkThu = nullptr, *chkFri = nullptr,
              *chkSat = nullptr, *chkSun = nullptr;
    QCheckBox *chkActiveX = nullptr, *chkPrint = nullptr, *chkAcknowledge = nullptr, *chkExecute = nullptr;
    QLabel *lblExportFormat = nullptr;
    QComboBox *cboExportFormat = nullptr;
    QComboBox *cboDataSourceName = nullptr, *cboDriver = nullptr;
    QLineEdit *txtUserId = nullptr, *txtPassword = nullptr, *txtDatabase = nullptr, *txtServer = nullptr;
    QPlainTextEdit *txtSQL = nullptr;
    QGroupBox *fraParameters = nullptr;
    QCheckBox *chkStartDate = nullptr, *chkEndDate = nullptr;
    QDateEdit *dtpStartDate = nullptr, *dtpEndDate = nullptr;
    QLineEdit *mskMinus = nullptr, *mskPlus = nullptr;
    ResultsGrid *msfgResults = nullptr;
    ResultsModel *results = nullptr;
    QLabel *lblDescription = nullptr;
    QPushButton *cmdProcess = nullptr, *cmdModify = nullptr, *cmdClose = nullptr, *cmdConnect = nullptr,
                *cmdDisconnect = nullptr, *cmdExecute = nullptr, *cmdSave = nullptr;
    QTimer *tmrScheduler = nullptr;

    // The scheduler of the program: its counters outlive the window.
    static JobScheduler &scheduler();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void connectControls();
    QList<QWidget *> slotControls() const;
    // Fills the controls from slot i (no handler runs) / reads them back.
    void showSlot(int index);
    void readSlot();
    void showSummary();
    void updateButtons();
    // Runs `work`, reporting any error; false when it failed.
    bool guarded(const std::function<void()> &work);
    bool refusedWhileRunning() const;
    bool runQuery(const JobRow &job, bool scheduled);
    JobDates datesFor(const JobRow &job, bool scheduled) const;
    void runQueued();
    void closeConnectionQuietly();
    // Refills the job list after the partner window changed Transactions,
    // once no edit, run or connection holds the slots.
    void refillWhenFree();
    // The jobs of a partner renamed in the partner window take its new name.
    void PartnerRenamed(const QString &from, const QString &to);

    std::vector<JobRow> m_slots;
    int m_shown = -1;
    bool m_editing = false;
    bool m_running = false;
    bool m_refillPending = false;
    bool m_filling = false;
    bool m_hasDataSources = false;
    DataSourceSession m_session;
};

} // namespace integration
