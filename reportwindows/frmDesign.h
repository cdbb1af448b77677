#pragma once
// The report designer window: the open report in the designer control, with
// File > Save (Ctrl+S) writing the report file and a question before edits
// are dropped.

#include "report/ReportDocument.h"

#include <QMainWindow>

namespace report {
class ReportDesigner;
}

namespace reportwindows {

class frmDesign : public QMainWindow {
    Q_OBJECT
public:
    explicit frmDesign(QWidget *parent = nullptr);

    // Takes crxReport into the designer.
    void Form_Load();
    // Writes the edited report over its file (atomically); false after a reported error.
    bool save();
    // With unsaved edits: "Save changes to ...?" Yes saves, No drops them;
    // false for Cancel (or a failed save): the caller stays.
    bool resolvePendingEdits();
    // The report file edited.
    QString path() const { return m_path; }

    report::ReportDesigner *crxDesigner = nullptr;

    // Font and format of the selected object, as the Format menu asks for
    // them (replaceable so the choice can be made without a dialog).
    std::function<std::optional<report::Font>(const report::Font &)> chooseFont;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void updateTitle();
    void editFormat();
    void editFont();

    QString m_path;
};

} // namespace reportwindows
