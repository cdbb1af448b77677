#include "inet/InternetTransfer.h"

#include "crypto/CertificateStore.h"
#include "inet/ResponseBuffer.h"
#include "vb/TextFile.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <deque>
#include <mutex>
#include <unordered_map>

namespace inet {

namespace {

constexpr long kBufferSize = 256 * 1024;

QString errorText(int code)
{
    switch (code) {
    case ErrCannotConnect: return QStringLiteral("Unable to connect to the remote host");
    case ErrMalformedUrl: return QStringLiteral("URL is malformed");
    case ErrWrongProtocol: return QStringLiteral("Protocol not supported for this method");
    case ErrUnknownOperation: return QStringLiteral("Invalid operation argument");
    case ErrNoRemoteHost: return QStringLiteral("No remote computer has been specified");
    case ErrRequestFailed: return QStringLiteral("The request failed");
    case ErrNotTrusted: return QStringLiteral("The remote server's certificate is not trusted");
    case ErrLocalFile: return QStringLiteral("The local file cannot be read or written");
    case ErrTimedOut: return QStringLiteral("Request timed out");
    case ErrStillExecuting: return QStringLiteral("Still executing last request");
    case ErrCancelled: return QStringLiteral("The request was cancelled");
    default: return vb::errorText(code);
    }
}

[[noreturn]] void fail(int code, const QString &detail = {})
{
    vb::raise(code, detail.isEmpty() ? errorText(code) : errorText(code) + QStringLiteral(": ") + detail,
              QStringLiteral("Inet"));
}

int defaultPort(int protocol)
{
    switch (protocol) {
    case ProtocolFtp: return 21;
    case ProtocolHttps: return 443;
    default: return 80;
    }
}

QString schemeOf(int protocol)
{
    switch (protocol) {
    case ProtocolFtp: return QStringLiteral("ftp");
    case ProtocolHttps: return QStringLiteral("https");
    default: return QStringLiteral("http");
    }
}

// Operation words split at blanks; a name with blanks is written in double
// quotes ("my file.edi"), a quote inside one doubled.
QStringList splitArguments(const QString &text)
{
    QStringList out;
    QString cur;
    bool inQuotes = false, have = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    cur += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                cur += c;
            }
        } else if (c == QLatin1Char('"')) {
            inQuotes = true;
            have = true;
        } else if (c.isSpace()) {
            if (have || !cur.isEmpty())
                out.append(cur);
            cur.clear();
            have = false;
        } else {
            cur += c;
        }
    }
    if (have || !cur.isEmpty())
        out.append(cur);
    return out;
}

// The bytes of a Data argument: text as Latin-1 (one byte per character, as
// the system's files are), or a byte array.
QByteArray bytesOf(const vb::Variant &v)
{
    if (v.isMissing() || v.isEmpty() || v.isNull())
        return {};
    if (v.isArray()) {
        const auto &arr = v.rawArray();
        QByteArray out;
        if (!arr)
            return out;
        out.reserve(qsizetype(arr->data.size()));
        for (const vb::Variant &b : arr->data)
            out.append(char(b.toByte()));
        return out;
    }
    return vb::toWindows1252(v.toString());
}

vb::Variant byteArrayVariant(const QByteArray &bytes)
{
    auto arr = std::make_shared<vb::SafeArray>();
    arr->bounds.push_back({0, int32_t(bytes.size())});
    arr->data.reserve(size_t(bytes.size()));
    for (char c : bytes)
        arr->data.emplace_back(uint8_t(c));
    return vb::Variant(arr);
}

// The directory of a 257 reply: `257 "/a ""b""" is current directory`.
QByteArray pwdFromReply(const QByteArray &line)
{
    const qsizetype start = line.indexOf('"');
    if (start < 0)
        return {};
    QByteArray dir;
    for (qsizetype i = start + 1; i < line.size(); ++i) {
        if (line.at(i) == '"') {
            if (i + 1 < line.size() && line.at(i + 1) == '"') {
                dir += '"';
                ++i;
                continue;
            }
            return dir;
        }
        dir += line.at(i);
    }
    return {};
}

QByteArray encodedPath(const QString &path)
{
    // An absolute name keeps its leading "/" through an encoded first slash;
    // relative names are resolved by the server against the directory the
    // control stands in.
    QByteArray out;
    QString rest = path;
    if (rest.startsWith(QLatin1Char('/'))) {
        out = "%2F";
        rest = rest.mid(1);
    }
    const QStringList parts = rest.split(QLatin1Char('/'));
    for (int i = 0; i < parts.size(); ++i) {
        if (i)
            out += '/';
        out += QUrl::toPercentEncoding(parts.at(i));
    }
    return out;
}

} // namespace

namespace {
struct Target;
} // namespace

struct InternetTransfer::Engine {
    explicit Engine(InternetTransfer *owner);
    ~Engine();

    InternetTransfer *q;
    CURLM *multi = nullptr;
    CURL *easy = nullptr;
    QTimer timer;
    // Stalls are judged here, by the time since the last byte in either
    // direction; libcurl's own low-speed check averages over seconds and
    // would let a stall run several times the limit.
    QTimer watchdog;
    QElapsedTimer activityClock;
    qint64 lastActivity = 0;
    qint64 stallLimitMs = 60000;
    struct Watch {
        QSocketNotifier *read = nullptr;
        QSocketNotifier *write = nullptr;
    };
    std::unordered_map<curl_socket_t, Watch> watches;
    std::deque<int16_t> pending;
    bool delivering = false;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    // The operation running or last run.
    enum class Sink { Buffer, File };
    QString operation;          // "GET", "PUT", "DIR" ...
    QString target;             // the URL, without user and password
    bool ftp = false;
    bool upload = false;
    bool quitting = false;      // QUIT/CLOSE: only states 9 and 10
    bool dirChanges = false;    // CD/CDUP: the last PWD reply is the new directory
    bool pwdAsData = false;     // PWD: the directory is the response
    bool sizeAsData = false;    // SIZE: the number of the 213 reply is the response
    bool saveMode = false;      // saveUrlToFile
    unsigned emitted = 0;
    bool requestSent = false;
    bool newConnection = false;
    bool bytesPending = false;
    bool ended = false;
    Sink sink = Sink::Buffer;
    ResponseBuffer response;
    std::unique_ptr<QSaveFile> sinkFile;
    bool sinkFailed = false;
    QString sinkError;          // why the local file could not be written
    std::unique_ptr<QFile> sourceFile;
    QByteArray uploadData;
    qint64 uploadPos = 0;
    QByteArray headerBlock;
    QList<QByteArray> replies;
    QByteArray lastPwd;
    QByteArray sizeReply;
    curl_slist *quotes = nullptr;
    curl_slist *headers = nullptr;
    bool connectionOpen = false;   // a control connection may be alive (FTP)
    QString homeDir;               // the FTP login directory
    QString dirKey;                // server and user the directories belong to

    void queue(int16_t state)
    {
        if (quitting && state != StateDisconnecting && state != StateDisconnected)
            return;
        if (emitted & (1u << state))
            return;
        emitted |= 1u << state;
        pending.push_back(state);
    }
    void deliver();
    void afterCurl();
    void socketEvent(curl_socket_t s, int flags);
    void timeout();
    void checkStall();
    void start();
    void watch(curl_socket_t s, int what);
    void unwatchAll();
    void begin();
    // Set up the operation named by `verb`; false when there is nothing to do.
    bool prepareFtp(const Target &t, const QString &verb, const QStringList &words, const QString &opText);
    void prepareHttp(const Target &t, const QString &verb, const QString &opText, const vb::Variant &data,
                     const vb::Variant &requestHeaders);
    void finish(CURLcode rc);
    void freeLists()
    {
        curl_slist_free_all(quotes);
        quotes = nullptr;
        curl_slist_free_all(headers);
        headers = nullptr;
    }
    QString scrub(QString text) const;

    static int socketCallback(CURL *, curl_socket_t s, int what, void *userp, void *);
    static int timerCallback(CURLM *, long ms, void *userp);
    static size_t writeCallback(char *data, size_t size, size_t n, void *userp);
    static size_t readCallback(char *buffer, size_t size, size_t n, void *userp);
    static int seekCallback(void *userp, curl_off_t offset, int origin);
    static size_t headerCallback(char *data, size_t size, size_t n, void *userp);
    static int debugCallback(CURL *, curl_infotype type, char *, size_t, void *userp);
    static curl_socket_t openSocketCallback(void *userp, curlsocktype, struct curl_sockaddr *address);
    static CURLcode sslContextCallback(CURL *, void *sslContext, void *);
};

InternetTransfer::Engine::Engine(InternetTransfer *owner) : q(owner)
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    multi = curl_multi_init();
    easy = curl_easy_init();
    curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &Engine::socketCallback);
    curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &Engine::timerCallback);
    curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, q, [this] { timeout(); });
    watchdog.setInterval(100);
    QObject::connect(&watchdog, &QTimer::timeout, q, [this] { checkStall(); });
    activityClock.start();
}

// Hands the prepared handle to the multi interface; the transfer proceeds
// from the event loop.
void InternetTransfer::Engine::start()
{
    q->m_running = true;
    lastActivity = activityClock.elapsed();
    watchdog.start();
    curl_multi_add_handle(multi, easy);
}

void InternetTransfer::Engine::checkStall()
{
    if (!q->m_running) {
        watchdog.stop();
        return;
    }
    if (activityClock.elapsed() - lastActivity < stallLimitMs)
        return;
    finish(CURLE_OPERATION_TIMEDOUT);
    QPointer<InternetTransfer> guard(q);
    deliver();
    if (!guard)
        return;
    ended = false;
    emit q->transferEnded();
}

InternetTransfer::Engine::~Engine()
{
    timer.stop();
    watchdog.stop();
    curl_multi_remove_handle(multi, easy);
    unwatchAll();
    curl_easy_cleanup(easy);
    curl_multi_cleanup(multi);
    freeLists();
}

QString InternetTransfer::Engine::scrub(QString text) const
{
    // A server may echo what it was sent; the password never goes further.
    const QString &pw = q->m_password;
    if (pw.size() >= 3) {
        text.replace(pw, QStringLiteral("****"));
        text.replace(QString::fromLatin1(QUrl::toPercentEncoding(pw)), QStringLiteral("****"));
    }
    return text;
}

int InternetTransfer::Engine::socketCallback(CURL *, curl_socket_t s, int what, void *userp, void *)
{
    static_cast<Engine *>(userp)->watch(s, what);
    return 0;
}

void InternetTransfer::Engine::watch(curl_socket_t s, int what)
{
    if (what == CURL_POLL_REMOVE) {
        auto it = watches.find(s);
        if (it != watches.end()) {
            // Possibly inside the notifier's own signal: disable now, delete later.
            for (QSocketNotifier *n : {it->second.read, it->second.write}) {
                if (n) {
                    n->setEnabled(false);
                    n->deleteLater();
                }
            }
            watches.erase(it);
        }
        return;
    }
    Watch &w = watches[s];
    const auto make = [&](QSocketNotifier::Type type, int flag) {
        auto *n = new QSocketNotifier(qintptr(s), type, q);
        QObject::connect(n, &QSocketNotifier::activated, q, [this, s, flag] { socketEvent(s, flag); });
        return n;
    };
    if (!w.read)
        w.read = make(QSocketNotifier::Read, CURL_CSELECT_IN);
    if (!w.write)
        w.write = make(QSocketNotifier::Write, CURL_CSELECT_OUT);
    w.read->setEnabled(what & CURL_POLL_IN);
    w.write->setEnabled(what & CURL_POLL_OUT);
}

void InternetTransfer::Engine::unwatchAll()
{
    for (auto &[s, w] : watches) {
        delete w.read;
        delete w.write;
    }
    watches.clear();
}

int InternetTransfer::Engine::timerCallback(CURLM *, long ms, void *userp)
{
    auto *e = static_cast<Engine *>(userp);
    if (ms < 0)
        e->timer.stop();
    else
        e->timer.start(int(std::min<long>(ms, 24L * 3600 * 1000)));
    return 0;
}

void InternetTransfer::Engine::socketEvent(curl_socket_t s, int flags)
{
    int running = 0;
    curl_multi_socket_action(multi, s, flags, &running);
    afterCurl();
}

void InternetTransfer::Engine::timeout()
{
    int running = 0;
    curl_multi_socket_action(multi, CURL_SOCKET_TIMEOUT, 0, &running);
    afterCurl();
}

// Everything that can run script code (the state event, waiters) happens
// here, after libcurl has returned, never from inside its callbacks.
void InternetTransfer::Engine::afterCurl()
{
    QPointer<InternetTransfer> guard(q);
    int left = 0;
    while (CURLMsg *msg = curl_multi_info_read(multi, &left)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy && q->m_running)
            finish(msg->data.result);
    }
    if (bytesPending) {
        bytesPending = false;
        emit q->bytesArrived();
        if (!guard)
            return;
    }
    deliver();
    if (!guard)
        return;
    if (ended) {
        ended = false;
        emit q->transferEnded();
    }
}

void InternetTransfer::Engine::deliver()
{
    QPointer<InternetTransfer> guard(q);
    while (!pending.empty()) {
        const int16_t state = pending.front();
        pending.pop_front();
        emit q->StateChanged(state);
        if (!guard)
            return;
    }
}

size_t InternetTransfer::Engine::writeCallback(char *data, size_t size, size_t n, void *userp)
{
    auto *e = static_cast<Engine *>(userp);
    const qint64 bytes = qint64(size * n);
    if (e->sink == Sink::File) {
        errno = 0;
        if (!e->sinkFile || e->sinkFile->write(data, bytes) != bytes) {
            const int cause = errno;
            e->sinkFailed = true;
            if (e->sinkFile) {
                // A buffered write may fail before the file records why; the
                // system's own reason is the one the user needs.
                e->sinkError = e->sinkFile->error() != QFileDevice::NoError && cause == 0
                    ? e->sinkFile->errorString()
                    : QString::fromLocal8Bit(std::strerror(cause ? cause : EIO));
            }
            return 0;
        }
        return size_t(bytes);
    }
    if (!e->response.append(data, bytes)) {
        e->sinkFailed = true;
        return 0;
    }
    e->bytesPending = true;
    return size_t(bytes);
}

size_t InternetTransfer::Engine::readCallback(char *buffer, size_t size, size_t n, void *userp)
{
    auto *e = static_cast<Engine *>(userp);
    const qint64 max = qint64(size * n);
    if (e->sourceFile) {
        const qint64 got = e->sourceFile->read(buffer, max);
        return got < 0 ? CURL_READFUNC_ABORT : size_t(got);
    }
    const qint64 got = std::min(max, qint64(e->uploadData.size()) - e->uploadPos);
    memcpy(buffer, e->uploadData.constData() + e->uploadPos, size_t(got));
    e->uploadPos += got;
    return size_t(got);
}

int InternetTransfer::Engine::seekCallback(void *userp, curl_off_t offset, int origin)
{
    auto *e = static_cast<Engine *>(userp);
    if (origin != SEEK_SET)
        return CURL_SEEKFUNC_CANTSEEK;
    if (e->sourceFile)
        return e->sourceFile->seek(offset) ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
    if (offset > e->uploadData.size())
        return CURL_SEEKFUNC_FAIL;
    e->uploadPos = offset;
    return CURL_SEEKFUNC_OK;
}

size_t InternetTransfer::Engine::headerCallback(char *data, size_t size, size_t n, void *userp)
{
    auto *e = static_cast<Engine *>(userp);
    const QByteArray line(data, qsizetype(size * n));
    if (e->ftp) {
        const QByteArray reply = line.trimmed();
        e->replies.append(reply);
        if (reply.startsWith("257 ")) {
            const QByteArray dir = pwdFromReply(reply);
            if (!dir.isEmpty()) {
                e->lastPwd = dir;
                if (e->homeDir.isEmpty())
                    e->homeDir = QString::fromUtf8(dir);
            }
        } else if (reply.startsWith("213 ")) {
            e->sizeReply = reply.mid(4).trimmed();
        }
    } else {
        // A new status line starts a new response (after a redirect, a 100
        // Continue or an authentication round): only the last one counts.
        if (line.startsWith("HTTP/"))
            e->headerBlock.clear();
        e->headerBlock.append(line);
    }
    return size * n;
}

int InternetTransfer::Engine::debugCallback(CURL *, curl_infotype type, char *, size_t, void *userp)
{
    auto *e = static_cast<Engine *>(userp);
    if (type != CURLINFO_TEXT)
        e->lastActivity = e->activityClock.elapsed();
    switch (type) {
    case CURLINFO_HEADER_OUT:
        if (e->newConnection)
            e->queue(StateConnected);
        e->queue(StateRequesting);
        e->requestSent = true;
        break;
    case CURLINFO_HEADER_IN:
        if (e->newConnection)
            e->queue(StateConnected);
        if (e->requestSent) {
            e->queue(StateRequestSent);
            e->queue(StateReceivingResponse);
        }
        break;
    case CURLINFO_DATA_IN:
        if (e->requestSent) {
            e->queue(StateRequestSent);
            e->queue(StateReceivingResponse);
        }
        break;
    default:
        break;
    }
    return 0;
}

curl_socket_t InternetTransfer::Engine::openSocketCallback(void *userp, curlsocktype, struct curl_sockaddr *address)
{
    auto *e = static_cast<Engine *>(userp);
    e->lastActivity = e->activityClock.elapsed();
    // A socket opened before any request of this operation is a new control
    // connection; later ones are FTP data connections and report nothing.
    if (!e->requestSent && !e->newConnection) {
        e->newConnection = true;
        e->queue(StateResolvingHost);
        e->queue(StateHostResolved);
        e->queue(StateConnecting);
    }
    if (e->ftp)
        e->connectionOpen = true;
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

CURLcode InternetTransfer::Engine::sslContextCallback(CURL *, void *sslContext, void *)
{
    // The system's authorities are already loaded; the user's trusted roots join them.
    X509_STORE *store = SSL_CTX_get_cert_store(static_cast<SSL_CTX *>(sslContext));
    for (int location : {int(crypto::StoreLocation::CurrentUser), int(crypto::StoreLocation::LocalMachine)}) {
        const auto roots = crypto::CertificateStore::open(location, QStringLiteral("Root"));
        for (const crypto::Certificate &c : roots.certificates())
            X509_STORE_add_cert(store, c.x509()); // a duplicate is harmless
    }
    return CURLE_OK;
}

// Options every operation shares; the caller adds its own and the URL.
void InternetTransfer::Engine::begin()
{
    curl_easy_reset(easy);
    freeLists();
    // States of the operation before still waiting in `pending` are delivered
    // as they are; only the once-per-operation record starts afresh.
    emitted = 0;
    requestSent = false;
    newConnection = false;
    bytesPending = false;
    ended = false;
    upload = false;
    quitting = false;
    dirChanges = pwdAsData = sizeAsData = saveMode = false;
    sink = Sink::Buffer;
    response.clear();
    sinkFile.reset();
    sinkFailed = false;
    sinkError.clear();
    sourceFile.reset();
    uploadData.clear();
    uploadPos = 0;
    headerBlock.clear();
    replies.clear();
    lastPwd.clear();
    sizeReply.clear();
    errorBuffer[0] = 0;
    q->m_responseCode = 0;
    q->m_responseInfo.clear();

    const long limit = q->m_timeout > 0 ? q->m_timeout : 60;
    stallLimitMs = limit * 1000;
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &Engine::debugCallback);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &Engine::openSocketCallback);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Engine::headerCallback);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Engine::writeCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, &Engine::readCallback);
    curl_easy_setopt(easy, CURLOPT_READDATA, this);
    curl_easy_setopt(easy, CURLOPT_SEEKFUNCTION, &Engine::seekCallback);
    curl_easy_setopt(easy, CURLOPT_SEEKDATA, this);
    // Every transfer ends: the connect, every wait for a reply and any stall
    // are limited; a transfer that keeps moving is never cut.
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, limit);
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, limit);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, limit);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kBufferSize);
    curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, kBufferSize);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp,http,https");
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_CA_CACHE_TIMEOUT, 0L); // the Root store may change between transfers
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &Engine::sslContextCallback);
    switch (q->m_accessType) {
    case AccessDirect:
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
        break;
    case AccessNamedProxy:
        curl_easy_setopt(easy, CURLOPT_PROXY, q->m_proxy.toUtf8().constData());
        break;
    default:
        break; // the environment's proxy settings, as the desktop gives them
    }
    if (!q->m_user.isEmpty()) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, q->m_user.toUtf8().constData());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, q->m_password.toUtf8().constData());
    }
}

void InternetTransfer::Engine::finish(CURLcode rc)
{
    watchdog.stop();
    if (rc == CURLE_OPERATION_TIMEDOUT) // the connection is mid-way: never reuse it
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    curl_multi_remove_handle(multi, easy);
    q->m_running = false;
    ended = true;
    long code = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);

    bool ok = rc == CURLE_OK && !sinkFailed;
    if (ok && ftp) {
        if (dirChanges || q->m_remoteDir.isEmpty()) {
            if (!lastPwd.isEmpty())
                q->m_remoteDir = QString::fromUtf8(lastPwd);
        }
        if (pwdAsData)
            response.append(lastPwd.constData(), lastPwd.size());
        if (sizeAsData)
            response.append(sizeReply.constData(), sizeReply.size());
    }
    if (!ok) {
        int number = ErrRequestFailed;
        QString info;
        const QString detail = QString::fromLocal8Bit(errorBuffer).trimmed();
        if (sinkFailed || rc == CURLE_WRITE_ERROR || rc == CURLE_READ_ERROR || rc == CURLE_ABORTED_BY_CALLBACK) {
            number = ErrLocalFile;
        } else if (ftp && code >= 400 && !replies.isEmpty()) {
            number = int(code);
            info = QString::fromUtf8(replies.last());
        } else if (rc == CURLE_OPERATION_TIMEDOUT) {
            number = ErrTimedOut;
        } else if (rc == CURLE_COULDNT_CONNECT || rc == CURLE_COULDNT_RESOLVE_HOST || rc == CURLE_COULDNT_RESOLVE_PROXY) {
            number = ErrCannotConnect;
        } else if (rc == CURLE_PEER_FAILED_VERIFICATION) {
            number = ErrNotTrusted;
        } else if (rc == CURLE_LOGIN_DENIED && code > 0) {
            number = int(code);
        }
        if (info.isEmpty() && sinkFailed && !sinkError.isEmpty())
            info = errorText(number) + QStringLiteral(": ") + sinkError;
        if (info.isEmpty())
            info = detail.isEmpty() ? errorText(number) : errorText(number) + QStringLiteral(": ") + detail;
        q->m_responseCode = number;
        q->m_responseInfo = scrub(info);
        if (ftp && (rc == CURLE_OPERATION_TIMEDOUT || rc == CURLE_COULDNT_CONNECT))
            connectionOpen = false;
    } else if (!ftp && code >= 400) {
        // The response arrived whole; the status says the server refused.
        q->m_responseCode = int(code);
        const QByteArray status = headerBlock.left(headerBlock.indexOf('\n')).trimmed();
        q->m_responseInfo = scrub(QString::fromLatin1(status));
    }

    const bool succeeded = ok && (ftp || code < 400);
    if (sinkFile) {
        if (succeeded && sinkFile->commit()) {
            // replaced only now
        } else {
            // The cause (no space, file too large) before cancelling overwrites it.
            const QString why = sinkFile->errorString();
            sinkFile->cancelWriting();
            if (succeeded) {
                q->m_responseCode = ErrLocalFile;
                q->m_responseInfo = errorText(ErrLocalFile) + QStringLiteral(": ") + why;
                ok = false;
            }
        }
        sinkFile.reset();
    }
    sourceFile.reset();
    if (upload) {
        UploadOutcome &u = q->m_lastUpload;
        u.serial += 1;
        u.succeeded = ok && (ftp || code < 400);
        u.operation = operation;
        u.target = target;
        u.responseCode = ok && code < 400 ? int(code) : (q->m_responseCode ? q->m_responseCode : int(code));
        u.responseInfo = q->m_responseInfo;
        if (u.responseInfo.isEmpty() && !ftp)
            u.responseInfo = scrub(QString::fromLatin1(headerBlock.left(headerBlock.indexOf('\n')).trimmed()));
        if (u.responseInfo.isEmpty() && ftp && !replies.isEmpty())
            u.responseInfo = scrub(QString::fromUtf8(replies.last()));
    }
    freeLists();
    if (quitting) {
        connectionOpen = false;
        q->m_remoteDir.clear();
        homeDir.clear();
        queue(StateDisconnected);
    } else if (ok) {
        queue(StateResponseReceived);
        queue(StateResponseCompleted);
    } else {
        queue(StateError);
    }
}

InternetTransfer::InternetTransfer() : m_engine(std::make_unique<Engine>(this)) {}

InternetTransfer::~InternetTransfer() = default;

void InternetTransfer::setAccessType(int value)
{
    if (value < AccessDefault || value > AccessNamedProxy)
        vb::raise(380);
    m_accessType = int16_t(value);
}

void InternetTransfer::setProtocol(int value)
{
    if (value < ProtocolUnknown || value > ProtocolHttps)
        vb::raise(380);
    m_protocol = int16_t(value);
}

void InternetTransfer::setRemoteHost(const QString &value)
{
    m_host = value.trimmed();
}

void InternetTransfer::setRemotePort(const vb::Variant &value)
{
    if (value.isEmpty() || value.isMissing() || (value.isString() && value.rawString().trimmed().isEmpty())) {
        m_port = 0;
        return;
    }
    int32_t port = value.toLong();
    // A port above 32767 arrives as a negative 16-bit number.
    if (port < 0 && port >= -32768)
        port += 65536;
    if (port < 0 || port > 65535)
        vb::raise(380, QStringLiteral("Invalid property value: the port must be 1 to 65535"));
    m_port = port;
}

void InternetTransfer::setRequestTimeout(const vb::Variant &value)
{
    if (value.isEmpty() || value.isMissing() || (value.isString() && value.rawString().trimmed().isEmpty())) {
        m_timeout = 0;
        return;
    }
    const int32_t t = value.toLong();
    if (t < 0)
        vb::raise(380);
    m_timeout = t;
}

void InternetTransfer::setUrl(const QString &value)
{
    QString text = value.trimmed();
    if (text.isEmpty())
        fail(ErrMalformedUrl);
    // A bare address ("ftp.partner.com/in") keeps the protocol and port the
    // network's page gave the control; a full URL brings its own.
    const bool bare = !text.contains(QStringLiteral("://"));
    if (bare) {
        const bool known = m_protocol == ProtocolFtp || m_protocol == ProtocolHttp || m_protocol == ProtocolHttps;
        text.prepend(schemeOf(known ? int(m_protocol) : int(ProtocolHttp)) + QStringLiteral("://"));
    }
    const QUrl u(text, QUrl::TolerantMode);
    if (!u.isValid() || u.host().isEmpty())
        fail(ErrMalformedUrl, u.toDisplayString(QUrl::RemoveUserInfo));
    const QString scheme = u.scheme().toLower();
    int16_t protocol;
    if (scheme == QLatin1String("ftp"))
        protocol = ProtocolFtp;
    else if (scheme == QLatin1String("http"))
        protocol = ProtocolHttp;
    else if (scheme == QLatin1String("https"))
        protocol = ProtocolHttps;
    else
        fail(ErrWrongProtocol, scheme);
    m_url = value;
    m_protocol = protocol;
    m_host = u.host();
    if (!bare || u.port() > 0 || m_port == 0)
        m_port = u.port(bare ? 0 : defaultPort(protocol));
    if (!u.userName().isEmpty())
        m_user = u.userName();
    if (!u.password().isEmpty())
        m_password = u.password();
    m_document = u.path(QUrl::FullyEncoded);
    if (u.hasQuery())
        m_document += QLatin1Char('?') + u.query(QUrl::FullyEncoded);
}

void InternetTransfer::setDocument(const QString &value)
{
    m_document = value;
}

namespace {

struct Target {
    int protocol;
    QByteArray base;    // scheme://host:port
    QString display;    // the same for texts
    QString host;
    int port;
};

// The row of a table of verbs or methods that `name` names; null for none.
template <class Row, std::size_t N>
const Row *rowNamed(const Row (&table)[N], const QString &name)
{
    for (const Row &row : table)
        if (name == QLatin1String(row.name))
            return &row;
    return nullptr;
}

} // namespace

static Target targetOf(const InternetTransfer &t)
{
    int protocol = t.protocol();
    if (protocol == ProtocolUnknown || protocol == ProtocolDefault) {
        const QString scheme = QUrl(t.url()).scheme().toLower();
        protocol = scheme == QLatin1String("ftp") ? ProtocolFtp : scheme == QLatin1String("https") ? ProtocolHttps : ProtocolHttp;
    }
    if (protocol == ProtocolReserved)
        fail(ErrWrongProtocol, QStringLiteral("SMTP"));
    if (t.remoteHost().isEmpty())
        fail(ErrNoRemoteHost);
    const int port = t.remotePort() > 0 ? t.remotePort() : defaultPort(protocol);
    QString host = t.remoteHost();
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    const QString base = schemeOf(protocol) + QStringLiteral("://") + host + QLatin1Char(':') + QString::number(port);
    return {protocol, base.toUtf8(), base, t.remoteHost(), port};
}

void InternetTransfer::execute(const vb::Variant &url, const vb::Variant &operation, const vb::Variant &data,
                               const vb::Variant &requestHeaders)
{
    if (m_running)
        fail(ErrStillExecuting);
    if (!url.isMissing() && !url.isEmpty() && !url.toString().trimmed().isEmpty())
        setUrl(url.toString());
    const Target t = targetOf(*this);
    m_lastHost = t.host;
    m_lastPort = t.port;
    const QString opText = operation.isMissing() || operation.isEmpty() ? QString() : operation.toString().trimmed();
    QStringList words = splitArguments(opText);
    const QString verb = words.isEmpty() ? QString() : words.takeFirst().toUpper();
    if (t.protocol == ProtocolFtp) {
        if (!m_engine->prepareFtp(t, verb, words, opText))
            return;
    } else {
        m_engine->prepareHttp(t, verb, opText, data, requestHeaders);
    }
    m_engine->start();
}

bool InternetTransfer::Engine::prepareFtp(const Target &t, const QString &verb, const QStringList &words,
                                          const QString &opText)
{
    // What each verb does: the words it needs, the control commands it sends
    // (text, then the word appended to it or -1), and how its reply is read.
    // A verb with commands transfers nothing; the others list, fetch or store.
    enum class Action { Commands, Quit, List, NameList, Download, Upload };
    enum class Reply { Plain, NewDirectory, DirectoryAsData, SizeAsData };
    struct Command {
        const char *text;
        int word;
    };
    struct Verb {
        const char *name;
        int words;
        Action action;
        std::array<Command, 2> commands;
        Reply reply;
    };
    static constexpr Command none{nullptr, -1};
    static constexpr Verb verbs[] = {
        {"CD", 1, Action::Commands, {{{"CWD ", 0}, {"PWD", -1}}}, Reply::NewDirectory},
        {"CDUP", 0, Action::Commands, {{{"CDUP", -1}, {"PWD", -1}}}, Reply::NewDirectory},
        {"PWD", 0, Action::Commands, {{{"PWD", -1}, none}}, Reply::DirectoryAsData},
        {"DELETE", 1, Action::Commands, {{{"DELE ", 0}, none}}, Reply::Plain},
        {"MKDIR", 1, Action::Commands, {{{"MKD ", 0}, none}}, Reply::Plain},
        {"RMDIR", 1, Action::Commands, {{{"RMD ", 0}, none}}, Reply::Plain},
        {"RENAME", 2, Action::Commands, {{{"RNFR ", 0}, {"RNTO ", 1}}}, Reply::Plain},
        {"SIZE", 1, Action::Commands, {{{"SIZE ", 0}, none}}, Reply::SizeAsData},
        {"QUIT", 0, Action::Quit, {{{"QUIT", -1}, none}}, Reply::Plain},
        {"CLOSE", 0, Action::Quit, {{{"QUIT", -1}, none}}, Reply::Plain},
        {"DIR", 0, Action::List, {{none, none}}, Reply::Plain},
        {"LS", 0, Action::NameList, {{none, none}}, Reply::Plain},
        {"GET", 1, Action::Download, {{none, none}}, Reply::Plain},
        {"RECV", 1, Action::Download, {{none, none}}, Reply::Plain},
        {"PUT", 1, Action::Upload, {{none, none}}, Reply::Plain},
        {"SEND", 1, Action::Upload, {{none, none}}, Reply::Plain},
    };
    const Verb *found = rowNamed(verbs, verb);
    if (!found)
        fail(ErrUnknownOperation, opText);
    const Verb &v = *found;
    const auto need = [&](int n) {
        if (words.size() < n)
            fail(ErrUnknownOperation, opText);
    };
    // Directories belong to one server and user; another one starts afresh.
    const QString key = QString::fromUtf8(t.base) + QLatin1Char('|') + q->m_user;
    if (key != dirKey) {
        dirKey = key;
        q->m_remoteDir.clear();
        homeDir.clear();
    }
    if (v.action == Action::Quit && !connectionOpen)
        return false; // nothing open: nothing to end
    QFileInfo localSource;
    if (v.action == Action::Upload) {
        need(1);
        localSource = QFileInfo(words.at(0));
        if (!localSource.isFile()) {
            UploadOutcome &last = q->m_lastUpload;
            last.serial += 1;
            last.succeeded = false;
            last.operation = verb;
            last.target = t.display + QLatin1Char('/') + (words.size() > 1 ? words.at(1) : localSource.fileName());
            last.responseCode = ErrLocalFile;
            last.responseInfo = errorText(ErrLocalFile) + QStringLiteral(": ") + words.at(0);
            fail(ErrLocalFile, words.at(0));
        }
    }

    begin();
    ftp = true;
    operation = verb;
    curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(easy, CURLOPT_FTP_USE_EPSV, 1L);
    // The server stands where the control says it does before every command.
    if (!q->m_remoteDir.isEmpty())
        quotes = curl_slist_append(quotes, ("CWD " + q->m_remoteDir.toUtf8()).constData());
    need(v.words);
    for (const Command &c : v.commands) {
        if (!c.text)
            continue;
        const QString command = QLatin1String(c.text) + (c.word >= 0 ? words.at(c.word) : QString());
        quotes = curl_slist_append(quotes, command.toUtf8().constData());
    }
    dirChanges = v.reply == Reply::NewDirectory;
    pwdAsData = v.reply == Reply::DirectoryAsData;
    sizeAsData = v.reply == Reply::SizeAsData;
    QByteArray path = "/";
    switch (v.action) {
    case Action::Commands:
        break;
    case Action::Quit:
        quitting = true;
        queue(StateDisconnecting);
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
        break;
    case Action::List:
    case Action::NameList:
        if (v.action == Action::NameList)
            curl_easy_setopt(easy, CURLOPT_DIRLISTONLY, 1L);
        if (!words.isEmpty()) {
            const QString custom = (v.action == Action::NameList ? QStringLiteral("NLST ") : QStringLiteral("LIST "))
                                   + words.join(QLatin1Char(' '));
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, custom.toUtf8().constData());
        }
        break;
    case Action::Download:
        path = "/" + encodedPath(words.at(0));
        if (words.size() > 1) {
            sink = Sink::File;
            sinkFile = std::make_unique<QSaveFile>(words.at(1));
            if (!sinkFile->open(QIODevice::WriteOnly)) {
                const QString why = sinkFile->errorString();
                sinkFile.reset();
                fail(ErrLocalFile, words.at(1) + QStringLiteral(" (") + why + QLatin1Char(')'));
            }
        }
        break;
    case Action::Upload: {
        const QString remote = words.size() > 1 ? words.at(1) : localSource.fileName();
        path = "/" + encodedPath(remote);
        upload = true;
        sourceFile = std::make_unique<QFile>(localSource.absoluteFilePath());
        if (!sourceFile->open(QIODevice::ReadOnly)) {
            sourceFile.reset();
            fail(ErrLocalFile, words.at(0));
        }
        curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(localSource.size()));
        break;
    }
    }
    if (v.action == Action::Commands || v.action == Action::Quit)
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    if (quotes)
        curl_easy_setopt(easy, CURLOPT_QUOTE, quotes);
    const QByteArray full = t.base + path;
    target = QString::fromUtf8(full);
    curl_easy_setopt(easy, CURLOPT_URL, full.constData());
    return true;
}

void InternetTransfer::Engine::prepareHttp(const Target &t, const QString &verb, const QString &opText,
                                           const vb::Variant &data, const vb::Variant &requestHeaders)
{
    // The methods the control knows and what each sets up besides the URL;
    // no verb is a GET.
    struct Method {
        const char *name;
        void (*setUp)(Engine &e);
    };
    static const Method methods[] = {
        {"GET", [](Engine &) {}},
        {"HEAD", [](Engine &e) { curl_easy_setopt(e.easy, CURLOPT_NOBODY, 1L); }},
        {"POST",
         [](Engine &e) {
             e.upload = true;
             curl_easy_setopt(e.easy, CURLOPT_POST, 1L);
             curl_easy_setopt(e.easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(e.uploadData.size()));
             curl_easy_setopt(e.easy, CURLOPT_POSTFIELDS, e.uploadData.constData());
         }},
        {"PUT",
         [](Engine &e) {
             e.upload = true;
             curl_easy_setopt(e.easy, CURLOPT_UPLOAD, 1L);
             curl_easy_setopt(e.easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(e.uploadData.size()));
         }},
    };
    const QString name = verb.isEmpty() ? QStringLiteral("GET") : verb;
    const Method *method = rowNamed(methods, name);
    if (!method)
        fail(ErrUnknownOperation, opText);
    begin();
    ftp = false;
    operation = name;
    uploadData = bytesOf(data);
    const QString doc = q->m_document.isEmpty() ? QStringLiteral("/") : q->m_document;
    const QByteArray full = t.base + (doc.startsWith(QLatin1Char('/')) ? doc.toUtf8() : "/" + doc.toUtf8());
    target = QString::fromUtf8(full);
    curl_easy_setopt(easy, CURLOPT_URL, full.constData());
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    if (!q->m_user.isEmpty())
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
    method->setUp(*this);
    const QString headerText = requestHeaders.isMissing() || requestHeaders.isEmpty() ? QString() : requestHeaders.toString();
    for (const QString &line : headerText.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")), Qt::SkipEmptyParts))
        headers = curl_slist_append(headers, line.toLatin1().constData());
    if (headers)
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
}

bool InternetTransfer::waitForResponse(int deadlineMs)
{
    QDeadlineTimer deadline = deadlineMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(deadlineMs);
    while (m_running) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        connect(this, &InternetTransfer::transferEnded, &loop, &QEventLoop::quit);
        QTimer limit;
        if (!deadline.isForever()) {
            limit.setSingleShot(true);
            connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
            limit.start(int(std::max<qint64>(1, deadline.remainingTime())));
        }
        loop.exec();
    }
    return true;
}

QByteArray InternetTransfer::getChunk(qint64 size)
{
    if (size <= 0)
        return {};
    Engine &e = *m_engine;
    // Wait, on events, until a whole chunk has arrived or the transfer ended,
    // so an empty answer always means the end.
    while (m_running && e.response.unread() < size) {
        QEventLoop loop;
        connect(this, &InternetTransfer::bytesArrived, &loop, &QEventLoop::quit);
        connect(this, &InternetTransfer::transferEnded, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return e.response.read(size);
}

QString InternetTransfer::getHeader(const QString &name) const
{
    const QByteArray &block = m_engine->headerBlock;
    if (name.isEmpty())
        return QString::fromLatin1(block).trimmed();
    const QByteArray wanted = name.toLatin1().toLower();
    for (const QByteArray &raw : block.split('\n')) {
        const QByteArray line = raw.trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == wanted)
            return QString::fromLatin1(line.mid(colon + 1).trimmed());
    }
    return {};
}

void InternetTransfer::cancel()
{
    Engine &e = *m_engine;
    if (!m_running)
        return;
    // Leaving the transfer half way closes its connection; the next operation
    // starts on a fresh one.
    curl_easy_setopt(e.easy, CURLOPT_FORBID_REUSE, 1L);
    curl_multi_remove_handle(e.multi, e.easy);
    e.watchdog.stop();
    m_running = false;
    e.pending.clear();
    e.freeLists();
    if (e.sinkFile) {
        e.sinkFile->cancelWriting();
        e.sinkFile.reset();
    }
    e.sourceFile.reset();
    e.connectionOpen = false;
    m_responseCode = ErrCancelled;
    m_responseInfo = errorText(ErrCancelled);
    if (e.upload) {
        m_lastUpload.serial += 1;
        m_lastUpload.succeeded = false;
        m_lastUpload.operation = e.operation;
        m_lastUpload.target = e.target;
        m_lastUpload.responseCode = ErrCancelled;
        m_lastUpload.responseInfo = m_responseInfo;
    }
    emit transferEnded();
}

QByteArray InternetTransfer::openUrl(const QString &url)
{
    if (m_running)
        fail(ErrStillExecuting);
    setUrl(url);
    const Target t = targetOf(*this);
    m_lastHost = t.host;
    m_lastPort = t.port;
    Engine &e = *m_engine;
    if (t.protocol == ProtocolFtp) {
        const QString key = QString::fromUtf8(t.base) + QLatin1Char('|') + m_user;
        if (key != e.dirKey) {
            e.dirKey = key;
            m_remoteDir.clear();
            e.homeDir.clear();
        }
    }
    e.begin();
    e.ftp = t.protocol == ProtocolFtp;
    e.operation = QStringLiteral("GET");
    QByteArray full = t.base + (m_document.isEmpty() ? QByteArray("/") : m_document.toUtf8());
    if (e.ftp) {
        // A URL's path starts at the login directory, wherever CD left the session.
        curl_easy_setopt(e.easy, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
        if (!e.homeDir.isEmpty()) {
            e.quotes = curl_slist_append(e.quotes, ("CWD " + e.homeDir.toUtf8()).constData());
            curl_easy_setopt(e.easy, CURLOPT_QUOTE, e.quotes);
        }
    } else {
        curl_easy_setopt(e.easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(e.easy, CURLOPT_MAXREDIRS, 10L);
        curl_easy_setopt(e.easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        if (!m_user.isEmpty())
            curl_easy_setopt(e.easy, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
    }
    e.target = QString::fromUtf8(full);
    curl_easy_setopt(e.easy, CURLOPT_URL, full.constData());
    e.start();
    waitForResponse();
    if (m_responseCode != 0 && !(m_responseCode >= 400 && m_responseCode < 600 && !e.ftp))
        vb::raise(m_responseCode, m_responseInfo, QStringLiteral("Inet"));
    return e.response.read(e.response.unread());
}

bool InternetTransfer::saveUrlToFile(const QString &url, const QString &fileName, QString *error)
{
    const auto failWith = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (m_running)
        return failWith(errorText(ErrStillExecuting));
    Engine &e = *m_engine;
    try {
        setUrl(url);
        const Target t = targetOf(*this);
        m_lastHost = t.host;
        m_lastPort = t.port;
        e.begin();
        e.ftp = t.protocol == ProtocolFtp;
        e.operation = QStringLiteral("GET");
        e.saveMode = true;
        QByteArray full = t.base + (m_document.isEmpty() ? QByteArray("/") : m_document.toUtf8());
        if (e.ftp) {
            curl_easy_setopt(e.easy, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
            if (!e.homeDir.isEmpty()) {
                e.quotes = curl_slist_append(e.quotes, ("CWD " + e.homeDir.toUtf8()).constData());
                curl_easy_setopt(e.easy, CURLOPT_QUOTE, e.quotes);
            }
        } else {
            curl_easy_setopt(e.easy, CURLOPT_FOLLOWLOCATION, 1L);
            curl_easy_setopt(e.easy, CURLOPT_MAXREDIRS, 10L);
            curl_easy_setopt(e.easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
            if (!m_user.isEmpty())
                curl_easy_setopt(e.easy, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
        }
        e.sink = Engine::Sink::File;
        e.sinkFile = std::make_unique<QSaveFile>(fileName);
        if (fileName.isEmpty() || !e.sinkFile->open(QIODevice::WriteOnly)) {
            const QString why = e.sinkFile->errorString();
            e.sinkFile.reset();
            return failWith(errorText(ErrLocalFile) + QStringLiteral(": ") + fileName + QStringLiteral(" (") + why + QLatin1Char(')'));
        }
        e.target = QString::fromUtf8(full);
        curl_easy_setopt(e.easy, CURLOPT_URL, full.constData());
    } catch (const vb::VbError &err) {
        return failWith(err.description);
    }
    e.start();
    waitForResponse();
    if (m_responseCode != 0)
        return failWith(m_responseInfo.isEmpty() ? errorText(m_responseCode) : m_responseInfo);
    return true;
}

com::DispatchTable<InternetTransfer> InternetTransfer::describe()
{
    using T = InternetTransfer;
    com::DispatchTable<T> t(QStringLiteral("Inet"));
    t.property(QStringLiteral("AccessType"), [](T &o) { return vb::Variant(o.accessType()); },
               [](T &o, const vb::Variant &v) { o.setAccessType(v.toInteger()); });
    t.property(QStringLiteral("Proxy"), [](T &o) { return vb::Variant(o.proxy()); },
               [](T &o, const vb::Variant &v) { o.setProxy(v.toString()); });
    t.property(QStringLiteral("Protocol"), [](T &o) { return vb::Variant(o.protocol()); },
               [](T &o, const vb::Variant &v) { o.setProtocol(v.toInteger()); });
    t.property(QStringLiteral("RemoteHost"), [](T &o) { return vb::Variant(o.remoteHost()); },
               [](T &o, const vb::Variant &v) { o.setRemoteHost(v.toString()); });
    t.property(QStringLiteral("RemotePort"), [](T &o) { return vb::Variant::fromLong(o.remotePort()); },
               [](T &o, const vb::Variant &v) { o.setRemotePort(v); });
    t.property(QStringLiteral("RequestTimeout"), [](T &o) { return vb::Variant::fromLong(o.requestTimeout()); },
               [](T &o, const vb::Variant &v) { o.setRequestTimeout(v); });
    t.property(QStringLiteral("UserName"), [](T &o) { return vb::Variant(o.userName()); },
               [](T &o, const vb::Variant &v) { o.setUserName(v.toString()); });
    t.property(QStringLiteral("Password"), [](T &o) { return vb::Variant(o.password()); },
               [](T &o, const vb::Variant &v) { o.setPassword(v.toString()); });
    t.property(QStringLiteral("URL"), [](T &o) { return vb::Variant(o.url()); },
               [](T &o, const vb::Variant &v) { o.setUrl(v.toString()); });
    t.property(QStringLiteral("Document"), [](T &o) { return vb::Variant(o.document()); },
               [](T &o, const vb::Variant &v) { o.setDocument(v.toString()); });
    t.property(QStringLiteral("ResponseCode"), [](T &o) { return vb::Variant::fromLong(o.responseCode()); });
    t.property(QStringLiteral("ResponseInfo"), [](T &o) { return vb::Variant(o.responseInfo()); });
    // A script that polls StillExecuting in a loop of its own lets the transfer
    // proceed: each read while it runs waits a moment for its events.
    t.property(QStringLiteral("StillExecuting"), [](T &o) {
        if (o.stillExecuting())
            o.waitForResponse(20);
        return vb::Variant(o.stillExecuting());
    });
    t.method(QStringLiteral("OpenURL"), 0, 2, [](T &o, com::Args &a) {
        const QString url = a.has(0) ? a.string(0) : o.url();
        const QByteArray bytes = o.openUrl(url);
        return a.toLong(1, DataString) == DataByteArray ? byteArrayVariant(bytes) : vb::Variant(vb::fromWindows1252(bytes));
    });
    t.method(QStringLiteral("Execute"), 0, 4, [](T &o, com::Args &a) {
        o.execute(a[0], a[1], a[2], a[3]);
        return vb::Variant();
    });
    t.method(QStringLiteral("GetChunk"), 1, 2, [](T &o, com::Args &a) {
        const QByteArray bytes = o.getChunk(a.required(0).toLong());
        return a.toLong(1, DataString) == DataByteArray ? byteArrayVariant(bytes) : vb::Variant(vb::fromWindows1252(bytes));
    });
    t.method(QStringLiteral("GetHeader"), 0, 1, [](T &o, com::Args &a) { return vb::Variant(o.getHeader(a.string(0))); });
    t.method(QStringLiteral("Cancel"), 0, 0, [](T &o, com::Args &) {
        o.cancel();
        return vb::Variant();
    });
    return t;
}

} // namespace inet
