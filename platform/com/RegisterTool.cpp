// corvantis-register: enters the classes of a plug-in library in the class
// registry (or removes them with -u), standing in for self-registration.
//
//   corvantis-register [-u] library.so...

#include "com/ClassRegistry.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    bool unregister = false;
    QStringList libraries;
    const QStringList args = app.arguments().mid(1);
    for (const QString &a : args) {
        if (a == QLatin1String("-u") || a == QLatin1String("/u") || a == QLatin1String("--unregister"))
            unregister = true;
        else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            out << "usage: corvantis-register [-u] library...\n";
            return 0;
        } else
            libraries << a;
    }
    if (libraries.isEmpty()) {
        err << "usage: corvantis-register [-u] library...\n";
        return 2;
    }

    int failures = 0;
    for (const QString &library : libraries) {
        try {
            const QStringList progIds = unregister ? com::unregisterLibrary(library) : com::registerLibrary(library);
            for (const QString &id : progIds)
                out << (unregister ? "removed " : "registered ") << id << '\n';
        } catch (const vb::VbError &e) {
            err << library << ": " << e.description << '\n';
            ++failures;
        }
    }
    out << "class registry: " << com::classRegistryFile() << '\n';
    return failures ? 1 : 0;
}
