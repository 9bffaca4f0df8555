// Wide paths are this system's own paths; the narrow form handed to the C++ library's file
// system is UTF-8, which is how it reads narrow paths here. _wfopen is the C runtime's.
#include "OsApi.h"
#include "platform/Files.h"

#include <cwchar>

std::string ToSystemPath(const wchar_t* pszPath)
{
    if (pszPath == nullptr || *pszPath == L'\0')
    {
        return {};
    }
    const int nWide = static_cast<int>(std::wcslen(pszPath));
    const int nBytes =
        WideCharToMultiByte(CP_UTF8, 0, pszPath, nWide, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0)
    {
        return {};
    }
    std::string path(static_cast<std::size_t>(nBytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, pszPath, nWide, path.data(), nBytes, nullptr, nullptr);
    return path;
}
