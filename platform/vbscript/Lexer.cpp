#include "Lexer.h"

#include "vb/VbError.h"

#include <QHash>
#include <cmath>

namespace vbs {

QString compileErrorText(int number)
{
    static const QHash<int, QString> texts = {
        {1001, "Out of memory"},
        {1002, "Syntax error"},
        {1005, "Expected '('"},
        {1006, "Expected ')'"},
        {1010, "Expected identifier"},
        {1011, "Expected '='"},
        {1012, "Expected 'If'"},
        {1013, "Expected 'To'"},
        {1014, "Expected 'End'"},
        {1015, "Expected 'Function'"},
        {1016, "Expected 'Sub'"},
        {1017, "Expected 'Then'"},
        {1018, "Expected 'Wend'"},
        {1019, "Expected 'Loop'"},
        {1020, "Expected 'Next'"},
        {1021, "Expected 'Case'"},
        {1022, "Expected 'Select'"},
        {1023, "Expected expression"},
        {1024, "Expected statement"},
        {1025, "Expected end of statement"},
        {1026, "Expected integer constant"},
        {1027, "Expected 'While' or 'Until'"},
        {1028, "Expected 'While', 'Until' or end of statement"},
        {1029, "Expected 'With'"},
        {1030, "Identifier too long"},
        {1031, "Invalid number"},
        {1032, "Invalid character"},
        {1033, "Unterminated string constant"},
        {1037, "Invalid use of 'Me' keyword"},
        {1038, "'loop' without 'do'"},
        {1039, "Invalid 'exit' statement"},
        {1040, "Invalid 'for' loop control variable"},
        {1041, "Name redefined"},
        {1042, "Must be first statement on the line"},
        {1044, "Cannot use parentheses when calling a Sub"},
        {1045, "Expected literal constant"},
        {1046, "Expected 'In'"},
        {1047, "Expected 'Class'"},
        {1048, "Must be defined inside a Class"},
        {1049, "Expected Let or Set or Get in property declaration"},
        {1050, "Expected 'Property'"},
        {1051, "Number of arguments must be consistent across the property's Get, Let and Set"},
        {1052, "Cannot have multiple default property/method in a Class"},
        {1053, "Class initialize or terminate do not have arguments"},
        {1054, "Property set or let must have at least one argument"},
        {1055, "Unexpected 'Next'"},
        {1057, "'Default' must go with 'Public'"},
        {1058, "'Default' is not allowed on Property Let or Set"},
    };
    return texts.value(number, QStringLiteral("Syntax error"));
}

void compileError(int number, int line, int column)
{
    throw CompileError{number, compileErrorText(number), line, column};
}

namespace {

const QHash<QString, Kw> &keywords()
{
    static const QHash<QString, Kw> map = {
        {"and", Kw::And}, {"as", Kw::As}, {"byref", Kw::ByRef}, {"byval", Kw::ByVal},
        {"call", Kw::Call}, {"case", Kw::Case}, {"class", Kw::Class}, {"const", Kw::Const},
        {"default", Kw::Default}, {"dim", Kw::Dim}, {"do", Kw::Do}, {"each", Kw::Each},
        {"else", Kw::Else}, {"elseif", Kw::ElseIf}, {"empty", Kw::Empty}, {"end", Kw::End},
        {"eqv", Kw::Eqv}, {"exit", Kw::Exit}, {"false", Kw::False}, {"for", Kw::For},
        {"function", Kw::Function}, {"get", Kw::Get}, {"if", Kw::If}, {"imp", Kw::Imp},
        {"in", Kw::In}, {"is", Kw::Is}, {"let", Kw::Let}, {"loop", Kw::Loop}, {"me", Kw::Me},
        {"mod", Kw::Mod}, {"new", Kw::New}, {"next", Kw::Next}, {"not", Kw::Not},
        {"nothing", Kw::Nothing}, {"null", Kw::Null}, {"on", Kw::On}, {"or", Kw::Or},
        {"private", Kw::Private}, {"property", Kw::Property}, {"public", Kw::Public},
        {"redim", Kw::ReDim}, {"select", Kw::Select}, {"set", Kw::Set}, {"sub", Kw::Sub},
        {"then", Kw::Then}, {"to", Kw::To}, {"true", Kw::True}, {"until", Kw::Until},
        {"wend", Kw::Wend}, {"while", Kw::While}, {"with", Kw::With}, {"xor", Kw::Xor},
    };
    return map;
}

bool isIdentStart(QChar c) { return c.isLetter(); }
bool isIdentChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// Integer literal typing: Integer when it fits 16 bits, Long for 32, else Double.
vb::Variant decimalValue(double v)
{
    if (v <= 32767)
        return vb::Variant(int16_t(v));
    if (v <= 2147483647.0)
        return vb::Variant(int32_t(v));
    return vb::Variant(v);
}

// &H and &O literals: up to 16 bits an Integer (&HFFFF is -1), up to 32 bits a Long.
// Four hex digits or fewer are a 16-bit value (&HFFFF is -1); with the `&`
// suffix the value is read as 32 bits and is still an Integer when it fits
// (&H10& is 16, &HFFFFFFFF& is -1, both Integer; &HFFFF& is the Long 65535).
vb::Variant radixValue(uint64_t v, bool forceLong)
{
    if (!forceLong && v <= 0xFFFF)
        return vb::Variant(int16_t(uint16_t(v)));
    const int32_t v32 = int32_t(uint32_t(v));
    if (forceLong && v32 >= -32768 && v32 <= 32767)
        return vb::Variant(int16_t(v32));
    return vb::Variant(v32);
}

class Lexer {
public:
    explicit Lexer(const QString &t) : s(t) {}

    std::vector<Token> run()
    {
        std::vector<Token> out;
        bool space = false;
        while (i < s.size()) {
            const QChar c = s[i];
            if (c == u' ' || c == u'\t' || c == u'\f' || c == QChar(0xA0)) {
                ++i; ++col; space = true;
                continue;
            }
            if (c == u'\r' || c == u'\n') {
                newline(out);
                if (c == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n')
                    ++i;
                ++i; ++line; col = 1; space = false;
                continue;
            }
            if (c == u'\'') {
                skipComment();
                continue;
            }
            if (c == u'_' && continuationAhead()) {
                // ` _` followed by the line end joins the next line
                ++i;
                while (i < s.size() && (s[i] == u' ' || s[i] == u'\t'))
                    ++i;
                if (i < s.size() && s[i] == u'\r') ++i;
                if (i < s.size() && s[i] == u'\n') ++i;
                ++line; col = 1; space = true;
                continue;
            }
            Token t;
            t.line = line;
            t.column = col;
            t.spaceBefore = space;
            space = false;
            const int start = i;
            if (isIdentStart(c)) {
                while (i < s.size() && isIdentChar(s[i]))
                    ++i;
                t.type = Tok::Ident;
                t.text = s.mid(start, i - start);
                if (t.text.size() > 255)
                    compileError(1030, t.line, t.column);
                const QString low = t.text.toLower();
                if (low == u"rem" && (out.empty() || out.back().type == Tok::Newline)) {
                    col += i - start;
                    skipComment();
                    continue;
                }
                t.kw = keywords().value(low, Kw::None);
            } else if (c == u'[') {
                const int close = s.indexOf(u']', i);
                const int eol = nextLineEnd(i);
                if (close < 0 || close > eol)
                    compileError(1010, t.line, t.column);
                t.type = Tok::Ident;
                t.text = s.mid(i + 1, close - i - 1);
                i = close + 1;
            } else if (c.isDigit() || (c == u'.' && i + 1 < s.size() && s[i + 1].isDigit() && !afterOperand(out, t))) {
                number(t);
            } else if (c == u'&' && radixFollows()) {
                radix(t);
            } else if (c == u'"') {
                string(t);
            } else if (c == u'#' && !afterOperand(out, t)) {
                date(t);
            } else if (c == u':') {
                ++i;
                t.type = Tok::Newline;
                t.text = QStringLiteral(":");
                out.push_back(std::move(t));
                col += i - start;
                continue;
            } else {
                t.type = Tok::Op;
                static const QString two[] = {"<>", "<=", ">=", "=<", "=>", "><"};
                bool done = false;
                if (i + 1 < s.size()) {
                    const QString pair = s.mid(i, 2);
                    for (const auto &p : two) {
                        if (pair == p) {
                            t.text = p == u"=<" ? QStringLiteral("<=") : p == u"=>" ? QStringLiteral(">=") : p == u"><" ? QStringLiteral("<>") : p;
                            i += 2;
                            done = true;
                            break;
                        }
                    }
                }
                if (!done) {
                    static const QString singles = QStringLiteral("=<>+-*/\\^&(),.");
                    if (!singles.contains(c))
                        compileError(1032, t.line, t.column);
                    t.text = QString(c);
                    ++i;
                }
            }
            col += i - start;
            out.push_back(std::move(t));
        }
        newline(out);
        Token end;
        end.type = Tok::End;
        end.line = line;
        end.column = col;
        out.push_back(end);
        return out;
    }

private:
    const QString &s;
    int i = 0;
    int line = 1;
    int col = 1;

    void newline(std::vector<Token> &out)
    {
        if (!out.empty() && out.back().type == Tok::Newline && out.back().text != u":")
            return;
        Token t;
        t.type = Tok::Newline;
        t.line = line;
        t.column = col;
        out.push_back(t);
    }

    int nextLineEnd(int from) const
    {
        int j = from;
        while (j < s.size() && s[j] != u'\n' && s[j] != u'\r')
            ++j;
        return j;
    }

    void skipComment()
    {
        const int e = nextLineEnd(i);
        col += e - i;
        i = e;
    }

    bool continuationAhead() const
    {
        if (i > 0 && isIdentChar(s[i - 1]))
            return false;
        int j = i + 1;
        while (j < s.size() && (s[j] == u' ' || s[j] == u'\t'))
            ++j;
        return j >= s.size() || s[j] == u'\r' || s[j] == u'\n';
    }

    // A '.' or '#' right after a name, number or ')' belongs to that operand.
    static bool afterOperand(const std::vector<Token> &out, const Token &t)
    {
        if (out.empty() || t.spaceBefore)
            return false;
        const Token &p = out.back();
        return p.type == Tok::Ident || p.type == Tok::Number || p.type == Tok::String
            || (p.type == Tok::Op && p.text == u")");
    }

    // `&H1F`, `&O17`, `&17`: a radix literal only when a digit of its base
    // follows (so `"x" &hi` is a concatenation with the name hi)
    bool radixFollows() const
    {
        if (i + 1 >= s.size())
            return false;
        const QChar n = s[i + 1];
        if (n.isDigit())
            return true;
        const QChar d = i + 2 < s.size() ? s[i + 2] : QChar();
        if (n == u'H' || n == u'h')
            return d.isDigit() || (d.toLower() >= u'a' && d.toLower() <= u'f');
        if (n == u'O' || n == u'o')
            return d >= u'0' && d <= u'7';
        return false;
    }

    void number(Token &t)
    {
        const int start = i;
        while (i < s.size() && s[i].isDigit())
            ++i;
        bool isFloat = false;
        if (i < s.size() && s[i] == u'.') {
            isFloat = true;
            ++i;
            while (i < s.size() && s[i].isDigit())
                ++i;
        }
        if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
            int j = i + 1;
            if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
                ++j;
            if (j < s.size() && s[j].isDigit()) {
                isFloat = true;
                i = j;
                while (i < s.size() && s[i].isDigit())
                    ++i;
            } else {
                compileError(1031, t.line, t.column);
            }
        }
        if (i < s.size() && isIdentChar(s[i]))
            compileError(1025, line, col + (i - start));
        bool ok = false;
        const QString text = s.mid(start, i - start);
        double v = text.toDouble(&ok);
        if (!ok) {
            // an exponent far below the smallest double is 0; far above it an error
            const qsizetype e = text.indexOf(QLatin1Char('e'), 0, Qt::CaseInsensitive);
            if (e >= 0 && e + 1 < text.size() && text[e + 1] == u'-')
                v = 0, ok = true;
        }
        if (!ok || !std::isfinite(v))
            compileError(1031, t.line, t.column);
        t.type = Tok::Number;
        t.value = isFloat ? vb::Variant(v) : decimalValue(v);
    }

    void radix(Token &t)
    {
        ++i; // '&'
        int base = 8;
        if (s[i] == u'H' || s[i] == u'h') {
            base = 16;
            ++i;
        } else if (s[i] == u'O' || s[i] == u'o') {
            ++i;
        }
        uint64_t v = 0;
        int digits = 0;
        while (i < s.size()) {
            const int d = s[i].isDigit() ? s[i].unicode() - '0'
                : (s[i].toLower() >= u'a' && s[i].toLower() <= u'f') ? s[i].toLower().unicode() - 'a' + 10 : 99;
            if (d >= base)
                break;
            v = v * base + d;
            if (v > 0xFFFFFFFFull)
                compileError(1031, t.line, t.column);
            ++digits;
            ++i;
        }
        if (digits == 0)
            compileError(1031, t.line, t.column);
        bool forceLong = false;
        if (i < s.size() && s[i] == u'&') { // type suffix: &HFFFF& is the Long 65535
            forceLong = true;
            ++i;
        }
        t.type = Tok::Number;
        t.value = radixValue(v, forceLong);
    }

    void string(Token &t)
    {
        ++i;
        QString v;
        for (;;) {
            if (i >= s.size() || s[i] == u'\n' || s[i] == u'\r')
                compileError(1033, t.line, t.column);
            if (s[i] == u'"') {
                if (i + 1 < s.size() && s[i + 1] == u'"') {
                    v += u'"';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            v += s[i++];
        }
        t.type = Tok::String;
        t.text = v;
    }

    void date(Token &t)
    {
        const int close = s.indexOf(u'#', i + 1);
        if (close < 0 || close > nextLineEnd(i))
            compileError(1032, t.line, t.column);
        const QString body = s.mid(i + 1, close - i - 1).trimmed();
        try {
            t.value = vb::Variant::fromDate(vb::Variant(body).toDate());
        } catch (const vb::VbError &) {
            compileError(1002, t.line, t.column);
        }
        i = close + 1;
        t.type = Tok::Date;
    }
};

} // namespace

std::vector<Token> tokenize(const QString &text)
{
    return Lexer(text).run();
}

} // namespace vbs
