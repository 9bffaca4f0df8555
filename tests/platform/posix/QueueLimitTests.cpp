// The thread queue's own limits: a bounded number of posted messages, and a wait without a wake
// mask that ignores the queue. (wine, where the Windows build's tests run, keeps neither.)
#include "platform/Framework.h"

#include <gtest/gtest.h>

TEST(Messaging, FullQueueRefusesPostsAndKeepsWhatItHas)
{
    const DWORD dwSelf = GetCurrentThreadId();
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // makes this thread's queue
    WPARAM nPosted = 0;
    while (PostThreadMessageW(dwSelf, WM_USER, nPosted, 0) && nPosted < 20000)
        ++nPosted;
    EXPECT_EQ(10000u, nPosted);
    EXPECT_EQ(ERROR_NOT_ENOUGH_QUOTA, GetLastError());
    WPARAM nExpected = 0;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        ASSERT_EQ(nExpected++, msg.wParam);
    EXPECT_EQ(nPosted, nExpected);

    HANDLE hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    PostThreadMessageW(dwSelf, WM_USER, 0, 0);
    EXPECT_EQ(WAIT_TIMEOUT, MsgWaitForMultipleObjects(1, &hEvent, FALSE, 0, 0))
        << "no wake mask: messages do not count";
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    CloseHandle(hEvent);
}
