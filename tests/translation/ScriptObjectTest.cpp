// The map-script object: its accumulators, the lines buffer and the write of
// the lines into a record set, reached from C++ and from snippets.
#include "CoreTestSupport.h"
#include "ErrorOf.h"
#include "TestEnvironment.h"

#include "translation/MapScriptHost.h"
#include "translation/clsScript.h"

#include "com/AdoDispatch.h"
#include "vb/Dialogs.h"
#include "vbscript/ScriptControl.h"

#include <QDir>

using namespace coretest;
using corvantis::test::dialogs;

namespace {

using namespace Qt::StringLiterals;

class ScriptObjectTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        script = std::make_shared<clsScript>();
        script->ElementDelimiter = u"+"_s;
        script->SegmentTerminator = u"~"_s;
        script->SubElementSeparator = u">"_s;
        modGlobal::blnSilentMode = true;
    }
    void TearDown() override
    {
        modGlobal::blnSilentMode = false;
        CoreTest::TearDown();
    }

    // An empty disconnected record set with the given (name, type, size) fields.
    static ado::RecordsetPtr recordset(const std::vector<std::tuple<QString, int, long>> &fields)
    {
        auto rs = std::make_shared<ado::Recordset>();
        for (const auto &[name, type, size] : fields) {
            rs->Fields().Append(name, type, size);
            if (type == ado::adNumeric) {
                rs->Fields(name).setPrecision(uint8_t(size));
                rs->Fields(name).setNumericScale(2);
            }
        }
        rs->Open();
        return rs;
    }

    static QStringList rowTexts(ado::Recordset &rs)
    {
        QStringList rows;
        if (rs.RecordCount() == 0)
            return rows;
        rs.MoveFirst();
        while (!rs.Eof()) {
            QStringList values;
            for (const auto &field : rs.Fields())
                values << field.Value().toString();
            rows << values.join(u'|');
            rs.MoveNext();
        }
        return rows;
    }

    QStringList historyTexts() { return column(u"SELECT * FROM History ORDER BY [Index]"_s, u"Description"_s); }

    std::shared_ptr<clsScript> script;
};

TEST_F(ScriptObjectTest, AccumulatorsJoinInTheirOrder)
{
    script->CurrentElement = u"A"_s;
    script->ElementToSegment();
    EXPECT_EQ(script->Segment, u"A+"_s);
    script->CurrentElement = u"B"_s;
    script->ElementToSegment();
    EXPECT_EQ(script->Segment, u"A+B+"_s);

    script->SegmentToSegments();
    script->Segment = u"C+"_s;
    script->SegmentToSegments();
    EXPECT_EQ(script->Segments, u"A+B+C+"_s);
    EXPECT_TRUE(script->Segment.isEmpty());
    script->SegmentsToDetail();
    EXPECT_EQ(script->Detail, u"A+B+C+"_s);
    EXPECT_TRUE(script->Segments.isEmpty());
    EXPECT_TRUE(script->Segment.isEmpty());

    script->Segments = u"H+"_s;
    script->Segment = u"left over"_s;
    script->SegmentsToHead();
    EXPECT_EQ(script->Head, u"H+"_s);
    EXPECT_TRUE(script->Segment.isEmpty());
    script->Segments = u"T+"_s;
    script->SegmentsToTail();
    EXPECT_EQ(script->Tail, u"T+"_s);
}

TEST_F(ScriptObjectTest, WriteToLinesKeepsTheHeadAndAppendToLinesExtendsEveryLine)
{
    script->Head = u"H+"_s;
    script->Segments = u"A+B+"_s;
    script->Segment = u"X+"_s;
    script->WriteToLines();
    script->WriteToLines();
    EXPECT_EQ(script->ReadLines(0), u"H+A+B+"_s);
    EXPECT_EQ(script->ReadLines(1), u"H+"_s);
    EXPECT_TRUE(script->Segment.isEmpty());
    EXPECT_EQ(script->lineCount(), 2);

    script->Segments = u"X+"_s;
    script->AppendToLines();
    EXPECT_EQ(script->ReadLines(0), u"H+A+B+X+"_s);
    EXPECT_EQ(script->ReadLines(1), u"H+X+"_s);
    EXPECT_TRUE(script->Segments.isEmpty());
    EXPECT_EQ(corvantis::test::errorOf([&] { script->ReadLines(2); }), 9);
    EXPECT_EQ(corvantis::test::errorOf([&] { script->ReadLines(-1); }), 9);

    // On an empty buffer it appends nothing but still clears the accumulators.
    clsScript empty;
    empty.Segments = u"S+"_s;
    empty.Segment = u"G+"_s;
    empty.AppendToLines();
    EXPECT_EQ(empty.bufferSize(), 0u);
    EXPECT_TRUE(empty.Segments.isEmpty() && empty.Segment.isEmpty());
}

TEST_F(ScriptObjectTest, TheBufferHoldsMoreThan32768LinesWithoutOverwriting)
{
    for (int i = 0; i < 40000; ++i) {
        script->Segments = QString::number(i);
        script->WriteToLines();
    }
    EXPECT_EQ(script->lineCount(), 40000);
    EXPECT_EQ(script->ReadLines(32767), u"32767"_s);
    EXPECT_EQ(script->ReadLines(32768), u"32768"_s);
    EXPECT_EQ(script->ReadLines(39999), u"39999"_s);
}

TEST_F(ScriptObjectTest, RecordReplacesTheBufferButNotTheCounter)
{
    script->Segments = u"one"_s;
    script->WriteToLines();
    auto array = std::make_shared<vb::SafeArray>();
    array->bounds.push_back({0, 3});
    array->data = {vb::Variant(u"a"_s), vb::Variant(u"b"_s), vb::Variant(u"c"_s)};
    script->setRecord(vb::Variant(array));
    EXPECT_EQ(script->bufferSize(), 3u);
    EXPECT_EQ(script->ReadLines(2), u"c"_s);
    // The next line goes to index counter, the buffer shrinking to it.
    script->Segments = u"two"_s;
    script->WriteToLines();
    EXPECT_EQ(script->bufferSize(), 2u);
    EXPECT_EQ(script->ReadLines(0), u"a"_s);
    EXPECT_EQ(script->ReadLines(1), u"two"_s);

    // Anything but an array of text is refused and changes nothing.
    EXPECT_EQ(corvantis::test::errorOf([&] { script->setRecord(vb::Variant(u"text"_s)); }), 13);
    auto mixed = std::make_shared<vb::SafeArray>();
    mixed->bounds.push_back({0, 2});
    mixed->data = {vb::Variant(u"a"_s), vb::Variant(int32_t(5))};
    EXPECT_EQ(corvantis::test::errorOf([&] { script->setRecord(vb::Variant(mixed)); }), 13);
    EXPECT_EQ(script->bufferSize(), 2u);

    const vb::Variant lines = script->Lines();
    ASSERT_TRUE(lines.isArray());
    EXPECT_EQ(lines.rawArray()->ubound(), 1);
    EXPECT_EQ(clsScript().Lines().rawArray()->ubound(), -1);
}

TEST_F(ScriptObjectTest, LinesToRecordSplitsEachLineOverTheFields)
{
    auto rs = recordset({{u"F1"_s, ado::adVarChar, 10}, {u"F2"_s, ado::adVarChar, 10}, {u"F3"_s, ado::adVarChar, 10}});
    script->Segments = u"A+B+"_s;
    script->WriteToLines();
    script->Segments = u"A+B"_s;
    script->WriteToLines();
    script->LinesToRecord(rs);
    EXPECT_FALSE(script->recordFailed());
    EXPECT_EQ(rowTexts(*rs), (QStringList{u"A|B|"_s, u"A|B|B"_s}));
    EXPECT_TRUE(historyTexts().isEmpty());
}

TEST_F(ScriptObjectTest, TheAbsentMarkerBecomesEachTypesDefault)
{
    auto rs = recordset({{u"D"_s, ado::adDate, 8},
                         {u"T"_s, ado::adDBTime, 4},
                         {u"R"_s, ado::adSingle, 4},
                         {u"N"_s, ado::adNumeric, 10},
                         {u"S"_s, ado::adVarChar, 5}});
    script->Segments = u">+>+>+>+>+"_s;
    script->WriteToLines();
    std::vector<QString> trace;
    script->setImmediateSink([&](const QString &line) { trace.push_back(line); });
    modGlobal::blnSilentMode = false;
    script->LinesToRecord(rs);
    ASSERT_FALSE(script->recordFailed()) << historyTexts().join(u"\n"_s).toStdString();
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields(u"D"_s).Value().toString(), u"12/10/2026"_s);
    EXPECT_EQ(rs->Fields(u"T"_s).Value().toString(), u"1:05:00 PM"_s);
    EXPECT_EQ(rs->Fields(u"R"_s).Value().toDouble(), 0.0);
    EXPECT_EQ(rs->Fields(u"N"_s).Value().toDouble(), 0.0);
    EXPECT_EQ(rs->Fields(u"S"_s).Value().toString(), QString());
    EXPECT_EQ(trace, (std::vector<QString>{u"D = 12/10/2026\r\n"_s, u"T = 1305\r\n"_s, u"R = 0\r\n"_s, u"N = 0\r\n"_s,
                                           u"S = \r\n"_s}));
}

TEST_F(ScriptObjectTest, ARefusedValueIsLoggedTheRowCancelledAndTheFailureKept)
{
    auto rs = recordset({{u"Name"_s, ado::adVarChar, 10}, {u"When"_s, ado::adDate, 8}});
    script->Segments = u"first+12/1/2026+"_s;
    script->WriteToLines();
    script->Segments = u"second++"_s;
    script->WriteToLines();
    script->Segments = u"third+12/3/2026+"_s;
    script->WriteToLines();
    script->LinesToRecord(rs);
    EXPECT_TRUE(script->recordFailed());
    EXPECT_EQ(historyTexts(), (QStringList{u"Type = DT"_s, u"Name = When"_s, u"Value = "_s}));
    // The completed row stays, the half-filled one is gone, the rest unwritten.
    EXPECT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rowTexts(*rs), QStringList{u"first|12/1/2026"_s});
}

TEST_F(ScriptObjectTest, EmptyBufferAndMissingRecordSetAreLogged)
{
    auto rs = recordset({{u"F1"_s, ado::adVarChar, 10}});
    script->LinesToRecord(rs);
    EXPECT_TRUE(script->recordFailed());
    EXPECT_EQ(rs->RecordCount(), 0);

    clsScript other;
    other.CurrentSegment = u"N1"_s;
    other.Segments = u"x"_s;
    other.WriteToLines();
    other.LinesToRecord(nullptr);
    EXPECT_TRUE(other.recordFailed());
    const QStringList history = historyTexts();
    ASSERT_EQ(history.size(), 2);
    EXPECT_EQ(history[0], u"Report Record is Empty"_s);
    EXPECT_TRUE(history[1].startsWith(u"Error - Object variable not set"_s)) << history[1].toStdString();
    EXPECT_TRUE(history[1].endsWith(u" - Element = N1 Verify Mapping"_s)) << history[1].toStdString();
}

TEST_F(ScriptObjectTest, WriteToFileWritesTheDataAndLogsAFailure)
{
    const QString path = corvantis::test::tempDir() + u"/out.txt"_s;
    script->WriteToFile(path, u"A*B~\xe9"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("A*B~\xe9"));

    const QString missing = corvantis::test::tempDir() + u"/no such folder/out.txt"_s;
    script->WriteToFile(missing, u"data"_s);
    const QStringList history = historyTexts();
    ASSERT_EQ(history.size(), 1);
    EXPECT_TRUE(history[0].startsWith(u"Write To File Failed - "_s + missing + u" - "_s)) << history[0].toStdString();
}

TEST_F(ScriptObjectTest, SnippetsReachTheMembersByName)
{
    auto rs = recordset({{u"F1"_s, ado::adVarChar, 10}, {u"F2"_s, ado::adVarChar, 10}});
    vbs::ScriptControl sc;
    sc.AddObject(u"objScript"_s, script);
    sc.AddObject(u"Record"_s, com::toVariant(rs).rawObject());
    sc.AddCode(u"objScript.CurrentElement = \"A\"\n"
               "objScript.ElementToSegment\n"
               "objScript.CurrentElement = 7\n"
               "objScript.ElementToSegment\n"
               "objScript.SegmentToSegments\n"
               "objScript.WriteToLines\n"
               "Dim l: l = objScript.Lines\n"
               "objScript.FileName = objScript.ReadLines(0) & UBound(l)\n"
               "objScript.LinesToRecord Record\n"_s);
    EXPECT_EQ(script->FileName, u"A+7+0"_s);
    EXPECT_EQ(rowTexts(*rs), QStringList{u"A|7"_s});
    // Members are not global: a snippet must name objScript.
    sc.AddCode(u"Segment = \"Z\""_s);
    EXPECT_TRUE(script->Segment.isEmpty());
}

} // namespace
