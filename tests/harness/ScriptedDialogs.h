#pragma once
// The dialogs service of the tests: answers every box from a queue that the
// test fills beforehand, records every box that was shown, and fails the
// running test on a box nobody expected or an answer nobody asked for.

#include "vb/Dialogs.h"

#include <deque>
#include <vector>

namespace corvantis::test {

enum class BoxKind { MessageBox, InputBox, OpenFile, BrowseFolder, PrinterSetup };
const char *kindName(BoxKind kind);

// One box as the program showed it.
struct Box {
    BoxKind kind = BoxKind::MessageBox;
    QString text;          // prompt of a message or input box; title of the other dialogs
    QString caption;       // the title as passed (empty: the application title was meant)
    int buttons = 0;       // message box: the button set (vbOKOnly ... vbRetryCancel)
    int icon = 0;          // message box: vbCritical, vbQuestion, vbExclamation, vbInformation or 0
    int defaultButton = 1; // message box: 1-based
    int style = 0;         // message box: the whole style as passed
    QString defaultText;   // input box
    vb::OpenFileRequest openFile;
    QString startFolder;   // folder browse
};

class ScriptedDialogs final : public vb::DialogService {
public:
    // Answers, taken in order by the boxes shown.
    ScriptedDialogs &answer(int msgBoxResult);                    // the next message box
    ScriptedDialogs &answerInput(const QString &text);            // the next input box, OK
    ScriptedDialogs &cancelInput();
    ScriptedDialogs &answerOpenFile(const QStringList &files, int filterIndex = 1);
    ScriptedDialogs &cancelOpenFile();
    ScriptedDialogs &answerFolder(const QString &folder);
    ScriptedDialogs &cancelFolder();
    ScriptedDialogs &answerPrinterSetup(bool accepted);

    const std::vector<Box> &boxes() const { return m_boxes; }
    const Box &last() const;            // fails the test when no box was shown
    size_t pendingAnswers() const { return m_answers.size(); }

    // Fails the running test for every answer still queued, then drops them.
    // The harness calls it at the end of every test.
    void verifyAllAnswersUsed();
    // Forgets answers and boxes without checking.
    void reset();

    int messageBox(const vb::MessageBoxRequest &request) override;
    std::optional<QString> inputBox(const vb::InputBoxRequest &request) override;
    vb::OpenFileResult openFile(const vb::OpenFileRequest &request) override;
    std::optional<QString> browseFolder(const vb::BrowseFolderRequest &request) override;
    bool printerSetup(const vb::PrinterSetupRequest &request) override;

private:
    struct Answer {
        BoxKind kind = BoxKind::MessageBox;
        bool accepted = true;
        int result = 0;
        QString text;
        QStringList files;
        int filterIndex = 1;
    };
    // The next answer when it is for this kind of box; otherwise fails the test.
    std::optional<Answer> take(const Box &box);

    std::deque<Answer> m_answers;
    std::vector<Box> m_boxes;
};

} // namespace corvantis::test
