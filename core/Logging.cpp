#include "core/Logging.h"

#include "vb/CaughtError.h"

#include <cstring>

Q_LOGGING_CATEGORY(lcCore, "corvantis.core")
Q_LOGGING_CATEGORY(lcTranslation, "corvantis.translation")
Q_LOGGING_CATEGORY(lcCommunications, "corvantis.communications")
Q_LOGGING_CATEGORY(lcIntegration, "corvantis.integration")
Q_LOGGING_CATEGORY(lcReports, "corvantis.reports")
Q_LOGGING_CATEGORY(lcMailbox, "corvantis.mailbox")
Q_LOGGING_CATEGORY(lcWindows, "corvantis.windows")

namespace core {

void recordCaught(const QLoggingCategory &category, const char *what, std::source_location where)
{
    const char *file = where.file_name();
    if (const char *slash = std::strrchr(file, '/'))
        file = slash + 1;
    qCWarning(category).noquote().nospace() << what << " (" << file << ':' << where.line()
                                            << "): " << vb::caughtErrorText();
}

} // namespace core
