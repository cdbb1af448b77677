#pragma once
// The map designer's own images, painted at load: the tree images and the
// pictures of the command buttons.

#include <QIcon>

#include <memory>

namespace controls {
class ImageList;
}

namespace mapeditor {

// tvwIcons: "Segment", "Element", "Looping", "Results", "Record", "Methods",
// "Properties", "Functions", "Operators", "Statements"; 16 by 16.
std::unique_ptr<controls::ImageList> makeMapIcons();

enum class MapCommand { Save, Add, Delete, Duplicate, In, Out, Up, Down, Run };
QIcon commandIcon(MapCommand command);

} // namespace mapeditor
