#include "Format.h"

#include "Conversions.h"
#include "VbError.h"

#include <QStringList>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace vb {

namespace {

// ---- pattern scanning ---------------------------------------------------------

// Splits a pattern into its ";" sections; quoted text and "\x" escapes may
// contain a semicolon.
QStringList splitSections(const QString &p)
{
    QStringList out;
    QString cur;
    bool quoted = false;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p[i];
        if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && c == u'\\' && i + 1 < p.size()) {
            cur += c;
            cur += p[++i];
            continue;
        } else if (!quoted && c == u';') {
            out << cur;
            cur.clear();
            continue;
        }
        cur += c;
    }
    out << cur;
    return out;
}

inline QChar lower(QChar c) { return c.toLower(); }

bool matchesAt(const QString &s, qsizetype i, QLatin1StringView word)
{
    return s.size() - i >= word.size() && QStringView(s).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

enum class Kind { None, Number, Date, Text };

// The kind of a user pattern is set by its first placeholder, as the classic
// Format decides it: 0 # for numbers, @ & for text, date letters for dates.
Kind classify(const QString &p)
{
    bool textMarks = false;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p[i];
        if (c == u'"') {
            const qsizetype end = p.indexOf(u'"', i + 1);
            if (end < 0)
                break;
            i = end;
            continue;
        }
        if (c == u'\\') {
            ++i;
            continue;
        }
        switch (lower(c).unicode()) {
        case u'0': case u'#': return Kind::Number;
        case u'@': case u'&': return Kind::Text;
        case u'd': case u'm': case u'y': case u'h': case u'n': case u's': case u'w': case u'q': case u'c':
            return Kind::Date;
        case u't':
            if (matchesAt(p, i, QLatin1StringView("ttttt")))
                return Kind::Date;
            break;
        case u'a':
            if (matchesAt(p, i, QLatin1StringView("am/pm")) || matchesAt(p, i, QLatin1StringView("a/p"))
                || matchesAt(p, i, QLatin1StringView("ampm")))
                return Kind::Date;
            break;
        case u'<': case u'>': case u'!':
            textMarks = true;
            break;
        default:
            break;
        }
    }
    return textMarks ? Kind::Text : Kind::None;
}

// ---- dates --------------------------------------------------------------------

enum class DTok {
    Literal, General, Day, Day2, DayAbbr, DayName, ShortDate, LongDate, Weekday, Week,
    Month, Month2, MonthAbbr, MonthName, Minute, Minute2, Quarter, DayOfYear, Year2, Year4,
    Hour, Hour2, Second, Second2, LongTime, AmPm, AP, SysAmPm
};

struct DateItem {
    DTok tok;
    QString text; // literal text, or the designators as written (AM/PM, A/P)
};

std::vector<DateItem> tokenizeDate(const QString &p)
{
    std::vector<DateItem> out;
    auto literal = [&out](const QString &t) {
        if (!out.empty() && out.back().tok == DTok::Literal)
            out.back().text += t;
        else
            out.push_back({DTok::Literal, t});
    };
    for (qsizetype i = 0; i < p.size();) {
        const QChar c = p[i];
        if (c == u'"') {
            qsizetype end = p.indexOf(u'"', i + 1);
            if (end < 0)
                end = p.size();
            literal(p.mid(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (c == u'\\') {
            if (i + 1 < p.size())
                literal(QString(p[i + 1]));
            i += 2;
            continue;
        }
        const QChar l = lower(c);
        qsizetype run = 1;
        while (i + run < p.size() && lower(p[i + run]) == l)
            ++run;
        switch (l.unicode()) {
        case u'a':
            if (matchesAt(p, i, QLatin1StringView("am/pm"))) {
                out.push_back({DTok::AmPm, p.mid(i, 5)});
                i += 5;
            } else if (matchesAt(p, i, QLatin1StringView("a/p"))) {
                out.push_back({DTok::AP, p.mid(i, 3)});
                i += 3;
            } else if (matchesAt(p, i, QLatin1StringView("ampm"))) {
                out.push_back({DTok::SysAmPm, {}});
                i += 4;
            } else {
                literal(QString(c));
                ++i;
            }
            continue;
        case u'c':
            out.push_back({DTok::General, {}});
            i += 1;
            continue;
        case u'd': {
            static const DTok days[] = {DTok::Day, DTok::Day2, DTok::DayAbbr, DTok::DayName, DTok::ShortDate, DTok::LongDate};
            const qsizetype k = std::min<qsizetype>(run, 6);
            out.push_back({days[k - 1], {}});
            i += k;
            continue;
        }
        case u'w': {
            const qsizetype k = std::min<qsizetype>(run, 2);
            out.push_back({k == 2 ? DTok::Week : DTok::Weekday, {}});
            i += k;
            continue;
        }
        case u'm': {
            static const DTok months[] = {DTok::Month, DTok::Month2, DTok::MonthAbbr, DTok::MonthName};
            const qsizetype k = std::min<qsizetype>(run, 4);
            out.push_back({months[k - 1], {}});
            i += k;
            continue;
        }
        case u'q':
            out.push_back({DTok::Quarter, {}});
            i += 1;
            continue;
        case u'y': {
            const qsizetype k = run >= 4 ? 4 : run >= 2 ? 2 : 1;
            out.push_back({k == 4 ? DTok::Year4 : k == 2 ? DTok::Year2 : DTok::DayOfYear, {}});
            i += k;
            continue;
        }
        case u'h': case u'n': case u's': {
            const bool two = run >= 2;
            DTok t = l == u'h' ? (two ? DTok::Hour2 : DTok::Hour)
                   : l == u'n' ? (two ? DTok::Minute2 : DTok::Minute)
                               : (two ? DTok::Second2 : DTok::Second);
            out.push_back({t, {}});
            i += two ? 2 : 1;
            continue;
        }
        case u't':
            if (run >= 5) {
                out.push_back({DTok::LongTime, {}});
                i += 5;
                continue;
            }
            break;
        default:
            break;
        }
        literal(QString(c)); // "/" and ":" are the US separators already
        ++i;
    }
    // "m" right after an hour means minutes.
    DTok last = DTok::Literal;
    for (auto &it : out) {
        if (it.tok == DTok::Literal)
            continue;
        if ((it.tok == DTok::Month || it.tok == DTok::Month2) && (last == DTok::Hour || last == DTok::Hour2))
            it.tok = it.tok == DTok::Month ? DTok::Minute : DTok::Minute2;
        last = it.tok;
    }
    return out;
}

QString two(int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); }

const char *const kMonthNames[12] = {"January", "February", "March", "April", "May", "June", "July",
                                     "August", "September", "October", "November", "December"};
const char *const kDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

QString formatDatePattern(double ole, const QString &pattern, FirstDayOfWeek firstDay, FirstWeekOfYear firstWeek)
{
    const std::vector<DateItem> items = tokenizeDate(pattern);
    bool twelve = false;
    for (const auto &it : items)
        if (it.tok == DTok::AmPm || it.tok == DTok::AP || it.tok == DTok::SysAmPm)
            twelve = true;
    const DateParts p = splitOleDate(ole);
    const bool am = p.hour < 12;
    const int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
    const int hour = twelve ? h12 : p.hour;
    const QLatin1StringView monthName(kMonthNames[p.month - 1]);
    const QLatin1StringView dayName(kDayNames[p.dayOfWeek - 1]);
    QString out;
    for (const auto &it : items) {
        switch (it.tok) {
        case DTok::Literal: out += it.text; break;
        case DTok::General: out += dateToString(ole); break;
        case DTok::Day: out += QString::number(p.day); break;
        case DTok::Day2: out += two(p.day); break;
        case DTok::DayAbbr: out += dayName.first(3); break;
        case DTok::DayName: out += dayName; break;
        case DTok::ShortDate:
            out += QString::number(p.month) + QLatin1Char('/') + QString::number(p.day) + QLatin1Char('/') + QString::number(p.year);
            break;
        case DTok::LongDate:
            out += dayName + QLatin1String(", ") + monthName + QLatin1Char(' ') + QString::number(p.day) + QLatin1String(", ")
                + QString::number(p.year);
            break;
        case DTok::Weekday: out += DatePart(QStringLiteral("w"), Variant::fromDate(ole), firstDay, firstWeek).toString(); break;
        case DTok::Week: out += DatePart(QStringLiteral("ww"), Variant::fromDate(ole), firstDay, firstWeek).toString(); break;
        case DTok::Month: out += QString::number(p.month); break;
        case DTok::Month2: out += two(p.month); break;
        case DTok::MonthAbbr: out += monthName.first(3); break;
        case DTok::MonthName: out += monthName; break;
        case DTok::Minute: out += QString::number(p.minute); break;
        case DTok::Minute2: out += two(p.minute); break;
        case DTok::Quarter: out += QString::number((p.month - 1) / 3 + 1); break;
        case DTok::DayOfYear: out += QString::number(QDate(p.year, p.month, p.day).dayOfYear()); break;
        case DTok::Year2: out += two(p.year % 100); break;
        case DTok::Year4: out += QString::number(p.year); break;
        case DTok::Hour: out += QString::number(hour); break;
        case DTok::Hour2: out += two(hour); break;
        case DTok::Second: out += QString::number(p.second); break;
        case DTok::Second2: out += two(p.second); break;
        case DTok::LongTime:
            out += QString::number(h12) + QLatin1Char(':') + two(p.minute) + QLatin1Char(':') + two(p.second)
                + (am ? QLatin1String(" AM") : QLatin1String(" PM"));
            break;
        case DTok::AmPm: out += am ? it.text.left(2) : it.text.mid(3, 2); break;   // as written: AM/PM, am/pm
        case DTok::AP: out += am ? it.text.left(1) : it.text.mid(2, 1); break;
        case DTok::SysAmPm: out += am ? QLatin1String("AM") : QLatin1String("PM"); break;
        }
    }
    return out;
}

// ---- numbers ------------------------------------------------------------------

// A non-negative decimal: value = 0.digits x 10^exp, no leading zeros in
// digits; empty digits is zero.
struct Dec {
    std::string digits;
    int exp = 0;
    bool isZero() const { return digits.empty(); }
};

void trimDec(Dec &d)
{
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    size_t lead = 0;
    while (lead < d.digits.size() && d.digits[lead] == '0')
        ++lead;
    d.digits.erase(0, lead);
    d.exp -= int(lead);
    if (d.digits.empty())
        d.exp = 0;
}

Dec decFromDouble(double v, int precision)
{
    Dec d;
    v = std::fabs(v);
    if (v == 0 || !std::isfinite(v))
        return d;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, precision - 1);
    const char *p = buf;
    for (; p < r.ptr && *p != 'e'; ++p)
        if (*p != '.')
            d.digits += *p;
    int e = 0;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), r.ptr, e);
    d.exp = e + 1;
    trimDec(d);
    return d;
}

Dec decFromWhole(uint64_t v, int scale)
{
    Dec d;
    if (!v)
        return d;
    d.digits = std::to_string(v);
    d.exp = int(d.digits.size()) - scale;
    trimDec(d);
    return d;
}

// Rounds half away from zero to `frac` decimals and returns the integer
// digits (no leading zeros, empty for zero) and exactly `frac` decimals.
void roundDec(Dec d, int frac, std::string *intPart, std::string *fracPart)
{
    const int cut = d.exp + frac;
    if (!d.isZero()) {
        if (cut < 0) {
            d.digits.clear();
        } else if (cut < int(d.digits.size())) {
            const bool up = d.digits[size_t(cut)] >= '5';
            d.digits.resize(size_t(cut));
            if (up) {
                int i = cut - 1;
                while (i >= 0 && d.digits[size_t(i)] == '9')
                    d.digits[size_t(i--)] = '0';
                if (i < 0) {
                    d.digits.insert(d.digits.begin(), '1');
                    ++d.exp;
                } else {
                    ++d.digits[size_t(i)];
                }
            }
        }
    }
    trimDec(d);
    intPart->clear();
    fracPart->clear();
    for (int k = 0; k < d.exp; ++k)
        *intPart += k < int(d.digits.size()) ? d.digits[size_t(k)] : '0';
    for (int k = d.exp; k < d.exp + frac; ++k)
        *fracPart += (k >= 0 && k < int(d.digits.size())) ? d.digits[size_t(k)] : '0';
}

struct NumValue {
    Dec dec;
    bool negative = false;
    double d = 0;
};

enum class NTok { Zero, Hash, Point, Literal, Exp };

struct NumItem {
    NTok tok;
    QString text;
    bool expPlus = false;
};

struct NumPattern {
    std::vector<NumItem> items;
    bool grouping = false;
    int scale = 0;    // thousands divided away
    int percent = 0;
    int fracCount = 0;
    int intCount = 0;
    int pointAt = -1, expAt = -1;
};

NumPattern parseNumberPattern(const QString &p)
{
    NumPattern np;
    std::vector<NumItem> raw;
    std::vector<bool> isComma;
    auto literal = [&](const QString &t) {
        raw.push_back({NTok::Literal, t});
        isComma.push_back(false);
    };
    bool seenDigit = false, seenPoint = false, seenExp = false;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p[i];
        if (c == u'"') {
            qsizetype end = p.indexOf(u'"', i + 1);
            if (end < 0)
                end = p.size();
            literal(p.mid(i + 1, end - i - 1));
            i = end;
        } else if (c == u'\\') {
            if (i + 1 < p.size())
                literal(QString(p[++i]));
        } else if (c == u'0' || c == u'#') {
            raw.push_back({c == u'0' ? NTok::Zero : NTok::Hash, {}});
            isComma.push_back(false);
            seenDigit = true;
        } else if (c == u'.' && !seenPoint && !seenExp) {
            raw.push_back({NTok::Point, {}});
            isComma.push_back(false);
            seenPoint = true;
        } else if (c == u',' && !seenPoint && !seenExp) {
            raw.push_back({NTok::Literal, QStringLiteral(",")});
            isComma.push_back(true);
        } else if (c == u'%') {
            literal(QStringLiteral("%"));
            ++np.percent;
        } else if ((c == u'E' || c == u'e') && seenDigit && !seenExp && i + 1 < p.size()
                   && (p[i + 1] == u'+' || p[i + 1] == u'-')) {
            raw.push_back({NTok::Exp, QString(c), p[i + 1] == u'+'});
            isComma.push_back(false);
            seenExp = true;
            ++i;
        } else {
            literal(QString(c));
        }
    }
    // Commas of the integer part: between placeholders they group thousands;
    // after the last one (before the point) each divides by 1000.
    size_t intEnd = raw.size();
    for (size_t k = 0; k < raw.size(); ++k)
        if (raw[k].tok == NTok::Point || raw[k].tok == NTok::Exp) {
            intEnd = k;
            break;
        }
    std::vector<NumItem> items;
    bool before = false;
    for (size_t k = 0; k < raw.size(); ++k) {
        if (raw[k].tok == NTok::Zero || raw[k].tok == NTok::Hash) {
            if (k < intEnd)
                before = true;
        }
        if (k < intEnd && isComma[k] && before) {
            bool after = false;
            for (size_t j = k + 1; j < intEnd; ++j)
                if (raw[j].tok == NTok::Zero || raw[j].tok == NTok::Hash)
                    after = true;
            if (after)
                np.grouping = true;
            else
                ++np.scale;
            continue;
        }
        items.push_back(raw[k]);
    }
    // ".00" still shows the whole part: an implied "#" before the point.
    bool anyInt = false;
    for (const auto &it : items) {
        if (it.tok == NTok::Point || it.tok == NTok::Exp)
            break;
        if (it.tok == NTok::Zero || it.tok == NTok::Hash)
            anyInt = true;
    }
    if (!anyInt) {
        for (size_t k = 0; k < items.size(); ++k)
            if (items[k].tok == NTok::Point) {
                items.insert(items.begin() + k, NumItem{NTok::Hash, {}});
                break;
            }
    }
    np.items = std::move(items);
    bool inFrac = false, inExp = false;
    for (size_t k = 0; k < np.items.size(); ++k) {
        const NTok t = np.items[k].tok;
        if (t == NTok::Point) {
            np.pointAt = int(k);
            inFrac = true;
        } else if (t == NTok::Exp) {
            np.expAt = int(k);
            inExp = true;
            inFrac = false;
        } else if (t == NTok::Zero || t == NTok::Hash) {
            if (inExp)
                continue;
            if (inFrac)
                ++np.fracCount;
            else
                ++np.intCount;
        }
    }
    return np;
}

QString formatNumberPattern(const NumValue &nv, const NumPattern &np)
{
    Dec d = nv.dec;
    if (!d.isZero())
        d.exp += 2 * np.percent - 3 * np.scale;
    std::string intDigits, fracDigits;
    int exponent = 0;
    if (np.expAt >= 0) {
        const int k = std::max(1, np.intCount);
        if (!d.isZero()) {
            exponent = d.exp - k;
            Dec m = d;
            m.exp = k;
            roundDec(m, np.fracCount, &intDigits, &fracDigits);
            if (int(intDigits.size()) > k) { // 9.99 rounded up to 10.0
                ++exponent;
                m.digits = intDigits + fracDigits;
                m.exp = int(intDigits.size()) - 1;
                trimDec(m);
                m.exp = k;
                roundDec(m, np.fracCount, &intDigits, &fracDigits);
            }
        } else {
            roundDec(d, np.fracCount, &intDigits, &fracDigits);
        }
    } else {
        roundDec(d, np.fracCount, &intDigits, &fracDigits);
    }

    const size_t intEnd = np.pointAt >= 0 ? size_t(np.pointAt) : np.expAt >= 0 ? size_t(np.expAt) : np.items.size();
    int firstPlaceholder = -1;
    for (size_t k = 0; k < intEnd; ++k)
        if (np.items[k].tok == NTok::Zero || np.items[k].tok == NTok::Hash) {
            firstPlaceholder = int(k);
            break;
        }

    // Integer part, right to left.
    QString left;
    int pos = 0;
    const int n = int(intDigits.size());
    auto putDigit = [&](char digit) {
        if (np.grouping && pos > 0 && pos % 3 == 0)
            left.prepend(QLatin1Char(','));
        left.prepend(QLatin1Char(digit));
        ++pos;
    };
    for (int k = int(intEnd) - 1; k >= 0; --k) {
        const NumItem &it = np.items[size_t(k)];
        if (it.tok == NTok::Literal) {
            left.prepend(it.text);
            continue;
        }
        if (k == firstPlaceholder) {
            if (pos < n) {
                while (pos < n)
                    putDigit(intDigits[size_t(n - 1 - pos)]);
            } else if (it.tok == NTok::Zero) {
                putDigit('0');
            }
        } else if (pos < n) {
            putDigit(intDigits[size_t(n - 1 - pos)]);
        } else if (it.tok == NTok::Zero) {
            putDigit('0');
        }
    }

    // Fraction and exponent, left to right.
    QString right;
    int lastSignificant = -1;
    for (int k = 0; k < int(fracDigits.size()); ++k)
        if (fracDigits[size_t(k)] != '0')
            lastSignificant = k;
    int fi = 0;
    bool expDone = false;
    int expZeros = 0;
    if (np.expAt >= 0)
        for (size_t k = size_t(np.expAt) + 1; k < np.items.size(); ++k)
            if (np.items[k].tok == NTok::Zero)
                ++expZeros;
    bool inExp = false;
    for (size_t k = intEnd; k < np.items.size(); ++k) {
        const NumItem &it = np.items[k];
        switch (it.tok) {
        case NTok::Literal: right += it.text; break;
        case NTok::Point: right += QLatin1Char('.'); break;
        case NTok::Exp:
            inExp = true;
            right += it.text;
            if (exponent < 0)
                right += QLatin1Char('-');
            else if (it.expPlus)
                right += QLatin1Char('+');
            break;
        case NTok::Zero: case NTok::Hash:
            if (inExp) {
                if (!expDone) {
                    right += QString::number(std::abs(exponent)).rightJustified(std::max(expZeros, 1), QLatin1Char('0'));
                    expDone = true;
                }
            } else {
                if (it.tok == NTok::Zero || fi <= lastSignificant)
                    right += QLatin1Char(fracDigits[size_t(fi)]);
                ++fi;
            }
            break;
        }
    }
    return left + right;
}

// The number a value stands for in a number pattern; false for text that is
// no number (the classic Format then returns the text itself).
bool numberOf(const Variant &v, NumValue *out)
{
    switch (v.type()) {
    case VarType::Empty: return true;
    case VarType::Boolean: case VarType::Integer: case VarType::Long: case VarType::Byte: {
        const int64_t i = v.rawInt();
        out->negative = i < 0;
        out->dec = decFromWhole(i < 0 ? uint64_t(0) - uint64_t(i) : uint64_t(i), 0);
        out->d = double(i);
        return true;
    }
    case VarType::Currency: {
        const int64_t i = v.rawInt();
        out->negative = i < 0;
        out->dec = decFromWhole(i < 0 ? uint64_t(0) - uint64_t(i) : uint64_t(i), 4);
        out->d = double(i) / 10000.0;
        return true;
    }
    case VarType::Single:
        out->d = v.rawDouble();
        out->negative = out->d < 0;
        out->dec = decFromDouble(out->d, 7);
        return true;
    case VarType::Double: case VarType::Date: case VarType::Decimal:
        out->d = v.rawDouble();
        out->negative = out->d < 0;
        out->dec = decFromDouble(out->d, 15);
        return true;
    case VarType::String: {
        double d;
        if (!parseNumber(v.rawString(), &d))
            return false;
        out->d = d;
        out->negative = d < 0;
        out->dec = decFromDouble(d, 15);
        return true;
    }
    default:
        raise(13);
    }
}

QString formatNumber(const Variant &v, const QString &pattern)
{
    const QStringList sections = splitSections(pattern);
    if (v.isNull())
        return sections.size() >= 4 ? formatNumberPattern(NumValue(), parseNumberPattern(sections[3])) : QString();
    NumValue nv;
    if (!numberOf(v, &nv))
        return v.rawString();
    QString section = sections[0];
    bool minus = false;
    if (nv.dec.isZero()) {
        if (sections.size() >= 3 && !sections[2].isEmpty())
            section = sections[2];
        nv.negative = false;
    } else if (nv.negative) {
        if (sections.size() >= 2 && !sections[1].isEmpty())
            section = sections[1];
        else
            minus = true;
    }
    const QString text = formatNumberPattern(nv, parseNumberPattern(section));
    return minus ? QLatin1Char('-') + text : text;
}

// ---- text ---------------------------------------------------------------------

QString formatText(const Variant &v, const QString &pattern)
{
    const QStringList sections = splitSections(pattern);
    QString s = v.isNull() || v.isEmpty() ? QString() : v.toString();
    QString section = sections[0];
    if (s.isEmpty() && sections.size() >= 2)
        section = sections[1];
    else if (v.isNull())
        return QString();

    struct Item { bool placeholder; QChar ch; QString text; };
    std::vector<Item> items;
    bool lowerAll = false, upperAll = false, leftToRight = false;
    int placeholders = 0;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == u'"') {
            qsizetype end = section.indexOf(u'"', i + 1);
            if (end < 0)
                end = section.size();
            items.push_back({false, {}, section.mid(i + 1, end - i - 1)});
            i = end;
        } else if (c == u'\\') {
            if (i + 1 < section.size())
                items.push_back({false, {}, QString(section[++i])});
        } else if (c == u'@' || c == u'&') {
            items.push_back({true, c, {}});
            ++placeholders;
        } else if (c == u'<') {
            lowerAll = true;
            upperAll = false;
        } else if (c == u'>') {
            upperAll = true;
            lowerAll = false;
        } else if (c == u'!') {
            leftToRight = true;
        } else {
            items.push_back({false, {}, QString(c)});
        }
    }
    if (lowerAll)
        s = s.toLower();
    if (upperAll)
        s = s.toUpper();
    if (!placeholders) {
        QString out;
        for (const auto &it : items)
            out += it.text;
        return out + s;
    }
    // Each placeholder takes one character; text longer than the placeholders
    // is kept whole (before the first placeholder, or after the last one when
    // filling left to right), so nothing is lost.
    std::vector<QString> fill(items.size());
    if (leftToRight) {
        qsizetype next = 0;
        int seen = 0;
        for (size_t k = 0; k < items.size(); ++k) {
            if (!items[k].placeholder)
                continue;
            ++seen;
            if (seen == placeholders && s.size() - next > 1)
                fill[k] = s.mid(next);
            else if (next < s.size())
                fill[k] = s.mid(next, 1);
            else
                fill[k] = items[k].ch == u'@' ? QStringLiteral(" ") : QString();
            next += fill[k].size();
        }
    } else {
        qsizetype next = s.size();
        int seen = 0;
        for (size_t k = items.size(); k-- > 0;) {
            if (!items[k].placeholder)
                continue;
            ++seen;
            if (seen == placeholders && next > 1)
                fill[k] = s.left(next);
            else if (next > 0)
                fill[k] = s.mid(next - 1, 1);
            else
                fill[k] = items[k].ch == u'@' ? QStringLiteral(" ") : QString();
            next -= next > 0 ? fill[k].size() : 0;
        }
    }
    QString out;
    for (size_t k = 0; k < items.size(); ++k)
        out += items[k].placeholder ? fill[k] : items[k].text;
    return out;
}

// ---- dispatch -----------------------------------------------------------------

Variant resolved(const Variant &v)
{
    if (v.isObject()) {
        if (!v.rawObject())
            raise(91);
        return resolved(v.rawObject()->defaultValue());
    }
    if (v.isArray())
        raise(13);
    return v;
}

// The OLE date a value stands for in a date pattern; false when there is none
// (the value is then shown as CStr shows it).
bool dateOf(const Variant &v, double *ole)
{
    switch (v.type()) {
    case VarType::Date: *ole = v.rawDouble(); return true;
    case VarType::Empty: *ole = 0; return true;
    case VarType::String: {
        if (parseDateText(v.rawString(), ole))
            return true;
        double d;
        if (!parseNumber(v.rawString(), &d) || !(d >= kMinOleDate && d < kMaxOleDate + 1))
            return false;
        *ole = d;
        return true;
    }
    case VarType::Error: raise(13);
    default: {
        const double d = v.toDouble();
        if (!(d >= kMinOleDate && d < kMaxOleDate + 1))
            return false;
        *ole = d;
        return true;
    }
    }
}

QString formatDate(const Variant &v, const QString &pattern, FirstDayOfWeek fd, FirstWeekOfYear fw)
{
    if (v.isNull())
        return QString();
    double ole;
    if (!dateOf(v, &ole))
        return v.toString();
    return formatDatePattern(ole, splitSections(pattern)[0], fd, fw);
}

QString formatWords(const Variant &v, const char *yes, const char *no)
{
    if (v.isNull())
        return QString();
    NumValue nv;
    if (!numberOf(v, &nv))
        return v.rawString();
    return QString::fromLatin1(nv.dec.isZero() ? no : yes);
}

} // namespace

QString Format(const Variant &value, const QString &pattern, FirstDayOfWeek firstDay, FirstWeekOfYear firstWeek)
{
    const Variant v = resolved(value);
    if (pattern.isEmpty()) {
        if (v.isNull() || v.isEmpty())
            return QString();
        return v.toString();
    }

    const QString named = pattern.trimmed().toLower();
    // The named formats stand for these patterns.
    struct Named {
        const char *name, *pattern;
    };
    static const Named namedDates[] = {
        {"general date", "c"},
        {"long date", "dddd, mmmm d, yyyy"},
        {"medium date", "dd-mmm-yy"},
        {"short date", "m/d/yyyy"},
        {"long time", "h:mm:ss AM/PM"},
        {"medium time", "hh:mm AM/PM"},
        {"short time", "hh:mm"},
    };
    for (const Named &n : namedDates) {
        if (named == QLatin1String(n.name))
            return formatDate(v, QString::fromLatin1(n.pattern), firstDay, firstWeek);
    }
    if (named == QLatin1String("general number")) {
        NumValue nv;
        if (v.isNull())
            return QString();
        if (!numberOf(v, &nv))
            return v.rawString();
        return v.type() == VarType::Currency ? v.toString() : doubleToString(nv.d);
    }
    static const Named namedNumbers[] = {
        {"currency", "$#,##0.00;($#,##0.00)"},
        {"fixed", "0.00"},
        {"standard", "#,##0.00"},
        {"percent", "0.00%"},
        {"scientific", "0.00E+00"},
    };
    for (const Named &n : namedNumbers) {
        if (named == QLatin1String(n.name))
            return formatNumber(v, QString::fromLatin1(n.pattern));
    }
    static const struct {
        const char *name, *yes, *no;
    } namedWords[] = {
        {"yes/no", "Yes", "No"},
        {"true/false", "True", "False"},
        {"on/off", "On", "Off"},
    };
    for (const auto &w : namedWords) {
        if (named == QLatin1String(w.name))
            return formatWords(v, w.yes, w.no);
    }

    switch (classify(pattern)) {
    case Kind::Date: return formatDate(v, pattern, firstDay, firstWeek);
    case Kind::Number: return formatNumber(v, pattern);
    case Kind::Text: return formatText(v, pattern);
    case Kind::None: {
        NumValue nv;
        if (v.isString() && !parseNumber(v.rawString(), &nv.d))
            return formatText(v, pattern);
        return formatNumber(v, pattern);
    }
    }
    return QString();
}

} // namespace vb
