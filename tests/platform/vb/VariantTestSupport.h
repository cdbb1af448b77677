#pragma once
// Shared helpers of the runtime tests: a compact "Type:value" picture of a
// Variant, or "E<number>" when the expression raised.

#include "vb/Variant.h"
#include "vb/VbError.h"

#include <functional>
#include <string>

namespace vbtest {

inline std::string show(const vb::Variant &v)
{
    if (v.isNull())
        return "Null";
    if (v.isEmpty())
        return "Empty";
    return (v.typeName() + QLatin1Char(':') + v.toString()).toStdString();
}

inline std::string attempt(const std::function<vb::Variant()> &f)
{
    try {
        return show(f());
    } catch (const vb::VbError &e) {
        return "E" + std::to_string(e.number);
    }
}

template <typename F>
std::string attemptText(F f)
{
    try {
        return f();
    } catch (const vb::VbError &e) {
        return "E" + std::to_string(e.number);
    }
}

inline vb::Variant I(int16_t v) { return vb::Variant(v); }
inline vb::Variant L(int32_t v) { return vb::Variant(v); }
inline vb::Variant B(uint8_t v) { return vb::Variant(v); }
inline vb::Variant S(float v) { return vb::Variant(v); }
inline vb::Variant D(double v) { return vb::Variant(v); }
inline vb::Variant C(double v) { return vb::Variant::fromCurrencyValue(v); }
inline vb::Variant T(const char *v) { return vb::Variant(v); }

} // namespace vbtest
