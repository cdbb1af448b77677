#include "ado/Criteria.h"
#include "ado/Convert.h"
#include "ado/Types.h"
#include "vb/VbError.h"

#include <QRegularExpression>

namespace ado::detail {

struct Criteria::Node {
    enum Kind { And, Or, Not, Compare } kind = Compare;
    std::unique_ptr<Node> a, b;
    int field = -1;
    QString op;            // = <> < > <= >= LIKE
    vb::Variant value;     // Null for "Field = Null"
    QRegularExpression like;
};

Criteria::~Criteria() = default;

namespace {

[[noreturn]] void badCriteria(const QString &text)
{
    vb::raise(adErrInvalidArgument,
              QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another. (%1)")
                  .arg(text),
              QStringLiteral("Corvantis database"));
}

[[noreturn]] void unknownField(const QString &name)
{
    vb::raise(adErrItemNotFound,
              QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal. (%1)").arg(name),
              QStringLiteral("Corvantis database"));
}

class Parser {
public:
    Parser(const QString &text, const FieldLookup &lookup) : s(text), lookup(lookup) {}

    std::unique_ptr<Criteria::Node> parseAll()
    {
        auto node = parseOr();
        skipSpace();
        if (i < s.size())
            badCriteria(s);
        return node;
    }

private:
    void skipSpace()
    {
        while (i < s.size() && s[i].isSpace())
            ++i;
    }
    bool peekWord(const char *w)
    {
        skipSpace();
        const QString word = QString::fromLatin1(w);
        if (s.mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            return false;
        const int end = i + word.size();
        return end >= s.size() || !(s[end].isLetterOrNumber() || s[end] == QLatin1Char('_'));
    }
    bool takeWord(const char *w)
    {
        if (!peekWord(w))
            return false;
        i += static_cast<int>(qstrlen(w));
        return true;
    }

    std::unique_ptr<Criteria::Node> parseOr()
    {
        auto left = parseAnd();
        while (takeWord("OR")) {
            auto node = std::make_unique<Criteria::Node>();
            node->kind = Criteria::Node::Or;
            node->a = std::move(left);
            node->b = parseAnd();
            left = std::move(node);
        }
        return left;
    }
    std::unique_ptr<Criteria::Node> parseAnd()
    {
        auto left = parseFactor();
        while (takeWord("AND")) {
            auto node = std::make_unique<Criteria::Node>();
            node->kind = Criteria::Node::And;
            node->a = std::move(left);
            node->b = parseFactor();
            left = std::move(node);
        }
        return left;
    }
    std::unique_ptr<Criteria::Node> parseFactor()
    {
        skipSpace();
        if (i < s.size() && s[i] == QLatin1Char('(')) {
            ++i;
            auto node = parseOr();
            skipSpace();
            if (i >= s.size() || s[i] != QLatin1Char(')'))
                badCriteria(s);
            ++i;
            return node;
        }
        if (takeWord("NOT")) {
            auto node = std::make_unique<Criteria::Node>();
            node->kind = Criteria::Node::Not;
            node->a = parseFactor();
            return node;
        }
        return parseCompare();
    }

    QString parseName()
    {
        skipSpace();
        if (i >= s.size())
            badCriteria(s);
        if (s[i] == QLatin1Char('[') || s[i] == QLatin1Char('`') || s[i] == QLatin1Char('"')) {
            const QChar close = s[i] == QLatin1Char('[') ? QLatin1Char(']') : s[i];
            const int end = s.indexOf(close, i + 1);
            if (end < 0)
                badCriteria(s);
            const QString name = s.mid(i + 1, end - i - 1);
            i = end + 1;
            return name;
        }
        const int start = i;
        while (i < s.size() && (s[i].isLetterOrNumber() || s[i] == QLatin1Char('_') || s[i] == QLatin1Char('.')))
            ++i;
        if (i == start)
            badCriteria(s);
        QString name = s.mid(start, i - start);
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        return dot >= 0 ? name.mid(dot + 1) : name;
    }

    std::unique_ptr<Criteria::Node> parseCompare()
    {
        auto node = std::make_unique<Criteria::Node>();
        const QString name = parseName();
        node->field = lookup(name);
        if (node->field < 0)
            unknownField(name);
        skipSpace();
        static const char *ops[] = {"<>", "<=", ">=", "=", "<", ">"};
        for (const char *op : ops) {
            if (s.mid(i, int(qstrlen(op))) == QLatin1String(op)) {
                node->op = QString::fromLatin1(op);
                i += int(qstrlen(op));
                break;
            }
        }
        if (node->op.isEmpty()) {
            if (takeWord("LIKE")) {
                node->op = QStringLiteral("LIKE");
            } else if (takeWord("IS")) {
                node->op = takeWord("NOT") ? QStringLiteral("<>") : QStringLiteral("=");
                if (!takeWord("NULL"))
                    badCriteria(s);
                node->value = vb::Variant::null();
                return node;
            } else {
                badCriteria(s);
            }
        }
        node->value = parseValue();
        if (node->op == QLatin1String("LIKE")) {
            QString text;
            if (!textOf(node->value, &text))
                badCriteria(s);
            QString pattern;
            for (const QChar c : text) {
                // The classic filter knows only these two wildcards; "_" and
                // "?" are themselves.
                if (c == QLatin1Char('*') || c == QLatin1Char('%'))
                    pattern += QStringLiteral(".*");
                else
                    pattern += QRegularExpression::escape(QString(c));
            }
            node->like = QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                                            QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
        }
        return node;
    }

    vb::Variant parseValue()
    {
        skipSpace();
        if (i >= s.size())
            badCriteria(s);
        const QChar c = s[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            QString text;
            ++i;
            while (true) {
                if (i >= s.size())
                    badCriteria(s);
                if (s[i] == c) {
                    if (i + 1 < s.size() && s[i + 1] == c) {
                        text += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += s[i++];
            }
            return vb::Variant(text);
        }
        if (c == QLatin1Char('#')) {
            const int end = s.indexOf(QLatin1Char('#'), i + 1);
            if (end < 0)
                badCriteria(s);
            double d = 0;
            if (!dateOf(vb::Variant(s.mid(i + 1, end - i - 1)), &d))
                badCriteria(s);
            i = end + 1;
            return vb::Variant::fromDate(d);
        }
        if (takeWord("NULL"))
            return vb::Variant::null();
        if (takeWord("TRUE"))
            return vb::Variant(true);
        if (takeWord("FALSE"))
            return vb::Variant(false);
        const int start = i;
        if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
            ++i;
        while (i < s.size() && (s[i].isDigit() || s[i] == QLatin1Char('.') || s[i] == QLatin1Char('E') || s[i] == QLatin1Char('e')
                                || ((s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')) && (s[i - 1] == QLatin1Char('E') || s[i - 1] == QLatin1Char('e')))))
            ++i;
        double d = 0;
        if (i == start || !numberOf(vb::Variant(s.mid(start, i - start)), &d))
            badCriteria(s);
        return vb::Variant(d);
    }

    const QString &s;
    const FieldLookup &lookup;
    int i = 0;
};

bool evaluate(const Criteria::Node &n, const std::vector<vb::Variant> &row)
{
    switch (n.kind) {
    case Criteria::Node::And: return evaluate(*n.a, row) && evaluate(*n.b, row);
    case Criteria::Node::Or: return evaluate(*n.a, row) || evaluate(*n.b, row);
    case Criteria::Node::Not: return !evaluate(*n.a, row);
    case Criteria::Node::Compare: break;
    }
    const vb::Variant &v = row[static_cast<size_t>(n.field)];
    if (n.value.isNull()) {
        if (n.op == QLatin1String("="))
            return v.isNull();
        if (n.op == QLatin1String("<>"))
            return !v.isNull();
        return false;
    }
    if (v.isNull())
        return false;
    if (n.op == QLatin1String("LIKE")) {
        QString text;
        return textOf(v, &text) && n.like.match(text).hasMatch();
    }
    const int c = compareValues(v, n.value);
    if (n.op == QLatin1String("="))
        return c == 0;
    if (n.op == QLatin1String("<>"))
        return c != 0;
    if (n.op == QLatin1String("<"))
        return c < 0;
    if (n.op == QLatin1String(">"))
        return c > 0;
    if (n.op == QLatin1String("<="))
        return c <= 0;
    return c >= 0;
}

void collect(const Criteria::Node *n, std::vector<int> &out)
{
    if (!n)
        return;
    if (n->kind == Criteria::Node::Compare)
        out.push_back(n->field);
    collect(n->a.get(), out);
    collect(n->b.get(), out);
}

} // namespace

std::unique_ptr<Criteria> Criteria::parse(const QString &text, const FieldLookup &lookup)
{
    auto c = std::make_unique<Criteria>();
    Parser p(text, lookup);
    c->root = p.parseAll();
    return c;
}

bool Criteria::matches(const std::vector<vb::Variant> &row) const
{
    return evaluate(*root, row);
}

std::vector<int> Criteria::fieldsUsed() const
{
    std::vector<int> out;
    collect(root.get(), out);
    return out;
}

std::vector<SortKey> parseSort(const QString &text, const FieldLookup &lookup)
{
    std::vector<SortKey> keys;
    const QStringList parts = text.split(QLatin1Char(','));
    for (QString part : parts) {
        part = part.trimmed();
        if (part.isEmpty())
            badCriteria(text);
        bool descending = false;
        static const QRegularExpression direction(QStringLiteral("\\s+(ASC|DESC)$"), QRegularExpression::CaseInsensitiveOption);
        if (auto m = direction.match(part); m.hasMatch()) {
            descending = m.captured(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
            part = part.left(m.capturedStart()).trimmed();
        }
        if ((part.startsWith(QLatin1Char('[')) && part.endsWith(QLatin1Char(']')))
            || (part.startsWith(QLatin1Char('"')) && part.endsWith(QLatin1Char('"')) && part.size() > 1))
            part = part.mid(1, part.size() - 2);
        const int field = lookup(part);
        if (field < 0)
            unknownField(part);
        keys.push_back({field, descending});
    }
    return keys;
}

} // namespace ado::detail
