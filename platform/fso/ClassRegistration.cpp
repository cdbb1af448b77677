// Compiled into every target that links platform_fso (an interface source),
// so that CreateObject("Scripting.FileSystemObject") works in any program
// without a start-up call; a unit inside the static library alone would be
// dropped by the linker when nothing refers to it.
#include "fso/FileSystemObject.h"

namespace {
[[maybe_unused]] const bool fileSystemObjectRegistered = fso::registerClasses();
}
