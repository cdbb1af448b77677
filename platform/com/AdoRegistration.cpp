// Compiled into every target that links platform_com_ado (an interface
// source), so a plain ado::Recordset in a Variant is reachable by name in any
// program without a start-up call.
#include "com/AdoDispatch.h"

namespace {
[[maybe_unused]] const bool adoAdapterRegistered = com::registerAdoAdapter();
}
