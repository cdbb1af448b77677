#include "ado/Convert.h"
#include "ado/ConnectionData.h"
#include "ado/Recordset.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/VbError.h"

#include <QRegularExpression>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace ado {

namespace detail {

namespace {

constexpr long kMemoSize = 536870910;

} // namespace

bool numberOf(const vb::Variant &v, double *out)
{
    switch (v.type()) {
    case vb::VarType::Empty: *out = 0; return true;
    case vb::VarType::Boolean: *out = v.rawBool() ? -1 : 0; return true;
    case vb::VarType::Integer: case vb::VarType::Long: case vb::VarType::Byte:
        *out = static_cast<double>(v.rawInt()); return true;
    case vb::VarType::Currency: *out = static_cast<double>(v.rawInt()) / 10000.0; return true;
    case vb::VarType::Single: case vb::VarType::Double: case vb::VarType::Date: case vb::VarType::Decimal:
        *out = v.rawDouble(); return true;
    case vb::VarType::String: return vb::parseNumber(v.rawString(), out) && std::isfinite(*out);
    default: return false;
    }
}

bool textOf(const vb::Variant &v, QString *out)
{
    switch (v.type()) {
    case vb::VarType::Empty: out->clear(); return true;
    case vb::VarType::String: *out = v.rawString(); return true;
    case vb::VarType::Boolean: *out = v.rawBool() ? QStringLiteral("True") : QStringLiteral("False"); return true;
    case vb::VarType::Integer: case vb::VarType::Long: case vb::VarType::Byte:
        *out = QString::number(v.rawInt()); return true;
    case vb::VarType::Currency: *out = v.toString(); return true;
    case vb::VarType::Single: *out = vb::singleToString(static_cast<float>(v.rawDouble())); return true;
    case vb::VarType::Double: *out = vb::doubleToString(v.rawDouble()); return true;
    case vb::VarType::Decimal: *out = v.toString(); return true;
    case vb::VarType::Date: *out = vb::dateToString(v.rawDouble()); return true;
    default: return false;
    }
}

bool dateOf(const vb::Variant &v, double *out)
{
    switch (v.type()) {
    case vb::VarType::Date: *out = v.rawDouble(); return true;
    case vb::VarType::String: return vb::parseDateText(v.rawString(), out);
    case vb::VarType::Empty: *out = 0; return true;
    default:
        if (v.isNumericType() && v.type() != vb::VarType::Boolean)
            return numberOf(v, out);
        return false;
    }
}

int compareValues(const vb::Variant &a, const vb::Variant &b)
{
    const bool an = a.isNull() || a.isEmpty();
    const bool bn = b.isNull() || b.isEmpty();
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    if (a.isString() && b.isString())
        return a.rawString().compare(b.rawString(), Qt::CaseInsensitive) < 0 ? -1
             : (a.rawString().compare(b.rawString(), Qt::CaseInsensitive) > 0 ? 1 : 0);
    double x = 0, y = 0;
    const bool ax = numberOf(a, &x);
    const bool by = numberOf(b, &y);
    if (ax && by)
        return x < y ? -1 : (x > y ? 1 : 0);
    QString s, t;
    textOf(a, &s);
    textOf(b, &t);
    const int c = s.compare(t, Qt::CaseInsensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

ColumnType columnTypeFor(const QString &declared)
{
    const long nullable = adFldIsNullable | adFldMayBeNull;
    const QString d = declared.trimmed().toUpper();
    static const QRegularExpression sized(QStringLiteral("^(N?VARCHAR|N?CHAR|TEXT|CHARACTER)\\s*\\(\\s*(\\d+)\\s*\\)"));
    static const QRegularExpression decimal(QStringLiteral("^(DECIMAL|NUMERIC)\\s*\\(\\s*(\\d+)\\s*(,\\s*(\\d+)\\s*)?\\)"));
    if (auto m = sized.match(d); m.hasMatch())
        return {adVarWChar, m.captured(2).toLong(), 255, 255, adFldUpdatable | nullable};
    if (auto m = decimal.match(d); m.hasMatch())
        return {adNumeric, 19, m.captured(2).toInt(), m.captured(4).toInt(), adFldUpdatable | adFldFixed | nullable};
    if (d.startsWith(QLatin1String("LONGTEXT")) || d == QLatin1String("MEMO") || d == QLatin1String("TEXT")
        || d == QLatin1String("CLOB"))
        return {adLongVarWChar, kMemoSize, 255, 255, adFldUpdatable | adFldLong | adFldMayDefer | nullable};
    if (d == QLatin1String("SMALLINT"))
        return {adSmallInt, 2, 5, 255, adFldUpdatable | adFldFixed | nullable};
    if (d == QLatin1String("INTEGER") || d == QLatin1String("INT") || d == QLatin1String("LONG"))
        return {adInteger, 4, 10, 255, adFldUpdatable | adFldFixed | nullable};
    if (d == QLatin1String("BOOLEAN") || d == QLatin1String("BIT") || d == QLatin1String("YESNO"))
        return {adBoolean, 2, 255, 255, adFldUpdatable | adFldFixed};
    if (d == QLatin1String("DOUBLE") || d == QLatin1String("REAL") || d == QLatin1String("FLOAT"))
        return {adDouble, 8, 15, 255, adFldUpdatable | adFldFixed | nullable};
    if (d == QLatin1String("SINGLE"))
        return {adSingle, 4, 7, 255, adFldUpdatable | adFldFixed | nullable};
    if (d == QLatin1String("DATETIME") || d == QLatin1String("DATE"))
        return {adDate, 8, 255, 255, adFldUpdatable | adFldFixed | nullable};
    if (d == QLatin1String("CURRENCY") || d == QLatin1String("MONEY"))
        return {adCurrency, 8, 19, 255, adFldUpdatable | adFldFixed | nullable};
    if (d == QLatin1String("BYTE") || d == QLatin1String("TINYINT"))
        return {adUnsignedTinyInt, 1, 3, 255, adFldUpdatable | adFldFixed | nullable};
    return {adVarWChar, 255, 255, 255, adFldUpdatable | nullable};
}

CellKind cellKindFor(int type)
{
    switch (type) {
    case adBoolean: case adSmallInt: case adTinyInt: case adUnsignedTinyInt: case adInteger: case adUnsignedSmallInt:
        return CellKind::Integer;
    case adUnsignedInt: case adBigInt: case adDouble: case adSingle: case adCurrency: case adDecimal: case adNumeric:
    case adDate: case adDBDate: case adDBTime: case adDBTimeStamp:
        return CellKind::Real;
    case adVariant:
        return CellKind::Variant;
    default:
        return CellKind::Text;
    }
}

Cell readCell(sqlite3_stmt *stmt, int i, CellKind kind)
{
    Cell c;
    const int storage = sqlite3_column_type(stmt, i);
    if (storage == SQLITE_NULL)
        return c;
    if (kind == CellKind::Variant)
        kind = storage == SQLITE_INTEGER ? CellKind::Integer : storage == SQLITE_FLOAT ? CellKind::Real : CellKind::Text;
    c.kind = kind;
    switch (kind) {
    case CellKind::Integer: c.integer = sqlite3_column_int64(stmt, i); break;
    case CellKind::Real: c.real = sqlite3_column_double(stmt, i); break;
    default: {
        const char *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, i));
        c.text = text ? text : "";
        c.size = sqlite3_column_bytes(stmt, i);
        break;
    }
    }
    return c;
}

vb::Variant cellValue(const Cell &c, int type)
{
    switch (c.kind) {
    case CellKind::Null: return vb::Variant::null();
    case CellKind::Text: return vb::Variant(QString::fromUtf8(c.text, c.size));
    default: break;
    }
    switch (type) {
    case adBoolean: return vb::Variant(c.integer != 0);
    case adSmallInt: case adTinyInt: return vb::Variant(static_cast<int16_t>(c.integer));
    case adUnsignedTinyInt: return vb::Variant(static_cast<uint8_t>(c.integer));
    case adInteger: case adUnsignedSmallInt: return vb::Variant::fromLong(static_cast<int32_t>(c.integer));
    case adUnsignedInt: case adBigInt: case adDouble: return vb::Variant(c.real);
    case adSingle: return vb::Variant(static_cast<float>(c.real));
    case adCurrency: return vb::Variant::fromCurrency(std::llround(c.real * 10000.0));
    case adDecimal: case adNumeric: return vb::Variant::fromDecimal(c.real);
    case adDate: case adDBDate: case adDBTime: case adDBTimeStamp: return vb::Variant::fromDate(c.real);
    default: // a computed column: the storage class decides
        if (c.kind == CellKind::Integer) {
            if (c.integer >= std::numeric_limits<int32_t>::min() && c.integer <= std::numeric_limits<int32_t>::max())
                return vb::Variant::fromLong(static_cast<int32_t>(c.integer));
            return vb::Variant(static_cast<double>(c.integer));
        }
        return vb::Variant(c.real);
    }
}

vb::Variant readColumn(sqlite3_stmt *stmt, int i, int type)
{
    return cellValue(readCell(stmt, i, cellKindFor(type)), type);
}

void bindValue(sqlite3_stmt *stmt, int i, const vb::Variant &v, QByteArray &bytes)
{
    switch (v.type()) {
    case vb::VarType::Empty: case vb::VarType::Null: sqlite3_bind_null(stmt, i); break;
    case vb::VarType::Boolean: sqlite3_bind_int(stmt, i, v.rawBool() ? 1 : 0); break;
    case vb::VarType::Integer: case vb::VarType::Long: case vb::VarType::Byte: sqlite3_bind_int64(stmt, i, v.rawInt()); break;
    case vb::VarType::Currency: sqlite3_bind_double(stmt, i, static_cast<double>(v.rawInt()) / 10000.0); break;
    case vb::VarType::Decimal:
        if (!v.decimalText().isEmpty()) {
            // Exact digits reach the column as text; a numeric column keeps
            // an integer that fits 64 bits exactly.
            bytes = v.decimalText().toUtf8();
            sqlite3_bind_text(stmt, i, bytes.constData(), int(bytes.size()), SQLITE_STATIC);
            break;
        }
        sqlite3_bind_double(stmt, i, v.rawDouble());
        break;
    case vb::VarType::Single: case vb::VarType::Double: case vb::VarType::Date:
        sqlite3_bind_double(stmt, i, v.rawDouble());
        break;
    default: {
        QString text;
        textOf(v, &text);
        bytes = text.toUtf8();
        sqlite3_bind_text(stmt, i, bytes.constData(), int(bytes.size()), SQLITE_STATIC);
        break;
    }
    }
}

void checkValues(const std::vector<vb::Variant> &values)
{
    for (size_t k = 0; k < values.size(); ++k) {
        const vb::Variant &v = values[k];
        const QString what = QStringLiteral("Value %1 of the statement").arg(k + 1);
        if (v.isObject() || v.isArray() || v.isError())
            vb::raise(adErrInvalidArgument, what + QStringLiteral(" is not a single value the database can take"),
                      QStringLiteral("Corvantis database"));
        if (v.isString())
            checkNoNul(v.toString(), what);
    }
}

void bindValues(sqlite3_stmt *stmt, const std::vector<vb::Variant> &values, std::vector<QByteArray> &texts)
{
    texts.assign(values.size(), QByteArray());
    const int n = sqlite3_bind_parameter_count(stmt);
    for (int i = 1; i <= n; ++i) {
        const char *name = sqlite3_bind_parameter_name(stmt, i);
        if (!name || name[0] != '?')
            continue;
        const long k = std::strtol(name + 1, nullptr, 10);
        if (k >= 1 && size_t(k) <= values.size())
            bindValue(stmt, i, values[size_t(k - 1)], texts[size_t(k - 1)]);
    }
}

} // namespace detail

bool isSupportedType(int type)
{
    switch (type) {
    case adSmallInt: case adInteger: case adSingle: case adDouble: case adCurrency: case adDate: case adBSTR:
    case adBoolean: case adVariant: case adDecimal: case adTinyInt: case adUnsignedTinyInt:
    case adUnsignedSmallInt: case adUnsignedInt: case adBigInt: case adGUID: case adChar: case adWChar:
    case adNumeric: case adDBDate: case adDBTime: case adDBTimeStamp: case adVarChar: case adLongVarChar:
    case adVarWChar: case adLongVarWChar:
        return true;
    default:
        return false;
    }
}

namespace {

[[noreturn]] void misfit(const QString &why)
{
    vb::raise(adErrMultipleStep,
              QStringLiteral("Multiple-step operation generated errors. Check each status value. (%1)").arg(why),
              QStringLiteral("Corvantis database"));
}

double wholeNumber(const vb::Variant &value, double lo, double hi)
{
    double d = 0;
    if (!detail::numberOf(value, &d))
        misfit(QStringLiteral("not a number"));
    d = std::nearbyint(d); // half to even, as the classic conversion rounds
    if (d < lo || d > hi)
        misfit(QStringLiteral("number out of range"));
    return d;
}

// The exact form of text or of an exact Decimal, when it is plain digits.
std::optional<vb::Variant> exactDecimal(const vb::Variant &value)
{
    if (value.isString())
        return vb::Variant::fromDecimalText(QStringView(value.rawString()).trimmed());
    if (value.type() == vb::VarType::Decimal && !value.decimalText().isEmpty())
        return value;
    return std::nullopt;
}

int exactPlaces(const vb::Variant &value)
{
    const QString &digits = value.decimalText();
    const qsizetype point = digits.indexOf(u'.');
    return point < 0 ? 0 : int(digits.size() - point - 1);
}

} // namespace

vb::Variant convertToFieldType(const vb::Variant &value, int type, long definedSize, int precision, int scale,
                               bool nullable)
{
    if (value.isNull()) {
        if (!nullable)
            misfit(QStringLiteral("the field does not accept Null"));
        return value;
    }
    if (value.isObject() || value.isArray() || value.isError())
        misfit(QStringLiteral("not a value"));
    switch (type) {
    case adBoolean: {
        if (value.isString()) {
            const QString t = value.rawString().trimmed();
            if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
                return vb::Variant(true);
            if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
                return vb::Variant(false);
        }
        double d = 0;
        if (!detail::numberOf(value, &d))
            misfit(QStringLiteral("not a truth value"));
        return vb::Variant(d != 0);
    }
    case adTinyInt: return vb::Variant(static_cast<int16_t>(wholeNumber(value, -128, 127)));
    case adUnsignedTinyInt: return vb::Variant(static_cast<uint8_t>(wholeNumber(value, 0, 255)));
    case adSmallInt: return vb::Variant(static_cast<int16_t>(wholeNumber(value, -32768, 32767)));
    case adUnsignedSmallInt: return vb::Variant::fromLong(static_cast<int32_t>(wholeNumber(value, 0, 65535)));
    case adInteger: return vb::Variant::fromLong(static_cast<int32_t>(wholeNumber(value, -2147483648.0, 2147483647.0)));
    case adUnsignedInt: return vb::Variant(wholeNumber(value, 0, 4294967295.0));
    case adBigInt: {
        // Every digit of a 64-bit integer is kept: it comes back as an exact
        // Decimal, since a Double holds only 15 of its 19 digits.
        if (const std::optional<vb::Variant> exact = exactDecimal(value)) {
            const QString &digits = exact->decimalText();
            if (!digits.contains(u'.')) {
                bool fits = false;
                digits.toLongLong(&fits);
                if (!fits)
                    misfit(QStringLiteral("number out of range"));
                return *exact;
            }
        }
        const double d = wholeNumber(value, -9223372036854775808.0, 9223372036854775807.0);
        if (d >= 9223372036854775807.0) // 2^63 itself: the Double bound rounds up
            misfit(QStringLiteral("number out of range"));
        return *vb::Variant::fromDecimalText(QString::number(static_cast<qint64>(d)));
    }
    case adSingle: case adDouble: case adCurrency: case adDecimal: case adNumeric: {
        double d = 0;
        if (!detail::numberOf(value, &d))
            misfit(QStringLiteral("not a number"));
        if (type == adSingle) {
            if (std::fabs(d) > std::numeric_limits<float>::max())
                misfit(QStringLiteral("number out of range"));
            return vb::Variant(static_cast<float>(d));
        }
        if (type == adDouble)
            return vb::Variant(d);
        if (type == adCurrency) {
            if (std::fabs(d) > 922337203685477.0)
                misfit(QStringLiteral("number out of range"));
            return vb::Variant::fromCurrency(static_cast<int64_t>(std::nearbyint(d * 10000.0)));
        }
        const int s = scale > 0 && scale < 255 ? scale : 0;
        const std::optional<vb::Variant> exact = exactDecimal(value);
        if (exact && exactPlaces(*exact) <= s) {
            // Digits the field can hold are kept exactly (a Double would keep
            // 15 of them); more places than the scale round as before.
            const QString &digits = exact->decimalText();
            const QStringView unsignedDigits = QStringView(digits).mid(digits.startsWith(u'-') ? 1 : 0);
            const qsizetype point = unsignedDigits.indexOf(u'.');
            const QStringView whole = point < 0 ? unsignedDigits : unsignedDigits.left(point);
            const int wholeDigits = whole == u"0" ? 0 : int(whole.size());
            if (precision > 0 && precision < 255 && wholeDigits > precision - s)
                misfit(QStringLiteral("more digits than the field holds"));
            return *exact;
        }
        const double factor = std::pow(10.0, s);
        const double rounded = std::nearbyint(d * factor) / factor;
        if (precision > 0 && precision < 255) {
            const int integerDigits = precision - s;
            if (std::fabs(rounded) >= std::pow(10.0, integerDigits))
                misfit(QStringLiteral("more digits than the field holds"));
        }
        return vb::Variant::fromDecimal(rounded);
    }
    case adDate: case adDBDate: case adDBTime: case adDBTimeStamp: {
        double d = 0;
        if (value.type() == vb::VarType::Boolean || !detail::dateOf(value, &d))
            misfit(QStringLiteral("not a date"));
        if (!(d >= vb::kMinOleDate && d < vb::kMaxOleDate + 1))
            misfit(QStringLiteral("date out of range"));
        if (type == adDBDate)
            d = std::trunc(d);
        else if (type == adDBTime)
            d = std::fabs(d - std::trunc(d));
        return vb::Variant::fromDate(d);
    }
    case adGUID: {
        QString t;
        detail::textOf(value, &t);
        static const QRegularExpression guid(QStringLiteral(
            "^\\{?([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})\\}?$"));
        const auto m = guid.match(t.trimmed());
        if (!m.hasMatch())
            misfit(QStringLiteral("not a GUID"));
        return vb::Variant(QLatin1Char('{') + m.captured(1).toUpper() + QLatin1Char('}'));
    }
    case adVariant:
        return value;
    default: {
        QString t;
        if (!detail::textOf(value, &t))
            misfit(QStringLiteral("not text"));
        const bool limited = type == adChar || type == adWChar || type == adVarChar || type == adVarWChar;
        if (limited && definedSize > 0 && t.size() > definedSize)
            misfit(QStringLiteral("text longer than %1 characters").arg(definedSize));
        return vb::Variant(t);
    }
    }
}

} // namespace ado
