#include "RegExp.h"

namespace vbs {

using com::Args;
using vb::Variant;

const QRegularExpression &RegExpObject::compiled()
{
    const int flags = (ignoreCase ? 1 : 0) | (multiline ? 2 : 0);
    if (m_compiledFlags != flags || m_compiledPattern != pattern) {
        QRegularExpression::PatternOptions o = QRegularExpression::NoPatternOption;
        if (ignoreCase)
            o |= QRegularExpression::CaseInsensitiveOption;
        if (multiline)
            o |= QRegularExpression::MultilineOption;
        m_re = QRegularExpression(pattern, o);
        m_compiledPattern = pattern;
        m_compiledFlags = flags;
    }
    if (!m_re.isValid())
        vb::raise(5017, QStringLiteral("Syntax error in regular expression"));
    return m_re;
}

bool RegExpObject::test(const QString &text) { return compiled().match(text).hasMatch(); }

namespace {

Variant matchObject(const QRegularExpressionMatch &m)
{
    auto obj = std::make_shared<MatchObject>();
    obj->value = m.captured(0);
    obj->firstIndex = int32_t(m.capturedStart(0));
    for (int g = 1; g <= m.regularExpression().captureCount(); ++g)
        obj->subMatches.push_back(m.capturedStart(g) < 0 ? Variant() : Variant(m.captured(g)));
    return Variant(vb::ObjectPtr(obj));
}

// Every match the object's Global setting asks for, an empty match moving
// the search on by one character.
template<class F>
void eachMatch(const QRegularExpression &re, const QString &text, bool global, F &&f)
{
    qsizetype from = 0;
    while (from <= text.size()) {
        const QRegularExpressionMatch m = re.match(text, from);
        if (!m.hasMatch())
            break;
        f(m);
        if (!global)
            break;
        from = m.capturedEnd(0) > m.capturedStart(0) ? m.capturedEnd(0) : m.capturedEnd(0) + 1;
    }
}

} // namespace

Variant RegExpObject::execute(const QString &text)
{
    auto matches = std::make_shared<MatchesObject>();
    eachMatch(compiled(), text, global, [&](const QRegularExpressionMatch &m) { matches->items.push_back(matchObject(m)); });
    return Variant(vb::ObjectPtr(matches));
}

QString RegExpObject::replace(const QString &text, const QString &replacement)
{
    QString out;
    qsizetype copied = 0;
    eachMatch(compiled(), text, global, [&](const QRegularExpressionMatch &m) {
        out += QStringView(text).mid(copied, m.capturedStart(0) - copied);
        const int groups = m.regularExpression().captureCount();
        for (qsizetype i = 0; i < replacement.size(); ++i) {
            const QChar c = replacement[i];
            if (c != u'$' || i + 1 >= replacement.size()) {
                out += c;
                continue;
            }
            const QChar n = replacement[i + 1];
            if (n == u'$') {
                out += u'$';
                ++i;
            } else if (n == u'&') {
                out += m.captured(0);
                ++i;
            } else if (n == u'`') {
                out += QStringView(text).left(m.capturedStart(0));
                ++i;
            } else if (n == u'\'') {
                out += QStringView(text).mid(m.capturedEnd(0));
                ++i;
            } else if (n.isDigit()) {
                // two digits when they name a group, else one
                int g = n.digitValue();
                qsizetype used = 1;
                if (i + 2 < replacement.size() && replacement[i + 2].isDigit() && g * 10 + replacement[i + 2].digitValue() <= groups) {
                    g = g * 10 + replacement[i + 2].digitValue();
                    used = 2;
                }
                if (g >= 1 && g <= groups) {
                    out += m.captured(g);
                    i += used;
                } else {
                    out += c;
                }
            } else {
                out += c;
            }
        }
        copied = m.capturedEnd(0);
    });
    out += QStringView(text).mid(copied);
    return out;
}

com::DispatchTable<RegExpObject> RegExpObject::describe()
{
    com::DispatchTable<RegExpObject> t(QStringLiteral("IRegExp2"));
    t.property("Pattern", [](RegExpObject &r) { return Variant(r.pattern); },
               [](RegExpObject &r, const Variant &v) { r.pattern = v.toString(); });
    t.property("IgnoreCase", [](RegExpObject &r) { return Variant(r.ignoreCase); },
               [](RegExpObject &r, const Variant &v) { r.ignoreCase = v.toBool(); });
    t.property("Global", [](RegExpObject &r) { return Variant(r.global); },
               [](RegExpObject &r, const Variant &v) { r.global = v.toBool(); });
    t.property("Multiline", [](RegExpObject &r) { return Variant(r.multiline); },
               [](RegExpObject &r, const Variant &v) { r.multiline = v.toBool(); });
    t.method("Test", 1, 1, [](RegExpObject &r, Args &a) { return Variant(r.test(a.required(0).toString())); });
    t.method("Execute", 1, 1, [](RegExpObject &r, Args &a) { return r.execute(a.required(0).toString()); });
    t.method("Replace", 2, 2, [](RegExpObject &r, Args &a) {
        // the replacement is text as the automation conversion makes it: True is "-1"
        const Variant &with = a.required(1);
        const QString replacement = with.type() == vb::VarType::Boolean ? QString::number(with.rawInt() ? -1 : 0) : with.toString();
        return Variant(r.replace(a.required(0).toString(), replacement));
    });
    return t;
}

com::DispatchTable<MatchObject> MatchObject::describe()
{
    com::DispatchTable<MatchObject> t(QStringLiteral("IMatch2"));
    t.property("Value", [](MatchObject &m) { return Variant(m.value); });
    t.property("FirstIndex", [](MatchObject &m) { return Variant(m.firstIndex); });
    t.property("Length", [](MatchObject &m) { return Variant(int32_t(m.value.size())); });
    t.property("SubMatches", [](MatchObject &m) {
        auto s = std::make_shared<SubMatchesObject>();
        s->items = m.subMatches;
        return Variant(vb::ObjectPtr(s));
    });
    t.defaultMember("Value");
    return t;
}

namespace {
template<class T>
Variant itemAt(const T &c, const Args &a)
{
    const int32_t i = a.required(0).toLong();
    if (i < 0 || size_t(i) >= c.items.size())
        vb::raise(5);
    return c.items[size_t(i)];
}
} // namespace

com::DispatchTable<MatchesObject> MatchesObject::describe()
{
    com::DispatchTable<MatchesObject> t(QStringLiteral("IMatchCollection2"));
    t.property("Count", [](MatchesObject &m) { return Variant(int32_t(m.items.size())); });
    t.indexedProperty("Item", 1, 1, [](MatchesObject &m, Args &a) { return itemAt(m, a); });
    t.defaultMember("Item");
    return t;
}

com::DispatchTable<SubMatchesObject> SubMatchesObject::describe()
{
    com::DispatchTable<SubMatchesObject> t(QStringLiteral("ISubMatches"));
    t.property("Count", [](SubMatchesObject &m) { return Variant(int32_t(m.items.size())); });
    t.indexedProperty("Item", 1, 1, [](SubMatchesObject &m, Args &a) { return itemAt(m, a); });
    t.defaultMember("Item");
    return t;
}

} // namespace vbs
