// The serial-device calls on real pseudo-terminals: opening by COM name, exclusive use, the
// read time-out rules, the read that also ends on an event, exact bytes both ways, and a device
// that goes away.
#include "support/PseudoTerminal.h"
#include "support/Waiting.h"
#include "platform/Framework.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <string>
#include <thread>

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

bool SetReadTimeouts(HANDLE h, DWORD dwInterval, DWORD dwMultiplier, DWORD dwConstant)
{
    COMMTIMEOUTS timeouts{dwInterval, dwMultiplier, dwConstant, 0, 0};
    return SetCommTimeouts(h, &timeouts) != FALSE;
}

// One open COM port on a fresh pseudo-terminal.
class CommDeviceTest : public ::testing::Test
{
protected:
    static constexpr int kPort = 7;

    void SetUp() override
    {
        ASSERT_TRUE(m_pty.IsValid());
        m_hComm = OpenCom(L"COM7:");
        ASSERT_NE(INVALID_HANDLE_VALUE, m_hComm) << "error " << GetLastError();
    }
    void TearDown() override
    {
        if (m_hComm != INVALID_HANDLE_VALUE)
        {
            CloseHandle(m_hComm);
        }
    }

    // Reads with the current time-outs; returns the bytes and how long the call took.
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
        buffer.resize(nRead);
        return buffer;
    }

    CPtyPair m_pty;
    CComPortMapping m_mapping{kPort, m_pty.SlavePath()};
    HANDLE m_hComm = INVALID_HANDLE_VALUE;
};

} // namespace

TEST(ComPortTable, DefaultsAndMappings)
{
    EXPECT_EQ(CString(L"/dev/ttyS9"), GetComPortDevice(10));
    EXPECT_TRUE(GetComPortDevice(0).IsEmpty());
    EXPECT_FALSE(SetComPortDevice(0, "/dev/ttyUSB0"));
    EXPECT_TRUE(SetComPortDevice(4, "/dev/ttyUSB0"));
    EXPECT_EQ(CString(L"/dev/ttyUSB0"), GetComPortDevice(4));
    EXPECT_EQ(CString(L"/dev/ttyS4"), GetComPortDevice(5)) << "other ports keep their default";
    for (const char* pszReset : {"", static_cast<const char*>(nullptr)})
    {
        SetComPortDevice(4, "/dev/ttyACM0");
        EXPECT_TRUE(SetComPortDevice(4, pszReset));
        EXPECT_EQ(CString(L"/dev/ttyS3"), GetComPortDevice(4));
    }
}

TEST(CommDeviceNames, ComNamesOpenTheMappedDevice)
{
    CPtyPair pty3;
    CPtyPair pty12;
    ASSERT_TRUE(pty3.IsValid() && pty12.IsValid());
    CComPortMapping map3(3, pty3.SlavePath());
    CComPortMapping map12(12, pty12.SlavePath());

    struct Row
    {
        const char* legend;
        const wchar_t* pszName;
        const CPtyPair* pDevice; // nullptr: refused with dwError
        DWORD dwError;
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
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        SetLastError(ERROR_SUCCESS);
        HANDLE h = OpenCom(row.pszName);
        if (row.pDevice == nullptr)
        {
            EXPECT_EQ(INVALID_HANDLE_VALUE, h);
            EXPECT_EQ(row.dwError, GetLastError());
            continue;
        }
        ASSERT_NE(INVALID_HANDLE_VALUE, h) << "error " << GetLastError();
        DWORD nWritten = 0;
        EXPECT_TRUE(WriteFile(h, "n", 1, &nWritten, nullptr));
        EXPECT_EQ("n", row.pDevice->Receive(1)) << "the byte reaches the mapped device";
        EXPECT_TRUE(CloseHandle(h));
    }
}

TEST(CommDeviceOpen, RefusalsLeaveNothingOpen)
{
    char tempName[] = "/tmp/fixora-not-a-tty-XXXXXX";
    const int tempFd = ::mkstemp(tempName);
    ASSERT_GE(tempFd, 0);
    CPtyPair pty;
    ASSERT_TRUE(pty.IsValid());

    struct Row
    {
        const char* legend;
        std::string strPath;
        DWORD dwFlags;
        DWORD dwDisposition;
        DWORD dwError;
    };
    const Row rows[] = {
        {"device that does not exist", "/dev/fixora-no-such-device", FILE_ATTRIBUTE_NORMAL,
         OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {"folder that does not exist", "/nonexistent-folder/ttyUSB0", FILE_ATTRIBUTE_NORMAL,
         OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {"regular file", tempName, FILE_ATTRIBUTE_NORMAL, OPEN_EXISTING, ERROR_NOT_SUPPORTED},
        {"overlapped use", pty.SlavePath(), FILE_FLAG_OVERLAPPED, OPEN_EXISTING,
         ERROR_NOT_SUPPORTED},
        {"creating", pty.SlavePath(), FILE_ATTRIBUTE_NORMAL, CREATE_ALWAYS,
         ERROR_INVALID_PARAMETER},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CComPortMapping mapping(5, row.strPath);
        EXPECT_EQ(INVALID_HANDLE_VALUE, OpenCom(L"COM5:", row.dwFlags, row.dwDisposition));
        EXPECT_EQ(row.dwError, GetLastError());
    }
    ::close(tempFd);
    std::remove(tempName);

    // None of the refusals kept the pseudo-terminal: it opens now.
    CComPortMapping mapping(5, pty.SlavePath());
    HANDLE h = OpenCom(L"COM5:");
    EXPECT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_TRUE(CloseHandle(h));
}

TEST_F(CommDeviceTest, OnlyOneUserAtATimeAndClosingReleasesTheDevice)
{
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenCom(L"COM7:"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());

    ASSERT_TRUE(CloseHandle(m_hComm));
    const HANDLE hClosed = m_hComm;
    m_hComm = OpenCom(L"COM7:");
    EXPECT_NE(INVALID_HANDLE_VALUE, m_hComm) << "error " << GetLastError();

    // The old handle is dead for every call.
    char byte = 0;
    DWORD n = 0;
    DCB dcb{};
    EXPECT_FALSE(ReadFile(hClosed, &byte, 1, &n, nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_FALSE(WriteFile(hClosed, "x", 1, &n, nullptr));
    EXPECT_FALSE(GetCommState(hClosed, &dcb));
    EXPECT_FALSE(CloseHandle(hClosed));
    EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, &byte, 1, &n, nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST_F(CommDeviceTest, EveryByteValuePassesUnchangedBothWays)
{
    std::string all(256, '\0');
    std::iota(all.begin(), all.end(), '\0');
    DWORD nWritten = 0;
    ASSERT_TRUE(WriteFile(m_hComm, all.data(), 256, &nWritten, nullptr));
    EXPECT_EQ(256u, nWritten);
    EXPECT_EQ(all, m_pty.Receive(256)) << "no output translation, no echo";

    ASSERT_TRUE(SetReadTimeouts(m_hComm, 0, 0, 2000));
    ASSERT_TRUE(m_pty.Send(all));
    long long nElapsed = 0;
    EXPECT_EQ(all, TimedRead(256, nElapsed))
        << "no input translation (CR, breaks, parity marks, XON/XOFF)";
    EXPECT_TRUE(m_pty.Receive(0, milliseconds(100)).empty()) << "nothing echoed back";
}

TEST_F(CommDeviceTest, WritesWaitForRoomAndHonourTheirTimeout)
{
    const std::string big(1 << 20, 'w');

    // Nobody reads the device side: its queue fills and the write ends on its time-out.
    COMMTIMEOUTS timeouts{0, 0, 0, 0, 300};
    ASSERT_TRUE(SetCommTimeouts(m_hComm, &timeouts));
    DWORD nWritten = 0;
    const auto start = Clock::now();
    EXPECT_TRUE(WriteFile(m_hComm, big.data(), static_cast<DWORD>(big.size()), &nWritten, nullptr))
        << "a write time-out is not a failure";
    const long long nElapsed = MillisecondsSince(start);
    EXPECT_GT(nWritten, 0u);
    EXPECT_LT(nWritten, big.size());
    EXPECT_GE(nElapsed, 250);
    EXPECT_LT(nElapsed, 3000);
    EXPECT_EQ(nWritten, m_pty.Receive(nWritten).size());

    // Without a time-out the write waits until the device has taken every byte.
    timeouts = COMMTIMEOUTS{};
    ASSERT_TRUE(SetCommTimeouts(m_hComm, &timeouts));
    std::string received;
    std::thread device([&] { received = m_pty.Receive(big.size(), milliseconds(2000)); });
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
        std::string strWaiting; // sent before the read
        std::string strLater;   // sent 200 ms into the read
        std::string strExpected;
        long long nMinMs, nMaxMs; // generous bounds on how long the read took
    };
    const Row rows[] = {
        {"at once, nothing waiting", M, 0, 0, 8, "", "", "", 0, 150},
        {"at once, takes what waits", M, 0, 0, 8, "abc", "", "abc", 0, 150},
        {"first byte, one there already", M, M, 1000, 8, "ab", "", "ab", 0, 500},
        {"first byte arrives after 200 ms", M, M, 1000, 8, "", "z", "z", 150, 850},
        {"first byte never comes", M, M, 1000, 8, "", "", "", 900, 3000},
        {"constant 1 ms takes what waits", M, M, 1, 8, "xy", "", "xy", 0, 500},
        {"no time-outs wait for the count", 0, 0, 0, 3, "a", "bc", "abc", 150, 3000},
        {"total time-out ends a short read", 0, 0, 400, 8, "abc", "", "abc", 350, 3000},
        {"total counts the multiplier", 0, 100, 0, 4, "ab", "", "ab", 350, 3000},
        {"interval ends a read after a gap", 100, 0, 0, 8, "", "pq", "pq", 250, 1500},
        {"interval waits for the first byte", 100, 0, 2000, 8, "", "pq", "pq", 250, 1500},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ASSERT_TRUE(PurgeComm(m_hComm, PURGE_RXCLEAR));
        ASSERT_TRUE(SetReadTimeouts(m_hComm, row.dwInterval, row.dwMultiplier, row.dwConstant));
        ASSERT_TRUE(m_pty.Send(row.strWaiting));
        std::this_thread::sleep_for(milliseconds(50)); // let the bytes reach the queue
        std::thread later([this, &row] {
            std::this_thread::sleep_for(milliseconds(200));
            m_pty.Send(row.strLater);
        });
        long long nElapsed = 0;
        BOOL bOk = FALSE;
        const std::string got = TimedRead(row.nCount, nElapsed, &bOk);
        later.join();
        EXPECT_TRUE(bOk) << "a time-out is not a failure";
        EXPECT_EQ(row.strExpected, got);
        EXPECT_GE(nElapsed, row.nMinMs);
        EXPECT_LT(nElapsed, row.nMaxMs);
    }
}

// (Queue counts, purging and breaks as the port uses them are the CSerialPort tests.)
TEST_F(CommDeviceTest, RefusedFunctionsAndFlags)
{
    DWORD dwErrors = MAXDWORD;
    COMSTAT stat{};
    ASSERT_TRUE(ClearCommError(m_hComm, &dwErrors, &stat));
    EXPECT_EQ(0u, dwErrors);
    EXPECT_FALSE(PurgeComm(m_hComm, 0x100));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_TRUE(EscapeCommFunction(m_hComm, SETBREAK) && EscapeCommFunction(m_hComm, CLRBREAK));
    EXPECT_FALSE(EscapeCommFunction(m_hComm, 77));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    // A pseudo-terminal has no modem-control lines: asking for one is refused, not ignored.
    EXPECT_FALSE(EscapeCommFunction(m_hComm, SETDTR));
    EXPECT_EQ(ERROR_NOT_SUPPORTED, GetLastError());
    EXPECT_TRUE(SetCommMask(m_hComm, EV_RXCHAR | EV_TXEMPTY) && SetupComm(m_hComm, 4096, 4096));
}

TEST_F(CommDeviceTest, ReadCommOrWaitEndsOnBytesOnTheEventOnTimeOrAtOnceOnAHungUpLine)
{
    const HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, hEvent);
    char buffer[64];
    DWORD nRead = 0;
    const auto timedRead = [&](DWORD dwMilliseconds, long long& nElapsed) {
        const auto start = Clock::now();
        const DWORD dwResult =
            ReadCommOrWait(m_hComm, buffer, sizeof buffer, nRead, hEvent, dwMilliseconds);
        nElapsed = MillisecondsSince(start);
        return dwResult;
    };
    long long nElapsed = 0;

    ASSERT_TRUE(m_pty.Send("abc"));
    ASSERT_EQ(WAIT_OBJECT_0, timedRead(1000, nElapsed));
    EXPECT_EQ("abc", std::string(buffer, nRead)) << "every waiting byte in one read";
    EXPECT_EQ(WAIT_TIMEOUT, timedRead(50, nElapsed));
    EXPECT_EQ(0U, nRead);

    std::thread writer([this] {
        std::this_thread::sleep_for(milliseconds(100));
        m_pty.Send("x");
    });
    EXPECT_EQ(WAIT_OBJECT_0, timedRead(5000, nElapsed));
    writer.join();
    EXPECT_EQ("x", std::string(buffer, nRead));
    EXPECT_LT(nElapsed, 2000) << "a byte ends a long wait";

    std::thread setter([hEvent] {
        std::this_thread::sleep_for(milliseconds(100));
        SetEvent(hEvent);
    });
    EXPECT_EQ(WAIT_OBJECT_0 + 1, timedRead(5000, nElapsed));
    setter.join();
    EXPECT_LT(nElapsed, 2000) << "the event ends a long wait";
    EXPECT_EQ(WAIT_OBJECT_0 + 1, timedRead(5000, nElapsed)) << "and stays seen while set";
    ResetEvent(hEvent);
    EXPECT_EQ(WAIT_TIMEOUT, timedRead(50, nElapsed)) << "reset, it no longer ends a wait";

    m_pty.CloseMaster();
    EXPECT_EQ(WAIT_FAILED, timedRead(5000, nElapsed));
    EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());
    EXPECT_LT(nElapsed, 2000) << "a hung-up line answers at once; its caller rests";
    CloseHandle(hEvent);
}

TEST_F(CommDeviceTest, DeviceGoneFailsCleanlyAfterTheTimeout)
{
    ASSERT_TRUE(SetReadTimeouts(m_hComm, MAXDWORD, MAXDWORD, 300));
    m_pty.CloseMaster();

    for (int i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(i == 0 ? "first read" : "second read");
        long long nElapsed = 0;
        BOOL bOk = TRUE;
        const std::string got = TimedRead(4, nElapsed, &bOk);
        EXPECT_FALSE(bOk);
        EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());
        EXPECT_TRUE(got.empty());
        EXPECT_GE(nElapsed, 250) << "the read waits out its time-out before failing";
        EXPECT_LT(nElapsed, 2000);
    }

    // A read that asked not to wait fails at once.
    ASSERT_TRUE(SetReadTimeouts(m_hComm, MAXDWORD, 0, 0));
    long long nElapsed = 0;
    BOOL bOk = TRUE;
    TimedRead(4, nElapsed, &bOk);
    EXPECT_FALSE(bOk);
    EXPECT_LT(nElapsed, 200);

    DWORD n = 0;
    EXPECT_FALSE(WriteFile(m_hComm, "x", 1, &n, nullptr));
    EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());
    COMSTAT stat{};
    EXPECT_FALSE(ClearCommError(m_hComm, nullptr, &stat));
    EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());
    DCB dcb{};
    EXPECT_FALSE(SetCommState(m_hComm, &dcb));
    EXPECT_TRUE(CloseHandle(m_hComm));
    m_hComm = INVALID_HANDLE_VALUE;
}

TEST_F(CommDeviceTest, ClosingTheHandleEndsABlockedRead)
{
    ASSERT_TRUE(SetReadTimeouts(m_hComm, 0, 0, 0)); // wait for the count, without limit
    BOOL bOk = TRUE;
    DWORD dwError = 0;
    long long nElapsed = 0;
    std::thread reader([&] {
        char buffer[4];
        DWORD n = 0;
        const auto start = Clock::now();
        bOk = ReadFile(m_hComm, buffer, sizeof(buffer), &n, nullptr);
        dwError = GetLastError();
        nElapsed = MillisecondsSince(start);
    });
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_TRUE(CloseHandle(m_hComm));
    reader.join();
    m_hComm = INVALID_HANDLE_VALUE;
    EXPECT_FALSE(bOk);
    EXPECT_EQ(ERROR_OPERATION_ABORTED, dwError);
    EXPECT_LT(nElapsed, 5000);
}
