// Message-only windows and thread queues: posting, sending across threads, filters, window
// destruction and thread exit, message maps and registered messages.
#include "platform/Framework.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <mutex>
#include <thread>
#include <vector>

namespace
{

constexpr UINT WM_TEST_RECORD = WM_APP + 1; // records wParam, answers wParam * 2
constexpr UINT WM_TEST_OTHER = WM_APP + 2;

class CRecordingWnd : public CWnd
{
public:
    std::vector<WPARAM> Received()
    {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    std::atomic<DWORD> m_dwHandlerThread{0};
    std::atomic<int> m_nCalls{0};

protected:
    LRESULT OnRecord(WPARAM wParam, LPARAM)
    {
        {
            std::lock_guard lock(m_mutex);
            m_received.push_back(wParam);
        }
        m_dwHandlerThread = GetCurrentThreadId();
        ++m_nCalls;
        return static_cast<LRESULT>(wParam * 2);
    }
    DECLARE_MESSAGE_MAP()

private:
    std::mutex m_mutex;
    std::vector<WPARAM> m_received;
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

} // namespace

TEST(Messaging, PeekFiltersByWindowAndRange)
{
    CRecordingWnd a;
    CRecordingWnd b;
    ASSERT_TRUE(a.Create());
    ASSERT_TRUE(b.Create());
    const HWND kThreadOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
    struct Row
    {
        const char* legend;
        HWND hFilter;
        UINT wMin, wMax;
        bool bFound;
        UINT wExpected;
    };
    const Row rows[] = {
        {"everything: the oldest", nullptr, 0, 0, true, WM_TEST_RECORD},
        {"window b only", b.GetSafeHwnd(), 0, 0, true, WM_TEST_OTHER},
        {"range of the thread message", nullptr, WM_USER, WM_USER + 10, true, WM_USER + 5},
        {"thread messages only", kThreadOnly, 0, 0, true, WM_USER + 5},
        {"window a, range of b's message", a.GetSafeHwnd(), WM_TEST_OTHER, WM_TEST_OTHER, false, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        DrainQueue();
        a.PostMessage(WM_TEST_RECORD, 1);
        b.PostMessage(WM_TEST_OTHER, 2);
        PostThreadMessageW(GetCurrentThreadId(), WM_USER + 5, 3, 0);

        MSG peeked{};
        ASSERT_EQ(row.bFound,
                  PeekMessageW(&peeked, row.hFilter, row.wMin, row.wMax, PM_NOREMOVE) != 0);
        if (!row.bFound)
        {
            continue;
        }
        EXPECT_EQ(row.wExpected, peeked.message);
        MSG removed{};
        ASSERT_TRUE(PeekMessageW(&removed, row.hFilter, row.wMin, row.wMax, PM_REMOVE));
        EXPECT_EQ(peeked.message, removed.message) << "PM_NOREMOVE left the message in place";
        MSG again{};
        if (PeekMessageW(&again, row.hFilter, row.wMin, row.wMax, PM_NOREMOVE))
        {
            EXPECT_NE(removed.message, again.message) << "PM_REMOVE took it out";
        }
    }
    DrainQueue();
}

TEST(Messaging, ThreadMessagesReachTheirThread)
{
    std::atomic<DWORD> dwWorker{0};
    std::vector<WPARAM> received;
    std::thread worker([&] {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // makes the queue
        dwWorker = GetCurrentThreadId();
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        {
            received.push_back(msg.wParam);
        }
    });
    while (dwWorker.load() == 0)
    {
        std::this_thread::yield();
    }
    EXPECT_TRUE(PostThreadMessageW(dwWorker, WM_USER, 10, 0));
    EXPECT_TRUE(PostThreadMessageW(dwWorker, WM_USER, 11, 0));
    EXPECT_TRUE(PostThreadMessageW(dwWorker, WM_QUIT, 0, 0));
    worker.join();
    EXPECT_EQ((std::vector<WPARAM>{10, 11}), received);
    EXPECT_FALSE(PostThreadMessageW(dwWorker, WM_USER, 0, 0)) << "the thread has ended";
    // (wine answers ERROR_INVALID_PARAMETER where Windows names the thread id.)
    EXPECT_TRUE(GetLastError() == ERROR_INVALID_THREAD_ID ||
                GetLastError() == ERROR_INVALID_PARAMETER)
        << GetLastError();
}

TEST(Messaging, SendFromAnotherThreadWaitsForTheOwnerToPump)
{
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.Create());
    const HWND hWnd = wnd.GetSafeHwnd();
    std::atomic<bool> bReturned{false};
    LRESULT result = 0;
    std::thread sender([&] {
        result = SendMessageW(hWnd, WM_TEST_RECORD, 5, 0);
        bReturned = true;
    });
    ASSERT_TRUE(WaitForInput());
    EXPECT_FALSE(bReturned.load()) << "the sender returned before the owner looked at its queue";
    EXPECT_EQ(0, wnd.m_nCalls.load());
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "a sent message is not posted";
    sender.join();
    EXPECT_EQ(10, result);
    EXPECT_EQ(GetCurrentThreadId(), wnd.m_dwHandlerThread.load()) << "handled on the owner";
}

TEST(Messaging, TwoThreadsSendingToEachOtherDoNotDeadlock)
{
    CRecordingWnd wnd[2];
    HWND hWnd[2] = {};
    LRESULT result[2] = {};
    std::latch created(2);
    auto run = [&](int self) {
        wnd[self].Create();
        hWnd[self] = wnd[self].GetSafeHwnd();
        created.arrive_and_wait();
        result[self] = SendMessageW(hWnd[1 - self], WM_TEST_RECORD, 100 + self, 0);
        // Stay until the other thread's message has been handled here.
        while (wnd[self].m_nCalls.load() == 0)
        {
            MSG msg;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        }
        wnd[self].DestroyWindow();
    };
    std::thread t0(run, 0);
    std::thread t1(run, 1);
    t0.join();
    t1.join();
    EXPECT_EQ(200, result[0]);
    EXPECT_EQ(202, result[1]);
}

TEST(Messaging, DestroyedWindowRefusesMessagesAndReleasesSenders)
{
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.Create());
    EXPECT_FALSE(wnd.Create()) << "a second Create on a live window";
    const HWND hWnd = wnd.GetSafeHwnd();
    EXPECT_TRUE(IsWindow(hWnd));
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(hWnd));
    wnd.PostMessage(WM_TEST_RECORD, 1);

    LRESULT result = -1;
    std::thread sender([&] { result = SendMessageW(hWnd, WM_TEST_RECORD, 2, 0); });
    ASSERT_TRUE(WaitForInput());
    EXPECT_TRUE(wnd.DestroyWindow());
    sender.join();
    EXPECT_EQ(0, result) << "a blocked sender is released with 0";

    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_EQ(nullptr, wnd.GetSafeHwnd());
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "its posted message was dropped";
    EXPECT_FALSE(PostMessageW(hWnd, WM_TEST_RECORD, 3, 0));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    EXPECT_EQ(0, SendMessageW(hWnd, WM_TEST_RECORD, 4, 0));
    const MSG stale{hWnd, WM_TEST_RECORD, 5, 0, 0, {}};
    EXPECT_EQ(0, DispatchMessageW(&stale));
    EXPECT_EQ(0, wnd.m_nCalls.load());
    EXPECT_FALSE(wnd.DestroyWindow()) << "already destroyed";

    ASSERT_TRUE(wnd.Create());
    EXPECT_NE(hWnd, wnd.GetSafeHwnd()) << "handles are never reused";

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

TEST(Messaging, OwnerThreadEndReleasesSendersAndRemovesItsWindows)
{
    CRecordingWnd wnd; // outlives its thread: its destructor must cope
    std::atomic<HWND> hWnd{nullptr};
    std::thread owner([&] {
        wnd.Create();
        hWnd = wnd.GetSafeHwnd();
        WaitForInput(); // the sent message has arrived; end without handling it
    });
    while (hWnd.load() == nullptr)
    {
        std::this_thread::yield();
    }
    EXPECT_EQ(0, SendMessageW(hWnd, WM_TEST_RECORD, 1, 0));
    owner.join();
    EXPECT_EQ(0, wnd.m_nCalls.load());
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_FALSE(PostMessageW(hWnd, WM_TEST_RECORD, 1, 0));
}

TEST(Messaging, DestroyFromAnotherThreadWaitsForARunningHandler)
{
    class CSlowWnd : public CWnd
    {
    public:
        HANDLE m_hInside = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::atomic<int> m_nSequence{0};
        int m_nHandlerEnd = 0;
        ~CSlowWnd() override { CloseHandle(m_hInside); }
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
        {
            if (message != WM_APP)
            {
                return CWnd::WindowProc(message, wParam, lParam); // creation, destruction
            }
            SetEvent(m_hInside);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            m_nHandlerEnd = ++m_nSequence;
            return 0;
        }
    };
    CSlowWnd wnd;
    std::atomic<DWORD> dwOwner{0};
    std::thread owner([&] {
        wnd.Create();
        dwOwner = GetCurrentThreadId();
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        {
            DispatchMessageW(&msg);
        }
    });
    while (dwOwner.load() == 0)
    {
        std::this_thread::yield();
    }
    ASSERT_TRUE(wnd.PostMessage(WM_APP));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(wnd.m_hInside, 10000));
    EXPECT_TRUE(wnd.DestroyWindow());
    const int nDestroyed = ++wnd.m_nSequence;
    EXPECT_EQ(1, wnd.m_nHandlerEnd) << "the handler finished first";
    EXPECT_EQ(2, nDestroyed);
    PostThreadMessageW(dwOwner, WM_QUIT, 0, 0);
    owner.join();
}

namespace
{

UINT g_wmLateRegistered = 0; // registered only after the map below was built

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
    LRESULT OnRegistered(WPARAM, LPARAM) { return 30; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedMapWnd, CBaseMapWnd)
ON_MESSAGE(WM_APP + 12, OnDerivedOnly)
ON_MESSAGE(WM_APP + 11, OnShared)
ON_REGISTERED_MESSAGE(g_wmLateRegistered, OnRegistered)
END_MESSAGE_MAP()

} // namespace

TEST(Messaging, MessageMapsSearchTheClassThenItsBases)
{
    CDerivedMapWnd wnd;
    ASSERT_TRUE(wnd.Create());
    EXPECT_EQ(0, wnd.SendMessage(WM_NULL)) << "an unregistered entry (number 0) matches nothing";
    g_wmLateRegistered = RegisterWindowMessageW(L"Fixora test: late registered");
    ASSERT_NE(0u, g_wmLateRegistered);

    struct Row
    {
        const char* legend;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT expected;
    };
    const Row rows[] = {
        {"derived class entry, with parameters", WM_APP + 12, 3, 4, 7},
        {"base class entry", WM_APP + 10, 0, 0, 1},
        {"derived entry hides the base entry", WM_APP + 11, 0, 0, 20},
        {"registered number read at dispatch", g_wmLateRegistered, 0, 0, 30},
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
}

TEST(Messaging, RegisteredMessageNumbers)
{
    const UINT first = RegisterWindowMessageW(L"Fixora test: Queue Checker");
    EXPECT_GE(first, 0xC000u);
    EXPECT_LE(first, 0xFFFFu);
    EXPECT_EQ(first, RegisterWindowMessageW(L"FIXORA TEST: queue checker")) << "letter case";
    EXPECT_NE(first, RegisterWindowMessageW(L"Fixora test: another"));
    EXPECT_EQ(0u, RegisterWindowMessageW(L""));
    EXPECT_EQ(0u, RegisterWindowMessageW(nullptr));
}

TEST(Messaging, MsgWaitSeesEventsAndMessages)
{
    HANDLE hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(WAIT_TIMEOUT, MsgWaitForMultipleObjects(1, &hEvent, FALSE, 0, QS_ALLINPUT));
    PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0 + 1, MsgWaitForMultipleObjects(1, &hEvent, FALSE, 0, QS_ALLINPUT));
    SetEvent(hEvent);
    EXPECT_EQ(WAIT_OBJECT_0, MsgWaitForMultipleObjects(1, &hEvent, FALSE, 0, QS_ALLINPUT))
        << "a signalled object comes before the queue";
    DrainQueue();
    CloseHandle(hEvent);
}
