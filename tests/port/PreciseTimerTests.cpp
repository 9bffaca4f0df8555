// CPreciseTimer against a window of the test thread: when ticks come and what they carry,
// starts that are refused or ignored, and silence after a stop, a destroyed window or the
// timer's own destruction.
#include "port/PreciseTimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Records the ticks it receives with their arrival times, and counts the checker messages that
// announce them.
class CTickWindow : public CWnd
{
public:
    struct STick
    {
        WPARAM wParam;
        long long nAt; // ms since m_start
    };

    CTickWindow() { Create(); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_PRECISE_TIMER_CHECK)
        {
            EXPECT_EQ(0u, wParam);
            ++m_nChecks;
            if (m_onCheck)
            {
                m_onCheck();
            }
            return 0;
        }
        if (message == WM_PRECISE_TIMER)
        {
            EXPECT_GT(m_nChecks, static_cast<int>(m_Ticks.size())) << "a checker message first";
            m_Ticks.push_back({wParam, MillisecondsSince(m_start)});
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }

    Clock::time_point m_start = Clock::now();
    std::vector<STick> m_Ticks;
    int m_nChecks = 0;
    std::function<void()> m_onCheck;
};

// Handles this thread's messages (the timer's are sent, so looking at the queue delivers them)
// until done() holds or the time is up; true when done() held.
bool PumpUntil(const std::function<bool()>& done, long long nMilliseconds)
{
    const auto start = Clock::now();
    for (;;)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            DispatchMessageW(&msg);
        }
        if (done && done())
        {
            return true;
        }
        if (MillisecondsSince(start) >= nMilliseconds)
        {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void PumpFor(long long nMilliseconds)
{
    PumpUntil(nullptr, nMilliseconds);
}

bool PumpUntilTicks(const CTickWindow& wnd, std::size_t nTicks, long long nMilliseconds = 10000)
{
    return PumpUntil([&] { return wnd.m_Ticks.size() >= nTicks; }, nMilliseconds);
}

} // namespace

TEST(PreciseTimer, TicksEveryIntervalWithItsIdentifierAfterAChecker)
{
    EXPECT_EQ(RegisterWindowMessageW(L"VKR Precise Timer Queue Checker"), WM_PRECISE_TIMER_CHECK);
    CTickWindow wnd;
    CPreciseTimer timer;
    wnd.m_start = Clock::now();
    const UINT nId = timer.Start(&wnd, 300);
    ASSERT_NE(0u, nId);
    EXPECT_TRUE(timer.IsRunning());
    ASSERT_TRUE(PumpUntilTicks(wnd, 3));
    timer.Stop();
    const auto& ticks = wnd.m_Ticks;
    EXPECT_GE(ticks[0].nAt, 280) << "the first tick comes one interval after the start";
    EXPECT_LT(ticks[0].nAt, 2000);
    for (std::size_t i = 0; i < ticks.size(); ++i)
    {
        EXPECT_EQ(nId, ticks[i].wParam);
        EXPECT_TRUE(i == 0 || ticks[i].nAt - ticks[i - 1].nAt >= 200) << "tick " << i;
    }
    EXPECT_LE(static_cast<int>(ticks.size()), wnd.m_nChecks) << "one checker message per tick";
    EXPECT_GE(static_cast<int>(ticks.size()) + 1, wnd.m_nChecks);
}

TEST(PreciseTimer, IdentifiersCountUpAndStartOnARunningTimerChangesNothing)
{
    CTickWindow wnd;
    CTickWindow other;
    CPreciseTimer previous;
    CPreciseTimer timer;
    EXPECT_EQ(previous.GetTimerID() + 1, timer.GetTimerID());
    EXPECT_EQ(timer.GetTimerID(), CPreciseTimer::s_nTimerCount.load());
    wnd.m_start = Clock::now();
    const UINT nId = timer.Start(&wnd, 500);
    ASSERT_EQ(timer.GetTimerID(), nId);
    PumpFor(200);
    EXPECT_EQ(nId, timer.Start(&other, 20)) << "same identifier, no new interval or window";
    ASSERT_TRUE(PumpUntilTicks(wnd, 1));
    EXPECT_GE(wnd.m_Ticks[0].nAt, 450) << "the interval was not restarted nor shortened";
    EXPECT_EQ(0, other.m_nChecks);
}

TEST(PreciseTimer, RefusedStartsReturnZeroAndNothingTicks)
{
    CTickWindow wnd;
    CWnd uncreated;
    struct SRow
    {
        const char* legend;
        CWnd* pWnd;
        int nMilliseconds;
    } const rows[] = {
        {"interval 0", &wnd, 0},
        {"negative interval", &wnd, -100},
        {"no window", nullptr, 50},
        {"window never created", &uncreated, 50},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CPreciseTimer timer;
        EXPECT_EQ(0u, timer.Start(row.pWnd, row.nMilliseconds));
        EXPECT_FALSE(timer.IsRunning());
        PumpFor(150);
        EXPECT_EQ(0, wnd.m_nChecks);
    }
}

TEST(PreciseTimer, NoTickAfterStopEvenBetweenCheckerAndTick)
{
    CTickWindow wnd;
    CPreciseTimer timer;
    ASSERT_NE(0u, timer.Start(&wnd, 30));
    ASSERT_TRUE(PumpUntilTicks(wnd, 2));
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    const std::size_t nTicks = wnd.m_Ticks.size();
    PumpFor(300);
    EXPECT_EQ(nTicks, wnd.m_Ticks.size());

    CTickWindow stopping;
    stopping.m_onCheck = [&] { timer.Stop(); };
    ASSERT_NE(0u, timer.Start(&stopping, 30));
    ASSERT_TRUE(PumpUntil([&] { return stopping.m_nChecks > 0; }, 10000));
    PumpFor(300);
    EXPECT_EQ(1, stopping.m_nChecks);
    EXPECT_TRUE(stopping.m_Ticks.empty());
}

TEST(PreciseTimer, DestroyedTargetSilencesTicksButTheThreadServesTheNextStart)
{
    CPreciseTimer timer;
    {
        CTickWindow gone;
        ASSERT_NE(0u, timer.Start(&gone, 20));
        ASSERT_TRUE(PumpUntilTicks(gone, 1));
    }
    // Nothing is sent to a window that is gone, so this thread has nothing waiting for it.
    PumpFor(200);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(timer.IsRunning());

    timer.Stop();
    CTickWindow next;
    const UINT nId = timer.Start(&next, 20);
    ASSERT_TRUE(PumpUntilTicks(next, 1));
    EXPECT_EQ(nId, next.m_Ticks[0].wParam);
}

TEST(PreciseTimer, PauseHaltsTicksWhileStillRunning)
{
    CTickWindow wnd;
    CPreciseTimer timer;
    ASSERT_NE(0u, timer.Start(&wnd, 20));
    ASSERT_TRUE(PumpUntilTicks(wnd, 1));
    timer.Pause();
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_TRUE(timer.IsPaused());
    PumpFor(50); // a tick already on its way may still land
    const std::size_t nTicks = wnd.m_Ticks.size();
    PumpFor(250);
    EXPECT_EQ(nTicks, wnd.m_Ticks.size());
    timer.Resume();
    EXPECT_FALSE(timer.IsPaused());
    EXPECT_TRUE(PumpUntilTicks(wnd, nTicks + 1));
}

TEST(PreciseTimer, SlowDeliveryShortensTheNextWait)
{
    // The checker takes 150 ms to be handled; the tick period still follows the 200 ms interval
    // instead of growing to 350 ms.
    CTickWindow wnd;
    wnd.m_onCheck = [] { std::this_thread::sleep_for(std::chrono::milliseconds(150)); };
    CPreciseTimer timer;
    ASSERT_NE(0u, timer.Start(&wnd, 200));
    ASSERT_TRUE(PumpUntilTicks(wnd, 5, 20000));
    timer.Stop();
    const long long nMeanPeriod = (wnd.m_Ticks[4].nAt - wnd.m_Ticks[0].nAt) / 4;
    EXPECT_GE(nMeanPeriod, 150);
    EXPECT_LT(nMeanPeriod, 300);
}

TEST(PreciseTimer, DestroyingATickingTimerEndsItsThreadQuietly)
{
    CTickWindow wnd;
    {
        CPreciseTimer timer;
        ASSERT_NE(0u, timer.Start(&wnd, 10));
        ASSERT_TRUE(PumpUntilTicks(wnd, 1));
    }
    const std::size_t nTicks = wnd.m_Ticks.size();
    PumpFor(200);
    EXPECT_EQ(nTicks, wnd.m_Ticks.size());

    // Destroyed right after the start signal: the thread must not read the timer afterwards.
    for (int i = 0; i < 50; ++i)
    {
        CPreciseTimer timer;
        timer.Start(&wnd, 1);
    }
    PumpFor(100);
}
