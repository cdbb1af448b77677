// Every statement shape the core, the loader, the checks, the lists and the
// mailbox commands send, run against a fresh database.
#include "AdoTestSupport.h"
#include "SeedRows.h"
#include "TestDatabase.h"
#include "ado/Sql.h"

#include <gtest/gtest.h>

using namespace ado;
using namespace adotest;
using corvantis::test::FreshDatabase;

namespace {

void seedMap(Connection &cn, const QString &direction, const std::vector<std::pair<QString, QString>> &segments)
{
    int index = 0;
    for (const auto &[id, level] : segments) {
        ++index;
        addRow(cn, "Segment", {{"Partner", "ACME01"}, {"Version", "004010"}, {"Transaction", "850"},
                               {"Direction", direction}, {"Segment", id}, {"SegmentIndex", index},
                               {"Node", 1}, {"Level", level}});
    }
}

void seedElement(Connection &cn, const QString &direction, const QString &segment, int segmentIndex, int elementIndex,
                 bool exclude)
{
    addRow(cn, "Element", {{"Partner", "ACME01"}, {"Version", "004010"}, {"Transaction", "850"},
                           {"Direction", direction}, {"Segment", segment}, {"SegmentIndex", segmentIndex},
                           {"ElementIndex", elementIndex}, {"Exclude", exclude}, {"Type", "AN"}, {"Maximum", 10}});
}

void seed(Connection &cn)
{
    addRow(cn, "Partner", {{"Partner", "ACME01"}, {"Segment", 126}, {"element", 42}, {"sub", 62},
                           {"ISA06", "OURID          "}, {"ISA08", "ACMEID         "}});
    addRow(cn, "Partner", {{"Partner", "O'NEIL"}, {"ISA06", "OURID          "}, {"ISA08", "O'NEIL         "}});
    addRow(cn, "Transactions", {{"Partner", "ACME01"}, {"Transaction", "850"}, {"Version", "004010"},
                                {"Direction", "I"}, {"Group", "PO"}, {"Acknowledge", true}});
    addRow(cn, "Transactions", {{"Partner", "ACME01"}, {"Transaction", "850"}, {"Version", "004010"},
                                {"Direction", "O"}, {"Group", "PO"}});
    addRow(cn, "Transactions", {{"Partner", "O'NEIL"}, {"Transaction", "810"}, {"Version", "004010"},
                                {"Direction", "I"}, {"Group", "IN"}});
    seedMap(cn, "I", {{"ST", "H"}, {"BEG", "H"}, {"PO1", "D"}, {"SE", "S"}});
    seedMap(cn, "O", {{"ST", "H"}});
    seedElement(cn, "I", "ST", 1, 1, false);
    seedElement(cn, "I", "ST", 1, 2, false);
    seedElement(cn, "I", "BEG", 2, 1, false);
    seedElement(cn, "I", "BEG", 2, 2, true);
    seedElement(cn, "I", "BEG", 2, 3, false);
    seedElement(cn, "O", "ST", 1, 1, false);
    for (int n = 0; n < 6; ++n)
        addRow(cn, "Inbox", mailboxRow(n % 2 ? "ACME01" : "O'NEIL", "850", n));
    addRow(cn, "Outbox", mailboxRow("ACME01", "850", 1));
    addRow(cn, "Outbox", mailboxRow("ACME01", "850", 1));
    addRow(cn, "Sent", mailboxRow("ACME01", "850", 0));
    addRow(cn, "Recycled", mailboxRow("ACME01", "850", 2));
    addRow(cn, "ISA", {{"Partner", "ACME01"}, {"ISA13", "000000001"}, {"Direction", "I"}});
    addRow(cn, "GS", {{"Partner", "ACME01"}, {"GCN", "1000"}, {"GS06", "1000"}, {"Direction", "I"}});
    addRow(cn, "GE", {{"Partner", "ACME01"}, {"GE01", "1"}, {"GE02", "1000"}});
    addRow(cn, "IEA", {{"Partner", "ACME01"}, {"IEA01", "1"}, {"IEA02", "000000001"}});
    for (int n = 0; n < 3; ++n)
        addRow(cn, "History", {{"Type", "Info"}, {"Description", QStringLiteral("entry %1").arg(n)}});
    addRow(cn, "Exchange", {{"Type", "Info"}, {"Description", "Connected to the remote server."}});
    addRow(cn, "Internet", {{"Network", "NETWORK1"}});
    addRow(cn, "Location", {{"Name", "Plant B"}, {"ShipToCode", "301"}});
    addRow(cn, "Location", {{"Name", "Plant A"}, {"ShipToCode", "001"}});
    addRow(cn, "Carrier", {{"Carrier", "ABCD"}, {"Description", "Carrier One"}});
    addRow(cn, "Consolidation", {{"LocationName", "Hub"}, {"CS", "H1"}});
}

struct Shape {
    const char *what;
    QString statement;
    int cursor;
    int lock;
    long rows;
};

const QString kMap = QStringLiteral(" AND Segment.Transaction = '850' AND Segment.Version = '004010'");
const QString kSegmentWalk = QStringLiteral("SELECT * FROM Segment WHERE Segment.Partner = 'ACME01'") + kMap
                             + QStringLiteral(" AND Segment.Direction = 'I'");
const QString kElementWalk = QStringLiteral(
    "SELECT * FROM Element WHERE Element.Partner = 'ACME01' AND Element.Version = '004010'"
    " AND Element.Transaction = '850' AND Element.Direction = 'I'");
const QString kTransactionKey = QStringLiteral(
    " AND Transactions.Transaction = '850' AND Transactions.Version ='004010' AND Transactions.Direction ='I'");
const QString kGuideline = QStringLiteral(
    "SELECT Transactions.Partner As Partner, Transactions.Version As Version, Transactions.Transaction As Transactions,"
    " Transactions.Description As Description, Segment.Segment As Segment, Segment.SegmentName As SegmentName,"
    " Element.SegmentIndex As SegmentIndex, Segment.SegmentUsage As SegmentUsage,"
    " Segment.MaxUsageLoop As MaxUsageLoop, Segment.Level As SegmentLevel,"
    " Segment.Looping As Looping, Segment.Node As Node,"
    " Element.ElementName As ElementName, Element.ElementIndex As ElementIndex,"
    " Element.Reference As Reference, Element.ElementUsage As ElementUsage,"
    " Element.Type As Type, Element.Minimum As Minimum, Element.Maximum As Maximum, Element.Exclude As Exclude"
    " FROM (Transactions INNER JOIN Segment ON (Transactions.Partner = Segment.Partner) AND (Transactions.Version = Segment.Version)"
    " AND (Transactions.Transaction = Segment.Transaction) AND (Transactions.Direction = Segment.Direction))"
    " INNER JOIN Element ON (Segment.Partner = Element.Partner) AND (Segment.Version = Element.Version)"
    " AND (Segment.Transaction = Element.Transaction) AND (Segment.Segment = Element.Segment)"
    " AND (Segment.SegmentIndex = Element.SegmentIndex) AND (Segment.Direction = Element.Direction)"
    " WHERE Element.Exclude = False AND Segment.Partner = 'ACME01' AND Segment.Version = '004010' AND Segment.Transaction = '850'");

std::vector<Shape> shapes()
{
    return {
        // delimiters, partner look-ups and registration
        {"segment terminator", "SELECT Partner.Segment FROM Partner WHERE Partner.Partner = 'ACME01'", adOpenStatic, adLockOptimistic, 1},
        {"element separator", "SELECT Partner.Element FROM Partner WHERE Partner.Partner = 'acme01'", adOpenStatic, adLockOptimistic, 1},
        {"sub-element separator", "SELECT * FROM Partner WHERE Partner.Partner = " + SqlText("O'NEIL"), adOpenStatic, adLockOptimistic, 1},
        {"partner by interchange ids", "SELECT * FROM Partner WHERE Partner.ISA06 = 'OURID          ' AND Partner.ISA08 = 'ACMEID         '", adOpenKeyset, adLockOptimistic, 1},
        {"padded ids keep their blanks", "SELECT * FROM Partner WHERE Partner.ISA06 = 'OURID' AND Partner.ISA08 = 'ACMEID'", adOpenKeyset, adLockOptimistic, 0},
        {"partner registration", "SELECT * FROM Partner", adOpenDynamic, adLockOptimistic, 2},
        {"control number", "SELECT * FROM Transactions WHERE Transactions.Partner = 'ACME01'" + kTransactionKey, adOpenForwardOnly, adLockOptimistic, 1},
        {"standard description", "SELECT * FROM Standard WHERE Transaction = '850'", adOpenKeyset, adLockOptimistic, 1},
        {"set registration", "SELECT * FROM Transactions WHERE Partner = 'ACME01'" + kTransactionKey, adOpenKeyset, adLockOptimistic, 1},
        {"seed segment", "SELECT * FROM Segment WHERE Segment.Partner = 'ACME01' AND Segment.Version = '004010' AND Segment.Transaction = '850'", adOpenDynamic, adLockOptimistic, 5},
        {"seed element", kElementWalk + " AND Element.SegmentIndex = 1", adOpenDynamic, adLockOptimistic, 2},
        {"acknowledgement required", "SELECT * FROM Transactions WHERE Partner = 'ACME01' AND Transaction = '850' AND Version = '004010' AND Direction = 'I'", adOpenKeyset, adLockOptimistic, 1},
        {"plug-in class", "SELECT * FROM Transactions WHERE Partner = " + SqlText("O'NEIL") + " AND Transaction = '810' AND Version = '004010' AND Direction = 'I'", adOpenForwardOnly, adLockOptimistic, 1},
        {"sent group", "SELECT * FROM Sent WHERE Partner = 'ACME01' AND GroupControlNumber = '1000'", adOpenKeyset, adLockOptimistic, 1},
        {"envelope partner", "SELECT * FROM Partner WHERE Partner.Partner = 'ACME01'", adOpenKeyset, adLockOptimistic, 1},
        // the loader
        {"loader inbox", "Inbox", adOpenKeyset, adLockPessimistic, 6},
        {"loader outbox", "Outbox", adOpenKeyset, adLockPessimistic, 2},
        {"interchange header", "SELECT * FROM ISA", adOpenKeyset, adLockOptimistic, 1},
        {"group header", "SELECT * FROM GS", adOpenKeyset, adLockOptimistic, 1},
        {"group trailer", "SELECT * FROM GE", adOpenKeyset, adLockOptimistic, 1},
        {"interchange trailer", "SELECT * FROM IEA", adOpenKeyset, adLockOptimistic, 1},
        // validator and translation walks
        {"map segments", kSegmentWalk + " ORDER BY Segment.SegmentIndex ASC", adOpenForwardOnly, adLockOptimistic, 4},
        {"one segment of the map", kSegmentWalk + " AND Segment.Segment = 'BEG' AND Segment.SegmentIndex = 2 ORDER BY Segment.SegmentIndex ASC", adOpenForwardOnly, adLockOptimistic, 1},
        {"segment elements", kElementWalk + " AND Element.Segment = 'BEG' AND Element.SegmentIndex = 2 ORDER BY Element.ElementIndex ASC", adOpenKeyset, adLockOptimistic, 3},
        {"outbound pass", "SELECT * FROM Segment WHERE Segment.Partner = 'ACME01' AND Segment.Transaction = '850' AND Segment.Version = '004010' AND Segment.Level = 'H' AND Segment.Direction = 'O' ORDER BY Segment.SegmentIndex ASC", adOpenForwardOnly, adLockOptimistic, 1},
        {"map designer move", kSegmentWalk + " AND Segment.SegmentIndex BETWEEN 3 AND 2 ORDER BY Segment.SegmentIndex ASC", adOpenDynamic, adLockOptimistic, 2},
        {"guideline join", kGuideline, adOpenDynamic, adLockOptimistic, 5},
        // lists and mailbox commands
        {"history log", "SELECT * FROM History", adOpenKeyset, adLockOptimistic, 3},
        {"list fill", "SELECT * FROM Inbox ORDER BY Partner ASC", adOpenKeyset, adLockReadOnly, 6},
        {"list walk", "SELECT * FROM Inbox ORDER BY Acknowledged DESC", adOpenKeyset, adLockOptimistic, 6},
        {"move target", "SELECT * FROM Sent", adOpenKeyset, adLockOptimistic, 1},
        {"recycle target", "SELECT * FROM Recycled", adOpenKeyset, adLockOptimistic, 1},
        {"history list", "SELECT * FROM History ORDER BY Index DESC", adOpenKeyset, adLockReadOnly, 3},
        {"exchange list", "SELECT * FROM Exchange ORDER BY Description ASC", adOpenKeyset, adLockReadOnly, 1},
        // neighbours' statements on the same tables
        {"job list", "SELECT * FROM Transactions ORDER BY Transactions.Partner ASC", adOpenForwardOnly, adLockReadOnly, 3},
        {"standard picker", "SELECT * FROM Standard ORDER BY Standard.Transaction ASC", adOpenForwardOnly, adLockReadOnly, 326},
        {"standard of a set", "SELECT Standard.Transaction, Standard.Description FROM Standard WHERE Standard.Transaction = '997'", adOpenForwardOnly, adLockReadOnly, 1},
        {"versions", "SELECT * FROM Version", adOpenForwardOnly, adLockReadOnly, 40},
        {"outbox envelopes", "SELECT DISTINCT Outbox.InterchangeControlNumber,Outbox.GroupControlNumber,Outbox.Transaction,Outbox.SenderID,Outbox.SenderDivision,Outbox.ReceiverID,Outbox.ReceiverDivision,Outbox.Partner FROM OutBox", adOpenForwardOnly, adLockReadOnly, 1},
        {"network", "SELECT * FROM Internet WHERE Internet.Network = 'NETWORK1'", adOpenKeyset, adLockOptimistic, 1},
        {"networks", "SELECT * FROM Internet ORDER BY Internet.Network ASC", adOpenForwardOnly, adLockReadOnly, 1},
        {"envelope by control number", "SELECT * FROM ISA WHERE ISA.ISA13 = '000000001' AND ISA.Partner = 'ACME01'", adOpenForwardOnly, adLockReadOnly, 1},
        {"locations", "SELECT * FROM Location ORDER BY Name ASC", adOpenKeyset, adLockOptimistic, 2},
        {"carriers", "SELECT * FROM Carrier", adOpenKeyset, adLockOptimistic, 1},
        {"facilities", "SELECT * FROM Consolidation", adOpenKeyset, adLockOptimistic, 1},
    };
}

} // namespace

TEST(Statements, EveryShapeRunsOnAFreshDatabase)
{
    FreshDatabase db;
    seed(db.connection());
    for (const Shape &s : shapes()) {
        SCOPED_TRACE(s.what);
        Recordset rs;
        const int error = errorOf([&] { rs.Open(s.statement, db.connection(), s.cursor, s.lock); });
        ASSERT_EQ(error, 0) << s.statement.toStdString();
        EXPECT_EQ(rs.RecordCount(), s.rows) << s.statement.toStdString();
        long walked = 0;
        while (!rs.Eof()) {
            for (const Field &f : rs.Fields())
                f.Value();
            ++walked;
            rs.MoveNext();
        }
        EXPECT_EQ(walked, s.rows);
        rs.Close();
    }
}

TEST(Statements, ValuesComeBackTypedAndOrdered)
{
    FreshDatabase db;
    seed(db.connection());
    Connection &cn = db.connection();
    Recordset rs;
    rs.Open("SELECT Partner.Segment FROM Partner WHERE Partner.Partner = 'ACME01'", cn, adOpenStatic, adLockOptimistic);
    EXPECT_EQ(rs("Segment").Value().type(), vb::VarType::Integer);
    EXPECT_EQ(rs("Segment").Value().rawInt(), 126);
    rs.Close();

    rs.Open("SELECT * FROM Transactions WHERE Partner = 'ACME01' AND Transaction = '850' AND Version = '004010' AND Direction = 'I'",
            cn, adOpenKeyset, adLockOptimistic);
    EXPECT_EQ(rs("Acknowledge").Value().type(), vb::VarType::Boolean);
    EXPECT_TRUE(rs("Acknowledge").Value().rawBool());
    EXPECT_EQ(rs("Acknowledge").Type(), adBoolean);
    EXPECT_EQ(rs("ControlNumber").Type(), adInteger);
    // Columns a new row leaves unset read as the values their windows show.
    EXPECT_EQ(rs("ActiveX").Value().toString(), QString());
    EXPECT_EQ(rs("Versionoverride").Value().toString(), QString());
    EXPECT_EQ(rs("Plus").Value().toString(), QStringLiteral("0"));
    EXPECT_EQ(rs("Minus").Value().toString(), QStringLiteral("0"));
    EXPECT_EQ(rs("print").Value().type(), vb::VarType::Integer);
    EXPECT_EQ(rs("print").Value().rawInt(), 0);
    EXPECT_EQ(rs("Time").Value().type(), vb::VarType::Date);
    EXPECT_EQ(rs("SQL").Value().toString(), QString());
    EXPECT_EQ(rs("ControlNumber").Value().rawInt(), 0);
    // The database converts a number given as text, and keeps the counter range.
    rs("ControlNumber") = "999999999";
    rs.Update();
    EXPECT_EQ(rs("ControlNumber").Value().rawInt(), 999999999);
    rs.Close();

    rs.Open("SELECT * FROM Internet WHERE Internet.Network = 'NETWORK1'", cn, adOpenKeyset, adLockOptimistic);
    EXPECT_TRUE(rs("URL").Value().isNull()) << "a new network holds its name alone";
    EXPECT_FALSE(rs("SendOnly").Value().rawBool());
    rs.Close();

    rs.Open(kSegmentWalk + " AND Segment.SegmentIndex BETWEEN 4 AND 1 ORDER BY Segment.SegmentIndex DESC", cn, adOpenDynamic,
            adLockOptimistic);
    QStringList ids;
    while (!rs.Eof()) {
        ids << rs("Segment").Value().toString();
        rs.MoveNext();
    }
    EXPECT_EQ(ids, QStringList({"SE", "PO1", "BEG", "ST"}));
    rs.Close();

    rs.Open(kGuideline, cn, adOpenDynamic, adLockOptimistic);
    EXPECT_EQ(rs("Transactions").Value().toString(), QStringLiteral("850"));
    EXPECT_TRUE(rs.Fields().find("SegmentLevel"));
    EXPECT_EQ(errorOf([&] { rs("Exclude") = true; }), 3251) << "a joined row is not changed through the set";
}

TEST(Statements, VersionsAndStandardsAreInstalled)
{
    FreshDatabase db;
    Recordset rs;
    rs.Open("SELECT * FROM Version", db.connection(), adOpenForwardOnly, adLockReadOnly);
    QStringList versions;
    while (!rs.Eof()) {
        versions << rs("Version").Value().toString();
        rs.MoveNext();
    }
    EXPECT_EQ(versions.first(), QStringLiteral("002000"));
    EXPECT_EQ(versions.last(), QStringLiteral("008050"));
    EXPECT_TRUE(versions.contains(QStringLiteral("004010")));
    for (const QString &v : versions)
        EXPECT_EQ(v.size(), 6) << v.toStdString();
    QStringList sorted = versions;
    sorted.sort();
    EXPECT_EQ(sorted, versions) << "the partner window lists them in table order";
    rs.Close();

    const std::vector<std::pair<const char *, const char *>> sets = {
        {"810", "IN"}, {"820", "RA"}, {"824", "AG"}, {"830", "PS"}, {"832", "SC"}, {"846", "IB"}, {"850", "PO"},
        {"852", "PD"}, {"855", "PR"}, {"856", "SH"}, {"860", "PC"}, {"861", "RC"}, {"862", "SS"}, {"864", "TX"},
        {"865", "CA"}, {"866", "PS"}, {"940", "OW"}, {"945", "SW"}, {"997", "FA"}, {"999", "FA"}, {"204", "SM"},
        {"210", "IM"}, {"214", "QM"}};
    for (const auto &[set, group] : sets) {
        rs.Open(QStringLiteral("SELECT * FROM Standard WHERE Transaction = '%1'").arg(QLatin1String(set)), db.connection(),
                adOpenKeyset, adLockOptimistic);
        ASSERT_FALSE(rs.Eof()) << set;
        EXPECT_EQ(rs("Group").Value().toString(), QLatin1String(group)) << set;
        EXPECT_FALSE(rs("Description").Value().toString().isEmpty()) << set;
        rs.Close();
    }
}

namespace {

// The rows of `statement` as (value of `column`, rowid).
std::vector<std::pair<vb::Variant, int64_t>> walk(Connection &cn, const QString &statement, const QString &column)
{
    std::vector<std::pair<vb::Variant, int64_t>> out;
    Recordset rs;
    rs.Open(statement, cn, adOpenKeyset, adLockReadOnly);
    while (!rs.Eof()) {
        out.emplace_back(rs(column).Value(), rs.rowid());
        rs.MoveNext();
    }
    return out;
}

int compareText(const vb::Variant &a, const vb::Variant &b)
{
    if (a.type() != vb::VarType::String)
        return a.rawInt() < b.rawInt() ? -1 : (a.rawInt() > b.rawInt() ? 1 : 0);
    return a.rawString().compare(b.rawString(), Qt::CaseInsensitive);
}

void expectSorted(Connection &cn, const QString &table, const QString &column)
{
    for (const char *order : {"ASC", "DESC"}) {
        const QString statement = QStringLiteral("SELECT * FROM %1 ORDER BY %2 %3").arg(table, column, QLatin1String(order));
        SCOPED_TRACE(statement.toStdString());
        const auto rows = walk(cn, statement, column);
        ASSERT_EQ(rows.size(), static_cast<size_t>(countRows(cn, "SELECT * FROM " + table)));
        const bool descending = QLatin1String(order) == QLatin1String("DESC");
        for (size_t i = 1; i < rows.size(); ++i) {
            const int c = compareText(rows[i - 1].first, rows[i].first);
            EXPECT_TRUE(descending ? c >= 0 : c <= 0) << "row " << i;
            if (c == 0) {
                EXPECT_LT(rows[i - 1].second, rows[i].second) << "ties in the order they were added, row " << i;
            }
        }
        const auto again = walk(cn, statement, column);
        ASSERT_EQ(again.size(), rows.size());
        for (size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(again[i].second, rows[i].second) << "the same statement returns the same order, row " << i;
    }
}

} // namespace

TEST(Statements, EveryListSortsByEachOfItsColumns)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    for (const char *table : {"Inbox", "Outbox", "Sent", "Recycled"})
        for (int n = 0; n < 8; ++n)
            addRow(cn, table, mailboxRow(n % 3 == 0 ? "acme01" : (n % 3 == 1 ? "ACME01" : "beta"), n % 2 ? "850" : "810", n));
    for (int n = 0; n < 6; ++n) {
        const Values entry = {{"Type", n % 2 ? "Info" : "error"}, {"Date", QStringLiteral("12/%1/2026").arg(n % 2 + 9)},
                              {"Time", "01:05:09 PM"}, {"User", n % 3 ? "System" : "admin"},
                              {"Description", QStringLiteral("Entry %1").arg(n % 3)}};
        addRow(cn, "History", entry);
        addRow(cn, "Exchange", entry);
    }
    for (const char *table : {"Inbox", "Outbox", "Sent", "Recycled"})
        for (const QString &column : mailboxColumns())
            expectSorted(cn, QLatin1String(table), column);
    for (const char *table : {"History", "Exchange"})
        for (const QString &column : logColumns())
            expectSorted(cn, QLatin1String(table), column);
}
