#include "FailingWrites.h"

#include "SqliteFileLayer.h"

namespace corvantis::test {

void FailingWrites::install()
{
    SqliteFileLayer::install();
}

FailingWrites::FailingWrites(const QString &path, int fromOpening)
{
    SqliteFileLayer::failWrites(path, fromOpening);
}

FailingWrites::~FailingWrites()
{
    SqliteFileLayer::writesWork();
}

int FailingWrites::openings(const QString &path)
{
    return SqliteFileLayer::openings(path);
}

int FailingWrites::failed()
{
    return SqliteFileLayer::failedWrites();
}

} // namespace corvantis::test
