#pragma once
// Which transaction set: partner, transaction set, version and direction.
// One value for the key wherever it travels: its file stem "P_T_V_D", the
// text "P,T,V,D" a unique selection gives, and the condition that picks the
// set's rows out of a table with the key bound as values, never spliced in.

#include "ado/Connection.h"

#include <QString>

namespace core {

struct SetKey {
    QString partner;
    QString transaction;
    QString version;
    QString direction;

    // "P_T_V_D", as History entries and per-set files name the set (a file
    // name goes through modGlobal::SetFileName, which refuses unsafe keys).
    QString fileStem() const;
    // "P,T,V,D", as a unique selection gives it.
    QString text() const;
    // From "P,T,V,D". A partner name may hold a comma (set, version and
    // direction never do), so the last three parts are those three and the
    // rest is the partner. Text of fewer than four parts gives an empty key.
    static SetKey fromSelection(const QString &text);
    bool isEmpty() const
    {
        return partner.isEmpty() && transaction.isEmpty() && version.isEmpty() && direction.isEmpty();
    }

    // "Table.Partner = ? AND Table.Version = ? AND Table.Transaction = ?
    // AND Table.Direction = ?" for a table with the four key columns; open it
    // with values() (more values may follow for placeholders after it).
    QString condition(const QString &table) const;
    // The key's values in the order of condition().
    ado::Parameters values() const;

    friend bool operator==(const SetKey &, const SetKey &) = default;
};

} // namespace core
