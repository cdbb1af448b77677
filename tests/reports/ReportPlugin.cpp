// A partner plug-in library for the plug-in runner's tests: one class per way
// a plug-in can answer.
#include "com/AdoDispatch.h"
#include "com/HostObject.h"
#include "com/PluginApi.h"
#include "vb/VbError.h"

#include <cstring>

namespace {

long rowsOf(const vb::Variant &value)
{
    const ado::RecordsetPtr rs = value.isObject() ? com::recordsetOf(value) : nullptr;
    return rs ? rs->RecordCount() : -1;
}

// Answers by its name: "Keep" True with the set untouched, "Own" True with a
// set of its own (the key, the rows it got, the rows of the previous
// schedule), "Refuse" False, "Fail" an error.
class Partner : public com::HostClass<Partner> {
public:
    explicit Partner(QString mode) : mode(std::move(mode)) {}
    static com::DispatchTable<Partner> describe()
    {
        com::DispatchTable<Partner> t(QStringLiteral("Partner"));
        t.method("ActiveX", 6, 6, [](Partner &self, com::Args &a) {
            if (self.mode == QLatin1String("Refuse"))
                return vb::Variant(false);
            if (self.mode == QLatin1String("Fail"))
                vb::raise(1001, QStringLiteral("The schedule could not be netted"));
            if (self.mode == QLatin1String("Own")) {
                auto out = std::make_shared<ado::Recordset>();
                out->Fields().Append("Key", ado::adVarChar, 50, ado::adFldUpdatable);
                out->Fields().Append("Rows", ado::adInteger, 6, ado::adFldUpdatable);
                out->Fields().Append("Previous", ado::adInteger, 6, ado::adFldUpdatable);
                out->Open();
                out->AddNew();
                out->Fields("Key").setValue(a[2].toString() + '_' + a[3].toString() + '_' + a[4].toString() + '_'
                                            + a[5].toString());
                out->Fields("Rows").setValue(vb::Variant(int32_t(rowsOf(a[0]))));
                out->Fields("Previous").setValue(vb::Variant(int32_t(rowsOf(a[1]))));
                out->Update();
                a.ref(0) = com::toVariant(out);
            }
            return vb::Variant(true);
        });
        return t;
    }
    QString mode;
};

} // namespace

CORVANTIS_PLUGIN_EXPORT com::Dispatch *corvantis_create(const char *className)
{
    for (const char *mode : {"Keep", "Own", "Refuse", "Fail"})
        if (std::strcmp(className, mode) == 0)
            return new Partner(QString::fromLatin1(mode));
    return nullptr;
}

CORVANTIS_PLUGIN_EXPORT int corvantis_register(const corvantis_registrar *r)
{
    int rc = 0;
    for (const char *mode : {"Keep", "Own", "Refuse", "Fail"})
        rc |= r->add_class(r->context, mode);
    return rc;
}

CORVANTIS_PLUGIN_EXPORT int corvantis_unregister(const corvantis_registrar *r)
{
    int rc = 0;
    for (const char *mode : {"Keep", "Own", "Refuse", "Fail"})
        rc |= r->remove_class(r->context, mode);
    return rc;
}
