#include "report/Export.h"

#include "report/Paginator.h"
#include "report/Renderer.h"

#include "vb/VbError.h"

namespace report {

namespace {

[[noreturn]] void refuse(const QString &text)
{
    vb::raise(ErrExportRefused, text, QStringLiteral("Report"));
}

} // namespace

QString exportFormatName(int t)
{
    switch (t) {
    case ExportNone: return QStringLiteral("No Format");
    case ExportReportFile: return QStringLiteral("Crystal Reports (RPT)");
    case ExportReportFile7: return QStringLiteral("Crystal Reports 7.0 (RPT)");
    case ExportDif: return QStringLiteral("Data Interchange Format (DIF)");
    case ExportRecordStyle: return QStringLiteral("Record style (REC)");
    case ExportCsv: return QStringLiteral("Comma-separated values (CSV)");
    case ExportTsv: return QStringLiteral("Tab-separated values (TSV)");
    case ExportCharSeparated: return QStringLiteral("Character-separated values (CHR)");
    case ExportText: return QStringLiteral("Text (TXT)");
    case ExportTabText: return QStringLiteral("Tab-separated text (TTX)");
    case ExportPaginatedText: return QStringLiteral("Paginated Text (TXT)");
    case ExportLotusWks: return QStringLiteral("Lotus 1-2-3 (WKS)");
    case ExportLotusWk1: return QStringLiteral("Lotus 1-2-3 (WK1)");
    case ExportLotusWk3: return QStringLiteral("Lotus 1-2-3 (WK3)");
    case ExportWord: return QStringLiteral("Word for Windows document (DOC)");
    case ExportExcel5: return QStringLiteral("Excel 5.0 (XLS)");
    case ExportExcel5Extended: return QStringLiteral("Excel 5.0 (Extended) (XLS)");
    case ExportOdbc: return QStringLiteral("ODBC");
    case ExportHtml32: return QStringLiteral("HTML 3.2 Standard (HTM)");
    case ExportExcel7: return QStringLiteral("Excel 7.0 (XLS)");
    case ExportExcel7Extended: return QStringLiteral("Excel 7.0 (Extended) (XLS)");
    case ExportExcel8: return QStringLiteral("Excel 8.0 (XLS)");
    case ExportExcel8Extended: return QStringLiteral("Excel 8.0 (Extended) (XLS)");
    case ExportPdf: return QStringLiteral("Portable Document Format (PDF)");
    case ExportHtml40: return QStringLiteral("HTML 4.0 (HTM)");
    case ExportReportDefinition: return QStringLiteral("Report definition (TXT)");
    case ExportRtf: return QStringLiteral("Rich Text (Exact) Format (RTF)");
    case ExportXml: return QStringLiteral("XML (XML)");
    default: return QStringLiteral("export format type %1").arg(t);
    }
}

QString exportFileExtension(int t)
{
    const QString name = exportFormatName(t);
    // Every file format's name ends in its extension: "Excel 8.0 (XLS)".
    if (t == ExportNone || t == ExportOdbc || !name.endsWith(u')'))
        return {};
    const qsizetype open = name.lastIndexOf(u'(');
    return name.mid(open + 1, name.size() - open - 2);
}

void exportReport(const Report &report, RowSource &rows, int t, const QString &path)
{
    switch (t) {
    case ExportNone:
        refuse(QStringLiteral("No export format is chosen (\"No Format\"), so nothing was exported. "
                              "Choose an export format for the transaction set, for example "
                              "\"Comma-separated values (CSV)\"."));
    case ExportOdbc:
        refuse(QStringLiteral("The export format \"ODBC\" cannot be written: no data source is named for it. "
                              "Choose a file format instead, for example \"Comma-separated values (CSV)\" "
                              "or \"Excel 8.0 (XLS)\"."));
    case ExportCharSeparated: return writeCharSeparated(rows, path);
    case ExportCsv: return writeCsv(rows, path);
    case ExportTsv: return writeTsv(rows, path);
    case ExportTabText: return writeTabText(rows, path);
    case ExportDif: return writeDif(report, rows, path);
    case ExportRecordStyle: return writeRecordStyle(rows, path);
    case ExportXml: return writeXml(report, rows, path);
    case ExportHtml32: return writeHtml(report, rows, false, path);
    case ExportHtml40: return writeHtml(report, rows, true, path);
    case ExportText: return writeText(report, rows, path);
    case ExportPaginatedText: return writePaginatedText(report, rows, path);
    case ExportRtf:
    // Word opens rich text saved under the .doc name as a document.
    case ExportWord: return writeRtf(report, rows, path);
    case ExportReportDefinition: return writeReportDefinitionText(report, path);
    case ExportReportFile:
    case ExportReportFile7: return writeReportWithData(report, rows, path);
    case ExportPdf: {
        Paginator paginator(report, rows);
        return writePdf(paginator, path);
    }
    case ExportExcel5: case ExportExcel7:
        return writeExcel(report, rows, ExcelVersion::Biff5, false, exportFormatName(t), path);
    case ExportExcel5Extended: case ExportExcel7Extended:
        return writeExcel(report, rows, ExcelVersion::Biff5, true, exportFormatName(t), path);
    case ExportExcel8: return writeExcel(report, rows, ExcelVersion::Biff8, false, exportFormatName(t), path);
    case ExportExcel8Extended: return writeExcel(report, rows, ExcelVersion::Biff8, true, exportFormatName(t), path);
    case ExportLotusWks: return writeLotus(rows, LotusVersion::Wks, path);
    case ExportLotusWk1: return writeLotus(rows, LotusVersion::Wk1, path);
    case ExportLotusWk3: return writeLotus(rows, LotusVersion::Wk3, path);
    default:
        refuse(QStringLiteral("The export format type %1 is not known, so nothing was exported. "
                              "Choose one of the listed export formats.").arg(t));
    }
}

} // namespace report
