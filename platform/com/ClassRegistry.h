#pragma once
// Classes by ProgID: the built-in classes of the program and the classes of
// plug-in libraries, entered in a per-user class registry beside the settings
// (<config>/Corvantis/classes.ini) by the registration tool.

#include "com/Dispatch.h"

#include <QString>
#include <functional>
#include <optional>
#include <span>

namespace com {

// A ProgID entered in the class registry.
struct ClassEntry {
    QString progId;
    QString library;   // absolute path of the library file
    QString className; // the name handed to the library's factory
};

// The class registry file: classes.ini in the settings folder
// (vb::settingsRoot(), normally ~/.config/Corvantis), so it follows the
// settings wherever they are redirected. It may also be pointed elsewhere; an
// empty path restores the default.
QString classRegistryFile();
void setClassRegistryFile(const QString &path);

// "Lorvanne" for ".../Lorvanne.so": the ProgID prefix of a library's classes.
QString progIdPrefix(const QString &libraryPath);

// Look-up by ProgID, letter case ignored.
std::optional<ClassEntry> findClass(const QString &progId);
// Enters (or replaces) prefix.className for the library; removes it again.
void addClass(const QString &libraryPath, const QString &className);
void removeClass(const QString &libraryPath, const QString &className);

// Loads the library and lets it enter (or remove) its classes through its
// corvantis_register (corvantis_unregister) function. Returns the ProgIDs
// handled. Raises 48 when the library cannot be loaded, 453 when it lacks the
// function and 5 when the function reports a failure.
QStringList registerLibrary(const QString &libraryPath);
QStringList unregisterLibrary(const QString &libraryPath);

// A class the program itself provides (Scripting.FileSystemObject ...);
// registering the same ProgID again replaces the factory.
using ClassFactory = std::function<DispatchPtr()>;
void registerBuiltinClass(const QString &progId, ClassFactory factory);

// CreateObject(progId): a built-in class, else a registered library class
// (the library is loaded once and stays loaded). Raises 429 ("ActiveX
// component can't create object") for an unknown ProgID, a library that cannot
// be loaded or lacks the factory, and a factory that returns no object; the
// error's detail names the ProgID and the reason (the library's own text
// through corvantis_create_error when it gives one).
DispatchPtr CreateObject(const QString &progId);

// CallByName(object, name, kind, args) as the classic function: arguments by
// reference (the callee's assignments are visible in args afterwards).
// Raises 91 for Nothing, 424 for a value that is not an object and 438 for an
// object that cannot be called by name or has no such member.
vb::Variant CallByName(const vb::Variant &object, const QString &name, int kind, std::span<vb::Variant> args);
vb::Variant CallByName(const DispatchPtr &object, const QString &name, int kind, std::span<vb::Variant> args);

// The Dispatch a Variant holds: null for Nothing; 424 for a value that is not
// an object, 438 for an object that is no Dispatch and that no adapter takes.
// An object of the platform that is not itself a Dispatch (an ado::Recordset
// put into a Variant by C++ code) is reached through its adapter.
DispatchPtr toDispatch(const vb::Variant &value);
DispatchPtr toDispatch(const vb::ObjectPtr &object);

// The value an object stands for (its default member, followed through
// objects); any other value as it is. 438 for an object without a default
// member.
vb::Variant defaultValue(const vb::Variant &value);

// An adapter makes a Dispatch for objects it knows and returns null for the
// others. Libraries with such objects register one (platform_com_ado does for
// record sets).
using DispatchAdapter = std::function<DispatchPtr(const vb::ObjectPtr &)>;
void registerDispatchAdapter(const QString &name, DispatchAdapter adapter);

} // namespace com
