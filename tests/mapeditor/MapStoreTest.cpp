// The map store: reading a map, the tree plan, the pane conversions and every
// editing command, each checked against the map's rules after it ran, with a
// map of the other direction beside it that no command may touch.
#include "CoreTestSupport.h"

#include "mapeditor/MapStore.h"

#include "ado/Connection.h"
#include "vb/VbError.h"

#include <QStringList>

#include <functional>

using namespace mapeditor;
using coretest::CoreTest;
using modGlobal::cnDatabase;

namespace {

// One segment of a test map: id, level and element count. Elements are named
// id.1, id.2 ... so a dump shows where each row went.
struct Seg {
    const char *id;
    int level;
    int elements;
};

// The error `f` raises; number 0 when it raises none.
vb::VbError raised(const std::function<void()> &f)
{
    try {
        f();
    } catch (const vb::VbError &e) {
        return e;
    }
    return vb::VbError(0, QString());
}

const MapKey kMap{QStringLiteral("ACME01"), QStringLiteral("830"), QStringLiteral("004010"), QStringLiteral("I")};
const MapKey kTwin{QStringLiteral("ACME01"), QStringLiteral("830"), QStringLiteral("004010"), QStringLiteral("O")};

class MapStoreTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        store = MapStore(cnDatabase);
        build(kTwin, {{"ST", 1, 2}, {"BFR", 1, 3}, {"LIN", 1, 2}});
    }

    void TearDown() override
    {
        // The map of the other direction never changes.
        EXPECT_EQ(dump(kTwin), "ST/1{ST.1 ST.2} BFR/1{BFR.1 BFR.2 BFR.3} LIN/1{LIN.1 LIN.2}");
        CoreTest::TearDown();
    }

    // The map's rows, and its transaction set when there is none yet.
    void build(const MapKey &key, const std::vector<Seg> &segments)
    {
        if (rows("SELECT * FROM Transactions WHERE Partner = '" + key.partner + "' AND Direction = '" + key.direction
                 + "'")
                .empty())
            addRow("Transactions", {{"Partner", key.partner},
                                    {"Transaction", key.transaction},
                                    {"Version", key.version},
                                    {"Direction", key.direction}});
        int index = 0;
        for (const Seg &s : segments) {
            ++index;
            addRow("Segment", {{"Partner", key.partner},
                               {"Version", key.version},
                               {"Transaction", key.transaction},
                               {"Direction", key.direction},
                               {"Segment", QString::fromLatin1(s.id)},
                               {"SegmentIndex", index},
                               {"Node", s.level},
                               {"SegmentName", QString::fromLatin1(s.id) + QStringLiteral(" name")}});
            for (int e = 1; e <= s.elements; ++e)
                addRow("Element", {{"Partner", key.partner},
                                   {"Version", key.version},
                                   {"Transaction", key.transaction},
                                   {"Direction", key.direction},
                                   {"Segment", QString::fromLatin1(s.id)},
                                   {"SegmentIndex", index},
                                   {"ElementIndex", e},
                                   {"Reference", 100 + e},
                                   {"ElementName", QString::fromLatin1(s.id) + u'.' + QString::number(e)}});
        }
    }

    // One line: each segment as id/level{element names}, in index order.
    std::string dump(const MapKey &key)
    {
        const Map map = store.read(key);
        QStringList parts;
        for (const SegmentRow &s : map.segments) {
            QStringList names;
            for (const ElementRow *e : map.elementsOf(s.index, s.segment))
                names << e->name;
            parts << s.segment + u'/' + QString::number(s.node) + u'{' + names.join(u' ') + u'}';
        }
        return parts.join(u' ').toStdString();
    }

    // The dump, after checking the rules every command must keep.
    std::string checked(const MapKey &key = kMap)
    {
        const Map map = store.read(key);
        EXPECT_EQ(invariantError(map), QString()) << dump(key);
        return dump(key);
    }

    std::vector<std::map<QString, QString>> everything()
    {
        auto all = rows(QStringLiteral("SELECT * FROM Segment ORDER BY rowid"));
        for (auto &row : rows(QStringLiteral("SELECT * FROM Element ORDER BY rowid")))
            all.push_back(row);
        return all;
    }

    MapStore store{nullptr};
};

// ---- Keys and the tree ----

TEST(MapKeys, KeysAreTwoDigitFieldsAndReadBack)
{
    EXPECT_EQ(segmentKey(1, 1), "Segment0101");
    EXPECT_EQ(elementKey(1, 2, 3), "Element010203");
    EXPECT_EQ(segmentKey(3, 123), "Segment03123");
    const KeyParts s = keyParts(QStringLiteral("Segment0312"));
    EXPECT_EQ(s.level, 3);
    EXPECT_EQ(s.index, 12);
    const KeyParts e = keyParts(QStringLiteral("Element021507"));
    EXPECT_EQ(e.level, 2);
    EXPECT_EQ(e.index, 15);
    EXPECT_EQ(e.element, 7);
    EXPECT_EQ(keyParts(QStringLiteral("Root")).index, 0);
}

TEST_F(MapStoreTest, TreePlacementFollowsTheLevels)
{
    struct Case {
        std::vector<Seg> map;
        std::vector<const char *> parents; // the parent of each segment's node
        int errorNumber;
    };
    const std::vector<Case> cases{
        // 1,2,3,2,1: 2 under 1, 3 under 2, 4 beside 3 (under 2), 5 under the root
        {{{"A1", 1, 1}, {"B2", 2, 1}, {"C3", 3, 1}, {"D2", 2, 1}, {"E1", 1, 1}},
         {"Root", "Segment0101", "Segment0202", "Segment0202", "Root"},
         0},
        // 1,3: a skipped level still nests directly under the segment before
        {{{"A1", 1, 1}, {"B3", 3, 1}}, {"Root", "Segment0101"}, 0},
        // a first segment below level 1 has nothing to nest under
        {{{"A2", 2, 1}, {"B1", 1, 1}}, {}, 35601},
    };
    for (const Case &c : cases) {
        const MapKey key{QStringLiteral("CASE%1").arg(&c - cases.data()), QStringLiteral("850"),
                         QStringLiteral("004010"), QStringLiteral("I")};
        build(key, c.map);
        const TreePlan plan = planMapTree(store.read(key), QStringLiteral("Segment0101"));
        EXPECT_EQ(plan.errorNumber, c.errorNumber) << plan.error.toStdString();
        std::vector<std::string> parents;
        for (const TreeNode &n : plan.nodes)
            if (n.isSegment())
                parents.push_back(n.parentKey.toStdString());
        std::vector<std::string> expected(c.parents.begin(), c.parents.end());
        EXPECT_EQ(parents, expected);
        EXPECT_EQ(plan.nodes.front().key, "Root");
        EXPECT_EQ(plan.nodes.front().text, mapKeyText(key));
    }
}

TEST_F(MapStoreTest, TreeNodesCarryTextsImagesAndTheSelection)
{
    build(kMap, {{"ST", 1, 1}, {"BEG", 1, 3}});
    cnDatabase->Execute("UPDATE Element SET Exclude = True WHERE Segment = 'BEG' AND ElementIndex = 2 AND Direction = 'I'");
    cnDatabase->Execute("UPDATE Segment SET Looping = True, Expanded = True WHERE Segment = 'BEG' AND Direction = 'I'");
    const TreePlan plan = planMapTree(store.read(kMap), QStringLiteral("Element010203"));
    ASSERT_EQ(plan.errorNumber, 0);
    std::vector<std::string> lines;
    for (const TreeNode &n : plan.nodes)
        lines.push_back((n.key + u'|' + n.text + u'|' + n.image + u'|' + n.parentKey + (n.expanded ? "|open" : ""))
                            .toStdString());
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Root|ACME01_830_004010_I|Segment|",
                         "Segment0101|ST|Segment|Root",
                         "Element010101|ST01 - ST.1|Element|Segment0101",
                         "Segment0102|BEG|Looping|Root|open",
                         "Element010201|BEG01 - BEG.1|Element|Segment0102",
                         "Element010202|BEG02 - Exclude|Element|Segment0102",
                         "Element010203|BEG03 - BEG.3|Element|Segment0102",
                     }));
    EXPECT_EQ(plan.selectedKey, "Element010203");
}

TEST_F(MapStoreTest, TreeStopsAtAGapAndAtASegmentWithoutElements)
{
    build(kMap, {{"ST", 1, 1}, {"BEG", 1, 0}, {"REF", 1, 1}});
    TreePlan plan = planMapTree(store.read(kMap), {});
    EXPECT_EQ(plan.errorNumber, 3021);
    EXPECT_EQ(plan.nodes.back().key, "Segment0102"); // the segment's own node stays

    const MapKey gap{QStringLiteral("GAP001"), QStringLiteral("850"), QStringLiteral("004010"), QStringLiteral("I")};
    build(gap, {{"ST", 1, 1}, {"BEG", 1, 1}, {"N1", 2, 1}});
    cnDatabase->Execute("UPDATE Segment SET SegmentIndex = 4 WHERE Partner = 'GAP001' AND SegmentIndex = 3");
    cnDatabase->Execute("UPDATE Element SET SegmentIndex = 4 WHERE Partner = 'GAP001' AND SegmentIndex = 3");
    plan = planMapTree(store.read(gap), {});
    EXPECT_EQ(plan.errorNumber, 35601);
    EXPECT_EQ(plan.nodes.back().key, "Element010201");
}

// ---- Pane conversions ----

TEST(MapPanes, SaveConversions)
{
    const std::vector<std::pair<const char *, qint64>> loops{{"0", 1}, {">1", 9999999}, {"abc", 1}, {"25", 25}, {"", 1}};
    for (const auto &[text, value] : loops)
        EXPECT_EQ(maxUsageLoopValue(QString::fromLatin1(text)), value) << text;
    EXPECT_EQ(maxUsageLoopText(9999999), ">1");
    EXPECT_EQ(maxUsageLoopText(12), "12");
    EXPECT_EQ(placeholdersValue(QStringLiteral("0")), 1);
    EXPECT_EQ(placeholdersValue(QStringLiteral("3")), 3);
    EXPECT_EQ(placeholdersValue(QStringLiteral("x")), std::nullopt);

    struct Lengths {
        const char *ref, *min, *max;
        const char *wantRef, *wantMin, *wantMax;
    };
    const std::vector<Lengths> lengths{
        {"", "", "", "1", "1", "1"},
        {"374", "1", "40000", "374", "1", "32760"},
        {"1", "10", "5", "1", "10", "10"},
        {"1", "40000", "50000", "1", "40000", "40000"},
        {"x", "2", "abc", "1", "2", "2"},
    };
    for (const Lengths &l : lengths) {
        ElementPane pane;
        pane.reference = QString::fromLatin1(l.ref);
        pane.minimum = QString::fromLatin1(l.min);
        pane.maximum = QString::fromLatin1(l.max);
        const ElementPane out = correctedElementPane(pane);
        EXPECT_EQ(out.reference, l.wantRef);
        EXPECT_EQ(out.minimum, l.wantMin);
        EXPECT_EQ(out.maximum, l.wantMax) << l.min << " " << l.max;
    }

    const std::vector<std::pair<const char *, const char *>> ids{
        {" ref ", ""}, {"r", "Invalid Segment Length Min(2)"}, {"   ", "Invalid Segment Length Min(2)"},
        {"N-1", "Invalid Segment Name"}, {"N 1", "Invalid Segment Name"}, {"td5", ""}};
    for (const auto &[typed, refusal] : ids) {
        QString id;
        EXPECT_EQ(segmentIdRefusal(QString::fromLatin1(typed), id), refusal) << typed;
    }
    QString id;
    segmentIdRefusal(QStringLiteral("  td5 "), id);
    EXPECT_EQ(id, "TD5");

    EXPECT_EQ(elementTypeCode(14), "N9");
    EXPECT_EQ(elementTypePosition(QStringLiteral("R")), 4);
    EXPECT_EQ(segmentUsagePosition(QStringLiteral("m")), -1); // codes compare exactly
    EXPECT_EQ(segmentLevelCode(-1), QString());
}

TEST(MapPanes, ValuesAFieldCannotHoldAreRefusedByName)
{
    struct SegmentCase {
        const char *maxUsage, *placeholders;
        const char *refused; // the field named, then the value; empty: accepted
    };
    const std::vector<SegmentCase> segments{
        {"1e10", "1", "\"Max Usage/Loops\" 1e10"},
        {"3000000000", "1", "\"Max Usage/Loops\" 3000000000"},
        {"-2147483649", "1", "\"Max Usage/Loops\" -2147483649"},
        {"2147483647", "1", ""},
        {"-5", "1", ""},
        {">1", "1", ""},
        {"0", "1", ""},
        {"abc", "x", ""}, // text that is no number has its own meaning
        {"25", "9e9", "\"Placeholders\" 9e9"},
    };
    for (const SegmentCase &c : segments) {
        SegmentPane pane;
        pane.maxUsageLoop = QString::fromLatin1(c.maxUsage);
        pane.placeholders = QString::fromLatin1(c.placeholders);
        const QString refusal = segmentPaneRefusal(pane);
        EXPECT_EQ(refusal.isEmpty(), !*c.refused) << c.maxUsage << " " << c.placeholders;
        for (const QString &part : QString::fromLatin1(c.refused).split(u' ', Qt::SkipEmptyParts))
            EXPECT_TRUE(refusal.contains(part)) << refusal.toStdString();
    }

    struct ElementCase {
        const char *reference, *minimum, *maximum;
        bool withReference;
        const char *field;
    };
    const std::vector<ElementCase> elements{
        {"99999999999", "1", "5", true, "\"Element ID\""},
        {"99999999999", "1", "5", false, ""}, // Duplicate does not write the reference
        {"374", "1e10", "5", true, "\"Minimum Length\""},
        {"374", "1", "3000000000", false, "\"Maximum Length\""},
        {"374", "ab", "5", false, "\"Minimum Length\""}, // Duplicate writes the boxes as they are
        {"374", "1", "32760", true, ""},
    };
    for (const ElementCase &c : elements) {
        ElementPane pane;
        pane.reference = QString::fromLatin1(c.reference);
        pane.minimum = QString::fromLatin1(c.minimum);
        pane.maximum = QString::fromLatin1(c.maximum);
        const QString refusal = elementPaneRefusal(pane, c.withReference);
        EXPECT_EQ(refusal.isEmpty(), !*c.field) << c.reference << " " << c.minimum << " " << c.maximum;
        EXPECT_TRUE(refusal.contains(QString::fromLatin1(c.field))) << refusal.toStdString();
    }
    // What Save writes passes its corrections first: a huge maximum is capped, a huge reference is refused.
    ElementPane huge;
    huge.reference = QStringLiteral("374");
    huge.minimum = QStringLiteral("1");
    huge.maximum = QStringLiteral("1e100");
    EXPECT_EQ(elementPaneRefusal(correctedElementPane(huge)), QString());
}

TEST_F(MapStoreTest, APaneValueItsColumnCannotHoldWritesNothing)
{
    build(kMap, {{"ST", 1, 2}, {"BEG", 1, 2}});
    SegmentPane segment;
    segment.name = QStringLiteral("never stored");
    segment.maxUsageLoop = QStringLiteral("1e10");
    ElementPane element;
    element.name = QStringLiteral("never stored");
    element.reference = QStringLiteral("3000000000");
    element.minimum = QStringLiteral("1");
    element.maximum = QStringLiteral("1e10");
    const std::vector<std::pair<const char *, std::function<void()>>> commands{
        {"Max Usage/Loops", [&] { store.saveSegment(kMap, QStringLiteral("Segment0102"), segment); }},
        {"Max Usage/Loops",
         [&] { store.duplicateSegment(kMap, QStringLiteral("Segment0101"), QStringLiteral("NEW"), segment); }},
        {"Element ID", [&] { store.saveElement(kMap, QStringLiteral("Element010201"), element); }},
        {"Maximum Length",
         [&] { store.duplicateElement(kMap, QStringLiteral("Element010101"), QStringLiteral("ST"), element); }},
    };
    const auto before = everything();
    for (const auto &[field, command] : commands) {
        const vb::VbError error = raised(command);
        EXPECT_EQ(error.number, 6) << field;
        EXPECT_TRUE(error.description.contains(QString::fromLatin1(field))) << error.description.toStdString();
        EXPECT_EQ(everything(), before) << field;
    }
}

TEST_F(MapStoreTest, CommandsRefuseAMapWhoseTransactionSetIsGone)
{
    build(kMap, {{"ST", 1, 2}, {"BEG", 1, 2}, {"REF", 1, 1}});
    cnDatabase->Execute("DELETE FROM Transactions WHERE Direction = 'I'");
    const QString seg = QStringLiteral("Segment0102"), el = QStringLiteral("Element010201");
    const QString id = QStringLiteral("NEW");
    const std::vector<std::function<void()>> commands{
        [&] { store.saveSegment(kMap, seg, {}); },
        [&] { store.addSegment(kMap, seg, id, QStringLiteral("D")); },
        [&] { store.deleteSegment(kMap, seg); },
        [&] { store.duplicateSegment(kMap, seg, id, {}); },
        [&] { store.moveSegmentOut(kMap, seg); },
        [&] { store.moveSegmentDown(kMap, seg); },
        [&] { store.saveElement(kMap, el, correctedElementPane({})); },
        [&] { store.appendElement(kMap, 1, 2, QStringLiteral("BEG"), seg); },
        [&] { store.deleteElement(kMap, el, QStringLiteral("BEG")); },
        [&] { store.moveElementDown(kMap, el); },
    };
    const auto before = everything();
    for (size_t i = 0; i < commands.size(); ++i) {
        const vb::VbError error = raised(commands[i]);
        EXPECT_TRUE(error.description.contains("ACME01_830_004010_I")) << i << ": " << error.description.toStdString();
        EXPECT_EQ(everything(), before) << i;
    }
}

TEST_F(MapStoreTest, SaveSegmentWritesThePaneAndKeepsIdLevelAndUnchosenLists)
{
    build(kMap, {{"ST", 1, 1}, {"BEG", 1, 1}});
    cnDatabase->Execute("UPDATE Segment SET SegmentUsage = 'O', Level = 'D', Placeholders = 4 WHERE Direction = 'I' AND SegmentIndex = 2");
    SegmentPane pane;
    pane.looping = true;
    pane.name = QStringLiteral("Beginning");
    pane.maxUsageLoop = QStringLiteral(">1");
    pane.placeholders = QStringLiteral("x"); // keeps 4
    pane.script = QStringLiteral("objScript.ElementToSegment");
    EXPECT_EQ(store.saveSegment(kMap, QStringLiteral("Segment0102"), pane), "Segment0102");
    const SegmentRow s = *store.read(kMap).segment(2);
    EXPECT_TRUE(s.looping);
    EXPECT_EQ(s.name, "Beginning");
    EXPECT_EQ(s.usage, "O");
    EXPECT_EQ(s.level, "D");
    EXPECT_EQ(s.maxUsageLoop, 9999999);
    EXPECT_EQ(s.placeholders, 4);
    EXPECT_EQ(s.segment, "BEG");
    EXPECT_EQ(s.node, 1);
    EXPECT_EQ(s.script, "objScript.ElementToSegment");
    pane.usage = 2;
    pane.placeholders = QStringLiteral("0");
    store.saveSegment(kMap, QStringLiteral("Segment0102"), pane);
    EXPECT_EQ(store.read(kMap).segment(2)->usage, "F");
    EXPECT_EQ(store.read(kMap).segment(2)->placeholders, 1);
    checked();
}

TEST_F(MapStoreTest, SaveElementWritesTheCorrectedPane)
{
    build(kMap, {{"ST", 1, 2}});
    ElementPane pane;
    pane.reference = QStringLiteral("143");
    pane.name = QStringLiteral("Transaction Set Identifier Code");
    pane.usage = 0;
    pane.type = 0;
    pane.minimum = QStringLiteral("40000");
    pane.maximum = QStringLiteral("50000");
    pane.format = QStringLiteral("000");
    pane = correctedElementPane(pane);
    EXPECT_EQ(store.saveElement(kMap, QStringLiteral("Element010102"), pane), "Element010102");
    const Map map = store.read(kMap);
    const ElementRow &e = *map.elementsOf(1, QStringLiteral("ST")).at(1);
    EXPECT_EQ(e.reference, 143);
    EXPECT_EQ(e.usage, "M");
    EXPECT_EQ(e.type, "ID");
    EXPECT_EQ(e.minimum, 40000);
    EXPECT_EQ(e.maximum, 40000);
    EXPECT_EQ(e.format, "000");
    EXPECT_EQ(raised([&] { store.saveElement(kMap, QStringLiteral("Element010109"), pane); }).number,
              3021);
    checked();
}

// ---- Renumbering commands ----

TEST_F(MapStoreTest, AddSegmentInsertsAfterTheSelectedAtItsLevel)
{
    struct Case {
        const char *selected;
        const char *result;
        const char *dump;
    };
    const std::vector<Case> cases{
        {"Segment0101", "Segment0102", "ST/1{ST.1} NEW/1{} BEG/1{BEG.1 BEG.2} N1/2{N1.1} REF/2{REF.1}"},
        {"Segment0102", "Segment0103", "ST/1{ST.1} BEG/1{BEG.1 BEG.2} NEW/1{} N1/2{N1.1} REF/2{REF.1}"},
        {"Segment0203", "Segment0204", "ST/1{ST.1} BEG/1{BEG.1 BEG.2} N1/2{N1.1} NEW/2{} REF/2{REF.1}"},
        {"Segment0204", "Segment0205", "ST/1{ST.1} BEG/1{BEG.1 BEG.2} N1/2{N1.1} REF/2{REF.1} NEW/2{}"},
    };
    for (const Case &c : cases) {
        cnDatabase->Execute("DELETE FROM Segment WHERE Direction = 'I'");
        cnDatabase->Execute("DELETE FROM Element WHERE Direction = 'I'");
        build(kMap, {{"ST", 1, 1}, {"BEG", 1, 2}, {"N1", 2, 1}, {"REF", 2, 1}});
        EXPECT_EQ(store.addSegment(kMap, QString::fromLatin1(c.selected), QStringLiteral("NEW")), c.result);
        EXPECT_EQ(checked(), c.dump) << c.selected; // the new element has no name
    }
    // The level it is given, or none.
    EXPECT_EQ(store.read(kMap).segment(5)->level, QString());
    EXPECT_EQ(store.addSegment(kMap, QStringLiteral("Segment0101"), QStringLiteral("BAK"), QStringLiteral("D")),
              "Segment0102");
    EXPECT_EQ(store.read(kMap).segment(2)->level, "D");
    EXPECT_EQ(store.read(kMap).segment(2)->segment, "BAK");
}

TEST_F(MapStoreTest, DeleteSegmentRenumbersTheRestAndSelectsThePrevious)
{
    build(kMap, {{"ST", 1, 1}, {"BEG", 1, 2}, {"N1", 2, 1}, {"N3", 3, 2}, {"REF", 1, 1}});
    EXPECT_EQ(store.deleteSegment(kMap, QStringLiteral("Segment0203")), "Segment0102");
    EXPECT_EQ(checked(), "ST/1{ST.1} BEG/1{BEG.1 BEG.2} N3/3{N3.1 N3.2} REF/1{REF.1}");
    EXPECT_EQ(store.deleteSegment(kMap, QStringLiteral("Segment0104")), "Segment0303");
    EXPECT_EQ(checked(), "ST/1{ST.1} BEG/1{BEG.1 BEG.2} N3/3{N3.1 N3.2}");
    EXPECT_EQ(raised([&] { store.deleteSegment(kMap, QStringLiteral("Segment0101")); }).description,
              "Last Segment Not Allowed");
}

TEST_F(MapStoreTest, DuplicateSegmentCopiesThePaneAndTheElements)
{
    build(kMap, {{"ST", 1, 1}, {"N1", 1, 3}, {"N3", 2, 1}, {"REF", 1, 1}});
    SegmentPane pane;
    pane.name = QStringLiteral("Edited, not saved");
    pane.maxUsageLoop = QStringLiteral("0");
    pane.placeholders = QStringLiteral("z"); // keeps the source's value
    pane.usage = 1;
    EXPECT_EQ(store.duplicateSegment(kMap, QStringLiteral("Segment0102"), QStringLiteral("N9"), pane), "Segment0103");
    EXPECT_EQ(checked(), "ST/1{ST.1} N1/1{N1.1 N1.2 N1.3} N9/1{N1.1 N1.2 N1.3} N3/2{N3.1} REF/1{REF.1}");
    const Map map = store.read(kMap);
    EXPECT_EQ(map.segment(3)->name, "Edited, not saved");
    EXPECT_EQ(map.segment(3)->usage, "O");
    EXPECT_EQ(map.segment(3)->placeholders, 1);
    EXPECT_EQ(map.segment(2)->name, "N1 name"); // the source keeps its row
    EXPECT_EQ(map.elementsOf(3, QStringLiteral("N9")).at(1)->reference, 102);
    // The last segment: appended, with copies of its elements.
    EXPECT_EQ(store.duplicateSegment(kMap, QStringLiteral("Segment0105"), QStringLiteral("RF"), pane), "Segment0106");
    EXPECT_EQ(checked(), "ST/1{ST.1} N1/1{N1.1 N1.2 N1.3} N9/1{N1.1 N1.2 N1.3} N3/2{N3.1} REF/1{REF.1} RF/1{REF.1}");
}

TEST_F(MapStoreTest, SegmentLimitOf99StopsAddAndDuplicateSilently)
{
    std::vector<Seg> full(99, Seg{"LIN", 1, 1});
    build(kMap, full);
    const auto before = everything();
    EXPECT_EQ(store.addSegment(kMap, QStringLiteral("Segment0150"), QStringLiteral("NEW")), std::nullopt);
    EXPECT_EQ(store.duplicateSegment(kMap, QStringLiteral("Segment0150"), QStringLiteral("NEW"), {}), std::nullopt);
    EXPECT_EQ(everything(), before);
}

TEST_F(MapStoreTest, MoveInAndOutFollowTheLevelTables)
{
    struct Case {
        std::vector<int> levels;
        const char *command;
        int position;
        std::vector<int> after;
    };
    const std::vector<Case> cases{
        {{1, 1, 1, 1, 1}, "out", 3, {1, 1, 2, 2, 2}},
        {{1, 1, 2, 2, 2}, "in", 4, {1, 1, 2, 1, 1}},
        {{1, 2, 3, 2, 3}, "in", 4, {1, 2, 3, 2, 2}},
        {{1, 2, 3, 3}, "in", 4, {1, 2, 3, 1}},
        {{1, 2, 3, 2}, "out", 4, {1, 2, 3, 3}},
        {{1, 2, 2}, "in", 2, {1, 2, 2}},  // the first child: nothing
        {{1, 1}, "in", 2, {1, 1}},        // level 1: nothing
        {{1, 2, 2}, "out", 2, {1, 2, 2}}, // the first child: nothing
        {{1, 1}, "out", 1, {1, 1}},       // the first segment: nothing
    };
    for (const Case &c : cases) {
        cnDatabase->Execute("DELETE FROM Segment WHERE Direction = 'I'");
        cnDatabase->Execute("DELETE FROM Element WHERE Direction = 'I'");
        std::vector<Seg> map;
        static const char *ids[] = {"S1", "S2", "S3", "S4", "S5"};
        for (size_t i = 0; i < c.levels.size(); ++i)
            map.push_back({ids[i], c.levels[i], 1});
        build(kMap, map);
        const QString key = segmentKey(c.levels[c.position - 1], c.position);
        const auto result = std::string(c.command) == "in" ? store.moveSegmentIn(kMap, key)
                                                           : store.moveSegmentOut(kMap, key);
        std::vector<int> levels;
        for (const SegmentRow &s : store.read(kMap).segments)
            levels.push_back(s.node);
        EXPECT_EQ(levels, c.after) << c.command << " " << c.position;
        if (levels != c.levels)
            EXPECT_EQ(result, segmentKey(c.after[c.position - 1], c.position));
        else
            EXPECT_EQ(result, std::nullopt);
        checked();
    }
}

TEST_F(MapStoreTest, MoveUpAndDownSwapSiblingsWithTheirElements)
{
    build(kMap, {{"ST", 1, 1}, {"N1", 1, 2}, {"N2", 2, 1}, {"N3", 1, 3}, {"REF", 1, 1}});
    // Up past a sibling that has nested segments: nothing.
    EXPECT_EQ(store.moveSegmentUp(kMap, QStringLiteral("Segment0104")), std::nullopt);
    // The first child: nothing, either way.
    EXPECT_EQ(store.moveSegmentUp(kMap, QStringLiteral("Segment0203")), std::nullopt);
    EXPECT_EQ(store.moveSegmentDown(kMap, QStringLiteral("Segment0203")), std::nullopt);
    // Down with nested segments: nothing. The last sibling: nothing.
    EXPECT_EQ(store.moveSegmentDown(kMap, QStringLiteral("Segment0102")), std::nullopt);
    EXPECT_EQ(store.moveSegmentDown(kMap, QStringLiteral("Segment0105")), std::nullopt);
    EXPECT_EQ(checked(), "ST/1{ST.1} N1/1{N1.1 N1.2} N2/2{N2.1} N3/1{N3.1 N3.2 N3.3} REF/1{REF.1}");

    EXPECT_EQ(store.moveSegmentDown(kMap, QStringLiteral("Segment0104")), "Segment0105");
    EXPECT_EQ(checked(), "ST/1{ST.1} N1/1{N1.1 N1.2} N2/2{N2.1} REF/1{REF.1} N3/1{N3.1 N3.2 N3.3}");
    EXPECT_EQ(store.moveSegmentUp(kMap, QStringLiteral("Segment0102")), "Segment0101");
    EXPECT_EQ(checked(), "N1/1{N1.1 N1.2} ST/1{ST.1} N2/2{N2.1} REF/1{REF.1} N3/1{N3.1 N3.2 N3.3}");
}

TEST_F(MapStoreTest, ElementCommandsRenumberWithinTheirSegment)
{
    build(kMap, {{"ST", 1, 1}, {"N1", 1, 3}, {"REF", 2, 1}});
    EXPECT_EQ(store.moveElementUp(kMap, QStringLiteral("Element010201")), std::nullopt);
    EXPECT_EQ(store.moveElementDown(kMap, QStringLiteral("Element010203")), std::nullopt);
    EXPECT_EQ(store.moveElementUp(kMap, QStringLiteral("Element010203")), "Element010202");
    EXPECT_EQ(checked(), "ST/1{ST.1} N1/1{N1.1 N1.3 N1.2} REF/2{REF.1}");
    EXPECT_EQ(store.moveElementDown(kMap, QStringLiteral("Element010201")), "Element010202");
    EXPECT_EQ(checked(), "ST/1{ST.1} N1/1{N1.3 N1.1 N1.2} REF/2{REF.1}");

    ElementPane pane;
    pane.name = QStringLiteral("copy");
    pane.minimum = QStringLiteral("2");
    pane.maximum = QStringLiteral("30");
    EXPECT_EQ(store.duplicateElement(kMap, QStringLiteral("Element010201"), QStringLiteral("N1"), pane), "Element010204");
    EXPECT_EQ(store.read(kMap).elementsOf(2, QStringLiteral("N1")).at(3)->reference, 0); // not from the pane
    EXPECT_EQ(store.appendElement(kMap, 1, 2, QStringLiteral("N1"), QStringLiteral("Segment0102")), "Element010205");
    EXPECT_EQ(checked(), "ST/1{ST.1} N1/1{N1.3 N1.1 N1.2 copy } REF/2{REF.1}");

    EXPECT_EQ(store.deleteElement(kMap, QStringLiteral("Element010201"), QStringLiteral("N1")), "Element010201");
    EXPECT_EQ(checked(), "ST/1{ST.1} N1/1{N1.1 N1.2 copy } REF/2{REF.1}");
    EXPECT_EQ(store.deleteElement(kMap, QStringLiteral("Element010204"), QStringLiteral("N1")), "Element010203");
    EXPECT_EQ(checked(), "ST/1{ST.1} N1/1{N1.1 N1.2 copy} REF/2{REF.1}");
    EXPECT_EQ(raised([&] { store.deleteElement(kMap, QStringLiteral("Element020301"), QStringLiteral("REF")); })
                  .description,
              "Last Element Not Allowed");
}

TEST_F(MapStoreTest, ElementLimitOf99StopsAddAndDuplicateSilently)
{
    build(kMap, {{"ST", 1, 99}});
    const auto before = everything();
    EXPECT_EQ(store.appendElement(kMap, 1, 1, QStringLiteral("ST"), QStringLiteral("Segment0101")), std::nullopt);
    EXPECT_EQ(store.duplicateElement(kMap, QStringLiteral("Element010101"), QStringLiteral("ST"), {}), std::nullopt);
    EXPECT_EQ(everything(), before);
}

// ---- Failures ----

TEST_F(MapStoreTest, AMapThatBreaksItsRulesIsRefusedUnchanged)
{
    struct Case {
        const char *breakIt;
        const char *why;
    };
    const std::vector<Case> cases{
        {"UPDATE Segment SET SegmentIndex = 5 WHERE Direction = 'I' AND SegmentIndex = 3", "without gaps"},
        {"DELETE FROM Element WHERE Direction = 'I' AND SegmentIndex = 2 AND ElementIndex = 1", "not numbered"},
        {"DELETE FROM Element WHERE Direction = 'I' AND SegmentIndex = 3", "has no elements"},
        {"UPDATE Element SET Segment = 'XX' WHERE Direction = 'I' AND SegmentIndex = 2 AND ElementIndex = 2",
         "names segment XX"},
    };
    for (const Case &c : cases) {
        cnDatabase->Execute("DELETE FROM Segment WHERE Direction = 'I'");
        cnDatabase->Execute("DELETE FROM Element WHERE Direction = 'I'");
        build(kMap, {{"ST", 1, 1}, {"BEG", 1, 2}, {"REF", 1, 1}});
        cnDatabase->Execute(QString::fromLatin1(c.breakIt));
        const auto before = everything();
        const vb::VbError error = raised([&] { store.addSegment(kMap, QStringLiteral("Segment0101"), QStringLiteral("NEW")); });
        EXPECT_TRUE(error.description.contains(QString::fromLatin1(c.why))) << error.description.toStdString();
        EXPECT_EQ(everything(), before) << c.breakIt;
    }
}

TEST_F(MapStoreTest, AFailureAtTheMiddleWriteRollsTheWholeCommandBack)
{
    struct Case {
        const char *trigger; // fires at a write after the first
        std::function<void(MapStore &)> command;
    };
    const QString n3 = QStringLiteral("Segment0103");
    const std::vector<Case> cases{
        {"BEFORE INSERT ON Element", [&](MapStore &s) { s.addSegment(kMap, n3, QStringLiteral("NEW")); }},
        {"BEFORE UPDATE ON Element", [&](MapStore &s) { s.deleteSegment(kMap, n3); }},
        {"BEFORE INSERT ON Element WHEN NEW.ElementIndex = 2",
         [&](MapStore &s) { s.duplicateSegment(kMap, n3, QStringLiteral("NEW"), {}); }},
        {"BEFORE UPDATE ON Segment WHEN NEW.SegmentIndex <> -1", [&](MapStore &s) { s.moveSegmentUp(kMap, n3); }},
        {"BEFORE UPDATE ON Element WHEN NEW.SegmentIndex <> -1", [&](MapStore &s) { s.moveSegmentDown(kMap, n3); }},
        {"BEFORE UPDATE ON Element WHEN NEW.ElementIndex = 2",
         [&](MapStore &s) { s.deleteElement(kMap, QStringLiteral("Element010301"), QStringLiteral("N1")); }},
        {"BEFORE UPDATE ON Element WHEN NEW.ElementIndex <> -1",
         [&](MapStore &s) { s.moveElementUp(kMap, QStringLiteral("Element010302")); }},
        {"BEFORE UPDATE ON Segment WHEN NEW.SegmentIndex = 4 AND NEW.Node = 2",
         [&](MapStore &s) { s.moveSegmentOut(kMap, QStringLiteral("Segment0103")); }},
    };
    build(kMap, {{"ST", 1, 1}, {"BEG", 1, 2}, {"N1", 1, 3}, {"N3", 1, 1}, {"REF", 1, 2}});
    const auto before = everything();
    for (const Case &c : cases) {
        cnDatabase->Execute(QStringLiteral("CREATE TEMP TRIGGER injected ") + QString::fromLatin1(c.trigger)
                            + QStringLiteral(" BEGIN SELECT RAISE(ABORT, 'injected failure'); END"));
        const vb::VbError error = raised([&] { c.command(store); });
        EXPECT_TRUE(error.description.contains(QStringLiteral("injected failure")))
            << c.trigger << ": " << error.description.toStdString();
        EXPECT_EQ(cnDatabase->transactionLevel(), 0);
        EXPECT_EQ(everything(), before) << c.trigger;
        cnDatabase->Execute(QStringLiteral("DROP TRIGGER injected"));
    }
}

} // namespace
