#include "settings/OptionsSettings.h"

#include "core/SettingsSections.h"
#include "vb/AppInfo.h"
#include "vb/Settings.h"

namespace settings {

void loadOptions(OptionsValues &values)
{
    const auto &keys = sections::folderKeys();
    for (std::size_t i = 0; i < keys.size(); ++i)
        values.folders[i] = sections::folder(QString::fromLatin1(keys[i]));
    values.filter = sections::readFilter();
    values.viewer.clear();
    for (const char *key : sections::viewerKeys())
        values.viewer.push_back(sections::readViewerSwitch(QString::fromLatin1(key)));
}

QString missingFolderMessage(const QString &key, const QString &text)
{
    const bool capital = key == QLatin1String("Outbound") || key == QLatin1String("Sent");
    return (capital ? QStringLiteral("Specified Folder does not exist") : QStringLiteral("Specified folder does not exist"))
           + QStringLiteral("\r\n\r\n") + text + QStringLiteral("\r\n");
}

void saveOptions(const OptionsValues &values, const std::function<bool(const QString &)> &folderExists,
                 const std::function<void(int index, const QString &key)> &onMissing)
{
    sections::writeFilter(values.filter);
    const auto &keys = sections::folderKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const QString key = QString::fromLatin1(keys[i]);
        if (folderExists(values.folders[i]))
            vb::SaveSetting(vb::AppInfo::title(), QStringLiteral("Folders"), key, values.folders[i]);
        else
            onMissing(static_cast<int>(i), key);
    }
    const auto &viewer = sections::viewerKeys();
    for (std::size_t i = 0; i < viewer.size() && i < values.viewer.size(); ++i)
        sections::writeViewerSwitch(QString::fromLatin1(viewer[i]), values.viewer[i]);
}

} // namespace settings
