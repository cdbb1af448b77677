#include "reportwindows/frmReport.h"

#include "translation/OpenReport.h"

#include "core/SettingsSections.h"
#include "report/ReportViewer.h"
#include "vb/Twips.h"

#include <QDesktopServices>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace reportwindows {

frmReport::frmReport(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(u"frmReport"_s);
    setWindowTitle(u"Report Viewer"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    crxViewer = new report::ReportViewer(this);
    connect(crxViewer, &report::ReportViewer::zoomChanged, this,
            [this](int level) { OnViewerZoomChanged(int16_t(level)); });
    connect(crxViewer, &report::ReportViewer::closeRequested, this, &QWidget::close);
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
    crxViewer->setReportSource(m_report);
    crxViewer->viewReport();
}

void frmReport::OnViewerZoomChanged(int16_t level)
{
    if (level != 100)
        crxViewer->setZoom(100);
}

void frmReport::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    crxViewer->setGeometry(0, 0, width(), height());
}

} // namespace reportwindows
