// CAck, the acknowledgement wait: how each wait ends (acknowledgement, time-out, quit), the wait
// cursor around it, and the host's windows that keep working meanwhile. The acknowledgement is
// raised the way the publisher does it, through the shared flag, from another thread.
#include "port/Ack.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Collects what the host's wait-cursor handler hears, for the life of the object.
class CCursorLog
{
public:
    CCursorLog()
    {
        SetWaitCursorHandler([this](bool bShow) {
            std::lock_guard lock(m_mutex);
            m_Events.push_back(bShow);
        });
    }
    ~CCursorLog() { SetWaitCursorHandler(nullptr); }
    CCursorLog(const CCursorLog&) = delete;
    CCursorLog& operator=(const CCursorLog&) = delete;

    std::vector<bool> Events()
    {
        std::lock_guard lock(m_mutex);
        return m_Events;
    }

private:
    std::mutex m_mutex;
    std::vector<bool> m_Events;
};

// Sets the acknowledgement flag after a delay, as the acquisition thread would.
class CLateAcknowledgement
{
public:
    explicit CLateAcknowledgement(int nMilliseconds)
        : m_thread([nMilliseconds] {
              std::this_thread::sleep_for(std::chrono::milliseconds(nMilliseconds));
              CAck::m_bGotAck = true;
          })
    {
    }
    ~CLateAcknowledgement() { m_thread.join(); }
    CLateAcknowledgement(const CLateAcknowledgement&) = delete;
    CLateAcknowledgement& operator=(const CLateAcknowledgement&) = delete;

private:
    std::thread m_thread;
};

constexpr UINT WM_TEST_PING = WM_APP + 40;

class CPingWindow : public CWnd
{
public:
    CPingWindow() { Create(); }
    ~CPingWindow() override { DestroyWindow(); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_TEST_PING)
        {
            ++m_nPings;
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    int m_nPings = 0;
};

} // namespace

TEST(Ack, AcknowledgementEndsTheWaitEarlyAndRestoresTheCursor)
{
    CCursorLog cursor;
    CAck ack;
    ASSERT_TRUE(ack.Create());
    const auto start = Clock::now();
    bool bAcknowledged = false;
    {
        CLateAcknowledgement late(100);
        bAcknowledged = ack.Wait(1000);
    }
    const long long nElapsed = MillisecondsSince(start);
    EXPECT_TRUE(bAcknowledged);
    EXPECT_GE(nElapsed, 90);
    EXPECT_LT(nElapsed, 800) << "seen at the next turn, well before the time-out";
    EXPECT_EQ((std::vector<bool>{true, false}), cursor.Events());
    EXPECT_EQ(0, AfxGetApp()->GetWaitCursorCount());
}

TEST(Ack, WithoutAcknowledgementTheWaitTimesOutAndRestoresTheCursor)
{
    CCursorLog cursor;
    CAck ack;
    ASSERT_TRUE(ack.Create());
    const auto start = Clock::now();
    EXPECT_FALSE(ack.Wait(400));
    const long long nElapsed = MillisecondsSince(start);
    EXPECT_GE(nElapsed, 380);
    EXPECT_LT(nElapsed, 3000);
    EXPECT_EQ((std::vector<bool>{true, false}), cursor.Events());
    EXPECT_EQ(0, AfxGetApp()->GetWaitCursorCount());
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
    {
        CAck ack; // the next command starts clean again
        ASSERT_TRUE(ack.Create());
        EXPECT_FALSE(ack.Wait(150));
    }
}

TEST(Ack, NonPositiveTimeWaitsForTheAcknowledgementAlone)
{
    CAck ack;
    ASSERT_TRUE(ack.Create());
    const auto start = Clock::now();
    bool bAcknowledged = false;
    {
        CLateAcknowledgement late(300);
        bAcknowledged = ack.Wait(0);
    }
    EXPECT_TRUE(bAcknowledged);
    EXPECT_GE(MillisecondsSince(start), 280);
}

TEST(Ack, HostWindowsKeepWorkingDuringTheWait)
{
    CPingWindow host;
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
    EXPECT_EQ((std::vector<bool>{true, false}), cursor.Events());

    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(WM_QUIT, msg.message);
    EXPECT_EQ(7u, msg.wParam);
}
