// Wide paths to this system's narrow paths, and the C runtime's wide fopen.
#include "OsApi.h"
#include "platform/Files.h"

#include <cwchar>

std::string ToSystemPath(const wchar_t* pszPath)
{
    std::string path;
    if (pszPath == nullptr)
    {
        return path;
    }
    bool bNarrow = true;
    for (const wchar_t* p = pszPath; *p != L'\0'; ++p)
    {
        if (static_cast<unsigned long>(*p) > 0xFFu)
        {
            bNarrow = false;
            break;
        }
    }
    for (const wchar_t* p = pszPath; *p != L'\0'; ++p)
    {
        const auto c = static_cast<unsigned long>(*p);
        if (bNarrow)
        {
            path += static_cast<char>(c);
        }
        else if (c < 0x80)
        {
            path += static_cast<char>(c);
        }
        else if (c < 0x800)
        {
            path += static_cast<char>(0xC0 | (c >> 6));
            path += static_cast<char>(0x80 | (c & 0x3F));
        }
        else if (c < 0x10000)
        {
            path += static_cast<char>(0xE0 | (c >> 12));
            path += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            path += static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            path += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
            path += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            path += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            path += static_cast<char>(0x80 | (c & 0x3F));
        }
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
