#pragma once
// Real servers on 127.0.0.1 for transfer tests and benchmarks: an FTP server
// (pyftpdlib under Debian's /usr/bin/python3) and a small HTTP server with
// fixed routes, plain or over TLS. Each runs as a child process that picks
// its own port (port 0) and prints it; every wait has a deadline, and the
// process is ended by its id when the object goes away.
//
// HTTP routes (below the server's root folder):
//   GET|HEAD /files/<name>      the file root/files/<name>, 404 when missing
//   POST|PUT /upload/<name>     stores the body as root/uploads/<name>; 200 (POST) or 201 (PUT), "stored <n>"
//   any      /status/<code>     answers <code> with the body "status <code> page"
//   GET      /stall             promises 1000 bytes, sends 10, then sends nothing more
//   any      /silent/<name>     reads the whole body, then never answers
//   GET      /auth/<anything>   Basic authentication as alice / s3cret!, else 401
//   any      /echo              the request line, headers and body as text

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace corvantis::test {

class LoopbackServer {
public:
    LoopbackServer() = default;
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;
    virtual ~LoopbackServer();

    bool isRunning() const;
    int port() const { return m_port; }
    qint64 pid() const;
    // Everything the server wrote so far (for failure messages).
    QString output() const;
    // Ends the process by its id: a terminate, then a kill when it has not
    // ended within the deadline.
    void stop();

protected:
    // Starts /usr/bin/python3 with the script text and arguments and waits up
    // to `deadlineMs` for the line "PORT <n>". False with `error` set otherwise.
    bool startPython(const QString &scriptName, const char *scriptText, const QStringList &args, QString *error,
                     int deadlineMs = 20000);

private:
    std::unique_ptr<QTemporaryDir> m_scriptDir;
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
    mutable QByteArray m_output;
};

class FtpServer : public LoopbackServer {
public:
    // Two accounts with `home` as their root: one with every right, one that
    // may only list and read.
    static constexpr const char *kFullUser = "full";
    static constexpr const char *kFullPassword = "Full-Pa55word";
    static constexpr const char *kReadOnlyUser = "reader";
    static constexpr const char *kReadOnlyPassword = "Read-Pa55word";

    bool start(const QString &home, QString *error);
};

class HttpServer : public LoopbackServer {
public:
    static constexpr const char *kUser = "alice";
    static constexpr const char *kPassword = "s3cret!";

    // Serves `root` (see the routes above); over TLS when a certificate and
    // key file are given.
    bool start(const QString &root, QString *error, const QString &certificateFile = {}, const QString &keyFile = {});
    // "http://127.0.0.1:<port>" or "https://127.0.0.1:<port>".
    QString baseUrl() const;

private:
    bool m_tls = false;
};

// A port on 127.0.0.1 that nothing listens on (bound once and freed), for
// transfers that must fail to connect.
int closedLoopbackPort();

// Runs a program to its end within the deadline; false with the reason and
// its output in `error` when it fails, times out (it is then killed) or
// exits with another code than 0.
bool runProgram(const QString &program, const QStringList &args, QString *error, int deadlineMs = 30000,
                QByteArray *output = nullptr);

// Makes a self-signed certificate and its unencrypted key with `openssl req`:
// <dir>/<baseName>.crt and <dir>/<baseName>.key, valid for 127.0.0.1.
bool makeSelfSignedCertificate(const QString &dir, const QString &baseName, const QString &commonName, QString *error);

} // namespace corvantis::test
