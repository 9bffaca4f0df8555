// Events and waits: reset modes, waking exactly the right waiters, wait-any/wait-all and
// time-outs (the handle table's refusals are in posix/HandleTableTests.cpp).
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

TEST(Events, ResetModesAndInitialState)
{
    struct Row
    {
        const char* legend;
        BOOL bManual;
        BOOL bInitial;
        DWORD dwFirstWait;
        DWORD dwSecondWait;
    };
    const Row rows[] = {
        {"auto-reset, set: one wait takes the signal", FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},
        {"auto-reset, clear", FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {"manual-reset, set: stays set", TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},
        {"manual-reset, clear", TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        SHandleGuard event(CreateEventW(nullptr, row.bManual, row.bInitial, nullptr));
        ASSERT_NE(nullptr, event.h);
        EXPECT_EQ(row.dwFirstWait, WaitForSingleObject(event.h, 0));
        EXPECT_EQ(row.dwSecondWait, WaitForSingleObject(event.h, 0));
        EXPECT_TRUE(SetEvent(event.h));
        EXPECT_TRUE(ResetEvent(event.h));
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(event.h, 0));
    }
}

TEST(Events, WaitForMultipleAnyAndAll)
{
    struct Row
    {
        const char* legend;
        const char* signalled; // of three auto-reset events, '1' for set
        BOOL bWaitAll;
        DWORD dwResult;
        const char* signalledAfter; // what the wait left behind
    };
    const Row rows[] = {
        {"any, none set", "000", FALSE, WAIT_TIMEOUT, "000"},
        {"any, lowest set index wins and only it is taken", "011", FALSE, WAIT_OBJECT_0 + 1, "001"},
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
}

TEST(Events, WaitAllEndsWhenTheLastEventIsSet)
{
    HANDLE h[2] = {CreateEventW(nullptr, FALSE, FALSE, nullptr),
                   CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> bDone{false};
    DWORD dwResult = 0;
    std::thread waiter([&] {
        dwResult = WaitForMultipleObjects(2, h, TRUE, INFINITE);
        bDone = true;
    });
    SetEvent(h[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(bDone.load()) << "one of two events must not end a wait-all";
    SetEvent(h[1]);
    waiter.join();
    EXPECT_EQ(WAIT_OBJECT_0, dwResult);
    EXPECT_FALSE(IsSignalled(h[0])); // auto-reset: taken
    EXPECT_TRUE(IsSignalled(h[1]));  // manual-reset: stays
    CloseHandle(h[0]);
    CloseHandle(h[1]);
}

TEST(Events, TimeOutWaitsAtLeastTheGivenTime)
{
    SHandleGuard event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(event.h, 60));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(60));
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

// A waiter that SetEvent released stays released although ResetEvent follows at once: the
// acquisition thread's stop request and the precise timer's restart rely on it.
TEST(Events, SetThenResetStillReleasesTheWaitersAlreadyBlocked)
{
    struct Row
    {
        const char* legend;
        BOOL bManualReset;
        int nWaiters;
        int nExpectedReleased;
    };
    const Row rows[] = {
        {"manual reset releases every blocked waiter", TRUE, 3, 3},
        {"auto reset releases exactly one", FALSE, 3, 1},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        SHandleGuard event(CreateEventW(nullptr, row.bManualReset, FALSE, nullptr));
        std::atomic<int> nReleased{0};
        std::vector<std::thread> waiters;
        for (int i = 0; i < row.nWaiters; ++i)
        {
            waiters.emplace_back([&] {
                if (WaitForSingleObject(event.h, 1500) == WAIT_OBJECT_0)
                {
                    ++nReleased;
                }
            });
        }
        // Give the waiters time to block; a late one would only make the count too small.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        SetEvent(event.h);
        ResetEvent(event.h);
        for (auto& t : waiters)
        {
            t.join();
        }
        EXPECT_EQ(row.nExpectedReleased, nReleased.load());
        EXPECT_FALSE(IsSignalled(event.h));
    }
}
