#include "LoaderTestSupport.h"

#include "core/modGlobal.h"

#include "ado/Recordset.h"
#include "vb/Conversions.h"
#include "vb/TextFile.h"

#include <QDir>
#include <QFile>
#include <QVariant>

#include <gtest/gtest.h>

namespace loadertest {

QString fixture(const QString &name)
{
    return QStringLiteral(CORVANTIS_FIXTURES) + QStringLiteral("/loader/") + name;
}

QString readFixture(const QString &name)
{
    QFile file(fixture(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return vb::fromWindows1252(file.readAll());
}

DatabaseScope::DatabaseScope()
    : m_db(std::make_unique<corvantis::test::FreshDatabase>())
{
    modGlobal::cnDatabase = m_db->connectionPtr();
    modGlobal::strCurrentUser = QStringLiteral("Tester");
}

DatabaseScope::~DatabaseScope()
{
    modGlobal::cnDatabase.reset();
}

namespace {

QString shown(const vb::Variant &value)
{
    if (value.isNull())
        return QStringLiteral("<Null>");
    QString text = vb::CStr(value);
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return text;
}

QStringList numbered(const QString &prefix, int count)
{
    QStringList columns;
    for (int k = 1; k <= count; ++k)
        columns << prefix + QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0'));
    return columns;
}

} // namespace

QString dumpTable(const QString &table, const QStringList &columns, const QString &where)
{
    QString text = QStringLiteral("[") + table + QStringLiteral("]\n");
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM ") + table + where, modGlobal::cnDatabase, ado::adOpenKeyset,
            ado::adLockReadOnly);
    while (!rs.Eof()) {
        QStringList cells;
        for (const QString &column : columns)
            cells << column + QLatin1Char('=') + shown(rs(column).Value());
        text += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
        rs.MoveNext();
    }
    rs.Close();
    return text;
}

QString dumpTables()
{
    const QStringList mailbox = {"Partner", "Transaction", "Version", "Date", "Time", "Used",
                                 "InterchangeControlNumber", "GroupControlNumber", "FunctionalGroup", "SenderID",
                                 "SenderDivision", "ReceiverID", "ReceiverDivision", "Direction", "Acknowledged",
                                 "Status", "TSet"};
    QString text;
    text += dumpTable("Partner", QStringList{"Partner", "Segment", "element", "sub", "ISAVersion"}
                                     + numbered("ISA", 8)
                                     + QStringList{"ISA11", "ISA12", "ISA13", "ISA14", "ISA15", "GS02", "GS03",
                                                   "GS06", "GS07"});
    text += dumpTable("Transactions", {"Partner", "Transaction", "Description", "Group", "Version",
                                       "Versionoverride", "Direction", "ControlNumber", "Acknowledge"});
    text += dumpTable("Segment", {"Partner", "Version", "Transaction", "Direction", "Segment", "SegmentIndex", "Node"});
    text += dumpTable("Element", {"Partner", "Version", "Transaction", "Direction", "Segment", "SegmentIndex",
                                  "ElementIndex"});
    for (const char *box : {"Inbox", "Outbox", "Sent"})
        text += dumpTable(QLatin1String(box), mailbox);
    text += dumpTable("ISA", QStringList{"Partner"} + numbered("ISA", 16) + QStringList{"Direction"});
    text += dumpTable("GS", QStringList{"Partner", "GCN"} + numbered("GS", 8) + QStringList{"Direction"});
    text += dumpTable("GE", {"Partner", "GE01", "GE02"});
    text += dumpTable("IEA", {"Partner", "IEA01", "IEA02"});
    text += dumpTable("History", {"Type", "Date", "Time", "User", "Description"});
    return text;
}

void expectGolden(const QString &name, const QString &stored)
{
    // History names the loaded files: the fixture folder is the checkout's.
    QString actual = stored;
    actual.replace(QStringLiteral(CORVANTIS_FIXTURES), QStringLiteral("<fixtures>"));
    const QString path = fixture(name);
    if (qEnvironmentVariable("CORVANTIS_UPDATE_GOLDEN") == QLatin1String("1")) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        file.write(vb::toWindows1252(actual));
        return;
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "missing golden file " << path.toStdString();
    // The dumps are 8-bit text in the system's code page, as the files it writes.
    EXPECT_EQ(actual, vb::fromWindows1252(file.readAll())) << "golden file " << name.toStdString();
}

void addRow(const QString &table, const QList<std::pair<QString, QVariant>> &values)
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM ") + table, modGlobal::cnDatabase, ado::adOpenKeyset,
            ado::adLockOptimistic);
    rs.AddNew();
    for (const auto &[column, value] : values) {
        switch (value.typeId()) {
        case QMetaType::Int:
            rs(column) = vb::Variant(static_cast<int32_t>(value.toInt()));
            break;
        case QMetaType::Bool:
            rs(column) = vb::Variant(value.toBool());
            break;
        default:
            rs(column) = vb::Variant(value.toString());
        }
    }
    rs.Update();
    rs.Close();
}

void addAcmePartner(int segment, int element, int sub)
{
    addRow("Partner", {{"Partner", "ACME"},
                       {"Segment", segment},
                       {"element", element},
                       {"sub", sub},
                       {"ISA01", "00"},
                       {"ISA02", "          "},
                       {"ISA03", "00"},
                       {"ISA04", "          "},
                       {"ISA05", "ZZ"},
                       {"ISA06", "CORVANTIS      "},
                       {"ISA07", "ZZ"},
                       {"ISA08", "ACMEPARTS      "},
                       {"ISA11", "U"},
                       {"ISA12", "00401"},
                       {"ISA13", 41},
                       {"ISA14", "0"},
                       {"ISA15", "P"},
                       {"GS02", "CORVAPP"},
                       {"GS03", "ACMEAPP"},
                       {"GS06", 70},
                       {"GS07", "X"}});
}

} // namespace loadertest
