#include "communications/ExchangeScheduler.h"

#include "communications/ExchangeLog.h"
#include "communications/SendFile.h"
#include "communications/clsExchange.h"

#include "core/modGlobal.h"
#include "crypto/CertificateStore.h"
#include "crypto/Signing.h"
#include "vb/Dialogs.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"

using namespace Qt::StringLiterals;

namespace communications {

std::vector<ExchangeStart> ExchangeScheduler::tick(const QDateTime &now, const std::vector<NetworkSchedule> &networks,
                                                   bool busy)
{
    m_counters.advance();
    const QDateTime previous = m_previous;
    m_previous = now;
    std::vector<ExchangeStart> due;
    if (busy)
        return due;
    for (int i = 0; i < int(networks.size()); ++i) {
        const NetworkSchedule &n = networks[std::size_t(i)];
        ExchangeStart start{i, n.sendReceive || n.sendOnly, n.sendReceive || n.receiveOnly, {}};
        bool isDue = false;
        if (n.atTime && n.time.isValid()) {
            const auto last = m_lastDaily.find(n.name);
            const QDateTime scheduled = core::DailyStart::due(
                previous, now, n.time, last == m_lastDaily.end() ? core::DailyStart::Last{} : last->second);
            if (scheduled.isValid()) {
                m_lastDaily[n.name] = {scheduled, now};
                isDue = true;
            }
        }
        if (!isDue && n.everyInterval && m_counters.isDue(n.intervalChoice)) {
            isDue = true;
            start.history = u"Exchange Scheduled "_s + QString::number(core::IntervalCounters::minutes(n.intervalChoice))
                + u" Minute Task Started: "_s + n.name;
        }
        if (isDue)
            due.push_back(start);
    }
    return due;
}

QString SendAS2(const QString &storeLocation, const QString &storeName, int certificatePosition,
                clsExchange &exchange)
{
    const int location = crypto::storeLocationFromText(storeLocation);
    if (storeName.isEmpty() || location == 0)
        return {};
    try {
        const crypto::CertificateStore store = crypto::CertificateStore::open(location, storeName);
        if (certificatePosition < 1 || certificatePosition > store.count())
            vb::raise(5, u"Invalid procedure call or argument: no certificate is selected"_s);
        const crypto::Certificate &certificate = store.item(certificatePosition);
        // Refused before a send file is written for it.
        crypto::requireValidNow(certificate);
        const QString text = GetOutboundEDI(exchange);
        if (text.isEmpty())
            vb::raise(53, u"File not found: the send file could not be written"_s);
        return crypto::signDetached(certificate, vb::toWindows1252(text));
    } catch (const vb::VbError &error) {
        const QString message = error.number > 0 ? u"Visual Basic error found:"_s + error.description
                                                  : u"CAPICOM error found : "_s + QString::number(error.number);
        // The entry says what went wrong as well (no key, expired, no store).
        LogExchange(u"Error"_s, u"SendAS2: "_s + (error.number > 0 ? error.description : message + u": "_s + error.description));
        vb::MsgBox(message, vb::vbOKOnly, modGlobal::AppTitle());
    } catch (const std::exception &error) {
        const QString message = u"Visual Basic error found:"_s + QString::fromUtf8(error.what());
        LogExchange(u"Error"_s, u"SendAS2: "_s + QString::fromUtf8(error.what()));
        vb::MsgBox(message, vb::vbOKOnly, modGlobal::AppTitle());
    }
    return {};
}

} // namespace communications
