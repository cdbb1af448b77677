#include "communications/clsExchange.h"

namespace communications {

namespace {

using Text = QString clsExchange::*;

void addText(com::DispatchTable<clsExchange> &t, const QString &name, Text field)
{
    t.property(
        name, [field](clsExchange &e) { return vb::Variant(e.*field); },
        [field](clsExchange &e, const vb::Variant &v) { e.*field = v.toString(); });
}

} // namespace

com::DispatchTable<clsExchange> clsExchange::describe()
{
    com::DispatchTable<clsExchange> t(QStringLiteral("clsExchange"));
    addText(t, QStringLiteral("LocaleFile"), &clsExchange::LocaleFile);
    addText(t, QStringLiteral("RemoteFile"), &clsExchange::RemoteFile);
    addText(t, QStringLiteral("Password"), &clsExchange::Password);
    addText(t, QStringLiteral("UserName"), &clsExchange::UserName);
    addText(t, QStringLiteral("URL"), &clsExchange::URL);
    addText(t, QStringLiteral("RemotePort"), &clsExchange::RemotePort);
    addText(t, QStringLiteral("LocalFile"), &clsExchange::LocaleFile);
    return t;
}

} // namespace communications
