// Compiled into every target that links platform_vb_dialogs (an interface
// source), so a program with windows shows the Qt dialogs without a start-up
// call and the linker cannot drop the installation.
#include "vb/Dialogs.h"

namespace {

const bool g_qtDialogsInstalled = [] {
    vb::setDefaultDialogService(std::make_shared<vb::QtDialogService>());
    return true;
}();

} // namespace
