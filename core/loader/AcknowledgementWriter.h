#pragma once
// The 997 functional acknowledgement generator: answers the selected Inbox
// rows of one key with one interchange, written into the Outbound folder and
// loaded into the Outbox; the rows are marked acknowledged once that worked.
// frmMain.GenerateAcknowledgement is a thin call of GenerateAcknowledgement.

#include "core/loader/WorkProgress.h"

#include <QHash>
#include <QString>

#include <functional>
#include <vector>

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

// One answered set: its ST01 and ST02 and whether it was found in error.
struct AnsweredSet {
    QString st01, st02;
    bool rejected = false;
};

// The answered sets of one functional group, answered by one 997 set.
struct AnsweredGroup {
    QString interchangeControlNumber, functionalGroup, groupControlNumber;
    std::vector<AnsweredSet> sets;
};

// The answered sets grouped by the functional group they came in (the
// interchange's control number, the group's identifier and control number:
// a partner may use one GS06 in several interchanges): groups in the order of
// their first set, sets in the order they were added.
class AnsweredGroups {
public:
    void add(const QString &interchangeControlNumber, const QString &functionalGroup,
             const QString &groupControlNumber, AnsweredSet set);
    const std::vector<AnsweredGroup> &groups() const { return m_groups; }

private:
    std::vector<AnsweredGroup> m_groups;
    QHash<QString, size_t> m_index; // interchange, functional group and control number -> position
};

// What a 997 interchange takes from the partner: its ISA and GS segments as
// built for it (each ending with the terminator), their control numbers
// (ISA13, GS06) and its terminator and element separator.
struct AcknowledgementEnvelope {
    QString isa, gs, isa13, gs06, terminator, separator;
};

// The 997 interchange answering `groups`: one 997 set a group, numbered from
// 000000001, each accepting or rejecting its sets (AK5) and the group (AK9:
// A all accepted, R none, P some), inside the envelope's ISA and GS.
QString AcknowledgementText(const AcknowledgementEnvelope &envelope, const std::vector<AnsweredGroup> &groups);

} // namespace core
