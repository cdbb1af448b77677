// The report definitions of a map: the field definition file on every save,
// the default report while none of that name exists in any letter case or it
// is still the untouched default,
// and the shipped guideline report over the guideline query.
#include "TranslationTestSupport.h"

#include "TestEnvironment.h"

#include "translation/ReportDefinition.h"

#include "report/Paginator.h"
#include "report/ReportFile.h"

#include "ado/Recordset.h"
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>

#include <cmath>

using namespace translationtest;
using namespace Qt::StringLiterals;
using corvantis::test::dialogs;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesIn(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

QString reportFixture(const QString &name) { return QStringLiteral(CORVANTIS_FIXTURES "/report/") + name; }

void expectGolden(const QString &name, const QByteArray &actual)
{
    if (qEnvironmentVariableIsSet("CORVANTIS_UPDATE_GOLDEN")) {
        QFile f(reportFixture(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(actual);
        return;
    }
    EXPECT_EQ(actual, fileBytes(reportFixture(name))) << "golden file " << name.toStdString();
}

// Placeholders, an excluded segment and element, every element type and one
// type the layout does not know.
const QString kMap = u"S 1 BIG\n"
                     "E 1 Type=DT Max=8\n"
                     "E 2 Max=22\n"
                     "E 3 Type=TM Max=4\n"
                     "S 2 NTE Exclude=1\n"
                     "E 1\n"
                     "S 3 N1 Placeholders=2\n"
                     "E 1 Type=ID Max=2\n"
                     "E 2 Exclude=1\n"
                     "E 3 Type=XX Max=9\n"
                     "S 4 IT1\n"
                     "E 1 Type=R Max=15\n"
                     "E 2 Type=N2 Max=10\n"_s;

class ReportDefinitionTest : public TranslationTest {
protected:
    void SetUp() override
    {
        TranslationTest::SetUp();
        reports = corvantis::test::tempDir() + u"/reports"_s;
        QDir().mkpath(reports);
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Reports"_s, reports);
    }
    QString reports;
};

} // namespace

TEST_F(ReportDefinitionTest, AFixtureMapGivesTheGoldenFieldDefinitionsAndDefaultReport)
{
    addMap(parseMap(kMap));
    translation::CreateReportDefinition(key);
    EXPECT_EQ(filesIn(reports), (QStringList{u"ACME01_830_004010_I.rpt"_s, u"ACME01_830_004010_I.ttx"_s}));
    expectGolden(u"ACME01_830_004010_I.ttx"_s, fileBytes(reports + u"/ACME01_830_004010_I.ttx"_s));
    expectGolden(u"ACME01_830_004010_I.rpt"_s, fileBytes(reports + u"/ACME01_830_004010_I.rpt"_s));

    // The new report lays out over the translation record set of the same layout.
    const report::Report r = report::loadReport(reports + u"/ACME01_830_004010_I.rpt"_s);
    EXPECT_EQ(r.title, u"ACME01_830_004010"_s);
    const auto ttx = report::readFieldDefinitionFile(reports + u"/ACME01_830_004010_I.ttx"_s);
    ASSERT_EQ(ttx.size(), r.fields.size());
    for (size_t i = 0; i < ttx.size(); ++i)
        EXPECT_EQ(ttx[i].name, r.fields[i].name);
    auto rs = std::make_shared<ado::Recordset>();
    for (const translation::RecordField &f : translation::RecordLayout(key))
        rs->Fields().Append(f.name, f.type, f.definedSize, ado::adFldUpdatable | ado::adFldIsNullable);
    rs->Open();
    report::RecordsetSource rows(rs);
    report::Paginator pages(r, rows);
    QStringList shown;
    for (const report::PlacedItem &item : pages.page(0).items)
        shown << item.text;
    EXPECT_TRUE(shown.contains(u"Inbound"_s));
    EXPECT_TRUE(shown.contains(u"12/10/2026"_s));
    EXPECT_TRUE(shown.contains(u"Page 1 of 1"_s));
    EXPECT_TRUE(shown.contains(u"4IT102"_s));
    EXPECT_FALSE(shown.contains(u"2N103"_s)) << "an untyped element has no report field";
}

TEST_F(ReportDefinitionTest, AReportOfTheSameNameInAnyCaseIsKept)
{
    addMap(parseMap(u"S 1 BIG\nE 1 Max=5\n"_s));
    QFile mine(reports + u"/acme01_830_004010_i.RPT"_s);
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("designed by the user");
    mine.close();
    translation::CreateReportDefinition(key);
    EXPECT_EQ(filesIn(reports), (QStringList{u"ACME01_830_004010_I.ttx"_s, u"acme01_830_004010_i.RPT"_s}));
    EXPECT_EQ(fileBytes(reports + u"/acme01_830_004010_i.RPT"_s), "designed by the user");
    EXPECT_EQ(fileBytes(reports + u"/ACME01_830_004010_I.ttx"_s), "1BIG01\tString\t5\r\n");
}

TEST_F(ReportDefinitionTest, EverySaveRewritesTheFieldDefinitionsButNotTheUsersReport)
{
    addMap(parseMap(u"S 1 BIG\nE 1 Max=5\n"_s));
    translation::SaveMapDefinitions(key);
    const QString path = reports + u"/ACME01_830_004010_I.rpt"_s;
    // The user moves the title a little and saves the report.
    report::Report designed = report::loadReport(path);
    designed.section(report::SectionKind::ReportHeader).objects[0].left = 120;
    report::saveReport(designed, path);
    const QByteArray report = fileBytes(path);
    addMap(parseMap(u"S 2 REF\nE 1 Type=N0 Max=6\n"_s));
    translation::SaveMapDefinitions(key);
    EXPECT_EQ(fileBytes(reports + u"/ACME01_830_004010_I.ttx"_s), "1BIG01\tString\t5\r\n2REF01\tNumber\t6\r\n");
    EXPECT_EQ(fileBytes(path), report);
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(ReportDefinitionTest, TheUntouchedDefaultReportFollowsTheMap)
{
    // A new map's first save: a segment without elements yet, so no fields.
    addMap(parseMap(u"S 1 BIG\n"_s));
    translation::SaveMapDefinitions(key);
    const QString path = reports + u"/ACME01_830_004010_I.rpt"_s;
    EXPECT_TRUE(report::loadReport(path).fields.empty());
    addMap(parseMap(u"S 2 REF\nE 1 Max=30\nE 2 Type=N0 Max=6\n"_s));
    translation::SaveMapDefinitions(key);
    const report::Report r = report::loadReport(path);
    ASSERT_EQ(r.fields.size(), 2u);
    const auto &detail = r.section(report::SectionKind::Detail).objects;
    ASSERT_EQ(detail.size(), 2u);
    EXPECT_EQ(detail[0].field, u"2REF01"_s);
    EXPECT_EQ(detail[0].width, 30 * 120) << "as wide as the defined size";
    EXPECT_EQ(detail[1].field, u"2REF02"_s);
    EXPECT_EQ(r.section(report::SectionKind::ReportHeader).objects[0].text, u"ACME01_830_004010"_s);
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(ReportDefinitionTest, WideFieldsContinueOnFurtherLines)
{
    addMap(parseMap(u"S 1 N1\nE 1 Max=60\nE 2 Max=60\nE 3 Max=200\nE 4 Max=2\n"_s));
    translation::CreateReportDefinition(key);
    const report::Report r = report::loadReport(reports + u"/ACME01_830_004010_I.rpt"_s);
    const int width = r.page.width - r.page.marginLeft - r.page.marginRight;
    const auto &heads = r.section(report::SectionKind::PageHeader).objects;
    const auto &detail = r.section(report::SectionKind::Detail).objects;
    ASSERT_EQ(detail.size(), 4u);
    ASSERT_EQ(heads.size(), 4u);
    int previousTop = -1;
    for (size_t i = 0; i < detail.size(); ++i) {
        EXPECT_LE(detail[i].left + detail[i].width, width) << i;
        EXPECT_EQ(heads[i].text, detail[i].field);
        EXPECT_EQ(heads[i].top, detail[i].top);
        EXPECT_EQ(heads[i].left, detail[i].left);
        EXPECT_GE(detail[i].top, previousTop) << "in field order";
        previousTop = detail[i].top;
    }
    EXPECT_EQ(detail[2].width, width) << "a field wider than the page takes the page's width";
    EXPECT_GT(detail[1].top, detail[0].top) << "60 + 60 characters do not fit one line";
    EXPECT_EQ(detail[3].top, detail[2].top + 240);
    EXPECT_GE(r.section(report::SectionKind::Detail).height, detail[3].top + detail[3].height);
}

TEST_F(ReportDefinitionTest, TheOutboundMapSaysOutbound)
{
    key.direction = u"O"_s;
    addMap(parseMap(u"S 1 BIG\nE 1 Max=5\n"_s));
    translation::CreateReportDefinition(key);
    const report::Report r = report::loadReport(reports + u"/ACME01_830_004010_O.rpt"_s);
    const auto &header = r.section(report::SectionKind::ReportHeader).objects;
    ASSERT_GE(header.size(), 2u);
    EXPECT_EQ(header[1].text, u"Outbound"_s);
    EXPECT_EQ(header[1].borderStyle, 1);
    EXPECT_EQ(header[1].borderColor, QColor(0x80, 0x00, 0x10));
}

TEST_F(ReportDefinitionTest, AMapWithoutSegmentsIsReportedAndWritesNothing)
{
    dialogs().answer(vb::vbOK);
    translation::CreateReportDefinition(key);
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().boxes()[0].icon, vb::vbCritical);
    EXPECT_TRUE(filesIn(reports).isEmpty());
}

// Every object of the guideline lies within the printable width, no two on
// one line overlap, and each label and heading fits its box in its font.
TEST_F(ReportDefinitionTest, TheGuidelinesTextsFitAndDoNotOverlap)
{
    const report::Report r = translation::GuidelineReport();
    const int printable = r.page.width - r.page.marginLeft - r.page.marginRight;
    for (const report::Section &section : r.sections) {
        for (size_t i = 0; i < section.objects.size(); ++i) {
            const report::ReportObject &o = section.objects[i];
            EXPECT_LE(o.left + o.width, printable) << o.name.toStdString() << " runs past the right margin";
            for (size_t j = i + 1; j < section.objects.size(); ++j) {
                const report::ReportObject &other = section.objects[j];
                const bool sameLine = o.top < other.top + other.height && other.top < o.top + o.height;
                const bool apart = o.left + o.width <= other.left || other.left + other.width <= o.left;
                EXPECT_TRUE(!sameLine || apart) << o.name.toStdString() << " overlaps " << other.name.toStdString();
            }
            if (o.kind != report::ObjectKind::Text)
                continue;
            // Sizes in twips: a point is 20 units, as the renderer draws them.
            QFont font(o.font.family);
            font.setPixelSize(int(std::lround(o.font.size * 20)));
            font.setBold(o.font.bold);
            EXPECT_LE(QFontMetricsF(font).horizontalAdvance(o.text), o.width)
                << "\"" << o.text.toStdString() << "\" is cut in " << o.width << " twips";
        }
    }
}

TEST_F(ReportDefinitionTest, TheShippedGuidelineLaysOutOverTheGuidelineQuery)
{
    const QByteArray shipped = fileBytes(QStringLiteral(CORVANTIS_FIXTURES "/../../translation/Guideline.rpt"));
    if (qEnvironmentVariableIsSet("CORVANTIS_UPDATE_GOLDEN")) {
        QFile f(QStringLiteral(CORVANTIS_FIXTURES "/../../translation/Guideline.rpt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(report::reportToJson(translation::GuidelineReport()));
    } else {
        EXPECT_EQ(shipped, report::reportToJson(translation::GuidelineReport()));
    }
    EXPECT_EQ(fileBytes(vb::AppInfo::path() + u"/Guideline.rpt"_s), shipped) << "not beside the program";

    addMap(parseMap(kMap));
    modGlobal::cnDatabase->Execute(u"INSERT INTO Transactions (Partner, [Transaction], Description, Version, Direction) "
                                   "VALUES ('ACME01', '830', 'Planning Schedule', '004010', 'I')"_s);
    const QString sql = translation::GuidelineStatement(u"ACME01"_s, u"004010"_s, u"830"_s);
    auto rs = std::make_shared<ado::Recordset>();
    rs->Open(sql, *modGlobal::cnDatabase, ado::adOpenDynamic, ado::adLockOptimistic);
    report::RecordsetSource rows(rs);
    const report::Report guideline = report::loadReport(vb::AppInfo::path() + u"/Guideline.rpt"_s);
    report::Paginator pages(guideline, rows);
    ASSERT_GT(rows.rowCount(), 0);
    QStringList shown;
    for (const report::PlacedItem &item : pages.page(0).items)
        shown << item.text;
    EXPECT_TRUE(shown.contains(u"ACME01"_s));
    EXPECT_TRUE(shown.contains(u"Planning Schedule"_s));
    EXPECT_TRUE(shown.contains(u"IT1"_s));
    EXPECT_TRUE(shown.contains(u"02"_s)) << "element positions show two digits";
}
