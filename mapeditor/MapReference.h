#pragma once
// What the designer's script reference lists, apart from the window: the
// fields of an outbound map's import definition ("Results") and the members
// and language elements scripts may use. The window adds the nodes in this
// order; a node whose key is already in the tree is left out.

#include "translation/RecordLayout.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace mapeditor {

struct ReferenceNode {
    QString parentKey; // empty for a root
    QString key, text, image;
};
using ReferenceSink = std::function<void(const ReferenceNode &)>;

// One "Results" child per field of the import definition at `path`, up to
// the first empty line. A missing file gives none. Any other failure (an
// empty file, a line of fewer than three columns, a type or size that is no
// number, a numeric field without its scale, a repeated name) raises after
// the fields read before it were handed on.
void readResultFields(const QString &path, const ReferenceSink &add);

// The roots after "Results" and "Record", with their children: Methods,
// Properties, Functions, Statements and Operators, as an outbound or an
// inbound map's scripts use them.
std::vector<ReferenceNode> scriptReferenceNodes(bool outbound);

// The "Record" children of a record layout: one per field, key and text
// Record.Fields.Item("name").
std::vector<ReferenceNode> recordReferenceNodes(const std::vector<translation::RecordField> &fields);

// `tree` (the nodes in the order they were added) with the children of its
// "Record" root replaced by `fields`, right after the root. Nothing when
// the tree has no "Record" root or its children already are `fields`.
std::optional<std::vector<ReferenceNode>> withRecordNodes(const std::vector<ReferenceNode> &tree,
                                                          const std::vector<ReferenceNode> &fields);

} // namespace mapeditor
