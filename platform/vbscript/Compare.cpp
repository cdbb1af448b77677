// Comparisons as scripts make them. The runtime's vb::compare reads a number
// against numeric text numerically whatever the operands are; the script
// engine instead looks at where the operands come from, as the classic engine
// does: a literal or constant written in the code decides how the other side
// is read, and between two computed values a number sorts before any text.

#include "Engine.h"

#include "vb/Conversions.h"
#include "vb/DateTime.h"

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

// Text read as the number a literal stands against: 13 when it is none.
double textAsNumber(const QString &text, VarType against)
{
    double d;
    if (against == VarType::Date && vb::parseDateText(text, &d))
        return d;
    if (against == VarType::Boolean) {
        const QStringView t = QStringView(text).trimmed();
        if (t.compare(u"True", Qt::CaseInsensitive) == 0)
            return -1;
        if (t.compare(u"False", Qt::CaseInsensitive) == 0)
            return 0;
    }
    if (vb::parseNumber(text, &d))
        return d;
    vb::raise(13);
}

int sign(double x, double y) { return x < y ? -1 : (x > y ? 1 : 0); }

} // namespace

bool isLiteralOperand(const Expr *e)
{
    if (dynamic_cast<const Literal *>(e))
        return true;
    if (auto *p = dynamic_cast<const Paren *>(e))
        return isLiteralOperand(p->inner.get());
    if (auto *u = dynamic_cast<const Unary *>(e))
        return u->kind != Unary::Not && isLiteralOperand(u->operand.get());
    if (auto *g = dynamic_cast<const GlobalRef *>(e))
        return g->entry->kind == GlobalEntry::Const;
    return false;
}

Variant compareValues(Op op, const Variant &l, const Variant &r, unsigned literalSides)
{
    const VarType lt = l.type(), rt = r.type();
    int c;
    if (lt == VarType::String ? isNumeric(rt) : (rt == VarType::String && isNumeric(lt))) {
        const bool textLeft = lt == VarType::String;
        const Variant &num = textLeft ? r : l;
        const QString &text = textLeft ? l.rawString() : r.rawString();
        const bool numLiteral = literalSides & (textLeft ? 2u : 1u);
        const bool textLiteral = literalSides & (textLeft ? 1u : 2u);
        if (numLiteral) {
            c = sign(num.toDouble(), textAsNumber(text, num.type()));
        } else if (textLiteral) {
            const int t = QString::compare(num.toString(), text, Qt::CaseSensitive);
            c = t < 0 ? -1 : (t > 0 ? 1 : 0);
        } else {
            c = -1; // a computed number sorts before any text
        }
        if (textLeft)
            c = -c;
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
