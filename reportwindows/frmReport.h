#pragma once
// The report viewer window: the open report in the viewer control, switched
// by the `Viewer` settings, held at 100 per cent.

#include "report/ReportDocument.h"

#include <QWidget>

class QLabel;

namespace report {
class ReportViewer;
}

namespace reportwindows {

class frmReport : public QWidget {
    Q_OBJECT
public:
    explicit frmReport(QWidget *parent = nullptr);

    // Takes crxReport, switches the features from the settings and shows the report.
    void Form_Load();
    // Takes the open report again (a View while the window is open).
    void takeReport();
    void OnViewerZoomChanged(int16_t level);

    report::ReportViewer *crxViewer = nullptr;
    // Under the viewer: where the set's export report is or must be.
    QLabel *lblExportReport = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layOut();

    report::ReportDocumentPtr m_report; // kept while the window stays loaded
};

} // namespace reportwindows
