#include "Variant.h"

#include "VbError.h"

#include <cmath>
#include <limits>

namespace vb {

// ---- SafeArray -------------------------------------------------------------

int32_t SafeArray::lbound(int dim) const
{
    if (dim < 1 || dim > dims())
        raise(9);
    return bounds[dim - 1].lower;
}

int32_t SafeArray::ubound(int dim) const
{
    if (dim < 1 || dim > dims())
        raise(9);
    return bounds[dim - 1].lower + bounds[dim - 1].count - 1;
}

static size_t flatIndex(const SafeArray &a, const std::vector<int32_t> &index)
{
    if (index.size() != a.bounds.size())
        raise(9);
    size_t flat = 0, stride = 1;
    for (size_t d = 0; d < index.size(); ++d) {
        const auto &b = a.bounds[d];
        const int64_t off = int64_t(index[d]) - b.lower;
        if (off < 0 || off >= b.count)
            raise(9);
        flat += size_t(off) * stride;
        stride *= size_t(b.count);
    }
    return flat;
}

Variant &SafeArray::at(const std::vector<int32_t> &index) { return data[flatIndex(*this, index)]; }
const Variant &SafeArray::at(const std::vector<int32_t> &index) const { return data[flatIndex(*this, index)]; }

// ---- construction ----------------------------------------------------------

Variant::Variant(bool v) : m_type(VarType::Boolean), m_i(v ? -1 : 0) {}
Variant::Variant(int16_t v) : m_type(VarType::Integer), m_i(v) {}
Variant::Variant(int32_t v) : m_type(VarType::Long), m_i(v) {}
Variant::Variant(uint8_t v) : m_type(VarType::Byte), m_i(v) {}
Variant::Variant(float v) : m_type(VarType::Single), m_d(v) {}
Variant::Variant(double v) : m_type(VarType::Double), m_d(v) {}
Variant::Variant(const QString &v) : m_type(VarType::String), m_str(v) {}
Variant::Variant(QString &&v) : m_type(VarType::String), m_str(std::move(v)) {}
Variant::Variant(const char *v) : m_type(VarType::String), m_str(QString::fromUtf8(v)) {}
Variant::Variant(ObjectPtr v) : m_type(VarType::Object), m_obj(std::move(v)) {}
Variant::Variant(ArrayPtr v) : m_type(VarType::Array), m_arr(std::move(v)) {}

Variant Variant::null()
{
    Variant v;
    v.m_type = VarType::Null;
    return v;
}

Variant Variant::nothing() { return Variant(ObjectPtr()); }

Variant Variant::fromLong(int32_t v) { return Variant(v); }

Variant Variant::fromCurrency(int64_t scaled)
{
    Variant v;
    v.m_type = VarType::Currency;
    v.m_i = scaled;
    return v;
}

Variant Variant::fromCurrencyValue(double d)
{
    const double scaled = std::nearbyint(d * 10000.0); // default rounding mode: half to even
    if (!std::isfinite(scaled) || std::fabs(scaled) > 9.2233720368547758e18)
        raise(6);
    return fromCurrency(static_cast<int64_t>(scaled));
}

Variant Variant::fromDate(double oleDate)
{
    Variant v;
    v.m_type = VarType::Date;
    v.m_d = oleDate;
    return v;
}

Variant Variant::fromError(int32_t code)
{
    Variant v;
    v.m_type = VarType::Error;
    v.m_i = code;
    return v;
}

static constexpr int32_t kMissingCode = int32_t(0x80020004u); // DISP_E_PARAMNOTFOUND

Variant Variant::missing() { return fromError(kMissingCode); }

bool Variant::isMissing() const { return m_type == VarType::Error && m_i == kMissingCode; }

Variant Variant::fromDecimal(double d)
{
    Variant v;
    v.m_type = VarType::Decimal;
    v.m_d = d;
    return v;
}

int Variant::varType() const
{
    if (m_type == VarType::Array)
        return int(VarType::Array) | int(VarType::Variant);
    return int(m_type);
}

QString Variant::typeName() const
{
    switch (m_type) {
    case VarType::Empty: return QStringLiteral("Empty");
    case VarType::Null: return QStringLiteral("Null");
    case VarType::Integer: return QStringLiteral("Integer");
    case VarType::Long: return QStringLiteral("Long");
    case VarType::Single: return QStringLiteral("Single");
    case VarType::Double: return QStringLiteral("Double");
    case VarType::Currency: return QStringLiteral("Currency");
    case VarType::Date: return QStringLiteral("Date");
    case VarType::String: return QStringLiteral("String");
    case VarType::Object: return m_obj ? m_obj->typeName() : QStringLiteral("Nothing");
    case VarType::Error: return QStringLiteral("Error");
    case VarType::Boolean: return QStringLiteral("Boolean");
    case VarType::Decimal: return QStringLiteral("Decimal");
    case VarType::Byte: return QStringLiteral("Byte");
    case VarType::Array: return QStringLiteral("Variant()");
    default: return QStringLiteral("Unknown");
    }
}

bool Variant::isNumericType() const
{
    switch (m_type) {
    case VarType::Integer: case VarType::Long: case VarType::Single: case VarType::Double:
    case VarType::Currency: case VarType::Decimal: case VarType::Byte: case VarType::Boolean:
        return true;
    default:
        return false;
    }
}

ArrayPtr &Variant::mutableArray()
{
    if (m_arr && m_arr.use_count() > 1)
        m_arr = std::make_shared<SafeArray>(*m_arr);
    return m_arr;
}

bool Variant::sameAs(const Variant &o) const
{
    if (m_type != o.m_type)
        return false;
    switch (m_type) {
    case VarType::Empty: case VarType::Null: return true;
    case VarType::Single: case VarType::Double: case VarType::Date: case VarType::Decimal:
        return m_d == o.m_d;
    case VarType::String: return m_str == o.m_str;
    case VarType::Object: return m_obj == o.m_obj;
    case VarType::Array: return m_arr == o.m_arr;
    default: return m_i == o.m_i;
    }
}

} // namespace vb
