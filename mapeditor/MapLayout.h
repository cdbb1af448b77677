#pragma once
// The map designer's layout: where every pane goes for a client size and the
// four bar positions, the limits of a bar drag, and the placement and bar
// positions kept in settings section `Map`. Pure functions in twips, so the
// window only applies them.

#include <QString>

#include <optional>

namespace mapeditor {

struct LayoutRect {
    double left = 0, top = 0, width = 0, height = 0;
    bool operator==(const LayoutRect &) const = default;
};

struct MapLayoutInput {
    double scaleLeft = 0, scaleTop = 0, scaleWidth = 0, scaleHeight = 0; // the client area
    double windowWidth = 0, windowHeight = 0;                            // the window's outer size
    bool minimized = false;
    double VL = 0, VC = 0, VR = 0, HT = 0; // the bars' positions
    // The sizes the controls have now: a move a control refuses (a negative
    // size) leaves it so, and later rows read it.
    LayoutRect fraElement, tvwTSets, lvwTSets, sstControls, tvwReference;
};

struct MapLayoutResult {
    enum Action { Minimized, RaiseHeight, RaiseWidth, Placed } action = Placed;
    double VL = 0, VC = 0, VR = 0, HT = 0; // after the pulls of a smaller window
    // Each control's new place; nothing when the control keeps its place.
    std::optional<LayoutRect> fraElement, fraSegment, tvwTSets, lvwTSets, sstControls;
    std::optional<LayoutRect> tvwReference, txtScript, txtImmediate, txtTransaction; // inside the tab control
    std::optional<LayoutRect> picVSplitCenter, picVSplitLeft, picVSplitRight, picHSplit;
};

constexpr double kMapMinimumHeight = 8400;
constexpr double kMapMinimumWidth = 6000;

MapLayoutResult mapLayoutPass(const MapLayoutInput &in);

// Where a bar stays when a drag ends.
double limitLeftBarRelease(double left, double VR);      // picVSplitLeft and picVSplitCenter
double limitRightBarRelease(double left, double scaleWidth, double VL);
double limitHSplitBarRelease(double top, double scaleHeight);

// The four bars as the user placed them (a drag, or the layout stored). A
// smaller window pulls them in only while it is smaller: each pass starts
// from these, so the panes follow the window again when it grows.
struct MapBars {
    double VL = 0, VC = 0, VR = 0, HT = 0;
    bool operator==(const MapBars &) const = default;
};

// True when the bars leave a pane less room than a drag can give it: the
// segment and element panes or the reference narrower than the left bars'
// floor, the map tree no wider than the gap the right bar keeps, the panes
// above the lower bar lower than its floor. Such a layout (left by a window
// shrunk to its minimum) is not restored.
bool barsHideAPane(const MapBars &bars);

// Settings section `Map`.
struct MapLayoutValues {
    int state = 0; // 0 normal, 1 minimized, 2 maximized
    std::optional<double> top, left, height, width;
    std::optional<double> vSplitCenter, vSplitLeft, vSplitRight, hSplit;
};

// The defaults, from the screen and the window's size before a stored one
// is applied.
MapLayoutValues mapLayoutDefaults(double screenWidth, double screenHeight, double windowWidth, double windowHeight);
// Every key read with its default; a stored text that is not a number
// leaves that value empty (the property stays as it was).
MapLayoutValues readMapLayout(const MapLayoutValues &defaults);
// Writes State, the placement only when not maximized, then the bars.
void saveMapLayout(const MapLayoutValues &values);

} // namespace mapeditor
