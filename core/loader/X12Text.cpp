#include "core/loader/X12Text.h"

#include "vb/TextFile.h"

#include <QLocale>

#include <cmath>
#include <cstring>

namespace core::x12 {

namespace {

// The letters of the bytes 0x80-0x9F (Š, Œ, Ž, Ÿ and their small forms) keep
// their case: read as Latin-1 they were control characters, and a delimiter
// matches the same characters as it did then.
inline bool highWindows1252(char16_t c)
{
    return c > 0xFF && c < 0x2200 && vb::windows1252Byte(c) >= 0;
}

// Upper case of one character, as text comparison sees it; the files are
// 8-bit, so the Latin-1 letters fold as well as A to Z.
inline char16_t fold(char16_t c)
{
    if (c >= u'a' && c <= u'z')
        return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 32;
    if (c < 0x80)
        return c;
    if (c > 0xFF && !highWindows1252(c))
        return QChar(c).toUpper().unicode();
    return c;
}

inline char16_t otherCase(char16_t c)
{
    char16_t up = fold(c);
    if (up != c)
        return up;
    if (c >= u'A' && c <= u'Z')
        return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 32;
    if (c > 0xFF && !highWindows1252(c))
        return QChar(c).toLower().unicode();
    return c;
}

} // namespace

void cutInto(std::vector<QStringView> &pieces, QStringView text, QStringView delimiter, bool ignoreCase)
{
    pieces.clear();
    const qsizetype n = text.size();
    const qsizetype m = delimiter.size();
    if (m == 0) {
        pieces.push_back(text);
        return;
    }
    const char16_t *s = text.utf16();
    qsizetype start = 0;
    if (m == 1) {
        const char16_t a = delimiter.utf16()[0];
        const char16_t b = ignoreCase ? otherCase(a) : a;
        if (a == b) {
            for (qsizetype i = 0; i < n; ++i) {
                if (s[i] == a) {
                    pieces.push_back(text.mid(start, i - start));
                    start = i + 1;
                }
            }
        } else {
            for (qsizetype i = 0; i < n; ++i) {
                if (s[i] == a || s[i] == b) {
                    pieces.push_back(text.mid(start, i - start));
                    start = i + 1;
                }
            }
        }
    } else {
        const char16_t *d = delimiter.utf16();
        qsizetype i = 0;
        while (i + m <= n) {
            bool match = true;
            for (qsizetype k = 0; k < m; ++k) {
                char16_t x = s[i + k], y = d[k];
                if (x != y && (!ignoreCase || fold(x) != fold(y))) {
                    match = false;
                    break;
                }
            }
            if (match) {
                pieces.push_back(text.mid(start, i - start));
                i += m;
                start = i;
            } else {
                ++i;
            }
        }
    }
    pieces.push_back(text.mid(start));
}

std::vector<QStringView> cut(QStringView text, QStringView delimiter, bool ignoreCase)
{
    std::vector<QStringView> pieces;
    cutInto(pieces, text, delimiter, ignoreCase);
    return pieces;
}

namespace {

inline uchar foldByte(uchar c)
{
    return uchar(fold(c));
}

// Finds the next delimiter at or after `from`; -1 when there is none.
qsizetype findDelimiter(QByteArrayView text, qsizetype from, QByteArrayView delimiter, bool ignoreCase)
{
    const qsizetype n = text.size();
    const qsizetype m = delimiter.size();
    const char *s = text.data();
    if (m == 1) {
        const char a = delimiter[0];
        const char b = ignoreCase ? char(otherCase(uchar(a))) : a;
        if (a == b) {
            const void *hit = from < n ? std::memchr(s + from, a, size_t(n - from)) : nullptr;
            return hit ? static_cast<const char *>(hit) - s : -1;
        }
        for (qsizetype i = from; i < n; ++i)
            if (s[i] == a || s[i] == b)
                return i;
        return -1;
    }
    const char *d = delimiter.data();
    for (qsizetype i = from; i + m <= n; ++i) {
        qsizetype k = 0;
        for (; k < m; ++k) {
            const uchar x = uchar(s[i + k]), y = uchar(d[k]);
            if (x != y && (!ignoreCase || foldByte(x) != foldByte(y)))
                break;
        }
        if (k == m)
            return i;
    }
    return -1;
}

} // namespace

QByteArrayView nextPiece(QByteArrayView text, qsizetype &position, QByteArrayView delimiter, bool ignoreCase)
{
    const qsizetype start = position;
    if (delimiter.isEmpty()) {
        position = text.size() + 1;
        return text.sliced(qMin(start, text.size()));
    }
    const qsizetype hit = findDelimiter(text, start, delimiter, ignoreCase);
    if (hit < 0) {
        position = text.size() + 1;
        return text.sliced(qMin(start, text.size()));
    }
    position = hit + delimiter.size();
    return text.sliced(start, hit - start);
}

qsizetype countPieces(QByteArrayView text, QByteArrayView delimiter, bool ignoreCase)
{
    if (delimiter.isEmpty())
        return 1;
    qsizetype count = 1;
    qsizetype from = 0;
    while (true) {
        const qsizetype hit = findDelimiter(text, from, delimiter, ignoreCase);
        if (hit < 0)
            return count;
        ++count;
        from = hit + delimiter.size();
    }
}

void cutInto(std::vector<QByteArrayView> &pieces, QByteArrayView text, QByteArrayView delimiter, bool ignoreCase)
{
    pieces.clear();
    qsizetype position = 0;
    do {
        pieces.push_back(nextPiece(text, position, delimiter, ignoreCase));
    } while (position <= text.size());
}

qsizetype skipLineBreak(QByteArrayView text, qsizetype position)
{
    const qsizetype n = text.size();
    qsizetype i = position;
    while (i < n && (text[i] == '\r' || text[i] == '\n'))
        ++i;
    if (i == position)
        return position;
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    return i;
}

double leadingNumber(QByteArrayView text)
{
    return leadingNumber(QString::fromLatin1(text));
}

double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    double value = 0;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        value = value * 10 + (text[i].unicode() - u'0');
        ++i;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        double scale = 0.1;
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            value += (text[i].unicode() - u'0') * scale;
            scale /= 10;
            ++i;
        }
    }
    return negative ? -value : value;
}

QString groupDate(const QString &gs04)
{
    if (gs04.size() <= 6)
        return gs04.mid(2, 2) + u'/' + gs04.mid(4, 2) + u'/' + gs04.mid(0, 2);
    return gs04.mid(4, 2) + u'/' + gs04.mid(6, 2) + u'/' + gs04.mid(0, 4);
}

bool isValidTime(QStringView text)
{
    QStringView t = text.trimmed();
    // An AM/PM designator after the clock time.
    int meridian = 0; // 0 none, 1 AM, 2 PM
    auto endsWith = [&](QStringView suffix) { return t.endsWith(suffix, Qt::CaseInsensitive); };
    if (endsWith(u"AM") || endsWith(u"PM")) {
        meridian = endsWith(u"AM") ? 1 : 2;
        t = t.chopped(2).trimmed();
    } else if (endsWith(u"A") || endsWith(u"P")) {
        meridian = endsWith(u"A") ? 1 : 2;
        t = t.chopped(1).trimmed();
    }
    int values[3] = {0, 0, 0};
    int count = 0;
    qsizetype i = 0;
    while (true) {
        if (count == 3)
            return false;
        qsizetype digits = 0;
        int v = 0;
        while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') {
            v = v * 10 + (t[i].unicode() - u'0');
            ++i;
            if (++digits > 2)
                return false;
        }
        if (digits == 0)
            return false;
        values[count++] = v;
        if (i == t.size())
            break;
        if (t[i] != u':')
            return false;
        ++i;
    }
    if (count < 2)
        return false;
    if (values[1] > 59 || values[2] > 59)
        return false;
    if (meridian)
        return values[0] <= 12;
    return values[0] <= 23;
}

QString groupTime(const QString &gs05, const QDateTime &now)
{
    QString time;
    switch (gs05.size()) {
    case 4:
        time = gs05.mid(0, 2) + u':' + gs05.mid(2, 2);
        break;
    case 6:
    case 8:
        time = gs05.mid(0, 2) + u':' + gs05.mid(2, 2) + u':' + gs05.mid(4, 2);
        break;
    default:
        time = gs05;
    }
    if (!isValidTime(time))
        time = QLocale::c().toString(now.time(), QStringLiteral("HH:mm"));
    return time;
}

namespace {

// A partner delimiter replaces the file's only when both are known and differ.
bool swaps(const QString &fileDelimiter, const QString &delimiter)
{
    return !delimiter.isEmpty() && delimiter != fileDelimiter && !fileDelimiter.isEmpty();
}

} // namespace

QString redelimit(const QString &set, const QString &fileTerminator, const QString &fileSeparator,
                  const QString &terminator, const QString &separator)
{
    const bool swapTerminator = swaps(fileTerminator, terminator);
    const bool swapSeparator = swaps(fileSeparator, separator);
    if (!swapTerminator && !swapSeparator)
        return set;
    QString out;
    out.reserve(set.size() + set.size() / 8);
    const qsizetype n = set.size();
    qsizetype i = 0;
    while (i < n) {
        QStringView rest = QStringView(set).mid(i);
        if (swapTerminator && rest.startsWith(fileTerminator)) {
            out += terminator;
            i += fileTerminator.size();
        } else if (swapSeparator && rest.startsWith(fileSeparator)) {
            out += separator;
            i += fileSeparator.size();
        } else {
            out += set[i];
            ++i;
        }
    }
    return out;
}

bool redelimitChanges(const QString &fileTerminator, const QString &fileSeparator, const QString &terminator,
                      const QString &separator)
{
    return swaps(fileTerminator, terminator) || swaps(fileSeparator, separator);
}

QByteArrayView windows1252AsUtf8(QByteArrayView bytes, QByteArray &scratch)
{
    const char *const begin = bytes.data();
    const char *const end = begin + bytes.size();
    const char *p = begin;
    // Eight bytes at a time: a set is mostly ASCII, and is looked at whole.
    for (quint64 word; end - p >= 8; p += 8) {
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL)
            break;
    }
    while (p != end && static_cast<unsigned char>(*p) < 0x80)
        ++p;
    if (p == end)
        return bytes;
    scratch.resize(0);
    scratch.reserve(bytes.size() + bytes.size() / 2);
    scratch.append(begin, p - begin);
    for (; p != end; ++p) {
        const char16_t c = vb::windows1252Char(static_cast<unsigned char>(*p));
        if (c < 0x80) {
            scratch.append(char(c));
        } else if (c < 0x800) {
            scratch.append(char(0xC0 | (c >> 6)));
            scratch.append(char(0x80 | (c & 0x3F)));
        } else {
            scratch.append(char(0xE0 | (c >> 12)));
            scratch.append(char(0x80 | ((c >> 6) & 0x3F)));
            scratch.append(char(0x80 | (c & 0x3F)));
        }
    }
    return scratch;
}

QString elementAt(QStringView segment, QStringView separator, qsizetype position)
{
    const qsizetype firstSeparator = separator.isEmpty() ? -1 : segment.indexOf(separator);
    const QStringView id = firstSeparator < 0 ? segment : segment.first(firstSeparator);
    qsizetype element = 0;
    for (qsizetype at = firstSeparator; at >= 0 && at < position; at = segment.indexOf(separator, at + separator.size()))
        ++element;
    return id.toString() + QStringLiteral("%1").arg(element, 2, 10, QLatin1Char('0'));
}

QString placeInInterchange(QStringView text, qsizetype position)
{
    if (text.size() < 106 || !text.startsWith(u"ISA"))
        return QStringLiteral("position %1").arg(position + 1);
    const QStringView separator = text.sliced(3, 1);
    const QStringView terminator = text.size() > 106 && text.sliced(105, 2) == u"\r\n" ? text.sliced(105, 2)
                                                                                        : text.sliced(105, 1);
    qsizetype start = 0;
    qsizetype number = 1;
    for (qsizetype end = text.indexOf(terminator); end >= 0 && end + terminator.size() <= position;
         end = text.indexOf(terminator, start)) {
        start = end + terminator.size();
        // A line break after a one-character terminator belongs to no segment.
        while (start < position && (text[start] == u'\r' || text[start] == u'\n'))
            ++start;
        ++number;
    }
    qsizetype end = text.indexOf(terminator, start);
    const QStringView segment = text.sliced(start, (end < 0 ? text.size() : end) - start);
    const QString element = elementAt(segment, separator, position - start);
    return QStringLiteral("segment %1 (%2), element %3").arg(number).arg(element.chopped(2), element);
}

int findWholeWord(QStringView text, QStringView word, int from)
{
    if (word.isEmpty())
        return -1;
    auto isWordChar = [](QChar c) { return c.isLetterOrNumber() || c == u'_'; };
    qsizetype pos = from < 0 ? 0 : from;
    while (true) {
        pos = text.indexOf(word, pos, Qt::CaseInsensitive);
        if (pos < 0)
            return -1;
        const bool before = pos == 0 || !isWordChar(text[pos - 1]);
        const qsizetype end = pos + word.size();
        const bool after = end >= text.size() || !isWordChar(text[end]);
        if (before && after)
            return static_cast<int>(pos);
        ++pos;
    }
}

QString percentText(double percent)
{
    return QString::number(static_cast<qint64>(std::nearbyint(percent)));
}

QString nineDigits(qint64 number)
{
    return QStringLiteral("%1").arg(number, 9, 10, QLatin1Char('0'));
}

QString interchangeFileStem(const QDateTime &at, bool sendFile)
{
    const QLocale c = QLocale::c();
    const QTime t = at.time();
    int hour12 = t.hour() % 12;
    if (hour12 == 0)
        hour12 = 12;
    const QString ampm = t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    return c.toString(at.date(), QStringLiteral("MMddyy")) + u'-'
        + QStringLiteral("%1").arg(hour12, 2, 10, QLatin1Char('0'))
        + c.toString(t, QStringLiteral("mmss")) + (sendFile ? u'-' : u' ') + ampm;
}

} // namespace core::x12
