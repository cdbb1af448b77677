// The speed of the send road on an Outbox of 20,000 sets in 2,000
// interchanges (about 50 MB): (a) writing the send file; (b) moving its rows
// and file to Sent; (c) a whole send run over a loopback FTP server (write,
// PUT, wait, move).
#include "communications/NetworkRun.h"
#include "communications/SendFile.h"
#include "communications/clsExchange.h"

#include "LoopbackServers.h"

#include "ado/Connection.h"
#include "core/modGlobal.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

namespace {

using namespace Qt::StringLiterals;

constexpr int kInterchanges = 2000;
constexpr int kSetsEach = 10;

struct Workspace {
    QTemporaryDir dir;

    Workspace()
    {
        bench::copyBuiltDatabase(dir.path());
        vb::setSettingsRoot(dir.path() + u"/settings"_s);
        for (const char *folder : {"Outbound", "Sent"}) {
            QDir().mkpath(dir.path() + u'/' + QString::fromLatin1(folder));
            vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, QString::fromLatin1(folder),
                            dir.path() + u'/' + QString::fromLatin1(folder));
        }
        modGlobal::cnDatabase = std::make_shared<ado::Connection>();
        modGlobal::cnDatabase->Open(ado::applicationConnectionString(dir.path()));
        fill();
    }
    void fill()
    {
        ado::Connection &cn = *modGlobal::cnDatabase;
        cn.BeginTrans();
        cn.Execute(u"DELETE FROM Outbox"_s);
        cn.Execute(u"INSERT INTO Partner (Partner, Segment, element, sub, ISA06, ISA08) "
                   "SELECT 'BENCH01', 126, 42, 62, 'OURID          ', 'THEIRID        ' "
                   "WHERE NOT EXISTS (SELECT 1 FROM Partner)"_s);
        // About 2.5 KB a set: 20,000 sets make about 50 MB.
        QString body;
        for (int i = 0; i < 60; ++i)
            body += u"LIN*%1*BP*PART-%1*EA*100*20261210~"_s.arg(i, 4, 10, QLatin1Char('0'));
        const QString set = u"ST*830*0001~BFR*05*R1**DL*A*20261201*20270301*20261210~"_s + body + u"SE*62*0001~"_s;
        for (int ic = 1; ic <= kInterchanges; ++ic) {
            const QString icn = u"%1"_s.arg(ic, 9, 10, QLatin1Char('0'));
            const QString gcn = QString::number(ic);
            cn.Execute(u"INSERT INTO ISA (Partner, ISA01, ISA02, ISA03, ISA04, ISA05, ISA06, ISA07, ISA08, ISA09, ISA10, "
                       "ISA11, ISA12, ISA13, ISA14, ISA15, ISA16) VALUES ('BENCH01', '00', '          ', '00', "
                       "'          ', 'ZZ', 'OURID          ', 'ZZ', 'THEIRID        ', '261210', '1200', 'U', "
                       "'00401', '%1', '0', 'P', '>')"_s.arg(icn));
            cn.Execute(u"INSERT INTO GS (Partner, GS01, GS02, GS03, GS04, GS05, GS06, GS07, GS08) VALUES ('BENCH01', "
                       "'PS', 'OURAPP', 'THEIRAPP', '20261210', '1200', '%1', 'X', '004010')"_s.arg(gcn));
            cn.Execute(u"INSERT INTO GE (Partner, GE01, GE02) VALUES ('BENCH01', '%1', '%2')"_s.arg(kSetsEach).arg(gcn));
            cn.Execute(u"INSERT INTO IEA (Partner, IEA01, IEA02) VALUES ('BENCH01', '1', '%1')"_s.arg(icn));
            for (int s = 0; s < kSetsEach; ++s)
                cn.Execute(u"INSERT INTO Outbox (Partner, [Transaction], Version, InterchangeControlNumber, "
                           "GroupControlNumber, ReceiverID, SenderID, ReceiverDivision, SenderDivision, Direction, "
                           "Status, TSet) VALUES ('BENCH01', '830', '004010', '%1', '%2', 'OURID          ', "
                           "'THEIRID        ', 'OURAPP', 'THEIRAPP', 'O', 'Validated', '%3')"_s.arg(icn, gcn, set));
        }
        cn.CommitTrans();
    }
    ~Workspace()
    {
        modGlobal::cnDatabase->Close();
        modGlobal::cnDatabase.reset();
    }
};

void WriteSendFile(benchmark::State &state)
{
    Workspace ws;
    double bytes = 0;
    for (auto _ : state) {
        const communications::SendFile file = communications::writeSendFile();
        bytes = double(QFileInfo(file.path).size());
        state.PauseTiming();
        QFile::remove(file.path);
        state.ResumeTiming();
    }
    state.counters["MB"] = bytes / 1e6;
}
BENCHMARK(WriteSendFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void MoveToSent(benchmark::State &state)
{
    Workspace ws;
    for (auto _ : state) {
        state.PauseTiming();
        communications::clsExchange exchange;
        communications::CreateOutboundEDI(exchange);
        state.ResumeTiming();
        if (!communications::MoveOutToSent(exchange))
            state.SkipWithError("nothing moved");
        state.PauseTiming();
        ws.fill();
        state.ResumeTiming();
    }
}
BENCHMARK(MoveToSent)->Unit(benchmark::kMillisecond)->Iterations(3);

void FtpSendRun(benchmark::State &state)
{
    Workspace ws;
    QTemporaryDir home;
    corvantis::test::FtpServer ftp;
    QString error;
    if (!ftp.start(home.path(), &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    communications::NetworkPage page;
    page.name = u"bench"_s;
    page.url = u"ftp://127.0.0.1:"_s + QString::number(ftp.port()) + u'/';
    page.userName = QString::fromLatin1(corvantis::test::FtpServer::kFullUser);
    page.password = QString::fromLatin1(corvantis::test::FtpServer::kFullPassword);
    page.remotePort = QString::number(ftp.port());
    page.accessType = 1;
    page.sendScript = u"CreateOutboundEDI\n"
                      "Inet.Execute Exchange.URL, \"PUT \"\"\" & Exchange.LocaleFile & \"\"\" sent.OC\"\n"
                      "WaitForResponse\n"_s;
    for (auto _ : state) {
        if (!communications::RunSendScript(page))
            state.SkipWithError("the send run failed");
        state.PauseTiming();
        ws.fill();
        state.ResumeTiming();
    }
}
BENCHMARK(FtpSendRun)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    return bench::runWindowBenchmarks(argc, argv);
}
