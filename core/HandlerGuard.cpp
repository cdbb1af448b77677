#include "core/HandlerGuard.h"

#include "core/modGlobal.h"

#include "vb/VbError.h"

#include <QDebug>

namespace modGlobal {

namespace {

void reportEscaped(const std::exception &error) noexcept
{
    try {
        ReportError(error);
    } catch (const std::exception &failure) {
        qCritical().noquote() << "An error could not be reported:" << error.what() << "-" << failure.what();
    } catch (...) {
        qCritical().noquote() << "An error could not be reported:" << error.what();
    }
}

} // namespace

void ReportCurrentError() noexcept
{
    try {
        throw;
    } catch (const std::exception &error) {
        reportEscaped(error);
    } catch (...) {
        reportEscaped(vb::VbError(51, vb::errorText(51) + QStringLiteral(": an error of unknown kind")));
    }
}

void GuardHandler(const std::function<void()> &handler) noexcept
{
    try {
        handler();
    } catch (...) {
        ReportCurrentError();
    }
}

} // namespace modGlobal
