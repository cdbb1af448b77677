#include "controls/ImageList.h"

#include "vb/VbError.h"

namespace controls {

int ImageList::add(const QString &key, const QIcon &icon)
{
    if (!key.isEmpty() && m_index.contains(key))
        vb::raise(35602, QStringLiteral("Key is not unique in collection"));
    m_icons.push_back(icon);
    m_keys.push_back(key);
    const int position = count();
    if (!key.isEmpty())
        m_index.insert(key, position);
    return position;
}

void ImageList::clear()
{
    m_icons.clear();
    m_keys.clear();
    m_index.clear();
}

QString ImageList::key(int index) const
{
    if (index < 1 || index > count())
        vb::raise(35600, QStringLiteral("Index out of bounds"));
    return m_keys[index - 1];
}

QIcon ImageList::icon(int index) const
{
    if (index < 1 || index > count())
        vb::raise(35600, QStringLiteral("Index out of bounds"));
    return m_icons[index - 1];
}

QIcon ImageList::icon(const QString &key) const
{
    const int position = indexOf(key);
    if (position == 0)
        vb::raise(35601, QStringLiteral("Element not found"));
    return m_icons[position - 1];
}

} // namespace controls
