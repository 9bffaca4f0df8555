// LoadStringW's truncation rules. (The texts themselves are checked where the engine uses them.)
#include "platform/Framework.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

#include <cwchar>

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
