// CString: the formatting, byte round trip, search, extraction and comparison rules that the
// sentence parsers, command builders and log writers rely on.
#include "platform/Framework.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace
{

CString Fmt(const wchar_t* pszFormat, ...)
{
    CString s;
    va_list args;
    va_start(args, pszFormat);
    s.FormatV(pszFormat, args);
    va_end(args);
    return s;
}

} // namespace

TEST(CStringFormat, ConversionsTheLibraryWrites)
{
    const struct
    {
        CString actual;
        const wchar_t* expected;
    } rows[] = {
        {Fmt(L"$%s*%02X|%02X", L"GPGGA", 5, 0xAB), L"$GPGGA*05|AB"},
        {Fmt(L"[%-10f]%.0f|%.0f", 1.5, 1.6, -0.4), L"[1.500000  ]2|-0"},
        {Fmt(L"[%7.3f][%5d][%-5d][%06.3f]", 3.14159, 42, -42, 5.5),
         L"[  3.142][   42][-42  ][05.500]"},
        {Fmt(L"[%.2s][%4s][%-4s]", L"GGA", L"ab", L"ab"), L"[GG][  ab][ab  ]"},
        {Fmt(L"%19.12E|%lld", 12345.678, 1LL << 40), L" 1.234567800000E+04|1099511627776"},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(CString(row.expected), row.actual);
    }
    CString s(L"head ");
    s.AppendFormat(L"*%02X", 0x3D);
    EXPECT_EQ(CString(L"head *3D"), s);

    // The decimal point is '.' whatever the locale (when a locale with a comma is installed).
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* pszLocale : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"})
    {
        if (std::setlocale(LC_NUMERIC, pszLocale) != nullptr)
        {
            const CString strLocal = Fmt(L"%.3f|%E", 2.5, 1.5);
            std::setlocale(LC_NUMERIC, saved.c_str());
            EXPECT_EQ(CString(L"2.500|1.500000E+00"), strLocal) << pszLocale;
            break;
        }
    }
}

TEST(CStringBytes, EveryByteSurvivesTheRoundTripAndUtf8HasEveryLength)
{
    std::string bytes;
    for (int b = 1; b < 256; ++b)
    {
        bytes += static_cast<char>(b);
    }
    const CString s(bytes.c_str());
    ASSERT_EQ(255, s.GetLength());
    EXPECT_EQ(L'\xFF', s[254]) << "byte value = character";
    EXPECT_EQ(bytes, s.ToNarrow());
    EXPECT_EQ(std::string(1, '\0'), CString(L'\0', 1).ToNarrow());
    EXPECT_EQ(2, CString("ab\0cd", 5).GetLength()) << "the zero byte ends narrow text";
    EXPECT_EQ(std::string("A"), CString(L"\x141").ToNarrow()) << "the low byte is kept";

    EXPECT_EQ("A\xC3\xA9\xE2\x82\xAC", ToUtf8(L"A\x00E9\x20AC"));
    const std::wstring rocket = sizeof(wchar_t) == 2
                                    ? std::wstring(L"\xD83D\xDEF0")
                                    : std::wstring(1, static_cast<wchar_t>(0x1F6F0));
    EXPECT_EQ("\xF0\x9F\x9B\xB0", ToUtf8(rocket));
    EXPECT_EQ("\xEF\xBF\xBDx", ToUtf8(std::wstring(1, static_cast<wchar_t>(0xDC00)) + L"x"))
        << "a lone surrogate";
}

TEST(CStringText, SearchExtractionAndComparison)
{
    const CString s(L"$GPGGA,1,2*4F");
    const struct
    {
        const char* legend;
        int actual, expected;
    } ints[] = {
        {"Find char", s.Find(L','), 6},
        {"Find char from a start", s.Find(L',', 7), 8},
        {"Find char not there", s.Find(L'#'), -1},
        {"Find char past the end", s.Find(L',', 13), -1},
        {"Find string", s.Find(L"GGA"), 3},
        {"Find string at the end", s.Find(L"4F", 11), 11},
        {"Find string past it", s.Find(L"4F", 12), -1},
        {"negative start", s.Find(L"G", -1), -1},
        {"ReverseFind", s.ReverseFind(L','), 8},
        {"ReverseFind none", s.ReverseFind(L'#'), -1},
    };
    for (const auto& row : ints)
    {
        EXPECT_EQ(row.expected, row.actual) << row.legend;
    }
    const struct
    {
        const char* legend;
        CString actual;
        const wchar_t* expected;
    } texts[] = {
        {"Mid", s.Mid(1, 5), L"GPGGA"},
        {"Mid to the end", s.Mid(11), L"4F"},
        {"count beyond the end", s.Mid(11, 50), L"4F"},
        {"start at the end", s.Mid(13), L""},
        {"negative start", s.Mid(-3, 2), L"$G"},
        {"negative count", s.Mid(2, -1), L""},
        {"Left", s.Left(6), L"$GPGGA"},
        {"Left beyond", s.Left(99), L"$GPGGA,1,2*4F"},
        {"Right", s.Right(2), L"4F"},
        {"Right negative", s.Right(-2), L""},
    };
    for (const auto& row : texts)
    {
        EXPECT_EQ(CString(row.expected), row.actual) << row.legend;
    }

    CString edited(L"\" a,,b  ,,c\"");
    EXPECT_EQ(2, edited.Replace(L",,", L","));
    EXPECT_EQ(0, edited.Replace(L"", L"x")) << "an empty pattern changes nothing";
    EXPECT_EQ(2, edited.Remove(L'"'));
    edited.Trim(L" \t");
    EXPECT_EQ(CString(L"a,b  ,c"), edited);

    const struct
    {
        CString a;
        const wchar_t* b;
        int sign;
    } compares[] = {
        {CString(L"udf_signal_GPS"), L"UDF_SIGNAL_gps", 0},
        {CString(L"abc"), L"ABCD", -1},
        {CString(L"abcd"), L"ABC", 1},
        {CString(L"b"), L"A", 1},
        {CString(L"x"), nullptr, 1},
        {CString(L"ab\0cd", 5), L"AB", 0},
    };
    for (const auto& row : compares)
    {
        const int c = row.a.CompareNoCase(row.b);
        EXPECT_EQ(row.sign, (c > 0) - (c < 0)) << row.a.ToNarrow();
    }
}
