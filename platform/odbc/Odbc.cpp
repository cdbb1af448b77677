#include "odbc/Odbc.h"

#include "vb/DateTime.h"
#include "vb/VbError.h"

#include <sql.h>
#include <sqlext.h>

#include <QDate>
#include <QTime>

namespace odbc {

namespace {

// The number the classic data layer gives a provider's own failure.
constexpr int kProviderError = -2147467259;

// The driver manager's and driver's diagnostics of a handle, joined.
QString diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    QStringList texts;
    for (SQLSMALLINT record = 1; record <= 20; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[1024] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(type, handle, record, state, &native, message,
                                            static_cast<SQLSMALLINT>(std::size(message)), &length);
        if (!SQL_SUCCEEDED(rc))
            break;
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(message),
                                                 std::min<int>(length, static_cast<int>(std::size(message)) - 1));
        texts << QStringLiteral("[%1] %2").arg(QString::fromUtf16(reinterpret_cast<const char16_t *>(state), 5), text);
    }
    return texts.join(QLatin1Char(' '));
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const QString &what)
{
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA)
        return;
    QString text = diagnostics(type, handle);
    if (text.isEmpty())
        text = QStringLiteral("no further information from the driver");
    vb::raise(kProviderError, what + QStringLiteral(": ") + text);
}

std::u16string wide(const QString &text)
{
    return text.toStdU16String();
}

SQLWCHAR *sqlText(std::u16string &text)
{
    return reinterpret_cast<SQLWCHAR *>(text.data());
}

// An environment handle for the lists (the connection keeps its own).
struct Environment {
    SQLHENV handle = SQL_NULL_HENV;
    Environment()
    {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle)))
            vb::raise(kProviderError, QStringLiteral("The ODBC driver manager could not be started"));
        SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    }
    ~Environment() { SQLFreeHandle(SQL_HANDLE_ENV, handle); }
};

template <typename Next>
QStringList listNames(Next next)
{
    Environment env;
    QStringList names;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLWCHAR name[512] = {};
        SQLSMALLINT nameLength = 0;
        SQLWCHAR other[1024] = {};
        SQLSMALLINT otherLength = 0;
        const SQLRETURN rc = next(env.handle, direction, name, static_cast<SQLSMALLINT>(std::size(name)),
                                  &nameLength, other, static_cast<SQLSMALLINT>(std::size(other)), &otherLength);
        if (rc == SQL_NO_DATA || !SQL_SUCCEEDED(rc))
            break;
        names << QString::fromUtf16(reinterpret_cast<const char16_t *>(name));
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

} // namespace

QStringList dataSourceNames()
{
    return listNames([](SQLHENV env, SQLUSMALLINT direction, SQLWCHAR *name, SQLSMALLINT nameSize,
                        SQLSMALLINT *nameLength, SQLWCHAR *other, SQLSMALLINT otherSize, SQLSMALLINT *otherLength) {
        return SQLDataSourcesW(env, direction, name, nameSize, nameLength, other, otherSize, otherLength);
    });
}

QStringList driverDescriptions()
{
    return listNames([](SQLHENV env, SQLUSMALLINT direction, SQLWCHAR *name, SQLSMALLINT nameSize,
                        SQLSMALLINT *nameLength, SQLWCHAR *other, SQLSMALLINT otherSize, SQLSMALLINT *otherLength) {
        return SQLDriversW(env, direction, name, nameSize, nameLength, other, otherSize, otherLength);
    });
}

QString connectionValue(const QString &value)
{
    const bool needsBraces = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{'))
                             || value.contains(QLatin1Char('}')) || value != value.trimmed();
    if (!needsBraces)
        return value;
    QString braced = value;
    braced.replace(QLatin1String("}"), QLatin1String("}}"));
    return QLatin1Char('{') + braced + QLatin1Char('}');
}

QString connectionString(const QVector<std::pair<QString, QString>> &pairs)
{
    QString text;
    for (const auto &[key, value] : pairs) {
        if (key.isEmpty())
            continue;
        text += key + QLatin1Char('=') + connectionValue(value) + QLatin1Char(';');
    }
    return text;
}

Column mapColumn(const ColumnDescription &d)
{
    Column c;
    c.name = d.name;
    const qint64 size = d.columnSize > 0 ? d.columnSize : 0;
    auto fixed = [&c](int type, qint64 definedSize) {
        c.type = type;
        c.definedSize = definedSize;
    };
    switch (d.sqlType) {
    case SQL_CHAR: fixed(129, size); break;
    case SQL_VARCHAR: fixed(200, size); break;
    case SQL_LONGVARCHAR: fixed(201, size); break;
    case SQL_WCHAR: fixed(130, size); break;
    case SQL_WVARCHAR: fixed(202, size); break;
    case SQL_WLONGVARCHAR: fixed(203, size); break;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        fixed(131, 19);
        c.precision = static_cast<int>(size);
        c.numericScale = d.decimalDigits;
        break;
    case SQL_SMALLINT: fixed(2, 2); break;
    case SQL_INTEGER: fixed(3, 4); break;
    case SQL_TINYINT: fixed(16, 1); break;
    case SQL_BIGINT: fixed(20, 8); break;
    case SQL_REAL: fixed(4, 4); break;
    case SQL_FLOAT:
    case SQL_DOUBLE: fixed(5, 8); break;
    case SQL_BIT: fixed(11, 2); break;
    case SQL_TYPE_DATE:
    case SQL_DATE: fixed(133, 6); break;
    case SQL_TYPE_TIME:
    case SQL_TIME: fixed(134, 6); break;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: fixed(135, 16); break;
    case SQL_GUID: fixed(72, 16); break;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        vb::raise(3265, QStringLiteral("Column \"") + d.name
                            + QStringLiteral("\" holds binary data, which an import file cannot carry"));
    default:
        // A type the driver made up: read as text.
        fixed(200, size > 0 ? size : 255);
        break;
    }
    return c;
}

struct Connection::Handles {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool connected = false;
};

Connection::Connection() : m_handles(std::make_unique<Handles>()) {}

Connection::~Connection()
{
    close();
}

void Connection::open(const QString &connectionText)
{
    close();
    Handles &h = *m_handles;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h.env)))
        vb::raise(kProviderError, QStringLiteral("The ODBC driver manager could not be started"));
    SQLSetEnvAttr(h.env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    check(SQLAllocHandle(SQL_HANDLE_DBC, h.env, &h.dbc), SQL_HANDLE_ENV, h.env, QStringLiteral("Connecting"));
    std::u16string text = wide(connectionText);
    const SQLRETURN rc = SQLDriverConnectW(h.dbc, nullptr, sqlText(text), static_cast<SQLSMALLINT>(text.size()),
                                           nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        QString why = diagnostics(SQL_HANDLE_DBC, h.dbc);
        close();
        vb::raise(kProviderError, QStringLiteral("The data source could not be opened: ")
                                      + (why.isEmpty() ? QStringLiteral("no further information") : why));
    }
    h.connected = true;
}

void Connection::close()
{
    Handles &h = *m_handles;
    if (h.connected)
        SQLDisconnect(h.dbc);
    h.connected = false;
    if (h.dbc != SQL_NULL_HDBC)
        SQLFreeHandle(SQL_HANDLE_DBC, h.dbc);
    if (h.env != SQL_NULL_HENV)
        SQLFreeHandle(SQL_HANDLE_ENV, h.env);
    h.dbc = SQL_NULL_HDBC;
    h.env = SQL_NULL_HENV;
}

bool Connection::isOpen() const
{
    return m_handles->connected;
}

std::unique_ptr<Result> Connection::execute(const QString &statement)
{
    if (!isOpen())
        vb::raise(3704, QStringLiteral("Operation is not allowed when the object is closed."));
    std::unique_ptr<Result> result(new Result);
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    check(SQLAllocHandle(SQL_HANDLE_STMT, m_handles->dbc, &stmt), SQL_HANDLE_DBC, m_handles->dbc,
          QStringLiteral("Preparing the statement"));
    result->m_statement = stmt;
    std::u16string text = wide(statement);
    const SQLRETURN rc = SQLExecDirectW(stmt, sqlText(text), static_cast<SQLINTEGER>(text.size()));
    if (rc != SQL_NO_DATA)
        check(rc, SQL_HANDLE_STMT, stmt, QStringLiteral("The statement failed"));
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt, QStringLiteral("Reading the result"));
    for (SQLSMALLINT i = 1; i <= count; ++i) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        check(SQLDescribeColW(stmt, i, name, static_cast<SQLSMALLINT>(std::size(name)), &nameLength, &type, &size,
                              &digits, &nullable),
              SQL_HANDLE_STMT, stmt, QStringLiteral("Describing the result"));
        ColumnDescription d;
        d.name = QString::fromUtf16(reinterpret_cast<const char16_t *>(name));
        d.sqlType = type;
        d.columnSize = static_cast<qint64>(size);
        d.decimalDigits = digits;
        result->m_descriptions.push_back(d);
        result->m_columns.push_back(mapColumn(d));
    }
    result->m_row.resize(count);
    return result;
}

Result::~Result()
{
    if (m_statement)
        SQLFreeHandle(SQL_HANDLE_STMT, static_cast<SQLHSTMT>(m_statement));
}

namespace {

// A column's value as text, read in pieces so long text comes whole.
std::optional<QString> readText(SQLHSTMT stmt, SQLUSMALLINT column)
{
    QString text;
    for (;;) {
        SQLWCHAR buffer[4096];
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        check(rc, SQL_HANDLE_STMT, stmt, QStringLiteral("Reading a value"));
        if (indicator == SQL_NULL_DATA)
            return std::nullopt;
        const qint64 available = indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buffer)
                                     ? static_cast<qint64>(std::size(buffer)) - 1
                                     : indicator / static_cast<qint64>(sizeof(SQLWCHAR));
        text += QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer), available);
        if (rc == SQL_SUCCESS)
            break;
    }
    return text;
}

} // namespace

bool Result::next()
{
    if (!m_statement || m_columns.isEmpty())
        return false;
    auto *stmt = static_cast<SQLHSTMT>(m_statement);
    const SQLRETURN rc = SQLFetch(stmt);
    if (rc == SQL_NO_DATA)
        return false;
    check(rc, SQL_HANDLE_STMT, stmt, QStringLiteral("Reading a row"));
    for (int i = 0; i < m_columns.size(); ++i) {
        const auto column = static_cast<SQLUSMALLINT>(i + 1);
        const int type = m_columns[i].type;
        if (type == 133 || type == 134 || type == 135) {
            SQL_TIMESTAMP_STRUCT ts{};
            SQLLEN indicator = 0;
            check(SQLGetData(stmt, column, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator), SQL_HANDLE_STMT, stmt,
                  QStringLiteral("Reading a date"));
            if (indicator == SQL_NULL_DATA) {
                m_row[i] = vb::Variant::null();
                continue;
            }
            const QDate date = type == 134 ? QDate(1899, 12, 30) : QDate(ts.year, ts.month, ts.day);
            const QTime time(ts.hour, ts.minute, ts.second);
            m_row[i] = vb::Variant::fromDate(vb::toOleDate(date, type == 133 ? QTime(0, 0) : time));
            continue;
        }
        const std::optional<QString> text = readText(stmt, column);
        if (!text) {
            m_row[i] = vb::Variant::null();
            continue;
        }
        bool ok = true;
        switch (type) {
        case 2: m_row[i] = vb::Variant(static_cast<int16_t>(text->toShort(&ok))); break;
        case 3: m_row[i] = vb::Variant::fromLong(text->toInt(&ok)); break;
        case 16: m_row[i] = vb::Variant(static_cast<uint8_t>(text->toUShort(&ok))); break;
        case 20:
        case 131:
            // Big integers and decimals keep every digit the driver gives
            // (an order number of 19 digits does not fit a Double); a driver
            // that answers in exponent form has already rounded.
            if (std::optional<vb::Variant> exact = vb::Variant::fromDecimalText(text->trimmed()))
                m_row[i] = std::move(*exact);
            else
                m_row[i] = vb::Variant::fromDecimal(text->toDouble(&ok));
            break;
        case 4: m_row[i] = vb::Variant(text->toFloat(&ok)); break;
        case 5: m_row[i] = vb::Variant(text->toDouble(&ok)); break;
        case 11: m_row[i] = vb::Variant(text->trimmed() != QLatin1String("0") && !text->trimmed().isEmpty()); break;
        default: m_row[i] = vb::Variant(*text); break;
        }
        if (!ok) // a driver that answers a number column with text: keep the text
            m_row[i] = vb::Variant(*text);
    }
    return true;
}

} // namespace odbc
