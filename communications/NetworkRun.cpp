#include "communications/NetworkRun.h"

#include "communications/ExchangeLog.h"
#include "communications/FileNames.h"
#include "communications/OutboxState.h"
#include "communications/SendFile.h"

#include "translation/MapScriptHost.h"

#include "com/HostObject.h"
#include "core/BusyScope.h"
#include "core/HandlerGuard.h"
#include "core/SettingsSections.h"
#include "core/loader/InterchangeFile.h"
#include "core/loader/InterchangeLoader.h"
#include "core/modGlobal.h"
#include "inet/InternetTransfer.h"
#include "vb/Settings.h"
#include "vb/VbError.h"
#include "vbscript/ScriptControl.h"
#include "zip/Archive.h"

#include <QLocale>

#include <optional>

using namespace Qt::StringLiterals;

namespace communications {

namespace {

QString errorText(const std::exception &error)
{
    if (const auto *vbError = dynamic_cast<const vb::VbError *>(&error))
        return vbError->description;
    return QString::fromUtf8(error.what());
}

// The upload count when the running send run began (none outside a send run).
std::optional<quint64> g_uploadsAtStart;

// A transfer the script left running is waited for, yielding; the control's
// stall limit ends one that stalls, so the wait always ends.
void settleTransfer(inet::InternetTransfer &control)
{
    if (control.stillExecuting())
        control.waitForResponse();
}

// The failure of the send run's last upload, or empty text when the run made
// none or the last one succeeded.
QString uploadFailure(inet::InternetTransfer &control)
{
    if (!g_uploadsAtStart)
        return {};
    const inet::UploadOutcome upload = control.lastUpload();
    if (upload.serial == *g_uploadsAtStart || upload.succeeded)
        return {};
    return u"The upload failed ("_s + upload.operation + u' ' + upload.target + u": "_s
        + QString::number(upload.responseCode) + u' ' + upload.responseInfo + u"); the Outbox stays unchanged"_s;
}

// The unzip limits, which the settings may raise for partners known to send
// large archives: section "Exchange", "UnzipLimitMB" (megabytes an entry may
// unpack to), "UnzipTotalLimitMB" (megabytes the whole archive may unpack
// to), "UnzipEntryLimit" (entries of one archive), "UnzipRatioLimit"
// (unpacked to packed, for each entry and the whole archive) and
// "UnzipFreeSpaceMB" (megabytes the disk must keep free). A value that is no
// positive number keeps the default.
void applyUnzipLimits(zipfile::Unzipper &unzipper)
{
    const auto setting = [](const QString &key) -> std::optional<double> {
        bool ok = false;
        const double value = vb::GetSetting(u"Corvantis"_s, u"Exchange"_s, key).trimmed().toDouble(&ok);
        if (!ok || !(value > 0))
            return std::nullopt;
        return std::min(value, 1e12);
    };
    if (const auto megabytes = setting(u"UnzipLimitMB"_s))
        unzipper.maxEntrySize = qint64(*megabytes * 1024 * 1024);
    if (const auto megabytes = setting(u"UnzipTotalLimitMB"_s))
        unzipper.maxTotalSize = qint64(*megabytes * 1024 * 1024);
    if (const auto entries = setting(u"UnzipEntryLimit"_s))
        unzipper.maxEntries = qint64(*entries);
    if (const auto ratio = setting(u"UnzipRatioLimit"_s))
        unzipper.maxRatio = *ratio;
    if (const auto megabytes = setting(u"UnzipFreeSpaceMB"_s))
        unzipper.minFreeSpace = qint64(*megabytes * 1024 * 1024);
}

// A member's own failure: an "Error" entry and the session line; the script goes on.
void memberFailed(const std::exception &error)
{
    const QString text = errorText(error);
    LogExchange(u"Error"_s, text);
    CommunicationsState::instance().appendSession(text);
}

// `Form` as scripts see it: the program's exchange functions.
class FormObject : public com::HostClass<FormObject> {
public:
    static com::DispatchTable<FormObject> describe()
    {
        com::DispatchTable<FormObject> t(u"Form"_s);
        auto &st = CommunicationsState::instance();
        t.method("MoveOutToSent", 0, 0, [&st](FormObject &, com::Args &) {
            // Sets are marked sent only once their upload has ended well.
            settleTransfer(st.inet());
            if (const QString failure = uploadFailure(st.inet()); !failure.isEmpty()) {
                LogExchange(u"Error"_s, failure);
                st.appendSession(failure);
                return vb::Variant(false);
            }
            return vb::Variant(MoveOutToSent(st.exchange()));
        });
        t.method("IsOutboxValidated", 0, 0, [](FormObject &, com::Args &) { return vb::Variant(IsOutboxValidated()); });
        t.method("IsOutboxEmpty", 0, 0, [](FormObject &, com::Args &) { return vb::Variant(IsOutboxEmpty()); });
        t.method("WriteOutBoxToFile", 0, 0, [](FormObject &, com::Args &) { return vb::Variant(WriteOutBoxToFile()); });
        t.method("LogSession", 1, 1, [&st](FormObject &, com::Args &a) {
            QString data = a[0].toString();
            st.LogSession(data);
            a.ref(0) = vb::Variant(data);
            return vb::Variant();
        });
        t.method("LogExchange", 2, 2, [](FormObject &, com::Args &a) {
            LogExchange(a[0].toString(), a[1].toString());
            return vb::Variant();
        });
        t.method("LoadInBox", 1, 1, [&st](FormObject &, com::Args &a) {
            if (st.exchange().LocaleFile.isEmpty()) {
                // Nothing is loaded, but the user learns why the Inbox stayed empty.
                LogExchange(u"Error"_s, u"LoadInBox: LocaleFile is empty, nothing loaded"_s);
                return vb::Variant();
            }
            const QString file = a[0].toString();
            // The load records a refused file in History itself, naming it.
            st.loadBox ? st.loadBox(file) : core::InterchangeLoader().LoadBox(file, u"I"_s);
            return vb::Variant();
        });
        t.method("GenerateFileName", 0, 0, [](FormObject &, com::Args &) { return vb::Variant(GenerateFileName()); });
        t.method("GetOutboundPath", 0, 0,
                 [](FormObject &, com::Args &) { return vb::Variant(core::OutboundFolder() + u'/'); });
        t.method("GetInboundPath", 0, 0,
                 [](FormObject &, com::Args &) { return vb::Variant(sections::folder(u"Inbound"_s) + u'/'); });
        t.method("Zip", 1, 1, [](FormObject &, com::Args &a) {
            try {
                zipfile::Zipper zipper;
                if (zipper.zipFile(a[0].toString()) != 0)
                    vb::raise(75, zipper.lastMessage());
            } catch (const std::exception &error) {
                memberFailed(error);
            }
            return vb::Variant();
        });
        t.method("UnZip", 1, 1, [&st](FormObject &, com::Args &) {
            try {
                zipfile::Unzipper unzipper;
                unzipper.archive = st.exchange().LocaleFile;
                unzipper.destination = sections::folder(u"Inbound"_s);
                unzipper.junkPaths = false;
                unzipper.overwrite = true;
                applyUnzipLimits(unzipper);
                if (unzipper.run() != 0)
                    LogExchange(u"Error"_s, unzipper.lastMessage());
            } catch (const std::exception &error) {
                memberFailed(error);
            }
            return vb::Variant();
        });
        t.method("SaveChunk", 2, 2, [&st](FormObject &, com::Args &a) {
            try {
                QString reason;
                // The file is replaced only by a whole, successful transfer.
                if (!st.inet().saveUrlToFile(a[0].toString(), a[1].toString(), &reason))
                    vb::raise(35753, reason);
            } catch (const std::exception &error) {
                memberFailed(error);
            }
            return vb::Variant();
        });
        t.method("CreateOutboundEDI", 0, 0, [&st](FormObject &, com::Args &) {
            CreateOutboundEDI(st.exchange());
            return vb::Variant();
        });
        t.method("GetOutboundEDI", 0, 0, [&st](FormObject &, com::Args &) {
            return vb::Variant(GetOutboundEDI(st.exchange(), [&st](const QString &text) {
                QString line = text;
                if (line.endsWith(u"\r\n"_s))
                    line.chop(2);
                st.appendSession(line);
            }));
        });
        t.method("WaitForResponse", 0, 0, [&st](FormObject &, com::Args &) {
            st.inet().waitForResponse();
            return vb::Variant();
        });
        t.method("GetHashType", 0, 0, [&st](FormObject &, com::Args &) {
            if (!st.getHashType)
                vb::raise(438, u"Object doesn't support this property or method: 'GetHashType'"_s);
            return vb::Variant(st.getHashType());
        });
        t.method("SendAS2", 1, 1, [&st](FormObject &, com::Args &a) {
            if (!st.sendAS2)
                vb::raise(438, u"Object doesn't support this property or method: 'SendAS2'"_s);
            return st.sendAS2(a[0].toInteger());
        });
        return t;
    }
};

enum class Kind { Send, Receive };

// One property of the control set from the page; a refused value names the
// property, the network and the value.
template <typename Set>
void setProperty(const NetworkPage &page, const QString &property, const QString &shown, Set &&set)
{
    try {
        set();
    } catch (const vb::VbError &error) {
        vb::raise(error.number, error.description + u" (Inet."_s + property + u" of network "_s + page.name
                                    + u" is \""_s + shown + u"\")"_s);
    }
}

// The page's settings on the transfer control; a port outside 1-65535 or a
// time-out that is no number fails the run before the script starts. An
// empty port box means the protocol's default port.
void configureInet(inet::InternetTransfer &control, const NetworkPage &page)
{
    bool ok = false;
    const QString portText = page.remotePort.trimmed();
    const int port = portText.isEmpty() ? 0 : portText.toInt(&ok);
    if (!portText.isEmpty() && (!ok || port < 1 || port > 65535))
        vb::raise(6, u"The port of network "_s + page.name + u" must be a number from 1 to 65535 (it is \""_s
                         + page.remotePort + u"\")"_s);
    QString timeoutText = page.timeout.trimmed();
    if (timeoutText.isEmpty())
        timeoutText = u"60"_s;
    const long timeout = timeoutText.toLong(&ok);
    if (!ok || timeout < 0)
        vb::raise(13, u"The time-out of network "_s + page.name + u" must be a number of seconds (it is \""_s
                          + page.timeout + u"\")"_s);
    setProperty(page, u"Protocol"_s, page.protocolIndex < 0 ? QString() : page.protocol,
                [&] { control.setProtocol(page.protocolIndex); });
    control.setRemotePort(port == 0 ? vb::Variant() : vb::Variant(int32_t(port)));
    control.setRequestTimeout(vb::Variant(int32_t(timeout)));
    setProperty(page, u"AccessType"_s, QString::number(page.accessType), [&] { control.setAccessType(page.accessType); });
    control.setProxy(page.proxy);
    control.setUserName(page.userName);
    control.setPassword(page.password);
}

bool runScript(Kind kind, const NetworkPage &page)
{
    CommunicationsState &st = CommunicationsState::instance();
    const bool send = kind == Kind::Send;
    const QString what = send ? u"Send"_s : u"Receive"_s;
    if (st.busy()) {
        LogExchange(u"Error"_s, what + u" cannot start while another exchange is in progress."_s);
        return false;
    }
    // Exit and other long work are refused while the script yields.
    core::BusyScope scope(u"Exchange"_s, modGlobal::cnDatabase);
    if (!scope.acquired()) {
        LogExchange(u"Error"_s, core::BusyScope::refusalText(what));
        return false;
    }
    LogExchange(u"Info"_s, send ? u"Running send script"_s : u"Running receive script"_s);
    st.setBusy(true);
    struct Idle {
        CommunicationsState &st;
        ~Idle() { st.setBusy(false); }
    } idle{st};
    try {
        st.clearSession();
        clsExchange &exchange = st.exchange();
        exchange.URL = page.url;
        exchange.UserName = page.userName;
        exchange.Password = page.password;
        if (send)
            exchange.RemotePort = page.remotePort;
        else
            exchange.LocaleFile.clear();
        vbs::ScriptControl &sc = st.scScript();
        sc.Reset();
        const bool withInet = page.protocol != u"SFTP"_s;
        if (withInet) {
            configureInet(st.inet(), page);
            sc.AddObject(u"Inet"_s, st.inetPtr(), true);
        }
        sc.AddObject(u"Exchange"_s, st.exchangePtr(), true);
        sc.AddObject(u"Form"_s, std::make_shared<FormObject>(), true);
        sc.AddCode(send ? page.sendScript : page.receiveScript);
        // A script may end while its transfer still runs (no WaitForResponse):
        // the run waits for it, so the upload test below sees how it ended and
        // the control is free for the next run.
        settleTransfer(st.inet());
        if (send) {
            // A failed last upload keeps everything where it is.
            if (const QString failure = uploadFailure(st.inet()); !failure.isEmpty()) {
                LogExchange(u"Error"_s, failure);
                st.appendSession(failure);
                return false;
            }
            MoveOutToSent(exchange);
        }
        LogExchange(u"Info"_s, send ? u"Send script execution complete"_s : u"Receive script execution complete"_s);
        return true;
    } catch (const std::exception &error) {
        // The run ends here: a transfer still running is cancelled (an upload
        // cancelled so counts as failed), so the control is never left busy.
        st.inet().cancel();
        const QString text = errorText(error);
        LogExchange(u"Error"_s, text);
        st.appendSession(text);
        return false;
    }
}

bool run(Kind kind, const NetworkPage &page)
{
    // A run refused because another one runs must not touch that run's send files.
    if (kind == Kind::Receive || CommunicationsState::instance().busy())
        return runScript(kind, page);
    beginSendRun();
    g_uploadsAtStart = CommunicationsState::instance().inet().lastUpload().serial;
    const bool ended = runScript(kind, page);
    g_uploadsAtStart.reset();
    // A send run leaves no send file of its own behind to be sent twice: one
    // written twice over (SendAS2, then GetOutboundEDI) is a copy of what went
    // to Sent; in a run that moved nothing the sets stay in the Outbox.
    const bool moved = sendRunMovedRows();
    for (const QString &removed : discardSendRunFiles())
        LogExchange(u"Info"_s, u"The send file "_s + removed + u" was removed; "_s
                                   + (moved ? u"the sets the run sent are in Sent, any other stays in the Outbox"_s
                                            : u"its sets stay in the Outbox"_s));
    return ended;
}

} // namespace

QString StateText(int state)
{
    static const char *const sentences[] = {
        "No state information is available.",
        "Looking up the IP address for the remote server.",
        "Found the IP address for the remote server.",
        "Connecting to the remote server.",
        "Connected to the remote server.",
        "Requesting information from the remote server.",
        "The request was sent successfully to the remote server.",
        "Receiving a response from the remote server.",
        "The response was received successfully from the remote server.",
        "Disconnecting from the remote server.",
        "Disconnected from the remote server.",
        "An error has occurred while communicating with the remote server.",
        "The request was completed, all data has been received.",
    };
    if (state >= 0 && state <= 12)
        return QString::fromLatin1(sentences[state]);
    return u"Unknown state: "_s + QLocale::system().toString(state);
}

CommunicationsState &CommunicationsState::instance()
{
    static CommunicationsState *state = new CommunicationsState; // lives to the program's end
    return *state;
}

CommunicationsState::CommunicationsState()
    : m_exchange(std::make_shared<clsExchange>()), m_inet(std::make_shared<inet::InternetTransfer>()),
      m_script(std::make_unique<vbs::ScriptControl>())
{
    m_script->setTimeout(60000);
    // Both write the Exchange log: an error there is reported, never thrown into the event loop.
    modGlobal::guardedConnect(m_script.get(), &vbs::ScriptControl::error, m_script.get(),
                              [this] { translation::scScript_Error(m_script->Error()); });
    modGlobal::guardedConnect(m_inet.get(), &inet::InternetTransfer::StateChanged, this, [this](short state) {
        QString sentence = StateText(state);
        if (state == inet::StateError) {
            // Where and why: the host, the port and the transfer's own reason.
            sentence += u" ("_s + m_inet->lastHost() + u" port "_s + QString::number(m_inet->lastPort()) + u": "_s
                + m_inet->responseInfo() + u')';
        }
        appendSession(sentence);
        LogExchange(state == inet::StateError ? u"Error"_s : u"Info"_s, sentence);
    });
}

CommunicationsState::~CommunicationsState() = default;

void CommunicationsState::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

void CommunicationsState::clearSession()
{
    m_session.clear();
    emit sessionChanged(m_session);
}

void CommunicationsState::appendSession(const QString &line)
{
    m_session += line + u"\r\n"_s;
    emit sessionChanged(m_session);
}

void CommunicationsState::LogSession(QString &data)
{
    data.replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
    appendSession(data);
    LogExchange(u"Info"_s, data);
}

bool RunSendScript(const NetworkPage &page)
{
    return run(Kind::Send, page);
}

bool RunReceiveScript(const NetworkPage &page)
{
    return run(Kind::Receive, page);
}

} // namespace communications
