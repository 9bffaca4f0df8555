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

// A GGA fix at a second of the day; GgaSentence(n) is at 12:00:nn.
inline std::string GgaAt(int nSecond)
{
    char szBody[96];
    std::snprintf(szBody, sizeof(szBody),
                  "GPGGA,%02d%02d%02d.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",
                  nSecond / 3600, nSecond / 60 % 60, nSecond % 60);
    return NmeaSentence(szBody);
}
inline std::string GgaSentence(int nSecond)
{
    return GgaAt(43200 + nSecond);
}
