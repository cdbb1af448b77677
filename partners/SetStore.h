#pragma once
// The transaction sets of a partner (table Transactions) with their maps
// (Segment, Element) and per-set files: listing, showing, saving, deleting,
// adding with the seed map, and binding a plug-in class. Every command that
// writes more than one row runs in one database transaction, and every change
// is announced through the transactions notifier.

#include "ado/Connection.h"
#include "core/SetKey.h"

#include <QString>
#include <QVector>

namespace partners {

// One row of a page's list.
struct SetListRow {
    QString Transaction;
    QString Version;
    QString Group;
    QString ActiveX;
};

// The detail fields of one set.
struct SetDetail {
    QString Versionoverride;
    QString ControlNumber; // the number as text
    bool Acknowledge = false;
    QString Description;
};

using SetKey = core::SetKey;

// "Transation T Version V already exist." (the duplicate message).
QString duplicateSetMessage(const QString &transaction, const QString &version);

// The ProgID bound for a library file chosen for a set: the file's name up to
// its last ".", then "." and the key P_T_V_D. Raises 5 for a file name with
// nothing before its extension.
QString progIdFor(const QString &libraryFile, const SetKey &key);

class SetStore {
public:
    explicit SetStore(ado::ConnectionPtr connection);

    // The partner's sets of one direction, ordered by transaction set.
    QVector<SetListRow> list(const QString &partner, const QString &direction) const;
    // The set's row; raises 3021 when it is gone.
    SetDetail detail(const SetKey &key) const;
    bool exists(const SetKey &key) const;

    // Writes the three settings: the override upper-cased, the control number
    // only when the box's text reads as a number, the acknowledgement flag.
    // Raises 3021 when the set is gone.
    void save(const SetKey &key, const QString &override, const QString &controlNumberText, bool acknowledge);

    // Deletes the set's Transactions row and every Segment and Element row of
    // its key in one transaction (a key whose set row is gone still loses its map).
    void remove(const SetKey &key);

    // Adds the set with its seed map rows in one transaction and, once that is
    // committed, creates (or empties) its per-set file. A folder that cannot
    // take the file refuses the set first (75); a failed commit adds nothing
    // and leaves the file as it was; a file that still cannot be made after
    // the commit raises 75 with the set added. Returns false (adding nothing)
    // when the table holds the key already.
    bool add(const SetKey &key, const QString &group, const QString &description);

    // Stores a ProgID (empty text unbinds); raises 3021 when the set is gone.
    void setActiveX(const SetKey &key, const QString &progId);

private:
    ado::ConnectionPtr m_cn;
};

} // namespace partners
