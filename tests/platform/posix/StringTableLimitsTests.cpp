// LoadStringW's answers at the limits, as this layer keeps them: no pointer to the resource for
// a size of 0, and the terminating zero even when nothing else fits or the id is unknown.
#include "platform/Framework.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

#include <cwchar>

TEST(StringTable, BufferLimits)
{
    struct Row
    {
        const char* legend;
        UINT nId;
        int cchBufferMax;
        const wchar_t* expected; // nullptr: buffer untouched
    };
    const Row rows[] = {
        {"room for the zero only", IDS_ENGINE_NO_ERROR, 1, L""},
        {"zero size", IDS_ENGINE_NO_ERROR, 0, nullptr},
        {"negative size", IDS_ENGINE_NO_ERROR, -5, nullptr},
        {"unknown id", 9999, 4, L""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        wchar_t buffer[4];
        std::wmemset(buffer, L'#', 4);
        EXPECT_EQ(0, LoadStringW(nullptr, row.nId, buffer, row.cchBufferMax));
        if (row.expected == nullptr)
        {
            EXPECT_EQ(L'#', buffer[0]);
        }
        else
        {
            EXPECT_STREQ(row.expected, buffer);
        }
    }
}
