// Conversion of one text field holding a plain decimal number: optional sign, digits with an
// optional decimal point (at least one digit), blanks, tabs, CR and LF allowed around it, nothing
// else (no exponent, hexadecimal, infinity or NaN). Locale-independent; never allocates.
#pragma once

#include <string_view>

// Integers: the value must fit an int; a fraction is allowed only when it is all zeros
// ("12.0" reads 12, "12.5" is refused). The result is written only on success.
bool ParseDecimalInt(std::wstring_view text, int& nValue);

// Doubles: correctly rounded to the nearest double; a magnitude too small for a double reads as
// zero, one too large for it is refused. The result is written only on success.
bool ParseDecimalDouble(std::wstring_view text, double& dValue);
