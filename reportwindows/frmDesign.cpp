#include "reportwindows/frmDesign.h"
#include "core/HandlerGuard.h"

#include "reportwindows/ReportPlaces.h"

#include "translation/OpenReport.h"

#include "core/modGlobal.h"
#include "report/ReportDesigner.h"
#include "report/ReportFile.h"
#include "vb/Dialogs.h"
#include "vb/Twips.h"
#include "vb/VbError.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QLabel>
#include <QStatusBar>
#include <QFontDialog>
#include <QMenuBar>
#include <QScrollArea>

using namespace Qt::StringLiterals;

namespace reportwindows {

using modGlobal::guardedConnect;

frmDesign::frmDesign(QWidget *parent) : QMainWindow(parent, Qt::Window)
{
    setObjectName(u"frmDesign"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    crxDesigner = new report::ReportDesigner;
    auto *scroll = new QScrollArea(this);
    scroll->setWidget(crxDesigner);
    scroll->setBackgroundRole(QPalette::Dark);
    setCentralWidget(scroll);
    guardedConnect(crxDesigner, &report::ReportDesigner::modifiedChanged, this, [this] { updateTitle(); });

    QMenu *file = menuBar()->addMenu(u"&File"_s);
    QAction *saveItem = file->addAction(u"&Save"_s, this, [this] { save(); });
    saveItem->setShortcut(QKeySequence::Save);
    saveItem->setObjectName(u"mnuSave"_s);
    QAction *saveAsItem = file->addAction(u"Save &As..."_s, this, [this] { saveAs(); });
    saveAsItem->setShortcut(QKeySequence::SaveAs);
    saveAsItem->setObjectName(u"mnuSaveAs"_s);
    file->addSeparator();
    file->addAction(u"&Close"_s, this, &QWidget::close);
    QMenu *format = menuBar()->addMenu(u"F&ormat"_s);
    format->addAction(u"&Font..."_s, this, [this] { editFont(); })->setObjectName(u"mnuFont"_s);
    format->addAction(u"Field F&ormat..."_s, this, [this] { editFormat(); })->setObjectName(u"mnuFieldFormat"_s);

    lblExportReport = new QLabel(this);
    lblExportReport->setObjectName(u"lblExportReport"_s);
    lblExportReport->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(lblExportReport, 1);

    chooseFont = [this](const report::Font &current) -> std::optional<report::Font> {
        QFontDialog dialog(fontDialogStart(current), this);
        dialog.setWindowTitle(u"Font"_s);
        // What the dialog shows, as it shows it: a choice left as shown
        // keeps the object's own value.
        const QFont open = dialog.currentFont();
        const report::Font shown{open.family(), current.size, open.bold(), open.italic(), current.underline};
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        const QFont chosen = dialog.selectedFont();
        return report::chosenFont(current, shown,
                                  report::Font{chosen.family(), chosen.pointSizeF(), chosen.bold(), chosen.italic(),
                                               chosen.underline()});
    };
    chooseSaveAsPath = [this](const QString &suggested) -> std::optional<QString> {
        const QString file = QFileDialog::getSaveFileName(this, u"Save As"_s, suggested,
                                                          u"Reports (*.rpt *.RPT);;All Files (*)"_s);
        if (file.isEmpty())
            return std::nullopt;
        return file;
    };
    const QSize designed = vb::twipsToPixelSize(5535, 3975);
    resize(designed.expandedTo(QSize(900, 700)));
    updateTitle();
}

QFont fontDialogStart(const report::Font &font)
{
    // The dialog lists the families the system has: a family it lacks
    // (Arial where fontconfig stands Liberation Sans in) opens on the one it
    // resolves to, else the dialog would fall back to its default and lose
    // the weight and slant with it.
    QFont wanted(font.family);
    wanted.setPointSizeF(font.size);
    wanted.setBold(font.bold);
    wanted.setItalic(font.italic);
    QFont start(QFontInfo(wanted).family());
    start.setPointSizeF(font.size);
    start.setBold(font.bold);
    start.setItalic(font.italic);
    start.setUnderline(font.underline);
    return start;
}

void frmDesign::Form_Load()
{
    const report::ReportDocumentPtr open = translation::crxReport;
    m_path = open ? open->path() : QString();
    crxDesigner->setReport(open ? open->report() : report::Report{});
    updateTitle();
}

void frmDesign::updateNote()
{
    lblExportReport->setText(exportReportNote(m_path));
}

void frmDesign::updateTitle()
{
    QString title = u"Report Designer"_s;
    if (!m_path.isEmpty())
        title += u" - "_s + QFileInfo(m_path).fileName();
    if (crxDesigner && crxDesigner->isModified())
        title += u" *"_s;
    setWindowTitle(title);
    if (lblExportReport)
        updateNote();
}

bool frmDesign::save()
{
    try {
        if (m_path.isEmpty())
            vb::raise(75, u"Path/File access error: the report has no file"_s);
        report::saveReport(crxDesigner->report(), m_path);
        crxDesigner->setModified(false);
        return true;
    } catch (const std::exception &error) {
        modGlobal::ReportError(error);
    }
    return false;
}

bool frmDesign::saveAs()
{
    try {
        // A set's report is offered as its export report: that is the one
        // the program cannot make by itself.
        QString suggested = exportReportPathFor(m_path);
        if (suggested.isEmpty())
            suggested = m_path;
        const std::optional<QString> chosen = chooseSaveAsPath ? chooseSaveAsPath(suggested) : std::nullopt;
        if (!chosen || chosen->isEmpty())
            return false;
        QString path = *chosen;
        if (QFileInfo(path).suffix().isEmpty())
            path += u".RPT"_s;
        report::saveReport(crxDesigner->report(), path);
        m_path = path;
        crxDesigner->setModified(false);
        updateTitle();
        return true;
    } catch (const std::exception &error) {
        modGlobal::ReportError(error);
    }
    return false;
}

bool frmDesign::resolvePendingEdits()
{
    if (!crxDesigner->isModified())
        return true;
    const int answer = vb::MsgBox(u"Save changes to "_s + QFileInfo(m_path).fileName() + u'?',
                                  vb::vbYesNoCancel | vb::vbQuestion, modGlobal::AppTitle());
    if (answer == vb::vbCancel)
        return false;
    if (answer == vb::vbYes)
        return save();
    crxDesigner->setModified(false);
    return true;
}

void frmDesign::closeEvent(QCloseEvent *event)
{
    if (resolvePendingEdits())
        event->accept();
    else
        event->ignore();
}

void frmDesign::editFont()
{
    const report::ReportObject *o = crxDesigner->selectedObject();
    if (!o || !chooseFont)
        return;
    if (const auto font = chooseFont(o->font))
        crxDesigner->setSelectedFont(*font);
}

void frmDesign::editFormat()
{
    const report::ReportObject *o = crxDesigner->selectedObject();
    if (!o)
        return;
    if (o->kind != report::ObjectKind::Field) {
        vb::MsgBox(u"Only a field object has a format."_s, vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
        return;
    }
    int type = 200;
    for (const report::FieldDef &f : crxDesigner->report().fields) {
        if (f.name.compare(o->field, Qt::CaseInsensitive) == 0)
            type = f.type;
    }
    QString entered = o->format;
    for (;;) {
        const std::optional<QString> format = vb::dialogService().inputBox(
            {u"Format pattern of the field "_s + o->field + u" (empty for none):"_s, u"Field Format"_s, entered});
        if (!format)
            return;
        const QString problem = report::formatPatternProblem(*format, type);
        if (problem.isEmpty()) {
            crxDesigner->setSelectedFormat(*format);
            return;
        }
        // Asked again with the text as entered, so the user can mend it.
        vb::MsgBox(u"The format pattern \""_s + *format + u"\" cannot be used: "_s + problem + u'.',
                   vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
        entered = *format;
    }
}

} // namespace reportwindows
