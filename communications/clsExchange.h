#pragma once
// The object the network scripts reach as `Exchange`: six text values carried
// between the communications window and the running script. They are stored
// as given (no trimming, no checks). `LocalFile` is a second name of
// `LocaleFile`, since scripts written with either spelling exist.

#include "com/HostObject.h"

#include <QString>

namespace communications {

class clsExchange : public com::HostClass<clsExchange> {
public:
    static com::DispatchTable<clsExchange> describe();

    QString LocaleFile;
    QString RemoteFile;
    QString Password;
    QString UserName;
    QString URL;
    QString RemotePort;
};

} // namespace communications
