#include "ado/Sql.h"
#include "ado/ConnectionData.h"
#include "vb/VbError.h"

#include <QStringList>
#include <vector>

namespace ado {

QString SqlEscape(const QString &value)
{
    detail::checkNoNul(value, QStringLiteral("The text value"));
    QString out = value;
    out.replace(QLatin1Char('\''), QStringLiteral("''"));
    return out;
}

QString SqlText(const QString &value)
{
    return QLatin1Char('\'') + SqlEscape(value) + QLatin1Char('\'');
}

QString SqlName(const QString &name)
{
    detail::checkNoNul(name, QStringLiteral("The name"));
    QString inner = name;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

namespace {

const QSet<QString> &keywords()
{
    static const QSet<QString> set = [] {
        const char *words[] = {
            "abort", "action", "add", "after", "all", "alter", "analyze", "and", "as", "asc", "attach",
            "autoincrement", "before", "begin", "between", "by", "cascade", "case", "cast", "check",
            "collate", "column", "commit", "conflict", "constraint", "create", "cross", "current",
            "current_date", "current_time", "current_timestamp", "database", "default", "deferrable",
            "deferred", "delete", "desc", "detach", "distinct", "do", "drop", "each", "else", "end",
            "escape", "except", "exclude", "exclusive", "exists", "explain", "fail", "filter", "first",
            "following", "for", "foreign", "from", "full", "generated", "glob", "group", "groups",
            "having", "if", "ignore", "immediate", "in", "index", "indexed", "initially", "inner",
            "insert", "instead", "intersect", "into", "is", "isnull", "join", "key", "last", "left",
            "like", "limit", "match", "materialized", "natural", "no", "not", "nothing", "notnull",
            "null", "nulls", "of", "offset", "on", "or", "order", "others", "outer", "over",
            "partition", "plan", "pragma", "preceding", "primary", "query", "raise", "range",
            "recursive", "references", "regexp", "reindex", "release", "rename", "replace", "restrict",
            "returning", "right", "rollback", "row", "rows", "savepoint", "select", "set", "table",
            "temp", "temporary", "then", "ties", "to", "transaction", "trigger", "unbounded", "union",
            "unique", "update", "using", "vacuum", "values", "view", "virtual", "when", "where",
            "window", "with", "without"};
        QSet<QString> s;
        for (const char *w : words)
            s.insert(QString::fromLatin1(w));
        return s;
    }();
    return set;
}

// Words that keep their SQL meaning in a SELECT even when a column has that name.
const QSet<QString> &structural()
{
    static const QSet<QString> set = [] {
        const char *words[] = {"select", "distinct", "all", "from", "where", "and", "or", "not", "in",
                               "is", "null", "like", "between", "by", "asc", "desc", "having", "as",
                               "on", "join", "inner", "left", "outer", "cross", "natural", "using",
                               "limit", "offset", "union", "except", "intersect", "case", "when",
                               "then", "else", "end", "escape", "glob", "collate", "cast", "exists",
                               "isnull", "notnull", "match", "regexp"};
        QSet<QString> s;
        for (const char *w : words)
            s.insert(QString::fromLatin1(w));
        return s;
    }();
    return set;
}

struct Token {
    enum Kind { Space, Word, String, Name, Number, Punct } kind;
    QString text;
};

// SqlName without its check: the tokenizer quotes names of a statement whose
// text is checked as a whole before it runs.
QString quoteName(const QString &name)
{
    QString inner = name;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

std::vector<Token> tokenize(const QString &s)
{
    std::vector<Token> out;
    const int n = s.size();
    int i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            int j = i;
            while (j < n && s[j].isSpace())
                ++j;
            out.push_back({Token::Space, s.mid(i, j - i)});
            i = j;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            int j = i + 1;
            while (j < n) {
                if (s[j] == c) {
                    if (j + 1 < n && s[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const int end = qMin(j + 1, n);
            QString text = s.mid(i, end - i);
            if (c == QLatin1Char('`'))
                text = quoteName(text.mid(1, text.size() - 2));
            out.push_back({c == QLatin1Char('\'') ? Token::String : Token::Name, text});
            i = end;
        } else if (c == QLatin1Char('[')) {
            int j = s.indexOf(QLatin1Char(']'), i + 1);
            if (j < 0)
                j = n;
            out.push_back({Token::Name, quoteName(s.mid(i + 1, j - i - 1))});
            i = qMin(j + 1, n);
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            int j = i;
            while (j < n && (s[j].isLetterOrNumber() || s[j] == QLatin1Char('_') || s[j] == QLatin1Char('$')))
                ++j;
            out.push_back({Token::Word, s.mid(i, j - i)});
            i = j;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && s[i + 1].isDigit())) {
            int j = i;
            while (j < n && (s[j].isLetterOrNumber() || s[j] == QLatin1Char('.')))
                ++j;
            out.push_back({Token::Number, s.mid(i, j - i)});
            i = j;
        } else {
            static const char *twoChar[] = {"<>", "<=", ">=", "!=", "||", "==", "<<", ">>"};
            QString text(c);
            for (const char *op : twoChar) {
                if (s.mid(i, 2) == QLatin1String(op)) {
                    text = s.mid(i, 2);
                    break;
                }
            }
            out.push_back({Token::Punct, text});
            i += text.size();
        }
    }
    return out;
}

class Translator {
public:
    Translator(const std::vector<Token> &t, const QSet<QString> &names) : tok(t), names(names) {}

    QString range(size_t from, size_t to)
    {
        QString out;
        for (size_t i = from; i < to; ++i) {
            const Token &t = tok[i];
            if (t.kind == Token::Word) {
                const QString lw = t.text.toLower();
                if (lw == QLatin1String("between")) {
                    i = between(i, to, out);
                    continue;
                }
                out += word(i, lw);
                if (lw == QLatin1String("like")) {
                    // Jet wildcards in the pattern that follows.
                    size_t j = nextSolid(i, to);
                    if (j < to && tok[j].kind == Token::String) {
                        for (size_t k = i + 1; k < j; ++k)
                            out += tok[k].text;
                        QString pattern = tok[j].text;
                        pattern.replace(QLatin1Char('*'), QLatin1Char('%'));
                        pattern.replace(QLatin1Char('?'), QLatin1Char('_'));
                        out += pattern;
                        i = j;
                    }
                }
            } else if (t.kind == Token::Punct && t.text == QLatin1String("&")) {
                out += QStringLiteral("||");
            } else {
                out += t.text;
            }
        }
        return out;
    }

private:
    size_t nextSolid(size_t i, size_t to) const
    {
        size_t j = i + 1;
        while (j < to && tok[j].kind == Token::Space)
            ++j;
        return j;
    }
    size_t prevSolid(size_t i) const
    {
        while (i > 0) {
            --i;
            if (tok[i].kind != Token::Space)
                return i;
        }
        return size_t(-1);
    }

    QString word(size_t i, const QString &lw) const
    {
        const Token &t = tok[i];
        const size_t prev = prevSolid(i);
        const bool qualified = prev != size_t(-1) && tok[prev].kind == Token::Punct && tok[prev].text == QLatin1String(".");
        if (!qualified && !names.contains(lw)) {
            if (lw == QLatin1String("true"))
                return QStringLiteral("1");
            if (lw == QLatin1String("false"))
                return QStringLiteral("0");
        }
        if (!keywords().contains(lw))
            return t.text;
        const bool isName = names.contains(lw) || lw == QLatin1String("index") || lw == QLatin1String("transaction");
        if (!isName)
            return t.text;
        if (!qualified) {
            const size_t next = nextSolid(i, tok.size());
            const bool nextIs = next < tok.size();
            if (nextIs && tok[next].kind == Token::Punct && tok[next].text == QLatin1String("("))
                return t.text; // a function of that name
            if ((lw == QLatin1String("group") || lw == QLatin1String("order")) && nextIs
                && tok[next].kind == Token::Word && tok[next].text.compare(QLatin1String("by"), Qt::CaseInsensitive) == 0)
                return t.text;
            if (structural().contains(lw))
                return t.text;
        }
        return quoteName(t.text);
    }

    // "x BETWEEN a AND b": the old engine matched between the smaller and the
    // larger bound whatever their order.
    size_t between(size_t i, size_t to, QString &out)
    {
        int depth = 0;
        size_t j = i + 1;
        size_t andAt = to;
        for (; j < to; ++j) {
            const Token &t = tok[j];
            if (t.kind == Token::Punct && t.text == QLatin1String("("))
                ++depth;
            else if (t.kind == Token::Punct && t.text == QLatin1String(")"))
                --depth;
            else if (depth == 0 && t.kind == Token::Word && t.text.compare(QLatin1String("and"), Qt::CaseInsensitive) == 0) {
                andAt = j;
                break;
            }
        }
        if (andAt == to) {
            out += tok[i].text;
            return i;
        }
        depth = 0;
        size_t end = andAt + 1;
        bool seen = false;
        for (; end < to; ++end) {
            const Token &t = tok[end];
            if (t.kind == Token::Space)
                continue;
            if (t.kind == Token::Punct && t.text == QLatin1String("(")) {
                ++depth;
            } else if (t.kind == Token::Punct && t.text == QLatin1String(")")) {
                if (depth == 0)
                    break;
                --depth;
            } else if (depth == 0 && seen && t.kind == Token::Word) {
                const QString lw = t.text.toLower();
                if (lw == QLatin1String("and") || lw == QLatin1String("or") || lw == QLatin1String("order")
                    || lw == QLatin1String("group") || lw == QLatin1String("limit") || lw == QLatin1String("having")
                    || lw == QLatin1String("union"))
                    break;
            }
            seen = true;
        }
        // Keep trailing blanks out of the bound.
        size_t upperEnd = end;
        while (upperEnd > andAt + 1 && tok[upperEnd - 1].kind == Token::Space)
            --upperEnd;
        const QString lower = range(i + 1, andAt).trimmed();
        const QString upper = range(andAt + 1, upperEnd).trimmed();
        out += QStringLiteral("BETWEEN min(%1, %2) AND max(%1, %2)").arg(lower, upper);
        return upperEnd - 1;
    }

    const std::vector<Token> &tok;
    const QSet<QString> &names;
};

} // namespace

bool isSqliteKeyword(const QString &word)
{
    return keywords().contains(word.toLower());
}

QString translateJet(const QString &statement, const QSet<QString> &lowerCaseNames)
{
    const std::vector<Token> tokens = tokenize(statement);
    Translator t(tokens, lowerCaseNames);
    return t.range(0, tokens.size());
}

namespace detail {

SelectParts splitSelect(const QString &translated)
{
    SelectParts parts;
    const std::vector<Token> tok = tokenize(translated);
    // Top-level positions of the clause words.
    enum Clause { None, Select, From, Where, Group, Having, Order, Limit, Compound };
    struct Mark { Clause clause; size_t at; size_t bodyStart; };
    std::vector<Mark> marks;
    int depth = 0;
    bool distinct = false;
    bool aggregate = false;
    for (size_t i = 0; i < tok.size(); ++i) {
        const Token &t = tok[i];
        if (t.kind == Token::Punct) {
            if (t.text == QLatin1String("("))
                ++depth;
            else if (t.text == QLatin1String(")"))
                --depth;
            continue;
        }
        if (t.kind != Token::Word)
            continue;
        const QString lw = t.text.toLower();
        if (depth > 0 || marks.empty() || marks.back().clause == Select) {
            // function calls that fold rows into one
            static const QSet<QString> folds = {QStringLiteral("count"), QStringLiteral("sum"), QStringLiteral("avg"),
                                                QStringLiteral("min"), QStringLiteral("max"), QStringLiteral("total"),
                                                QStringLiteral("group_concat")};
            if (!marks.empty() && marks.back().clause == Select && folds.contains(lw)) {
                size_t j = i + 1;
                while (j < tok.size() && tok[j].kind == Token::Space)
                    ++j;
                if (j < tok.size() && tok[j].text == QLatin1String("("))
                    aggregate = true;
            }
        }
        if (depth > 0)
            continue;
        auto nextWordIs = [&](const char *w) {
            size_t j = i + 1;
            while (j < tok.size() && tok[j].kind == Token::Space)
                ++j;
            return j < tok.size() && tok[j].kind == Token::Word && tok[j].text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0 ? j : size_t(0);
        };
        if (lw == QLatin1String("select") && marks.empty()) {
            marks.push_back({Select, i, i + 1});
            if (size_t j = nextWordIs("distinct")) {
                distinct = true;
                marks.back().bodyStart = j + 1;
            }
        } else if (lw == QLatin1String("from") && !marks.empty() && marks.back().clause == Select) {
            marks.push_back({From, i, i + 1});
        } else if (lw == QLatin1String("where")) {
            marks.push_back({Where, i, i + 1});
        } else if (lw == QLatin1String("group")) {
            if (size_t j = nextWordIs("by"))
                marks.push_back({Group, i, j + 1});
        } else if (lw == QLatin1String("having")) {
            marks.push_back({Having, i, i + 1});
        } else if (lw == QLatin1String("order")) {
            if (size_t j = nextWordIs("by"))
                marks.push_back({Order, i, j + 1});
        } else if (lw == QLatin1String("limit")) {
            marks.push_back({Limit, i, i + 1});
        } else if (lw == QLatin1String("union") || lw == QLatin1String("except") || lw == QLatin1String("intersect")) {
            marks.push_back({Compound, i, i + 1});
        }
    }
    if (marks.empty() || marks.front().clause != Select || marks.front().at != [&] {
            size_t k = 0;
            while (k < tok.size() && tok[k].kind == Token::Space)
                ++k;
            return k;
        }())
        return parts;
    parts.isSelect = true;
    auto text = [&](size_t from, size_t to) {
        QString s;
        for (size_t k = from; k < to && k < tok.size(); ++k)
            s += tok[k].text;
        return s.trimmed();
    };
    bool grouped = false;
    for (size_t m = 0; m < marks.size(); ++m) {
        const size_t end = m + 1 < marks.size() ? marks[m + 1].at : tok.size();
        const QString body = text(marks[m].bodyStart, end);
        switch (marks[m].clause) {
        case Select: parts.selectList = body; break;
        case From: parts.from = body; break;
        case Where: parts.where = body; break;
        case Order: parts.orderBy = body; break;
        case Group: case Having: case Compound: grouped = true; break;
        case Limit: parts.rest = text(marks[m].at, end); break;
        default: break;
        }
    }
    // One table, maybe with an alias, nothing else.
    const std::vector<Token> fromTok = tokenize(parts.from);
    std::vector<const Token *> solid;
    for (const Token &t : fromTok)
        if (t.kind != Token::Space)
            solid.push_back(&t);
    bool oneTable = false;
    if (solid.size() == 1 && (solid[0]->kind == Token::Word || solid[0]->kind == Token::Name)) {
        oneTable = true;
        parts.table = solid[0]->kind == Token::Name ? solid[0]->text : quoteName(solid[0]->text);
    } else if ((solid.size() == 2 || (solid.size() == 3 && solid[1]->text.compare(QLatin1String("as"), Qt::CaseInsensitive) == 0))
               && (solid[0]->kind == Token::Word || solid[0]->kind == Token::Name)
               && (solid.back()->kind == Token::Word || solid.back()->kind == Token::Name)
               && !keywords().contains(solid.back()->text.toLower())) {
        oneTable = true;
        parts.table = solid.back()->kind == Token::Name ? solid.back()->text : quoteName(solid.back()->text);
    }
    if (oneTable) {
        QString bare = solid[0]->text;
        if (solid[0]->kind == Token::Name) {
            bare = bare.mid(1, bare.size() - 2);
            bare.replace(QStringLiteral("\"\""), QStringLiteral("\""));
        }
        parts.tableName = bare;
    }
    parts.simple = oneTable && !distinct && !grouped && !aggregate;
    return parts;
}

QString numberPlaceholders(const QString &statement, size_t count)
{
    const QString source = QStringLiteral("Corvantis database");
    QString out;
    out.reserve(statement.size() + 8);
    size_t seen = 0;
    const qsizetype n = statement.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = statement[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('[')) {
            // Quoted text and names are copied as they are, placeholders or not.
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            qsizetype j = i + 1;
            while (j < n) {
                if (statement[j] == close) {
                    if (close != QLatin1Char(']') && j + 1 < n && statement[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const qsizetype end = qMin(j + 1, n);
            out += QStringView(statement).mid(i, end - i);
            i = end - 1;
        } else if (c == QLatin1Char('?')) {
            if (i + 1 < n && statement[i + 1].isDigit())
                vb::raise(3001, QStringLiteral("Write ? for each value; numbered placeholders are not taken (%1)").arg(statement),
                          source);
            out += QLatin1Char('?') + QString::number(++seen);
        } else {
            out += c;
        }
    }
    if (seen != count)
        vb::raise(3001,
                  QStringLiteral("The statement has %1 placeholders but %2 values were given (%3)")
                      .arg(seen)
                      .arg(count)
                      .arg(statement),
                  source);
    return out;
}

} // namespace detail

} // namespace ado
