// CPreciseTimer against a window of the test thread: when ticks come and what they carry,
// starts that are refused or ignored, restarts, and silence after a stop, a destroyed window or
// the timer's own destruction.
#include "port/PreciseTimer.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

// Records the ticks it receives with their arrival times, and counts the checker messages that
// announce them; m_onCheck and m_onTick run inside the handlers.
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
        if (message != WM_PRECISE_TIMER)
        {
            return CWnd::WindowProc(message, wParam, lParam);
        }
        EXPECT_GT(m_nChecks, static_cast<int>(m_Ticks.size())) << "a checker message first";
        m_Ticks.push_back({wParam, MillisecondsSince(m_start)});
        if (m_onTick)
        {
            m_onTick();
        }
        return 0;
    }

    Clock::time_point m_start = Clock::now();
    std::vector<STick> m_Ticks;
    int m_nChecks = 0;
    std::function<void()> m_onCheck, m_onTick;
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

bool PumpUntilTicks(const CTickWindow& wnd, std::size_t nTicks)
{
    return PumpUntil([&] { return wnd.m_Ticks.size() >= nTicks; }, 10000);
}

} // namespace

TEST(PreciseTimer, TicksEveryIntervalWithItsIdentifierAfterAChecker)
{
    EXPECT_EQ(RegisterWindowMessageW(L"VKR Precise Timer Queue Checker"), WM_PRECISE_TIMER_CHECK);
    CTickWindow wnd;
    CPreciseTimer previous, timer;
    EXPECT_EQ(previous.GetTimerID() + 1, timer.GetTimerID()) << "identifiers count up";
    EXPECT_EQ(timer.GetTimerID(), CPreciseTimer::s_nTimerCount.load());
    wnd.m_start = Clock::now();
    const UINT nId = timer.Start(&wnd, 60);
    ASSERT_EQ(timer.GetTimerID(), nId);
    EXPECT_TRUE(timer.IsRunning());
    ASSERT_TRUE(PumpUntilTicks(wnd, 3));
    timer.Stop();
    const auto& ticks = wnd.m_Ticks;
    EXPECT_GE(ticks[0].nAt, 55) << "the first tick comes one interval after the start";
    for (std::size_t i = 0; i < ticks.size(); ++i)
    {
        EXPECT_EQ(nId, ticks[i].wParam);
        EXPECT_TRUE(i == 0 || ticks[i].nAt - ticks[i - 1].nAt >= 40) << "tick " << i;
    }
    EXPECT_LE(static_cast<int>(ticks.size()), wnd.m_nChecks) << "one checker message per tick";
    EXPECT_GE(static_cast<int>(ticks.size()) + 1, wnd.m_nChecks);
}

TEST(PreciseTimer, StartOnARunningTimerChangesNothingAndRefusedStartsStartNothing)
{
    CTickWindow wnd, other;
    CWnd uncreated;
    CPreciseTimer timer;
    wnd.m_start = Clock::now();
    const UINT nId = timer.Start(&wnd, 150);
    PumpFor(50);
    EXPECT_EQ(nId, timer.Start(&other, 10)) << "same identifier, no new interval or window";
    ASSERT_TRUE(PumpUntilTicks(wnd, 1));
    EXPECT_GE(wnd.m_Ticks[0].nAt, 140) << "the interval was not restarted nor shortened";

    const struct
    {
        const char* legend;
        CWnd* pWnd;
        int nMilliseconds;
    } rows[] = {{"interval 0", &other, 0},
                {"negative interval", &other, -100},
                {"no window", nullptr, 10},
                {"window never created", &uncreated, 10}};
    std::vector<CPreciseTimer> refused(std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i)
    {
        SCOPED_TRACE(rows[i].legend);
        EXPECT_EQ(0u, refused[i].Start(rows[i].pWnd, rows[i].nMilliseconds));
        EXPECT_FALSE(refused[i].IsRunning());
    }
    PumpFor(50);
    EXPECT_EQ(0, other.m_nChecks);
}

TEST(PreciseTimer, NoTickAfterStopEvenBetweenCheckerAndTick)
{
    CTickWindow wnd;
    CPreciseTimer timer;
    ASSERT_NE(0u, timer.Start(&wnd, 10));
    ASSERT_TRUE(PumpUntilTicks(wnd, 2));
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    const std::size_t nTicks = wnd.m_Ticks.size();
    PumpFor(60);
    EXPECT_EQ(nTicks, wnd.m_Ticks.size());

    CTickWindow stopping;
    stopping.m_onCheck = [&] { timer.Stop(); };
    ASSERT_NE(0u, timer.Start(&stopping, 10));
    ASSERT_TRUE(PumpUntil([&] { return stopping.m_nChecks > 0; }, 10000));
    PumpFor(60);
    EXPECT_EQ(1, stopping.m_nChecks);
    EXPECT_TRUE(stopping.m_Ticks.empty());
}

// Stopped and started again while its thread is busy delivering (so it never sees the halt):
// the ticks go to the new window only, none to the old one.
TEST(PreciseTimer, RestartedWhileDeliveringTicksOnlyTheNewTarget)
{
    for (const bool bInChecker : {false, true})
    {
        SCOPED_TRACE(bInChecker ? "restarted in the checker" : "restarted in the tick");
        CTickWindow first, second;
        CPreciseTimer timer;
        bool bRestarted = false;
        const auto restart = [&] {
            if (!bRestarted)
            {
                bRestarted = true;
                timer.Stop();
                EXPECT_NE(0u, timer.Start(&second, 10));
            }
        };
        (bInChecker ? first.m_onCheck : first.m_onTick) = restart;
        const UINT nId = timer.Start(&first, 10);
        ASSERT_TRUE(PumpUntilTicks(second, 3));
        PumpFor(30);
        EXPECT_EQ(bInChecker ? 0u : 1u, first.m_Ticks.size()) << "no tick of the first run after";
        EXPECT_EQ(1, first.m_nChecks);
        EXPECT_EQ(nId, second.m_Ticks[0].wParam);
    }
}

TEST(PreciseTimer, DestroyedTargetSilencesTicksButTheThreadServesTheNextStart)
{
    CPreciseTimer timer;
    {
        CTickWindow gone;
        ASSERT_NE(0u, timer.Start(&gone, 10));
        ASSERT_TRUE(PumpUntilTicks(gone, 1));
    }
    // Nothing is sent to a window that is gone, so this thread has nothing waiting for it.
    PumpFor(50);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(timer.IsRunning());

    timer.Stop();
    CTickWindow next;
    const UINT nId = timer.Start(&next, 10);
    ASSERT_TRUE(PumpUntilTicks(next, 1));
    EXPECT_EQ(nId, next.m_Ticks[0].wParam);
}

TEST(PreciseTimer, PauseHaltsTicksWhileStillRunning)
{
    CTickWindow wnd;
    CPreciseTimer timer;
    ASSERT_NE(0u, timer.Start(&wnd, 10));
    ASSERT_TRUE(PumpUntilTicks(wnd, 1));
    timer.Pause();
    EXPECT_TRUE(timer.IsRunning() && timer.IsPaused());
    PumpFor(20); // a tick already on its way may still land
    const std::size_t nTicks = wnd.m_Ticks.size();
    PumpFor(60);
    EXPECT_EQ(nTicks, wnd.m_Ticks.size());
    timer.Resume();
    EXPECT_FALSE(timer.IsPaused());
    EXPECT_TRUE(PumpUntilTicks(wnd, nTicks + 1));
}

TEST(PreciseTimer, SlowDeliveryShortensTheNextWait)
{
    // The checker takes 40 ms to be handled; the tick period still follows the 60 ms interval
    // instead of growing to 100 ms.
    CTickWindow wnd;
    wnd.m_onCheck = [] { std::this_thread::sleep_for(std::chrono::milliseconds(40)); };
    CPreciseTimer timer;
    ASSERT_NE(0u, timer.Start(&wnd, 60));
    ASSERT_TRUE(PumpUntilTicks(wnd, 4));
    timer.Stop();
    const long long nMeanPeriod = (wnd.m_Ticks[3].nAt - wnd.m_Ticks[0].nAt) / 3;
    EXPECT_GE(nMeanPeriod, 40);
    EXPECT_LT(nMeanPeriod, 90);
}

TEST(PreciseTimer, DestroyingATickingTimerEndsItsThreadQuietly)
{
    CTickWindow wnd;
    {
        CPreciseTimer timer;
        ASSERT_NE(0u, timer.Start(&wnd, 5));
        ASSERT_TRUE(PumpUntilTicks(wnd, 1));
    }
    const std::size_t nTicks = wnd.m_Ticks.size();
    PumpFor(50);
    EXPECT_EQ(nTicks, wnd.m_Ticks.size());

    // Destroyed right after the start signal: the thread must not read the timer afterwards.
    for (int i = 0; i < 50; ++i)
    {
        CPreciseTimer timer;
        timer.Start(&wnd, 1);
    }
    PumpFor(20);
}
