#include "ado/Recordset.h"
#include "ado/ConnectionData.h"
#include "ado/Convert.h"
#include "ado/Criteria.h"
#include "ado/Sql.h"
#include "vb/VbError.h"

#include <QStringList>

#include <QHash>
#include <algorithm>
#include <climits>
#include <cstring>

namespace ado {

namespace detail {

struct Row {
    int64_t rowid = 0;
    std::vector<vb::Variant> values;   // in memory, or a cache of a fetched row
    bool hasValues = false;
    bool deleted = false;
    const char *kept = nullptr;        // the row as the read pass kept it, or nullptr
};

// The values of a read-only set read in one pass over the table (instead of
// one statement per row), kept as SQLite gave them. They stand for the row
// only while the connection's stamp is the one taken with them; a row asked
// for after any change is fetched by its rowid as before.
struct ReadPass {
    enum State { NotTaken, Taken, Spent } state = NotTaken;
    ConnectionData::Stamp stamp;
    // Per row, per field: kind, then its data. Rows sit in blocks that never
    // move, so keeping a row copies it once.
    std::vector<std::unique_ptr<char[]>> blocks;
    size_t blockUsed = 0, blockSize = 0, total = 0;
    char *reserve(size_t size)
    {
        if (blocks.empty() || blockSize - blockUsed < size) {
            blockSize = std::max(size, size_t(1) << 20);
            blocks.push_back(std::unique_ptr<char[]>(new char[blockSize]));
            blockUsed = 0;
        }
        char *at = blocks.back().get() + blockUsed;
        blockUsed += size;
        total += size;
        return at;
    }
    std::vector<CellKind> kinds;       // per field
};

constexpr char kChanged = 1;
constexpr char kChangedUtf8 = 2;

struct RecordsetData {
    std::shared_ptr<ConnectionData> conn;
    Connection *connection = nullptr;
    QString source;
    int cursorType = adOpenForwardOnly;
    int lockType = adLockReadOnly;
    bool cursorTypeSet = false;  // given through the property, before Open
    bool lockTypeSet = false;
    bool open = false;
    bool keyed = false;          // rows fetched and stored by rowid
    bool disconnected = false;
    std::vector<vb::Variant> values; // bound to the statement's placeholders ?1, ?2 ...
    QString fetchSql;            // the row of one rowid
    std::string fetchKey;        // the same in UTF-8, the cache's key
    QString changeSql;           // the last INSERT or UPDATE made, for `changeFields`
    std::string changeKey;
    bool changeAdding = false;
    std::vector<int> changeFields;
    QString passSql;             // every row of a read-only set, rowid first; empty when not used
    std::vector<char> passLeavesOut; // per field: the pass does not read it (a memo of SELECT *)
    ReadPass pass;
    const char *keptRow = nullptr; // the current row's values come from the pass, or nullptr: from buf
    QString table;               // the one table, quoted
    std::vector<Row> rows;       // natural order
    std::vector<int> view;       // rows through filter and sort
    long pos = -1;               // index into view: -1 BOF, view.size() EOF
    std::vector<vb::Variant> buf;
    std::vector<vb::Variant> orig;
    std::vector<char> changed;   // kChanged: in buf; kChangedUtf8: in utf8 (buf holds nothing)
    std::vector<std::string> utf8; // text assigned as UTF-8 bytes (Field::setUtf8)
    std::vector<QByteArray> boundText; // the UTF-8 of text values bound to the change statement
    bool loaded = false;
    int editMode = adEditNone;
    long addReturnPos = -1;
    bool currentDeleted = false;
    QString filter;
    QString sort;
    std::unique_ptr<Criteria> criteria;
    std::vector<SortKey> sortKeys;
    QHash<QString, int> byName;  // name as given and in lower case -> field position

    void addName(const QString &name, int index)
    {
        byName.insert(name, index);
        byName.insert(name.toLower(), index);
    }

    long size() const { return static_cast<long>(view.size()); }
    int current() const { return pos >= 0 && pos < size() ? view[static_cast<size_t>(pos)] : -1; }
};

} // namespace detail

namespace {

const QString kSource = QStringLiteral("Corvantis database");

[[noreturn]] void raiseNoCurrent()
{
    vb::raise(adErrNoCurrentRecord,
              QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record."),
              kSource);
}
[[noreturn]] void raiseClosed()
{
    vb::raise(adErrObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."), kSource);
}
[[noreturn]] void raiseOpen()
{
    vb::raise(adErrObjectOpen, QStringLiteral("Operation is not allowed when the object is open."), kSource);
}
[[noreturn]] void raiseReadOnly()
{
    vb::raise(adErrFeatureNotAvailable,
              QStringLiteral("Current Recordset does not support updating. This may be a limitation of the provider, or of the selected locktype."),
              kSource);
}
[[noreturn]] void raiseBackward()
{
    vb::raise(adErrFetchBackward, QStringLiteral("Rowset does not support fetching backward."), kSource);
}
[[noreturn]] void raiseArgument()
{
    vb::raise(adErrInvalidArgument,
              QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another."),
              kSource);
}
[[noreturn]] void raiseItem(const QString &name)
{
    vb::raise(adErrItemNotFound,
              QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal. (%1)").arg(name),
              kSource);
}

} // namespace

// ---------------------------------------------------------------- Field

long Field::ActualSize() const
{
    const vb::Variant v = Value();
    if (v.isNull())
        return 0;
    if (v.isString())
        return static_cast<long>(v.rawString().size());
    return m_definedSize;
}

void Field::setPrecision(uint8_t precision)
{
    if (m_rs->State() == adStateOpen)
        vb::raise(adErrIllegalOperation, QStringLiteral("Operation is not allowed in this context."), kSource);
    m_precision = precision;
}

void Field::setNumericScale(uint8_t scale)
{
    if (m_rs->State() == adStateOpen)
        vb::raise(adErrIllegalOperation, QStringLiteral("Operation is not allowed in this context."), kSource);
    m_scale = scale;
}

vb::Variant Field::Value() const
{
    return m_rs->fieldValue(m_index);
}

void Field::setValue(const vb::Variant &value)
{
    m_rs->setFieldValue(m_index, value);
}

void Field::setUtf8(QByteArrayView text)
{
    m_rs->setFieldUtf8(m_index, text);
}

vb::Variant Field::OriginalValue() const
{
    return m_rs->fieldOriginalValue(m_index);
}

// ---------------------------------------------------------------- Fields

Field *Fields::find(const QString &name) const
{
    // Names are mostly asked for as they are written: no lower-case copy then.
    auto it = m_rs->d->byName.constFind(name);
    if (it == m_rs->d->byName.constEnd())
        it = m_rs->d->byName.constFind(name.toLower());
    return it == m_rs->d->byName.constEnd() ? nullptr : m_fields[static_cast<size_t>(it.value())].get();
}

Field &Fields::Item(const QString &name) const
{
    Field *f = find(name);
    if (!f)
        raiseItem(name);
    return *f;
}

Field &Fields::Item(int index) const
{
    if (index < 0 || index >= Count())
        raiseItem(QString::number(index));
    return *m_fields[static_cast<size_t>(index)];
}

Field &Fields::add(const QString &name)
{
    auto field = std::unique_ptr<Field>(new Field(m_rs, Count()));
    field->m_name = name;
    m_rs->d->addName(name, Count());
    m_fields.push_back(std::move(field));
    return *m_fields.back();
}

void Fields::Append(const QString &name, int type, long definedSize, long attributes)
{
    if (m_rs->d->open)
        raiseOpen();
    if (name.isEmpty() || definedSize < 0)
        raiseArgument();
    if (!isSupportedType(type))
        vb::raise(adErrInvalidArgument,
                  QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another. (type %1)").arg(type),
                  kSource);
    if (find(name))
        vb::raise(adErrObjectInCollection,
                  QStringLiteral("Cannot append. An object with that name is already in the collection. (%1)").arg(name), kSource);
    if (!m_rs->d->disconnected) {
        // Fields of an earlier connected opening give way to the new layout.
        m_fields.clear();
        m_rs->d->byName.clear();
        m_rs->d->disconnected = true;
    }
    Field &f = add(name);
    f.m_type = type;
    f.m_definedSize = definedSize;
    if (attributes == adFldUnspecified) {
        long a = adFldUpdatable;
        if (type == adLongVarChar || type == adLongVarWChar)
            a |= adFldLong;
        else if (type != adChar && type != adWChar && type != adVarChar && type != adVarWChar && type != adBSTR)
            a |= adFldFixed;
        attributes = a;
    }
    f.m_attributes = attributes;
    f.m_baseColumn = name;
}

void Fields::Delete(const QString &name)
{
    if (m_rs->d->open)
        raiseOpen();
    Field &f = Item(name);
    m_fields.erase(m_fields.begin() + f.index());
    m_rs->d->byName.clear();
    for (int i = 0; i < Count(); ++i) {
        m_fields[static_cast<size_t>(i)]->m_index = i;
        m_rs->d->addName(m_fields[static_cast<size_t>(i)]->m_name, i);
    }
}

// ---------------------------------------------------------------- Recordset

Recordset::Recordset() : m_fields(new ado::Fields(this)), d(new detail::RecordsetData) {}

Recordset::~Recordset() = default;

void Recordset::Open(const QString &source, const ConnectionPtr &connection, int cursorType, int lockType)
{
    if (!connection && source.trimmed().isEmpty()) {
        // rs.Open , , cursor, lock: the set built with Fields.Append
        if (cursorType != adOpenUnspecified)
            setCursorType(cursorType);
        if (lockType != adLockUnspecified)
            setLockType(lockType);
        Open();
        return;
    }
    if (!connection)
        vb::raise(adErrInvalidConnection,
                  QStringLiteral("The connection cannot be used to perform this operation. It is either closed or invalid in this context."),
                  kSource);
    Open(source, *connection, cursorType, lockType);
}

void Recordset::Open(const QString &statement, const Parameters &values, const ConnectionPtr &connection,
                     int cursorType, int lockType)
{
    if (!connection)
        vb::raise(adErrInvalidConnection,
                  QStringLiteral("The connection cannot be used to perform this operation. It is either closed or invalid in this context."),
                  kSource);
    Open(statement, values, *connection, cursorType, lockType);
}

void Recordset::Open(const QString &source, Connection &connection, int cursorType, int lockType)
{
    Open(source, Parameters{}, connection, cursorType, lockType);
}

void Recordset::Open(const QString &source, const Parameters &values, Connection &connection, int cursorType,
                     int lockType)
{
    if (d->open)
        raiseOpen();
    auto conn = connection.data();
    if (!conn || !conn->isOpen())
        vb::raise(adErrInvalidConnection,
                  QStringLiteral("The connection cannot be used to perform this operation. It is either closed or invalid in this context."),
                  kSource);
    QString trimmed = source.trimmed();
    while (trimmed.endsWith(QLatin1Char(';')))
        trimmed = trimmed.chopped(1).trimmed();
    if (trimmed.isEmpty())
        raiseArgument();
    if (cursorType != adOpenUnspecified)
        d->cursorType = cursorType;
    if (lockType != adLockUnspecified)
        d->lockType = lockType;

    QString statement = trimmed;
    // Without values a ? would run as Null and match nothing: it is refused.
    statement = detail::numberPlaceholders(statement, values.size());
    if (!values.empty()) {
        detail::checkValues(values);
    } else if (!trimmed.contains(QLatin1Char(' ')) && conn->tables.contains(trimmed.toLower())) {
        statement = QStringLiteral("SELECT * FROM ") + SqlName(conn->tables.value(trimmed.toLower()));
    }
    const QString translated = translateJet(statement, conn->names);
    const detail::SelectParts parts = detail::splitSelect(translated);
    if (!parts.isSelect) {
        // A statement that returns no rows runs and leaves the set closed.
        conn->checkWriter();
        ++conn->generation;
        if (values.empty())
            conn->exec(translated);
        else
            conn->exec(translated, values);
        return;
    }

    forgetOpening(conn, connection, source, values);
    if (parts.simple)
        readKeys(*conn, parts, translated, statement);
    else
        readComputedRows(*conn, translated, statement);
    startAtFirstRow();
}

void Recordset::forgetOpening(const std::shared_ptr<detail::ConnectionData> &conn, Connection &connection,
                              const QString &source, const Parameters &values)
{
    m_fields->clear();
    d->byName.clear();
    d->rows.clear();
    d->view.clear();
    d->conn = conn;
    d->connection = &connection;
    d->source = source;
    d->values = values;
    d->disconnected = false;
    d->filter.clear();
    d->sort.clear();
    d->criteria.reset();
    d->sortKeys.clear();
}

void Recordset::describeColumns(detail::ConnectionData &conn, sqlite3_stmt *stmt, const QString &baseTable)
{
    // Not-null columns and the counter of the base table.
    QHash<QString, QPair<bool, bool>> info; // name -> (notnull, counter)
    if (!baseTable.isEmpty()) {
        sqlite3_stmt *pragma = nullptr;
        const QByteArray sql = (QStringLiteral("PRAGMA table_info(") + SqlName(baseTable) + QLatin1Char(')')).toUtf8();
        sqlite3_prepare_v2(conn.db, sql.constData(), -1, &pragma, nullptr);
        while (pragma && sqlite3_step(pragma) == SQLITE_ROW) {
            const QString name = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(pragma, 1))).toLower();
            const QString type = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(pragma, 2))).toUpper();
            info.insert(name, {sqlite3_column_int(pragma, 3) != 0, sqlite3_column_int(pragma, 5) != 0 && type == QLatin1String("INTEGER")});
        }
        sqlite3_finalize(pragma);
    }
    const int n = sqlite3_column_count(stmt);
    for (int i = 0; i < n; ++i) {
        const QString name = QString::fromUtf8(sqlite3_column_name(stmt, i));
        const char *decl = sqlite3_column_decltype(stmt, i);
        const char *origin = sqlite3_column_origin_name(stmt, i);
        const char *table = sqlite3_column_table_name(stmt, i);
        QString fieldName = name;
        for (int k = 2; m_fields->find(fieldName); ++k)
            fieldName = name + QString::number(k);
        Field &f = m_fields->add(fieldName);
        const detail::ColumnType ct = decl ? detail::columnTypeFor(QString::fromUtf8(decl))
                                           : detail::ColumnType{adVariant, 0, 255, 255, adFldIsNullable | adFldMayBeNull};
        f.m_type = ct.type;
        f.m_definedSize = ct.size;
        f.m_precision = static_cast<uint8_t>(ct.precision);
        f.m_scale = static_cast<uint8_t>(ct.scale);
        f.m_attributes = ct.attributes;
        const bool ownTable = origin && table && QString::fromUtf8(table).compare(baseTable, Qt::CaseInsensitive) == 0;
        if (ownTable) {
            f.m_baseColumn = QString::fromUtf8(origin);
            const auto it = info.constFind(f.m_baseColumn.toLower());
            if (it != info.constEnd()) {
                if (it->first)
                    f.m_attributes &= ~long(adFldIsNullable | adFldMayBeNull);
                if (it->second) {
                    f.m_autoIncrement = true;
                    f.m_attributes = adFldFixed | adFldKeyColumn | adFldRowID;
                }
            }
        } else {
            f.m_attributes &= ~long(adFldUpdatable);
        }
    }
}

void Recordset::readKeys(detail::ConnectionData &conn, const detail::SelectParts &parts, const QString &translated,
                         const QString &statement)
{
    // The statement as written must be sound, though only its pieces run.
    {
        detail::StatementUse check(conn.prepare(translated));
    }
    d->keyed = true;
    d->table = parts.table;
    const QString rowidRef = parts.table + QStringLiteral(".rowid");
    d->fetchSql = QStringLiteral("SELECT ") + parts.selectList + QStringLiteral(" FROM ") + parts.from
                  + QStringLiteral(" WHERE ") + rowidRef + QStringLiteral(" = ?");
    d->fetchKey = d->fetchSql.toStdString();
    sqlite3_stmt *fetch = conn.prepare(d->fetchKey, d->fetchSql);
    detail::StatementUse fetchUse(fetch);
    // The table name of a change statement cannot be an alias.
    QString baseName = parts.tableName;
    if (conn.tables.contains(baseName.toLower()))
        baseName = conn.tables.value(baseName.toLower());
    d->table = SqlName(baseName);
    describeColumns(conn, fetch, baseName);
    planReadPass(parts, rowidRef);
    // Ties come back in the same order every time: rowid is the last key.
    QString keysSql = QStringLiteral("SELECT ") + rowidRef + QStringLiteral(" FROM ") + parts.from;
    if (!parts.where.isEmpty())
        keysSql += QStringLiteral(" WHERE ") + parts.where;
    keysSql += QStringLiteral(" ORDER BY ") + (parts.orderBy.isEmpty() ? QString() : parts.orderBy + QStringLiteral(", ")) + rowidRef;
    if (!parts.rest.isEmpty())
        keysSql += QLatin1Char(' ') + parts.rest;
    sqlite3_stmt *keys = conn.prepare(keysSql);
    std::vector<QByteArray> bound; // outlives the statement's use
    detail::StatementUse keysUse(keys);
    detail::bindValues(keys, d->values, bound);
    int rc;
    while ((rc = sqlite3_step(keys)) == SQLITE_ROW) {
        detail::Row row;
        row.rowid = sqlite3_column_int64(keys, 0);
        d->rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        conn.fail(statement);
}

void Recordset::planReadPass(const detail::SelectParts &parts, const QString &rowidRef)
{
    // A read-only set may read its rows in one pass (see ensureLoaded).
    // The pass has no ORDER BY, so values are not sorted again; LIMIT only
    // means something with the order, so such a set reads by row. Of
    // "SELECT *" the pass leaves out memo columns, whose long text would
    // be read for nothing: a memo is read with its row when asked for.
    d->passSql.clear();
    d->passLeavesOut.assign(static_cast<size_t>(m_fields->Count()), 0);
    if (d->lockType != adLockReadOnly || !parts.rest.isEmpty())
        return;
    QString list = parts.selectList;
    if (list.trimmed() == QLatin1String("*")) {
        QStringList columns;
        for (int i = 0; i < m_fields->Count(); ++i) {
            const Field &f = m_fields->Item(i);
            if (f.m_baseColumn.isEmpty()) {
                columns.clear();
                break;
            }
            const bool memo = f.m_type == adLongVarWChar || f.m_type == adLongVarChar;
            d->passLeavesOut[static_cast<size_t>(i)] = memo;
            columns << (memo ? QStringLiteral("NULL") : SqlName(f.m_baseColumn));
        }
        if (columns.isEmpty())
            d->passLeavesOut.assign(static_cast<size_t>(m_fields->Count()), 0);
        else
            list = columns.join(QStringLiteral(", "));
    }
    d->passSql = QStringLiteral("SELECT ") + rowidRef + QStringLiteral(", ") + list
                 + QStringLiteral(" FROM ") + parts.from;
    if (!parts.where.isEmpty())
        d->passSql += QStringLiteral(" WHERE ") + parts.where;
}

void Recordset::readComputedRows(detail::ConnectionData &conn, const QString &translated, const QString &statement)
{
    d->keyed = false;
    d->table.clear();
    d->passSql.clear();
    sqlite3_stmt *stmt = conn.prepare(translated);
    std::vector<QByteArray> bound; // outlives the statement's use
    detail::StatementUse use(stmt);
    detail::bindValues(stmt, d->values, bound);
    describeColumns(conn, stmt, QString());
    int rc;
    const int n = m_fields->Count();
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        detail::Row row;
        row.values.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            Field &f = m_fields->Item(i);
            if (f.m_type == adVariant && sqlite3_column_type(stmt, i) != SQLITE_NULL && d->rows.empty()) {
                // A computed column takes the type of its first value.
                const int storage = sqlite3_column_type(stmt, i);
                f.m_type = storage == SQLITE_INTEGER ? adInteger : storage == SQLITE_FLOAT ? adDouble : adVarWChar;
                f.m_definedSize = storage == SQLITE_TEXT ? 255 : 8;
            }
            row.values.push_back(detail::readColumn(stmt, i, f.m_type == adVariant ? adVariant : f.m_type));
        }
        row.hasValues = true;
        d->rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        conn.fail(statement);
}

void Recordset::startAtFirstRow()
{
    d->pass = detail::ReadPass();
    d->keptRow = nullptr;
    d->changeSql.clear();
    d->open = true;
    d->editMode = adEditNone;
    d->currentDeleted = false;
    d->loaded = false;
    d->view.resize(d->rows.size());
    for (size_t i = 0; i < d->rows.size(); ++i)
        d->view[i] = static_cast<int>(i);
    d->pos = 0;
}

void Recordset::Open()
{
    if (d->open)
        raiseOpen();
    if (m_fields->Count() == 0 || !d->disconnected)
        vb::raise(adErrInvalidConnection,
                  QStringLiteral("The connection cannot be used to perform this operation. It is either closed or invalid in this context."),
                  kSource);
    d->conn.reset();
    d->connection = nullptr;
    d->source.clear();
    d->values.clear();
    d->keyed = false;
    d->rows.clear();
    d->view.clear();
    d->filter.clear();
    d->sort.clear();
    d->criteria.reset();
    d->sortKeys.clear();
    d->open = true;
    d->editMode = adEditNone;
    d->currentDeleted = false;
    d->loaded = false;
    d->pos = 0;
    // A set built in memory is there to be filled: unless told otherwise it
    // opens as keyset and optimistic.
    if (!d->cursorTypeSet)
        d->cursorType = adOpenKeyset;
    if (!d->lockTypeSet)
        d->lockType = adLockOptimistic;
}

void Recordset::Close()
{
    if (!d->open)
        raiseClosed();
    // Nothing typed into a row is lost by closing the set.
    if (d->editMode != adEditNone)
        Update();
    d->open = false;
    d->rows.clear();
    d->view.clear();
    d->pass = detail::ReadPass();
    d->keptRow = nullptr;
    d->buf.clear();
    d->orig.clear();
    d->changed.clear();
    d->loaded = false;
    d->editMode = adEditNone;
    d->pos = -1;
    d->criteria.reset();
    d->sortKeys.clear();
    d->filter.clear();
    d->sort.clear();
    if (!d->disconnected) {
        m_fields->clear();
        d->byName.clear();
        d->conn.reset();
        d->connection = nullptr;
    }
}

int Recordset::State() const
{
    return d->open ? adStateOpen : adStateClosed;
}

int Recordset::CursorType() const { return d->cursorType; }

void Recordset::setCursorType(int cursorType)
{
    if (d->open)
        raiseOpen();
    d->cursorType = cursorType;
    d->cursorTypeSet = true;
}

int Recordset::LockType() const { return d->lockType; }

void Recordset::setLockType(int lockType)
{
    if (d->open)
        raiseOpen();
    d->lockType = lockType;
    d->lockTypeSet = true;
}

QString Recordset::Source() const { return d->source; }

Connection *Recordset::ActiveConnection() const { return d->connection; }

// ---- rows

namespace {

bool fetchRow(detail::RecordsetData &d, int64_t rowid, std::vector<vb::Variant> &out, const ado::Fields &fields)
{
    sqlite3_stmt *stmt = d.conn->prepare(d.fetchKey, d.fetchSql);
    std::vector<QByteArray> bound; // outlives the statement's use
    detail::StatementUse use(stmt);
    // The rowid's bare ? comes after any numbered placeholder of the select list.
    detail::bindValues(stmt, d.values, bound);
    sqlite3_bind_int64(stmt, sqlite3_bind_parameter_count(stmt), rowid);
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        d.conn->fail(d.fetchSql);
    const int n = fields.Count();
    out.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        out[static_cast<size_t>(i)] = detail::readColumn(stmt, i, fields.Item(i).Type());
    return true;
}

// ---- the read pass of read-only sets

constexpr size_t kPassMinimumRows = 32;           // fewer rows: one statement each is as quick
constexpr int kPassLongValue = 1024;              // longer text is read with its row when asked for
constexpr size_t kPassBudget = size_t(256) << 20; // bytes kept at most; later rows are read one by one

enum : uint8_t { kKeptNull, kKeptInteger, kKeptReal, kKeptText, kKeptLong };

// Reads every row of the set in one statement and keeps their values. The
// stamp is taken first: a change that lands between it and the pass only
// makes the kept rows unusable, never wrong.
void takePass(detail::RecordsetData &d, const ado::Fields &fields)
{
    detail::ReadPass &pass = d.pass;
    pass.state = detail::ReadPass::Spent;
    const int n = fields.Count();
    pass.kinds.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        pass.kinds[static_cast<size_t>(i)] = detail::cellKindFor(fields.Item(i).Type());
    pass.stamp = d.conn->stamp();

    // Rows by rowid; the pass comes mostly in rowid order.
    std::vector<std::pair<int64_t, int>> byRowid;
    byRowid.reserve(d.rows.size());
    for (size_t i = 0; i < d.rows.size(); ++i)
        byRowid.emplace_back(d.rows[i].rowid, static_cast<int>(i));
    std::sort(byRowid.begin(), byRowid.end());

    sqlite3_stmt *stmt = d.conn->prepare(d.passSql);
    std::vector<QByteArray> bound; // outlives the statement's use
    detail::StatementUse use(stmt);
    detail::bindValues(stmt, d.values, bound);
    if (sqlite3_column_count(stmt) != n + 1)
        return;
    std::vector<detail::Cell> cells(static_cast<size_t>(n));
    size_t next = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const int64_t rowid = sqlite3_column_int64(stmt, 0);
        size_t at;
        if (next < byRowid.size() && byRowid[next].first == rowid) {
            at = next;
        } else {
            const auto it = std::lower_bound(byRowid.begin(), byRowid.end(), std::make_pair(rowid, INT_MIN));
            if (it == byRowid.end() || it->first != rowid)
                continue; // not one of the set's rows (it changed since the set opened)
            at = static_cast<size_t>(it - byRowid.begin());
        }
        next = at + 1;
        if (pass.total > kPassBudget)
            continue;
        size_t size = 0;
        for (int i = 0; i < n; ++i) {
            detail::Cell &c = cells[static_cast<size_t>(i)];
            if (d.passLeavesOut[static_cast<size_t>(i)]) {
                c = detail::Cell();
                c.kind = detail::CellKind::Text;
                c.size = kPassLongValue + 1; // kept as "read with the row"
            } else {
                c = detail::readCell(stmt, i + 1, pass.kinds[static_cast<size_t>(i)]);
            }
            size += 1;
            if (c.kind == detail::CellKind::Integer || c.kind == detail::CellKind::Real)
                size += 8;
            else if (c.kind == detail::CellKind::Text && c.size <= kPassLongValue)
                size += sizeof(uint32_t) + static_cast<size_t>(c.size);
        }
        char *p = pass.reserve(size);
        d.rows[static_cast<size_t>(byRowid[at].second)].kept = p;
        for (const detail::Cell &c : cells) {
            switch (c.kind) {
            case detail::CellKind::Integer:
                *p++ = kKeptInteger;
                std::memcpy(p, &c.integer, 8);
                p += 8;
                break;
            case detail::CellKind::Real:
                *p++ = kKeptReal;
                std::memcpy(p, &c.real, 8);
                p += 8;
                break;
            case detail::CellKind::Text: {
                if (c.size > kPassLongValue) {
                    *p++ = kKeptLong;
                    break;
                }
                *p++ = kKeptText;
                const uint32_t length = static_cast<uint32_t>(c.size);
                std::memcpy(p, &length, sizeof length);
                p += sizeof length;
                std::memcpy(p, c.text, length);
                p += length;
                break;
            }
            default:
                *p++ = kKeptNull;
                break;
            }
        }
    }
    if (rc != SQLITE_DONE) {
        // Reading row by row reports whatever went wrong, where it happens.
        for (detail::Row &row : d.rows)
            row.kept = nullptr;
        pass.blocks.clear();
        return;
    }
    pass.state = detail::ReadPass::Taken;
}

// The kept value of field `index` of the row at `offset`; false for a long
// value that was not kept.
bool keptValue(const char *p, int index, int type, vb::Variant *out)
{
    for (int i = 0;; ++i) {
        const uint8_t kind = static_cast<uint8_t>(*p++);
        if (i == index) {
            detail::Cell c;
            switch (kind) {
            case kKeptInteger: c.kind = detail::CellKind::Integer; std::memcpy(&c.integer, p, sizeof c.integer); break;
            case kKeptReal: c.kind = detail::CellKind::Real; std::memcpy(&c.real, p, sizeof c.real); break;
            case kKeptText: {
                uint32_t size;
                std::memcpy(&size, p, sizeof size);
                c.kind = detail::CellKind::Text;
                c.text = p + sizeof size;
                c.size = static_cast<int>(size);
                break;
            }
            case kKeptLong: return false;
            default: break;
            }
            *out = detail::cellValue(c, type);
            return true;
        }
        switch (kind) {
        case kKeptInteger: case kKeptReal: p += 8; break;
        case kKeptText: {
            uint32_t size;
            std::memcpy(&size, p, sizeof size);
            p += sizeof size + size;
            break;
        }
        default: break;
        }
    }
}

// True when the current row can be served from the pass: the set is
// read-only, the pass holds the row and nothing has changed since it was read.
bool fromPass(detail::RecordsetData &d, const detail::Row &row, const ado::Fields &fields)
{
    if (d.passSql.isEmpty() || d.pass.state == detail::ReadPass::Spent)
        return false;
    if (d.pass.state == detail::ReadPass::NotTaken) {
        if (d.rows.size() < kPassMinimumRows) {
            d.pass.state = detail::ReadPass::Spent;
            return false;
        }
        takePass(d, fields);
        if (d.pass.state != detail::ReadPass::Taken)
            return false;
    }
    if (!row.kept)
        return false;
    if (!(d.conn->stamp(&d.pass.stamp) == d.pass.stamp)) {
        // Something changed: from here on every row is read by itself, as
        // the set did before it kept rows.
        d.pass = detail::ReadPass();
        d.pass.state = detail::ReadPass::Spent;
        return false;
    }
    return true;
}

void ensureLoaded(detail::RecordsetData &d, const ado::Fields &fields)
{
    if (d.editMode == adEditAdd || d.loaded)
        return;
    const int cur = d.current();
    if (cur < 0 || d.currentDeleted)
        raiseNoCurrent();
    detail::Row &row = d.rows[static_cast<size_t>(cur)];
    if (row.deleted)
        raiseNoCurrent();
    d.keptRow = nullptr;
    if (d.keyed && fromPass(d, row, fields)) {
        d.keptRow = row.kept;
        d.loaded = true;
        return;
    }
    if (d.keyed) {
        if (!fetchRow(d, row.rowid, d.buf, fields)) {
            row.deleted = true;
            vb::raise(adErrRowDeleted, QStringLiteral("Row handle referred to a deleted row or a row marked for deletion."), kSource);
        }
    } else {
        d.buf = row.values;
    }
    d.orig = d.buf;
    d.changed.assign(d.buf.size(), 0);
    d.loaded = true;
}

bool changeable(const detail::RecordsetData &d)
{
    if (d.lockType == adLockReadOnly)
        return false;
    return d.keyed || d.disconnected;
}

} // namespace

void Recordset::checkFieldChange() const
{
    if (!d->open)
        raiseClosed();
    if (!changeable(*d))
        raiseReadOnly();
}

// The value of a field of the current row kept by the read pass; a long value
// that was not kept is read with its row now (the stamp says it is unchanged
// unless something changed in between, and then it is read as it is now).
vb::Variant keptOrFetched(detail::RecordsetData &d, const ado::Fields &fields, int index)
{
    vb::Variant v;
    if (keptValue(d.keptRow, index, fields.Item(index).Type(), &v))
        return v;
    detail::Row &row = d.rows[static_cast<size_t>(d.current())];
    if (!fetchRow(d, row.rowid, d.buf, fields)) {
        row.deleted = true;
        d.loaded = false;
        d.keptRow = nullptr;
        vb::raise(adErrRowDeleted, QStringLiteral("Row handle referred to a deleted row or a row marked for deletion."), kSource);
    }
    d.orig = d.buf;
    d.changed.assign(d.buf.size(), 0);
    d.keptRow = nullptr;
    return d.buf[static_cast<size_t>(index)];
}

vb::Variant Recordset::fieldValue(int index) const
{
    if (!d->open)
        raiseClosed();
    ensureLoaded(*d, *m_fields);
    if (d->keptRow)
        return keptOrFetched(*d, *m_fields, index);
    if (d->changed[static_cast<size_t>(index)] == detail::kChangedUtf8)
        return vb::Variant(QString::fromUtf8(d->utf8[static_cast<size_t>(index)]));
    return d->buf[static_cast<size_t>(index)];
}

vb::Variant Recordset::fieldOriginalValue(int index) const
{
    if (!d->open)
        raiseClosed();
    ensureLoaded(*d, *m_fields);
    if (d->keptRow) // a read-only set: nothing was changed
        return keptOrFetched(*d, *m_fields, index);
    return d->editMode == adEditAdd ? vb::Variant::null() : d->orig[static_cast<size_t>(index)];
}

namespace {

void checkUpdatable(bool autoIncrement, long attributes, const QString &name)
{
    if (autoIncrement || !(attributes & adFldUpdatable))
        vb::raise(adErrMultipleStep,
                  QStringLiteral("Multiple-step operation generated errors. Check each status value. (field '%1' cannot be changed)").arg(name),
                  kSource);
}

// The UTF-16 length of UTF-8 text, as QString::size() would give it.
qsizetype utf16Length(QByteArrayView utf8)
{
    qsizetype n = 0;
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if ((b & 0xC0) != 0x80)
            n += b >= 0xF0 ? 2 : 1;
    }
    return n;
}

} // namespace

void Recordset::setFieldValue(int index, const vb::Variant &value)
{
    checkFieldChange();
    ensureLoaded(*d, *m_fields);
    const Field &f = m_fields->Item(index);
    checkUpdatable(f.m_autoIncrement, f.m_attributes, f.m_name);
    const bool nullable = (f.m_attributes & (adFldIsNullable | adFldMayBeNull)) != 0;
    vb::Variant converted = convertToFieldType(value, f.m_type, f.m_definedSize, f.m_precision, f.m_scale, nullable);
    d->buf[static_cast<size_t>(index)] = std::move(converted);
    d->changed[static_cast<size_t>(index)] = detail::kChanged;
    if (d->editMode == adEditNone)
        d->editMode = adEditInProgress;
}

void Recordset::setFieldUtf8(int index, QByteArrayView text)
{
    const Field &f = m_fields->Item(index);
    const int type = f.m_type;
    const bool limited = type == adChar || type == adWChar || type == adVarChar || type == adVarWChar;
    if (!limited && type != adLongVarChar && type != adLongVarWChar && type != adBSTR) {
        setFieldValue(index, vb::Variant(QString::fromUtf8(text)));
        return;
    }
    checkFieldChange();
    ensureLoaded(*d, *m_fields);
    checkUpdatable(f.m_autoIncrement, f.m_attributes, f.m_name);
    if (limited && f.m_definedSize > 0 && utf16Length(text) > f.m_definedSize)
        vb::raise(adErrMultipleStep,
                  QStringLiteral("Multiple-step operation generated errors. Check each status value. (text longer than %1 characters)")
                      .arg(f.m_definedSize),
                  kSource);
    d->utf8.resize(d->buf.size());
    d->utf8[static_cast<size_t>(index)].assign(text.data(), static_cast<size_t>(text.size()));
    d->buf[static_cast<size_t>(index)] = vb::Variant::null();
    d->changed[static_cast<size_t>(index)] = detail::kChangedUtf8;
    if (d->editMode == adEditNone)
        d->editMode = adEditInProgress;
}

int64_t Recordset::rowid() const
{
    if (!d->open)
        raiseClosed();
    if (d->editMode == adEditAdd)
        return 0;
    const int cur = d->current();
    if (cur < 0 || d->currentDeleted)
        raiseNoCurrent();
    return d->rows[static_cast<size_t>(cur)].rowid;
}

// ---- changes

void Recordset::AddNew()
{
    if (!d->open)
        raiseClosed();
    if (!changeable(*d))
        raiseReadOnly();
    if (d->conn)
        d->conn->checkWriter();
    if (d->editMode != adEditNone)
        Update();
    d->addReturnPos = d->pos;
    d->editMode = adEditAdd;
    d->buf.assign(static_cast<size_t>(m_fields->Count()), vb::Variant::null());
    d->orig = d->buf;
    d->changed.assign(d->buf.size(), 0);
    d->loaded = true;
}

// Binds the changed fields `which` to the statement's first parameters.
// Text is bound where it is kept (UTF-8 as assigned, or converted into
// boundText): both stay unchanged until the statement has run.
namespace {

void bindChanged(detail::RecordsetData &d, sqlite3_stmt *stmt, const std::vector<int> &which)
{
    if (d.boundText.size() < which.size())
        d.boundText.resize(which.size());
    for (size_t k = 0; k < which.size(); ++k) {
        const auto i = static_cast<size_t>(which[k]);
        if (d.changed[i] == detail::kChangedUtf8)
            sqlite3_bind_text(stmt, static_cast<int>(k + 1), d.utf8[i].data(), static_cast<int>(d.utf8[i].size()),
                              SQLITE_STATIC);
        else
            detail::bindValue(stmt, static_cast<int>(k + 1), d.buf[i], d.boundText[k]);
    }
}

} // namespace

void Recordset::Update()
{
    if (!d->open)
        raiseClosed();
    if (d->editMode == adEditNone)
        return;
    if (!changeable(*d))
        raiseReadOnly();
    const int n = m_fields->Count();
    if (d->disconnected) {
        for (int i = 0; i < n; ++i) {
            if (d->changed[static_cast<size_t>(i)] == detail::kChangedUtf8)
                d->buf[static_cast<size_t>(i)] = vb::Variant(QString::fromUtf8(d->utf8[static_cast<size_t>(i)]));
        }
        if (d->editMode == adEditAdd) {
            detail::Row row;
            row.values = d->buf;
            row.hasValues = true;
            d->rows.push_back(std::move(row));
            if (d->currentDeleted && d->pos >= 0 && d->pos < d->size()) {
                d->view.erase(d->view.begin() + d->pos);
                d->currentDeleted = false;
            }
            d->view.push_back(static_cast<int>(d->rows.size() - 1));
            d->pos = d->size() - 1;
        } else {
            d->rows[static_cast<size_t>(d->current())].values = d->buf;
        }
        d->orig = d->buf;
        d->changed.assign(d->buf.size(), 0);
        d->editMode = adEditNone;
        return;
    }

    d->conn->checkWriter();
    std::vector<int> which;
    for (int i = 0; i < n; ++i) {
        if (d->changed[static_cast<size_t>(i)])
            which.push_back(i);
    }
    // A walk changes the same fields row after row: the statement text is
    // made once for them.
    const bool adding = d->editMode == adEditAdd;
    if (d->changeSql.isEmpty() || d->changeAdding != adding || d->changeFields != which) {
        QStringList columns;
        for (int i : which)
            columns << SqlName(m_fields->Item(i).m_baseColumn);
        QString sql;
        if (adding && columns.isEmpty()) {
            sql = QStringLiteral("INSERT INTO ") + d->table + QStringLiteral(" DEFAULT VALUES");
        } else if (adding) {
            QStringList marks;
            for (int k = 0; k < columns.size(); ++k)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO ") + d->table + QStringLiteral(" (") + columns.join(QLatin1Char(','))
                  + QStringLiteral(") VALUES (") + marks.join(QLatin1Char(',')) + QLatin1Char(')');
        } else if (!columns.isEmpty()) {
            QStringList sets;
            for (const QString &c : columns)
                sets << c + QStringLiteral("=?");
            sql = QStringLiteral("UPDATE ") + d->table + QStringLiteral(" SET ") + sets.join(QLatin1Char(','))
                  + QStringLiteral(" WHERE rowid=?");
        }
        d->changeSql = sql;
        d->changeKey = sql.toStdString();
        d->changeAdding = adding;
        d->changeFields = which;
    }
    if (adding) {
        sqlite3_stmt *stmt = d->conn->prepare(d->changeKey, d->changeSql);
        detail::StatementUse use(stmt);
        bindChanged(*d, stmt, which);
        if (sqlite3_step(stmt) != SQLITE_DONE)
            d->conn->fail(QStringLiteral("adding a row to ") + d->table);
        detail::Row row;
        row.rowid = sqlite3_last_insert_rowid(d->conn->db);
        d->rows.push_back(std::move(row));
        if (d->currentDeleted && d->pos >= 0 && d->pos < d->size()) {
            d->view.erase(d->view.begin() + d->pos);
            d->currentDeleted = false;
        }
        d->view.push_back(static_cast<int>(d->rows.size() - 1));
        d->pos = d->size() - 1;
    } else if (!which.empty()) {
        sqlite3_stmt *stmt = d->conn->prepare(d->changeKey, d->changeSql);
        detail::StatementUse use(stmt);
        bindChanged(*d, stmt, which);
        detail::Row &row = d->rows[static_cast<size_t>(d->current())];
        sqlite3_bind_int64(stmt, static_cast<int>(which.size() + 1), row.rowid);
        if (sqlite3_step(stmt) != SQLITE_DONE)
            d->conn->fail(QStringLiteral("changing a row of ") + d->table);
        if (sqlite3_changes(d->conn->db) == 0) {
            row.deleted = true;
            d->editMode = adEditNone;
            d->loaded = false;
            vb::raise(adErrRowDeleted, QStringLiteral("Row handle referred to a deleted row or a row marked for deletion."), kSource);
        }
        row.hasValues = false;
    }
    d->editMode = adEditNone;
    d->loaded = false; // read back what the database holds (counters, defaults)
}

void Recordset::CancelUpdate()
{
    if (!d->open)
        raiseClosed();
    if (d->editMode == adEditAdd) {
        d->pos = d->addReturnPos;
        d->loaded = false;
    } else if (d->editMode == adEditInProgress) {
        d->buf = d->orig;
        d->changed.assign(d->buf.size(), 0);
    }
    d->editMode = adEditNone;
}

void Recordset::Delete()
{
    if (!d->open)
        raiseClosed();
    if (!changeable(*d))
        raiseReadOnly();
    if (d->editMode == adEditAdd) {
        CancelUpdate();
        return;
    }
    const int cur = d->current();
    if (cur < 0 || d->currentDeleted || d->rows[static_cast<size_t>(cur)].deleted)
        raiseNoCurrent();
    detail::Row &row = d->rows[static_cast<size_t>(cur)];
    if (d->keyed) {
        d->conn->checkWriter();
        const QString sql = QStringLiteral("DELETE FROM ") + d->table + QStringLiteral(" WHERE rowid=?");
        sqlite3_stmt *stmt = d->conn->prepare(sql);
        detail::StatementUse use(stmt);
        sqlite3_bind_int64(stmt, 1, row.rowid);
        if (sqlite3_step(stmt) != SQLITE_DONE)
            d->conn->fail(QStringLiteral("deleting a row of ") + d->table);
    }
    row.deleted = true;
    d->currentDeleted = true;
    d->editMode = adEditNone;
    d->loaded = false;
}

int Recordset::EditMode() const
{
    return d->editMode;
}

// ---- moving

namespace {

// Stores a pending edit and drops a deleted current row from the view;
// true when the row that was current is gone (the next row took its place).
bool leaveRow(Recordset &rs, detail::RecordsetData &d)
{
    if (d.editMode != adEditNone)
        rs.Update();
    d.loaded = false;
    if (d.currentDeleted) {
        d.currentDeleted = false;
        if (d.pos >= 0 && d.pos < d.size()) {
            d.view.erase(d.view.begin() + d.pos);
            return true;
        }
    }
    return false;
}

void skipForward(detail::RecordsetData &d)
{
    while (d.pos >= 0 && d.pos < d.size() && d.rows[static_cast<size_t>(d.view[static_cast<size_t>(d.pos)])].deleted)
        d.view.erase(d.view.begin() + d.pos);
}

void skipBackward(detail::RecordsetData &d)
{
    while (d.pos >= 0 && d.pos < d.size() && d.rows[static_cast<size_t>(d.view[static_cast<size_t>(d.pos)])].deleted) {
        d.view.erase(d.view.begin() + d.pos);
        --d.pos;
    }
}

} // namespace

bool Recordset::Eof() const
{
    if (!d->open)
        raiseClosed();
    return d->view.empty() || d->pos >= d->size();
}

bool Recordset::Bof() const
{
    if (!d->open)
        raiseClosed();
    return d->view.empty() || d->pos < 0;
}

void Recordset::MoveFirst()
{
    if (!d->open)
        raiseClosed();
    leaveRow(*this, *d);
    d->pos = 0;
    skipForward(*d);
}

void Recordset::MoveLast()
{
    if (!d->open)
        raiseClosed();
    leaveRow(*this, *d);
    d->pos = d->size() - 1;
    skipBackward(*d);
    if (d->view.empty())
        d->pos = 0;
}

void Recordset::MoveNext()
{
    if (!d->open)
        raiseClosed();
    if (d->editMode != adEditAdd && (d->view.empty() || d->pos >= d->size()))
        raiseNoCurrent();
    if (!leaveRow(*this, *d))
        ++d->pos;
    skipForward(*d);
}

void Recordset::MovePrevious()
{
    if (!d->open)
        raiseClosed();
    if (d->cursorType == adOpenForwardOnly)
        raiseBackward();
    if (d->editMode != adEditAdd && (d->view.empty() || d->pos < 0))
        raiseNoCurrent();
    leaveRow(*this, *d);
    --d->pos;
    skipBackward(*d);
}

void Recordset::Move(long rows)
{
    if (!d->open)
        raiseClosed();
    if (rows < 0 && d->cursorType == adOpenForwardOnly)
        raiseBackward();
    if (rows == 0) {
        leaveRow(*this, *d);
        return;
    }
    if (d->editMode != adEditAdd && (d->current() < 0))
        raiseNoCurrent();
    const bool gone = leaveRow(*this, *d);
    long target = d->pos + rows - (gone && rows > 0 ? 1 : 0);
    if (target < 0)
        target = -1;
    if (target > d->size())
        target = d->size();
    d->pos = target;
    if (rows > 0)
        skipForward(*d);
    else
        skipBackward(*d);
}

long Recordset::RecordCount() const
{
    if (!d->open)
        raiseClosed();
    return d->size() - (d->currentDeleted ? 1 : 0);
}

long Recordset::AbsolutePosition() const
{
    if (!d->open)
        raiseClosed();
    if (d->view.empty() || d->pos < 0)
        return adPosBOF;
    if (d->pos >= d->size())
        return adPosEOF;
    return d->pos + 1;
}

void Recordset::setAbsolutePosition(long position)
{
    if (!d->open)
        raiseClosed();
    if (position < 1 || position > RecordCount())
        raiseArgument();
    const long target = position - 1;
    if (d->cursorType == adOpenForwardOnly && target < d->pos)
        raiseBackward();
    leaveRow(*this, *d);
    d->pos = target;
    skipForward(*d);
}

vb::Variant Recordset::Bookmark() const
{
    if (!d->open)
        raiseClosed();
    const int cur = d->current();
    if (cur < 0 || d->editMode == adEditAdd)
        raiseNoCurrent();
    return vb::Variant(static_cast<double>(cur + 1));
}

void Recordset::setBookmark(const vb::Variant &bookmark)
{
    if (!d->open)
        raiseClosed();
    double mark = 0;
    if (!detail::numberOf(bookmark, &mark) || bookmark.isEmpty())
        raiseArgument();
    const int row = static_cast<int>(mark) - 1;
    if (row < 0 || row >= static_cast<int>(d->rows.size()) || d->rows[static_cast<size_t>(row)].deleted)
        raiseArgument();
    leaveRow(*this, *d);
    const auto it = std::find(d->view.begin(), d->view.end(), row);
    if (it == d->view.end())
        raiseArgument();
    const long target = static_cast<long>(it - d->view.begin());
    if (d->cursorType == adOpenForwardOnly && target < d->pos)
        raiseBackward();
    d->pos = target;
}

// ---- filter and sort

namespace {

void rebuildView(Recordset &rs, detail::RecordsetData &d, const ado::Fields &fields)
{
    const bool needValues = d.criteria || !d.sortKeys.empty();
    if (needValues && d.keyed) {
        for (detail::Row &row : d.rows) {
            if (row.deleted)
                continue;
            if (!fetchRow(d, row.rowid, row.values, fields)) {
                row.deleted = true;
                continue;
            }
            row.hasValues = true;
        }
    }
    d.view.clear();
    for (size_t i = 0; i < d.rows.size(); ++i) {
        const detail::Row &row = d.rows[i];
        if (row.deleted)
            continue;
        if (d.criteria && !d.criteria->matches(row.values))
            continue;
        d.view.push_back(static_cast<int>(i));
    }
    if (!d.sortKeys.empty()) {
        std::stable_sort(d.view.begin(), d.view.end(), [&](int a, int b) {
            const auto &ra = d.rows[static_cast<size_t>(a)].values;
            const auto &rb = d.rows[static_cast<size_t>(b)].values;
            for (const detail::SortKey &key : d.sortKeys) {
                const int c = detail::compareValues(ra[static_cast<size_t>(key.field)], rb[static_cast<size_t>(key.field)]);
                if (c != 0)
                    return key.descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    if (d.keyed) {
        // The cache served this ordering; rows are read fresh when current.
        for (detail::Row &row : d.rows) {
            row.values.clear();
            row.hasValues = false;
        }
    }
    d.pos = 0;
    d.loaded = false;
    (void)rs;
}

} // namespace

QString Recordset::Filter() const
{
    return d->filter;
}

void Recordset::setFilter(const QString &criteria)
{
    if (!d->open)
        raiseClosed();
    leaveRow(*this, *d);
    const QString text = criteria.trimmed();
    auto lookup = [this](const QString &name) {
        const Field *f = m_fields->find(name);
        return f ? f->index() : -1;
    };
    std::unique_ptr<detail::Criteria> parsed;
    if (!text.isEmpty() && text != QLatin1String("0"))
        parsed = detail::Criteria::parse(text, lookup);
    d->criteria = std::move(parsed);
    d->filter = d->criteria ? text : QString();
    rebuildView(*this, *d, *m_fields);
}

void Recordset::setFilter(const vb::Variant &criteria)
{
    if (criteria.isString()) {
        setFilter(criteria.rawString());
        return;
    }
    double n = 0;
    if (criteria.isEmpty() || (detail::numberOf(criteria, &n) && n == 0)) {
        setFilter(QString());
        return;
    }
    raiseArgument();
}

QString Recordset::Sort() const
{
    return d->sort;
}

void Recordset::setSort(const QString &keys)
{
    if (!d->open)
        raiseClosed();
    leaveRow(*this, *d);
    auto lookup = [this](const QString &name) {
        const Field *f = m_fields->find(name);
        return f ? f->index() : -1;
    };
    const QString text = keys.trimmed();
    d->sortKeys = text.isEmpty() ? std::vector<detail::SortKey>() : detail::parseSort(text, lookup);
    d->sort = text;
    rebuildView(*this, *d, *m_fields);
}

} // namespace ado
