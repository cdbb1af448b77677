#include "report/ReportDocument.h"

#include "report/Export.h"
#include "report/PrintService.h"
#include "report/ReportFile.h"

namespace report {

ReportDocument::ReportDocument(Report report, QString path)
    : m_report(std::move(report)), m_path(std::move(path))
{
}

std::shared_ptr<ReportDocument> ReportDocument::open(const QString &path)
{
    return std::make_shared<ReportDocument>(loadReport(path), path);
}

void ReportDocument::setDataSource(ado::RecordsetPtr recordset)
{
    m_pages.reset();
    m_rows = std::make_unique<RecordsetSource>(std::move(recordset));
}

RowSource &ReportDocument::rows()
{
    if (!m_rows) {
        // No record set bound: the rows saved in the file, or none over the report's fields.
        SavedData data;
        if (m_report.savedData)
            data = *m_report.savedData;
        else
            data.fields = m_report.fields;
        m_rows = std::make_unique<MemorySource>(std::move(data));
    }
    return *m_rows;
}

Paginator &ReportDocument::pages()
{
    if (!m_pages)
        m_pages = std::make_unique<Paginator>(m_report, rows());
    return *m_pages;
}

void ReportDocument::printOut()
{
    printService().print(pages());
}

void ReportDocument::exportTo(int formatType, const QString &path)
{
    exportReport(m_report, rows(), formatType, path);
}

} // namespace report
