#include "Variant.h"

#include "VbError.h"
#include "Conversions.h"
#include "DateTime.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
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
    // Rounded from the value's 15-digit decimal form, so that a value that
    // reads as a half (1.00005) rounds half to even as the user sees it,
    // not by the binary error of the double.
    if (!std::isfinite(d) || std::fabs(d) >= 922337203685477.58)
        raise(6);
    if (d == 0)
        return fromCurrency(0);
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, 14);
    *res.ptr = 0;
    // buf: [-]d.ddddddddddddddde[+-]xx
    const char *p = buf;
    const bool neg = *p == '-';
    if (neg)
        ++p;
    int64_t mant = 0;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.')
            mant = mant * 10 + (*p - '0');
    const int exp = std::atoi(p + 1);
    // value = mant * 10^(exp - 14); scaled = mant * 10^(exp - 10)
    __int128 scaled;
    const int shift = exp - 10;
    if (shift >= 0) {
        scaled = mant;
        for (int i = 0; i < shift; ++i)
            scaled *= 10;
    } else if (-shift > 16) {
        scaled = 0;
    } else {
        int64_t pw = 1;
        for (int i = 0; i < -shift; ++i)
            pw *= 10;
        int64_t q = mant / pw;
        const int64_t r = mant % pw;
        if (2 * r > pw || (2 * r == pw && (q & 1)))
            ++q;
        scaled = q;
    }
    if (neg)
        scaled = -scaled;
    if (scaled > INT64_MAX || scaled < INT64_MIN)
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

std::optional<Variant> Variant::fromDecimalText(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    QString whole, places;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'.' && !point) {
            point = true;
        } else if (c >= u'0' && c <= u'9') {
            (point ? places : whole) += c;
        } else {
            return std::nullopt;
        }
    }
    if (whole.isEmpty() && places.isEmpty())
        return std::nullopt;
    qsizetype lead = 0;
    while (lead < whole.size() - 1 && whole[lead] == u'0')
        ++lead;
    whole = whole.isEmpty() ? QStringLiteral("0") : whole.mid(lead);
    while (!places.isEmpty() && places.back() == u'0')
        places.chop(1);
    QString digits = places.isEmpty() ? whole : whole + u'.' + places;
    if (negative && digits != u"0")
        digits.prepend(u'-');
    Variant v;
    v.m_type = VarType::Decimal;
    v.m_d = digits.toDouble();
    v.m_str = std::move(digits);
    return v;
}

const QString &Variant::emptyText()
{
    static const QString empty;
    return empty;
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
    case VarType::Decimal:
        return m_d == o.m_d && m_str == o.m_str;
    case VarType::Single: case VarType::Double: case VarType::Date:
        return m_d == o.m_d;
    case VarType::String: return m_str == o.m_str;
    case VarType::Object: return m_obj == o.m_obj;
    case VarType::Array: return m_arr == o.m_arr;
    default: return m_i == o.m_i;
    }
}

// ---- coercions -------------------------------------------------------------

Variant Object::defaultValue() { raise(438); }

namespace {

// The value an object stands for in an expression; 91 for Nothing.
Variant objectValue(const ObjectPtr &obj)
{
    if (!obj)
        raise(91);
    Variant v = obj->defaultValue();
    if (v.isObject())
        raise(13); // a default member that yields another object is no value
    return v;
}

[[noreturn]] void nullOrMismatch(const Variant &v)
{
    raise(v.isNull() ? 94 : 13);
}

// Rounds half to even to a whole number (the current rounding mode is the
// default round-to-nearest-even).
inline double roundEven(double d) { return std::nearbyint(d); }

template <typename T>
T fitInteger(double d)
{
    const double r = roundEven(d);
    if (!(r >= double(std::numeric_limits<T>::min()) && r <= double(std::numeric_limits<T>::max())))
        raise(6); // also NaN
    return static_cast<T>(r);
}

template <typename T>
T fitInteger(int64_t i)
{
    if (i < int64_t(std::numeric_limits<T>::min()) || i > int64_t(std::numeric_limits<T>::max()))
        raise(6);
    return static_cast<T>(i);
}

// Currency scaled by 10000 to a whole number, half to even.
int64_t currencyToWhole(int64_t scaled)
{
    int64_t q = scaled / 10000, r = scaled % 10000;
    if (r > 5000 || (r == 5000 && (q & 1)))
        ++q;
    else if (r < -5000 || (r == -5000 && (q & 1)))
        --q;
    return q;
}

double textToDouble(const QString &s)
{
    double d;
    if (!parseNumber(s, &d))
        raise(13);
    return d;
}

bool textToBool(const QString &s)
{
    const QStringView t = QStringView(s).trimmed();
    if (t.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    return textToDouble(s) != 0;
}

QString currencyToString(int64_t scaled)
{
    const bool neg = scaled < 0;
    const uint64_t mag = neg ? uint64_t(0) - uint64_t(scaled) : uint64_t(scaled);
    QString s = QString::number(mag / 10000);
    uint64_t frac = mag % 10000;
    if (frac) {
        QString f = QString::number(frac).rightJustified(4, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0')))
            f.chop(1);
        s += QLatin1Char('.') + f;
    }
    return neg ? QLatin1Char('-') + s : s;
}

// CByte, CInt and CLng: the same coercion, each checked against its own range.
template <typename T>
T wholeValue(const Variant &v)
{
    switch (v.type()) {
    case VarType::Empty: return 0;
    case VarType::Boolean: case VarType::Integer: case VarType::Long: case VarType::Byte:
        return fitInteger<T>(v.rawInt());
    case VarType::Currency: return fitInteger<T>(currencyToWhole(v.rawInt()));
    case VarType::Single: case VarType::Double: case VarType::Date: case VarType::Decimal:
        return fitInteger<T>(v.rawDouble());
    case VarType::String: return fitInteger<T>(textToDouble(v.rawString()));
    case VarType::Object: return wholeValue<T>(objectValue(v.rawObject()));
    default: nullOrMismatch(v);
    }
}

} // namespace

bool Variant::toBool() const
{
    switch (m_type) {
    case VarType::Empty: return false;
    case VarType::Boolean: case VarType::Integer: case VarType::Long: case VarType::Byte:
    case VarType::Currency:
        return m_i != 0;
    case VarType::Single: case VarType::Double: case VarType::Date: case VarType::Decimal:
        return m_d != 0;
    case VarType::String: return textToBool(m_str);
    case VarType::Object: return objectValue(m_obj).toBool();
    default: nullOrMismatch(*this);
    }
}

uint8_t Variant::toByte() const { return wholeValue<uint8_t>(*this); }

int16_t Variant::toInteger() const { return wholeValue<int16_t>(*this); }

int32_t Variant::toLong() const { return wholeValue<int32_t>(*this); }

float Variant::toSingle() const
{
    const double d = toDouble();
    if (std::fabs(d) > double(std::numeric_limits<float>::max()))
        raise(6);
    return static_cast<float>(d);
}

double Variant::toDouble() const
{
    switch (m_type) {
    case VarType::Empty: return 0;
    case VarType::Boolean: case VarType::Integer: case VarType::Long: case VarType::Byte:
        return double(m_i);
    case VarType::Currency: return double(m_i) / 10000.0;
    case VarType::Single: case VarType::Double: case VarType::Date: case VarType::Decimal:
        return m_d;
    case VarType::String: return textToDouble(m_str);
    case VarType::Object: return objectValue(m_obj).toDouble();
    default: nullOrMismatch(*this);
    }
}

int64_t Variant::toCurrencyScaled() const
{
    switch (m_type) {
    case VarType::Empty: return 0;
    case VarType::Boolean: case VarType::Integer: case VarType::Long: case VarType::Byte:
        return m_i * 10000;
    case VarType::Currency: return m_i;
    case VarType::Object: return objectValue(m_obj).toCurrencyScaled();
    case VarType::Null: case VarType::Array: case VarType::Error: nullOrMismatch(*this);
    default: return fromCurrencyValue(toDouble()).m_i;
    }
}

double Variant::toDate() const
{
    double d;
    switch (m_type) {
    case VarType::Date: return m_d;
    case VarType::String:
        if (!parseDateText(m_str, &d))
            raise(13);
        return d;
    case VarType::Object: return objectValue(m_obj).toDate();
    default:
        d = toDouble();
        if (!(d >= kMinOleDate && d < kMaxOleDate + 1))
            raise(6);
        return d;
    }
}

QString Variant::toString() const
{
    switch (m_type) {
    case VarType::Empty: return QString();
    case VarType::Boolean: return m_i ? QStringLiteral("True") : QStringLiteral("False");
    case VarType::Integer: case VarType::Long: case VarType::Byte: return QString::number(m_i);
    case VarType::Single: return singleToString(float(m_d));
    case VarType::Double: return doubleToString(m_d);
    case VarType::Decimal: return m_str.isEmpty() ? doubleToString(m_d) : m_str;
    case VarType::Currency: return currencyToString(m_i);
    case VarType::Date: return dateToString(m_d);
    case VarType::String: return m_str;
    case VarType::Error: return QStringLiteral("Error ") + QString::number(m_i);
    case VarType::Object: return objectValue(m_obj).toString();
    default: nullOrMismatch(*this);
    }
}

ObjectPtr Variant::toObject() const
{
    if (m_type != VarType::Object)
        raise(424);
    return m_obj;
}

double Variant::numericValue() const
{
    return toDouble();
}

// ---- operators --------------------------------------------------------------

namespace {

// Arithmetic operand classes, ordered by precision as the classic runtime
// ranks them (Byte < Integer < Long < Single < Double < Currency < Decimal);
// Date is handled apart.
enum class Num : uint8_t { Empty, Byte, Integer, Long, Single, Double, Currency, Decimal, Date };

struct Operand {
    Num kind;
    int64_t i; // Byte, Integer, Long (whole value); Currency (scaled)
    double d;  // Single, Double, Decimal, Date
};

// Classifies an operand of an arithmetic operator. Null must be handled by
// the caller; text must be numeric (Double), else 13.
inline Operand operand(const Variant &v)
{
    switch (v.type()) {
    case VarType::Empty: return {Num::Empty, 0, 0};
    case VarType::Byte: return {Num::Byte, v.rawInt(), 0};
    case VarType::Boolean: case VarType::Integer: return {Num::Integer, v.rawInt(), 0};
    case VarType::Long: return {Num::Long, v.rawInt(), 0};
    case VarType::Single: return {Num::Single, 0, v.rawDouble()};
    case VarType::Double: return {Num::Double, 0, v.rawDouble()};
    case VarType::Currency: return {Num::Currency, v.rawInt(), 0};
    case VarType::Decimal: return {Num::Decimal, 0, v.rawDouble()};
    case VarType::Date: return {Num::Date, 0, v.rawDouble()};
    case VarType::String: return {Num::Double, 0, textToDouble(v.rawString())};
    case VarType::Object: return operand(objectValue(v.rawObject()));
    default: raise(13);
    }
}

inline bool isWhole(Num k) { return k == Num::Byte || k == Num::Integer || k == Num::Long; }

inline double asDouble(const Operand &o)
{
    if (isWhole(o.kind) || o.kind == Num::Empty)
        return double(o.i);
    if (o.kind == Num::Currency)
        return double(o.i) / 10000.0;
    return o.d;
}

inline int64_t asCurrency(const Operand &o)
{
    if (isWhole(o.kind) || o.kind == Num::Empty)
        return o.i * 10000;
    if (o.kind == Num::Currency)
        return o.i;
    return Variant::fromCurrencyValue(o.d).rawInt();
}

// A whole result in the narrowest type at or above `from`: Byte overflows
// into Integer, Integer into Long, Long into Double.
inline Variant wholeResult(int64_t r, Num from)
{
    if (from == Num::Byte && r >= 0 && r <= 255)
        return Variant(uint8_t(r));
    if (from <= Num::Integer && r >= INT16_MIN && r <= INT16_MAX)
        return Variant(int16_t(r));
    if (r >= INT32_MIN && r <= INT32_MAX)
        return Variant(int32_t(r));
    return Variant(double(r));
}

inline Variant doubleResult(double r)
{
    if (!std::isfinite(r))
        raise(6);
    return Variant(r);
}

inline Variant singleResult(double r)
{
    if (!std::isfinite(r))
        raise(6);
    if (std::fabs(r) > double(std::numeric_limits<float>::max()))
        return Variant(r); // Single overflows into Double
    return Variant(float(r));
}

inline Variant dateResult(double r)
{
    if (!(r >= kMinOleDate && r < kMaxOleDate + 1))
        raise(6);
    return Variant::fromDate(r);
}

inline Variant currencyResult(__int128 scaled)
{
    if (scaled > INT64_MAX || scaled < INT64_MIN)
        raise(6);
    return Variant::fromCurrency(int64_t(scaled));
}

// The common type of two classified operands for + - *.
inline Num commonKind(Num a, Num b)
{
    if (a == Num::Empty && b == Num::Empty)
        return Num::Integer;
    if (a == Num::Empty)
        return b;
    if (b == Num::Empty)
        return a;
    if ((a == Num::Single && b == Num::Long) || (a == Num::Long && b == Num::Single))
        return Num::Double;
    return a > b ? a : b;
}

enum class Arith { Add, Sub, Mul };

Variant arith(const Variant &a, const Variant &b, Arith op)
{
    const Operand x = operand(a), y = operand(b);
    Num kind = commonKind(x.kind, y.kind);
    if (kind == Num::Date) {
        if (op == Arith::Mul)
            kind = Num::Double; // a date multiplied is just its number
        else if (op == Arith::Sub && x.kind == Num::Date && y.kind == Num::Date)
            return doubleResult(x.d - y.d);
        else {
            const double r = op == Arith::Add ? asDouble(x) + asDouble(y) : asDouble(x) - asDouble(y);
            return dateResult(r);
        }
    }
    switch (kind) {
    case Num::Byte: case Num::Integer: case Num::Long: {
        const int64_t r = op == Arith::Add ? x.i + y.i : op == Arith::Sub ? x.i - y.i : x.i * y.i;
        return wholeResult(r, kind);
    }
    case Num::Single: {
        const double dx = asDouble(x), dy = asDouble(y);
        // Single arithmetic is done in Single precision.
        const float fx = float(dx), fy = float(dy);
        const double r = op == Arith::Add ? double(fx + fy) : op == Arith::Sub ? double(fx - fy) : double(fx * fy);
        if (std::isinf(r))
            return doubleResult(op == Arith::Add ? dx + dy : op == Arith::Sub ? dx - dy : dx * dy);
        return singleResult(r);
    }
    case Num::Currency: {
        const __int128 cx = asCurrency(x), cy = asCurrency(y);
        if (op == Arith::Add)
            return currencyResult(cx + cy);
        if (op == Arith::Sub)
            return currencyResult(cx - cy);
        // Product of two scaled values, rescaled half to even.
        const __int128 p = cx * cy;
        __int128 q = p / 10000, r = p % 10000;
        if (r > 5000 || (r == 5000 && (q & 1)))
            ++q;
        else if (r < -5000 || (r == -5000 && (q & 1)))
            --q;
        return currencyResult(q);
    }
    case Num::Decimal: {
        const double dx = asDouble(x), dy = asDouble(y);
        const double r = op == Arith::Add ? dx + dy : op == Arith::Sub ? dx - dy : dx * dy;
        if (!std::isfinite(r))
            raise(6);
        return Variant::fromDecimal(r);
    }
    default: {
        const double dx = asDouble(x), dy = asDouble(y);
        return doubleResult(op == Arith::Add ? dx + dy : op == Arith::Sub ? dx - dy : dx * dy);
    }
    }
}

// An operand of \ and Mod: rounded half to even to a Long (6 when it does not
// fit). *narrow is cleared when the operand is wider than Integer.
inline int64_t wholeOperand(const Variant &v, bool *narrow, bool *byte)
{
    switch (v.type()) {
    case VarType::Empty: *byte = false; return 0;
    case VarType::Byte: return v.rawInt();
    case VarType::Boolean: case VarType::Integer: *byte = false; return v.rawInt();
    case VarType::Long: *byte = false; *narrow = false; return v.rawInt();
    case VarType::Object: return wholeOperand(objectValue(v.rawObject()), narrow, byte);
    default:
        *byte = false;
        *narrow = false;
        return v.toLong();
    }
}

inline bool isIntegerLike(const Variant &v)
{
    switch (v.type()) {
    case VarType::Empty: case VarType::Boolean: case VarType::Integer: case VarType::Long: case VarType::Byte:
        return true;
    default:
        return false;
    }
}

// Operand of the logical/bitwise operators: a whole value and whether it is
// Boolean, Byte or within Integer.
struct Bits {
    int64_t v;
    bool boolean, byte, narrow;
};

inline Bits bitsOperand(const Variant &v)
{
    switch (v.type()) {
    case VarType::Empty: return {0, false, false, true};
    case VarType::Boolean: return {v.rawInt(), true, false, true};
    case VarType::Byte: return {v.rawInt(), false, true, true};
    case VarType::Integer: return {v.rawInt(), false, false, true};
    case VarType::Long: return {v.rawInt(), false, false, false};
    case VarType::String: {
        // "True"/"False" count as Booleans, as CBool reads them.
        const QStringView t = QStringView(v.rawString()).trimmed();
        if (t.compare(u"True", Qt::CaseInsensitive) == 0)
            return {-1, true, false, true};
        if (t.compare(u"False", Qt::CaseInsensitive) == 0)
            return {0, true, false, true};
        return {v.toLong(), false, false, false};
    }
    case VarType::Object: return bitsOperand(objectValue(v.rawObject()));
    default: return {v.toLong(), false, false, false};
    }
}

inline Variant bitsResult(int64_t r, const Bits &x, const Bits &y)
{
    if (x.boolean && y.boolean)
        return Variant(r != 0);
    if (x.byte && y.byte)
        return Variant(uint8_t(r & 0xFF));
    if (x.narrow && y.narrow)
        return Variant(int16_t(r));
    return Variant(int32_t(r));
}

// Type of a lone known operand with a Null partner (Null And False is False).
inline Variant bitsAlone(int64_t r, const Bits &x)
{
    return bitsResult(r, x, x);
}

enum class Logic { And, Or, Xor, Eqv, Imp };

inline int64_t logic(Logic op, int64_t a, int64_t b)
{
    switch (op) {
    case Logic::And: return a & b;
    case Logic::Or: return a | b;
    case Logic::Xor: return a ^ b;
    case Logic::Eqv: return ~(a ^ b);
    case Logic::Imp: return ~a | b;
    }
    return 0;
}

Variant logicOp(const Variant &a, const Variant &b, Logic op)
{
    const bool na = a.isNull(), nb = b.isNull();
    if (na && nb)
        return Variant::null();
    if (na || nb) {
        // Three-valued logic: the known side decides where it can.
        const Bits k = bitsOperand(na ? b : a);
        switch (op) {
        case Logic::And:
            if (k.v == 0)
                return bitsAlone(0, k);
            return Variant::null();
        case Logic::Or:
            if (k.v == -1 || (k.byte && k.v == 0xFF))
                return bitsAlone(k.v, k);
            return Variant::null();
        case Logic::Imp:
            if (na && k.v == -1)
                return bitsAlone(-1, k);      // Null Imp True
            if (nb && k.v == 0)
                return bitsAlone(-1, k);      // False Imp Null
            return Variant::null();
        default:
            return Variant::null();
        }
    }
    const Bits x = bitsOperand(a), y = bitsOperand(b);
    return bitsResult(logic(op, x.v, y.v), x, y);
}

inline int cmp3(double x, double y) { return x < y ? -1 : (x > y ? 1 : 0); }
inline int cmp3i(int64_t x, int64_t y) { return x < y ? -1 : (x > y ? 1 : 0); }

inline int compareText(const QString &x, const QString &y, CompareMode mode)
{
    const int c = QString::compare(x, y, mode == CompareMode::Text ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Classification for comparison.
enum class CmpKind { Empty, Number, Date, String };

inline bool isNumberType(VarType t)
{
    switch (t) {
    case VarType::Boolean: case VarType::Integer: case VarType::Long: case VarType::Byte:
    case VarType::Single: case VarType::Double: case VarType::Currency: case VarType::Decimal:
        return true;
    default:
        return false;
    }
}

int compareNumbers(const Variant &a, const Variant &b)
{
    const VarType ta = a.type(), tb = b.type();
    const bool wa = ta == VarType::Boolean || ta == VarType::Integer || ta == VarType::Long || ta == VarType::Byte || ta == VarType::Empty;
    const bool wb = tb == VarType::Boolean || tb == VarType::Integer || tb == VarType::Long || tb == VarType::Byte || tb == VarType::Empty;
    if (wa && wb)
        return cmp3i(a.rawInt(), b.rawInt());
    if (ta == VarType::Currency && tb == VarType::Currency)
        return cmp3i(a.rawInt(), b.rawInt());
    return cmp3(a.toDouble(), b.toDouble());
}

} // namespace

Variant opAdd(const Variant &a, const Variant &b)
{
    const VarType ta = a.type(), tb = b.type();
    if (ta == VarType::Long && tb == VarType::Long)
        return wholeResult(a.rawInt() + b.rawInt(), Num::Long);
    if (ta == VarType::Double && tb == VarType::Double)
        return doubleResult(a.rawDouble() + b.rawDouble());
    if (ta == VarType::Null || tb == VarType::Null)
        return Variant::null();
    if (ta == VarType::String && (tb == VarType::String || tb == VarType::Empty))
        return tb == VarType::Empty ? a : Variant(a.rawString() + b.rawString());
    if (ta == VarType::Empty && tb == VarType::String)
        return b;
    if (ta == VarType::Object || tb == VarType::Object)
        return opAdd(ta == VarType::Object ? objectValue(a.rawObject()) : a,
                     tb == VarType::Object ? objectValue(b.rawObject()) : b);
    return arith(a, b, Arith::Add);
}

Variant opSub(const Variant &a, const Variant &b)
{
    const VarType ta = a.type(), tb = b.type();
    if (ta == VarType::Long && tb == VarType::Long)
        return wholeResult(a.rawInt() - b.rawInt(), Num::Long);
    if (ta == VarType::Double && tb == VarType::Double)
        return doubleResult(a.rawDouble() - b.rawDouble());
    if (ta == VarType::Null || tb == VarType::Null)
        return Variant::null();
    return arith(a, b, Arith::Sub);
}

Variant opMul(const Variant &a, const Variant &b)
{
    const VarType ta = a.type(), tb = b.type();
    if (ta == VarType::Long && tb == VarType::Long)
        return wholeResult(a.rawInt() * b.rawInt(), Num::Long);
    if (ta == VarType::Double && tb == VarType::Double)
        return doubleResult(a.rawDouble() * b.rawDouble());
    if (ta == VarType::Null || tb == VarType::Null)
        return Variant::null();
    return arith(a, b, Arith::Mul);
}

Variant opDiv(const Variant &a, const Variant &b)
{
    if (a.isNull() || b.isNull())
        return Variant::null();
    const double x = asDouble(operand(a)), y = asDouble(operand(b));
    if (y == 0)
        raise(x == 0 ? 6 : 11); // 0/0 is an overflow in the classic runtime
    return doubleResult(x / y);
}

Variant opIntDiv(const Variant &a, const Variant &b)
{
    if (a.isNull() || b.isNull())
        return Variant::null();
    bool narrow = true, byte = true;
    const int64_t x = wholeOperand(a, &narrow, &byte), y = wholeOperand(b, &narrow, &byte);
    if (y == 0)
        raise(11);
    if (byte)
        return Variant(uint8_t(x / y));
    const int64_t r = x / y;
    if (narrow)
        return wholeResult(r, Num::Integer);
    if (r > INT32_MAX)
        raise(6);
    return Variant(int32_t(r));
}

Variant opMod(const Variant &a, const Variant &b)
{
    if (a.isNull() || b.isNull())
        return Variant::null();
    bool narrow = true, byte = true;
    const int64_t x = wholeOperand(a, &narrow, &byte), y = wholeOperand(b, &narrow, &byte);
    if (y == 0)
        raise(11);
    const int64_t r = x % y; // the sign follows the dividend, as in the classic Mod
    if (byte)
        return Variant(uint8_t(r));
    if (narrow)
        return Variant(int16_t(r));
    return Variant(int32_t(r));
}

Variant opPow(const Variant &a, const Variant &b)
{
    if (a.isNull() || b.isNull())
        return Variant::null();
    const double x = asDouble(operand(a)), y = asDouble(operand(b));
    if (x == 0 && y < 0)
        raise(5);
    if (x < 0 && y != std::trunc(y))
        raise(5);
    return doubleResult(std::pow(x, y));
}

Variant opNeg(const Variant &a)
{
    switch (a.type()) {
    case VarType::Null: return a;
    case VarType::Empty: return Variant(int16_t(0));
    case VarType::Byte: case VarType::Boolean: case VarType::Integer:
        return wholeResult(-a.rawInt(), Num::Integer);
    case VarType::Long: return wholeResult(-a.rawInt(), Num::Long);
    case VarType::Single: return Variant(float(-a.rawDouble()));
    case VarType::Double: return Variant(-a.rawDouble());
    case VarType::Decimal:
        if (!a.decimalText().isEmpty()) {
            const QString &t = a.decimalText();
            return *Variant::fromDecimalText(t.startsWith(u'-') ? QStringView(t).mid(1) : QString(u'-' + t));
        }
        return Variant::fromDecimal(-a.rawDouble());
    case VarType::Date: return dateResult(-a.rawDouble());
    case VarType::Currency:
        if (a.rawInt() == INT64_MIN)
            raise(6);
        return Variant::fromCurrency(-a.rawInt());
    case VarType::String: return doubleResult(-textToDouble(a.rawString()));
    case VarType::Object: return opNeg(objectValue(a.rawObject()));
    default: raise(13);
    }
}

Variant opConcat(const Variant &a, const Variant &b)
{
    if (a.isObject() || b.isObject())
        return opConcat(a.isObject() ? objectValue(a.rawObject()) : a, b.isObject() ? objectValue(b.rawObject()) : b);
    const bool na = a.isNull(), nb = b.isNull();
    if (na && nb)
        return Variant::null();
    if (na || a.isEmpty())
        return nb || b.isEmpty() ? Variant(QString()) : Variant(b.toString());
    if (nb || b.isEmpty())
        return Variant(a.toString());
    if (a.isString() && b.isString())
        return Variant(a.rawString() + b.rawString());
    return Variant(a.toString() + b.toString());
}

Variant opNot(const Variant &a)
{
    switch (a.type()) {
    case VarType::Null: return a;
    case VarType::Empty: return Variant(int16_t(-1));
    case VarType::Boolean: return Variant(a.rawInt() == 0);
    case VarType::Byte: return Variant(uint8_t(~a.rawInt() & 0xFF));
    case VarType::Integer: return Variant(int16_t(~a.rawInt()));
    case VarType::Object: return opNot(objectValue(a.rawObject()));
    default: {
        const Bits x = bitsOperand(a);
        return bitsResult(~x.v, x, x);
    }
    }
}

Variant opAnd(const Variant &a, const Variant &b) { return logicOp(a, b, Logic::And); }
Variant opOr(const Variant &a, const Variant &b) { return logicOp(a, b, Logic::Or); }
Variant opXor(const Variant &a, const Variant &b) { return logicOp(a, b, Logic::Xor); }
Variant opEqv(const Variant &a, const Variant &b) { return logicOp(a, b, Logic::Eqv); }
Variant opImp(const Variant &a, const Variant &b) { return logicOp(a, b, Logic::Imp); }

bool compare(const Variant &a, const Variant &b, int *result, CompareMode mode)
{
    const VarType ta = a.type(), tb = b.type();
    // Fast paths for the common cases.
    if (ta == VarType::Long && tb == VarType::Long) {
        *result = cmp3i(a.rawInt(), b.rawInt());
        return true;
    }
    if (ta == VarType::String && tb == VarType::String) {
        *result = compareText(a.rawString(), b.rawString(), mode);
        return true;
    }
    if (ta == VarType::Null || tb == VarType::Null)
        return false;
    if (ta == VarType::Object || tb == VarType::Object)
        return compare(ta == VarType::Object ? objectValue(a.rawObject()) : a,
                       tb == VarType::Object ? objectValue(b.rawObject()) : b, result, mode);
    if (ta == VarType::Array || tb == VarType::Array || ta == VarType::Error || tb == VarType::Error)
        raise(13);

    const bool numA = isNumberType(ta) || ta == VarType::Date, numB = isNumberType(tb) || tb == VarType::Date;
    if (ta == VarType::Empty && tb == VarType::Empty) {
        *result = 0;
    } else if (ta == VarType::Empty || tb == VarType::Empty) {
        // Empty is "" against text and 0 against a number.
        const Variant &other = ta == VarType::Empty ? b : a;
        int c;
        if (other.isString())
            c = other.rawString().isEmpty() ? 0 : 1;
        else
            c = cmp3(other.toDouble(), 0.0);
        *result = ta == VarType::Empty ? -c : c;
    } else if (numA && numB) {
        *result = compareNumbers(a, b);
    } else {
        // A number against text: numerically when the text is a number (or a
        // date against a date text); otherwise the number sorts first.
        const bool aText = ta == VarType::String;
        const Variant &num = aText ? b : a;
        const QString &text = aText ? a.rawString() : b.rawString();
        double d;
        int c;
        if (num.type() == VarType::Date && parseDateText(text, &d))
            c = cmp3(num.rawDouble(), d);
        else if (parseNumber(text, &d))
            c = cmp3(num.toDouble(), d);
        else
            c = -1;
        *result = aText ? -c : c;
    }
    return true;
}

Variant opEq(const Variant &a, const Variant &b, CompareMode mode)
{
    int c;
    return compare(a, b, &c, mode) ? Variant(c == 0) : Variant::null();
}

Variant opNe(const Variant &a, const Variant &b, CompareMode mode)
{
    int c;
    return compare(a, b, &c, mode) ? Variant(c != 0) : Variant::null();
}

Variant opLt(const Variant &a, const Variant &b, CompareMode mode)
{
    int c;
    return compare(a, b, &c, mode) ? Variant(c < 0) : Variant::null();
}

Variant opLe(const Variant &a, const Variant &b, CompareMode mode)
{
    int c;
    return compare(a, b, &c, mode) ? Variant(c <= 0) : Variant::null();
}

Variant opGt(const Variant &a, const Variant &b, CompareMode mode)
{
    int c;
    return compare(a, b, &c, mode) ? Variant(c > 0) : Variant::null();
}

Variant opGe(const Variant &a, const Variant &b, CompareMode mode)
{
    int c;
    return compare(a, b, &c, mode) ? Variant(c >= 0) : Variant::null();
}

bool opIs(const Variant &a, const Variant &b)
{
    if (!a.isObject() || !b.isObject())
        raise(424);
    return a.rawObject() == b.rawObject();
}

bool isTrue(const Variant &v)
{
    switch (v.type()) {
    case VarType::Null: case VarType::Empty: return false;
    case VarType::Boolean: case VarType::Integer: case VarType::Long: case VarType::Byte:
    case VarType::Currency:
        return v.rawInt() != 0;
    case VarType::Single: case VarType::Double: case VarType::Date: case VarType::Decimal:
        return v.rawDouble() != 0;
    case VarType::Object: return isTrue(objectValue(v.rawObject()));
    default: return v.toBool();
    }
}

} // namespace vb
