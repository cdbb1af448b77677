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

    // Loads `FileName` with `Direction` "I" or "O". Returns empty text when
    // the file was stored, otherwise the message of the failed check (and
    // nothing of the file is stored). A load started while another one runs
    // (from a timer during a yield) returns "A load is already in progress"
    // at once.
    QString LoadBox(const QString &FileName, const QString &Direction);

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
};

// Messages of the loader that its callers and tests compare with.
namespace loader_messages {
inline const char *const kLoadInProgress = "A load is already in progress";
inline const char *const kPartnerRegistrationFailed = "Trading Partner Registration Failed";
inline const char *const kErrorSavingSet = "Error Saving Transaction Set";
} // namespace loader_messages

} // namespace core
