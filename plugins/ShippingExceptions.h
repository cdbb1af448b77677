#pragma once
// Lorvanne.Freightliner_862_003020_I: reduces a translated shipping schedule
// to its exceptions against the previous one: new lines, lines whose
// quantity changed ("QTY WAS n IS m") and lines gone ("REMOVED").

#include "ado/Recordset.h"
#include "com/HostObject.h"

namespace lorvanne {

class Freightliner_862_003020_I : public com::HostClass<Freightliner_862_003020_I> {
public:
    static com::DispatchTable<Freightliner_862_003020_I> describe();

    // Changes both record sets in place; false (and no message) on any
    // error, the changes made up to then kept.
    bool ActiveX(const vb::Variant &rsRecordNew, const vb::Variant &rsRecordOld);
};

} // namespace lorvanne
