// The thread queue's own limits: a bounded number of posted messages, and a wait without a wake
// mask that ignores the queue. (wine, where the Windows build's tests run, keeps neither.)
#include "platform/Framework.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

constexpr UINT WM_TEST_RECORD = WM_APP + 1;

class CRecordingWnd : public CWnd
{
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_TEST_RECORD)
        {
            m_received.push_back(wParam);
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    std::vector<WPARAM> m_received;
};

} // namespace

TEST(Messaging, FullQueueRefusesPostsAndKeepsWhatItHas)
{
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.Create());
    WPARAM nPosted = 0;
    while (wnd.PostMessage(WM_TEST_RECORD, nPosted) && nPosted < 20000)
    {
        ++nPosted;
    }
    EXPECT_EQ(10000u, nPosted);
    EXPECT_EQ(ERROR_NOT_ENOUGH_QUOTA, GetLastError());
    MSG msg;
    WPARAM nExpected = 0;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        ASSERT_EQ(nExpected++, msg.wParam);
    }
    EXPECT_EQ(nPosted, nExpected);
}

TEST(Messaging, MsgWaitWithoutWakeMaskIgnoresTheQueue)
{
    HANDLE hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0);
    EXPECT_EQ(WAIT_TIMEOUT, MsgWaitForMultipleObjects(1, &hEvent, FALSE, 0, 0))
        << "no wake mask: messages do not count";
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
    }
    CloseHandle(hEvent);
}
