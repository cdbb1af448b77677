#include "settings/frmOptions.h"
#include "core/BusyScope.h"
#include "core/HandlerGuard.h"

#include "controls/ListView.h"
#include "core/SettingsSections.h"
#include "core/modGlobal.h"
#include "ado/Connection.h"
#include "settings/LogClearing.h"
#include "settings/OptionsSettings.h"
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace settings {

using modGlobal::guardedConnect;

namespace {

struct FolderRow {
    const char *label;
    const char *control;
    const char *tooltip;
};
// In sections::folderKeys() order.
const std::array<FolderRow, 8> kFolderRows{{
    {"Database:", "Database", "Database Path"},
    {"Export:", "Export", "Export Path"},
    {"Import:", "Import", "Import Path"},
    {"Inbound:", "Inbound", "Inbound Path"},
    {"Outbound:", "Outbound", "Outbound Path"},
    {"Sent:", "Sent", "Sent Path"},
    {"Reports:", "Reports", "Reports Path"},
    {"ActiveX:", "ActiveX", "Plugins Path"},
}};

// In sections::viewerKeys() order: caption and whether it sits on "Display Properties".
struct ViewerBox {
    const char *caption;
    bool display;
};
const std::array<ViewerBox, 22> kViewerBoxes{{
    {"&Animation Control", false},  {"&Background Edge", true},   {"&Border", true},
    {"&Group Tree", true},          {"&Tabs", true},              {"&Display Toolbar", true},
    {"C&lose Button", false},       {"&Drill Down", false},       {"&Group Tree", false},
    {"&Print Button", false},       {"Progress Con&trol", false}, {"&Refresh Button", false},
    {"&Search Control", false},     {"&Search Expert Button", false}, {"&Select Expert Button", false},
    {"&Stop Button", false},        {"&Enable Toolbar", false},   {"&Zoom Control", false},
    {"&Export Button", false},      {"&Help Button", false},      {"&Navigation Controls", false},
    {"&Pop-up Menu", false},
}};

QPushButton *button(const QString &caption, const QString &name, bool tip = true)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(name);
    if (tip)
        b->setToolTip(caption);
    b->setAutoDefault(false);
    return b;
}

QLabel *heading(const QString &text)
{
    auto *label = new QLabel(text);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

} // namespace

frmOptions::frmOptions(MainWindowAccess main) : m_main(std::move(main))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);

    sstOptions = new QTabWidget;
    sstOptions->setObjectName(QStringLiteral("sstOptions"));

    // General
    auto *general = new QWidget;
    auto *generalLayout = new QVBoxLayout(general);
    cmdClearHistory = button(QStringLiteral("Clear History"), QStringLiteral("cmdClearHistory"));
    cmdClearExchange = button(QStringLiteral("Clear Exchange"), QStringLiteral("cmdClearExchange"));
    generalLayout->addWidget(heading(QStringLiteral("History")));
    auto *historyHint = new QLabel(QStringLiteral("The History folder contains actions previously performed for audit purposes."));
    historyHint->setWordWrap(true);
    generalLayout->addWidget(historyHint);
    generalLayout->addWidget(cmdClearHistory, 0, Qt::AlignLeft);
    generalLayout->addSpacing(12);
    generalLayout->addWidget(heading(QStringLiteral("Exchange")));
    auto *exchangeHint = new QLabel(QStringLiteral("The Exchange folder contains EDI file transfer events."));
    exchangeHint->setWordWrap(true);
    generalLayout->addWidget(exchangeHint);
    generalLayout->addWidget(cmdClearExchange, 0, Qt::AlignLeft);
    generalLayout->addStretch();
    sstOptions->addTab(general, QStringLiteral("General"));

    // Folders
    auto *folders = new QWidget;
    auto *folderLayout = new QGridLayout(folders);
    folderLayout->addWidget(heading(QStringLiteral("Folders")), 0, 0, 1, 3);
    for (int i = 0; i < 8; ++i) {
        const FolderRow &row = kFolderRows[i];
        auto *label = new QLabel(QString::fromLatin1(row.label));
        txtFolder[i] = new QLineEdit;
        txtFolder[i]->setObjectName(QStringLiteral("txt") + QLatin1String(row.control));
        txtFolder[i]->setMinimumWidth(320);
        cmdFolder[i] = button(QStringLiteral("..."), QStringLiteral("cmd") + QLatin1String(row.control), false);
        cmdFolder[i]->setToolTip(QString::fromLatin1(row.tooltip));
        cmdFolder[i]->setFixedWidth(32);
        label->setBuddy(txtFolder[i]);
        folderLayout->addWidget(label, i + 1, 0);
        folderLayout->addWidget(txtFolder[i], i + 1, 1);
        folderLayout->addWidget(cmdFolder[i], i + 1, 2);
        guardedConnect(txtFolder[i], &QLineEdit::textChanged, this, [this] { changed(); });
        guardedConnect(cmdFolder[i], &QPushButton::clicked, this, [this, i] { cmdBrowse_Click(i); });
    }
    folderLayout->setRowStretch(9, 1);
    sstOptions->addTab(folders, QStringLiteral("Folders"));

    // Selection Filter
    auto *filter = new QWidget;
    auto *filterLayout = new QGridLayout(filter);
    filterLayout->addWidget(heading(QStringLiteral("Selection Filter")), 0, 0, 1, 2);
    filterLayout->addWidget(new QLabel(QStringLiteral("Check the columns you would like to use as a selection filter.")), 1, 0, 1, 2);
    lvwFilter = new controls::ListView;
    lvwFilter->setObjectName(QStringLiteral("lvwFilter"));
    lvwFilter->setCheckboxes(true);
    lvwFilter->setHeaderHidden(true);
    lvwFilter->addColumnHeader(QString(), QString(), 3600);
    filterLayout->addWidget(lvwFilter, 2, 0, 4, 1);
    cmdInclude = button(QStringLiteral("Include"), QStringLiteral("cmdInclude"));
    cmdExclude = button(QStringLiteral("Exclude"), QStringLiteral("cmdExclude"));
    cmdReset = button(QStringLiteral("Reset"), QStringLiteral("cmdReset"));
    filterLayout->addWidget(cmdInclude, 2, 1);
    filterLayout->addWidget(cmdExclude, 3, 1);
    filterLayout->addWidget(cmdReset, 4, 1);
    filterLayout->setRowStretch(5, 1);
    guardedConnect(lvwFilter, &controls::ListView::ItemCheck, this, [this](int) { changed(); });
    sstOptions->addTab(filter, QStringLiteral("Selection Filter"));

    // Report Viewer
    auto *viewer = new QWidget;
    auto *viewerLayout = new QVBoxLayout(viewer);
    viewerLayout->addWidget(heading(QStringLiteral("Report Viewer")));
    SSTab1 = new QTabWidget;
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    auto *enablePage = new QWidget;
    auto *enableLayout = new QGridLayout(enablePage);
    auto *displayPage = new QWidget;
    auto *displayLayout = new QGridLayout(displayPage);
    int enableCount = 0, displayCount = 0;
    for (int i = 0; i < 22; ++i) {
        chkViewer[i] = new QCheckBox(QString::fromLatin1(kViewerBoxes[i].caption));
        chkViewer[i]->setObjectName(QStringLiteral("chk") + QLatin1String(sections::viewerKeys()[i]));
        if (kViewerBoxes[i].display) {
            displayLayout->addWidget(chkViewer[i], displayCount % 6, displayCount / 6);
            ++displayCount;
        } else {
            enableLayout->addWidget(chkViewer[i], enableCount % 9, enableCount / 9);
            ++enableCount;
        }
        guardedConnect(chkViewer[i], &QCheckBox::clicked, this, [this] { changed(); });
    }
    SSTab1->addTab(enablePage, QStringLiteral("Enable Properties"));
    SSTab1->addTab(displayPage, QStringLiteral("Display Properties"));
    viewerLayout->addWidget(SSTab1);
    sstOptions->addTab(viewer, QStringLiteral("Report Viewer"));

    cmdOk = button(QStringLiteral("OK"), QStringLiteral("cmdOk"));
    cmdCancel = button(QStringLiteral("Cancel"), QStringLiteral("cmdCancel"));
    cmdApply = button(QStringLiteral("Apply"), QStringLiteral("cmdApply"));
    cmdOk->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(sstOptions);
    layout->addLayout(buttons);

    guardedConnect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    guardedConnect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    guardedConnect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    guardedConnect(cmdReset, &QPushButton::clicked, this, [this] { cmdReset_Click(); });
    guardedConnect(cmdInclude, &QPushButton::clicked, this, [this] { cmdInclude_Click(); });
    guardedConnect(cmdExclude, &QPushButton::clicked, this, [this] { cmdExclude_Click(); });
    guardedConnect(cmdClearHistory, &QPushButton::clicked, this, [this] { cmdClearHistory_Click(); });
    guardedConnect(cmdClearExchange, &QPushButton::clicked, this, [this] { cmdClearExchange_Click(); });

    Form_Load();
}

frmOptions::~frmOptions() = default;

void frmOptions::Form_Load()
{
    for (const sections::Switch &s : sections::filterSwitches()) {
        controls::ListItem *item = lvwFilter->addItem(QString::fromLatin1(s.key));
        item->setData(0, Qt::UserRole + 10, QString::fromLatin1(s.field)); // the item's key
    }
    sstOptions->setCurrentIndex(0);
    LoadPropertySettings();
    // Loading raises the change events; nothing is pending yet.
    cmdApply->setEnabled(false);
}

void frmOptions::LoadPropertySettings()
{
    // Every value that can be read is shown; one that cannot shows its default
    // and is named, so OK never stores a state the dialog did not show.
    OptionsValues values;
    const QStringList unreadable = loadOptions(values);
    for (int i = 0; i < 8; ++i)
        txtFolder[i]->setText(values.folders[i]);
    for (std::size_t i = 0; i < values.filter.size(); ++i)
        lvwFilter->setItemChecked(static_cast<int>(i) + 1, values.filter[i]);
    for (std::size_t i = 0; i < values.viewer.size(); ++i)
        chkViewer[i]->setChecked(values.viewer[i]);
    if (!unreadable.isEmpty())
        modGlobal::ReportError(vb::VbError(13, unreadableSettingsMessage(unreadable)));
}

void frmOptions::SavePropertySettings()
{
    try {
        OptionsValues values;
        for (int i = 0; i < 8; ++i)
            values.folders[i] = txtFolder[i]->text();
        for (int i = 1; i <= lvwFilter->itemCount(); ++i)
            values.filter.push_back(lvwFilter->isItemChecked(i));
        for (QCheckBox *box : chkViewer)
            values.viewer.push_back(box->isChecked());
        const QStringList unplaced = saveOptions(
            values, [](const QString &folder) { return !folder.isEmpty() && QDir(folder).exists(); },
            [this, &values](int index, const QString &key) {
                vb::MsgBox(missingFolderMessage(key, values.folders[index]), vb::vbCritical);
                txtFolder[index]->setText(sections::folder(key));
            });
        // The folder setting stands; what could not be placed in it is named.
        if (!unplaced.isEmpty())
            modGlobal::ReportError(
                vb::VbError(75, QStringLiteral("Path/File access error: ") + unplaced.join(QStringLiteral(", "))));
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

void frmOptions::changed()
{
    cmdApply->setEnabled(true);
}

void frmOptions::cmdOk_Click()
{
    SavePropertySettings();
    accept();
}

void frmOptions::cmdCancel_Click()
{
    reject();
}

void frmOptions::cmdApply_Click()
{
    SavePropertySettings();
    cmdApply->setEnabled(false);
}

void frmOptions::cmdReset_Click()
{
    for (int i = 1; i <= lvwFilter->itemCount(); ++i)
        lvwFilter->setItemChecked(i, i <= 4);
    changed();
}

void frmOptions::cmdInclude_Click()
{
    // No selected item: nothing to include.
    if (const int index = lvwFilter->selectedItemIndex())
        lvwFilter->setItemChecked(index, true);
    changed();
}

void frmOptions::cmdExclude_Click()
{
    if (const int index = lvwFilter->selectedItemIndex())
        lvwFilter->setItemChecked(index, false);
    changed();
}

void frmOptions::cmdBrowse_Click(int row)
{
    try {
        if (row == 0
            && vb::MsgBox(QStringLiteral("WARNING: Are you sure you want to change\r\nthe application database location?"),
                          vb::vbQuestion | vb::vbYesNo)
                   != vb::vbYes)
            return;
        const std::optional<QString> chosen =
            vb::dialogService().browseFolder({QString(), txtFolder[row]->text()});
        if (chosen)
            txtFolder[row]->setText(*chosen);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

void frmOptions::clearLog(const QString &table, const QString &question)
{
    if (vb::MsgBox(question, vb::vbQuestion | vb::vbYesNo | vb::vbDefaultButton2) != vb::vbYes)
        return;
    if (m_main.itemCount && m_main.itemCount(table) == 0)
        return;
    // Inside another task's work the clearing would become part of its
    // transaction and vanish with its rollback.
    if (!core::BusyScope::databaseFree(QStringLiteral("Options")))
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        if (!modGlobal::cnDatabase)
            vb::raise(3704, QStringLiteral("The database is not open"));
        ClearLog(*modGlobal::cnDatabase, table);
    } catch (const std::exception &e) {
        QGuiApplication::restoreOverrideCursor();
        modGlobal::ReportError(e);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    QGuiApplication::restoreOverrideCursor();
    // Refilled either way, so the list shows what the table holds.
    if (m_main.refreshBox)
        m_main.refreshBox(table);
}

void frmOptions::cmdClearHistory_Click()
{
    clearLog(QStringLiteral("History"), QStringLiteral("Are you sure you want to delete the history folder?"));
}

void frmOptions::cmdClearExchange_Click()
{
    clearLog(QStringLiteral("Exchange"), QStringLiteral("Are you sure you want to delete the Exchange folder?"));
}

} // namespace settings
