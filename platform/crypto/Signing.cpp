#include "crypto/Signing.h"

#include "crypto/CryptoError.h"
#include "vb/Clock.h"

#include <QDateTime>
#include <QFile>

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

namespace crypto {

namespace {

QString sign(const Certificate &signer, BIO *content, const QDateTime &signingTime)
{
    if (signer.isNull())
        raise(kErrNoCertificate, QStringLiteral("No signer certificate was given."));
    if (!signer.hasPrivateKey())
        raise(kErrNoPrivateKey, QStringLiteral("The certificate \"%1\" has no private key.").arg(signer.info(0)));
    requireValidNow(signer);

    const unsigned flags = CMS_DETACHED | CMS_BINARY | CMS_PARTIAL | CMS_STREAM;
    CMS_ContentInfo *cms = CMS_sign(nullptr, nullptr, nullptr, nullptr, flags);
    if (!cms)
        raise(kErrSignFailed, QStringLiteral("The signature could not be made."));
    CMS_SignerInfo *si = CMS_add1_signer(cms, signer.x509(), signer.privateKey(), EVP_sha256(), CMS_BINARY);
    if (!si) {
        CMS_ContentInfo_free(cms);
        raise(kErrSignFailed, QStringLiteral("The certificate cannot sign."));
    }
    // The signing time is the program's clock, not the machine's: OpenSSL adds
    // its own only when the attribute is missing.
    const QDateTime local = signingTime.isValid() ? signingTime : vb::currentDateTime();
    ASN1_TIME *when = ASN1_TIME_set(nullptr, time_t(local.toSecsSinceEpoch()));
    const bool timeAdded = when && CMS_signed_add1_attr_by_NID(si, NID_pkcs9_signingTime, when->type, when, -1) == 1;
    ASN1_TIME_free(when);
    if (!timeAdded) {
        CMS_ContentInfo_free(cms);
        raise(kErrSignFailed, QStringLiteral("The signing time could not be set."));
    }
    if (CMS_final(cms, content, nullptr, flags & ~CMS_STREAM) != 1) {
        CMS_ContentInfo_free(cms);
        raise(kErrSignFailed, QStringLiteral("The content could not be signed."));
    }
    unsigned char *der = nullptr;
    const int len = i2d_CMS_ContentInfo(cms, &der);
    CMS_ContentInfo_free(cms);
    if (len <= 0)
        raise(kErrSignFailed, QStringLiteral("The signature could not be encoded."));
    const QByteArray bytes(reinterpret_cast<const char *>(der), len);
    OPENSSL_free(der);
    return base64Lines(bytes);
}

} // namespace

void requireValidNow(const Certificate &certificate)
{
    // A partner rejects a signature whose certificate was not valid when it
    // was made; say so here, with the dates, instead of sending it.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto when = [](const QDateTime &t) { return t.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'")); };
    const QString period =
        QStringLiteral("valid from %1 to %2").arg(when(certificate.validFrom()), when(certificate.validTo()));
    if (certificate.validTo().isValid() && now > certificate.validTo())
        raise(kErrCertificateExpired, QStringLiteral("The certificate \"%1\" expired on %2 (%3).")
                                          .arg(certificate.info(0), when(certificate.validTo()), period));
    if (certificate.validFrom().isValid() && now < certificate.validFrom())
        raise(kErrCertificateNotYetValid, QStringLiteral("The certificate \"%1\" is not valid before %2 (%3).")
                                              .arg(certificate.info(0), when(certificate.validFrom()), period));
}

QString base64Lines(const QByteArray &bytes)
{
    const QByteArray b64 = bytes.toBase64();
    QString out;
    out.reserve(b64.size() + b64.size() / 32 + 2);
    for (qsizetype i = 0; i < b64.size(); i += 64) {
        out += QLatin1String(b64.mid(i, 64));
        out += QLatin1String("\r\n");
    }
    return out;
}

QString signDetached(const Certificate &signer, const QByteArray &content, const QDateTime &signingTime)
{
    if (content.isEmpty())
        raise(kErrNoContent, QStringLiteral("There is no content to sign."));
    ERR_clear_error();
    BIO *bio = BIO_new_mem_buf(content.constData(), int(content.size()));
    try {
        QString out = sign(signer, bio, signingTime);
        BIO_free(bio);
        return out;
    } catch (...) {
        BIO_free(bio);
        throw;
    }
}

QString signFileDetached(const Certificate &signer, const QString &path, const QDateTime &signingTime)
{
    ERR_clear_error();
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        raise(kErrContentUnreadable, QStringLiteral("The file \"%1\" cannot be read: %2.").arg(path, probe.errorString()));
    if (probe.size() == 0)
        raise(kErrNoContent, QStringLiteral("There is no content to sign."));
    probe.close();
    BIO *bio = BIO_new_file(QFile::encodeName(path).constData(), "rb");
    if (!bio)
        raise(kErrContentUnreadable, QStringLiteral("The file \"%1\" cannot be read.").arg(path));
    try {
        QString out = sign(signer, bio, signingTime);
        BIO_free(bio);
        return out;
    } catch (...) {
        BIO_free(bio);
        throw;
    }
}

} // namespace crypto
