#pragma once
// The log category of the interchange core. Errors the core deliberately
// does not pass on (screen updates of a long run, clean-up after a failure
// already being reported) are recorded here, where and why.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCore)
