#pragma once
// Lorvanne.Freightliner_830_002000_I: turns the translated planning schedule
// (one row per forecast quantity) into one schedule row per part, with its
// work orders and stock from the partner's files, the quantity in transit
// netted against the forecast, and day and week buckets from the base Monday.

#include "ado/Recordset.h"
#include "com/HostObject.h"

namespace lorvanne {

class Freightliner_830_002000_I : public com::HostClass<Freightliner_830_002000_I> {
public:
    static com::DispatchTable<Freightliner_830_002000_I> describe();

    // False when the orders or the stock file cannot be read (the reader has
    // told the user); any other failure raises 1001 "ActiveX Failed" and leaves
    // rsRecord as it was. On success rsRecord holds the schedule record set.
    bool ActiveX(vb::Variant &rsRecord);

    ado::RecordsetPtr rsScheduler;
};

} // namespace lorvanne
