#pragma once
// The interchange loader: stores an X12 interchange file in the Inbox ("I")
// or the Outbox ("O"), level by level (interchange, group, transaction set),
// finding or registering the partner and its transaction sets and keeping
// every envelope segment, all inside one database transaction on
// modGlobal::cnDatabase. frmMain.LoadBox is a thin call of LoadBox here.

#include "core/loader/WorkProgress.h"

#include <QString>

namespace core {

class InterchangeLoader {
public:
    explicit InterchangeLoader(WorkProgress *progress = nullptr);

    // A load the user started (File > Open) asks before it stores an
    // interchange that is stored already; any other load (a receive run, an
    // acknowledgement, an outbound run, an integration job) passes it over
    // with a History "Warning". Off by default.
    void setInteractive(bool interactive) { m_interactive = interactive; }
    // The name the load's History entries and status bar give the file, when
    // the file read is a temporary one that takes this name only after the
    // load is committed (an outbound run); empty: the file's own name.
    void setShownFileName(const QString &name) { m_shownName = name; }

    // Loads `FileName` with `Direction` "I" or "O". Returns empty text when
    // the file was stored, otherwise the message of the failed check (and
    // nothing of the file is stored). A load started while another one runs
    // (from a timer during a yield) returns "A load is already in progress"
    // at once.
    // The load records its own outcome, naming the file, in History and the
    // status bar: "Error" with the message for a refused file, "Info" with
    // the number of interchanges and sets stored; its callers record nothing
    // more. History entries of the load's own work (a partner registered,
    // an interchange passed over) are written only once it is committed.
    QString LoadBox(const QString &FileName, const QString &Direction);

    // What the last LoadBox stored (both 0 after a failure).
    int storedInterchanges() const { return m_interchanges; }
    int storedSets() const { return m_sets; }

    // True while a load runs.
    static bool isLoading();

    // The envelope savers: each adds one row to its table (ISA, GS, GE, IEA)
    // from the segment's text cut exactly at `DED`; false after a failure,
    // which they report through modGlobal::ReportError.
    static bool WriteOutISA(const QString &Segments, const QString &DED, const QString &Partner,
                            const QString &Direction);
    static bool WriteOutGS(const QString &Segments, const QString &GCN, const QString &DED,
                           const QString &Partner, const QString &Direction);
    static bool WriteOutGE(const QString &Segments, const QString &DED, const QString &Partner);
    static bool WriteOutIEA(const QString &Segments, const QString &DED, const QString &Partner);

private:
    WorkProgress *m_progress;
    bool m_interactive = false;
    QString m_shownName;
    int m_interchanges = 0;
    int m_sets = 0;
};

// Messages of the loader that its callers and tests compare with.
namespace loader_messages {
inline const char *const kLoadInProgress = "A load is already in progress";
inline const char *const kPartnerRegistrationFailed = "Trading Partner Registration Failed";
inline const char *const kErrorSavingSet = "Error Saving Transaction Set";
// The question and History texts of an interchange that is stored already.
QString alreadyStoredQuestion(const QString &isa13, const QString &sender);
QString alreadyStoredWarning(const QString &isa13, const QString &sender, const QString &fileName);
// The History texts of a load's outcome.
QString refusedText(const QString &message, const QString &fileName);
QString loadedText(int interchanges, int sets, const QString &fileName);
} // namespace loader_messages

} // namespace core
