#include "crypto/CryptoError.h"

#include "vb/VbError.h"

#include <QStringList>

#include <openssl/err.h>

namespace crypto {

QString takeOpenSslErrors()
{
    QStringList reasons;
    unsigned long e;
    while ((e = ERR_get_error()) != 0) {
        char buf[256];
        ERR_error_string_n(e, buf, sizeof buf);
        reasons.append(QString::fromLatin1(buf));
    }
    return reasons.join(QStringLiteral("; "));
}

void raise(ErrorCode code, const QString &description)
{
    const QString reason = takeOpenSslErrors();
    throw vb::VbError(code, reason.isEmpty() ? description : description + QStringLiteral(" (") + reason + QStringLiteral(")"),
                      QStringLiteral("Certificates"));
}

} // namespace crypto
