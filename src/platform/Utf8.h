// Wide text to UTF-8, for the places that hand text to files and streams as Unicode (the
// profile, standard error, a host's output). Paths use ToSystemPath instead (byte-preserving for
// narrow text).
#pragma once

#include "FixoraExport.h"
#include "GeometryExport.h"

#include <string>
#include <string_view>

// Characters that are not Unicode scalar values become U+FFFD.
GEOMETRY_API std::string ToUtf8(std::wstring_view text);
