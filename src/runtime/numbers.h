// The runtime's numeric rules: rounding, whole-number division, checked integer arithmetic,
// checked floating point, and the conversions between numbers and text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace oculon {

// Round to nearest, ties to even; error 6 when the result leaves the type's range.
int16_t CInt(double value);
int32_t CLng(double value);
// Error 6 when a finite value lies beyond the Single range.
float CSng(double value);

// `\`: both operands rounded to whole numbers, the quotient truncated towards zero.
int32_t IntDiv(int32_t dividend, int32_t divisor);

int32_t AddLng(int32_t a, int32_t b);
int32_t SubLng(int32_t a, int32_t b);

// Floating-point results are checked: an invalid operation or an overflow raises error 6,
// a division by zero error 11.
double CheckedDiv(double dividend, double divisor);
double CheckedSqrt(double value);
double CheckFloat(double result);

// A Single as text: plain digits for whole numbers, at most seven significant digits, an
// exponent beyond that ("1.5E+10"), and `decimalSeparator` between the whole and the fraction.
std::string FormatSingle(float value, std::string_view decimalSeparator);
// FormatSingle with the decimal separator of the user's locale.
std::string CStr(float value);
// Decimal text of a whole number.
std::string CStr(int32_t value);

// The leading number of a text, "." as decimal separator, 0 when there is none. Blanks, tabs
// and line feeds are skipped anywhere. Error 6 when the number is beyond the Double range.
double Val(std::string_view text);

}  // namespace oculon
