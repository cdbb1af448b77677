// Comparisons as scripts make them. The runtime's vb::compare reads a number
// against numeric text numerically; the script engine never converts between
// the two: a number (Boolean and Date included) sorts before any text, be
// either side a literal, a constant or a computed value.

#include "Engine.h"


namespace vbs {

using vb::Variant;
using vb::VarType;

namespace {

// Boolean and Date count as numbers against text.
bool isNumeric(VarType t)
{
    switch (t) {
    case VarType::Boolean: case VarType::Byte: case VarType::Integer: case VarType::Long:
    case VarType::Single: case VarType::Double: case VarType::Currency: case VarType::Decimal:
    case VarType::Date:
        return true;
    default:
        return false;
    }
}

} // namespace

bool boolText(const QString &text, bool *value)
{
    const QStringView t = QStringView(text).trimmed();
    if (t.compare(u"#TRUE#", Qt::CaseInsensitive) == 0)
        return *value = true, true;
    if (t.compare(u"#FALSE#", Qt::CaseInsensitive) == 0)
        return *value = false, true;
    return false;
}

Variant compareValues(Op op, const Variant &l, const Variant &r)
{
    const VarType lt = l.type(), rt = r.type();
    int c;
    // a Single against a Double compares at the Single's precision (CSng(0.1) = 0.1)
    if ((lt == VarType::Single && rt == VarType::Double) || (lt == VarType::Double && rt == VarType::Single)) {
        const float a = float(l.toDouble()), b = float(r.toDouble());
        c = a < b ? -1 : (a > b ? 1 : 0);
    } else if (lt == VarType::String ? isNumeric(rt) : (rt == VarType::String && isNumeric(lt))) {
        c = lt == VarType::String ? 1 : -1; // the number sorts first, whatever its text reads as
    } else if (!vb::compare(l, r, &c)) {
        return Variant::null();
    }
    switch (op) {
    case Op::Eq: return Variant(c == 0);
    case Op::Ne: return Variant(c != 0);
    case Op::Lt: return Variant(c < 0);
    case Op::Le: return Variant(c <= 0);
    case Op::Gt: return Variant(c > 0);
    case Op::Ge: return Variant(c >= 0);
    default: break;
    }
    vb::raise(51);
}

} // namespace vbs
