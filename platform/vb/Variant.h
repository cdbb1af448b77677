#pragma once
// The classic Variant: one value type shared by the data layer, the script
// engine and late-bound calls, with the classic subtypes and coercion rules.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vb {

// Subtype numbers as VarType reports them.
enum class VarType : int {
    Empty = 0,
    Null = 1,
    Integer = 2,   // 16-bit
    Long = 3,      // 32-bit
    Single = 4,
    Double = 5,
    Currency = 6,  // 64-bit scaled by 10000
    Date = 7,      // days since 30 Dec 1899, fraction is the time of day
    String = 8,
    Object = 9,
    Error = 10,
    Boolean = 11,
    Variant = 12,
    Decimal = 14,
    Byte = 17,
    Array = 0x2000, // or'ed with the element type (Variant for script arrays)
};

class Variant;

// Base of every object a Variant can hold. Late-bound access (com::Dispatch)
// derives from it; platform/vb itself needs no more than identity and a name.
class Object : public std::enable_shared_from_this<Object> {
public:
    virtual ~Object() = default;
    virtual QString typeName() const { return QStringLiteral("Object"); }
    // The value of the default member, used when an object meets an operator
    // or a conversion (a field stands for its Value). Objects without one
    // raise 438, as the classic runtime does.
    virtual Variant defaultValue();
};
using ObjectPtr = std::shared_ptr<Object>;

// A (possibly multi-dimensional) array of Variants with per-dimension bounds.
// Elements are stored with the first index varying fastest, as the classic
// runtime lays them out.
struct SafeArray {
    struct Bound { int32_t lower = 0; int32_t count = 0; };
    std::vector<Bound> bounds;
    std::vector<Variant> data;
    bool fixed = false; // Dim a(3): ReDim refuses to resize (error 10)

    int dims() const { return static_cast<int>(bounds.size()); }
    int32_t lbound(int dim = 1) const;            // 1-based dimension; 9 when out of range
    int32_t ubound(int dim = 1) const;
    Variant &at(const std::vector<int32_t> &index); // 9 on a bad index
    const Variant &at(const std::vector<int32_t> &index) const;
};
using ArrayPtr = std::shared_ptr<SafeArray>;

class Variant {
public:
    Variant() = default; // Empty
    Variant(bool v);
    Variant(int16_t v);
    Variant(int32_t v);
    Variant(uint8_t v);
    Variant(float v);
    Variant(double v);
    Variant(const QString &v);
    Variant(QString &&v);
    Variant(const char *v);       // UTF-8 literal
    Variant(const QChar *v) = delete;
    Variant(ObjectPtr v);         // Object (a null pointer is Nothing)
    Variant(ArrayPtr v);          // Array of Variants

    // Dedicated constructors where the C++ type is ambiguous.
    static Variant null();
    static Variant nothing();                         // Object subtype, no object
    static Variant fromLong(int32_t v);
    static Variant fromCurrency(int64_t scaled);      // value * 10000
    static Variant fromCurrencyValue(double v);       // rounds half to even to 4 places; 6 on overflow
    static Variant fromDate(double oleDate);
    static Variant fromError(int32_t code);           // vbError subtype (e.g. a missing argument)
    static Variant missing();                         // the "argument omitted" Error value
    static Variant fromDecimal(double v);
    // A Decimal carried exactly, as a data source gives a BIGINT or NUMERIC:
    // plain digits with an optional sign and decimal point ("-1234567890123456789",
    // "123456.789012345"). Arithmetic works on its Double value; CStr gives the
    // digits back unchanged (no leading zeros, no trailing zeros after the
    // point). Nothing when the text is not such a number.
    static std::optional<Variant> fromDecimalText(QStringView text);

    VarType type() const { return m_type; }
    int varType() const;          // VarType() numbers, Array|Variant for arrays
    QString typeName() const;     // TypeName(): "Empty", "Null", "Integer" ... "Variant()"

    bool isEmpty() const { return m_type == VarType::Empty; }
    bool isNull() const { return m_type == VarType::Null; }
    bool isObject() const { return m_type == VarType::Object; }
    bool isNothing() const { return m_type == VarType::Object && !m_obj; }
    bool isArray() const { return m_type == VarType::Array; }
    bool isString() const { return m_type == VarType::String; }
    bool isError() const { return m_type == VarType::Error; }
    bool isMissing() const;
    bool isNumericType() const;   // Integer, Long, Single, Double, Currency, Decimal, Byte, Boolean

    // Raw access; only valid for the matching subtype.
    bool rawBool() const { return m_i != 0; }
    int64_t rawInt() const { return m_i; }      // Integer, Long, Byte, Boolean, Currency (scaled), Error code
    double rawDouble() const { return m_d; }    // Single, Double, Date, Decimal
    const QString &rawString() const { return m_str; }
    // The exact digits of a Decimal made by fromDecimalText; empty otherwise.
    const QString &decimalText() const { return m_type == VarType::Decimal ? m_str : emptyText(); }
    const ObjectPtr &rawObject() const { return m_obj; }
    const ArrayPtr &rawArray() const { return m_arr; }
    ArrayPtr &mutableArray();                   // detaches a shared array first

    // Coercions with the classic rules. They raise VbError 94 (invalid use of
    // Null) for Null, 13 (type mismatch) for arrays, errors and text that is not
    // a number or date, 91 for Nothing, and 6 (overflow) when the value does not
    // fit. An object stands for its default value. Integer targets round half
    // to even.
    bool toBool() const;
    uint8_t toByte() const;
    int16_t toInteger() const;
    int32_t toLong() const;
    float toSingle() const;
    double toDouble() const;
    int64_t toCurrencyScaled() const;
    double toDate() const;
    QString toString() const;     // CStr: Empty -> "", Boolean -> "True"/"False", dates in US short form
    ObjectPtr toObject() const;   // 424 when not an object

    // Numeric value for arithmetic: Empty is 0, Boolean is -1/0, numeric text
    // is parsed, a date is its OLE number; 94 for Null, 13 otherwise.
    double numericValue() const;

    // Identity (Is) and exact equality of representation (for tests).
    bool sameAs(const Variant &other) const;

private:
    static const QString &emptyText();
    VarType m_type = VarType::Empty;
    int64_t m_i = 0;
    double m_d = 0;
    QString m_str;
    ObjectPtr m_obj;
    ArrayPtr m_arr;
};

// Comparison mode of string operations, as Option Compare / the compare argument.
enum class CompareMode { Binary = 0, Text = 1 };

// Operators with the classic coercions. Each returns Null where the classic
// operator propagates Null, and raises VbError (13, 6, 11) as the classic one does.
// An object operand stands for its default value. Result types follow the
// classic precision order; Integer results that overflow widen to Long, Long
// to Double.
Variant opAdd(const Variant &a, const Variant &b);      // +  (text + text concatenates)
Variant opSub(const Variant &a, const Variant &b);
Variant opMul(const Variant &a, const Variant &b);
Variant opDiv(const Variant &a, const Variant &b);      // /  always Double (or Null)
Variant opIntDiv(const Variant &a, const Variant &b);   // \  operands rounded half to even
Variant opMod(const Variant &a, const Variant &b);
Variant opPow(const Variant &a, const Variant &b);
Variant opNeg(const Variant &a);
Variant opConcat(const Variant &a, const Variant &b);   // &  Null only when both are Null
Variant opNot(const Variant &a);
Variant opAnd(const Variant &a, const Variant &b);
Variant opOr(const Variant &a, const Variant &b);
Variant opXor(const Variant &a, const Variant &b);
Variant opEqv(const Variant &a, const Variant &b);
Variant opImp(const Variant &a, const Variant &b);

// Relational comparison: -1, 0, 1 in *result, or returns false when either
// side is Null (the comparison then yields Null). Numbers compare with numeric
// text numerically; other text sorts after every number; Empty is 0 or "".
bool compare(const Variant &a, const Variant &b, int *result, CompareMode mode = CompareMode::Binary);
Variant opEq(const Variant &a, const Variant &b, CompareMode mode = CompareMode::Binary);
Variant opNe(const Variant &a, const Variant &b, CompareMode mode = CompareMode::Binary);
Variant opLt(const Variant &a, const Variant &b, CompareMode mode = CompareMode::Binary);
Variant opLe(const Variant &a, const Variant &b, CompareMode mode = CompareMode::Binary);
Variant opGt(const Variant &a, const Variant &b, CompareMode mode = CompareMode::Binary);
Variant opGe(const Variant &a, const Variant &b, CompareMode mode = CompareMode::Binary);
bool opIs(const Variant &a, const Variant &b);          // object identity; 424 for non-objects

// Truth of a condition (If/While): Null counts as false; 13 for non-numeric text.
bool isTrue(const Variant &v);

} // namespace vb
