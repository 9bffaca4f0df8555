#include "receiver/replies/NumberText.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace
{

// The text as the C library sees it: up to the first zero character.
std::wstring_view CText(const CString& str)
{
    const std::wstring_view text = str.View();
    return text.substr(0, text.find(L'\0'));
}

// White space as wcstol/wcstod skip it in the "C" locale.
bool IsSpace(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

std::size_t SkipSpace(std::wstring_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
    {
        ++i;
    }
    return i;
}

bool IsAsciiAlnum(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Characters that can be part of a floating-point number (exponents, hex digits, "inf", "nan(x)").
bool IsNumberChar(wchar_t c)
{
    return IsAsciiAlnum(c) || c == L'.' || c == L'+' || c == L'-' || c == L'(' || c == L')' ||
           c == L'_';
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
    {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f')
    {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F')
    {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsHexDigit(char c)
{
    return DigitValue(c) >= 0;
}

// After "0x": a hexadecimal mantissa has to follow, or the number is the "0" alone.
bool StartsHexMantissa(std::string_view s)
{
    return (!s.empty() && IsHexDigit(s[0])) || (s.size() >= 2 && s[0] == '.' && IsHexDigit(s[1]));
}

// A number that does not fit a double: whether it is too large (else too small). Such numbers
// lie hundreds of orders of magnitude away from 1, so the sign of the rough exponent decides.
bool IsOverflow(std::string_view number, bool bHex)
{
    const char chExponent = bHex ? 'p' : 'e';
    std::int64_t nPlaces = 0; // the number is 0.ddd... times base^nPlaces
    bool bNonZero = false;
    bool bFraction = false;
    std::size_t i = 0;
    for (; i < number.size(); ++i)
    {
        const char c = number[i];
        if ((c | 0x20) == chExponent)
        {
            break;
        }
        if (c == '.')
        {
            bFraction = true;
            continue;
        }
        if (!bNonZero)
        {
            if (c != '0')
            {
                bNonZero = true;
                nPlaces = bFraction ? nPlaces : 1;
            }
            else if (bFraction)
            {
                --nPlaces;
            }
        }
        else if (!bFraction)
        {
            ++nPlaces;
        }
    }
    std::int64_t nExponent = 0;
    bool bNegativeExponent = false;
    if (i < number.size())
    {
        ++i;
        if (i < number.size() && (number[i] == '+' || number[i] == '-'))
        {
            bNegativeExponent = number[i] == '-';
            ++i;
        }
        for (; i < number.size() && nExponent < 1000000000; ++i)
        {
            nExponent = nExponent * 10 + (number[i] - '0');
        }
    }
    if (bNegativeExponent)
    {
        nExponent = -nExponent;
    }
    return bHex ? 4 * nPlaces + nExponent > 0 : nPlaces + nExponent > 0;
}

// Reads a number the way wcstod does: writes the value (0.0 when there is none, +-HUGE_VAL when
// it is too large) and returns the count of characters read, 0 when there is no number.
std::size_t ScanDouble(std::wstring_view text, double& dValue)
{
    dValue = 0.0;
    std::size_t i = SkipSpace(text);
    bool bNegative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
    {
        bNegative = text[i] == L'-';
        ++i;
    }
    std::string narrow;
    for (std::size_t j = i; j < text.size() && IsNumberChar(text[j]); ++j)
    {
        narrow += static_cast<char>(text[j]);
    }
    if (narrow.empty() || narrow[0] == '+' || narrow[0] == '-')
    {
        return 0;
    }
    const char* pBegin = narrow.data();
    const char* const pEnd = narrow.data() + narrow.size();
    const bool bHex = narrow.size() >= 2 && narrow[0] == '0' && (narrow[1] | 0x20) == 'x';
    if (bHex)
    {
        if (!StartsHexMantissa(std::string_view(narrow).substr(2)))
        {
            dValue = bNegative ? -0.0 : 0.0;
            return i + 1;
        }
        pBegin += 2;
    }
    double dRead = 0.0;
    const auto result = std::from_chars(pBegin, pEnd, dRead,
                                        bHex ? std::chars_format::hex : std::chars_format::general);
    if (result.ec == std::errc::invalid_argument)
    {
        return 0;
    }
    if (result.ec == std::errc::result_out_of_range)
    {
        const std::string_view number(pBegin, static_cast<std::size_t>(result.ptr - pBegin));
        dRead = IsOverflow(number, bHex) ? HUGE_VAL : 0.0;
    }
    dValue = bNegative ? -dRead : dRead;
    return i + static_cast<std::size_t>(result.ptr - narrow.data());
}

} // namespace

bool StrToInt(CString strText, int& nValue)
{
    const std::wstring_view text = CText(strText);
    std::size_t i = SkipSpace(text);
    bool bNegative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
    {
        bNegative = text[i] == L'-';
        ++i;
    }
    // Saturated just past the largest magnitude, so the limits below are reached, never passed.
    constexpr std::int64_t kCap = std::int64_t{INT_MAX} + 1;
    const std::size_t nDigits = i;
    std::int64_t nMagnitude = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
    {
        nMagnitude = std::min(kCap, nMagnitude * 10 + (text[i] - L'0'));
    }
    if (i == nDigits)
    {
        return false; // no digit: nothing converted
    }
    const std::int64_t nResult = std::clamp(bNegative ? -nMagnitude : nMagnitude,
                                            std::int64_t{INT_MIN}, std::int64_t{INT_MAX});
    if (nResult == INT_MAX || nResult == INT_MIN)
    {
        return false;
    }
    nValue = static_cast<int>(nResult);
    return true;
}

bool StrToDouble(CString strText, double& dValue, int& nUnread)
{
    const std::wstring_view text = CText(strText);
    const std::size_t nRead = ScanDouble(text, dValue);
    if (std::fabs(dValue) == HUGE_VAL || (dValue == 0.0 && nRead == 0))
    {
        return false;
    }
    nUnread = static_cast<int>(text.size() - nRead);
    return true;
}
