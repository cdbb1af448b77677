#pragma once
// The SQLite ODBC driver the integration tests query through.

#include <QSettings>
#include <QString>

namespace integrationtest {

// The SQLite3 driver's library as the machine's driver list names it.
inline QString sqliteDriverLibrary()
{
    QSettings system(QStringLiteral("/etc/odbcinst.ini"), QSettings::IniFormat);
    const QString driver = system.value(QStringLiteral("SQLite3/Driver")).toString();
    return driver.isEmpty() ? QStringLiteral("libsqlite3odbc.so") : driver;
}

} // namespace integrationtest
