// 50 MB through the transfer control at loopback: an FTP upload and download
// and an HTTP GET read by a script in GetChunk(1024) steps, as a receive
// script does.
#include "inet/InternetTransfer.h"
#include "vbscript/ScriptControl.h"

#include "LoopbackServers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr qint64 kSize = 50LL * 1000 * 1000;

struct Servers {
    QTemporaryDir dir;
    corvantis::test::FtpServer ftp;
    corvantis::test::HttpServer http;
    QString local;
    bool ok = false;

    Servers()
    {
        QDir().mkpath(dir.path() + "/ftp");
        QDir().mkpath(dir.path() + "/web/files");
        local = dir.path() + "/payload.bin";
        QFile f(local);
        if (!f.open(QIODevice::WriteOnly))
            return;
        QByteArray block(1 << 20, '\0');
        for (int i = 0; i < block.size(); ++i)
            block[i] = char((i * 31 + i / 97) & 0xff);
        for (qint64 written = 0; written < kSize; written += block.size())
            f.write(block.constData(), std::min<qint64>(block.size(), kSize - written));
        f.close();
        QFile::copy(local, dir.path() + "/ftp/download.bin");
        QFile::copy(local, dir.path() + "/web/files/big.bin");
        QString error;
        ok = ftp.start(dir.path() + "/ftp", &error) && http.start(dir.path() + "/web", &error);
        if (!ok)
            qFatal("servers did not start: %s", qPrintable(error));
    }
};

Servers &servers()
{
    static Servers s;
    return s;
}

std::shared_ptr<inet::InternetTransfer> control()
{
    auto t = std::make_shared<inet::InternetTransfer>();
    t->setAccessType(inet::AccessDirect);
    t->setUserName(corvantis::test::FtpServer::kFullUser);
    t->setPassword(corvantis::test::FtpServer::kFullPassword);
    return t;
}

void runFtp(benchmark::State &state, const QString &operation)
{
    Servers &s = servers();
    auto t = control();
    const QString url = QStringLiteral("ftp://127.0.0.1:%1/").arg(s.ftp.port());
    for (auto _ : state) {
        t->execute(vb::Variant(url), vb::Variant(operation), vb::Variant::missing(), vb::Variant::missing());
        t->waitForResponse();
        if (t->responseCode() != 0)
            state.SkipWithError(t->responseInfo().toStdString().c_str());
    }
    state.SetBytesProcessed(state.iterations() * kSize);
    for (const char *name : {"/ftp/upload.bin", "/downloaded.bin"})
        if (QFile::exists(s.dir.path() + name) && QFileInfo(s.dir.path() + name).size() != kSize)
            state.SkipWithError("a transferred file has the wrong size");
}

void FtpUpload50MB(benchmark::State &state)
{
    runFtp(state, QStringLiteral("PUT ") + servers().local + QStringLiteral(" upload.bin"));
}

void FtpDownload50MB(benchmark::State &state)
{
    runFtp(state, QStringLiteral("GET download.bin ") + servers().dir.path() + QStringLiteral("/downloaded.bin"));
}

void HttpGetChunkScript50MB(benchmark::State &state)
{
    Servers &s = servers();
    auto t = control();
    t->setUserName(QString());
    vbs::ScriptControl sc;
    sc.AddObject(QStringLiteral("Inet"), t, true);
    sc.AddCode(QStringLiteral(R"VBS(
Function Fetch(url, kind)
  Dim chunk, total
  Inet.Execute url, "GET"
  total = 0
  Do
    chunk = Inet.GetChunk(1024, kind)
    If kind = 0 Then
      If Len(chunk) = 0 Then Exit Do
      total = total + Len(chunk)
    Else
      If UBound(chunk) < 0 Then Exit Do
      total = total + UBound(chunk) + 1
    End If
  Loop
  Fetch = total
End Function
)VBS"));
    const QString call = QStringLiteral("Fetch(\"%1/files/big.bin\", %2)").arg(s.http.baseUrl()).arg(state.range(0));
    for (auto _ : state) {
        const qint64 got = sc.Eval(call).toDouble();
        if (got != kSize)
            state.SkipWithError("short read");
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

} // namespace

BENCHMARK(FtpUpload50MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(FtpDownload50MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
// 0: chunks as text (icString); 1: as byte arrays (icByteArray).
BENCHMARK(HttpGetChunkScript50MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // the transfers run on its event loop
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
