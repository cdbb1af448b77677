#include "core/Logging.h"

Q_LOGGING_CATEGORY(lcCore, "corvantis.core")
