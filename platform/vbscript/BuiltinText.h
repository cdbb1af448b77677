#pragma once
// Text built-ins (Left, Mid, InStr, Replace, Split, FormatNumber ...).

#include "Engine.h"

namespace vbs {

#define VBS_TEXT_FN(name) vb::Variant name(Frame &f, std::span<vb::Variant> a);
VBS_TEXT_FN(fnAsc) VBS_TEXT_FN(fnAscW) VBS_TEXT_FN(fnChr) VBS_TEXT_FN(fnChrW)
VBS_TEXT_FN(fnFilter) VBS_TEXT_FN(fnFormatCurrency) VBS_TEXT_FN(fnFormatDateTime)
VBS_TEXT_FN(fnFormatNumber) VBS_TEXT_FN(fnFormatPercent) VBS_TEXT_FN(fnInStr)
VBS_TEXT_FN(fnInStrRev) VBS_TEXT_FN(fnJoin) VBS_TEXT_FN(fnLCase) VBS_TEXT_FN(fnLeft)
VBS_TEXT_FN(fnLen) VBS_TEXT_FN(fnLTrim) VBS_TEXT_FN(fnMid) VBS_TEXT_FN(fnReplace)
VBS_TEXT_FN(fnRight) VBS_TEXT_FN(fnRTrim) VBS_TEXT_FN(fnSpace) VBS_TEXT_FN(fnSplit)
VBS_TEXT_FN(fnStrComp) VBS_TEXT_FN(fnString) VBS_TEXT_FN(fnStrReverse) VBS_TEXT_FN(fnTrim)
VBS_TEXT_FN(fnUCase) VBS_TEXT_FN(fnHex) VBS_TEXT_FN(fnOct)
#undef VBS_TEXT_FN

} // namespace vbs
