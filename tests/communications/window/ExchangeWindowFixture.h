#pragma once
// The communications window on a fresh database: networks put into table
// Internet as rows, certificates made with openssl into the test's own
// store, and runs replaced by recorders that yield as a script would.

#include "CoreTestSupport.h"
#include "LoopbackServers.h"
#include "TestEnvironment.h"

#include "communications/NetworkRun.h"
#include "communications/frmExchange.h"

#include "controls/Forms.h"
#include "crypto/CertificateStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include <memory>

namespace exchangetest {

using coretest::Row;

class ExchangeWindowTest : public coretest::CoreTest {
protected:
    void TearDown() override
    {
        window.reset();
        controls::unload<communications::frmExchange>();
        communications::CommunicationsState::instance().setBusy(false);
        CoreTest::TearDown();
    }

    communications::frmExchange &open()
    {
        window = std::make_unique<communications::frmExchange>();
        window->scheduler = &scheduler;
        return *window;
    }

    void addNetwork(const QString &name, Row values = {})
    {
        values[QStringLiteral("Network")] = vb::Variant(name);
        addRow(QStringLiteral("Internet"), values);
    }

    static QString openssl(const QStringList &args)
    {
        QString error;
        return corvantis::test::runProgram(QStringLiteral("openssl"), args, &error, 30000) ? QString() : error;
    }

    // Makes a certificate with its key as <store folder>/<file>.p12 and
    // returns the certificate's PEM file (for openssl's checks).
    // A PKCS#12 file in the store; `password` protects it when given.
    QString addCertificate(const QString &storeName, const QString &file, const QString &commonName,
                           const QString &password = {})
    {
        const QString work = corvantis::test::tempDir() + QStringLiteral("/certs");
        QDir().mkpath(work);
        const QString key = work + QLatin1Char('/') + file + QStringLiteral(".key");
        const QString pem = work + QLatin1Char('/') + file + QStringLiteral(".crt");
        EXPECT_EQ(openssl({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                           QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                           QStringLiteral("-nodes"), QStringLiteral("-keyout"), key, QStringLiteral("-out"), pem,
                           QStringLiteral("-days"), QStringLiteral("30"), QStringLiteral("-subj"),
                           QStringLiteral("/CN=") + commonName}),
                  QString());
        const QString store = crypto::storeFolder(int(crypto::StoreLocation::CurrentUser), storeName);
        QDir().mkpath(store);
        EXPECT_EQ(openssl({QStringLiteral("pkcs12"), QStringLiteral("-export"), QStringLiteral("-in"), pem,
                           QStringLiteral("-inkey"), key, QStringLiteral("-passout"), QStringLiteral("pass:") + password,
                           QStringLiteral("-out"), store + QLatin1Char('/') + file + QStringLiteral(".p12")}),
                  QString());
        return pem;
    }

    // Waits for `done`, processing events; false when the deadline passed.
    static bool waitFor(const std::function<bool()> &done, int deadlineMs) { return QTest::qWaitFor(done, deadlineMs); }

    communications::ExchangeScheduler scheduler;
    std::unique_ptr<communications::frmExchange> window;
};

} // namespace exchangetest
