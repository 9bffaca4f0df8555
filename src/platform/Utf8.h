// Wide text to UTF-8, for the places that hand text to files and streams as Unicode (the
// profile, standard error). Paths use ToSystemPath instead (byte-preserving for narrow text).
#pragma once

#include <string>
#include <string_view>

std::string ToUtf8(std::wstring_view text);
