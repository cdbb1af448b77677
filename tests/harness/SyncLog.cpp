#include "SyncLog.h"

#include "SqliteFileLayer.h"

#include <gtest/gtest.h>

namespace corvantis::test {

SyncLog::SyncLog(std::function<void(const QString &)> onSync)
{
    recording_ = SqliteFileLayer::recordSyncs(std::move(onSync));
    if (!recording_)
        ADD_FAILURE() << "one SyncLog at a time";
}

SyncLog::~SyncLog()
{
    if (recording_)
        SqliteFileLayer::stopRecordingSyncs();
}

QStringList SyncLog::synced() const
{
    return SqliteFileLayer::synced();
}

int SyncLog::logSyncs() const
{
    int n = 0;
    for (const QString &path : synced())
        n += path.endsWith(QLatin1String("-wal")) ? 1 : 0;
    return n;
}

} // namespace corvantis::test
