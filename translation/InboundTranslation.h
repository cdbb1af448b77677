#pragma once
// The inbound translation: stored transaction sets of a mailbox list become
// rows of one record set by walking each set's segments against the
// partner's map and running the map's snippets at each segment and element.
// The snippets put the values into the record set (objScript.LinesToRecord
// Record); the walk keeps objScript's context up to date and runs the
// snippets in order.
//
//   translation::InboundTranslation run(translation::mapScriptHost(), &progress);
//   ado::RecordsetPtr rs = run.TranslateAll(core::selectionOf(*lvwInbox), "ACME", "830", "004010", "I", false, true);

#include "translation/RecordLayout.h"

#include "ado/Recordset.h"
#include "core/loader/WorkProgress.h"

#include <QString>

#include <memory>

namespace translation {

class MapScriptHost;
struct MapRows;

class InboundTranslation {
public:
    // `progress` carries the main window's preview, progress bar, panel 3
    // and the yield to window messages; null for none.
    explicit InboundTranslation(MapScriptHost &host, core::WorkProgress *progress = nullptr);
    ~InboundTranslation();

    // Translates the selected rows of a mailbox list into one record set,
    // marks each "Opened" ("Exported" with blnExport) or "Error", logs the
    // summary and returns the record set; null when the run failed or was
    // refused. The run stops as stale, marking nothing more, when the list's
    // statement no longer gives the rows of `selection.order` in that order,
    // or when its table is changed by anyone else while a set is translated.
    ado::RecordsetPtr TranslateAll(const core::MailboxSelection &selection, const QString &strPartner,
                                   const QString &strTransaction, const QString &strVersion,
                                   const QString &strDirection, bool blnExport, bool blnSilent);

    // Walks one set; true when every data segment was walked. Each failure
    // is recorded in the History log.
    bool TranslateTransaction(const ado::RecordsetPtr &rsRecord, const QString &strPartner,
                              const QString &strTransaction, const QString &strVersion,
                              const QString &strDirection, const QString &strTSet,
                              const QString &strSegmentTerminator, const QString &strElementSeparator,
                              const QString &strSubElementSeparator);

    // Texts of the stale-list report.
    static QString StaleListMessage(const QString &table);
    static QString StaleListHistory(const QString &table);

private:
    std::shared_ptr<const MapRows> mapFor(const MapKey &key);
    void endRun();

    MapScriptHost &m_host;
    core::WorkProgress *m_progress;
    // The map rows of the running TranslateAll, read once for all its sets.
    std::shared_ptr<const MapRows> m_runMap;
    MapKey m_runKey;
    bool m_inRun = false;
};

} // namespace translation
