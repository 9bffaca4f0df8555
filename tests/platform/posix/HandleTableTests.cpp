// The handle table: a closed, made-up or invalid handle is refused, never followed, and closing an
// event fails the waits on it. (The system's own handles make no such promise.)
#include "platform/Framework.h"
#include "support/HandleGuard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace
{

} // namespace

TEST(Events, RefusedHandlesFailTheCall)
{
    HANDLE hClosed = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    ASSERT_TRUE(CloseHandle(hClosed));
    EXPECT_FALSE(CloseHandle(hClosed)) << "a second close";
    SHandleGuard good(CreateEventW(nullptr, TRUE, TRUE, nullptr));

    struct Row
    {
        const char* legend;
        HANDLE h;
    };
    const Row rows[] = {
        {"closed", hClosed},
        {"null", nullptr},
        {"invalid handle value", INVALID_HANDLE_VALUE},
        {"made up", reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x7777770))},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(row.h, 0));
        EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
        EXPECT_FALSE(SetEvent(row.h));
        EXPECT_FALSE(ResetEvent(row.h));
        // One bad handle spoils the whole list, even next to a signalled event.
        const HANDLE list[2] = {good.h, row.h};
        EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(2, list, FALSE, 0));
    }
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(0, nullptr, FALSE, 0));
    const HANDLE twice[2] = {good.h, good.h};
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(2, twice, TRUE, 0)) << "wait-all on duplicates";
}

TEST(Events, ClosingAnEventFailsTheWaitsOnIt)
{
    HANDLE h = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD dwResult = 0;
    std::thread waiter([&] { dwResult = WaitForSingleObject(h, INFINITE); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // a late waiter fails at once
    CloseHandle(h);
    waiter.join();
    EXPECT_EQ(WAIT_FAILED, dwResult);
}
