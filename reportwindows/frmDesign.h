#pragma once
// The report designer window: the open report in the designer control, with
// File > Save (Ctrl+S) writing the report file, File > Save As... writing it
// under another name (a set's export report), a question before edits are
// dropped, and a status line telling where the set's export report belongs.

#include "report/ReportDocument.h"

#include <QFont>
#include <QMainWindow>

class QLabel;

namespace report {
class ReportDesigner;
}

namespace reportwindows {

// The font the Font dialog opens on for an object's `font`: the family the
// system resolves it to, with the object's size, weight, slant and underline.
QFont fontDialogStart(const report::Font &font);

class frmDesign : public QMainWindow {
    Q_OBJECT
public:
    explicit frmDesign(QWidget *parent = nullptr);

    // Takes crxReport into the designer.
    void Form_Load();
    // Writes the edited report over its file (atomically); false after a reported error.
    bool save();
    // File > Save As...: writes the report under the chosen name (".RPT" added
    // when it has no extension) and goes on editing that file; the name
    // offered for a set's report is the set's export report. False when
    // cancelled or after a reported error.
    bool saveAs();
    // With unsaved edits: "Save changes to ...?" Yes saves, No drops them;
    // false for Cancel (or a failed save): the caller stays.
    bool resolvePendingEdits();
    // The report file edited.
    QString path() const { return m_path; }

    report::ReportDesigner *crxDesigner = nullptr;

    // Font and format of the selected object, as the Format menu asks for
    // them (replaceable so the choice can be made without a dialog).
    std::function<std::optional<report::Font>(const report::Font &)> chooseFont;
    // The file Save As writes, from the one offered; nullopt when cancelled.
    std::function<std::optional<QString>(const QString &suggested)> chooseSaveAsPath;

    // The status line: where this set's export report is or must be.
    QLabel *lblExportReport = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void updateTitle();
    void updateNote();
    void editFormat();
    void editFont();

    QString m_path;
};

} // namespace reportwindows
