#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace corvantis::test {

const char *kindName(BoxKind kind)
{
    switch (kind) {
    case BoxKind::MessageBox: return "message box";
    case BoxKind::InputBox: return "input box";
    case BoxKind::OpenFile: return "open-file dialog";
    case BoxKind::BrowseFolder: return "folder browse";
    case BoxKind::PrinterSetup: return "printer set-up";
    }
    return "dialog";
}

static std::string describe(const Box &box)
{
    std::string s = kindName(box.kind);
    s += " \"" + box.text.toStdString() + "\"";
    if (!box.caption.isEmpty())
        s += " titled \"" + box.caption.toStdString() + "\"";
    return s;
}

ScriptedDialogs &ScriptedDialogs::answer(int msgBoxResult)
{
    Answer a;
    a.kind = BoxKind::MessageBox;
    a.result = msgBoxResult;
    m_answers.push_back(a);
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerInput(const QString &text)
{
    Answer a;
    a.kind = BoxKind::InputBox;
    a.text = text;
    m_answers.push_back(a);
    return *this;
}

ScriptedDialogs &ScriptedDialogs::cancelInput()
{
    Answer a;
    a.kind = BoxKind::InputBox;
    a.accepted = false;
    m_answers.push_back(a);
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerOpenFile(const QStringList &files, int filterIndex)
{
    Answer a;
    a.kind = BoxKind::OpenFile;
    a.files = files;
    a.filterIndex = filterIndex;
    m_answers.push_back(a);
    return *this;
}

ScriptedDialogs &ScriptedDialogs::cancelOpenFile()
{
    Answer a;
    a.kind = BoxKind::OpenFile;
    a.accepted = false;
    m_answers.push_back(a);
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerFolder(const QString &folder)
{
    Answer a;
    a.kind = BoxKind::BrowseFolder;
    a.text = folder;
    m_answers.push_back(a);
    return *this;
}

ScriptedDialogs &ScriptedDialogs::cancelFolder()
{
    Answer a;
    a.kind = BoxKind::BrowseFolder;
    a.accepted = false;
    m_answers.push_back(a);
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerPrinterSetup(bool accepted)
{
    Answer a;
    a.kind = BoxKind::PrinterSetup;
    a.accepted = accepted;
    m_answers.push_back(a);
    return *this;
}

const Box &ScriptedDialogs::last() const
{
    static const Box none;
    if (m_boxes.empty()) {
        ADD_FAILURE() << "No dialog was shown";
        return none;
    }
    return m_boxes.back();
}

void ScriptedDialogs::verifyAllAnswersUsed()
{
    for (const Answer &a : m_answers)
        ADD_FAILURE() << "A scripted answer for a " << kindName(a.kind) << " was never asked for";
    m_answers.clear();
}

void ScriptedDialogs::reset()
{
    m_answers.clear();
    m_boxes.clear();
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::take(const Box &box)
{
    m_boxes.push_back(box);
    if (m_answers.empty()) {
        ADD_FAILURE() << "Unexpected " << describe(box) << ": no answer was scripted";
        return std::nullopt;
    }
    if (m_answers.front().kind != box.kind) {
        ADD_FAILURE() << "Unexpected " << describe(box) << ": the next scripted answer is for a "
                      << kindName(m_answers.front().kind);
        return std::nullopt;
    }
    Answer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

int ScriptedDialogs::messageBox(const vb::MessageBoxRequest &request)
{
    Box box;
    box.kind = BoxKind::MessageBox;
    box.text = request.prompt;
    box.caption = request.title;
    box.style = request.buttons;
    box.buttons = vb::msgBoxButtons(request.buttons);
    box.icon = vb::msgBoxIcon(request.buttons);
    box.defaultButton = vb::msgBoxDefaultButton(request.buttons);
    const std::optional<Answer> a = take(box);
    const int escape = vb::msgBoxEscapeResult(request.buttons);
    if (!a)
        return escape;
    if (!vb::msgBoxResults(request.buttons).contains(a->result)) {
        ADD_FAILURE() << "Scripted answer " << a->result << " is not a button of the " << describe(box);
        return escape;
    }
    return a->result;
}

std::optional<QString> ScriptedDialogs::inputBox(const vb::InputBoxRequest &request)
{
    Box box;
    box.kind = BoxKind::InputBox;
    box.text = request.prompt;
    box.caption = request.title;
    box.defaultText = request.defaultText;
    const std::optional<Answer> a = take(box);
    if (!a || !a->accepted)
        return std::nullopt;
    return a->text;
}

vb::OpenFileResult ScriptedDialogs::openFile(const vb::OpenFileRequest &request)
{
    Box box;
    box.kind = BoxKind::OpenFile;
    box.text = request.title;
    box.caption = request.title;
    box.openFile = request;
    const std::optional<Answer> a = take(box);
    vb::OpenFileResult result;
    if (!a || !a->accepted)
        return result;
    if (a->files.size() > 1 && !request.multiSelect)
        ADD_FAILURE() << "Scripted answer picks " << a->files.size() << " files in a single-choice " << describe(box);
    result.accepted = !a->files.isEmpty();
    result.files = a->files;
    result.filterIndex = a->filterIndex;
    return result;
}

std::optional<QString> ScriptedDialogs::browseFolder(const vb::BrowseFolderRequest &request)
{
    Box box;
    box.kind = BoxKind::BrowseFolder;
    box.text = request.title;
    box.caption = request.title;
    box.startFolder = request.startFolder;
    const std::optional<Answer> a = take(box);
    if (!a || !a->accepted)
        return std::nullopt;
    return a->text;
}

bool ScriptedDialogs::printerSetup(const vb::PrinterSetupRequest &request)
{
    Box box;
    box.kind = BoxKind::PrinterSetup;
    box.text = request.title;
    box.caption = request.title;
    const std::optional<Answer> a = take(box);
    return a && a->accepted;
}

} // namespace corvantis::test
