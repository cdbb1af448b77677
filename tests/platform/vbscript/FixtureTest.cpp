// Scripts of the kind users write, run from tests/fixtures/vbscript: each
// <name>.vbs prints through the host object Out and must print <name>.expected.

#include "ScriptTestSupport.h"
#include "PartsRecordset.h"
#include "TestEnvironment.h"

#include "com/AdoDispatch.h"

#include <QDir>
#include <QFile>

using vb::Variant;
using namespace vbstest;

namespace {

// The part of the map-script object that string-building snippets use.
class FakeScript : public com::HostClass<FakeScript> {
public:
    static com::DispatchTable<FakeScript> describe()
    {
        com::DispatchTable<FakeScript> t("clsScript");
        auto text = [&t](const char *name, QString FakeScript::*field) {
            t.property(name, [field](FakeScript &s) { return Variant(s.*field); },
                       [field](FakeScript &s, const Variant &v) { s.*field = v.toString(); });
        };
        text("ElementDelimiter", &FakeScript::delimiter);
        text("CurrentElement", &FakeScript::element);
        text("Segment", &FakeScript::segment);
        text("Segments", &FakeScript::segments);
        t.method("ElementToSegment", 0, 0, [](FakeScript &s, com::Args &) {
            s.segment += s.element + s.delimiter;
            return Variant();
        });
        t.method("SegmentToSegments", 0, 0, [](FakeScript &s, com::Args &) {
            s.segments += s.segment;
            s.segment.clear();
            return Variant();
        });
        return t;
    }
    QString delimiter, element, segment, segments;
};

using corvantis::test::parts;

QString readFile(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(f.readAll());
}

} // namespace

class ScriptFixtures : public ::testing::TestWithParam<const char *> {};

TEST_P(ScriptFixtures, PrintTheExpectedOutput)
{
    const QString base = QStringLiteral(CORVANTIS_FIXTURES "/vbscript/") + QString::fromLatin1(GetParam());
    auto out = std::make_shared<Printer>();
    auto rs = parts();
    vbs::ScriptControl sc;
    sc.AddObject("objScript", std::make_shared<FakeScript>());
    sc.AddObject("Record", com::toVariant(rs).rawObject());
    sc.AddObject("Out", out);
    sc.AddCode("TempDir = \"" + corvantis::test::tempDir() + "\"");
    try {
        sc.AddCode(readFile(base + ".vbs"));
    } catch (const vb::VbError &e) {
        FAIL() << e.number << " " << e.description.toStdString() << " at line " << sc.Error().Line << ": "
               << sc.Error().Text.toStdString();
    }
    EXPECT_EQ((out->lines.join('\n') + '\n').toStdString(), readFile(base + ".expected").toStdString());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ScriptFixtures,
                         ::testing::Values("string_building", "recordset_walk", "file_writing", "arrays", "class"));

TEST(HostObjects, PlainRecordSetReachedThroughItsAdapter)
{
    auto rs = parts();
    rs->MoveFirst();
    vbs::ScriptControl sc;
    sc.AddObject("Record", rs); // the data layer's own object, no adapter made by the caller
    sc.AddCode("Set r = Record\nfirst = r(\"Part\") & r.Fields(\"Qty\").Value");
    EXPECT_EQ(sc.Eval("first").toString(), "B2");
}
