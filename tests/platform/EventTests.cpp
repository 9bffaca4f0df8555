// Events and waits: reset modes, reuse, wait-any/wait-all, time-outs and waking exactly the
// waiters already blocked (the handle table's refusals are in posix/HandleTableTests.cpp).
#include "platform/Framework.h"
#include "support/HandleGuard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Which of the events a zero wait finds set ('1'), taking the signal of an auto-reset one.
std::string Signalled(const std::vector<HANDLE>& events)
{
    std::string result;
    for (const HANDLE h : events)
        result += WaitForSingleObject(h, 0) == WAIT_OBJECT_0 ? '1' : '0';
    return result;
}

} // namespace

TEST(Events, ResetModesWaitAnyAndWaitAll)
{
    // Auto-reset set, auto-reset clear, manual-reset set, manual-reset clear; twice, the second
    // time after a set and a reset.
    std::vector<HANDLE> h;
    for (const BOOL bManual : {FALSE, TRUE})
    {
        h.push_back(CreateEventW(nullptr, bManual, TRUE, nullptr));
        h.push_back(CreateEventW(nullptr, bManual, FALSE, nullptr));
    }
    EXPECT_EQ("1010", Signalled(h));
    EXPECT_EQ("0010", Signalled(h)) << "the auto-reset one was taken";
    for (const HANDLE event : h)
        EXPECT_TRUE(SetEvent(event) && ResetEvent(event));
    EXPECT_EQ("0000", Signalled(h));
    EXPECT_TRUE(SetEvent(h[0]) && SetEvent(h[2]));
    EXPECT_EQ("1010", Signalled(h)) << "reused after the reset";
    EXPECT_EQ("0010", Signalled(h));

    // Of three auto-reset events: any takes the lowest set one only; all takes all or none.
    const struct
    {
        const char* signalled;
        BOOL bWaitAll;
        DWORD dwResult;
        const char* signalledAfter;
    } rows[] = {{"000", FALSE, WAIT_TIMEOUT, "000"},
                {"011", FALSE, WAIT_OBJECT_0 + 1, "001"},
                {"001", FALSE, WAIT_OBJECT_0 + 2, "000"},
                {"110", TRUE, WAIT_TIMEOUT, "110"},
                {"111", TRUE, WAIT_OBJECT_0, "000"}};
    h.resize(3);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.signalled);
        for (int i = 0; i < 3; ++i)
        {
            CloseHandle(h[i]);
            h[i] = CreateEventW(nullptr, FALSE, row.signalled[i] == '1', nullptr);
        }
        EXPECT_EQ(row.dwResult, WaitForMultipleObjects(3, h.data(), row.bWaitAll, 0));
        EXPECT_EQ(row.signalledAfter, Signalled(h));
    }

    // A blocked wait-all ends only when the last event is set, and a time-out waits its time.
    ResetEvent(h[0]);
    SHandleGuard manual(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE pair[2] = {h[0], manual.h};
    std::atomic<DWORD> dwResult{0};
    std::thread waiter([&] { dwResult = WaitForMultipleObjects(2, pair, TRUE, INFINITE); });
    SetEvent(h[0]);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(h[1], 30));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    EXPECT_EQ(0u, dwResult.load()) << "one of two events must not end a wait-all";
    SetEvent(manual.h);
    waiter.join();
    EXPECT_EQ(WAIT_OBJECT_0, dwResult.load());
    EXPECT_EQ("01", Signalled({h[0], manual.h})) << "the auto-reset one taken, the manual kept";
    for (const HANDLE event : h)
        CloseHandle(event);
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
        std::vector<std::jthread> waiters;
        for (int i = 0; i < 3; ++i)
        {
            waiters.emplace_back([&] {
                ++nStarted;
                nReleased += WaitForSingleObject(event.h, 250) == WAIT_OBJECT_0 ? 1 : 0;
            });
        }
        while (nStarted.load() < 3)
            std::this_thread::yield();
        // A waiter that is not blocked yet would only make the count too small.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        SetEvent(event.h);
        ResetEvent(event.h);
        waiters.clear();
        EXPECT_EQ(bManualReset ? 3 : 1, nReleased.load());
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(event.h, 0));
    }
}
