#pragma once
// What the window benchmarks share: a dialog service that answers every box
// with one button and never waits, and the main that runs the benchmarks on
// the offscreen platform with it.

#include "vb/Dialogs.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <memory>

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

// Every message box answered with `answer` (vbYes, vbOK ...).
inline int runWindowBenchmarks(int argc, char **argv, int answer)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vb::setDialogService(std::make_shared<AnsweringDialogs>(answer));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    vb::setDialogService(nullptr);
    return 0;
}

} // namespace bench
