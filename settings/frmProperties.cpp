#include "settings/frmProperties.h"

#include "controls/ImageList.h"
#include "core/modGlobal.h"
#include "vb/VbError.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace settings {

namespace {

const char *const kIsaDescriptions[15] = {
    "Authorization Information Qualifier", "Authorization Information", "Security Information Qualifier",
    "Security Information", "Interchange ID Qualifier", "Interchange Sender ID", "Interchange ID Qualifier",
    "Interchange Receiver ID", "Interchange Date", "Interchange Time", "Interchange Standards Identifier",
    "Interchange Version", "Interchange Control Number", "Interchange Acknowledgement", "Test Indicator"};
const char *const kGsDescriptions[8] = {"Functional Identifier Code", "Applications Sender's Code",
                                        "Applications Receiver Code", "Group Date", "Group Time",
                                        "Group Control Number", "Responsible Agency Code", "Version"};

QLabel *value(const QString &name)
{
    auto *label = new QLabel;
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(60);
    return label;
}

} // namespace

frmProperties::frmProperties(MainWindowAccess main) : m_main(std::move(main))
{
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("Properties"));
    setModal(true);
    sstProperties = new QTabWidget;
    sstProperties->setObjectName(QStringLiteral("sstProperties"));

    // General
    auto *general = new QWidget;
    auto *form = new QFormLayout(general);
    lblLocation = value(QStringLiteral("lblLocation"));
    txtPartner = new QLineEdit;
    txtPartner->setObjectName(QStringLiteral("txtPartner"));
    txtPartner->setReadOnly(true);
    lblTransactionSet = value(QStringLiteral("lblTransactionSet"));
    lblDescription = value(QStringLiteral("lblDescription"));
    lblStatus = value(QStringLiteral("lblStatus"));
    picStatus = new QLabel;
    picStatus->setObjectName(QStringLiteral("picStatus"));
    lblAck = value(QStringLiteral("lblAck"));
    picAcknowledged = new QLabel;
    picAcknowledged->setObjectName(QStringLiteral("picAcknowledged"));
    lblDirection = value(QStringLiteral("lblDirection"));
    lblSize = value(QStringLiteral("lblSize"));
    // The opening pictures: an opened envelope and an arrow pointing left.
    picStatus->setPixmap(style()->standardIcon(QStyle::SP_FileIcon).pixmap(16, 16));
    picAcknowledged->setPixmap(style()->standardIcon(QStyle::SP_ArrowLeft).pixmap(16, 16));
    auto withPicture = [](QLabel *picture, QLabel *text) {
        auto *row = new QWidget;
        auto *h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(picture);
        h->addWidget(text, 1);
        return row;
    };
    form->addRow(txtPartner);
    form->addRow(QStringLiteral("Location:"), lblLocation);
    form->addRow(QStringLiteral("Transaction Set:"), lblTransactionSet);
    form->addRow(QStringLiteral("Description:"), lblDescription);
    form->addRow(QStringLiteral("Marked:"), withPicture(picStatus, lblStatus));
    form->addRow(QStringLiteral("Acknowledged:"), withPicture(picAcknowledged, lblAck));
    form->addRow(QStringLiteral("Direction:"), lblDirection);
    form->addRow(QStringLiteral("Size:"), lblSize);
    sstProperties->addTab(general, QStringLiteral("General"));

    // Interchange Control Header
    auto *isaPage = new QWidget;
    auto *isaLayout = new QHBoxLayout(isaPage);
    auto *isaFrame = new QGroupBox(QStringLiteral("ISA:"));
    auto *isaGrid = new QGridLayout(isaFrame);
    for (int i = 0; i < 15; ++i) {
        const QString element = QStringLiteral("ISA%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        lblISA[i] = value(QStringLiteral("lbl") + element);
        isaGrid->addWidget(new QLabel(element + QLatin1Char(':')), i, 0);
        isaGrid->addWidget(lblISA[i], i, 1);
        isaGrid->addWidget(new QLabel(QString::fromLatin1(kIsaDescriptions[i])), i, 2);
    }
    isaLayout->addWidget(isaFrame, 1);
    auto *delimiters = new QGroupBox(QStringLiteral("Delimitors"));
    auto *delimiterGrid = new QGridLayout(delimiters);
    const char *const notations[3] = {"Char", "Dec", "Hex"};
    const char *const captions[3] = {"Segment Terminator:", "Data Element Delimitor:", "Sub-Element Separator:"};
    std::array<QLabel *, 3> *rows[3] = {&lblSegment, &lblElement, &lblSub};
    const char *const names[3] = {"lblSegment", "lblElement", "lblSub"};
    for (int n = 0; n < 3; ++n) {
        auto *frame = new QGroupBox(QString::fromLatin1(notations[n]));
        auto *grid = new QGridLayout(frame);
        for (int r = 0; r < 3; ++r) {
            (*rows[r])[n] = value(QString::fromLatin1(names[r]) + QString::number(n + 1));
            grid->addWidget(new QLabel(QString::fromLatin1(captions[r])), r, 0);
            grid->addWidget((*rows[r])[n], r, 1);
        }
        delimiterGrid->addWidget(frame, n, 0);
    }
    isaLayout->addWidget(delimiters);
    sstProperties->addTab(isaPage, QStringLiteral("Interchange Control Header"));

    // Functional Group Header
    auto *gsPage = new QWidget;
    auto *gsLayout = new QVBoxLayout(gsPage);
    auto *gsFrame = new QGroupBox(QStringLiteral("GS:"));
    auto *gsGrid = new QGridLayout(gsFrame);
    for (int i = 0; i < 8; ++i) {
        const QString element = QStringLiteral("GS%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        lblGS[i] = value(QStringLiteral("lbl") + element);
        gsGrid->addWidget(new QLabel(element + QLatin1Char(':')), i, 0);
        gsGrid->addWidget(lblGS[i], i, 1);
        gsGrid->addWidget(new QLabel(QString::fromLatin1(kGsDescriptions[i])), i, 2);
    }
    gsLayout->addWidget(gsFrame);
    gsLayout->addStretch();
    sstProperties->addTab(gsPage, QStringLiteral("Functional Group Header"));

    cmdOk = new QPushButton(QStringLiteral("OK"));
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdOk->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(sstProperties);
    layout->addLayout(buttons);
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    Form_Load();
}

frmProperties::~frmProperties() = default;

void frmProperties::Form_Load()
{
    sstProperties->setCurrentIndex(0);
    const QString key = m_main.selectedFolderKey ? m_main.selectedFolderKey() : QString();
    static const QStringList mailboxes = {QStringLiteral("Inbox"), QStringLiteral("Outbox"), QStringLiteral("Sent"),
                                          QStringLiteral("Recycled")};
    if (!mailboxes.contains(key))
        return; // the root, History or Exchange: captions only
    ShowProperties(key);
}

void frmProperties::ShowProperties(const QString &table)
{
    PropertiesData data;
    try {
        const qint64 rowid = m_main.selectedRowid ? m_main.selectedRowid(table) : 0;
        if (rowid <= 0)
            vb::raise(3021, QStringLiteral("No transaction set is selected in the ") + table + QStringLiteral(" folder"));
        if (!modGlobal::cnDatabase)
            vb::raise(3704, QStringLiteral("The database is not open"));
        readProperties(*modGlobal::cnDatabase, table, rowid, data);
        fill(data);
    } catch (const std::exception &e) {
        fill(data); // what was read before the failure
        modGlobal::ReportError(e);
    }
}

void frmProperties::setPicture(QLabel *picture, QString &shownKey, const QString &value, const QStringList &keys)
{
    const QString key = value.trimmed();
    if (!keys.contains(key) || !m_main.icons || !m_main.icons->contains(key))
        return; // the opening picture stays
    picture->setPixmap(m_main.icons->icon(key).pixmap(16, 16));
    shownKey = key;
}

void frmProperties::fill(const PropertiesData &data)
{
    lblStatus->setText(data.status);
    lblAck->setText(data.acknowledged);
    if (!data.status.isEmpty())
        setPicture(picStatus, m_statusKey, data.status,
                   {QStringLiteral("Closed"), QStringLiteral("Opened"), QStringLiteral("Validated"),
                    QStringLiteral("Exported"), QStringLiteral("Info"), QStringLiteral("Warning"),
                    QStringLiteral("Error")});
    if (!data.acknowledged.isEmpty())
        setPicture(picAcknowledged, m_ackKey, data.acknowledged,
                   {QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("Void")});
    lblLocation->setText(data.location);
    txtPartner->setText(data.partner);
    lblTransactionSet->setText(data.transactionSet);
    lblDescription->setText(data.description);
    lblDirection->setText(data.direction);
    lblSize->setText(data.size);
    const DelimiterCells *cells[3] = {&data.segment, &data.element, &data.sub};
    std::array<QLabel *, 3> *rows[3] = {&lblSegment, &lblElement, &lblSub};
    for (int r = 0; r < 3; ++r) {
        (*rows[r])[0]->setText(cells[r]->chr);
        (*rows[r])[1]->setText(cells[r]->dec);
        (*rows[r])[2]->setText(cells[r]->hex);
    }
    for (int i = 0; i < 15; ++i)
        lblISA[i]->setText(data.isa[i]);
    for (int i = 0; i < 8; ++i)
        lblGS[i]->setText(data.gs[i]);
}

} // namespace settings
