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

// Records the checker messages and ticks it receives, in order, with their arrival times.
class CTickWindow : public CWnd
{
public:
    struct SArrival
    {
        UINT nMessage;
        WPARAM wParam;
        long long nAt; // ms since m_start
    };

    CTickWindow() { Create(); }
    ~CTickWindow() override { DestroyWindow(); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_PRECISE_TIMER || message == WM_PRECISE_TIMER_CHECK)
        {
            m_Arrivals.push_back({message, wParam, MillisecondsSince(m_start)});
            if (message == WM_PRECISE_TIMER_CHECK && m_onCheck)
            {
                m_onCheck();
            }
            if (message == WM_PRECISE_TIMER && m_onTick)
            {
                m_onTick();
            }
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }

    std::vector<SArrival> Ticks() const { return Only(WM_PRECISE_TIMER); }
    std::vector<SArrival> Checks() const { return Only(WM_PRECISE_TIMER_CHECK); }

    Clock::time_point m_start = Clock::now();
    std::vector<SArrival> m_Arrivals;
    std::function<void()> m_onCheck;
    std::function<void()> m_onTick;

private:
    std::vector<SArrival> Only(UINT nMessage) const
    {
        std::vector<SArrival> result;
        for (const auto& arrival : m_Arrivals)
        {
            if (arrival.nMessage == nMessage)
            {
                result.push_back(arrival);
            }
        }
        return result;
    }
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

} // namespace

TEST(PreciseTimer, TicksEveryIntervalWithItsIdentifierAfterAChecker)
{
    EXPECT_EQ(RegisterWindowMessageW(L"VKR Precise Timer Queue Checker"), WM_PRECISE_TIMER_CHECK);
    EXPECT_GE(WM_PRECISE_TIMER_CHECK, 0xC000u);

    CTickWindow wnd;
    CPreciseTimer timer;
    wnd.m_start = Clock::now();
    const UINT nId = timer.Start(&wnd, 300);
    ASSERT_NE(0u, nId);
    EXPECT_EQ(timer.GetTimerID(), nId);
    EXPECT_TRUE(timer.IsRunning());

    ASSERT_TRUE(PumpUntil([&] { return wnd.Ticks().size() >= 3; }, 10000));
    timer.Stop();
    const auto ticks = wnd.Ticks();
    EXPECT_GE(ticks[0].nAt, 280) << "the first tick comes one interval after the start";
    EXPECT_LT(ticks[0].nAt, 2000);
    for (std::size_t i = 0; i < ticks.size(); ++i)
    {
        EXPECT_EQ(nId, ticks[i].wParam);
        if (i > 0)
        {
            EXPECT_GE(ticks[i].nAt - ticks[i - 1].nAt, 200) << "tick " << i;
        }
    }
    // Each tick is announced by a checker message just before it.
    for (std::size_t i = 0; i < wnd.m_Arrivals.size(); ++i)
    {
        if (wnd.m_Arrivals[i].nMessage == WM_PRECISE_TIMER)
        {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(WM_PRECISE_TIMER_CHECK, wnd.m_Arrivals[i - 1].nMessage);
            EXPECT_EQ(0u, wnd.m_Arrivals[i - 1].wParam);
        }
    }
}

TEST(PreciseTimer, StartOnARunningTimerChangesNothing)
{
    CTickWindow wnd;
    CTickWindow other;
    CPreciseTimer timer;
    wnd.m_start = Clock::now();
    const UINT nId = timer.Start(&wnd, 500);
    ASSERT_NE(0u, nId);
    PumpFor(200);
    EXPECT_EQ(nId, timer.Start(&other, 20)) << "same identifier, no new interval or window";

    ASSERT_TRUE(PumpUntil([&] { return !wnd.Ticks().empty(); }, 10000));
    EXPECT_GE(wnd.Ticks()[0].nAt, 450) << "the interval was not restarted nor shortened";
    EXPECT_TRUE(other.m_Arrivals.empty());
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
        EXPECT_TRUE(wnd.m_Arrivals.empty());
    }
}

TEST(PreciseTimer, NoTickAfterStop)
{
    CTickWindow wnd;
    CPreciseTimer timer;
    ASSERT_NE(0u, timer.Start(&wnd, 30));
    ASSERT_TRUE(PumpUntil([&] { return wnd.Ticks().size() >= 2; }, 10000));
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    const std::size_t nTicks = wnd.Ticks().size();
    PumpFor(300);
    EXPECT_EQ(nTicks, wnd.Ticks().size());
}

TEST(PreciseTimer, StopBetweenCheckerAndTickSuppressesTheTick)
{
    CTickWindow wnd;
    CPreciseTimer timer;
    wnd.m_onCheck = [&] { timer.Stop(); };
    ASSERT_NE(0u, timer.Start(&wnd, 30));
    ASSERT_TRUE(PumpUntil([&] { return !wnd.Checks().empty(); }, 10000));
    PumpFor(300);
    EXPECT_EQ(1u, wnd.Checks().size());
    EXPECT_TRUE(wnd.Ticks().empty());
}

TEST(PreciseTimer, ConsecutiveTimersHaveConsecutiveIdentifiers)
{
    CPreciseTimer first;
    CPreciseTimer second;
    EXPECT_EQ(first.GetTimerID() + 1, second.GetTimerID());
    EXPECT_EQ(second.GetTimerID(), CPreciseTimer::s_nTimerCount.load());

    CTickWindow wnd;
    EXPECT_EQ(first.GetTimerID(), first.Start(&wnd, 1000));
    EXPECT_EQ(second.GetTimerID(), second.Start(&wnd, 1000));
}

TEST(PreciseTimer, DestroyedTargetSilencesTicksButTheThreadServesTheNextStart)
{
    CPreciseTimer timer;
    {
        CTickWindow gone;
        ASSERT_NE(0u, timer.Start(&gone, 20));
        ASSERT_TRUE(PumpUntil([&] { return !gone.Ticks().empty(); }, 10000));
    }
    // Nothing is sent to a window that is gone, so this thread has nothing waiting for it.
    PumpFor(200);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(timer.IsRunning());

    timer.Stop();
    CTickWindow next;
    const UINT nId = timer.Start(&next, 20);
    ASSERT_TRUE(PumpUntil([&] { return !next.Ticks().empty(); }, 10000));
    EXPECT_EQ(nId, next.Ticks()[0].wParam);
}

TEST(PreciseTimer, PauseHaltsTicksWhileStillRunning)
{
    CTickWindow wnd;
    CPreciseTimer timer;
    ASSERT_NE(0u, timer.Start(&wnd, 20));
    ASSERT_TRUE(PumpUntil([&] { return !wnd.Ticks().empty(); }, 10000));
    timer.Pause();
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_TRUE(timer.IsPaused());
    PumpFor(50); // a tick already on its way may still land
    const std::size_t nTicks = wnd.Ticks().size();
    PumpFor(250);
    EXPECT_EQ(nTicks, wnd.Ticks().size());

    timer.Resume();
    EXPECT_FALSE(timer.IsPaused());
    EXPECT_TRUE(PumpUntil([&] { return wnd.Ticks().size() > nTicks; }, 10000));
}

TEST(PreciseTimer, SlowDeliveryShortensTheNextWait)
{
    // The checker takes 150 ms to be handled; the tick period still follows the 200 ms interval
    // instead of growing to 350 ms.
    CTickWindow wnd;
    wnd.m_onCheck = [] { std::this_thread::sleep_for(std::chrono::milliseconds(150)); };
    CPreciseTimer timer;
    ASSERT_NE(0u, timer.Start(&wnd, 200));
    ASSERT_TRUE(PumpUntil([&] { return wnd.Ticks().size() >= 5; }, 20000));
    timer.Stop();
    const auto ticks = wnd.Ticks();
    const long long nMeanPeriod = (ticks[4].nAt - ticks[0].nAt) / 4;
    EXPECT_GE(nMeanPeriod, 150);
    EXPECT_LT(nMeanPeriod, 300);
}

TEST(PreciseTimer, DestroyingATickingTimerEndsItsThreadQuietly)
{
    CTickWindow wnd;
    {
        CPreciseTimer timer;
        ASSERT_NE(0u, timer.Start(&wnd, 10));
        ASSERT_TRUE(PumpUntil([&] { return !wnd.Ticks().empty(); }, 10000));
    }
    const std::size_t nTicks = wnd.Ticks().size();
    PumpFor(200);
    EXPECT_EQ(nTicks, wnd.Ticks().size());

    // Destroyed right after the start signal: the thread must not read the timer afterwards.
    for (int i = 0; i < 50; ++i)
    {
        CPreciseTimer timer;
        timer.Start(&wnd, 1);
    }
    PumpFor(100);
}
