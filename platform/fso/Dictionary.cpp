#include "fso/Dictionary.h"

namespace fso {

using com::Args;
using vb::Variant;
using vb::VarType;

namespace {

Variant arrayOf(const std::vector<Variant> &values)
{
    auto a = std::make_shared<vb::SafeArray>();
    a->bounds.push_back({0, int32_t(values.size())});
    a->data = values;
    return Variant(std::move(a));
}

// A key as it was given: an object key stands for itself, not its default value.
const Variant &keyArg(Args &a, size_t i) { return a.required(i); }

} // namespace

QString Dictionary::keyText(const Variant &key) const
{
    switch (key.type()) {
    case VarType::String:
        return QLatin1String("s:") + (m_compareMode == 0 ? key.rawString() : key.rawString().toLower());
    case VarType::Empty:
        return QStringLiteral("e:");
    case VarType::Null:
        return QStringLiteral("n:");
    case VarType::Object:
        return QStringLiteral("o:") + QString::number(quintptr(key.rawObject().get()), 16);
    case VarType::Array:
        vb::raise(13);
    case VarType::Date:
        return QStringLiteral("d:") + QString::number(key.toDouble(), 'g', 17);
    case VarType::Boolean:
        return QStringLiteral("b:") + QString::number(key.rawInt());
    default: // numbers of every subtype: 1 and 1.0 are the same key
        return QStringLiteral("#:") + QString::number(key.toDouble(), 'g', 17);
    }
}

void Dictionary::reindex()
{
    m_index.clear();
    for (size_t i = 0; i < m_keys.size(); ++i)
        m_index.insert(keyText(m_keys[i]), int(i));
}

void Dictionary::add(const Variant &key, const Variant &item)
{
    const QString k = keyText(key);
    if (m_index.contains(k))
        vb::raise(457);
    m_index.insert(k, int(m_keys.size()));
    m_keys.push_back(key);
    m_items.push_back(item);
}

Variant Dictionary::item(const Variant &key)
{
    auto it = m_index.constFind(keyText(key));
    if (it == m_index.constEnd()) {
        add(key, Variant());
        return Variant();
    }
    return m_items[size_t(*it)];
}

void Dictionary::setItem(const Variant &key, const Variant &item)
{
    auto it = m_index.constFind(keyText(key));
    if (it == m_index.constEnd())
        add(key, item);
    else
        m_items[size_t(*it)] = item;
}

void Dictionary::rename(const Variant &key, const Variant &newKey)
{
    auto it = m_index.constFind(keyText(key));
    if (it == m_index.constEnd())
        vb::raise(32811);
    const int pos = *it;
    const QString k = keyText(newKey);
    if (m_index.contains(k))
        vb::raise(457);
    m_index.erase(it);
    m_keys[size_t(pos)] = newKey;
    m_index.insert(k, pos);
}

void Dictionary::remove(const Variant &key)
{
    auto it = m_index.constFind(keyText(key));
    if (it == m_index.constEnd())
        vb::raise(32811);
    const size_t pos = size_t(*it);
    m_keys.erase(m_keys.begin() + pos);
    m_items.erase(m_items.begin() + pos);
    reindex();
}

void Dictionary::removeAll()
{
    m_keys.clear();
    m_items.clear();
    m_index.clear();
}

void Dictionary::setCompareMode(int mode)
{
    if (mode < 0 || !m_keys.empty())
        vb::raise(5);
    m_compareMode = mode == 0 ? 0 : 1; // text and database compare both ignore case
}

Variant Dictionary::keys() const { return arrayOf(m_keys); }
Variant Dictionary::items() const { return arrayOf(m_items); }

std::vector<Variant> Dictionary::enumerate() { return m_keys; }

com::DispatchTable<Dictionary> Dictionary::describe()
{
    com::DispatchTable<Dictionary> t(QStringLiteral("Dictionary"));
    t.method("Add", 2, 2, [](Dictionary &d, Args &a) {
        d.add(keyArg(a, 0), a.required(1));
        return Variant();
    });
    t.method("Exists", 1, 1, [](Dictionary &d, Args &a) { return Variant(d.exists(keyArg(a, 0))); });
    t.indexedProperty(
        "Item", 1, 1, [](Dictionary &d, Args &a) { return d.item(keyArg(a, 0)); },
        [](Dictionary &d, Args &a, const Variant &v) { d.setItem(keyArg(a, 0), v); },
        [](Dictionary &d, Args &a, const Variant &v) { d.setItem(keyArg(a, 0), v); });
    t.indexedProperty(
        "Key", 1, 1, {}, [](Dictionary &d, Args &a, const Variant &v) { d.rename(keyArg(a, 0), v); });
    t.method("Items", 0, 0, [](Dictionary &d, Args &) { return d.items(); });
    t.method("Keys", 0, 0, [](Dictionary &d, Args &) { return d.keys(); });
    t.method("Remove", 1, 1, [](Dictionary &d, Args &a) {
        d.remove(keyArg(a, 0));
        return Variant();
    });
    t.method("RemoveAll", 0, 0, [](Dictionary &d, Args &) {
        d.removeAll();
        return Variant();
    });
    t.property("Count", [](Dictionary &d) { return Variant(int32_t(d.count())); });
    t.property("CompareMode", [](Dictionary &d) { return Variant(int32_t(d.compareMode())); },
               [](Dictionary &d, const Variant &v) { d.setCompareMode(v.toLong()); });
    t.defaultMember("Item");
    return t;
}

} // namespace fso
