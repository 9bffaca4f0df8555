// CString: the formatting, byte round trip, search, extraction and comparison rules that the
// sentence parsers, command builders and log writers rely on.
#include "platform/Framework.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

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
    EXPECT_EQ(
        CString(L"$GPGGA*05|AB [1.500000  ]2|-0 [  3.142][   42][-42  ][05.500] [GG][  ab][ab  ] "
                L" 1.234567800000E+04|1099511627776"),
        Fmt(L"$%s*%02X|%02X [%-10f]%.0f|%.0f [%7.3f][%5d][%-5d][%06.3f] [%.2s][%4s][%-4s] "
            L"%19.12E|%lld",
            L"GPGGA", 5, 0xAB, 1.5, 1.6, -0.4, 3.14159, 42, -42, 5.5, L"GGA", L"ab", L"ab",
            12345.678, 1LL << 40));
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
        bytes += static_cast<char>(b);
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
    // From a start, not there, past the end; a text at the very end and just past it.
    EXPECT_EQ((std::vector<int>{6, 8, -1, -1, 3, 11, -1, -1, 8, -1}),
              (std::vector<int>{s.Find(L','), s.Find(L',', 7), s.Find(L'#'), s.Find(L',', 13),
                                s.Find(L"GGA"), s.Find(L"4F", 11), s.Find(L"4F", 12),
                                s.Find(L"G", -1), s.ReverseFind(L','), s.ReverseFind(L'#')}));
    // Counts and starts beyond either end are cut to the text.
    const CString parts[] = {s.Mid(1, 5),  s.Mid(11), s.Mid(11, 50), s.Mid(13),  s.Mid(-3, 2),
                             s.Mid(2, -1), s.Left(6), s.Left(99),    s.Right(2), s.Right(-2)};
    CString joined;
    for (const CString& part : parts)
        joined += part + L"|";
    EXPECT_EQ(CString(L"GPGGA|4F|4F||$G||$GPGGA|$GPGGA,1,2*4F|4F||"), joined);

    CString edited(L"\" a,,b  ,,c\"");
    EXPECT_EQ(2, edited.Replace(L",,", L","));
    EXPECT_EQ(0, edited.Replace(L"", L"x")) << "an empty pattern changes nothing";
    EXPECT_EQ(2, edited.Remove(L'"'));
    edited.Trim(L" \t");
    EXPECT_EQ(CString(L"a,b  ,c"), edited);

    // Letter case ignored; shorter is less; a null text is empty; a zero character ends it.
    const auto sign = [](const CString& a, const wchar_t* b) {
        const int c = a.CompareNoCase(b);
        return (c > 0) - (c < 0);
    };
    EXPECT_EQ((std::vector<int>{0, -1, 1, 1, 1, 0}),
              (std::vector<int>{sign(L"udf_signal_GPS", L"UDF_SIGNAL_gps"), sign(L"abc", L"ABCD"),
                                sign(L"abcd", L"ABC"), sign(L"b", L"A"), sign(L"x", nullptr),
                                sign(CString(L"ab\0cd", 5), L"AB")}));
}
