#include "platform/Framework.h"

#include <gtest/gtest.h>

TEST(CStringSmoke, Builds)
{
    CString s(L"abc");
    EXPECT_EQ(3, s.GetLength());
}
