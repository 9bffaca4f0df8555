#include "textparse/DecimalText.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

namespace
{
bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// The parts of a decimal number, as views into the text.
struct DecimalParts
{
    bool bNegative = false;
    std::wstring_view intDigits;
    std::wstring_view fracDigits;
};

bool SplitDecimal(std::wstring_view text, DecimalParts& parts)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first]))
    {
        ++first;
    }
    while (last > first && IsBlank(text[last - 1]))
    {
        --last;
    }
    std::size_t i = first;
    if (i < last && (text[i] == L'+' || text[i] == L'-'))
    {
        parts.bNegative = text[i] == L'-';
        ++i;
    }
    const std::size_t intStart = i;
    while (i < last && IsDigit(text[i]))
    {
        ++i;
    }
    parts.intDigits = std::wstring_view(text.data() + intStart, i - intStart);
    if (i < last && text[i] == L'.')
    {
        ++i;
        const std::size_t fracStart = i;
        while (i < last && IsDigit(text[i]))
        {
            ++i;
        }
        parts.fracDigits = std::wstring_view(text.data() + fracStart, i - fracStart);
    }
    return i == last && !(parts.intDigits.empty() && parts.fracDigits.empty());
}

// Powers of ten that a double holds exactly.
constexpr double s_adExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

} // namespace

// The common case, a few digits: when the digits as one integer and the power of ten are both
// exact doubles, one correctly rounded division gives the correctly rounded value.
bool ConvertExactDecimal(bool bNegative, std::uint64_t mantissa, std::size_t nDigits,
                         std::size_t nFrac, double& dValue)
{
    if (FLT_EVAL_METHOD != 0 || nDigits > 19 || nFrac > 22 || mantissa > (std::uint64_t{1} << 53))
    {
        return false;
    }
    const double value = static_cast<double>(mantissa) / s_adExactPowers[nFrac];
    dValue = bNegative ? -value : value;
    return true;
}

namespace
{
bool ConvertShort(const DecimalParts& parts, double& dValue)
{
    const std::size_t nDigits = parts.intDigits.size() + parts.fracDigits.size();
    if (nDigits > 19)
    {
        return false;
    }
    std::uint64_t mantissa = 0;
    for (wchar_t c : parts.intDigits)
    {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    for (wchar_t c : parts.fracDigits)
    {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return ConvertExactDecimal(parts.bNegative, mantissa, nDigits, parts.fracDigits.size(), dValue);
}

// Digits kept for the conversion. A double is decided by at most 767 significant digits; beyond
// the kept ones a single '1' stands for any non-zero rest, which rounds the same way.
constexpr std::size_t s_nKeptDigits = 780;
} // namespace

bool ParseDecimalInt(std::wstring_view text, int& nValue)
{
    // The usual fields are read at once: an empty one (a value the receiver does not have) and
    // a few digits and nothing else (up to 9 digits always fit an int).
    constexpr std::size_t kAlwaysFits = 9;
    if (text.empty())
    {
        return false;
    }
    if (text.size() <= kAlwaysFits)
    {
        int nDigits = 0;
        std::size_t i = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i)
        {
            nDigits = nDigits * 10 + static_cast<int>(text[i] - L'0');
        }
        if (i == text.size())
        {
            nValue = nDigits;
            return true;
        }
    }
    DecimalParts parts;
    if (!SplitDecimal(text, parts))
    {
        return false;
    }
    for (wchar_t c : parts.fracDigits)
    {
        if (c != L'0')
        {
            return false;
        }
    }
    // One past INT_MAX is the magnitude of INT_MIN.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    std::int64_t magnitude = 0;
    for (wchar_t c : parts.intDigits)
    {
        magnitude = magnitude * 10 + (c - L'0');
        if (magnitude > kLimit)
        {
            return false;
        }
    }
    if (!parts.bNegative && magnitude == kLimit)
    {
        return false;
    }
    nValue = static_cast<int>(parts.bNegative ? -magnitude : magnitude);
    return true;
}

bool ParseDecimalDouble(std::wstring_view text, double& dValue)
{
    DecimalParts parts;
    if (!SplitDecimal(text, parts))
    {
        return false;
    }
    if (ConvertShort(parts, dValue))
    {
        return true;
    }
    // value = (all digits as one integer) x 10^exponent; leading and trailing zeros are dropped
    // from the digits first so that only significant ones count against the buffer.
    std::int64_t exponent = -static_cast<std::int64_t>(parts.fracDigits.size());
    const auto digitAt = [&parts](std::size_t k) {
        return k < parts.intDigits.size() ? parts.intDigits[k]
                                          : parts.fracDigits[k - parts.intDigits.size()];
    };
    std::size_t begin = 0;
    std::size_t end = parts.intDigits.size() + parts.fracDigits.size();
    while (begin < end && digitAt(begin) == L'0')
    {
        ++begin;
    }
    while (end > begin && digitAt(end - 1) == L'0')
    {
        --end;
        ++exponent;
    }

    const std::int64_t order = exponent + static_cast<std::int64_t>(end - begin);
    std::array<char, s_nKeptDigits + 32> buffer; // filled up to n below
    std::size_t n = 0;
    if (parts.bNegative)
    {
        buffer[n++] = '-';
    }
    if (begin == end)
    {
        buffer[n++] = '0';
        exponent = 0;
    }
    else
    {
        const std::size_t count = end - begin;
        // Orders of magnitude far outside a double's range are settled without converting.
        if (order > 400)
        {
            return false;
        }
        if (order < -400)
        {
            dValue = parts.bNegative ? -0.0 : 0.0;
            return true;
        }
        const std::size_t kept = count < s_nKeptDigits ? count : s_nKeptDigits;
        for (std::size_t k = 0; k < kept; ++k)
        {
            buffer[n++] = static_cast<char>(digitAt(begin + k));
        }
        if (kept < count)
        {
            // The rest is non-zero (trailing zeros were dropped), so it ends in a sticky digit.
            buffer[n++] = '1';
            exponent += static_cast<std::int64_t>(count - kept - 1);
        }
    }
    buffer[n++] = 'e';
    const auto [expEnd, expErr] =
        std::to_chars(buffer.data() + n, buffer.data() + buffer.size(), exponent);
    if (expErr != std::errc())
    {
        return false;
    }

    double value = 0.0;
    const auto [end2, err] = std::from_chars(buffer.data(), expEnd, value);
    if (err == std::errc::result_out_of_range)
    {
        // Too small rounds to zero; too large has no double.
        if (order > 0)
        {
            return false;
        }
        dValue = parts.bNegative ? -0.0 : 0.0;
        return true;
    }
    if (err != std::errc() || end2 != expEnd)
    {
        return false;
    }
    dValue = value;
    return true;
}
