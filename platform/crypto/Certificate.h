#pragma once
// One X.509 certificate, with the private key that came with it when its file
// held one (PKCS#12, or a PEM file with a key block).

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <memory>

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

namespace crypto {

class Certificate {
public:
    Certificate() = default;
    // Takes one reference of each (key may be null).
    Certificate(X509 *cert, EVP_PKEY *key, QString sourceFile);

    bool isNull() const { return !m_cert; }
    X509 *x509() const { return m_cert.get(); }
    EVP_PKEY *privateKey() const { return m_key.get(); }
    bool hasPrivateKey() const { return bool(m_key); }
    QString sourceFile() const { return m_source; }

    // What the certificate lists show: 0 the subject's simple name, 1 the
    // issuer's simple name, 2 the subject's e-mail address, 6 the subject's DNS
    // name; any other kind gives empty text. A simple name is the common name,
    // else the organisational unit, organisation or e-mail, else the whole
    // distinguished name.
    QString info(int kind) const;
    QString subjectName() const; // the distinguished names in one line, e.g. "CN=Acme, O=Acme Ltd"
    QString issuerName() const;
    QString serialNumber() const; // hexadecimal, upper case
    QString thumbprint() const;   // SHA-1 of the DER form, hexadecimal, upper case
    QDateTime validFrom() const;  // UTC
    QDateTime validTo() const;    // UTC
    QByteArray toPem() const;

private:
    std::shared_ptr<X509> m_cert;
    std::shared_ptr<EVP_PKEY> m_key;
    QString m_source;
};

} // namespace crypto
