// The encryption tab: providers and their algorithms per page with one held
// provider, the hash code, the certificate list of a page's store (stable
// columns, stored position selected again), its dialog, and SendAS2 signing
// with page Index's store and certificate.
#include "ExchangeWindowFixture.h"

#include "core/loader/InterchangeLoader.h"
#include "controls/ComboList.h"
#include "controls/ListView.h"
#include "crypto/CertificateStore.h"
#include "crypto/Providers.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QFile>
#include <QFileInfo>
#include <QPushButton>

using namespace Qt::StringLiterals;
using communications::ExchangePage;
using communications::frmExchange;
using corvantis::test::dialogs;
using exchangetest::ExchangeWindowTest;

namespace {

TEST_F(ExchangeWindowTest, ProvidersFillTheirPagesAlgorithmsAndTheWindowHoldsOneProvider)
{
    addNetwork(u"ALPHA01"_s);
    addNetwork(u"BETA001"_s);
    frmExchange &w = open();
    const crypto::ProviderList providers;
    ASSERT_GE(providers.count(), 1);
    for (int i = 0; i < 2; ++i) {
        QStringList listed;
        for (int k = 0; k < w.page(i).cboProvider->listCount(); ++k)
            listed << w.page(i).cboProvider->itemText(k);
        EXPECT_EQ(listed, providers.names()) << "page " << i;
        EXPECT_EQ(w.page(i).cboAlgorithm->listCount(), 0) << "no provider chosen yet";
    }
    const int second = providers.count() > 1 ? 1 : 0;
    w.page(0).cboProvider->setListIndex(0);
    EXPECT_EQ(w.lngProviderIndex(), 0);
    const int algorithmsOfFirst = w.page(0).cboAlgorithm->listCount();
    EXPECT_GT(algorithmsOfFirst, 0);
    EXPECT_EQ(w.page(0).cboAlgorithm->listIndex(), -1);
    w.page(1).cboProvider->setListIndex(second);
    EXPECT_EQ(w.lngProviderIndex(), second);
    EXPECT_EQ(w.page(0).cboAlgorithm->listCount(), algorithmsOfFirst) << "page 0 keeps its provider's list";
    // Chosen again, the list is the same, so a stored position names the same entry.
    QStringList before;
    for (int k = 0; k < algorithmsOfFirst; ++k)
        before << w.page(0).cboAlgorithm->itemText(k);
    w.page(0).cboProvider->setListIndex(0);
    QStringList after;
    for (int k = 0; k < w.page(0).cboAlgorithm->listCount(); ++k)
        after << w.page(0).cboAlgorithm->itemText(k);
    EXPECT_EQ(after, before);

    // The hash code of the selected network's page.
    const struct {
        int position;
        int32_t code;
    } hashes[] = {{-1, 0}, {0, 32769}, {1, 32770}, {2, 32771}, {3, 32772}};
    for (const auto &h : hashes) {
        w.page(0).cboHash->setListIndex(h.position);
        EXPECT_EQ(w.GetHashType(), h.code) << h.position;
        EXPECT_EQ(communications::CommunicationsState::instance().getHashType(), h.code);
    }
}

// A file the list leaves out is recorded once in the Exchange log, with its
// folder, its name and the reason; the others are listed.
TEST_F(ExchangeWindowTest, APasswordProtectedCertificateFileIsNamedInTheExchangeLog)
{
    addCertificate(u"My"_s, u"a-first"_s, u"First Signer"_s);
    addCertificate(u"My"_s, u"b-locked"_s, u"Locked Signer"_s, u"secret"_s);
    addNetwork(u"ALPHA01"_s, {{u"StoreLocation"_s, int16_t(1)}, {u"StoreName"_s, int16_t(0)}});
    frmExchange &w = open();
    for (int load = 0; load < 3; ++load)
        w.LoadCertificates(0);
    ASSERT_EQ(w.page(0).lvwCertificate->itemCount(), 1);
    EXPECT_EQ(w.page(0).lvwCertificate->item(1)->subItem(1), u"First Signer"_s);
    const QString store = crypto::storeFolder(int(crypto::StoreLocation::CurrentUser), u"My"_s);
    EXPECT_EQ(column(u"SELECT Type || ': ' || Description AS Entry FROM Exchange ORDER BY [Index]"_s, u"Entry"_s),
              QStringList{u"Warning: Certificate file left out of the list of "_s + store
                          + u": \"b-locked.p12\" cannot be opened without a password"_s});
}

TEST_F(ExchangeWindowTest, CertificateListsKeepFourColumnsAndSelectTheStoredPosition)
{
    addCertificate(u"My"_s, u"a-first"_s, u"First Signer"_s);
    addCertificate(u"My"_s, u"b-second"_s, u"Second Signer"_s);
    addCertificate(u"My"_s, u"c-third"_s, u"Third Signer"_s);
    addNetwork(u"ALPHA01"_s, {{u"StoreLocation"_s, int16_t(1)}, {u"StoreName"_s, int16_t(0)},
                              {u"Certificate"_s, int16_t(2)}});
    addNetwork(u"BETA001"_s, {{u"StoreLocation"_s, int16_t(1)}, {u"StoreName"_s, int16_t(1)}});
    frmExchange &w = open();
    ExchangePage &p = w.page(0);
    for (int load = 0; load < 5; ++load)
        w.LoadCertificates(0);
    ASSERT_EQ(p.lvwCertificate->columnHeaderCount(), 4);
    EXPECT_EQ(p.lvwCertificate->columnText(1), u"Issuer"_s);
    EXPECT_EQ(p.lvwCertificate->columnText(2), u"Subject"_s);
    EXPECT_EQ(p.lvwCertificate->columnText(3), u"Valid From"_s);
    EXPECT_EQ(p.lvwCertificate->columnText(4), u"Valid To"_s);
    ASSERT_EQ(p.lvwCertificate->itemCount(), 3);
    EXPECT_EQ(p.lvwCertificate->item(1)->text(), u"First Signer"_s);
    EXPECT_EQ(p.lvwCertificate->item(2)->subItem(1), u"Second Signer"_s);
    EXPECT_FALSE(p.lvwCertificate->item(1)->subItem(2).isEmpty());

    // Shown again: the stored position is selected.
    w.ShowNetwork();
    EXPECT_EQ(p.lvwCertificate->selectedItemIndex(), 2);
    EXPECT_EQ(w.page(1).lvwCertificate->itemCount(), 0) << "the Root store is empty";
    // An empty store name leaves the list as it was.
    p.cboStoreName->setListIndex(-1);
    w.LoadCertificates(0);
    EXPECT_EQ(p.lvwCertificate->itemCount(), 3);

    // Double-click shows the selected certificate; with none selected, nothing.
    QString shown;
    w.showCertificate = [&](const crypto::Certificate &c) { shown = c.info(0); };
    w.lvwCertificate_DblClick(0);
    EXPECT_EQ(shown, u"Second Signer"_s);
    shown.clear();
    p.lvwCertificate->clearSelection();
    w.lvwCertificate_DblClick(0);
    EXPECT_EQ(shown, QString());

    // Nothing selected in a list of 3 saves 4.
    p.cboStoreName->setListIndex(0);
    w.ShowNetwork();
    w.cmdModify->click();
    p.lvwCertificate->clearSelection();
    dialogs().answer(vb::vbYes);
    w.cmdModify->click();
    EXPECT_EQ(column(u"SELECT Certificate FROM Internet WHERE Network = 'ALPHA01'"_s, u"Certificate"_s),
              QStringList{u"4"_s});
    EXPECT_EQ(p.lvwCertificate->selectedCount(), 0) << "position 4 of 3 selects nothing";
}

TEST_F(ExchangeWindowTest, SendAS2SignsWithTheStoreAndCertificateOfPageIndex)
{
    const QString outbound = corvantis::test::tempDir() + u"/outbound"_s;
    QDir().mkpath(outbound);
    vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Outbound"_s, outbound);
    const QString copy = corvantis::test::tempDir() + u"/acme.OC"_s;
    QFile::copy(QStringLiteral(CORVANTIS_FIXTURES "/sendfile/acme.OC"), copy);
    ASSERT_EQ(core::InterchangeLoader().LoadBox(copy, u"O"_s), QString());
    addCertificate(u"My"_s, u"other"_s, u"Other Signer"_s);
    const QString pem = addCertificate(u"CA"_s, u"signer"_s, u"Page One Signer"_s);

    // The selected network (page 0) names the My store; page 1 the CA store.
    addNetwork(u"ALPHA01"_s, {{u"StoreLocation"_s, int16_t(1)}, {u"StoreName"_s, int16_t(0)}});
    addNetwork(u"BETA001"_s, {{u"StoreLocation"_s, int16_t(1)}, {u"StoreName"_s, int16_t(3)},
                              {u"Certificate"_s, int16_t(1)}});
    frmExchange &w = open();
    ASSERT_EQ(w.page(1).lvwCertificate->itemCount(), 1);
    ASSERT_EQ(w.page(1).lvwCertificate->selectedItemIndex(), 1);

    // Through the script interface, as a script calling Form.SendAS2 1.
    const vb::Variant signature = communications::CommunicationsState::instance().sendAS2(1);
    ASSERT_FALSE(signature.toString().isEmpty());
    const QString sendFile = communications::CommunicationsState::instance().exchange().LocaleFile;
    ASSERT_TRUE(QFileInfo(sendFile).isFile());
    QFile out(corvantis::test::tempDir() + u"/certs/signature.pem"_s);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("-----BEGIN CMS-----\n" + signature.toString().remove(u'\r').toLatin1() + "-----END CMS-----\n");
    out.close();
    EXPECT_EQ(openssl({u"cms"_s, u"-verify"_s, u"-binary"_s, u"-inform"_s, u"PEM"_s, u"-in"_s, out.fileName(),
                       u"-content"_s, sendFile, u"-CAfile"_s, pem, u"-out"_s, u"/dev/null"_s}),
              QString());

    // Both kinds of failure give their box and an Error entry; no page, no certificate.
    struct Case {
        int index;
        const char16_t *text;
    } failures[] = {
        {7, u"Visual Basic error found:Control array element '7' doesn't exist"},
        {0, u"Visual Basic error found:"}, // page 0's list has no selection once emptied
    };
    w.page(0).lvwCertificate->clearSelection();
    for (const Case &c : failures) {
        SCOPED_TRACE(c.index);
        dialogs().reset();
        dialogs().answer(vb::vbOK);
        EXPECT_TRUE(w.SendAS2(c.index).isEmpty());
        ASSERT_EQ(dialogs().boxes().size(), 1u);
        EXPECT_TRUE(dialogs().boxes()[0].text.startsWith(QString::fromUtf16(c.text)))
            << dialogs().boxes()[0].text.toStdString();
        EXPECT_EQ(dialogs().boxes()[0].icon, 0);
    }
    EXPECT_EQ(column(u"SELECT Type FROM Exchange WHERE Type = 'Error'"_s, u"Type"_s).size(), 2);

    // A certificate without its key: the component's negative number.
    const QString addressBook = crypto::storeFolder(int(crypto::StoreLocation::CurrentUser), u"AddressBook"_s);
    QDir().mkpath(addressBook);
    ASSERT_TRUE(QFile::copy(pem, addressBook + u"/nokey.crt"_s));
    w.page(0).cboStoreName->setListIndex(2);
    ASSERT_EQ(w.page(0).lvwCertificate->itemCount(), 1);
    w.page(0).lvwCertificate->setSelectedItem(1);
    dialogs().reset();
    dialogs().answer(vb::vbOK);
    EXPECT_TRUE(w.SendAS2(0).isEmpty());
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().boxes()[0].text, u"CAPICOM error found : "_s + QString::number(int32_t(0x8088020Au)));
}

} // namespace
