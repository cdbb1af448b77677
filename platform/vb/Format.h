#pragma once
// The classic Format function: named formats ("Short Date", "Currency" ...),
// date/time patterns ("mm/d/yyyy", "hh:mm:ss AMPM"), number patterns ("000000000",
// "#,##0.00;(#,##0.00)") and text patterns ("@@@", ">"). Designators and
// separators are always the US ones: "AM"/"PM", "/", ":", ".", ",", "$".
//
// Rounding: number patterns round half away from zero on the value's 15-digit
// decimal form, as the classic Format does (Format(2.5, "0") is "3",
// Format(1.005, "0.00") is "1.01"); this differs from CInt/CLng, which round
// half to even.

#include "vb/DateTime.h"
#include "vb/Variant.h"

#include <QString>

namespace vb {

QString Format(const Variant &value, const QString &pattern = QString(),
               FirstDayOfWeek firstDay = FirstDayOfWeek::Sunday,
               FirstWeekOfYear firstWeek = FirstWeekOfYear::Jan1);

} // namespace vb
