// Names and text fields shared by the printers.
#include "RecordFields.h"

#include "platform/Utf8.h"

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

std::string Latin1ToUtf8(const std::string& strBytes)
{
    std::wstring wide;
    wide.reserve(strBytes.size());
    for (const char c : strBytes)
    {
        wide.push_back(static_cast<unsigned char>(c));
    }
    return ToUtf8(wide);
}

std::string WideToUtf8(const CString& str)
{
    return ToUtf8(str.View());
}
