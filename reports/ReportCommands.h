#pragma once
// The report commands of the mailbox lists: View, Print and Export translate
// the selected rows and present them through the key's report; the three
// Designer commands open one of the key's reports in the designer; ActiveX
// hands the translation to the partner's plug-in class and reports on what it
// gives back. The window calls these with the selection of the list of the
// selected folder; integration jobs call the result-returning forms.
//
//   reports::ReportCommands commands(services);
//   commands.PrintReport(core::selectionOf(*lvwInbox), true);

#include "ado/Recordset.h"
#include "core/SetKey.h"
#include "core/loader/WorkProgress.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace reports {

// How a command ended, for callers that act on it (integration jobs).
enum class Outcome {
    Done,                // presented (viewed, printed, exported) or the plug-in's report done
    NothingToDo,         // no current item, no unique selection, or a translation without rows
    Failed,              // a report missing, an error reported, a plug-in returning False
    NoPreviousSchedule,  // 862: no Recycled row of the key to compare with; nothing was called
};

// The key of a selection.
using ReportKey = core::SetKey;

// What the commands need of the window around them. Printing goes through
// the report engine's print service.
struct ReportServices {
    // The key of the selected rows of the list showing `selection.table`
    // ("P,T,V,D") or empty text (the helper warns).
    std::function<QString(const core::MailboxSelection &)> isSelectionUnique;
    // The translation of the selected rows (null when it failed or was refused).
    std::function<ado::RecordsetPtr(const core::MailboxSelection &, const ReportKey &, bool blnExport,
                                    bool blnSilent)>
        translateAll;
    // The selection of the Recycled list, for the previous schedule of an
    // 862; none: the list is not available.
    std::function<core::MailboxSelection()> recycled;
    // Selects exactly the Recycled rows of the key of the latest earlier
    // interchange (the integration runner's choice); none: the user's selection stands.
    std::function<bool(const ReportKey &)> selectPreviousSchedule;
    // Processes pending window messages once (after the designer is shown).
    std::function<void()> processEvents;
};

class ReportCommands {
public:
    explicit ReportCommands(ReportServices services);

    // The three report files of a key, and the export file of a format index.
    static QString ViewerReportPath(const ReportKey &key);
    static QString ExportReportPath(const ReportKey &key);
    static QString ActiveXReportPath(const ReportKey &key);
    static QString ExportFilePath(const ReportKey &key, int16_t formatIndex);
    // The report file at `path` when it exists (letter case ignored), else empty text.
    static QString existingReport(const QString &path);

    void ViewReport(const core::MailboxSelection &selection);
    Outcome PrintReport(const core::MailboxSelection &selection, bool blnSilent);
    Outcome ExportReport(const core::MailboxSelection &selection, bool blnSilent);
    void DesignViewerReport(const core::MailboxSelection &selection);
    void DesignExportReport(const core::MailboxSelection &selection);
    void DesignActiveXReport(const core::MailboxSelection &selection);

    // The export-format index of the key's Transactions row; 0 after a
    // reported error (no row, no value).
    static int16_t GetExportFormat(const QString &strPartner, const QString &strTransaction,
                                   const QString &strVersion, const QString &strDirection);

    // The partner plug-in runner: output 0 view, 1 print, 2 export.
    Outcome ActiveX(const core::MailboxSelection &selection, int intOutput = 0);

    // The texts the commands show and log.
    static QString ActiveXFalseText(const ReportKey &key);
    static QString Mismatched862Text(const ReportKey &key, const ReportKey &previous);
    static QString NoPreviousScheduleText(const ReportKey &key);

private:
    // Steps 1 and 2 common to every command: the key, or an empty one.
    ReportKey selectionKey(const core::MailboxSelection &selection);
    void design(const core::MailboxSelection &selection, const QString &path, const QString &message);
    // Opens `path` into crxReport bound to `rows` and exports it; raises on failure.
    void exportOpenReport(const ReportKey &key, const QString &path, const ado::RecordsetPtr &rows);

    ReportServices m_services;
};

// Sets the rows a translation marked "Opened" among the selected rows of
// `selection` to "Exported", in one transaction, by rowid.
void MarkExported(const core::MailboxSelection &selection);

} // namespace reports
