#pragma once
// The communications window " Exchange": the networks with one page of
// controls each (connection, schedule, scripts, AS2 and encryption choices),
// the Add/Delete/Modify commands over NetworkStore, the Send and Receive
// runs of NetworkRun, the minute scheduler over ExchangeScheduler, the
// certificate lists and the script reference trees. The window only wires
// controls to those plain classes.

#include "communications/ExchangeScheduler.h"
#include "communications/NetworkRun.h"
#include "communications/NetworkStore.h"

#include "crypto/Certificate.h"

#include <QList>
#include <QSet>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QGridLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;
class QTimer;

namespace controls {
class ComboList;
class ImageList;
class ListView;
class MaskedEdit;
class ScriptBox;
class TabStrip;
class TextBox;
class TreeView;
}
namespace crypto {
class ProviderList;
}

namespace communications {

// The controls of one network page (element i of each control array).
struct ExchangePage {
    controls::TextBox *txtURL = nullptr, *txtProxy = nullptr, *txtUserName = nullptr, *txtPassword = nullptr;
    controls::ComboList *cboProtocol = nullptr, *cboAccessType = nullptr;
    controls::MaskedEdit *mebRemotePort = nullptr, *mebTimeOut = nullptr;
    QCheckBox *chkTime = nullptr;
    QTimeEdit *dtpTime = nullptr;
    QCheckBox *chkInterval = nullptr;
    controls::ComboList *cboInterval = nullptr;
    QRadioButton *optSendReceive = nullptr, *optReceive = nullptr, *optSend = nullptr;
    controls::ScriptBox *txtSend = nullptr, *txtReceive = nullptr;
    controls::TextBox *txtOrganizationName = nullptr, *txtEmail = nullptr, *txtPartnerName = nullptr,
                      *txtPartnerURL = nullptr;
    QCheckBox *chkSignOutgoing = nullptr, *chkEncryptOutgoing = nullptr, *chkCompressOutgoing = nullptr,
              *chkRequireSignature = nullptr, *chkRequireEncryption = nullptr, *chkMDNSigned = nullptr,
              *chkMDNUnsigned = nullptr, *chkRequestMDN = nullptr;
    QRadioButton *optSyncronous = nullptr, *optAsyncronous = nullptr;
    controls::ComboList *cboProvider = nullptr, *cboAlgorithm = nullptr, *cboHash = nullptr,
                        *cboStoreLocation = nullptr, *cboStoreName = nullptr;
    controls::ListView *lvwCertificate = nullptr;
    // The certificates listed, item k at k - 1.
    QList<crypto::Certificate> certificates;
    // The run options and the receipt options are each one choice per page.
    QButtonGroup *runOptions = nullptr, *receiptOptions = nullptr;

    // The 37 controls in the order of the fields (NetworkField).
    QList<QWidget *> controls() const;
};

class frmExchange : public QWidget {
    Q_OBJECT
public:
    frmExchange();
    ~frmExchange() override;

    // Controls, by their classic names.
    controls::TabStrip *sstInternet = nullptr;
    controls::ListView *lvwNetworks = nullptr;
    QPushButton *cmdAddNetwork = nullptr, *cmdDeleteNetwork = nullptr;
    QPushButton *cmdSend = nullptr, *cmdReceive = nullptr, *cmdModify = nullptr, *cmdClose = nullptr;
    QPlainTextEdit *txtSession = nullptr;
    controls::TreeView *tvwSendRef = nullptr, *tvwReceiveRef = nullptr;
    QTimer *tmrScheduler = nullptr;
    // Page i belongs to the network at list position i + 1.
    std::vector<std::unique_ptr<ExchangePage>> pages;
    ExchangePage &page(int index) const; // 340 for a page that does not exist

    // The procedures and handlers of the window.
    void Form_Load();
    void LoadNetworks();
    void UnloadPages();
    void ShowNetwork();
    void SetEditMode(bool blnEnabled, int intPage);
    void FillPage(int intPage);
    void ShowPage(int index);
    void HidePages();
    void FillSendReference();
    void FillReceiveReference();
    void LoadCertificates(int index);
    void lvwCertificate_DblClick(int index);
    void cboProvider_Click(int index);
    void chkTime_Click(int index);
    void chkInterval_Click(int index);
    void cmdAddNetwork_Click();
    void cmdDeleteNetwork_Click();
    void cmdModify_Click();
    void cmdSend_Click();
    void cmdReceive_Click();
    void cmdClose_Click();
    void tmrScheduler_Timer();

    // Script-callable: the hash code of the running network's page (of the
    // selected network's page when nothing runs), and the detached signature
    // of a new send file with page Index's store and certificate.
    int32_t GetHashType();
    QString SendAS2(int index);

    bool blnBusy() const;
    int lngProviderIndex() const { return m_providerIndex; }
    // False while a run is under way: the window stays.
    bool QueryUnload();

    // The page's values as the runs and the scheduler read them.
    NetworkPage runPage(int index) const;
    NetworkSchedule schedule(int index) const;
    // The 37 values Save writes, in NetworkField order.
    std::vector<vb::Variant> pageValues(int index) const;

    // Seams: the runs (RunSendScript, RunReceiveScript), the certificate
    // dialog, and the scheduler whose counters live as long as the program.
    std::function<bool(const NetworkPage &)> runSend, runReceive;
    std::function<void(const crypto::Certificate &)> showCertificate;
    ExchangeScheduler *scheduler = nullptr;
    static ExchangeScheduler &programScheduler();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    std::unique_ptr<ExchangePage> createPage(int index);
    void destroyPage(ExchangePage &page);
    void putRowIntoPage(int index, const NetworkRow &row);
    void fillReference(controls::TreeView *tree, const QString &saveChunk);
    void updateButtons();
    void runNetwork(int index, bool send);
    void runDue(const std::vector<ExchangeStart> &starts, const QStringList &names);
    int selectedPage() const;
    bool databaseFree();
    crypto::ProviderList &providers();

    // Where each tab puts a page's controls (every page in the same cells).
    QGridLayout *m_connection = nullptr, *m_scheduler = nullptr, *m_send = nullptr, *m_receive = nullptr,
                *m_localSetup = nullptr, *m_partnerInfo = nullptr, *m_connectionInfo = nullptr, *m_receipts = nullptr,
                *m_receiptChoice = nullptr, *m_encryption = nullptr;
    std::unique_ptr<controls::ImageList> m_icons;
    std::unique_ptr<crypto::ProviderList> m_providers;
    NetworkStore m_store;
    int m_providerIndex = -1;
    int m_runningPage = -1;
    bool m_editing = false;
    bool m_unloaded = false;
    // Certificate files already recorded as left out of a list (file and
    // reason), so reloading a list does not record them again.
    QSet<QString> m_reportedCertificateProblems;
};

} // namespace communications
