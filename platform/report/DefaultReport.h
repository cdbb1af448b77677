#pragma once
// A new report over the fields of a record set (the report on a runtime data
// source): every field in field order, a column per field in the detail band
// with its name as the heading in the page header, each as wide as its
// defined size allows (at most the page's width), continuing on a further
// line where the page is full. The designer takes it from there.

#include "report/Model.h"

namespace report {

Report defaultReport(const std::vector<FieldDef> &fields, const QString &title = {});

// Adds `object` to `section`, growing the section so the object fits.
void addToSection(Section &section, ReportObject object);

} // namespace report
