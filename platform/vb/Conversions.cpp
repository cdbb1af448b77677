#include "Conversions.h"

#include "DateTime.h"
#include "VbError.h"

#include <charconv>
#include <cmath>
#include <string>

namespace vb {

namespace {

inline bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v' || c == QChar(0xA0); }

// Digits of a &H / &O number at text[i..]; value with the width rule of the
// literal (up to 4 hex / 6 octal digits fitting 16 bits give an Integer).
bool radixDigits(QStringView t, qsizetype &i, int base, double *out, bool stopAtJunk)
{
    uint64_t v = 0;
    int digits = 0;
    while (i < t.size()) {
        const char16_t c = t[i].unicode();
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else
            break;
        if (d >= base) {
            if (stopAtJunk)
                break;
            return false;
        }
        v = v * base + d;
        if (v > 0xFFFFFFFFull)
            return false;
        ++digits;
        ++i;
    }
    if (!digits)
        return false;
    if (v <= 0xFFFF && (base == 16 ? digits <= 4 : v <= 0xFFFF))
        *out = v > 0x7FFF ? double(int64_t(v) - 0x10000) : double(v);
    else
        *out = v > 0x7FFFFFFF ? double(int64_t(v) - 0x100000000ll) : double(v);
    return true;
}

bool fromChars(const std::string &s, double *out)
{
    double d = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), d);
    if (r.ec == std::errc::result_out_of_range) {
        // Underflow reads as 0, overflow is no number.
        bool big = false;
        const auto e = s.find('e');
        if (e != std::string::npos)
            big = s[e + 1] != '-';
        if (big)
            return false;
        d = 0;
    } else if (r.ec != std::errc() || r.ptr != s.data() + s.size()) {
        return false;
    }
    if (!std::isfinite(d))
        return false;
    *out = d;
    return true;
}

QString numberText(double v, int precision)
{
    if (v == 0)
        return QStringLiteral("0"); // also -0
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, precision);
    QString s = QString::fromLatin1(buf, r.ptr - buf);
    const qsizetype e = s.indexOf(QLatin1Char('e'));
    if (e >= 0)
        s[e] = QLatin1Char('E');
    return s;
}

} // namespace

bool parseNumber(QStringView t, double *value)
{
    qsizetype i = 0, n = t.size();
    while (n > 0 && isBlank(t[n - 1]))
        --n;
    while (i < n && isBlank(t[i]))
        ++i;
    t = t.first(n);
    if (i < n && t[i] == u'&') {
        ++i;
        if (i >= n)
            return false;
        const char16_t c = t[i].unicode();
        int base = 8;
        if (c == u'h' || c == u'H')
            base = 16, ++i;
        else if (c == u'o' || c == u'O')
            ++i;
        return radixDigits(t, i, base, value, false) && i == n;
    }
    bool paren = false, neg = false, sign = false, money = false;
    if (i < n && t[i] == u'(') {
        paren = true;
        ++i;
        while (i < n && isBlank(t[i]))
            ++i;
    }
    for (int k = 0; k < 2 && i < n; ++k) {
        if (!money && t[i] == u'$') {
            money = true;
            ++i;
        } else if (!sign && !paren && (t[i] == u'-' || t[i] == u'+')) {
            sign = true;
            neg = t[i] == u'-';
            ++i;
        } else {
            break;
        }
        while (i < n && isBlank(t[i]))
            ++i;
    }
    std::string s;
    s.reserve(size_t(n - i) + 1);
    int digits = 0;
    while (i < n) {
        const QChar c = t[i];
        if (c.unicode() >= u'0' && c.unicode() <= u'9') {
            s += char(c.unicode());
            ++digits;
        } else if (c == u',' && digits > 0) {
            // thousands separator: skipped, as the classic conversion does
        } else {
            break;
        }
        ++i;
    }
    if (i < n && t[i] == u'.') {
        s += '.';
        ++i;
        while (i < n && t[i].unicode() >= u'0' && t[i].unicode() <= u'9') {
            s += char(t[i].unicode());
            ++digits;
            ++i;
        }
    }
    if (!digits)
        return false;
    if (i < n && (t[i] == u'e' || t[i] == u'E' || t[i] == u'd' || t[i] == u'D')) {
        s += 'e';
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-'))
            s += char(t[i++].unicode());
        int ed = 0;
        while (i < n && t[i].unicode() >= u'0' && t[i].unicode() <= u'9') {
            s += char(t[i].unicode());
            ++ed;
            ++i;
        }
        if (!ed)
            return false;
    }
    while (i < n && isBlank(t[i]))
        ++i;
    if (!money && i < n && t[i] == u'$') { // "12$" is accepted too
        ++i;
        while (i < n && isBlank(t[i]))
            ++i;
    }
    if (paren) {
        if (i >= n || t[i] != u')')
            return false;
        ++i;
        neg = true;
    }
    if (i != n)
        return false;
    double d;
    if (!fromChars(s, &d))
        return false;
    *value = neg ? -d : d;
    return true;
}

QString doubleToString(double v) { return numberText(v, 15); }
QString singleToString(float v) { return numberText(double(v), 7); }

QString CStr(const Variant &v) { return v.toString(); }
int16_t CInt(const Variant &v) { return v.toInteger(); }
int32_t CLng(const Variant &v) { return v.toLong(); }
float CSng(const Variant &v) { return v.toSingle(); }
double CDbl(const Variant &v) { return v.toDouble(); }
Variant CCur(const Variant &v) { return Variant::fromCurrency(v.toCurrencyScaled()); }
uint8_t CByte(const Variant &v) { return v.toByte(); }
bool CBool(const Variant &v) { return v.toBool(); }
Variant CDate(const Variant &v) { return Variant::fromDate(v.toDate()); }

double Val(QStringView t)
{
    // Blanks are skipped anywhere in the number, as the classic Val does.
    std::string s;
    qsizetype i = 0;
    const qsizetype n = t.size();
    auto skip = [&] {
        while (i < n && isBlank(t[i]))
            ++i;
    };
    skip();
    if (i < n && t[i] == u'&') {
        qsizetype j = i + 1;
        if (j >= n)
            return 0;
        int base = 8;
        if (t[j] == u'h' || t[j] == u'H')
            base = 16, ++j;
        else if (t[j] == u'o' || t[j] == u'O')
            ++j;
        double d;
        return radixDigits(t, j, base, &d, true) ? d : 0;
    }
    bool neg = false;
    if (i < n && (t[i] == u'-' || t[i] == u'+')) {
        neg = t[i] == u'-';
        ++i;
        skip();
    }
    int digits = 0;
    while (i < n && t[i].unicode() >= u'0' && t[i].unicode() <= u'9') {
        s += char(t[i].unicode());
        ++digits;
        ++i;
        skip();
    }
    if (i < n && t[i] == u'.') {
        s += '.';
        ++i;
        skip();
        while (i < n && t[i].unicode() >= u'0' && t[i].unicode() <= u'9') {
            s += char(t[i].unicode());
            ++digits;
            ++i;
            skip();
        }
    }
    if (!digits)
        return 0;
    if (i < n && (t[i] == u'e' || t[i] == u'E' || t[i] == u'd' || t[i] == u'D')) {
        std::string e = "e";
        qsizetype j = i + 1;
        while (j < n && isBlank(t[j]))
            ++j;
        if (j < n && (t[j] == u'+' || t[j] == u'-'))
            e += char(t[j++].unicode());
        int ed = 0;
        while (j < n) {
            if (isBlank(t[j])) {
                ++j;
                continue;
            }
            if (t[j].unicode() < u'0' || t[j].unicode() > u'9')
                break;
            e += char(t[j].unicode());
            ++ed;
            ++j;
        }
        if (ed)
            s += e;
    }
    double d;
    if (!fromChars(s, &d))
        raise(6);
    return neg ? -d : d;
}

double Val(const Variant &v)
{
    if (v.isNull())
        raise(94);
    if (v.isString())
        return Val(QStringView(v.rawString()));
    return Val(QStringView(v.toString()));
}

bool IsNumeric(const Variant &v)
{
    switch (v.type()) {
    case VarType::Empty: case VarType::Boolean: case VarType::Integer: case VarType::Long:
    case VarType::Byte: case VarType::Single: case VarType::Double: case VarType::Currency:
    case VarType::Decimal:
        return true;
    case VarType::String: {
        double d;
        return parseNumber(v.rawString(), &d);
    }
    default:
        return false;
    }
}

bool IsDate(const Variant &v)
{
    if (v.type() == VarType::Date)
        return true;
    if (v.isString()) {
        double d;
        return parseDateText(v.rawString(), &d);
    }
    return false;
}

} // namespace vb
