#include "TestDatabase.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace corvantis::test {

QString builtDatabasePath()
{
#ifdef CORVANTIS_DATABASE_FILE
    return QStringLiteral(CORVANTIS_DATABASE_FILE);
#else
    return QString();
#endif
}

QString copyFreshDatabase(const QString &folder)
{
    QDir().mkpath(folder);
    const QString target = QDir(folder).filePath(QLatin1String(ado::kDatabaseFileName));
    QFile::remove(target);
    QFile::remove(target + QStringLiteral("-wal"));
    QFile::remove(target + QStringLiteral("-shm"));
    const QString source = builtDatabasePath();
    EXPECT_TRUE(QFile::exists(source)) << "the build made no database at " << source.toStdString();
    EXPECT_TRUE(QFile::copy(source, target)) << "cannot copy the database to " << target.toStdString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return target;
}

FreshDatabase::FreshDatabase(const QString &inFolder)
    : m_folder(inFolder.isEmpty() ? tempDir() : inFolder), m_connection(std::make_shared<ado::Connection>())
{
    copyFreshDatabase(folder());
    m_connection->Open(connectionString());
}

FreshDatabase::~FreshDatabase()
{
    if (m_connection && m_connection->State() == ado::adStateOpen)
        m_connection->Close();
}

FreshDatabase::FreshDatabase(FreshDatabase &&) noexcept = default;
FreshDatabase &FreshDatabase::operator=(FreshDatabase &&) noexcept = default;

QString FreshDatabase::folder() const
{
    return m_folder;
}

QString FreshDatabase::path() const
{
    return QDir(folder()).filePath(QLatin1String(ado::kDatabaseFileName));
}

QString FreshDatabase::connectionString() const
{
    return ado::applicationConnectionString(folder());
}

FreshDatabase freshDatabase()
{
    return FreshDatabase();
}

} // namespace corvantis::test
