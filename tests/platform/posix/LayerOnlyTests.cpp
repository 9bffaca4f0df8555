// What only this layer promises, where the system's own calls (and wine, where the Windows
// build's tests run) answer otherwise: the handle table refuses a closed, made-up or invalid handle
// with its error and never follows it; the thread queue holds a bounded number of posted messages
// and a wait without a wake mask ignores it; LoadStringW gives no pointer to the resource for a
// size of 0, writes the terminating zero even when nothing else fits or the id is unknown, and sets
// the error of each failure; a message box without a host handler goes to standard error and
// answers OK.
#include "platform/Framework.h"
#include "resources/ResourceIds.h"
#include "support/HandleGuard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
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

TEST(Messaging, FullQueueRefusesPostsAndKeepsWhatItHas)
{
    const DWORD dwSelf = GetCurrentThreadId();
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // makes this thread's queue
    WPARAM nPosted = 0;
    while (PostThreadMessageW(dwSelf, WM_USER, nPosted, 0) && nPosted < 20000)
        ++nPosted;
    EXPECT_EQ(10000u, nPosted);
    EXPECT_EQ(ERROR_NOT_ENOUGH_QUOTA, GetLastError());
    WPARAM nExpected = 0;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        ASSERT_EQ(nExpected++, msg.wParam);
    EXPECT_EQ(nPosted, nExpected);

    HANDLE hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    PostThreadMessageW(dwSelf, WM_USER, 0, 0);
    EXPECT_EQ(WAIT_TIMEOUT, MsgWaitForMultipleObjects(1, &hEvent, FALSE, 0, 0))
        << "no wake mask: messages do not count";
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    CloseHandle(hEvent);
}

TEST(StringTable, BufferLimits)
{
    const struct
    {
        UINT nId;
        int cchBufferMax;
        wchar_t expected; // the first character afterwards; '#' untouched
        DWORD dwError;
    } rows[] = {{IDS_ENGINE_NO_ERROR, 1, L'\0', ERROR_GEN_FAILURE},
                {IDS_ENGINE_NO_ERROR, 0, L'#', ERROR_INVALID_PARAMETER},
                {IDS_ENGINE_NO_ERROR, -5, L'#', ERROR_INVALID_PARAMETER},
                {9999, 4, L'\0', ERROR_RESOURCE_NAME_NOT_FOUND}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.cchBufferMax);
        wchar_t buffer[4] = {L'#', L'#', L'#', L'#'};
        SetLastError(ERROR_GEN_FAILURE);
        EXPECT_EQ(0, LoadStringW(nullptr, row.nId, buffer, row.cchBufferMax));
        EXPECT_EQ(row.expected, buffer[0]);
        EXPECT_EQ(row.dwError, GetLastError());
    }
}

TEST(App, MessageBoxWithoutHandlerWritesToStandardError)
{
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(IDOK, AfxMessageBox(L"Pause: turn the antenna \x00B0", MB_YESNO));
    EXPECT_EQ("Pause: turn the antenna \xC2\xB0\n", ::testing::internal::GetCapturedStderr());

    SetMessageBoxHandler([](const CString&, UINT) -> int { throw std::runtime_error("host bug"); });
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(IDOK, AfxMessageBox(L"still shown"));
    EXPECT_EQ("still shown\n", ::testing::internal::GetCapturedStderr());
    SetMessageBoxHandler(nullptr);
}
