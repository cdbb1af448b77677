#pragma once
// The shipping location picker: frmLocation, the library's one window, and
// GetLocation, which shows it and reads the stored choice back.

#include "ado/Recordset.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace controls {
class ListView;
}

namespace lorvanne {

// The database connection of the library: the application database in the
// Folders/Database folder as the setting reads at this moment.
ado::ConnectionPtr openDatabase();

// The choice stored in Location, Carrier and Consolidation as one text:
// name, ship-to and sold-to code of the selected location, then per selected
// carrier its code, pro number and trailer number, then per selected
// facility its code, all comma-joined. Raises on a database error, the text
// built so far in *partial.
QString storedChoice(ado::Connection &connection, QString *partial);

// Shows frmLocation modally, then returns storedChoice on a connection of its
// own. Any error ends it with the text built up to then (empty when the
// window could not be loaded).
QString GetLocation();

class frmLocation : public QDialog {
    Q_OBJECT
public:
    // Form_Load: opens the connection and the three tables and fills the
    // window; raises when the database cannot be opened or read.
    explicit frmLocation(QWidget *parent = nullptr);
    ~frmLocation() override;

    void cmdContinue_Click();

    controls::ListView *lvwLocation = nullptr;
    QListWidget *lstCarrier = nullptr;
    QListWidget *lstConsolidation = nullptr;
    QLineEdit *txtProNumber = nullptr;
    QLineEdit *txtTrailerNumber = nullptr;
    QPushButton *cmdContinue = nullptr;

protected:
    void done(int result) override;

private:
    void Form_Load();
    void storeChoice();
    void Form_Unload();

    ado::ConnectionPtr cn;
    ado::RecordsetPtr rsLocation;
    ado::RecordsetPtr rsCarrier;
    ado::RecordsetPtr rsConsolidation;
};

} // namespace lorvanne
