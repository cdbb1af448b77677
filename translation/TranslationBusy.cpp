#include "translation/TranslationBusy.h"

#include "core/Logging.h"
#include "core/modGlobal.h"

#include "vb/Dialogs.h"

namespace translation {

namespace {

bool g_busy = false;

} // namespace

TranslationBusy::TranslationBusy() : m_acquired(false)
{
    if (g_busy)
        return;
    m_scope.emplace(QStringLiteral("Translation"), modGlobal::cnDatabase);
    if (!m_scope->acquired()) {
        m_scope.reset();
        return;
    }
    m_acquired = true;
    g_busy = true;
}

TranslationBusy::~TranslationBusy()
{
    if (m_acquired)
        g_busy = false;
}

bool TranslationBusy::isBusy()
{
    return g_busy;
}

void TranslationBusy::reportRefused(bool silent)
{
    if (!g_busy) {
        try {
            core::BusyScope::refuse(QStringLiteral("Translation"), silent);
        } catch (...) {
            core::recordCaught(lcTranslation(), "translation refused: the refusal could not be reported");
        }
        return;
    }
    const QString text = QStringLiteral("A translation is already in progress");
    try {
        modGlobal::LogHistory(QStringLiteral("Warning"), text);
        if (!silent)
            vb::MsgBox(text, vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
    } catch (...) {
        core::recordCaught(lcTranslation(), "translation refused: the refusal could not be reported");
    }
}

} // namespace translation
