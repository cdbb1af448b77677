#pragma once
// An open report: the report file, the rows bound to it and its pages, held
// together as the report commands, the viewer and the designer share them.
// Without a bound record set a report saved with its data shows those rows.

#include "report/Model.h"
#include "report/Paginator.h"
#include "report/RowSource.h"

#include "ado/Recordset.h"

#include <memory>

namespace report {

class ReportDocument {
public:
    explicit ReportDocument(Report report, QString path = {});

    // Loads `path`; raises ErrReportFile when it cannot be read.
    static std::shared_ptr<ReportDocument> open(const QString &path);

    const QString &path() const { return m_path; }
    const Report &report() const { return m_report; }

    // Binds the rows; the pages are laid out afresh on the next use.
    void setDataSource(ado::RecordsetPtr recordset);
    RowSource &rows();

    // The pages over the bound rows (raises ErrReportData for a field the rows lack).
    Paginator &pages();

    // Every page through the print service, one copy, no prompt.
    void printOut();
    // The rows in the engine's export format `formatType` into `path`.
    void exportTo(int formatType, const QString &path);

private:
    Report m_report;
    QString m_path;
    std::unique_ptr<RowSource> m_rows;
    std::unique_ptr<Paginator> m_pages;
};

using ReportDocumentPtr = std::shared_ptr<ReportDocument>;

} // namespace report
