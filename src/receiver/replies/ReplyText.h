// Small pieces shared by the reply parsers: storing a reply as the status record's info text and
// taking a reply's number as whole degrees.
#pragma once

#include "platform/String.h"

#include <cmath>
#include <cstddef>

// The text's low bytes into szInfoText, cut to fit with a terminating zero; the rest of the array
// is zeroed so that copies of the record carry nothing from an earlier, longer text.
template <std::size_t N> void StoreInfoText(const CString& strText, char (&szInfoText)[N])
{
    const std::size_t nLength = static_cast<std::size_t>(strText.GetLength());
    const std::size_t nKept = nLength < N - 1 ? nLength : N - 1;
    const wchar_t* const pText = strText.GetString();
    std::size_t i = 0;
    for (; i < nKept; ++i)
    {
        szInfoText[i] = static_cast<char>(pText[i] & 0xFF);
    }
    for (; i < N; ++i)
    {
        szInfoText[i] = '\0';
    }
}

// dValue truncated toward zero; false for a value no int can hold (and for NaN), where the
// conversion itself would be undefined.
inline bool TruncateToInt(double dValue, int& nValue)
{
    const double dTruncated = std::trunc(dValue);
    if (!(dTruncated >= -2147483648.0 && dTruncated <= 2147483647.0))
    {
        return false;
    }
    nValue = static_cast<int>(dTruncated);
    return true;
}
