#pragma once
// The networks of the communications window: the rows of table `Internet`,
// read whole into the window's pages, added by name, saved from a page and
// deleted. A network's name is its key: letters and digits, at least six,
// and no two networks share a name in any letter case.

#include "ado/Connection.h"
#include "vb/Variant.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace communications {

// The 37 fields a network page shows and saves, in the order of the page's
// controls (the order ShowNetwork puts them into the page).
enum NetworkField : int {
    fURL,
    fProxy,
    fUserName,
    fPassword,
    fProtocol,
    fAccessType,
    fRemotePort,
    fTimeout,
    fCheckTime,
    fTime,
    fCheckInterval,
    fInterval,
    fSendReceive,
    fReceiveOnly,
    fSendOnly,
    fSendScript,
    fReceiveScript,
    fOrganizationName,
    fEmail,
    fPartnerName,
    fPartnerURL,
    fSignOutgoing,
    fEncryptOutgoing,
    fCompressOutgoing,
    fRequireSignature,
    fRequireEncryption,
    fMDNSigned,
    fMDNUnsigned,
    fRequestMDN,
    fSyncronous,
    fAsyncronous,
    fProvider,
    fAlgorithm,
    fHash,
    fStoreLocation,
    fStoreName,
    fCertificate,
    NetworkFieldCount
};

// The column name of a field, as the table spells it.
QString networkFieldName(int field);

struct NetworkRow {
    QString Network;
    // One value per NetworkField; Null where the row holds none (a network
    // added by name and never saved).
    std::vector<vb::Variant> values = std::vector<vb::Variant>(NetworkFieldCount, vb::Variant::null());
};

struct NetworkNameRefusal {
    QString message;
    int icon = 0; // vb::vbCritical or vb::vbExclamation
};
// Why a typed name is refused ("Invalid Network Name!" for anything but
// a-z, A-Z and 0-9, then "Enter a longer Network Name! (Min 6)"); nullopt
// when accepted.
std::optional<NetworkNameRefusal> refuseNetworkName(const QString &name);
// "A network named ACME01 already exists." for the stored spelling of a
// name typed in another letter case too.
QString networkExistsMessage(const QString &storedName);

class NetworkStore {
public:
    explicit NetworkStore(ado::ConnectionPtr connection);

    // Every row, by name ascending.
    std::vector<NetworkRow> loadAll() const;
    // The first row of that name; nullopt when there is none.
    std::optional<NetworkRow> load(const QString &name) const;
    // Adds a row holding only its name. A name another network has, in any
    // letter case, is refused (networkExistsMessage), as the table's unique
    // index refuses it.
    void add(const QString &name);
    // Writes all 37 fields of the row of that name; 3021 when it is gone.
    void save(const QString &name, const std::vector<vb::Variant> &values);
    // Deletes the row of that name; false when there is none.
    bool remove(const QString &name);

private:
    ado::ConnectionPtr m_cn;
};

} // namespace communications
