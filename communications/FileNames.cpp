#include "communications/FileNames.h"

#include "vb/Clock.h"

#include <QDateTime>
#include <QMutex>

namespace communications {

QString GenerateFileName()
{
    static QMutex mutex;
    static QDateTime last;
    QMutexLocker lock(&mutex);
    QDateTime at = vb::currentDateTime();
    at = at.addMSecs(-at.time().msec());
    if (last.isValid() && at <= last)
        at = last.addSecs(1);
    last = at;
    return at.toString(QStringLiteral("MMddyyHHmmss"));
}

} // namespace communications
