#pragma once
// The files kept per transaction set, named by the set's key P_T_V_D: the
// import data file (.IMP, Import folder), the export placeholder (.EXP,
// Export folder), the record definition (.ADO, ActiveX folder) and the report
// files (.ttx, .rpt, Reports folder).

#include <QString>
#include <QStringList>

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

// Renames the per-set files of one set from the old partner name to the new
// one, where present. An existing file of the new name is never overwritten.
// Returns one line per file that could not be renamed.
QStringList renameSetFiles(const QString &oldPartner, const QString &newPartner, const QString &transaction,
                           const QString &version, const QString &direction);

} // namespace partners
