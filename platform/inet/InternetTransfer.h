#pragma once
// The Internet transfer control the network scripts know as `Inet`: FTP,
// HTTP and HTTPS with the control's properties, methods and StateChanged
// event. Transfers run over libcurl's multi interface driven by the Qt event
// loop on the UI thread: no threads, events delivered in order. One transfer
// handle per control is kept between calls, so an FTP control connection is
// reused and the remote directory the control tracks stays meaningful.
//
// Every transfer ends: RequestTimeout (seconds; 0 means 60) limits the
// connect, every wait for a server reply and any stall in which no byte
// moves, never the total time of a transfer that is moving. Large responses
// are kept in a temporary file, not in memory. Passwords never appear in
// ResponseInfo or in error texts.

#include "com/HostObject.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

namespace inet {

// The states StateChanged reports; each at most once per operation.
enum State : int16_t {
    StateNone = 0,
    StateResolvingHost = 1,
    StateHostResolved = 2,
    StateConnecting = 3,
    StateConnected = 4,
    StateRequesting = 5,
    StateRequestSent = 6,
    StateReceivingResponse = 7,
    StateResponseReceived = 8,
    StateDisconnecting = 9,
    StateDisconnected = 10,
    StateError = 11,
    StateResponseCompleted = 12,
};

enum Protocol : int16_t { ProtocolUnknown = 0, ProtocolDefault = 1, ProtocolFtp = 2, ProtocolReserved = 3, ProtocolHttp = 4, ProtocolHttps = 5 };
enum AccessType : int16_t { AccessDefault = 0, AccessDirect = 1, AccessNamedProxy = 2 };
enum DataType : int16_t { DataString = 0, DataByteArray = 1 };

// Error numbers of the control: raised by its methods, and given in
// ResponseCode with state 11 when a transfer fails without a server reply
// (a reply's own code is given otherwise: 550, 530 ...).
enum ErrorCode : int32_t {
    ErrCannotConnect = 35750,       // "Unable to connect to the remote host"
    ErrMalformedUrl = 35751,        // "URL is malformed"
    ErrWrongProtocol = 35752,       // "Protocol not supported for this method"
    ErrUnknownOperation = 35753,    // "Invalid operation argument"
    ErrNoRemoteHost = 35754,        // "No remote computer has been specified"
    ErrRequestFailed = 35756,       // "The request failed"
    ErrNotTrusted = 35757,          // "The remote server's certificate is not trusted"
    ErrLocalFile = 35758,           // "The local file cannot be read or written"
    ErrTimedOut = 35761,            // "Request timed out"
    ErrStillExecuting = 35764,      // "Still executing last request"
    ErrCancelled = 35765,           // "The request was cancelled"
};

// What became of the last upload (FTP PUT/SEND, HTTP POST/PUT). An HTTP
// status of 400 or more, a server refusal, a time-out or a cancel is a
// failure. `serial` grows with every upload, so a run can tell whether one
// happened since it looked last.
struct UploadOutcome {
    quint64 serial = 0;     // 0: no upload yet
    bool succeeded = false;
    QString operation;      // "PUT", "SEND", "POST" ...
    QString target;         // URL of the upload, without user and password
    int responseCode = 0;   // HTTP status, FTP reply code or ErrorCode
    QString responseInfo;   // the server's reply or the failure, without passwords
};

class InternetTransfer : public QObject, public com::HostClass<InternetTransfer> {
    Q_OBJECT
public:
    InternetTransfer();
    ~InternetTransfer() override;

    static com::DispatchTable<InternetTransfer> describe();

    // Properties.
    int16_t accessType() const { return m_accessType; }
    void setAccessType(int value);
    QString proxy() const { return m_proxy; }
    void setProxy(const QString &value) { m_proxy = value; }
    int16_t protocol() const { return m_protocol; }
    void setProtocol(int value);
    QString remoteHost() const { return m_host; }
    void setRemoteHost(const QString &value);
    // 0 means the protocol's default (21, 80, 443). 1-65535 are ports; a
    // negative 16-bit value is read as the port it stands for (-1 is 65535).
    int32_t remotePort() const { return m_port; }
    void setRemotePort(const vb::Variant &value);
    int32_t requestTimeout() const { return m_timeout; }
    void setRequestTimeout(const vb::Variant &value);
    QString userName() const { return m_user; }
    void setUserName(const QString &value) { m_user = value; }
    QString password() const { return m_password; }
    void setPassword(const QString &value) { m_password = value; }
    QString url() const { return m_url; }
    // Also sets Protocol, RemoteHost, RemotePort, Document and, when the URL
    // carries them, UserName and Password. An address without "scheme://"
    // keeps the Protocol (HTTP when it names none) and the RemotePort unless
    // it gives a port. 35751 for text that is no URL.
    void setUrl(const QString &value);
    QString document() const { return m_document; }
    void setDocument(const QString &value);
    int32_t responseCode() const { return m_responseCode; }
    QString responseInfo() const { return m_responseInfo; }
    bool stillExecuting() const { return m_running; }

    // Methods. Execute starts an operation and returns at once; the others
    // wait for their transfer while the event loop runs.
    void execute(const vb::Variant &url, const vb::Variant &operation, const vb::Variant &data, const vb::Variant &requestHeaders);
    // Fetches the whole document (HTTP GET, FTP file or listing). A failed
    // transfer raises; an HTTP error status returns the server's page.
    QByteArray openUrl(const QString &url);
    // The next `size` bytes of the response at most; empty when it is all
    // read. While the transfer runs it waits until that much has arrived.
    QByteArray getChunk(qint64 size);
    // One response header's value (HTTP), or all of them with the status line
    // when `name` is empty.
    QString getHeader(const QString &name) const;
    // Stops the running transfer at once and closes its connection; the
    // control is free for the next operation.
    void cancel();

    // Waits, on events, until no transfer runs. The wait always ends, since
    // every transfer does; `deadlineMs` (tests) ends it earlier: false then.
    bool waitForResponse(int deadlineMs = -1);

    // Fetches `url` into `fileName` through a temporary file beside it; the
    // target is replaced only when the transfer succeeded (HTTP status below
    // 400, FTP transfer complete), so an error page never replaces a good
    // file. False with the reason in `error` otherwise.
    bool saveUrlToFile(const QString &url, const QString &fileName, QString *error);

    UploadOutcome lastUpload() const { return m_lastUpload; }
    // The host and port the last operation went to (the scheme's default port
    // when none was given), for messages that say where a transfer failed.
    QString lastHost() const { return m_lastHost; }
    int lastPort() const { return m_lastPort; }
    // The remote directory the FTP session stands in ("" before the first
    // FTP operation has told it).
    QString remoteDirectory() const { return m_remoteDir; }

signals:
    void StateChanged(short state);
    // Internal: a transfer ended, or response bytes arrived.
    void transferEnded();
    void bytesArrived();

private:
    friend struct Engine;
    struct Engine;
    std::unique_ptr<Engine> m_engine;

    int16_t m_accessType = AccessDefault;
    QString m_proxy;
    int16_t m_protocol = ProtocolUnknown;
    QString m_host;
    int32_t m_port = 80;
    int32_t m_timeout = 60;
    QString m_user;
    QString m_password;
    QString m_url;
    QString m_document;
    int32_t m_responseCode = 0;
    QString m_responseInfo;
    bool m_running = false;
    QString m_remoteDir;
    UploadOutcome m_lastUpload;
    QString m_lastHost;
    int m_lastPort = 0;
};

} // namespace inet
