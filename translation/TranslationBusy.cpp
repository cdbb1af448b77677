#include "translation/TranslationBusy.h"

#include "core/modGlobal.h"

#include "vb/Dialogs.h"

namespace translation {

namespace {

bool g_busy = false;

} // namespace

TranslationBusy::TranslationBusy() : m_acquired(!g_busy)
{
    if (m_acquired)
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
    const QString text = QStringLiteral("A translation is already in progress");
    try {
        modGlobal::LogHistory(QStringLiteral("Warning"), text);
        if (!silent)
            vb::MsgBox(text, vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
    } catch (...) {
    }
}

} // namespace translation
