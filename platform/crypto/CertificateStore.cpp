#include "crypto/CertificateStore.h"

#include "crypto/CryptoError.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <algorithm>

namespace crypto {

int storeLocationFromText(const QString &text)
{
    if (text == QLatin1String("Active Directory User Store"))
        return int(StoreLocation::ActiveDirectory);
    if (text == QLatin1String("Current User Store"))
        return int(StoreLocation::CurrentUser);
    if (text == QLatin1String("Local Machine Store"))
        return int(StoreLocation::LocalMachine);
    if (text == QLatin1String("Smart Card User Store"))
        return int(StoreLocation::SmartCard);
    return 0;
}

QString storesRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Corvantis/certificates");
}

QString storeFolder(int location, const QString &name)
{
    QString locationFolder;
    switch (location) {
    case int(StoreLocation::LocalMachine):
        locationFolder = QStringLiteral("LocalMachine");
        break;
    case int(StoreLocation::CurrentUser):
        locationFolder = QStringLiteral("CurrentUser");
        break;
    case int(StoreLocation::ActiveDirectory):
    case int(StoreLocation::SmartCard):
        return {};
    default:
        raise(kErrInvalidStoreLocation, QStringLiteral("The store location %1 is not valid.").arg(location));
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/'))
        || name.contains(QChar(0)))
        vb::raise(5, QStringLiteral("The store name \"%1\" is not valid.").arg(name));
    return storesRoot() + QLatin1Char('/') + locationFolder + QLatin1Char('/') + name;
}

QList<Certificate> readCertificateFile(const QString &path, QString *problem)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("\"%1\" cannot be read: %2").arg(QFileInfo(path).fileName(), f.errorString());
        return {};
    }
    const QByteArray bytes = f.readAll();
    QList<Certificate> out;
    ERR_clear_error();

    // PEM: every certificate block in order, and a private key block if any.
    if (bytes.contains("-----BEGIN ")) {
        BIO *bio = BIO_new_mem_buf(bytes.constData(), int(bytes.size()));
        EVP_PKEY *key = nullptr;
        QList<X509 *> certs;
        STACK_OF(X509_INFO) *infos = PEM_X509_INFO_read_bio(bio, nullptr, nullptr, nullptr);
        for (int i = 0; infos && i < sk_X509_INFO_num(infos); ++i) {
            X509_INFO *xi = sk_X509_INFO_value(infos, i);
            if (xi->x509) {
                X509_up_ref(xi->x509);
                certs.append(xi->x509);
            }
            if (xi->x_pkey && xi->x_pkey->dec_pkey && !key) {
                key = xi->x_pkey->dec_pkey;
                EVP_PKEY_up_ref(key);
            }
        }
        sk_X509_INFO_pop_free(infos, X509_INFO_free);
        BIO_free(bio);
        if (!key) {
            // A PKCS#8 key block that the info reader skipped.
            BIO *kb = BIO_new_mem_buf(bytes.constData(), int(bytes.size()));
            key = PEM_read_bio_PrivateKey(kb, nullptr, nullptr, const_cast<char *>(""));
            BIO_free(kb);
        }
        ERR_clear_error();
        for (int i = 0; i < certs.size(); ++i) {
            EVP_PKEY *k = nullptr;
            if (key && X509_check_private_key(certs[i], key) == 1) {
                k = key;
                EVP_PKEY_up_ref(k);
            }
            out.append(Certificate(certs[i], k, path));
        }
        ERR_clear_error();
        if (key)
            EVP_PKEY_free(key);
        if (out.isEmpty())
            *problem = QStringLiteral("\"%1\" holds no certificate").arg(QFileInfo(path).fileName());
        return out;
    }

    // DER certificate.
    const unsigned char *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    if (X509 *cert = d2i_X509(nullptr, &p, long(bytes.size()))) {
        out.append(Certificate(cert, nullptr, path));
        return out;
    }
    ERR_clear_error();

    // PKCS#12 without a password: its certificate with the key first, then the chain.
    BIO *bio = BIO_new_mem_buf(bytes.constData(), int(bytes.size()));
    PKCS12 *p12 = d2i_PKCS12_bio(bio, nullptr);
    BIO_free(bio);
    if (p12) {
        EVP_PKEY *key = nullptr;
        X509 *cert = nullptr;
        STACK_OF(X509) *chain = nullptr;
        const bool ok = PKCS12_parse(p12, "", &key, &cert, &chain) == 1 || PKCS12_parse(p12, nullptr, &key, &cert, &chain) == 1;
        PKCS12_free(p12);
        if (ok) {
            if (cert)
                out.append(Certificate(cert, key, path));
            else if (key)
                EVP_PKEY_free(key);
            for (int i = 0; chain && i < sk_X509_num(chain); ++i) {
                X509 *c = sk_X509_value(chain, i);
                X509_up_ref(c);
                out.append(Certificate(c, nullptr, path));
            }
            sk_X509_pop_free(chain, X509_free);
            ERR_clear_error();
            if (!out.isEmpty())
                return out;
        }
        *problem = QStringLiteral("\"%1\" cannot be opened without a password").arg(QFileInfo(path).fileName());
        ERR_clear_error();
        return {};
    }
    ERR_clear_error();
    *problem = QStringLiteral("\"%1\" is not a certificate file").arg(QFileInfo(path).fileName());
    return {};
}

CertificateStore CertificateStore::openFolder(const QString &folder)
{
    CertificateStore store;
    if (folder.isEmpty())
        return store;
    static const QStringList filters = {QStringLiteral("*.pem"), QStringLiteral("*.crt"), QStringLiteral("*.cer"),
                                        QStringLiteral("*.der"), QStringLiteral("*.p12"), QStringLiteral("*.pfx")};
    QDir dir(folder);
    dir.setNameFilters(filters);
    dir.setFilter(QDir::Files | QDir::Readable | QDir::Hidden);
    // Byte order of the names, independent of the locale, so positions are stable.
    QStringList names = dir.entryList(QDir::Files, QDir::NoSort);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return a.toUtf8() < b.toUtf8(); });
    for (const QString &name : names) {
        QString problem;
        store.m_certificates.append(readCertificateFile(dir.filePath(name), &problem));
        if (!problem.isEmpty())
            store.m_problems.append(problem);
    }
    return store;
}

CertificateStore CertificateStore::open(int location, const QString &name)
{
    return openFolder(storeFolder(location, name));
}

const Certificate &CertificateStore::item(int position) const
{
    if (position < 1 || position > m_certificates.size())
        vb::raise(9);
    return m_certificates.at(position - 1);
}

} // namespace crypto
