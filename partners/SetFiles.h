#pragma once
// The files kept per transaction set, named by the set's key P_T_V_D: the
// import data file (.IMP, Import folder), the export placeholder (.EXP,
// Export folder), the record definitions (.ADO, ActiveX and Import folders)
// and the reports (.ttx, .rpt, Reports folder and its Export and ActiveX
// folders), among others. A rename finds them by the key, wherever they are.

#include "core/SetKey.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace partners {

// P_T_V_D. Raises 52 ("Bad file name or number") for a key that cannot name
// a file: one holding "/" or a control character, or one that is "." or "..".
QString setKey(const QString &partner, const QString &transaction, const QString &version,
               const QString &direction);

// A folder of the setting section Folders (default the program folder).
QString folderSetting(const QString &key);

// Creates (or empties) the file, raising 75 with the path when it cannot.
void createEmptyFile(const QString &path);
// Raises 75 with the path when the file could not be created (or emptied)
// now: its folder is missing or not writable, or the file is not writable.
// Changes nothing on disk.
void refuseUnwritable(const QString &path);

// A file named by a set key and the name it takes under another partner name.
struct SetFileMove {
    QString from, to;
    core::SetKey set; // the set whose key names the file
};

// The files named by the set key of each of `sets` (the key P_T_V_D, a ".",
// any ending; the key's letter case ignored) in every working folder and in
// the folders right below one (Reports/Export, Reports/ActiveX), each with
// its name under the key of `newPartner`; set by set, in the order given.
// Nothing for a set whose old key cannot name a file; raises 52 when a new
// one cannot.
std::vector<SetFileMove> setFileMoves(const std::vector<core::SetKey> &sets, const QString &newPartner);

// Raises 58 naming the first new name a file has already, or that two moves
// would give; changes nothing.
void refuseTakenNames(const std::vector<SetFileMove> &moves);

// Gives every file its new name, never over an existing file. When one
// cannot take it, those already renamed take their old names again and the
// failure is raised (58 for a name taken meanwhile, 75 otherwise), naming it.
void moveSetFiles(const std::vector<SetFileMove> &moves);

// Gives the moved files their old names again, last first. Returns one line
// per file that could not be put back.
QStringList moveSetFilesBack(const std::vector<SetFileMove> &moves);

} // namespace partners
