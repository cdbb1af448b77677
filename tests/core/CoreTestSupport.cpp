#include "CoreTestSupport.h"

#include "TestEnvironment.h"

#include "ado/Connection.h"

#include <QFile>

namespace coretest {

using namespace modGlobal;

void CoreTest::SetUp()
{
    database.emplace();
    cnDatabase = database->connectionPtr();
    strCurrentUser = QStringLiteral("tester");

    MainWindowLink &link = mainWindowLink();
    link = MainWindowLink{};
    link.setStatusText = [this](const QString &text) { statusText = text; };
    link.historyStored = [this](const HistoryEntry &entry) { shown.push_back(entry); };
    link.RefreshBox = [this](const QString &table) { refreshed << table; };
}

void CoreTest::TearDown()
{
    mainWindowLink() = MainWindowLink{};
    cnDatabase.reset();
    database.reset();
    strCurrentUser.clear();
}

void CoreTest::addRow(const QString &table, const Row &values)
{
    ado::Recordset rs;
    rs.Open(table, cnDatabase, ado::adOpenKeyset, ado::adLockOptimistic);
    rs.AddNew();
    for (const auto &[name, value] : values)
        rs.Fields(name) = value;
    rs.Update();
    rs.Close();
}

std::vector<std::map<QString, QString>> CoreTest::rows(const QString &statement)
{
    std::vector<std::map<QString, QString>> result;
    ado::Recordset rs;
    rs.Open(statement, cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
    while (!rs.Eof()) {
        std::map<QString, QString> row;
        for (const auto &field : rs.Fields()) {
            const vb::Variant v = field.Value();
            row[field.Name()] = v.isNull() ? QStringLiteral("<Null>") : v.toString();
        }
        result.push_back(row);
        rs.MoveNext();
    }
    rs.Close();
    return result;
}

QStringList CoreTest::column(const QString &statement, const QString &name)
{
    QStringList values;
    for (const auto &row : rows(statement))
        values << row.at(name);
    return values;
}

long CoreTest::count(const QString &table)
{
    return static_cast<long>(rows(QStringLiteral("SELECT * FROM ") + table).size());
}

void CoreTest::addPartner(const QString &key, int segment, int element, int sub)
{
    addRow(QStringLiteral("Partner"),
           {{"Partner", key},
            {"Segment", vb::Variant::fromLong(segment)},
            {"element", vb::Variant::fromLong(element)},
            {"sub", vb::Variant::fromLong(sub)},
            {"ISAVersion", "004010"},
            {"ISA01", "00"},
            {"ISA02", "          "},
            {"ISA03", "00"},
            {"ISA04", "          "},
            {"ISA05", "ZZ"},
            {"ISA06", "OURID          "},
            {"ISA07", "01"},
            {"ISA08", "THEIRID        "},
            {"ISA11", "U"},
            {"ISA12", "00401"},
            {"ISA13", vb::Variant::fromLong(41)},
            {"ISA14", "0"},
            {"ISA15", "T"},
            {"GS02", "OURAPP"},
            {"GS03", "THEIRAPP"},
            {"GS06", vb::Variant::fromLong(7)},
            {"GS07", "X"}});
}

size_t boxCount()
{
    return corvantis::test::dialogs().boxes().size();
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace coretest
