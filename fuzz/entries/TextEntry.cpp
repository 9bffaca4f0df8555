// The field tokenizer and the decimal conversion against plain models of what they promise: the
// fields are the text split at every delimiter, each read consumes one field, a number reads as
// the C library reads it, and the fast scan of a short number agrees with the full conversion.
//
// Text input: bytes are characters of the same value, except that 0xFF and the two bytes after it
// make one wide character (high byte first), so that characters beyond 0xFF occur.
// Tokenizer input: byte 0 picks the delimiters (bits 0-2) and throwing mode (bit 3); byte 1 the
// number of read operations that follow (1 to 8), each a byte; the rest is the text.
#include "FuzzEntries.h"

#include "textparse/DecimalText.h"
#include "textparse/ParseException.h"
#include "textparse/Parser.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <vector>

namespace
{

std::wstring DecodeText(const std::uint8_t* p, std::size_t n)
{
    std::wstring text;
    for (std::size_t i = 0; i < n; ++i)
    {
        const bool bWide = p[i] == 0xFF && i + 2 < n;
        text.push_back(static_cast<wchar_t>(bWide ? p[i + 1] << 8 | p[i + 2] : p[i]));
        i += bWide ? 2 : 0;
    }
    return text;
}

// The tokenizer's model: every delimiter ends a field; an empty text has none.
std::vector<std::wstring_view> SplitFields(std::wstring_view text, std::wstring_view delimiters)
{
    std::vector<std::wstring_view> fields;
    for (std::size_t nStart = 0, nEnd = 0; !text.empty() && nEnd != text.npos; nStart = nEnd + 1)
    {
        nEnd = text.find_first_of(delimiters, nStart);
        fields.push_back(text.substr(nStart, nEnd - nStart));
    }
    return fields;
}

// The plain decimal grammar, blanks around it trimmed: the text as the C library reads it, and
// whether its fraction is zeros only. Nothing when the text is no plain decimal.
struct SDecimal
{
    std::string narrow;
    bool bWhole;
};
std::optional<SDecimal> ReadDecimal(std::wstring_view text)
{
    constexpr std::wstring_view s_Blanks = L" \t\r\n", s_Digits = L"0123456789";
    text.remove_prefix(std::min(text.find_first_not_of(s_Blanks), text.size()));
    text = text.substr(0, text.find_last_not_of(s_Blanks) + 1);
    const std::wstring_view number = text.substr(text.starts_with(L'+') || text.starts_with(L'-'));
    const std::size_t nPoint = number.find(L'.');
    const std::wstring_view fraction =
        nPoint == number.npos ? std::wstring_view() : number.substr(nPoint + 1);
    if (number.empty() || number == L"." ||
        number.substr(0, nPoint).find_first_not_of(s_Digits) != number.npos ||
        fraction.find_first_not_of(s_Digits) != number.npos)
    {
        return std::nullopt;
    }
    return SDecimal{std::string(text.begin(), text.end()),
                    fraction.find_first_not_of(L'0') == number.npos};
}

std::optional<double> ModelDouble(const std::optional<SDecimal>& decimal)
{
    const double dValue = decimal ? std::strtod(decimal->narrow.c_str(), nullptr) : HUGE_VAL;
    return std::isinf(dValue) ? std::nullopt : std::optional(dValue);
}

// A whole number in range: below 2^53 the C library reads it exactly, and beyond that it is far
// out of range however it rounds.
std::optional<int> ModelInt(const std::optional<SDecimal>& decimal)
{
    const std::optional<double> value =
        decimal && decimal->bWhole ? ModelDouble(decimal) : std::nullopt;
    return value && *value >= INT_MIN && *value <= INT_MAX ? std::optional(static_cast<int>(*value))
                                                           : std::nullopt;
}

template <class T> bool Same(T a, T b)
{
    return a == b && std::signbit(static_cast<double>(a)) == std::signbit(static_cast<double>(b));
}

// A number read: true when it converted; a value only then, and the model's. Throwing mode turns a
// failed conversion into CParseException and nothing else.
template <class T>
void CheckNumber(CParser& parser, bool (CParser::*pfnGet)(T&), const std::optional<T>& expected)
{
    const auto untouched = static_cast<T>(-7.5);
    T value = untouched;
    bool bRead = false;
    try
    {
        bRead = (parser.*pfnGet)(value);
    }
    catch (const CParseException&)
    {
        FUZZ_CHECK(parser.IsExceptionThrowing());
    }
    FUZZ_CHECK(bRead == expected.has_value());
    FUZZ_CHECK(Same(value, bRead ? *expected : untouched));
}

// The full conversion against the model, and the scan in a field's pass against what the full
// conversion gives for the text it took.
template <class T>
void CheckDecimal(std::wstring_view text, const std::optional<T>& expected,
                  bool (*pfnParse)(std::wstring_view, T&),
                  const wchar_t* (*pfnScan)(const wchar_t*, const wchar_t*, T&))
{
    T value{};
    FUZZ_CHECK(pfnParse(text, value) == expected.has_value());
    FUZZ_CHECK(!expected || Same(value, *expected));
    T scanned{};
    if (const wchar_t* p = pfnScan(text.data(), text.data() + text.size(), scanned); p != nullptr)
    {
        FUZZ_CHECK(pfnParse(std::wstring_view(text.data(), p), value) && Same(value, scanned));
    }
}

// One read of the tokenizer on the field it should consume (null beyond the last): whether it
// reports a field read.
bool Read(CParser& parser, std::uint8_t nOperation, const std::wstring_view* pField)
{
    const std::wstring_view field = pField != nullptr ? *pField : std::wstring_view();
    const std::optional<SDecimal> decimal = pField != nullptr ? ReadDecimal(field) : std::nullopt;
    CString str(L"untouched");
    std::wstring_view view = L"untouched";
    bool bRead = pField != nullptr;
    switch (nOperation % 5)
    {
    case 0:
        bRead = parser.GetNextString(str);
        view = str.View();
        break;
    case 1:
        bRead = parser.GetNextView(view);
        break;
    case 2:
        CheckNumber(parser, &CParser::GetInt, ModelInt(decimal));
        return bRead;
    case 3:
        CheckNumber(parser, &CParser::GetDouble, ModelDouble(decimal));
        return bRead;
    default:
        return parser.Skip();
    }
    FUZZ_CHECK(view == field);
    return bRead;
}

} // namespace

void fuzz_entry::Tokenizer(const std::uint8_t* pData, std::size_t nSize)
{
    constexpr std::wstring_view s_Delimiters[] = {L",", L",*", L" \t", L",;*", L"\u00e9,", L"*"};
    if (nSize < 2 || nSize < 3U + pData[1] % 8U)
    {
        return;
    }
    const std::wstring_view delimiters = s_Delimiters[(pData[0] & 0x07) % std::size(s_Delimiters)];
    const std::size_t nOperations = 1 + pData[1] % 8;
    const std::uint8_t* pOperations = pData + 2;
    const CString text(DecodeText(pOperations + nOperations, nSize - 2 - nOperations));
    const std::vector<std::wstring_view> fields = SplitFields(text.View(), delimiters);
    CParser parser(text, delimiters, (pData[0] & 0x08) != 0);
    // Every field, then two reads beyond the last.
    for (std::size_t nField = 0; nField < fields.size() + 2; ++nField)
    {
        const std::wstring_view* pField = nField < fields.size() ? &fields[nField] : nullptr;
        const std::wstring_view rest =
            pField != nullptr
                ? std::wstring_view(pField->data(), text.View().data() + text.View().size())
                : std::wstring_view();
        FUZZ_CHECK(parser.GetRemainingBuffer().View() == rest);
        FUZZ_CHECK(Read(parser, pOperations[nField % nOperations], pField) == (pField != nullptr));
    }
}

void fuzz_entry::Decimal(const std::uint8_t* pData, std::size_t nSize)
{
    const std::wstring text = DecodeText(pData, nSize);
    const std::optional<SDecimal> decimal = ReadDecimal(text);
    CheckDecimal(text, ModelInt(decimal), &ParseDecimalInt, &ScanShortInt);
    CheckDecimal(text, ModelDouble(decimal), &ParseDecimalDouble, &ScanShortDouble);
}
