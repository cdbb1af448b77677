#pragma once
// The classic error a piece of code raises, for tests of the raising rules.

#include "vb/VbError.h"

#include <functional>

namespace corvantis::test {

// The number of the VbError that `f` raises, 0 when it raises none.
inline int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const vb::VbError &e) {
        return e.number;
    }
    return 0;
}

} // namespace corvantis::test
