// CAck, the acknowledgement wait: how each wait ends (acknowledgement, time-out, quit), the wait
// cursor around it, and the host's windows that keep working meanwhile. The acknowledgement is
// raised the way the publisher does it, through the shared flag, from another thread.
#include "port/Ack.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Collects what the host's wait-cursor handler hears (on the waiting thread), for the life of
// the object.
class CCursorLog
{
public:
    CCursorLog()
    {
        SetWaitCursorHandler([this](bool bShow) { m_Events.push_back(bShow); });
    }
    ~CCursorLog() { SetWaitCursorHandler(nullptr); }
    CCursorLog(const CCursorLog&) = delete;
    CCursorLog& operator=(const CCursorLog&) = delete;
    std::vector<bool> m_Events;
};

// Sets the acknowledgement flag after a delay, as the acquisition thread would (never if
// nMilliseconds is negative).
std::jthread AcknowledgeLater(int nMilliseconds)
{
    return std::jthread([nMilliseconds] {
        if (nMilliseconds >= 0)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(nMilliseconds));
            CAck::m_bGotAck = true;
        }
    });
}

} // namespace

TEST(Ack, WaitEndsOnTheAcknowledgementOrTheTimeOutAndRestoresTheCursor)
{
    struct Row
    {
        const char* legend;
        int nAckAfter; // ms; -1: never
        int nTimeout;
        bool bExpected;
        long long nMinMs, nMaxMs;
    };
    const Row rows[] = {
        {"acknowledgement seen at the next turn, well before the time-out", 100, 1000, true, 90,
         800},
        {"no acknowledgement: the time-out", -1, 400, false, 380, 3000},
        {"a time of 0 waits for the acknowledgement alone", 300, 0, true, 280, 5000},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CCursorLog cursor;
        CAck ack;
        ASSERT_TRUE(ack.Create());
        const auto start = Clock::now();
        bool bAcknowledged = false;
        {
            const std::jthread late = AcknowledgeLater(row.nAckAfter);
            bAcknowledged = ack.Wait(row.nTimeout);
        }
        const long long nElapsed = MillisecondsSince(start);
        EXPECT_EQ(row.bExpected, bAcknowledged);
        EXPECT_GE(nElapsed, row.nMinMs);
        EXPECT_LT(nElapsed, row.nMaxMs);
        EXPECT_EQ((std::vector<bool>{true, false}), cursor.m_Events);
        EXPECT_EQ(0, AfxGetApp()->GetWaitCursorCount());
    }
}

TEST(Ack, OnlyAcknowledgementsAfterConstructionCount)
{
    CAck::m_bGotAck = true; // left over from an earlier command
    {
        CAck ack;
        EXPECT_FALSE(CAck::m_bGotAck.load());
        ASSERT_TRUE(ack.Create());
        EXPECT_FALSE(ack.Wait(150));
    }
    {
        CAck ack;
        ASSERT_TRUE(ack.Create());
        CAck::m_bGotAck = true; // arrived between the command and the wait
        const auto start = Clock::now();
        EXPECT_TRUE(ack.Wait(1000));
        EXPECT_LT(MillisecondsSince(start), 500);
    }
    CAck next; // the next command starts clean again
    ASSERT_TRUE(next.Create());
    EXPECT_FALSE(next.Wait(150));
}

TEST(Ack, HostWindowsKeepWorkingDuringTheWait)
{
    constexpr UINT WM_TEST_PING = WM_APP + 40;
    class CPingWindow : public CWnd
    {
    public:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
        {
            return message == WM_TEST_PING ? ++m_nPings : CWnd::WindowProc(message, wParam, lParam);
        }
        int m_nPings = 0;
    } host;
    ASSERT_TRUE(host.Create());
    CAck ack;
    ASSERT_TRUE(ack.Create());
    ASSERT_TRUE(host.PostMessage(WM_TEST_PING));
    std::thread other([hWnd = host.GetSafeHwnd()] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostMessageW(hWnd, WM_TEST_PING, 0, 0);
    });
    EXPECT_FALSE(ack.Wait(300));
    other.join();
    EXPECT_EQ(2, host.m_nPings);
}

TEST(Ack, QuitEndsTheWaitAndStaysForTheHostsLoop)
{
    CCursorLog cursor;
    CAck ack;
    ASSERT_TRUE(ack.Create());
    PostQuitMessage(7);
    const auto start = Clock::now();
    EXPECT_FALSE(ack.Wait(2000));
    EXPECT_LT(MillisecondsSince(start), 1000);
    EXPECT_EQ((std::vector<bool>{true, false}), cursor.m_Events);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(WM_QUIT, msg.message);
    EXPECT_EQ(7u, msg.wParam);
}
