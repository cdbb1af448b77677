#include "integration/JobQuery.h"

#include "core/Logging.h"
#include "core/modGlobal.h"
#include "odbc/Odbc.h"
#include "vb/VbError.h"

using namespace Qt::StringLiterals;

namespace integration {

DataSourceSession::DataSourceSession() = default;
DataSourceSession::~DataSourceSession() = default;

void DataSourceSession::connect(const JobRow &job, bool machineHasDataSources)
{
    m_connection.reset();
    m_name.clear();
    auto connection = std::make_unique<odbc::Connection>();
    connection->open(ConnectionText(job, machineHasDataSources));
    m_connection = std::move(connection);
    m_name = ConnectionName(job, machineHasDataSources);
    modGlobal::LogHistory(u"Info"_s, u"Logon ODBC - "_s + m_name + u" "_s + u" server succeeded."_s);
}

void DataSourceSession::disconnect()
{
    if (!m_connection)
        vb::raise(3704, u"Operation is not allowed when the object is closed."_s);
    modGlobal::LogHistory(u"Info"_s, u"Disconnected from data source - "_s + m_name);
    std::unique_ptr<odbc::Connection> closing = std::move(m_connection);
    m_name.clear();
    closing->close();
}

void DataSourceSession::reset()
{
    try {
        m_connection.reset();
    } catch (...) {
        core::recordCaught(lcIntegration(), "data source session: closing the connection failed");
    }
    m_name.clear();
}

bool DataSourceSession::isConnected() const
{
    return m_connection && m_connection->isOpen();
}

QueryResult DataSourceSession::execute(const JobRow &job, const JobDates &dates)
{
    if (!isConnected())
        vb::raise(3704, u"Operation is not allowed when the object is closed."_s);
    const QString statement = WithDateParameters(job.sql, dates.start, dates.end);
    QueryResult result = RunQuery(*m_connection, statement);
    if (result.hasRowset)
        WriteImportFiles(result, ImportFileStem(job.partner, job.transaction, job.version, job.direction));
    LogQueryOutcome(result);
    return result;
}

bool MachineHasDataSources()
{
    return !odbc::dataSourceNames().isEmpty();
}

} // namespace integration
