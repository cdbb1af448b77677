#pragma once
// The classic string functions. Positions are 1-based; a negative length or a
// start below 1 raises 5 ("Invalid procedure call or argument"), as the
// classic functions do. Text compare ignores letter case; binary compare
// compares character codes.
//
// The Variant overloads are the forms the script engine calls: they follow
// the classic Null rules (Null in gives Null out where the classic function
// does; a Null where a number is needed raises 94).

#include "vb/Variant.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace vb {

QString Mid(const QString &s, int start, std::optional<int> length = std::nullopt);
QString Left(const QString &s, int length);
QString Right(const QString &s, int length);
int Len(const QString &s);

// InStr([start,] string1, string2[, compare]): position of string2 in string1
// from start, 0 when absent; an empty string2 gives start.
int InStr(const QString &s, const QString &find, CompareMode mode = CompareMode::Binary);
int InStr(int start, const QString &s, const QString &find, CompareMode mode = CompareMode::Binary);
// InStrRev(string1, string2[, start[, compare]]): last match ending at or
// before start (-1: the end).
int InStrRev(const QString &s, const QString &find, int start = -1, CompareMode mode = CompareMode::Binary);

// Replace(expression, find, replacewith[, start[, count[, compare]]]). As in
// the classic function, the result begins at `start`; count -1 replaces all.
QString Replace(const QString &s, const QString &find, const QString &with, int start = 1, int count = -1,
                CompareMode mode = CompareMode::Binary);

// Split(expression[, delimiter[, limit[, compare]]]): "" gives no elements,
// an empty delimiter gives the whole text; with a limit the last element holds
// the rest.
QStringList Split(const QString &s, const QString &delimiter = QStringLiteral(" "), int limit = -1,
                  CompareMode mode = CompareMode::Binary);
QString Join(const QStringList &parts, const QString &delimiter = QStringLiteral(" "));

// Filter(array, match[, include[, compare]]): the elements that contain
// (or, with include false, do not contain) match.
QStringList Filter(const QStringList &items, const QString &match, bool include = true,
                   CompareMode mode = CompareMode::Binary);

// Trim functions remove spaces (character 32) only, as the classic ones do.
QString Trim(const QString &s);
QString LTrim(const QString &s);
QString RTrim(const QString &s);
QString UCase(const QString &s);
QString LCase(const QString &s);
QString Space(int count);
QString String(int count, QChar ch);
QString String(int count, const QString &s);   // first character; "" raises 5
QString String(int count, int charCode);         // code taken modulo 256, as Chr
int StrComp(const QString &a, const QString &b, CompareMode mode = CompareMode::Binary);
QString StrReverse(const QString &s);

// Asc: the 8-bit code of the first character in the code page of the text
// files (1252; U+0093 of earlier versions is 147 as U+201C is), 63 ("?") for a
// character outside it; "" raises 5. AscW: the 16-bit code as a signed
// Integer, as the classic AscW returns it (characters from U+8000 are negative).
int Asc(const QString &s);
int AscW(const QString &s);
QString Chr(int code);        // 0..255 in the code page 1252, else 5
QString ChrW(int code);       // -32768..65535, else 5

// Hex/Oct of a whole number, rounded half to even; negative values in two's
// complement of their subtype's width (Hex(-1) is "FFFF" for an Integer,
// "FFFFFFFF" for a Long).
QString Hex(const Variant &v);
QString Oct(const Variant &v);

// The Like operator: ? one character, * any run, # one digit, [abc] [a-z]
// one character of the list, [!a-z] one character not in it. A malformed
// pattern raises 93. Text mode ignores letter case.
bool Like(const QString &s, const QString &pattern, CompareMode mode = CompareMode::Binary);

// ---- Variant forms with the classic Null rules ------------------------------
// In their own namespace so that a call with a text literal is never ambiguous.
namespace var {

Variant Len(const Variant &s);                                                   // Null -> Null
Variant Mid(const Variant &s, const Variant &start, const Variant &length = Variant::missing());
Variant Left(const Variant &s, const Variant &length);
Variant Right(const Variant &s, const Variant &length);
Variant InStr(const Variant &start, const Variant &s, const Variant &find, CompareMode mode = CompareMode::Binary);
Variant InStrRev(const Variant &s, const Variant &find, const Variant &start = Variant::missing(),
                 CompareMode mode = CompareMode::Binary);
Variant Trim(const Variant &s);
Variant LTrim(const Variant &s);
Variant RTrim(const Variant &s);
Variant UCase(const Variant &s);
Variant LCase(const Variant &s);
Variant StrComp(const Variant &a, const Variant &b, CompareMode mode = CompareMode::Binary);
Variant Hex(const Variant &v);
Variant Oct(const Variant &v);

} // namespace var

// The Like operator on Variants: Null when either side is Null.
Variant opLike(const Variant &s, const Variant &pattern, CompareMode mode = CompareMode::Binary);

} // namespace vb
