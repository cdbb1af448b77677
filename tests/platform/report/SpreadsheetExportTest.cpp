// The spreadsheet exports read back by the readers users' tools are built on:
// xlrd for the workbooks, libwps for the Lotus worksheets.
#include "report/Export.h"

#include "ReportTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include "vb/VbError.h"

using namespace report;
using namespace report::test;

namespace {

// Every cell of the first sheet as [type, value] pairs, as xlrd reads them.
QJsonArray readWorkbook(const QString &path)
{
    const QString script = QStringLiteral(
        "import json, sys, xlrd\n"
        "book = xlrd.open_workbook(sys.argv[1])\n"
        "sheet = book.sheet_by_index(0)\n"
        "print(json.dumps({'biff': book.biff_version, 'rows': [[[c.ctype, c.value] for c in sheet.row(r)] for r in range(sheet.nrows)]}))\n");
    const QByteArray out = runTool("/usr/bin/python3", {"-c", script, path});
    const QJsonObject doc = QJsonDocument::fromJson(out).object();
    return QJsonArray{doc.value("biff"), doc.value("rows")};
}

constexpr int kText = 1, kNumber = 2, kDate = 3, kBoolean = 4, kEmpty = 0;

QJsonArray cell(int type, const QJsonValue &value) { return QJsonArray{type, value}; }

} // namespace

TEST(SpreadsheetExport, WorkbooksHoldTheValuesWithTheirTypes)
{
    struct Case { int type; int biff; bool extended; };
    const Case cases[] = {{ExportExcel5, 50, false}, {ExportExcel7Extended, 50, true},
                          {ExportExcel8, 80, false}, {ExportExcel8Extended, 80, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(exportFormatName(c.type).toStdString());
        RecordsetSource rows(invoices());
        exportReport(invoiceReport(), rows, c.type, tmp("out.xls"));
        const QJsonArray book = readWorkbook(tmp("out.xls"));
        EXPECT_EQ(book[0].toInt(), c.biff);
        const QJsonArray sheet = book[1].toArray();
        ASSERT_EQ(sheet.size(), 4);
        EXPECT_EQ(sheet[0].toArray(), (QJsonArray{cell(kText, "Partner"), cell(kText, "Invoice"), cell(kText, "Amount"),
                                                  cell(kText, "Shipped"), cell(kText, "Note"), cell(kText, "Paid")}));
        const QJsonArray second = sheet[2].toArray();
        EXPECT_EQ(second[0].toArray(), cell(kText, QString::fromUtf8("Bäckerei Müller")));
        EXPECT_EQ(second[1].toArray(), cell(kNumber, 1002));
        EXPECT_EQ(second[2].toArray(), cell(kNumber, 99.95));
        if (c.extended)
            EXPECT_EQ(second[3].toArray(), cell(kDate, 46358.0)); // 2 Dec 2026
        else
            EXPECT_EQ(second[3].toArray(), cell(kText, "12/2/2026"));
        EXPECT_EQ(second[4].toArray(), cell(kText, QString::fromUtf8("Straße 5 × 2")));
        EXPECT_EQ(second[5].toArray(), cell(kBoolean, 0));
        EXPECT_EQ(sheet[3].toArray()[4].toArray(), cell(kEmpty, ""));
        EXPECT_EQ(sheet[3].toArray()[2].toArray(), cell(kNumber, -12));
    }
}

TEST(SpreadsheetExport, TimesAreTimeCellsAndLongTextsFitTheFormatsOwnLimit)
{
    MemorySource rows;
    rows.data().fields = {{"Arrived", 134, 8, 0, 0}, {"Slot", 7, 8, 0, 0}, {"Note", 201, 40000, 0, 0}};
    const QString latin(300, QLatin1Char('x'));
    const QString longest = QString::fromUtf8("€Ω").repeated(16383) + QLatin1Char('!'); // 32,767 wide characters
    const QString many = QString(20000, QLatin1Char('y')) + QString::fromUtf8("ä");
    for (const QString &note : {latin, longest, many})
        rows.data().rows.push_back({vb::Variant::fromDate(0.5), vb::Variant::fromDate(0.25), vb::Variant(note)});
    for (int type : {ExportExcel8, ExportExcel8Extended}) {
        SCOPED_TRACE(exportFormatName(type).toStdString());
        exportReport(Report{}, rows, type, tmp("long.xls"));
        const QJsonArray sheet = readWorkbook(tmp("long.xls"))[1].toArray();
        ASSERT_EQ(sheet.size(), 4);
        EXPECT_EQ(sheet[1].toArray()[2].toArray(), cell(kText, latin));
        EXPECT_EQ(sheet[2].toArray()[2].toArray(), cell(kText, longest));
        EXPECT_EQ(sheet[3].toArray()[2].toArray(), cell(kText, many));
        if (type == ExportExcel8Extended) {
            EXPECT_EQ(sheet[1].toArray()[0].toArray(), cell(kDate, 0.5)) << "12:00:00 is a time cell";
            EXPECT_EQ(sheet[1].toArray()[1].toArray(), cell(kDate, 0.25)) << "a date holding only a time";
        }
    }
    // Release 5 and 7 keep their 255 and take times as time cells too.
    rows.data().rows.resize(1);
    rows.data().rows[0][2] = vb::Variant(QString(255, QLatin1Char('z')));
    exportReport(Report{}, rows, ExportExcel5Extended, tmp("time.xls"));
    const QJsonArray sheet = readWorkbook(tmp("time.xls"))[1].toArray();
    EXPECT_EQ(sheet[1].toArray()[0].toArray(), cell(kDate, 0.5));
    EXPECT_EQ(sheet[1].toArray()[2].toArray(), cell(kText, QString(255, QLatin1Char('z'))));
}

TEST(SpreadsheetExport, TheOlderWorkbooksTakeTheWindowsCharacters)
{
    const QString note = QString::fromUtf8("5 € ‘quoted’ “twice” – — … Œ");
    MemorySource rows;
    rows.data().fields = {{"Note", 200, 40, 0, 0}};
    rows.data().rows.push_back({vb::Variant(note)});
    for (int type : {ExportExcel5, ExportExcel7Extended}) {
        exportReport(Report{}, rows, type, tmp("ansi.xls"));
        const QJsonArray sheet = readWorkbook(tmp("ansi.xls"))[1].toArray();
        EXPECT_EQ(sheet[1].toArray()[0].toArray(), cell(kText, note)) << exportFormatName(type).toStdString();
    }
}

TEST(SpreadsheetExport, TooManyRowsAreRefusedNotCut)
{
    auto rs = std::make_shared<ado::Recordset>();
    rs->Fields().Append("N", ado::adInteger, 4, ado::adFldUpdatable);
    rs->Open();
    for (int i = 0; i < 16384; ++i) {
        rs->AddNew();
        rs->Fields(0).setValue(vb::Variant::fromLong(i));
        rs->Update();
    }
    RecordsetSource rows(rs);
    for (int type : {ExportExcel5, ExportLotusWk1, ExportLotusWks}) {
        try {
            exportReport(Report{}, rows, type, tmp("big"));
            ADD_FAILURE() << exportFormatName(type).toStdString() << " took 16384 rows";
        } catch (const vb::VbError &e) {
            EXPECT_TRUE(e.description.contains(exportFormatName(type))) << e.description.toStdString();
            EXPECT_TRUE(e.description.contains("16384 rows")) << e.description.toStdString();
        }
        EXPECT_TRUE(filesIn(corvantis::test::tempDir()).isEmpty());
    }
    // Excel 8.0 takes them all, and a reader counts every one.
    exportReport(Report{}, rows, ExportExcel8, tmp("big.xls"));
    const QJsonArray sheet = readWorkbook(tmp("big.xls"))[1].toArray();
    ASSERT_EQ(sheet.size(), 16385);
    EXPECT_EQ(sheet[16384].toArray()[0].toArray(), cell(kNumber, 16383));
}

TEST(SpreadsheetExport, LotusWorksheetsHoldTheValues)
{
    for (int type : {ExportLotusWk1, ExportLotusWks}) {
        SCOPED_TRACE(exportFormatName(type).toStdString());
        auto rs = invoices();
        rs->setAbsolutePosition(2);
        rs->Fields("Partner").setValue(vb::Variant("Baeckerei"));
        rs->Fields("Note").setValue(vb::Variant("Strasse 5"));
        rs->Update();
        RecordsetSource rows(rs);
        exportReport(invoiceReport(), rows, type, tmp("out.wk"));
        const QString csv = QString::fromLatin1(runTool("wks2csv", {tmp("out.wk")}));
        const QStringList lines = csv.split('\n', Qt::SkipEmptyParts);
        // The reader heads its output with column names of its own.
        ASSERT_EQ(lines.size(), 5) << csv.toStdString();
        EXPECT_EQ(lines[1], "\"Partner\",\"Invoice\",\"Amount\",\"Shipped\",\"Note\",\"Paid\"");
        EXPECT_EQ(lines[2], "\"ACME\",\"1001\",\"1250.5\",\"12/01/26\",\"first, \"\"rush\"\" order\",\"1\"");
        EXPECT_EQ(lines[3], "\"Baeckerei\",\"1002\",\"99.95\",\"12/02/26\",\"Strasse 5\",\"0\"");
        EXPECT_EQ(lines[4], "\"Zeta\",\"1003\",\"-12\",\"12/03/26\",\"\",\"1\"");
    }
}

TEST(SpreadsheetExport, ReleaseThreeWorksheetsKeepLatin1)
{
    RecordsetSource rows(invoices());
    exportReport(invoiceReport(), rows, ExportLotusWk3, tmp("out.wk3"));
    const QString csv = QString::fromUtf8(runTool("wks2csv", {tmp("out.wk3")}));
    const QStringList lines = csv.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << csv.toStdString();
    EXPECT_EQ(lines[1], "\"Partner\",\"Invoice\",\"Amount\",\"Shipped\",\"Note\",\"Paid\"");
    EXPECT_EQ(lines[2], "\"ACME\",\"1001\",\"1250.5\",\"12/1/2026\",\"first, \"\"rush\"\" order\",\"1\"");
    EXPECT_EQ(lines[3], QString::fromUtf8("\"Bäckerei Müller\",\"1002\",\"99.95\",\"12/2/2026\",\"Straße 5 × 2\",\"0\""));
    EXPECT_EQ(lines[4], "\"Zeta\",\"1003\",\"-12\",\"12/3/2026\",\"\",\"1\"");
}
