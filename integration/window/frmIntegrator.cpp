#include "integration/window/frmIntegrator.h"
#include "core/BusyScope.h"
#include "core/HandlerGuard.h"

#include "integration/window/ResultsGrid.h"

#include "partners/TransactionsNotifier.h"

#include "controls/Forms.h"
#include "controls/TimePicker.h"
#include "controls/ListView.h"
#include "core/modGlobal.h"
#include "odbc/Odbc.h"
#include "vb/Clock.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace integration {

using modGlobal::guardedConnect;

namespace {

std::function<MailboxAccess()> &mailboxAccess()
{
    static std::function<MailboxAccess()> access;
    return access;
}

QCheckBox *checkBox(const QString &caption, const QString &name)
{
    auto *box = new QCheckBox(caption);
    box->setObjectName(name);
    return box;
}

QPushButton *button(const QString &caption, const QString &name)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

template <class W>
W *named(W *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

} // namespace

JobScheduler &frmIntegrator::scheduler()
{
    static JobScheduler s;
    return s;
}

void frmIntegrator::setMailboxAccess(std::function<MailboxAccess()> access)
{
    mailboxAccess() = std::move(access);
}

frmIntegrator::frmIntegrator()
{
    setObjectName(u"frmIntegrator"_s);
    setWindowTitle(u"Integrator"_s);
    buildControls();
    connectControls();
    Form_Load();
    // Sets added, removed or changed in the partner window join the list.
    guardedConnect(&partners::transactionsNotifier(), &partners::TransactionsNotifier::PartnerRenamed, this,
                   [this](const QString &from, const QString &to) { PartnerRenamed(from, to); });
    guardedConnect(&partners::transactionsNotifier(), &partners::TransactionsNotifier::TransactionsChanged, this, [this] {
        m_refillPending = true;
        refillWhenFree();
    });
}

void frmIntegrator::refillWhenFree()
{
    // Never under an edit, a run or an open connection: job indexes and the
    // slot being edited must stay what they are until then.
    if (!m_refillPending || m_editing || refusedWhileRunning() || m_session.isConnected())
        return;
    m_refillPending = false;
    const int shown = selectedJob();
    const QString key = shown >= 0 ? m_slots[std::size_t(shown)].key() : QString();
    LoadJobs();
    for (int i = 0; i < jobCount(); ++i) {
        if (i > 0 && m_slots[std::size_t(i)].key() == key) {
            lvwTSets->setSelectedItem(i + 1);
            ShowSelectedJob();
            break;
        }
    }
    SetEditMode(false, std::max(0, selectedJob()));
}

void frmIntegrator::PartnerRenamed(const QString &from, const QString &to)
{
    // The rows are stored under the new name already: the jobs follow at
    // once, also one being edited, so that its save and the refill find it.
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i].partner.compare(from, Qt::CaseInsensitive) != 0)
            continue;
        m_slots[i].partner = to;
        if (controls::ListItem *item = lvwTSets->item(int(i) + 1))
            item->setText(to);
    }
    if (const int shown = selectedJob(); shown >= 0)
        setWindowTitle(u"Integrator -- "_s + m_slots[std::size_t(shown)].key());
}

frmIntegrator::~frmIntegrator()
{
    controls::forgetForm(this);
}

void frmIntegrator::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    menuBar = new QMenuBar(this);
    mnuFile = menuBar->addMenu(u"&File"_s);
    mnuClose = mnuFile->addAction(u"&Close"_s);
    mnuClose->setObjectName(u"mnuClose"_s);
    layout->setMenuBar(menuBar);

    sstSchedule = named(new QTabWidget, u"sstSchedule"_s);

    // Transactions: the job list.
    lvwTSets = named(new controls::ListView, u"lvwTSets"_s);
    lvwTSets->setRootIsDecorated(false);
    sstSchedule->addTab(lvwTSets, u"Transactions"_s);

    // Scheduler.
    auto *scheduler = new QWidget;
    auto *grid = new QGridLayout(scheduler);
    chkTime = checkBox(u"Schedule at:"_s, u"chkTime"_s);
    dtpTime = named(new controls::TimePicker, u"dtpTime"_s);
    dtpTime->setDisplayFormat(u"h:mm AP"_s);
    chkInterval = checkBox(u"Schedule every:"_s, u"chkInterval"_s);
    cboInterval = named(new QComboBox, u"cboInterval"_s);
    grid->addWidget(chkTime, 0, 0);
    grid->addWidget(dtpTime, 0, 1);
    grid->addWidget(chkInterval, 1, 0);
    grid->addWidget(cboInterval, 1, 1);
    auto *days = new QHBoxLayout;
    chkMon = checkBox(u"Mon"_s, u"chkMon"_s);
    chkTue = checkBox(u"Tue"_s, u"chkTue"_s);
    chkWed = checkBox(u"Wed"_s, u"chkWed"_s);
    chkThu = checkBox(u"Thu"_s, u"chkThu"_s);
    chkFri = checkBox(u"Fri"_s, u"chkFri"_s);
    chkSat = checkBox(u"Sat"_s, u"chkSat"_s);
    chkSun = checkBox(u"Sun"_s, u"chkSun"_s);
    for (QCheckBox *day : {chkMon, chkTue, chkWed, chkThu, chkFri, chkSat, chkSun})
        days->addWidget(day);
    days->addStretch();
    grid->addLayout(days, 2, 0, 1, 3);
    chkActiveX = checkBox(u"ActiveX"_s, u"chkActiveX"_s);
    chkPrint = checkBox(u"Export / Print"_s, u"chkPrint"_s);
    chkAcknowledge = checkBox(u"Acknowledge"_s, u"chkAcknowledge"_s);
    chkExecute = checkBox(u"Execute SQL"_s, u"chkExecute"_s);
    auto *steps = new QHBoxLayout;
    for (QCheckBox *box : {chkActiveX, chkPrint, chkAcknowledge, chkExecute})
        steps->addWidget(box);
    steps->addStretch();
    grid->addLayout(steps, 3, 0, 1, 3);
    lblExportFormat = new QLabel(u"Report Export Format:"_s);
    cboExportFormat = named(new QComboBox, u"cboExportFormat"_s);
    lblExportFormat->setBuddy(cboExportFormat);
    grid->addWidget(lblExportFormat, 4, 0);
    grid->addWidget(cboExportFormat, 4, 1, 1, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(5, 1);
    sstSchedule->addTab(scheduler, u"Scheduler"_s);

    // Data Source.
    auto *source = new QWidget;
    auto *form = new QFormLayout(source);
    cboDataSourceName = named(new QComboBox, u"cboDataSourceName"_s);
    cboDataSourceName->setEditable(true);
    txtUserId = named(new QLineEdit, u"txtUserId"_s);
    txtPassword = named(new QLineEdit, u"txtPassword"_s);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtDatabase = named(new QLineEdit, u"txtDatabase"_s);
    cboDriver = named(new QComboBox, u"cboDriver"_s);
    cboDriver->setEditable(true);
    txtServer = named(new QLineEdit, u"txtServer"_s);
    form->addRow(u"&DSN:"_s, cboDataSourceName);
    form->addRow(u"&UID:"_s, txtUserId);
    form->addRow(u"&Password:"_s, txtPassword);
    form->addRow(u"Data&base:"_s, txtDatabase);
    form->addRow(u"Dri&ver:"_s, cboDriver);
    form->addRow(u"&Server:"_s, txtServer);
    cmdConnect = button(u"Connect"_s, u"cmdConnect"_s);
    cmdDisconnect = button(u"Disconnect"_s, u"cmdDisconnect"_s);
    auto *connectRow = new QHBoxLayout;
    connectRow->addStretch();
    connectRow->addWidget(cmdConnect);
    connectRow->addWidget(cmdDisconnect);
    form->addRow(connectRow);
    sstSchedule->addTab(source, u"Data Source"_s);

    // Query.
    auto *query = new QWidget;
    auto *queryLayout = new QVBoxLayout(query);
    txtSQL = named(new QPlainTextEdit, u"txtSQL"_s);
    queryLayout->addWidget(txtSQL, 1);
    fraParameters = named(new QGroupBox(u"Parameters"_s), u"fraParameters"_s);
    auto *parameters = new QGridLayout(fraParameters);
    chkStartDate = checkBox(u"Start Date"_s, u"chkStartDate"_s);
    dtpStartDate = named(new QDateEdit, u"dtpStartDate"_s);
    dtpStartDate->setCalendarPopup(true);
    mskMinus = named(new QLineEdit, u"mskMinus"_s);
    chkEndDate = checkBox(u"End Date"_s, u"chkEndDate"_s);
    dtpEndDate = named(new QDateEdit, u"dtpEndDate"_s);
    dtpEndDate->setCalendarPopup(true);
    mskPlus = named(new QLineEdit, u"mskPlus"_s);
    for (QLineEdit *box : {mskMinus, mskPlus}) {
        // Digits only, at most three.
        box->setValidator(new QRegularExpressionValidator(QRegularExpression(u"[0-9]{0,3}"_s), box));
        box->setMaxLength(3);
        box->setMaximumWidth(fontMetrics().horizontalAdvance(u"0000"_s) + 16);
    }
    parameters->addWidget(chkStartDate, 0, 0);
    parameters->addWidget(dtpStartDate, 0, 1);
    parameters->addWidget(new QLabel(u"Today -"_s), 0, 2);
    parameters->addWidget(mskMinus, 0, 3);
    parameters->addWidget(chkEndDate, 1, 0);
    parameters->addWidget(dtpEndDate, 1, 1);
    parameters->addWidget(new QLabel(u"Today +"_s), 1, 2);
    parameters->addWidget(mskPlus, 1, 3);
    parameters->setColumnStretch(4, 1);
    cmdExecute = button(u"Execute SQL"_s, u"cmdExecute"_s);
    parameters->addWidget(cmdExecute, 0, 5, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    queryLayout->addWidget(fraParameters);
    sstSchedule->addTab(query, u"Query"_s);

    // Result Set.
    auto *resultSet = new QWidget;
    auto *resultLayout = new QVBoxLayout(resultSet);
    results = new ResultsModel(this);
    msfgResults = new ResultsGrid;
    msfgResults->setResultsModel(results);
    resultLayout->addWidget(msfgResults, 1);
    cmdSave = button(u"Save"_s, u"cmdSave"_s);
    auto *saveRow = new QHBoxLayout;
    saveRow->addStretch();
    saveRow->addWidget(cmdSave);
    resultLayout->addLayout(saveRow);
    sstSchedule->addTab(resultSet, u"Result Set"_s);

    layout->addWidget(sstSchedule, 1);
    lblDescription = named(new QLabel, u"lblDescription"_s);
    lblDescription->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(lblDescription);

    auto *buttons = new QHBoxLayout;
    cmdProcess = button(u"Process"_s, u"cmdProcess"_s);
    cmdModify = button(u"&Modify"_s, u"cmdModify"_s);
    cmdModify->setToolTip(u"Modify"_s);
    cmdClose = button(u"Close"_s, u"cmdClose"_s);
    buttons->addWidget(cmdProcess);
    buttons->addWidget(cmdModify);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    layout->addLayout(buttons);

    tmrScheduler = new QTimer(this);
    tmrScheduler->setObjectName(u"tmrScheduler"_s);
    tmrScheduler->setInterval(60000);
    resize(640, 480);
}

QList<QWidget *> frmIntegrator::slotControls() const
{
    return {chkTime,        dtpTime,        chkInterval,  cboInterval, chkMon,   chkTue,         chkWed,
            chkThu,         chkFri,         chkSat,       chkSun,      chkActiveX, chkPrint,     chkAcknowledge,
            chkExecute,     cboExportFormat, cboDataSourceName, txtUserId, txtPassword, txtDatabase, cboDriver,
            txtServer,      txtSQL,         chkStartDate, mskMinus,    chkEndDate, mskPlus};
}

void frmIntegrator::connectControls()
{
    guardedConnect(mnuClose, &QAction::triggered, this, [this] { cmdClose_Click(); });
    guardedConnect(lvwTSets, &controls::ListView::ItemClick, this, [this](int) { ShowSelectedJob(); });
    guardedConnect(cmdProcess, &QPushButton::clicked, this, [this] { cmdProcess_Click(); });
    guardedConnect(cmdModify, &QPushButton::clicked, this, [this] { cmdModify_Click(); });
    guardedConnect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    guardedConnect(cmdConnect, &QPushButton::clicked, this, [this] { cmdConnect_Click(); });
    guardedConnect(cmdDisconnect, &QPushButton::clicked, this, [this] { cmdDisconnect_Click(); });
    guardedConnect(cmdExecute, &QPushButton::clicked, this, [this] { cmdExecute_Click(); });
    guardedConnect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    guardedConnect(tmrScheduler, &QTimer::timeout, this, [this] { tmrScheduler_Timer(); });
    guardedConnect(chkTime, &QCheckBox::clicked, this, [this] { chkTime_Click(); });
    guardedConnect(chkInterval, &QCheckBox::clicked, this, [this] { chkInterval_Click(); });

    // Every edit goes into the shown slot at once: runs read the slots.
    const auto edited = [this] { readSlot(); };
    for (QCheckBox *box : {chkMon, chkTue, chkWed, chkThu, chkFri, chkSat, chkSun, chkActiveX, chkPrint,
                           chkAcknowledge, chkExecute, chkStartDate, chkEndDate})
        guardedConnect(box, &QCheckBox::toggled, this, edited);
    guardedConnect(dtpTime, &QTimeEdit::timeChanged, this, edited);
    for (QComboBox *box : {cboInterval, cboExportFormat})
        guardedConnect(box, &QComboBox::currentIndexChanged, this, edited);
    for (QComboBox *box : {cboDataSourceName, cboDriver})
        guardedConnect(box, &QComboBox::currentTextChanged, this, edited);
    for (QLineEdit *box : {txtUserId, txtPassword, txtDatabase, txtServer, mskMinus, mskPlus})
        guardedConnect(box, &QLineEdit::textChanged, this, edited);
    guardedConnect(txtSQL, &QPlainTextEdit::textChanged, this, edited);
}

bool frmIntegrator::guarded(const std::function<void()> &work)
{
    try {
        work();
        return true;
    } catch (const std::exception &error) {
        modGlobal::ReportError(error);
    }
    return false;
}

// ---- The job model ----

void frmIntegrator::Form_Load()
{
    lvwTSets->clearColumnHeaders();
    for (const auto &[text, twips] : std::initializer_list<std::pair<QString, double>>{
             {u"Partner"_s, 1400}, {u"TSet"_s, 600}, {u"Version"_s, 800}, {u"I/O"_s, 500}, {u"Group"_s, 800},
             {u"Override"_s, 800}})
        lvwTSets->addColumnHeader(text, text, twips);
    sstSchedule->setCurrentIndex(0);
    cboInterval->addItems(IntervalNames());
    cboExportFormat->addItems(ExportFormatNames());
    // The machine's data sources and installed drivers; a stored text still
    // wins when a row is shown.
    const QStringList names = odbc::dataSourceNames();
    m_hasDataSources = !names.isEmpty();
    cboDataSourceName->addItems(names);
    cboDriver->addItems(odbc::driverDescriptions());
    const QDateTime now = vb::currentDateTime();
    dtpStartDate->setDate(now.date());
    dtpEndDate->setDate(now.date());
    LoadJobs();
    SetEditMode(false, 0);
    tmrScheduler->start();
}

void frmIntegrator::LoadJobs()
{
    m_slots.clear();
    m_shown = -1;
    lvwTSets->clearItems();
    guarded([&] {
        if (!modGlobal::cnDatabase)
            vb::raise(3709);
        m_slots = integration::LoadJobs(*modGlobal::cnDatabase);
    });
    for (const JobRow &job : m_slots) {
        controls::ListItem *item = lvwTSets->addItem(job.partner);
        item->setSubItem(1, job.transaction);
        item->setSubItem(2, job.version);
        item->setSubItem(3, job.direction);
        item->setSubItem(4, job.group);
        item->setSubItem(5, job.versionOverride);
    }
    if (m_slots.empty()) {
        SetEditMode(false, 0);
        for (QWidget *w : slotControls())
            w->setVisible(false);
        lblDescription->clear();
        return;
    }
    lvwTSets->setSelectedItem(1);
    ShowSelectedJob();
}

int frmIntegrator::selectedJob() const
{
    const int position = lvwTSets->selectedItemIndex();
    return position >= 1 && position <= jobCount() ? position - 1 : -1;
}

void frmIntegrator::ShowSelectedJob()
{
    const int i = selectedJob();
    if (i < 0)
        return;
    setWindowTitle(u"Integrator -- "_s + m_slots[std::size_t(i)].key());
    for (QWidget *w : slotControls())
        w->setVisible(false);
    m_shown = -1;
    const bool loaded = guarded([&] {
        if (!modGlobal::cnDatabase)
            vb::raise(3709);
        m_slots[std::size_t(i)] = LoadJob(*modGlobal::cnDatabase, m_slots[std::size_t(i)]);
    });
    if (!loaded)
        return;
    showSlot(i);
    showSummary();
    const QDateTime now = vb::currentDateTime();
    const JobRow &job = m_slots[std::size_t(i)];
    dtpStartDate->setDate(now.date().addDays(-DayCount(job.minus)));
    dtpEndDate->setDate(now.date().addDays(DayCount(job.plus)));
    for (QWidget *w : slotControls())
        w->setVisible(true);
    chkAcknowledge->setVisible(job.showsAcknowledgeAndPrint());
    chkPrint->setVisible(job.showsAcknowledgeAndPrint());
}

void frmIntegrator::showSlot(int index)
{
    const JobRow &job = m_slots.at(std::size_t(index));
    m_filling = true;
    chkTime->setChecked(job.checkTime);
    dtpTime->setTime(job.time.time());
    chkInterval->setChecked(job.checkInterval);
    cboInterval->setCurrentIndex(job.interval);
    QCheckBox *const days[7] = {chkMon, chkTue, chkWed, chkThu, chkFri, chkSat, chkSun};
    for (int d = 0; d < 7; ++d)
        days[d]->setChecked(job.days[std::size_t(d)]);
    chkActiveX->setChecked(job.customActiveX);
    chkPrint->setChecked(job.print);
    chkAcknowledge->setChecked(job.ack);
    chkExecute->setChecked(job.executeSql);
    cboExportFormat->setCurrentIndex(job.exportFormat);
    cboDataSourceName->setCurrentText(job.dataSourceName);
    txtUserId->setText(job.userId);
    txtPassword->setText(job.password);
    txtDatabase->setText(job.database);
    cboDriver->setCurrentText(job.driver);
    txtServer->setText(job.server);
    txtSQL->setPlainText(job.sql);
    mskPlus->setText(job.plus);
    mskMinus->setText(job.minus);
    chkStartDate->setChecked(job.startDate);
    chkEndDate->setChecked(job.endDate);
    m_filling = false;
    m_shown = index;
}

void frmIntegrator::readSlot()
{
    if (m_filling || m_shown < 0 || m_shown >= jobCount())
        return;
    JobRow &job = m_slots[std::size_t(m_shown)];
    job.checkTime = chkTime->isChecked();
    // The picker edits the time of day; its date part stays.
    const QDate day = job.time.isValid() ? job.time.date() : QDate(1899, 12, 30);
    job.time = QDateTime(day, QTime(dtpTime->time().hour(), dtpTime->time().minute(), job.time.time().second()));
    job.checkInterval = chkInterval->isChecked();
    job.interval = std::max(0, cboInterval->currentIndex());
    const QCheckBox *days[7] = {chkMon, chkTue, chkWed, chkThu, chkFri, chkSat, chkSun};
    for (int d = 0; d < 7; ++d)
        job.days[std::size_t(d)] = days[d]->isChecked();
    job.customActiveX = chkActiveX->isChecked();
    job.print = chkPrint->isChecked();
    job.ack = chkAcknowledge->isChecked();
    job.executeSql = chkExecute->isChecked();
    job.exportFormat = std::max(0, cboExportFormat->currentIndex());
    job.dataSourceName = cboDataSourceName->currentText();
    job.userId = txtUserId->text();
    job.password = txtPassword->text();
    job.database = txtDatabase->text();
    job.driver = cboDriver->currentText();
    job.server = txtServer->text();
    job.sql = txtSQL->toPlainText();
    job.plus = mskPlus->text();
    job.minus = mskMinus->text();
    job.startDate = chkStartDate->isChecked();
    job.endDate = chkEndDate->isChecked();
}

void frmIntegrator::showSummary()
{
    lblDescription->setText(m_shown >= 0 ? ScheduleSummary(m_slots[std::size_t(m_shown)]) : QString());
}

void frmIntegrator::SetEditMode(bool editing, int index)
{
    m_editing = editing;
    for (QWidget *w : slotControls())
        w->setEnabled(editing);
    Q_UNUSED(index);
    cmdModify->setText(editing ? u"Save"_s : u"&Modify"_s);
    cmdModify->setToolTip(editing ? u"Save"_s : u"Modify"_s);
    updateButtons();
}

void frmIntegrator::updateButtons()
{
    const bool jobs = !m_slots.empty();
    const bool running = refusedWhileRunning();
    const bool connected = m_session.isConnected();
    // The list stays put while a connection is open: Execute SQL must run
    // the statement of the job it connected for.
    lvwTSets->setEnabled(jobs && !m_editing && !connected);
    cmdProcess->setEnabled(jobs && !m_editing && !running);
    cmdConnect->setEnabled(jobs && !m_editing && !connected && !running);
    cmdModify->setEnabled(jobs && !connected && !running);
    cmdDisconnect->setEnabled(connected && !running);
    cmdExecute->setEnabled(connected && !running);
    cmdSave->setEnabled(!running);
    cmdClose->setEnabled(!running);
    mnuClose->setEnabled(!running);
}

bool frmIntegrator::refusedWhileRunning() const
{
    return blnProcessing || m_running || JobRunner::isRunning();
}

// ---- Runs ----

void frmIntegrator::cmdProcess_Click()
{
    if (refusedWhileRunning())
        return;
    const int i = selectedJob();
    if (i < 0)
        return;
    blnProcessing = true;
    updateButtons();
    RunJob(i, false);
    blnProcessing = false;
    updateButtons();
    runQueued();
    refillWhenFree();
}

void frmIntegrator::RunJob(int index, bool scheduled)
{
    if (index < 0 || index >= jobCount())
        return;
    const JobRow job = m_slots[std::size_t(index)];
    const MailboxAccess access = mailboxAccess() ? mailboxAccess()() : MailboxAccess{};
    JobRunner runner(ProgramJobServices(access, [this, job, scheduled](const Job &) { return runQuery(job, scheduled); }));
    // One busy flag for every run: the buttons follow it, also after an error.
    m_running = true;
    updateButtons();
    struct Restore {
        frmIntegrator *window;
        ~Restore()
        {
            window->m_running = false;
            window->updateButtons();
        }
    } restore{this};
    runner.RunJob(RunnerJobOf(job));
}

void frmIntegrator::tmrScheduler_Timer()
{
    std::vector<JobSchedule> schedules;
    schedules.reserve(m_slots.size());
    for (const JobRow &job : m_slots)
        schedules.push_back(ScheduleOf(job));
    const std::vector<ScheduledStart> starts =
        scheduler().tick(vb::currentDateTime(), schedules, refusedWhileRunning());
    for (const ScheduledStart &start : starts) {
        modGlobal::LogHistory(u"Info"_s, start.history);
        RunJob(start.job, true);
    }
    runQueued();
    refillWhenFree();
}

void frmIntegrator::runQueued()
{
    while (!refusedWhileRunning() && scheduler().hasQueued()) {
        const ScheduledStart start = scheduler().takeQueued();
        modGlobal::LogHistory(u"Info"_s, start.history);
        RunJob(start.job, true);
    }
}

JobDates frmIntegrator::datesFor(const JobRow &job, bool scheduled) const
{
    // A scheduled run (or one in a minimised window) takes its own job's
    // days, never the pickers of whichever job is shown.
    if (scheduled || isMinimized())
        return DatesOf(job, vb::currentDateTime().date());
    JobDates dates;
    if (job.startDate)
        dates.start = dtpStartDate->date();
    if (job.endDate)
        dates.end = dtpEndDate->date();
    return dates;
}

bool frmIntegrator::runQuery(const JobRow &job, bool scheduled)
{
    bool rowset = false;
    const bool ok = guarded([&] {
        m_session.connect(job, m_hasDataSources);
        QueryResult result = m_session.execute(job, datesFor(job, scheduled));
        rowset = result.hasRowset;
        if (rowset) {
            results->setResult(std::move(result), job.key(),
                               ImportFileStem(job.partner, job.transaction, job.version, job.direction));
            msfgResults->fitColumns();
        } else {
            results->clearCells();
        }
        m_session.disconnect();
    });
    if (!ok)
        closeConnectionQuietly();
    updateButtons();
    // Without a rowset the import files are those of an earlier run.
    return ok && rowset;
}

void frmIntegrator::closeConnectionQuietly()
{
    m_session.reset();
}

// ---- The data source and the grid ----

void frmIntegrator::cmdConnect_Click()
{
    if (refusedWhileRunning())
        return;
    const int i = selectedJob();
    if (i < 0)
        return;
    guarded([&] { m_session.connect(m_slots[std::size_t(i)], m_hasDataSources); });
    updateButtons();
}

void frmIntegrator::cmdDisconnect_Click()
{
    guarded([&] { m_session.disconnect(); });
    updateButtons();
    refillWhenFree();
}

void frmIntegrator::cmdExecute_Click()
{
    if (refusedWhileRunning())
        return;
    const int i = selectedJob();
    if (i < 0)
        return;
    const JobRow job = m_slots[std::size_t(i)];
    QApplication::setOverrideCursor(Qt::WaitCursor);
    guarded([&] {
        QueryResult result = m_session.execute(job, datesFor(job, false));
        if (result.hasRowset) {
            results->setResult(std::move(result), job.key(),
                               ImportFileStem(job.partner, job.transaction, job.version, job.direction));
            msfgResults->fitColumns();
            msfgResults->setCurrentCell(1, 0);
        } else {
            results->clearCells();
        }
    });
    QApplication::restoreOverrideCursor();
}

void frmIntegrator::cmdSave_Click()
{
    if (refusedWhileRunning())
        return;
    if (!results->hasResult()) {
        vb::MsgBox(u"There are no query results to save."_s, vb::vbExclamation);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    guarded([&] {
        const QueryResult grid = results->toResult();
        WriteImportFiles(grid, results->stem(), true);
        // The grid may hold another job's result than the one selected: say whose.
        modGlobal::LogHistory(u"Info"_s, u"Results saved to the import files of "_s + results->jobKey());
        LogChangedValues(grid.changedValues);
    });
    QApplication::restoreOverrideCursor();
}

// ---- The job editor ----

void frmIntegrator::cmdModify_Click()
{
    if (refusedWhileRunning())
        return;
    const int i = selectedJob();
    if (i < 0)
        return;
    if (!m_editing) {
        SetEditMode(true, i);
        return;
    }
    if (const std::optional<QString> when = TimeConflict(m_slots)) {
        vb::MsgBox(TimeConflictText(*when), vb::vbExclamation | vb::vbOKOnly);
        return;
    }
    if (vb::MsgBox(u"Save Scheduled Changes?"_s, vb::vbQuestion | vb::vbYesNo) == vb::vbYes) {
        if (!core::BusyScope::databaseFree(u"Integrator"_s))
            return; // edit mode stays, the edits with it
        const bool saved = guarded([&] {
            if (!modGlobal::cnDatabase)
                vb::raise(3709);
            SaveJob(*modGlobal::cnDatabase, m_slots[std::size_t(i)]);
        });
        if (!saved)
            return; // edit mode stays, the edits with it
    }
    SetEditMode(false, i);
    ShowSelectedJob();
    refillWhenFree();
}

void frmIntegrator::chkTime_Click()
{
    if (chkTime->isChecked())
        chkInterval->setChecked(false);
    readSlot();
}

void frmIntegrator::chkInterval_Click()
{
    if (chkInterval->isChecked())
        chkTime->setChecked(false);
    readSlot();
}

void frmIntegrator::cmdClose_Click()
{
    // Refused as a whole while a run runs: it may be using the connection.
    if (refusedWhileRunning())
        return;
    closeConnectionQuietly();
    close();
}

bool frmIntegrator::QueryUnload()
{
    return !refusedWhileRunning();
}

void frmIntegrator::closeEvent(QCloseEvent *event)
{
    if (!QueryUnload()) {
        event->ignore();
        return;
    }
    tmrScheduler->stop();
    closeConnectionQuietly();
    event->accept();
    controls::forgetForm(this);
    deleteLater();
}

} // namespace integration
