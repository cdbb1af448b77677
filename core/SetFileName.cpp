#include "core/SetFileName.h"

#include "vb/VbError.h"

namespace modGlobal {

namespace {

bool unsafe(const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('/') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

} // namespace

QString SetFileName(const QString &strPartner, const QString &strTransaction, const QString &strVersion,
                    const QString &strDirection, const QString &strExtension)
{
    const QString key = strPartner + QLatin1Char('_') + strTransaction + QLatin1Char('_') + strVersion
        + QLatin1Char('_') + strDirection;
    const QString name = strExtension.isEmpty() ? key : key + QLatin1Char('.') + strExtension;
    if (unsafe(name) || name == QLatin1String(".") || name == QLatin1String("..")) {
        QString shown = name;
        for (QChar &c : shown) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                c = QLatin1Char('?');
        }
        vb::raise(52, QStringLiteral("Bad file name or number: the transaction set key \"") + shown
                          + QStringLiteral("\" cannot name a file (it holds \"/\" or a control character)"));
    }
    return name;
}

QString SetFilePath(const QString &folder, const QString &strPartner, const QString &strTransaction,
                    const QString &strVersion, const QString &strDirection, const QString &strExtension)
{
    const QString name = SetFileName(strPartner, strTransaction, strVersion, strDirection, strExtension);
    if (folder.isEmpty())
        return name;
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace modGlobal
