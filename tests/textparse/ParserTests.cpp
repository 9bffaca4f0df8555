#include "AllocationCounter.h"

#include "textparse/ParseException.h"
#include "textparse/Parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace
{
std::vector<std::wstring> AllFields(CParser& parser)
{
    std::vector<std::wstring> fields;
    for (CString field; parser.GetNextString(field) && fields.size() < 100;)
        fields.emplace_back(field.Str());
    return fields;
}
} // namespace

TEST(ParserFields, EveryDelimiterEndsOneFieldAndNothingIsLeftAfterTheLast)
{
    const struct
    {
        const char* legend;
        std::wstring text;
        const wchar_t* delimiters;
        std::vector<std::wstring> fields;
    } rows[] = {
        // clang-format off
        {"double delimiter gives an empty field", L"A,,B", L",", {L"A", L"", L"B"}},
        {"empty text has no field", L"", L",", {}},
        {"lone delimiter: two empty fields", L",", L",", {L"", L""}},
        {"trailing delimiter leaves a last empty field", L"a,", L",", {L"a", L""}},
        {"empty delimiter set", L"a,b", L"", {L"a,b"}},
        {"checksum becomes its own field", L"$GPVTG,054.7,T,,M*48", L",*",
         {L"$GPVTG", L"054.7", L"T", L"", L"M", L"48"}},
        {"runs of blanks are not merged", L"a b  c", L" ", {L"a", L"b", L"", L"c"}},
        {"colon and blank", L"PEM: 10 SAV:Y", L": ", {L"PEM", L"", L"10", L"SAV", L"Y"}},
        {"a delimiter from 128 up", L"a\x00B0" L"b,c", L"\x00B0", {L"a", L"b,c"}},
        {"zero character is ordinary text", std::wstring(L"a\0b,c", 5), L",",
         {std::wstring(L"a\0b", 3), L"c"}},
        {"CR and LF stay in the field", L"a,b\r\n", L",", {L"a", L"b\r\n"}},
        // clang-format on
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CParser parser(CString(row.text), row.delimiters, true);
        EXPECT_EQ(row.fields, AllFields(parser));
        // Past the last field: strings and views report nothing and never throw.
        CString after(L"stale");
        EXPECT_FALSE(parser.GetNextString(after));
        EXPECT_TRUE(after.IsEmpty());
        std::wstring_view view = L"stale";
        EXPECT_FALSE(parser.GetNextView(view));
        EXPECT_TRUE(view.empty());
        EXPECT_FALSE(parser.Skip());
        EXPECT_TRUE(parser.GetRemainingBuffer().IsEmpty());
    }
}

// Each text is read as an int and as a double, in both modes, with a field after it: a failed read
// leaves the output alone (or throws) and still consumes its field.
TEST(ParserNumbers, ConversionTableInBothModes)
{
    struct SRow
    {
        std::wstring text;
        std::optional<int> n;
        std::optional<double> d;
    };
    // clang-format off
    std::vector<SRow> rows = {
        {L"0", 0, 0.0}, {L"-17", -17, -17.0}, {L"+8", 8, 8.0}, {L" 12 ", 12, 12.0},
        {L"\t3\r\n", 3, 3.0}, {L"0000000000000000000042", 42, 42.0}, {L"12.0", 12, 12.0},
        {L"12.", 12, 12.0}, {L"-0", 0, -0.0}, {L".5", {}, 0.5}, {L"-.25", {}, -0.25},
        {L"12.5", {}, 12.5}, {L"4807.038", {}, 4807.038}, {L"2147483647", INT_MAX, 2147483647.0},
        {L"-2147483648", INT_MIN, -2147483648.0}, {L"2147483648", {}, 2147483648.0},
        {L"-2147483649", {}, -2147483649.0}, {L"99999999999999999999", {}, 1e20},
        {L"", {}, {}}, {L"   ", {}, {}}, {L"-", {}, {}}, {L".", {}, {}}, {L"1e3", {}, {}},
        {L"0x1F", {}, {}}, {L"inf", {}, {}}, {L"1 2", {}, {}}, {L"- 5", {}, {}}, {L"5-", {}, {}},
        {L"1.2.3", {}, {}}, {L"12a", {}, {}},
        // 2^53 + 1 in digits: not one division of two exact doubles
        {L"90071992547409.93", {}, 90071992547409.93},
        {L"\x0661", {}, {}}, {L"\x0131", {}, {}}}; // another script's digit; low byte '1'
    // Long digit strings round correctly: 1 + 2^-53 is a tie and rounds to even; past the largest
    // double is refused, below the smallest reads zero.
    const std::wstring half = L"1.00000000000000011102230246251565404236316680908203125";
    const std::wstring z400(400, L'0');
    rows.insert(rows.end(), {
        {half, {}, 1.0}, {half + z400 + L"1", {}, std::nextafter(1.0, 2.0)},
        {half.substr(0, half.size() - 1) + L"4" + std::wstring(900, L'9'), {}, 1.0},
        {z400 + L"2.5", {}, 2.5}, {L"2.5" + z400, {}, 2.5}, {L"1" + z400, {}, {}},
        {L"1" + z400.substr(0, 309), {}, {}},
        {L"0." + z400 + L"1", {}, 0.0}, {L"-0." + z400 + z400 + L"7", {}, -0.0},
        {L"0." + z400.substr(0, 322) + L"5", {}, 5e-323}});
    // clang-format on
    for (const auto& row : rows)
    {
        for (const bool bThrow : {false, true})
        {
            SCOPED_TRACE(testing::Message() << "text '" << CString(row.text.c_str()).ToNarrow()
                                            << "' throwing " << bThrow);
            CParser parser(CString(row.text.c_str()) + L"," + row.text.c_str() + L",next", L",",
                           bThrow);
            int n = 777;
            double d = 777.0;
            if (bThrow && !row.n)
            {
                EXPECT_THROW(parser.GetInt(n), CParseException);
            }
            else
            {
                EXPECT_EQ(row.n.has_value(), parser.GetInt(n));
            }
            EXPECT_EQ(row.n.value_or(777), n);
            if (bThrow && !row.d)
            {
                EXPECT_THROW(parser.GetDouble(d), CParseException);
            }
            else
            {
                EXPECT_EQ(row.d.has_value(), parser.GetDouble(d));
            }
            EXPECT_EQ(row.d.value_or(777.0), d);
            EXPECT_EQ(std::signbit(row.d.value_or(1.0)), std::signbit(d));
            CString next;
            EXPECT_TRUE(parser.GetNextString(next));
            EXPECT_EQ(std::wstring(L"next"), next.Str());
        }
    }
}

TEST(ParserExceptions, NumbersThrowWithTheirFieldAndTheModeSwitchesMidLine)
{
    CParser parser(L"$GPGGA,,x,y,4", L",*", true);
    CString tag;
    ASSERT_TRUE(parser.GetNextString(tag));
    const auto FieldOf = [](auto read) {
        try
        {
            read();
        }
        catch (const CParseException& e)
        {
            return e.GetField();
        }
        return -1;
    };
    double d = 0.0;
    int n = 0;
    EXPECT_EQ(2, FieldOf([&] { parser.GetDouble(d); })) << "an empty field";
    EXPECT_EQ(3, FieldOf([&] { parser.GetInt(n); }));
    parser.SetExceptionThrowing(false);
    EXPECT_FALSE(parser.IsExceptionThrowing());
    EXPECT_FALSE(parser.GetInt(n));
    EXPECT_TRUE(parser.GetInt(n));
    EXPECT_EQ(4, n);
    parser.SetExceptionThrowing(true);
    EXPECT_EQ(6, FieldOf([&] { parser.GetInt(n); })) << "the missing field after the last";
    EXPECT_EQ(6, FieldOf([&] { parser.GetDouble(d); }));
    EXPECT_EQ(4, n);
}

TEST(ParserText, SetStringRestartsAndRemainingBufferFollowsReads)
{
    // The replay of a pause marker: an empty parser, then the line, its first field and the rest.
    CParser parser(L"", L",*", false);
    CString field;
    EXPECT_FALSE(parser.GetNextString(field));
    parser.SetString(L"VKR PAUSE,Change the battery, then press OK*");
    EXPECT_EQ(std::wstring(L"VKR PAUSE,Change the battery, then press OK*"),
              parser.GetRemainingBuffer().Str());
    ASSERT_TRUE(parser.GetNextString(field));
    EXPECT_EQ(std::wstring(L"VKR PAUSE"), field.Str());
    EXPECT_EQ(std::wstring(L"Change the battery, then press OK*"),
              parser.GetRemainingBuffer().Str());
    EXPECT_EQ(3u, AllFields(parser).size());

    parser.SetString(L"1,2");
    int n = 0;
    EXPECT_TRUE(parser.GetInt(n));
    EXPECT_EQ(1, n);
    EXPECT_EQ(std::wstring(L"2"), parser.GetRemainingBuffer().Str());
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
