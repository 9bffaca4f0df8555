// Executable path and file attributes (GetModuleFileNameW, GetFileAttributesW and _wfopen are
// declared in WinTypes.h). The helper below turns a CString path into this system's form.
#pragma once

#include "String.h"

#include <string>

// The narrow path handed to the operating system: byte for byte when every character is below
// 0x100 (narrow text kept in a CString), UTF-8 otherwise.
GEOMETRY_API std::string ToSystemPath(const wchar_t* pszPath);
