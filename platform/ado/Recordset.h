#pragma once
// The record set: rows of a statement or table of the application database,
// or rows held in memory (a disconnected record set built with Fields.Append).
//
// Connected rows are tracked by rowid: membership is fixed when the set opens
// (keyset), values are fetched fresh each time a row becomes current. A field
// changed without Update is stored when the set moves to another row or
// closes. Filter and Sort work on connected and disconnected sets alike.

#include "ado/Connection.h"
#include "ado/Field.h"
#include "ado/Types.h"
#include "vb/Variant.h"

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

struct sqlite3_stmt;

namespace ado {

namespace detail {
struct RecordsetData;
struct ConnectionData;
struct SelectParts;
} // namespace detail

class Recordset : public vb::Object {
public:
    Recordset();
    ~Recordset() override;                  // an unstored edit is discarded
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    QString typeName() const override { return QStringLiteral("Recordset"); }

    // Open on a SELECT statement or a table name (Jet dialect). With no
    // source and no connection a set with appended fields opens empty in
    // memory. Statement errors raise VbError (-2147217900 syntax,
    // -2147217865 missing table, -2147217904 unknown column).
    void Open(const QString &source, Connection &connection,
              int cursorType = adOpenForwardOnly, int lockType = adLockReadOnly);
    // A null connection with an empty source opens the in-memory set.
    void Open(const QString &source, const ConnectionPtr &connection,
              int cursorType = adOpenForwardOnly, int lockType = adLockReadOnly);
    // A statement with ? placeholders and the values bound to them, in order
    // (3001 when the counts differ). The set keeps the values for every row it
    // reads later.
    void Open(const QString &statement, const Parameters &values, Connection &connection,
              int cursorType = adOpenForwardOnly, int lockType = adLockReadOnly);
    void Open(const QString &statement, const Parameters &values, const ConnectionPtr &connection,
              int cursorType = adOpenForwardOnly, int lockType = adLockReadOnly);
    void Open();                            // disconnected: no source, no connection;
                                            // keyset/optimistic unless the properties say otherwise
    void Close();                           // stores a pending edit first
    int State() const;                      // adStateClosed / adStateOpen

    // Cursor and lock type: settable while closed (used by Open() without arguments).
    int CursorType() const;
    void setCursorType(int cursorType);
    int LockType() const;
    void setLockType(int lockType);

    // Position. EOF is a macro of the C library, hence the spelling.
    bool Eof() const;
    bool Bof() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();                    // forward-only sets refuse (-2147217884)
    void MoveLast();
    void Move(long rows);                   // relative to the current row
    long RecordCount() const;               // rows visible through the filter
    long AbsolutePosition() const;          // 1-based; adPosBOF / adPosEOF outside
    void setAbsolutePosition(long position);// 3001 outside 1..RecordCount
    vb::Variant Bookmark() const;           // 3021 at BOF/EOF
    void setBookmark(const vb::Variant &bookmark);

    // Criteria such as "Partner = 'A''B' AND Qty > 0" (=, <>, <, >, <=, >=,
    // LIKE with * or %, AND, OR, parentheses, Null, #dates#); empty text or
    // 0 removes the filter. The first visible row becomes current.
    QString Filter() const;
    void setFilter(const QString &criteria);
    void setFilter(const vb::Variant &criteria);
    // "Field [ASC|DESC], ..." stable; empty text restores the natural order.
    QString Sort() const;
    void setSort(const QString &keys);

    // Changes. Read-only sets refuse them (3251).
    void AddNew();
    void Update();
    void CancelUpdate();
    void Delete();                          // the current row; it stays current until a move
    int EditMode() const;

    // Fields of the current row.
    ado::Fields &Fields() { return *m_fields; }
    const ado::Fields &Fields() const { return *m_fields; }
    Field &Fields(const QString &name) const { return m_fields->Item(name); }
    Field &Fields(int index) const { return m_fields->Item(index); }
    Field &operator()(const QString &name) const { return m_fields->Item(name); }
    Field &operator()(int index) const { return m_fields->Item(index); }

    QString Source() const;                 // the statement or table as given
    Connection *ActiveConnection() const;   // nullptr when disconnected

    // The rowid of the current row (0 for a disconnected or computed row);
    // 3021 at BOF/EOF.
    int64_t rowid() const;

private:
    friend class Field;
    friend class Fields;
    vb::Variant fieldValue(int index) const;
    vb::Variant fieldOriginalValue(int index) const;
    void setFieldValue(int index, const vb::Variant &value);
    void setFieldUtf8(int index, QByteArrayView text);
    void checkFieldChange() const;

    // The steps of opening on a connection, in the order Open takes them.
    void forgetOpening(const std::shared_ptr<detail::ConnectionData> &conn, Connection &connection, const QString &source,
                       const Parameters &values);
    void describeColumns(detail::ConnectionData &conn, sqlite3_stmt *stmt, const QString &baseTable);
    void readKeys(detail::ConnectionData &conn, const detail::SelectParts &parts, const QString &translated,
                  const QString &statement);
    void planReadPass(const detail::SelectParts &parts, const QString &rowidRef);
    void readComputedRows(detail::ConnectionData &conn, const QString &translated, const QString &statement);
    void startAtFirstRow();

    std::unique_ptr<ado::Fields> m_fields;
    std::unique_ptr<detail::RecordsetData> d;
};

using RecordsetPtr = std::shared_ptr<Recordset>;

// Converts `value` to what a field of `type`, `definedSize`, `precision` and
// `scale` holds; raises -2147217887 when it does not fit. Null passes only
// when `nullable`.
vb::Variant convertToFieldType(const vb::Variant &value, int type, long definedSize,
                               int precision, int scale, bool nullable);

} // namespace ado
