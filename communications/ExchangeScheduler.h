#pragma once
// The communications scheduler's tick, once a minute. The tick only advances
// the six shared interval counters and decides which networks are due; the
// window starts their runs from a queued call after the tick returns, in list
// order (a run that yields inside the timer's slot would lose later ticks).
// A tick while a run runs advances the counters and starts nothing. A start
// at a time of day happens once per network and set moment, also after a
// late tick; a later time set the same day starts again.

#include "core/ScheduleCounters.h"

#include <QDateTime>
#include <QString>

#include <map>
#include <vector>

namespace communications {

struct NetworkSchedule {
    QString name;
    bool atTime = false;          // chkTime
    QTime time;
    bool everyInterval = false;   // chkInterval
    int intervalChoice = -1;      // 0..5; -1 no selection
    bool sendReceive = false, receiveOnly = false, sendOnly = false;
};

struct ExchangeStart {
    int page = -1;
    bool send = false;
    bool receive = false;         // with send: send first, then receive
    QString history;              // the "Info" entry of an interval start; empty for a start by time
    bool operator==(const ExchangeStart &) const = default;
};

class ExchangeScheduler {
public:
    std::vector<ExchangeStart> tick(const QDateTime &now, const std::vector<NetworkSchedule> &networks, bool busy);
    const core::IntervalCounters &counters() const { return m_counters; }

private:
    core::IntervalCounters m_counters;
    QDateTime m_previous;
    std::map<QString, core::DailyStart::Last> m_lastDaily;
};

// Signs the send file of the Outbox with the certificate at 1-based
// `certificatePosition` of the store (location text as the page lists it,
// store name): writes the send file (Exchange.LocaleFile names it) and returns
// the detached signature in Base64. A failure shows the box ("Visual Basic
// error found:" ... or "CAPICOM error found : " ...), is written as an
// "Error" entry, and returns empty text. An empty store name or an unknown
// location does nothing.
class clsExchange;
QString SendAS2(const QString &storeLocation, const QString &storeName, int certificatePosition,
                clsExchange &exchange);

} // namespace communications
