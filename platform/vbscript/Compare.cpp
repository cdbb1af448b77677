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

Variant compareValues(Op op, const Variant &l, const Variant &r)
{
    const VarType lt = l.type(), rt = r.type();
    int c;
    if (lt == VarType::String ? isNumeric(rt) : (rt == VarType::String && isNumeric(lt))) {
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
