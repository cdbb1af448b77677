#pragma once
// The integration window's one outside connection, shared by all jobs, and a
// job's query through it: the statement with the job's dates, the result read
// whole, both import files replaced together and the outcome recorded.

#include "integration/ImportFiles.h"
#include "integration/JobStore.h"

#include <memory>

namespace odbc {
class Connection;
}

namespace integration {

class DataSourceSession {
public:
    DataSourceSession();
    ~DataSourceSession();

    // Opens the job's data source in place of any open one and records
    // "Logon ODBC - ..."; raises the driver's error (nothing stays open then).
    void connect(const JobRow &job, bool machineHasDataSources);
    // Records "Disconnected from data source - " and the connection's name, and closes it.
    void disconnect();
    bool isConnected() const;
    // Closes any connection without a word (closing the window).
    void reset();

    // Runs the job's statement with the given dates. A rowset replaces the
    // job's import files and is returned for the grid; a statement without
    // one records "No rowset returned" and leaves the files. Raises on failure
    // (the previous files are then intact).
    QueryResult execute(const JobRow &job, const JobDates &dates);

private:
    std::unique_ptr<odbc::Connection> m_connection;
    QString m_name;
};

// Whether the machine lists any ODBC data source.
bool MachineHasDataSources();

} // namespace integration
