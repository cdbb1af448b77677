#include "com/ClassRegistry.h"
#include "com/PluginApi.h"
#include "vb/CaughtError.h"
#include "vb/Clock.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QFileInfo>
#include <QHash>
#include <QSettings>

#include <dlfcn.h>
#include <mutex>

namespace com {

namespace {

const QString kLibraryKey = QStringLiteral("Library");
const QString kClassKey = QStringLiteral("Class");

struct State {
    std::mutex mutex;
    QString registryOverride;
    QHash<QString, ClassFactory> builtins;  // keyed by the folded ProgID
    QHash<QString, void *> libraries;       // absolute path -> dlopen handle, never closed
    std::vector<std::pair<QString, DispatchAdapter>> adapters;
};

State &state()
{
    static State s;
    return s;
}

QString folded(const QString &s) { return s.toCaseFolded(); }

QString absolutePath(const QString &path) { return QFileInfo(path).absoluteFilePath(); }

// Loads a library once; objects it created keep their code there, so it is
// never unloaded. Returns null and sets *error when loading fails.
void *loadLibrary(const QString &path, QString *error)
{
    State &s = state();
    const QString key = absolutePath(path);
    std::lock_guard lock(s.mutex);
    if (void *h = s.libraries.value(key))
        return h;
    void *h = dlopen(QFile::encodeName(key).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        if (error)
            *error = QString::fromLocal8Bit(dlerror());
        return nullptr;
    }
    s.libraries.insert(key, h);
    return h;
}

// Registry group for a ProgID, found without regard to letter case.
QString groupFor(QSettings &ini, const QString &progId)
{
    const QStringList groups = ini.childGroups();
    if (groups.contains(progId))
        return progId;
    for (const QString &g : groups)
        if (g.compare(progId, Qt::CaseInsensitive) == 0)
            return g;
    return {};
}

struct RegistrationContext {
    QString library;
    QStringList progIds;
    QString failure;
};

int addThroughRegistrar(void *context, const char *className)
{
    auto *c = static_cast<RegistrationContext *>(context);
    try {
        const QString name = QString::fromUtf8(className ? className : "");
        if (name.isEmpty())
            return 1;
        addClass(c->library, name);
        c->progIds << progIdPrefix(c->library) + '.' + name;
        return 0;
    } catch (const std::exception &e) {
        c->failure = QString::fromUtf8(e.what());
        return 1;
    }
}

int removeThroughRegistrar(void *context, const char *className)
{
    auto *c = static_cast<RegistrationContext *>(context);
    try {
        const QString name = QString::fromUtf8(className ? className : "");
        removeClass(c->library, name);
        c->progIds << progIdPrefix(c->library) + '.' + name;
        return 0;
    } catch (const std::exception &e) {
        c->failure = QString::fromUtf8(e.what());
        return 1;
    }
}

QStringList runRegistration(const QString &libraryPath, const char *symbol)
{
    QString error;
    void *h = loadLibrary(libraryPath, &error);
    if (!h)
        vb::raise(48, vb::errorText(48) + QStringLiteral(": ") + error);
    void *fn = dlsym(h, symbol);
    if (!fn)
        vb::raise(453, vb::errorText(453) + QStringLiteral(": ") + QString::fromLatin1(symbol));
    RegistrationContext context{absolutePath(libraryPath), {}, {}};
    corvantis_registrar registrar{&context, &addThroughRegistrar, &removeThroughRegistrar};
    const int rc = reinterpret_cast<corvantis_register_fn>(fn)(&registrar);
    if (rc != 0 || !context.failure.isEmpty())
        vb::raise(5, QStringLiteral("%1 failed for %2%3")
                         .arg(QString::fromLatin1(symbol), libraryPath,
                              context.failure.isEmpty() ? QString() : QStringLiteral(": ") + context.failure));
    return context.progIds;
}

} // namespace

QString classRegistryFile()
{
    State &s = state();
    {
        std::lock_guard lock(s.mutex);
        if (!s.registryOverride.isEmpty())
            return s.registryOverride;
    }
    return vb::settingsRoot() + QStringLiteral("/classes.ini");
}

void setClassRegistryFile(const QString &path)
{
    std::lock_guard lock(state().mutex);
    state().registryOverride = path;
}

QString progIdPrefix(const QString &libraryPath)
{
    // Everything before the last dot of the file name: "Lorvanne.so" -> "Lorvanne".
    const QString name = QFileInfo(libraryPath).fileName();
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.left(dot);
}

std::optional<ClassEntry> findClass(const QString &progId)
{
    if (progId.isEmpty())
        return std::nullopt;
    QSettings ini(classRegistryFile(), QSettings::IniFormat);
    const QString group = groupFor(ini, progId);
    if (group.isEmpty())
        return std::nullopt;
    ini.beginGroup(group);
    ClassEntry e{group, ini.value(kLibraryKey).toString(), ini.value(kClassKey).toString()};
    if (e.library.isEmpty() || e.className.isEmpty())
        return std::nullopt;
    return e;
}

void addClass(const QString &libraryPath, const QString &className)
{
    const QString progId = progIdPrefix(libraryPath) + '.' + className;
    QSettings ini(classRegistryFile(), QSettings::IniFormat);
    const QString old = groupFor(ini, progId);
    if (!old.isEmpty())
        ini.remove(old);
    ini.beginGroup(progId);
    ini.setValue(kLibraryKey, absolutePath(libraryPath));
    ini.setValue(kClassKey, className);
    ini.endGroup();
    ini.sync();
    if (ini.status() != QSettings::NoError)
        vb::raise(75, vb::errorText(75) + QStringLiteral(": ") + ini.fileName());
}

void removeClass(const QString &libraryPath, const QString &className)
{
    const QString progId = progIdPrefix(libraryPath) + '.' + className;
    QSettings ini(classRegistryFile(), QSettings::IniFormat);
    const QString group = groupFor(ini, progId);
    if (group.isEmpty())
        return;
    ini.remove(group);
    ini.sync();
    if (ini.status() != QSettings::NoError)
        vb::raise(75, vb::errorText(75) + QStringLiteral(": ") + ini.fileName());
}

QStringList registerLibrary(const QString &libraryPath)
{
    return runRegistration(libraryPath, "corvantis_register");
}

QStringList unregisterLibrary(const QString &libraryPath)
{
    return runRegistration(libraryPath, "corvantis_unregister");
}

void registerBuiltinClass(const QString &progId, ClassFactory factory)
{
    std::lock_guard lock(state().mutex);
    state().builtins.insert(folded(progId), std::move(factory));
}

namespace {

// 429 with the ProgID tried and the reason as the error's detail: the
// message stays the classic one, the record says what failed and why.
[[noreturn]] void cannotCreate(const QString &progId, const QString &reason)
{
    vb::VbError error(429);
    error.detail = (progId.isEmpty() ? QStringLiteral("(no class name)") : progId) + QStringLiteral(": ") + reason;
    throw error;
}

// The library registered for other classes of the ProgID's prefix
// ("Lorvanne" of "Lorvanne.Missing"), so a class the library lacks is
// reported with the library it was looked for in; empty when there is none.
QString libraryOfPrefix(const QString &prefix)
{
    QSettings ini(classRegistryFile(), QSettings::IniFormat);
    for (const QString &group : ini.childGroups()) {
        const qsizetype dot = group.lastIndexOf(u'.');
        if (dot <= 0 || group.left(dot).compare(prefix, Qt::CaseInsensitive) != 0)
            continue;
        const QString library = ini.value(group + QLatin1Char('/') + kLibraryKey).toString();
        if (!library.isEmpty())
            return library;
    }
    return {};
}

// Why a ProgID has no entry: the class and the library it names.
QString unregisteredReason(const QString &progId)
{
    const QString reason = QStringLiteral("no class is registered under this name");
    const qsizetype dot = progId.lastIndexOf(u'.');
    if (dot <= 0 || dot == progId.size() - 1)
        return reason;
    const QString prefix = progId.left(dot), className = progId.mid(dot + 1);
    const QString library = libraryOfPrefix(prefix);
    if (library.isEmpty())
        return reason + QStringLiteral(" (class %1; no library %2 is registered)").arg(className, prefix);
    return reason + QStringLiteral(" (the library %1 has no class %2)").arg(library, className);
}

} // namespace

DispatchPtr CreateObject(const QString &progId)
{
    ClassFactory builtin;
    {
        std::lock_guard lock(state().mutex);
        builtin = state().builtins.value(folded(progId));
    }
    if (builtin) {
        if (DispatchPtr obj = builtin())
            return obj;
        cannotCreate(progId, QStringLiteral("the built-in class made no object"));
    }

    const std::optional<ClassEntry> entry = findClass(progId);
    if (!entry)
        cannotCreate(progId, unregisteredReason(progId));
    QString error;
    void *h = loadLibrary(entry->library, &error);
    if (!h)
        cannotCreate(progId, QStringLiteral("its library %1 cannot be loaded: %2").arg(entry->library, error));
    auto create = reinterpret_cast<corvantis_create_fn>(dlsym(h, "corvantis_create"));
    if (!create)
        cannotCreate(progId, QStringLiteral("its library %1 has no corvantis_create").arg(entry->library));
    if (auto attach = reinterpret_cast<corvantis_attach_host_fn>(dlsym(h, "corvantis_attach_host"))) {
        const corvantis_host host{CORVANTIS_HOST_VERSION, &vb::dialogService, &vb::currentClock, &vb::settingsRoot};
        attach(&host);
    }
    Dispatch *raw = nullptr;
    try {
        raw = create(entry->className.toUtf8().constData());
    } catch (...) {
        // The factory must not throw; one that does still fails with its reason.
        cannotCreate(progId, QStringLiteral("the factory of class %1 of the library %2 failed: %3")
                                 .arg(entry->className, entry->library, vb::caughtErrorText()));
    }
    if (!raw) {
        QString reason;
        if (auto why = reinterpret_cast<corvantis_create_error_fn>(dlsym(h, "corvantis_create_error")))
            if (const char *text = why())
                reason = QString::fromUtf8(text);
        cannotCreate(progId, QStringLiteral("the factory made no object of class %1 of the library %2%3")
                                 .arg(entry->className, entry->library,
                                      reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
    }
    return DispatchPtr(raw);
}

void registerDispatchAdapter(const QString &name, DispatchAdapter adapter)
{
    std::lock_guard lock(state().mutex);
    for (auto &a : state().adapters) {
        if (a.first == name) {
            a.second = std::move(adapter);
            return;
        }
    }
    state().adapters.emplace_back(name, std::move(adapter));
}

DispatchPtr toDispatch(const vb::ObjectPtr &object)
{
    if (!object)
        return nullptr;
    if (auto d = std::dynamic_pointer_cast<Dispatch>(object))
        return d;
    std::vector<DispatchAdapter> adapters;
    {
        std::lock_guard lock(state().mutex);
        for (const auto &a : state().adapters)
            adapters.push_back(a.second);
    }
    for (const auto &adapter : adapters)
        if (DispatchPtr d = adapter(object))
            return d;
    vb::raise(438);
}

vb::Variant defaultValue(const vb::Variant &value)
{
    vb::Variant v = value;
    // A chain of default members is short (Field -> Value); the bound only
    // stops an object whose default member returns itself.
    for (int depth = 0; v.isObject() && depth < 16; ++depth) {
        DispatchPtr d = toDispatch(v);
        if (!d)
            vb::raise(91);
        v = d->invoke(kDefaultMember, Method | Get, {});
    }
    if (v.isObject())
        vb::raise(438);
    return v;
}

DispatchPtr toDispatch(const vb::Variant &value)
{
    if (!value.isObject())
        vb::raise(424);
    return toDispatch(value.rawObject());
}

vb::Variant CallByName(const DispatchPtr &object, const QString &name, int kind, std::span<vb::Variant> args)
{
    if (!object)
        vb::raise(91);
    // The local reference keeps the object alive for the call even if the
    // callee drops every other one (a by-reference argument may be the
    // variable that held it).
    const DispatchPtr keep = object;
    return keep->invoke(name, kind, args);
}

vb::Variant CallByName(const vb::Variant &object, const QString &name, int kind, std::span<vb::Variant> args)
{
    return CallByName(toDispatch(object), name, kind, args);
}

} // namespace com
