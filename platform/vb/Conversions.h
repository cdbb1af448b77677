#pragma once
// The classic conversion functions. Integer targets round half to even
// (CInt(2.5) = 2, CInt(3.5) = 4); a value that does not fit raises 6, text that
// is no number (or date) raises 13, Null raises 94 ("Invalid use of Null").

#include "vb/Variant.h"

#include <QString>
#include <QStringView>

namespace vb {

QString CStr(const Variant &v);
int16_t CInt(const Variant &v);
int32_t CLng(const Variant &v);
float CSng(const Variant &v);
double CDbl(const Variant &v);
Variant CCur(const Variant &v);   // Currency subtype
uint8_t CByte(const Variant &v);
bool CBool(const Variant &v);
Variant CDate(const Variant &v);  // Date subtype

// Val: the number at the start of the text ("  12abc" -> 12, "&H1F" -> 31,
// "1e3" -> 1000); blanks inside the number are skipped, anything else ends
// it; 0 when there is none. Null raises 94.
double Val(const Variant &v);
double Val(QStringView text);

bool IsNumeric(const Variant &v);
bool IsDate(const Variant &v);

// Text that converts to a number as CDbl sees it: blanks around, sign, "$",
// thousands commas, decimal point, exponent (E or D), "(12)" for -12, and
// "&H"/"&O" prefixed hexadecimal/octal (four digits or fewer give a 16-bit
// value, as the literal would: "&HFFFF" is -1). Returns false when the text is
// not such a number.
bool parseNumber(QStringView text, double *value);

// The classic text of a Double (15 significant digits, "1E+20", "-1.5E-07")
// and of a Single (7 significant digits).
QString doubleToString(double v);
QString singleToString(float v);

} // namespace vb
