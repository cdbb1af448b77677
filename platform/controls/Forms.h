#pragma once
// Each window of the program is one instance, loaded on first use through
// form<F>() and unloaded through unload<F>(). A window may refuse to unload:
// when F has `bool QueryUnload()`, unload asks it first and keeps the window
// when it answers false.

#include <concepts>

namespace controls {

template <class F>
F *&formInstance()
{
    static F *instance = nullptr;
    return instance;
}

// The window, created (loaded) on first use.
template <class F>
F &form()
{
    F *&instance = formInstance<F>();
    if (!instance)
        instance = new F();
    return *instance;
}

template <class F>
bool isLoaded()
{
    return formInstance<F>() != nullptr;
}

// Unloads the window when it is loaded; false when it refused.
template <class F>
bool unload()
{
    F *&instance = formInstance<F>();
    if (!instance)
        return true;
    if constexpr (requires(F &f) { { f.QueryUnload() } -> std::convertible_to<bool>; }) {
        if (!instance->QueryUnload())
            return false;
    }
    F *doomed = instance;
    instance = nullptr;
    delete doomed;
    return true;
}

// For a window deleted by other means (e.g. on close): forget it if it is the loaded one.
template <class F>
void forgetForm(F *window)
{
    if (formInstance<F>() == window)
        formInstance<F>() = nullptr;
}

} // namespace controls
