// Shared state of the program and the small fixed texts of the shared module.
#include "core/modGlobal.h"

namespace modGlobal {

std::shared_ptr<ado::Connection> cnDatabase;
QString strCurrentUser;
QString strAccountPassword;
bool blnSilentMode = false;
bool blnStandardCancelled = false;

MainWindowLink &mainWindowLink()
{
    static MainWindowLink link;
    return link;
}

} // namespace modGlobal
