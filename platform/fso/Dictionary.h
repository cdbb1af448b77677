#pragma once
// Scripting.Dictionary: keys and items in the order they were added, reached
// by key; text keys compared exactly or, with CompareMode 1, without regard
// to case.

#include "com/HostObject.h"

#include <QHash>

namespace fso {

class Dictionary : public com::HostClass<Dictionary> {
public:
    static com::DispatchTable<Dictionary> describe();
    std::vector<vb::Variant> enumerate() override; // the keys

    int count() const { return int(m_keys.size()); }
    bool exists(const vb::Variant &key) const { return m_index.contains(keyText(key)); }
    void add(const vb::Variant &key, const vb::Variant &item); // 457 for a key already there
    // The item of a key; a key read that is not there is added with Empty, as
    // the classic object does.
    vb::Variant item(const vb::Variant &key);
    void setItem(const vb::Variant &key, const vb::Variant &item);
    void rename(const vb::Variant &key, const vb::Variant &newKey); // 32811 when absent, 457 when taken
    void remove(const vb::Variant &key);                              // 32811 when absent
    void removeAll();
    int compareMode() const { return m_compareMode; }
    void setCompareMode(int mode); // 5 once the dictionary holds keys
    vb::Variant keys() const;
    vb::Variant items() const;

private:
    QString keyText(const vb::Variant &key) const;
    void reindex();

    std::vector<vb::Variant> m_keys;
    std::vector<vb::Variant> m_items;
    QHash<QString, int> m_index; // key text -> position
    int m_compareMode = 0;
};

} // namespace fso
