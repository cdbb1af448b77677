#pragma once
// A fresh copy of the built application database for each test that needs
// one: tests never touch the file beside the program.

#include "ado/Connection.h"

#include <QString>
#include <memory>

namespace corvantis::test {

// The pristine database file the build made (build/db/Corvantis.mdb); the
// program's own copy beside the executable may hold a user's rows.
QString builtDatabasePath();

// Copies the built database into `folder` (made when missing) as
// Corvantis.mdb and returns the copy's path; fails the test when it cannot.
QString copyFreshDatabase(const QString &folder);

// A copy opened on an ado::Connection with the program's connection string.
// By default the copy lies in the running test's temporary folder (tempDir()),
// which then is the database folder; give a folder to keep several copies.
class FreshDatabase {
public:
    explicit FreshDatabase(const QString &folder = {});
    ~FreshDatabase();
    FreshDatabase(FreshDatabase &&) noexcept;
    FreshDatabase &operator=(FreshDatabase &&) noexcept;

    ado::Connection &connection() const { return *m_connection; }
    const ado::ConnectionPtr &connectionPtr() const { return m_connection; }
    QString folder() const;                 // the database folder (setting Folders/Database)
    QString path() const;                   // folder()/Corvantis.mdb
    QString connectionString() const;       // the program's string for folder()

private:
    QString m_folder;
    ado::ConnectionPtr m_connection;
};

FreshDatabase freshDatabase();

} // namespace corvantis::test
