#include "translation/MapScriptHost.h"

#include "core/Logging.h"
#include "core/loader/X12Text.h"
#include "core/modGlobal.h"

#include "vb/Dialogs.h"
#include "vbscript/ScriptControl.h"

namespace translation {

using namespace Qt::StringLiterals;

void scScript_Error(const vbs::ScriptError &error)
{
    try {
        if (modGlobal::blnSilentMode) {
            modGlobal::LogHistory(u"Error"_s, u"Description: "_s + error.Description);
            modGlobal::LogHistory(u"Error"_s, u"Script Text: "_s + error.Text);
            modGlobal::LogHistory(u"Error"_s, u"Error Number: "_s + QString::number(error.Number));
            modGlobal::LogHistory(u"Error"_s, u"Line Number: "_s + QString::number(error.Line));
            modGlobal::LogHistory(u"Error"_s, u"Column Number: "_s + QString::number(error.Column));
        } else {
            // Labels of one width, so the values line up in the box.
            vb::MsgBox(u"Description:   "_s + error.Description + u"\r\n"_s + u"Script Text:   "_s + error.Text
                           + u"\r\n"_s + u"Error Number:  "_s + QString::number(error.Number) + u"\r\n"_s
                           + u"Line Number:   "_s + QString::number(error.Line) + u"\r\n"_s
                           + u"Column Number: "_s + QString::number(error.Column),
                       vb::vbOKOnly | vb::vbCritical, u"Script Error"_s);
        }
    } catch (...) {
        // The event runs inside the failing AddCode, which reports on its own;
        // only the report of the script's error failed here.
        core::recordCaught(lcTranslation(), "script error: its report failed");
    }
}

void connectScriptEvents(vbs::ScriptControl &control, MapScriptHost &host)
{
    QObject::connect(&control, &vbs::ScriptControl::error, &control,
                     [&control] { scScript_Error(control.Error()); });
    QObject::connect(&control, &vbs::ScriptControl::timeout, &control,
                     [&host] { host.blnScriptTimeout = true; });
}

HiddenMapHost::HiddenMapHost() : m_control(std::make_unique<vbs::ScriptControl>())
{
    m_control->setTimeout(60000);
    connectScriptEvents(*m_control, *this);
}

HiddenMapHost::~HiddenMapHost() = default;

int HiddenMapHost::findInTransaction(const QString &text, int start, bool wholeWord)
{
    if (wholeWord)
        return core::x12::findWholeWord(m_transaction, text, start);
    const qsizetype at = m_transaction.indexOf(text, start, Qt::CaseInsensitive);
    return at < 0 ? -1 : int(at);
}

namespace {

MapScriptHost *g_host = nullptr;

} // namespace

MapScriptHost &mapScriptHost()
{
    if (g_host)
        return *g_host;
    static HiddenMapHost hidden;
    return hidden;
}

void setMapScriptHost(MapScriptHost *host)
{
    g_host = host;
}

} // namespace translation
