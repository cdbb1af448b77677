#pragma once
// The settings sections that the options dialog and the column chooser write
// and the rest of the program reads: `Folders`, `Filter`, `Columns` and
// `Viewer`. One reader per section lives here, so a writer and every reader
// agree on keys, defaults and how a stored text is read.

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace sections {

// ---- Folders ----
// The eight working-folder keys in the order the options dialog checks and
// saves them.
const std::array<const char *, 8> &folderKeys();
// A folder setting, read with the program folder as default.
QString folder(const QString &key);
// What a Reports folder holds for the program: the Export subfolder (the
// sets' export reports) and, while it has none, a copy of the Guideline.rpt
// shipped beside the program (the map designer's guideline report). Placed
// at login and whenever the Reports setting changes. Returns the folder or
// file that could not be placed.
QStringList placeReportsContents(const QString &reports);

// ---- Filter and Columns ----
// One switch of a section: the settings key (the column caption), the
// mailbox field it stands for, and its default.
struct Switch {
    const char *key;
    const char *field;
    bool defaultOn;
};
const std::array<Switch, 12> &filterSwitches();
const std::array<Switch, 13> &columnSwitches();

// "True" / "False" in any letter case, or a number (non-zero is on).
std::optional<bool> readTruthValue(const QString &text);

// Every switch of the section read with its default. A stored value that is
// neither a truth value nor a number raises 13 (type mismatch).
std::vector<bool> readFilter();
std::vector<bool> readColumns();
// Writes every switch, in table order, as "True" or "False".
void writeFilter(const std::vector<bool> &on);
void writeColumns(const std::vector<bool> &on);

// ---- Viewer ----
// The 22 switches of the report viewer, in the order they are saved.
const std::array<const char *, 22> &viewerKeys();
// "0" and "False" are off; "1", "True" and any other number are on; a value
// missing or unreadable is the default, on. The viewer and the options dialog
// read with this one rule, so the dialog opens on any value the viewer takes.
bool readViewerSwitch(const QString &key);
void writeViewerSwitch(const QString &key, bool on);

} // namespace sections
