#pragma once
// The one place where a transaction set's key P_T_V_D becomes a file name
// (record definitions, import files, field definitions, reports, exports).
// Partner names come from envelope ids and from the partner window, so a key
// could otherwise carry a folder separator or a control character and make
// the program write outside its folders.

#include <QString>

namespace modGlobal {

// "P_T_V_D" followed by "." and the extension (none when empty). Raises
// vb::VbError 52 ("Bad file name or number") naming the key when the name
// would hold "/", a control character, or would be "." or "..". Nothing is
// written by it.
QString SetFileName(const QString &strPartner, const QString &strTransaction, const QString &strVersion,
                    const QString &strDirection, const QString &strExtension);

// The same name inside `folder`, joined with "/".
QString SetFilePath(const QString &folder, const QString &strPartner, const QString &strTransaction,
                    const QString &strVersion, const QString &strDirection, const QString &strExtension);

} // namespace modGlobal
