// Without a host handler, a message box is the system's own: it waits for the user and answers
// the button pressed. A watchdog thread plays the user.
#include "platform/Framework.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(App, MessageBoxWithoutHandlerIsTheSystemBox)
{
    SetMessageBoxHandler(nullptr);
    std::atomic<bool> bPressed{false};
    std::thread user([&] {
        // The library's application object has no name: the box carries the library's.
        for (int i = 0; i < 1000 && !bPressed; ++i)
        {
            if (const HWND hBox = FindWindowW(L"#32770", L"Fixora_Vorn"))
            {
                wchar_t szText[64] = {};
                EXPECT_GT(GetDlgItemTextW(hBox, 0xFFFF, szText, 64), 0);
                EXPECT_STREQ(L"Turn the antenna", szText);
                bPressed = PostMessageW(hBox, WM_COMMAND, IDNO, 0) != FALSE;
            }
            Sleep(10);
        }
    });
    EXPECT_EQ(IDNO, AfxMessageBox(L"Turn the antenna", MB_YESNO | MB_ICONWARNING));
    user.join();
    EXPECT_TRUE(bPressed);
}
