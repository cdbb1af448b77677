#pragma once
// Lorvanne.General: the partner's order and stock files as record sets, and
// the shipping location picker.

#include "ado/Recordset.h"
#include "com/HostObject.h"

namespace lorvanne {

class General : public com::HostClass<General> {
public:
    static com::DispatchTable<General> describe();

    // Each run replaces its record set by a new one read from the file.
    bool Orders();
    bool Inventory();
    // Shows the location picker and returns the stored choice as text.
    QString GetLocation();

    ado::RecordsetPtr rsOrders;
    ado::RecordsetPtr rsInventory;
};

} // namespace lorvanne
