#pragma once
// Certificate stores. A store is a folder per location and store name under
// the user's data folder:
//   <data>/Corvantis/certificates/CurrentUser/My, .../LocalMachine/Root ...
// holding PEM (.pem .crt .cer), DER (.der .cer .crt) and PKCS#12 (.p12 .pfx,
// without a password) files. A missing folder is an empty store. The
// directory-service and smart-card locations have no folder and open empty.
// Certificates are listed in a stable order: files by name (byte order), the
// certificates of one file in the file's own order, so that a stored position
// keeps naming the same certificate while the folder is unchanged.

#include "crypto/Certificate.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace crypto {

// The locations by their numbers as the windows pass them.
enum class StoreLocation : int {
    LocalMachine = 1,
    CurrentUser = 2,
    ActiveDirectory = 3,
    SmartCard = 4,
};

// The location for the texts of the store-location lists ("Current User Store"
// ...); 0 for any other text.
int storeLocationFromText(const QString &text);

// The folder holding all stores; created by nobody but the user.
QString storesRoot();
// The folder of one store; empty for the locations without folders. Raises
// kErrInvalidStoreLocation for a number outside 1-4 and refuses names that
// are not plain folder names (empty, ".", "..", with "/").
QString storeFolder(int location, const QString &name);

class CertificateStore {
public:
    // Opens a store read-only. A file that cannot be read is left out and
    // named in problems(); the others are still listed.
    static CertificateStore open(int location, const QString &name);
    // Reads every certificate file of `folder` (the same rules; for tests and
    // for the transfer control's trusted roots).
    static CertificateStore openFolder(const QString &folder);

    int count() const { return int(m_certificates.size()); }
    // 1-based, as the windows count; 9 (subscript out of range) outside.
    const Certificate &item(int position) const;
    const QList<Certificate> &certificates() const { return m_certificates; }
    QStringList problems() const { return m_problems; }

private:
    QList<Certificate> m_certificates;
    QStringList m_problems;
};

// Reads all certificates of one file (with the key, when the file holds the
// key of its first certificate). Empty with `problem` set when it cannot.
QList<Certificate> readCertificateFile(const QString &path, QString *problem);

} // namespace crypto
