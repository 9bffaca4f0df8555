// Helpers shared by the text and JSON printers: names of fix qualities, text fields of the
// records, angle units.
#pragma once

#include "Fixora_Vorn.h"

#include <cstddef>
#include <string>

constexpr double s_dRadiansToDegrees = 57.29577951308232; // 180 / pi

// Short lower-case name of a fix quality ("gps", "rtk_fixed", ...); "invalid" outside 0..10.
const char* SignalStatusName(int nStatus);

// A fixed-size character field of a record: up to its first zero byte, or all nSize bytes when
// it is not terminated. Each byte is one character (as the library stores them).
std::string FixedText(const char* pszField, std::size_t nSize);

// Text as UTF-8 where each byte is taken as the character of the same value (Latin-1), so that
// any byte survives in a JSON string and can be recovered by encoding the text as Latin-1.
std::string Latin1ToUtf8(const std::string& strBytes);

// A library text as UTF-8, each character taken as its code point (characters of the library's
// texts are bytes, so this equals Latin1ToUtf8 of their low bytes).
std::string WideToUtf8(const CString& str);
