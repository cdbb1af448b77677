// A detached signature over a 50 MB send file, as SendAS2 makes one.
#include "crypto/CertificateStore.h"
#include "crypto/Signing.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr qint64 kSize = 50LL * 1000 * 1000;

struct Fixture {
    QTemporaryDir dir;
    QString file;
    crypto::Certificate signer;
    Fixture()
    {
        file = dir.path() + "/send.edi";
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        const QByteArray line = "ST*850*0001~BEG*00*SA*PO1234**20261210~PO1*1*10*EA*9.99**BP*WIDGET~SE*4*0001~\r\n";
        for (qint64 written = 0; written < kSize; written += line.size())
            f.write(line);
        f.close();
        const int rc = QProcess::execute("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                                                     dir.path() + "/k.pem", "-out", dir.path() + "/c.pem", "-days", "2",
                                                     "-subj", "/CN=Bench Signer"});
        if (rc != 0)
            qFatal("openssl failed");
        QFile both(dir.path() + "/signer.pem");
        both.open(QIODevice::WriteOnly);
        for (const char *part : {"/c.pem", "/k.pem"}) {
            QFile p(dir.path() + part);
            p.open(QIODevice::ReadOnly);
            both.write(p.readAll());
        }
        both.close();
        const auto store = crypto::CertificateStore::openFolder(dir.path());
        for (const auto &c : store.certificates())
            if (c.hasPrivateKey())
                signer = c;
    }
};

void Sign50MBFile(benchmark::State &state)
{
    static Fixture f;
    for (auto _ : state)
        benchmark::DoNotOptimize(crypto::signFileDetached(f.signer, f.file));
    state.SetBytesProcessed(state.iterations() * kSize);
}

} // namespace

BENCHMARK(Sign50MBFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
