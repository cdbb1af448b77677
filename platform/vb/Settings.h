#pragma once
// The per-user settings store: one INI file per application under the
// settings root, sections and keys as the program names them (letter case
// matters), every value stored as the text it was written with.

#include <QString>
#include <utility>
#include <vector>

namespace vb {

// Folder that holds the settings files: the user's configuration folder
// ("~/.config/Corvantis") unless redirected (tests use a temporary folder).
QString settingsRoot();
// Redirects the settings root; an empty text restores the default.
void setSettingsRoot(const QString &folder);
// The INI file of an application.
QString settingsFile(const QString &appName);

// The value of the key, or defaultValue when the key is not stored.
QString GetSetting(const QString &appName, const QString &section, const QString &key,
                   const QString &defaultValue = {});
void SaveSetting(const QString &appName, const QString &section, const QString &key, const QString &value);
// Removes the whole section, or one key; error 5 when it is not stored.
void DeleteSetting(const QString &appName, const QString &section);
void DeleteSetting(const QString &appName, const QString &section, const QString &key);
// Every key of the section with its value, keys in sorted order; empty when
// the section holds none.
std::vector<std::pair<QString, QString>> GetAllSettings(const QString &appName, const QString &section);

// The file format, exposed for tests: "[Section]" lines and "key=value" lines.
// A value is the rest of the line without surrounding blanks; a value that
// starts or ends with a blank, starts with a double quote or holds a line
// break is written in double quotes with backslash escapes.
QString encodeSettingsValue(const QString &value);
QString decodeSettingsValue(const QString &raw);

} // namespace vb
