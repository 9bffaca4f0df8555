// CAck, the acknowledgement wait: how each wait ends (acknowledgement, time-out, quit), the wait
// cursor around it, and the host's windows that keep working meanwhile. The acknowledgement is
// raised the way the publisher does it, through Acknowledge, from another thread.
#include "port/Ack.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

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
        long long nMinMs;
    };
    const Row rows[] = {
        {"the acknowledgement wakes the wait before the time-out", 40, 2000, false, true, 35},
        {"no acknowledgement: the time-out", kNever, 80, false, false, 75},
        {"a time of 0 waits for the acknowledgement alone", 80, 0, false, true, 75},
        {"a quit ends the wait", kNever, 2000, true, false, 0},
        {"one left over from an earlier command does not count", kBefore, 80, false, false, 75},
        {"one between the command and the wait counts", kBetween, 2000, false, true, 0},
    };
    std::vector<bool> cursor; // what the host's wait-cursor handler hears
    SetWaitCursorHandler([&](bool bShow) { cursor.push_back(bShow); });
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        cursor.clear();
        CPingWindow host;
        ASSERT_TRUE(host.Create());
        if (row.nAckAfter == kBefore)
            CAck::Acknowledge();
        CAck ack;
        ASSERT_TRUE(ack.Create());
        if (row.nAckAfter == kBetween)
            CAck::Acknowledge();
        ASSERT_TRUE(host.PostMessage(WM_TEST_PING));
        if (row.bQuit)
            PostQuitMessage(7);
        const auto start = std::chrono::steady_clock::now();
        bool bAcknowledged = false;
        {
            const std::jthread publisher([&row, hWnd = host.GetSafeHwnd()] {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                PostMessageW(hWnd, WM_TEST_PING, 0, 0);
                std::this_thread::sleep_for(std::chrono::milliseconds(row.nAckAfter - 5));
                if (row.nAckAfter > 0)
                    CAck::Acknowledge();
            });
            bAcknowledged = ack.Wait(row.nTimeout);
        }
        const long long nElapsed = MillisecondsSince(start);
        EXPECT_EQ(row.bExpected, bAcknowledged);
        EXPECT_GE(nElapsed, row.nMinMs);
        EXPECT_LT(nElapsed, 1500) << "no wait runs into a time-out it should not";
        EXPECT_EQ((std::vector<bool>{true, false}), cursor);
        EXPECT_EQ(0, AfxGetApp()->GetWaitCursorCount());
        EXPECT_TRUE(row.nMinMs == 0 || host.m_nPings == 2) << "the host's messages were handled";
        MSG msg;
        ASSERT_EQ(row.bQuit, PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE)
            << "a quit stays for the host's loop";
        EXPECT_TRUE(!row.bQuit || msg.wParam == 7u);
    }
    SetWaitCursorHandler(nullptr);
}
