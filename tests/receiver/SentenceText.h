// Builds test sentences as receivers send them: "$", the body, "*", two hex digits, CR LF and the
// line feed the framer appends.
#pragma once

#include "platform/String.h"

#include <cstdio>
#include <string>

// The NMEA checksum of a body (the text between "$" and "*").
inline unsigned NmeaChecksum(const std::wstring& body)
{
    unsigned nSum = 0;
    for (wchar_t c : body)
    {
        nSum ^= static_cast<unsigned>(c) & 0xFFU;
    }
    return nSum;
}

// "$" + body + "*" + checksum (upper-case hex) + "\r\n" as framed.
inline CString Sentence(const std::wstring& body)
{
    wchar_t szSum[8];
    std::swprintf(szSum, 8, L"*%02X\r\n", NmeaChecksum(body));
    return CString(L"$" + body + szSum);
}
