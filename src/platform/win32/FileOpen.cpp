// Wide paths are this system's own paths; the narrow form handed to the C++ library's file
// system is UTF-8, which is how it reads narrow paths here. _wfopen is the C runtime's.
#include "OsApi.h"
#include "platform/Files.h"
#include "platform/Utf8.h"

#include <cwchar>

std::string ToSystemPath(const wchar_t* pszPath)
{
    return ToUtf8(pszPath != nullptr ? pszPath : L"");
}
