#pragma once
// Detached CMS (PKCS #7) signatures: SHA-256 over the content's bytes as they
// are (binary, no line-end conversion), a signing-time attribute from the
// program's clock, the signer's certificate included. The result is Base64 in
// lines of 64 characters, each ending in CR LF.

#include "crypto/Certificate.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace crypto {

// `signingTime` is local time as the program's clock gives it; an invalid
// value means vb::currentDateTime(). Raises vb::VbError with the negative
// codes of CryptoError.h; a certificate outside its validity period (judged
// by the machine's clock, as the partner will judge it) is refused with its
// dates.
QString signDetached(const Certificate &signer, const QByteArray &content, const QDateTime &signingTime = {});
// The same over a file's bytes, read as a stream.
QString signFileDetached(const Certificate &signer, const QString &path, const QDateTime &signingTime = {});

// Raises kErrCertificateExpired or kErrCertificateNotYetValid, naming the
// certificate and its validity dates, when the machine's clock is outside them.
void requireValidNow(const Certificate &certificate);

// Base64 in lines of 64 characters, each ending in CR LF.
QString base64Lines(const QByteArray &bytes);

} // namespace crypto
