#pragma once
// Field and Fields of a record set. A Field is a view on one column of its
// record set's current row: reading it at BOF or EOF raises 3021.

#include "ado/Types.h"
#include "vb/Variant.h"

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace ado {

class Recordset;

class Field {
public:
    QString Name() const { return m_name; }
    int Type() const { return m_type; }
    long DefinedSize() const { return m_definedSize; }
    uint8_t Precision() const { return m_precision; }
    uint8_t NumericScale() const { return m_scale; }
    long Attributes() const { return m_attributes; }
    long ActualSize() const;               // length of the current value

    // Precision and scale may be set before a disconnected record set opens
    // (3219 afterwards).
    void setPrecision(uint8_t precision);
    void setNumericScale(uint8_t scale);

    // The value of the current row: Null for a database NULL, never Empty
    // once a row has been fetched. Assigning converts to the field's type
    // (-2147217887 when the value does not fit; the row keeps its old value)
    // and starts an edit that Update or a move to another row stores.
    vb::Variant Value() const;
    void setValue(const vb::Variant &value);
    Field &operator=(const vb::Variant &value) { setValue(value); return *this; }

    // Assigns text given as UTF-8 bytes, kept and bound as they are: a bulk
    // writer whose text is bytes already builds no QString for it. Text
    // fields follow setValue's rules (a limited field refuses longer text);
    // any other field takes the text through setValue.
    void setUtf8(QByteArrayView text);

    vb::Variant OriginalValue() const;     // the value as fetched, before changes of this edit

    int index() const { return m_index; }  // 0-based position in Fields
    Recordset &recordset() const { return *m_rs; }

    // The column this field stores into (empty for a computed column).
    QString baseColumn() const { return m_baseColumn; }

private:
    friend class Recordset;
    friend class Fields;
    Field(Recordset *rs, int index) : m_rs(rs), m_index(index) {}

    Recordset *m_rs;
    int m_index;
    QString m_name;
    int m_type = adVarWChar;
    long m_definedSize = 0;
    uint8_t m_precision = 0;
    uint8_t m_scale = 0;
    long m_attributes = 0;
    QString m_baseColumn;
    bool m_autoIncrement = false;
};

class Fields {
public:
    int Count() const { return static_cast<int>(m_fields.size()); }
    // By name (letter case ignored; 3265 when there is none) or 0-based position (3265).
    Field &Item(const QString &name) const;
    Field &Item(int index) const;
    Field &operator()(const QString &name) const { return Item(name); }
    Field &operator()(int index) const { return Item(index); }
    Field &operator[](const QString &name) const { return Item(name); }
    Field &operator[](int index) const { return Item(index); }
    Field *find(const QString &name) const;   // nullptr when there is none

    // Disconnected record sets, before Open: a new field. `attributes`
    // adFldUnspecified (-1) makes an updatable field that refuses Null.
    // 3367 for a repeated name, 3001 for a type this layer does not hold,
    // 3705 once the record set is open.
    void Append(const QString &name, int type, long definedSize = 0,
                long attributes = adFldUnspecified);
    void Delete(const QString &name);         // only while closed

    // Iteration in field order: for (Field &f : rs.Fields()) ...
    class iterator {
    public:
        using Base = std::vector<std::unique_ptr<Field>>::const_iterator;
        explicit iterator(Base it) : m_it(it) {}
        Field &operator*() const { return **m_it; }
        Field *operator->() const { return m_it->get(); }
        iterator &operator++() { ++m_it; return *this; }
        bool operator==(const iterator &o) const { return m_it == o.m_it; }
        bool operator!=(const iterator &o) const { return m_it != o.m_it; }
    private:
        Base m_it;
    };
    iterator begin() const { return iterator(m_fields.begin()); }
    iterator end() const { return iterator(m_fields.end()); }

private:
    friend class Recordset;
    explicit Fields(Recordset *rs) : m_rs(rs) {}
    void clear() { m_fields.clear(); }
    Field &add(const QString &name);

    Recordset *m_rs;
    std::vector<std::unique_ptr<Field>> m_fields;
};

// True for the type numbers a disconnected record set accepts.
bool isSupportedType(int type);

} // namespace ado
