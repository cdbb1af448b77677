#pragma once
// Late-bound objects: the one interface through which scripts, CreateObject
// classes and plug-in classes are reached by member name.

#include "vb/Variant.h"
#include "vb/VbError.h"

#include <span>
#include <vector>

namespace com {

// How a member is reached; a bare `obj.Name` in an expression is Method|Get.
enum CallKind : int {
    Method = 1,
    Get = 2,
    Let = 4,   // value assignment: the value is the last argument
    Set = 8,   // object assignment: the value is the last argument
};

constexpr int kDefaultMember = 0; // the member used when an object stands as a value
constexpr int kUnknownMember = -1;

class Dispatch : public vb::Object {
public:
    // Member id for a name (letter case ignored), kUnknownMember when there is none.
    // Callers may cache the id per object class: it must not change for a class.
    virtual int memberId(const QString &name) const = 0;

    // Calls member `id`. Arguments are passed by reference: the callee may
    // assign to args[i] and the caller writes the value back to the variable
    // it came from (a parenthesised or computed argument is simply dropped).
    // Raises vb::VbError (438 for a kind the member does not support, 450 for
    // a wrong argument count ...).
    virtual vb::Variant invoke(int id, int kind, std::span<vb::Variant> args) = 0;

    // For Each: the items of a collection; 451 for an object that is none.
    virtual std::vector<vb::Variant> enumerate() { vb::raise(451); }

    // The value the object stands for in an expression or a conversion: its
    // default member (438 when it has none).
    vb::Variant defaultValue() override { return invoke(kDefaultMember, Method | Get, std::span<vb::Variant>()); }

    // Name-based convenience: 438 for an unknown name.
    vb::Variant invoke(const QString &name, int kind, std::span<vb::Variant> args)
    {
        const int id = memberId(name);
        if (id == kUnknownMember)
            vb::raise(438);
        return invoke(id, kind, args);
    }
};

using DispatchPtr = std::shared_ptr<Dispatch>;

// See com/ClassRegistry.h for CreateObject, CallByName and toDispatch (the
// Dispatch of any object a Variant holds, adapters included), and
// com/HostObject.h for the base of C++ host objects.

} // namespace com
