#include "Strings.h"
#include "TextFile.h"

#include "VbError.h"

#include <vector>

namespace vb {

namespace {

inline Qt::CaseSensitivity cs(CompareMode mode)
{
    return mode == CompareMode::Text ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

// Whole-number argument of a Variant form: Null raises 94.
inline int32_t longArg(const Variant &v)
{
    return v.toLong();
}

} // namespace

QString Mid(const QString &s, int start, std::optional<int> length)
{
    if (start < 1)
        raise(5);
    if (length && *length < 0)
        raise(5);
    if (start > s.size())
        return QString();
    return length ? s.mid(start - 1, *length) : s.mid(start - 1);
}

QString Left(const QString &s, int length)
{
    if (length < 0)
        raise(5);
    return s.left(length);
}

QString Right(const QString &s, int length)
{
    if (length < 0)
        raise(5);
    return s.right(length);
}

int Len(const QString &s) { return int(s.size()); }

int InStr(const QString &s, const QString &find, CompareMode mode) { return InStr(1, s, find, mode); }

int InStr(int start, const QString &s, const QString &find, CompareMode mode)
{
    if (start < 1)
        raise(5);
    if (s.isEmpty() || start > s.size())
        return 0;
    if (find.isEmpty())
        return start;
    return int(s.indexOf(find, start - 1, cs(mode))) + 1;
}

int InStrRev(const QString &s, const QString &find, int start, CompareMode mode)
{
    if (start == 0 || start < -1)
        raise(5);
    if (start == -1)
        start = int(s.size());
    if (start > s.size())
        return 0;
    if (find.isEmpty())
        return start;
    // The match must end at or before `start`.
    const qsizetype from = qsizetype(start) - find.size();
    if (from < 0)
        return 0;
    return int(s.lastIndexOf(find, from, cs(mode))) + 1;
}

QString Replace(const QString &s, const QString &find, const QString &with, int start, int count, CompareMode mode)
{
    if (start < 1 || count < -1)
        raise(5);
    if (start > s.size())
        return QString();
    const QString from = s.mid(start - 1);
    if (find.isEmpty() || count == 0)
        return from;
    QString out;
    out.reserve(from.size());
    qsizetype pos = 0;
    int done = 0;
    while (count == -1 || done < count) {
        const qsizetype hit = from.indexOf(find, pos, cs(mode));
        if (hit < 0)
            break;
        out += QStringView(from).mid(pos, hit - pos);
        out += with;
        pos = hit + find.size();
        ++done;
    }
    out += QStringView(from).mid(pos);
    return out;
}

QStringList Split(const QString &s, const QString &delimiter, int limit, CompareMode mode)
{
    if (limit < -1)
        raise(5);
    QStringList out;
    if (s.isEmpty() || limit == 0)
        return out;
    if (delimiter.isEmpty()) {
        out << s;
        return out;
    }
    qsizetype pos = 0;
    while (limit == -1 || out.size() < limit - 1) {
        const qsizetype hit = s.indexOf(delimiter, pos, cs(mode));
        if (hit < 0)
            break;
        out << s.mid(pos, hit - pos);
        pos = hit + delimiter.size();
    }
    out << s.mid(pos);
    return out;
}

QString Join(const QStringList &parts, const QString &delimiter) { return parts.join(delimiter); }

QStringList Filter(const QStringList &items, const QString &match, bool include, CompareMode mode)
{
    QStringList out;
    for (const QString &item : items)
        if (item.contains(match, cs(mode)) == include)
            out << item;
    return out;
}

QString Trim(const QString &s) { return RTrim(LTrim(s)); }

QString LTrim(const QString &s)
{
    qsizetype i = 0;
    while (i < s.size() && s[i] == u' ')
        ++i;
    return s.mid(i);
}

QString RTrim(const QString &s)
{
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == u' ')
        --n;
    return s.left(n);
}

QString UCase(const QString &s) { return s.toUpper(); }
QString LCase(const QString &s) { return s.toLower(); }

QString Space(int count)
{
    if (count < 0)
        raise(5);
    return QString(count, QLatin1Char(' '));
}

QString String(int count, QChar ch)
{
    if (count < 0)
        raise(5);
    return QString(count, ch);
}

QString String(int count, const QString &s)
{
    if (s.isEmpty())
        raise(5);
    return String(count, s[0]);
}

QString String(int count, int charCode)
{
    if (charCode < 0)
        raise(5);
    return String(count, QChar(windows1252Char(uchar(charCode % 256))));
}

int StrComp(const QString &a, const QString &b, CompareMode mode)
{
    const int c = QString::compare(a, b, cs(mode));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QString StrReverse(const QString &s)
{
    QString out(s.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i)
        out[s.size() - 1 - i] = s[i];
    return out;
}

int Asc(const QString &s)
{
    if (s.isEmpty())
        raise(5);
    const int b = windows1252Byte(s[0].unicode());
    return b >= 0 ? b : int('?');
}

int AscW(const QString &s)
{
    if (s.isEmpty())
        raise(5);
    return int(int16_t(s[0].unicode()));
}

QString Chr(int code)
{
    if (code < 0 || code > 255)
        raise(5);
    return QString(QChar(windows1252Char(uchar(code))));
}

QString ChrW(int code)
{
    if (code < -32768 || code > 65535)
        raise(5);
    return QString(QChar(char16_t(code < 0 ? code + 65536 : code)));
}

namespace {

QString radix(const Variant &v, int base)
{
    if (v.isEmpty())
        return QStringLiteral("0");
    uint32_t bits;
    if (v.type() == VarType::Integer || v.type() == VarType::Boolean)
        bits = uint16_t(int16_t(v.rawInt()));
    else if (v.type() == VarType::Byte)
        bits = uint32_t(v.rawInt());
    else
        bits = uint32_t(v.toLong());
    return QString::number(bits, base).toUpper();
}

} // namespace

QString Hex(const Variant &v) { return radix(v, 16); }
QString Oct(const Variant &v) { return radix(v, 8); }

// ---- Like --------------------------------------------------------------------

namespace {

struct LikeToken {
    enum Kind { Star, Any, Digit, Char, Set } kind;
    QChar ch;
    std::vector<std::pair<QChar, QChar>> ranges; // Set
    bool negate = false;
};

std::vector<LikeToken> compileLike(const QString &p)
{
    std::vector<LikeToken> out;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p[i];
        if (c == u'*') {
            if (out.empty() || out.back().kind != LikeToken::Star)
                out.push_back({LikeToken::Star, {}, {}, false});
        } else if (c == u'?') {
            out.push_back({LikeToken::Any, {}, {}, false});
        } else if (c == u'#') {
            out.push_back({LikeToken::Digit, {}, {}, false});
        } else if (c == u'[') {
            const qsizetype end = p.indexOf(u']', i + 1);
            if (end < 0)
                raise(93);
            QStringView body = QStringView(p).mid(i + 1, end - i - 1);
            i = end;
            if (body.isEmpty())
                continue; // "[]" matches the empty string
            LikeToken t{LikeToken::Set, {}, {}, false};
            if (body.size() > 1 && body[0] == u'!') {
                t.negate = true;
                body = body.mid(1);
            }
            for (qsizetype k = 0; k < body.size(); ++k) {
                const QChar lo = body[k];
                if (k + 2 < body.size() && body[k + 1] == u'-') {
                    const QChar hi = body[k + 2];
                    if (hi < lo)
                        raise(93);
                    t.ranges.emplace_back(lo, hi);
                    k += 2;
                } else {
                    t.ranges.emplace_back(lo, lo);
                }
            }
            out.push_back(std::move(t));
        } else {
            out.push_back({LikeToken::Char, c, {}, false});
        }
    }
    return out;
}

inline QChar fold(QChar c) { return c.toCaseFolded(); }

bool tokenMatches(const LikeToken &t, QChar c, bool text)
{
    switch (t.kind) {
    case LikeToken::Any: return true;
    case LikeToken::Digit: return c >= u'0' && c <= u'9';
    case LikeToken::Char: return text ? fold(t.ch) == fold(c) : t.ch == c;
    case LikeToken::Set: {
        bool in = false;
        for (const auto &[lo, hi] : t.ranges) {
            if ((c >= lo && c <= hi)
                || (text && ((fold(c) >= fold(lo) && fold(c) <= fold(hi)) || (c.toUpper() >= lo && c.toUpper() <= hi)
                             || (c.toLower() >= lo && c.toLower() <= hi)))) {
                in = true;
                break;
            }
        }
        return in != t.negate;
    }
    case LikeToken::Star: return false;
    }
    return false;
}

} // namespace

bool Like(const QString &s, const QString &pattern, CompareMode mode)
{
    const std::vector<LikeToken> toks = compileLike(pattern);
    const bool text = mode == CompareMode::Text;
    // Greedy matching that falls back to the last "*": every other token
    // takes exactly one character, so this is complete and O(n*m) at worst.
    size_t ti = 0, starTi = size_t(-1);
    qsizetype si = 0, starSi = 0;
    const size_t m = toks.size();
    while (si < s.size()) {
        if (ti < m && toks[ti].kind != LikeToken::Star && tokenMatches(toks[ti], s[si], text)) {
            ++ti;
            ++si;
        } else if (ti < m && toks[ti].kind == LikeToken::Star) {
            starTi = ti++;
            starSi = si;
        } else if (starTi != size_t(-1)) {
            ti = starTi + 1;
            si = ++starSi;
        } else {
            return false;
        }
    }
    while (ti < m && toks[ti].kind == LikeToken::Star)
        ++ti;
    return ti == m;
}

Variant opLike(const Variant &s, const Variant &pattern, CompareMode mode)
{
    if (s.isNull() || pattern.isNull())
        return Variant::null();
    return Variant(Like(s.toString(), pattern.toString(), mode));
}

// ---- Variant forms -------------------------------------------------------------

namespace var {

Variant Len(const Variant &s)
{
    if (s.isNull())
        return s;
    return Variant(int32_t(s.toString().size()));
}

Variant Mid(const Variant &s, const Variant &start, const Variant &length)
{
    const int32_t st = longArg(start);
    const std::optional<int> len = length.isMissing() ? std::nullopt : std::optional<int>(longArg(length));
    if (s.isNull())
        return s;
    return Variant(vb::Mid(s.toString(), st, len));
}

Variant Left(const Variant &s, const Variant &length)
{
    const int32_t n = longArg(length);
    if (s.isNull())
        return s;
    return Variant(vb::Left(s.toString(), n));
}

Variant Right(const Variant &s, const Variant &length)
{
    const int32_t n = longArg(length);
    if (s.isNull())
        return s;
    return Variant(vb::Right(s.toString(), n));
}

Variant InStr(const Variant &start, const Variant &s, const Variant &find, CompareMode mode)
{
    const int32_t st = start.isMissing() ? 1 : longArg(start);
    if (st < 1)
        raise(5);
    if (s.isNull() || find.isNull())
        return Variant::null();
    return Variant(int32_t(vb::InStr(st, s.toString(), find.toString(), mode)));
}

Variant InStrRev(const Variant &s, const Variant &find, const Variant &start, CompareMode mode)
{
    const int32_t st = start.isMissing() ? -1 : longArg(start);
    if (s.isNull() || find.isNull())
        return Variant::null();
    return Variant(int32_t(vb::InStrRev(s.toString(), find.toString(), st, mode)));
}

Variant Trim(const Variant &s) { return s.isNull() ? s : Variant(vb::Trim(s.toString())); }
Variant LTrim(const Variant &s) { return s.isNull() ? s : Variant(vb::LTrim(s.toString())); }
Variant RTrim(const Variant &s) { return s.isNull() ? s : Variant(vb::RTrim(s.toString())); }
Variant UCase(const Variant &s) { return s.isNull() ? s : Variant(vb::UCase(s.toString())); }
Variant LCase(const Variant &s) { return s.isNull() ? s : Variant(vb::LCase(s.toString())); }

Variant StrComp(const Variant &a, const Variant &b, CompareMode mode)
{
    if (a.isNull() || b.isNull())
        return Variant::null();
    return Variant(int16_t(vb::StrComp(a.toString(), b.toString(), mode)));
}

Variant Hex(const Variant &v) { return v.isNull() ? v : Variant(vb::Hex(v)); }
Variant Oct(const Variant &v) { return v.isNull() ? v : Variant(vb::Oct(v)); }

} // namespace var

} // namespace vb
