// A tiny plug-in library for the class registry tests: one class with
// by-reference methods, one registered class its factory refuses with a
// reason, and one whose making throws.
#include "com/HostObject.h"
#include "com/PluginApi.h"
#include "vb/Clock.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <cstring>
#include <stdexcept>
#include <string>

#ifdef TEST_PLUGIN_WITH_ADO
#include "com/AdoDispatch.h"
#endif

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
        // The program's services as the library's own copy of the platform sees them.
        t.method("Ask", 0, 0, [](Swapper &, com::Args &) {
            return vb::Variant(int32_t(vb::MsgBox("Go on?", vb::vbYesNo, "TestPlugin")));
        });
        t.method("Today", 0, 0, [](Swapper &, com::Args &) { return vb::Now(); });
        t.method("Setting", 0, 0, [](Swapper &, com::Args &) {
            return vb::Variant(vb::GetSetting("Corvantis", "Folders", "Import", "none"));
        });
        t.method("Fail", 0, 0, [](Swapper &, com::Args &) -> vb::Variant { vb::raise(1001, "ActiveX Failed"); });
        return t;
    }
    QString key;
};

#ifdef TEST_PLUGIN_WITH_ADO
// As a schedule plug-in does: reads the record set it is given and puts a new
// one of its own into the first argument.
class Scheduler : public com::HostClass<Scheduler> {
public:
    static com::DispatchTable<Scheduler> describe()
    {
        com::DispatchTable<Scheduler> t(QStringLiteral("Scheduler"));
        t.method("ActiveX", 6, 6, [](Scheduler &, com::Args &a) {
            const ado::RecordsetPtr in = com::recordsetOf(a[0]);
            auto out = std::make_shared<ado::Recordset>();
            out->Fields().Append("Key", ado::adVarChar, 50, ado::adFldUpdatable);
            out->Fields().Append("Rows", ado::adInteger, 6, ado::adFldUpdatable);
            out->Open();
            out->AddNew();
            out->Fields("Key").setValue(a[2].toString() + '_' + a[3].toString() + '_' + a[4].toString() + '_' + a[5].toString());
            out->Fields("Rows").setValue(vb::Variant(int32_t(in ? in->RecordCount() : -1)));
            out->Update();
            a.ref(0) = com::toVariant(out);
            return vb::Variant(true);
        });
        return t;
    }
};
#endif

} // namespace

namespace {
thread_local std::string createError;
}

CORVANTIS_PLUGIN_EXPORT com::Dispatch *corvantis_create(const char *className)
{
    createError.clear();
    if (std::strcmp(className, "Swapper") == 0)
        return new Swapper;
#ifdef TEST_PLUGIN_WITH_ADO
    if (std::strcmp(className, "Scheduler") == 0)
        return new Scheduler;
#endif
    // Against the contract, to show that the program survives it.
    if (std::strcmp(className, "Throwing") == 0)
        throw std::runtime_error("the constructor failed");
    createError = std::string(className) + " is registered but cannot be made";
    return nullptr;
}

CORVANTIS_PLUGIN_EXPORT const char *corvantis_create_error()
{
    return createError.c_str();
}

CORVANTIS_PLUGIN_EXPORT int corvantis_register(const corvantis_registrar *r)
{
    int rc = r->add_class(r->context, "Swapper") | r->add_class(r->context, "Broken")
        | r->add_class(r->context, "Throwing");
#ifdef TEST_PLUGIN_WITH_ADO
    rc |= r->add_class(r->context, "Scheduler");
#endif
    return rc;
}

CORVANTIS_PLUGIN_EXPORT int corvantis_unregister(const corvantis_registrar *r)
{
    int rc = r->remove_class(r->context, "Swapper") | r->remove_class(r->context, "Broken")
        | r->remove_class(r->context, "Throwing");
#ifdef TEST_PLUGIN_WITH_ADO
    rc |= r->remove_class(r->context, "Scheduler");
#endif
    return rc;
}
