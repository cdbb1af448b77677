#include "LoopbackServers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>


namespace corvantis::test {

namespace {

const char *const kFtpScript = R"PY(
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

home, full, fullpw, reader, readerpw = sys.argv[1:6]
authorizer = DummyAuthorizer()
authorizer.add_user(full, fullpw, home, perm='elradfmwMT')
authorizer.add_user(reader, readerpw, home, perm='elr')

class Handler(FTPHandler):
    pass

Handler.authorizer = authorizer
Handler.banner = 'loopback test server ready'
logging.basicConfig(level=logging.ERROR)
server = FTPServer(('127.0.0.1', 0), Handler)
print('PORT %d' % server.socket.getsockname()[1], flush=True)
server.serve_forever()
)PY";

const char *const kHttpScript = R"PY(
import base64, os, shutil, ssl, sys, time
from http.server import ThreadingHTTPServer, BaseHTTPRequestHandler

root = sys.argv[1]
cert = sys.argv[2] if len(sys.argv) > 3 else ''
key = sys.argv[3] if len(sys.argv) > 3 else ''
expected_auth = 'Basic ' + base64.b64encode(b'alice:s3cret!').decode()

class Handler(BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *args):
        pass

    def reply(self, code, body=b'', headers=None):
        self.send_response(code)
        self.send_header('Content-Type', 'text/plain')
        self.send_header('Content-Length', str(len(body)))
        for k, v in (headers or {}).items():
            self.send_header(k, v)
        self.end_headers()
        if self.command != 'HEAD':
            self.wfile.write(body)

    def body(self):
        if self.headers.get('Transfer-Encoding', '').lower() == 'chunked':
            data = b''
            while True:
                size = int(self.rfile.readline().strip(), 16)
                if size == 0:
                    self.rfile.readline()
                    return data
                data += self.rfile.read(size)
                self.rfile.readline()
        n = int(self.headers.get('Content-Length') or 0)
        return self.rfile.read(n)

    def route(self):
        path = self.path.split('?')[0]
        if path.startswith('/files/'):
            fp = os.path.join(root, 'files', path[len('/files/'):])
            if not os.path.isfile(fp):
                return self.reply(404, b'no such file')
            self.send_response(200)
            self.send_header('Content-Type', 'application/octet-stream')
            self.send_header('Content-Length', str(os.path.getsize(fp)))
            self.send_header('X-Route', 'files')
            self.end_headers()
            if self.command != 'HEAD':
                with open(fp, 'rb') as f:
                    shutil.copyfileobj(f, self.wfile, 1 << 20)
        elif path.startswith('/upload/'):
            if self.command not in ('POST', 'PUT'):
                return self.reply(405, b'uploads only')
            data = self.body()
            folder = os.path.join(root, 'uploads')
            os.makedirs(folder, exist_ok=True)
            name = path[len('/upload/'):]
            with open(os.path.join(folder, name + '.part'), 'wb') as f:
                f.write(data)
            os.replace(os.path.join(folder, name + '.part'), os.path.join(folder, name))
            self.reply(201 if self.command == 'PUT' else 200, b'stored %d' % len(data))
        elif path.startswith('/status/'):
            self.body()
            code = int(path[len('/status/'):])
            self.reply(code, b'status %d page' % code)
        elif path == '/stall':
            self.send_response(200)
            self.send_header('Content-Length', '1000')
            self.end_headers()
            self.wfile.write(b'x' * 10)
            self.wfile.flush()
            time.sleep(3600)
        elif path.startswith('/silent/'):
            self.body()
            time.sleep(3600)
        elif path.startswith('/auth/'):
            if self.headers.get('Authorization') != expected_auth:
                return self.reply(401, b'who are you', {'WWW-Authenticate': 'Basic realm="loopback"'})
            self.reply(200, b'welcome alice')
        elif path == '/echo':
            data = self.body()
            lines = ['%s %s' % (self.command, self.path)]
            lines += ['%s: %s' % (k, v) for k, v in self.headers.items()]
            lines += ['', data.decode('latin-1')]
            self.reply(200, '\n'.join(lines).encode('latin-1'))
        else:
            self.reply(404, b'unknown route')

    do_GET = do_POST = do_PUT = do_HEAD = do_DELETE = route

class Server(ThreadingHTTPServer):
    daemon_threads = True

server = Server(('127.0.0.1', 0), Handler)
if cert:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
print('PORT %d' % server.server_address[1], flush=True)
server.serve_forever()
)PY";

} // namespace

int closedLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 9; // discard: nothing listens there on a test machine
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int port = 9;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd); // bound but never listening, and now free
    return port;
}

LoopbackServer::~LoopbackServer()
{
    stop();
}

bool LoopbackServer::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

qint64 LoopbackServer::pid() const
{
    return m_process ? m_process->processId() : 0;
}

QString LoopbackServer::output() const
{
    if (m_process)
        m_output += m_process->readAll();
    return QString::fromLocal8Bit(m_output);
}

void LoopbackServer::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate(); // SIGTERM to the process id
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    m_process.reset();
}

bool LoopbackServer::startPython(const QString &scriptName, const char *scriptText, const QStringList &args,
                                 QString *error, int deadlineMs)
{
    stop();
    // The script lives in a folder of its own, removed with the server object.
    m_scriptDir = std::make_unique<QTemporaryDir>();
    const QString script = m_scriptDir->path() + QLatin1Char('/') + scriptName;
    QFile f(script);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("cannot write %1").arg(script);
        return false;
    }
    f.write(scriptText);
    f.close();

    m_output.clear();
    m_port = 0;
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("1"));
    m_process->setProcessEnvironment(env);
    m_process->start(QStringLiteral("/usr/bin/python3"), QStringList{script} + args);
    QDeadlineTimer deadline(deadlineMs);
    if (!m_process->waitForStarted(int(deadline.remainingTime()))) {
        *error = QStringLiteral("/usr/bin/python3 did not start: %1").arg(m_process->errorString());
        m_process.reset();
        return false;
    }
    static const QRegularExpression portLine(QStringLiteral("PORT (\\d+)\\n"));
    while (!deadline.hasExpired()) {
        m_output += m_process->readAll();
        const auto match = portLine.match(QString::fromLatin1(m_output));
        if (match.hasMatch()) {
            m_port = match.captured(1).toInt();
            return true;
        }
        if (m_process->state() == QProcess::NotRunning)
            break;
        m_process->waitForReadyRead(int(std::max<qint64>(1, std::min<qint64>(deadline.remainingTime(), 200))));
    }
    *error = QStringLiteral("%1 did not report its port within %2 ms; output: %3").arg(scriptName).arg(deadlineMs).arg(output());
    stop();
    return false;
}

bool FtpServer::start(const QString &home, QString *error)
{
    return startPython(QStringLiteral("loopback_ftp.py"), kFtpScript,
                       {home, QLatin1String(kFullUser), QLatin1String(kFullPassword), QLatin1String(kReadOnlyUser),
                        QLatin1String(kReadOnlyPassword)},
                       error);
}

bool HttpServer::start(const QString &root, QString *error, const QString &certificateFile, const QString &keyFile)
{
    m_tls = !certificateFile.isEmpty();
    QStringList args{root};
    if (m_tls)
        args << certificateFile << keyFile;
    return startPython(QStringLiteral("loopback_http.py"), kHttpScript, args, error);
}

QString HttpServer::baseUrl() const
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(m_tls ? QStringLiteral("https") : QStringLiteral("http")).arg(port());
}

bool runProgram(const QString &program, const QStringList &args, QString *error, int deadlineMs, QByteArray *output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(deadlineMs)) {
        *error = QStringLiteral("%1 did not start: %2").arg(program, p.errorString());
        return false;
    }
    if (!p.waitForFinished(deadlineMs)) {
        p.kill();
        p.waitForFinished(5000);
        *error = QStringLiteral("%1 did not finish within %2 ms").arg(program).arg(deadlineMs);
        return false;
    }
    const QByteArray out = p.readAll();
    if (output)
        *output = out;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("%1 %2 failed (%3): %4").arg(program, args.join(QLatin1Char(' '))).arg(p.exitCode()).arg(QString::fromLocal8Bit(out));
        return false;
    }
    return true;
}

bool makeSelfSignedCertificate(const QString &dir, const QString &baseName, const QString &commonName, QString *error)
{
    QDir().mkpath(dir);
    return runProgram(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                       QStringLiteral("-nodes"), QStringLiteral("-keyout"), dir + QLatin1Char('/') + baseName + QStringLiteral(".key"),
                       QStringLiteral("-out"), dir + QLatin1Char('/') + baseName + QStringLiteral(".crt"),
                       QStringLiteral("-days"), QStringLiteral("30"), QStringLiteral("-subj"), QStringLiteral("/CN=") + commonName,
                       QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost")},
                      error);
}

} // namespace corvantis::test
