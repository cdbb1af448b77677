#pragma once
// Names of files a network exchange creates.

#include <QString>

namespace communications {

// The current time as "mmddyyhhmmss" (24-hour clock, 12 digits, no extension).
// Never the same text twice in the program's life: when the clock has not
// moved past the last name handed out, the second after it is used, so two
// files written within one second do not replace each other.
QString GenerateFileName();

} // namespace communications
