#include "core/clsHashTable.h"
#include "vb/VbError.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

QStringList keysOf(const clsHashTable &t)
{
    QStringList out;
    const vb::Variant keys = t.Keys();
    EXPECT_TRUE(keys.isArray());
    EXPECT_EQ(keys.rawArray()->lbound(1), 0);
    EXPECT_EQ(keys.rawArray()->ubound(1), t.Count() - 1);
    for (const vb::Variant &k : keys.rawArray()->data)
        out << k.rawString();
    return out;
}

struct Raised {
    int number = 0;
    QString description;
};

Raised raisedBy(const std::function<void()> &f)
{
    try {
        f();
    } catch (const vb::VbError &e) {
        return {e.number, e.description};
    }
    return {};
}

class Thing : public vb::Object {};

} // namespace

TEST(HashTable, BucketsOfTheDefaultSize)
{
    clsHashTable t;
    const struct { const char *key; int32_t bucket; } cases[] = {
        {"A", 65}, {"AB", 577}, {"ABCDE", 516}, {"N1", 334}, {"N13", 334}, {"N133", 334},
    };
    for (const auto &c : cases)
        EXPECT_EQ(t.bucketOf(QString::fromLatin1(c.key)), c.bucket) << c.key;
    EXPECT_EQ(clsHashTable::HashCode(QStringLiteral("ABCDE")), 0x44434204);
    EXPECT_EQ(clsHashTable::HashCode(QStringLiteral("AB")), 0x4241);
    // Letters of code 128 to 255 are their own byte; others have no byte and count as "?".
    EXPECT_EQ(clsHashTable::HashCode(QStringLiteral("\u00E9")), 0xE9);
    EXPECT_EQ(clsHashTable::HashCode(QStringLiteral("\u20AC")), clsHashTable::HashCode(QStringLiteral("?")));
}

TEST(HashTable, ChainsKeepInsertionOrderAndKeysFollowBuckets)
{
    clsHashTable t;
    t.Add(QStringLiteral("N1"), 1);
    t.Add(QStringLiteral("N13"), 2);
    EXPECT_EQ(keysOf(t), QStringList({"N1", "N13"}));

    clsHashTable u;
    u.Add(QStringLiteral("N13"), 2);
    u.Add(QStringLiteral("N1"), 1);
    u.Add(QStringLiteral("B"), 3);
    u.Add(QStringLiteral("A"), 4);
    EXPECT_EQ(keysOf(u), QStringList({"A", "B", "N13", "N1"})); // buckets 65, 66, 334
    const vb::Variant values = u.Values();
    ASSERT_EQ(values.rawArray()->data.size(), 4u);
    const int32_t expected[] = {4, 3, 2, 1};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(values.rawArray()->data[i].rawInt(), expected[i]);
}

TEST(HashTable, RemoveUnlinksHeadMiddleAndTailOfAChain)
{
    clsHashTable t;
    for (const char *k : {"N1", "N13", "N133", "A"})
        t.Add(QString::fromLatin1(k), QString::fromLatin1(k));
    t.Remove(QStringLiteral("N13"));
    EXPECT_EQ(keysOf(t), QStringList({"A", "N1", "N133"}));
    EXPECT_TRUE(t.Exists(QStringLiteral("N133")));
    t.Remove(QStringLiteral("N1"));
    EXPECT_EQ(keysOf(t), QStringList({"A", "N133"}));
    t.Remove(QStringLiteral("N133"));
    EXPECT_EQ(keysOf(t), QStringList({"A"}));
    EXPECT_EQ(t.Count(), 1);
    t.Add(QStringLiteral("N13"), 5); // the emptied bucket takes keys again
    EXPECT_EQ(t.Item(QStringLiteral("N13")).rawInt(), 5);
}

TEST(HashTable, LetterCase)
{
    clsHashTable exact;
    exact.Add(QStringLiteral("a"), 1);
    exact.Add(QStringLiteral("A"), 2);
    EXPECT_EQ(exact.Count(), 2);
    EXPECT_EQ(exact.Item(QStringLiteral("a")).rawInt(), 1);

    clsHashTable folded;
    EXPECT_FALSE(folded.IgnoreCase());
    folded.IgnoreCase(true);
    EXPECT_TRUE(folded.IgnoreCase());
    folded.Add(QStringLiteral("a"), 1);
    EXPECT_EQ(raisedBy([&] { folded.Add(QStringLiteral("A"), 2); }).number, 457);
    EXPECT_TRUE(folded.Exists(QStringLiteral("A")));
    EXPECT_EQ(folded.Item(QStringLiteral("A")).rawInt(), 1);
    EXPECT_EQ(keysOf(folded), QStringList({"A"}));
    EXPECT_EQ(folded.Count(), 1);
}

TEST(HashTable, IgnoreCaseOnlyWhileEmpty)
{
    clsHashTable t;
    t.Add(QStringLiteral("ISA"), 1);
    const Raised r = raisedBy([&] { t.IgnoreCase(true); });
    EXPECT_EQ(r.number, 1001);
    EXPECT_EQ(r.description, QStringLiteral("The Hash Table isn't empty"));
    EXPECT_FALSE(t.IgnoreCase());
    t.RemoveAll();
    t.IgnoreCase(true);
    EXPECT_TRUE(t.IgnoreCase());
    t.RemoveAll(); // keeps the flag
    EXPECT_TRUE(t.IgnoreCase());
    t.Add(QStringLiteral("gs"), 1);
    t.Remove(QStringLiteral("GS"));
    t.IgnoreCase(false); // empty again after Remove
    EXPECT_FALSE(t.IgnoreCase());
}

TEST(HashTable, ItemGetLetAndSet)
{
    clsHashTable t;
    EXPECT_TRUE(t.Item(QStringLiteral("missing")).isEmpty());
    EXPECT_EQ(t.Count(), 0);
    EXPECT_FALSE(t.Exists(QStringLiteral("missing")));

    t.LetItem(QStringLiteral("ST"), QStringLiteral("first"));
    EXPECT_EQ(t.Count(), 1);
    t.LetItem(QStringLiteral("ST"), QStringLiteral("second"));
    EXPECT_EQ(t.Count(), 1);
    EXPECT_EQ(t.Item(QStringLiteral("ST")).rawString(), QStringLiteral("second"));

    auto thing = std::make_shared<Thing>();
    t.SetItem(QStringLiteral("obj"), vb::Variant(vb::ObjectPtr(thing)));
    EXPECT_EQ(t.Count(), 2);
    EXPECT_EQ(t.Item(QStringLiteral("obj")).rawObject().get(), thing.get()); // the same object, not a copy
    t.SetItem(QStringLiteral("obj"), vb::Variant::nothing());
    EXPECT_TRUE(t.Item(QStringLiteral("obj")).isNothing());
    EXPECT_EQ(raisedBy([&] { t.SetItem(QStringLiteral("x"), vb::Variant(5)); }).number, 424);
    EXPECT_FALSE(t.Exists(QStringLiteral("x")));

    // Values are copies: changing the caller's array afterwards leaves the stored one.
    auto array = std::make_shared<vb::SafeArray>();
    array->bounds = {{0, 1}};
    array->data = {vb::Variant(1)};
    vb::Variant v(array);
    t.Add(QStringLiteral("arr"), v);
    v.mutableArray()->data[0] = vb::Variant(2);
    EXPECT_EQ(t.Item(QStringLiteral("arr")).rawArray()->data[0].rawInt(), 1);
}

TEST(HashTable, ErrorsComeBeforeAnyChange)
{
    clsHashTable t;
    t.Add(QStringLiteral("ISA"), QStringLiteral("kept"));
    const std::function<void()> emptyKey[] = {
        [&] { t.Exists(QString()); },
        [&] { t.Add(QString(), 1); },
        [&] { t.Item(QString()); },
        [&] { t.LetItem(QString(), 1); },
        [&] { t.SetItem(QString(), vb::Variant::nothing()); },
        [&] { t.Remove(QString()); },
    };
    for (const auto &f : emptyKey) {
        const Raised r = raisedBy(f);
        EXPECT_EQ(r.number, 1001);
        EXPECT_EQ(r.description, QStringLiteral("Invalid key"));
    }
    const Raised dup = raisedBy([&] { t.Add(QStringLiteral("ISA"), QStringLiteral("new")); });
    EXPECT_EQ(dup.number, 457);
    EXPECT_EQ(dup.description, vb::errorText(457));
    EXPECT_EQ(t.Item(QStringLiteral("ISA")).rawString(), QStringLiteral("kept"));
    const Raised missing = raisedBy([&] { t.Remove(QStringLiteral("GS")); });
    EXPECT_EQ(missing.number, 5);
    EXPECT_EQ(missing.description, vb::errorText(5));
    EXPECT_EQ(t.Count(), 1);
    EXPECT_EQ(keysOf(t), QStringList({"ISA"}));
}

TEST(HashTable, SlotArrayGrowsByAChunkAtEntry2049)
{
    clsHashTable t;
    EXPECT_EQ(t.slotUpperBound(), 2048);
    for (int i = 1; i <= 2048; ++i)
        t.Add(QStringLiteral("K%1").arg(i), i);
    EXPECT_EQ(t.slotUpperBound(), 2048);
    EXPECT_EQ(t.slotOf(QStringLiteral("K1")), 1); // new slots are taken in increasing order
    EXPECT_EQ(t.slotOf(QStringLiteral("K2048")), 2048);
    t.Add(QStringLiteral("K2049"), 2049);
    EXPECT_EQ(t.slotUpperBound(), 3072);
    EXPECT_EQ(t.slotOf(QStringLiteral("K2049")), 2049);
    EXPECT_EQ(t.Count(), 2049);
    for (int i = 1; i <= 2049; ++i)
        ASSERT_EQ(t.Item(QStringLiteral("K%1").arg(i)).rawInt(), i);
    t.RemoveAll();
    EXPECT_EQ(t.slotUpperBound(), 2048);
    EXPECT_EQ(t.Count(), 0);
    EXPECT_FALSE(t.Exists(QStringLiteral("K1")));
}

TEST(HashTable, RemovedSlotsAreReusedLastInFirstOut)
{
    clsHashTable t;
    for (const char *k : {"ISA", "GS", "ST", "SE"})
        t.Add(QString::fromLatin1(k), 0);
    const int32_t gs = t.slotOf(QStringLiteral("GS"));
    const int32_t se = t.slotOf(QStringLiteral("SE"));
    t.Remove(QStringLiteral("GS"));
    t.Add(QStringLiteral("BEG"), 0);
    EXPECT_EQ(t.slotOf(QStringLiteral("BEG")), gs);
    t.Remove(QStringLiteral("BEG"));
    t.Remove(QStringLiteral("SE"));
    t.Add(QStringLiteral("N1"), 0);
    t.Add(QStringLiteral("N3"), 0);
    t.Add(QStringLiteral("N4"), 0);
    EXPECT_EQ(t.slotOf(QStringLiteral("N1")), se);
    EXPECT_EQ(t.slotOf(QStringLiteral("N3")), gs);
    EXPECT_EQ(t.slotOf(QStringLiteral("N4")), 5); // then the untouched free slots
    EXPECT_EQ(t.slotUpperBound(), 2048);
}

TEST(HashTable, SetSizeChoosesBucketsAndSlots)
{
    clsHashTable t;
    t.Add(QStringLiteral("A"), 1);
    t.SetSize(7, 2, 3);
    EXPECT_EQ(t.Count(), 0);
    EXPECT_EQ(t.slotUpperBound(), 2);
    EXPECT_EQ(t.bucketOf(QStringLiteral("A")), 65 % 7);
    for (const char *k : {"A", "B", "C"})
        t.Add(QString::fromLatin1(k), 0);
    EXPECT_EQ(t.slotUpperBound(), 5); // grown by the chunk of 3
    EXPECT_EQ(keysOf(t), QStringList({"A", "B", "C"})); // buckets 2, 3, 4 of 7
    t.SetSize(11); // list and chunk sizes kept
    EXPECT_EQ(t.slotUpperBound(), 2);
    EXPECT_EQ(t.bucketOf(QStringLiteral("A")), 65 % 11);

    // No bucket at all is refused, and the table stays as it was.
    t.Add(QStringLiteral("X"), 1);
    for (int32_t bad : {0, -1})
        EXPECT_EQ(raisedBy([&] { t.SetSize(bad); }).number, 5);
    EXPECT_TRUE(t.Exists(QStringLiteral("X")));
}

TEST(HashTable, NegativeHashCodesStayInsideTheBuckets)
{
    clsHashTable t;
    const QString key = QStringLiteral("AAA\u0080"); // top bit of the word set
    ASSERT_LT(clsHashTable::HashCode(key), 0);
    const int32_t bucket = t.bucketOf(key);
    EXPECT_GE(bucket, 0);
    EXPECT_LT(bucket, 1024);
    EXPECT_EQ(bucket, clsHashTable::HashCode(key) % 1024 + 1024);
    const QString other = QStringLiteral("\u00FF\u00FF\u00FF\u00FF");
    t.Add(key, 1);
    t.Add(other, 2);
    t.Add(QStringLiteral("A"), 3);
    EXPECT_TRUE(t.Exists(key));
    EXPECT_EQ(t.Item(other).rawInt(), 2);
    EXPECT_EQ(keysOf(t).size(), 3);
    t.Remove(key);
    EXPECT_FALSE(t.Exists(key));
}

TEST(HashTable, EmptyTableGivesEmptyArrays)
{
    clsHashTable t;
    for (const vb::Variant &a : {t.Keys(), t.Values()}) {
        ASSERT_TRUE(a.isArray());
        EXPECT_EQ(a.rawArray()->lbound(1), 0);
        EXPECT_EQ(a.rawArray()->ubound(1), -1);
        EXPECT_TRUE(a.rawArray()->data.empty());
    }
}
