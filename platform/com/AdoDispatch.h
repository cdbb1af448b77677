#pragma once
// Record sets reached by name: scripts and plug-ins use the data layer's
// ado::Recordset, Fields and Field through these adapters, and C++ code and
// scripts share one record set (same rows, same current row).
//
//   Record("Name")                     -> Fields.Item("Name"), a Field
//   Record("Name") = v                 -> Fields.Item("Name").Value = v
//   Record.Fields("Name").Value        -> the value of the current row
//   For Each f In Record.Fields        -> the Field objects in field order

#include "ado/Recordset.h"
#include "com/HostObject.h"

namespace com {

class RecordsetDispatch : public HostClass<RecordsetDispatch> {
public:
    explicit RecordsetDispatch(ado::RecordsetPtr rs) : m_rs(std::move(rs)) {}
    static DispatchTable<RecordsetDispatch> describe();
    const ado::RecordsetPtr &recordset() const { return m_rs; }

private:
    ado::RecordsetPtr m_rs;
};

class FieldsDispatch : public HostClass<FieldsDispatch> {
public:
    explicit FieldsDispatch(ado::RecordsetPtr rs) : m_rs(std::move(rs)) {}
    static DispatchTable<FieldsDispatch> describe();
    std::vector<vb::Variant> enumerate() override;
    const ado::RecordsetPtr &recordset() const { return m_rs; }

private:
    ado::RecordsetPtr m_rs;
};

// One column of the record set; it follows the current row as the classic
// Field object does.
class FieldDispatch : public HostClass<FieldDispatch> {
public:
    FieldDispatch(ado::RecordsetPtr rs, int index) : m_rs(std::move(rs)), m_index(index) {}
    static DispatchTable<FieldDispatch> describe();
    ado::Field &field() const { return m_rs->Fields(m_index); }

private:
    ado::RecordsetPtr m_rs;
    int m_index;
};

// A Variant holding the record set as scripts see it (Nothing for null).
vb::Variant toVariant(const ado::RecordsetPtr &rs);

// The record set a Variant holds, as a script or plug-in left it: the
// adapter or a plain ado::Recordset; null for Nothing or Empty; 13 (type
// mismatch) for any other value.
ado::RecordsetPtr recordsetOf(const vb::Variant &value);

// Lets com::toDispatch reach a plain ado::Recordset put into a Variant. Every
// program linking platform_com_ado calls it before main; calling it again does
// no harm.
bool registerAdoAdapter();

} // namespace com
