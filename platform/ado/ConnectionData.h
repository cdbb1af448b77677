#pragma once
// Internal: the open SQLite handle, its statement cache and schema names,
// shared by the connection and every record set opened on it.

#include <QHash>
#include <QSet>
#include <QString>
#include <sqlite3.h>
#include "vb/Variant.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QObject;

namespace ado::detail {

class LogFolder;

// Opens `path` keyed with `password` and proves it is such a database; the
// page size that read it goes to `pageSize`. Raises -2147467259 naming the
// file otherwise.
sqlite3 *openKeyed(const QString &path, const QString &password, int extraFlags = 0, int *pageSize = nullptr);

// Whether the keyed file `path`, which does not open in the pinned format,
// is in the format of another version of the cipher library.
bool madeInAnotherCipherFormat(const QString &path, const QString &password);

struct ConnectionData {
    sqlite3 *db = nullptr;
    QString connectionString;
    QString path;
    QString password;
    int pageSize = 0;                            // encrypted page size of the open file
    int level = 0;                               // transaction nesting
    std::unordered_map<std::string, sqlite3_stmt *> cache;
    QSet<QString> names;                         // lower-case table and column names
    QHash<QString, QString> tables;              // lower-case name -> name as created
    // Moves on whenever rows may have changed in a way SQLite's change count
    // does not show (rollback, other statements, failures): kept copies of
    // rows are good only while it and the change count stand still.
    uint64_t generation = 0;
    uint64_t transactionSerial = 0;              // moves when the outermost transaction begins or ends
    sqlite3_stmt *dataVersionStmt = nullptr;
    // Rows changed through this connection, per table (SQLite's update hook).
    struct TableChanges {
        std::string table;   // as SQLite names it
        uint64_t count = 0;
    };
    std::vector<TableChanges> changes;
    size_t lastChanged = 0;                      // the table changed last: most changes come in runs
    std::function<void()> changeListener;
    bool changeNoticed = false;                  // the listener was told and has not asked again
    void rowChanged(const char *table);

    std::unique_ptr<LogFolder> folder;           // made at its first use (logFolder)
    LogFolder &logFolder();
    // Hands the log to the folding thread (a commit has left it long).
    void foldLog();
    // SQLite's wal hook, inside the commit: asks for a fold when the log is
    // long or the last fold failed. Nothing escapes into SQLite: a failure
    // is told like a failed fold.
    void logCommitted(int pages) noexcept;
    // Failed folds reach the listener on the connection's own thread, from
    // its event loop (never inside a commit or from the folding thread),
    // once per cause until a fold works again.
    std::function<void(const QString &reason)> foldFailureListener;
    std::unique_ptr<QObject> notifier;           // lives on the thread that opened the connection
    QString foldFailureTold;                     // the cause told last; empty once a fold worked
    void postFoldOutcome(const QString &reason); // any thread
    void tellFoldOutcome(const QString &reason); // the connection's thread

    // The owner of the outermost transaction (Connection::foreignTransactionOpen)
    // and the work put off until it ends.
    int ownerDepth = 0;
    std::vector<std::function<void()>> putOff;
    bool foreignTransaction() const;
    void checkWriter() const;                    // 3219 inside another task's transaction
    void runPutOff();                            // once the outermost transaction has ended

    ~ConnectionData();
    bool isOpen() const { return db != nullptr; }
    void close();
    void loadNames();

    // A cached prepared statement; the caller resets it (StatementUse).
    sqlite3_stmt *prepare(const QString &sql);
    sqlite3_stmt *prepare(const std::string &utf8Sql, const QString &sql);
    // Finalizes the cached statements no one is using.
    void dropUnusedStatements();
    // SQLite's count of schema changes of the file (-1 when unknown).
    int schemaVersion();
    // After statements that may have changed the schema: when it did, the
    // names are read again and the unused cached statements go.
    void learnSchema(int versionBefore);
    // What tells whether rows read before are still what the file holds:
    // this connection's generation and change count, and the data version
    // that moves when another connection commits.
    struct Stamp {
        uint64_t generation = 0;
        int64_t changes = 0;
        int64_t dataVersion = 0;
        bool inTransaction = false;   // taken inside the transaction numbered `serial`
        uint64_t serial = 0;
        bool operator==(const Stamp &o) const
        {
            return generation == o.generation && changes == o.changes && dataVersion == o.dataVersion;
        }
    };
    // Inside the transaction `since` was taken in, the file is read as it was
    // then (what others commit is not seen before it ends): the data version
    // is not asked again.
    Stamp stamp(const Stamp *since = nullptr);
    void exec(const QString &sql);
    // One statement with values bound to its numbered placeholders.
    void exec(const QString &sql, const std::vector<vb::Variant> &values);
    [[noreturn]] void fail(const QString &context);
};

// Cached statements in use right now: the cache never finalizes them (a
// record set prepares a second statement while its first is still in use).
std::unordered_multiset<sqlite3_stmt *> &statementsInUse();

// Resets and unbinds a cached statement when the use ends.
class StatementUse {
public:
    explicit StatementUse(sqlite3_stmt *stmt) : s(stmt) { statementsInUse().insert(s); }
    ~StatementUse()
    {
        statementsInUse().erase(statementsInUse().find(s));
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
    }
    StatementUse(const StatementUse &) = delete;
    StatementUse &operator=(const StatementUse &) = delete;
    sqlite3_stmt *get() const { return s; }
private:
    sqlite3_stmt *s;
};

// Refuses statement text with a NUL character (3001, naming the value):
// SQLite ends the text there, and text compared or matched with LIKE stops
// at a NUL, so such a value could find rows it should not.
void checkNoNul(const QString &text, const QString &what);

// The error number of the data layer for a message of SQLite.
int errorNumberFor(int sqliteCode, const QString &message);

} // namespace ado::detail
