#include "LocationPicker.h"

#include "Library.h"

#include "ado/Connection.h"
#include "ado/Transaction.h"
#include "controls/ListView.h"
#include "vb/CaughtError.h"
#include "vb/Conversions.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"
#include "vb/Twips.h"

#include <QFont>
#include <optional>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace lorvanne {

namespace {

using vb::Variant;

ado::RecordsetPtr openTable(ado::Connection &cn, const QString &statement)
{
    auto rs = std::make_shared<ado::Recordset>();
    rs->Open(statement, cn, ado::adOpenKeyset, ado::adLockOptimistic);
    return rs;
}

const QString kLocations = QStringLiteral("SELECT * FROM Location ORDER BY Name ASC");
const QString kCarriers = QStringLiteral("SELECT * FROM Carrier");
const QString kConsolidations = QStringLiteral("SELECT * FROM Consolidation");

// A shown column must hold text: a Null there is an error, as the window
// cannot show it.
QString shown(const ado::Recordset &rs, const char *field)
{
    return vb::CStr(rs(QString::fromLatin1(field)).Value());
}

// A returned value: blanks around it removed; Null adds nothing.
QString returned(const ado::Recordset &rs, const char *field)
{
    const Variant v = rs(QString::fromLatin1(field)).Value();
    return v.isNull() ? QString() : vb::CStr(v).trimmed();
}

bool isSelected(const ado::Recordset &rs)
{
    return vb::isTrue(rs("Selected").Value());
}

} // namespace

ado::ConnectionPtr openDatabase()
{
    auto cn = std::make_shared<ado::Connection>();
    cn->Open(ado::applicationConnectionString(databaseFolder()));
    return cn;
}

QString storedChoice(ado::Connection &connection, QString *partial)
{
    QString &text = *partial;
    const ado::RecordsetPtr location = openTable(connection, kLocations);
    const ado::RecordsetPtr carrier = openTable(connection, kCarriers);
    const ado::RecordsetPtr consolidation = openTable(connection, kConsolidations);
    for (; !location->Eof(); location->MoveNext()) {
        if (!isSelected(*location))
            continue;
        // The last selected location by name wins; a location without a
        // name is an error.
        text = vb::CStr((*location)("Name").Value()).trimmed() + QLatin1Char(',') + returned(*location, "ShipToCode")
             + QLatin1Char(',') + returned(*location, "SoldToCode");
    }
    for (; !carrier->Eof(); carrier->MoveNext()) {
        if (isSelected(*carrier))
            text += QLatin1Char(',') + returned(*carrier, "Carrier") + QLatin1Char(',') + returned(*carrier, "ProNumber")
                  + QLatin1Char(',') + returned(*carrier, "TrailerNumber");
    }
    for (; !consolidation->Eof(); consolidation->MoveNext()) {
        if (isSelected(*consolidation))
            text += QLatin1Char(',') + returned(*consolidation, "CS");
    }
    return text;
}

QString GetLocation()
{
    QString text;
    try {
        {
            frmLocation window;
            window.exec();
        }
        const ado::ConnectionPtr cn = openDatabase();
        storedChoice(*cn, &text);
        cn->Close();
    } catch (...) {
        // The caller gets what was built; the picker reports nothing itself.
        qCWarning(lcPlugins).noquote() << "location picker: the choice was not read:" << vb::caughtErrorText();
    }
    return text;
}

frmLocation::frmLocation(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLocation"));
    setWindowTitle(QStringLiteral("Freigthliner Shipping "));
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *lblDestination = new QLabel(QStringLiteral("Please select the Destination:"), this);
    lblDestination->setObjectName(QStringLiteral("lblDestination"));
    lvwLocation = new controls::ListView(this);
    lvwLocation->setObjectName(QStringLiteral("lvwLocation"));
    auto *lblCarrier = new QLabel(QStringLiteral("Please select the Carrier:"), this);
    lblCarrier->setObjectName(QStringLiteral("lblCarrier"));
    lstCarrier = new QListWidget(this);
    lstCarrier->setObjectName(QStringLiteral("lstCarrier"));
    auto *label1 = new QLabel(QStringLiteral("ONLY use if shipment is delivered to a Consolidation Facility."), this);
    label1->setObjectName(QStringLiteral("Label1"));
    lstConsolidation = new QListWidget(this);
    lstConsolidation->setObjectName(QStringLiteral("lstConsolidation"));
    auto *lblProNumber = new QLabel(QStringLiteral("Please enter the Pro Number: Max (22)"), this);
    lblProNumber->setObjectName(QStringLiteral("lblProNumber"));
    txtProNumber = new QLineEdit(this);
    txtProNumber->setObjectName(QStringLiteral("txtProNumber"));
    txtProNumber->setMaxLength(22);
    auto *lblTrailerNumber = new QLabel(QStringLiteral("Please enter the Trailer Number: Max (10)"), this);
    lblTrailerNumber->setObjectName(QStringLiteral("lblTrailerNumber"));
    txtTrailerNumber = new QLineEdit(this);
    txtTrailerNumber->setObjectName(QStringLiteral("txtTrailerNumber"));
    txtTrailerNumber->setMaxLength(10);
    cmdContinue = new QPushButton(QStringLiteral("Continue"), this);
    cmdContinue->setObjectName(QStringLiteral("cmdContinue"));
    cmdContinue->setDefault(true);

    layout->addWidget(lblDestination);
    layout->addWidget(lvwLocation, 3);
    layout->addWidget(lblCarrier);
    layout->addWidget(lstCarrier, 1);
    layout->addWidget(label1);
    layout->addWidget(lstConsolidation, 1);
    layout->addWidget(lblProNumber);
    layout->addWidget(txtProNumber);
    layout->addWidget(lblTrailerNumber);
    layout->addWidget(txtTrailerNumber);
    layout->addWidget(cmdContinue, 0, Qt::AlignHCenter);
    connect(cmdContinue, &QPushButton::clicked, this, [this] { cmdContinue_Click(); });

    Form_Load();
}

frmLocation::~frmLocation()
{
    Form_Unload();
}

void frmLocation::Form_Load()
{
    cn = openDatabase();
    rsLocation = openTable(*cn, kLocations);
    rsCarrier = openTable(*cn, kCarriers);
    rsConsolidation = openTable(*cn, kConsolidations);

    double width = 0;
    for (const auto &[caption, twips] : std::initializer_list<std::pair<const char *, double>>{
             {"Location", 3600}, {"DC", 1200}, {"Street", 2200}, {"City", 2400}, {"State/Prov", 1200}, {"Postal/Zip", 1200}}) {
        lvwLocation->addColumnHeader(QString::fromLatin1(caption), QString::fromLatin1(caption), twips);
        width += twips;
    }
    lvwLocation->setSortKey(1);
    lvwLocation->setMinimumWidth(vb::twipsToPixels(width) + 24);

    int selectedRow = 0;
    for (int row = 1; !rsLocation->Eof(); rsLocation->MoveNext(), ++row) {
        controls::ListItem *item = lvwLocation->addItem(shown(*rsLocation, "Name"));
        const QString dc = shown(*rsLocation, "ShipToCode");
        item->setSubItem(1, dc);
        item->setSubItem(2, shown(*rsLocation, "Street"));
        item->setSubItem(3, shown(*rsLocation, "City"));
        item->setSubItem(4, shown(*rsLocation, "StateProvince"));
        item->setSubItem(5, shown(*rsLocation, "PostalZip"));
        // The partner's own distribution centres (codes 0, 1, 2, 4, 5) stand out.
        if (!dc.isEmpty() && QStringLiteral("01245").contains(dc.at(0))) {
            QFont bold = item->font(0);
            bold.setBold(true);
            for (int c = 0; c < 6; ++c)
                item->setFont(c, bold);
        }
        if (isSelected(*rsLocation))
            selectedRow = row;
    }
    if (selectedRow > 0) {
        lvwLocation->setSelectedItem(selectedRow);
        lvwLocation->ensureItemVisible(selectedRow);
    }

    for (int index = 0; !rsCarrier->Eof(); rsCarrier->MoveNext(), ++index) {
        lstCarrier->addItem(shown(*rsCarrier, "Description"));
        if (isSelected(*rsCarrier)) {
            lstCarrier->setCurrentRow(index);
            txtProNumber->setText(shown(*rsCarrier, "ProNumber"));
            txtTrailerNumber->setText(shown(*rsCarrier, "TrailerNumber"));
        }
    }
    for (int index = 0; !rsConsolidation->Eof(); rsConsolidation->MoveNext(), ++index) {
        lstConsolidation->addItem(shown(*rsConsolidation, "LocationName"));
        if (isSelected(*rsConsolidation))
            lstConsolidation->setCurrentRow(index);
    }
}

namespace {

QString selectedText(const QListWidget *list)
{
    const QList<QListWidgetItem *> items = list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

} // namespace

void frmLocation::storeChoice()
{
    // The row chosen in the list; none chosen means no destination at all.
    QString dc;
    bool haveLocation = false;
    if (controls::ListItem *item = lvwLocation->selectedItem(); item && item->isSelected()) {
        dc = item->subItem(1).trimmed();
        haveLocation = true;
    } else if (const QList<QTreeWidgetItem *> items = lvwLocation->selectedItems(); !items.isEmpty()) {
        dc = items.first()->text(1).trimmed();
        haveLocation = true;
    }
    const QString carrier = selectedText(lstCarrier).trimmed();
    const QString facility = selectedText(lstConsolidation).trimmed();
    const QString proNumber = txtProNumber->text().toUpper();
    const QString trailerNumber = txtTrailerNumber->text().toUpper();

    // All three tables change together or not at all.
    // Outside the try: pending edits are dropped before the rollback.
    std::optional<ado::Transaction> tx;
    try {
        tx.emplace(*cn);
        for (rsLocation->RecordCount() > 0 ? rsLocation->MoveFirst() : void(); !rsLocation->Eof(); rsLocation->MoveNext()) {
            const Variant code = (*rsLocation)("ShipToCode").Value();
            const bool chosen = haveLocation && !code.isNull() && vb::CStr(code).trimmed() == dc;
            (*rsLocation)("Selected").setValue(Variant(chosen));
            rsLocation->Update();
        }
        if (rsCarrier->RecordCount() > 0) {
            for (rsCarrier->MoveFirst(); !rsCarrier->Eof(); rsCarrier->MoveNext()) {
                const Variant description = (*rsCarrier)("Description").Value();
                const bool chosen = !description.isNull() && vb::CStr(description).trimmed() == carrier;
                (*rsCarrier)("Selected").setValue(Variant(chosen));
                if (chosen) {
                    (*rsCarrier)("ProNumber").setValue(Variant(proNumber));
                    (*rsCarrier)("TrailerNumber").setValue(Variant(trailerNumber));
                }
                rsCarrier->Update();
            }
        }
        if (rsConsolidation->RecordCount() > 0) {
            for (rsConsolidation->MoveFirst(); !rsConsolidation->Eof(); rsConsolidation->MoveNext()) {
                const Variant name = (*rsConsolidation)("LocationName").Value();
                const bool chosen = !name.isNull() && vb::CStr(name).trimmed() == facility;
                (*rsConsolidation)("Selected").setValue(Variant(chosen));
                rsConsolidation->Update();
            }
        }
        tx->commit();
    } catch (...) {
        for (const ado::RecordsetPtr &rs : {rsLocation, rsCarrier, rsConsolidation})
            if (rs && rs->State() == ado::adStateOpen && rs->EditMode() != ado::adEditNone)
                rs->CancelUpdate();
        tx.reset();
        throw;
    }
}

void frmLocation::cmdContinue_Click()
{
    try {
        storeChoice();
    } catch (const std::exception &e) {
        const auto *vbError = dynamic_cast<const vb::VbError *>(&e);
        vb::MsgBox(vbError ? vbError->description : QString::fromLocal8Bit(e.what()), vb::vbCritical | vb::vbOKOnly, kTitle);
        return;
    }
    Form_Unload();
    accept();
}

void frmLocation::done(int result)
{
    QDialog::done(result);
    Form_Unload();
}

void frmLocation::Form_Unload()
{
    for (ado::RecordsetPtr *rs : {&rsLocation, &rsCarrier, &rsConsolidation}) {
        if (*rs && (*rs)->State() == ado::adStateOpen) {
            try {
                (*rs)->Close();
            } catch (...) {
                qCWarning(lcPlugins).noquote() << "location picker: a list was not closed:" << vb::caughtErrorText();
            }
        }
        rs->reset();
    }
    if (cn && cn->State() == ado::adStateOpen) {
        try {
            cn->Close();
        } catch (...) {
            qCWarning(lcPlugins).noquote() << "location picker: the database was not closed:" << vb::caughtErrorText();
        }
    }
    cn.reset();
}

} // namespace lorvanne
