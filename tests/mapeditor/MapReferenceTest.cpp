// The script reference's contents: the import definition's result fields and
// the members and language elements for each direction of map.
#include "mapeditor/MapReference.h"

#include "TestEnvironment.h"

#include "vb/VbError.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace mapeditor;

namespace {

QStringList childrenOf(const std::vector<ReferenceNode> &nodes, const QString &root)
{
    QStringList texts;
    for (const ReferenceNode &n : nodes)
        if (n.parentKey == root)
            texts << n.text;
    return texts;
}

QStringList roots(const std::vector<ReferenceNode> &nodes)
{
    return childrenOf(nodes, QString());
}

} // namespace

TEST(MapReference, EachDirectionListsItsMembersAndTheLanguage)
{
    const auto out = scriptReferenceNodes(true);
    const auto in = scriptReferenceNodes(false);
    const QStringList after{"Methods", "Properties", "Functions", "Statements", "Operators"};
    EXPECT_EQ(roots(out), after);
    EXPECT_EQ(roots(in), after);
    EXPECT_EQ(childrenOf(out, "Methods").size(), 8);
    EXPECT_EQ(childrenOf(out, "Properties"), (QStringList{"objScript.CurrentElement", "objScript.CurrentSegment"}));
    EXPECT_EQ(childrenOf(in, "Methods").size(), 9);
    EXPECT_EQ(childrenOf(in, "Properties").size(), 15);
    EXPECT_EQ(childrenOf(in, "Properties").last(), "objScript.Lines");
    EXPECT_EQ(childrenOf(in, "Functions").size(), 93);
    EXPECT_EQ(childrenOf(in, "Statements").size(), 27);
    EXPECT_EQ(childrenOf(in, "Operators").size(), 21);
    // Only the inbound text of LinesToRecord ends with a blank; both keys lack it.
    for (const auto *nodes : {&out, &in})
        for (const ReferenceNode &n : *nodes)
            if (n.key.startsWith("objScript.LinesToRecord")) {
                EXPECT_EQ(n.key, "objScript.LinesToRecord Record");
                EXPECT_EQ(n.text, nodes == &in ? "objScript.LinesToRecord Record " : "objScript.LinesToRecord Record");
            }
    for (const ReferenceNode &n : out)
        if (!n.parentKey.isEmpty()) {
            EXPECT_EQ(n.image, n.parentKey) << n.key.toStdString();
        }
}

TEST(MapReference, ResultFieldsComeFromTheImportDefinition)
{
    struct Case {
        const char *file; // nullptr: no file at all
        QStringList keys;
        int error;
    };
    const std::vector<Case> cases{
        {nullptr, {}, 0},
        {"Quantity\t131\t12\t2\r\nItem\t200\t20\r\n\r\nNeverRead\t200\t5\r\n", {"Quantity", "Item"}, 0},
        // what a Linux editor saves: LF line ends, with or without the empty last line
        {"Quantity\t131\t12\t2\nItem\t200\t20\n\nNeverRead\t200\t5\n", {"Quantity", "Item"}, 0},
        {"Quantity\t131\t12\t2\nItem\t200\t20\n", {"Quantity", "Item"}, 0},
        {"", {}, 62},
        {"Item\t200\t20\r\nShort\t200\r\n", {"Item"}, 9},
        {"Amount\t131\t12\r\n", {}, 9},
        {"Item\tabc\t20\r\n", {}, 13},
        {"Item\t200\t20\r\nItem\t200\t5\r\n", {"Item"}, 3367},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case &c = cases[i];
        const QString path = corvantis::test::tempDir() + QStringLiteral("/def%1.ADO").arg(i);
        if (c.file) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.file);
        }
        QStringList keys;
        int error = 0;
        try {
            readResultFields(path, [&](const ReferenceNode &n) {
                keys << n.key;
                EXPECT_EQ(n.text, "Record.Fields.Item(\"" + n.key + "\")");
                EXPECT_EQ(n.parentKey, "Results");
            });
        } catch (const vb::VbError &e) {
            error = e.number;
        }
        EXPECT_EQ(keys, c.keys) << i;
        EXPECT_EQ(error, c.error) << i;
    }
}

TEST(MapReference, TheRecordBranchFollowsTheRecordLayout)
{
    const auto fields = [](const QStringList &names) {
        std::vector<translation::RecordField> out;
        for (const QString &name : names) {
            translation::RecordField f;
            f.name = name;
            out.push_back(f);
        }
        return recordReferenceNodes(out);
    };
    ASSERT_EQ(fields({"1ST01"}).size(), 1u);
    const ReferenceNode first = fields({"1ST01"}).front();
    EXPECT_EQ(first.parentKey, "Record");
    EXPECT_EQ(first.key, "Record.Fields.Item(\"1ST01\")");
    EXPECT_EQ(first.text, first.key);
    EXPECT_EQ(first.image, "Record");

    std::vector<ReferenceNode> tree{{{}, "Results", "Results", "Results"},
                                    {"Results", "Qty", "Record.Fields.Item(\"Qty\")", "Results"},
                                    {{}, "Record", "Record", "Record"}};
    for (const ReferenceNode &n : fields({"1ST01", "1ST02"}))
        tree.push_back(n);
    for (const ReferenceNode &n : scriptReferenceNodes(true))
        tree.push_back(n);

    struct Case {
        QStringList now;
        bool changes;
    };
    const std::vector<Case> cases{
        {{"1ST01", "1ST02"}, false},
        {{"1ST02"}, true},
        {{"1ST01", "1ST02", "2BEG01"}, true},
        {{}, true},
    };
    for (const Case &c : cases) {
        const auto rebuilt = withRecordNodes(tree, fields(c.now));
        ASSERT_EQ(rebuilt.has_value(), c.changes) << c.now.join(' ').toStdString();
        if (!rebuilt)
            continue;
        QStringList expected;
        for (const QString &name : c.now)
            expected << "Record.Fields.Item(\"" + name + "\")";
        EXPECT_EQ(childrenOf(*rebuilt, "Record"), expected);
        EXPECT_EQ(roots(*rebuilt), (QStringList{"Results", "Record", "Methods", "Properties", "Functions", "Statements",
                                                "Operators"}));
        EXPECT_EQ(childrenOf(*rebuilt, "Results"), childrenOf(tree, "Results"));
        EXPECT_EQ(rebuilt->size(), tree.size() - 2 + size_t(c.now.size()));
        // The new children follow their root directly.
        EXPECT_EQ(rebuilt->at(2).key, "Record");
        if (!c.now.isEmpty()) {
            EXPECT_EQ(rebuilt->at(3).parentKey, "Record");
        }
    }
    // A tree without a Record root has nothing to follow.
    EXPECT_FALSE(withRecordNodes(scriptReferenceNodes(false), fields({"1ST01"})));
}
