#pragma once
// What a trial run of the map designer came to, told in the designer itself:
// the History entries the run left are read back by their rows, so the
// designer shows the same texts the History log keeps.

#include "ado/Connection.h"

#include <QString>
#include <QStringList>

namespace mapeditor {

// The last History row now; 0 when the log is empty.
qint64 lastHistoryRow(ado::Connection &cn);
// The descriptions of the History rows after `row`, oldest first.
QStringList historySince(ado::Connection &cn, qint64 row);

// The designer's status line after a run: the written interchange file
// when there is one, else the run's History texts (`failed` when it left
// none); `detail` is its long form, the file's path or one text a line.
struct RunOutcome {
    QString text, detail;
};
RunOutcome runOutcome(const QString &writtenFile, const QStringList &history, const QString &failed);

} // namespace mapeditor
