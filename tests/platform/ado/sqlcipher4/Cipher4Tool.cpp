// The data layer on the cipher library's version 4, driven by the data-layer
// tests (which run on the system's version 3):
//   version                              the library's version
//   open <file> <password>               opens it as the program does; prints
//                                        "opened <page size> <rows of History>"
//   write <file> <password> <text>       adds a History row, as the program does
//   compact <file> <password>            compacts it, as the program's exit does
//   make <file> <password> <format>      a new keyed file with a table t of three
//                                        rows, in version <format>'s format
//                                        (cipher_compatibility), or "default"
// Exit code 0, or 1 with the error's text on stdout.
#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "vb/VbError.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <sqlite3.h>

namespace {

QString connectionString(const QString &file, const QString &password)
{
    return QStringLiteral("Data Source = %1;Jet OLEDB:Database Password = %2;").arg(file, password);
}

int make(const QByteArray &file, const QByteArray &password, const QByteArray &format)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::printf("cannot create %s\n", file.constData());
        return 1;
    }
    sqlite3_key(db, password.constData(), int(password.size()));
    QByteArray sql;
    if (format != "default")
        sql = "PRAGMA cipher_compatibility = " + format + ";";
    sql += "CREATE TABLE t (n INTEGER, s TEXT); INSERT INTO t VALUES (1, 'one'), (2, 'two'), (3, 'three');";
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK)
        std::printf("%s\n", error ? error : "failed");
    sqlite3_free(error);
    sqlite3_close(db);
    return rc == SQLITE_OK ? 0 : 1;
}

int run(int argc, char **argv)
{
    const QByteArray command = argc > 1 ? argv[1] : "";
    if (command == "version") {
        std::printf("%s\n", sqlite3_libversion());
        sqlite3 *db = nullptr;
        sqlite3_open(":memory:", &db);
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA cipher_version", -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            std::printf("%s\n", reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return 0;
    }
    if (argc < 4) {
        std::printf("usage: %s version | open|compact <file> <password> | write <file> <password> <text> | make <file> <password> <format>\n", argv[0]);
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[2]);
    const QString password = QString::fromUtf8(argv[3]);
    if (command == "make" && argc > 4)
        return make(argv[2], argv[3], argv[4]);
    if (command == "compact") {
        ado::CompactDatabase(file, password);
        std::printf("compacted\n");
        return 0;
    }
    ado::Connection cn;
    cn.Open(connectionString(file, password));
    if (command == "write" && argc > 4) {
        cn.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES ('Info', ?)"),
                   {vb::Variant(QString::fromUtf8(argv[4]))});
        cn.Close();
        std::printf("written\n");
        return 0;
    }
    if (command == "open") {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT count(*) FROM History"), cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
        const long long rows = rs.Fields(0).Value().rawInt();
        rs.Close();
        std::printf("opened %d %lld\n", cn.cipherPageSize(), rows);
        cn.Close();
        return 0;
    }
    std::printf("unknown command %s\n", command.constData());
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        return run(argc, argv);
    } catch (const vb::VbError &e) {
        std::printf("%s\n", e.description.toUtf8().constData());
        return 1;
    }
}
