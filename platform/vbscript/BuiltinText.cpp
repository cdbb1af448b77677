#include "BuiltinText.h"

#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Strings.h"
#include "vb/Format.h"

#include <cmath>

namespace vbs {

using vb::Variant;
using Args = std::span<Variant>;

namespace {

bool given(const Args &a, size_t i) { return i < a.size() && !a[i].isMissing(); }
Variant arg(const Args &a, size_t i) { return i < a.size() ? a[i] : Variant::missing(); }

QString text(const Variant &v) { return v.isString() ? v.rawString() : vb::CStr(v); }

int32_t count(const Variant &v)
{
    if (v.isNull())
        vb::raise(94);
    return v.toLong();
}

vb::CompareMode compareArg(const Args &a, size_t i)
{
    if (!given(a, i))
        return vb::CompareMode::Binary;
    if (a[i].isNull())
        vb::raise(94);
    const int c = a[i].toLong();
    if (c < 0 || c > 2)
        vb::raise(5);
    return c == 0 ? vb::CompareMode::Binary : vb::CompareMode::Text;
}

QStringList textList(const Variant &v)
{
    if (!v.isArray())
        vb::raise(13);
    const vb::SafeArray &arr = *v.rawArray();
    if (arr.dims() > 1)
        vb::raise(5);
    QStringList out;
    for (const auto &e : arr.data) {
        Variant x = value(e);
        if (x.isNull())
            vb::raise(94);
        out << text(x);
    }
    return out;
}

Variant arrayOf(const QStringList &items)
{
    auto arr = std::make_shared<vb::SafeArray>();
    arr->bounds.push_back({0, int32_t(items.size())});
    arr->data.reserve(items.size());
    for (const auto &s : items)
        arr->data.push_back(Variant(s));
    return Variant(std::move(arr));
}

} // namespace

Variant fnLen(Frame &, Args a) { return vb::var::Len(a[0]); }
Variant fnLeft(Frame &, Args a) { return vb::var::Left(a[0], a[1]); }
// Left and Right check their length before looking at a Null text.
Variant fnRight(Frame &, Args a)
{
    if (count(a[1]) < 0)
        vb::raise(5);
    return vb::var::Right(a[0], a[1]);
}

// Mid: a Null start or length is 94 first, then the numbers are read and
// checked (13, 5), and only then a Null text gives Null.
Variant fnMid(Frame &, Args a)
{
    if (a[1].isNull() || (given(a, 2) && a[2].isNull()))
        vb::raise(94);
    if (a[1].toLong() < 1 || (given(a, 2) && a[2].toLong() < 0))
        vb::raise(5);
    return vb::var::Mid(a[0], a[1], arg(a, 2));
}
Variant fnLCase(Frame &, Args a) { return vb::var::LCase(a[0]); }
Variant fnUCase(Frame &, Args a) { return vb::var::UCase(a[0]); }
Variant fnTrim(Frame &, Args a) { return vb::var::Trim(a[0]); }
Variant fnLTrim(Frame &, Args a) { return vb::var::LTrim(a[0]); }
Variant fnRTrim(Frame &, Args a) { return vb::var::RTrim(a[0]); }
Variant fnHex(Frame &, Args a) { return vb::var::Hex(a[0]); }
Variant fnOct(Frame &, Args a) { return vb::var::Oct(a[0]); }

Variant fnSpace(Frame &, Args a) { return Variant(vb::Space(count(a[0]))); }

Variant fnString(Frame &, Args a)
{
    const int32_t n = count(a[0]);
    if (a[1].isNull())
        return Variant::null();
    if (a[1].isString())
        return Variant(vb::String(n, a[1].rawString()));
    return Variant(vb::String(n, int(a[1].toLong())));
}

Variant fnStrReverse(Frame &, Args a)
{
    if (a[0].isNull())
        vb::raise(94);
    return Variant(vb::StrReverse(text(a[0])));
}

Variant fnAsc(Frame &, Args a)
{
    if (a[0].isNull())
        vb::raise(94);
    return Variant(int16_t(vb::Asc(text(a[0]))));
}

Variant fnAscW(Frame &, Args a)
{
    if (a[0].isNull())
        vb::raise(94);
    return Variant(int16_t(vb::AscW(text(a[0]))));
}

Variant fnChr(Frame &, Args a) { return Variant(vb::Chr(count(a[0]))); }
Variant fnChrW(Frame &, Args a) { return Variant(vb::ChrW(count(a[0]))); }

Variant fnInStr(Frame &, Args a)
{
    // InStr([start,] string1, string2[, compare])
    if (a.size() >= 3) {
        const vb::CompareMode mode = compareArg(a, 3);
        if (count(a[0]) < 1)
            vb::raise(5);
        if (a[1].isNull() || a[2].isNull())
            return Variant::null();
        return vb::var::InStr(a[0], a[1], a[2], mode);
    }
    return vb::var::InStr(Variant(int16_t(1)), a[0], a[1]);
}

Variant fnInStrRev(Frame &, Args a)
{
    if (a[0].isNull() || a[1].isNull())
        vb::raise(94);
    return vb::var::InStrRev(a[0], a[1], arg(a, 2), compareArg(a, 3));
}

Variant fnReplace(Frame &, Args a)
{
    const int32_t start = given(a, 3) ? count(a[3]) : 1;
    const int32_t n = given(a, 4) ? count(a[4]) : -1;
    const vb::CompareMode mode = compareArg(a, 5);
    if (a[0].isNull() || a[1].isNull() || a[2].isNull())
        vb::raise(94);
    return Variant(vb::Replace(text(a[0]), text(a[1]), text(a[2]), start, n, mode));
}

Variant fnSplit(Frame &, Args a)
{
    if (a[0].isNull())
        vb::raise(94);
    if (given(a, 1) && a[1].isNull())
        vb::raise(94);
    const QString delim = given(a, 1) ? text(a[1]) : QStringLiteral(" ");
    const int32_t limit = given(a, 2) ? count(a[2]) : -1;
    if (limit < -1)
        vb::raise(5);
    // Split knows binary and text comparison only (no database mode 2)
    if (given(a, 3) && !a[3].isNull() && a[3].toLong() == 2)
        vb::raise(5);
    return arrayOf(vb::Split(text(a[0]), delim, limit, compareArg(a, 3)));
}

Variant fnJoin(Frame &, Args a)
{
    if (a[0].isNull())
        vb::raise(94);
    if (a[0].isObject())
        vb::raise(438);
    if (a[0].isArray() && a[0].rawArray()->dims() != 1)
        vb::raise(13);
    for (const auto &e : a[0].isArray() ? a[0].rawArray()->data : std::vector<Variant>())
        if (e.isNull())
            vb::raise(13);
    const QStringList items = textList(a[0]);
    Variant d = given(a, 1) ? value(a[1]) : Variant(" ");
    if (d.isNull())
        vb::raise(94);
    return Variant(vb::Join(items, text(d)));
}

Variant fnFilter(Frame &, Args a)
{
    const QStringList items = textList(a[0]);
    if (items.isEmpty() && a[0].rawArray()->dims() != 1)
        vb::raise(5);
    Variant m = value(a[1]);
    if (m.isNull())
        vb::raise(94);
    const bool include = given(a, 2) ? value(a[2]).toBool() : true;
    return arrayOf(vb::Filter(items, text(m), include, compareArg(a, 3)));
}

Variant fnStrComp(Frame &, Args a) { return vb::var::StrComp(a[0], a[1], compareArg(a, 2)); }

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
        vb::raise(13);
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
    const QString pattern = parens ? pos + QStringLiteral(";(") + pos + QLatin1Char(')') : pos + QStringLiteral(";-") + pos;
    QString out = vb::Format(v, pattern);
    return Variant(out);
}

} // namespace

Variant fnFormatNumber(Frame &, Args a) { return formatNumeric(a, QString(), QString(), false, false); }
Variant fnFormatCurrency(Frame &, Args a) { return formatNumeric(a, QStringLiteral("$"), QString(), false, true); }
Variant fnFormatPercent(Frame &, Args a) { return formatNumeric(a, QString(), QString(), true, false); }

Variant fnFormatDateTime(Frame &, Args a)
{
    if (a[0].isNull())
        vb::raise(13);
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
