// The serial-device calls on real pseudo-terminals: opening by COM name, exclusive use, the
// read time-out rules and the read that also ends on an event. (Exact bytes both ways, writes
// that fill the device's queue and a device that goes away are checked through CSerialPort in
// SerialPortTests.cpp and SerialPortReadTests.cpp.)
#include "support/PseudoTerminal.h"
#include "support/Waiting.h"
#include "platform/Framework.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{

HANDLE OpenCom(const wchar_t* pszName, DWORD dwFlags = 0, DWORD dwDisposition = OPEN_EXISTING)
{
    return CreateFileW(pszName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, dwDisposition, dwFlags,
                       nullptr);
}

// Sends bytes from another thread after a delay, while the test blocks in a call.
std::jthread SendLater(const CPtyPair& pty, std::string bytes, int nMilliseconds)
{
    return std::jthread([&pty, bytes = std::move(bytes), nMilliseconds] {
        std::this_thread::sleep_for(std::chrono::milliseconds(nMilliseconds));
        pty.Send(bytes);
    });
}

// One open COM port on a fresh pseudo-terminal.
class CommDeviceTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(INVALID_HANDLE_VALUE, m_hComm) << GetLastError(); }
    void TearDown() override { CloseHandle(m_hComm); }

    void SetTimeouts(DWORD dwInterval, DWORD dwMultiplier, DWORD dwConstant)
    {
        COMMTIMEOUTS timeouts{dwInterval, dwMultiplier, dwConstant, 0, 0};
        ASSERT_TRUE(SetCommTimeouts(m_hComm, &timeouts));
    }
    CPseudoTerminal m_pty{7};
    HANDLE m_hComm = OpenCom(L"COM7:");
    BOOL m_bOk = FALSE;
    long long m_nElapsed = 0;
};

} // namespace

TEST(CommDeviceNames, ComNamesOpenTheMappedDeviceAndRefusalsLeaveNothingOpen)
{
    EXPECT_EQ(CString(L"/dev/ttyS9"), GetComPortDevice(10)) << "the default";
    EXPECT_FALSE(SetComPortDevice(0, "/dev/ttyUSB0"));
    CPseudoTerminal pty3(3), pty12(12), pty5(5);
    char tempName[] = "/tmp/fixora-not-a-tty-XXXXXX";
    const int tempFd = ::mkstemp(tempName);
    CComPortMapping regular(6, tempName), missing(8, "/nonexistent-folder/ttyUSB0");
    struct Row
    {
        const wchar_t* pszName;
        const CPtyPair* pDevice; // nullptr: refused with dwError
        DWORD dwError = 0, dwFlags = 0, dwDisposition = OPEN_EXISTING;
    };
    const Row rows[] = {
        {L"com3:", &pty3},
        {L"\\\\.\\COM12", &pty12},
        {L"COM12:", nullptr, ERROR_INVALID_NAME}, // two digits need the long form
        {L"COM0:", nullptr, ERROR_FILE_NOT_FOUND},
        {L"COM3:x", nullptr, ERROR_INVALID_NAME},
        {L"\\\\.\\COM99999999999", nullptr, ERROR_FILE_NOT_FOUND},
        {L"COM8:", nullptr, ERROR_FILE_NOT_FOUND}, // a folder that does not exist
        {L"COM6:", nullptr, ERROR_NOT_SUPPORTED},  // a regular file
        {L"COM5:", nullptr, ERROR_NOT_SUPPORTED, FILE_FLAG_OVERLAPPED},
        {L"COM5:", nullptr, ERROR_INVALID_PARAMETER, 0, CREATE_ALWAYS},
        {L"COM5:", &pty5}, // none of the refusals kept it
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(CString(row.pszName).ToNarrow());
        SetLastError(ERROR_SUCCESS);
        HANDLE h = OpenCom(row.pszName, row.dwFlags, row.dwDisposition);
        EXPECT_EQ(row.dwError, row.pDevice == nullptr ? GetLastError() : ERROR_SUCCESS);
        DWORD nWritten = 0;
        EXPECT_EQ(row.pDevice != nullptr, WriteFile(h, "n", 1, &nWritten, nullptr) != FALSE);
        EXPECT_EQ(row.pDevice != nullptr, CloseHandle(h) != FALSE);
        EXPECT_TRUE(row.pDevice == nullptr || row.pDevice->Receive(1, {}) == "n") << "its device";
    }
    ::close(tempFd);
    std::remove(tempName);
}

TEST_F(CommDeviceTest, OnlyOneUserAtATimeAClosedHandleIsDeadAndRefusalsTellWhy)
{
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenCom(L"COM7:"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    ASSERT_TRUE(CloseHandle(m_hComm));
    const HANDLE hClosed = m_hComm, hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_hComm = OpenCom(L"COM7:");
    ASSERT_NE(INVALID_HANDLE_VALUE, m_hComm) << "closing released the device";
    ASSERT_TRUE(CloseHandle(hEvent));
    char byte = 0;
    DWORD n = 0;
    DCB dcb{};
    COMSTAT stat{};
    EXPECT_TRUE(ClearCommError(m_hComm, &n, &stat) && n == 0);
    EXPECT_TRUE(EscapeCommFunction(m_hComm, SETBREAK) && EscapeCommFunction(m_hComm, CLRBREAK));
    EXPECT_TRUE(SetCommMask(m_hComm, EV_RXCHAR | EV_TXEMPTY) && SetupComm(m_hComm, 4096, 4096));
    const std::pair<std::function<bool()>, DWORD> refusals[] = {
        {[&] { return ReadFile(hClosed, &byte, 1, &n, nullptr); }, ERROR_INVALID_HANDLE},
        {[&] { return WriteFile(hClosed, "x", 1, &n, nullptr) || GetCommState(hClosed, &dcb); },
         ERROR_INVALID_HANDLE},
        {[&] { return CloseHandle(hClosed) || ReadFile(INVALID_HANDLE_VALUE, &byte, 1, &n, 0); },
         ERROR_INVALID_HANDLE},
        {[&] { return ReadCommOrWait(hClosed, &byte, 1, n, nullptr, 0) != WAIT_FAILED; },
         ERROR_INVALID_HANDLE},
        {[&] { return ReadCommOrWait(m_hComm, nullptr, 1, n, nullptr, 0) != WAIT_FAILED; },
         ERROR_INVALID_PARAMETER},
        {[&] { return ReadCommOrWait(m_hComm, &byte, 1, n, hEvent, 0) != WAIT_FAILED; },
         ERROR_INVALID_HANDLE}, // a closed event
        {[&] { return PurgeComm(m_hComm, 0x100) || EscapeCommFunction(m_hComm, 77); },
         ERROR_INVALID_PARAMETER},
        // A pseudo-terminal has no modem-control lines: asking for one is refused, not ignored.
        {[&] { return EscapeCommFunction(m_hComm, SETDTR); }, ERROR_NOT_SUPPORTED},
    };
    for (const auto& refusal : refusals)
    {
        SCOPED_TRACE(&refusal - refusals);
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(refusal.first());
        EXPECT_EQ(refusal.second, GetLastError());
    }
}

TEST_F(CommDeviceTest, ReadTimeoutRules)
{
    constexpr DWORD M = MAXDWORD;
    struct Row
    {
        const char* legend;
        DWORD dwInterval, dwMultiplier, dwConstant, nCount; // the read time-outs and its count
        std::string strWaiting, strLater, strExpected;      // in the queue, sent 60 ms in, read
        long long nMinMs, nMaxMs; // generous bounds on how long the read took
    };
    const Row rows[] = {
        {"at once, nothing waiting", M, 0, 0, 8, "", "", "", 0, 50},
        {"at once, takes what waits", M, 0, 0, 8, "abc", "", "abc", 0, 50},
        {"first byte, one there already", M, M, 1000, 8, "ab", "", "ab", 0, 500},
        {"first byte arrives later", M, M, 1000, 8, "", "z", "z", 50, 900},
        {"first byte never comes", M, M, 100, 8, "", "", "", 95, 1000},
        {"constant 1 ms takes what waits", M, M, 1, 8, "xy", "", "xy", 0, 500},
        {"no time-outs wait for the count", 0, 0, 0, 3, "a", "bc", "abc", 50, 3000},
        {"total time-out ends a short read", 0, 0, 100, 8, "abc", "", "abc", 95, 3000},
        {"total counts the multiplier", 0, 25, 0, 4, "ab", "", "ab", 95, 3000},
        {"interval ends a read after a gap", 50, 0, 0, 8, "", "pq", "pq", 100, 1500},
        {"interval waits for the first byte", 50, 0, 1000, 8, "", "pq", "pq", 100, 900},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ASSERT_TRUE(PurgeComm(m_hComm, PURGE_RXCLEAR));
        SetTimeouts(row.dwInterval, row.dwMultiplier, row.dwConstant);
        ASSERT_TRUE(m_pty.Send(row.strWaiting));
        ASSERT_TRUE(WaitUntil([&] {
            COMSTAT stat{};
            return ClearCommError(m_hComm, nullptr, &stat) && stat.cbInQue >= row.strWaiting.size();
        }));
        const std::jthread later = SendLater(m_pty, row.strLater, 60);
        std::string buffer(row.nCount, '\0');
        DWORD nRead = 0;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(ReadFile(m_hComm, buffer.data(), row.nCount, &nRead, nullptr))
            << "a time-out is not a failure";
        m_nElapsed = MillisecondsSince(start);
        EXPECT_EQ(row.strExpected, buffer.substr(0, nRead));
        EXPECT_TRUE(m_nElapsed >= row.nMinMs && m_nElapsed < row.nMaxMs) << m_nElapsed;
    }
}

TEST_F(CommDeviceTest, ReadCommOrWaitEndsOnBytesOnTheEventOnTimeOrAtOnceOnAHungUpLine)
{
    const HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    char buffer[64];
    DWORD nRead = 0;
    const auto timedRead = [&](DWORD dwMilliseconds) {
        const auto start = std::chrono::steady_clock::now();
        const DWORD dwResult =
            ReadCommOrWait(m_hComm, buffer, sizeof buffer, nRead, hEvent, dwMilliseconds);
        m_nElapsed = MillisecondsSince(start);
        return dwResult;
    };
    ASSERT_TRUE(m_pty.Send("abc"));
    ASSERT_EQ(WAIT_OBJECT_0, timedRead(1000));
    EXPECT_EQ("abc", std::string(buffer, nRead)) << "every waiting byte in one read";
    EXPECT_EQ(WAIT_TIMEOUT, timedRead(20));
    EXPECT_EQ(0U, nRead);
    // A byte or the event that comes during a long wait ends it at once:
    // engine/posix/LiveAcquisitionTests.cpp. A set event is seen while it stays set.
    SetEvent(hEvent);
    EXPECT_EQ(WAIT_OBJECT_0 + 1, timedRead(5000));
    EXPECT_EQ(WAIT_OBJECT_0 + 1, timedRead(5000));
    ResetEvent(hEvent);
    EXPECT_EQ(WAIT_TIMEOUT, timedRead(20)) << "reset, it no longer ends a wait";
    m_pty.CloseMaster();
    EXPECT_EQ(WAIT_FAILED, timedRead(5000));
    EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());
    EXPECT_LT(m_nElapsed, 2000) << "a hung-up line answers at once; its caller rests";
    CloseHandle(hEvent);
}

TEST_F(CommDeviceTest, ClosingTheHandleEndsABlockedRead)
{
    SetTimeouts(0, 0, 0); // wait for the count, without limit
    DWORD dwError = 0;
    std::thread reader([&] {
        char buffer[4];
        DWORD n = 0;
        m_bOk = ReadFile(m_hComm, buffer, sizeof(buffer), &n, nullptr);
        dwError = GetLastError();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(CloseHandle(m_hComm));
    reader.join();
    EXPECT_FALSE(m_bOk);
    EXPECT_EQ(ERROR_OPERATION_ABORTED, dwError);
}
