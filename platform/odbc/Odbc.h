#pragma once
// Outside data sources through unixODBC: the machine's data-source names and
// installed drivers, a connection opened by DSN or by driver text, and
// statements whose results come back as Variants with column descriptions in
// the data layer's type numbers. Every failure raises vb::VbError carrying the
// driver's own diagnostic text.

#include "vb/Variant.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>
#include <utility>

namespace odbc {

// The data-source names (user and system) and the installed drivers'
// descriptions, in the order the driver manager lists them. No list at all
// is an empty list.
QStringList dataSourceNames();
QStringList driverDescriptions();

// A value for a connection text: braced when it holds ";", "{", "}" or
// blanks around it, with "}" doubled inside the braces.
QString connectionValue(const QString &value);
// "KEY=value;" pairs joined, each value through connectionValue. Pairs with
// an empty key are left out.
QString connectionString(const QVector<std::pair<QString, QString>> &pairs);

// A column of a result as the data layer describes fields.
struct Column {
    QString name;
    int type = 0;              // data-layer type number (adVarChar, adNumeric ...)
    qint64 definedSize = 0;
    int precision = 0;         // numeric and decimal
    int numericScale = 0;
    bool operator==(const Column &) const = default;
};

// What the driver says of a column: its SQL type, size and decimal digits.
struct ColumnDescription {
    QString name;
    int sqlType = 0;
    qint64 columnSize = 0;
    int decimalDigits = 0;
};
// The data layer's description of a driver's column. A binary column is
// refused (error 3265 naming the column): the import files carry text only.
Column mapColumn(const ColumnDescription &description);

class Result;

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens with a full connection text (no dialog is ever shown).
    void open(const QString &connectionText);
    void close();
    bool isOpen() const;

    // Runs a statement. The result tells whether it returned a rowset.
    std::unique_ptr<Result> execute(const QString &statement);

private:
    friend class Result;
    struct Handles;
    std::unique_ptr<Handles> m_handles;
};

class Result {
public:
    ~Result();
    // False for a statement that returned no rowset (an UPDATE, a CREATE ...).
    bool hasRowset() const { return !m_columns.isEmpty(); }
    const QVector<Column> &columns() const { return m_columns; }
    // Moves to the next row; false after the last.
    bool next();
    // The value of a column (0-based) of the current row; Null as Null.
    const vb::Variant &value(int column) const { return m_row.at(column); }

private:
    friend class Connection;
    Result() = default;
    void *m_statement = nullptr;
    QVector<Column> m_columns;
    QVector<ColumnDescription> m_descriptions;
    QVector<vb::Variant> m_row;
};

} // namespace odbc
