#include "DateTime.h"

#include "Clock.h"
#include "VbError.h"

#include <QRegularExpression>
#include <cmath>

namespace vb {

namespace {

const QDate &epoch()
{
    static const QDate d(1899, 12, 30);
    return d;
}

// An OLE date on a straight timeline: whole days from the epoch (negative
// before it) and seconds into that day, rounded to the second.
struct Timeline {
    int64_t day;
    int64_t second; // 0 .. 86399
};

Timeline toTimeline(double ole)
{
    if (!(ole > -1e7 && ole < 1e7))
        ole = 0; // not a date at all (NaN, infinite): day 0 rather than undefined arithmetic
    double ip;
    const double frac = std::modf(ole, &ip);
    int64_t secs = std::llround(std::fabs(frac) * 86400.0);
    int64_t day = int64_t(ip);
    if (secs >= 86400) {
        secs -= 86400;
        day += ole < 0 ? -1 : 1;
    }
    return {day, secs};
}

double fromTimeline(int64_t day, int64_t second)
{
    const double frac = double(second) / 86400.0;
    return day >= 0 ? double(day) + frac : double(day) - frac;
}

// Total seconds on the straight timeline, for hour/minute/second arithmetic.
int64_t toSeconds(double ole)
{
    const Timeline t = toTimeline(ole);
    return t.day * 86400 + t.second;
}

double fromSeconds(int64_t s)
{
    int64_t day = s / 86400, sec = s % 86400;
    if (sec < 0) {
        sec += 86400;
        --day;
    }
    return fromTimeline(day, sec);
}

bool inRange(double ole) { return ole >= kMinOleDate && ole < kMaxOleDate + 1; }

const char *const kMonths[12] = {"January", "February", "March", "April", "May", "June", "July",
                                 "August", "September", "October", "November", "December"};
const char *const kDays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// A month named in full or by at least its first three letters; 0 otherwise.
int monthFromName(QStringView w)
{
    if (w.size() < 3)
        return 0;
    for (int i = 0; i < 12; ++i) {
        const QLatin1StringView name(kMonths[i]);
        if (w.size() <= name.size() && name.first(w.size()).compare(w, Qt::CaseInsensitive) == 0)
            return i + 1;
    }
    return 0;
}

bool isWeekdayName(QStringView w)
{
    if (w.size() < 3)
        return false;
    for (const char *d : kDays) {
        const QLatin1StringView name(d);
        if (w.size() <= name.size() && name.first(w.size()).compare(w, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

int windowYear(QStringView digits)
{
    const int y = digits.toInt();
    if (digits.size() <= 2)
        return y < 30 ? 2000 + y : 1900 + y;
    return y;
}

bool makeDate(int y, int m, int d, QDate *out)
{
    if (y < 100 || y > 9999)
        return false;
    const QDate date(y, m, d);
    if (!date.isValid())
        return false;
    *out = date;
    return true;
}

bool parseDatePart(const QString &s, QDate *out)
{
    static const QRegularExpression numeric(QStringLiteral(R"(^(\d{1,4})([/.\-])(\d{1,2})\2(\d{1,4})$)"));
    static const QRegularExpression monthFirst(QStringLiteral(
        R"(^(?:([A-Za-z]+)\.?,?\s+)?([A-Za-z]+)\.?[\s\-]+(\d{1,2}),?[\s\-,]+(\d{1,4})$)"));
    static const QRegularExpression dayFirst(QStringLiteral(
        R"(^(?:([A-Za-z]+)\.?,?\s+)?(\d{1,2})[\s\-]+([A-Za-z]+)\.?,?[\s\-]+(\d{1,4})$)"));
    // Month and day without a year are in the current year.
    static const QRegularExpression numericNoYear(QStringLiteral(R"(^(\d{1,2})([/\-])(\d{1,2})$)"));
    static const QRegularExpression monthDay(QStringLiteral(R"(^([A-Za-z]+)\.?[\s\-]+(\d{1,2})$)"));
    static const QRegularExpression dayMonth(QStringLiteral(R"(^(\d{1,2})[\s\-]+([A-Za-z]+)\.?$)"));

    QRegularExpressionMatch m = numeric.match(s);
    if (m.hasMatch()) {
        const QStringView a = m.capturedView(1), b = m.capturedView(3), c = m.capturedView(4);
        if (a.size() >= 3) // year first: 2026-12-10
            return makeDate(a.toInt(), b.toInt(), c.toInt(), out);
        int month = a.toInt(), day = b.toInt();
        if (month > 12 && day <= 12)
            std::swap(month, day); // 13/12/2026 reads as 13 Dec, as the classic runtime does
        return makeDate(windowYear(c), month, day, out);
    }
    m = monthFirst.match(s);
    if (m.hasMatch()) {
        if (m.capturedLength(1) && !isWeekdayName(m.capturedView(1)))
            return false;
        const int month = monthFromName(m.capturedView(2));
        return month && makeDate(windowYear(m.capturedView(4)), month, m.capturedView(3).toInt(), out);
    }
    m = dayFirst.match(s);
    if (m.hasMatch()) {
        if (m.capturedLength(1) && !isWeekdayName(m.capturedView(1)))
            return false;
        const int month = monthFromName(m.capturedView(3));
        return month && makeDate(windowYear(m.capturedView(4)), month, m.capturedView(2).toInt(), out);
    }
    m = numericNoYear.match(s);
    if (m.hasMatch()) {
        int month = m.capturedView(1).toInt(), day = m.capturedView(3).toInt();
        if (month > 12 && day <= 12)
            std::swap(month, day);
        return makeDate(currentDateTime().date().year(), month, day, out);
    }
    m = monthDay.match(s);
    if (m.hasMatch()) {
        const int month = monthFromName(m.capturedView(1));
        return month && makeDate(currentDateTime().date().year(), month, m.capturedView(2).toInt(), out);
    }
    m = dayMonth.match(s);
    if (m.hasMatch()) {
        const int month = monthFromName(m.capturedView(2));
        return month && makeDate(currentDateTime().date().year(), month, m.capturedView(1).toInt(), out);
    }
    return false;
}

} // namespace

double toOleDate(const QDate &date, const QTime &time)
{
    const int64_t day = epoch().daysTo(date);
    const int64_t sec = time.isValid() ? time.msecsSinceStartOfDay() / 1000 : 0;
    return fromTimeline(day, sec);
}

double toOleDate(const QDateTime &dt) { return toOleDate(dt.date(), dt.time()); }

QDate oleToQDate(double ole) { return epoch().addDays(toTimeline(ole).day); }

QTime oleToQTime(double ole) { return QTime::fromMSecsSinceStartOfDay(int(toTimeline(ole).second * 1000)); }

QDateTime oleToQDateTime(double ole) { return QDateTime(oleToQDate(ole), oleToQTime(ole)); }

DateParts splitOleDate(double ole)
{
    const Timeline t = toTimeline(ole);
    const QDate d = epoch().addDays(t.day);
    DateParts p;
    p.year = d.year();
    p.month = d.month();
    p.day = d.day();
    p.hour = int(t.second / 3600);
    p.minute = int(t.second / 60 % 60);
    p.second = int(t.second % 60);
    p.dayOfWeek = d.dayOfWeek() % 7 + 1; // Qt: Monday = 1 .. Sunday = 7
    return p;
}

bool parseDateText(QStringView text, double *ole)
{
    static const QRegularExpression isoT(QStringLiteral(R"(^(\d{4}-\d{1,2}-\d{1,2})T(?=\d))"));
    static const QRegularExpression clock(QStringLiteral(
        R"((?<![\w:/.\-])(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?\s*(?:([ap])\.?(m\.?)?)?(?![\w:]))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression hourOnly(QStringLiteral(
        R"((?<![\w:/.\-])(\d{1,2})\s*([ap])\.?(m\.?)?(?![\w:]))"),
        QRegularExpression::CaseInsensitiveOption);

    QString s = text.trimmed().toString();
    if (s.size() >= 2 && s.startsWith(QLatin1Char('#')) && s.endsWith(QLatin1Char('#')))
        s = s.mid(1, s.size() - 2).trimmed();
    s.replace(isoT, QStringLiteral("\\1 "));

    bool haveTime = false;
    int64_t seconds = 0;
    QRegularExpressionMatch m = clock.match(s);
    int hour = 0, minute = 0, second = 0;
    QString ampm;
    if (m.hasMatch()) {
        hour = m.capturedView(1).toInt();
        minute = m.capturedView(2).toInt();
        second = m.capturedLength(3) ? m.capturedView(3).toInt() : 0;
        ampm = m.captured(4);
    } else {
        m = hourOnly.match(s);
        if (m.hasMatch()) {
            hour = m.capturedView(1).toInt();
            ampm = m.captured(2);
        }
    }
    if (m.hasMatch()) {
        if (minute > 59 || second > 59)
            return false;
        if (!ampm.isEmpty()) {
            if (hour > 12)
                return false;
            const bool pm = ampm.compare(QLatin1String("p"), Qt::CaseInsensitive) == 0;
            if (hour == 12)
                hour = 0;
            if (pm)
                hour += 12;
        } else if (hour > 23) {
            return false;
        }
        haveTime = true;
        seconds = hour * 3600 + minute * 60 + second;
        s.remove(m.capturedStart(0), m.capturedLength(0));
    }
    s = s.trimmed();
    while (s.endsWith(QLatin1Char(',')))
        s.chop(1);
    while (s.startsWith(QLatin1Char(',')))
        s.remove(0, 1);
    s = s.trimmed();
    if (s.isEmpty()) {
        if (!haveTime)
            return false;
        *ole = fromTimeline(0, seconds);
        return true;
    }
    QDate date;
    if (!parseDatePart(s, &date))
        return false;
    *ole = fromTimeline(epoch().daysTo(date), seconds);
    return true;
}

QString dateToString(double ole)
{
    const Timeline t = toTimeline(ole);
    const DateParts p = splitOleDate(ole);
    QString out;
    if (t.day != 0)
        out = QString::number(p.month) + QLatin1Char('/') + QString::number(p.day) + QLatin1Char('/') + QString::number(p.year);
    if (t.day == 0 || t.second != 0) {
        if (!out.isEmpty())
            out += QLatin1Char(' ');
        const int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
        out += QString::number(h12) + QLatin1Char(':') + QString::number(p.minute).rightJustified(2, QLatin1Char('0'))
            + QLatin1Char(':') + QString::number(p.second).rightJustified(2, QLatin1Char('0'))
            + (p.hour < 12 ? QLatin1String(" AM") : QLatin1String(" PM"));
    }
    return out;
}

// ---- the classic date functions --------------------------------------------

namespace {

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval interval(const QString &code)
{
    const QString c = code.trimmed().toLower();
    if (c == QLatin1String("yyyy")) return Interval::Year;
    if (c == QLatin1String("q")) return Interval::Quarter;
    if (c == QLatin1String("m")) return Interval::Month;
    if (c == QLatin1String("y")) return Interval::DayOfYear;
    if (c == QLatin1String("d")) return Interval::Day;
    if (c == QLatin1String("w")) return Interval::Weekday;
    if (c == QLatin1String("ww")) return Interval::Week;
    if (c == QLatin1String("h")) return Interval::Hour;
    if (c == QLatin1String("n")) return Interval::Minute;
    if (c == QLatin1String("s")) return Interval::Second;
    raise(5);
}

int firstDay(FirstDayOfWeek f)
{
    const int d = int(f);
    if (d < 0 || d > 7)
        raise(5);
    return d == 0 ? 1 : d; // the system setting is Sunday here, as in the US
}

// Day of week 1..7 counted from `first` (1 = Sunday).
int weekdayFrom(int dayOfWeek, int first) { return (dayOfWeek - first + 7) % 7 + 1; }

int64_t dayIndex(const QDate &d) { return epoch().daysTo(d); }

// First day of week 1 of `year` under the given rules.
int64_t weekOneStart(int year, int first, FirstWeekOfYear rule)
{
    const QDate jan1(year, 1, 1);
    const int off = weekdayFrom(jan1.dayOfWeek() % 7 + 1, first) - 1; // days since week start
    const int64_t start = dayIndex(jan1) - off;
    switch (rule) {
    case FirstWeekOfYear::FirstFourDays: return 7 - off >= 4 ? start : start + 7;
    case FirstWeekOfYear::FirstFullWeek: return off == 0 ? start : start + 7;
    default: return start;
    }
}

int weekOfYear(const QDate &d, int first, FirstWeekOfYear rule)
{
    const int fw = int(rule);
    if (fw < 0 || fw > 3)
        raise(5);
    const int64_t day = dayIndex(d);
    if (rule != FirstWeekOfYear::Jan1 && rule != FirstWeekOfYear::System) {
        // Late December may already be week 1 of the next year.
        if (d.year() < 9999 && day >= weekOneStart(d.year() + 1, first, rule))
            return 1;
        int64_t start = weekOneStart(d.year(), first, rule);
        if (day < start)
            start = weekOneStart(d.year() - 1, first, rule);
        return int((day - start) / 7 + 1);
    }
    return int((day - weekOneStart(d.year(), first, FirstWeekOfYear::Jan1)) / 7 + 1);
}

QDate addMonths(const QDate &d, int64_t months)
{
    const int64_t total = int64_t(d.year()) * 12 + (d.month() - 1) + months;
    const int64_t y = total >= 0 ? total / 12 : (total - 11) / 12;
    const int m = int(total - y * 12) + 1;
    if (y < 100 || y > 9999)
        raise(5);
    const int dim = QDate(int(y), m, 1).daysInMonth();
    return QDate(int(y), m, std::min(d.day(), dim));
}

double dateArg(const Variant &v) { return v.toDate(); }

} // namespace

Variant DateAdd(const QString &code, double number, const Variant &date)
{
    const Interval iv = interval(code);
    if (date.isNull())
        return Variant::null();
    const double ole = dateArg(date);
    if (!std::isfinite(number) || std::fabs(number) > 1e12)
        raise(5);
    const int64_t n = int64_t(std::trunc(number));
    const Timeline t = toTimeline(ole);
    const QDate d = epoch().addDays(t.day);
    double result = 0;
    switch (iv) {
    case Interval::Year: result = fromTimeline(dayIndex(addMonths(d, n * 12)), t.second); break;
    case Interval::Quarter: result = fromTimeline(dayIndex(addMonths(d, n * 3)), t.second); break;
    case Interval::Month: result = fromTimeline(dayIndex(addMonths(d, n)), t.second); break;
    case Interval::DayOfYear: case Interval::Day: case Interval::Weekday:
        result = fromTimeline(t.day + n, t.second);
        break;
    case Interval::Week: result = fromTimeline(t.day + n * 7, t.second); break;
    case Interval::Hour: result = fromSeconds(toSeconds(ole) + n * 3600); break;
    case Interval::Minute: result = fromSeconds(toSeconds(ole) + n * 60); break;
    case Interval::Second: result = fromSeconds(toSeconds(ole) + n); break;
    }
    if (!inRange(result))
        raise(5);
    return Variant::fromDate(result);
}

Variant DateDiff(const QString &code, const Variant &date1, const Variant &date2,
                 FirstDayOfWeek firstDayOfWeek, FirstWeekOfYear firstWeek)
{
    const Interval iv = interval(code);
    if (date1.isNull() || date2.isNull())
        return Variant::null();
    const double a = dateArg(date1), b = dateArg(date2);
    const Timeline ta = toTimeline(a), tb = toTimeline(b);
    const DateParts pa = splitOleDate(a), pb = splitOleDate(b);
    int64_t r = 0;
    switch (iv) {
    case Interval::Year: r = pb.year - pa.year; break;
    case Interval::Quarter: r = (pb.year * 4 + (pb.month - 1) / 3) - (pa.year * 4 + (pa.month - 1) / 3); break;
    case Interval::Month: r = (pb.year * 12 + pb.month) - (pa.year * 12 + pa.month); break;
    case Interval::DayOfYear: case Interval::Day: r = tb.day - ta.day; break;
    case Interval::Weekday: r = (tb.day - ta.day) / 7; break;
    case Interval::Week: {
        // Week boundaries (first days of week) crossed between the two dates.
        const int first = firstDay(firstDayOfWeek);
        const int64_t sa = ta.day - (weekdayFrom(pa.dayOfWeek, first) - 1);
        const int64_t sb = tb.day - (weekdayFrom(pb.dayOfWeek, first) - 1);
        r = (sb - sa) / 7;
        break;
    }
    case Interval::Hour: case Interval::Minute: case Interval::Second: {
        const int64_t unit = iv == Interval::Hour ? 3600 : iv == Interval::Minute ? 60 : 1;
        auto floorDiv = [](int64_t x, int64_t u) { return x >= 0 ? x / u : -((-x + u - 1) / u); };
        r = floorDiv(toSeconds(b), unit) - floorDiv(toSeconds(a), unit);
        break;
    }
    }
    (void)firstWeek;
    if (r < INT32_MIN || r > INT32_MAX)
        raise(6);
    return Variant(int32_t(r));
}

Variant DatePart(const QString &code, const Variant &date, FirstDayOfWeek firstDayOfWeek, FirstWeekOfYear firstWeek)
{
    const Interval iv = interval(code);
    const int first = firstDay(firstDayOfWeek);
    if (date.isNull())
        return Variant::null();
    const double ole = dateArg(date);
    const DateParts p = splitOleDate(ole);
    const QDate d(p.year, p.month, p.day);
    switch (iv) {
    case Interval::Year: return Variant(int32_t(p.year));
    case Interval::Quarter: return Variant(int32_t((p.month - 1) / 3 + 1));
    case Interval::Month: return Variant(int32_t(p.month));
    case Interval::DayOfYear: return Variant(int32_t(d.dayOfYear()));
    case Interval::Day: return Variant(int32_t(p.day));
    case Interval::Weekday: return Variant(int32_t(weekdayFrom(p.dayOfWeek, first)));
    case Interval::Week: return Variant(int32_t(weekOfYear(d, first, firstWeek)));
    case Interval::Hour: return Variant(int32_t(p.hour));
    case Interval::Minute: return Variant(int32_t(p.minute));
    case Interval::Second: return Variant(int32_t(p.second));
    }
    return Variant();
}

Variant DateSerial(const Variant &year, const Variant &month, const Variant &day)
{
    int64_t y = year.toLong();
    const int64_t m = month.toLong(), dd = day.toLong();
    if (y >= 0 && y < 100)
        y = y < 30 ? 2000 + y : 1900 + y;
    // Months and days outside their range roll over, as the classic function does.
    const int64_t total = y * 12 + (m - 1);
    const int64_t yy = total >= 0 ? total / 12 : (total - 11) / 12;
    const int mm = int(total - yy * 12) + 1;
    if (yy < 100 || yy > 9999)
        raise(5);
    const double ole = double(dayIndex(QDate(int(yy), mm, 1)) + (dd - 1));
    if (!inRange(ole))
        raise(5);
    return Variant::fromDate(ole);
}

Variant TimeSerial(const Variant &hour, const Variant &minute, const Variant &second)
{
    const int64_t s = int64_t(hour.toLong()) * 3600 + int64_t(minute.toLong()) * 60 + second.toLong();
    const double ole = fromSeconds(s);
    if (!inRange(ole))
        raise(5);
    return Variant::fromDate(ole);
}

Variant DateValue(const Variant &v)
{
    if (v.isNull())
        return v;
    return Variant::fromDate(double(toTimeline(v.toDate()).day));
}

Variant TimeValue(const Variant &v)
{
    if (v.isNull())
        return v;
    return Variant::fromDate(fromTimeline(0, toTimeline(v.toDate()).second));
}

namespace {
template <typename F>
Variant datePiece(const Variant &v, F f)
{
    if (v.isNull())
        return v;
    return Variant(int16_t(f(splitOleDate(v.toDate()))));
}
} // namespace

Variant Year(const Variant &v) { return datePiece(v, [](const DateParts &p) { return p.year; }); }
Variant Month(const Variant &v) { return datePiece(v, [](const DateParts &p) { return p.month; }); }
Variant Day(const Variant &v) { return datePiece(v, [](const DateParts &p) { return p.day; }); }
Variant Hour(const Variant &v) { return datePiece(v, [](const DateParts &p) { return p.hour; }); }
Variant Minute(const Variant &v) { return datePiece(v, [](const DateParts &p) { return p.minute; }); }
Variant Second(const Variant &v) { return datePiece(v, [](const DateParts &p) { return p.second; }); }

Variant Weekday(const Variant &v, FirstDayOfWeek firstDayOfWeek)
{
    const int first = firstDay(firstDayOfWeek);
    if (v.isNull())
        return v;
    return Variant(int16_t(weekdayFrom(splitOleDate(v.toDate()).dayOfWeek, first)));
}

QString WeekdayName(int weekday, bool abbreviate, FirstDayOfWeek firstDayOfWeek)
{
    const int first = firstDay(firstDayOfWeek);
    if (weekday < 1 || weekday > 7)
        raise(5);
    const QString name = QLatin1String(kDays[(weekday - 1 + first - 1) % 7]);
    return abbreviate ? name.left(3) : name;
}

QString MonthName(int month, bool abbreviate)
{
    if (month < 1 || month > 12)
        raise(5);
    const QString name = QLatin1String(kMonths[month - 1]);
    return abbreviate ? name.left(3) : name;
}

} // namespace vb
