// The partner store: name rules, adding, saving with a rename carried
// through, removal, and every multi-row command failing as a whole.
#include "CoreTestSupport.h"

#include "ErrorOf.h"
#include "TestEnvironment.h"

#include "partners/PartnerStore.h"
#include "partners/TransactionsNotifier.h"

#include "communications/SendFile.h"
#include "communications/clsExchange.h"
#include "core/loader/InterchangeLoader.h"
#include "settings/PropertiesSheet.h"
#include "translation/ReportDefinition.h"

#include "report/ReportFile.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

using namespace partners;
using coretest::CoreTest;
using modGlobal::cnDatabase;

namespace {

struct NameCase {
    const char *name;
    NameRule rule;
    const char *refusal; // nullptr: accepted
};

const QString kInvalid = QStringLiteral("Invalid Trading Partner Name!");
const QString kShort = QStringLiteral("Enter a longer Trading Partner Name! (Min 6)");

class PartnerStoreTest : public CoreTest {
protected:
    // Every table a partner command may touch, each row as text, for
    // before/after comparisons.
    std::map<QString, std::vector<std::map<QString, QString>>> snapshot()
    {
        std::map<QString, std::vector<std::map<QString, QString>>> all;
        for (const char *t : {"Partner", "Transactions", "Segment", "Element", "Inbox", "Outbox", "Sent", "Recycled",
                              "ISA", "GS", "GE", "IEA", "History", "Exchange"})
            all[QString::fromLatin1(t)] = rows(QStringLiteral("SELECT * FROM ") + QString::fromLatin1(t));
        return all;
    }

    void addSet(const QString &partner, const QString &transaction, const QString &version, const QString &direction,
                const QString &activeX = {})
    {
        addRow("Transactions", {{"Partner", partner}, {"Transaction", transaction}, {"Version", version},
                                {"Direction", direction}, {"Versionoverride", version}, {"ActiveX", activeX}});
        addRow("Segment", {{"Partner", partner}, {"Transaction", transaction}, {"Version", version},
                           {"Direction", direction}, {"Segment", "XX"}, {"SegmentIndex", vb::Variant(int16_t(1))}});
        addRow("Element", {{"Partner", partner}, {"Transaction", transaction}, {"Version", version},
                           {"Direction", direction}, {"Segment", "XX"}, {"SegmentIndex", vb::Variant(int16_t(1))},
                           {"ElementIndex", vb::Variant(int16_t(1))}});
    }

    void addMailboxRow(const QString &table, const QString &partner)
    {
        addRow(table, {{"Partner", partner}, {"Transaction", "850"}, {"Version", "004010"}});
    }

    PartnerEdit editOf(const PartnerRow &row)
    {
        PartnerEdit e;
        e.Partner = row.Partner;
        e.Segment = row.Segment;
        e.element = row.element;
        e.sub = row.sub;
        e.ISAVersion = row.ISAVersion;
        e.ISAVersionIndex = row.ISAVersionIndex;
        e.ISA01 = row.ISA01; e.ISA02 = row.ISA02; e.ISA03 = row.ISA03; e.ISA04 = row.ISA04;
        e.ISA05 = row.ISA05; e.ISA06 = row.ISA06; e.ISA07 = row.ISA07; e.ISA08 = row.ISA08;
        e.ISA11 = row.ISA11; e.ISA12 = row.ISA12;
        e.ISA14 = row.ISA14 == QLatin1String("0") ? 0 : 1;
        e.ISA15 = row.ISA15 == QLatin1String("P") ? 0 : 1;
        e.GS02 = row.GS02; e.GS03 = row.GS03; e.GS07 = row.GS07;
        return e;
    }

    QString folder(const char *name)
    {
        const QString path = corvantis::test::tempDir() + QLatin1Char('/') + QString::fromLatin1(name);
        QDir().mkpath(path);
        vb::SaveSetting(QStringLiteral("Corvantis"), QStringLiteral("Folders"), QString::fromLatin1(name), path);
        return path;
    }

    static void touch(const QString &path, const QByteArray &content = "x")
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
};

TEST_F(PartnerStoreTest, NameRulesOfAddAndSave)
{
    const QString sixtyFour(64, QLatin1Char('A'));
    const NameCase cases[] = {
        {"ACME01", NameRule::Add, nullptr},
        {"acme01", NameRule::Save, nullptr},
        {"ACME0", NameRule::Add, "short"},
        {"", NameRule::Save, "short"},
        {"ACME 01", NameRule::Add, "invalid"},
        {"ACME 01", NameRule::Save, "invalid"},
        {" ACME01", NameRule::Add, "invalid"},
        {"ACME-01", NameRule::Add, "invalid"},
        {"ACME-01", NameRule::Save, "invalid"},
        {"ACME/01", NameRule::Add, "invalid"},
        {"ACME/01", NameRule::Save, "invalid"}, // would name per-set files in another folder
        {"ACME\\01", NameRule::Add, "invalid"},
        {"ACME\\01", NameRule::Save, nullptr},
        {"Acm\xc3\xa9" "01", NameRule::Add, "invalid"},
        {"AB/", NameRule::Save, "invalid"}, // the character test comes before the length
    };
    for (const NameCase &c : cases) {
        SCOPED_TRACE(c.name);
        const auto refusal = refuseName(QString::fromUtf8(c.name), c.rule);
        if (!c.refusal) {
            EXPECT_FALSE(refusal.has_value());
            continue;
        }
        ASSERT_TRUE(refusal.has_value());
        const bool invalid = QByteArray(c.refusal) == "invalid";
        EXPECT_EQ(refusal->message, invalid ? kInvalid : kShort);
        EXPECT_EQ(refusal->icon, invalid ? vb::vbCritical : vb::vbExclamation);
    }
    EXPECT_FALSE(refuseName(sixtyFour, NameRule::Add).has_value());
    EXPECT_FALSE(refuseName(sixtyFour, NameRule::Save).has_value());
}

TEST_F(PartnerStoreTest, AddStoresTheNameAloneWithShowableDefaultsAndStandsOnIt)
{
    addPartner("FIRST1");
    PartnerStore store(cnDatabase);
    store.open();
    const QString longName(64, QLatin1Char('B'));
    store.add(longName);
    EXPECT_EQ(store.count(), 2);
    EXPECT_EQ(store.position(), 2);
    const PartnerRow row = store.current();
    EXPECT_EQ(row.Partner, longName); // never cut to the box's limit
    EXPECT_EQ(row.Segment, 0);
    EXPECT_EQ(row.ISA13, 0);
    EXPECT_EQ(row.ISA14, "0");
    EXPECT_EQ(column("SELECT * FROM Partner", "Partner"), QStringList({"FIRST1", longName}));
}

TEST_F(PartnerStoreTest, AnotherPartnersNameInOtherCaseIsRefusedAsTheTableRefusesItAndNothingStaysPending)
{
    addPartner("ACME01");
    PartnerStore store(cnDatabase);
    store.open();
    try {
        store.add("acme01");
        FAIL() << "a duplicate name was added";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, ado::adErrProvider);
        EXPECT_TRUE(e.description.contains("UNIQUE constraint failed: Partner.Partner")) << e.description.toStdString();
    }
    // The table itself refuses it too, in the same words.
    try {
        addRow("Partner", {{"Partner", "Acme01"}});
        FAIL() << "the table took a duplicate name";
    } catch (const vb::VbError &e) {
        EXPECT_TRUE(e.description.contains("UNIQUE constraint failed: Partner.Partner")) << e.description.toStdString();
    }
    store.moveLast();
    store.moveFirst();
    store.close();
    EXPECT_EQ(count("Partner"), 1);
}

TEST_F(PartnerStoreTest, AFailedAddLeavesNothingPendingForTheNextMove)
{
    addPartner("ACME01");
    cnDatabase->Execute("CREATE TRIGGER refuse_partner BEFORE INSERT ON Partner BEGIN SELECT RAISE(ABORT, 'refused'); END");
    PartnerStore store(cnDatabase);
    store.open();
    EXPECT_NE(corvantis::test::errorOf([&] { store.add("NEWONE1"); }), 0);
    cnDatabase->Execute("DROP TRIGGER refuse_partner");
    store.moveFirst();
    store.moveNext();
    store.close();
    EXPECT_EQ(column("SELECT * FROM Partner", "Partner"), QStringList({"ACME01"}));
}

TEST_F(PartnerStoreTest, SaveWritesTheEnvelopeAtItsX12WidthsAndTheConversions)
{
    addPartner("ACME01");
    PartnerStore store(cnDatabase);
    store.open();
    PartnerEdit e = editOf(store.current());
    e.ISA01 = "0";
    e.ISA02 = "";
    e.ISA06 = "OURS";
    e.ISA08 = "A VERY LONG IDENTIFIER"; // longer than 15: kept whole
    e.ISA11 = "";
    e.ISA12 = "004";
    e.GS06 = CounterEdit{12, false};
    e.ISA14 = 1;
    e.ISA15 = 0;
    e.Segment = 0;
    e.element = 42;
    e.ISAVersion = "005010";
    e.ISAVersionIndex = 3;
    EXPECT_TRUE(store.save(e).isEmpty());
    const auto row = rows("SELECT * FROM Partner").at(0);
    EXPECT_EQ(row.at("ISA01"), "0 ");
    EXPECT_EQ(row.at("ISA02"), "          ");
    EXPECT_EQ(row.at("ISA06"), "OURS           ");
    EXPECT_EQ(row.at("ISA08"), "A VERY LONG IDENTIFIER");
    EXPECT_EQ(row.at("ISA11"), " ");
    EXPECT_EQ(row.at("ISA12"), "004  ");
    EXPECT_EQ(row.at("ISA13"), "41");
    EXPECT_EQ(row.at("GS06"), "12");
    EXPECT_EQ(row.at("ISA14"), "1");
    EXPECT_EQ(row.at("ISA15"), "P");
    EXPECT_EQ(row.at("Segment"), "0");
    EXPECT_EQ(row.at("element"), "42");
    EXPECT_EQ(row.at("ISAVersion"), "005010");
    EXPECT_EQ(row.at("ISAVersionIndex"), "3");
}

TEST_F(PartnerStoreTest, RenameCarriesTheNameThroughSetsMapsMailboxesAndEnvelopesButNotLogs)
{
    addPartner("ACME01");
    addPartner("OTHER1");
    addSet("ACME01", "850", "004010", "O", "Lorvanne.ACME01_850_004010_O");
    addSet("ACME01", "810", "004010", "I");
    addSet("OTHER1", "850", "004010", "O");
    for (const char *t : {"Inbox", "Outbox", "Sent", "Recycled"})
        addMailboxRow(t, "ACME01");
    for (const char *t : {"ISA", "GS", "GE", "IEA"}) {
        addRow(t, {{"Partner", "ACME01"}});
        addRow(t, {{"Partner", "OTHER1"}});
    }
    addRow("History", {{"Description", "about ACME01"}});
    addRow("Exchange", {{"Description", "sent to ACME01"}});

    QSignalSpy changed(&transactionsNotifier(), &TransactionsNotifier::TransactionsChanged);
    PartnerStore store(cnDatabase);
    store.open();
    PartnerEdit e = editOf(store.current());
    e.Partner = "NEWNAME1";
    QSignalSpy renamed(&transactionsNotifier(), &TransactionsNotifier::PartnerRenamed);
    EXPECT_EQ(store.save(e), QStringList());
    EXPECT_EQ(changed.count(), 1);
    ASSERT_EQ(renamed.count(), 1);
    EXPECT_EQ(renamed.at(0), QVariantList({"ACME01", "NEWNAME1"}));

    EXPECT_EQ(column("SELECT * FROM Partner", "Partner"), QStringList({"NEWNAME1", "OTHER1"}));
    for (const char *t :
         {"Transactions", "Segment", "Element", "Inbox", "Outbox", "Sent", "Recycled", "ISA", "GS", "GE", "IEA"}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(column(QStringLiteral("SELECT * FROM %1 WHERE Partner = 'ACME01'").arg(t), "Partner").size(), 0);
    }
    for (const char *t : {"ISA", "GS", "GE", "IEA"}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(column(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(t), "Partner"),
                  QStringList({"NEWNAME1", "OTHER1"}));
    }
    EXPECT_EQ(column("SELECT * FROM Transactions WHERE Partner = 'NEWNAME1' ORDER BY Transaction", "ActiveX"),
              QStringList({"", "Lorvanne.ACME01_850_004010_O"})); // plug-in names are kept
    EXPECT_EQ(column("SELECT * FROM Transactions WHERE Partner = 'OTHER1'", "Partner").size(), 1);
    EXPECT_EQ(column("SELECT * FROM History", "Description"), QStringList({"about ACME01"}));
    EXPECT_EQ(column("SELECT * FROM Exchange", "Description"), QStringList({"sent to ACME01"}));
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file named by a set's key goes along, wherever it lies among the
// working folders and the folders right below them; an untouched default
// report names the partner anew in its title, a designed one stays as it is.
TEST_F(PartnerStoreTest, RenameCarriesEveryFileNamedByASetKeyAndRetitlesTheUntouchedDefaultReport)
{
    addPartner("ACME01");
    addPartner("ACME01X");
    addSet("ACME01", "850", "004010", "O");
    addSet("ACME01", "810", "004010", "I");
    const QString import = folder("Import"), exportFolder = folder("Export"), activeX = folder("ActiveX"),
                  reports = folder("Reports"), outbound = folder("Outbound");
    for (const char *sub : {"/Export", "/ActiveX"})
        QDir().mkpath(reports + sub);
    const QStringList carried{
        import + "/ACME01_850_004010_O.IMP",       import + "/ACME01_850_004010_O.ADO",
        exportFolder + "/ACME01_810_004010_I.EXP", exportFolder + "/ACME01_810_004010_I.CSV",
        activeX + "/ACME01_810_004010_I.ADO",      reports + "/ACME01_810_004010_I.ttx",
        reports + "/Export/ACME01_810_004010_I.RPT", reports + "/ActiveX/acme01_810_004010_i.RPT",
        outbound + "/ACME01_850_004010_O.txt",
    };
    for (const QString &path : carried)
        touch(path, QFileInfo(path).fileName().toLatin1());
    // Not named by one of the partner's keys: stay.
    const QStringList kept{import + "/ACME01X_850_004010_O.IMP", import + "/ACME01_850_004010_OLD.IMP",
                           import + "/ACME01_850_004010_I.IMP", reports + "/Guideline.rpt"};
    for (const QString &path : kept)
        touch(path);
    const translation::MapKey key{"ACME01", "810", "004010", "I"};
    const std::vector<report::FieldDef> fields{{"BSN01", 200, 2, 0, 0}};
    report::saveReport(translation::DefaultMapReport(key, fields), reports + "/ACME01_810_004010_I.rpt");
    report::Report designed = translation::DefaultMapReport(key, fields);
    designed.title = "Designed";
    report::saveReport(designed, reports + "/ActiveX/ACME01_810_004010_I.rpt");

    PartnerStore store(cnDatabase);
    store.open();
    PartnerEdit e = editOf(store.current());
    e.Partner = "NEWNAME1";
    EXPECT_EQ(store.save(e), QStringList());

    for (const QString &path : carried) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_FALSE(QFile::exists(path));
        // The key part takes the key's own letter case.
        const QString name = QFileInfo(path).fileName();
        const qsizetype dot = name.indexOf('.');
        const QString renamed = QFileInfo(path).absolutePath() + "/NEWNAME1" + name.mid(6, dot - 6).toUpper() + name.mid(dot);
        EXPECT_EQ(bytesOf(renamed), name.toLatin1()) << "the same file under the new name";
    }
    for (const QString &path : kept)
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    const translation::MapKey renamedKey{"NEWNAME1", "810", "004010", "I"};
    EXPECT_EQ(bytesOf(reports + "/NEWNAME1_810_004010_I.rpt"),
              report::reportToJson(translation::DefaultMapReport(renamedKey, fields)));
    EXPECT_EQ(bytesOf(reports + "/ActiveX/NEWNAME1_810_004010_I.rpt"), report::reportToJson(designed));
}

// A name the rename would give is taken: nothing changes, and the message
// names the file in the way. One taken while the files move (after the check)
// takes the rows and the files moved so far back.
TEST_F(PartnerStoreTest, ANewFileNameAlreadyTakenRefusesTheRenameAndChangesNothing)
{
    addPartner("ACME01");
    addSet("ACME01", "850", "004010", "O");
    addSet("ACME01", "810", "004010", "I");
    addMailboxRow("Inbox", "ACME01");
    const QString import = folder("Import"), reports = folder("Reports");
    QDir().mkpath(reports + "/Export");
    const QStringList files{import + "/ACME01_850_004010_O.IMP", import + "/ACME01_850_004010_O.ADO",
                            reports + "/Export/ACME01_810_004010_I.RPT"};
    for (const QString &path : files)
        touch(path);
    const QString inTheWay = reports + "/Export/NEWNAME1_810_004010_I.RPT";
    touch(inTheWay, "keep me");
    const auto before = snapshot();

    PartnerStore store(cnDatabase);
    store.open();
    PartnerEdit e = editOf(store.current());
    e.Partner = "NEWNAME1";
    QSignalSpy leaving(&transactionsNotifier(), &TransactionsNotifier::MapsLeaving);
    vb::VbError refusal(0);
    try {
        store.save(e);
    } catch (const vb::VbError &error) {
        refusal = error;
    }
    EXPECT_EQ(refusal.number, 58);
    EXPECT_EQ(refusal.description, "File already exists: " + inTheWay);
    EXPECT_EQ(leaving.count(), 0) << "refused before any map is asked to leave";
    EXPECT_EQ(snapshot(), before);
    for (const QString &path : files)
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    EXPECT_EQ(bytesOf(inTheWay), "keep me");
    EXPECT_FALSE(QFile::exists(import + "/NEWNAME1_850_004010_O.IMP"));

    // Taken meanwhile: the name appears once the check has passed.
    QFile::remove(inTheWay);
    QObject context;
    QObject::connect(&transactionsNotifier(), &TransactionsNotifier::MapsLeaving, &context,
                     [&] { touch(inTheWay, "keep me"); });
    EXPECT_EQ(corvantis::test::errorOf([&] { store.save(e); }), 58);
    EXPECT_EQ(snapshot(), before);
    for (const QString &path : files)
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    EXPECT_FALSE(QFile::exists(import + "/NEWNAME1_850_004010_O.IMP"));
    EXPECT_EQ(store.current().Partner, "ACME01");
}

TEST_F(PartnerStoreTest, ARenamedPartnerKeepsSendingAndEveryRowStillShowsItsProperties)
{
    folder("Outbound");
    folder("Sent");
    const QString fixtures = QStringLiteral(CORVANTIS_FIXTURES "/sendfile/");
    // Loaded from copies, each interchange as its own file.
    auto load = [&](const QString &name, const QByteArray &content) {
        const QString path = corvantis::test::tempDir() + QLatin1Char('/') + name;
        touch(path, content);
        ASSERT_EQ(core::InterchangeLoader().LoadBox(path, QStringLiteral("O")), QString()) << name.toStdString();
    };
    // Two partners' interchanges sent, then two more of both waiting in the Outbox.
    communications::beginSendRun();
    load("acme.OC", bytesOf(fixtures + "acme.OC"));
    load("globex.OC", bytesOf(fixtures + "globex.OC"));
    communications::clsExchange run;
    communications::CreateOutboundEDI(run);
    ASSERT_TRUE(communications::MoveOutToSent(run));
    const QByteArray acmeWaiting = bytesOf(fixtures + "two_groups.OC");
    QByteArray globexWaiting = bytesOf(fixtures + "globex.OC");
    globexWaiting.replace("000000777", "000000778").replace("|1000|41|", "|1000|45|").replace("GE|2|41", "GE|2|45");
    load("acme2.OC", acmeWaiting);
    load("globex2.OC", globexWaiting);
    ASSERT_EQ(count("Sent"), 4);
    ASSERT_EQ(count("Outbox"), 5);

    const QStringList acme = column("SELECT DISTINCT Partner FROM Sent WHERE SenderID LIKE 'ACME%'", "Partner");
    ASSERT_EQ(acme.size(), 1);
    const QString other = column("SELECT DISTINCT Partner FROM Sent WHERE SenderID LIKE 'GLOBEX%'", "Partner").value(0);
    PartnerStore store(cnDatabase);
    store.open();
    while (store.currentName() != acme[0])
        ASSERT_TRUE(store.moveNext()) << "no partner row for " << acme[0].toStdString();
    PartnerEdit e = editOf(store.current());
    e.Partner = "RENAMED1";
    store.save(e);
    store.close();

    // The whole Outbox goes out, the renamed partner's interchange as loaded.
    const communications::SendFile sent = communications::writeSendFile();
    EXPECT_EQ(bytesOf(sent.path), acmeWaiting + globexWaiting);
    EXPECT_EQ(long(sent.rowids.size()), 5);

    for (const char *table : {"Outbox", "Sent"}) {
        for (const auto &row : rows(QStringLiteral("SELECT rowid AS id, * FROM %1").arg(table))) {
            SCOPED_TRACE(QStringLiteral("%1 row %2").arg(table, row.at("id")).toStdString());
            settings::PropertiesData data;
            EXPECT_NO_THROW(settings::readProperties(*cnDatabase, table, row.at("id").toLongLong(), data));
            EXPECT_EQ(data.partner, row.at("Partner"));
            EXPECT_TRUE(data.partner == "RENAMED1" || data.partner == other) << data.partner.toStdString();
            EXPECT_EQ(data.isa[12], row.at("InterchangeControlNumber"));
            EXPECT_EQ(data.gs[5], row.at("GroupControlNumber"));
            EXPECT_FALSE(data.segment.chr.isEmpty());
        }
    }
    EXPECT_EQ(column("SELECT * FROM Outbox WHERE Partner = 'RENAMED1'", "Partner").size(), 3);
    EXPECT_EQ(column("SELECT * FROM Sent WHERE Partner = 'RENAMED1'", "Partner").size(), 2);
}

TEST_F(PartnerStoreTest, ACounterIsWrittenOnlyWhenEditedAndOnlyForwardUnlessSettingItBackIsAllowed)
{
    struct Case {
        const char *name;
        std::optional<CounterEdit> ISA13, GS06;
        const char *storedISA13, *storedGS06;
    };
    const Case cases[] = {
        {"left alone: the run's numbers stay", std::nullopt, std::nullopt, "50", "9"},
        {"forward", CounterEdit{60, false}, CounterEdit{20, false}, "60", "20"},
        {"back without leave", CounterEdit{45, false}, CounterEdit{8, false}, "50", "9"},
        {"back with leave", CounterEdit{45, true}, CounterEdit{8, true}, "45", "8"},
        {"the stored number", CounterEdit{50, true}, CounterEdit{9, false}, "50", "9"},
    };
    addPartner("ACME01"); // ISA13 41, GS06 7
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        cnDatabase->Execute("UPDATE Partner SET ISA13 = 41, GS06 = 7");
        PartnerStore store(cnDatabase);
        store.open();
        PartnerEdit e = editOf(store.current());
        // A run takes numbers while the partner is on screen.
        cnDatabase->Execute("UPDATE Partner SET ISA13 = 50, GS06 = 9");
        EXPECT_EQ(store.storedCounters().ISA13, 50);
        EXPECT_EQ(store.storedCounters().GS06, 9);
        e.ISA13 = c.ISA13;
        e.GS06 = c.GS06;
        e.GS07 = "Q";
        store.save(e);
        const auto row = rows("SELECT * FROM Partner").at(0);
        EXPECT_EQ(row.at("ISA13"), c.storedISA13);
        EXPECT_EQ(row.at("GS06"), c.storedGS06);
        EXPECT_EQ(row.at("GS07"), "Q");
        EXPECT_EQ(store.current().ISA13, QString::fromLatin1(c.storedISA13).toLongLong()) << "the set reads it back";
    }
    const struct {
        const char *text;
        std::optional<qint64> value;
    } boxes[] = {{"41       ", 41}, {"         ", std::nullopt}, {"", std::nullopt}, {"000000007", 7}};
    for (const auto &b : boxes)
        EXPECT_EQ(counterValue(QString::fromLatin1(b.text)), b.value) << b.text;
}

TEST_F(PartnerStoreTest, RenameToAnotherPartnersNameOrAFailureInAnyTableChangesNothing)
{
    addPartner("ACME01");
    addPartner("OTHER1");
    addSet("ACME01", "850", "004010", "O");
    addMailboxRow("Sent", "ACME01");
    addRow("IEA", {{"Partner", "ACME01"}});
    const auto before = snapshot();

    PartnerStore store(cnDatabase);
    store.open();
    PartnerEdit e = editOf(store.current());
    e.Partner = "other1";
    e.GS07 = "Q";
    EXPECT_EQ(corvantis::test::errorOf([&] { store.save(e); }), ado::adErrProvider);
    EXPECT_EQ(snapshot(), before);

    // The envelope tables come last: a refusal there takes everything back.
    cnDatabase->Execute("CREATE TRIGGER refuse_iea BEFORE UPDATE ON IEA BEGIN SELECT RAISE(ABORT, 'refused'); END");
    e.Partner = "RENAMED1";
    EXPECT_NE(corvantis::test::errorOf([&] { store.save(e); }), 0);
    // The set shows the stored row again and has nothing pending.
    EXPECT_EQ(store.current().Partner, "ACME01");
    EXPECT_EQ(store.current().GS07, "X");
    store.moveNext();
    store.moveFirst();
    store.close();
    EXPECT_EQ(snapshot(), before);
}

TEST_F(PartnerStoreTest, RemoveTakesTheSetsAndMapsInOneTransactionAndKeepsMailboxesAndLogs)
{
    addPartner("ACME01");
    addPartner("OTHER1");
    addSet("ACME01", "850", "004010", "O");
    addSet("ACME01", "810", "004010", "I");
    addSet("ACME01", "830", "004010", "I");
    addSet("OTHER1", "850", "004010", "O");
    addMailboxRow("Inbox", "ACME01");
    addRow("ISA", {{"Partner", "ACME01"}});

    PartnerStore store(cnDatabase);
    store.open();
    const SetCounts counts = store.setCounts("ACME01");
    EXPECT_EQ(counts.inbound, 2);
    EXPECT_EQ(counts.outbound, 1);
    EXPECT_TRUE(store.mailboxCounts("ACME01").size() == 1 && store.mailboxCounts("ACME01")[0].list == "Inbox");

    cnDatabase->Execute("CREATE TRIGGER refuse_element BEFORE DELETE ON Element BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const auto before = snapshot();
    EXPECT_NE(corvantis::test::errorOf([&] { store.remove(); }), 0);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(store.currentName(), "ACME01");
    cnDatabase->Execute("DROP TRIGGER refuse_element");

    QSignalSpy changed(&transactionsNotifier(), &TransactionsNotifier::TransactionsChanged);
    store.remove();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(store.count(), 1);
    EXPECT_EQ(store.currentName(), "OTHER1");
    for (const char *t : {"Partner", "Transactions", "Segment", "Element"}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(column(QStringLiteral("SELECT * FROM %1").arg(t), "Partner"), QStringList({"OTHER1"}));
    }
    EXPECT_EQ(column("SELECT * FROM Inbox", "Partner"), QStringList({"ACME01"}));
    EXPECT_EQ(column("SELECT * FROM ISA", "Partner"), QStringList({"ACME01"}));

    store.remove();
    EXPECT_FALSE(store.hasRows());
    EXPECT_EQ(store.count(), 0);
}

TEST_F(PartnerStoreTest, MailboxRowsAreCountedPerPartnerAndList)
{
    addPartner("ACME01");
    addMailboxRow("Outbox", "ACME01");
    addMailboxRow("Outbox", "acme01");
    addMailboxRow("Outbox", "OTHER1");
    addMailboxRow("Recycled", "ACME01");
    PartnerStore store(cnDatabase);
    const std::vector<ListCount> held = store.mailboxCounts("ACME01");
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(held[0].list, "Outbox");
    EXPECT_EQ(held[0].count, 2);
    EXPECT_EQ(held[1].list, "Recycled");
    EXPECT_EQ(held[1].count, 1);
    EXPECT_TRUE(store.mailboxCounts("NOBODY").empty());
    EXPECT_EQ(refuseRemoval("NOBODY", {}), std::nullopt);
}

TEST_F(PartnerStoreTest, NavigationStopsAtBothEnds)
{
    for (const char *name : {"AAAAA1", "BBBBB2", "CCCCC3"})
        addPartner(name);
    PartnerStore store(cnDatabase);
    store.open();
    EXPECT_EQ(store.position(), 1);
    EXPECT_FALSE(store.movePrevious());
    EXPECT_EQ(store.currentName(), "AAAAA1");
    EXPECT_TRUE(store.moveNext());
    EXPECT_TRUE(store.moveNext());
    EXPECT_FALSE(store.moveNext());
    EXPECT_EQ(store.currentName(), "CCCCC3");
    EXPECT_EQ(store.position(), 3);
    store.moveFirst();
    EXPECT_EQ(store.currentName(), "AAAAA1");
    store.moveLast();
    EXPECT_EQ(store.position(), 3);

    PartnerStore closed(cnDatabase);
    EXPECT_FALSE(closed.hasRows());
    EXPECT_FALSE(closed.moveNext()); // no record set: nothing is touched
    closed.moveFirst();
}

} // namespace
