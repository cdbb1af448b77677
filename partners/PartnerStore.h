#pragma once
// The partner rows of the partner window: the record set "SELECT * FROM
// Partner" in the table's order with its current row, the name rules, and
// the commands that add, save (and rename) and remove a partner. Every
// command that writes more than one row runs in one database transaction.

#include "ado/Connection.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace ado {
class Recordset;
}

namespace partners {

// A Partner row as the window shows it.
struct PartnerRow {
    QString Partner;
    int Segment = 0;
    int element = 0;
    int sub = 0;
    QString ISAVersion;
    int ISAVersionIndex = 0;
    QString ISA01, ISA02, ISA03, ISA04, ISA05, ISA06, ISA07, ISA08, ISA11, ISA12;
    qint64 ISA13 = 0;
    QString ISA14, ISA15;
    QString GS02, GS03;
    qint64 GS06 = 0;
    QString GS07;
};

// A counter the user changed in its box: the number typed, and whether the
// user agreed to set the counter back (a smaller number than the stored one).
struct CounterEdit {
    qint64 value = 0;
    bool backAllowed = false;
};

// The two envelope counters as stored now.
struct Counters {
    qint64 ISA13 = 0;
    qint64 GS06 = 0;
};

// A counter box's text as a number; nullopt when it does not read as one.
std::optional<qint64> counterValue(const QString &boxText);

// What the controls of the edit mode hold when Save writes them back.
struct PartnerEdit {
    QString Partner;        // the trimmed name
    int Segment = 0;        // list positions: the character codes
    int element = 0;
    int sub = 0;
    QString ISAVersion;     // the version shown
    int ISAVersionIndex = 0;
    QString ISA01, ISA02, ISA03, ISA04, ISA05, ISA06, ISA07, ISA08, ISA11, ISA12;
    // The counters only when the user changed them; nullopt keeps the stored
    // number, which a run may have advanced while the window was open.
    std::optional<CounterEdit> ISA13;
    int ISA14 = 0;          // position in "No", "Yes"
    int ISA15 = 0;          // position in "Production", "Test"
    QString GS02, GS03;
    std::optional<CounterEdit> GS06;
    QString GS07;
};

// Add takes letters and digits; a name edited later may also hold "\".
// Neither may hold "/", since the per-set files are named by the key.
enum class NameRule { Add, Save };

struct NameRefusal {
    QString message;
    int icon = 0; // vb::vbCritical or vb::vbExclamation
};
// Why a name (already trimmed for Save) is refused; nullopt when accepted.
std::optional<NameRefusal> refuseName(const QString &name, NameRule rule);

// An envelope value at its X12 width: shorter text is padded with blanks,
// longer text is kept whole (never cut).
QString atWidth(const QString &text, int width);

// Why Save refuses the delimiters or envelope values, naming the field: an
// interchange made with them could not be read. A delimiter that is NULL, a
// letter or a digit, or the same as another (the terminator CR/LF holds both
// characters); an envelope value holding a delimiter or longer than its X12
// width; ISA12 other than five digits; a counter box (ISA13, GS06) holding
// anything but digits, or that dropped a character typed into it. nullopt
// when all are usable.
struct CounterBox {
    QString text;
    bool droppedInput = false; // its mask refused a character as it was typed
};
std::optional<QString> refuseEnvelope(const PartnerEdit &edit, const CounterBox &isa13, const CounterBox &gs06);

// The partner's rows in each mailbox list that holds any ("Inbox", "Outbox",
// "Sent", "Recycled" in this order).
struct ListCount {
    QString list;
    long count = 0;
};
// Why Remove refuses while lists hold the partner's rows, naming them and
// their counts; nullopt when none does.
std::optional<QString> refuseRemoval(const QString &name, const std::vector<ListCount> &held);

struct SetCounts {
    long inbound = 0;
    long outbound = 0;
};

class PartnerStore {
public:
    explicit PartnerStore(ado::ConnectionPtr connection);
    ~PartnerStore();
    PartnerStore(const PartnerStore &) = delete;
    PartnerStore &operator=(const PartnerStore &) = delete;

    // Opens the partner rows, standing on the first.
    void open();
    void close();
    bool isOpen() const;
    // Open and standing on a row (not at both its beginning and its end).
    bool hasRows() const;

    void moveFirst();
    void moveLast();
    // False when the move passed the beginning (end): the set then stands
    // on the first (last) row again.
    bool movePrevious();
    bool moveNext();
    long position() const; // 1-based
    long count() const;

    // The current row; raises when there is none.
    PartnerRow current() const;
    QString currentName() const;

    // Adds a row by name alone, which then is the current row. A name another
    // partner has (letter case ignored) is refused as the table refuses it;
    // after any failure nothing is pending.
    void add(const QString &name);

    // The current partner's counters as the table holds them now.
    Counters storedCounters() const;

    // Writes the edited values to the current row. A counter is written only
    // forward of the stored one, or back when the edit allows it. A changed
    // name is carried through the partner's sets, maps, mailbox and envelope
    // rows and every file named by a set's key, all or none: a new file name
    // that is taken already refuses the rename (58, naming it) before
    // anything changes. Then the untouched default reports take the new name
    // in their title; returns one line per report that could not. On failure
    // nothing is written or renamed and nothing stays pending.
    QStringList save(const PartnerEdit &edit);

    // The partner's sets of each direction.
    SetCounts setCounts(const QString &name) const;
    // The partner's rows in the mailbox lists that hold any: without the
    // partner they could be neither shown nor sent.
    std::vector<ListCount> mailboxCounts(const QString &name) const;

    // Removes the current partner with its sets and maps in one transaction,
    // then stands on the first remaining row.
    void remove();

private:
    long countOf(const QString &statement) const;
    void reopenAt(long position);
    void refuseDuplicate(const QString &name, qint64 exceptRowid) const;

    ado::ConnectionPtr m_cn;
    std::unique_ptr<ado::Recordset> m_rs;
};

} // namespace partners
