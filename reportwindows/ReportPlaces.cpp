#include "reportwindows/ReportPlaces.h"

#include "core/SettingsSections.h"
#include "report/ReportFile.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace reportwindows {

QString exportReportPathFor(const QString &reportPath)
{
    if (reportPath.isEmpty())
        return {};
    const QFileInfo file(reportPath);
    const QString reports = QDir::cleanPath(QFileInfo(sections::folder(u"Reports"_s)).absoluteFilePath());
    const QString folder = QDir::cleanPath(file.absolutePath());
    const bool inPlace = folder == reports || folder.compare(reports + u"/Export"_s, Qt::CaseInsensitive) == 0
                         || folder.compare(reports + u"/ActiveX"_s, Qt::CaseInsensitive) == 0;
    // A set's report is named P_T_V_D.
    const QString stem = file.completeBaseName();
    if (!inPlace || stem.count(u'_') < 3 || stem.compare(u"Guideline"_s, Qt::CaseInsensitive) == 0)
        return {};
    return reports + u"/Export/"_s + stem + u".RPT"_s;
}

QString exportReportNote(const QString &reportPath)
{
    const QString path = exportReportPathFor(reportPath);
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    if (!report::findReportFile(info.absolutePath(), info.fileName()).isEmpty())
        return u"Export report of this transaction set: "_s + path;
    return u"This transaction set has no export report yet: File > Export needs one at "_s + path
           + u" (File > Save As... in the Report Designer saves a report there)."_s;
}

} // namespace reportwindows
