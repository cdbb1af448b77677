// The Qt side of the dialogs service.
#include "AppInfo.h"
#include "Dialogs.h"
#include "VbError.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPageSetupDialog>
#include <QPrinterInfo>
#include <QVBoxLayout>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>
#include <QFileInfo>
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
    // A folder that does not exist would be typed into the name box instead.
    if (!request.initialFolder.isEmpty() && QFileInfo(request.initialFolder).isDir())
        dialog.setDirectory(request.initialFolder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    // File names differ in letter case here; a classic filter means either case.
    QStringList filters = qtNameFilters(request.filter);
    for (QString &filter : filters) {
        const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
        if (open < 0 || !filter.endsWith(QLatin1Char(')')))
            continue;
        QStringList patterns;
        for (const QString &p : filter.mid(open + 1, filter.size() - open - 2).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            for (const QString &variant : {p, p.toLower(), p.toUpper()})
                if (!patterns.contains(variant))
                    patterns << variant;
        filter = filter.left(open + 1) + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    // Wide enough that names, sizes and dates can be read, and the detail
    // columns of Qt's own dialog wide enough for their texts.
    dialog.resize(dialog.size().expandedTo(QSize(820, 520)));
    if (auto *details = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        const int widths[] = {300, 90, 130, 170};
        for (int column = 0; column < 4; ++column)
            details->header()->resizeSection(column, widths[column]);
    }
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

std::unique_ptr<QDialog> QtDialogService::makePrinterSetupDialog(const PrinterSetupRequest &request)
{
    QPrinter *printer = request.printer ? request.printer : &sharedPrinter();
    auto dialog = std::make_unique<QDialog>(dialogParent());
    dialog->setWindowTitle(request.title.isEmpty() ? QStringLiteral("Print Setup") : request.title);
    auto *printers = new QComboBox(dialog.get());
    printers->setObjectName(QStringLiteral("printers"));
    const QStringList names = QPrinterInfo::availablePrinterNames();
    printers->addItems(names);
    if (names.isEmpty()) {
        printers->addItem(QStringLiteral("(no printer installed)"));
        printers->setEnabled(false);
    } else {
        const qsizetype current = names.indexOf(printer->printerName());
        printers->setCurrentIndex(current >= 0 ? int(current) : int(std::max<qsizetype>(0, names.indexOf(QPrinterInfo::defaultPrinterName()))));
    }
    auto *page = new QPushButton(QStringLiteral("Page Setup..."), dialog.get());
    page->setObjectName(QStringLiteral("pageSetup"));
    QObject::connect(page, &QPushButton::clicked, dialog.get(), [printer, d = dialog.get()] {
        QPageSetupDialog setup(printer, d);
        setup.exec();
    });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog.get());
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog.get(), &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog.get(), &QDialog::reject);
    // Choosing sets the printer; nothing is printed.
    QObject::connect(dialog.get(), &QDialog::accepted, dialog.get(), [printer, printers, names] {
        if (!names.isEmpty())
            printer->setPrinterName(printers->currentText());
    });
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Printer:"), printers);
    form->addRow(QString(), page);
    auto *layout = new QVBoxLayout(dialog.get());
    layout->addLayout(form);
    layout->addWidget(buttons);
    dialog->resize(dialog->sizeHint().expandedTo(QSize(420, 0)));
    return dialog;
}

bool QtDialogService::printerSetup(const PrinterSetupRequest &request)
{
    requireWidgets();
    if (request.setupOnly)
        return makePrinterSetupDialog(request)->exec() == QDialog::Accepted;
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
