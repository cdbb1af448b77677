#pragma once
// The arithmetic of the main window's layout, in twips: the layout pass,
// the splitter limits, the default window placement, the default column
// widths, and the reading of stored layout values. Pure functions, so the
// window stays thin and the numbers can be checked in tables.

#include <QString>
#include <optional>

namespace mainwindow {

// Nearest whole number, halves to even (1442.5 -> 1442, 1501.5 -> 1502).
long roundHalfEven(double value);

struct TwipsRect {
    double left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TwipsRect &) const = default;
};

struct LayoutInput {
    bool minimized = false;
    double windowWidth = 0, windowHeight = 0; // outer size
    double SL = 0, ST = 0, SW = 0, SH = 0;    // client area origin and size
    double toolbarHeight = 0;                 // TB
    double captionHeight = 0;                 // height of lblFolderBar, used as FB while shown
    double statusBarHeight = 0;               // height of sbrStatusBar, used as SB while shown
    double statusBarTop = 0;
    bool folderBarChecked = true;             // mnuFolderBar's check mark
    bool statusBarChecked = true;             // mnuStatusBar's check mark
    bool previewVisible = false;              // tabPreview
    double V = 0;                             // left edge of picVSplit
    double H = 0;                             // top edge of picHSplit
    double picFolderWidth = 0;
    double panel1Width = 0, panel2Width = 0;  // status-bar panels
};

struct LayoutResult {
    enum class Action {
        None,         // minimized: nothing changes
        SetHeight,    // window below the minimum height: set it and stop
        SetWidth,     // window below the minimum width: set it and stop
        Laid,         // everything below is set
    };
    Action action = Action::None;
    double newWindowHeight = 0, newWindowWidth = 0;

    double V = 0, H = 0; // after the upper limits
    bool folderBarVisible = false;
    bool statusBarVisible = false;
    bool hSplitVisible = false;
    double paneTop = 0;    // lngPaneTop
    double paneHeight = 0; // lngPaneHeight
    double captionLeft = 0, captionWidth = 0; // lblFolderBar, set only while shown
    TwipsRect progress, tree, list, message, vSplit;
    TwipsRect tab, rtf, hSplit; // while the preview is shown
    TwipsRect welcome;          // while the preview is hidden (the list rectangle)
};

// The layout pass (Form_Resize).
LayoutResult layoutPass(const LayoutInput &in);

// Where a released splitter lands.
double limitVSplitRelease(double left, double SW);
double limitHSplitRelease(double top, double SH);

inline constexpr double kMinimumWindowSize = 6000;
inline constexpr double kSplitterSize = 100;

// Default placement from the screen size in twips: three quarters of the
// screen, centred, the tree a quarter of the window wide, the splitter halfway.
struct MainDefaults {
    long DW = 0, DH = 0, DL = 0, DT = 0, DV = 0, DS = 0;
    bool operator==(const MainDefaults &) const = default;
};
MainDefaults mainDefaults(double screenWidth, double screenHeight);

// Default widths of the list columns: W / 12 for a mailbox column, and
// W / n for every column of a list of n columns at start-up (0 when n is 0).
long mailboxColumnDefaultWidth(double captionWidth);
long layoutDefaultWidth(double captionWidth, int columnCount);

// The Description column of the History and Exchange lists opens wide
// enough for a typical entry: the caption's share would cut nearly every
// entry after a dozen characters.
inline constexpr long kLogDescriptionWidth = 7200;

// Stored values as the windows read them back. A text that cannot be read
// (not a number, out of range) gives nullopt and the caller keeps its default.
std::optional<long> readWholeNumber(const QString &text);      // rounded half to even
std::optional<bool> readTruthValue(const QString &text);       // "True"/"False" or a number
std::optional<int> readInteger16(const QString &text);         // -32768..32767, rounded

} // namespace mainwindow
