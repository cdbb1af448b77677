#pragma once
// Splits script text into tokens. Names keep their spelling; keywords are
// recognised without regard to case. `:` and line ends both end a statement.

#include "vb/Variant.h"

#include <QString>
#include <vector>

namespace vbs {

enum class Tok : uint8_t {
    End,        // end of text
    Newline,    // line end or ':'
    Ident,      // name or keyword (see Token::kw)
    Number,     // value in Token::value
    String,
    Date,
    Op,         // operator or punctuation, text in Token::text
};

// Reserved words. Words that are only special at certain places (Step,
// Preserve, Explicit, Error, Property names ...) are plain identifiers.
enum class Kw : uint8_t {
    None,
    And, As, ByRef, ByVal, Call, Case, Class, Const, Default, Dim, Do, Each, Else, ElseIf,
    Empty, End, Eqv, Exit, False, For, Function, Get, If, Imp, In, Is, Let, Loop, Me, Mod,
    New, Next, Not, Nothing, Null, On, Or, Private, Property, Public, ReDim, Select, Set,
    Sub, Then, To, True, Until, Wend, While, With, Xor,
};

struct Token {
    Tok type = Tok::End;
    Kw kw = Kw::None;
    bool spaceBefore = false; // whitespace right before the token (`.x` in With, `f (a)`)
    int line = 1;             // 1-based
    int column = 1;           // 1-based
    QString text;             // name as written, operator text, string value
    vb::Variant value;        // numbers and dates
};

// A compile error with its classic number (1002 Syntax error ...).
struct CompileError {
    int number;
    QString description;
    int line;
    int column;
};

QString compileErrorText(int number);
[[noreturn]] void compileError(int number, int line, int column);

// Tokenises `text`; throws CompileError for a bad character, number or string.
std::vector<Token> tokenize(const QString &text);

} // namespace vbs
