#pragma once
// The classic list view in report view: a table name as Tag, keyed column
// headers with widths in twips, the sort column and order as plain
// properties (the rows are ordered by whoever fills the list, never by the
// list itself), keyed row and cell images from an image list, selected flags
// apart from the current item, 1-based item positions, and the database
// rowid of each item.

#include <QIcon>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <QVarLengthArray>
#include <QVector>

namespace controls {

class ImageList;
class ListView;

// One row. Column 0 is the item's own text and small image; column i > 0 is
// sub-item i.
class ListItem : public QTreeWidgetItem {
public:
    ListItem();
    explicit ListItem(const QString &text);
    // A row with the texts of its columns, column 0 first.
    explicit ListItem(QStringList texts);

    QString text() const { return QTreeWidgetItem::text(0); }
    void setText(const QString &text) { QTreeWidgetItem::setText(0, text); }
    // Sub-items are numbered from 1, as the list's columns after the first.
    QString subItem(int i) const { return QTreeWidgetItem::text(i); }
    void setSubItem(int i, const QString &text) { QTreeWidgetItem::setText(i, text); }

    // Key of the image shown in a column (0: the small icon), empty when none.
    QString iconKey(int column = 0) const;
    // Shows an image in a column and remembers its key.
    void setImage(int column, const QString &key, const QIcon &icon);

    // The rowid of the database row this item shows (0 when none).
    qint64 rowid() const { return m_rowid; }
    void setRowid(qint64 rowid) { m_rowid = rowid; }

    // The owning list, or nullptr while the item is not yet added.
    ListView *listView() const;

    // Texts and images are kept by the item itself (see below); other roles
    // go to the base item.
    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant &value) override;

private:
    struct Image {
        int column;
        QString key;
        QIcon icon;
    };
    Image &imageAt(int column);
    void changed();

    // A list fill makes a hundred thousand rows: the base item would allocate
    // per text and per image role, this keeps a row's texts in one list and
    // its images (rarely more than two) inside the item.
    QStringList m_texts;
    QVarLengthArray<Image, 2> m_images;
    qint64 m_rowid = 0;
};

// A column header. The key is the field the column shows.
struct ColumnHeader {
    QString key;
    QString text;
    double widthTwips = 0;
    QString iconKey;      // fixed image at the caption's place (e.g. a column with no text)
    int sortImage = -1;   // zero-based image index shown right of the caption, -1 none
};

class ListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit ListView(QWidget *parent = nullptr);
    ~ListView() override;

    // The table name of the list; also names its settings section.
    QString tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    // One image list serves icons, small icons and column-header images.
    void setImageList(const ImageList *images);
    const ImageList *imageList() const { return m_images; }

    // Column headers, positions 1..columnHeaderCount(). Bad positions raise 35600.
    int columnHeaderCount() const { return static_cast<int>(m_columns.size()); }
    void addColumnHeader(const QString &key, const QString &text, double widthTwips,
                         const QString &iconKey = {});
    void clearColumnHeaders();
    const ColumnHeader &columnHeader(int index) const;
    QString columnKey(int index) const { return columnHeader(index).key; }
    QString columnText(int index) const { return columnHeader(index).text; }
    double columnWidthTwips(int index) const { return columnHeader(index).widthTwips; }
    void setColumnWidthTwips(int index, double twips);
    // 1-based position of the column with this key, 0 when none.
    int columnPosition(const QString &key) const;

    // Sort state, kept for the statement that fills the list.
    int sortKey() const { return m_sortKey; }     // zero-based column position
    void setSortKey(int key) { m_sortKey = key; }
    int sortOrder() const { return m_sortOrder; } // 0 ascending, 1 descending
    void setSortOrder(int order) { m_sortOrder = order; }

    // Shows image imageIndex (zero-based in the image list) right of the
    // caption of the column at zero-based position column, or removes it.
    void showHeaderImage(int column, int imageIndex, bool show);
    int headerImage(int column) const; // -1 when none

    // Rows, positions 1..itemCount(). Bad positions raise 35600.
    int itemCount() const { return topLevelItemCount(); }
    ListItem *item(int index) const;
    int indexOfItem(const ListItem *item) const; // 0 when not in this list
    // Adds a row at the end. Adding to an empty list makes row 1 current and selected.
    ListItem *addItem(const QString &text, const QString &smallIconKey = {});
    // Inserts a row at 1-based `index` (itemCount() + 1 appends).
    ListItem *insertItem(int index, const QString &text, const QString &smallIconKey = {});
    // Adds many rows at once (the list takes ownership), with the same rule.
    void addItems(const QList<ListItem *> &items);
    void clearItems();

    // Images by key from the image list; an unknown key raises 35601. Works on
    // items not yet added too.
    void setItemIcon(ListItem *item, int column, const QString &key);

    // The current item (the classic SelectedItem): 0 / nullptr when none.
    int selectedItemIndex() const;
    ListItem *selectedItem() const;
    // Makes the row current and selected, unselecting the others.
    void setSelectedItem(int index);
    // The selected flag of one row, apart from the current item.
    bool isItemSelected(int index) const;
    void setItemSelected(int index, bool selected);
    int selectedCount() const;
    // Selects exactly the rows at `positions` (1-based, ascending) in one
    // step, and makes `current` the current row without changing its
    // selected flag (0: the current row stays as it is).
    void setSelection(const QList<int> &positions, int current);
    void ensureItemVisible(int index);

    // Check boxes on the rows (rows added later get one too). ItemCheck
    // follows every change of a box, by the user or by code.
    bool checkboxes() const { return m_checkboxes; }
    void setCheckboxes(bool on);
    bool isItemChecked(int index) const;
    void setItemChecked(int index, bool checked);

    // Multiple selection with Ctrl and Shift, or one row at a time.
    bool multiSelect() const;
    void setMultiSelect(bool multi);

    // The whole text of the cell at a viewport position when its column is
    // too narrow to show it (the cell shows it cut), else empty text. It is
    // the cell's tool tip, so a cut entry can still be read.
    QString cutCellText(const QPoint &viewportPosition) const;

signals:
    void ColumnClick(int column);                       // zero-based position
    void ItemClick(int index);                          // 1-based position
    void MouseDown(int button, int shift, int x, int y); // x, y in twips
    void KeyDown(int keyCode, int shift);
    void ItemCheck(int index);                          // 1-based position

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void applyHeader(int position);
    void makeFirstCurrent();
    ListItem *newRow(const QString &text, const QString &smallIconKey);
    void applyCheckbox(QTreeWidgetItem *row) const;

    QString m_tag;
    const ImageList *m_images = nullptr;
    QVector<ColumnHeader> m_columns;
    int m_sortKey = 0;
    int m_sortOrder = 0;
    bool m_settingWidth = false;
    bool m_checkboxes = false;
};

} // namespace controls
