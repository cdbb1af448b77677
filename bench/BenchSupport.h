#pragma once
// What the benchmarks share: a fresh copy of the built database, a dialog
// service that answers every box with one button and never waits, and the
// main that runs the benchmarks on the offscreen platform.

#include "vb/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>

namespace bench {

class AnsweringDialogs final : public vb::DialogService {
public:
    explicit AnsweringDialogs(int answer) : m_answer(answer) {}
    int messageBox(const vb::MessageBoxRequest &) override { return m_answer; }
    std::optional<QString> inputBox(const vb::InputBoxRequest &) override { return std::nullopt; }
    vb::OpenFileResult openFile(const vb::OpenFileRequest &) override { return {}; }
    std::optional<QString> browseFolder(const vb::BrowseFolderRequest &) override { return std::nullopt; }
    bool printerSetup(const vb::PrinterSetupRequest &) override { return false; }

private:
    int m_answer;
};

// A writable copy of the built database as `folder`/Corvantis.mdb; its path.
// (CORVANTIS_DATABASE_FILE comes with the corvantis_database_file target.)
inline QString copyBuiltDatabase(const QString &folder)
{
    const QString target = QDir(folder).filePath(QStringLiteral("Corvantis.mdb"));
    QFile::copy(QStringLiteral(CORVANTIS_DATABASE_FILE), target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

// Runs the benchmarks on the offscreen platform; with an `answer`, every
// message box is answered with it (vbYes, vbOK ...), else the program's
// unattended dialogs stay in place.
inline int runWindowBenchmarks(int argc, char **argv, std::optional<int> answer = std::nullopt)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (answer)
        vb::setDialogService(std::make_shared<AnsweringDialogs>(*answer));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (answer)
        vb::setDialogService(nullptr);
    return 0;
}

} // namespace bench
