// Lorvanne.General.GetLocation and its window frmLocation on a test copy of
// the application database, driven as a user would.
#include "LorvanneTest.h"
#include "LogCapture.h"

#include "TestDatabase.h"
#include "vb/Conversions.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QApplication>
#include <functional>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

using vb::Variant;
using namespace lorvanne::test;
using corvantis::test::dialogs;
using corvantis::test::FreshDatabase;

namespace {

void seed(ado::Connection &cn)
{
    cn.Execute("INSERT INTO Location (Name, ShipToCode, SoldToCode, Street, City, StateProvince, PostalZip, Selected) VALUES "
               "('Zeta Yard', '3100', 'S-Z', '9 Zed Rd', 'Zedtown', 'ON', 'Z9Z 9Z9', False),"
               "('Beta DC', '0100 ', ' S-B ', '2 Bee St', 'Beeville', 'MI', '48002', False),"
               "('Alpha DC', '0100', 'S-A', '1 Ay St', 'Ayton', 'MI', '48001', False),"
               "('Gamma DC', '5200', 'S-G', '3 Gee St', 'Geeburg', 'OH', '43003', False)");
    cn.Execute("INSERT INTO Carrier (Carrier, Description, ProNumber, TrailerNumber, Selected) VALUES "
               "('ABF', 'ABF Freight', '', '', False), ('YRC', 'YRC Worldwide', 'OLD1', 'T1', True)");
    cn.Execute("INSERT INTO Consolidation (LocationName, CS, Selected) VALUES ('Hub East', 'CE', False), ('Hub West', 'CW', False)");
}

QString stored(ado::Connection &cn)
{
    QString out;
    for (const char *statement : {"SELECT Name, Selected FROM Location ORDER BY Name", "SELECT Carrier, ProNumber, TrailerNumber, Selected FROM Carrier",
                                  "SELECT CS, Selected FROM Consolidation"}) {
        ado::Recordset rs;
        rs.Open(statement, cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList values;
            for (const ado::Field &f : rs.Fields())
                values << vb::CStr(f.Value());
            out += values.join(" | ") + '\n';
        }
    }
    return out;
}

template <class T>
T *child(QDialog &d, const char *name)
{
    T *w = d.findChild<T *>(QString::fromLatin1(name));
    EXPECT_TRUE(w) << name;
    return w;
}

int rowOf(QTreeWidget *list, const QString &name)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(0) == name)
            return i;
    return -1;
}

class LocationPicker : public LorvanneTest {
protected:
    void SetUp() override
    {
        LorvanneTest::SetUp();
        vb::SaveSetting("Corvantis", "Folders", "Database", db.folder());
        seed(db.connection());
    }

    QString getLocation() { return call(create("General"), "GetLocation").toString(); }

    FreshDatabase db;
};

const QString kUntouched = "Alpha DC | False\nBeta DC | False\nGamma DC | False\nZeta Yard | False\n"
                           "ABF |  |  | False\nYRC | OLD1 | T1 | True\nCE | False\nCW | False\n";

} // namespace

TEST_F(LocationPicker, ContinueStoresTheChoiceAndReturnsIt)
{
    PickerDriver driver([](QDialog &d) {
        EXPECT_EQ(d.windowTitle(), "Freigthliner Shipping ");
        EXPECT_TRUE(d.isModal());
        EXPECT_EQ(child<QLabel>(d, "lblDestination")->text(), "Please select the Destination:");
        EXPECT_EQ(child<QLabel>(d, "Label1")->text(), "ONLY use if shipment is delivered to a Consolidation Facility.");
        EXPECT_EQ(child<QLabel>(d, "lblProNumber")->text(), "Please enter the Pro Number: Max (22)");
        EXPECT_EQ(child<QLabel>(d, "lblTrailerNumber")->text(), "Please enter the Trailer Number: Max (10)");
        auto *locations = child<QTreeWidget>(d, "lvwLocation");
        ASSERT_EQ(locations->topLevelItemCount(), 4);
        ASSERT_EQ(locations->columnCount(), 6);
        const QStringList headers = {"Location", "DC", "Street", "City", "State/Prov", "Postal/Zip"};
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(locations->headerItem()->text(c), headers[c]);
        // Ordered by name; the partner's own centres in bold, code 3 not.
        EXPECT_EQ(locations->topLevelItem(0)->text(0), "Alpha DC");
        EXPECT_EQ(locations->topLevelItem(3)->text(0), "Zeta Yard");
        EXPECT_EQ(locations->topLevelItem(3)->text(5), "Z9Z 9Z9");
        EXPECT_TRUE(locations->topLevelItem(0)->font(0).bold());
        EXPECT_TRUE(locations->topLevelItem(2)->font(0).bold()) << "code 5";
        EXPECT_FALSE(locations->topLevelItem(3)->font(0).bold()) << "code 3";
        auto *carriers = child<QListWidget>(d, "lstCarrier");
        ASSERT_EQ(carriers->count(), 2);
        EXPECT_EQ(carriers->currentRow(), 1) << "the stored carrier is preselected";
        auto *pro = child<QLineEdit>(d, "txtProNumber");
        auto *trailer = child<QLineEdit>(d, "txtTrailerNumber");
        EXPECT_EQ(pro->text(), "OLD1");
        EXPECT_EQ(trailer->text(), "T1");
        EXPECT_EQ(pro->maxLength(), 22);
        EXPECT_EQ(trailer->maxLength(), 10);

        if (qEnvironmentVariableIsSet("LORVANNE_SCREENSHOT"))
            d.grab().save(qEnvironmentVariable("LORVANNE_SCREENSHOT"));

        locations->setCurrentItem(locations->topLevelItem(rowOf(locations, "Alpha DC")));
        carriers->setCurrentRow(0);
        pro->setText("pro-12ab");
        trailer->setText("tr9");
        child<QListWidget>(d, "lstConsolidation")->setCurrentRow(1);
        child<QPushButton>(d, "cmdContinue")->click();
        EXPECT_FALSE(d.isVisible());
    });
    // Both locations with code 0100 are marked; the text takes the last by name.
    EXPECT_EQ(getLocation(), "Beta DC,0100,S-B,ABF,PRO-12AB,TR9,CW");
    EXPECT_TRUE(driver.seen());
    EXPECT_EQ(stored(db.connection()), "Alpha DC | True\nBeta DC | True\nGamma DC | False\nZeta Yard | False\n"
                                       "ABF | PRO-12AB | TR9 | True\nYRC | OLD1 | T1 | False\nCE | False\nCW | True\n");
}

TEST_F(LocationPicker, CloseBoxStoresNothingAndReturnsTheEarlierChoice)
{
    PickerDriver driver([](QDialog &d) {
        child<QLineEdit>(d, "txtProNumber")->setText("changed");
        d.reject();
    });
    // No location stored: the text begins with the carrier's comma.
    EXPECT_EQ(getLocation(), ",YRC,OLD1,T1");
    EXPECT_EQ(stored(db.connection()), kUntouched);
}

TEST_F(LocationPicker, ContinueWithoutALocationIsAnEmptyChoice)
{
    db.connection().Execute("UPDATE Location SET Selected = True WHERE Name = 'Gamma DC'");
    PickerDriver driver([](QDialog &d) {
        auto *locations = child<QTreeWidget>(d, "lvwLocation");
        EXPECT_TRUE(locations->topLevelItem(2)->isSelected()) << "the stored location is preselected";
        locations->clearSelection();
        child<QPushButton>(d, "cmdContinue")->click();
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(getLocation(), ",YRC,OLD1,T1");
    EXPECT_TRUE(stored(db.connection()).startsWith("Alpha DC | False\nBeta DC | False\nGamma DC | False\nZeta Yard | False\n"));
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(LocationPicker, FailedWriteShowsTheBoxKeepsTheWindowAndStoresNothing)
{
    db.connection().Execute("CREATE TRIGGER refuse BEFORE UPDATE ON Carrier BEGIN SELECT RAISE(ABORT, 'carrier table locked'); END");
    dialogs().answer(vb::vbOK);
    PickerDriver driver([](QDialog &d) {
        child<QPushButton>(d, "cmdContinue")->click();
        EXPECT_TRUE(d.isVisible()) << "the window stays open after a failed write";
        ASSERT_EQ(dialogs().boxes().size(), 1u);
        EXPECT_EQ(dialogs().last().caption, "Lorvanne");
        EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
        EXPECT_TRUE(dialogs().last().text.contains("carrier table locked")) << dialogs().last().text.toStdString();
        d.reject();
    });
    EXPECT_EQ(getLocation(), ",YRC,OLD1,T1");
    EXPECT_EQ(stored(db.connection()), kUntouched) << "the Location rows written before the failure are rolled back";
}

TEST_F(LocationPicker, FollowsTheDatabaseFolderAtOnce)
{
    FreshDatabase other(corvantis::test::tempDir() + "/other");
    other.connection().Execute("INSERT INTO Location (Name, ShipToCode, SoldToCode, Street, City, StateProvince, PostalZip, Selected) "
                               "VALUES ('Other DC', '4000', 'S-O', 's', 'c', 'p', 'z', True)");
    const com::DispatchPtr general = create("General");
    {
        PickerDriver driver([](QDialog &d) { d.reject(); });
        EXPECT_EQ(call(general, "GetLocation").toString(), ",YRC,OLD1,T1");
    }
    vb::SaveSetting("Corvantis", "Folders", "Database", other.folder());
    {
        PickerDriver driver([](QDialog &d) {
            EXPECT_EQ(child<QTreeWidget>(d, "lvwLocation")->topLevelItem(0)->text(0), "Other DC");
            d.reject();
        });
        EXPECT_EQ(call(general, "GetLocation").toString(), "Other DC,4000,S-O");
    }
    // A folder without the database: empty text and no window.
    vb::SaveSetting("Corvantis", "Folders", "Database", corvantis::test::tempDir() + "/nowhere");
    PickerDriver driver([](QDialog &) {}, 300, false);
    EXPECT_EQ(call(general, "GetLocation").toString(), "");
    EXPECT_FALSE(driver.seen());
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(LocationPicker, AQuietEndIsRecordedWithItsCause)
{
    struct Case {
        const char *name;
        std::function<void()> prepare;
        const char *cause;
    };
    const Case cases[] = {
        {"a folder without the database",
         [] { vb::SaveSetting("Corvantis", "Folders", "Database", corvantis::test::tempDir() + "/nowhere"); },
         ": -2147467259 Could not find file '"},
        {"Null in a shown column",
         [this] {
             vb::SaveSetting("Corvantis", "Folders", "Database", db.folder());
             db.connection().Execute("UPDATE Location SET Street = NULL WHERE Name = 'Gamma DC'");
         },
         ": 94 "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.prepare();
        corvantis::test::LogCapture log("corvantis.plugins");
        PickerDriver driver([](QDialog &) {}, 300, false);
        EXPECT_EQ(getLocation(), "");
        EXPECT_EQ(log.linesWith({"location picker: the choice was not read", c.cause}).size(), 1)
            << log.joined().toStdString();
    }
}

TEST_F(LocationPicker, NullInAShownColumnEndsQuietlyWithEmptyText)
{
    db.connection().Execute("UPDATE Location SET Street = NULL WHERE Name = 'Gamma DC'");
    PickerDriver driver([](QDialog &) {}, 300, false);
    EXPECT_EQ(getLocation(), "");
    EXPECT_FALSE(driver.seen());
    EXPECT_TRUE(dialogs().boxes().empty());
    EXPECT_EQ(stored(db.connection()), kUntouched);
}
