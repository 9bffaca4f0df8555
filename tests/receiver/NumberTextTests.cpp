#include "receiver/replies/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace
{

struct SIntRow
{
    const char* legend;
    std::wstring text;
    bool bOk;
    int nExpected; // on success
};

TEST(StrToInt, ReadsLeadingDecimalIntegerAndRefusesSaturationAndNoDigits)
{
    const SIntRow rows[] = {
        {"plain", L"42", true, 42},
        {"leading blanks and sign", L" \t-17", true, -17},
        {"plus sign", L"+8", true, 8},
        {"all white space kinds before", L"\r\n\v\f 5", true, 5},
        {"text after the digits ignored", L"12abc", true, 12},
        {"stops at a blank", L"1 2", true, 1},
        {"stops at a decimal point", L"7.9", true, 7},
        {"zero written with a digit", L"0", true, 0},
        {"negative zero", L"-0", true, 0},
        {"hex prefix reads only the 0", L"0x10", true, 0},
        {"largest readable", L"2147483646", true, 2147483646},
        {"smallest readable", L"-2147483647", true, -2147483647},
        {"leading zeros", L"000000000000000000031", true, 31},
        {"stops at an embedded zero character",
         std::wstring(L"12\0"
                      L"34",
                      5),
         true, 12},
        {"no digit", L"abc", false, 0},
        {"empty", L"", false, 0},
        {"only blanks", L"   ", false, 0},
        {"sign alone", L"-", false, 0},
        {"two signs", L"+-3", false, 0},
        {"blank between sign and digits", L"- 3", false, 0},
        {"largest int saturates", L"2147483647", false, 0},
        {"smallest int saturates", L"-2147483648", false, 0},
        {"too large", L"2147483648", false, 0},
        {"far too large", L"99999999999999999999999", false, 0},
        {"far too small", L"-99999999999999999999999", false, 0},
        {"non-ASCII digit", L"\x0663", false, 0},
    };
    for (const SIntRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        int nValue = -555;
        const bool bOk = StrToInt(CString(row.text), nValue);
        EXPECT_EQ(row.bOk, bOk);
        // The caller's int is written only on success.
        EXPECT_EQ(row.bOk ? row.nExpected : -555, nValue);
    }
}

struct SDoubleRow
{
    const char* legend;
    std::wstring text;
    bool bOk;
    double dExpected; // written in every case
    int nUnread;      // on success
};

TEST(StrToDouble, ReadsLikeTheCLibraryAndReportsWhatIsLeft)
{
    const double kHuge = HUGE_VAL;
    const SDoubleRow rows[] = {
        {"blanks, sign, number, one letter", L"  -12.5X", true, -12.5, 1},
        {"whole text", L"318.0", true, 318.0, 0},
        {"integer", L"100", true, 100.0, 0},
        {"fraction only", L".5", true, 0.5, 0},
        {"point at the end", L"5.", true, 5.0, 0},
        {"exponent", L"1.5e3", true, 1500.0, 0},
        {"signed exponent then text", L"1E+2x", true, 100.0, 1},
        {"exponent without digits stays unread", L"1e", true, 1.0, 1},
        {"comma is not a decimal point", L"1,5", true, 1.0, 2},
        {"unit after a blank", L"3.25 m", true, 3.25, 2},
        {"hexadecimal", L"0x1.8p3", true, 12.0, 0},
        {"hex prefix without digits reads the 0", L"0xg", true, 0.0, 2},
        {"zero", L"0", true, 0.0, 0},
        {"negative zero", L"-0.0", true, 0.0, 0},
        {"too small becomes zero", L"1e-400", true, 0.0, 0},
        {"stops at an embedded zero character",
         std::wstring(L"2.5\0"
                      L"9",
                      5),
         true, 2.5, 0},
        {"no number", L"abc", false, 0.0, 0},
        {"empty", L"", false, 0.0, 0},
        {"sign alone", L"+", false, 0.0, 0},
        {"point alone", L".", false, 0.0, 0},
        {"two signs", L"-+1", false, 0.0, 0},
        {"too large", L"1e400", false, kHuge, 0},
        {"too large, negative", L"-1e999", false, -kHuge, 0},
        {"infinity is the overflow value", L"inf", false, kHuge, 0},
    };
    for (const SDoubleRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        double dValue = -555.0;
        int nUnread = -1;
        const bool bOk = StrToDouble(CString(row.text), dValue, nUnread);
        EXPECT_EQ(row.bOk, bOk);
        EXPECT_EQ(row.dExpected, dValue);
        // The unread count is an answer of success only.
        EXPECT_EQ(row.bOk ? row.nUnread : -1, nUnread);
    }
}

TEST(StrToDouble, NotANumberIsANumberToTheCLibrary)
{
    double dValue = 0.0;
    int nUnread = -1;
    EXPECT_TRUE(StrToDouble(L"nan(1)x", dValue, nUnread));
    EXPECT_TRUE(std::isnan(dValue));
    EXPECT_EQ(1, nUnread);
}

TEST(StrToDouble, LongNumbersAreReadWhole)
{
    // More digits than any reply carries still round correctly and leave nothing behind.
    const std::wstring text = L"0." + std::wstring(400, L'0') + L"1e401";
    double dValue = 0.0;
    int nUnread = -1;
    EXPECT_TRUE(StrToDouble(CString(text), dValue, nUnread));
    EXPECT_DOUBLE_EQ(1.0, dValue);
    EXPECT_EQ(0, nUnread);
}

} // namespace
