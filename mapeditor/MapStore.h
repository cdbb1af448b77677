#pragma once
// The maps of the transaction sets (tables Segment and Element) as the map
// designer edits them. A map is read whole into memory; the tree the designer
// shows is a pure function of it; every editing command is a function from
// the selected node's key (and the pane's values) to the key of the node to
// select afterwards, so the window stays a thin caller and tests drive the
// commands directly.
//
// A map keeps these rules, which the commands rely on: segment indexes run
// 1..n without gaps (n at most 99); within each segment, element indexes run
// 1..m without gaps (1 <= m <= 99); every element carries its segment's id
// and index. A map that breaks them is refused, not edited further.
//
// Every command that writes runs in one database transaction: a failure
// rolls everything back and is raised to the caller.

#include "translation/RecordLayout.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace mapeditor {

using translation::MapKey;

// P_T_V_D
QString mapKeyText(const MapKey &key);

// Node keys number segments with two digits.
constexpr int kMapMaxSegments = 99;

struct SegmentRow {
    QString segment;
    int index = 0;
    int node = 1;
    bool looping = false, expanded = false, exclude = false;
    QString name, usage, level;
    qint64 maxUsageLoop = 1;
    qint64 placeholders = 1;
    QString script;
};

struct ElementRow {
    QString segment;
    int segmentIndex = 0;
    int elementIndex = 0;
    bool exclude = false;
    qint64 reference = 0;
    QString name, usage, type;
    qint64 minimum = 0, maximum = 0;
    QString script, format;
};

struct Map {
    MapKey key;
    std::vector<SegmentRow> segments; // by SegmentIndex
    std::vector<ElementRow> elements; // by SegmentIndex, ElementIndex

    const SegmentRow *segment(int index) const;
    // The element rows of segment `index` with id `id` (letter case ignored,
    // as the database compares), in element order.
    std::vector<const ElementRow *> elementsOf(int index, const QString &id) const;
    int elementCount(int segmentIndex) const;
};

// Empty text when the map keeps its rules, else why it does not.
QString invariantError(const Map &map);

// ---- Node keys ----

// Two digits with a leading zero, more when the value needs them.
QString twoDigits(int value);
QString segmentKey(int level, int index);
QString elementKey(int level, int segmentIndex, int elementIndex);

// The numbers of a node key: characters 1-2, 3-4 and 5-6 after the word
// "Segment" or "Element" is removed, each read as a number (0 when none).
struct KeyParts {
    int level = 0, index = 0, element = 0;
};
KeyParts keyParts(const QString &key);

// ---- The tree ----

struct TreeNode {
    QString parentKey; // empty for the root
    QString key, text, image;
    bool expanded = false;
    bool isSegment() const { return key.startsWith(QLatin1String("Segment")); }
};

struct TreePlan {
    std::vector<TreeNode> nodes; // in the order they are added
    QString selectedKey;         // the node named by the current key, empty when none
    // Why the load stopped early (the nodes before stay), with its error number.
    int errorNumber = 0;
    QString error;
};

// The root, then each segment placed by its level, its elements under it.
// A segment of level 1 goes under the root; one deeper than the segment
// before it becomes that segment's child, however much deeper; one at the
// same or a smaller level becomes its next sibling.
TreePlan planMapTree(const Map &map, const QString &currentKey);

// The segment siblings of a segment node (the segment nodes with the same
// parent; element nodes do not count): the previous and next one's key,
// empty when there is none.
struct SegmentSiblings {
    QString previous, next;
};
SegmentSiblings segmentSiblings(const TreePlan &plan, const QString &segmentNodeKey);

// ---- The panes ----

// List positions and the codes they store (-1: no choice).
QString segmentUsageCode(int position);   // M O F
QString segmentLevelCode(int position);   // H D S
QString elementUsageCode(int position);   // M O C X
QString elementTypeCode(int position);    // ID AN DT TM R N0..N9
int segmentUsagePosition(const QString &code); // -1 for any other value
int segmentLevelPosition(const QString &code);
int elementUsagePosition(const QString &code);
int elementTypePosition(const QString &code);

// ">1" for the unbounded count, else the number.
QString maxUsageLoopText(qint64 value);
// "0" gives 1, ">1" the unbounded count, other numeric text its value,
// anything else 1.
qint64 maxUsageLoopValue(const QString &text);
// Numeric text: its value, 0 becoming 1; anything else: no value (the
// stored value stays).
std::optional<qint64> placeholdersValue(const QString &text);

struct SegmentPane {
    bool looping = false, exclude = false;
    QString name;
    int usage = -1, level = -1;
    QString maxUsageLoop, placeholders, script;
};

struct ElementPane {
    bool exclude = false;
    QString reference, name;
    int usage = -1, type = -1;
    QString minimum, maximum, script, format;
};

// The corrections a save makes to the element pane's boxes, in order: a
// reference, minimum or maximum that is not numeric becomes "1"; a maximum
// above 32760 becomes "32760"; a maximum below the minimum takes the
// minimum's text.
ElementPane correctedElementPane(ElementPane pane);

// Why a pane cannot be written, naming the field: a number box whose text is
// not a whole number its column holds ("1e10", "3000000000" in a Long).
// Empty when every value fits. The segment pane as Save and Duplicate read
// it ("0", ">1" and text that is not a number have their own meaning); the
// element pane as it is written, so Save checks it after its corrections.
QString segmentPaneRefusal(const SegmentPane &pane);
QString elementPaneRefusal(const ElementPane &pane, bool withReference = true);

// "Invalid Segment Length Min(2)" or "Invalid Segment Name" for a typed
// segment id; empty when `id` (trimmed, upper case) can be used.
QString segmentIdRefusal(const QString &typed, QString &id);

// ---- The store ----

// One row of the designer's list of transaction sets.
struct TransactionSetRow {
    QString partner, transaction, version, direction, group, versionOverride;
    MapKey key() const { return {partner, transaction, version, direction}; }
};

class MapStore {
public:
    explicit MapStore(ado::ConnectionPtr connection);

    // Every transaction set, in the order of modGlobal::TransactionListStatement.
    std::vector<TransactionSetRow> transactionSets() const;

    Map read(const MapKey &key) const;

    // Writes Expanded of one segment (a tree click, expand or collapse).
    void setExpanded(const MapKey &key, int segmentIndex, bool expanded);

    // The commands. Each returns the key of the node to select after the
    // tree is reloaded, or nothing when it changed nothing (a limit, a guard
    // of the tree). Each raises after rolling back on any failure, and
    // refuses a map whose transaction set no longer exists or that breaks
    // the rules, and a pane value its column cannot hold.
    QString saveSegment(const MapKey &key, const QString &nodeKey, const SegmentPane &pane);
    // `level`: the Level code the new segment gets ("H", "D", "S"; empty for none).
    std::optional<QString> addSegment(const MapKey &key, const QString &nodeKey, const QString &id,
                                      const QString &level = {});
    QString deleteSegment(const MapKey &key, const QString &nodeKey);
    std::optional<QString> duplicateSegment(const MapKey &key, const QString &nodeKey, const QString &id,
                                            const SegmentPane &pane);
    std::optional<QString> moveSegmentIn(const MapKey &key, const QString &nodeKey);
    std::optional<QString> moveSegmentOut(const MapKey &key, const QString &nodeKey);
    std::optional<QString> moveSegmentUp(const MapKey &key, const QString &nodeKey);
    std::optional<QString> moveSegmentDown(const MapKey &key, const QString &nodeKey);

    // `pane` as corrected by correctedElementPane.
    QString saveElement(const MapKey &key, const QString &nodeKey, const ElementPane &pane);
    // A new last element of the segment; nothing at 99 elements. The key of
    // the new element, or `keepKey` when it is the segment's first.
    std::optional<QString> appendElement(const MapKey &key, int level, int segmentIndex, const QString &id,
                                         const QString &keepKey);
    std::optional<QString> duplicateElement(const MapKey &key, const QString &nodeKey, const QString &id,
                                            const ElementPane &pane);
    // Nothing when the segment has no rows of that id.
    std::optional<QString> deleteElement(const MapKey &key, const QString &nodeKey, const QString &id);
    std::optional<QString> moveElementUp(const MapKey &key, const QString &nodeKey);
    std::optional<QString> moveElementDown(const MapKey &key, const QString &nodeKey);

private:
    template <class F>
    auto command(const MapKey &key, F &&body) -> decltype(body(std::declval<const Map &>()));
    std::optional<QString> moveSegmentLevel(const MapKey &key, const QString &nodeKey, bool in);
    void insertSegmentRoom(const MapKey &key, int after);
    void insertSegment(const MapKey &key, const QString &id, int index, int level,
                       const std::function<void(ado::Recordset &)> &more);
    enum class ElementColumns { Key, AllButReference, All };
    void insertElement(const MapKey &key, const ElementRow &row, ElementColumns columns);

    ado::ConnectionPtr m_cn;
};

} // namespace mapeditor
