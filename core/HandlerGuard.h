#pragma once
// The one guard where errors would cross into the event loop: every menu,
// toolbar, pop-up, timer and window event handler of the program runs inside
// it. An error that escapes a handler is reported through ReportError, with
// its own text, and the program goes on; nothing ever leaves a Qt slot.
//
// Handlers are connected with `guardedConnect` (or wrapped with `guarded`),
// so the guard cannot be forgotten at a connection. What still escapes, an
// event handler of a widget for instance, reaches the application's event
// dispatch, which reports it the same way as a last resort.

#include <QObject>

#include <cstddef>
#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

namespace modGlobal {

// Runs `handler`; an escaping error is reported, never thrown on. When even
// the report fails (no database, no window), the error goes to the log.
void GuardHandler(const std::function<void()> &handler) noexcept;

// Reports the exception being handled as GuardHandler does. Call it only
// inside a catch block.
void ReportCurrentError() noexcept;

namespace detail {

template <class F, class Tuple, std::size_t... I>
constexpr bool takesFirst(std::index_sequence<I...>)
{
    return std::is_invocable_v<F &, std::tuple_element_t<I, Tuple>...>;
}

// Calls `f` with as many of the leading arguments as it takes, as Qt does
// for a slot that takes fewer arguments than its signal sends.
template <std::size_t N, class F, class Tuple>
void callWithFirst(F &f, Tuple &&args)
{
    if constexpr (takesFirst<F, std::remove_reference_t<Tuple>>(std::make_index_sequence<N>{})) {
        [&]<std::size_t... I>(std::index_sequence<I...>) {
            f(std::get<I>(std::forward<Tuple>(args))...);
        }(std::make_index_sequence<N>{});
    } else if constexpr (N > 0) {
        callWithFirst<N - 1>(f, std::forward<Tuple>(args));
    } else {
        static_assert(N > 0, "the handler takes none of the leading arguments of the signal");
    }
}

} // namespace detail

// `handler` wrapped in GuardHandler, as a slot for QObject::connect: it
// passes on as many of the signal's arguments as the handler takes.
template <class F>
auto guarded(F handler)
{
    return [handler = std::move(handler)](auto &&...args) -> void {
        GuardHandler([&] {
            detail::callWithFirst<sizeof...(args)>(handler,
                                                   std::forward_as_tuple(std::forward<decltype(args)>(args)...));
        });
    };
}

// QObject::connect with the handler always inside the guard; `context`
// ends the connection when it goes, as with connect.
template <class Sender, class Signal, class F>
QMetaObject::Connection guardedConnect(const Sender *sender, Signal signal, const QObject *context, F handler,
                                       Qt::ConnectionType type = Qt::AutoConnection)
{
    return QObject::connect(sender, signal, context, guarded(std::move(handler)), type);
}

} // namespace modGlobal
