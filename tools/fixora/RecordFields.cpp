// Names and text fields shared by the printers.
#include "RecordFields.h"

#include <cstring>

const char* SignalStatusName(int nStatus)
{
    static const char* const s_names[] = {
        "none",      "gps",       "corrected_gps", "calculated", "manual", "rtk_code",
        "rtk_fixed", "rtk_float", "postprocessed", "waas",       "unknown"};
    if (nStatus < 0 || nStatus >= static_cast<int>(std::size(s_names)))
    {
        return "invalid";
    }
    return s_names[nStatus];
}

std::string FixedText(const char* pszField, std::size_t nSize)
{
    const void* pZero = std::memchr(pszField, '\0', nSize);
    const std::size_t nLength =
        pZero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(pZero) - pszField)
                         : nSize;
    return std::string(pszField, nLength);
}

namespace
{

void AppendUtf8(std::string& strOut, unsigned long nCode)
{
    if (nCode > 0x10FFFF || (nCode >= 0xD800 && nCode <= 0xDFFF))
    {
        nCode = 0xFFFD; // not a character: the replacement character
    }
    if (nCode < 0x80)
    {
        strOut += static_cast<char>(nCode);
    }
    else if (nCode < 0x800)
    {
        strOut += static_cast<char>(0xC0 | (nCode >> 6));
        strOut += static_cast<char>(0x80 | (nCode & 0x3F));
    }
    else if (nCode < 0x10000)
    {
        strOut += static_cast<char>(0xE0 | (nCode >> 12));
        strOut += static_cast<char>(0x80 | ((nCode >> 6) & 0x3F));
        strOut += static_cast<char>(0x80 | (nCode & 0x3F));
    }
    else
    {
        strOut += static_cast<char>(0xF0 | (nCode >> 18));
        strOut += static_cast<char>(0x80 | ((nCode >> 12) & 0x3F));
        strOut += static_cast<char>(0x80 | ((nCode >> 6) & 0x3F));
        strOut += static_cast<char>(0x80 | (nCode & 0x3F));
    }
}

} // namespace

std::string Latin1ToUtf8(const std::string& strBytes)
{
    std::string strOut;
    strOut.reserve(strBytes.size());
    for (const char c : strBytes)
    {
        AppendUtf8(strOut, static_cast<unsigned char>(c));
    }
    return strOut;
}

std::string WideToUtf8(const CString& str)
{
    std::string strOut;
    strOut.reserve(static_cast<std::size_t>(str.GetLength()));
    for (const wchar_t c : str.View())
    {
        AppendUtf8(strOut, static_cast<unsigned long>(c));
    }
    return strOut;
}
