#include "BuiltinText.h"

#include "vb/Conversions.h"
#include "vb/DateTime.h"
#if __has_include("vb/Format.h")
#include "vb/Format.h"
#define VBS_HAVE_FORMAT 1
#endif

#include <cmath>

namespace vbs {

using vb::Variant;
using Args = std::span<Variant>;

namespace {

bool given(const Args &a, size_t i) { return i < a.size() && !a[i].isMissing(); }

QString text(const Variant &v) { return v.isString() ? v.rawString() : vb::CStr(v); }

int32_t count(const Variant &v)
{
    if (v.isNull())
        vb::raise(94);
    return v.toLong();
}

Qt::CaseSensitivity compareArg(const Args &a, size_t i)
{
    if (!given(a, i))
        return Qt::CaseSensitive;
    if (a[i].isNull())
        vb::raise(94);
    const int c = a[i].toLong();
    if (c < 0 || c > 2)
        vb::raise(5);
    return c == 0 ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

QString trimSpaces(const QString &s, bool left, bool right)
{
    int b = 0, e = s.size();
    if (left)
        while (b < e && s[b] == u' ')
            ++b;
    if (right)
        while (e > b && s[e - 1] == u' ')
            --e;
    return s.mid(b, e - b);
}

} // namespace

Variant fnLen(Frame &, Args a)
{
    if (a[0].isNull())
        return Variant::null();
    return Variant(int32_t(text(a[0]).size()));
}

Variant fnLeft(Frame &, Args a)
{
    const int32_t n = count(a[1]);
    if (n < 0)
        vb::raise(5);
    if (a[0].isNull())
        return Variant::null();
    return Variant(text(a[0]).left(n));
}

Variant fnRight(Frame &, Args a)
{
    const int32_t n = count(a[1]);
    if (n < 0)
        vb::raise(5);
    if (a[0].isNull())
        return Variant::null();
    return Variant(text(a[0]).right(n));
}

Variant fnMid(Frame &, Args a)
{
    const int32_t start = count(a[1]);
    if (start < 1)
        vb::raise(5);
    int32_t len = -1;
    if (given(a, 2)) {
        len = count(a[2]);
        if (len < 0)
            vb::raise(5);
    }
    if (a[0].isNull())
        return Variant::null();
    const QString s = text(a[0]);
    if (start > s.size())
        return Variant(QString());
    return Variant(s.mid(start - 1, len));
}

Variant fnLCase(Frame &, Args a) { return a[0].isNull() ? Variant::null() : Variant(text(a[0]).toLower()); }
Variant fnUCase(Frame &, Args a) { return a[0].isNull() ? Variant::null() : Variant(text(a[0]).toUpper()); }
Variant fnTrim(Frame &, Args a) { return a[0].isNull() ? Variant::null() : Variant(trimSpaces(text(a[0]), true, true)); }
Variant fnLTrim(Frame &, Args a) { return a[0].isNull() ? Variant::null() : Variant(trimSpaces(text(a[0]), true, false)); }
Variant fnRTrim(Frame &, Args a) { return a[0].isNull() ? Variant::null() : Variant(trimSpaces(text(a[0]), false, true)); }

Variant fnSpace(Frame &, Args a)
{
    const int32_t n = count(a[0]);
    if (n < 0)
        vb::raise(5);
    return Variant(QString(n, u' '));
}

Variant fnString(Frame &, Args a)
{
    const int32_t n = count(a[0]);
    if (n < 0)
        vb::raise(5);
    if (a[1].isNull())
        return Variant::null();
    QChar c;
    if (a[1].isString()) {
        if (a[1].rawString().isEmpty())
            vb::raise(5);
        c = a[1].rawString()[0];
    } else {
        const int32_t code = a[1].toLong();
        c = QChar(ushort(((code % 256) + 256) % 256));
    }
    return Variant(QString(n, c));
}

Variant fnStrReverse(Frame &, Args a)
{
    if (a[0].isNull())
        vb::raise(94);
    QString s = text(a[0]);
    std::reverse(s.begin(), s.end());
    return Variant(s);
}

Variant fnAsc(Frame &, Args a)
{
    if (a[0].isNull())
        vb::raise(94);
    const QString s = text(a[0]);
    if (s.isEmpty())
        vb::raise(5);
    const ushort u = s[0].unicode();
    return Variant(int16_t(u <= 255 ? u : '?'));
}

Variant fnAscW(Frame &, Args a)
{
    if (a[0].isNull())
        vb::raise(94);
    const QString s = text(a[0]);
    if (s.isEmpty())
        vb::raise(5);
    return Variant(int16_t(s[0].unicode()));
}

// Text is 8-bit Latin-1 here, so Chr covers 0..255 one to one.
Variant fnChr(Frame &, Args a)
{
    const int32_t n = count(a[0]);
    if (n < 0 || n > 255)
        vb::raise(5);
    return Variant(QString(QChar(ushort(n))));
}

Variant fnChrW(Frame &, Args a)
{
    const int32_t n = count(a[0]);
    if (n < -32768 || n > 65535)
        vb::raise(5);
    return Variant(QString(QChar(ushort(n & 0xFFFF))));
}

Variant fnInStr(Frame &, Args a)
{
    // InStr([start,] string1, string2[, compare])
    size_t i = 0;
    int32_t start = 1;
    if (a.size() >= 3) {
        start = count(a[0]);
        if (start < 1)
            vb::raise(5);
        i = 1;
    }
    const Qt::CaseSensitivity cs = compareArg(a, i + 2);
    if (a[i].isNull() || a[i + 1].isNull())
        return Variant::null();
    const QString s1 = text(a[i]), s2 = text(a[i + 1]);
    if (start > s1.size())
        return Variant(int32_t(s2.isEmpty() && start == s1.size() + 1 && s1.isEmpty() ? 0 : 0));
    if (s2.isEmpty())
        return Variant(start);
    return Variant(int32_t(s1.indexOf(s2, start - 1, cs) + 1));
}

Variant fnInStrRev(Frame &, Args a)
{
    int32_t start = given(a, 2) ? count(a[2]) : -1;
    if (start == 0 || start < -1)
        vb::raise(5);
    const Qt::CaseSensitivity cs = compareArg(a, 3);
    if (a[0].isNull() || a[1].isNull())
        return Variant::null();
    const QString s1 = text(a[0]), s2 = text(a[1]);
    if (start == -1)
        start = int32_t(s1.size());
    if (s1.isEmpty() || start > s1.size())
        return Variant(int32_t(0));
    if (s2.isEmpty())
        return Variant(start);
    // the match must end at or before `start`
    const int from = start - int(s2.size());
    if (from < 0)
        return Variant(int32_t(0));
    return Variant(int32_t(s1.lastIndexOf(s2, from, cs) + 1));
}

Variant fnReplace(Frame &, Args a)
{
    const int32_t start = given(a, 3) ? count(a[3]) : 1;
    const int32_t n = given(a, 4) ? count(a[4]) : -1;
    if (start < 1 || n < -1)
        vb::raise(5);
    const Qt::CaseSensitivity cs = compareArg(a, 5);
    if (a[0].isNull())
        return Variant::null();
    if (a[1].isNull() || a[2].isNull())
        vb::raise(94);
    const QString s = text(a[0]);
    const QString find = text(a[1]), with = text(a[2]);
    // the result starts at `start`, as the classic function returns it
    QString src = start > s.size() ? QString() : s.mid(start - 1);
    if (find.isEmpty() || n == 0)
        return Variant(src);
    QString out;
    int pos = 0, done = 0;
    for (;;) {
        if (n >= 0 && done >= n)
            break;
        const int hit = src.indexOf(find, pos, cs);
        if (hit < 0)
            break;
        out += QStringView(src).mid(pos, hit - pos);
        out += with;
        pos = hit + int(find.size());
        ++done;
    }
    out += QStringView(src).mid(pos);
    return Variant(out);
}

Variant fnSplit(Frame &, Args a)
{
    if (a[0].isNull())
        vb::raise(94);
    const QString s = text(a[0]);
    const QString delim = given(a, 1) ? text(a[1]) : QStringLiteral(" ");
    const int32_t limit = given(a, 2) ? count(a[2]) : -1;
    if (limit < -1)
        vb::raise(5);
    const Qt::CaseSensitivity cs = compareArg(a, 3);
    auto arr = std::make_shared<vb::SafeArray>();
    if (!s.isEmpty() && limit != 0) {
        if (delim.isEmpty()) {
            arr->data.push_back(Variant(s));
        } else {
            int pos = 0;
            for (;;) {
                if (limit > 0 && int32_t(arr->data.size()) == limit - 1) {
                    arr->data.push_back(Variant(s.mid(pos)));
                    break;
                }
                const int hit = s.indexOf(delim, pos, cs);
                if (hit < 0) {
                    arr->data.push_back(Variant(s.mid(pos)));
                    break;
                }
                arr->data.push_back(Variant(s.mid(pos, hit - pos)));
                pos = hit + int(delim.size());
            }
        }
    }
    arr->bounds.push_back({0, int32_t(arr->data.size())});
    return Variant(std::move(arr));
}

Variant fnJoin(Frame &, Args a)
{
    if (!a[0].isArray())
        vb::raise(13);
    const vb::SafeArray &arr = *a[0].rawArray();
    if (arr.dims() > 1)
        vb::raise(5);
    Variant d = given(a, 1) ? a[1] : Variant(" ");
    if (d.isObject())
        d = value(d);
    if (d.isNull())
        vb::raise(94);
    const QString delim = text(d);
    QString out;
    for (size_t i = 0; i < arr.data.size(); ++i) {
        if (i)
            out += delim;
        Variant v = value(arr.data[i]);
        if (v.isNull())
            vb::raise(94);
        out += text(v);
    }
    return Variant(out);
}

Variant fnFilter(Frame &, Args a)
{
    if (!a[0].isArray())
        vb::raise(13);
    const vb::SafeArray &arr = *a[0].rawArray();
    if (arr.dims() != 1)
        vb::raise(5);
    Variant m = value(a[1]);
    if (m.isNull())
        vb::raise(94);
    const QString match = text(m);
    const bool include = given(a, 2) ? value(a[2]).toBool() : true;
    const Qt::CaseSensitivity cs = compareArg(a, 3);
    auto out = std::make_shared<vb::SafeArray>();
    for (const auto &e : arr.data) {
        Variant v = value(e);
        if (v.isNull())
            vb::raise(94);
        const QString t = text(v);
        if (t.contains(match, cs) == include)
            out->data.push_back(Variant(t));
    }
    out->bounds.push_back({0, int32_t(out->data.size())});
    return Variant(std::move(out));
}

Variant fnStrComp(Frame &, Args a)
{
    const Qt::CaseSensitivity cs = compareArg(a, 2);
    if (a[0].isNull() || a[1].isNull())
        return Variant::null();
    const int c = QString::compare(text(a[0]), text(a[1]), cs);
    return Variant(int16_t(c < 0 ? -1 : c > 0 ? 1 : 0));
}

// ---- FormatNumber, FormatCurrency, FormatPercent, FormatDateTime ------------------------

namespace {

// Tristate arguments: -1 true, 0 false, -2 the (US) default.
bool tristate(const Args &a, size_t i, bool def)
{
    if (!given(a, i))
        return def;
    const int v = a[i].toLong();
    if (v == -2)
        return def;
    return v != 0;
}

Variant formatNumeric(Args a, const QString &prefix, const QString &suffix, bool percent, bool parensDefault)
{
    if (a[0].isNull())
        vb::raise(94);
    Variant v = a[0];
    if (v.isString()) {
        double d;
        if (!vb::parseNumber(v.rawString(), &d))
            vb::raise(13);
        v = Variant(d);
    }
    const int digits = given(a, 1) ? a[1].toLong() : -1;
    if (digits < -1 || digits > 255)
        vb::raise(5);
    const int places = digits == -1 ? 2 : digits;
    const bool lead = tristate(a, 2, true);
    const bool parens = tristate(a, 3, parensDefault);
    const bool group = tristate(a, 4, true);
    QString body = group ? (lead ? QStringLiteral("#,##0") : QStringLiteral("#,###")) : (lead ? QStringLiteral("0") : QStringLiteral("#"));
    if (places > 0)
        body += QLatin1Char('.') + QString(places, u'0');
    if (percent)
        body += QLatin1Char('%');
    const QString pos = prefix + body + suffix;
#ifdef VBS_HAVE_FORMAT
    const QString pattern = parens ? pos + QStringLiteral(";(") + pos + QLatin1Char(')') : pos + QStringLiteral(";-") + pos;
    QString out = vb::Format(v, pattern);
    return Variant(out);
#else
    (void)pos;
    vb::raise(5, QStringLiteral("Format functions are not available"));
#endif
}

} // namespace

Variant fnFormatNumber(Frame &, Args a) { return formatNumeric(a, QString(), QString(), false, false); }
Variant fnFormatCurrency(Frame &, Args a) { return formatNumeric(a, QStringLiteral("$"), QString(), false, true); }
Variant fnFormatPercent(Frame &, Args a) { return formatNumeric(a, QString(), QString(), true, false); }

Variant fnFormatDateTime(Frame &, Args a)
{
    if (a[0].isNull())
        vb::raise(94);
    const int named = given(a, 1) ? a[1].toLong() : 0;
    if (named < 0 || named > 4)
        vb::raise(5);
    const double ole = a[0].toDate();
    const vb::DateParts p = vb::splitOleDate(ole);
    auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    const int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
    const QString ampm = p.hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    switch (named) {
    case 1:
        return Variant(vb::WeekdayName(p.dayOfWeek) + QStringLiteral(", ") + vb::MonthName(p.month) + QLatin1Char(' ')
                       + two(p.day) + QStringLiteral(", ") + QString::number(p.year));
    case 2:
        return Variant(QStringLiteral("%1/%2/%3").arg(p.month).arg(p.day).arg(p.year));
    case 3:
        return Variant(QStringLiteral("%1:%2:%3 %4").arg(h12).arg(two(p.minute), two(p.second), ampm));
    case 4:
        return Variant(two(p.hour) + QLatin1Char(':') + two(p.minute));
    default:
        return Variant(vb::dateToString(ole));
    }
}

} // namespace vbs
