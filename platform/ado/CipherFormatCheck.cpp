// Whether a keyed file that does not open is in a cipher format of another
// version of the library: its first page is checked the way the library
// checks it (a keyed hash over the encrypted page and its number), with the
// parameters of each other known format. The check needs no library of that
// version: a build on version 3 recognises the files of version 4, whose
// hash it cannot compute itself.
#include "ado/ConnectionData.h"

#include <QFile>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace ado::detail {

namespace {

// A format's key derivation and page check.
struct CipherFormatParameters {
    const EVP_MD *(*digest)(); // of the key derivation and of the page check
    int rounds;                // of the key derivation
};

// The formats a file may have besides the pinned one: version 4's defaults
// and version 2's.
const CipherFormatParameters kOtherFormats[] = {{EVP_sha512, 256000}, {EVP_sha1, 4000}};

constexpr int kSaltSize = 16; // the first bytes of the file
constexpr int kKeySize = 32;
constexpr int kIvSize = 16;
constexpr unsigned char kCheckKeySaltMask = 0x3a;

bool firstPageChecks(const QByteArray &head, const QByteArray &password, const CipherFormatParameters &format)
{
    const EVP_MD *digest = format.digest();
    const auto *salt = reinterpret_cast<const unsigned char *>(head.constData());
    unsigned char key[kKeySize];
    if (PKCS5_PBKDF2_HMAC(password.constData(), int(password.size()), salt, kSaltSize, format.rounds, digest, kKeySize, key) != 1)
        return false;
    unsigned char checkSalt[kSaltSize];
    for (int i = 0; i < kSaltSize; ++i)
        checkSalt[i] = salt[i] ^ kCheckKeySaltMask;
    unsigned char checkKey[kKeySize];
    if (PKCS5_PBKDF2_HMAC(reinterpret_cast<const char *>(key), kKeySize, checkSalt, kSaltSize, 2, digest, kKeySize, checkKey) != 1)
        return false;
    const int hashSize = EVP_MD_get_size(digest);
    // Each page ends in its IV and hash, padded to the cipher's block.
    const int reserve = (kIvSize + hashSize + 15) / 16 * 16;
    // The page size is not written in the file: every size SQLite allows.
    for (int pageSize = 512; pageSize <= 65536 && pageSize <= head.size(); pageSize *= 2) {
        // The first page's encrypted part and IV follow the salt; its
        // number (1) goes into the hash as 4 bytes, little endian.
        QByteArray hashed = head.mid(kSaltSize, pageSize - reserve);
        hashed.append("\x01\x00\x00\x00", 4);
        unsigned char hash[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (!HMAC(digest, checkKey, kKeySize, reinterpret_cast<const unsigned char *>(hashed.constData()), size_t(hashed.size()), hash, &size))
            continue;
        if (CRYPTO_memcmp(hash, head.constData() + kSaltSize + pageSize - reserve, size_t(hashSize)) == 0)
            return true;
    }
    return false;
}

} // namespace

bool madeInAnotherCipherFormat(const QString &path, const QString &password)
{
    if (password.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(65536);
    if (head.size() < 512)
        return false;
    const QByteArray key = password.toUtf8();
    for (const CipherFormatParameters &format : kOtherFormats)
        if (firstPageChecks(head, key, format))
            return true;
    return false;
}

} // namespace ado::detail
