// The library as the program and its scripts reach it: entered by the
// registration tool, its three classes created by ProgID, a plug-in called
// by a script with its arguments passed by reference.
#include "LorvanneTest.h"

#include "ErrorOf.h"
#include "vb/Conversions.h"
#include "vbscript/ScriptControl.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

using vb::Variant;
using namespace lorvanne::test;
using LibraryShell = LorvanneTest;

TEST_F(LibraryShell, RegistrationToolEntersTheThreeClasses)
{
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config.path());
    tool.setProcessEnvironment(env);
    tool.start(REGISTER_TOOL, {LORVANNE_LIBRARY});
    ASSERT_TRUE(tool.waitForFinished(30000)) << "the registration tool did not end";
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    const QString out = QString::fromLocal8Bit(tool.readAllStandardOutput());
    for (const char *id : {"Lorvanne.Freightliner_830_002000_I", "Lorvanne.Freightliner_862_003020_I", "Lorvanne.General"})
        EXPECT_TRUE(out.contains(QStringLiteral("registered ") + id)) << out.toStdString();

    com::setClassRegistryFile(config.path() + "/Corvantis/classes.ini");
    for (const char *id : {"Lorvanne.Freightliner_830_002000_I", "lorvanne.freightliner_862_003020_i", "Lorvanne.General"}) {
        const com::DispatchPtr obj = com::CreateObject(id);
        ASSERT_TRUE(obj) << id;
        EXPECT_EQ(obj->typeName().toCaseFolded(), QString(id).section('.', 1).toCaseFolded());
    }
    EXPECT_EQ(corvantis::test::errorOf([] { com::CreateObject("Lorvanne.Freightliner_810_004010_O"); }), 429);
    // A class entered for the library that it does not have: the library's own reason is kept.
    {
        QSettings ini(com::classRegistryFile(), QSettings::IniFormat);
        ini.setValue("Lorvanne.Nope/Library", LORVANNE_LIBRARY);
        ini.setValue("Lorvanne.Nope/Class", "Nope");
    }
    try {
        com::CreateObject("Lorvanne.Nope");
        ADD_FAILURE() << "created Lorvanne.Nope";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 429);
        EXPECT_EQ(e.description, "ActiveX component can't create object");
        EXPECT_EQ(e.detail, "Lorvanne.Nope: the factory made no object of class Nope of the library "
                                + QStringLiteral(LORVANNE_LIBRARY) + ": the library has no class Nope");
    }
    com::setClassRegistryFile({});
}

TEST_F(LibraryShell, ClassesHaveTheirMembersAndNoMapMethod)
{
    const com::DispatchPtr general = create("General");
    for (const char *member : {"rsOrders", "rsInventory", "Orders", "Inventory", "GetLocation"})
        EXPECT_NE(general->memberId(member), com::kUnknownMember) << member;
    // The outbound run calls Map by name; no class of the library has it.
    for (const char *cls : {"Freightliner_830_002000_I", "Freightliner_862_003020_I", "General"}) {
        std::vector<Variant> args(6);
        EXPECT_EQ(corvantis::test::errorOf([&] { call(create(cls), "Map", args); }), 438) << cls;
    }
}

TEST_F(LibraryShell, ScriptsCreateTheClassesAndGetTheScheduleBackByReference)
{
    writeImport("Orders.csv", "P1,W1,5,12/01/2026,A\n");
    writeImport("Inventory.csv", "P1,Part one,3,1\n");
    const ado::RecordsetPtr translated =
        tableRecordset("6LIN03|6LIN05|8J2X03|1BFR11|2NTE02|3NTE02|11FST01:single|11FST04:date|13SHP02:single|13SHP03|13SHP04:date|"
                       "14SHP02:single|14SHP03|14SHP04:date|15SHP02:single|15SHP03|15SHP04:date\n"
                       "P1|R|D|PO|a|b|5|12/08/2026|||||||||\n");
    vbs::ScriptControl sc;
    sc.AddObject("Record", com::toVariant(translated).rawObject());
    sc.AddCode("Set g = CreateObject(\"Lorvanne.General\")\n"
               "okOrders = g.Orders\n"
               "part = g.rsOrders(\"WO_PartNumber\")\n"
               "Set plugin = CreateObject(\"Lorvanne.Freightliner_830_002000_I\")\n"
               "Set rs = Record\n"
               "ok = plugin.ActiveX(rs, Nothing, \"Freightliner\", \"830\", \"002000\", \"I\")\n"
               "rows = rs.RecordCount\n"
               "day2 = rs(\"Day2\")\n");
    EXPECT_TRUE(sc.Eval("okOrders").toBool());
    EXPECT_EQ(sc.Eval("part").toString(), "P1");
    EXPECT_TRUE(sc.Eval("ok").toBool());
    EXPECT_EQ(sc.Eval("rows").toLong(), 1);
    EXPECT_EQ(sc.Eval("day2").toLong(), 5);
    EXPECT_EQ(sc.Eval("TypeName(rs.Fields(\"W9Date\").Value)").toString(), "Date");
}
