#pragma once
// The send and receive runs of a network: the page's script runs in the
// communications script control with three objects whose members are global:
// `Inet` (the transfer control, set up from the page), `Exchange` (the
// exchange's address, account and local file) and `Form` (the program's
// exchange functions). A send run ends by moving the sent rows to Sent.
//
// The Exchange object, the transfer control, the script control, the busy
// flag and the session text live for the program's life (the window is a
// thin caller and may be closed and opened again).

#include "communications/clsExchange.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace inet {
class InternetTransfer;
}
namespace vbs {
class ScriptControl;
}

namespace communications {

// One network's page, as its controls hold it.
struct NetworkPage {
    QString name;
    QString url, userName, password;
    QString remotePort = QStringLiteral("21");
    QString timeout = QStringLiteral("60");
    QString protocol = QStringLiteral("FTP"); // the list's text: "Unknown" ... "HTTPS", "SFTP"
    int protocolIndex = 2;                    // its position, handed to the transfer control
    int accessType = 0;
    QString proxy;
    QString sendScript, receiveScript;
};

// The state sentence of a transfer state (0-12, "Unknown state: n" otherwise).
QString StateText(int state);

class CommunicationsState : public QObject {
    Q_OBJECT
public:
    static CommunicationsState &instance();

    clsExchange &exchange() { return *m_exchange; }
    const std::shared_ptr<clsExchange> &exchangePtr() const { return m_exchange; }
    inet::InternetTransfer &inet() { return *m_inet; }
    const std::shared_ptr<inet::InternetTransfer> &inetPtr() const { return m_inet; }
    vbs::ScriptControl &scScript() { return *m_script; }

    // True from the start of a run to its end.
    bool busy() const { return m_busy; }
    void setBusy(bool busy);

    // The session box: emptied when a run starts, grows by whole lines.
    const QString &session() const { return m_session; }
    void clearSession();
    void appendSession(const QString &line); // adds CR LF

    // LogSession: CR, LF and TAB become blanks in `data` (changed in place);
    // the line goes to the session and to the Exchange log as "Info".
    void LogSession(QString &data);

    // What the window adds to Form: GetHashType and SendAS2 (without them the
    // script gets error 438 naming the member).
    std::function<int32_t()> getHashType;
    std::function<vb::Variant(int16_t index)> sendAS2;
    // The loader LoadInBox uses (default: the interchange loader, direction "I").
    std::function<QString(const QString &file)> loadBox;

signals:
    void sessionChanged(const QString &session);
    void busyChanged(bool busy);

private:
    CommunicationsState();
    ~CommunicationsState() override;
    std::shared_ptr<clsExchange> m_exchange;
    std::shared_ptr<inet::InternetTransfer> m_inet;
    std::unique_ptr<vbs::ScriptControl> m_script;
    QString m_session;
    bool m_busy = false;
};

// Runs the page's send or receive script. True when the script ran to its end
// (and, for a send run, the rows were handed to MoveOutToSent); every failure
// is in the Exchange log and the session. A run refused because another runs
// returns false at once.
bool RunSendScript(const NetworkPage &page);
bool RunReceiveScript(const NetworkPage &page);

} // namespace communications
