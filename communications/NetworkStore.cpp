#include "communications/NetworkStore.h"

#include "ado/Recordset.h"
#include "ado/Sql.h"
#include "ado/Transaction.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <functional>

using namespace Qt::StringLiterals;

namespace communications {

namespace {

const char *const kFieldNames[NetworkFieldCount] = {
    "URL",          "Proxy",          "UserName",         "Password",         "protocol",          "AccessType",
    "RemotePort",   "timeout",        "CheckTime",        "Time",             "CheckInterval",     "Interval",
    "SendReceive",  "ReceiveOnly",    "SendOnly",         "SendScript",       "ReceiveScript",     "OrganizationName",
    "Email",        "PartnerName",    "PartnerURL",       "SignOutgoing",     "EncryptOutgoing",   "CompressOutgoing",
    "RequireSignature", "RequireEncryption", "MDNSigned", "MDNUnsigned",      "RequestMDN",        "Syncronous",
    "Asyncronous",  "Provider",       "Algorithm",        "Hash",             "StoreLocation",     "StoreName",
    "Certificate",
};

bool isLetterOrDigit(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
}

QString byName(const QString &name)
{
    return u"SELECT * FROM Internet WHERE Internet.Network = "_s + ado::SqlText(name);
}

NetworkRow readRow(const ado::Recordset &rs, const std::vector<int> &positions)
{
    NetworkRow row;
    row.Network = rs.Fields(positions[0]).Value().isNull() ? QString() : rs.Fields(positions[0]).Value().toString();
    for (int f = 0; f < NetworkFieldCount; ++f)
        row.values[std::size_t(f)] = rs.Fields(positions[std::size_t(f) + 1]).Value();
    return row;
}

// Field positions found once by name: "Network" first, then the 37 fields.
std::vector<int> positionsOf(const ado::Recordset &rs)
{
    std::vector<int> positions;
    const auto position = [&](const QString &name) {
        for (int i = 0; i < rs.Fields().Count(); ++i)
            if (rs.Fields(i).Name().compare(name, Qt::CaseInsensitive) == 0)
                return i;
        vb::raise(3265, u"Item cannot be found in the collection corresponding to the requested name or ordinal: "_s
                            + name);
    };
    positions.push_back(position(u"Network"_s));
    for (int f = 0; f < NetworkFieldCount; ++f)
        positions.push_back(position(networkFieldName(f)));
    return positions;
}

using ado::writeRow;

} // namespace

QString networkFieldName(int field)
{
    if (field < 0 || field >= NetworkFieldCount)
        vb::raise(9);
    return QString::fromLatin1(kFieldNames[field]);
}

std::optional<NetworkNameRefusal> refuseNetworkName(const QString &name)
{
    for (QChar c : name)
        if (!isLetterOrDigit(c))
            return NetworkNameRefusal{u"Invalid Network Name!"_s, vb::vbCritical};
    if (name.size() < 6)
        return NetworkNameRefusal{u"Enter a longer Network Name! (Min 6)"_s, vb::vbExclamation};
    return std::nullopt;
}

QString networkExistsMessage(const QString &storedName)
{
    return u"A network named "_s + storedName + u" already exists."_s;
}

NetworkStore::NetworkStore(ado::ConnectionPtr connection) : m_cn(std::move(connection)) {}

std::vector<NetworkRow> NetworkStore::loadAll() const
{
    ado::Recordset rs;
    rs.Open(u"SELECT * FROM Internet ORDER BY Internet.Network ASC"_s, m_cn, ado::adOpenForwardOnly,
            ado::adLockReadOnly);
    std::vector<NetworkRow> rows;
    if (!rs.Eof()) {
        const std::vector<int> positions = positionsOf(rs);
        for (; !rs.Eof(); rs.MoveNext())
            rows.push_back(readRow(rs, positions));
    }
    rs.Close();
    return rows;
}

std::optional<NetworkRow> NetworkStore::load(const QString &name) const
{
    ado::Recordset rs;
    rs.Open(byName(name), m_cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
    std::optional<NetworkRow> row;
    if (!rs.Eof())
        row = readRow(rs, positionsOf(rs));
    rs.Close();
    return row;
}

void NetworkStore::add(const QString &name)
{
    // Names compare without regard to case (the column's collation), so this
    // finds "ACME01" for "acme01"; the unique index refuses it too, but an
    // older database file may lack the index.
    ado::Recordset rs;
    rs.Open(byName(name), m_cn, ado::adOpenKeyset, ado::adLockOptimistic);
    if (!rs.Eof())
        vb::raise(ado::adErrProvider, networkExistsMessage(rs.Fields(u"Network"_s).Value().toString()),
                  u"Corvantis database"_s);
    rs.AddNew();
    writeRow(rs, [&] { rs.Fields(u"Network"_s) = vb::Variant(name); });
}

void NetworkStore::save(const QString &name, const std::vector<vb::Variant> &values)
{
    if (values.size() != std::size_t(NetworkFieldCount))
        vb::raise(5);
    ado::Recordset rs;
    rs.Open(byName(name), m_cn, ado::adOpenKeyset, ado::adLockOptimistic);
    if (rs.Eof())
        vb::raise(3021);
    writeRow(rs, [&] {
        for (int f = 0; f < NetworkFieldCount; ++f)
            rs.Fields(networkFieldName(f)) = values[std::size_t(f)];
    });
}

bool NetworkStore::remove(const QString &name)
{
    ado::Recordset rs;
    rs.Open(byName(name), m_cn, ado::adOpenKeyset, ado::adLockOptimistic);
    if (rs.Eof()) {
        rs.Close();
        return false;
    }
    rs.Delete();
    rs.Close();
    return true;
}

} // namespace communications
