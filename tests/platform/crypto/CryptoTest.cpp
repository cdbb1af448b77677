#include "crypto/CertificateDialog.h"
#include "crypto/CertificateStore.h"
#include "crypto/CryptoError.h"
#include "crypto/Providers.h"
#include "crypto/Signing.h"

#include "LoopbackServers.h"
#include "TestCertificates.h"
#include "TestEnvironment.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace corvantis::test;

namespace {

QString openssl(const QStringList &args, QByteArray *out = nullptr)
{
    QString error;
    QByteArray output;
    if (!runProgram(QStringLiteral("openssl"), args, &error, 30000, &output))
        return error;
    if (out)
        *out = output;
    return {};
}

// A certificate and key made by openssl: <dir>/<name>.crt and .key.
void makeCertificate(const QString &dir, const QString &name, const QString &subject)
{
    QDir().mkpath(dir);
    ASSERT_EQ(openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", dir + "/" + name + ".key", "-out",
                       dir + "/" + name + ".crt", "-days", "30", "-subj", subject}),
              QString());
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The current user's "My" store with one file of each kind.
QString fillMyStore()
{
    const QString work = tempDir() + "/made";
    makeCertificate(work, "signer", "/CN=Corvantis Signer/O=Trading Partner Ltd");
    makeCertificate(work, "partner", "/O=Partner Org/OU=EDI Desk");
    makeCertificate(work, "bundle", "/CN=Bundled Key");
    makeCertificate(work, "extra1", "/CN=Extra One");
    makeCertificate(work, "extra2", "/CN=Extra Two");
    const QString store = crypto::storeFolder(int(crypto::StoreLocation::CurrentUser), "My");
    QDir().mkpath(store);
    EXPECT_EQ(openssl({"x509", "-in", work + "/partner.crt", "-outform", "DER", "-out", store + "/a-partner.der"}), QString());
    writeFile(store + "/b-signer.pem", readAll(work + "/signer.crt") + readAll(work + "/signer.key"));
    EXPECT_EQ(openssl({"pkcs12", "-export", "-in", work + "/bundle.crt", "-inkey", work + "/bundle.key", "-passout", "pass:",
                       "-out", store + "/c-bundle.p12"}),
              QString());
    writeFile(store + "/d-two.pem", readAll(work + "/extra1.crt") + readAll(work + "/extra2.crt"));
    writeFile(store + "/notes.txt", "not a certificate file and not listed");
    writeFile(store + "/z-broken.pem", "-----BEGIN CERTIFICATE-----\nnonsense\n-----END CERTIFICATE-----\n");
    return store;
}

} // namespace

TEST(CertificateStore, ListsPemDerAndPkcs12FilesInAStableOrder)
{
    const QString folder = fillMyStore();
    EXPECT_TRUE(folder.startsWith(tempDir())) << folder.toStdString(); // the harness redirects the data folder

    const auto store = crypto::CertificateStore::open(crypto::storeLocationFromText("Current User Store"), "My");
    ASSERT_EQ(store.count(), 5) << store.problems().join("; ").toStdString();
    QStringList subjects, issuers;
    for (int k = 1; k <= store.count(); ++k) {
        subjects << store.item(k).info(0);
        issuers << store.item(k).info(1);
    }
    EXPECT_EQ(subjects, (QStringList{"EDI Desk", "Corvantis Signer", "Bundled Key", "Extra One", "Extra Two"}));
    EXPECT_EQ(issuers, subjects); // self-signed
    EXPECT_FALSE(store.item(1).hasPrivateKey());
    EXPECT_TRUE(store.item(2).hasPrivateKey());
    EXPECT_TRUE(store.item(3).hasPrivateKey());
    EXPECT_FALSE(store.item(4).hasPrivateKey());
    ASSERT_EQ(store.problems().size(), 1);
    EXPECT_TRUE(store.problems().at(0).contains("z-broken.pem"));

    // The same positions name the same certificates when opened again.
    const auto again = crypto::CertificateStore::open(int(crypto::StoreLocation::CurrentUser), "My");
    for (int k = 1; k <= store.count(); ++k)
        EXPECT_EQ(again.item(k).thumbprint(), store.item(k).thumbprint());
    EXPECT_THROW(store.item(0), vb::VbError);
    EXPECT_THROW(store.item(6), vb::VbError);
}

TEST(CertificateStore, LocationsAndMissingStores)
{
    EXPECT_EQ(crypto::storeLocationFromText("Active Directory User Store"), 3);
    EXPECT_EQ(crypto::storeLocationFromText("Current User Store"), 2);
    EXPECT_EQ(crypto::storeLocationFromText("Local Machine Store"), 1);
    EXPECT_EQ(crypto::storeLocationFromText("Smart Card User Store"), 4);
    EXPECT_EQ(crypto::storeLocationFromText("current user store"), 0);

    fillMyStore();
    EXPECT_EQ(crypto::CertificateStore::open(2, "Root").count(), 0);         // no folder: empty store
    EXPECT_EQ(crypto::CertificateStore::open(1, "My").count(), 0);           // other location, other folder
    EXPECT_EQ(crypto::CertificateStore::open(3, "My").count(), 0);           // directory service: empty
    EXPECT_EQ(crypto::CertificateStore::open(4, "My").count(), 0);           // smart card: empty
    try {
        crypto::CertificateStore::open(0, "My");
        FAIL() << "location 0 accepted";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, crypto::kErrInvalidStoreLocation);
        EXPECT_LT(e.number, 0);
    }
    EXPECT_THROW(crypto::CertificateStore::open(2, "../My"), vb::VbError);
    EXPECT_THROW(crypto::CertificateStore::open(2, ".."), vb::VbError);
}

TEST(CertificateStore, ValidityDatesAreThoseOfTheCertificate)
{
    fillMyStore();
    const auto store = crypto::CertificateStore::open(2, "My");
    ASSERT_GE(store.count(), 2);
    QByteArray out;
    ASSERT_EQ(openssl({"x509", "-noout", "-startdate", "-enddate", "-dateopt", "iso_8601", "-in", tempDir() + "/made/signer.crt"}, &out),
              QString());
    // notBefore=2026-12-10 13:05:09Z
    const QRegularExpression re("notBefore=(\\S+ \\S+)Z\\s+notAfter=(\\S+ \\S+)Z");
    const auto m = re.match(QString::fromLatin1(out));
    ASSERT_TRUE(m.hasMatch()) << out.toStdString();
    const auto from = QDateTime::fromString(m.captured(1), "yyyy-MM-dd HH:mm:ss");
    const auto to = QDateTime::fromString(m.captured(2), "yyyy-MM-dd HH:mm:ss");
    EXPECT_EQ(store.item(2).validFrom().toString("yyyy-MM-dd HH:mm:ss"), from.toString("yyyy-MM-dd HH:mm:ss"));
    EXPECT_EQ(store.item(2).validTo().toString("yyyy-MM-dd HH:mm:ss"), to.toString("yyyy-MM-dd HH:mm:ss"));
    EXPECT_EQ(store.item(2).validFrom().timeSpec(), Qt::UTC);
    EXPECT_EQ(store.item(2).subjectName(), "CN=Corvantis Signer, O=Trading Partner Ltd");
}

TEST(Signing, DetachedSignatureVerifiesWithOpensslAndCarriesTheProgramClock)
{
    fillMyStore();
    const auto store = crypto::CertificateStore::open(2, "My");
    const crypto::Certificate &signer = store.item(2);
    // Binary content with lone LFs and CRs: signed as the bytes are.
    const QByteArray content = QByteArray("ISA*00*~GS*PO~\nST*850*0001~\r\nSE*2*0001~\rIEA*1~") + QByteArray("\x00\xff", 2);
    const QString file = tempDir() + "/send.edi";
    writeFile(file, content);

    for (const bool fromFile : {false, true}) {
        SCOPED_TRACE(fromFile ? "file" : "bytes");
        const QString b64 = fromFile ? crypto::signFileDetached(signer, file) : crypto::signDetached(signer, content);
        ASSERT_TRUE(b64.endsWith("\r\n"));
        const QStringList lines = b64.left(b64.size() - 2).split("\r\n");
        for (int i = 0; i < lines.size(); ++i) {
            EXPECT_LE(lines[i].size(), 64);
            if (i + 1 < lines.size()) {
                EXPECT_EQ(lines[i].size(), 64);
            }
            EXPECT_FALSE(lines[i].contains('\n'));
        }
        const QString der = tempDir() + "/sig.der";
        writeFile(der, QByteArray::fromBase64(b64.toLatin1()));

        EXPECT_EQ(openssl({"cms", "-verify", "-binary", "-inform", "DER", "-in", der, "-content", file, "-CAfile",
                           tempDir() + "/made/signer.crt", "-purpose", "any", "-out", tempDir() + "/verified.out"}),
                  QString());
        EXPECT_EQ(readAll(tempDir() + "/verified.out"), content);

        QByteArray printed;
        ASSERT_EQ(openssl({"cms", "-cmsout", "-print", "-inform", "DER", "-in", der}, &printed), QString());
        const QString expected = defaultClockTime().toUTC().toString("MMM d HH:mm:ss yyyy 'GMT'");
        const QString text = QString::fromLatin1(printed).simplified();
        EXPECT_TRUE(text.contains("signingTime")) << printed.toStdString();
        EXPECT_TRUE(text.contains("UTCTIME:" + expected.simplified())) << expected.toStdString() << "\n" << printed.toStdString();
        EXPECT_TRUE(text.contains("sha256")) << printed.toStdString();

        // A changed byte no longer verifies.
        QByteArray tampered = content;
        tampered[5] = 'X';
        writeFile(tempDir() + "/tampered.edi", tampered);
        EXPECT_NE(openssl({"cms", "-verify", "-binary", "-inform", "DER", "-in", der, "-content", tempDir() + "/tampered.edi",
                           "-CAfile", tempDir() + "/made/signer.crt", "-purpose", "any", "-out", "/dev/null"}),
                  QString());
    }
}

TEST(Signing, FailuresCarryNegativeNumbers)
{
    fillMyStore();
    const auto store = crypto::CertificateStore::open(2, "My");
    const auto expectCode = [](auto &&call, int32_t code) {
        try {
            call();
            ADD_FAILURE() << "no error";
        } catch (const vb::VbError &e) {
            EXPECT_EQ(e.number, code) << e.description.toStdString();
            EXPECT_LT(e.number, 0);
            EXPECT_FALSE(e.description.isEmpty());
        }
    };
    expectCode([&] { crypto::signDetached(store.item(1), "data"); }, crypto::kErrNoPrivateKey);
    expectCode([&] { crypto::signDetached(store.item(2), ""); }, crypto::kErrNoContent);
    expectCode([&] { crypto::signDetached(crypto::Certificate(), "data"); }, crypto::kErrNoCertificate);
    expectCode([&] { crypto::signFileDetached(store.item(2), tempDir() + "/absent.edi"); }, crypto::kErrContentUnreadable);
    // The key of the PKCS#12 file signs too.
    EXPECT_FALSE(crypto::signDetached(store.item(3), "data").isEmpty());
}

TEST(Signing, CertificatesOutsideTheirValidityAreRefusedWithTheirDates)
{
    const QString work = tempDir() + "/dated";
    QDir().mkpath(work);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime later(now.date().addYears(2), QTime(8, 30), Qt::UTC);
    struct Case {
        const char *name;
        QDateTime from, to;
        int32_t code;
        QString named; // the date the description must give
    };
    const std::vector<Case> cases = {
        {"expired", QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC),
         QDateTime(QDate(2021, 1, 1), QTime(12, 0), Qt::UTC), crypto::kErrCertificateExpired,
         "expired on 2021-01-01 12:00:00 UTC (valid from 2020-01-01 00:00:00 UTC to 2021-01-01 12:00:00 UTC)"},
        {"not yet valid", later, later.addYears(1), crypto::kErrCertificateNotYetValid,
         "is not valid before " + later.toString("yyyy-MM-dd") + " 08:30:00 UTC"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = work + "/" + QString::fromLatin1(c.name).replace(' ', '-') + ".pem";
        ASSERT_TRUE(makeDatedCertificate(file, "Dated Signer", c.from, c.to));
        QString problem;
        const crypto::Certificate signer = crypto::readCertificateFile(file, &problem).value(0);
        ASSERT_FALSE(signer.isNull()) << problem.toStdString();
        ASSERT_TRUE(signer.hasPrivateKey());
        try {
            crypto::signDetached(signer, "ISA*00~");
            ADD_FAILURE() << "signed with an " << c.name << " certificate";
        } catch (const vb::VbError &e) {
            EXPECT_EQ(e.number, c.code);
            EXPECT_TRUE(e.description.startsWith("The certificate \"Dated Signer\" ")) << e.description.toStdString();
            EXPECT_TRUE(e.description.contains(c.named)) << e.description.toStdString();
        }
    }
}

TEST(Providers, FixedOrderAndAlgorithmLists)
{
    crypto::ProviderList list;
    ASSERT_GE(list.count(), 1);
    const QStringList names = list.names();
    EXPECT_EQ(names.at(0), "OpenSSL Default Provider");
    EXPECT_EQ(crypto::ProviderList().names(), names);
    crypto::Provider &def = list.provider(0);
    EXPECT_TRUE(def.acquire());
    EXPECT_TRUE(def.isAcquired());
    const QStringList algorithms = def.algorithms();
    EXPECT_TRUE(algorithms.contains("SHA2-256"));
    EXPECT_TRUE(algorithms.contains("AES-256-CBC"));
    EXPECT_LT(algorithms.indexOf("SHA2-256"), algorithms.indexOf("AES-256-CBC")); // digests before ciphers
    def.release();
    EXPECT_FALSE(def.isAcquired());
    EXPECT_EQ(def.algorithms(), algorithms); // listing needs no held context
    EXPECT_THROW(list.provider(list.count()), vb::VbError);
    EXPECT_THROW(list.provider(-1), vb::VbError);
}

TEST(CertificateDialog, ShowsTheCertificate)
{
    fillMyStore();
    const auto store = crypto::CertificateStore::open(2, "My");
    crypto::CertificateDialog dialog(store.item(2));
    EXPECT_EQ(dialog.shownValue("Issued to:"), "CN=Corvantis Signer, O=Trading Partner Ltd");
    EXPECT_EQ(dialog.shownValue("Thumbprint:"), store.item(2).thumbprint());
    EXPECT_EQ(dialog.shownValue("Private key:"), "Present");
    EXPECT_EQ(store.item(2).thumbprint().size(), 40);
}
