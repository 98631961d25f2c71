#pragma once

#include <QString>

// Number conventions shared by layout, settings and the description file.
namespace Numeric {

// Nearest integer, an exact half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
int roundHalfEven(double value);

// The numeric value of a text box: leading blanks skipped, then the longest
// decimal number at the start ("12abc" -> 12, "2.5" -> 2.5); no number gives 0.
double val(const QString &text);

// val() rounded half to even and clamped to the signed 16-bit range, the
// form in which sizes and window positions are stored.
int toInt16(double value);

} // namespace Numeric
