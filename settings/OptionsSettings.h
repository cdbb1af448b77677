#pragma once
// What the options dialog loads from and saves to the settings store:
// the working folders, the selection-filter switches and the report-viewer
// switches, with the dialog's own rules for missing folders.

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace settings {

struct OptionsValues {
    std::array<QString, 8> folders; // in sections::folderKeys() order
    std::vector<bool> filter;       // 12, in sections::filterSwitches() order
    std::vector<bool> viewer;       // 22, in sections::viewerKeys() order
};

// Loads every value in the dialog's order: folders, filter, viewer. A value
// that cannot be read (a switch that is no truth value, a failing store) gets
// its default and is named in the returned lines ("Filter: Version =
// "sometimes""); the others load whatever one of them holds.
QStringList loadOptions(OptionsValues &values);
// The message for the values that could not be read, from those lines.
QString unreadableSettingsMessage(const QStringList &unreadable);

// The message for a folder that does not exist.
QString missingFolderMessage(const QString &key, const QString &text);

// Saves in the dialog's order: the filter, then each folder that exists
// (missing ones are handed to onMissing, which shows the message and may
// reload the box, and are not written), then the viewer switches. A Reports
// folder that changes gets its contents placed (sections::placeReportsContents);
// returns what could not be placed.
QStringList saveOptions(const OptionsValues &values, const std::function<bool(const QString &)> &folderExists,
                        const std::function<void(int index, const QString &key)> &onMissing);

} // namespace settings
