// The field tokenizer and the decimal conversion against plain models of what they promise: the
// fields are the text split at every delimiter, each read consumes one field, a number reads as
// the C library reads it, and the fast scan of a short number agrees with the full conversion.
//
// Text input: bytes are characters of the same value, except that 0xFF and the two bytes after it
// make one wide character (high byte first), so that characters beyond 0xFF occur.
// Tokenizer input: byte 0 picks the delimiters (bits 0-2) and throwing mode (bit 3); byte 1 the
// number of read operations that follow (1 to 8), each a byte; the rest is the text.
#include "FuzzCheck.h"
#include "FuzzEntries.h"

#include "textparse/DecimalText.h"
#include "textparse/ParseException.h"
#include "textparse/Parser.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace
{

std::wstring DecodeText(const std::uint8_t* p, std::size_t n)
{
    std::wstring text;
    for (std::size_t i = 0; i < n; ++i)
    {
        if (p[i] == 0xFF && i + 2 < n)
        {
            text.push_back(static_cast<wchar_t>(p[i + 1] << 8 | p[i + 2]));
            i += 2;
        }
        else
        {
            text.push_back(static_cast<wchar_t>(p[i]));
        }
    }
    return text;
}

// The tokenizer's model: every delimiter ends a field; an empty text has none.
struct SField
{
    std::size_t nStart;
    std::wstring_view text;
};
std::vector<SField> SplitFields(std::wstring_view text, std::wstring_view delimiters)
{
    std::vector<SField> fields;
    if (text.empty())
    {
        return fields;
    }
    std::size_t nStart = 0;
    for (;;)
    {
        const std::size_t nEnd = text.find_first_of(delimiters, nStart);
        fields.push_back({nStart, text.substr(nStart, nEnd - nStart)});
        if (nEnd == text.npos)
        {
            return fields;
        }
        nStart = nEnd + 1;
    }
}

// The plain decimal grammar, blanks around it trimmed: the sign, the integer digits and the
// fraction digits; nothing when the text is no plain decimal.
struct SDecimal
{
    bool bNegative = false;
    std::wstring_view integer;
    std::wstring_view fraction;
    std::string narrow; // sign, digits and point, for the C library
};
std::optional<SDecimal> ReadDecimal(std::wstring_view text)
{
    constexpr std::wstring_view s_Blanks = L" \t\r\n";
    const std::size_t nFirst = text.find_first_not_of(s_Blanks);
    if (nFirst == text.npos)
    {
        return std::nullopt;
    }
    text = text.substr(nFirst, text.find_last_not_of(s_Blanks) - nFirst + 1);
    SDecimal decimal;
    if (text[0] == L'+' || text[0] == L'-')
    {
        decimal.bNegative = text[0] == L'-';
        text.remove_prefix(1);
    }
    const std::size_t nPoint = text.find(L'.');
    decimal.integer = text.substr(0, nPoint);
    decimal.fraction = nPoint == text.npos ? std::wstring_view() : text.substr(nPoint + 1);
    const auto allDigits = [](std::wstring_view digits) {
        return digits.find_first_not_of(L"0123456789") == digits.npos;
    };
    if (decimal.integer.size() + decimal.fraction.size() == 0 || !allDigits(decimal.integer) ||
        !allDigits(decimal.fraction))
    {
        return std::nullopt;
    }
    if (decimal.bNegative)
    {
        decimal.narrow.push_back('-');
    }
    for (const wchar_t c : text)
    {
        decimal.narrow.push_back(static_cast<char>(c));
    }
    return decimal;
}

std::optional<double> ModelDouble(const std::optional<SDecimal>& decimal)
{
    if (!decimal)
    {
        return std::nullopt;
    }
    const double dValue = std::strtod(decimal->narrow.c_str(), nullptr);
    if (std::isinf(dValue))
    {
        return std::nullopt;
    }
    return dValue;
}

std::optional<int> ModelInt(const std::optional<SDecimal>& decimal)
{
    if (!decimal || decimal->fraction.find_first_not_of(L'0') != std::wstring_view::npos)
    {
        return std::nullopt;
    }
    std::wstring_view digits = decimal->integer;
    digits.remove_prefix(std::min(digits.find_first_not_of(L'0'), digits.size()));
    if (digits.size() > 10)
    {
        return std::nullopt;
    }
    long long nValue = 0;
    for (const wchar_t c : digits)
    {
        nValue = nValue * 10 + (c - L'0');
    }
    nValue = decimal->bNegative ? -nValue : nValue;
    if (nValue < INT_MIN || nValue > INT_MAX)
    {
        return std::nullopt;
    }
    return static_cast<int>(nValue);
}

bool SameDouble(double a, double b)
{
    return a == b && std::signbit(a) == std::signbit(b);
}

// One read of the tokenizer: whether it gave a value, and the value's sameness with the model is
// checked here. Throwing mode turns a failed number into CParseException and nothing else.
bool Read(CParser& parser, std::uint8_t nOperation, const SField* pField)
{
    constexpr int s_nUntouched = -7;
    constexpr double s_dUntouched = -7.5;
    switch (nOperation % 5)
    {
    case 0: {
        CString str(L"untouched");
        const bool bRead = parser.GetNextString(str);
        FUZZ_CHECK(str.View() == (pField != nullptr ? pField->text : std::wstring_view()));
        return bRead;
    }
    case 1: {
        std::wstring_view field = L"untouched";
        const bool bRead = parser.GetNextView(field);
        FUZZ_CHECK(field == (pField != nullptr ? pField->text : std::wstring_view()));
        return bRead;
    }
    case 2: {
        int nValue = s_nUntouched;
        bool bRead = false;
        try
        {
            bRead = parser.GetInt(nValue);
        }
        catch (const CParseException&)
        {
            FUZZ_CHECK(parser.IsExceptionThrowing());
        }
        const std::optional<int> expected =
            pField != nullptr ? ModelInt(ReadDecimal(pField->text)) : std::nullopt;
        FUZZ_CHECK(bRead == expected.has_value());
        FUZZ_CHECK(nValue == (bRead ? *expected : s_nUntouched));
        return pField != nullptr;
    }
    case 3: {
        double dValue = s_dUntouched;
        bool bRead = false;
        try
        {
            bRead = parser.GetDouble(dValue);
        }
        catch (const CParseException&)
        {
            FUZZ_CHECK(parser.IsExceptionThrowing());
        }
        const std::optional<double> expected =
            pField != nullptr ? ModelDouble(ReadDecimal(pField->text)) : std::nullopt;
        FUZZ_CHECK(bRead == expected.has_value());
        FUZZ_CHECK(SameDouble(dValue, bRead ? *expected : s_dUntouched));
        return pField != nullptr;
    }
    default:
        return parser.Skip();
    }
}

} // namespace

namespace fuzz_entry
{

void Tokenizer(const std::uint8_t* pData, std::size_t nSize)
{
    constexpr std::wstring_view s_Delimiters[] = {L",", L",*", L" \t", L",;*", L"\u00e9,", L"*"};
    constexpr std::size_t s_nHeader = 2;
    if (nSize < s_nHeader || nSize < s_nHeader + 1 + pData[1] % 8)
    {
        return;
    }
    const std::wstring_view delimiters = s_Delimiters[(pData[0] & 0x07) % std::size(s_Delimiters)];
    const std::size_t nOperations = 1 + pData[1] % 8;
    const std::uint8_t* pOperations = pData + s_nHeader;
    const CString text(DecodeText(pOperations + nOperations, nSize - s_nHeader - nOperations));
    const std::vector<SField> fields = SplitFields(text.View(), delimiters);
    CParser parser(text, delimiters, (pData[0] & 0x08) != 0);
    // Every field, then two reads beyond the last.
    for (std::size_t nField = 0; nField < fields.size() + 2; ++nField)
    {
        const SField* pField = nField < fields.size() ? &fields[nField] : nullptr;
        const std::wstring_view rest =
            pField != nullptr ? text.View().substr(pField->nStart) : std::wstring_view();
        FUZZ_CHECK(parser.GetRemainingBuffer().View() == rest);
        FUZZ_CHECK(Read(parser, pOperations[nField % nOperations], pField) == (pField != nullptr));
    }
}

void Decimal(const std::uint8_t* pData, std::size_t nSize)
{
    const std::wstring text = DecodeText(pData, nSize);
    const std::optional<SDecimal> decimal = ReadDecimal(text);

    int nValue = 0;
    const std::optional<int> expectedInt = ModelInt(decimal);
    FUZZ_CHECK(ParseDecimalInt(text, nValue) == expectedInt.has_value());
    FUZZ_CHECK(!expectedInt || nValue == *expectedInt);

    double dValue = 0.0;
    const std::optional<double> expectedDouble = ModelDouble(decimal);
    FUZZ_CHECK(ParseDecimalDouble(text, dValue) == expectedDouble.has_value());
    FUZZ_CHECK(!expectedDouble || SameDouble(dValue, *expectedDouble));

    // The scans in a field's pass give what the full conversion gives for the text they took.
    const wchar_t* pEnd = text.data() + text.size();
    int nScanned = 0;
    if (const wchar_t* p = ScanShortInt(text.data(), pEnd, nScanned); p != nullptr)
    {
        FUZZ_CHECK(ParseDecimalInt(std::wstring_view(text.data(), p), nValue) &&
                   nValue == nScanned);
    }
    double dScanned = 0.0;
    if (const wchar_t* p = ScanShortDouble(text.data(), pEnd, dScanned); p != nullptr)
    {
        FUZZ_CHECK(ParseDecimalDouble(std::wstring_view(text.data(), p), dValue) &&
                   SameDouble(dValue, dScanned));
    }
}

} // namespace fuzz_entry
