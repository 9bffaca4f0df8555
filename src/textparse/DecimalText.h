// Conversion of one text field holding a plain decimal number: optional sign, digits with an
// optional decimal point (at least one digit), blanks, tabs, CR and LF allowed around it, nothing
// else (no exponent, hexadecimal, infinity or NaN). Locale-independent; never allocates.
#pragma once

#include "GeometryExport.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Integers: the value must fit an int; a fraction is allowed only when it is all zeros
// ("12.0" reads 12, "12.5" is refused). The result is written only on success.
GEOMETRY_API bool ParseDecimalInt(std::wstring_view text, int& nValue);

// Doubles: correctly rounded to the nearest double; a magnitude too small for a double reads as
// zero, one too large for it is refused. The result is written only on success.
GEOMETRY_API bool ParseDecimalDouble(std::wstring_view text, double& dValue);

// The usual fields read in the same pass that finds their end: a plain number without blanks
// (digits, and for doubles an optional sign and point) at the start of [p, pLimit), short enough
// to convert exactly at once. Returns where the number stops, with the value written, or null
// (nothing written) for anything else; the caller then takes the whole field and reads it with
// the functions above, which give the same value for every text these accept. Inline: they run
// for nearly every field of every sentence.
inline const wchar_t* ScanShortInt(const wchar_t* p, const wchar_t* pLimit, int& nValue)
{
    unsigned nRead = 0; // wraps beyond 9 digits, which are then refused
    const wchar_t* q = p;
    for (; q != pLimit; ++q)
    {
        const auto nDigit = static_cast<unsigned>(*q) - unsigned{L'0'};
        if (nDigit > 9)
        {
            break;
        }
        nRead = nRead * 10 + nDigit;
    }
    // Up to 9 digits always fit an int.
    constexpr std::ptrdiff_t kAlwaysFits = 9;
    if (q == p || q - p > kAlwaysFits)
    {
        return nullptr;
    }
    nValue = static_cast<int>(nRead);
    return q;
}

// mantissa / 10^nFrac when both are exact doubles (nDigits digits in all); false otherwise.
GEOMETRY_API bool ConvertExactDecimal(bool bNegative, std::uint64_t mantissa, std::size_t nDigits,
                                      std::size_t nFrac, double& dValue);

inline const wchar_t* ScanShortDouble(const wchar_t* p, const wchar_t* pLimit, double& dValue)
{
    const wchar_t* q = p;
    bool bNegative = false;
    if (q != pLimit && (*q == L'-' || *q == L'+'))
    {
        bNegative = *q == L'-';
        ++q;
    }
    // Beyond 19 digits the mantissa wraps, but the conversion refuses those counts anyway.
    std::uint64_t mantissa = 0;
    const wchar_t* const pInt = q;
    const wchar_t* pFrac = nullptr;
    for (; q != pLimit; ++q)
    {
        const auto nDigit = static_cast<std::uint64_t>(static_cast<unsigned>(*q) - unsigned{L'0'});
        if (nDigit <= 9)
        {
            mantissa = mantissa * 10 + nDigit;
        }
        else if (*q == L'.' && pFrac == nullptr)
        {
            pFrac = q + 1;
        }
        else
        {
            break;
        }
    }
    const auto nFrac = pFrac == nullptr ? std::size_t{0} : static_cast<std::size_t>(q - pFrac);
    const auto nDigits = static_cast<std::size_t>(q - pInt) - (pFrac == nullptr ? 0 : 1);
    if (nDigits == 0 || !ConvertExactDecimal(bNegative, mantissa, nDigits, nFrac, dValue))
    {
        return nullptr;
    }
    return q;
}
