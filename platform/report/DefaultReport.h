#pragma once
// A new report over a field list: the field names as column headings in the
// page header and the fields in the detail band, left to right, wrapping to
// a further line where the page is full. The designer takes it from there.

#include "report/Model.h"

namespace report {

Report defaultReport(const std::vector<FieldDef> &fields, const QString &title = {});

// Adds `object` to `section`, growing the section so the object fits.
void addToSection(Section &section, ReportObject object);

} // namespace report
