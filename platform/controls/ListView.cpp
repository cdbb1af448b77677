#include "controls/ListView.h"

#include <QItemSelection>

#include <memory>

#include "controls/ImageList.h"
#include "controls/Measure.h"
#include "vb/VbError.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>

namespace controls {

namespace {

constexpr int IconKeyRole = Qt::UserRole + 1;
// The last check state seen, so ItemCheck fires only when a box really turned.
constexpr int kCheckedRole = Qt::UserRole + 2;

[[noreturn]] void badIndex()
{
    vb::raise(35600, QStringLiteral("Index out of bounds"));
}

// The header paints the fixed image of a caption-less column at the caption's
// place and the sort image to the right of the caption, left-aligned, as the
// classic header did; Qt's own header would put every image left of the text.
class ListViewHeader : public QHeaderView {
public:
    explicit ListViewHeader(ListView *list) : QHeaderView(Qt::Horizontal, list), m_list(list) {}

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        painter->save();
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        if (logicalIndex < 0 || logicalIndex >= m_list->columnHeaderCount() || !m_list->imageList())
            return;
        const ColumnHeader &column = m_list->columnHeader(logicalIndex + 1);
        const ImageList *images = m_list->imageList();
        const QSize size = images->imageSize();
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
        const int top = rect.top() + (rect.height() - size.height()) / 2;
        int left = rect.left() + margin;
        if (!column.iconKey.isEmpty() && images->contains(column.iconKey)) {
            images->icon(column.iconKey).paint(painter, QRect(QPoint(left, top), size));
            left += size.width() + margin;
        }
        if (column.sortImage >= 0 && column.sortImage < images->count()) {
            if (!column.text.isEmpty())
                left += fontMetrics().horizontalAdvance(column.text) + margin;
            QRect target(QPoint(left, top), size);
            painter->save();
            painter->setClipRect(rect);
            images->icon(column.sortImage + 1).paint(painter, target);
            painter->restore();
        }
    }

private:
    ListView *m_list;
};

} // namespace

ListItem::ListItem() : QTreeWidgetItem(QTreeWidgetItem::UserType) {}

ListItem::ListItem(const QString &text) : QTreeWidgetItem(QTreeWidgetItem::UserType), m_texts{text} {}

ListItem::ListItem(QStringList texts) : QTreeWidgetItem(QTreeWidgetItem::UserType), m_texts(std::move(texts)) {}

QString ListItem::iconKey(int column) const
{
    return data(column, IconKeyRole).toString();
}

ListItem::Image &ListItem::imageAt(int column)
{
    for (Image &image : m_images)
        if (image.column == column)
            return image;
    m_images.append(Image{column, QString(), QIcon()});
    return m_images.back();
}

void ListItem::changed()
{
    // Whoever shows the row redraws it; an item not yet added has no one.
    if (treeWidget())
        emitDataChanged();
}

void ListItem::setImage(int column, const QString &key, const QIcon &icon)
{
    if (column < 0)
        return;
    Image &image = imageAt(column);
    image.key = key;
    image.icon = icon;
    changed();
}

QVariant ListItem::data(int column, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (column >= 0 && column < m_texts.size())
            return m_texts.at(column);
        return {};
    case Qt::DecorationRole:
    case IconKeyRole:
        for (const Image &image : m_images)
            if (image.column == column)
                return role == IconKeyRole ? QVariant(image.key) : QVariant(image.icon);
        return {};
    default:
        return QTreeWidgetItem::data(column, role);
    }
}

void ListItem::setData(int column, int role, const QVariant &value)
{
    if (column < 0)
        return;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        const QString text = value.toString();
        if (column < m_texts.size() && m_texts.at(column) == text)
            return;
        while (m_texts.size() <= column)
            m_texts.append(QString());
        m_texts[column] = text;
        break;
    }
    case Qt::DecorationRole:
        imageAt(column).icon = qvariant_cast<QIcon>(value);
        break;
    case IconKeyRole:
        imageAt(column).key = value.toString();
        break;
    default:
        QTreeWidgetItem::setData(column, role, value);
        return;
    }
    changed();
}

ListView *ListItem::listView() const
{
    return qobject_cast<ListView *>(treeWidget());
}

ListView::ListView(QWidget *parent) : QTreeWidget(parent)
{
    setHeader(new ListViewHeader(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setColumnCount(0);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setSortIndicatorShown(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int logical) { emit ColumnClick(logical); });
    connect(header(), &QHeaderView::sectionResized, this, [this](int logical, int, int newSize) {
        if (!m_settingWidth && logical >= 0 && logical < m_columns.size())
            m_columns[logical].widthTwips = pixelsToTwips(newSize);
    });
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item, int column) {
        if (!m_checkboxes || column != 0)
            return;
        // itemChanged also follows text and image changes: only a box that
        // really turned raises ItemCheck.
        const bool checked = item->checkState(0) == Qt::Checked;
        if (item->data(0, kCheckedRole).toBool() == checked)
            return;
        item->setData(0, kCheckedRole, checked);
        emit ItemCheck(indexOfTopLevelItem(item) + 1);
    });
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item, int) {
        const int index = indexOfTopLevelItem(item) + 1;
        if (index > 0)
            emit ItemClick(index);
    });
}

ListView::~ListView() = default;

void ListView::setImageList(const ImageList *images)
{
    m_images = images;
    if (m_images)
        setIconSize(m_images->imageSize());
    header()->viewport()->update();
}

void ListView::addColumnHeader(const QString &key, const QString &text, double widthTwips, const QString &iconKey)
{
    if (!iconKey.isEmpty() && (!m_images || !m_images->contains(iconKey)))
        vb::raise(35601, QStringLiteral("Element not found"));
    ColumnHeader column;
    column.key = key;
    column.text = text;
    column.widthTwips = widthTwips;
    column.iconKey = iconKey;
    m_columns.push_back(column);
    const int position = static_cast<int>(m_columns.size());
    setColumnCount(position);
    applyHeader(position);
}

void ListView::clearColumnHeaders()
{
    m_columns.clear();
    setColumnCount(0);
}

const ColumnHeader &ListView::columnHeader(int index) const
{
    if (index < 1 || index > m_columns.size())
        badIndex();
    return m_columns[index - 1];
}

void ListView::setColumnWidthTwips(int index, double twips)
{
    if (index < 1 || index > m_columns.size())
        badIndex();
    m_columns[index - 1].widthTwips = twips;
    applyHeader(index);
}

int ListView::columnPosition(const QString &key) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].key == key)
            return i + 1;
    return 0;
}

void ListView::applyHeader(int position)
{
    const ColumnHeader &column = m_columns[position - 1];
    QTreeWidgetItem *head = headerItem();
    head->setText(position - 1, column.text);
    head->setTextAlignment(position - 1, Qt::AlignLeft | Qt::AlignVCenter);
    m_settingWidth = true;
    header()->resizeSection(position - 1, twipsToPixels(column.widthTwips));
    m_settingWidth = false;
    header()->viewport()->update();
}

void ListView::showHeaderImage(int column, int imageIndex, bool show)
{
    if (column < 0 || column >= m_columns.size())
        badIndex();
    m_columns[column].sortImage = show ? imageIndex : -1;
    header()->viewport()->update();
}

int ListView::headerImage(int column) const
{
    if (column < 0 || column >= m_columns.size())
        badIndex();
    return m_columns[column].sortImage;
}

ListItem *ListView::item(int index) const
{
    if (index < 1 || index > topLevelItemCount())
        badIndex();
    return static_cast<ListItem *>(topLevelItem(index - 1));
}

int ListView::indexOfItem(const ListItem *item) const
{
    if (!item || item->treeWidget() != this)
        return 0;
    return indexOfTopLevelItem(const_cast<ListItem *>(item)) + 1;
}

ListItem *ListView::insertItem(int index, const QString &text, const QString &smallIconKey)
{
    if (index < 1 || index > topLevelItemCount() + 1)
        badIndex();
    if (index == topLevelItemCount() + 1)
        return addItem(text, smallIconKey);
    ListItem *row = newRow(text, smallIconKey);
    insertTopLevelItem(index - 1, row);
    return row;
}

ListItem *ListView::newRow(const QString &text, const QString &smallIconKey)
{
    // A key the image list lacks refuses the row before it joins the list.
    auto row = std::make_unique<ListItem>(text);
    if (!smallIconKey.isEmpty())
        setItemIcon(row.get(), 0, smallIconKey);
    applyCheckbox(row.get());
    return row.release();
}

ListItem *ListView::addItem(const QString &text, const QString &smallIconKey)
{
    ListItem *row = newRow(text, smallIconKey);
    const bool wasEmpty = topLevelItemCount() == 0;
    addTopLevelItem(row);
    if (wasEmpty)
        makeFirstCurrent();
    return row;
}

void ListView::addItems(const QList<ListItem *> &items)
{
    if (items.isEmpty())
        return;
    const bool wasEmpty = topLevelItemCount() == 0;
    for (ListItem *row : items)
        applyCheckbox(row);
    qsizetype from = 0;
    if (wasEmpty) {
        // Row 1 is made current while it is the only row: made current in a
        // long list, it would have the view lay out every row at once instead
        // of when the list is next shown.
        addTopLevelItem(items.first());
        makeFirstCurrent();
        from = 1;
    }
    QList<QTreeWidgetItem *> rows;
    rows.reserve(items.size() - from);
    for (qsizetype i = from; i < items.size(); ++i)
        rows.push_back(items[i]);
    addTopLevelItems(rows);
}

void ListView::applyCheckbox(QTreeWidgetItem *row) const
{
    if (!m_checkboxes)
        return;
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    if (row->data(0, Qt::CheckStateRole).isNull()) {
        row->setData(0, kCheckedRole, false);
        row->setCheckState(0, Qt::Unchecked);
    }
}

void ListView::setCheckboxes(bool on)
{
    if (m_checkboxes == on)
        return;
    m_checkboxes = on;
    const QSignalBlocker quiet(this);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = topLevelItem(i);
        if (on) {
            applyCheckbox(row);
        } else {
            row->setFlags(row->flags() & ~Qt::ItemIsUserCheckable);
            row->setData(0, Qt::CheckStateRole, QVariant());
        }
    }
}

bool ListView::isItemChecked(int index) const
{
    return item(index)->checkState(0) == Qt::Checked;
}

void ListView::setItemChecked(int index, bool checked)
{
    ListItem *row = item(index);
    if (!m_checkboxes)
        vb::raise(380, QStringLiteral("The list shows no check boxes"));
    row->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void ListView::makeFirstCurrent()
{
    const QModelIndex first = indexFromItem(topLevelItem(0));
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ListView::clearItems()
{
    // Told that the current row goes, the view would first lay out the rows
    // about to go; the reset that follows redraws the list anyway.
    const QSignalBlocker quiet(selectionModel());
    clear();
}

void ListView::setItemIcon(ListItem *item, int column, const QString &key)
{
    if (!m_images || !m_images->contains(key))
        vb::raise(35601, QStringLiteral("Element not found"));
    item->setImage(column, key, m_images->icon(key));
}

int ListView::selectedItemIndex() const
{
    QTreeWidgetItem *current = currentItem();
    return current ? indexOfTopLevelItem(current) + 1 : 0;
}

ListItem *ListView::selectedItem() const
{
    return static_cast<ListItem *>(currentItem());
}

void ListView::setSelectedItem(int index)
{
    ListItem *row = item(index);
    selectionModel()->setCurrentIndex(indexFromItem(row),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool ListView::isItemSelected(int index) const
{
    return item(index)->isSelected();
}

void ListView::setItemSelected(int index, bool selected)
{
    item(index)->setSelected(selected);
}

void ListView::setSelection(const QList<int> &positions, int current)
{
    // One selection of ranges: a hundred thousand selected rows are one
    // step, not one each.
    QItemSelection selection;
    const int columns = std::max(1, columnCount()) - 1;
    for (qsizetype i = 0; i < positions.size();) {
        qsizetype j = i;
        while (j + 1 < positions.size() && positions[j + 1] == positions[j] + 1)
            ++j;
        selection.select(model()->index(positions[i] - 1, 0), model()->index(positions[j] - 1, columns));
        i = j + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (current > 0)
        selectionModel()->setCurrentIndex(indexFromItem(item(current)), QItemSelectionModel::NoUpdate);
}

int ListView::selectedCount() const
{
    int count = 0;
    const int n = topLevelItemCount();
    for (int i = 0; i < n; ++i)
        if (topLevelItem(i)->isSelected())
            ++count;
    return count;
}

void ListView::ensureItemVisible(int index)
{
    scrollToItem(item(index));
}

bool ListView::multiSelect() const
{
    return selectionMode() == QAbstractItemView::ExtendedSelection;
}

void ListView::setMultiSelect(bool multi)
{
    setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void ListView::mousePressEvent(QMouseEvent *event)
{
    QTreeWidget::mousePressEvent(event);
    const QPoint at = event->position().toPoint();
    emit MouseDown(mouseButton(event->button()), shiftState(event->modifiers()), pixelsToTwips(at.x()),
                   pixelsToTwips(at.y()));
}

void ListView::keyPressEvent(QKeyEvent *event)
{
    emit KeyDown(keyCode(event), shiftState(event->modifiers()));
    QTreeWidgetItem *before = currentItem();
    QTreeWidget::keyPressEvent(event);
    QTreeWidgetItem *after = currentItem();
    if (after && after != before)
        emit ItemClick(indexOfTopLevelItem(after) + 1);
}

QString ListView::cutCellText(const QPoint &viewportPosition) const
{
    const QModelIndex index = indexAt(viewportPosition);
    if (!index.isValid())
        return {};
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty())
        return {};
    // What the cell needs (icon, text and margins) against what its column gives.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QRect cell = visualRect(index);
    option.rect = cell;
    const int needed = itemDelegateForIndex(index)->sizeHint(option, index).width();
    return needed > cell.width() ? text : QString();
}

bool ListView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QModelIndex index = indexAt(help->pos());
        // A tool tip given to a cell on purpose wins.
        if (!index.isValid() || index.data(Qt::ToolTipRole).isValid())
            return QTreeWidget::viewportEvent(event);
        const QString text = cutCellText(help->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
        }
        return true;
    }
    return QTreeWidget::viewportEvent(event);
}

} // namespace controls
