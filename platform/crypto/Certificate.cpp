#include "crypto/Certificate.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace crypto {

namespace {

QString entryText(X509_NAME *name, int nid)
{
    const int idx = X509_NAME_get_index_by_NID(name, nid, -1);
    if (idx < 0)
        return {};
    ASN1_STRING *data = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, idx));
    unsigned char *utf8 = nullptr;
    const int len = ASN1_STRING_to_UTF8(&utf8, data);
    if (len < 0)
        return {};
    QString s = QString::fromUtf8(reinterpret_cast<const char *>(utf8), len);
    OPENSSL_free(utf8);
    return s;
}

QString oneLine(X509_NAME *name)
{
    BIO *bio = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(bio, name, 0, (XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB & ~XN_FLAG_SPC_EQ) | ASN1_STRFLGS_UTF8_CONVERT);
    char *data = nullptr;
    const long len = BIO_get_mem_data(bio, &data);
    QString s = QString::fromUtf8(data, int(len));
    BIO_free(bio);
    return s;
}

QString simpleName(X509_NAME *name)
{
    for (int nid : {NID_commonName, NID_organizationalUnitName, NID_organizationName, NID_pkcs9_emailAddress}) {
        const QString s = entryText(name, nid);
        if (!s.isEmpty())
            return s;
    }
    return oneLine(name);
}

QDateTime fromAsn1(const ASN1_TIME *t)
{
    struct tm tm {};
    if (!t || ASN1_TIME_to_tm(t, &tm) != 1)
        return {};
    return QDateTime(QDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday), QTime(tm.tm_hour, tm.tm_min, tm.tm_sec),
                     Qt::UTC);
}

QString altName(X509 *cert, int type)
{
    auto *names = static_cast<GENERAL_NAMES *>(X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr));
    QString out;
    for (int i = 0; names && i < sk_GENERAL_NAME_num(names) && out.isEmpty(); ++i) {
        const GENERAL_NAME *gn = sk_GENERAL_NAME_value(names, i);
        if (gn->type == type) {
            const ASN1_IA5STRING *s = gn->d.ia5;
            out = QString::fromLatin1(reinterpret_cast<const char *>(ASN1_STRING_get0_data(s)), ASN1_STRING_length(s));
        }
    }
    GENERAL_NAMES_free(names);
    return out;
}

} // namespace

Certificate::Certificate(X509 *cert, EVP_PKEY *key, QString sourceFile)
    : m_cert(cert, X509_free), m_source(std::move(sourceFile))
{
    if (key)
        m_key.reset(key, EVP_PKEY_free);
}

QString Certificate::info(int kind) const
{
    if (!m_cert)
        return {};
    switch (kind) {
    case 0:
        return simpleName(X509_get_subject_name(m_cert.get()));
    case 1:
        return simpleName(X509_get_issuer_name(m_cert.get()));
    case 2: {
        const QString fromName = entryText(X509_get_subject_name(m_cert.get()), NID_pkcs9_emailAddress);
        return fromName.isEmpty() ? altName(m_cert.get(), GEN_EMAIL) : fromName;
    }
    case 6:
        return altName(m_cert.get(), GEN_DNS);
    default:
        return {};
    }
}

QString Certificate::subjectName() const { return m_cert ? oneLine(X509_get_subject_name(m_cert.get())) : QString(); }
QString Certificate::issuerName() const { return m_cert ? oneLine(X509_get_issuer_name(m_cert.get())) : QString(); }

QString Certificate::serialNumber() const
{
    if (!m_cert)
        return {};
    BIGNUM *bn = ASN1_INTEGER_to_BN(X509_get0_serialNumber(m_cert.get()), nullptr);
    char *hex = BN_bn2hex(bn);
    QString s = QString::fromLatin1(hex).toUpper();
    OPENSSL_free(hex);
    BN_free(bn);
    return s;
}

QString Certificate::thumbprint() const
{
    if (!m_cert)
        return {};
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    X509_digest(m_cert.get(), EVP_sha1(), md, &len);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(md), int(len)).toHex().toUpper());
}

QDateTime Certificate::validFrom() const { return m_cert ? fromAsn1(X509_get0_notBefore(m_cert.get())) : QDateTime(); }
QDateTime Certificate::validTo() const { return m_cert ? fromAsn1(X509_get0_notAfter(m_cert.get())) : QDateTime(); }

QByteArray Certificate::toPem() const
{
    if (!m_cert)
        return {};
    BIO *bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, m_cert.get());
    char *data = nullptr;
    const long len = BIO_get_mem_data(bio, &data);
    QByteArray out(data, int(len));
    BIO_free(bio);
    return out;
}

} // namespace crypto
