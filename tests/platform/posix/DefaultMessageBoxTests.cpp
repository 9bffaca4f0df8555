// Without a host handler, a message box goes to standard error and answers OK at once.
#include "platform/Framework.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(App, MessageBoxWithoutHandlerWritesToStandardError)
{
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(IDOK, AfxMessageBox(L"Pause: turn the antenna \x00B0", MB_YESNO));
    EXPECT_EQ("Pause: turn the antenna \xC2\xB0\n", ::testing::internal::GetCapturedStderr());

    SetMessageBoxHandler([](const CString&, UINT) -> int { throw std::runtime_error("host bug"); });
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(IDOK, AfxMessageBox(L"still shown"));
    EXPECT_EQ("still shown\n", ::testing::internal::GetCapturedStderr());
    SetMessageBoxHandler(nullptr);
}
