#pragma once
// The report definitions of a map: the field definition file P_T_V_D.ttx,
// rewritten on every save, and the default report P_T_V_D.rpt, written while
// no report of that name exists in any letter case or the one there is the
// untouched default, so that what the user designed survives later changes of the map.

#include "translation/RecordLayout.h"

#include "report/Model.h"

namespace translation {

// The report fields of a translation layout: the typed fields, each with its
// ADO type and Maximum as its size (numeric fields without a scale).
std::vector<report::FieldDef> ReportFields(const std::vector<RecordField> &fields);

// The default report of a map: the fields over the title band (partner,
// transaction set and version; the direction; print date and page numbers).
report::Report DefaultMapReport(const MapKey &key, const std::vector<report::FieldDef> &fields);

// Whether the report at `path` is still the default report of the map as it
// was made over its own fields, and those differ from `fields`: then it is
// made again over `fields`. A report the user changed stays as it is.
bool IsUntouchedDefaultReport(const MapKey &key, const QString &path, const std::vector<report::FieldDef> &fields);

// The report at `path`, still the default report of `from` as made over its
// own fields, becomes the default report of `to` (its title names `to`).
// False, changing nothing, for a report the user changed. Raises when the
// file cannot be written.
bool RetitleDefaultReport(const MapKey &from, const MapKey &to, const QString &path);

// The "View Guideline" report: one line per element of a map, under the
// partner, transaction set, version and description of its page. Shipped
// beside the program as Guideline.rpt; its fields are the guideline query's columns.
report::Report GuidelineReport();

// The guideline query: the joined Transactions, Segment and Element rows of
// the map's elements that are not excluded, under the report's column names.
QString GuidelineStatement(const QString &partner, const QString &version, const QString &transaction);

// Reports folder (setting Folders/Reports, default the program folder) & "/" & P_T_V_D & "." & extension.
QString ReportDefinitionPath(const MapKey &key, const QString &extension);

// Writes the definitions from the map's layout; errors go to ReportError.
void CreateReportDefinition(const MapKey &key);
// The same from a given layout.
void CreateReportDefinition(const MapKey &key, const std::vector<RecordField> &fields);

} // namespace translation
