// The child process of the outbound run's kill tests: one silent run of
// ACME01_830_004010_O on the database and settings of the work folder given.
// The parent kills it (SIGKILL) at a moment of its choosing, or the child
// kills itself when the run reaches the stage named.
//
//   outbound_run_child <work folder> <stage: none, Mapped, FileWritten, Loaded, Committed, Named>
//
// It has no window system at all, as a scheduled job or a tool would run the
// engine: it links the translation engine only.
#include "translation/MapScriptHost.h"
#include "translation/OutboundTranslation.h"

#include "ado/Connection.h"
#include "core/modGlobal.h"
#include "vb/Settings.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;
using Stage = translation::OutboundTranslation::RunStage;

namespace {

const char *stageName(Stage stage)
{
    switch (stage) {
    case Stage::Mapped: return "Mapped";
    case Stage::FileWritten: return "FileWritten";
    case Stage::Loaded: return "Loaded";
    case Stage::Committed: return "Committed";
    case Stage::Named: return "Named";
    }
    return "";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: outbound_run_child <work folder> <stage>\n");
        return 2;
    }
    const QString work = QString::fromLocal8Bit(argv[1]);
    const QByteArray killAt = argv[2];
    vb::setSettingsRoot(work + u"/settings"_s);
    modGlobal::strCurrentUser = u"child"_s;
    modGlobal::cnDatabase = std::make_shared<ado::Connection>();
    modGlobal::cnDatabase->Open(ado::applicationConnectionString(work));

    translation::HiddenMapHost host;
    translation::OutboundTranslation run(host);
    run.setStageObserver([&](Stage stage) {
        if (killAt == stageName(stage)) {
            std::fflush(nullptr);
            std::raise(SIGKILL);
        }
    });
    const QString file = run.ProcessOutbound(
        translation::OutboundSet::forKey({u"ACME01"_s, u"830"_s, u"004010"_s, u"O"_s}), true);
    std::printf("%s\n", file.toLocal8Bit().constData());
    modGlobal::cnDatabase->Close();
    return file.isEmpty() ? 1 : 0;
}
