// CString: the formatting, byte round trip, search, extraction and comparison rules that the
// sentence parsers and command builders rely on.
#include "platform/Framework.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
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

TEST(CStringFormat, Conversions)
{
    const CString name(L"GGA");
    struct Row
    {
        const char* legend;
        std::function<CString()> format;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {"%s takes a wide string", [&] { return Fmt(L"$GP%s,", name.GetString()); }, L"$GPGGA,"},
        {"%hs takes a narrow string", [] { return Fmt(L"<%hs>", "narrow"); }, L"<narrow>"},
        {"%d negative", [] { return Fmt(L"%d", -42); }, L"-42"},
        {"%02X pads a checksum", [] { return Fmt(L"*%02X*%02X", 5, 0xAB); }, L"*05*AB"},
        {"%-f left-aligns", [] { return Fmt(L"[%-10f]", 1.5); }, L"[1.500000  ]"},
        {"%.0f rounds", [] { return Fmt(L"%.0f|%.0f", 1.6, -0.4); }, L"2|-0"},
        {"width and precision", [] { return Fmt(L"[%7.3f][%5d][%-5d]", 3.14159, 42, 42); },
         L"[  3.142][   42][42   ]"},
        {"precision cuts a string", [&] { return Fmt(L"[%.2s][%4s]", name.GetString(), L"ab"); },
         L"[GG][  ab]"},
        {"width and precision from arguments", [] { return Fmt(L"[%*.*f]", 6, 1, 2.25); },
         L"[   2.2]"},
        {"negative precision from arguments means none", [] { return Fmt(L"%.*f", -1, 0.5); },
         L"0.500000"},
        {"%c wide character and %%", [] { return Fmt(L"%c%%", L'\x263A'); }, L"\x263A%"},
        {"long and long long", [] { return Fmt(L"%ld %lld %I64d", -1L, 1LL << 40, -(1LL << 40)); },
         L"-1 1099511627776 -1099511627776"},
        {"%x and %e", [] { return Fmt(L"%x %.2e", 255u, 12345.678); }, L"ff 1.23e+04"},
        {"zero flag with sign", [] { return Fmt(L"%+08.2f", -1.5); }, L"-0001.50"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(CString(row.expected), row.format());
    }
    CString s(L"head ");
    s.AppendFormat(L"%d-%s", 1, L"x");
    EXPECT_EQ(CString(L"head 1-x"), s);
}

TEST(CStringFormat, DecimalPointIgnoresTheLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    const char* candidates[] = {"de_DE.UTF-8", "de_DE.utf8",  "fr_FR.UTF-8", "fr_FR.utf8",
                                "nl_NL.UTF-8", "ru_RU.UTF-8", "es_ES.UTF-8", "de_DE"};
    const char* pszLocale = nullptr;
    for (const char* candidate : candidates)
    {
        if (std::setlocale(LC_NUMERIC, candidate) != nullptr &&
            std::localeconv()->decimal_point[0] != '.')
        {
            pszLocale = candidate;
            break;
        }
    }
    if (pszLocale == nullptr)
    {
        std::setlocale(LC_NUMERIC, saved.c_str());
        GTEST_SKIP() << "no locale with a decimal point other than '.' is installed";
    }
    const CString s = Fmt(L"%.3f|%e|%g", 2.5, 1.5, 0.25);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(CString(L"2.500|1.500000e+00|0.25"), s) << "under " << pszLocale;
}

TEST(CStringBytes, EveryByteSurvivesTheRoundTrip)
{
    std::string bytes;
    for (int b = 1; b < 256; ++b)
    {
        bytes += static_cast<char>(b);
    }
    const CString s(bytes.c_str());
    ASSERT_EQ(255, s.GetLength());
    for (int i = 0; i < 255; ++i)
    {
        ASSERT_EQ(static_cast<wchar_t>(i + 1), s[i]) << "byte value = character";
    }
    EXPECT_EQ(bytes, s.ToNarrow());
    // The zero byte ends narrow text, but a zero character still maps back to a zero byte.
    EXPECT_EQ(std::string(1, '\0'), CString(L'\0', 1).ToNarrow());
    EXPECT_EQ(2, CString("ab\0cd", 5).GetLength());
    EXPECT_EQ(std::string("A"), CString(L"\x141").ToNarrow()) << "the low byte is kept";
}

// Wide text as this system holds a code point: one wchar_t, or a surrogate pair where wchar_t
// has 16 bits.
std::wstring Wide(char32_t c)
{
    if (sizeof(wchar_t) == 2 && c >= 0x10000)
    {
        return {static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)),
                static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
    }
    return std::wstring(1, static_cast<wchar_t>(c));
}

TEST(Utf8, EveryLengthAndTheReplacementCharacter)
{
    const struct
    {
        const char* legend;
        std::wstring text;
        std::string utf8;
    } rows[] = {
        {"one byte", L"A", "A"},
        {"two bytes", Wide(0xE9), "\xC3\xA9"},
        {"three bytes", Wide(0x20AC), "\xE2\x82\xAC"},
        {"four bytes", Wide(0x1F6F0), "\xF0\x9F\x9B\xB0"},
        {"a lone surrogate", std::wstring(1, static_cast<wchar_t>(0xDC00)) + L"x", "\xEF\xBF\xBDx"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(ToUtf8(row.text), row.utf8);
    }
}

TEST(CStringText, SearchAndExtraction)
{
    const CString s(L"$GPGGA,1,2*4F");
    struct IntRow
    {
        const char* legend;
        int actual;
        int expected;
    };
    const IntRow ints[] = {
        {"Find char", s.Find(L','), 6},
        {"Find char from a start", s.Find(L',', 7), 8},
        {"Find char past the end", s.Find(L',', 100), -1},
        {"Find string", s.Find(L"GGA"), 3},
        {"Find string negative start", s.Find(L"G", -1), -1},
        {"ReverseFind", s.ReverseFind(L','), 8},
        {"FindOneOf", s.FindOneOf(L"*,"), 6},
    };
    for (const auto& row : ints)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(row.expected, row.actual);
    }
    struct TextRow
    {
        const char* legend;
        CString actual;
        const wchar_t* expected;
    };
    const TextRow texts[] = {
        {"Mid", s.Mid(1, 5), L"GPGGA"},
        {"Mid count beyond the end", s.Mid(11, 50), L"4F"},
        {"Mid start beyond the end", s.Mid(50), L""},
        {"Mid negative start", s.Mid(-3, 2), L"$G"},
        {"Mid negative count", s.Mid(2, -1), L""},
        {"Left", s.Left(6), L"$GPGGA"},
        {"Left negative", s.Left(-1), L""},
        {"Right", s.Right(2), L"4F"},
        {"Right negative", s.Right(-2), L""},
        {"SpanExcluding", s.SpanExcluding(L"*"), L"$GPGGA,1,2"},
    };
    for (const auto& row : texts)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(CString(row.expected), row.actual);
    }
    EXPECT_THROW(s.GetAt(13), CInvalidArgException);
    EXPECT_THROW(s.GetAt(-1), CInvalidArgException);
    EXPECT_THROW(CString().GetAt(0), CInvalidArgException);
    EXPECT_EQ(L'F', s.GetAt(12));
}

TEST(CStringText, ModificationAndComparison)
{
    CString s(L"a,,b,,c");
    EXPECT_EQ(2, s.Replace(L",,", L","));
    EXPECT_EQ(CString(L"a,b,c"), s);
    EXPECT_EQ(0, s.Replace(L"", L"x")) << "an empty pattern changes nothing";
    EXPECT_EQ(2, s.Replace(L',', L';'));
    EXPECT_EQ(2, s.Remove(L';'));
    EXPECT_EQ(CString(L"abc"), s);

    CString padded(L" \t\"quoted\" \r\n");
    padded.Trim();
    EXPECT_EQ(CString(L"\"quoted\""), padded);
    padded.Trim(L'"');
    EXPECT_EQ(CString(L"quoted"), padded);
    CString left(L"xxyxx");
    left.TrimLeft(L"x");
    EXPECT_EQ(CString(L"yxx"), left);
    left.TrimRight(L'x');
    EXPECT_EQ(CString(L"y"), left);

    struct Row
    {
        const char* legend;
        CString a;
        const wchar_t* b;
        int sign;
    };
    const Row rows[] = {
        {"letter case ignored", CString(L"udf_signal_GPS"), L"UDF_SIGNAL_gps", 0},
        {"shorter is less", CString(L"abc"), L"ABCD", -1},
        {"longer is greater", CString(L"abcd"), L"ABC", 1},
        {"by character", CString(L"b"), L"A", 1},
        {"empty", CString(), L"", 0},
        {"null text", CString(L"x"), nullptr, 1},
        {"a zero character ends the string", CString(L"ab\0cd", 5), L"AB", 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const int c = row.a.CompareNoCase(row.b);
        EXPECT_EQ(row.sign, (c > 0) - (c < 0));
    }
    EXPECT_NE(0, CString(L"abc").Compare(L"ABC")) << "Compare is case-sensitive";
    EXPECT_TRUE(CString(L"x") + L"y" + CString(L"z") == L"xyz");
}
