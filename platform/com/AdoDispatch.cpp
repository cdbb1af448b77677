#include "com/AdoDispatch.h"
#include "com/ClassRegistry.h"

namespace com {

using vb::Variant;

namespace {

Variant fieldObject(const ado::RecordsetPtr &rs, int index)
{
    return Variant(vb::ObjectPtr(std::make_shared<FieldDispatch>(rs, index)));
}

// Fields("name") or Fields(0): text is a name, anything else a position.
ado::Field &fieldAt(ado::Recordset &rs, const Variant &index)
{
    const Variant key = com::defaultValue(index);
    if (key.isString())
        return rs.Fields(key.rawString());
    return rs.Fields(int(key.toLong()));
}

// AddNew and Update take an optional field list (a name, a position or an
// array of them) with the matching values.
void assignFields(ado::Recordset &rs, Args &a)
{
    if (!a.has(0))
        return;
    const Variant &names = a[0];
    const Variant &values = a.required(1);
    if (names.isArray() != values.isArray())
        vb::raise(ado::adErrInvalidArgument);
    if (!names.isArray()) {
        fieldAt(rs, names).setValue(com::defaultValue(values));
        return;
    }
    const auto &n = names.rawArray()->data;
    const auto &v = values.rawArray()->data;
    if (n.size() != v.size())
        vb::raise(ado::adErrInvalidArgument);
    for (size_t i = 0; i < n.size(); ++i)
        fieldAt(rs, n[i]).setValue(com::defaultValue(v[i]));
}

Variant longValue(long v) { return Variant(int32_t(v)); }

} // namespace

DispatchTable<RecordsetDispatch> RecordsetDispatch::describe()
{
    using R = RecordsetDispatch;
    DispatchTable<R> t(QStringLiteral("Recordset"));
    t.property("Fields", [](R &r) { return Variant(vb::ObjectPtr(std::make_shared<FieldsDispatch>(r.m_rs))); });
    t.property("EOF", [](R &r) { return Variant(r.m_rs->Eof()); });
    t.property("BOF", [](R &r) { return Variant(r.m_rs->Bof()); });
    t.property("RecordCount", [](R &r) { return longValue(r.m_rs->RecordCount()); });
    t.property("AbsolutePosition", [](R &r) { return longValue(r.m_rs->AbsolutePosition()); },
               [](R &r, const Variant &v) { r.m_rs->setAbsolutePosition(com::defaultValue(v).toLong()); });
    t.property("Bookmark", [](R &r) { return r.m_rs->Bookmark(); },
               [](R &r, const Variant &v) { r.m_rs->setBookmark(com::defaultValue(v)); });
    t.property("Filter", [](R &r) { return Variant(r.m_rs->Filter()); },
               [](R &r, const Variant &v) { r.m_rs->setFilter(com::defaultValue(v)); });
    t.property("Sort", [](R &r) { return Variant(r.m_rs->Sort()); },
               [](R &r, const Variant &v) { r.m_rs->setSort(com::defaultValue(v).toString()); });
    t.property("State", [](R &r) { return longValue(r.m_rs->State()); });
    t.property("EditMode", [](R &r) { return longValue(r.m_rs->EditMode()); });
    t.method("MoveFirst", 0, 0, [](R &r, Args &) { r.m_rs->MoveFirst(); return Variant(); });
    t.method("MoveNext", 0, 0, [](R &r, Args &) { r.m_rs->MoveNext(); return Variant(); });
    t.method("MovePrevious", 0, 0, [](R &r, Args &) { r.m_rs->MovePrevious(); return Variant(); });
    t.method("MoveLast", 0, 0, [](R &r, Args &) { r.m_rs->MoveLast(); return Variant(); });
    t.method("Move", 1, 1, [](R &r, Args &a) { r.m_rs->Move(a.required(0).toLong()); return Variant(); });
    t.method("AddNew", 0, 2, [](R &r, Args &a) {
        r.m_rs->AddNew();
        if (a.has(0)) {
            assignFields(*r.m_rs, a);
            r.m_rs->Update();
        }
        return Variant();
    });
    t.method("Update", 0, 2, [](R &r, Args &a) {
        assignFields(*r.m_rs, a);
        r.m_rs->Update();
        return Variant();
    });
    t.method("CancelUpdate", 0, 0, [](R &r, Args &) { r.m_rs->CancelUpdate(); return Variant(); });
    // Delete([AffectRecords = adAffectCurrent]): only the current row.
    t.method("Delete", 0, 1, [](R &r, Args &a) {
        if (a.toLong(0, 1) != 1)
            vb::raise(ado::adErrInvalidArgument);
        r.m_rs->Delete();
        return Variant();
    });
    t.method("Close", 0, 0, [](R &r, Args &) { r.m_rs->Close(); return Variant(); });
    t.defaultMember("Fields");
    return t;
}

std::vector<Variant> FieldsDispatch::enumerate()
{
    std::vector<Variant> items;
    const int n = m_rs->Fields().Count();
    items.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        items.push_back(fieldObject(m_rs, i));
    return items;
}

DispatchTable<FieldsDispatch> FieldsDispatch::describe()
{
    using F = FieldsDispatch;
    DispatchTable<F> t(QStringLiteral("Fields"));
    t.property("Count", [](F &f) { return Variant(int32_t(f.m_rs->Fields().Count())); });
    t.indexedProperty("Item", 1, 1, [](F &f, Args &a) {
        return fieldObject(f.m_rs, fieldAt(*f.m_rs, a.required(0)).index());
    });
    t.defaultMember("Item");
    return t;
}

DispatchTable<FieldDispatch> FieldDispatch::describe()
{
    using F = FieldDispatch;
    DispatchTable<F> t(QStringLiteral("Field"));
    t.property("Value", [](F &f) { return f.field().Value(); },
               [](F &f, const Variant &v) { f.field().setValue(com::defaultValue(v)); });
    t.property("Name", [](F &f) { return Variant(f.field().Name()); });
    t.property("Type", [](F &f) { return Variant(int32_t(f.field().Type())); });
    t.property("DefinedSize", [](F &f) { return longValue(f.field().DefinedSize()); });
    t.property("ActualSize", [](F &f) { return longValue(f.field().ActualSize()); });
    t.property("Precision", [](F &f) { return Variant(f.field().Precision()); });
    t.property("NumericScale", [](F &f) { return Variant(f.field().NumericScale()); });
    t.property("Attributes", [](F &f) { return longValue(f.field().Attributes()); });
    t.property("OriginalValue", [](F &f) { return f.field().OriginalValue(); });
    t.defaultMember("Value");
    return t;
}

Variant toVariant(const ado::RecordsetPtr &rs)
{
    if (!rs)
        return Variant::nothing();
    return Variant(vb::ObjectPtr(std::make_shared<RecordsetDispatch>(rs)));
}

ado::RecordsetPtr recordsetOf(const Variant &value)
{
    if (value.isEmpty() || value.isNothing())
        return nullptr;
    if (value.isObject()) {
        const vb::ObjectPtr &obj = value.rawObject();
        if (auto *adapter = dynamic_cast<RecordsetDispatch *>(obj.get()))
            return adapter->recordset();
        if (auto rs = std::dynamic_pointer_cast<ado::Recordset>(obj))
            return rs;
    }
    vb::raise(13);
}

bool registerAdoAdapter()
{
    registerDispatchAdapter(QStringLiteral("ado::Recordset"), [](const vb::ObjectPtr &obj) -> DispatchPtr {
        if (auto rs = std::dynamic_pointer_cast<ado::Recordset>(obj))
            return std::make_shared<RecordsetDispatch>(rs);
        return nullptr;
    });
    return true;
}

} // namespace com
