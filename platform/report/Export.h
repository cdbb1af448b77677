#pragma once
// Exports of a report and its rows, by the engine's export format type. Each
// format writes a real file of its kind through a temporary name in the
// target folder, renamed only when complete; a format that cannot be written
// raises ErrExportRefused naming the format, and leaves no file behind.

#include "report/Model.h"
#include "report/RowSource.h"

namespace report {

// The engine's export format types.
enum ExportType : int {
    ExportNone = 0,
    ExportReportFile = 1,          // the report with its data
    ExportDif = 2,
    ExportRecordStyle = 3,
    ExportCsv = 5,
    ExportTsv = 6,
    ExportCharSeparated = 7,
    ExportText = 8,
    ExportTabText = 9,
    ExportPaginatedText = 10,
    ExportLotusWks = 11,
    ExportLotusWk1 = 12,
    ExportLotusWk3 = 13,
    ExportWord = 14,
    ExportExcel5 = 21,
    ExportExcel5Extended = 22,
    ExportOdbc = 23,
    ExportHtml32 = 24,
    ExportExcel7 = 27,
    ExportExcel7Extended = 28,
    ExportExcel8 = 29,
    ExportExcel8Extended = 30,
    ExportPdf = 31,
    ExportHtml40 = 32,
    ExportReportFile7 = 33,        // the report with its data, as type 1
    ExportReportDefinition = 34,
    ExportRtf = 35,
    ExportXml = 36,
};

// The name users know a format type by ("Excel 8.0 (XLS)" ...).
QString exportFormatName(int formatType);
// The file extension of a format type ("XLS"), the one its name ends in;
// empty for "No Format", "ODBC" and unknown types.
QString exportFileExtension(int formatType);

// Writes `rows` through `report` into `path` in `formatType`.
void exportReport(const Report &report, RowSource &rows, int formatType, const QString &path);

// The individual writers (exportReport calls them); each raises
// ErrExportRefused for data its format cannot hold.
void writeCharSeparated(RowSource &rows, const QString &path);
void writeCsv(RowSource &rows, const QString &path);
void writeTsv(RowSource &rows, const QString &path);
void writeTabText(RowSource &rows, const QString &path);
void writeDif(const Report &report, RowSource &rows, const QString &path);
void writeRecordStyle(RowSource &rows, const QString &path);
void writeXml(const Report &report, RowSource &rows, const QString &path);
void writeHtml(const Report &report, RowSource &rows, bool html40, const QString &path);
void writeText(const Report &report, RowSource &rows, const QString &path);
void writePaginatedText(const Report &report, RowSource &rows, const QString &path);
void writeRtf(const Report &report, RowSource &rows, const QString &path);
void writeReportDefinitionText(const Report &report, const QString &path);
void writeReportWithData(const Report &report, RowSource &rows, const QString &path);

enum class ExcelVersion { Biff5, Biff8 };
// `format` is the name of the chosen format, for refusals.
void writeExcel(const Report &report, RowSource &rows, ExcelVersion version, bool extended, const QString &format,
                const QString &path);
enum class LotusVersion { Wks, Wk1, Wk3 };
void writeLotus(RowSource &rows, LotusVersion version, const QString &path);

// The text of a report definition as the "Report definition" export writes it.
QByteArray reportDefinitionText(const Report &report);

} // namespace report
