#include "AllocationCounter.h"

#include "textparse/ParseException.h"
#include "textparse/Parser.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace
{
std::vector<std::wstring> AllFields(CParser& parser)
{
    std::vector<std::wstring> fields;
    CString field;
    while (parser.GetNextString(field))
    {
        fields.emplace_back(field.Str());
        if (fields.size() > 100)
        {
            break; // a tokenizer that never ends must still fail the test
        }
    }
    return fields;
}
} // namespace

TEST(ParserFields, EveryDelimiterEndsOneField)
{
    struct Row
    {
        const char* legend;
        std::wstring text;
        const wchar_t* delimiters;
        std::vector<std::wstring> fields;
    };
    const std::vector<Row> rows = {
        {"double delimiter gives an empty field", L"A,,B", L",", {L"A", L"", L"B"}},
        {"empty text has no field", L"", L",", {}},
        {"lone delimiter: two empty fields", L",", L",", {L"", L""}},
        {"trailing delimiter leaves a last empty field", L"a,", L",", {L"a", L""}},
        {"empty delimiter set", L"a,b", L"", {L"a,b"}},
        {"checksum becomes its own field",
         L"$GPVTG,054.7,T,,M,005.5,N,010.2,K*48",
         L",*",
         {L"$GPVTG", L"054.7", L"T", L"", L"M", L"005.5", L"N", L"010.2", L"K", L"48"}},
        {"runs of blanks are not merged", L"a b  c", L" ", {L"a", L"b", L"", L"c"}},
        {"colon and blank", L"PEM: 10 SAV:Y", L": ", {L"PEM", L"", L"10", L"SAV", L"Y"}},
        {"zero character is ordinary text",
         std::wstring(L"a\0b,c", 5),
         L",",
         {std::wstring(L"a\0b", 3), L"c"}},
        {"CR and LF stay in the field", L"a,b\r\n", L",", {L"a", L"b\r\n"}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CParser parser(CString(row.text), row.delimiters, false);
        EXPECT_EQ(row.fields, AllFields(parser));
        CString after(L"stale");
        EXPECT_FALSE(parser.GetNextString(after));
        EXPECT_TRUE(after.IsEmpty());
        EXPECT_FALSE(parser.Skip());
    }
}

TEST(ParserNumbers, ConversionTableInBothModes)
{
    struct Row
    {
        const wchar_t* text;
        bool bIntOk;
        int nValue;
        bool bDoubleOk;
        double dValue;
    };
    const std::vector<Row> rows = {
        {L"0", true, 0, true, 0.0},
        {L"-17", true, -17, true, -17.0},
        {L"+8", true, 8, true, 8.0},
        {L" 12 ", true, 12, true, 12.0},
        {L"\t3\r\n", true, 3, true, 3.0},
        {L"0000000000000000000042", true, 42, true, 42.0},
        {L"12.0", true, 12, true, 12.0},
        {L"12.", true, 12, true, 12.0},
        {L"-0", true, 0, true, -0.0},
        {L".5", false, 0, true, 0.5},
        {L"-.25", false, 0, true, -0.25},
        {L"12.5", false, 0, true, 12.5},
        {L"4807.038", false, 0, true, 4807.038},
        {L"2147483647", true, 2147483647, true, 2147483647.0},
        {L"-2147483648", true, std::numeric_limits<int>::min(), true, -2147483648.0},
        {L"2147483648", false, 0, true, 2147483648.0},
        {L"99999999999999999999", false, 0, true, 1e20},
        {L"", false, 0, false, 0.0},
        {L"   ", false, 0, false, 0.0},
        {L"-", false, 0, false, 0.0},
        {L".", false, 0, false, 0.0},
        {L"1e3", false, 0, false, 0.0},
        {L"0x1F", false, 0, false, 0.0},
        {L"inf", false, 0, false, 0.0},
        {L"1 2", false, 0, false, 0.0},
        {L"- 5", false, 0, false, 0.0},
        {L"5-", false, 0, false, 0.0},
        {L"1.2.3", false, 0, false, 0.0},
        {L"12a", false, 0, false, 0.0},
        {L"\x0661", false, 0, false, 0.0}, // a digit of another script
        {L"\x0131", false, 0, false, 0.0}, // low byte is '1'
    };
    for (const Row& row : rows)
    {
        for (const bool bThrow : {false, true})
        {
            SCOPED_TRACE(testing::Message()
                         << "text '" << CString(row.text).ToNarrow() << "' throwing " << bThrow);
            CParser parser(CString(row.text) + L"," + row.text + L",next", L",", bThrow);
            int n = 777;
            double d = 777.0;
            if (bThrow && !row.bIntOk)
            {
                EXPECT_THROW(parser.GetInt(n), CParseException);
            }
            else
            {
                EXPECT_EQ(row.bIntOk, parser.GetInt(n));
            }
            EXPECT_EQ(row.bIntOk ? row.nValue : 777, n) << "a failed read leaves the output alone";
            if (bThrow && !row.bDoubleOk)
            {
                EXPECT_THROW(parser.GetDouble(d), CParseException);
            }
            else
            {
                EXPECT_EQ(row.bDoubleOk, parser.GetDouble(d));
            }
            EXPECT_EQ(row.bDoubleOk ? row.dValue : 777.0, d);
            EXPECT_EQ(std::signbit(row.dValue), std::signbit(d));
            CString next;
            EXPECT_TRUE(parser.GetNextString(next)) << "a failed read consumed its field";
            EXPECT_EQ(std::wstring(L"next"), next.Str());
        }
    }
}

TEST(ParserNumbers, LongDigitStringsRoundCorrectly)
{
    // 1 + 2^-53 lies exactly halfway between 1 and the next double and rounds to even (1.0); any
    // non-zero digit after it, however far out, must round up instead.
    const std::wstring half = L"1.00000000000000011102230246251565404236316680908203125";
    const std::wstring justAbove = half + std::wstring(900, L'0') + L"1";
    const std::wstring justBelow =
        L"1.000000000000000111022302462515654042363166809082031249" + std::wstring(900, L'9');
    const double above1 = std::nextafter(1.0, 2.0);
    struct Row
    {
        const char* legend;
        std::wstring text;
        bool bOk;
        double dValue;
    };
    const std::vector<Row> rows = {
        {"exact tie rounds to even", half, true, 1.0},
        {"digit far beyond the tie rounds up", justAbove, true, above1},
        {"long run of nines below the tie rounds down", justBelow, true, 1.0},
        {"many leading zeros", std::wstring(2000, L'0') + L"2.5", true, 2.5},
        {"many trailing zeros", L"2.5" + std::wstring(2000, L'0'), true, 2.5},
        {"beyond the largest double is refused", L"1" + std::wstring(400, L'0'), false, 0.0},
        {"just beyond the largest double is refused", L"1" + std::wstring(309, L'0'), false, 0.0},
        {"below the smallest double reads zero", L"0." + std::wstring(400, L'0') + L"1", true, 0.0},
        {"far below reads negative zero", L"-0." + std::wstring(5000, L'0') + L"7", true, -0.0},
        {"subnormal", L"0." + std::wstring(322, L'0') + L"5", true, 5e-323},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CParser parser(CString(row.text), L",", false);
        double d = 777.0;
        EXPECT_EQ(row.bOk, parser.GetDouble(d));
        EXPECT_EQ(row.bOk ? row.dValue : 777.0, d);
        if (row.bOk)
        {
            EXPECT_EQ(std::signbit(row.dValue), std::signbit(d));
        }
    }
}

TEST(ParserNumbers, AgreesWithTheStandardConversion)
{
    // Random plain decimals, short ones (the usual sentence fields) and long ones, against the
    // C++ library's own correctly rounded conversion of the same text.
    std::mt19937 random(20240607);
    const auto digits = [&random](std::size_t n) {
        std::string text;
        for (std::size_t i = 0; i < n; ++i)
        {
            text += static_cast<char>('0' + random() % 10);
        }
        return text;
    };
    for (int i = 0; i < 20000; ++i)
    {
        const std::size_t maxLength = i % 4 == 0 ? 30 : 12;
        std::string text = random() % 3 == 0 ? "-" : "";
        const std::string intPart = digits(random() % maxLength);
        const std::string fracPart = digits(random() % maxLength);
        if (intPart.empty() && fracPart.empty())
        {
            continue;
        }
        text += intPart + (random() % 2 == 0 || !fracPart.empty() ? "." : "") + fracPart;
        if (text.back() == '.' && intPart.empty())
        {
            continue;
        }
        double expected = 0.0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), expected);
        ASSERT_EQ(std::errc(), result.ec) << text;

        CParser parser(CString(text.c_str()), L",", false);
        double d = 0.0;
        ASSERT_TRUE(parser.GetDouble(d)) << text;
        ASSERT_EQ(expected, d) << text;
    }
}

TEST(ParserExceptions, ThrowingModeCoversNumbersOnlyAndSwitchesMidLine)
{
    CParser parser(L"$GPGGA,,x,y,4", L",*", true);
    CString tag;
    ASSERT_TRUE(parser.GetNextString(tag));
    double d = 0.0;
    try
    {
        parser.GetDouble(d);
        ADD_FAILURE() << "an empty field must throw";
    }
    catch (const CParseException& e)
    {
        EXPECT_EQ(2, e.GetField());
    }
    int n = 0;
    EXPECT_THROW(parser.GetInt(n), CParseException);
    parser.SetExceptionThrowing(false);
    EXPECT_FALSE(parser.IsExceptionThrowing());
    EXPECT_FALSE(parser.GetInt(n));
    EXPECT_TRUE(parser.GetInt(n));
    EXPECT_EQ(4, n);
    parser.SetExceptionThrowing(true);
    // Past the end: numbers still throw, strings only report.
    EXPECT_THROW(parser.GetInt(n), CParseException);
    EXPECT_NO_THROW(EXPECT_FALSE(parser.GetNextString(tag)));
    EXPECT_NO_THROW(EXPECT_FALSE(parser.Skip()));
}

TEST(ParserText, SetStringRestartsAndRemainingBufferFollowsReads)
{
    // The replay of a pause marker: an empty parser, then the line, its first field and the rest.
    CParser parser(L"", L",*", false);
    CString field;
    EXPECT_FALSE(parser.GetNextString(field));
    EXPECT_TRUE(parser.GetRemainingBuffer().IsEmpty());

    parser.SetString(L"VKR PAUSE,Change the battery, then press OK*");
    EXPECT_EQ(std::wstring(L"VKR PAUSE,Change the battery, then press OK*"),
              parser.GetRemainingBuffer().Str());
    ASSERT_TRUE(parser.GetNextString(field));
    EXPECT_EQ(std::wstring(L"VKR PAUSE"), field.Str());
    EXPECT_EQ(std::wstring(L"Change the battery, then press OK*"),
              parser.GetRemainingBuffer().Str());
    EXPECT_EQ(3u, AllFields(parser).size());
    EXPECT_TRUE(parser.GetRemainingBuffer().IsEmpty());

    parser.SetString(L"1,2");
    int n = 0;
    EXPECT_TRUE(parser.GetInt(n));
    EXPECT_EQ(1, n);
    EXPECT_EQ(std::wstring(L"2"), parser.GetRemainingBuffer().Str());

    parser.SetString(L"");
    EXPECT_FALSE(parser.GetNextString(field));
}

TEST(ParserCost, ReadingASentenceInPlaceDoesNotAllocate)
{
    const CString sentence(L"$GPGGA,123519.00,4807.038,N,08,*47");
    CString field;
    field.GetBuffer(64); // room enough for any field below
    field.ReleaseBuffer(0);
    double d = 0.0;
    int n = 0;
    const std::size_t before = AllocationCount();
    CParser parser(sentence, L",*", false);
    EXPECT_TRUE(parser.GetNextString(field));
    EXPECT_TRUE(parser.GetDouble(d) && parser.GetDouble(d));
    EXPECT_TRUE(parser.Skip());
    EXPECT_TRUE(parser.GetInt(n));
    EXPECT_FALSE(parser.GetDouble(d)); // empty field, no exception
    EXPECT_TRUE(parser.GetNextString(field));
    EXPECT_EQ(before, AllocationCount());
    EXPECT_EQ(std::wstring(L"47"), field.Str());
}
