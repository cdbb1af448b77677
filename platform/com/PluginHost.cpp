// The library side of corvantis_host: compiled into every target that links
// platform_com (an interface source), so a plug-in library exports it without
// writing anything. In the program it is present too but never called. Weak,
// because several units of one target may carry it.
#include "com/PluginApi.h"
#include "vb/Clock.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

namespace {

// Each call goes to whatever service the program has installed at that moment.
class HostDialogs final : public vb::DialogService {
public:
    vb::DialogService &(*host)() = nullptr;
    int messageBox(const vb::MessageBoxRequest &r) override { return host().messageBox(r); }
    std::optional<QString> inputBox(const vb::InputBoxRequest &r) override { return host().inputBox(r); }
    vb::OpenFileResult openFile(const vb::OpenFileRequest &r) override { return host().openFile(r); }
    std::optional<QString> browseFolder(const vb::BrowseFolderRequest &r) override { return host().browseFolder(r); }
    bool printerSetup(const vb::PrinterSetupRequest &r) override { return host().printerSetup(r); }
};

class HostClock final : public vb::Clock {
public:
    std::shared_ptr<vb::Clock> (*host)() = nullptr;
    QDateTime now() const override { return host()->now(); }
};

} // namespace

extern "C" __attribute__((visibility("default"), weak)) void corvantis_attach_host(const corvantis_host *host)
{
    if (!host || host->version != CORVANTIS_HOST_VERSION)
        return;
    // The same copy of the platform (a library built against shared platform
    // libraries): nothing to forward, and forwarding would call itself.
    if (host->dialogService == &vb::dialogService)
        return;
    static const auto dialogs = std::make_shared<HostDialogs>();
    static const auto clock = std::make_shared<HostClock>();
    dialogs->host = host->dialogService;
    clock->host = host->currentClock;
    vb::setDialogService(dialogs);
    vb::setClock(clock);
    vb::setSettingsRoot(host->settingsRoot());
}
