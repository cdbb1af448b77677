// A failure whose report fails in turn (History refuses the entry, the box
// cannot be shown) is still recorded under corvantis.translation, with what
// was being done: it never vanishes.
#include "CoreTestSupport.h"
#include "LogCapture.h"

#include "translation/MapScriptHost.h"
#include "translation/TranslationBusy.h"
#include "translation/clsScript.h"

#include "ado/Recordset.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"
#include "vbscript/ScriptControl.h"

#include "TestEnvironment.h"

#include <functional>

using namespace Qt::StringLiterals;
using corvantis::test::LogCapture;

namespace {

// A dialogs service whose every box fails, as one without a screen would.
class FailingDialogs final : public vb::DialogService {
public:
    int messageBox(const vb::MessageBoxRequest &) override { vb::raise(5, u"no box can be shown"_s); }
    std::optional<QString> inputBox(const vb::InputBoxRequest &) override { vb::raise(5, u"no box can be shown"_s); }
    vb::OpenFileResult openFile(const vb::OpenFileRequest &) override { vb::raise(5, u"no box can be shown"_s); }
    std::optional<QString> browseFolder(const vb::BrowseFolderRequest &) override
    {
        vb::raise(5, u"no box can be shown"_s);
    }
    bool printerSetup(const vb::PrinterSetupRequest &) override { vb::raise(5, u"no box can be shown"_s); }
};

class UnreportedFailure : public coretest::CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        modGlobal::cnDatabase->Execute(
            u"CREATE TRIGGER refuse_history BEFORE INSERT ON History BEGIN SELECT RAISE(ABORT, 'History refused'); END"_s);
        vb::setDialogService(std::make_shared<FailingDialogs>());
    }
    void TearDown() override
    {
        modGlobal::blnSilentMode = false;
        CoreTest::TearDown();
    }
};

} // namespace

TEST_F(UnreportedFailure, IsRecordedWithWhatWasBeingDone)
{
    struct Case {
        const char *name;
        std::function<void()> run;
        const char *record;
    };
    const Case cases[] = {
        {"a snippet's file write",
         [] {
             clsScript script;
             script.WriteToFile(corvantis::test::tempDir() + u"/no such folder/out.txt"_s, u"data"_s);
         },
         "WriteToFile: its failure could not be written to History"},
        {"a snippet's write of an empty lines buffer",
         [] {
             auto rs = std::make_shared<ado::Recordset>();
             rs->Fields().Append(u"F1"_s, ado::adVarChar, 10);
             rs->Open();
             clsScript script;
             script.LinesToRecord(rs);
         },
         "LinesToRecord: its failure could not be written to History"},
        {"a refused translation",
         [] {
             translation::TranslationBusy running;
             ASSERT_TRUE(running.acquired());
             translation::TranslationBusy::reportRefused(false);
         },
         "translation refused: the refusal could not be reported"},
        {"a map script's error",
         [] {
             vbs::ScriptError error;
             error.Number = 13;
             error.Description = u"Type mismatch"_s;
             modGlobal::blnSilentMode = false;
             translation::scScript_Error(error);
         },
         "script error: its report failed"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log("corvantis.translation");
        c.run();
        const QStringList lines = log.linesWith({QString::fromUtf8(c.record), u"no box can be shown"_s});
        EXPECT_EQ(lines.size(), 1) << log.joined().toStdString();
    }
    EXPECT_EQ(count(u"History"_s), 0);
}
