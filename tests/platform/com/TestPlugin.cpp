// A tiny plug-in library for the class registry tests: one class with
// by-reference methods, and one registered class its factory refuses.
#include "com/HostObject.h"
#include "com/PluginApi.h"

#include <cstring>

namespace {

class Swapper : public com::HostClass<Swapper> {
public:
    static com::DispatchTable<Swapper> describe()
    {
        com::DispatchTable<Swapper> t(QStringLiteral("Swapper"));
        t.method("Swap", 2, 2, [](Swapper &, com::Args &a) {
            std::swap(a.ref(0), a.ref(1));
            return vb::Variant(true);
        });
        // The plug-in contract: six arguments by reference; a new object goes
        // back in the first, the second is cleared, the key parts are joined.
        t.method("ActiveX", 6, 6, [](Swapper &, com::Args &a) {
            auto made = std::make_shared<Swapper>();
            made->key = a[2].toString() + '_' + a[3].toString() + '_' + a[4].toString() + '_' + a[5].toString();
            a.ref(0) = vb::Variant(vb::ObjectPtr(made));
            a.ref(1) = vb::Variant::nothing();
            return vb::Variant(true);
        });
        t.property("Key", [](Swapper &s) { return vb::Variant(s.key); },
                   [](Swapper &s, const vb::Variant &v) { s.key = v.toString(); });
        t.method("Fail", 0, 0, [](Swapper &, com::Args &) -> vb::Variant { vb::raise(1001, "ActiveX Failed"); });
        return t;
    }
    QString key;
};

} // namespace

CORVANTIS_PLUGIN_EXPORT com::Dispatch *corvantis_create(const char *className)
{
    if (std::strcmp(className, "Swapper") == 0)
        return new Swapper;
    return nullptr; // "Broken" is registered but cannot be made
}

CORVANTIS_PLUGIN_EXPORT int corvantis_register(const corvantis_registrar *r)
{
    return r->add_class(r->context, "Swapper") | r->add_class(r->context, "Broken");
}

CORVANTIS_PLUGIN_EXPORT int corvantis_unregister(const corvantis_registrar *r)
{
    return r->remove_class(r->context, "Swapper") | r->remove_class(r->context, "Broken");
}
