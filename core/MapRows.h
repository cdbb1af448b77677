#pragma once
// The one reader of a map: the Segment and Element rows of a transaction
// set's key, each column's value as the data layer reads it (unconverted).
// The validator, the inbound run, the record layout and the map designer
// each read the same rows through it and convert the values where they use
// them, as each did when it read its own rows.

#include "core/SetKey.h"

#include "ado/Connection.h"
#include "vb/Variant.h"

#include <QString>

#include <vector>

namespace core {

struct MapSegmentRow {
    vb::Variant segment, segmentIndex, node, looping, expanded, exclude;
    vb::Variant name, usage, level, maxUsageLoop, placeholders, script;
};

struct MapElementRow {
    vb::Variant segment, segmentIndex, elementIndex, exclude, reference;
    vb::Variant name, usage, type, minimum, maximum, script, format;
};

struct MapRows {
    std::vector<MapSegmentRow> segments; // by SegmentIndex, then as stored
    std::vector<MapElementRow> elements; // by SegmentIndex, ElementIndex, then as stored
};

// Reads both tables of `key` in two statements. Raises the data layer's
// error when a statement fails or there is no connection.
MapRows ReadMapRows(const ado::ConnectionPtr &connection, const SetKey &key);

// Whether two segment identifiers are the same as the database compares them
// (ASCII letters without regard to case).
bool sameIdentifier(QStringView a, QStringView b);

// A column's text; Null (or Empty) gives empty text.
QString textOf(const vb::Variant &value);

} // namespace core
