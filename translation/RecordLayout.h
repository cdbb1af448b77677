#pragma once
// The layout of a map's translation record set, one rule for the record
// definition file (".ADO") and the report field definitions: the kept
// segment rows in SegmentIndex order, each repeated Placeholders times under
// a running number, and one field per kept element of each repetition,
// named running number, segment identifier and two-digit element index
// ("11FST04").

#include "core/SetKey.h"

#include <QString>

#include <functional>
#include <vector>

namespace translation {

using MapKey = core::SetKey;

struct RecordField {
    QString name;
    int type = 0;          // ADO type: 200, 7, 134, 4 or 131
    long definedSize = 0;  // Maximum (at least 1 for the text field of an untyped element)
    int precision = 0;     // 131 only: Maximum
    int numericScale = 0;  // 131 only: the digit of N0..N9
    QString elementType;   // Element.Type as stored
    bool typed = true;     // false when Type is none of ID, AN, DT, TM, R, N0..N9
};

// The fields of the map of `key`. Raises vb::VbError on a failing query, a
// map without segment rows (3021), a running number beyond 32767 (6) or two
// fields of one name (457).
std::vector<RecordField> RecordLayout(const MapKey &key);

// The record definition text of a field list: one line per field (name TAB
// type TAB size, or precision TAB scale for 131 and 14), CR LF after each
// line and one more at the end.
QString RecordDefinitionText(const std::vector<RecordField> &fields);

// Adds one node to the designer's script reference tree (parent key empty
// for a top-level node).
using ReferenceNodeSink =
    std::function<void(const QString &parentKey, const QString &key, const QString &text, const QString &image)>;

// Writes the translation record definition P_T_V_D.ADO of `key` into the
// ActiveX folder (setting Folders/ActiveX, default the program folder). With
// blnTree the "Record" node and one node per field go to `addNode`. The file
// is replaced only when complete; errors go to ReportError and leave the
// previous file as it was.
void CreateRecordDefinition(const MapKey &key, bool blnTree, const ReferenceNodeSink &addNode = {});

// The translation record definition path of `key` (52 for a key that
// cannot name a file).
QString RecordDefinitionPath(const MapKey &key);

// After a segment or element of a map is saved: the record definition
// without the reference nodes, then the report definitions beside it.
void SaveMapDefinitions(const MapKey &key);

} // namespace translation
