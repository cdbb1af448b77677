#pragma once
// The readers of the partner's work-order file "Orders.csv" and stock file
// "Inventory.csv" in the import folder, each into a new in-memory record set.

#include "ado/Recordset.h"

namespace lorvanne {

// The empty record sets, fields in file order.
ado::RecordsetPtr newOrdersRecordset();    // WO_PartNumber, WO_ID, WO_Qty, WO_Date, WO_Rev
ado::RecordsetPtr newInventoryRecordset(); // PartNumber, Description, Available, Allocated

// Reads the file into `rs` (made by the matching function above). True when
// the whole file was read; on any failure the user has been shown a
// "Lorvanne" box naming the error, the line number and the line, the rows
// before that line stay and false is returned. Blank lines are skipped but
// counted.
bool readOrders(ado::Recordset &rs);
bool readInventory(ado::Recordset &rs);

} // namespace lorvanne
