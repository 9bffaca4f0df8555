// The string table: the engine's texts and LoadStringW's truncation rules.
#include "platform/Framework.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

#include <cwchar>

TEST(StringTable, EngineTexts)
{
    struct Row
    {
        UINT nId;
        const wchar_t* text;
    };
    const Row rows[] = {
        {11, L"Could not open file to log raw data!"},
        {12, L"Unable to open the emulation file: '%s'."},
        {13, L"Num Epochs: %d, Time: %d min."},
        {14, L"No Error."},
        {15, L"No GPS Receiver Is Assigned."},
        {16, L"Can't Initialize a Receiver."},
        {17, L"Can't Start GPS Thread."},
        {18, L"Unknown GPS Error Code."},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.nId);
        wchar_t buffer[128];
        const int n = LoadStringW(AfxGetResourceHandle(), row.nId, buffer, 128);
        EXPECT_EQ(static_cast<int>(std::wcslen(row.text)), n);
        EXPECT_STREQ(row.text, buffer);
    }
    EXPECT_NE(nullptr, AfxGetResourceHandle());
}

TEST(StringTable, TruncationAndFailures)
{
    struct Row
    {
        const char* legend;
        UINT nId;
        int cchBufferMax;
        int nExpected;
        const wchar_t* expected; // nullptr: buffer untouched
    };
    const Row rows[] = {
        {"fits", IDS_ENGINE_NO_ERROR, 128, 9, L"No Error."},
        {"exactly fits with its zero", IDS_ENGINE_NO_ERROR, 10, 9, L"No Error."},
        {"one short: cut to size - 1", IDS_ENGINE_NO_ERROR, 9, 8, L"No Error"},
        {"tiny buffer", IDS_ENGINE_NO_ERROR, 4, 3, L"No "},
        {"id 0", 0, 128, 0, L""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        wchar_t buffer[130];
        std::wmemset(buffer, L'#', 130);
        EXPECT_EQ(row.nExpected, LoadStringW(nullptr, row.nId, buffer, row.cchBufferMax));
        if (row.expected == nullptr)
        {
            EXPECT_EQ(L'#', buffer[0]);
        }
        else
        {
            EXPECT_STREQ(row.expected, buffer);
            EXPECT_EQ(L'#', buffer[row.cchBufferMax]) << "nothing written past the buffer";
        }
    }
    EXPECT_EQ(0, LoadStringW(nullptr, IDS_ENGINE_NO_ERROR, nullptr, 10));
}
