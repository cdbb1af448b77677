// The transaction-set store: list, detail, save, delete, add with its seed
// map and file, the plug-in class binding, and whole-or-nothing failures.
#include "CoreTestSupport.h"

#include "ErrorOf.h"
#include "TestEnvironment.h"

#include "partners/SetStore.h"
#include "partners/TransactionsNotifier.h"

#include "ado/Connection.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

using namespace partners;
using coretest::CoreTest;
using modGlobal::cnDatabase;

namespace {

class SetStoreTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        for (const char *name : {"Import", "Export"}) {
            const QString path = corvantis::test::tempDir() + QLatin1Char('/') + QString::fromLatin1(name);
            QDir().mkpath(path);
            vb::SaveSetting("Corvantis", "Folders", QString::fromLatin1(name), path);
        }
        addPartner("ACME01");
        store = SetStore(cnDatabase);
    }

    QString importFile(const char *key) { return corvantis::test::tempDir() + "/Import/" + key + ".IMP"; }
    QString exportFile(const char *key) { return corvantis::test::tempDir() + "/Export/" + key + ".EXP"; }

    std::map<QString, std::vector<std::map<QString, QString>>> snapshot()
    {
        std::map<QString, std::vector<std::map<QString, QString>>> all;
        for (const char *t : {"Transactions", "Segment", "Element"})
            all[QString::fromLatin1(t)] = rows(QStringLiteral("SELECT * FROM ") + QString::fromLatin1(t));
        return all;
    }

    SetStore store{nullptr};
};

const SetKey k830I{"ACME01", "830", "002000", "I"};
const SetKey k830O{"ACME01", "830", "002000", "O"};

TEST_F(SetStoreTest, AddWritesTheSetItsSeedMapAndItsFileAndRefusesAKeyTheTableHolds)
{
    QFile old(importFile("ACME01_830_002000_O"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old data");
    old.close();

    QSignalSpy changed(&transactionsNotifier(), &TransactionsNotifier::TransactionsChanged);
    EXPECT_TRUE(store.add(k830O, "PS", "Planning Schedule"));
    EXPECT_TRUE(store.add(k830I, "PS", "Planning Schedule")); // the other direction is another set
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(QFileInfo(importFile("ACME01_830_002000_O")).size(), 0); // emptied
    EXPECT_TRUE(QFileInfo::exists(exportFile("ACME01_830_002000_I")));

    const auto sets = rows("SELECT * FROM Transactions ORDER BY Direction");
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[1].at("Versionoverride"), "002000");
    EXPECT_EQ(sets[1].at("Group"), "PS");
    EXPECT_EQ(sets[1].at("Description"), "Planning Schedule");
    EXPECT_EQ(sets[1].at("ActiveX"), "");
    EXPECT_EQ(sets[1].at("ControlNumber"), "0");
    const auto segments = rows("SELECT * FROM Segment WHERE Direction = 'O'");
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].at("Segment"), "XX");
    EXPECT_EQ(segments[0].at("SegmentIndex"), "1");
    EXPECT_EQ(segments[0].at("Node"), "1");
    EXPECT_EQ(rows("SELECT * FROM Element WHERE Direction = 'O' AND ElementIndex = 1 AND SegmentIndex = 1").size(), 1u);

    const auto before = snapshot();
    EXPECT_FALSE(store.add(SetKey{"acme01", "830", "002000", "O"}, "PS", "x")); // looked up in the table
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(duplicateSetMessage("830", "002000"), "Transation 830 Version 002000 already exist.");
}

TEST_F(SetStoreTest, AFailedAddAddsNothing)
{
    const auto before = snapshot();
    cnDatabase->Execute("CREATE TRIGGER refuse_element BEFORE INSERT ON Element BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_NE(corvantis::test::errorOf([&] { store.add(k830I, "PS", "x"); }), 0);
    EXPECT_EQ(snapshot(), before);
    cnDatabase->Execute("DROP TRIGGER refuse_element");

    // A folder that cannot take the file: the rows go back too.
    vb::SaveSetting("Corvantis", "Folders", "Import", corvantis::test::tempDir() + "/missing");
    EXPECT_EQ(corvantis::test::errorOf([&] { store.add(k830O, "PS", "x"); }), 75);
    EXPECT_EQ(snapshot(), before);

    // A commit that fails after every row was written: the import file of
    // the same key keeps its data, since the file is made only after it.
    vb::SaveSetting("Corvantis", "Folders", "Import", corvantis::test::tempDir() + "/Import");
    QFile old(importFile("ACME01_830_002000_O"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("records not yet sent");
    old.close();
    cnDatabase->Execute("PRAGMA foreign_keys = ON");
    cnDatabase->Execute("CREATE TABLE Anchor (id INTEGER PRIMARY KEY)");
    cnDatabase->Execute("CREATE TABLE Dangling (anchor INTEGER REFERENCES Anchor(id) DEFERRABLE INITIALLY DEFERRED)");
    cnDatabase->Execute("CREATE TRIGGER fail_at_commit AFTER INSERT ON Element BEGIN INSERT INTO Dangling VALUES (1); END");
    EXPECT_NE(corvantis::test::errorOf([&] { store.add(k830O, "PS", "x"); }), 0);
    EXPECT_EQ(cnDatabase->transactionLevel(), 0);
    EXPECT_EQ(snapshot(), before);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "records not yet sent");
    old.close();
    cnDatabase->Execute("DROP TRIGGER fail_at_commit");

    // A key that cannot name a file is refused before anything is written.
    EXPECT_EQ(corvantis::test::errorOf([&] { store.add(SetKey{"ACME/01", "830", "002000", "I"}, "PS", "x"); }), 52);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(SetStoreTest, ListIsOrderedByTransactionSetAndDetailReadsTheRow)
{
    store.add(SetKey{"ACME01", "850", "004010", "I"}, "PO", "Purchase Order");
    store.add(SetKey{"ACME01", "810", "004010", "I"}, "IN", "Invoice");
    store.add(SetKey{"ACME01", "810", "003020", "I"}, "IN", "Invoice");
    store.add(SetKey{"ACME01", "856", "004010", "O"}, "SH", "Ship Notice");
    const auto list = store.list("ACME01", "I");
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].Transaction, "810");
    EXPECT_EQ(list[1].Transaction, "810");
    EXPECT_EQ(list[2].Transaction, "850");
    EXPECT_EQ(list[2].Group, "PO");
    EXPECT_TRUE(store.list("OTHER1", "I").isEmpty());

    const SetDetail d = store.detail(SetKey{"ACME01", "850", "004010", "I"});
    EXPECT_EQ(d.Versionoverride, "004010");
    EXPECT_EQ(d.ControlNumber, "0");
    EXPECT_FALSE(d.Acknowledge);
    EXPECT_EQ(d.Description, "Purchase Order");
    EXPECT_EQ(corvantis::test::errorOf([&] { store.detail(SetKey{"ACME01", "999", "004010", "I"}); }), 3021);
}

TEST_F(SetStoreTest, SaveStoresTheOverrideUpperCasedAndKeepsTheNumberForABlankBox)
{
    store.add(k830I, "PS", "x");
    struct Case {
        const char *override, *number;
        bool ack;
        const char *storedOverride, *storedNumber;
    } cases[] = {
        {"004010x", "123      ", true, "004010X", "123"},
        {"", "         ", false, "", "123"},     // all blank: kept
        {"a", "", true, "A", "123"},              // empty: kept
        {"b", "1 2      ", false, "B", "123"},    // no number: kept
        {"c", "999999999", true, "C", "999999999"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.override);
        store.save(k830I, c.override, c.number, c.ack);
        const SetDetail d = store.detail(k830I);
        EXPECT_EQ(d.Versionoverride, c.storedOverride);
        EXPECT_EQ(d.ControlNumber, c.storedNumber);
        EXPECT_EQ(d.Acknowledge, c.ack);
    }
    EXPECT_EQ(corvantis::test::errorOf([&] { store.save(k830O, "", "", false); }), 3021);
}

TEST_F(SetStoreTest, DeleteTakesTheWholeMapOfTheKeyOnlyAndFailsAsAWhole)
{
    store.add(k830I, "PS", "x");
    store.add(k830O, "PS", "x");
    // A grown map: more segments and elements of the same key.
    addRow("Segment", {{"Partner", "ACME01"}, {"Transaction", "830"}, {"Version", "002000"}, {"Direction", "I"},
                       {"Segment", "BFR"}, {"SegmentIndex", vb::Variant(int16_t(2))}});
    addRow("Element", {{"Partner", "ACME01"}, {"Transaction", "830"}, {"Version", "002000"}, {"Direction", "I"},
                       {"Segment", "BFR"}, {"SegmentIndex", vb::Variant(int16_t(2))}, {"ElementIndex", vb::Variant(int16_t(1))}});

    cnDatabase->Execute("CREATE TRIGGER refuse_element BEFORE DELETE ON Element BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const auto before = snapshot();
    EXPECT_NE(corvantis::test::errorOf([&] { store.remove(k830I); }), 0);
    EXPECT_EQ(snapshot(), before);
    cnDatabase->Execute("DROP TRIGGER refuse_element");

    store.remove(k830I);
    for (const char *t : {"Transactions", "Segment", "Element"}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(column(QStringLiteral("SELECT * FROM %1").arg(t), "Direction"), QStringList({"O"}));
    }
    EXPECT_TRUE(QFileInfo::exists(exportFile("ACME01_830_002000_I"))); // files stay

    // The set row gone already: the map rows of the key still go.
    cnDatabase->Execute("DELETE FROM Transactions");
    store.remove(k830O);
    EXPECT_EQ(count("Segment"), 0);
    EXPECT_EQ(count("Element"), 0);
}

TEST_F(SetStoreTest, ProgIdIsTheLibraryNameUpToItsLastDotAndTheKey)
{
    struct Case {
        const char *file;
        SetKey key;
        const char *progId; // nullptr: refused
    } cases[] = {
        {"Lorvanne.so", k830I, "Lorvanne.ACME01_830_002000_I"},
        {"/opt/plug/Lorvanne.so", k830O, "Lorvanne.ACME01_830_002000_O"},
        {"lib.v2.so", k830I, "lib.v2.ACME01_830_002000_I"},
        {"Lorvanne", k830I, "Lorvanne.ACME01_830_002000_I"},
        {"Old.dll", k830I, "Old.ACME01_830_002000_I"},
        {".so", k830I, nullptr},
        {"/opt/plug/.so", k830I, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        if (c.progId)
            EXPECT_EQ(progIdFor(c.file, c.key), c.progId);
        else
            EXPECT_EQ(corvantis::test::errorOf([&] { progIdFor(c.file, c.key); }), 5);
    }
}

TEST_F(SetStoreTest, SetActiveXStoresAndClearsTheBinding)
{
    store.add(k830I, "PS", "x");
    store.setActiveX(k830I, "Lorvanne.ACME01_830_002000_I");
    EXPECT_EQ(store.list("ACME01", "I").at(0).ActiveX, "Lorvanne.ACME01_830_002000_I");
    store.setActiveX(k830I, "");
    EXPECT_EQ(store.list("ACME01", "I").at(0).ActiveX, "");
    EXPECT_EQ(corvantis::test::errorOf([&] { store.setActiveX(k830O, "x"); }), 3021);
}

} // namespace
