// The library's entry points: the program creates its classes by name, and
// the registration tool enters them in the class registry.
#include "General.h"
#include "PlanningSchedule.h"
#include "ShippingExceptions.h"

#include "com/PluginApi.h"

#include <cstring>

namespace {

const char *const kClasses[] = {"Freightliner_830_002000_I", "Freightliner_862_003020_I", "General"};

} // namespace

CORVANTIS_PLUGIN_EXPORT com::Dispatch *corvantis_create(const char *className)
{
    if (!className)
        return nullptr;
    try {
        if (std::strcmp(className, "Freightliner_830_002000_I") == 0)
            return new lorvanne::Freightliner_830_002000_I;
        if (std::strcmp(className, "Freightliner_862_003020_I") == 0)
            return new lorvanne::Freightliner_862_003020_I;
        if (std::strcmp(className, "General") == 0)
            return new lorvanne::General;
    } catch (...) {
    }
    return nullptr;
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
