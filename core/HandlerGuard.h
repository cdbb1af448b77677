#pragma once
// The one guard where errors would cross into the event loop: every menu,
// toolbar, pop-up, timer and window event handler of the program runs inside
// it. An error that escapes a handler is reported through ReportError, with
// its own text, and the program goes on; nothing ever leaves a Qt slot.

#include <functional>

namespace modGlobal {

// Runs `handler`; an escaping error is reported, never thrown on. When even
// the report fails (no database, no window), the error goes to the log.
void GuardHandler(const std::function<void()> &handler) noexcept;

} // namespace modGlobal
