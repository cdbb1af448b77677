#include "partners/SetStore.h"

#include "partners/SetFiles.h"
#include "partners/TransactionsNotifier.h"

#include "ado/Recordset.h"
#include "ado/Transaction.h"
#include "ado/Sql.h"
#include "com/ClassRegistry.h"
#include "vb/Conversions.h"
#include "vb/VbError.h"

#include <QFileInfo>

namespace partners {

namespace {

QString text(const ado::Recordset &rs, const char *name)
{
    const vb::Variant v = rs.Fields(QString::fromLatin1(name)).Value();
    return v.isNull() || v.isEmpty() ? QString() : vb::CStr(v);
}

} // namespace

QString duplicateSetMessage(const QString &transaction, const QString &version)
{
    return QStringLiteral("Transation ") + transaction + QStringLiteral(" Version ") + version
        + QStringLiteral(" already exist.");
}

QString progIdFor(const QString &libraryFile, const SetKey &key)
{
    const QString prefix = com::progIdPrefix(libraryFile);
    if (prefix.isEmpty())
        vb::raise(5, QStringLiteral("The library file \"") + QFileInfo(libraryFile).fileName()
                         + QStringLiteral("\" has no name before its extension."));
    return prefix + QLatin1Char('.') + key.fileStem();
}

SetStore::SetStore(ado::ConnectionPtr connection) : m_cn(std::move(connection)) {}

QVector<SetListRow> SetStore::list(const QString &partner, const QString &direction) const
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Transactions WHERE Transactions.Partner = ") + ado::SqlText(partner)
                + QStringLiteral(" AND Transactions.Direction = ") + ado::SqlText(direction)
                + QStringLiteral(" ORDER BY Transaction ASC"),
            m_cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
    QVector<SetListRow> rows;
    for (; !rs.Eof(); rs.MoveNext())
        rows.push_back({text(rs, "Transaction"), text(rs, "Version"), text(rs, "Group"), text(rs, "ActiveX")});
    rs.Close();
    return rows;
}

SetDetail SetStore::detail(const SetKey &key) const
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Transactions WHERE ") + key.condition(QStringLiteral("Transactions")), key.values(), m_cn,
            ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (rs.Eof())
        vb::raise(3021);
    SetDetail d;
    d.Versionoverride = text(rs, "Versionoverride");
    d.ControlNumber = text(rs, "ControlNumber");
    const vb::Variant ack = rs.Fields(QStringLiteral("Acknowledge")).Value();
    d.Acknowledge = !ack.isNull() && !ack.isEmpty() && vb::CBool(ack);
    d.Description = text(rs, "Description");
    rs.Close();
    return d;
}

bool SetStore::exists(const SetKey &key) const
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Transactions.Partner FROM Transactions WHERE ") + key.condition(QStringLiteral("Transactions")),
            key.values(), m_cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
    const bool found = !rs.Eof();
    rs.Close();
    return found;
}

void SetStore::save(const SetKey &key, const QString &override, const QString &controlNumberText, bool acknowledge)
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Transactions WHERE ") + key.condition(QStringLiteral("Transactions")), key.values(), m_cn,
            ado::adOpenKeyset, ado::adLockOptimistic);
    if (rs.Eof())
        vb::raise(3021);
    ado::writeRow(rs, [&] {
        rs.Fields(QStringLiteral("Versionoverride")) = override.toUpper();
        const QString number = controlNumberText.trimmed();
        if (!number.isEmpty() && vb::IsNumeric(vb::Variant(number)))
            rs.Fields(QStringLiteral("ControlNumber")) = vb::Variant::fromLong(vb::CLng(vb::Variant(number)));
        rs.Fields(QStringLiteral("Acknowledge")) = vb::Variant(acknowledge);
    });
    notifyTransactionsChanged();
}

void SetStore::remove(const SetKey &key)
{
    notifyMapsLeaving(key.partner, key.transaction, key.version, key.direction);
    ado::inTransaction(*m_cn, [&] {
        for (const char *table : {"Transactions", "Segment", "Element"}) {
            const QString t = QString::fromLatin1(table);
            m_cn->Execute(QStringLiteral("DELETE FROM ") + ado::SqlName(t) + QStringLiteral(" WHERE ") + key.condition(t), key.values());
        }
    });
    notifyTransactionsChanged();
}

bool SetStore::add(const SetKey &key, const QString &group, const QString &description)
{
    const bool outbound = key.direction == QLatin1String("O");
    // Named before anything is written: a key that cannot name a file adds nothing.
    const QString file = outbound
        ? folderSetting(QStringLiteral("Import")) + QLatin1Char('/')
            + setKey(key.partner, key.transaction, key.version, key.direction) + QStringLiteral(".IMP")
        : folderSetting(QStringLiteral("Export")) + QLatin1Char('/')
            + setKey(key.partner, key.transaction, key.version, key.direction) + QStringLiteral(".EXP");
    if (exists(key))
        return false;
    // A folder that cannot take the file refuses the set before anything is
    // written; the file itself is made only once the rows are committed, so
    // a failed commit never empties an existing file of the same key.
    refuseUnwritable(file);
    ado::inTransaction(*m_cn, [&] {
        auto addRow = [&](const QString &table, const std::vector<std::pair<const char *, vb::Variant>> &values) {
            ado::Recordset rs;
            rs.Open(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE 1 = 0"), m_cn, ado::adOpenKeyset,
                    ado::adLockOptimistic);
            rs.AddNew();
            try {
                for (const auto &[name, value] : values)
                    rs.Fields(QString::fromLatin1(name)) = value;
                rs.Update();
            } catch (...) {
                if (rs.EditMode() != ado::adEditNone)
                    rs.CancelUpdate();
                throw;
            }
            rs.Close();
        };
        addRow(QStringLiteral("Transactions"), {{"Partner", key.partner},
                                                {"Transaction", key.transaction},
                                                {"Description", description},
                                                {"Group", group},
                                                {"Version", key.version},
                                                {"Versionoverride", key.version},
                                                {"Direction", key.direction}});
        addRow(QStringLiteral("Segment"), {{"Partner", key.partner},
                                           {"Transaction", key.transaction},
                                           {"Version", key.version},
                                           {"Direction", key.direction},
                                           {"Segment", "XX"},
                                           {"SegmentIndex", vb::Variant(int16_t(1))},
                                           {"Node", vb::Variant(int16_t(1))}});
        addRow(QStringLiteral("Element"), {{"Partner", key.partner},
                                           {"Version", key.version},
                                           {"Transaction", key.transaction},
                                           {"Direction", key.direction},
                                           {"Segment", "XX"},
                                           {"ElementIndex", vb::Variant(int16_t(1))},
                                           {"SegmentIndex", vb::Variant(int16_t(1))}});
    });
    notifyTransactionsChanged();
    try {
        createEmptyFile(file);
    } catch (const vb::VbError &e) {
        vb::raise(e.number, QStringLiteral("The transaction set was added, but its file could not be created: ")
                                + e.description);
    }
    return true;
}

void SetStore::setActiveX(const SetKey &key, const QString &progId)
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Transactions WHERE ") + key.condition(QStringLiteral("Transactions")), key.values(), m_cn,
            ado::adOpenKeyset, ado::adLockOptimistic);
    if (rs.Eof())
        vb::raise(3021);
    try {
        rs.Fields(QStringLiteral("ActiveX")) = progId;
        rs.Update();
    } catch (...) {
        if (rs.EditMode() != ado::adEditNone)
            rs.CancelUpdate();
        throw;
    }
    rs.Close();
    notifyTransactionsChanged();
}

} // namespace partners
