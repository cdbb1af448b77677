#include "settings/OptionsSettings.h"

#include "core/SettingsSections.h"
#include "vb/AppInfo.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <optional>

namespace settings {

namespace {

// One stored value as text, or nullopt (with the failure named) when the
// store cannot be read.
std::optional<QString> stored(const QString &section, const QString &key, const QString &fallback,
                              QStringList &unreadable)
{
    try {
        return vb::GetSetting(vb::AppInfo::title(), section, key, fallback);
    } catch (const std::exception &e) {
        unreadable << section + QStringLiteral(": ") + key + QStringLiteral(" (") + QString::fromLocal8Bit(e.what())
                          + QLatin1Char(')');
        return std::nullopt;
    }
}

// A switch read with the sections' one rule; the default when the value is
// no truth value or the store fails.
bool readSwitch(const QString &section, const QString &key, bool defaultOn, const QString &fallback,
                QStringList &unreadable)
{
    const std::optional<QString> text = stored(section, key, fallback, unreadable);
    if (!text)
        return defaultOn;
    if (const std::optional<bool> on = sections::readTruthValue(*text))
        return *on;
    unreadable << section + QStringLiteral(": ") + key + QStringLiteral(" = \"") + *text + QLatin1Char('"');
    return defaultOn;
}

} // namespace

QStringList loadOptions(OptionsValues &values)
{
    QStringList unreadable;
    const auto &keys = sections::folderKeys();
    for (std::size_t i = 0; i < keys.size(); ++i)
        values.folders[i] = stored(QStringLiteral("Folders"), QString::fromLatin1(keys[i]), vb::AppInfo::path(),
                                   unreadable)
                                .value_or(vb::AppInfo::path());
    values.filter.clear();
    for (const sections::Switch &s : sections::filterSwitches())
        values.filter.push_back(readSwitch(QStringLiteral("Filter"), QString::fromLatin1(s.key), s.defaultOn,
                                           s.defaultOn ? QStringLiteral("True") : QStringLiteral("False"),
                                           unreadable));
    values.viewer.clear();
    for (const char *key : sections::viewerKeys())
        values.viewer.push_back(
            readSwitch(QStringLiteral("Viewer"), QString::fromLatin1(key), true, QStringLiteral("1"), unreadable));
    return unreadable;
}

QString unreadableSettingsMessage(const QStringList &unreadable)
{
    return vb::errorText(13) + QStringLiteral(": these settings could not be read. The dialog shows their defaults, "
                                              "which OK or Apply will store:\r\n\r\n")
           + unreadable.join(QStringLiteral("\r\n"));
}

QString missingFolderMessage(const QString &key, const QString &text)
{
    const bool capital = key == QLatin1String("Outbound") || key == QLatin1String("Sent");
    return (capital ? QStringLiteral("Specified Folder does not exist") : QStringLiteral("Specified folder does not exist"))
           + QStringLiteral("\r\n\r\n") + text + QStringLiteral("\r\n");
}

QStringList saveOptions(const OptionsValues &values, const std::function<bool(const QString &)> &folderExists,
                        const std::function<void(int index, const QString &key)> &onMissing)
{
    sections::writeFilter(values.filter);
    QStringList unplaced;
    const auto &keys = sections::folderKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const QString key = QString::fromLatin1(keys[i]);
        if (!folderExists(values.folders[i])) {
            onMissing(static_cast<int>(i), key);
            continue;
        }
        const bool newReports = key == QLatin1String("Reports") && sections::folder(key) != values.folders[i];
        vb::SaveSetting(vb::AppInfo::title(), QStringLiteral("Folders"), key, values.folders[i]);
        // A new Reports folder is usable at once, not only after the next login.
        if (newReports)
            unplaced << sections::placeReportsContents(values.folders[i]);
    }
    const auto &viewer = sections::viewerKeys();
    for (std::size_t i = 0; i < viewer.size() && i < values.viewer.size(); ++i)
        sections::writeViewerSwitch(QString::fromLatin1(viewer[i]), values.viewer[i]);
    return unplaced;
}

} // namespace settings
