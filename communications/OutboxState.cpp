#include "communications/OutboxState.h"

#include "communications/ExchangeLog.h"

#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "vb/VbError.h"

namespace communications {

namespace {

void openOutbox(ado::Recordset &rs)
{
    if (!modGlobal::cnDatabase)
        vb::raise(3709);
    rs.Open(QStringLiteral("SELECT * FROM Outbox"), *modGlobal::cnDatabase, ado::adOpenForwardOnly,
            ado::adLockReadOnly);
}

// Blanks only, as the stored status is padded by hand-edited rows.
QString trimBlanks(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

QString errorText(const std::exception &e)
{
    if (auto *vbError = dynamic_cast<const vb::VbError *>(&e))
        return vbError->description;
    return QString::fromLocal8Bit(e.what());
}

} // namespace

bool IsOutboxEmpty()
{
    try {
        ado::Recordset rs;
        openOutbox(rs);
        const bool any = !(rs.Bof() && rs.Eof());
        rs.Close();
        return any;
    } catch (const std::exception &e) {
        LogExchange(QStringLiteral("Error"), errorText(e));
        return false;
    }
}

bool IsOutboxValidated()
{
    try {
        ado::Recordset rs;
        openOutbox(rs);
        // An empty Outbox has no current row: that is an error, logged like
        // any other, never a vacuous "all validated".
        if (rs.Bof() && rs.Eof())
            vb::raise(3021);
        for (; !rs.Eof(); rs.MoveNext()) {
            if (trimBlanks(rs.Fields(QStringLiteral("Status")).Value().toString()) != QLatin1String("Validated"))
                return false;
        }
        return true;
    } catch (const std::exception &e) {
        LogExchange(QStringLiteral("Error"), errorText(e));
        return false;
    }
}

} // namespace communications
