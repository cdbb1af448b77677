#include "mapeditor/RunOutcome.h"

#include "ado/Recordset.h"

#include <QFileInfo>

namespace mapeditor {

qint64 lastHistoryRow(ado::Connection &cn)
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT MAX(rowid) AS n FROM History"), cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
    const vb::Variant n = rs.Fields(QStringLiteral("n")).Value();
    return n.isNull() ? 0 : qint64(n.toDouble());
}

QStringList historySince(ado::Connection &cn, qint64 row)
{
    QStringList out;
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Description FROM History WHERE rowid > ") + QString::number(row)
                + QStringLiteral(" ORDER BY rowid"),
            cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
    for (; !rs.Eof(); rs.MoveNext()) {
        const vb::Variant text = rs.Fields(QStringLiteral("Description")).Value();
        if (!text.isNull())
            out << text.toString();
    }
    return out;
}

RunOutcome runOutcome(const QString &writtenFile, const QStringList &history, const QString &failed)
{
    if (!writtenFile.isEmpty())
        return {QStringLiteral("Execute Mapper: ") + QFileInfo(writtenFile).fileName()
                    + QStringLiteral(" written to the Outbound folder and loaded into the Outbox"),
                writtenFile};
    return {history.isEmpty() ? failed : history.join(QStringLiteral("; ")), history.join(QLatin1Char('\n'))};
}

} // namespace mapeditor
