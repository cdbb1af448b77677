#include "controls/TreeView.h"

#include "controls/ImageList.h"
#include "vb/VbError.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace controls {

TreeView::TreeView(QWidget *parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
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
