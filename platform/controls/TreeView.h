#pragma once
// The classic tree view: keyed nodes numbered from 1 in the order they were
// added, node images from an image list, the selected node, and the
// NodeClick, Expand and Collapse events as signals (user actions only).

#include <QHash>
#include <QString>
#include <QTreeWidget>
#include <QVector>

namespace controls {

class ImageList;

class TreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TreeView(QWidget *parent = nullptr);

    void setImageList(const ImageList *images);
    const ImageList *imageList() const { return m_images; }

    // Adds a node as the last child of the node keyed parentKey (a top-level
    // node when parentKey is empty); returns its 1-based index. A duplicate
    // key raises 35602, an unknown parent or image key 35601.
    int addNode(const QString &parentKey, const QString &key, const QString &text,
                const QString &imageKey = {});
    void clearNodes();

    int nodeCount() const { return static_cast<int>(m_nodes.size()); }
    // 1-based index of the keyed node, 0 when none.
    int nodeIndex(const QString &key) const { return m_byKey.value(key, 0); }
    // Bad indexes raise 35600.
    QString nodeKey(int index) const;
    QString nodeText(int index) const;
    void setNodeText(int index, const QString &text);
    QString nodeImageKey(int index) const;
    bool isExpanded(int index) const;
    // Changes the expansion without raising Expand or Collapse.
    void setExpanded(int index, bool expanded);
    int parentIndex(int index) const; // 0 for a top-level node

    // Relatives of a node by 1-based index, 0 when there is none. Siblings
    // are the children of the same parent (the top-level nodes for a root).
    int firstSibling(int index) const;
    int lastSibling(int index) const;
    int nextSibling(int index) const;
    int previousSibling(int index) const;
    int firstChild(int index) const;
    int childCount(int index) const;

    // Expands the node's ancestors (without Expand events) and scrolls it into view.
    void ensureVisible(int index);

    // Dragging a node hands its text to the drop target (plain text, copy).
    bool nodeTextDrag() const { return m_textDrag; }
    void setNodeTextDrag(bool enabled);

    // The selected node, 0 when none.
    int selectedNode() const;
    void setSelectedNode(int index);

    QTreeWidgetItem *nodeItem(int index) const;

signals:
    void NodeClick(int index);
    void Expand(int index);
    void Collapse(int index);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QMimeData *mimeData(const QList<QTreeWidgetItem *> &items) const override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    int indexOfNode(QTreeWidgetItem *item) const;

    const ImageList *m_images = nullptr;
    QVector<QTreeWidgetItem *> m_nodes;
    QVector<QString> m_keys;
    QVector<QString> m_imageKeys;
    QHash<QString, int> m_byKey;
    QHash<QTreeWidgetItem *, int> m_byItem;
    bool m_quiet = false;
    bool m_textDrag = false;
};

} // namespace controls
