#include "settings/AboutInfo.h"

#include "vb/AppInfo.h"
#include "vb/DateTime.h"
#include "vb/Format.h"

#include <QDir>
#include <QFileInfo>

namespace settings {

QString versionText(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString buildDateText(const std::optional<QDateTime> &date)
{
    if (!date || !date->isValid())
        return QStringLiteral("Build Date: Developing");
    return QStringLiteral("Build Date: ") + vb::Format(vb::Variant::fromDate(vb::toOleDate(*date)), QStringLiteral("mmmm d, yyyy"));
}

QString phoneText()
{
    return QStringLiteral("Phone: (555) 010-4200");
}

QString webAddress()
{
    return QStringLiteral("http://www.corvantis.example");
}

bool LinkLook::mouseMove()
{
    if (m_look != Idle)
        return false;
    m_look = Hover;
    return true;
}

bool LinkLook::mouseDown()
{
    if (m_look != Hover)
        return false;
    m_look = Pressed;
    return true;
}

bool LinkLook::mouseUp()
{
    if (m_look != Pressed)
        return false;
    m_look = Hover;
    return true;
}

bool LinkLook::timerTick(bool inside)
{
    if (inside || m_look == Idle)
        return false;
    m_look = Idle;
    return true;
}

bool LinkLook::isInside(int x, int y, int width, int height)
{
    return x >= 0 && x <= width && y >= 0 && y <= height;
}

const QStringList &systemInfoPrograms()
{
    static const QStringList programs = {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"),
                                         QStringLiteral("kinfocenter"), QStringLiteral("gnome-system-monitor")};
    return programs;
}

std::optional<QString> findSystemInfoProgram(const QString &pathVariable)
{
    const QStringList folders = pathVariable.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &program : systemInfoPrograms()) {
        for (const QString &folder : folders) {
            const QFileInfo candidate(QDir(folder).filePath(program));
            if (candidate.isFile() && candidate.isExecutable())
                return candidate.absoluteFilePath();
        }
    }
    return std::nullopt;
}

std::optional<QString> openHelpContents(const QString &programFolder, const UrlOpener &open)
{
    const QDir folder(programFolder);
    const QString help = folder.filePath(QString::fromLatin1(kHelpFileName));
    const QString guide = folder.filePath(QString::fromLatin1(kGuideFileName));
    // A help file put beside the program wins; the guide the build installs serves otherwise.
    QString file;
    if (QFileInfo(help).isFile())
        file = help;
    else if (QFileInfo(guide).isFile())
        file = guide;
    else
        return QStringLiteral("Neither the help file \"") + help + QStringLiteral("\" nor the user guide \"") + guide
               + QStringLiteral("\" was found.");
    if (!open(file))
        return QStringLiteral("No program to open the help file \"") + file
               + QStringLiteral("\" is installed on this computer.");
    return std::nullopt;
}

} // namespace settings
