// The communications scheduler's tick as a pure function of the clock, and
// SendAS2 with a certificate store of the test's own.
#include "communications/ExchangeScheduler.h"
#include "communications/SendFile.h"
#include "communications/clsExchange.h"

#include "CoreTestSupport.h"
#include "LoopbackServers.h"
#include "TestCertificates.h"
#include "TestEnvironment.h"

#include "core/loader/InterchangeLoader.h"
#include "crypto/CertificateStore.h"
#include "crypto/CryptoError.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;
using communications::ExchangeScheduler;
using communications::ExchangeStart;
using communications::NetworkSchedule;
using corvantis::test::dialogs;

namespace {

QDateTime at(int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}

NetworkSchedule network(const char *name)
{
    NetworkSchedule n;
    n.name = QString::fromLatin1(name);
    n.sendReceive = true;
    return n;
}

} // namespace

TEST(ExchangeScheduler, IntervalsAndTimesInListOrder)
{
    ExchangeScheduler scheduler;
    NetworkSchedule a = network("Alpha"), b = network("Beta"), c = network("Gamma");
    a.everyInterval = true;
    a.intervalChoice = 0;
    b.everyInterval = true;
    b.intervalChoice = 1;
    b.sendReceive = false;
    b.receiveOnly = true;
    c.atTime = true;
    c.time = QTime(9, 30);
    const std::vector<NetworkSchedule> networks = {a, b, c};
    std::vector<int> alpha;
    for (int tick = 1; tick <= 45; ++tick) {
        const QDateTime now = at(10, 9, 0).addSecs(60 * tick);
        const auto starts = scheduler.tick(now, networks, false);
        for (const ExchangeStart &s : starts)
            if (s.page == 0)
                alpha.push_back(tick);
        if (tick == 30) {
            // Decided at the tick's start, run in list order.
            ASSERT_EQ(starts.size(), 3u);
            EXPECT_EQ(starts[0], (ExchangeStart{0, true, true, u"Exchange Scheduled 15 Minute Task Started: Alpha"_s}));
            EXPECT_EQ(starts[1], (ExchangeStart{1, false, true, u"Exchange Scheduled 30 Minute Task Started: Beta"_s}));
            EXPECT_EQ(starts[2], (ExchangeStart{2, true, true, QString()})) << "a start by time writes no entry";
        }
    }
    EXPECT_EQ(alpha, (std::vector<int>{15, 30, 45}));
}

TEST(ExchangeScheduler, BusyTicksStartNothingButCount)
{
    ExchangeScheduler scheduler;
    NetworkSchedule a = network("Alpha");
    a.everyInterval = true;
    a.intervalChoice = 0;
    for (int tick = 1; tick <= 15; ++tick)
        EXPECT_TRUE(scheduler.tick(at(10, 9, 0).addSecs(60 * tick), {a}, true).empty());
    EXPECT_EQ(scheduler.counters().value(0), 0) << "the 15th tick came due while busy";
    for (int tick = 16; tick < 30; ++tick)
        EXPECT_TRUE(scheduler.tick(at(10, 9, 0).addSecs(60 * tick), {a}, false).empty());
    EXPECT_EQ(scheduler.tick(at(10, 9, 30), {a}, false).size(), 1u);
}

TEST(ExchangeScheduler, ADailyStartOncePerDateAcrossLateAndDoubledTicks)
{
    ExchangeScheduler scheduler;
    NetworkSchedule a = network("Alpha");
    a.atTime = true;
    a.time = QTime(15, 0);
    EXPECT_TRUE(scheduler.tick(at(10, 14, 59, 30), {a}, false).empty());
    EXPECT_EQ(scheduler.tick(at(10, 15, 1, 10), {a}, false).size(), 1u) << "a late tick";
    EXPECT_TRUE(scheduler.tick(at(10, 15, 1, 20), {a}, false).empty()) << "a doubled tick";
    EXPECT_TRUE(scheduler.tick(at(11, 14, 59, 50), {a}, false).empty());
    EXPECT_EQ(scheduler.tick(at(11, 15, 0, 50), {a}, false).size(), 1u) << "the next day";
    // That run failed; the user sets a later time the same day, and it starts.
    a.time = QTime(15, 30);
    EXPECT_TRUE(scheduler.tick(at(11, 15, 29, 50), {a}, false).empty());
    EXPECT_EQ(scheduler.tick(at(11, 15, 30, 50), {a}, false).size(), 1u) << "a later time the same day";
    EXPECT_TRUE(scheduler.tick(at(11, 15, 31, 50), {a}, false).empty());
}

class SendAS2Test : public coretest::CoreTest {
protected:
    static QString openssl(const QStringList &args)
    {
        QString error;
        return corvantis::test::runProgram(u"openssl"_s, args, &error, 30000) ? QString() : error;
    }
};

TEST_F(SendAS2Test, TheSignatureVerifiesAndFailuresAreRecorded)
{
    const QString outbound = corvantis::test::tempDir() + u"/outbound"_s;
    QDir().mkpath(outbound);
    vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Outbound"_s, outbound);
    const QString copy = corvantis::test::tempDir() + u"/acme.OC"_s;
    QFile::copy(QStringLiteral(CORVANTIS_FIXTURES "/sendfile/acme.OC"), copy);
    ASSERT_EQ(core::InterchangeLoader().LoadBox(copy, u"O"_s), QString());

    const QString work = corvantis::test::tempDir() + u"/certs"_s;
    QDir().mkpath(work);
    ASSERT_EQ(openssl({u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-keyout"_s, work + u"/me.key"_s,
                       u"-out"_s, work + u"/me.crt"_s, u"-days"_s, u"30"_s, u"-subj"_s, u"/CN=Corvantis Test"_s}),
              QString());
    const QString store = crypto::storeFolder(int(crypto::StoreLocation::CurrentUser), u"My"_s);
    QDir().mkpath(store);
    ASSERT_EQ(openssl({u"pkcs12"_s, u"-export"_s, u"-in"_s, work + u"/me.crt"_s, u"-inkey"_s, work + u"/me.key"_s,
                       u"-passout"_s, u"pass:"_s, u"-out"_s, store + u"/me.p12"_s}),
              QString());

    communications::clsExchange exchange;
    const QString signature = communications::SendAS2(u"Current User Store"_s, u"My"_s, 1, exchange);
    ASSERT_FALSE(signature.isEmpty());
    ASSERT_TRUE(QFileInfo(exchange.LocaleFile).isFile());
    QFile pem(work + u"/signature.pem"_s);
    ASSERT_TRUE(pem.open(QIODevice::WriteOnly));
    pem.write("-----BEGIN CMS-----\n" + QString(signature).remove(u'\r').toLatin1() + "-----END CMS-----\n");
    pem.close();
    EXPECT_EQ(openssl({u"cms"_s, u"-verify"_s, u"-binary"_s, u"-inform"_s, u"PEM"_s, u"-in"_s, work + u"/signature.pem"_s,
                       u"-content"_s, exchange.LocaleFile, u"-CAfile"_s, work + u"/me.crt"_s, u"-out"_s,
                       u"/dev/null"_s}),
              QString());

    // No certificate at that position: the box and an Error entry, nothing written.
    const int files = int(QDir(outbound).entryList(QDir::Files).size());
    dialogs().answer(vb::vbOK);
    EXPECT_TRUE(communications::SendAS2(u"Current User Store"_s, u"My"_s, 2, exchange).isEmpty());
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_TRUE(dialogs().boxes()[0].text.startsWith(u"Visual Basic error found:"_s));
    EXPECT_EQ(int(QDir(outbound).entryList(QDir::Files).size()), files);
    EXPECT_EQ(column(u"SELECT Type FROM Exchange"_s, u"Type"_s), QStringList{u"Error"_s});

    // An empty store name does nothing and shows nothing.
    EXPECT_TRUE(communications::SendAS2(u"Current User Store"_s, QString(), 1, exchange).isEmpty());
    EXPECT_EQ(dialogs().boxes().size(), 1u);

    // An expired certificate: the box keeps the component's number, the entry
    // also says why, with the dates.
    const QString root = crypto::storeFolder(int(crypto::StoreLocation::CurrentUser), u"Root"_s);
    QDir().mkpath(root);
    ASSERT_TRUE(corvantis::test::makeDatedCertificate(
        root + u"/old.pem"_s, u"Old Signer"_s, QDateTime(QDate(2019, 5, 1), QTime(0, 0), Qt::UTC),
        QDateTime(QDate(2020, 5, 1), QTime(0, 0), Qt::UTC)));
    modGlobal::cnDatabase->Execute(u"DELETE FROM Exchange"_s);
    dialogs().answer(vb::vbOK);
    const int before = int(QDir(outbound).entryList(QDir::Files).size());
    EXPECT_TRUE(communications::SendAS2(u"Current User Store"_s, u"Root"_s, 1, exchange).isEmpty());
    EXPECT_EQ(int(QDir(outbound).entryList(QDir::Files).size()), before) << "no send file for a refused certificate";
    ASSERT_EQ(dialogs().boxes().size(), 2u);
    const QString number = QString::number(int32_t(crypto::kErrCertificateExpired));
    EXPECT_EQ(dialogs().boxes()[1].text, u"CAPICOM error found : "_s + number);
    const QStringList entries = column(u"SELECT Description FROM Exchange WHERE Type = 'Error'"_s, u"Description"_s);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_TRUE(entries[0].startsWith(u"SendAS2: CAPICOM error found : "_s + number + u": The certificate \"Old Signer\" expired on 2020-05-01"_s))
        << entries[0].toStdString();
    EXPECT_TRUE(entries[0].contains(u"valid from 2019-05-01 00:00:00 UTC"_s)) << entries[0].toStdString();
}
