// LoadStringW's answers at the limits, as this layer keeps them: no pointer to the resource for
// a size of 0, the terminating zero even when nothing else fits or the id is unknown, and the
// error of each failure.
#include "platform/Framework.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

TEST(StringTable, BufferLimits)
{
    const struct
    {
        UINT nId;
        int cchBufferMax;
        wchar_t expected; // the first character afterwards; '#' untouched
        DWORD dwError;
    } rows[] = {{IDS_ENGINE_NO_ERROR, 1, L'\0', ERROR_GEN_FAILURE},
                {IDS_ENGINE_NO_ERROR, 0, L'#', ERROR_INVALID_PARAMETER},
                {IDS_ENGINE_NO_ERROR, -5, L'#', ERROR_INVALID_PARAMETER},
                {9999, 4, L'\0', ERROR_RESOURCE_NAME_NOT_FOUND}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.cchBufferMax);
        wchar_t buffer[4] = {L'#', L'#', L'#', L'#'};
        SetLastError(ERROR_GEN_FAILURE);
        EXPECT_EQ(0, LoadStringW(nullptr, row.nId, buffer, row.cchBufferMax));
        EXPECT_EQ(row.expected, buffer[0]);
        EXPECT_EQ(row.dwError, GetLastError());
    }
}
