// The export formats offered per transaction set: name, file extension and the
// report engine's export type, by the index kept in Transactions.ExportFormat.
#include "core/modGlobal.h"

namespace modGlobal {

const std::array<ExportFormat, 28> &ExportFormats()
{
    static const std::array<ExportFormat, 28> formats = {{
        {"Character-separated values (CHR)", "CHR", 7},
        {"Comma-separated values (CSV)", "CSV", 5},
        {"Crystal Reports (RPT)", "RPT", 1},
        {"Crystal Reports 7.0 (RPT)", "RPT", 33},
        {"Data Interchange Format (DIF)", "DIF", 2},
        {"Rich Text (Exact) Format (RTF)", "RTF", 35},
        {"Excel 5.0 (XLS)", "XLS", 21},
        {"Excel 5.0 (Extended) (XLS)", "XLS", 22},
        {"Excel 7.0 (XLS)", "XLS", 27},
        {"Excel 7.0 (Extended) (XLS)", "XLS", 28},
        {"Excel 8.0 (XLS)", "XLS", 29},
        {"Excel 8.0 (Extended) (XLS)", "XLS", 30},
        {"HTML 3.2 Standard (HTM)", "HTM", 24},
        {"HTML 4.0 (HTM)", "HTM", 32},
        {"Lotus 1-2-3 (WK1)", "WK1", 12},
        {"Lotus 1-2-3 (WK3)", "WK3", 13},
        {"Lotus 1-2-3 (WKS)", "WKS", 11},
        {"No Format", "No Format", 0},
        {"ODBC", "ODBC", 23},
        {"Paginated Text (TXT)", "TXT", 10},
        {"Portable Document Format (PDF)", "PDF", kExportTypePortableDocument},
        {"Record style (REC)", "REC", kExportTypeRecordStyle},
        {"Report definition (TXT)", "TXT", 34},
        {"Tab-separated text (TTX)", "TTX", 9},
        {"Tab-separated values (TSV)", "TSV", 6},
        {"Text (TXT)", "TXT", 8},
        {"Word for Windows document (DOC)", "DOC", 14},
        {"XML (XML)", "XML", 36},
    }};
    return formats;
}

QString GetExportExtension(int16_t intIndex)
{
    if (intIndex < 0 || intIndex >= static_cast<int16_t>(ExportFormats().size()))
        return {};
    return QString::fromLatin1(ExportFormats()[intIndex].extension);
}

int16_t GetExportFormatType(int16_t intIndex)
{
    if (intIndex < 0 || intIndex >= static_cast<int16_t>(ExportFormats().size()))
        return 0;
    return ExportFormats()[intIndex].type;
}

} // namespace modGlobal
