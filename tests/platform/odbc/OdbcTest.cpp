#include "TestEnvironment.h"

#include "odbc/Odbc.h"
#include "vb/DateTime.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>

namespace {

// The SQLite3 driver as the machine's driver list names it.
QString sqliteDriverLibrary()
{
    QSettings system(QStringLiteral("/etc/odbcinst.ini"), QSettings::IniFormat);
    const QString driver = system.value(QStringLiteral("SQLite3/Driver")).toString();
    return driver.isEmpty() ? QStringLiteral("libsqlite3odbc.so") : driver;
}

void writeText(const QString &path, const QString &text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

// A data-source list owned by the test: its own odbcinst.ini and odbc.ini,
// found through ODBCSYSINI and ODBCINI, put back when the test ends.
class OdbcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = corvantis::test::tempDir() + QStringLiteral("/odbc");
        QDir().mkpath(folder);
        savedSys = qgetenv("ODBCSYSINI");
        savedIni = qgetenv("ODBCINI");
        qputenv("ODBCSYSINI", folder.toLocal8Bit());
        qputenv("ODBCINI", (folder + QStringLiteral("/odbc.ini")).toLocal8Bit());
        writeText(folder + QStringLiteral("/odbcinst.ini"), QString());
        writeText(folder + QStringLiteral("/odbc.ini"), QString());
    }
    void TearDown() override
    {
        restore("ODBCSYSINI", savedSys);
        restore("ODBCINI", savedIni);
    }
    static void restore(const char *name, const QByteArray &value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    void installDriver()
    {
        writeText(folder + QStringLiteral("/odbcinst.ini"),
                  QStringLiteral("[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=%1\n").arg(sqliteDriverLibrary()));
    }
    QString addSource(const QString &name, const QString &database)
    {
        QFile ini(folder + QStringLiteral("/odbc.ini"));
        EXPECT_TRUE(ini.open(QIODevice::Append));
        ini.write(QStringLiteral("[%1]\nDriver=SQLite3\nDatabase=%2\n\n").arg(name, database).toUtf8());
        return database;
    }

    QString folder;
    QByteArray savedSys, savedIni;
};

} // namespace

TEST(OdbcConnectionText, ValuesAreBracedWhenTheyWouldBreakTheText)
{
    struct Case { const char *value; const char *written; };
    const Case cases[] = {
        {"plain", "plain"},     {"a;b", "{a;b}"},     {"{x}", "{{x}}}"}, {" lead", "{ lead}"},
        {"trail ", "{trail }"}, {"", ""},             {"p=w", "p=w"},    {"a}b", "{a}}b}"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(odbc::connectionValue(QString::fromLatin1(c.value)), QString::fromLatin1(c.written)) << c.value;
    EXPECT_EQ(odbc::connectionString({{"DSN", "Orders"}, {"UID", "sa"}, {"PWD", "se;cret"}, {"", "dropped"}}),
              QStringLiteral("DSN=Orders;UID=sa;PWD={se;cret};"));
}

TEST(OdbcColumns, DriverTypesMapToTheDataLayersTypes)
{
    struct Case { int sqlType; qint64 size; int digits; odbc::Column expected; };
    const Case cases[] = {
        {SQL_CHAR, 10, 0, {"c", 129, 10, 0, 0}},
        {SQL_VARCHAR, 50, 0, {"c", 200, 50, 0, 0}},
        {SQL_LONGVARCHAR, 65536, 0, {"c", 201, 65536, 0, 0}},
        {SQL_WVARCHAR, 30, 0, {"c", 202, 30, 0, 0}},
        {SQL_NUMERIC, 10, 2, {"c", 131, 19, 10, 2}},
        {SQL_DECIMAL, 18, 4, {"c", 131, 19, 18, 4}},
        {SQL_SMALLINT, 5, 0, {"c", 2, 2, 0, 0}},
        {SQL_INTEGER, 10, 0, {"c", 3, 4, 0, 0}},
        {SQL_BIGINT, 19, 0, {"c", 20, 8, 0, 0}},
        {SQL_REAL, 7, 0, {"c", 4, 4, 0, 0}},
        {SQL_DOUBLE, 15, 0, {"c", 5, 8, 0, 0}},
        {SQL_FLOAT, 15, 0, {"c", 5, 8, 0, 0}},
        {SQL_BIT, 1, 0, {"c", 11, 2, 0, 0}},
        {SQL_TYPE_DATE, 10, 0, {"c", 133, 6, 0, 0}},
        {SQL_TYPE_TIMESTAMP, 23, 3, {"c", 135, 16, 0, 0}},
        {12345, 0, 0, {"c", 200, 255, 0, 0}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(odbc::mapColumn({QStringLiteral("c"), c.sqlType, c.size, c.digits}), c.expected) << c.sqlType;
    for (int binary : {SQL_BINARY, SQL_VARBINARY, SQL_LONGVARBINARY}) {
        try {
            odbc::mapColumn({QStringLiteral("Picture"), binary, 100, 0});
            ADD_FAILURE() << "binary type " << binary << " must be refused";
        } catch (const vb::VbError &e) {
            EXPECT_TRUE(e.description.contains(QStringLiteral("\"Picture\""))) << e.description.toStdString();
        }
    }
}

TEST_F(OdbcTest, ListsComeFromTheInstalledFilesAndAreEmptyWithoutThem)
{
    EXPECT_TRUE(odbc::dataSourceNames().isEmpty());
    EXPECT_TRUE(odbc::driverDescriptions().isEmpty());
    installDriver();
    addSource(QStringLiteral("Orders"), folder + QStringLiteral("/orders.db"));
    addSource(QStringLiteral("Stock"), folder + QStringLiteral("/stock.db"));
    EXPECT_EQ(odbc::driverDescriptions(), QStringList({QStringLiteral("SQLite3")}));
    const QStringList sources = odbc::dataSourceNames();
    EXPECT_TRUE(sources.contains(QStringLiteral("Orders")));
    EXPECT_TRUE(sources.contains(QStringLiteral("Stock")));
}

TEST_F(OdbcTest, AStatementWithoutARowsetAndTypedValuesWithNull)
{
    installDriver();
    addSource(QStringLiteral("Orders"), folder + QStringLiteral("/orders.db"));
    odbc::Connection connection;
    connection.open(QStringLiteral("DSN=Orders;"));
    ASSERT_TRUE(connection.isOpen());
    EXPECT_FALSE(connection
                     .execute(QStringLiteral("CREATE TABLE Orders (Part VARCHAR(20), Qty INTEGER, Big BIGINT, "
                                             "Shipped BIT, Due DATE, Price DOUBLE, Note TEXT)"))
                     ->hasRowset());
    const QString longText(20000, QLatin1Char('x'));
    connection.execute(QStringLiteral("INSERT INTO Orders VALUES ('A-1', 5, 4000000000, 1, '2026-12-10', 2.5, '")
                       + longText + QStringLiteral("')"));
    connection.execute(QStringLiteral("INSERT INTO Orders VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL)"));

    auto result = connection.execute(QStringLiteral("SELECT * FROM Orders"));
    ASSERT_TRUE(result->hasRowset());
    ASSERT_EQ(result->columns().size(), 7);
    EXPECT_EQ(result->columns()[0].name, QStringLiteral("Part"));
    EXPECT_EQ(result->columns()[1].type, 3);
    EXPECT_EQ(result->columns()[2].type, 20);
    EXPECT_EQ(result->columns()[3].type, 11);
    EXPECT_EQ(result->columns()[4].type, 133);

    ASSERT_TRUE(result->next());
    EXPECT_EQ(result->value(0).toString(), QStringLiteral("A-1"));
    EXPECT_EQ(result->value(1).toString(), QStringLiteral("5"));
    EXPECT_EQ(result->value(2).toString(), QStringLiteral("4000000000"));
    EXPECT_EQ(result->value(3).toString(), QStringLiteral("True"));
    EXPECT_EQ(result->value(4).toDate(), vb::toOleDate(QDate(2026, 12, 10)));
    EXPECT_EQ(result->value(5).toString(), QStringLiteral("2.5"));
    EXPECT_EQ(result->value(6).toString(), longText) << "long text comes whole";

    ASSERT_TRUE(result->next());
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(result->value(i).isNull()) << i;
    EXPECT_FALSE(result->next());
}

TEST_F(OdbcTest, ConnectingByDriverTextWithoutADataSource)
{
    installDriver();
    // The driver manager takes a braced driver name; the SQLite3 driver itself
    // reads its database path unbraced, so the path here needs no braces.
    const QString database = folder + QStringLiteral("/by-driver.db");
    odbc::Connection connection;
    connection.open(QStringLiteral("Driver={SQLite3};")
                    + odbc::connectionString({{"Database", database}, {"UID", ""}, {"PWD", ""}}));
    connection.execute(QStringLiteral("CREATE TABLE t (a INTEGER)"));
    connection.close();
    EXPECT_FALSE(connection.isOpen());
    EXPECT_TRUE(QFile::exists(database));
}

TEST_F(OdbcTest, FailuresCarryTheDriversText)
{
    odbc::Connection connection;
    try {
        connection.open(QStringLiteral("DSN=NoSuchSource;"));
        FAIL() << "an unknown data source must fail";
    } catch (const vb::VbError &e) {
        EXPECT_TRUE(e.description.contains(QStringLiteral("IM002")) || e.description.contains(QStringLiteral("not found")))
            << e.description.toStdString();
    }
    EXPECT_FALSE(connection.isOpen());
    EXPECT_THROW(connection.execute(QStringLiteral("SELECT 1")), vb::VbError);

    installDriver();
    addSource(QStringLiteral("Orders"), folder + QStringLiteral("/orders.db"));
    connection.open(QStringLiteral("DSN=Orders;"));
    try {
        connection.execute(QStringLiteral("SELECT * FROM Missing"));
        FAIL() << "a missing table must fail";
    } catch (const vb::VbError &e) {
        EXPECT_TRUE(e.description.contains(QStringLiteral("Missing"))) << e.description.toStdString();
    }
}

TEST_F(OdbcTest, TheShippedSampleDataSourceConnectsAsWritten)
{
    // The README points users to samples/odbc.ini: with only its Database
    // line pointed at a file here, a job connects to it by name.
    QFile sample(QStringLiteral(CORVANTIS_FIXTURES "/../../samples/odbc.ini"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly)) << "samples/odbc.ini is missing";
    QString text = QString::fromUtf8(sample.readAll());
    const QString database = folder + QStringLiteral("/orders.db");
    static const QRegularExpression databaseLine(QStringLiteral("(?m)^Database\\s*=.*$"));
    ASSERT_TRUE(text.contains(databaseLine));
    text.replace(databaseLine, QStringLiteral("Database = ") + database);
    writeText(folder + QStringLiteral("/odbc.ini"), text);
    installDriver();

    ASSERT_TRUE(odbc::dataSourceNames().contains(QStringLiteral("CorvantisOrders")));
    odbc::Connection connection;
    connection.open(QStringLiteral("DSN=CorvantisOrders;"));
    connection.execute(QStringLiteral("CREATE TABLE orders (po VARCHAR(10))"));
    connection.execute(QStringLiteral("INSERT INTO orders VALUES ('PO-1')"));
    auto result = connection.execute(QStringLiteral("SELECT po FROM orders"));
    ASSERT_TRUE(result->next());
    EXPECT_EQ(result->value(0).toString(), QStringLiteral("PO-1"));
    EXPECT_TRUE(QFile::exists(database));
}
