// The results grid's content and its editing: typing, Backspace, Tab,
// Delete and the status codes on the current cell; Null kept until edited;
// Save writing the remembered job's files without blank records.
#include "integration/ResultsModel.h"

#include "CoreTestSupport.h"
#include "TestEnvironment.h"

#include <QFile>

using namespace Qt::StringLiterals;
using integration::ResultsModel;

namespace {

integration::QueryResult twoByThree()
{
    integration::QueryResult r;
    r.hasRowset = true;
    r.columns = {{u"po"_s, 200, 10, 0, 0}, {u"qty"_s, 3, 4, 0, 0}, {u"code"_s, 200, 2, 0, 0}};
    r.rows = {{vb::Variant(u"PO-1"_s), vb::Variant(int32_t(12)), vb::Variant(u"IA"_s)},
              {vb::Variant(u"PO-2"_s), vb::Variant::null(), vb::Variant::null()}};
    return r;
}

QString cells(const ResultsModel &m)
{
    QStringList lines;
    for (int r = 0; r < m.rowCount(); ++r) {
        QStringList line;
        for (int c = 0; c < m.columnCount(); ++c)
            line << (m.isNull(r, c) ? u"<Null>"_s : m.text(r, c));
        lines << line.join(u'|');
    }
    return lines.join(u'/');
}

TEST(ResultsModel, ShowsTitlesAndRecordsAndKeepsNull)
{
    ResultsModel m;
    m.setResult(twoByThree(), u"ACME_850_004010_O"_s, u"/x/ACME_850_004010_O"_s);
    EXPECT_EQ(cells(m), u"po|qty|code/PO-1|12|IA/PO-2|<Null>|<Null>"_s);
    EXPECT_EQ(m.data(m.index(2, 1)).toString(), QString());
    EXPECT_EQ(m.data(m.index(2, 1), Qt::ToolTipRole).toString(), u"Null"_s);
    EXPECT_TRUE(m.hasResult());
    EXPECT_EQ(m.jobKey(), u"ACME_850_004010_O"_s);

    // Backspace on a Null cell leaves it Null; typing makes it text.
    m.backspace(2, 1);
    EXPECT_TRUE(m.isNull(2, 1));
    m.type(2, 1, u'5');
    EXPECT_FALSE(m.isNull(2, 1));
    EXPECT_EQ(m.text(2, 1), u"5"_s);

    // A result without records shows one blank record.
    integration::QueryResult empty = twoByThree();
    empty.rows.clear();
    m.setResult(empty, u"K"_s, u"/x/K"_s);
    EXPECT_EQ(cells(m), u"po|qty|code/||"_s);

    m.clearCells();
    EXPECT_FALSE(m.hasResult());
    EXPECT_EQ(cells(m), u"||/||"_s);
}

TEST(ResultsModel, EditingTheCurrentCell)
{
    struct Step {
        const char *what;
        std::function<void(ResultsModel &)> edit;
        const char *expected;
    } steps[] = {
        {"typing appends", [](ResultsModel &m) { m.type(1, 1, u'5'); }, "po|qty|code/PO-1|125|IA/PO-2|<Null>|<Null>"},
        {"backspace removes the last character", [](ResultsModel &m) { m.backspace(1, 0); },
         "po|qty|code/PO-|12|IA/PO-2|<Null>|<Null>"},
        {"backspace on an empty cell changes nothing",
         [](ResultsModel &m) {
             m.setCode(1, 2, QString());
             m.backspace(1, 2);
         },
         "po|qty|code/PO-1|12|/PO-2|<Null>|<Null>"},
        {"control characters are ignored",
         [](ResultsModel &m) {
             for (QChar c : {QChar(13), QChar(10), QChar(27), QChar(9), QChar(0x7F)})
                 m.type(1, 0, c);
         },
         "po|qty|code/PO-1|12|IA/PO-2|<Null>|<Null>"},
        {"a code replaces the whole cell", [](ResultsModel &m) { m.setCode(1, 2, u"IR"_s); },
         "po|qty|code/PO-1|12|IR/PO-2|<Null>|<Null>"},
        {"the title row can be typed into", [](ResultsModel &m) { m.type(0, 0, u'X'); },
         "poX|qty|code/PO-1|12|IA/PO-2|<Null>|<Null>"},
        {"delete removes a record", [](ResultsModel &m) { EXPECT_TRUE(m.removeRecord(1)); },
         "po|qty|code/PO-2|<Null>|<Null>"},
        {"delete on the title row or the last record changes nothing",
         [](ResultsModel &m) {
             EXPECT_FALSE(m.removeRecord(0));
             EXPECT_TRUE(m.removeRecord(2));
             EXPECT_FALSE(m.removeRecord(1));
             EXPECT_FALSE(m.removeRecord(5));
         },
         "po|qty|code/PO-1|12|IA"},
    };
    for (const Step &step : steps) {
        ResultsModel m;
        m.setResult(twoByThree(), u"K"_s, u"/x/K"_s);
        step.edit(m);
        EXPECT_EQ(cells(m), QString::fromLatin1(step.expected)) << step.what;
    }
}

TEST(ResultsModel, TabStepsRowByRowAndWrapsToTheTitleRow)
{
    ResultsModel m;
    m.setResult(twoByThree(), u"K"_s, u"/x/K"_s);
    using Cell = std::pair<int, int>;
    EXPECT_EQ(m.nextCell(1, 0), Cell(1, 1));
    EXPECT_EQ(m.nextCell(1, 2), Cell(2, 0));
    EXPECT_EQ(m.nextCell(2, 2), Cell(0, 0));
    EXPECT_EQ(m.nextCell(0, 2), Cell(1, 0));
}

class ResultsSaveTest : public coretest::CoreTest {};

TEST_F(ResultsSaveTest, SaveWritesTheRememberedJobsFilesWithoutBlankRecords)
{
    ResultsModel m;
    const QString stem = corvantis::test::tempDir() + u"/import/ACME_850_004010_O"_s;
    integration::QueryResult r = twoByThree();
    r.rows.push_back({vb::Variant(QString()), vb::Variant::null(), vb::Variant(QString())}); // blank: left out
    m.setResult(r, u"ACME_850_004010_O"_s, stem);
    m.type(0, 0, u'!'); // the title row is never saved
    m.setCode(2, 2, u"IQ"_s);
    const integration::QueryResult saved = m.toResult();
    ASSERT_EQ(saved.rows.size(), 2u);
    integration::WriteImportFiles(saved, m.stem(), true);
    QFile data(stem + u".IMP"_s);
    ASSERT_TRUE(data.open(QIODevice::ReadOnly));
    EXPECT_EQ(data.readAll(), QByteArray("PO-1\t12\tIA\t\r\nPO-2\t\tIQ\t\r\n"));
    QFile definition(stem + u".ADO"_s);
    ASSERT_TRUE(definition.open(QIODevice::ReadOnly));
    EXPECT_EQ(definition.readAll(), QByteArray("po\t200\t10\r\nqty\t3\t4\r\ncode\t200\t2\r\n\r\n"));
}

} // namespace
