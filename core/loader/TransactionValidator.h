#pragma once
// The transaction-set validator: checks selected mailbox rows against their
// partner's map (Segment and Element rows of the selection's key), marks each
// "Validated" or "Error", records the first finding of each set and a summary
// in the History log. frmMain.ValidateBox is a thin call of ValidateBox here.

#include "core/loader/WorkProgress.h"

#include <QString>

#include <functional>
#include <memory>

class clsHashTable;

namespace core {

class TransactionValidator {
public:
    explicit TransactionValidator(WorkProgress *progress = nullptr);
    ~TransactionValidator();

    // Validates the selected rows. `selectionKey` is the main window's
    // IsSelectionUnique of the list: partner, transaction set, version and
    // direction joined by ",", or empty text (it has told the user why).
    void ValidateBox(const MailboxSelection &selection, const std::function<QString()> &selectionKey);

    // Checks one set's text; true when it passes. A set that fails gets
    // exactly one History entry.
    bool ValidateTransactionSet(const QString &strPartner, const QString &strTransaction,
                                const QString &strVersion, const QString &strDirection, const QString &strTSet,
                                const QString &strSegmentTerminator, const QString &strElementSeparator,
                                const QString &strSubElementSeparator);

    // What the History and the status bar say when the key has no map (no
    // Segment row): partner, transaction set, version and direction.
    static QString noMapText(const QString &partner, const QString &transaction, const QString &version,
                             const QString &direction);

    // A key's map as the check reads it: its Segment and Element rows, read
    // once for a whole run (and once for a set checked on its own).
    struct Map;

private:
    bool check(const Map &map, const QString &strTSet, const QString &preview, const QString &strSegmentTerminator,
               const QString &strElementSeparator, const QString &strSubElementSeparator);

    WorkProgress *m_progress;
    std::unique_ptr<clsHashTable> m_usage;
};

} // namespace core
