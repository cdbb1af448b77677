#pragma once
// Where a transaction set's reports live, as the viewer and designer windows
// tell the user: the viewer report P_T_V_D.RPT in the Reports folder, the
// export report of the same name in its Export subfolder, the plug-in report
// in its ActiveX subfolder.

#include <QString>

namespace reportwindows {

// The export report of the set whose report is at `reportPath`, or empty text
// when that report is not a set's (the guideline, a file elsewhere).
QString exportReportPathFor(const QString &reportPath);

// The line the windows show about it (empty text when there is none): where
// the export report is, or where it must be saved while there is none yet.
QString exportReportNote(const QString &reportPath);

} // namespace reportwindows
