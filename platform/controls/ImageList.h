#pragma once
// An ordered list of images, each reachable by its 1-based position and by an
// optional key, shared by list views, tree views and tool bars.

#include <QHash>
#include <QIcon>
#include <QSize>
#include <QString>
#include <QVector>

namespace controls {

class ImageList {
public:
    explicit ImageList(QSize imageSize = QSize(16, 16)) : m_size(imageSize) {}

    QSize imageSize() const { return m_size; }

    // Appends an image; returns its 1-based position. An empty key adds an
    // image reachable by position only. A key used twice raises 35602.
    int add(const QString &key, const QIcon &icon);
    void clear();

    int count() const { return static_cast<int>(m_icons.size()); }
    bool contains(const QString &key) const { return m_index.contains(key); }
    // 1-based position of the key, 0 when absent.
    int indexOf(const QString &key) const { return m_index.value(key, 0); }
    QString key(int index) const;

    // Raise 35600 (index out of bounds) or 35601 (element not found).
    QIcon icon(int index) const;
    QIcon icon(const QString &key) const;

private:
    QSize m_size;
    QVector<QIcon> m_icons;
    QVector<QString> m_keys;
    QHash<QString, int> m_index;
};

} // namespace controls
