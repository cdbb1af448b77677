#pragma once
// A small in-memory record set for tests that reach record sets from scripts
// or through the late-bound adapters.

#include "ado/Recordset.h"

#include <memory>
#include <utility>

namespace corvantis::test {

// Open and empty, with the updatable columns Part (text) and Qty (number).
inline ado::RecordsetPtr emptyParts()
{
    auto rs = std::make_shared<ado::Recordset>();
    rs->Fields().Append("Part", ado::adVarChar, 10, ado::adFldUpdatable);
    rs->Fields().Append("Qty", ado::adInteger, 6, ado::adFldUpdatable);
    rs->Open();
    return rs;
}

// The rows ("B", 2), ("A", 1), ("C", 3), in that order; the cursor stays on
// the last row added.
inline ado::RecordsetPtr parts()
{
    auto rs = emptyParts();
    for (auto [part, qty] : {std::pair{"B", 2}, {"A", 1}, {"C", 3}}) {
        rs->AddNew();
        rs->Fields("Part").setValue(vb::Variant(part));
        rs->Fields("Qty").setValue(vb::Variant(int32_t(qty)));
        rs->Update();
    }
    return rs;
}

} // namespace corvantis::test
