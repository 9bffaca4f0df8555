// CAck, the acknowledgement wait: how each wait ends (acknowledgement, time-out, quit), the wait
// cursor around it, and the host's windows that keep working meanwhile. The acknowledgement is
// raised the way the publisher does it, through the shared flag, from another thread.
#include "port/Ack.h"

#include <gtest/gtest.h>

#include "support/Waiting.h"

#include <chrono>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

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

// Every wait keeps the host's windows working and shows the wait cursor only while it lasts.
TEST(Ack, WaitEndsOnTheAcknowledgementTheTimeOutOrQuit)
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
    };
    constexpr int kNever = -1, kBefore = -2, kBetween = -3; // when the acknowledgement comes
    struct Row
    {
        const char* legend;
        int nAckAfter; // ms into the wait, or one of the above
        int nTimeout;
        bool bQuit; // a quit message is waiting
        bool bExpected;
        long long nMinMs, nMaxMs;
    };
    const Row rows[] = {
        {"acknowledgement seen at the next turn, well before the time-out", 40, 2000, false, true,
         35, 1000},
        {"no acknowledgement: the time-out", kNever, 60, false, false, 55, 3000},
        {"a time of 0 waits for the acknowledgement alone", 80, 0, false, true, 75, 5000},
        {"a quit ends the wait", kNever, 2000, true, false, 0, 1000},
        {"one left over from an earlier command does not count", kBefore, 40, false, false, 35,
         3000},
        {"one between the command and the wait counts", kBetween, 2000, false, true, 0, 1000},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CCursorLog cursor;
        CPingWindow host;
        ASSERT_TRUE(host.Create());
        CAck::m_bGotAck = row.nAckAfter == kBefore;
        CAck ack;
        ASSERT_TRUE(ack.Create());
        CAck::m_bGotAck = CAck::m_bGotAck || row.nAckAfter == kBetween;
        ASSERT_TRUE(host.PostMessage(WM_TEST_PING));
        if (row.bQuit)
        {
            PostQuitMessage(7);
        }
        const auto start = Clock::now();
        bool bAcknowledged = false;
        {
            const std::jthread late = AcknowledgeLater(row.nAckAfter);
            const std::jthread other([hWnd = host.GetSafeHwnd()] {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                PostMessageW(hWnd, WM_TEST_PING, 0, 0);
            });
            bAcknowledged = ack.Wait(row.nTimeout);
        }
        const long long nElapsed = MillisecondsSince(start);
        EXPECT_EQ(row.bExpected, bAcknowledged);
        EXPECT_GE(nElapsed, row.nMinMs);
        EXPECT_LT(nElapsed, row.nMaxMs);
        EXPECT_EQ((std::vector<bool>{true, false}), cursor.m_Events);
        EXPECT_EQ(0, AfxGetApp()->GetWaitCursorCount());
        if (row.nMinMs >= 35)
        {
            EXPECT_EQ(2, host.m_nPings) << "the host's messages were handled during the wait";
        }
        MSG msg;
        ASSERT_EQ(row.bQuit, PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE)
            << "a quit stays for the host's loop";
        EXPECT_TRUE(!row.bQuit || msg.wParam == 7u);
    }
}
