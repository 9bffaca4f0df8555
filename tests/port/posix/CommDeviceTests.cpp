// The serial-device calls on real pseudo-terminals: opening by COM name, exclusive use, the
// read time-out rules, the read that also ends on an event, exact bytes both ways, and a device
// that goes away.
#include "support/PseudoTerminal.h"
#include "support/Waiting.h"
#include "platform/Framework.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

HANDLE OpenCom(const wchar_t* pszName, DWORD dwFlags = FILE_ATTRIBUTE_NORMAL,
               DWORD dwDisposition = OPEN_EXISTING)
{
    return CreateFileW(pszName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, dwDisposition, dwFlags,
                       nullptr);
}

bool SetTimeouts(HANDLE h, DWORD dwInterval, DWORD dwMultiplier, DWORD dwConstant,
                 DWORD dwWriteConstant = 0)
{
    COMMTIMEOUTS timeouts{dwInterval, dwMultiplier, dwConstant, 0, dwWriteConstant};
    return SetCommTimeouts(h, &timeouts) != FALSE;
}

// Sends bytes from another thread after a delay, while the test blocks in a call.
std::jthread SendLater(const CPtyPair& pty, std::string bytes, int nMilliseconds)
{
    return std::jthread([&pty, bytes = std::move(bytes), nMilliseconds] {
        std::this_thread::sleep_for(milliseconds(nMilliseconds));
        pty.Send(bytes);
    });
}

// One open COM port on a fresh pseudo-terminal.
class CommDeviceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_pty.IsValid());
        m_hComm = OpenCom(L"COM7:");
        ASSERT_NE(INVALID_HANDLE_VALUE, m_hComm) << "error " << GetLastError();
    }
    void TearDown() override { CloseHandle(m_hComm); }

    // Reads with the current time-outs; the bytes, and how long the call took.
    std::string TimedRead(DWORD nCount, long long& nElapsed, BOOL* pResult = nullptr)
    {
        std::string buffer(nCount, '\0');
        DWORD nRead = 0;
        const auto start = Clock::now();
        const BOOL bOk = ReadFile(m_hComm, buffer.data(), nCount, &nRead, nullptr);
        nElapsed = MillisecondsSince(start);
        if (pResult != nullptr)
        {
            *pResult = bOk;
        }
        return buffer.substr(0, nRead);
    }

    CPseudoTerminal m_pty{7};
    HANDLE m_hComm = INVALID_HANDLE_VALUE;
};

} // namespace

TEST(CommDeviceNames, ComNamesOpenTheMappedDeviceAndRefusalsLeaveNothingOpen)
{
    EXPECT_EQ(CString(L"/dev/ttyS9"), GetComPortDevice(10)) << "the default";
    EXPECT_FALSE(SetComPortDevice(0, "/dev/ttyUSB0"));
    for (const char* pszReset : {"", static_cast<const char*>(nullptr)})
    {
        EXPECT_TRUE(SetComPortDevice(4, "/dev/ttyACM0"));
        EXPECT_EQ(CString(L"/dev/ttyACM0"), GetComPortDevice(4));
        EXPECT_EQ(CString(L"/dev/ttyS4"), GetComPortDevice(5)) << "other ports keep theirs";
        EXPECT_TRUE(SetComPortDevice(4, pszReset));
        EXPECT_EQ(CString(L"/dev/ttyS3"), GetComPortDevice(4));
    }
    CPseudoTerminal pty3(3), pty12(12), pty5(5);
    char tempName[] = "/tmp/fixora-not-a-tty-XXXXXX";
    const int tempFd = ::mkstemp(tempName);
    ASSERT_GE(tempFd, 0);
    CComPortMapping regular(6, tempName), missing(8, "/nonexistent-folder/ttyUSB0");
    struct Row
    {
        const char* legend;
        const wchar_t* pszName;
        const CPtyPair* pDevice; // nullptr: refused with dwError
        DWORD dwError;
        DWORD dwFlags = FILE_ATTRIBUTE_NORMAL, dwDisposition = OPEN_EXISTING;
    };
    const Row rows[] = {
        {"short form", L"COM3:", &pty3, 0},
        {"lower case", L"com3:", &pty3, 0},
        {"long form, one digit", L"\\\\.\\COM3", &pty3, 0},
        {"long form, two digits", L"\\\\.\\COM12", &pty12, 0},
        {"two digits need the long form", L"COM12:", nullptr, ERROR_INVALID_NAME},
        {"port 0", L"COM0:", nullptr, ERROR_FILE_NOT_FOUND},
        {"negative port", L"COM-1:", nullptr, ERROR_INVALID_NAME},
        {"no number", L"\\\\.\\COM", nullptr, ERROR_INVALID_NAME},
        {"trailing text", L"COM3:x", nullptr, ERROR_INVALID_NAME},
        {"a path", L"/dev/ttyS0", nullptr, ERROR_INVALID_NAME},
        {"empty", L"", nullptr, ERROR_INVALID_NAME},
        {"number beyond any port", L"\\\\.\\COM99999999999", nullptr, ERROR_FILE_NOT_FOUND},
        {"folder that does not exist", L"COM8:", nullptr, ERROR_FILE_NOT_FOUND},
        {"regular file", L"COM6:", nullptr, ERROR_NOT_SUPPORTED},
        {"overlapped use", L"COM5:", nullptr, ERROR_NOT_SUPPORTED, FILE_FLAG_OVERLAPPED},
        {"creating", L"COM5:", nullptr, ERROR_INVALID_PARAMETER, FILE_ATTRIBUTE_NORMAL,
         CREATE_ALWAYS},
        {"none of the refusals kept it", L"COM5:", &pty5, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        SetLastError(ERROR_SUCCESS);
        HANDLE h = OpenCom(row.pszName, row.dwFlags, row.dwDisposition);
        if (row.pDevice == nullptr)
        {
            EXPECT_EQ(INVALID_HANDLE_VALUE, h);
            EXPECT_EQ(row.dwError, GetLastError());
            continue;
        }
        ASSERT_NE(INVALID_HANDLE_VALUE, h) << "error " << GetLastError();
        DWORD nWritten = 0;
        EXPECT_TRUE(WriteFile(h, "n", 1, &nWritten, nullptr));
        EXPECT_EQ("n", row.pDevice->Receive(1, milliseconds(20))) << "it reached its device";
        EXPECT_TRUE(CloseHandle(h));
    }
    ::close(tempFd);
    std::remove(tempName);
}

TEST_F(CommDeviceTest, OnlyOneUserAtATimeAndAClosedHandleIsDead)
{
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenCom(L"COM7:"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    ASSERT_TRUE(CloseHandle(m_hComm));
    const HANDLE hClosed = m_hComm;
    m_hComm = OpenCom(L"COM7:");
    EXPECT_NE(INVALID_HANDLE_VALUE, m_hComm) << "error " << GetLastError();

    char byte = 0;
    DWORD n = 0;
    DCB dcb{};
    for (const HANDLE h : {hClosed, INVALID_HANDLE_VALUE})
    {
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(ReadFile(h, &byte, 1, &n, nullptr));
        EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
        EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr) || GetCommState(h, &dcb) || CloseHandle(h));
        EXPECT_EQ(WAIT_FAILED, ReadCommOrWait(h, &byte, 1, n, nullptr, 0));
        EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    }
}

TEST_F(CommDeviceTest, EveryByteValuePassesUnchangedBothWays)
{
    std::string all(256, '\0');
    std::iota(all.begin(), all.end(), '\0');
    DWORD nWritten = 0;
    ASSERT_TRUE(WriteFile(m_hComm, all.data(), 256, &nWritten, nullptr));
    EXPECT_EQ(256u, nWritten);
    EXPECT_EQ(all, m_pty.Receive(256, milliseconds(20))) << "no output translation, no echo";

    ASSERT_TRUE(SetTimeouts(m_hComm, 0, 0, 2000));
    ASSERT_TRUE(m_pty.Send(all));
    long long nElapsed = 0;
    EXPECT_EQ(all, TimedRead(256, nElapsed)) << "no input translation (CR, breaks, XON/XOFF)";
    EXPECT_TRUE(m_pty.Receive(0, milliseconds(20)).empty()) << "nothing echoed back";
}

TEST_F(CommDeviceTest, WritesWaitForRoomAndHonourTheirTimeout)
{
    const std::string big(1 << 20, 'w');
    // Nobody reads the device side: its queue fills and the write ends on its time-out.
    ASSERT_TRUE(SetTimeouts(m_hComm, 0, 0, 0, 50));
    DWORD nWritten = 0;
    EXPECT_TRUE(WriteFile(m_hComm, big.data(), static_cast<DWORD>(big.size()), &nWritten, nullptr))
        << "a write time-out is not a failure";
    EXPECT_GT(nWritten, 0u);
    EXPECT_LT(nWritten, big.size());
    EXPECT_EQ(nWritten, m_pty.Receive(nWritten, milliseconds(20)).size());

    // Without a time-out the write waits until the device has taken every byte.
    ASSERT_TRUE(SetTimeouts(m_hComm, 0, 0, 0));
    std::string received;
    std::thread device([&] { received = m_pty.Receive(big.size(), milliseconds(500)); });
    EXPECT_TRUE(WriteFile(m_hComm, big.data(), static_cast<DWORD>(big.size()), &nWritten, nullptr));
    device.join();
    EXPECT_EQ(big.size(), nWritten);
    EXPECT_EQ(big, received);
}

TEST_F(CommDeviceTest, ReadTimeoutRules)
{
    constexpr DWORD M = MAXDWORD;
    struct Row
    {
        const char* legend;
        DWORD dwInterval, dwMultiplier, dwConstant; // the read time-outs
        DWORD nCount;
        std::string strWaiting; // in the queue before the read
        std::string strLater;   // sent 60 ms into the read
        std::string strExpected;
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
        ASSERT_TRUE(SetTimeouts(m_hComm, row.dwInterval, row.dwMultiplier, row.dwConstant));
        ASSERT_TRUE(m_pty.Send(row.strWaiting));
        ASSERT_TRUE(WaitUntil([&] {
            COMSTAT stat{};
            return ClearCommError(m_hComm, nullptr, &stat) && stat.cbInQue >= row.strWaiting.size();
        }));
        long long nElapsed = 0;
        BOOL bOk = FALSE;
        std::string got;
        {
            const std::jthread later = SendLater(m_pty, row.strLater, 60);
            got = TimedRead(row.nCount, nElapsed, &bOk);
        }
        EXPECT_TRUE(bOk) << "a time-out is not a failure";
        EXPECT_EQ(row.strExpected, got);
        EXPECT_GE(nElapsed, row.nMinMs);
        EXPECT_LT(nElapsed, row.nMaxMs);
    }
}

TEST_F(CommDeviceTest, RefusedFunctionsAndFlags)
{
    DWORD dwErrors = MAXDWORD;
    COMSTAT stat{};
    ASSERT_TRUE(ClearCommError(m_hComm, &dwErrors, &stat));
    EXPECT_EQ(0u, dwErrors);
    EXPECT_TRUE(EscapeCommFunction(m_hComm, SETBREAK) && EscapeCommFunction(m_hComm, CLRBREAK));
    EXPECT_TRUE(SetCommMask(m_hComm, EV_RXCHAR | EV_TXEMPTY) && SetupComm(m_hComm, 4096, 4096));
    char byte = 0;
    DWORD n = 0;
    const HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(CloseHandle(hEvent));
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(PurgeComm(m_hComm, 0x100));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_FALSE(EscapeCommFunction(m_hComm, 77));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    // A pseudo-terminal has no modem-control lines: asking for one is refused, not ignored.
    EXPECT_FALSE(EscapeCommFunction(m_hComm, SETDTR));
    EXPECT_EQ(ERROR_NOT_SUPPORTED, GetLastError());
    EXPECT_EQ(WAIT_FAILED, ReadCommOrWait(m_hComm, nullptr, 1, n, nullptr, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(WAIT_FAILED, ReadCommOrWait(m_hComm, &byte, 1, n, hEvent, 0));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST_F(CommDeviceTest, ReadCommOrWaitEndsOnBytesOnTheEventOnTimeOrAtOnceOnAHungUpLine)
{
    const HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, hEvent);
    char buffer[64];
    DWORD nRead = 0;
    long long nElapsed = 0;
    const auto timedRead = [&](DWORD dwMilliseconds) {
        const auto start = Clock::now();
        const DWORD dwResult =
            ReadCommOrWait(m_hComm, buffer, sizeof buffer, nRead, hEvent, dwMilliseconds);
        nElapsed = MillisecondsSince(start);
        return dwResult;
    };
    ASSERT_TRUE(m_pty.Send("abc"));
    ASSERT_EQ(WAIT_OBJECT_0, timedRead(1000));
    EXPECT_EQ("abc", std::string(buffer, nRead)) << "every waiting byte in one read";
    EXPECT_EQ(WAIT_TIMEOUT, timedRead(20));
    EXPECT_EQ(0U, nRead);
    {
        const std::jthread writer = SendLater(m_pty, "x", 30);
        EXPECT_EQ(WAIT_OBJECT_0, timedRead(5000));
    }
    EXPECT_EQ("x", std::string(buffer, nRead));
    EXPECT_LT(nElapsed, 2000) << "a byte ends a long wait";
    {
        const std::jthread setter([hEvent] {
            std::this_thread::sleep_for(milliseconds(30));
            SetEvent(hEvent);
        });
        EXPECT_EQ(WAIT_OBJECT_0 + 1, timedRead(5000));
    }
    EXPECT_LT(nElapsed, 2000) << "the event ends a long wait";
    EXPECT_EQ(WAIT_OBJECT_0 + 1, timedRead(5000)) << "and stays seen while set";
    ResetEvent(hEvent);
    EXPECT_EQ(WAIT_TIMEOUT, timedRead(20)) << "reset, it no longer ends a wait";

    m_pty.CloseMaster();
    EXPECT_EQ(WAIT_FAILED, timedRead(5000));
    EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());
    EXPECT_LT(nElapsed, 2000) << "a hung-up line answers at once; its caller rests";
    CloseHandle(hEvent);
}

TEST_F(CommDeviceTest, DeviceGoneFailsEveryCallWithItsOwnError)
{
    m_pty.CloseMaster();
    DWORD n = 0;
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(WriteFile(m_hComm, "x", 1, &n, nullptr)) << "the first call to find it gone";
    EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());
    DCB dcb{};
    EXPECT_FALSE(GetCommState(m_hComm, &dcb));
    EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());

    ASSERT_TRUE(SetTimeouts(m_hComm, MAXDWORD, MAXDWORD, 60));
    long long nElapsed = 0;
    BOOL bOk = TRUE;
    EXPECT_TRUE(TimedRead(4, nElapsed, &bOk).empty());
    EXPECT_FALSE(bOk);
    EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());
    EXPECT_GE(nElapsed, 55) << "the read waits out its time-out before failing";
    ASSERT_TRUE(SetTimeouts(m_hComm, MAXDWORD, 0, 0));
    TimedRead(4, nElapsed, &bOk);
    EXPECT_FALSE(bOk);
    EXPECT_LT(nElapsed, 50) << "a read that asked not to wait fails at once";

    COMSTAT stat{};
    EXPECT_FALSE(ClearCommError(m_hComm, nullptr, &stat));
    EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());
    EXPECT_FALSE(SetCommState(m_hComm, &dcb));
    EXPECT_TRUE(CloseHandle(m_hComm));
    m_hComm = INVALID_HANDLE_VALUE;
}

TEST_F(CommDeviceTest, ClosingTheHandleEndsABlockedRead)
{
    ASSERT_TRUE(SetTimeouts(m_hComm, 0, 0, 0)); // wait for the count, without limit
    BOOL bOk = TRUE;
    DWORD dwError = 0;
    std::thread reader([&] {
        char buffer[4];
        DWORD n = 0;
        bOk = ReadFile(m_hComm, buffer, sizeof(buffer), &n, nullptr);
        dwError = GetLastError();
    });
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_TRUE(CloseHandle(m_hComm));
    reader.join();
    m_hComm = INVALID_HANDLE_VALUE;
    EXPECT_FALSE(bOk);
    EXPECT_EQ(ERROR_OPERATION_ABORTED, dwError);
}
