#pragma once
// What the whole library shares: its title, where it was loaded from and the
// program's settings it reads (it never writes any).

#include <QLoggingCategory>
#include <QString>

// corvantis.plugins: errors the library deliberately does not pass on are
// recorded here, where and why.
Q_DECLARE_LOGGING_CATEGORY(lcPlugins)

namespace lorvanne {

// Caption of every message box of the library.
inline const QString kTitle = QStringLiteral("Lorvanne");

// The folder of Lorvanne.so itself (no trailing separator).
QString libraryFolder();

// Folders/Import and Folders/Database of the program's settings ("Corvantis",
// not the library's own title), read at every use; the library's folder when
// unset.
QString importFolder();
QString databaseFolder();

// A folder and a file name joined, every doubled separator made single, so a
// setting that ends with a separator gives the same path as one without.
QString joinPath(const QString &folder, const QString &fileName);

} // namespace lorvanne
