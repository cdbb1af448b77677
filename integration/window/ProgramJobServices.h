#pragma once
// The job runner's services as the program gives them: the Inbox selection,
// the 997 acknowledgement, the plug-in and report commands on the main
// window's Inbox list, the outbound translation of a job's key and the list
// refresh. What the main window must lend is in MailboxAccess; a piece it
// does not lend leaves its service missing, which fails the job.

#include "integration/JobRunner.h"

#include <QString>

#include <functional>

namespace controls {
class ListView;
}

namespace core {
class WorkProgress;
}

namespace core {
struct SetKey;
}

namespace integration {

struct MailboxAccess {
    controls::ListView *inbox = nullptr;
    controls::ListView *recycled = nullptr;
    // Selects exactly the rows of the key; true when any matched.
    std::function<bool(controls::ListView &, const QString &partner, const QString &transaction,
                       const QString &version, const QString &direction)>
        makeUniqueSelection;
    // The key of the selected rows ("P,T,V,D") or empty text.
    std::function<QString(controls::ListView &)> isSelectionUnique;
    // Refills the list of a table ("Inbox", "Recycled").
    std::function<void(const QString &table)> refreshBox;
    core::WorkProgress *progress = nullptr;
};

// The services over the main window's lists. `runQuery` is the window's
// query of the job's data source.
JobServices ProgramJobServices(const MailboxAccess &access, std::function<bool(const Job &)> runQuery);

// The previous schedule of an 862: selects in the Recycled list exactly the
// key's rows of the interchange moved there last. False when it has none.
bool SelectPreviousSchedule(controls::ListView &recycled, const core::SetKey &key);

} // namespace integration
