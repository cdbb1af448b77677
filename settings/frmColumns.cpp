#include "settings/frmColumns.h"
#include "core/HandlerGuard.h"

#include "controls/ListView.h"
#include "core/SettingsSections.h"
#include "core/modGlobal.h"
#include "vb/Dialogs.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace settings {

using modGlobal::guardedConnect;

namespace {

QPushButton *button(const QString &caption, const QString &name)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

const QStringList kMailboxTables = {QStringLiteral("Inbox"), QStringLiteral("Outbox"), QStringLiteral("Sent"),
                                    QStringLiteral("Recycled")};

} // namespace

frmColumns::frmColumns(MainWindowAccess main) : m_main(std::move(main))
{
    setObjectName(QStringLiteral("frmColumns"));
    setWindowTitle(QStringLiteral("Columns"));
    setModal(true);

    auto *fraColumns = new QGroupBox;
    fraColumns->setObjectName(QStringLiteral("fraColumns"));
    auto *lblInstructions = new QLabel(QStringLiteral("Click the columns you would like visible in this view."));
    lblInstructions->setObjectName(QStringLiteral("lblInstructions"));
    lblInstructions->setWordWrap(true);
    lvwColumns = new controls::ListView;
    lvwColumns->setObjectName(QStringLiteral("lvwColumns"));
    lvwColumns->setCheckboxes(true);
    lvwColumns->setHeaderHidden(true);
    lvwColumns->addColumnHeader(QString(), QString(), 3600);
    lvwColumns->setMinimumHeight(260);
    cmdShow = button(QStringLiteral("Show"), QStringLiteral("cmdShow"));
    cmdHide = button(QStringLiteral("Hide"), QStringLiteral("cmdHide"));
    cmdReset = button(QStringLiteral("Reset"), QStringLiteral("cmdReset"));
    auto *side = new QVBoxLayout;
    side->addWidget(cmdShow);
    side->addWidget(cmdHide);
    side->addWidget(cmdReset);
    side->addStretch();
    auto *frameLayout = new QGridLayout(fraColumns);
    frameLayout->addWidget(lblInstructions, 0, 0, 1, 2);
    frameLayout->addWidget(lvwColumns, 1, 0);
    frameLayout->addLayout(side, 1, 1);

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
    layout->addWidget(fraColumns);
    layout->addLayout(buttons);

    guardedConnect(lvwColumns, &controls::ListView::ItemCheck, this, [this](int) { cmdApply->setEnabled(true); });
    guardedConnect(cmdShow, &QPushButton::clicked, this, [this] { cmdShow_Click(); });
    guardedConnect(cmdHide, &QPushButton::clicked, this, [this] { cmdHide_Click(); });
    guardedConnect(cmdReset, &QPushButton::clicked, this, [this] { cmdReset_Click(); });
    guardedConnect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    guardedConnect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    guardedConnect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    Form_Load();
}

frmColumns::~frmColumns() = default;

void frmColumns::Form_Load()
{
    for (const sections::Switch &s : sections::columnSwitches())
        lvwColumns->addItem(QString::fromLatin1(s.key));
    LoadPropertySettings();
    cmdApply->setEnabled(false);
}

void frmColumns::LoadPropertySettings()
{
    try {
        const std::vector<bool> on = sections::readColumns();
        for (std::size_t i = 0; i < on.size(); ++i)
            lvwColumns->setItemChecked(static_cast<int>(i) + 1, on[i]);
    } catch (const std::exception &e) {
        // A stored value that is no truth value: the defaults are shown and
        // the next Apply writes them over it.
        modGlobal::ReportError(e);
        for (std::size_t i = 0; i < sections::columnSwitches().size(); ++i)
            lvwColumns->setItemChecked(static_cast<int>(i) + 1, sections::columnSwitches()[i].defaultOn);
    }
}

void frmColumns::SavePropertySettings()
{
    std::vector<bool> on;
    for (int i = 1; i <= lvwColumns->itemCount(); ++i)
        on.push_back(lvwColumns->isItemChecked(i));
    sections::writeColumns(on);
}

void frmColumns::cmdShow_Click()
{
    if (const int index = lvwColumns->selectedItemIndex()) {
        lvwColumns->setItemChecked(index, true);
        cmdApply->setEnabled(true);
    }
}

void frmColumns::cmdHide_Click()
{
    if (const int index = lvwColumns->selectedItemIndex()) {
        lvwColumns->setItemChecked(index, false);
        cmdApply->setEnabled(true);
    }
}

void frmColumns::cmdReset_Click()
{
    for (std::size_t i = 0; i < sections::columnSwitches().size(); ++i)
        lvwColumns->setItemChecked(static_cast<int>(i) + 1, sections::columnSwitches()[i].defaultOn);
    cmdApply->setEnabled(true);
}

void frmColumns::cmdApply_Click()
{
    bool any = false;
    for (int i = 1; i <= lvwColumns->itemCount(); ++i)
        any = any || lvwColumns->isItemChecked(i);
    if (!any) {
        vb::MsgBox(QStringLiteral("At least one column must be visible. Please check one of the columns listed "
                                  "before continuing."),
                   vb::vbOKOnly | vb::vbExclamation);
        return;
    }
    try {
        SavePropertySettings();
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
    // Every list gets its new headers before the first of them is refilled.
    if (m_main.createColumns)
        for (const QString &table : kMailboxTables)
            m_main.createColumns(table);
    if (m_main.refreshBox)
        for (const QString &table : kMailboxTables)
            m_main.refreshBox(table);
    cmdApply->setEnabled(false);
}

void frmColumns::cmdOk_Click()
{
    if (cmdApply->isEnabled())
        cmdApply_Click();
    accept();
}

void frmColumns::cmdCancel_Click()
{
    reject();
}

} // namespace settings
