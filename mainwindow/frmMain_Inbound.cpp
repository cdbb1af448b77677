// The inbound road of the main window: File > Open > Inbound and Outbound,
// LoadBox, Tools > Validate (and the pop-up Validate), Tools > Generate
// Acknowledgement. The work is done by the core classes; this file shows
// their progress on the window's controls and hands them the selection.
#include "mainwindow/frmMain.h"
#include "core/ListSelection.h"
#include "core/MainWindowParts.h"

#include "core/loader/AcknowledgementWriter.h"
#include "core/loader/InterchangeLoader.h"
#include "core/loader/TransactionValidator.h"
#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "controls/ListView.h"
#include "controls/ProgressBar.h"
#include "controls/StatusBar.h"
#include "controls/TreeView.h"
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QLineEdit>
#include <QTextCursor>
#include <QDir>
#include <QTextEdit>

namespace mainwindow {

namespace {

using namespace Qt::StringLiterals;

// The window's controls as the core classes see them.
class WindowProgress final : public core::WorkProgress {
public:
    explicit WindowProgress(frmMain &window) : w(window) {}

    void setStatusText(const QString &text) override { w.sbrStatusBar->setPanelText(core::statusPanel::Text, text); }
    void setPercentText(const QString &text) override { w.sbrStatusBar->setPanelText(core::statusPanel::Percent, text); }
    void setProgressMax(int max) override
    {
        if (max > 0)
            w.pgbProgressBar->setMax(max);
    }
    void setProgressValue(int value) override
    {
        if (value <= w.pgbProgressBar->max())
            w.pgbProgressBar->setValue(value);
    }
    void yield() override { vb::DoEventsIfDue(); }
    void hideNotice() override
    {
        if (w.txtMessage->isVisible())
            w.txtMessage->hide();
    }
    void refreshList(const QString &table) override
    {
        for (controls::ListView *list : w.lists())
            if (list->tag() == table)
                w.RefreshBox(list);
    }
    void showPreview(const QString &text) override
    {
        m_preview = text;
        w.rtfTSet->setPlainText(text);
    }
    void selectInPreview(int start, int length) override
    {
        // The document keeps one character per line break where the text
        // has a carriage return and a line feed.
        const int shift = int(QStringView(m_preview).left(start).count(u"\r\n"_s));
        QTextCursor cursor(w.rtfTSet->document());
        cursor.setPosition(start - shift);
        cursor.setPosition(start - shift + length, QTextCursor::KeepAnchor);
        w.rtfTSet->setTextCursor(cursor);
    }

private:
    frmMain &w;
    QString m_preview;
};

} // namespace

std::unique_ptr<core::WorkProgress> makeWindowProgress(frmMain &window)
{
    return std::make_unique<WindowProgress>(window);
}

using core::selectionOf;

void frmMain::installInboundCommands()
{
    setMenuHandler(u"mnuOpenInbound"_s, [this] { mnuOpenInbound_Click(); });
    setMenuHandler(u"mnuOpenOutbound"_s, [this] { mnuOpenOutbound_Click(); });
    setMenuHandler(u"mnuValidate"_s, [this] { mnuValidate_Click(); });
    setMenuHandler(u"mnuGenerateAcknowledgement"_s, [this] { mnuGenerateAcknowledgement_Click(); });
}

QString frmMain::LoadBox(const QString &FileName, const QString &Direction)
{
    WindowProgress progress(*this);
    core::InterchangeLoader loader(&progress);
    // The user chose the file: a stored interchange is loaded again only when they say so.
    loader.setInteractive(true);
    return loader.LoadBox(FileName, Direction);
}

bool frmMain::WriteOutIEA(const QString &Segments, const QString &DED, const QString &Partner)
{
    return core::InterchangeLoader::WriteOutIEA(Segments, DED, Partner);
}

void frmMain::openInterchangeFiles(const QString &item, const QString &folderKey, const QString &filter,
                                   const QString &title, const QString &direction)
{
    modGlobal::LogHistory(u"Info"_s, u"Selected [File] - [Open] - ["_s + item + u"]"_s);
    try {
        vb::OpenFileRequest request;
        request.initialFolder = vb::GetSetting(u"Corvantis"_s, u"Folders"_s, folderKey, vb::AppInfo::path());
        // Opened in the folder the settings name, made when it is missing.
        if (!QDir().mkpath(request.initialFolder))
            request.initialFolder = vb::AppInfo::path();
        request.filter = filter;
        request.title = title;
        request.multiSelect = true;
        const vb::OpenFileResult chosen = vb::dialogService().openFile(request);
        if (!chosen.accepted || chosen.files.isEmpty())
            return;
        // One after another; a failed file is recorded (by the load, with
        // its name) and the next one loaded.
        for (const QString &file : chosen.files)
            LoadBox(file, direction);
    } catch (const std::exception &error) {
        modGlobal::ReportError(error);
    }
}

void frmMain::mnuOpenInbound_Click()
{
    openInterchangeFiles(u"Inbound"_s, u"Inbound"_s,
                         u"All Files (*.*)|*.*|Inbound Characters (*.IC)|*.IC|Electronic Document Interchange (*.EDI)|*.EDI"_s,
                         u"Open Inbound"_s, u"I"_s);
}

void frmMain::mnuOpenOutbound_Click()
{
    openInterchangeFiles(u"Outbound"_s, u"Outbound"_s,
                         u"All Files (*.*)|*.*|Outbound Characters (*.OC)|*.OC|Electronic Document Interchange (*.EDI)|*.EDI"_s,
                         u"Open Outbound"_s, u"O"_s);
}

void frmMain::ValidateBox(controls::ListView *lvwBox)
{
    if (!lvwBox)
        return;
    WindowProgress progress(*this);
    try {
        const core::MailboxSelection selection = selectionOf(*lvwBox);
        core::TransactionValidator(&progress).ValidateBox(selection, [&] { return IsSelectionUnique(lvwBox); });
    } catch (const vb::VbError &error) {
        modGlobal::ReportError(error);
    }
}

void frmMain::mnuValidate_Click()
{
    modGlobal::LogHistory(u"Info"_s, u"Selected [Tools] - [Validate]"_s);
    const int node = tvwFolderList->selectedNode();
    if (node == 0)
        return;
    const QString key = tvwFolderList->nodeKey(node);
    for (controls::ListView *list : {lvwInbox, lvwOutbox, lvwSent, lvwRecycled})
        if (list->tag() == key)
            ValidateBox(list);
}

void frmMain::GenerateAcknowledgement()
{
    WindowProgress progress(*this);
    try {
        const core::MailboxSelection selection = selectionOf(*lvwInbox);
        core::AcknowledgementWriter(&progress).GenerateAcknowledgement(selection,
                                                                       [&] { return IsSelectionUnique(lvwInbox); });
    } catch (const vb::VbError &error) {
        modGlobal::ReportError(error);
    }
}

void frmMain::mnuGenerateAcknowledgement_Click()
{
    modGlobal::LogHistory(u"Info"_s, u"Selected [Tools] - [Generate Acknowledgement]"_s);
    GenerateAcknowledgement();
}

} // namespace mainwindow
