// The Qt side of the dialogs service.
#include "AppInfo.h"
#include "Dialogs.h"
#include "VbError.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace vb {

namespace {

void requireWidgets()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        raise(5, QStringLiteral("A dialog needs the window system, which this process does not run"));
}

QString captionOrTitle(const QString &caption)
{
    return caption.isEmpty() ? AppInfo::title() : caption;
}

// Line breaks of the system are CR LF; a label wants LF.
QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QMessageBox::StandardButton qtButton(int result)
{
    switch (result) {
    case vbOK: return QMessageBox::Ok;
    case vbCancel: return QMessageBox::Cancel;
    case vbAbort: return QMessageBox::Abort;
    case vbRetry: return QMessageBox::Retry;
    case vbIgnore: return QMessageBox::Ignore;
    case vbYes: return QMessageBox::Yes;
    case vbNo: return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

QMessageBox::Icon qtIcon(int style)
{
    switch (msgBoxIcon(style)) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case vbExclamation: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

int QtDialogService::messageBox(const MessageBoxRequest &request)
{
    requireWidgets();
    const QList<int> results = msgBoxResults(request.buttons);
    QMessageBox box(dialogParent());
    box.setWindowTitle(captionOrTitle(request.title));
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(request.prompt));
    box.setIcon(qtIcon(request.buttons));
    QList<QPushButton *> buttons;
    for (int r : results)
        buttons << box.addButton(qtButton(r));
    int def = msgBoxDefaultButton(request.buttons);
    if (def > buttons.size())
        def = 1;
    box.setDefaultButton(buttons[def - 1]);
    box.setEscapeButton(buttons[results.indexOf(msgBoxEscapeResult(request.buttons))]);
    box.exec();
    const qsizetype pressed = buttons.indexOf(box.clickedButton());
    return pressed >= 0 ? results[pressed] : msgBoxEscapeResult(request.buttons);
}

std::optional<QString> QtDialogService::inputBox(const InputBoxRequest &request)
{
    requireWidgets();
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(captionOrTitle(request.title));
    dialog.setLabelText(displayText(request.prompt));
    dialog.setTextValue(request.defaultText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

void QtDialogService::setUpOpenFile(QFileDialog &dialog, const OpenFileRequest &request)
{
    dialog.setWindowTitle(request.title);
    if (!request.initialFolder.isEmpty())
        dialog.setDirectory(request.initialFolder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex >= 1 && request.filterIndex <= filters.size() ? request.filterIndex : 1;
        dialog.selectNameFilter(filters[index - 1]);
    }
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
}

OpenFileResult QtDialogService::openFileResult(const QFileDialog &dialog, bool accepted)
{
    OpenFileResult result;
    if (!accepted)
        return result;
    result.files = dialog.selectedFiles();
    result.accepted = !result.files.isEmpty();
    const QStringList filters = dialog.nameFilters();
    result.filterIndex = filters.isEmpty() ? 0 : static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return result;
}

OpenFileResult QtDialogService::openFile(const OpenFileRequest &request)
{
    requireWidgets();
    QFileDialog dialog(dialogParent());
    setUpOpenFile(dialog, request);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    return openFileResult(dialog, accepted);
}

std::optional<QString> QtDialogService::browseFolder(const BrowseFolderRequest &request)
{
    requireWidgets();
    const QString folder = QFileDialog::getExistingDirectory(dialogParent(), request.title, request.startFolder,
                                                             QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

bool QtDialogService::printerSetup(const PrinterSetupRequest &request)
{
    requireWidgets();
    QPrinter *printer = request.printer ? request.printer : &sharedPrinter();
    QPrintDialog dialog(printer, dialogParent());
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);
    return dialog.exec() == QDialog::Accepted;
}

QPrinter &sharedPrinter()
{
    // Lives as long as the process: a printer torn down after the application
    // object is gone would touch a dead print system.
    static QPrinter *printer = new QPrinter(QPrinter::HighResolution);
    return *printer;
}

QWidget *dialogParent()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

} // namespace vb
