#pragma once
// The application database connection: a Jet-style connection string opens a
// keyed SQLCipher file. One connection serves every record set of the program.

#include "ado/CipherPageSize.h"
#include "ado/Types.h"
#include "vb/Variant.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace ado {

namespace detail { struct ConnectionData; }

// Values bound to a statement's ? placeholders, in order: they reach the
// engine as values, never as statement text.
using Parameters = std::vector<vb::Variant>;

class Connection {
public:
    Connection();
    ~Connection();                          // closes; an open transaction is rolled back
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // "Provider = ...;Data Source = <folder>/Corvantis.mdb;Jet OLEDB:Database Password = <key>;"
    // Keys are matched without regard to case or the blanks around "=". A file
    // that is missing or is not a database keyed with that password fails here
    // (-2147467259, naming the file). User id and password are accepted and
    // ignored, as the old provider did for an unsecured database.
    void Open(const QString &connectionString = {}, const QString &userId = {},
              const QString &password = {}, long options = -1);
    void Close();                           // record sets opened on it stay usable only for reading what they fetched
    int State() const;                      // adStateClosed / adStateOpen

    QString ConnectionString() const;
    void setConnectionString(const QString &text);  // only while closed (3705)

    // Transactions nest (the inner levels are save points). BeginTrans returns
    // the new level, 1 for the outermost.
    long BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    int transactionLevel() const;
    // The outermost transaction belongs to the task that began it: the depth
    // of yields and event loops (vb::yieldDepth) it began at. Code that runs
    // inside one of its yields (a timer, a window's command) sits deeper, and
    // a write of it would become part of that transaction and be undone with
    // it. Such a write (Execute of anything but a SELECT, a record set's
    // AddNew, Update or Delete, a nested BeginTrans) is refused with 3219
    // while the transaction is open; reads stay allowed.
    bool foreignTransactionOpen() const;
    // Runs `work` now unless another task's transaction is open; otherwise
    // right after that transaction ends (committed or rolled back), in the
    // order given, so log entries made meanwhile are kept. An error of
    // `work` run later is recorded under corvantis.ado.
    void whenNoForeignTransaction(std::function<void()> work);

    // The write-ahead log: a commit that leaves it over 1,000 pages has it
    // folded into the file by a thread of the connection's own, so no commit
    // waits for the copying; the next write starts the folded log over and
    // cuts its file back, so it never stays the size of the largest
    // transaction. Close waits for a fold under way.
    // Bulk writing (one large transaction, a whole file loaded): a small page
    // cache, and a commit that returns only once the log is on the disk, so
    // what it committed survives a power cut. Turned off again, it has the
    // log folded in whatever its size. Turned on inside a transaction, it
    // finds the synced commit in force (a synced ado::Transaction) or raises.
    void setBulkWriting(bool on);
    // How the outermost transaction's commit reaches the disk: 1 (normal)
    // leaves it in the log until the log is folded in, 2 (full) returns only
    // once it is on the disk. The database changes it only outside a
    // transaction; inside one, the level in force is checked instead: one at
    // least as safe stands, a weaker one raises. A level the database does
    // not take raises too, never passes unnoticed.
    int synchronous() const;
    void setSynchronous(int level);
    // True once every fold asked for has ended and the last one folded the
    // whole log in, waiting up to `msecs` (tools and tests).
    bool waitForLogFolded(int msecs);
    // Told when folding the log into the file failed (a full disk), with
    // the database library's reason: on the thread that opened the
    // connection, from its event loop, never inside a commit; once per
    // cause until a fold works again. A failed fold is tried again at the
    // next commit.
    void setLogFoldFailureListener(std::function<void(const QString &reason)> listener);

    // Runs one statement that returns no rows (Jet dialect, like every other
    // statement). The program itself changes rows through record sets; this is
    // for building the database and for tools.
    void Execute(const QString &statement);
    // The same with `values` bound to its ? placeholders (one statement only).
    void Execute(const QString &statement, const Parameters &values);

    // How many rows of `table` were inserted, updated or deleted through this
    // connection since it opened (rolled-back changes count too); it only
    // grows, so a reader can tell whether what it read last may be out of
    // date. A DELETE of a whole table without WHERE is not counted: SQLite
    // empties the table without visiting its rows.
    uint64_t changeCount(const QString &table) const;
    // Told of the first row change after it is set or after listenForChanges;
    // then not again until listenForChanges. It runs inside the changing
    // statement: it may only take note, never use the connection.
    void setChangeListener(std::function<void()> listener);
    void listenForChanges();

    QString databasePath() const;           // the Data Source file
    QString password() const;               // the key of the open file
    int cipherPageSize() const;             // the open file's encrypted page size

    // Table and column names of the open database, for the dialect translator.
    QStringList tableNames() const;

    std::shared_ptr<detail::ConnectionData> data() const { return d; }

private:
    std::shared_ptr<detail::ConnectionData> d;
};

using ConnectionPtr = std::shared_ptr<Connection>;

inline constexpr int kSynchronousNormal = 1;
inline constexpr int kSynchronousFull = 2;

// Stops the log-folding threads of every connection and waits for them;
// from then on none starts, and the last connection to close folds in what
// is left. Every way out of the program calls it before the libraries clean
// up (the first fold also has it run at exit()).
void endLogFolding();

// Pieces of the classic connection string, parsed: "Data Source" and
// "Jet OLEDB:Database Password" (empty when absent).
struct ConnectionStringParts {
    QString dataSource;
    QString password;
};
ConnectionStringParts parseConnectionString(const QString &text);

// The connection string of the application database in `folder`:
// "Provider = Microsoft.jet.OLEDB.4.0;Data Source = <folder>/Corvantis.mdb;Jet OLEDB:Database Password = quarrytone7;"
QString applicationConnectionString(const QString &folder);
inline constexpr const char *kApplicationPassword = "quarrytone7";
inline constexpr const char *kDatabaseFileName = "Corvantis.mdb";

// Compaction: writes "NewCorvantis.mdb" in the folder of `databaseFile` with
// the same key, checks that it opens, then replaces `databaseFile` with it in
// one rename. The file must not be open. On any failure the original file is
// left as it was and a VbError is raised.
// The copy is written with `pageSize` encrypted pages.
void CompactDatabase(const QString &databaseFile, const QString &password, int pageSize = kCipherPageSize);

} // namespace ado
