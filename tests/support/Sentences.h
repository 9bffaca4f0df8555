// Test sentences as receivers send them: "$", the body, "*", two upper-case hex digits, CR LF.
// Plain text only, so that every suite (the host program's too) can use it.
#pragma once

#include <cstdio>
#include <string>

// The sentence of a body (the text between "$" and "*").
inline std::string NmeaSentence(const std::string& strBody)
{
    unsigned nSum = 0;
    for (const char c : strBody)
    {
        nSum ^= static_cast<unsigned char>(c);
    }
    char szSum[8];
    std::snprintf(szSum, sizeof szSum, "*%02X\r\n", nSum);
    return "$" + strBody + szSum;
}
