// Report files and field definition files: golden files, the load/save round
// trip, refusals of damaged files, and names found without regard to case.
#include "report/ReportFile.h"

#include "ErrorOf.h"
#include "ReportTestSupport.h"

using namespace report;
using namespace report::test;
using corvantis::test::errorOf;

TEST(ReportFile, FixtureReportIsWrittenAsTheGoldenFile)
{
    saveReport(invoiceReport(), tmp("Invoices.RPT"));
    expectGolden("invoices.rpt", bytesOf(tmp("Invoices.RPT")));
}

TEST(ReportFile, LoadThenSaveGivesTheOriginalBytes)
{
    const Report loaded = loadReport(fixture("invoices.rpt"));
    EXPECT_EQ(loaded, invoiceReport());
    saveReport(loaded, tmp("again.rpt"));
    EXPECT_EQ(bytesOf(tmp("again.rpt")), bytesOf(fixture("invoices.rpt")));
}

TEST(ReportFile, SavedDataRoundTripsWithItsTypes)
{
    Report r = invoiceReport();
    MemorySource rows;
    RecordsetSource source(invoices());
    SavedData data;
    data.fields = source.fields();
    std::vector<vb::Variant> values;
    for (long i = 0; i < source.rowCount(); ++i) {
        source.readRow(i, values);
        data.rows.push_back(values);
    }
    r.savedData = data;
    saveReport(r, tmp("withdata.rpt"));
    const Report back = loadReport(tmp("withdata.rpt"));
    ASSERT_TRUE(back.savedData.has_value());
    EXPECT_EQ(back, r);
    EXPECT_EQ(back.savedData->rows[1][0].toString(), QString::fromUtf8("Bäckerei Müller"));
    EXPECT_TRUE(back.savedData->rows[2][4].isNull());
    EXPECT_EQ(back.savedData->rows[0][2].type(), vb::VarType::Currency);
    EXPECT_EQ(back.savedData->rows[0][3].type(), vb::VarType::Date);
}

TEST(ReportFile, DamagedFilesAreRefusedWithTheirReason)
{
    const QByteArray good = bytesOf(fixture("invoices.rpt"));
    struct Case { const char *what; QByteArray bytes; const char *reason; };
    QByteArray negative = good;
    negative.replace("\"height\": 720", "\"height\": -5");
    QByteArray badKind = good;
    badKind.replace("\"kind\": \"special\"", "\"kind\": \"picture\"");
    QByteArray badVersion = good;
    badVersion.replace("\"version\": 1", "\"version\": 7");
    QByteArray cut = good.left(good.size() / 2);
    const Case cases[] = {
        {"not JSON", "hello", "not a report file"},
        {"cut in half", cut, "not a report file"},
        {"another JSON file", "{\"a\": 1}", "not a report file"},
        {"negative height", negative, "negative height"},
        {"unknown object kind", badKind, "unknown object kind \"picture\""},
        {"newer version", badVersion, "version 7"},
    };
    for (const Case &c : cases) {
        putBytes(tmp("bad.rpt"), c.bytes);
        try {
            loadReport(tmp("bad.rpt"));
            ADD_FAILURE() << c.what << ": loaded";
        } catch (const vb::VbError &e) {
            EXPECT_EQ(e.number, ErrReportFile) << c.what;
            EXPECT_TRUE(e.description.contains(QLatin1String(c.reason))) << c.what << ": " << e.description.toStdString();
            EXPECT_TRUE(e.description.contains(tmp("bad.rpt"))) << c.what;
        }
    }
    EXPECT_EQ(errorOf([] { loadReport(tmp("missing.rpt")); }), ErrReportFile);
}

TEST(ReportFile, AFailedSaveLeavesTheOldFile)
{
    saveReport(invoiceReport(), tmp("keep.rpt"));
    const QByteArray before = bytesOf(tmp("keep.rpt"));
    EXPECT_EQ(errorOf([] {
                  writeFileAtomically(tmp("keep.rpt"), [](QIODevice &out) {
                      out.write("partial");
                      vb::raise(5);
                  });
              }), 5);
    EXPECT_EQ(bytesOf(tmp("keep.rpt")), before);
    EXPECT_EQ(filesIn(corvantis::test::tempDir()), QStringList{"keep.rpt"});
}

TEST(ReportFile, NamesAreFoundWithoutRegardToCase)
{
    QDir().mkpath(tmp("reports"));
    putBytes(tmp("reports/ACME_810_004010_I.rpt"), "x");
    EXPECT_EQ(findReportFile(tmp("reports"), "ACME_810_004010_I.RPT"), tmp("reports/ACME_810_004010_I.rpt"));
    EXPECT_EQ(findReportFile(tmp("reports"), "acme_810_004010_i.Rpt"), tmp("reports/ACME_810_004010_I.rpt"));
    EXPECT_EQ(findReportFile(tmp("reports"), "ACME_810_004010_O.RPT"), QString());
    // The exact spelling wins when both exist.
    putBytes(tmp("reports/ACME_810_004010_I.RPT"), "y");
    EXPECT_EQ(findReportFile(tmp("reports"), "ACME_810_004010_I.RPT"), tmp("reports/ACME_810_004010_I.RPT"));
}

TEST(FieldDefinitionFile, MapFieldsAreWrittenAsTheGoldenFile)
{
    // A map's layout: text, date, time, real and numeric elements, Latin-1 in a name.
    const std::vector<FieldDef> fields = {
        {"1ST01", 200, 3, 0, 0}, {"1ST02", 200, 9, 0, 0}, {"2BIG02", 7, 8, 0, 0}, {"2BIG03", 134, 4, 0, 0},
        {"3IT102", 4, 15, 0, 0}, {"3IT104", 131, 10, 10, 2}, {"4Bär01", 200, 2, 0, 0}};
    writeFieldDefinitionFile(fields, tmp("map.ttx"));
    expectGolden("map.ttx", bytesOf(tmp("map.ttx")));
    const auto back = readFieldDefinitionFile(tmp("map.ttx"));
    ASSERT_EQ(back.size(), fields.size());
    EXPECT_EQ(back[5].name, "3IT104");
    EXPECT_EQ(back[5].size, 10);
    EXPECT_EQ(back[6].name, QString::fromUtf8("4Bär01"));
    EXPECT_EQ(fieldTypeWord(back[2].type), "Date");
    EXPECT_EQ(fieldTypeWord(back[3].type), "Time");
}

TEST(FieldDefinitionFile, NamesThatWouldBreakTheFileAreRefused)
{
    EXPECT_EQ(errorOf([] { writeFieldDefinitionFile({{"A\tB", 200, 3, 0, 0}}, tmp("bad.ttx")); }), ErrReportFile);
    EXPECT_EQ(errorOf([] { writeFieldDefinitionFile({{QString::fromUtf8("Ω1"), 200, 3, 0, 0}}, tmp("bad.ttx")); }),
              ErrReportFile);
    EXPECT_TRUE(filesIn(corvantis::test::tempDir()).isEmpty());
    putBytes(tmp("short.ttx"), "A\tString\r\nB\tNumber\t4\r\n");
    EXPECT_EQ(errorOf([] { readFieldDefinitionFile(tmp("short.ttx")); }), ErrReportFile);
}
