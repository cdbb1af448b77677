#include "partners/frmStandard.h"
#include "core/HandlerGuard.h"

#include "core/modGlobal.h"

#include "ado/Recordset.h"
#include "controls/ComboList.h"
#include "controls/ListView.h"
#include "vb/Conversions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace partners {

using modGlobal::guardedConnect;

namespace {

QString text(const ado::Recordset &rs, const char *name)
{
    const vb::Variant v = rs.Fields(QString::fromLatin1(name)).Value();
    return v.isNull() || v.isEmpty() ? QString() : vb::CStr(v);
}

// The list of standard sets: typed text selects the first set whose
// identifier starts with it ("8", "85", "850" as the keys come); after a pause
// of the platform's keyboard interval the next key starts a new search.
class StandardList final : public controls::ListView {
public:
    using controls::ListView::ListView;

    void keyboardSearch(const QString &search) override
    {
        if (search.isEmpty()) {
            m_typed.clear();
            return;
        }
        if (!m_typing.isValid() || m_typing.hasExpired(QApplication::keyboardInputInterval()))
            m_typed.clear();
        m_typing.start();
        m_typed += search;
        for (int i = 1; i <= itemCount(); ++i) {
            if (item(i)->text().startsWith(m_typed, Qt::CaseInsensitive)) {
                setSelectedItem(i);
                ensureItemVisible(i);
                return;
            }
        }
    }

private:
    QString m_typed;
    QElapsedTimer m_typing;
};

} // namespace

frmStandard::frmStandard()
{
    setObjectName(QStringLiteral("frmStandard"));
    setWindowTitle(QStringLiteral("Standard Transactions"));
    setModal(true);

    lblInstructions = new QLabel(QStringLiteral("Click the Transaction you want to install:"), this);
    lblInstructions->setObjectName(QStringLiteral("lblInstructions"));
    lvwStandard = new StandardList(this);
    lvwStandard->setObjectName(QStringLiteral("lvwStandard"));
    lblVersion = new QLabel(QStringLiteral("Version"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    cboVersion = new controls::ComboList(this);
    cboVersion->setObjectName(QStringLiteral("cboVersion"));
    lblVersion->setBuddy(cboVersion);
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setToolTip(QStringLiteral("Add"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(QStringLiteral("Cancel"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(lblInstructions, 0, 0, 1, 4);
    grid->addWidget(lvwStandard, 1, 0, 1, 4);
    grid->addWidget(lblVersion, 2, 0);
    grid->addWidget(cboVersion, 2, 1);
    grid->setColumnStretch(2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 2, 3);
    setTabOrder(lvwStandard, cboVersion);
    setTabOrder(cboVersion, cmdOk);
    setTabOrder(cmdOk, cmdCancel);
    resize(640, 420);

    guardedConnect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    guardedConnect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    guardedConnect(lvwStandard, &QTreeWidget::itemDoubleClicked, this, [this] { cmdOk_Click(); });
    Form_Load();
}

void frmStandard::Form_Load()
{
    try {
        lvwStandard->addColumnHeader(QStringLiteral("Transaction"), QStringLiteral("Transaction"), 1100);
        lvwStandard->addColumnHeader(QStringLiteral("Group"), QStringLiteral("Group"), 800);
        lvwStandard->addColumnHeader(QStringLiteral("Description"), QStringLiteral("Description"), 5500);

        ado::Recordset versions;
        versions.Open(QStringLiteral("SELECT * FROM Version"), modGlobal::cnDatabase, ado::adOpenForwardOnly,
                      ado::adLockReadOnly);
        for (; !versions.Eof(); versions.MoveNext())
            cboVersion->addItem(text(versions, "Version"));
        versions.Close();
        // An empty Version table has no first entry to select.
        cboVersion->setListIndex(0);

        ado::Recordset standards;
        standards.Open(QStringLiteral("SELECT * FROM Standard ORDER BY Standard.Transaction ASC"),
                       modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
        QList<controls::ListItem *> items;
        for (; !standards.Eof(); standards.MoveNext()) {
            auto *item = new controls::ListItem(text(standards, "Transaction"));
            item->setSubItem(1, text(standards, "Group"));
            item->setSubItem(2, text(standards, "Description"));
            items << item;
        }
        standards.Close();
        lvwStandard->addItems(items);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

void frmStandard::cmdOk_Click()
{
    modGlobal::blnStandardCancelled = false;
    accept();
}

void frmStandard::cmdCancel_Click()
{
    modGlobal::blnStandardCancelled = true;
    QDialog::reject();
}

void frmStandard::reject()
{
    cmdCancel_Click();
}

} // namespace partners

namespace partners {

void frmStandard::closeEvent(QCloseEvent *event)
{
    modGlobal::blnStandardCancelled = true;
    QDialog::closeEvent(event);
}

} // namespace partners
