// The number converters of the reply parsers: a whole reply field, or the rest of a line after a
// tag, read the way the C library's wcstol/wcstod read it. Locale-independent; the decimal point
// is always ".".
#pragma once

#include "platform/String.h"

// Base-10 integer: leading white space, an optional sign, digits up to the first other character
// (what follows is ignored). The result saturates at the limits of a 32-bit long (the width of
// long on Windows, whatever it is here), and those two values count as failures, so 2147483647
// and -2147483648 can never be read. No digit at all is a failure too. nValue is written only on
// success.
bool StrToInt(CString strText, int& nValue);

// Floating point: leading white space, an optional sign, then a decimal number with optional
// exponent, a hexadecimal one ("0x1.8p3"), an infinity or a NaN. dValue is always written: the
// number, 0.0 when none was found, or +-HUGE_VAL on overflow. Fails on overflow (and so on
// infinity) and when no number was found; on success nUnread is the count of characters after
// the number.
bool StrToDouble(CString strText, double& dValue, int& nUnread);
