#pragma once
// Message boxes, input boxes and the common dialogs (open file, folder
// browse, printer set-up) go through one service. The Qt implementation lives
// in the dialogs part of the runtime (platform_vb_dialogs, which links the
// widgets): a target linking it gets the Qt dialogs as its default. Tests
// install a scripted double that answers from a queue. A process without the
// dialogs part logs each box and gives it its escape answer.

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QDialog;
class QFileDialog;
class QPrinter;
class QWidget;

namespace vb {

// Buttons, icons and default button of MsgBox, or'ed together.
enum : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
    vbDefaultButton4 = 768,
    vbApplicationModal = 0,
    vbSystemModal = 4096,
};

// Results of MsgBox: the button that was pressed.
enum : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7,
};

// Parts of a MsgBox style.
constexpr int msgBoxButtons(int style) { return style & 0x0F; }
constexpr int msgBoxIcon(int style) { return style & 0x70; }
constexpr int msgBoxDefaultButton(int style) { return ((style & 0x300) >> 8) + 1; } // 1-based

// The results a box with these buttons can give, in button order.
QList<int> msgBoxResults(int style);
// The answer of a box closed without choosing (Escape / window close):
// Cancel where there is one, else OK for a lone OK button, else the last button.
int msgBoxEscapeResult(int style);

struct MessageBoxRequest {
    QString prompt;
    int buttons = vbOKOnly; // the whole style: buttons | icon | default button
    QString title;          // as passed; empty means the application title
};

struct InputBoxRequest {
    QString prompt;
    QString title;          // as passed; empty means the application title
    QString defaultText;
};

struct OpenFileRequest {
    QString title;          // empty: the dialog's own caption
    QString filter;         // classic form "Text (*.txt)|*.txt|All Files (*.*)|*.*"
    int filterIndex = 1;    // 1-based pair of the filter shown first
    QString initialFolder;
    QString fileName;       // preset file name
    bool multiSelect = false;
};

struct OpenFileResult {
    bool accepted = false;
    QStringList files;      // full paths of the chosen files, in the order chosen
    int filterIndex = 0;    // 1-based pair chosen when accepted

    // The folder of the chosen files and their bare names.
    QString folder() const;
    QStringList names() const;
};

struct BrowseFolderRequest {
    QString title;
    QString startFolder;    // empty: the dialog's own start
};

struct PrinterSetupRequest {
    QString title;
    QPrinter *printer = nullptr; // nullptr: the program's shared printer
    // Choose printer and page only (the Print Setup command); otherwise the
    // print dialog of a print job.
    bool setupOnly = false;
};

class DialogService {
public:
    virtual ~DialogService() = default;
    // The pressed button (vbOK ...).
    virtual int messageBox(const MessageBoxRequest &request) = 0;
    // The text entered; nullopt when cancelled.
    virtual std::optional<QString> inputBox(const InputBoxRequest &request) = 0;
    virtual OpenFileResult openFile(const OpenFileRequest &request) = 0;
    // The chosen folder; nullopt when cancelled.
    virtual std::optional<QString> browseFolder(const BrowseFolderRequest &request) = 0;
    // True when the user confirmed the set-up (the printer then holds the choice).
    virtual bool printerSetup(const PrinterSetupRequest &request) = 0;
};

// The Qt dialogs: QMessageBox, QInputDialog, QFileDialog, QPrintDialog
// (platform_vb_dialogs).
class QtDialogService final : public DialogService {
public:
    int messageBox(const MessageBoxRequest &request) override;
    std::optional<QString> inputBox(const InputBoxRequest &request) override;
    OpenFileResult openFile(const OpenFileRequest &request) override;
    std::optional<QString> browseFolder(const BrowseFolderRequest &request) override;
    bool printerSetup(const PrinterSetupRequest &request) override;

    // The open-file dialog as openFile sets it up, and its answer read back:
    // apart from the modal loop so that both can be checked without one.
    static void setUpOpenFile(QFileDialog &dialog, const OpenFileRequest &request);
    static OpenFileResult openFileResult(const QFileDialog &dialog, bool accepted);
    // The printer and page set-up dialog of a setupOnly request, apart from
    // its modal loop; accepting it sets the chosen printer.
    static std::unique_ptr<QDialog> makePrinterSetupDialog(const PrinterSetupRequest &request);
};

// Installs the service; nullptr restores the default service.
void setDialogService(std::shared_ptr<DialogService> service);
// The service used while none is installed; nullptr: the unattended one.
void setDefaultDialogService(std::shared_ptr<DialogService> service);
DialogService &dialogService();

// The classic functions.
int MsgBox(const QString &prompt, int buttons = vbOKOnly, const QString &title = {});
// The entered text; empty text when cancelled.
QString InputBox(const QString &prompt, const QString &title = {}, const QString &defaultText = {});

// The classic filter text turned into Qt name filters: each "description|patterns"
// pair becomes "description (patterns)"; ";" between patterns becomes a blank and
// "*.*" becomes "*" (on this platform "*.*" would miss names without a dot).
QStringList qtNameFilters(const QString &classicFilter);

// The printer that the printer set-up changes and printing uses
// (platform_vb_dialogs).
QPrinter &sharedPrinter();

// The window a dialog belongs to: the active window, if any
// (platform_vb_dialogs).
QWidget *dialogParent();

} // namespace vb
