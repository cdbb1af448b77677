#pragma once
// Errors of the certificate component. They are raised as vb::VbError with
// negative numbers, like the component errors the windows expect ("... error
// found : " followed by the number), never with the runtime's positive ones.

#include <QString>
#include <cstdint>

namespace crypto {

enum ErrorCode : int32_t {
    kErrInvalidStoreLocation = int32_t(0x80880101u), // not one of the four locations
    kErrNoPrivateKey = int32_t(0x8088020Au),         // the signer's certificate has no key beside it
    kErrSignFailed = int32_t(0x80880230u),           // OpenSSL refused to make the signature
    kErrNoContent = int32_t(0x80880231u),            // nothing to sign
    kErrContentUnreadable = int32_t(0x80880232u),    // the file to sign cannot be read
    kErrNoCertificate = int32_t(0x80880233u),        // no signer certificate was given
    kErrCertificateExpired = int32_t(0x80880234u),   // the signer's certificate is no longer valid
    kErrCertificateNotYetValid = int32_t(0x80880235u), // the signer's certificate is not valid yet
};

// Raises vb::VbError(code, description, "Certificates"); the description ends
// with OpenSSL's own reason when one is queued.
[[noreturn]] void raise(ErrorCode code, const QString &description);

// The reasons OpenSSL queued on this thread, joined, and the queue emptied.
QString takeOpenSslErrors();

} // namespace crypto
