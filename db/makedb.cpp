// Build tool: makes the application database from the schema and the
// reference rows. Usage: corvantis_makedb <output.mdb> <password> <sql file>...
// The file is written beside the output under a temporary name and renamed
// into place once complete, so a failed build never leaves half a database;
// an existing database is kept as <output>.previous.
#include <sqlite3.h>

#include "ado/CipherFormat.h"
#include "ado/CipherPageSize.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <output.mdb> <password> <sql file>...\n", argv[0]);
        return 2;
    }
    const std::string output = argv[1];
    const std::string password = argv[2];
    const std::string temporary = output + ".building";
    std::remove(temporary.c_str());

    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(temporary.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s\n", temporary.c_str());
        return 1;
    }
    sqlite3_key(db, password.data(), static_cast<int>(password.size()));
    // The program's format and page size, set before the file's first page is written.
    if (!ado::pinCipherFormat(db, "main", ado::kCipherPageSize)) {
        std::fprintf(stderr, "cannot set the cipher format: %s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return 1;
    }
    auto run = [&](const std::string &sql, const char *what) {
        char *err = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::fprintf(stderr, "%s: %s\n", what, err ? err : "failed");
            sqlite3_free(err);
            return false;
        }
        return true;
    };
    bool ok = run("BEGIN", "begin");
    for (int i = 3; ok && i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            ok = false;
            break;
        }
        std::stringstream text;
        text << in.rdbuf();
        ok = run(text.str(), argv[i]);
    }
    ok = ok && run("COMMIT", "commit");
    // The program opens the file in write-ahead mode; setting it here keeps
    // the first start from having to.
    ok = ok && run("PRAGMA journal_mode=WAL", "journal mode");
    sqlite3_close(db);
    if (!ok) {
        std::remove(temporary.c_str());
        return 1;
    }
    // A database the program has already worked in is kept beside the new
    // one rather than lost to a rebuild.
    const std::string previous = output + ".previous";
    if (std::ifstream(output).good()) {
        std::remove(previous.c_str());
        std::rename(output.c_str(), previous.c_str());
        std::remove((output + "-wal").c_str());
        std::remove((output + "-shm").c_str());
    }
    if (std::rename(temporary.c_str(), output.c_str()) != 0) {
        std::fprintf(stderr, "cannot write %s\n", output.c_str());
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
