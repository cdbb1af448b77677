#pragma once
// What the inbound benchmarks share: a fresh copy of the shipped database as
// the program's connection, the generated interchange written to a file,
// and the main window's way of yielding (at most every 10 ms).

#include "GeneratedInterchange.h"

#include "core/loader/WorkProgress.h"
#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "vb/DoEvents.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

struct YieldingProgress : core::WorkProgress {
    void yield() override { vb::DoEventsIfDue(10); }
};

// Opens a fresh database in `folder` as modGlobal::cnDatabase.
inline void openFreshDatabase(const QString &folder)
{
    QDir().mkpath(folder);
    const QString file = folder + QStringLiteral("/Corvantis.mdb");
    QFile::remove(file);
    QFile::copy(QStringLiteral(CORVANTIS_DATABASE_FILE), file);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    modGlobal::cnDatabase = std::make_shared<ado::Connection>();
    modGlobal::cnDatabase->Open(modGlobal::ConnectionString(folder));
}

inline void closeDatabase()
{
    if (modGlobal::cnDatabase)
        modGlobal::cnDatabase->Close();
    modGlobal::cnDatabase.reset();
}

// Writes the generated interchange of `sets` sets into `folder`; its path.
inline QString writeGeneratedFile(const QString &folder, int sets, int groups = 10)
{
    const QString file = folder + QStringLiteral("/generated-%1.IC").arg(sets);
    if (!QFile::exists(file)) {
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        writeGeneratedInterchange(out, sets, groups);
    }
    return file;
}
