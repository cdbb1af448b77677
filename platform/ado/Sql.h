#pragma once
// The one place where statement texts meet SQLite: the quoting helper every
// statement builds its values with, and the Jet dialect translation.

#include <QSet>
#include <QString>

namespace ado {

// 'text' with every single quote doubled: the only way a text value enters a
// statement. SqlText("A'B") gives "'A''B'". A value holding a NUL character
// is refused (3001): a statement cannot carry it, and stored text is never cut.
QString SqlText(const QString &value);
// The same without the surrounding quotes, for callers that place the quotes
// themselves (statement pieces as the system writes them).
QString SqlEscape(const QString &value);

// "name" with every double quote doubled: a table or column name that may be a
// reserved word or hold any character. SqlName("Transaction") gives
// "\"Transaction\"". A name holding a NUL character is refused (3001).
QString SqlName(const QString &name);

// Translates a Jet statement into SQLite: [name] becomes "name"; a reserved
// word used as a name (one of `names`: the tables and columns of the
// database) is quoted, qualified or not; True/False/Yes/No become 1/0;
// "x BETWEEN a AND b" matches whichever bound is larger. Text inside quotes
// is never touched.
QString translateJet(const QString &statement, const QSet<QString> &lowerCaseNames);

// True for a word that SQLite reserves (letter case ignored).
bool isSqliteKeyword(const QString &word);

} // namespace ado

namespace ado::detail {

// A statement's `?` placeholders (outside quotes and bracketed names) numbered
// ?1, ?2 ... in order, so that pieces of it (the keys, the read pass) and the
// dialect's rewriting (BETWEEN repeats its operands) bind the same values.
// Refuses (3001) a statement whose placeholders are not exactly `count`, or
// one that numbers its own.
QString numberPlaceholders(const QString &statement, size_t count);

// A translated SELECT cut at its top-level clauses (quotes and parentheses
// respected). `simple` when it reads one table without grouping, so each row
// has a rowid and can be fetched and changed again.
struct SelectParts {
    bool isSelect = false;
    bool simple = false;
    QString selectList;   // between SELECT and FROM
    QString from;         // the FROM clause without the keyword
    QString table;        // the one table of a simple statement, quoted as SQLite needs it
    QString tableName;    // its bare name
    QString where;        // without the keyword, empty when absent
    QString orderBy;      // without the keywords, empty when absent
    QString rest;         // anything after ORDER BY that we keep (LIMIT ...)
};
SelectParts splitSelect(const QString &translated);

} // namespace ado::detail
