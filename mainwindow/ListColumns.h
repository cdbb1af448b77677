#pragma once
// The columns of the six lists: the thirteen mailbox columns chosen by the
// `Columns` settings, the six fixed log columns, and the rules that put a
// record's fields into a row's cells.

#include "vb/Variant.h"

#include <QIcon>
#include <QString>
#include <array>
#include <functional>
#include <vector>

namespace controls {
class ImageList;
class ListItem;
class ListView;
}

namespace mainwindow {

struct MailboxColumn {
    const char *switchKey; // key in settings section `Columns`
    bool defaultOn;
    const char *field;     // column Key, field name, width key
    const char *header;    // header text (none for Acknowledged)
};

inline constexpr int kMailboxColumnCount = 13;
const std::array<MailboxColumn, kMailboxColumnCount> &mailboxColumns();
using ColumnSwitches = std::array<bool, kMailboxColumnCount>;

// The thirteen switches of section `Columns`, each read with its default.
// A value that is neither a truth value nor a number raises 13 (type mismatch).
ColumnSwitches readColumnSwitches();
ColumnSwitches defaultColumnSwitches();

struct LogColumn {
    const char *field; // key and caption
    int widthTwips;    // creation width
};
const std::array<LogColumn, 6> &logColumns();

// One cell of a row: column 0 is the item's own text and small image.
struct CellSpec {
    QString text;
    QString iconKey;
    bool operator==(const CellSpec &) const = default;
};
using RowSpec = std::vector<CellSpec>;

// The value of a field of the current record.
using FieldReader = std::function<vb::Variant(const char *field)>;

// A field value as a cell shows it: stored text, numbers in decimal; Null as
// empty text.
QString cellText(const vb::Variant &value);
// The image key for a Status, Acknowledged or log Type value: the trimmed
// text when the image list has it, else "Error", so an unknown value shows
// the error image instead of stopping the fill.
QString imageKeyFor(const vb::Variant &value, const controls::ImageList &images);

// The mailbox row rule worked out once for the switches and the list's first
// two column keys: which field each cell shows and which image it carries.
// A fill applies it to every record; mailboxRow applies it to one.
struct MailboxRowPlan {
    enum class Image { None, Acknowledged, Status };
    struct Cell {
        int field;   // position in `fields` of the cell's text, -1: no text
        Image image;
    };
    std::vector<const char *> fields; // the fields the row reads, each once
    std::vector<Cell> cells;
    int acknowledged = -1, status = -1; // positions in `fields`, -1 when no image needs them
    bool startsNoRow = false;           // a record would start no row (error 91)
};
MailboxRowPlan planMailboxRow(const ColumnSwitches &switches, const QString &firstKey, const QString &secondKey);

// The mailbox row rule: cells in the order of the switched-on columns; the
// Status image at the first data column, the Acknowledged image in the
// Acknowledged column. firstKey and secondKey are the keys of the list's
// first two columns. A record that would start no row (columns that do not
// match the switches) raises 91.
RowSpec mailboxRow(const ColumnSwitches &switches, const QString &firstKey, const QString &secondKey,
                   const FieldReader &field, const controls::ImageList &images);

// Makes the items of a mailbox fill: a record's values, read in the order of
// plan.fields, become an item with the cells mailboxRow gives, each image
// looked up once per distinct value.
class MailboxItemMaker {
public:
    MailboxItemMaker(MailboxRowPlan plan, const controls::ImageList &images);
    // Raises 91 when the plan starts no row.
    controls::ListItem *make(const vb::Variant *values, qint64 rowid);

private:
    struct Image {
        QString value; // the field's text
        QString key;
        QIcon icon;
    };
    const Image &image(const vb::Variant &value);

    MailboxRowPlan m_plan;
    const controls::ImageList &m_images;
    // The few distinct values seen (the statuses, Yes and No): a short list
    // compared in order is cheaper here than hashing every value.
    std::vector<Image> m_seen;
    // The texts of the row made last: a text equal to the one above it is
    // shared instead of kept twice (sorted lists repeat their values).
    QStringList m_above;
};

// The log row rule: Type with its image, then Index, Date, Time, User, Description.
RowSpec logRow(const FieldReader &field, const controls::ImageList &images);

// A list item built from a row, with the database rowid of its record.
controls::ListItem *makeItem(const RowSpec &row, qint64 rowid, const controls::ImageList &images);

// A list's selection by row identity, taken before a refill.
struct SelectionMemory {
    bool hadCurrent = false;     // the list had a current row
    qint64 current = 0;          // its rowid
    int currentPosition = 0;     // and its position
    QList<qint64> selected;      // rowids of the selected rows, in list order
};
SelectionMemory rememberSelection(const controls::ListView &list);

// The selection after a refill, by row identity, never by position: the rows
// selected before are selected again wherever the new order put them, and
// the current row stays on the same row. A selected row that is gone
// selects nothing in its place. When the current row is gone, the first row
// still selected becomes current; when none is, the row now at the current
// row's position becomes current without being selected. A list that had no
// current row keeps what the fill made of it (row 1 current and selected).
void restoreSelection(controls::ListView &list, const SelectionMemory &memory);

} // namespace mainwindow
