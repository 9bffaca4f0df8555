// The replies' number readers: what the C library would read, refusing saturation and text
// without a number, and the caller's value written only where the reader says so.
#include "receiver/replies/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

TEST(StrToInt, ReadsLeadingDecimalIntegerAndRefusesSaturationAndNoDigits)
{
    // Text, read, value (on success).
    const std::tuple<std::wstring, bool, int> rows[] = {{L"42", true, 42},
                                                        {L" \t-17", true, -17},
                                                        {L"+8", true, 8},
                                                        {L"\r\n\v\f 5", true, 5},
                                                        {L"12abc", true, 12},
                                                        {L"1 2", true, 1},
                                                        {L"7.9", true, 7},
                                                        {L"-0", true, 0},
                                                        {L"0x10", true, 0},
                                                        {L"2147483646", true, 2147483646},
                                                        {L"-2147483647", true, -2147483647},
                                                        {L"000000000000000000031", true, 31},
                                                        {std::wstring(L"12\0"
                                                                      L"34",
                                                                      5),
                                                         true, 12},
                                                        {L"abc", false, 0},
                                                        {L"", false, 0},
                                                        {L"   ", false, 0},
                                                        {L"-", false, 0},
                                                        {L"+-3", false, 0},
                                                        {L"- 3", false, 0},
                                                        {L"2147483647", false, 0},
                                                        {L"-2147483648", false, 0},
                                                        {L"99999999999999999999999", false, 0},
                                                        {L"-99999999999999999999999", false, 0},
                                                        {L"\x0663", false, 0}};
    for (const auto& [text, bOk, nExpected] : rows)
    {
        SCOPED_TRACE(CString(text).ToNarrow());
        int nValue = -555;
        EXPECT_EQ(bOk, StrToInt(CString(text), nValue));
        EXPECT_EQ(bOk ? nExpected : -555, nValue) << "written only on success";
    }
}

TEST(StrToDouble, ReadsLikeTheCLibraryAndReportsWhatIsLeft)
{
    const double kHuge = HUGE_VAL;
    // Text, read, value (written in every case), characters left unread (on success).
    const std::tuple<std::wstring, bool, double, int> rows[] = {
        {L"  -12.5X", true, -12.5, 1},
        {L"318.0", true, 318.0, 0},
        {L".5", true, 0.5, 0},
        {L"5.", true, 5.0, 0},
        {L"1.5e3", true, 1500.0, 0},
        {L"1E+2x", true, 100.0, 1},
        {L"1e", true, 1.0, 1},
        {L"1,5", true, 1.0, 2},
        {L"3.25 m", true, 3.25, 2},
        {L"0x1.8p3", true, 12.0, 0},
        {L"0xg", true, 0.0, 2},
        {L"-0.0", true, 0.0, 0},
        {L"1e-400", true, 0.0, 0},
        {std::wstring(L"2.5\0"
                      L"9",
                      5),
         true, 2.5, 0},
        {L"abc", false, 0.0, 0},
        {L"", false, 0.0, 0},
        {L"+", false, 0.0, 0},
        {L".", false, 0.0, 0},
        {L"-+1", false, 0.0, 0},
        {L"1e400", false, kHuge, 0},
        {L"-1e999", false, -kHuge, 0},
        {L"inf", false, kHuge, 0},
        {L"0." + std::wstring(400, L'0') + L"1e401", true, 1.0, 0}};
    for (const auto& [text, bOk, dExpected, nUnread] : rows)
    {
        SCOPED_TRACE(CString(text).ToNarrow().substr(0, 20));
        double dValue = -555.0;
        int nLeft = -1;
        EXPECT_EQ(bOk, StrToDouble(CString(text), dValue, nLeft));
        EXPECT_DOUBLE_EQ(dExpected, dValue);
        EXPECT_EQ(bOk ? nUnread : -1, nLeft) << "an answer of success only";
    }
    double dValue = 0.0;
    int nLeft = -1;
    EXPECT_TRUE(StrToDouble(L"nan(1)x", dValue, nLeft)) << "a number to the C library";
    EXPECT_TRUE(std::isnan(dValue));
    EXPECT_EQ(1, nLeft);
}
