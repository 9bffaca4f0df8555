// Wide paths to this system's narrow paths, and the C runtime's wide fopen.
#include "OsApi.h"
#include "platform/Files.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cwchar>
#include <string_view>

std::string ToSystemPath(const wchar_t* pszPath)
{
    const std::wstring_view text = pszPath != nullptr ? pszPath : L"";
    if (std::any_of(text.begin(), text.end(),
                    [](wchar_t c) { return static_cast<unsigned long>(c) > 0xFFu; }))
    {
        return ToUtf8(text);
    }
    std::string path;
    path.reserve(text.size());
    for (const wchar_t c : text)
    {
        path += static_cast<char>(c);
    }
    return path;
}

std::FILE* _wfopen(const wchar_t* filename, const wchar_t* mode)
{
    if (filename == nullptr || mode == nullptr)
    {
        return nullptr;
    }
    std::string narrowMode;
    for (const wchar_t* p = mode; *p != L'\0'; ++p)
    {
        // The original's text/binary and ccs= qualifiers mean nothing to this C library.
        if (*p == L't' || *p == L',')
        {
            break;
        }
        narrowMode += static_cast<char>(*p);
    }
    return std::fopen(ToSystemPath(filename).c_str(), narrowMode.c_str());
}
