#pragma once
// The C entry points of a plug-in library. The program loads the library once
// with dlopen and finds these three functions by name; the classes themselves
// are ordinary C++ objects derived from com::Dispatch, built against the same
// platform headers as the program.
//
// A library `Name.so` registers its classes under the ProgIDs "Name.<class>":
// the prefix is the library's file name without its extension, so a library
// decides its class names and the file name decides the rest.

#include "com/Dispatch.h"

#include <memory>

namespace vb {
class Clock;
class DialogService;
} // namespace vb

#define CORVANTIS_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

extern "C" {

// The program's services, handed to a library before each object it creates.
// A library links its own copy of the platform, whose settings folder, clock
// and dialogs would otherwise be separate from the program's: attached, its
// message boxes go through the program's dialogs service (a test's scripted
// dialogs included), its Now() reads the program's clock and its settings
// are the program's. Every library linking platform_com gets the attaching
// function (corvantis_attach_host) without writing any code.
#define CORVANTIS_HOST_VERSION 1
struct corvantis_host {
    int version; // CORVANTIS_HOST_VERSION
    vb::DialogService &(*dialogService)();
    std::shared_ptr<vb::Clock> (*currentClock)();
    QString (*settingsRoot)();
};
typedef void (*corvantis_attach_host_fn)(const corvantis_host *host);

// Handed to corvantis_register and corvantis_unregister by the registration
// tool: the library names each of its creatable classes through it. Both
// return 0 on success.
struct corvantis_registrar {
    void *context;
    int (*add_class)(void *context, const char *className);
    int (*remove_class)(void *context, const char *className);
};

// Creates an object of the class (the part of the ProgID behind the prefix);
// returns null for a class the library does not have. The object is handed
// over: the program owns it from then on. Must not throw.
typedef com::Dispatch *(*corvantis_create_fn)(const char *className);
// Optional: why the last corvantis_create of the calling thread returned null,
// as UTF-8 text (null or empty: no reason given). The text stays valid until
// that thread's next corvantis_create. The program puts it, with the ProgID,
// into the record of the error 429 it raises.
typedef const char *(*corvantis_create_error_fn)();
// Name every class through registrar->add_class (or remove_class); 0 on success.
typedef int (*corvantis_register_fn)(const corvantis_registrar *registrar);
typedef int (*corvantis_unregister_fn)(const corvantis_registrar *registrar);

} // extern "C"

// The prototypes a library defines (with CORVANTIS_PLUGIN_EXPORT).
CORVANTIS_PLUGIN_EXPORT com::Dispatch *corvantis_create(const char *className);
CORVANTIS_PLUGIN_EXPORT const char *corvantis_create_error();
CORVANTIS_PLUGIN_EXPORT int corvantis_register(const corvantis_registrar *registrar);
CORVANTIS_PLUGIN_EXPORT int corvantis_unregister(const corvantis_registrar *registrar);
