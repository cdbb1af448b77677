#pragma once
// The file format of the keyed database, pinned: the cipher library's
// defaults change between its major versions (version 4 derives keys and
// checks pages differently from version 3), so a file keyed with the
// defaults of one major does not open with the other. Every file is read
// and written in version 3's format, set explicitly on either major, so that
// a build on one opens the files of a build on the other.
// Plain C++: the build's database maker includes it too.

#include <sqlite3.h>

#include <cstdlib>
#include <string>

namespace ado {

// The major version of the cipher library behind `db`; 0 when it does not
// say.
inline int cipherLibraryMajor(sqlite3 *db)
{
    int major = 0;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA cipher_version", -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
        if (const unsigned char *version = sqlite3_column_text(stmt, 0))
            major = std::atoi(reinterpret_cast<const char *>(version));
    sqlite3_finalize(stmt);
    return major;
}

// Sets the format of the keyed database `schema` ("main", or the name of an
// attached one) with encrypted pages of `pageSize` bytes. Called after its
// key and before its first read, or the library's defaults read it. False
// when the library refuses a setting.
inline bool pinCipherFormat(sqlite3 *db, const char *schema, int pageSize)
{
    const std::string on = std::string("PRAGMA \"") + schema + "\".";
    std::string sql;
    if (cipherLibraryMajor(db) >= 4) {
        // Version 3's whole parameter set; it resets the page size, which
        // therefore follows.
        sql = on + "cipher_compatibility = 3;";
    } else {
        // Version 3's own defaults, named: key derivation by PBKDF2 with
        // HMAC-SHA1 over 64000 rounds, the page check key by 2 rounds, every
        // page checked by HMAC-SHA1 over the page and its number (little
        // endian).
        sql = on + "kdf_iter = 64000;" + on + "fast_kdf_iter = 2;" + on + "cipher_use_hmac = ON;" + on
            + "cipher_hmac_pgno = le;";
    }
    sql += on + "cipher_page_size = " + std::to_string(pageSize) + ";";
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace ado
