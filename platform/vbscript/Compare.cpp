// Comparisons as scripts make them. The runtime's vb::compare reads a number
// against numeric text numerically whatever the operands are; the classic
// engine instead treats literals and constants as hard-typed: where text meets
// a number, the hard-typed side decides how the other is read, and between two
// values that are neither, any text is greater than any number.

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

// Text read as the number it stands against (date text against a date);
// false when it holds none.
bool textAsNumber(const QString &text, VarType against, double *d)
{
    // plain digits (element values mostly are) without the general reader
    const qsizetype n = text.size();
    if (n > 0 && n <= 9) {
        int64_t v = 0;
        qsizetype i = 0;
        for (; i < n; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9')
                break;
            v = v * 10 + (c - u'0');
        }
        if (i == n && against != VarType::Date) {
            *d = double(v);
            return true;
        }
    }
    if (against == VarType::Date && vb::parseDateText(text, d))
        return true;
    return vb::parseNumber(text, d);
}

int sign(double x, double y) { return x < y ? -1 : (x > y ? 1 : 0); }

// Text against a number (Boolean and Date included), seen from the number:
// negative when the number is less.
int numberAgainstText(const Variant &num, const QString &text, bool numHard, bool textHard)
{
    if (numHard) {
        // a hard-typed number reads the text as a number; text that holds
        // none keeps the order below (no error)
        double d;
        if (textAsNumber(text, num.type(), &d))
            return sign(num.toDouble(), d);
    } else if (textHard) {
        const int t = QString::compare(num.toString(), text, Qt::CaseSensitive);
        return t < 0 ? -1 : (t > 0 ? 1 : 0);
    }
    return -1; // the number sorts before any text
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

Variant notValue(const Variant &v)
{
    bool b;
    if (v.isString() && boolText(v.rawString(), &b))
        return Variant(!b);
    return vb::opNot(v);
}

bool isHardTyped(const Expr *e)
{
    if (dynamic_cast<const Literal *>(e))
        return true;
    if (auto *p = dynamic_cast<const Paren *>(e))
        return isHardTyped(p->inner.get());
    if (auto *u = dynamic_cast<const Unary *>(e))
        return u->kind != Unary::Not && isHardTyped(u->operand.get());
    if (auto *g = dynamic_cast<const GlobalRef *>(e))
        return g->entry->kind == GlobalEntry::Const;
    return false;
}

Variant compareValues(Op op, const Variant &l, const Variant &r, unsigned hardSides)
{
    const VarType lt = l.type(), rt = r.type();
    int c;
    // a Single against a Double compares at the Single's precision (CSng(0.1) = 0.1)
    if ((lt == VarType::Single && rt == VarType::Double) || (lt == VarType::Double && rt == VarType::Single)) {
        const float a = float(l.toDouble()), b = float(r.toDouble());
        c = a < b ? -1 : (a > b ? 1 : 0);
    } else if (lt == VarType::String && isNumeric(rt)) {
        c = -numberAgainstText(r, l.rawString(), hardSides & 2u, hardSides & 1u);
    } else if (rt == VarType::String && isNumeric(lt)) {
        c = numberAgainstText(l, r.rawString(), hardSides & 1u, hardSides & 2u);
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
