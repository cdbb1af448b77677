// An outbound plug-in for the outbound run's tests: its Map builds one
// transaction set per record from the record's first field, with the
// delimiters it is given.
#include "com/AdoDispatch.h"
#include "com/HostObject.h"
#include "com/PluginApi.h"

#include <cstring>

namespace {

class Mapper : public com::HostClass<Mapper> {
public:
    static com::DispatchTable<Mapper> describe()
    {
        com::DispatchTable<Mapper> t(QStringLiteral("Mapper"));
        t.method("Map", 4, 4, [](Mapper &, com::Args &a) {
            const ado::RecordsetPtr rs = com::recordsetOf(a[0]);
            const QString term = a[1].toString(), sep = a[2].toString();
            QString text;
            int n = 0;
            for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
                const QString number = QStringLiteral("%1").arg(++n, 4, 10, QLatin1Char('0'));
                text += QStringLiteral("ST") + sep + QStringLiteral("830") + sep + number + term;
                text += QStringLiteral("BSN") + sep + rs->Fields(0).Value().toString() + term;
                text += QStringLiteral("SE") + sep + QStringLiteral("3") + sep + number + term;
            }
            return vb::Variant(text);
        });
        return t;
    }
};

} // namespace

CORVANTIS_PLUGIN_EXPORT com::Dispatch *corvantis_create(const char *className)
{
    return std::strcmp(className, "Mapper") == 0 ? new Mapper : nullptr;
}

CORVANTIS_PLUGIN_EXPORT int corvantis_register(const corvantis_registrar *r)
{
    return r->add_class(r->context, "Mapper");
}

CORVANTIS_PLUGIN_EXPORT int corvantis_unregister(const corvantis_registrar *r)
{
    return r->remove_class(r->context, "Mapper");
}
