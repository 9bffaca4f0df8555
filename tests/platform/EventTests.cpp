// Events and waits: reset modes, reuse, wait-any/wait-all, time-outs and waking exactly the
// waiters already blocked (the handle table's refusals are in posix/HandleTableTests.cpp).
#include "platform/Framework.h"
#include "support/HandleGuard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace
{

bool IsSignalled(HANDLE h)
{
    return WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
}

} // namespace

TEST(Events, ResetModesInitialStateAndReuse)
{
    const struct
    {
        const char* legend;
        BOOL bManual, bInitial;
        DWORD dwFirstWait, dwSecondWait;
    } rows[] = {
        {"auto-reset, set: one wait takes it", FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},
        {"auto-reset, clear", FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {"manual-reset, set: stays set", TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},
        {"manual-reset, clear", TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        SHandleGuard event(CreateEventW(nullptr, row.bManual, row.bInitial, nullptr));
        ASSERT_NE(nullptr, event.h);
        for (int nRound = 0; nRound < 2; ++nRound) // the same event again after a reset
        {
            EXPECT_EQ(row.dwFirstWait, WaitForSingleObject(event.h, 0));
            EXPECT_EQ(row.dwSecondWait, WaitForSingleObject(event.h, 0));
            EXPECT_TRUE(SetEvent(event.h) && ResetEvent(event.h));
            EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(event.h, 0));
            if (row.bInitial)
            {
                EXPECT_TRUE(SetEvent(event.h));
            }
        }
    }
}

TEST(Events, WaitForMultipleAnyAndAll)
{
    const struct
    {
        const char* legend;
        const char* signalled; // of three auto-reset events, '1' for set
        BOOL bWaitAll;
        DWORD dwResult;
        const char* signalledAfter; // what the wait left behind
    } rows[] = {
        {"any, none set", "000", FALSE, WAIT_TIMEOUT, "000"},
        {"any, lowest set index wins and only it is taken", "011", FALSE, WAIT_OBJECT_0 + 1, "001"},
        {"any, the last one", "001", FALSE, WAIT_OBJECT_0 + 2, "000"},
        {"all, one missing: nothing is taken", "110", TRUE, WAIT_TIMEOUT, "110"},
        {"all, all set: all are taken", "111", TRUE, WAIT_OBJECT_0, "000"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        HANDLE h[3];
        for (int i = 0; i < 3; ++i)
        {
            h[i] = CreateEventW(nullptr, FALSE, row.signalled[i] == '1', nullptr);
        }
        EXPECT_EQ(row.dwResult, WaitForMultipleObjects(3, h, row.bWaitAll, 0));
        for (int i = 0; i < 3; ++i)
        {
            EXPECT_EQ(row.signalledAfter[i] == '1', IsSignalled(h[i])) << "event " << i;
            CloseHandle(h[i]);
        }
    }

    // A blocked wait-all ends only when the last event is set, and a time-out waits its time.
    HANDLE h[2] = {CreateEventW(nullptr, FALSE, FALSE, nullptr),
                   CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<DWORD> dwResult{0};
    std::thread waiter([&] { dwResult = WaitForMultipleObjects(2, h, TRUE, INFINITE); });
    SetEvent(h[0]);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(h[1], 30));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    EXPECT_EQ(0u, dwResult.load()) << "one of two events must not end a wait-all";
    SetEvent(h[1]);
    waiter.join();
    EXPECT_EQ(WAIT_OBJECT_0, dwResult.load());
    EXPECT_FALSE(IsSignalled(h[0])); // auto-reset: taken
    EXPECT_TRUE(IsSignalled(h[1]));  // manual-reset: stays
    CloseHandle(h[0]);
    CloseHandle(h[1]);
}

// A waiter that SetEvent released stays released although ResetEvent follows at once: the
// acquisition thread's stop request and the precise timer's restart rely on it.
TEST(Events, SetThenResetStillReleasesTheWaitersAlreadyBlocked)
{
    for (const BOOL bManualReset : {TRUE, FALSE})
    {
        SCOPED_TRACE(bManualReset ? "manual reset: every one" : "auto reset: exactly one");
        SHandleGuard event(CreateEventW(nullptr, bManualReset, FALSE, nullptr));
        std::atomic<int> nReleased{0}, nStarted{0};
        std::vector<std::thread> waiters;
        for (int i = 0; i < 3; ++i)
        {
            waiters.emplace_back([&] {
                ++nStarted;
                nReleased += WaitForSingleObject(event.h, 250) == WAIT_OBJECT_0 ? 1 : 0;
            });
        }
        while (nStarted.load() < 3)
        {
            std::this_thread::yield();
        }
        // A waiter that is not blocked yet would only make the count too small.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        SetEvent(event.h);
        ResetEvent(event.h);
        for (auto& t : waiters)
        {
            t.join();
        }
        EXPECT_EQ(bManualReset ? 3 : 1, nReleased.load());
        EXPECT_FALSE(IsSignalled(event.h));
    }
}
