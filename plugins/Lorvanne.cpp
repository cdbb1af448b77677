// The library's entry points: the program creates its classes by name, and
// the registration tool enters them in the class registry.
#include "General.h"
#include "PlanningSchedule.h"
#include "ShippingExceptions.h"

#include "com/PluginApi.h"
#include "vb/CaughtError.h"

#include <cstring>
#include <string>

namespace {

const char *const kClasses[] = {"Freightliner_830_002000_I", "Freightliner_862_003020_I", "General"};

// Why the thread's last creation failed, for corvantis_create_error.
thread_local std::string createError;

com::Dispatch *make(const char *className)
{
    if (std::strcmp(className, "Freightliner_830_002000_I") == 0)
        return new lorvanne::Freightliner_830_002000_I;
    if (std::strcmp(className, "Freightliner_862_003020_I") == 0)
        return new lorvanne::Freightliner_862_003020_I;
    if (std::strcmp(className, "General") == 0)
        return new lorvanne::General;
    createError = std::string("the library has no class ") + className;
    return nullptr;
}

} // namespace

CORVANTIS_PLUGIN_EXPORT com::Dispatch *corvantis_create(const char *className)
{
    createError.clear();
    if (!className) {
        createError = "no class name was given";
        return nullptr;
    }
    try {
        return make(className);
    } catch (...) {
        createError = vb::caughtErrorText().toStdString();
    }
    return nullptr;
}

CORVANTIS_PLUGIN_EXPORT const char *corvantis_create_error()
{
    return createError.c_str();
}

CORVANTIS_PLUGIN_EXPORT int corvantis_register(const corvantis_registrar *registrar)
{
    int rc = 0;
    for (const char *name : kClasses)
        rc |= registrar->add_class(registrar->context, name);
    return rc;
}

CORVANTIS_PLUGIN_EXPORT int corvantis_unregister(const corvantis_registrar *registrar)
{
    int rc = 0;
    for (const char *name : kClasses)
        rc |= registrar->remove_class(registrar->context, name);
    return rc;
}
