// The record-definition reader on small definition files.
#include "CoreTestSupport.h"

#include "TestEnvironment.h"

#include "ado/Types.h"
#include "vb/Dialogs.h"

using namespace modGlobal;
using namespace coretest;
using corvantis::test::dialogs;

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(CORVANTIS_FIXTURES "/core/recorddefinitions/") + QString::fromLatin1(name);
}

struct FieldSpec {
    QString name;
    int type;
    long definedSize;
    int precision; // -1: not checked
    int scale;
};

void expectFields(const ado::Recordset &rs, const std::vector<FieldSpec> &expected)
{
    ASSERT_EQ(rs.Fields().Count(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        const FieldSpec &spec = expected[i];
        SCOPED_TRACE(spec.name.toStdString());
        const ado::Field &field = rs.Fields(static_cast<int>(i));
        EXPECT_EQ(field.Name(), spec.name);
        EXPECT_EQ(field.Type(), spec.type);
        EXPECT_EQ(field.DefinedSize(), spec.definedSize);
        if (spec.precision >= 0) {
            EXPECT_EQ(field.Precision(), spec.precision);
            EXPECT_EQ(field.NumericScale(), spec.scale);
        }
    }
}

class RecordDefinitionTest : public CoreTest {};

} // namespace

TEST_F(RecordDefinitionTest, TranslationDefinitionGivesAnEmptyWritableRecordSet)
{
    auto rs = OpenRecordsetDefinition(fixture("map_fields.ADO"));
    ASSERT_TRUE(rs);
    expectFields(*rs, {
                          {"1BEG01", ado::adVarChar, 2, -1, 0},
                          {"1BEG02", ado::adVarChar, 2, -1, 0},
                          {"1BEG05", ado::adDate, 8, -1, 0},
                          {"1DTM03", ado::adDBTime, 4, -1, 0},
                          {"2QTY02", ado::adNumeric, 15, 15, 2},
                          {"2QTY03", ado::adSingle, 10, -1, 0},
                      });
    EXPECT_EQ(rs->State(), ado::adStateOpen);
    EXPECT_EQ(rs->CursorType(), ado::adOpenKeyset);
    EXPECT_EQ(rs->LockType(), ado::adLockOptimistic);
    EXPECT_EQ(rs->ActiveConnection(), nullptr);
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_TRUE(rs->Eof() && rs->Bof());

    rs->AddNew();
    rs->Fields("1BEG01") = "00";
    rs->Fields("2QTY02") = 12.25;
    rs->Update();
    EXPECT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(boxCount(), 0u);
}

TEST_F(RecordDefinitionTest, ImportDefinitionWithPrecisionScaleAndLastLineWithoutBreak)
{
    auto rs = OpenRecordsetDefinition(fixture("import_fields.ADO"));
    ASSERT_TRUE(rs);
    expectFields(*rs, {
                          {"OrderNo", ado::adInteger, 4, -1, 0},
                          {"Price", ado::adDecimal, 19, 19, 4},
                          {"Amount", ado::adNumeric, 10, 10, 2},
                          {"Name", ado::adVarWChar, 50, -1, 0},
                          {"Shipped", ado::adDBTimeStamp, 16, -1, 0},
                          {QString::fromUtf8("Quantit\u00e9"), ado::adDouble, 8, -1, 0},
                      });
}

TEST_F(RecordDefinitionTest, BlankLineEndsTheListAndLineFeedsAloneWork)
{
    auto blank = OpenRecordsetDefinition(fixture("blank_middle.ADO"));
    ASSERT_TRUE(blank);
    expectFields(*blank, {{"First", ado::adVarChar, 5, -1, 0}});

    auto lf = OpenRecordsetDefinition(fixture("lf_only.ADO"));
    ASSERT_TRUE(lf);
    expectFields(*lf, {{"First", ado::adVarChar, 5, -1, 0}, {"Second", ado::adInteger, 4, -1, 0}});
}

TEST_F(RecordDefinitionTest, UnreadableDefinitionsAreReportedAndGiveNoRecordSet)
{
    const char *files[] = {
        "no_such_file.ADO",          // missing
        "empty.ADO",                 // nothing to read
        "name_only.ADO",             // a line with the name alone
        "numeric_without_scale.ADO", // 131 needs a scale
        "type_not_a_number.ADO",
        "precision_too_large.ADO",   // precision is a byte
        "repeated_name.ADO",
        "unknown_type.ADO",
    };
    size_t boxes = 0;
    for (const char *file : files) {
        SCOPED_TRACE(file);
        dialogs().answer(vb::vbOK);
        EXPECT_EQ(OpenRecordsetDefinition(fixture(file)), nullptr);
        ASSERT_EQ(boxCount(), ++boxes);
        EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    }
    const QStringList logged = column("SELECT * FROM History ORDER BY [Index]", "Description");
    ASSERT_EQ(logged.size(), 8);
    EXPECT_TRUE(logged[0].startsWith("53 ")) << logged[0].toStdString();
    EXPECT_TRUE(logged[1].startsWith("62 ")) << logged[1].toStdString();
}
