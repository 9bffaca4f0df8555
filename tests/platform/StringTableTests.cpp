// LoadStringW's truncation rules. (The texts themselves are checked where the engine uses them.)
#include "platform/Framework.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

#include <cwchar>

TEST(StringTable, TruncationAndFailures)
{
    const struct
    {
        const char* legend;
        int cchBufferMax;
        int nExpected;
        const wchar_t* expected;
    } rows[] = {
        {"fits", 128, 9, L"No Error."},
        {"exactly fits with its zero", 10, 9, L"No Error."},
        {"one short: cut to size - 1", 9, 8, L"No Error"},
        {"tiny buffer", 4, 3, L"No "},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        wchar_t buffer[130];
        std::wmemset(buffer, L'#', 130);
        EXPECT_EQ(row.nExpected,
                  LoadStringW(nullptr, IDS_ENGINE_NO_ERROR, buffer, row.cchBufferMax));
        EXPECT_STREQ(row.expected, buffer);
        EXPECT_EQ(L'#', buffer[row.cchBufferMax]) << "nothing written past the buffer";
    }
    wchar_t buffer[8] = L"#";
    EXPECT_EQ(0, LoadStringW(nullptr, 0, buffer, 8)) << "id 0";
    EXPECT_STREQ(L"", buffer);
    EXPECT_EQ(0, LoadStringW(nullptr, IDS_ENGINE_NO_ERROR, nullptr, 10));
}
