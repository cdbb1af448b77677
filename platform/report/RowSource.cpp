#include "report/RowSource.h"

#include "vb/VbError.h"

namespace report {

int RowSource::fieldIndex(const QString &name) const
{
    const auto &f = fields();
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<FieldDef> fieldsOf(const ado::Recordset &recordset)
{
    std::vector<FieldDef> out;
    for (const ado::Field &f : recordset.Fields())
        out.push_back({f.Name(), f.Type(), f.DefinedSize(), f.Precision(), f.NumericScale()});
    return out;
}

RecordsetSource::RecordsetSource(ado::RecordsetPtr recordset)
    : m_rs(std::move(recordset))
{
    if (!m_rs)
        vb::raise(91);
    m_fields = fieldsOf(*m_rs);
}

long RecordsetSource::rowCount()
{
    if (m_rs->State() != ado::adStateOpen)
        return 0;
    const long n = m_rs->RecordCount();
    return n < 0 ? 0 : n;
}

void RecordsetSource::readRow(long index, std::vector<vb::Variant> &values)
{
    if (index < 0 || index >= rowCount())
        vb::raise(9);
    if (index == m_current + 1 && m_current >= 0 && m_rs->AbsolutePosition() == m_current + 1) {
        m_rs->MoveNext();
    } else if (index == 0) {
        m_rs->MoveFirst();
    } else {
        m_rs->setAbsolutePosition(index + 1);
    }
    m_current = index;
    const int n = static_cast<int>(m_fields.size());
    values.resize(n);
    ado::Fields &fields = m_rs->Fields();
    for (int i = 0; i < n; ++i)
        values[i] = fields.Item(i).Value();
}

void MemorySource::readRow(long index, std::vector<vb::Variant> &values)
{
    if (index < 0 || index >= rowCount())
        vb::raise(9);
    values = m_data.rows[index];
    values.resize(m_data.fields.size());
}

} // namespace report
