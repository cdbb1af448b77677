// The text exports against golden files written with the fixed clock, and the
// refusals: the message names the format (and the row and field), no file is left.
#include "report/Export.h"
#include "report/ReportFile.h"

#include "ErrorOf.h"
#include "ReportTestSupport.h"

using namespace report;
using namespace report::test;
using corvantis::test::errorOf;

namespace {

// The refusal `f` raises, or an empty text.
QString refusalOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, ErrExportRefused) << e.description.toStdString();
        return e.description;
    }
    return {};
}

// The fixture records with one more row whose note holds `note`.
ado::RecordsetPtr invoicesWithNote(const QString &note)
{
    auto rs = invoices();
    rs->AddNew();
    rs->Fields("Partner").setValue(vb::Variant("Omega"));
    rs->Fields("Invoice").setValue(vb::Variant::fromLong(1004));
    rs->Fields("Note").setValue(vb::Variant(note));
    rs->Update();
    return rs;
}

} // namespace

TEST(TextExport, EveryTextFormatMatchesItsGoldenFile)
{
    struct Case { int type; const char *golden; };
    const Case cases[] = {
        {ExportCharSeparated, "invoices.chr"}, {ExportCsv, "invoices.csv"}, {ExportTsv, "invoices.tsv"},
        {ExportTabText, "invoices.ttx"}, {ExportDif, "invoices.dif"}, {ExportRecordStyle, "invoices.rec"},
        {ExportText, "invoices.txt"}, {ExportPaginatedText, "invoices-paginated.txt"},
        {ExportReportDefinition, "invoices-definition.txt"}, {ExportRtf, "invoices.rtf"},
        {ExportHtml32, "invoices-32.htm"}, {ExportHtml40, "invoices-40.htm"}, {ExportXml, "invoices.xml"},
        {ExportReportFile, "invoices-data.rpt"}, {ExportReportFile7, "invoices-data.rpt"},
    };
    const Report report = invoiceReport();
    for (const Case &c : cases) {
        SCOPED_TRACE(exportFormatName(c.type).toStdString());
        RecordsetSource rows(invoices());
        const QString out = tmp(QString::fromLatin1(c.golden));
        exportReport(report, rows, c.type, out);
        expectGolden(QString::fromLatin1(c.golden), bytesOf(out));
        QFile::remove(out);
        EXPECT_TRUE(filesIn(corvantis::test::tempDir()).isEmpty()) << "a temporary file was left";
    }
}

TEST(TextExport, Latin1SurvivesAsSingleBytes)
{
    const QByteArray mueller = QString::fromUtf8("Bäckerei Müller").toLatin1();
    for (int type : {ExportCharSeparated, ExportCsv, ExportTsv, ExportTabText, ExportDif, ExportRecordStyle, ExportText,
                     ExportPaginatedText, ExportHtml32, ExportHtml40}) {
        RecordsetSource rows(invoices());
        exportReport(invoiceReport(), rows, type, tmp("out"));
        EXPECT_TRUE(bytesOf(tmp("out")).contains(mueller)) << exportFormatName(type).toStdString();
    }
    RecordsetSource rows(invoices());
    exportReport(invoiceReport(), rows, ExportXml, tmp("out.xml"));
    EXPECT_EQ(runTool("xmllint", {"--xpath", "string(//Record[2]/Value[@Field='Partner'])", tmp("out.xml")}).trimmed(),
              QString::fromUtf8("Bäckerei Müller").toUtf8());
    exportReport(invoiceReport(), rows, ExportRtf, tmp("out.rtf"));
    EXPECT_TRUE(QString::fromLatin1(runTool("unrtf", {"--text", tmp("out.rtf")})).contains(QString::fromUtf8("Bäckerei Müller")));
}

TEST(TextExport, WindowsCharactersAreWrittenInTheCodePage)
{
    const QString note = QString::fromUtf8("€5 ‘a’ “b” – — … ™");
    const QByteArray bytes("\x80" "5 \x91" "a\x92 \x93" "b\x94 \x96 \x97 \x85 \x99");
    for (int type : {ExportCharSeparated, ExportCsv, ExportTsv, ExportTabText, ExportDif, ExportRecordStyle, ExportText,
                     ExportPaginatedText}) {
        RecordsetSource rows(invoicesWithNote(note));
        exportReport(invoiceReport(), rows, type, tmp("out"));
        EXPECT_TRUE(bytesOf(tmp("out")).contains(bytes)) << exportFormatName(type).toStdString();
    }
    // A reader told the code page gets the characters back.
    RecordsetSource rows(invoicesWithNote(note));
    exportReport(invoiceReport(), rows, ExportCsv, tmp("out.csv"));
    const QString script = QStringLiteral("import csv, sys\n"
                                          "rows = list(csv.reader(open(sys.argv[1], encoding='cp1252', newline='')))\n"
                                          "sys.stdout.buffer.write(rows[4][4].encode('utf-8'))\n");
    EXPECT_EQ(QString::fromUtf8(runTool("/usr/bin/python3", {"-c", script, tmp("out.csv")})), note);
}

TEST(TextExport, ATitleTheFormatCannotHoldIsNamed)
{
    Report report = invoiceReport();
    report.title = QString::fromUtf8("Invoices Ω");
    for (int type : {ExportDif, ExportReportDefinition}) {
        RecordsetSource rows(invoices());
        const QString why = refusalOf([&] { exportReport(report, rows, type, tmp("out")); });
        EXPECT_TRUE(why.contains(exportFormatName(type) + QStringLiteral(" cannot hold the report title"))) << why.toStdString();
        EXPECT_TRUE(why.contains("U+03A9")) << why.toStdString();
        EXPECT_TRUE(filesIn(corvantis::test::tempDir()).isEmpty());
    }
    // A text object of the layout is named by its name and section.
    report = invoiceReport();
    report.section(SectionKind::ReportFooter).objects[0].text = QString::fromUtf8("Ende Ω");
    report.section(SectionKind::ReportFooter).objects[0].name = QStringLiteral("Closing");
    RecordsetSource rows(invoices());
    const QString why = refusalOf([&] { exportReport(report, rows, ExportPaginatedText, tmp("out")); });
    EXPECT_TRUE(why.contains("Paginated Text (TXT) cannot hold the text of the object \"Closing\" in the ReportFooter section"))
        << why.toStdString();
}

TEST(TextExport, WordDocumentsAreTheLayoutInRichText)
{
    RecordsetSource rows(invoices());
    exportReport(invoiceReport(), rows, ExportWord, tmp("ACME_810_004010_I.DOC"));
    exportReport(invoiceReport(), rows, ExportRtf, tmp("same.rtf"));
    EXPECT_EQ(bytesOf(tmp("ACME_810_004010_I.DOC")), bytesOf(tmp("same.rtf")));
    const QString text = QString::fromLatin1(runTool("unrtf", {"--text", tmp("ACME_810_004010_I.DOC")}));
    EXPECT_TRUE(text.contains("Invoices of December")) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("Bäckerei Müller"))) << text.toStdString();
}

TEST(TextExport, ReadersAcceptTheMarkupFormats)
{
    RecordsetSource rows(invoices());
    exportReport(invoiceReport(), rows, ExportXml, tmp("out.xml"));
    runTool("xmllint", {"--noout", tmp("out.xml")});
    EXPECT_EQ(runTool("xmllint", {"--xpath", "count(//Record)", tmp("out.xml")}).trimmed(), "3");
    EXPECT_EQ(runTool("xmllint", {"--xpath", "string(//Record[3]/Value[@Field='Note']/@Null)", tmp("out.xml")}).trimmed(),
              "true");
    exportReport(invoiceReport(), rows, ExportHtml40, tmp("out.htm"));
    EXPECT_EQ(runTool("xmllint", {"--html", "--xpath", "count(//tr)", tmp("out.htm")}).trimmed(), "4");
    EXPECT_EQ(runTool("xmllint", {"--html", "--xpath", "string((//tr)[2]/td[5])", tmp("out.htm")}).trimmed(),
              "first, \"rush\" order");
}

TEST(TextExport, TsvRefusesTabsAndLineBreaksNamingRowAndField)
{
    for (const char *note : {"a\tb", "a\rb", "a\nb"}) {
        RecordsetSource rows(invoicesWithNote(QString::fromLatin1(note)));
        const QString why = refusalOf([&] { exportReport(invoiceReport(), rows, ExportTsv, tmp("out.tsv")); });
        EXPECT_TRUE(why.contains("Tab-separated values (TSV)")) << why.toStdString();
        EXPECT_TRUE(why.contains("row 4, field \"Note\"")) << why.toStdString();
        EXPECT_TRUE(filesIn(corvantis::test::tempDir()).isEmpty());
    }
}

TEST(TextExport, ValuesAFormatCannotHoldAreRefused)
{
    struct Case { int type; QString note; const char *where; const char *reason; };
    const Case cases[] = {
        {ExportCsv, QString::fromUtf8("Ω"), "row 4, field \"Note\"", "U+03A9"},
        {ExportDif, "two\r\nlines", "row 4, field \"Note\"", "line break"},
        {ExportRecordStyle, QString(31, 'x'), "row 4, field \"Note\"", "31 characters long, the field 30"},
        {ExportXml, QString(QChar(0x01)), "row 4, field \"Note\"", "U+0001"},
        {ExportExcel8, QString(32768, 'x'), "row 4, field \"Note\"", "32768 characters long, a cell of the format 32767"},
        {ExportExcel5, QString::fromUtf8("Ω"), "row 4, field \"Note\"", "U+03A9"},
        {ExportExcel7, QString(256, 'x'), "row 4, field \"Note\"", "256 characters long, a cell of the format 255"},
        {ExportText, QString::fromUtf8("Ω"), "row 4, field \"Note\"", "U+03A9"},
        {ExportPaginatedText, QString::fromUtf8("a Ω"), "row 4, field \"Note\"", "U+03A9"},
        {ExportTabText, QString(QChar(0x4E2D)), "row 4, field \"Note\"", "U+4E2D is not in the Windows code page 1252"},
        // Lotus readers disagree on the upper half of the character set: only ASCII is sure.
        {ExportLotusWk1, "plain", "row 2, field \"Partner\"", "U+00E4"},
        {ExportLotusWk3, QString::fromUtf8("€"), "row 4, field \"Note\"", "U+20AC"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(exportFormatName(c.type).toStdString());
        putBytes(tmp("old.out"), "previous export");
        // The fixture's rows and one more, held in memory so that the value
        // reaches the writer whatever the data layer would accept.
        RecordsetSource fixtureRows(invoices());
        MemorySource rows;
        rows.data().fields = fixtureRows.fields();
        std::vector<vb::Variant> values;
        for (long r = 0; r < fixtureRows.rowCount(); ++r) {
            fixtureRows.readRow(r, values);
            rows.data().rows.push_back(values);
        }
        values[0] = vb::Variant("Omega");
        values[4] = vb::Variant(c.note);
        rows.data().rows.push_back(values);
        const QString why = refusalOf([&] { exportReport(invoiceReport(), rows, c.type, tmp("old.out")); });
        EXPECT_TRUE(why.contains(exportFormatName(c.type))) << why.toStdString();
        EXPECT_TRUE(why.contains(QLatin1String(c.where))) << why.toStdString();
        EXPECT_TRUE(why.contains(QLatin1String(c.reason))) << why.toStdString();
        EXPECT_EQ(bytesOf(tmp("old.out")), "previous export");
        EXPECT_EQ(filesIn(corvantis::test::tempDir()), QStringList{"old.out"});
    }
}

TEST(TextExport, FormatsThatCannotBeWrittenAreRefusedByName)
{
    struct Case { int type; const char *named; const char *instead; };
    const Case cases[] = {
        {ExportNone, "\"No Format\"", "Comma-separated values (CSV)"},
        {ExportOdbc, "\"ODBC\"", "Comma-separated values (CSV)"},
        {4, "type 4", "listed export formats"},
    };
    for (const Case &c : cases) {
        RecordsetSource rows(invoices());
        const QString target = tmp(QStringLiteral("ACME_810_004010_I.") + exportFormatName(c.type));
        const QString why = refusalOf([&] { exportReport(invoiceReport(), rows, c.type, target); });
        EXPECT_TRUE(why.contains(QLatin1String(c.named))) << why.toStdString();
        EXPECT_TRUE(why.contains(QLatin1String(c.instead))) << why.toStdString();
        EXPECT_TRUE(filesIn(corvantis::test::tempDir()).isEmpty()) << c.named;
    }
}

TEST(TextExport, AnEmptyRecordSetStillWritesTheFile)
{
    auto rs = invoices();
    rs->setFilter(QStringLiteral("Invoice = 0"));
    RecordsetSource rows(rs);
    ASSERT_EQ(rows.rowCount(), 0);
    exportReport(invoiceReport(), rows, ExportCsv, tmp("empty.csv"));
    EXPECT_EQ(bytesOf(tmp("empty.csv")), "Partner,Invoice,Amount,Shipped,Note,Paid\r\n");
    exportReport(invoiceReport(), rows, ExportPdf, tmp("empty.pdf"));
    EXPECT_TRUE(QString::fromUtf8(runTool("pdftotext", {tmp("empty.pdf"), "-"})).contains("Invoices of December"));
}

TEST(TextExport, AFolderThatCannotBeWrittenIsNamed)
{
    for (int type : {ExportCsv, ExportPdf, ExportExcel8, ExportReportFile}) {
        RecordsetSource rows(invoices());
        const QString target = tmp("missing/ACME_810_004010_I.out");
        const QString why = refusalOf([&] { exportReport(invoiceReport(), rows, type, target); });
        EXPECT_TRUE(why.contains(target)) << exportFormatName(type).toStdString() << ": " << why.toStdString();
        EXPECT_FALSE(QFile::exists(target));
    }
}
