#pragma once
// Keyed hash table: text keys to values (any value, or a reference to an
// object), optionally folding keys to upper case. Entries live in one slot
// array with chained buckets and a free list, so adding and removing entries
// does not allocate per entry; removed slots are reused first.

#include "vb/Variant.h"

#include <QString>
#include <cstdint>
#include <vector>

class clsHashTable {
public:
    clsHashTable(); // 1024 buckets, 2048 slots, chunks of 1024

    bool IgnoreCase() const;
    // 1001 "The Hash Table isn't empty" while the table holds entries.
    void IgnoreCase(bool newValue);

    // New, empty table. A ListSize or ChunkSize below 1 keeps the current
    // value; a HashSize below 1 is error 5.
    void SetSize(int32_t HashSize, int32_t ListSize = 0, int32_t ChunkSize = 0);

    // Every member taking a key raises 1001 "Invalid key" for an empty key.
    bool Exists(const QString &Key);
    void Add(const QString &Key, const vb::Variant &Value);   // 457 when the key exists
    vb::Variant Item(const QString &Key);                     // Empty when missing
    void LetItem(const QString &Key, const vb::Variant &Value); // adds a missing key
    void SetItem(const QString &Key, const vb::Variant &Value); // object or Nothing; 424 otherwise
    void Remove(const QString &Key);                          // 5 when missing
    void RemoveAll();
    int32_t Count() const;
    // Arrays 0 to Count - 1 in bucket order, each chain from its head; an
    // empty table gives an empty array (0 to -1).
    vb::Variant Keys() const;
    vb::Variant Values() const;

    // The hash code of a key: its 8-bit form laid into little-endian 32-bit
    // words, exclusive-or'ed, taken as a signed number.
    static int32_t HashCode(const QString &Key);

    // Looking inside, for tests: the bucket a key belongs to, the slot that
    // holds it (0 when none), and the upper bound of the slot array.
    int32_t bucketOf(const QString &key) const;
    int32_t slotOf(const QString &key) const;
    int32_t slotUpperBound() const;

private:
    struct Slot {
        QString key;
        vb::Variant value;
        int32_t next = 0;
    };

    QString foldKey(const QString &key) const;
    int32_t bucketOfFolded(const QString &folded) const;
    void ExpandSlots(int32_t n);
    int32_t FindSlot(const QString &Key, bool &create, int32_t &bucket, int32_t &previous);
    int32_t TakeFreeSlot();
    void InitSlot(int32_t slot, const QString &key, int32_t bucket, int32_t previous);

    std::vector<int32_t> m_buckets;
    std::vector<Slot> m_slots;
    int32_t m_freeHead = 0;
    int32_t m_hashSize = 0;
    int32_t m_listSize = 0;
    int32_t m_chunkSize = 0;
    int32_t m_count = 0;
    bool m_ignoreCase = false;
};
