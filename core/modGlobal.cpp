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

QString AppTitle()
{
    return QStringLiteral("Corvantis");
}

QString ConnectionString(const QString &folder)
{
    // The provider part is kept as the program always wrote it; the data layer
    // reads Data Source and the database password from it.
    return QStringLiteral("Provider = Microsoft.jet.OLEDB.4.0;Data Source = ") + folder
        + QStringLiteral("/Corvantis.mdb;Jet OLEDB:Database Password = quarrytone7;");
}

} // namespace modGlobal
