#include "ado/Connection.h"
#include "ado/CipherFormat.h"
#include "ado/ConnectionData.h"
#include "ado/Convert.h"
#include "ado/LogFolder.h"
#include "ado/Sql.h"
#include "ado/Transaction.h"
#include "vb/AtomicFile.h"
#include "vb/DoEvents.h"
#include "vb/VbError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QRegularExpression>
#include <cstdio>
#include <vector>

namespace ado {

namespace detail {

int errorNumberFor(int sqliteCode, const QString &message)
{
    if (message.contains(QLatin1String("no such table")))
        return adErrNoSuchTable;
    if (message.contains(QLatin1String("no such column")))
        return adErrMissingValue;
    if (message.contains(QLatin1String("syntax error")) || message.contains(QLatin1String("unrecognized token"))
        || message.contains(QLatin1String("incomplete input")))
        return adErrSyntax;
    (void)sqliteCode;
    return adErrProvider;
}

void checkNoNul(const QString &text, const QString &what)
{
    const qsizetype at = text.indexOf(QChar(0));
    if (at < 0)
        return;
    // Shown with the NUL spelled out and long text cut, so the message stays readable.
    QString shown = text.left(60);
    shown.replace(QChar(0), QStringLiteral("<NUL>"));
    if (text.size() > 60)
        shown += QStringLiteral("...");
    vb::raise(adErrInvalidArgument,
              QStringLiteral("%1 holds a NUL character (position %2), which the database cannot take in a statement: \"%3\"")
                  .arg(what)
                  .arg(at + 1)
                  .arg(shown),
              QStringLiteral("Corvantis database"));
}

ConnectionData::~ConnectionData()
{
    close();
}

bool ConnectionData::foreignTransaction() const
{
    return level > 0 && vb::yieldDepth() != ownerDepth;
}

void ConnectionData::checkWriter() const
{
    if (foreignTransaction())
        vb::raise(adErrIllegalOperation,
                  QStringLiteral("Another task's transaction is open on the database: a write from outside that task "
                                 "would become part of it, so it is not allowed until that task has finished."),
                  QStringLiteral("Corvantis database"));
}

void ConnectionData::runPutOff()
{
    // One at a time from the front: work that puts off more keeps its place.
    while (level == 0 && !putOff.empty()) {
        const std::function<void()> work = std::move(putOff.front());
        putOff.erase(putOff.begin());
        try {
            work();
        } catch (const vb::VbError &error) {
            qCWarning(lcAdo).noquote() << "work put off until a transaction ended failed:" << error.number
                                       << error.description;
        } catch (const std::exception &error) {
            qCWarning(lcAdo).noquote() << "work put off until a transaction ended failed:" << error.what();
        } catch (...) {
            qCWarning(lcAdo) << "work put off until a transaction ended failed with an error of unknown kind";
        }
    }
}

void ConnectionData::close()
{
    if (!putOff.empty())
        qCWarning(lcAdo) << "closed with" << putOff.size() << "writes still put off until a transaction ended";
    putOff.clear();
    sqlite3_finalize(dataVersionStmt);
    dataVersionStmt = nullptr;
    ++generation;
    for (auto &entry : cache)
        sqlite3_finalize(entry.second);
    cache.clear();
    // The folding connection goes first: the last connection to close folds
    // in what is left of the log and removes it.
    folder.reset();
    // News of its folds not yet told concern a database no longer open.
    if (notifier && QCoreApplication::instance())
        QCoreApplication::removePostedEvents(notifier.get());
    if (db) {
        if (level > 0)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        db = nullptr;
    }
    level = 0;
    names.clear();
    tables.clear();
    foldFailureTold.clear();
}

LogFolder &ConnectionData::logFolder()
{
    if (!folder)
        folder = std::make_unique<LogFolder>(path, password, [this](const QString &reason) { postFoldOutcome(reason); });
    return *folder;
}

void ConnectionData::postFoldOutcome(const QString &reason)
{
    // The notifier goes only after the folder's thread was joined, and its
    // end drops what was posted to it and not yet delivered.
    if (notifier)
        QMetaObject::invokeMethod(notifier.get(), [this, reason] { tellFoldOutcome(reason); }, Qt::QueuedConnection);
}

void ConnectionData::tellFoldOutcome(const QString &reason)
{
    if (reason == foldFailureTold)
        return;
    foldFailureTold = reason;
    if (reason.isEmpty() || !foldFailureListener)
        return;
    try {
        foldFailureListener(reason);
    } catch (const std::exception &error) {
        qCWarning(lcAdo).noquote() << "a failed fold of the log of" << path << "could not be told:" << error.what();
    } catch (...) {
        qCWarning(lcAdo).noquote() << "a failed fold of the log of" << path << "could not be told";
    }
}

void ConnectionData::foldLog()
{
    logFolder().request();
}

void ConnectionData::fail(const QString &context)
{
    // A failed statement may have rolled back more than itself.
    ++generation;
    const int code = db ? sqlite3_errcode(db) : SQLITE_MISUSE;
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("not open");
    vb::raise(errorNumberFor(code, message),
              context.isEmpty() ? message : message + QStringLiteral(" (") + context + QLatin1Char(')'),
              QStringLiteral("Corvantis database"));
}

std::unordered_multiset<sqlite3_stmt *> &statementsInUse()
{
    static std::unordered_multiset<sqlite3_stmt *> inUse;
    return inUse;
}

sqlite3_stmt *ConnectionData::prepare(const QString &sql)
{
    return prepare(sql.toStdString(), sql);
}

sqlite3_stmt *ConnectionData::prepare(const std::string &key, const QString &sql)
{
    if (!db)
        vb::raise(adErrInvalidConnection,
                  QStringLiteral("The connection cannot be used to perform this operation. It is either closed or invalid in this context."));
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    checkNoNul(sql, QStringLiteral("The statement"));
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, key.c_str(), static_cast<int>(key.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(sql);
    }
    // Statements are built from values, so the cache could grow without end;
    // keep it to the shapes in use.
    if (cache.size() > 400)
        dropUnusedStatements();
    cache.emplace(key, stmt);
    return stmt;
}

void ConnectionData::dropUnusedStatements()
{
    for (auto entry = cache.begin(); entry != cache.end();) {
        if (statementsInUse().count(entry->second)) {
            ++entry;
            continue;
        }
        sqlite3_finalize(entry->second);
        entry = cache.erase(entry);
    }
}

int ConnectionData::schemaVersion()
{
    sqlite3_stmt *stmt = nullptr;
    int version = -1;
    if (db && sqlite3_prepare_v2(db, "PRAGMA schema_version", -1, &stmt, nullptr) == SQLITE_OK
        && sqlite3_step(stmt) == SQLITE_ROW)
        version = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    return version;
}

void ConnectionData::learnSchema(int versionBefore)
{
    if (schemaVersion() == versionBefore)
        return;
    // A statement in use keeps its statement (SQLite prepares it again for
    // the new schema); the others go with the old names.
    dropUnusedStatements();
    sqlite3_finalize(dataVersionStmt);
    dataVersionStmt = nullptr;
    loadNames();
}

void ConnectionData::exec(const QString &sql)
{
    if (!db)
        vb::raise(adErrInvalidConnection,
                  QStringLiteral("The connection cannot be used to perform this operation. It is either closed or invalid in this context."));
    checkNoNul(sql, QStringLiteral("The statement"));
    char *err = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_exec(db, text.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString message = QString::fromUtf8(err ? err : "");
        sqlite3_free(err);
        ++generation;
        vb::raise(errorNumberFor(sqlite3_errcode(db), message), message + QStringLiteral(" (") + sql + QLatin1Char(')'),
                  QStringLiteral("Corvantis database"));
    }
}

void ConnectionData::exec(const QString &sql, const std::vector<vb::Variant> &values)
{
    if (!db)
        vb::raise(adErrInvalidConnection,
                  QStringLiteral("The connection cannot be used to perform this operation. It is either closed or invalid in this context."));
    checkNoNul(sql, QStringLiteral("The statement"));
    checkValues(values);
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, &tail) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(sql);
    }
    // One statement: a second one after a ; would run without its values.
    if (tail && QByteArray(tail).trimmed().size() > 0) {
        sqlite3_finalize(stmt);
        vb::raise(adErrInvalidArgument, QStringLiteral("A statement with values runs alone (%1)").arg(sql),
                  QStringLiteral("Corvantis database"));
    }
    std::vector<QByteArray> bound; // the bound text, until the statement is finalized
    bindValues(stmt, values, bound);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        const int code = sqlite3_errcode(db);
        sqlite3_finalize(stmt);
        ++generation;
        vb::raise(errorNumberFor(code, message), message + QStringLiteral(" (") + sql + QLatin1Char(')'),
                  QStringLiteral("Corvantis database"));
    }
    sqlite3_finalize(stmt);
}

ConnectionData::Stamp ConnectionData::stamp(const Stamp *since)
{
    Stamp s;
    s.generation = generation;
    if (!db)
        return s;
    s.changes = sqlite3_total_changes(db);
    s.inTransaction = sqlite3_get_autocommit(db) == 0;
    s.serial = transactionSerial;
    if (since && since->inTransaction && s.inTransaction && since->serial == s.serial) {
        s.dataVersion = since->dataVersion;
        return s;
    }
    if (!dataVersionStmt)
        sqlite3_prepare_v2(db, "PRAGMA data_version", -1, &dataVersionStmt, nullptr);
    if (dataVersionStmt) {
        if (sqlite3_step(dataVersionStmt) == SQLITE_ROW)
            s.dataVersion = sqlite3_column_int64(dataVersionStmt, 0);
        else
            s.dataVersion = -1 - static_cast<int64_t>(++generation); // unknown: never equal
        sqlite3_reset(dataVersionStmt);
    }
    return s;
}

void ConnectionData::rowChanged(const char *table)
{
    if (lastChanged >= changes.size() || changes[lastChanged].table != table) {
        lastChanged = changes.size();
        for (size_t i = 0; i < changes.size(); ++i)
            if (changes[i].table == table) {
                lastChanged = i;
                break;
            }
        if (lastChanged == changes.size())
            changes.push_back({table, 0});
    }
    ++changes[lastChanged].count;
    if (!changeNoticed && changeListener) {
        changeNoticed = true;
        changeListener();
    }
}

void ConnectionData::loadNames()
{
    names.clear();
    tables.clear();
    std::vector<QString> tableList;
    {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type IN ('table','view')", -1, &stmt, nullptr);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
            tableList.push_back(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))));
        sqlite3_finalize(stmt);
    }
    for (const QString &table : tableList) {
        tables.insert(table.toLower(), table);
        names.insert(table.toLower());
        sqlite3_stmt *stmt = nullptr;
        const QByteArray sql = (QStringLiteral("PRAGMA table_info(\"") + QString(table).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QStringLiteral("\")")).toUtf8();
        sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
            names.insert(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1))).toLower());
        sqlite3_finalize(stmt);
    }
}

} // namespace detail

namespace {

// One attempt: `path` keyed with `password` and read with `pageSize`
// encrypted pages. The number of tables of the program, or -1 when the
// file cannot be read so (wrong key, wrong page size, damaged, no database).
int tryKeyed(sqlite3 *db, const QString &password, int pageSize)
{
    if (!password.isEmpty()) {
        const QByteArray key = password.toUtf8();
        sqlite3_key(db, key.constData(), key.size());
        // Set before the first read, or the file is read with the defaults.
        if (!pinCipherFormat(db, "main", pageSize))
            return -1;
    }
    // Reading the schema proves the key and the file's first pages.
    sqlite3_stmt *stmt = nullptr;
    int tables = -1;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'", -1, &stmt, nullptr) == SQLITE_OK
        && sqlite3_step(stmt) == SQLITE_ROW)
        tables = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    if (tables <= 0)
        return tables;
    // With large pages the whole schema sits on the first page: reading the
    // first row of every table proves the pages beyond it (a few pages,
    // whatever the file's size).
    QList<QByteArray> names;
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &stmt, nullptr) == SQLITE_OK)
        while (sqlite3_step(stmt) == SQLITE_ROW)
            names << QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    for (const QByteArray &name : names) {
        const QByteArray sql = "SELECT 1 FROM \"" + QByteArray(name).replace('"', "\"\"") + "\" LIMIT 1";
        int rc = SQLITE_ERROR;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK)
            rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return -1;
    }
    return tables;
}

// The page size written in the header of a rollback journal beside `path`;
// 0 when there is none or it holds no header. The journal is played back
// into the file at the file's first read, with the page size of the
// connection reading it: the cipher library cannot play back pages of
// another size (it crashes), so such a file is read with the journal's size.
// A journal is left by a step killed in the middle (compaction leaving
// write-ahead mode on a file of the old page size).
int journalPageSize(const QString &path)
{
    QFile journal(path + QStringLiteral("-journal"));
    if (!journal.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray head = journal.read(28);
    static const char magic[] = "\xd9\xd5\x05\xf9\x20\xa1\x63\xd7";
    if (head.size() < 28 || !head.startsWith(QByteArray(magic, 8)))
        return 0;
    const auto *size = reinterpret_cast<const unsigned char *>(head.constData()) + 24;
    const int pageSize = int(uint32_t(size[0]) << 24 | uint32_t(size[1]) << 16 | uint32_t(size[2]) << 8 | size[3]);
    // A page size SQLite could have written; anything else is no header.
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return 0;
    return pageSize;
}

} // namespace

namespace detail {

// Opens `path` keyed with `password` and proves it is such a database: SQLite
// reads a file only when a statement needs it, so a query is the test. The
// file is tried with today's page size, then with the old one (only with the
// size of a rollback journal left beside it); `pageSize` receives the one
// that read it.
sqlite3 *openKeyed(const QString &path, const QString &password, int extraFlags, int *pageSize)
{
    if (path.isEmpty())
        vb::raise(adErrProvider, QStringLiteral("The connection string names no Data Source."),
                  QStringLiteral("Corvantis database"));
    if (!QFileInfo(path).isFile())
        vb::raise(adErrProvider, QStringLiteral("Could not find file '%1'.").arg(QDir::toNativeSeparators(path)),
                  QStringLiteral("Corvantis database"));
    // SQLite takes an empty file for a new database and would write one
    // over it: an empty file is refused before anything can be written.
    if (QFileInfo(path).size() == 0)
        vb::raise(adErrProvider,
                  QStringLiteral("'%1' is not a Corvantis database: the file is empty.").arg(QDir::toNativeSeparators(path)),
                  QStringLiteral("Corvantis database"));
    sqlite3 *db = nullptr;
    const QByteArray file = QFile::encodeName(path);
    const auto open = [&] {
        if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE | extraFlags, nullptr) != SQLITE_OK) {
            const QString message = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
            sqlite3_close(db);
            vb::raise(adErrProvider, QStringLiteral("Cannot open '%1': %2").arg(path, message),
                      QStringLiteral("Corvantis database"));
        }
    };
    // A keyed database without a single table is no database of the program
    // (the program never creates tables), and it is refused before the
    // connection sets its journal mode, which would write to it. A failed
    // attempt reads, never writes.
    int tables = -1;
    std::vector<int> sizes{kCipherPageSize, kLegacyCipherPageSize};
    if (const int journal = journalPageSize(path))
        sizes = {journal};
    for (const int size : sizes) {
        open();
        tables = tryKeyed(db, password, size);
        if (tables >= 0 || password.isEmpty()) {
            if (pageSize)
                *pageSize = size;
            break;
        }
        sqlite3_close(db);
        db = nullptr;
    }
    if (tables < 0) {
        sqlite3_close(db);
        if (madeInAnotherCipherFormat(path, password))
            vb::raise(adErrProvider,
                      QStringLiteral("'%1' was made by another version of the database library and cannot be opened with this one.")
                          .arg(QDir::toNativeSeparators(path)),
                      QStringLiteral("Corvantis database"));
        vb::raise(adErrProvider,
                  QStringLiteral("Not a valid password, or '%1' is not a Corvantis database.").arg(QDir::toNativeSeparators(path)),
                  QStringLiteral("Corvantis database"));
    }
    if (tables == 0) {
        sqlite3_close(db);
        vb::raise(adErrProvider,
                  QStringLiteral("'%1' is not a Corvantis database: it holds no tables.").arg(QDir::toNativeSeparators(path)),
                  QStringLiteral("Corvantis database"));
    }
    return db;
}

} // namespace detail

namespace {

// A commit that leaves the log over this many pages has it folded in, as
// SQLite's own automatic folding does.
constexpr int kFoldLogAfterPages = 1000;

// A setting is run and its answer read: the first column of the first row
// (what is in force now), or empty. A refused one raises, naming it.
QString runPragma(sqlite3 *db, const char *statement)
{
    sqlite3_stmt *stmt = nullptr;
    QString answer;
    int rc = sqlite3_prepare_v2(db, statement, -1, &stmt, nullptr);
    for (bool first = true; rc == SQLITE_OK || rc == SQLITE_ROW; first = false) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW && first)
            answer = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    }
    if (rc != SQLITE_DONE) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
        vb::raise(adErrProvider, QStringLiteral("The database refused \"%1\": %2").arg(QString::fromUtf8(statement), message),
                  QStringLiteral("Corvantis database"));
    }
    sqlite3_finalize(stmt);
    return answer;
}

} // namespace

namespace detail {

void ConnectionData::logCommitted(int pages) noexcept
{
    try {
        // A failed fold is tried again at the next commit, whatever the
        // length of the log: it would grow without end otherwise.
        if (pages >= kFoldLogAfterPages || (folder && folder->failed()))
            foldLog();
    } catch (...) {
        try {
            QString reason = QStringLiteral("the folding of the log could not be started");
            try {
                throw;
            } catch (const std::exception &error) {
                reason += QStringLiteral(": ") + QString::fromLocal8Bit(error.what());
            } catch (...) {
            }
            qCWarning(lcAdo).noquote() << path << reason;
            postFoldOutcome(reason);
        } catch (...) {
        }
    }
}

} // namespace detail

namespace {

// Everyday writing: commits reach the log and are folded in later, and a
// large cache of decrypted pages spares reading a list's table twice over
// (its keys, then its rows). Bulk writing: the pages of one large
// transaction stream through a small cache into the log (filling a large one
// costs more in fresh memory than it saves), and the commit returns only
// once the log is on the disk, so what was loaded survives a power cut even
// before it is folded in.
void applyWriteSettings(Connection &cn, sqlite3 *db, bool bulk)
{
    cn.setSynchronous(bulk ? kSynchronousFull : kSynchronousNormal);
    runPragma(db, bulk ? "PRAGMA cache_size=-8192" : "PRAGMA cache_size=-65536");
}

// Ends a commit or rollback: once the outermost transaction is over, what
// was put off meanwhile is written.
struct RunPutOffAtEnd {
    detail::ConnectionData &d;
    ~RunPutOffAtEnd() { d.runPutOff(); }
};

// A statement that only reads: a SELECT (a WITH is taken for a write).
bool onlyReads(const QString &statement)
{
    QStringView text = QStringView(statement).trimmed();
    while (text.startsWith(QLatin1Char('(')))
        text = text.mid(1).trimmed();
    return text.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive)
        && (text.size() == 6 || !text.at(6).isLetterOrNumber());
}

} // namespace

ConnectionStringParts parseConnectionString(const QString &text)
{
    ConnectionStringParts parts;
    const QStringList items = text.split(QLatin1Char(';'));
    for (const QString &item : items) {
        const int eq = item.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = item.left(eq).simplified().toLower();
        const QString value = item.mid(eq + 1).trimmed();
        if (key == QLatin1String("data source"))
            parts.dataSource = value;
        else if (key == QLatin1String("jet oledb:database password"))
            parts.password = value;
    }
    return parts;
}

QString applicationConnectionString(const QString &folder)
{
    QString base = folder;
    while (base.endsWith(QLatin1Char('/')) && base.size() > 1)
        base.chop(1);
    return QStringLiteral("Provider = Microsoft.jet.OLEDB.4.0;Data Source = ") + base + QLatin1Char('/')
        + QLatin1String(kDatabaseFileName) + QStringLiteral(";Jet OLEDB:Database Password = ")
        + QLatin1String(kApplicationPassword) + QLatin1Char(';');
}

Connection::Connection() : d(std::make_shared<detail::ConnectionData>()) {}

Connection::~Connection()
{
    d->close();
}

void Connection::Open(const QString &connectionString, const QString &, const QString &, long)
{
    if (d->isOpen())
        vb::raise(adErrObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
    if (!connectionString.isEmpty())
        d->connectionString = connectionString;
    ConnectionStringParts parts = parseConnectionString(d->connectionString);
    // The folder may have been joined with the old separator.
    if (!QFileInfo::exists(parts.dataSource) && parts.dataSource.contains(QLatin1Char('\\')))
        parts.dataSource.replace(QLatin1Char('\\'), QLatin1Char('/'));
    int pageSize = 0;
    sqlite3 *db = detail::openKeyed(parts.dataSource, parts.password, SQLITE_OPEN_NOMUTEX, &pageSize);
    d->db = db;
    d->pageSize = pageSize;
    d->path = parts.dataSource;
    d->password = parts.password;
    d->level = 0;
    sqlite3_busy_timeout(db, 5000);
    sqlite3_update_hook(
        db,
        [](void *data, int, const char *, const char *table, sqlite3_int64) {
            static_cast<detail::ConnectionData *>(data)->rowChanged(table);
        },
        d.get());
    // A file the database keeps out of write-ahead mode (a read-only one)
    // still reads; the mode it stays in is recorded.
    if (const QString mode = runPragma(db, "PRAGMA journal_mode=WAL"); mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        qCWarning(lcAdo).noquote() << "journal mode of" << parts.dataSource << "stays" << mode;
    // The log is folded in on a thread of its own (LogFolder) instead of
    // inside the commit that fills it; the next write after a fold starts
    // the log over and cuts the file back to nothing.
    runPragma(db, "PRAGMA journal_size_limit=0");
    sqlite3_wal_hook(
        db,
        [](void *data, sqlite3 *, const char *, int pages) {
            static_cast<detail::ConnectionData *>(data)->logCommitted(pages);
            return SQLITE_OK;
        },
        d.get());
    if (!d->notifier)
        d->notifier = std::make_unique<QObject>();
    applyWriteSettings(*this, db, false);
    d->loadNames();
}

void Connection::Close()
{
    if (!d->isOpen())
        vb::raise(adErrObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."));
    d->close();
}

int Connection::State() const
{
    return d->isOpen() ? adStateOpen : adStateClosed;
}

QString Connection::ConnectionString() const
{
    return d->connectionString;
}

void Connection::setConnectionString(const QString &text)
{
    if (d->isOpen())
        vb::raise(adErrObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
    d->connectionString = text;
}

long Connection::BeginTrans()
{
    if (d->level == 0) {
        ++d->transactionSerial;
        d->exec(QStringLiteral("BEGIN"));
        d->ownerDepth = vb::yieldDepth();
    } else {
        d->checkWriter();
        d->exec(QStringLiteral("SAVEPOINT level%1").arg(d->level + 1));
    }
    return ++d->level;
}

void Connection::CommitTrans()
{
    const RunPutOffAtEnd putOff{*d};
    if (d->level == 0)
        vb::raise(adErrNoTransaction, QStringLiteral("No transaction is active."));
    if (d->level == 1) {
        ++d->transactionSerial;
        d->exec(QStringLiteral("COMMIT"));
    } else {
        d->exec(QStringLiteral("RELEASE level%1").arg(d->level));
    }
    --d->level;
}

void Connection::RollbackTrans()
{
    const RunPutOffAtEnd putOff{*d};
    if (d->level == 0)
        vb::raise(adErrNoTransaction, QStringLiteral("No transaction is active."));
    ++d->generation;
    // A failed statement (a full disk, an I/O error) can make SQLite roll the
    // whole transaction back itself: nothing is left to undo, and the
    // levels must not claim a transaction that no longer exists.
    if (d->db && sqlite3_get_autocommit(d->db)) {
        ++d->transactionSerial;
        d->level = 0;
        return;
    }
    if (d->level == 1) {
        ++d->transactionSerial;
        d->exec(QStringLiteral("ROLLBACK"));
    } else {
        d->exec(QStringLiteral("ROLLBACK TO level%1").arg(d->level));
        d->exec(QStringLiteral("RELEASE level%1").arg(d->level));
    }
    --d->level;
}

int Connection::transactionLevel() const
{
    return d->level;
}

bool Connection::foreignTransactionOpen() const
{
    return d->foreignTransaction();
}

void Connection::whenNoForeignTransaction(std::function<void()> work)
{
    if (d->foreignTransaction())
        d->putOff.push_back(std::move(work));
    else
        work();
}

void Connection::setBulkWriting(bool on)
{
    if (!d->db)
        return;
    applyWriteSettings(*this, d->db, on);
    detail::LogFolder &folder = d->logFolder();
    folder.setWritingAhead(on);
    // Whatever size the bulk transaction left the log, it is folded in.
    if (!on)
        folder.request();
}

int Connection::synchronous() const
{
    if (!d->db)
        vb::raise(adErrInvalidConnection,
                  QStringLiteral("The connection cannot be used to perform this operation. It is either closed or invalid in this context."));
    return runPragma(d->db, "PRAGMA synchronous").toInt();
}

void Connection::setSynchronous(int level)
{
    // SQLite refuses the change inside a transaction.
    const bool outside = d->db && sqlite3_get_autocommit(d->db);
    if (outside)
        runPragma(d->db, QByteArray("PRAGMA synchronous=" + QByteArray::number(level)).constData());
    const int inForce = synchronous();
    if (inForce < level || (outside && inForce != level))
        vb::raise(adErrProvider,
                  QStringLiteral("The database keeps synchronous=%1 where %2 was asked%3")
                      .arg(inForce)
                      .arg(level)
                      .arg(outside ? QString() : QStringLiteral(": it cannot change inside a running transaction")),
                  QStringLiteral("Corvantis database"));
}

bool Connection::waitForLogFolded(int msecs)
{
    return !d->folder || d->folder->waitFolded(msecs);
}

void Connection::setLogFoldFailureListener(std::function<void(const QString &reason)> listener)
{
    d->foldFailureListener = std::move(listener);
}

void endLogFolding()
{
    detail::LogFolder::endAll();
}

void Connection::Execute(const QString &statement)
{
    if (!onlyReads(statement))
        d->checkWriter();
    // A ? without its value would run as Null and match nothing.
    detail::numberPlaceholders(statement, 0);
    ++d->generation;
    // Whether tables were created, dropped or altered is SQLite's to say
    // (its schema version), not the text's: a value may read "drop".
    const int schema = d->schemaVersion();
    try {
        d->exec(translateJet(statement, d->names));
    } catch (...) {
        d->learnSchema(schema);   // the statements before the failing one ran
        throw;
    }
    d->learnSchema(schema);
}

void Connection::Execute(const QString &statement, const Parameters &values)
{
    if (values.empty()) {
        Execute(statement);
        return;
    }
    if (!onlyReads(statement))
        d->checkWriter();
    ++d->generation;
    d->exec(translateJet(detail::numberPlaceholders(statement, values.size()), d->names), values);
}

uint64_t Connection::changeCount(const QString &table) const
{
    for (const detail::ConnectionData::TableChanges &entry : d->changes)
        if (QString::compare(QString::fromStdString(entry.table), table, Qt::CaseInsensitive) == 0)
            return entry.count;
    return 0;
}

void Connection::setChangeListener(std::function<void()> listener)
{
    d->changeListener = std::move(listener);
    d->changeNoticed = false;
}

void Connection::listenForChanges()
{
    d->changeNoticed = false;
}

QString Connection::databasePath() const
{
    return d->path;
}

QString Connection::password() const
{
    return d->password;
}

int Connection::cipherPageSize() const
{
    return d->pageSize;
}

QStringList Connection::tableNames() const
{
    QStringList list = d->tables.values();
    list.sort(Qt::CaseInsensitive);
    return list;
}


namespace {
// The first column of every row a statement answers; empty when it fails.
QStringList firstColumn(sqlite3 *db, const char *sql)
{
    QStringList rows;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return rows;
    }
    while (sqlite3_step(statement) == SQLITE_ROW)
        rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    return rows;
}
} // namespace

void CompactDatabase(const QString &databaseFile, const QString &password, int pageSize)
{
    const QFileInfo info(databaseFile);
    const QString folder = info.absolutePath();
    const QString target = folder + QStringLiteral("/NewCorvantis.mdb");
    const auto removeTarget = [&] {
        QFile::remove(target);
        QFile::remove(target + QStringLiteral("-wal"));
        QFile::remove(target + QStringLiteral("-journal"));
        QFile::remove(target + QStringLiteral("-shm"));
    };
    removeTarget();

    // The handle may create files: the attached copy is a new one.
    sqlite3 *db = detail::openKeyed(databaseFile, password, SQLITE_OPEN_CREATE);
    // Leaving write-ahead mode folds the log into the file and needs the file
    // to itself: a database still open elsewhere is not compacted, and no log
    // is left behind that could belong to the old file once it is replaced.
    {
        sqlite3_stmt *mode = nullptr;
        QString journal;
        int rc = sqlite3_prepare_v2(db, "PRAGMA journal_mode=DELETE", -1, &mode, nullptr);
        if (rc == SQLITE_OK && (rc = sqlite3_step(mode)) == SQLITE_ROW)
            journal = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(mode, 0)));
        // Busy: another connection has the file open. Any other failure is
        // the fold of the log itself (a full disk), and is named as such.
        const QString failure = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(mode);
        if (journal.compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0) {
            sqlite3_close(db);
            const bool inUse = rc == SQLITE_ROW || rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
            vb::raise(adErrProvider,
                      inUse ? QStringLiteral("Compacting '%1' failed: the database is in use.").arg(databaseFile)
                            : QStringLiteral("Compacting '%1' failed: its log cannot be folded into it: %2")
                                  .arg(databaseFile, failure),
                      QStringLiteral("Corvantis database"));
        }
    }
    const auto quoted = [](const QString &text) { return SqlText(text); };
    const QString attach = QStringLiteral("ATTACH DATABASE %1 AS compacted KEY %2").arg(quoted(target), quoted(password));
    char *err = nullptr;
    auto run = [&](const QString &sql) {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_exec(db, text.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            const QString message = QString::fromUtf8(err ? err : "");
            sqlite3_free(err);
            err = nullptr;
            return message.isEmpty() ? QStringLiteral("failed") : message;
        }
        return QString();
    };
    QString problem = run(attach);
    // The copy takes today's page size, whatever the original has: a file
    // of the old size is converted here. An attached file takes the
    // library's defaults, so its format is pinned too.
    if (problem.isEmpty() && !password.isEmpty() && !pinCipherFormat(db, "compacted", pageSize))
        problem = QString::fromUtf8(sqlite3_errmsg(db));
    if (problem.isEmpty())
        problem = run(QStringLiteral("SELECT sqlcipher_export('compacted')"));
    if (problem.isEmpty()
        && firstColumn(db, "SELECT count(*) FROM compacted.sqlite_master WHERE name = 'sqlite_sequence'")
               == QStringList{QStringLiteral("1")}) {
        // The export copies tables and rows; the counters of History and
        // Exchange live in sqlite_sequence, which it leaves out (the copied
        // rows only set them to the highest number left). They are carried
        // as they are, or numbers would be given out twice.
        problem = run(QStringLiteral(
            "BEGIN; DELETE FROM compacted.sqlite_sequence; "
            "INSERT INTO compacted.sqlite_sequence(name, seq) SELECT name, seq FROM main.sqlite_sequence; COMMIT"));
        if (!problem.isEmpty()) {
            run(QStringLiteral("ROLLBACK"));
            problem = QStringLiteral("the counters of the numbered tables cannot be copied: ") + problem;
        } else if (firstColumn(db, "SELECT count(*) FROM (SELECT name, seq FROM main.sqlite_sequence "
                                   "EXCEPT SELECT name, seq FROM compacted.sqlite_sequence)")
                   != QStringList{QStringLiteral("0")}) {
            problem = QStringLiteral("the new file does not hold every counter of the numbered tables");
        }
    }
    if (problem.isEmpty()) {
        // Every table of the copy must hold as many rows as the original:
        // the original is replaced by it.
        const QStringList tables = firstColumn(
            db, "SELECT name FROM main.sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
        for (const QString &table : tables) {
            const QString name = QLatin1Char('"') + QString(table).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
            const QStringList same = firstColumn(
                db, QStringLiteral("SELECT (SELECT count(*) FROM main.%1) = (SELECT count(*) FROM compacted.%1)")
                        .arg(name).toUtf8().constData());
            if (same != QStringList{QStringLiteral("1")}) {
                problem = QStringLiteral("the new file does not hold every row of table %1").arg(table);
                break;
            }
        }
    }
    run(QStringLiteral("DETACH DATABASE compacted"));
    sqlite3_close(db);
    if (!problem.isEmpty()) {
        removeTarget();
        vb::raise(adErrProvider, QStringLiteral("Compacting '%1' failed: %2").arg(databaseFile, problem),
                  QStringLiteral("Corvantis database"));
    }
    // Prove the copy opens with the same key before it replaces the original.
    try {
        sqlite3 *check = detail::openKeyed(target, password);
        // The check answers one row "ok", or rows naming what is wrong.
        const bool ok = firstColumn(check, "PRAGMA integrity_check") == QStringList{QStringLiteral("ok")};
        sqlite3_close(check);
        if (!ok)
            vb::raise(adErrProvider, QStringLiteral("the new file does not pass its check"));
    } catch (const vb::VbError &e) {
        removeTarget();
        vb::raise(adErrProvider, QStringLiteral("Compacting '%1' failed: %2").arg(databaseFile, e.description),
                  QStringLiteral("Corvantis database"));
    }
    if (QFile::exists(databaseFile + QStringLiteral("-wal"))) {
        removeTarget();
        vb::raise(adErrProvider, QStringLiteral("Compacting '%1' failed: the database is in use.").arg(databaseFile),
                  QStringLiteral("Corvantis database"));
    }
    QFile::remove(databaseFile + QStringLiteral("-shm"));
    // rename(2) replaces the old file atomically: the folder always holds a database.
    if (::rename(QFile::encodeName(target).constData(), QFile::encodeName(databaseFile).constData()) != 0) {
        removeTarget();
        vb::raise(adErrProvider, QStringLiteral("Compacting '%1' failed: the new file cannot replace it.").arg(databaseFile),
                  QStringLiteral("Corvantis database"));
    }
    if (QString reason; !vb::syncFolder(folder, &reason))
        vb::raise(adErrProvider, QStringLiteral("Compacting '%1': the new file replaced it, but %2").arg(databaseFile, reason),
                  QStringLiteral("Corvantis database"));
}

} // namespace ado
