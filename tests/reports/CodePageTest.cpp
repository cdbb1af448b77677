// A partner's 8-bit text from the loaded interchange to what the reports
// write and show: the bytes 0x80-0x9F (curly quotes, the euro sign, the five
// undefined bytes) come out of every export as they went in, and the viewer
// shows the characters they stand for; so do sets stored by earlier versions,
// which hold U+0080-U+009F for those bytes.
#include "ReportTestSupport.h"
#include "TranslationTestSupport.h"

#include "TestEnvironment.h"

#include "reports/ReportCommands.h"
#include "translation/ReportDefinition.h"

#include "core/loader/InterchangeLoader.h"
#include "report/Paginator.h"
#include "vb/TextFile.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

QStringList sorted(QStringList texts)
{
    texts.sort();
    return texts;
}

class ReportCodePage : public translationtest::ReportRunTest {
protected:
    // The key's map, report and export report, with `exportFormat` (an index of the export formats).
    void prepare(int exportFormat)
    {
        addReportKey(exportFormat);
        translation::CreateReportDefinition(key);
        QFile::copy(reportsFolder + u'/' + stem() + u".rpt"_s, reportsFolder + u"/Export/"_s + stem() + u".RPT"_s);
    }
    // The partner's interchange through the loader into the Inbox, every set selected.
    void load()
    {
        core::InterchangeLoader loader(&progress);
        ASSERT_EQ(loader.LoadBox(QStringLiteral(CORVANTIS_FIXTURES "/codepage/partner_830.IC"), u"I"_s), QString());
        fillInbox(std::vector<bool>(translationtest::windows1252Values().size(), true));
        ASSERT_EQ(inbox.rowids.size(), translationtest::windows1252Values().size());
    }
    QString stem() const
    {
        return key.partner + u'_' + key.transaction + u'_' + key.version + u'_' + key.direction;
    }
    QByteArray exported(const QString &extension)
    {
        EXPECT_EQ(commands().ExportReport(inbox, true), reports::Outcome::Done) << historyEntries().join(u" | "_s).toStdString();
        EXPECT_EQ(statuses(), QStringList(qsizetype(inbox.rowids.size()), u"Exported"_s));
        return report::test::bytesOf(exportFolder + u'/' + stem() + u'.' + extension);
    }
    // The texts of the BSN01 field on the viewer's first page.
    QStringList viewerTexts()
    {
        commands().ViewReport(inbox);
        EXPECT_EQ(windows.viewed.size(), 1u);
        if (windows.viewed.empty() || !windows.viewed[0])
            return {u"<no viewer>"_s};
        QStringList texts;
        for (const report::PlacedItem &item : windows.viewed[0]->pages().page(0).items)
            if (item.kind == report::ObjectKind::Field && item.row >= 0 && item.field.endsWith(u"BSN01"_s))
                texts << item.text;
        return texts;
    }
};

struct ExportCase {
    int format; // index of the export formats
    const char *extension;
    const char *name;
};

class LoadedTextExport : public ReportCodePage, public ::testing::WithParamInterface<ExportCase> {};

TEST_P(LoadedTextExport, WritesTheSameBytes)
{
    prepare(GetParam().format);
    load();
    const QByteArray file = exported(QString::fromLatin1(GetParam().extension));
    for (const QByteArray &value : translationtest::windows1252Values())
        EXPECT_TRUE(file.contains(value)) << value.toHex(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Formats, LoadedTextExport,
                         ::testing::Values(ExportCase{1, "CSV", "Csv"}, ExportCase{25, "TXT", "Text"},
                                           ExportCase{19, "TXT", "PaginatedText"}, ExportCase{6, "XLS", "Excel5"}),
                         [](const ::testing::TestParamInfo<ExportCase> &info) { return std::string(info.param.name); });

TEST_F(ReportCodePage, TheExcel8WorkbookHoldsTheCharactersTheBytesStandFor)
{
    prepare(10);
    load();
    exported(u"XLS"_s);
    const QString script = QStringLiteral(
        "import json, sys, xlrd\n"
        "sheet = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
        "print(json.dumps([c.value for r in range(sheet.nrows) for c in sheet.row(r)]))\n");
    const QString cells = QString::fromUtf8(
        report::test::runTool(u"/usr/bin/python3"_s, {u"-c"_s, script, exportFolder + u'/' + stem() + u".XLS"_s}));
    for (const QByteArray &value : translationtest::windows1252Values()) {
        QString json; // as json.dumps writes it
        for (const QChar c : vb::fromWindows1252(value))
            json += c.unicode() < 0x80 ? QString(c) : QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QChar(u'0'));
        EXPECT_TRUE(cells.contains(json)) << json.toStdString() << " in " << cells.toStdString();
    }
}

TEST_F(ReportCodePage, ThePdfIsDrawnWithTheCharactersTheBytesStandFor)
{
    prepare(20);
    load();
    exported(u"PDF"_s);
    const QString text = QString::fromUtf8(report::test::runTool(
        u"pdftotext"_s, {u"-layout"_s, exportFolder + u'/' + stem() + u".PDF"_s, u"-"_s}));
    EXPECT_TRUE(text.contains(u"NW\u201C4711\u201D \u20AC"_s)) << text.toStdString();
}

TEST_F(ReportCodePage, TheViewerShowsTheCharactersTheBytesStandFor)
{
    prepare(1);
    load();
    QStringList expected;
    for (const QByteArray &value : translationtest::windows1252Values())
        expected << vb::fromWindows1252(value);
    EXPECT_EQ(sorted(viewerTexts()), sorted(expected));
}

// A set the earlier loader stored holds U+0093 for the byte 0x93: it goes out
// as that byte and is shown as the curly quote.
TEST_F(ReportCodePage, ASetStoredByTheEarlierLoaderKeepsItsBytes)
{
    prepare(1);
    addInboxRow(u"ST*830*0001~BSN*NW\u0093" "4711\u0094 \u0080~LIN*1~SE*4*0001~"_s);
    fillInbox({true});
    EXPECT_EQ(viewerTexts(), QStringList{u"NW\u201C4711\u201D \u20AC"_s});
    windows.viewed.clear();
    EXPECT_TRUE(exported(u"CSV"_s).contains("NW\x93" "4711\x94 \x80"));
}

} // namespace
