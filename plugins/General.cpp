#include "General.h"

#include "LocationPicker.h"
#include "Readers.h"

#include "com/AdoDispatch.h"

namespace lorvanne {

namespace {

// A record-set property: Set takes a record set or Nothing.
ado::RecordsetPtr assignedRecordset(const vb::Variant &value)
{
    return com::recordsetOf(value);
}

} // namespace

com::DispatchTable<General> General::describe()
{
    com::DispatchTable<General> t(QStringLiteral("General"));
    t.property(
        QStringLiteral("rsOrders"), [](General &g) { return com::toVariant(g.rsOrders); }, {},
        [](General &g, const vb::Variant &v) { g.rsOrders = assignedRecordset(v); });
    t.property(
        QStringLiteral("rsInventory"), [](General &g) { return com::toVariant(g.rsInventory); }, {},
        [](General &g, const vb::Variant &v) { g.rsInventory = assignedRecordset(v); });
    t.method(QStringLiteral("Orders"), 0, 0, [](General &g, com::Args &) { return vb::Variant(g.Orders()); });
    t.method(QStringLiteral("Inventory"), 0, 0, [](General &g, com::Args &) { return vb::Variant(g.Inventory()); });
    t.method(QStringLiteral("GetLocation"), 0, 0, [](General &g, com::Args &) { return vb::Variant(g.GetLocation()); });
    return t;
}

// The reader keeps its own reference: while it yields to window messages a
// caller may assign another record set to the property.
bool General::Orders()
{
    const ado::RecordsetPtr rs = newOrdersRecordset();
    rsOrders = rs;
    return readOrders(*rs);
}

bool General::Inventory()
{
    const ado::RecordsetPtr rs = newInventoryRecordset();
    rsInventory = rs;
    return readInventory(*rs);
}

QString General::GetLocation()
{
    return lorvanne::GetLocation();
}

} // namespace lorvanne
