#pragma once
// Internal: conversions of values into field types and out of SQLite columns.

#include "vb/Variant.h"

#include <QString>
#include <cstdint>
#include <sqlite3.h>
#include <vector>

namespace ado::detail {

struct ColumnType {
    int type;
    long size;
    int precision;
    int scale;
    long attributes;
};

// The field type of a declared column type ("VARCHAR(50)", "LONGTEXT", "SMALLINT" ...).
ColumnType columnTypeFor(const QString &declared);

// Column `i` of the current row of `stmt` as a value of a field of `type`.
vb::Variant readColumn(sqlite3_stmt *stmt, int i, int type);

// readColumn in two steps, so a row can be kept without making values: the
// column as SQLite gives it for the field type, then the value of the field.
enum class CellKind : uint8_t { Null, Integer, Real, Text, Variant };
struct Cell {
    CellKind kind = CellKind::Null;
    int64_t integer = 0;
    double real = 0;
    const char *text = nullptr;   // UTF-8, valid until the statement moves
    int size = 0;
};
CellKind cellKindFor(int type);   // Variant: the storage class decides
Cell readCell(sqlite3_stmt *stmt, int i, CellKind kind);
vb::Variant cellValue(const Cell &cell, int type);
// Binds a value already converted to its field's type. Text is bound from
// `text`, which holds its UTF-8 and must stay unchanged until the statement
// has run: SQLite then needs no copy of its own.
void bindValue(sqlite3_stmt *stmt, int i, const vb::Variant &value, QByteArray &text);
// Refuses (3001) values a statement cannot take: an object, an array, text
// holding a NUL character (it would compare as if cut there).
void checkValues(const std::vector<vb::Variant> &values);
// Binds values[k - 1] to each placeholder ?k of the statement; a bare ?
// (the rowid of a fetch) is left to the caller. `texts` holds the bound
// text and must stay unchanged until the statement has run.
void bindValues(sqlite3_stmt *stmt, const std::vector<vb::Variant> &values, std::vector<QByteArray> &texts);

// Text and number of a value as the data layer reads them; false when there is none.
bool numberOf(const vb::Variant &v, double *out);
bool textOf(const vb::Variant &v, QString *out);
bool dateOf(const vb::Variant &v, double *out);

// Ordering of two field values for Sort and Filter: Null first, numbers by
// value, text without regard to letter case.
int compareValues(const vb::Variant &a, const vb::Variant &b);

} // namespace ado::detail
