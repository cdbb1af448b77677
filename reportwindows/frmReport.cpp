#include "reportwindows/frmReport.h"
#include "core/HandlerGuard.h"

#include "reportwindows/ReportPlaces.h"

#include "translation/OpenReport.h"

#include "core/SettingsSections.h"
#include "report/ReportViewer.h"
#include "vb/Twips.h"

#include <QDesktopServices>
#include <QLabel>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace reportwindows {

using modGlobal::guardedConnect;

frmReport::frmReport(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(u"frmReport"_s);
    setWindowTitle(u"Report Viewer"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    crxViewer = new report::ReportViewer(this);
    guardedConnect(crxViewer, &report::ReportViewer::zoomChanged, this,
                   [this](int level) { OnViewerZoomChanged(int16_t(level)); });
    connect(crxViewer, &report::ReportViewer::closeRequested, this, &QWidget::close);
    lblExportReport = new QLabel(this);
    lblExportReport->setObjectName(u"lblExportReport"_s);
    lblExportReport->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblExportReport->setContentsMargins(4, 2, 4, 2);
    // The designed client size is too small for a page; open big enough to read one.
    const QSize designed = vb::twipsToPixelSize(4740, 3525);
    resize(designed.expandedTo(QSize(900, 700)));
}

void frmReport::Form_Load()
{
    for (const char *key : sections::viewerKeys())
        crxViewer->setFeature(QString::fromLatin1(key), sections::readViewerSwitch(QString::fromLatin1(key)));
    takeReport();
}

void frmReport::takeReport()
{
    m_report = translation::crxReport;
    crxViewer->setExportFolder(sections::folder(u"Export"_s));
    crxViewer->setReportSource(m_report);
    crxViewer->viewReport();
    lblExportReport->setText(exportReportNote(m_report ? m_report->path() : QString()));
    lblExportReport->setVisible(!lblExportReport->text().isEmpty());
    layOut();
}

void frmReport::layOut()
{
    // The viewer fills the window above the note line (the whole window without one).
    const int note = lblExportReport->isVisibleTo(this) ? lblExportReport->sizeHint().height() : 0;
    crxViewer->setGeometry(0, 0, width(), height() - note);
    lblExportReport->setGeometry(0, height() - note, width(), note);
}

void frmReport::OnViewerZoomChanged(int16_t level)
{
    if (level != 100)
        crxViewer->setZoom(100);
}

void frmReport::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

} // namespace reportwindows
