// The class registry, CreateObject and the registration tool, with a real
// plug-in library (TestPlugin.so, built beside this test).
#include "com/ClassRegistry.h"
#include "com/HostObject.h"
#include "vb/Clock.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"
#include "TestEnvironment.h"
#include "ErrorOf.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using vb::Variant;

namespace {

using corvantis::test::errorOf;

// The harness gives each test its own settings folder, and the registry
// lives there.
class ClassRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(com::classRegistryFile(), vb::settingsRoot() + "/classes.ini");
    }
    void TearDown() override { com::setClassRegistryFile({}); }

    QTemporaryDir dir;
};

class Greeter : public com::HostClass<Greeter> {
public:
    static com::DispatchTable<Greeter> describe()
    {
        com::DispatchTable<Greeter> t("Greeter");
        t.method("Hello", 0, 0, [](Greeter &, com::Args &) { return Variant("hello"); });
        return t;
    }
};

} // namespace

TEST(ProgIdPrefix, IsTheFileNameWithoutItsExtension)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {"Lorvanne.so", "Lorvanne"},
        {"/opt/corvantis/Lorvanne.so", "Lorvanne"},
        {"my.plugin.so", "my.plugin"},
        {"noextension", "noextension"},
    };
    for (const auto &[path, prefix] : cases)
        EXPECT_EQ(com::progIdPrefix(path), prefix) << path.toStdString();
}

TEST_F(ClassRegistryTest, RegisteredLibraryClassesAreCreatedByProgIdAndCalledByReference)
{
    const QStringList ids = com::registerLibrary(TEST_PLUGIN);
    EXPECT_TRUE(ids.startsWith("TestPlugin.Swapper") && ids.contains("TestPlugin.Broken")) << ids.join(",").toStdString();

    const auto entry = com::findClass("testplugin.swapper");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->progId, "TestPlugin.Swapper");
    EXPECT_EQ(entry->className, "Swapper");
    EXPECT_EQ(entry->library, QFileInfo(TEST_PLUGIN).absoluteFilePath());

    com::DispatchPtr obj = com::CreateObject("TESTPLUGIN.SWAPPER");
    ASSERT_TRUE(obj);
    EXPECT_EQ(obj->typeName(), "Swapper");
    std::vector<Variant> args{Variant("left"), Variant(int32_t(7))};
    EXPECT_TRUE(com::CallByName(obj, "Swap", com::Method, args).toBool());
    EXPECT_EQ(args[0].toLong(), 7);
    EXPECT_EQ(args[1].toString(), "left");
}

TEST_F(ClassRegistryTest, PluginCallWithSixReferenceArgumentsHandsBackAnObject)
{
    com::registerLibrary(TEST_PLUGIN);
    const Variant plugin(vb::ObjectPtr(com::CreateObject("TestPlugin.Swapper")));
    auto old = std::make_shared<Greeter>();
    std::vector<Variant> args{Variant::nothing(), Variant(vb::ObjectPtr(old)), Variant("Freightliner"),
                              Variant("830"), Variant("002000"), Variant("I")};
    EXPECT_TRUE(com::CallByName(plugin, "ActiveX", com::Method, args).toBool());

    com::DispatchPtr made = com::toDispatch(args[0]);
    ASSERT_NE(made, nullptr);
    std::vector<Variant> none;
    EXPECT_EQ(made->invoke("Key", com::Get, none).toString(), "Freightliner_830_002000_I");
    EXPECT_TRUE(args[1].isNothing());
}

TEST_F(ClassRegistryTest, ErrorsRaisedInsideAPluginReachTheCaller)
{
    com::registerLibrary(TEST_PLUGIN);
    com::DispatchPtr obj = com::CreateObject("TestPlugin.Swapper");
    try {
        std::vector<Variant> none;
        obj->invoke("Fail", com::Method, none);
        FAIL() << "no error";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 1001);
        EXPECT_EQ(e.description, "ActiveX Failed");
    }
}

TEST_F(ClassRegistryTest, ClassesThatCannotBeCreatedRaise429)
{
    com::registerLibrary(TEST_PLUGIN);
    {
        QSettings ini(com::classRegistryFile(), QSettings::IniFormat);
        ini.setValue("Gone.Thing/Library", dir.filePath("Gone.so"));
        ini.setValue("Gone.Thing/Class", "Thing");
        ini.setValue("Half.Entry/Class", "Entry");
    }
    // The message is the classic one; the detail names the class tried, its library and why.
    const QString library = QFileInfo(TEST_PLUGIN).absoluteFilePath();
    const std::vector<std::pair<QString, QString>> cases = {
        {"Nowhere.Nothing",
         "Nowhere.Nothing: no class is registered under this name (class Nothing; no library Nowhere is registered)"},
        {"", "(no class name): no class is registered under this name"},
        {"TestPlugin", "TestPlugin: no class is registered under this name"},
        {"TestPlugin.Absent",
         "TestPlugin.Absent: no class is registered under this name (the library " + library + " has no class Absent)"},
        {"testplugin.Absent",
         "testplugin.Absent: no class is registered under this name (the library " + library + " has no class Absent)"},
        {"TestPlugin.Broken", "TestPlugin.Broken: the factory made no object of class Broken of the library " + library
                                  + ": Broken is registered but cannot be made"},
        {"TestPlugin.Throwing", "TestPlugin.Throwing: the factory of class Throwing of the library " + library
                                    + " failed: the constructor failed"},
        {"Gone.Thing", "Gone.Thing: its library " + dir.filePath("Gone.so") + " cannot be loaded: "},
        {"Half.Entry", "Half.Entry: no class is registered under this name (class Entry; no library Half is registered)"},
    };
    for (const auto &[progId, detail] : cases) {
        try {
            com::CreateObject(progId);
            ADD_FAILURE() << "created " << progId.toStdString();
        } catch (const vb::VbError &e) {
            EXPECT_EQ(e.number, 429) << progId.toStdString();
            EXPECT_EQ(e.description, "ActiveX component can't create object");
            EXPECT_TRUE(e.detail.startsWith(detail)) << e.detail.toStdString();
        }
    }
    // A built-in class whose factory gives nothing.
    com::registerBuiltinClass("Test.Nothing", [] { return com::DispatchPtr(); });
    try {
        com::CreateObject("Test.Nothing");
        ADD_FAILURE() << "created Test.Nothing";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 429);
        EXPECT_EQ(e.detail, "Test.Nothing: the built-in class made no object");
    }
}

TEST_F(ClassRegistryTest, ACopyOfTheLibraryRegistersUnderItsOwnFileName)
{
    const QString copy = dir.filePath("Renamed.so");
    ASSERT_TRUE(QFile::copy(TEST_PLUGIN, copy));
    EXPECT_TRUE(com::registerLibrary(copy).contains("Renamed.Swapper"));
    EXPECT_TRUE(com::CreateObject("Renamed.Swapper"));
    EXPECT_EQ(errorOf([] { com::CreateObject("TestPlugin.Swapper"); }), 429);
}

TEST_F(ClassRegistryTest, UnregisteringRemovesTheClasses)
{
    com::registerLibrary(TEST_PLUGIN);
    EXPECT_TRUE(com::unregisterLibrary(TEST_PLUGIN).contains("TestPlugin.Broken"));
    EXPECT_FALSE(com::findClass("TestPlugin.Swapper").has_value());
    EXPECT_EQ(errorOf([] { com::CreateObject("TestPlugin.Swapper"); }), 429);
}

TEST_F(ClassRegistryTest, LibraryThatCannotBeLoadedIsReported)
{
    QFile bogus(dir.filePath("Bogus.so"));
    ASSERT_TRUE(bogus.open(QIODevice::WriteOnly));
    bogus.write("not a library");
    bogus.close();
    EXPECT_EQ(errorOf([&] { com::registerLibrary(bogus.fileName()); }), 48);
    EXPECT_EQ(errorOf([&] { com::registerLibrary(dir.filePath("Missing.so")); }), 48);
}

TEST_F(ClassRegistryTest, BuiltinClassesComeFirstAndIgnoreCase)
{
    com::registerBuiltinClass("Test.Greeter", [] { return std::make_shared<Greeter>(); });
    com::DispatchPtr g = com::CreateObject("test.GREETER");
    std::vector<Variant> none;
    EXPECT_EQ(g->invoke("hello", com::Method, none).toString(), "hello");
}

TEST_F(ClassRegistryTest, RegistrationToolWritesTheRegistryBesideTheSettings)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir.path());
    tool.setProcessEnvironment(env);
    tool.start(REGISTER_TOOL, {TEST_PLUGIN});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_TRUE(QString::fromLocal8Bit(tool.readAllStandardOutput()).contains("registered TestPlugin.Swapper"));

    const QString file = dir.filePath("Corvantis/classes.ini");
    ASSERT_TRUE(QFile::exists(file));
    com::setClassRegistryFile(file);
    EXPECT_TRUE(com::CreateObject("TestPlugin.Swapper"));

    tool.start(REGISTER_TOOL, {"-u", TEST_PLUGIN});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_FALSE(com::findClass("TestPlugin.Swapper").has_value());

    tool.start(REGISTER_TOOL, {dir.filePath("Missing.so")});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(tool.readAllStandardError()).contains("Missing.so"));
}

TEST_F(ClassRegistryTest, APluginUsesTheProgramsDialogsClockAndSettings)
{
    com::registerLibrary(TEST_PLUGIN);
    const Variant plugin(vb::ObjectPtr(com::CreateObject("TestPlugin.Swapper")));

    corvantis::test::dialogs().answer(vb::vbNo);
    EXPECT_EQ(com::CallByName(plugin, "Ask", com::Method, {}).toLong(), vb::vbNo);
    ASSERT_EQ(corvantis::test::dialogs().boxes().size(), 1u);
    EXPECT_EQ(corvantis::test::dialogs().last().text, "Go on?");
    EXPECT_EQ(corvantis::test::dialogs().last().caption, "TestPlugin");

    corvantis::test::setClock(2027, 1, 2, 3, 4, 5);
    EXPECT_DOUBLE_EQ(com::CallByName(plugin, "Today", com::Method, {}).toDate(),
                     vb::Now().toDate());

    vb::SaveSetting("Corvantis", "Folders", "Import", "/srv/import");
    EXPECT_EQ(com::CallByName(plugin, "Setting", com::Method, {}).toString(), "/srv/import");
}
