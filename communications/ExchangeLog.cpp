#include "communications/ExchangeLog.h"

#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "vb/Clock.h"
#include "vb/Dialogs.h"
#include "vb/Format.h"
#include "vb/VbError.h"

namespace communications {

namespace {

void writeExchange(const QString &strType, const QString &strDescription, const vb::Variant &now,
                   const QString &strUser)
{
    try {
        if (!modGlobal::cnDatabase)
            vb::raise(3709);
        // Selects no row: appending costs the same however long the log is.
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM Exchange WHERE 0 = 1"), *modGlobal::cnDatabase, ado::adOpenKeyset,
                ado::adLockOptimistic);
        rs.AddNew();
        rs.Fields(QStringLiteral("Type")) = strType;
        rs.Fields(QStringLiteral("Date")) = vb::Format(now, QStringLiteral("mm/d/yyyy"));
        rs.Fields(QStringLiteral("Time")) = vb::Format(now, QStringLiteral("hh:mm:ss AMPM"));
        rs.Fields(QStringLiteral("User")) = strUser;
        rs.Fields(QStringLiteral("Description")) = strDescription;
        rs.Update();
        rs.Close();
    } catch (const vb::VbError &e) {
        vb::MsgBox(e.description, vb::vbOKOnly | vb::vbCritical, modGlobal::AppTitle());
    } catch (const std::exception &e) {
        vb::MsgBox(QString::fromLocal8Bit(e.what()), vb::vbOKOnly | vb::vbCritical, modGlobal::AppTitle());
    }
}

} // namespace

void LogExchange(const QString &strType, const QString &strDescription)
{
    const vb::Variant now = vb::Now();
    const QString user = modGlobal::strCurrentUser;
    modGlobal::WhenDatabaseFree([=] { writeExchange(strType, strDescription, now, user); });
}

} // namespace communications
