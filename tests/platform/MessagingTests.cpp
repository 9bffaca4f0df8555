// Message-only windows and thread queues: posting, sending across threads, filters, window
// destruction and thread exit, message maps and registered messages.
#include "platform/Framework.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <thread>

namespace
{

constexpr UINT WM_TEST_RECORD = WM_APP + 1; // counts, answers wParam * 2

class CRecordingWnd : public CWnd
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
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecordingWnd, CWnd)
ON_MESSAGE(WM_TEST_RECORD, OnRecord)
END_MESSAGE_MAP()

void DrainQueue()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
    }
}

// Waits until something is in this thread's queue (a posted or a sent message).
bool WaitForInput()
{
    return MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0;
}

// Runs body on a thread of its own and gives back its id once body has begun.
template <class F> std::jthread StartThread(std::atomic<DWORD>& dwId, F body)
{
    std::jthread t([&dwId, body] {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // makes the queue
        body();
    });
    while (dwId.load() == 0)
    {
        std::this_thread::yield();
    }
    return t;
}

} // namespace

TEST(Messaging, PeekFiltersByWindowAndRangeAndMsgWaitSeesTheQueue)
{
    CRecordingWnd a, b;
    ASSERT_TRUE(a.Create() && b.Create());
    const struct
    {
        const char* legend;
        HWND hFilter;
        UINT wMin, wMax;
        UINT wExpected; // 0: nothing found
    } rows[] = {
        {"everything: the oldest", nullptr, 0, 0, WM_TEST_RECORD},
        {"window b only", b.GetSafeHwnd(), 0, 0, WM_APP + 2},
        {"range of the thread message", nullptr, WM_USER, WM_USER + 10, WM_USER + 5},
        {"thread messages only", reinterpret_cast<HWND>(-1), 0, 0, WM_USER + 5},
        {"window a, range of b's message", a.GetSafeHwnd(), WM_APP + 2, WM_APP + 2, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        DrainQueue();
        a.PostMessage(WM_TEST_RECORD, 1);
        b.PostMessage(WM_APP + 2, 2);
        PostThreadMessageW(GetCurrentThreadId(), WM_USER + 5, 3, 0);
        MSG peeked{}, removed{}, again{};
        ASSERT_EQ(row.wExpected != 0,
                  PeekMessageW(&peeked, row.hFilter, row.wMin, row.wMax, PM_NOREMOVE) != 0);
        if (row.wExpected != 0)
        {
            EXPECT_EQ(row.wExpected, peeked.message);
            ASSERT_TRUE(PeekMessageW(&removed, row.hFilter, row.wMin, row.wMax, PM_REMOVE));
            EXPECT_EQ(peeked.message, removed.message) << "PM_NOREMOVE left the message in place";
            EXPECT_FALSE(PeekMessageW(&again, row.hFilter, row.wMin, row.wMax, PM_NOREMOVE) &&
                         again.message == removed.message)
                << "PM_REMOVE took it out";
        }
    }
    HANDLE hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(WAIT_OBJECT_0 + 1, MsgWaitForMultipleObjects(1, &hEvent, FALSE, 0, QS_ALLINPUT));
    SetEvent(hEvent);
    EXPECT_EQ(WAIT_OBJECT_0, MsgWaitForMultipleObjects(1, &hEvent, FALSE, 0, QS_ALLINPUT))
        << "a signalled object comes before the queue";
    DrainQueue();
    EXPECT_EQ(WAIT_TIMEOUT, MsgWaitForMultipleObjects(1, &hEvent, FALSE, 0, QS_ALLINPUT));
    CloseHandle(hEvent);
}

TEST(Messaging, ThreadMessagesReachTheirThreadUntilItEnds)
{
    std::atomic<DWORD> dwWorker{0};
    WPARAM sum = 0;
    std::jthread worker = StartThread(dwWorker, [&] {
        MSG msg;
        dwWorker = GetCurrentThreadId();
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        {
            sum = sum * 100 + msg.wParam;
        }
    });
    EXPECT_TRUE(PostThreadMessageW(dwWorker, WM_USER, 10, 0) &&
                PostThreadMessageW(dwWorker, WM_USER, 11, 0) &&
                PostThreadMessageW(dwWorker, WM_QUIT, 0, 0));
    worker.join();
    EXPECT_EQ(1011u, sum) << "both, in order";
    EXPECT_FALSE(PostThreadMessageW(dwWorker, WM_USER, 0, 0)) << "the thread has ended";
    // (wine answers ERROR_INVALID_PARAMETER where Windows names the thread id.)
    EXPECT_TRUE(GetLastError() == ERROR_INVALID_THREAD_ID ||
                GetLastError() == ERROR_INVALID_PARAMETER)
        << GetLastError();
}

TEST(Messaging, SendsAcrossThreadsWaitForTheOwnerAndNeverDeadlock)
{
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.Create());
    std::atomic<LRESULT> result{0};
    std::jthread sender(
        [&, hWnd = wnd.GetSafeHwnd()] { result = SendMessageW(hWnd, WM_TEST_RECORD, 5, 0); });
    ASSERT_TRUE(WaitForInput());
    EXPECT_EQ(0, result.load()) << "the sender returned before the owner looked at its queue";
    EXPECT_EQ(0, wnd.m_nCalls.load());
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "a sent message is not posted";
    sender.join();
    EXPECT_EQ(10, result.load());
    EXPECT_EQ(GetCurrentThreadId(), wnd.m_dwHandlerThread.load()) << "handled on the owner";

    // Two threads sending to each other's windows at once.
    CRecordingWnd pair[2];
    HWND hWnd[2] = {};
    LRESULT results[2] = {};
    std::latch created(2);
    auto run = [&](int self) {
        pair[self].Create();
        hWnd[self] = pair[self].GetSafeHwnd();
        created.arrive_and_wait();
        results[self] = SendMessageW(hWnd[1 - self], WM_TEST_RECORD, 100 + self, 0);
        while (pair[self].m_nCalls.load() == 0) // until the other's message was handled here
        {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        }
        pair[self].DestroyWindow();
    };
    {
        const std::jthread t0(run, 0), t1(run, 1);
    }
    EXPECT_EQ(200, results[0]);
    EXPECT_EQ(202, results[1]);
}

TEST(Messaging, DestroyedWindowRefusesMessagesAndReleasesSenders)
{
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.Create());
    EXPECT_FALSE(wnd.Create()) << "a second Create on a live window";
    const HWND hWnd = wnd.GetSafeHwnd();
    EXPECT_TRUE(IsWindow(hWnd));
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
    EXPECT_EQ(0, SendMessageW(hWnd, WM_TEST_RECORD, 4, 0));
    const MSG stale{hWnd, WM_TEST_RECORD, 5, 0, 0, {}};
    EXPECT_EQ(0, DispatchMessageW(&stale));
    EXPECT_EQ(0, wnd.m_nCalls.load());
    EXPECT_FALSE(wnd.DestroyWindow()) << "already destroyed";
    ASSERT_TRUE(wnd.Create());
    EXPECT_NE(hWnd, wnd.GetSafeHwnd()) << "handles are never reused";
    EXPECT_EQ(6, wnd.SendMessage(WM_TEST_RECORD, 3)) << "the object serves its new window";

    HWND hOther = nullptr;
    {
        CRecordingWnd other; // its destructor destroys the window and drops what was posted
        ASSERT_TRUE(other.Create());
        hOther = other.GetSafeHwnd();
        other.PostMessage(WM_TEST_RECORD, 1);
    }
    EXPECT_FALSE(IsWindow(hOther));
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(Messaging, OwnerThreadEndOrDestroyFromAnotherThread)
{
    CRecordingWnd wnd; // outlives its thread: its destructor must cope
    std::atomic<DWORD> dwOwner{0};
    std::jthread owner = StartThread(dwOwner, [&] {
        wnd.Create();
        dwOwner = GetCurrentThreadId();
        WaitForInput(); // the sent message has arrived; end without handling it
    });
    const HWND hWnd = wnd.GetSafeHwnd();
    EXPECT_EQ(0, SendMessageW(hWnd, WM_TEST_RECORD, 1, 0)) << "released by the thread's end";
    owner.join();
    EXPECT_EQ(0, wnd.m_nCalls.load());
    EXPECT_FALSE(IsWindow(hWnd) || PostMessageW(hWnd, WM_TEST_RECORD, 1, 0)) << "and removed";

    // Destroyed from another thread while its handler runs: DestroyWindow waits for it.
    class CSlowWnd : public CWnd
    {
    public:
        HANDLE m_hInside = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::atomic<bool> m_bHandlerDone{false};
        ~CSlowWnd() override { CloseHandle(m_hInside); }
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
        {
            if (message != WM_APP)
            {
                return CWnd::WindowProc(message, wParam, lParam); // creation, destruction
            }
            SetEvent(m_hInside);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            m_bHandlerDone = true;
            return 0;
        }
    } slow;
    dwOwner = 0;
    owner = StartThread(dwOwner, [&] {
        slow.Create();
        dwOwner = GetCurrentThreadId();
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        {
            DispatchMessageW(&msg);
        }
    });
    ASSERT_TRUE(slow.PostMessage(WM_APP));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(slow.m_hInside, 10000));
    EXPECT_TRUE(slow.DestroyWindow());
    EXPECT_TRUE(slow.m_bHandlerDone.load()) << "the handler finished first";
    PostThreadMessageW(dwOwner, WM_QUIT, 0, 0);
    owner.join();
}

namespace
{

class CBaseMapWnd : public CWnd
{
protected:
    LRESULT OnBaseOnly(WPARAM, LPARAM) { return 1; }
    LRESULT OnShared(WPARAM, LPARAM) { return 2; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseMapWnd, CWnd)
ON_MESSAGE(WM_APP + 10, OnBaseOnly)
ON_MESSAGE(WM_APP + 11, OnShared)
END_MESSAGE_MAP()

class CDerivedMapWnd : public CBaseMapWnd
{
protected:
    LRESULT OnDerivedOnly(WPARAM wParam, LPARAM lParam)
    {
        return static_cast<LRESULT>(wParam) + lParam;
    }
    LRESULT OnShared(WPARAM, LPARAM) { return 20; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedMapWnd, CBaseMapWnd)
ON_MESSAGE(WM_APP + 12, OnDerivedOnly)
ON_MESSAGE(WM_APP + 11, OnShared)
END_MESSAGE_MAP()

} // namespace

TEST(Messaging, MessageMapsSearchTheClassThenItsBasesAndNumbersAreRegisteredOnce)
{
    CDerivedMapWnd wnd;
    ASSERT_TRUE(wnd.Create());
    const struct
    {
        const char* legend;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT expected;
    } rows[] = {
        {"derived class entry, with parameters", WM_APP + 12, 3, 4, 7},
        {"base class entry", WM_APP + 10, 0, 0, 1},
        {"derived entry hides the base entry", WM_APP + 11, 0, 0, 20},
        {"no entry: DefWindowProc", WM_APP + 13, 0, 0, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(row.expected, wnd.SendMessage(row.message, row.wParam, row.lParam));
        ASSERT_TRUE(wnd.PostMessage(row.message, row.wParam, row.lParam));
        MSG msg;
        ASSERT_TRUE(PeekMessageW(&msg, wnd.GetSafeHwnd(), 0, 0, PM_REMOVE));
        EXPECT_EQ(row.expected, DispatchMessageW(&msg));
    }
    const UINT first = RegisterWindowMessageW(L"Fixora test: Queue Checker");
    EXPECT_TRUE(first >= 0xC000u && first <= 0xFFFFu) << first;
    EXPECT_EQ(first, RegisterWindowMessageW(L"FIXORA TEST: queue checker")) << "letter case";
    EXPECT_NE(first, RegisterWindowMessageW(L"Fixora test: another"));
    EXPECT_EQ(0u, RegisterWindowMessageW(L""));
    EXPECT_EQ(0u, RegisterWindowMessageW(nullptr));
}
