#pragma once
// The 997 functional acknowledgement generator: answers the selected Inbox
// rows of one key with one interchange, written into the Outbound folder and
// loaded into the Outbox; the rows are marked acknowledged once that worked.
// frmMain.GenerateAcknowledgement is a thin call of GenerateAcknowledgement.

#include "core/loader/WorkProgress.h"

#include <QString>

#include <functional>

namespace core {

class AcknowledgementWriter {
public:
    explicit AcknowledgementWriter(WorkProgress *progress = nullptr);

    // Answers the selected rows of the Inbox list. `selectionKey` is the main
    // window's IsSelectionUnique of that list (partner, transaction set,
    // version and direction joined by ",", or empty text). Returns the path
    // of the written interchange file, or empty text when none was written.
    QString GenerateAcknowledgement(const MailboxSelection &selection, const std::function<QString()> &selectionKey);

private:
    WorkProgress *m_progress;
};

} // namespace core
