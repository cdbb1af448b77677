// A job's query of an outside data source (the SQLite ODBC driver on a
// fixture database) to the import files: golden files per query, the files
// read back by the outbound run's reader, the previous pair kept after a
// failure, the date parameters and the recorded outcome.
#include "integration/ImportFiles.h"

#include "CoreTestSupport.h"
#include "OdbcTestSupport.h"
#include "TestEnvironment.h"

#include "translation/OutboundTranslation.h"

#include "odbc/Odbc.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

using integrationtest::sqliteDriverLibrary;

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class ImportFilesTest : public coretest::CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        import = corvantis::test::tempDir() + u"/import"_s;
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Import"_s, import);
        connection.open(u"DRIVER="_s + sqliteDriverLibrary() + u";Database="_s + corvantis::test::tempDir()
                        + u"/source.db;"_s);
        for (const char *statement : {
                 "CREATE TABLE orders (_ID INTEGER, po VARCHAR(10), qty INTEGER, price NUMERIC(10,2), "
                 "due DATE, note VARCHAR(5), _ID2 INTEGER)",
                 "INSERT INTO orders VALUES (1, 'PO-1', 10, 12.5, '2026-12-11', 'a', 7)",
                 "INSERT INTO orders VALUES (2, 'PO-2', NULL, 3.25, NULL, 'tab\there', 8)",
                 "INSERT INTO orders VALUES (3, 'PO-3', 30, 0, '2027-01-02', 'two' || char(13) || char(10) || 'lines "
                 "and longer than its size', 9)",
             })
            connection.execute(QString::fromLatin1(statement));
    }
    void TearDown() override
    {
        connection.close();
        CoreTest::TearDown();
    }
    QString stem() const { return integration::ImportFileStem(u"ACME"_s, u"850"_s, u"004010"_s, u"O"_s); }
    void expectGolden(const char *name, const QByteArray &actual)
    {
        const QString path = QStringLiteral(CORVANTIS_FIXTURES "/integration/") + QString::fromLatin1(name);
        if (qEnvironmentVariableIntValue("CORVANTIS_UPDATE_GOLDEN") == 1) {
            QFile out(path);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(actual);
        }
        EXPECT_EQ(actual, bytesOf(path)) << name;
    }

    QString import;
    odbc::Connection connection;
};

TEST_F(ImportFilesTest, AQueryWritesBothFilesAsTheGoldenOnes)
{
    const integration::QueryResult result =
        integration::RunQuery(connection, u"SELECT _ID, po, qty, price, due, note, _ID2 AS _ID FROM orders ORDER BY po"_s);
    ASSERT_TRUE(result.hasRowset);
    EXPECT_EQ(result.columns[0].name, u"_ID1"_s);
    EXPECT_EQ(result.columns[6].name, u"_ID2"_s);
    EXPECT_EQ(result.changedValues, 2);
    integration::WriteImportFiles(result, stem());
    expectGolden("orders.ADO", bytesOf(stem() + u".ADO"_s));
    expectGolden("orders.IMP", bytesOf(stem() + u".IMP"_s));

    // The outbound run reads them back: every record, Null where the source had none.
    const ado::RecordsetPtr rs =
        translation::OutboundTranslation::ReadImportRecords(stem() + u".ADO"_s, stem() + u".IMP"_s);
    ASSERT_EQ(rs->RecordCount(), 3);
    rs->MoveFirst();
    rs->MoveNext();
    EXPECT_TRUE(rs->Fields(u"qty"_s).Value().isNull());
    EXPECT_EQ(rs->Fields(u"note"_s).Value().toString(), u"tab here"_s);
    rs->MoveNext();
    EXPECT_EQ(rs->Fields(u"note"_s).Value().toString(), u"two  lines and longer than its size"_s);

    integration::LogQueryOutcome(result);
    EXPECT_EQ(column(u"SELECT Type || ': ' || Description AS e FROM History ORDER BY [Index]"_s, u"e"_s),
              (QStringList{u"Info: 3 records returned from statement."_s,
                           u"Warning: 2 values held a TAB, CR or LF; each was written as one blank"_s}));
}

TEST_F(ImportFilesTest, AnEmptyResultWritesAnEmptyDataFile)
{
    const integration::QueryResult result =
        integration::RunQuery(connection, u"SELECT po, qty FROM orders WHERE qty > 1000"_s);
    integration::WriteImportFiles(result, stem());
    EXPECT_EQ(bytesOf(stem() + u".IMP"_s), QByteArray());
    expectGolden("empty.ADO", bytesOf(stem() + u".ADO"_s));
    integration::LogQueryOutcome(result);
    EXPECT_EQ(column(u"SELECT Description FROM History"_s, u"Description"_s),
              QStringList{u"0 records returned from statement."_s});
}

TEST_F(ImportFilesTest, AFailedQueryKeepsThePreviousPair)
{
    integration::WriteImportFiles(integration::RunQuery(connection, u"SELECT po FROM orders"_s), stem());
    const QByteArray definition = bytesOf(stem() + u".ADO"_s), data = bytesOf(stem() + u".IMP"_s);
    EXPECT_THROW(integration::WriteImportFiles(integration::RunQuery(connection, u"SELECT nothing FROM nowhere"_s),
                                               stem()),
                 vb::VbError);
    EXPECT_EQ(bytesOf(stem() + u".ADO"_s), definition);
    EXPECT_EQ(bytesOf(stem() + u".IMP"_s), data);
    EXPECT_EQ(QDir(import).entryList(QDir::Files).size(), 2) << "no temporary file left behind";

    // A statement without a rowset touches nothing.
    const integration::QueryResult none = integration::RunQuery(connection, u"UPDATE orders SET qty = qty"_s);
    EXPECT_FALSE(none.hasRowset);
    integration::LogQueryOutcome(none);
    EXPECT_EQ(column(u"SELECT Description FROM History"_s, u"Description"_s), QStringList{u"No rowset returned"_s});
}

TEST(ImportQuery, DatesReplaceTheFirstQuestionMarksLeft)
{
    const QDate start(2026, 12, 3), end(2026, 12, 13);
    struct Case {
        const char *statement;
        std::optional<QDate> start, end;
        const char *expected;
    };
    const Case cases[] = {
        {"SELECT * FROM t WHERE d BETWEEN ? AND ?", start, end,
         "SELECT * FROM t WHERE d BETWEEN '12/03/2026' AND '12/13/2026'"},
        {"SELECT * FROM t WHERE d <= ?", std::nullopt, end, "SELECT * FROM t WHERE d <= '12/13/2026'"},
        {"SELECT * FROM t", start, end, "SELECT * FROM t"},
        {"SELECT ? , ?, ?", start, std::nullopt, "SELECT '12/03/2026' , ?, ?"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(integration::WithDateParameters(QString::fromLatin1(c.statement), c.start, c.end),
                  QString::fromLatin1(c.expected));
}

} // namespace
