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

using coretest::bytesOf;

using integrationtest::sqliteDriverLibrary;

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

TEST_F(ImportFilesTest, BigIntegersAndLongDecimalsKeepEveryDigit)
{
    // The SQLite driver describes BIGINT as a 64-bit integer and a decimal
    // kept as text as text: both reach the files and the run digit for digit.
    for (const char *statement : {
             "CREATE TABLE amounts (po VARCHAR(10), big BIGINT, amount VARCHAR(30))",
             "INSERT INTO amounts VALUES ('A', 9007199254740993, '123456789012345678.91')",
             "INSERT INTO amounts VALUES ('B', 1000000000000000000, '-0.5')",
             "INSERT INTO amounts VALUES ('C', 9223372036854775807, NULL)",
             "INSERT INTO amounts VALUES ('D', -9223372036854775808, '0.10')",
         })
        connection.execute(QString::fromLatin1(statement));
    const integration::QueryResult result =
        integration::RunQuery(connection, u"SELECT po, big, amount FROM amounts ORDER BY po"_s);
    ASSERT_EQ(result.columns.size(), 3u);
    EXPECT_EQ(result.columns[1].type, 20);
    integration::WriteImportFiles(result, stem());
    expectGolden("exact_numbers.ADO", bytesOf(stem() + u".ADO"_s));
    expectGolden("exact_numbers.IMP", bytesOf(stem() + u".IMP"_s));

    const ado::RecordsetPtr rs =
        translation::OutboundTranslation::ReadImportRecords(stem() + u".ADO"_s, stem() + u".IMP"_s);
    QStringList big, amount;
    auto text = [](const vb::Variant &v) { return v.isNull() ? u"<Null>"_s : v.toString(); };
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        big << text(rs->Fields(u"big"_s).Value());
        amount << text(rs->Fields(u"amount"_s).Value());
    }
    EXPECT_EQ(big, (QStringList{u"9007199254740993"_s, u"1000000000000000000"_s, u"9223372036854775807"_s,
                                u"-9223372036854775808"_s}));
    EXPECT_EQ(amount, (QStringList{u"123456789012345678.91"_s, u"-0.5"_s, u""_s, u"0.10"_s}));
}

TEST_F(ImportFilesTest, ADecimalColumnIsWidenedToThePlacesItsValuesCarry)
{
    // A server's driver reports an unconstrained NUMERIC as (28, 6) and a
    // 20-digit NUMERIC(20,2) as it is: the definition takes what the values
    // carry, and the run reads every digit back.
    integration::QueryResult result;
    result.hasRowset = true;
    result.columns = {{u"loose"_s, 131, 19, 28, 6}, {u"amount"_s, 131, 19, 20, 2}};
    auto exact = [](const char *digits) { return *vb::Variant::fromDecimalText(QString::fromLatin1(digits)); };
    result.rows.push_back({exact("123456.789012345"), exact("123456789012345678.91")});
    result.rows.push_back({exact("-1"), vb::Variant::null()});
    EXPECT_EQ(integration::ImportDefinitionText(result), u"loose\t131\t31\t9\r\namount\t131\t20\t2\r\n\r\n"_s);
    integration::WriteImportFiles(result, stem());
    EXPECT_EQ(bytesOf(stem() + u".IMP"_s), QByteArray("123456.789012345\t123456789012345678.91\r\n-1\t\r\n"));

    const ado::RecordsetPtr rs =
        translation::OutboundTranslation::ReadImportRecords(stem() + u".ADO"_s, stem() + u".IMP"_s);
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields(u"loose"_s).Value().toString(), u"123456.789012345"_s);
    EXPECT_EQ(rs->Fields(u"amount"_s).Value().toString(), u"123456789012345678.91"_s);
    rs->MoveNext();
    EXPECT_EQ(rs->Fields(u"loose"_s).Value().toString(), u"-1"_s);
    EXPECT_TRUE(rs->Fields(u"amount"_s).Value().isNull());
}

TEST_F(ImportFilesTest, AValueTheDefinitionCannotHoldIsRefusedWhereItIs)
{
    struct Case {
        const char *definition, *data, *expected;
    };
    const Case cases[] = {
        {"po\t200\t10\r\namount\t131\t10\t2\r\n\r\n", "A\t1.25\r\nB\t1.234\r\n",
         "3 decimal places where the record definition gives 2 (import file %1, record 2, field \"amount\")"},
        {"po\t200\t10\r\nbig\t20\t8\r\n\r\n", "A\t9223372036854775808\r\n", "(import file %1, record 1, field \"big\")"},
        {"po\t200\t10\r\nbig\t20\t8\r\n\r\n", "A\t12x\r\n", "(import file %1, record 1, field \"big\")"},
    };
    for (const Case &c : cases) {
        auto write = [](const QString &path, const char *bytes) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes);
        };
        QDir().mkpath(import);
        write(stem() + u".ADO"_s, c.definition);
        write(stem() + u".IMP"_s, c.data);
        try {
            translation::OutboundTranslation::ReadImportRecords(stem() + u".ADO"_s, stem() + u".IMP"_s);
            ADD_FAILURE() << c.data << " must be refused";
        } catch (const vb::VbError &e) {
            EXPECT_TRUE(e.description.contains(QString::fromLatin1(c.expected).arg(stem() + u".IMP"_s)))
                << e.description.toStdString();
        }
    }
}

TEST_F(ImportFilesTest, WindowsCharactersPassAndOthersAreRefusedWhereTheyAre)
{
    const QString typed = u"Smith\u2019s \u201Corder\u201D \u2013 \u20AC5 \u2026"_s;
    connection.execute(u"CREATE TABLE notes (po VARCHAR(10), note VARCHAR(40))"_s);
    connection.execute(u"INSERT INTO notes VALUES ('PO-1', '"_s + typed + u"')"_s);
    integration::WriteImportFiles(integration::RunQuery(connection, u"SELECT po, note FROM notes"_s), stem());
    EXPECT_EQ(bytesOf(stem() + u".IMP"_s), QByteArray("PO-1\tSmith\x92s \x93order\x94 \x96 \x80" "5 \x85\r\n"));
    const ado::RecordsetPtr rs =
        translation::OutboundTranslation::ReadImportRecords(stem() + u".ADO"_s, stem() + u".IMP"_s);
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields(u"note"_s).Value().toString(), typed);

    // A character the code page has no byte for: named with its row and
    // column, and the previous pair stays.
    const QByteArray before = bytesOf(stem() + u".IMP"_s);
    connection.execute(u"INSERT INTO notes VALUES ('PO-2', 'snow \u2603')"_s);
    try {
        integration::WriteImportFiles(integration::RunQuery(connection, u"SELECT po, note FROM notes ORDER BY po"_s),
                                      stem());
        ADD_FAILURE() << "U+2603 has no byte in code page 1252";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.description, u"Row 2, column \"note\": the character U+2603 cannot be written to the import file "_s
                                     + stem() + u".IMP (code page 1252)"_s);
    }
    EXPECT_EQ(bytesOf(stem() + u".IMP"_s), before);
}

TEST_F(ImportFilesTest, ThePairIsReplacedTogetherOrNotAtAll)
{
    integration::WriteImportFiles(integration::RunQuery(connection, u"SELECT po FROM orders"_s), stem());
    const QByteArray data = bytesOf(stem() + u".IMP"_s);
    // The definition cannot take the new file's place (a folder holds its
    // name): the new data file must not stay beside the old definition.
    QFile::remove(stem() + u".ADO"_s);
    ASSERT_TRUE(QDir().mkpath(stem() + u".ADO/in-the-way"_s));
    try {
        integration::WriteImportFiles(integration::RunQuery(connection, u"SELECT po, qty FROM orders"_s), stem());
        ADD_FAILURE() << "the definition cannot be written";
    } catch (const vb::VbError &e) {
        EXPECT_TRUE(e.description.contains(stem() + u".ADO"_s)) << e.description.toStdString();
    }
    EXPECT_EQ(bytesOf(stem() + u".IMP"_s), data) << "the previous data file is back";
    EXPECT_EQ(QDir(import).entryList(QDir::Files), QStringList{QFileInfo(stem() + u".IMP"_s).fileName()})
        << "no temporary or kept copy left behind";
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
