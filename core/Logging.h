#pragma once
// The log categories of the program's layers. An error a layer deliberately
// does not pass on (screen updates of a long run, clean-up after a failure
// already being reported, a step whose failure must not stop the rest) is
// recorded under its layer's category with where and why, never dropped.
// QT_LOGGING_RULES picks what is shown, e.g. "corvantis.*.debug=true".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCore)           // corvantis.core: loader, validator, 997, shared module
Q_DECLARE_LOGGING_CATEGORY(lcTranslation)    // corvantis.translation: runs and map scripts
Q_DECLARE_LOGGING_CATEGORY(lcCommunications) // corvantis.communications
Q_DECLARE_LOGGING_CATEGORY(lcIntegration)    // corvantis.integration
Q_DECLARE_LOGGING_CATEGORY(lcReports)        // corvantis.reports: commands, viewer and designer
Q_DECLARE_LOGGING_CATEGORY(lcMailbox)        // corvantis.mailbox: the main window and its commands
Q_DECLARE_LOGGING_CATEGORY(lcWindows)        // corvantis.windows: partners, map designer, settings

#include <source_location>

namespace core {

// Records the error being handled under a layer's category: what was being
// done and why the error is not passed on, the place, and the error's text.
// Call only inside a catch block.
void recordCaught(const QLoggingCategory &category, const char *what,
                  std::source_location where = std::source_location::current());

} // namespace core
