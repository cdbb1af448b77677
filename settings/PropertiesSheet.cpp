#include "settings/PropertiesSheet.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "ado/Sql.h"
#include "core/modGlobal.h"
#include "vb/Format.h"
#include "vb/VbError.h"

namespace settings {

namespace {

QString text(const ado::Recordset &rs, const QString &field)
{
    const vb::Variant value = rs.Fields(field).Value();
    if (value.isNull())
        vb::raise(94); // Invalid use of Null, as turning a Null field into text does
    return value.toString();
}

// The first envelope row of this number and partner, preferring the row's own direction.
void openEnvelope(ado::Recordset &rs, ado::Connection &connection, const QString &table, const QString &numberField,
                  const QString &number, const QString &partner, const QString &direction)
{
    const QString where = QStringLiteral(" WHERE ") + table + QLatin1Char('.') + numberField + QStringLiteral(" = ")
                          + ado::SqlText(number) + QStringLiteral(" AND ") + table + QStringLiteral(".Partner = ")
                          + ado::SqlText(partner);
    rs.Open(QStringLiteral("SELECT * FROM ") + table + where + QStringLiteral(" AND ") + table
                + QStringLiteral(".Direction = ") + ado::SqlText(direction),
            connection, ado::adOpenStatic, ado::adLockReadOnly);
    if (!rs.Eof())
        return;
    rs.Close();
    rs.Open(QStringLiteral("SELECT * FROM ") + table + where, connection, ado::adOpenStatic, ado::adLockReadOnly);
    if (rs.Eof())
        vb::raise(3021, QStringLiteral("No ") + table + QStringLiteral(" envelope is stored for control number ")
                            + number + QStringLiteral(" of partner ") + partner);
}

} // namespace

DelimiterCells delimiterCells(const QString &delimiter, bool isTerminator)
{
    if (delimiter.isEmpty())
        vb::raise(5);
    DelimiterCells cells;
    if (isTerminator && delimiter == QLatin1String("\r\n"))
        cells.chr = QStringLiteral("\t\t");
    else if (isTerminator && delimiter == QLatin1String("\r"))
        cells.chr = QStringLiteral("\t");
    else
        cells.chr = delimiter;
    const int code = delimiter.at(0).unicode();
    cells.dec = QStringLiteral("(") + QString::number(code) + QStringLiteral(")");
    cells.hex = QString::number(code, 16).toUpper();
    if (cells.hex.size() == 1)
        cells.hex.prepend(QLatin1Char('0'));
    return cells;
}

QString sizeText(qint64 characters)
{
    return vb::Format(vb::Variant(static_cast<double>(characters)), QStringLiteral("###,###,###,###"))
           + QStringLiteral(" bytes");
}

QString directionText(const QString &direction)
{
    if (direction == QLatin1String("I"))
        return QStringLiteral("Inbound");
    if (direction == QLatin1String("O"))
        return QStringLiteral("Outbound");
    return {};
}

void readProperties(ado::Connection &connection, const QString &table, qint64 rowid, PropertiesData &data)
{
    static const QStringList mailboxes = {QStringLiteral("Inbox"), QStringLiteral("Outbox"), QStringLiteral("Sent"),
                                          QStringLiteral("Recycled")};
    if (!mailboxes.contains(table))
        vb::raise(5, QStringLiteral("Not a mailbox list: ") + table);

    // 1-2: the row itself, by its rowid, so a list refilled in another order
    // never shows another row's properties.
    ado::Recordset row;
    row.Open(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE rowid = ") + QString::number(rowid),
             connection, ado::adOpenStatic, ado::adLockReadOnly);
    if (row.Eof())
        vb::raise(3021, QStringLiteral("The selected transaction set is no longer in the ") + table
                            + QStringLiteral(" folder"));
    const QString tset = text(row, QStringLiteral("TSet"));
    const QString interchange = text(row, QStringLiteral("InterchangeControlNumber"));
    const QString group = text(row, QStringLiteral("GroupControlNumber"));
    const QString direction = text(row, QStringLiteral("Direction"));
    const QString partner = text(row, QStringLiteral("Partner"));
    const QString status = text(row, QStringLiteral("Status"));
    const QString acknowledged = text(row, QStringLiteral("Acknowledged"));
    row.Close();

    // 3-4
    data.status = status;
    data.acknowledged = acknowledged;
    data.location = table;
    data.partner = partner;

    // 5
    data.transactionSet = tset.mid(3, 3);
    ado::Recordset standard;
    standard.Open(QStringLiteral("SELECT Standard.Transaction, Standard.Description FROM Standard WHERE "
                                 "Standard.Transaction = ")
                      + ado::SqlText(data.transactionSet),
                  connection, ado::adOpenStatic, ado::adLockReadOnly);
    data.description = standard.Eof() ? QStringLiteral("Unknown") : text(standard, QStringLiteral("Description"));
    standard.Close();

    // 6-7
    data.direction = directionText(direction);
    data.size = sizeText(tset.size());

    // 8: through the shared look-ups, which read the shared connection.
    data.segment = delimiterCells(modGlobal::GetSegmentTerminator(partner), true);
    data.element = delimiterCells(modGlobal::GetElementSeparator(partner), false);
    data.sub = delimiterCells(modGlobal::GetSubElementSeparator(partner), false);

    // 9-10
    ado::Recordset isa;
    openEnvelope(isa, connection, QStringLiteral("ISA"), QStringLiteral("ISA13"), interchange, partner, direction);
    for (int i = 0; i < 15; ++i)
        data.isa[i] = text(isa, QStringLiteral("ISA%1").arg(i + 1, 2, 10, QLatin1Char('0')));
    isa.Close();
    ado::Recordset gs;
    openEnvelope(gs, connection, QStringLiteral("GS"), QStringLiteral("GS06"), group, partner, direction);
    for (int i = 0; i < 8; ++i)
        data.gs[i] = text(gs, QStringLiteral("GS%1").arg(i + 1, 2, 10, QLatin1Char('0')));
    gs.Close();
}

} // namespace settings
