// CPreciseTimer against a window of the test thread: when ticks come and what they carry,
// starts that are refused or ignored, restarts, and silence after a stop, a pause, a destroyed
// window or the timer's own destruction.
#include "port/PreciseTimer.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace
{

// Records when each tick came (ms since m_start) and what it carried, and counts the checker
// messages that announce them; m_onCheck and m_onTick run inside the handlers.
class CTickWindow : public CWnd
{
public:
    CTickWindow() { Create(); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_PRECISE_TIMER_CHECK && message != WM_PRECISE_TIMER)
            return CWnd::WindowProc(message, wParam, lParam);
        const bool bCheck = message == WM_PRECISE_TIMER_CHECK;
        EXPECT_TRUE(bCheck ? wParam == 0 : m_nExpectedId == 0 || wParam == m_nExpectedId);
        EXPECT_TRUE(bCheck || m_nChecks > static_cast<int>(m_ticks.size())) << "a checker first";
        if (bCheck)
            ++m_nChecks;
        else
            m_ticks.push_back(MillisecondsSince(m_start));
        const auto& onEvent = bCheck ? m_onCheck : m_onTick;
        if (onEvent)
            onEvent();
        return 0;
    }

    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    UINT m_nExpectedId = 0;
    std::vector<long long> m_ticks;
    int m_nChecks = 0;
    std::function<void()> m_onCheck, m_onTick;
};

// Handles this thread's messages (the timer's are sent, so looking at the queue delivers them)
// until done() holds or the time is up; true when done() held.
bool PumpUntil(const std::function<bool()>& done, long long nMilliseconds = 10000)
{
    const auto start = std::chrono::steady_clock::now();
    MSG msg;
    while (!done() && MillisecondsSince(start) < nMilliseconds)
    {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    return done();
}

void PumpFor(long long nMilliseconds)
{
    PumpUntil([] { return false; }, nMilliseconds);
}

bool PumpUntilTicks(const CTickWindow& wnd, std::size_t nTicks)
{
    return PumpUntil([&] { return wnd.m_ticks.size() >= nTicks; });
}

} // namespace

TEST(PreciseTimer, TicksEveryIntervalWithItsIdentifierAndIgnoresOtherStarts)
{
    EXPECT_EQ(RegisterWindowMessageW(L"VKR Precise Timer Queue Checker"), WM_PRECISE_TIMER_CHECK);
    CTickWindow wnd, other;
    CWnd uncreated;
    CPreciseTimer previous, timer, refused[4];
    EXPECT_EQ(previous.GetTimerID() + 1, timer.GetTimerID()) << "identifiers count up";
    wnd.m_nExpectedId = timer.GetTimerID();
    wnd.m_start = std::chrono::steady_clock::now();
    ASSERT_EQ(timer.GetTimerID(), timer.Start(&wnd, 60));
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_EQ(timer.GetTimerID(), timer.Start(&other, 5)) << "running: no new interval or window";
    EXPECT_EQ(0u, refused[0].Start(&other, 0) + refused[1].Start(&other, -100) +
                      refused[2].Start(nullptr, 5) + refused[3].Start(&uncreated, 5));
    EXPECT_FALSE(refused[0].IsRunning() || refused[1].IsRunning() || refused[2].IsRunning() ||
                 refused[3].IsRunning());
    ASSERT_TRUE(PumpUntilTicks(wnd, 3));
    timer.Stop();
    EXPECT_GE(wnd.m_ticks[0], 55) << "the first tick comes one interval after the start";
    EXPECT_GE(wnd.m_ticks[2] - wnd.m_ticks[0], 80);
    EXPECT_EQ(0, other.m_nChecks);
}

TEST(PreciseTimer, NoTickAfterStopOrPauseAndTheThreadServesTheNextStart)
{
    CPreciseTimer timer;
    CTickWindow wnd;
    wnd.m_nExpectedId = timer.GetTimerID();
    wnd.m_onCheck = [&] {
        if (wnd.m_nChecks == 3)
        {
            timer.Stop(); // between the checker and its tick
        }
    };
    ASSERT_NE(0u, timer.Start(&wnd, 5));
    ASSERT_TRUE(PumpUntil([&] { return wnd.m_nChecks == 3; }));
    PumpFor(40);
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_EQ(2u, wnd.m_ticks.size());
    EXPECT_EQ(3, wnd.m_nChecks);

    ASSERT_NE(0u, timer.Start(&wnd, 5));
    ASSERT_TRUE(PumpUntilTicks(wnd, 3));
    timer.Pause();
    EXPECT_TRUE(timer.IsRunning() && timer.IsPaused());
    PumpFor(15); // a tick already on its way may still land
    const std::size_t nTicks = wnd.m_ticks.size();
    PumpFor(40);
    EXPECT_EQ(nTicks, wnd.m_ticks.size());
    timer.Resume();
    EXPECT_FALSE(timer.IsPaused());
    EXPECT_TRUE(PumpUntilTicks(wnd, nTicks + 1));

    {
        CTickWindow gone;
        timer.Stop();
        gone.m_nExpectedId = timer.GetTimerID();
        ASSERT_NE(0u, timer.Start(&gone, 5));
        ASSERT_TRUE(PumpUntilTicks(gone, 1));
    }
    // Nothing is sent to a window that is gone, so this thread has nothing waiting for it.
    PumpFor(30);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(timer.IsRunning());
    timer.Stop();
    const std::size_t nBefore = wnd.m_ticks.size();
    ASSERT_NE(0u, timer.Start(&wnd, 5));
    EXPECT_TRUE(PumpUntilTicks(wnd, nBefore + 1));
}

TEST(PreciseTimer, DestroyingATickingTimerEndsItsThreadQuietly)
{
    CTickWindow wnd;
    {
        CPreciseTimer timer;
        wnd.m_nExpectedId = timer.Start(&wnd, 5);
        ASSERT_TRUE(PumpUntilTicks(wnd, 1));
    }
    const std::size_t nTicks = wnd.m_ticks.size();
    PumpFor(30);
    EXPECT_EQ(nTicks, wnd.m_ticks.size());
    // Destroyed right after the start signal: the thread must not read the timer afterwards.
    CTickWindow quiet;
    for (int i = 0; i < 50; ++i)
    {
        CPreciseTimer timer;
        timer.Start(&quiet, 1);
    }
    PumpFor(20);
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
        first.m_nExpectedId = second.m_nExpectedId = timer.GetTimerID();
        (bInChecker ? first.m_onCheck : first.m_onTick) = [&] {
            if (first.m_nChecks == 1)
            {
                timer.Stop();
                EXPECT_NE(0u, timer.Start(&second, 5));
            }
        };
        ASSERT_NE(0u, timer.Start(&first, 5));
        ASSERT_TRUE(PumpUntilTicks(second, 3));
        PumpFor(20);
        EXPECT_EQ(bInChecker ? 0u : 1u, first.m_ticks.size()) << "no tick of the first run after";
        EXPECT_EQ(1, first.m_nChecks);
    }
}

TEST(PreciseTimer, SlowDeliveryShortensTheNextWait)
{
    // The checker takes 40 ms to be handled; the tick period still follows the 60 ms interval
    // instead of growing to 100 ms.
    CTickWindow wnd;
    wnd.m_onCheck = [] { std::this_thread::sleep_for(std::chrono::milliseconds(40)); };
    CPreciseTimer timer;
    wnd.m_nExpectedId = timer.Start(&wnd, 60);
    ASSERT_TRUE(PumpUntilTicks(wnd, 4));
    timer.Stop();
    const long long nMeanPeriod = (wnd.m_ticks[3] - wnd.m_ticks[0]) / 3;
    EXPECT_GE(nMeanPeriod, 40);
    EXPECT_LT(nMeanPeriod, 90);
}
