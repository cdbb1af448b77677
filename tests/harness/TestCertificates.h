#pragma once
// Self-signed certificates with chosen validity dates, made through OpenSSL
// itself (the command line of OpenSSL 3.0 cannot date a certificate in the
// past). Header only: a test that includes it links OpenSSL through
// platform_crypto.

#include <QDateTime>
#include <QFile>
#include <QString>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

namespace corvantis::test {

// Writes one PEM file holding the certificate (common name `commonName`,
// valid from `notBefore` to `notAfter`) and its unencrypted key. False when
// OpenSSL refuses a step or the file cannot be written.
inline bool makeDatedCertificate(const QString &pemFile, const QString &commonName, const QDateTime &notBefore,
                                 const QDateTime &notAfter)
{
    EVP_PKEY *key = EVP_RSA_gen(2048);
    X509 *cert = X509_new();
    bool ok = key && cert;
    if (ok) {
        X509_set_version(cert, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert), long(notBefore.toSecsSinceEpoch() & 0x7fffffff));
        ok = ASN1_TIME_set(X509_getm_notBefore(cert), time_t(notBefore.toSecsSinceEpoch()))
            && ASN1_TIME_set(X509_getm_notAfter(cert), time_t(notAfter.toSecsSinceEpoch()));
        X509_NAME *name = X509_get_subject_name(cert);
        const QByteArray cn = commonName.toUtf8();
        ok = ok
            && X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char *>(cn.constData()),
                                          int(cn.size()), -1, 0)
            && X509_set_issuer_name(cert, name) && X509_set_pubkey(cert, key) && X509_sign(cert, key, EVP_sha256()) > 0;
    }
    QByteArray pem;
    if (ok) {
        BIO *bio = BIO_new(BIO_s_mem());
        ok = PEM_write_bio_X509(bio, cert) && PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
        char *data = nullptr;
        const long size = BIO_get_mem_data(bio, &data);
        pem = QByteArray(data, size);
        BIO_free(bio);
    }
    X509_free(cert);
    EVP_PKEY_free(key);
    if (!ok)
        return false;
    QFile file(pemFile);
    return file.open(QIODevice::WriteOnly) && file.write(pem) == pem.size();
}

} // namespace corvantis::test
