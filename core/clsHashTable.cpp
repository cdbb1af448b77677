#include "core/clsHashTable.h"

#include "vb/VbError.h"

#include <limits>

clsHashTable::clsHashTable()
{
    SetSize(1024, 2048, 1024);
}

bool clsHashTable::IgnoreCase() const
{
    return m_ignoreCase;
}

void clsHashTable::IgnoreCase(bool newValue)
{
    if (m_count != 0)
        vb::raise(1001, QStringLiteral("The Hash Table isn't empty"));
    m_ignoreCase = newValue;
}

void clsHashTable::SetSize(int32_t HashSize, int32_t ListSize, int32_t ChunkSize)
{
    // Without a bucket there is nowhere to put a key.
    if (HashSize < 1)
        vb::raise(5);
    if (ListSize > 0)
        m_listSize = ListSize;
    if (ChunkSize > 0)
        m_chunkSize = ChunkSize;
    m_hashSize = HashSize;
    m_count = 0;
    m_freeHead = 0;
    m_buckets.assign(static_cast<size_t>(HashSize), 0);
    m_slots.clear();
    m_slots.shrink_to_fit();
    m_slots.resize(1); // slot 0 is never used: index 0 means "none"
    ExpandSlots(m_listSize);
}

void clsHashTable::ExpandSlots(int32_t n)
{
    if (n < 1)
        return;
    const int64_t u = static_cast<int64_t>(m_slots.size()) - 1;
    if (u + n > std::numeric_limits<int32_t>::max())
        vb::raise(6);
    m_slots.resize(static_cast<size_t>(u + n + 1));
    for (int64_t i = u + 1; i < u + n; ++i)
        m_slots[static_cast<size_t>(i)].next = static_cast<int32_t>(i + 1);
    m_slots[static_cast<size_t>(u + n)].next = m_freeHead;
    m_freeHead = static_cast<int32_t>(u + 1);
}

int32_t clsHashTable::HashCode(const QString &Key)
{
    uint32_t hash = 0;
    const qsizetype n = Key.size();
    for (qsizetype i = 0; i < n; i += 4) {
        uint32_t word = 0;
        for (qsizetype j = 0; j < 4 && i + j < n; ++j) {
            const char16_t c = Key[i + j].unicode();
            // The 8-bit form; a character without one becomes "?", as the
            // system's code-page conversion does.
            const uint32_t byte = c <= 0xFF ? c : u'?';
            word |= byte << (8 * j);
        }
        hash ^= word;
    }
    return static_cast<int32_t>(hash);
}

QString clsHashTable::foldKey(const QString &key) const
{
    if (!m_ignoreCase)
        return key;
    // Character by character, so a key keeps its length.
    QString upper = key;
    for (QChar &c : upper)
        c = c.toUpper();
    return upper;
}

int32_t clsHashTable::bucketOfFolded(const QString &folded) const
{
    // The remainder takes the sign of the hash code; a negative one would name
    // no bucket, so it is moved into range (a plain modulo from then on).
    int32_t bucket = HashCode(folded) % m_hashSize;
    if (bucket < 0)
        bucket += m_hashSize;
    return bucket;
}

int32_t clsHashTable::FindSlot(const QString &Key, bool &create, int32_t &bucket, int32_t &previous)
{
    if (Key.isEmpty())
        vb::raise(1001, QStringLiteral("Invalid key"));
    const QString key = foldKey(Key);
    bucket = bucketOfFolded(key);
    previous = 0;
    int32_t slot = m_buckets[static_cast<size_t>(bucket)];
    while (slot != 0) {
        if (m_slots[static_cast<size_t>(slot)].key == key)
            break;
        previous = slot;
        slot = m_slots[static_cast<size_t>(slot)].next;
    }
    if (slot == 0 && create) {
        slot = TakeFreeSlot();
        InitSlot(slot, key, bucket, previous);
    } else {
        create = false;
    }
    return slot;
}

int32_t clsHashTable::TakeFreeSlot()
{
    if (m_freeHead == 0)
        ExpandSlots(m_chunkSize);
    const int32_t slot = m_freeHead;
    m_freeHead = m_slots[static_cast<size_t>(slot)].next;
    m_slots[static_cast<size_t>(slot)].next = 0;
    ++m_count;
    return slot;
}

void clsHashTable::InitSlot(int32_t slot, const QString &key, int32_t bucket, int32_t previous)
{
    m_slots[static_cast<size_t>(slot)].key = key; // already folded when IgnoreCase is set
    if (previous != 0)
        m_slots[static_cast<size_t>(previous)].next = slot;
    else
        m_buckets[static_cast<size_t>(bucket)] = slot;
}

bool clsHashTable::Exists(const QString &Key)
{
    bool create = false;
    int32_t bucket = 0, previous = 0;
    return FindSlot(Key, create, bucket, previous) != 0;
}

void clsHashTable::Add(const QString &Key, const vb::Variant &Value)
{
    bool create = true;
    int32_t bucket = 0, previous = 0;
    const int32_t slot = FindSlot(Key, create, bucket, previous);
    if (!create)
        vb::raise(457);
    m_slots[static_cast<size_t>(slot)].value = Value;
}

vb::Variant clsHashTable::Item(const QString &Key)
{
    bool create = false;
    int32_t bucket = 0, previous = 0;
    const int32_t slot = FindSlot(Key, create, bucket, previous);
    if (slot == 0)
        return {};
    return m_slots[static_cast<size_t>(slot)].value;
}

void clsHashTable::LetItem(const QString &Key, const vb::Variant &Value)
{
    bool create = true;
    int32_t bucket = 0, previous = 0;
    const int32_t slot = FindSlot(Key, create, bucket, previous);
    m_slots[static_cast<size_t>(slot)].value = Value;
}

void clsHashTable::SetItem(const QString &Key, const vb::Variant &Value)
{
    if (Key.isEmpty())
        vb::raise(1001, QStringLiteral("Invalid key"));
    if (!Value.isObject())
        vb::raise(424);
    bool create = true;
    int32_t bucket = 0, previous = 0;
    const int32_t slot = FindSlot(Key, create, bucket, previous);
    m_slots[static_cast<size_t>(slot)].value = Value;
}

void clsHashTable::Remove(const QString &Key)
{
    bool create = false;
    int32_t bucket = 0, previous = 0;
    const int32_t slot = FindSlot(Key, create, bucket, previous);
    if (slot == 0)
        vb::raise(5);
    Slot &s = m_slots[static_cast<size_t>(slot)];
    if (previous != 0)
        m_slots[static_cast<size_t>(previous)].next = s.next;
    else
        m_buckets[static_cast<size_t>(bucket)] = s.next;
    // The slot keeps its key and value until it is taken again.
    s.next = m_freeHead;
    m_freeHead = slot;
    --m_count;
}

void clsHashTable::RemoveAll()
{
    SetSize(m_hashSize, m_listSize, m_chunkSize);
}

int32_t clsHashTable::Count() const
{
    return m_count;
}

vb::Variant clsHashTable::Keys() const
{
    auto array = std::make_shared<vb::SafeArray>();
    array->bounds = {{0, m_count}};
    array->data.reserve(static_cast<size_t>(m_count));
    for (int32_t head : m_buckets)
        for (int32_t slot = head; slot != 0; slot = m_slots[static_cast<size_t>(slot)].next)
            array->data.emplace_back(m_slots[static_cast<size_t>(slot)].key);
    return vb::Variant(array);
}

vb::Variant clsHashTable::Values() const
{
    auto array = std::make_shared<vb::SafeArray>();
    array->bounds = {{0, m_count}};
    array->data.reserve(static_cast<size_t>(m_count));
    for (int32_t head : m_buckets)
        for (int32_t slot = head; slot != 0; slot = m_slots[static_cast<size_t>(slot)].next)
            array->data.push_back(m_slots[static_cast<size_t>(slot)].value);
    return vb::Variant(array);
}

int32_t clsHashTable::bucketOf(const QString &key) const
{
    return bucketOfFolded(foldKey(key));
}

int32_t clsHashTable::slotOf(const QString &key) const
{
    if (key.isEmpty())
        return 0;
    const QString folded = foldKey(key);
    for (int32_t slot = m_buckets[static_cast<size_t>(bucketOfFolded(folded))]; slot != 0;
         slot = m_slots[static_cast<size_t>(slot)].next)
        if (m_slots[static_cast<size_t>(slot)].key == folded)
            return slot;
    return 0;
}

int32_t clsHashTable::slotUpperBound() const
{
    return static_cast<int32_t>(m_slots.size()) - 1;
}
