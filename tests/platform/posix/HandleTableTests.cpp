// The handle table: a closed, made-up or invalid handle is refused with its error, never
// followed, and closing an event fails the waits on it. (The system's own handles make no such
// promise.)
#include "platform/Framework.h"
#include "support/HandleGuard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

TEST(Events, RefusedHandlesFailTheCallWithTheirError)
{
    HANDLE hClosed = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    ASSERT_TRUE(CloseHandle(hClosed));
    EXPECT_FALSE(CloseHandle(hClosed)) << "a second close";
    SHandleGuard good(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    for (const HANDLE h : {hClosed, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE,
                           reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x7777770))})
    {
        SCOPED_TRACE(h);
        const HANDLE list[2] = {good.h, h};
        const auto expectFailed = [](bool bFailed) {
            EXPECT_TRUE(bFailed);
            EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
            SetLastError(ERROR_SUCCESS);
        };
        SetLastError(ERROR_SUCCESS);
        expectFailed(WaitForSingleObject(h, 0) == WAIT_FAILED);
        expectFailed(!SetEvent(h));
        expectFailed(!ResetEvent(h));
        // One bad handle spoils the whole list, even next to a signalled event.
        expectFailed(WaitForMultipleObjects(2, list, FALSE, 0) == WAIT_FAILED);
    }
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(0, nullptr, FALSE, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    const HANDLE twice[2] = {good.h, good.h};
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(2, twice, TRUE, 0)) << "wait-all on duplicates";
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());

    HANDLE h = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD dwResult = 0;
    std::thread waiter([&] { dwResult = WaitForSingleObject(h, INFINITE); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // a late waiter fails at once
    CloseHandle(h);
    waiter.join();
    EXPECT_EQ(WAIT_FAILED, dwResult) << "closing an event fails the waits on it";
}
