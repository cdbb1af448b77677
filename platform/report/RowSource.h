#pragma once
// The rows a report shows and exports: the record set bound to it, or the
// rows a report file keeps. Rows are read by number, so a page can be laid
// out without reading the rows before it.

#include "report/Model.h"

#include "ado/Recordset.h"

#include <memory>
#include <vector>

namespace report {

class RowSource {
public:
    virtual ~RowSource() = default;
    virtual const std::vector<FieldDef> &fields() const = 0;
    virtual long rowCount() = 0;
    // Row `index` (0-based) into `values`, one value per field.
    virtual void readRow(long index, std::vector<vb::Variant> &values) = 0;
    // The position of a field by name (letter case ignored), -1 when absent.
    int fieldIndex(const QString &name) const;
};

// Reads an open record set; moves its cursor, and reads forward with MoveNext
// when rows are asked in order.
class RecordsetSource final : public RowSource {
public:
    explicit RecordsetSource(ado::RecordsetPtr recordset);
    const std::vector<FieldDef> &fields() const override { return m_fields; }
    long rowCount() override;
    void readRow(long index, std::vector<vb::Variant> &values) override;
    const ado::RecordsetPtr &recordset() const { return m_rs; }

private:
    ado::RecordsetPtr m_rs;
    std::vector<FieldDef> m_fields;
    long m_current = -1;
};

class MemorySource final : public RowSource {
public:
    MemorySource() = default;
    explicit MemorySource(SavedData data) : m_data(std::move(data)) {}
    const std::vector<FieldDef> &fields() const override { return m_data.fields; }
    long rowCount() override { return static_cast<long>(m_data.rows.size()); }
    void readRow(long index, std::vector<vb::Variant> &values) override;
    SavedData &data() { return m_data; }

private:
    SavedData m_data;
};

// The fields of a record set as the report engine describes them.
std::vector<FieldDef> fieldsOf(const ado::Recordset &recordset);

} // namespace report
