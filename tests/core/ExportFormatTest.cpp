// The export-format table: the 28 formats by index, and what an index outside
// the table gives.
#include "core/modGlobal.h"

#include <gtest/gtest.h>

using namespace modGlobal;

namespace {

struct Row {
    int16_t index;
    const char *name;
    const char *extension;
    int16_t type;
};

const Row kExpected[] = {
    {0, "Character-separated values (CHR)", "CHR", 7},
    {1, "Comma-separated values (CSV)", "CSV", 5},
    {2, "Crystal Reports (RPT)", "RPT", 1},
    {3, "Crystal Reports 7.0 (RPT)", "RPT", 33},
    {4, "Data Interchange Format (DIF)", "DIF", 2},
    {5, "Rich Text (Exact) Format (RTF)", "RTF", 35},
    {6, "Excel 5.0 (XLS)", "XLS", 21},
    {7, "Excel 5.0 (Extended) (XLS)", "XLS", 22},
    {8, "Excel 7.0 (XLS)", "XLS", 27},
    {9, "Excel 7.0 (Extended) (XLS)", "XLS", 28},
    {10, "Excel 8.0 (XLS)", "XLS", 29},
    {11, "Excel 8.0 (Extended) (XLS)", "XLS", 30},
    {12, "HTML 3.2 Standard (HTM)", "HTM", 24},
    {13, "HTML 4.0 (HTM)", "HTM", 32},
    {14, "Lotus 1-2-3 (WK1)", "WK1", 12},
    {15, "Lotus 1-2-3 (WK3)", "WK3", 13},
    {16, "Lotus 1-2-3 (WKS)", "WKS", 11},
    {17, "No Format", "No Format", 0},
    {18, "ODBC", "ODBC", 23},
    {19, "Paginated Text (TXT)", "TXT", 10},
    {20, "Portable Document Format (PDF)", "PDF", kExportTypePortableDocument},
    {21, "Record style (REC)", "REC", kExportTypeRecordStyle},
    {22, "Report definition (TXT)", "TXT", 34},
    {23, "Tab-separated text (TTX)", "TTX", 9},
    {24, "Tab-separated values (TSV)", "TSV", 6},
    {25, "Text (TXT)", "TXT", 8},
    {26, "Word for Windows document (DOC)", "DOC", 14},
    {27, "XML (XML)", "XML", 36},
};

} // namespace

TEST(ExportFormats, TableHoldsTheTwentyEightFormatsInOrder)
{
    ASSERT_EQ(ExportFormats().size(), std::size(kExpected));
    for (const Row &row : kExpected) {
        SCOPED_TRACE(row.index);
        const ExportFormat &f = ExportFormats()[row.index];
        EXPECT_STREQ(f.name, row.name);
        EXPECT_STREQ(f.extension, row.extension);
        EXPECT_EQ(f.type, row.type);
        EXPECT_EQ(GetExportExtension(row.index), QString::fromLatin1(row.extension));
        EXPECT_EQ(GetExportFormatType(row.index), row.type);
    }
}

TEST(ExportFormats, DocumentAndRecordStyleHaveTheirOwnEngineTypes)
{
    // These two must not fall back to the report file type of row 3: an export
    // with that type would write a report file under a .PDF or .REC name.
    EXPECT_NE(GetExportFormatType(20), GetExportFormatType(3));
    EXPECT_NE(GetExportFormatType(21), GetExportFormatType(3));
    EXPECT_NE(GetExportFormatType(20), GetExportFormatType(21));
    for (const ExportFormat &f : ExportFormats()) {
        if (QString::fromLatin1(f.name) == "Portable Document Format (PDF)" || QString::fromLatin1(f.name) == "Record style (REC)")
            continue;
        EXPECT_NE(f.type, kExportTypePortableDocument) << f.name;
        EXPECT_NE(f.type, kExportTypeRecordStyle) << f.name;
    }
}

TEST(ExportFormats, IndexOutsideTheTableGivesNoExtensionAndTypeZero)
{
    for (int16_t index : {int16_t(-1), int16_t(28), int16_t(-32768), int16_t(32767)}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(GetExportExtension(index), QString());
        EXPECT_EQ(GetExportFormatType(index), 0);
    }
}
