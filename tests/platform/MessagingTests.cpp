// Message-only windows and thread queues as the library uses them: posting and sending across
// threads, message maps, destroyed windows and ended threads, waiting for input.
#include "platform/Framework.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{

constexpr UINT WM_TEST_RECORD = WM_APP + 1; // counts, answers wParam * 2

class CBaseWnd : public CWnd
{
public:
    std::atomic<DWORD> m_dwHandlerThread{0};
    std::atomic<int> m_nCalls{0};

protected:
    LRESULT OnRecord(WPARAM wParam, LPARAM)
    {
        m_dwHandlerThread = GetCurrentThreadId();
        ++m_nCalls;
        return static_cast<LRESULT>(wParam * 2);
    }
    LRESULT OnShared(WPARAM, LPARAM) { return 2; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
ON_MESSAGE(WM_TEST_RECORD, OnRecord)
ON_MESSAGE(WM_APP + 11, OnShared)
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd
{
protected:
    LRESULT OnSum(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam) + lParam; }
    LRESULT OnShared(WPARAM, LPARAM) { return 20; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
ON_MESSAGE(WM_APP + 12, OnSum)
ON_MESSAGE(WM_APP + 11, OnShared)
END_MESSAGE_MAP()

// Waits until something is in this thread's queue (a posted or a sent message).
bool WaitForInput()
{
    return MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0;
}

} // namespace

TEST(Messaging, MessageMapsSearchTheClassThenItsBasesSentOrPosted)
{
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.Create());
    EXPECT_FALSE(wnd.Create()) << "a second Create on a live window";
    const struct
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT expected;
    } rows[] = {{WM_APP + 12, 3, 4, 7},     // the class's own entry, with parameters
                {WM_TEST_RECORD, 5, 0, 10}, // the base class's entry
                {WM_APP + 11, 0, 0, 20},    // the class's entry hides the base's
                {WM_APP + 13, 0, 0, 0}};    // none: DefWindowProc
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.message - WM_APP);
        EXPECT_EQ(row.expected, wnd.SendMessage(row.message, row.wParam, row.lParam));
        ASSERT_TRUE(wnd.PostMessage(row.message, row.wParam, row.lParam));
        MSG msg;
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(row.expected, DispatchMessageW(&msg));
        EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "taken out";
    }
    HANDLE hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0 + 1, MsgWaitForMultipleObjects(1, &hEvent, FALSE, 0, QS_ALLINPUT));
    SetEvent(hEvent);
    EXPECT_EQ(WAIT_OBJECT_0, MsgWaitForMultipleObjects(1, &hEvent, FALSE, 0, QS_ALLINPUT))
        << "a signalled object comes before the queue";
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_USER);
    EXPECT_EQ(WAIT_TIMEOUT, MsgWaitForMultipleObjects(1, &hEvent, FALSE, 0, QS_ALLINPUT));
    CloseHandle(hEvent);
}

TEST(Messaging, ASendFromAnotherThreadWaitsForTheOwnerToLookAtItsQueue)
{
    CBaseWnd wnd;
    ASSERT_TRUE(wnd.Create());
    std::atomic<LRESULT> result{0};
    std::thread sender(
        [&, hWnd = wnd.GetSafeHwnd()] { result = SendMessageW(hWnd, WM_TEST_RECORD, 5, 0); });
    ASSERT_TRUE(WaitForInput());
    EXPECT_EQ(0, result.load() + wnd.m_nCalls.load()) << "nothing before the owner looked";
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "a sent message is not posted";
    sender.join();
    EXPECT_EQ(10, result.load());
    EXPECT_EQ(GetCurrentThreadId(), wnd.m_dwHandlerThread.load()) << "handled on the owner";
}

TEST(Messaging, DestroyedWindowRefusesMessagesAndReleasesSenders)
{
    CBaseWnd wnd;
    ASSERT_TRUE(wnd.Create());
    const HWND hWnd = wnd.GetSafeHwnd();
    wnd.PostMessage(WM_TEST_RECORD, 1);
    LRESULT result = -1;
    std::thread sender([&] { result = SendMessageW(hWnd, WM_TEST_RECORD, 2, 0); });
    ASSERT_TRUE(WaitForInput());
    EXPECT_TRUE(wnd.DestroyWindow());
    sender.join();
    EXPECT_EQ(0, result) << "a blocked sender is released with 0";
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_EQ(nullptr, wnd.GetSafeHwnd());
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "its posted message was dropped";
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(PostMessageW(hWnd, WM_TEST_RECORD, 3, 0));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    const MSG stale{hWnd, WM_TEST_RECORD, 5, 0, 0, {}};
    EXPECT_EQ(0, SendMessageW(hWnd, WM_TEST_RECORD, 4, 0) + DispatchMessageW(&stale));
    EXPECT_EQ(0, wnd.m_nCalls.load());
    EXPECT_FALSE(wnd.DestroyWindow()) << "already destroyed";
    ASSERT_TRUE(wnd.Create());
    EXPECT_NE(hWnd, wnd.GetSafeHwnd()) << "handles are never reused";
    EXPECT_EQ(6, wnd.SendMessage(WM_TEST_RECORD, 3)) << "the object serves its new window";
    {
        CBaseWnd other; // its destructor destroys the window and drops what was posted
        ASSERT_TRUE(other.Create());
        other.PostMessage(WM_TEST_RECORD, 1);
    }
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(Messaging, AnEndedThreadReleasesSendersAndTakesNoMorePosts)
{
    CBaseWnd wnd; // outlives its thread: its destructor must cope
    std::atomic<DWORD> dwOwner{0};
    WPARAM sum = 0;
    std::thread owner([&] {
        wnd.Create();
        dwOwner = GetCurrentThreadId();
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
            sum = sum * 100 + msg.wParam;
        dwOwner = 0;
        WaitForInput(); // the sent message has arrived; end without handling it
    });
    while (dwOwner.load() == 0)
        std::this_thread::yield();
    const HWND hWnd = wnd.GetSafeHwnd();
    EXPECT_TRUE(PostThreadMessageW(dwOwner, WM_USER, 10, 0) &&
                PostThreadMessageW(dwOwner, WM_USER, 11, 0) &&
                PostThreadMessageW(dwOwner, WM_QUIT, 0, 0));
    const DWORD dwEnded = dwOwner;
    while (dwOwner.load() != 0) // out of its loop: the send below is never handled
    {
        std::this_thread::yield();
    }
    EXPECT_EQ(0, SendMessageW(hWnd, WM_TEST_RECORD, 1, 0)) << "released by the thread's end";
    owner.join();
    EXPECT_EQ(1011u, sum) << "both posts, in order, before the quit";
    EXPECT_EQ(0, wnd.m_nCalls.load());
    EXPECT_FALSE(IsWindow(hWnd) || PostMessageW(hWnd, WM_TEST_RECORD, 1, 0)) << "removed";
    // Only our own layer can promise the refusal: the native system hands an ended thread's id
    // to the next thread it starts, in any process (the sleep hook's false names that system).
    if (SetSleepHook(nullptr, nullptr))
    {
        EXPECT_FALSE(PostThreadMessageW(dwEnded, WM_USER, 0, 0)) << "the thread has ended";
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID)) << GetLastError();
    }
}
