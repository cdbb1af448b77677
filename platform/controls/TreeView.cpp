#include "controls/TreeView.h"

#include "controls/ImageList.h"
#include "vb/VbError.h"

#include <QHeaderView>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>

namespace controls {

TreeView::TreeView(QWidget *parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Long node texts scroll sideways, as in the classic tree, instead of
    // being cut short.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setTextElideMode(Qt::ElideNone);
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item, int) {
        const int index = indexOfNode(item);
        if (index > 0)
            emit NodeClick(index);
    });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *item) {
        const int index = indexOfNode(item);
        if (!m_quiet && index > 0)
            emit Collapse(index);
    });
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) {
        const int index = indexOfNode(item);
        if (!m_quiet && index > 0)
            emit Expand(index);
    });
}

void TreeView::setImageList(const ImageList *images)
{
    m_images = images;
    if (m_images)
        setIconSize(m_images->imageSize());
}

int TreeView::addNode(const QString &parentKey, const QString &key, const QString &text, const QString &imageKey)
{
    if (!key.isEmpty() && m_byKey.contains(key))
        vb::raise(35602, QStringLiteral("Key is not unique in collection"));
    QTreeWidgetItem *parent = nullptr;
    if (!parentKey.isEmpty()) {
        const int p = nodeIndex(parentKey);
        if (p == 0)
            vb::raise(35601, QStringLiteral("Element not found"));
        parent = m_nodes[p - 1];
    }
    QIcon icon;
    if (!imageKey.isEmpty()) {
        if (!m_images || !m_images->contains(imageKey))
            vb::raise(35601, QStringLiteral("Element not found"));
        icon = m_images->icon(imageKey);
    }
    auto *item = new QTreeWidgetItem(QStringList{text});
    item->setIcon(0, icon);
    if (parent)
        parent->addChild(item);
    else
        addTopLevelItem(item);
    m_nodes.push_back(item);
    m_keys.push_back(key);
    m_imageKeys.push_back(imageKey);
    const int index = nodeCount();
    if (!key.isEmpty())
        m_byKey.insert(key, index);
    m_byItem.insert(item, index);
    return index;
}

void TreeView::clearNodes()
{
    m_quiet = true;
    clear();
    m_quiet = false;
    m_nodes.clear();
    m_keys.clear();
    m_imageKeys.clear();
    m_byKey.clear();
    m_byItem.clear();
}

QTreeWidgetItem *TreeView::nodeItem(int index) const
{
    if (index < 1 || index > nodeCount())
        vb::raise(35600, QStringLiteral("Index out of bounds"));
    return m_nodes[index - 1];
}

QString TreeView::nodeKey(int index) const
{
    nodeItem(index);
    return m_keys[index - 1];
}

QString TreeView::nodeText(int index) const
{
    return nodeItem(index)->text(0);
}

void TreeView::setNodeText(int index, const QString &text)
{
    nodeItem(index)->setText(0, text);
}

QString TreeView::nodeImageKey(int index) const
{
    nodeItem(index);
    return m_imageKeys[index - 1];
}

bool TreeView::isExpanded(int index) const
{
    return nodeItem(index)->isExpanded();
}

void TreeView::setExpanded(int index, bool expanded)
{
    QTreeWidgetItem *item = nodeItem(index);
    m_quiet = true;
    item->setExpanded(expanded);
    m_quiet = false;
}

int TreeView::parentIndex(int index) const
{
    QTreeWidgetItem *parent = nodeItem(index)->parent();
    return parent ? m_byItem.value(parent, 0) : 0;
}

namespace {

// The position of an item among its siblings and the sibling at a position.
int siblingPosition(const QTreeWidget *tree, QTreeWidgetItem *item)
{
    return item->parent() ? item->parent()->indexOfChild(item) : tree->indexOfTopLevelItem(item);
}

int siblingCount(const QTreeWidget *tree, QTreeWidgetItem *item)
{
    return item->parent() ? item->parent()->childCount() : tree->topLevelItemCount();
}

QTreeWidgetItem *siblingAt(const QTreeWidget *tree, QTreeWidgetItem *item, int position)
{
    if (position < 0 || position >= siblingCount(tree, item))
        return nullptr;
    return item->parent() ? item->parent()->child(position) : tree->topLevelItem(position);
}

} // namespace

int TreeView::firstSibling(int index) const
{
    return indexOfNode(siblingAt(this, nodeItem(index), 0));
}

int TreeView::lastSibling(int index) const
{
    QTreeWidgetItem *item = nodeItem(index);
    return indexOfNode(siblingAt(this, item, siblingCount(this, item) - 1));
}

int TreeView::nextSibling(int index) const
{
    QTreeWidgetItem *item = nodeItem(index);
    return indexOfNode(siblingAt(this, item, siblingPosition(this, item) + 1));
}

int TreeView::previousSibling(int index) const
{
    QTreeWidgetItem *item = nodeItem(index);
    return indexOfNode(siblingAt(this, item, siblingPosition(this, item) - 1));
}

int TreeView::firstChild(int index) const
{
    QTreeWidgetItem *item = nodeItem(index);
    return item->childCount() > 0 ? indexOfNode(item->child(0)) : 0;
}

int TreeView::childCount(int index) const
{
    return nodeItem(index)->childCount();
}

void TreeView::ensureVisible(int index)
{
    QTreeWidgetItem *item = nodeItem(index);
    m_quiet = true;
    for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
        p->setExpanded(true);
    m_quiet = false;
    scrollToItem(item);
}

void TreeView::setNodeTextDrag(bool enabled)
{
    m_textDrag = enabled;
    setDragEnabled(enabled);
    setDragDropMode(enabled ? QAbstractItemView::DragOnly : QAbstractItemView::NoDragDrop);
    setDefaultDropAction(Qt::CopyAction);
}

QStringList TreeView::mimeTypes() const
{
    return {QStringLiteral("text/plain")};
}

QMimeData *TreeView::mimeData(const QList<QTreeWidgetItem *> &items) const
{
    if (!m_textDrag || items.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setText(items.first()->text(0));
    return data;
}

Qt::DropActions TreeView::supportedDropActions() const
{
    return Qt::CopyAction;
}

void TreeView::startDrag(Qt::DropActions supportedActions)
{
    QTreeWidgetItem *item = currentItem();
    if (!m_textDrag || !item)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(mimeData({item}));
    // The text is copied: the node stays where it is whatever the target does.
    drag->exec(Qt::CopyAction & supportedActions ? Qt::CopyAction : supportedActions, Qt::CopyAction);
}

int TreeView::selectedNode() const
{
    return indexOfNode(currentItem());
}

void TreeView::setSelectedNode(int index)
{
    setCurrentItem(nodeItem(index));
}

int TreeView::indexOfNode(QTreeWidgetItem *item) const
{
    return item ? m_byItem.value(item, 0) : 0;
}

void TreeView::keyPressEvent(QKeyEvent *event)
{
    QTreeWidgetItem *before = currentItem();
    QTreeWidget::keyPressEvent(event);
    QTreeWidgetItem *after = currentItem();
    if (after && after != before) {
        const int index = indexOfNode(after);
        if (index > 0)
            emit NodeClick(index);
    }
}

} // namespace controls
